// Guards the XML parser against documents nested deeply enough to exhaust the stack: the parser
// descends one call per open element, and a hostile state chunk can be nothing but "<a><a><a>...".
// The number of element start tags is an upper bound of the nesting depth that no trick of quoting,
// comments or mismatched end tags can lower.
#pragma once

#include <cstddef>

namespace presets {

// True when the first length bytes of text hold at most maxElements element start tags ("<" followed
// by an ASCII letter, "_" or a byte from 127 up). Any thread; never allocates.
bool WithinElementLimit(const char* text, size_t length, int maxElements);

}  // namespace presets

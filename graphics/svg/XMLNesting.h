// A bound on how deep a document's elements nest, found without parsing it, so a hostile document cannot
// drive the XML parser's recursion (one level of the parser's stack per level of elements) past the stack.
//
// The scan reads the text the way the XML parser does in its byte-wise (legacy) encoding: text up to '<',
// comments up to "-->", CDATA up to "]]>", declarations with their quoted version, encoding and standalone
// values, other "<!" and "<?" nodes up to '>', start tags with quoted or bare attribute values, end tags.
// Wherever the parser would stop with an error the scan refuses, so it never counts an element closed that
// the parser keeps open. Numeric character references must be well formed: the parser's reading of a
// malformed one can jump over markup, so such a document is refused too.
//
// Thread: any; no state.
#pragma once

namespace fx::gfx::svg {

// True when the zero-terminated text nests its elements at most maxDepth deep and the scan could follow it.
bool XMLNestingWithin(const char* text, int maxDepth);

} // namespace fx::gfx::svg

#include "plugin/XmlDepthLimit.h"

namespace presets {

namespace {

// The parser opens an element at "<" followed by any character it takes for the start of a name: an
// ASCII letter, "_", or any byte from 127 up.
bool StartsName(unsigned char c) {
  return c >= 0x7F || c == '_' || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

bool WithinElementLimit(const char* text, size_t length, int maxElements) {
  if (!text) return true;
  int count = 0;
  for (size_t i = 0; i + 1 < length; ++i) {
    if (text[i] == '<' && StartsName(static_cast<unsigned char>(text[i + 1])) && ++count > maxElements) return false;
  }
  return true;
}

}  // namespace presets

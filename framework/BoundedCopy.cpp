#include "framework/BoundedCopy.h"

#include <cstring>

namespace fx {

namespace {

bool IsUtf8Continuation(char c) {
  return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

}  // namespace

int CopyBounded(char* dst, int capacity, const char* src) {
  if (!dst || capacity < 1) return 0;
  int length = 0;
  if (src) {
    while (length < capacity - 1 && src[length]) ++length;
    // Cut before the character the bound falls into, not inside it.
    if (IsUtf8Continuation(src[length]) && length > 0) {
      int lead = length - 1;
      while (lead > 0 && IsUtf8Continuation(src[lead])) --lead;
      length = lead;
    }
    std::memmove(dst, src, static_cast<size_t>(length));
  }
  dst[length] = '\0';
  return length;
}

}  // namespace fx

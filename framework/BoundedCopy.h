// Copies text into fixed-size character fields (names, labels, preset names):
// never past the field, always terminated, never cutting a UTF-8 character in two.
#pragma once

#include <cstddef>

namespace fx {

// Copies at most capacity - 1 bytes of src (null counts as "") into dst and
// terminates it. Answers the number of bytes copied. Any thread.
int CopyBounded(char* dst, int capacity, const char* src);

template <size_t N>
int CopyBounded(char (&dst)[N], const char* src) {
  return CopyBounded(dst, static_cast<int>(N), src);
}

}  // namespace fx

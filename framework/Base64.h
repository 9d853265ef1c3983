// Standard Base64 (alphabet A-Z a-z 0-9 + /, "=" padding), used for preset blobs in developer source text.
#pragma once

#include <cstdint>

#include "framework/FwString.h"

namespace fx {

// Any thread. Replaces out with the Base64 text of size bytes, the last group filled out with "=".
void Base64Encode(const uint8_t* data, int size, FwString& out);

// Any thread; never allocates. Decodes text into dst until the first character outside the alphabet ("="
// and the end of the text included) or until capacity bytes are written; the rest of dst is untouched.
// Answers the number of bytes written. A null text decodes nothing.
int Base64Decode(const char* text, uint8_t* dst, int capacity);

}  // namespace fx

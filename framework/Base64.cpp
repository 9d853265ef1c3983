#include "framework/Base64.h"

namespace fx {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

void Base64Encode(const uint8_t* data, int size, FwString& out) {
  out.Set("");
  for (int i = 0; data && i < size; i += 3) {
    const int n = size - i < 3 ? size - i : 3;
    const uint32_t group =
        (uint32_t{data[i]} << 16) | (n > 1 ? uint32_t{data[i + 1]} << 8 : 0u) | (n > 2 ? uint32_t{data[i + 2]} : 0u);
    const char quad[5] = {kAlphabet[(group >> 18) & 63], kAlphabet[(group >> 12) & 63],
                          n > 1 ? kAlphabet[(group >> 6) & 63] : '=', n > 2 ? kAlphabet[group & 63] : '=', '\0'};
    out.Append(quad);
  }
}

int Base64Decode(const char* text, uint8_t* dst, int capacity) {
  if (!text || !dst) return 0;
  int written = 0;
  uint32_t bits = 0;
  int nBits = 0;
  for (const char* p = text; written < capacity; ++p) {
    const int sextet = SextetOf(*p);
    if (sextet < 0) break;
    bits = (bits << 6) | static_cast<uint32_t>(sextet);
    nBits += 6;
    if (nBits >= 8) {
      nBits -= 8;
      dst[written++] = static_cast<uint8_t>(bits >> nBits);
      bits &= (1u << nBits) - 1u;
    }
  }
  return written;
}

}  // namespace fx

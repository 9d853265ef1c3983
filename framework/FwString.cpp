#include "framework/FwString.h"

#include "framework/NumberText.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>

namespace fx {

namespace {

// Formatted texts up to this length are built on the stack, longer ones in a
// temporary buffer; either way never in the string itself, whose buffer the
// arguments may point into.
constexpr int kStackFormatSize = 256;

int BoundedLength(const char* src, int maxLen) {
  if (!src) return 0;
  if (maxLen > 0) {
    const void* zero = std::memchr(src, 0, static_cast<size_t>(maxLen));
    return zero ? static_cast<int>(static_cast<const char*>(zero) - src) : maxLen;
  }
  const size_t length = std::strlen(src);
  return length > INT_MAX - 1 ? INT_MAX - 1 : static_cast<int>(length);
}

}  // namespace

FwString::FwString() = default;

FwString::FwString(const char* text) {
  Set(text);
}

FwString::FwString(const FwString& other) {
  Set(other.Get());
}

FwString& FwString::operator=(const FwString& other) {
  if (this != &other) Set(other.Get());
  return *this;
}

FwString::FwString(FwString&& other) noexcept = default;
FwString& FwString::operator=(FwString&& other) noexcept = default;

const char* FwString::Get() const {
  return mBuf.GetSize() > 0 ? static_cast<const char*>(mBuf.Get()) : "";
}

int FwString::GetLength() const {
  return mBuf.GetSize() > 0 ? mBuf.GetSize() - 1 : 0;
}

void FwString::Set(const char* src, int maxLen) {
  const int length = BoundedLength(src, maxLen);
  if (length == 0)
    SetAt(0, nullptr, 0, 0);
  else
    SetAt(0, src, length, 0);
}

void FwString::Append(const char* src, int maxLen) {
  const int length = BoundedLength(src, maxLen);
  if (length > 0) SetAt(GetLength(), src, length, 0);
}

void FwString::Insert(const char* src, int pos, int maxLen) {
  const int length = BoundedLength(src, maxLen);
  const int at = std::clamp(pos, 0, GetLength());
  if (length > 0) SetAt(at, src, length, GetLength() - at);
}

void FwString::DeleteSub(int pos, int len) {
  const int length = GetLength();
  if (pos < 0 || pos >= length || len <= 0) return;
  len = std::min(len, length - pos);
  char* text = static_cast<char*>(mBuf.Get());
  std::memmove(text + pos, text + pos + len, static_cast<size_t>(length - pos - len));
  SetLength(length - len);
}

void FwString::SetLength(int length) {
  if (mBuf.Resize(length + 1, false)) static_cast<char*>(mBuf.Get())[length] = '\0';
}

void FwString::SetAt(int offset, const char* src, int srcLen, int trailKeep) {
  if (offset == 0 && srcLen == 0 && trailKeep == 0) {
    SetLength(0);
    return;
  }
  const int oldLength = GetLength();
  // Writes must stay inside the text: a gap before offset or a tail longer
  // than the text would read or expose bytes that were never written.
  if (offset < 0 || srcLen <= 0 || !src || trailKeep < 0 || offset > oldLength ||
      static_cast<long long>(offset) + trailKeep > oldLength)
    return;
  const long long newLengthWide = static_cast<long long>(offset) + srcLen + trailKeep;
  if (newLengthWide >= INT_MAX) return;
  const int newLength = static_cast<int>(newLengthWide);

  // src may point into this string: remember where, since growing may move the
  // buffer and the tail move may overwrite it.
  const auto base = reinterpret_cast<uintptr_t>(mBuf.Get());
  const auto from = reinterpret_cast<uintptr_t>(src);
  const bool aliased = base && from >= base && from < base + static_cast<uintptr_t>(mBuf.GetSize());
  const long long srcOffset = aliased ? static_cast<long long>(from - base) : 0;
  FwHeapBuf aliasCopy(kGranularity);
  if (aliased && srcOffset + srcLen > offset) {
    if (!aliasCopy.Append(src, srcLen)) return;
    src = static_cast<const char*>(aliasCopy.Get());
  }

  if (newLength + 1 > mBuf.GetSize() && !mBuf.Resize(newLength + 1, false)) return;
  char* text = static_cast<char*>(mBuf.Get());
  if (aliased && srcOffset + srcLen <= offset) src = text + srcOffset;

  std::memmove(text + offset + srcLen, text + offset, static_cast<size_t>(trailKeep));
  std::memcpy(text + offset, src, static_cast<size_t>(srcLen));
  text[newLength] = '\0';
  if (newLength + 1 < mBuf.GetSize()) mBuf.Resize(newLength + 1, false);
}

void FwString::FormatAt(int offset, int maxLen, const char* format, va_list args) {
  if (maxLen < 0) maxLen = 0;
  if (maxLen >= INT_MAX - 1) return;
  char stackText[kStackFormatSize];
  FwHeapBuf heapText(kGranularity);
  char* text = stackText;
  if (maxLen + 1 > kStackFormatSize) {
    text = static_cast<char*>(heapText.Resize(maxLen + 1, false));
    if (!text) return;
  }
  const int printed = std::min(FormatTextV(text, maxLen + 1, format, args), maxLen);
  if (printed > 0)
    SetAt(offset, text, printed, 0);
  else if (offset == 0)
    SetAt(0, nullptr, 0, 0);
}

void FwString::SetFormatted(int maxLen, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAt(0, maxLen, format, args);
  va_end(args);
}

void FwString::AppendFormatted(int maxLen, const char* format, ...) {
  va_list args;
  va_start(args, format);
  FormatAt(GetLength(), maxLen, format, args);
  va_end(args);
}

}  // namespace fx

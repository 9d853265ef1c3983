// FwString: a zero-terminated text in a growable buffer (granularity 128).
// The buffer's size counts the terminating zero; an empty string reads as "".
// Strings belong to one thread at a time; none of their operations locks.
#pragma once

#include "framework/FwHeapBuf.h"

#include <cstdarg>

namespace fx {

class FwString {
 public:
  static constexpr int kGranularity = 128;

  FwString();
  explicit FwString(const char* text);
  FwString(const FwString& other);
  FwString& operator=(const FwString& other);
  FwString(FwString&& other) noexcept;
  FwString& operator=(FwString&& other) noexcept;

  // The text; "" when empty. Valid until the next change of the string.
  const char* Get() const;
  int GetLength() const;

  // Replaces the text with src, at most maxLen bytes of it when maxLen > 0
  // (a null src counts as ""). src may point into this string.
  void Set(const char* src, int maxLen = 0);
  // Appends src, at most maxLen bytes of it when maxLen > 0. src may point into this string.
  void Append(const char* src, int maxLen = 0);
  // Inserts src at position pos (clamped to 0..length), at most maxLen bytes when maxLen > 0.
  void Insert(const char* src, int pos, int maxLen = 0);
  // Removes len bytes from position pos; the range is cut to the text.
  void DeleteSub(int pos, int len);

  // The one text-writing primitive: the trailKeep bytes at offset move right to
  // make room, srcLen bytes of src go to offset, and the text ends after the
  // kept tail. offset, srcLen and trailKeep all 0 empty the string. Nothing
  // happens when offset is negative or past the length, src is null, srcLen < 1,
  // trailKeep is negative or offset + trailKeep passes the length, or the buffer
  // cannot grow. src may point into this string.
  void SetAt(int offset, const char* src, int srcLen, int trailKeep);

  // printf-style text, at most maxLen characters, never depending on the
  // process locale (see framework/NumberText.h). Arguments may point into this string.
  void SetFormatted(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));
  // Appends at most maxLen formatted characters after the current text.
  void AppendFormatted(int maxLen, const char* format, ...) __attribute__((format(printf, 3, 4)));

 private:
  void FormatAt(int offset, int maxLen, const char* format, va_list args);
  void SetLength(int length);

  FwHeapBuf mBuf{kGranularity};
};

}  // namespace fx

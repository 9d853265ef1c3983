#include "framework/IByteChunk.h"

#include <climits>
#include <cstring>

namespace fx {

int IByteChunk::Resize(int newSize) {
  const int oldSize = Size();
  if (newSize < 0) return oldSize;
  if (newSize > 0 && !mBytes.Resize(newSize, false)) return oldSize;
  if (newSize == 0) mBytes.Resize(0, false);
  if (newSize > oldSize) std::memset(GetData() + oldSize, 0, static_cast<size_t>(newSize - oldSize));
  return Size();
}

void IByteChunk::Clear() {
  mBytes.Resize(0, false);
}

bool IByteChunk::IsEqual(const IByteChunk& other) const {
  return Size() == other.Size() &&
         (Size() == 0 || !std::memcmp(GetData(), other.GetData(), static_cast<size_t>(Size())));
}

int IByteChunk::PutBytes(const void* data, int size) {
  if (size < 0 || (size > 0 && !data)) return 0;
  return mBytes.Append(data, size) ? Size() : 0;
}

int IByteChunk::PutChunk(const IByteChunk& other) {
  return PutBytes(other.GetData(), other.Size());
}

int IByteChunk::GetBytes(void* dst, int size, int startPos) const {
  if (startPos < 0 || size < 0 || static_cast<long long>(startPos) + size > Size() || (size > 0 && !dst)) return -1;
  if (size > 0) std::memcpy(dst, GetData() + startPos, static_cast<size_t>(size));
  return startPos + size;
}

int IByteChunk::PutBytesAt(const void* data, int size, int pos) {
  if (pos < 0 || size < 0 || static_cast<long long>(pos) + size > Size() || (size > 0 && !data)) return -1;
  if (size > 0) std::memmove(GetData() + pos, data, static_cast<size_t>(size));
  return pos + size;
}

int IByteChunk::PutStr(const char* str) {
  const size_t length = str ? std::strlen(str) : 0;
  if (length > static_cast<size_t>(INT_MAX - 4)) return 0;
  const int32_t length32 = static_cast<int32_t>(length);
  const int oldSize = Size();
  if (!Put(&length32)) return 0;
  if (!PutBytes(str, length32)) {
    Resize(oldSize);
    return 0;
  }
  return Size();
}

int IByteChunk::GetStr(FwString& str, int startPos) const {
  int32_t length = 0;
  const int textPos = Get(&length, startPos);
  if (textPos < 0) return -1;
  if (length < 1) {
    str.Set("");
    return textPos;
  }
  if (static_cast<long long>(textPos) + length > Size()) return -1;
  str.Set(reinterpret_cast<const char*>(GetData()) + textPos, length);
  return textPos + length;
}

}  // namespace fx

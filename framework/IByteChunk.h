// IByteChunk: the byte record in which state, presets and host chunks travel.
// Values are stored little-endian whatever the machine; strings are a 32-bit
// length followed by the bytes, without a terminating zero. Readers walk the
// chunk by position: every Get answers the position after what it read, or -1
// when the data runs out (the destination is then left unchanged), so reads can
// be chained and a failure carried to the end.
// A chunk belongs to one thread at a time (the main thread in this system).
#pragma once

#include "framework/FwHeapBuf.h"
#include "framework/FwString.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace fx {

class IByteChunk {
 public:
  explicit IByteChunk(int granularity = FwHeapBuf::kDefaultGranularity) : mBytes(granularity) {}

  int Size() const { return mBytes.GetSize(); }
  uint8_t* GetData() { return static_cast<uint8_t*>(mBytes.Get()); }
  const uint8_t* GetData() const { return static_cast<const uint8_t*>(mBytes.Get()); }

  // Sets the size; new bytes are zero. Answers the size now held (the old size
  // when the chunk could not grow).
  int Resize(int newSize);
  // Makes the chunk empty, keeping its memory.
  void Clear();
  bool IsEqual(const IByteChunk& other) const;

  // Appends size bytes. Answers the new size, or 0 (chunk unchanged) when size
  // is negative, data is null with a positive size, or the chunk cannot grow.
  int PutBytes(const void* data, int size);
  // Appends another chunk's bytes; same answer as PutBytes.
  int PutChunk(const IByteChunk& other);
  // Copies size bytes from startPos into dst. Answers startPos + size, or -1
  // when startPos is negative or fewer than size bytes remain.
  int GetBytes(void* dst, int size, int startPos) const;
  // Overwrites size bytes at pos (all inside the chunk). Answers pos + size, or -1.
  int PutBytesAt(const void* data, int size, int pos);

  // Plain values: integers, enumerations, floats and doubles, little-endian.
  template <class T>
  int Put(const T* value) {
    uint8_t bytes[sizeof(T)];
    ToLittleEndian(*value, bytes);
    return PutBytes(bytes, sizeof(T));
  }

  template <class T>
  int Get(T* value, int startPos) const {
    uint8_t bytes[sizeof(T)];
    const int next = GetBytes(bytes, sizeof(T), startPos);
    if (next >= 0) *value = FromLittleEndian<T>(bytes);
    return next;
  }

  // Overwrites the value at pos, e.g. a size field written as a placeholder.
  // Answers pos + sizeof(T), or -1 when it does not lie inside the chunk.
  template <class T>
  int PutAt(const T* value, int pos) {
    uint8_t bytes[sizeof(T)];
    ToLittleEndian(*value, bytes);
    return PutBytesAt(bytes, sizeof(T), pos);
  }

  // Appends a 32-bit length and the string's bytes (a null str counts as "").
  // Answers the new size, or 0 (chunk unchanged) on failure.
  int PutStr(const char* str);
  // Reads a string written by PutStr. A length below 1 reads "", the text ends
  // at its first zero byte within the length. Answers the position after the
  // text, or -1 (str unchanged) when the length or the text passes the end.
  int GetStr(FwString& str, int startPos) const;

 private:
  template <size_t N>
  struct UnsignedOfSize;

  template <class T>
  static void ToLittleEndian(const T& value, uint8_t* bytes) {
    static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T>, "chunks store plain values");
    using U = typename UnsignedOfSize<sizeof(T)>::Type;
    const U bits = std::bit_cast<U>(value);
    for (size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<uint8_t>(bits >> (8 * i));
  }

  template <class T>
  static T FromLittleEndian(const uint8_t* bytes) {
    static_assert(std::is_arithmetic_v<T> || std::is_enum_v<T>, "chunks store plain values");
    using U = typename UnsignedOfSize<sizeof(T)>::Type;
    U bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i) bits |= static_cast<U>(static_cast<U>(bytes[i]) << (8 * i));
    return std::bit_cast<T>(bits);
  }

  FwHeapBuf mBytes;
};

template <>
struct IByteChunk::UnsignedOfSize<1> {
  using Type = uint8_t;
};
template <>
struct IByteChunk::UnsignedOfSize<2> {
  using Type = uint16_t;
};
template <>
struct IByteChunk::UnsignedOfSize<4> {
  using Type = uint32_t;
};
template <>
struct IByteChunk::UnsignedOfSize<8> {
  using Type = uint64_t;
};

}  // namespace fx

// MIDI and system-exclusive messages as they travel between the host, the audio side and the editor.
// Both are plain records so that they can be copied through the fixed-size queues without allocating.
#pragma once

#include <cstdint>

namespace fx {

// One short MIDI message: the sample offset inside the block, the status byte and two data bytes.
struct IMidiMsg {
  int mOffset = 0;
  uint8_t mStatus = 0;
  uint8_t mData1 = 0;
  uint8_t mData2 = 0;

  IMidiMsg() = default;
  IMidiMsg(int offset, uint8_t status, uint8_t data1, uint8_t data2)
      : mOffset(offset), mStatus(status), mData1(data1), mData2(data2) {}
  bool operator==(const IMidiMsg&) const = default;
};

// A system-exclusive message. The data is borrowed: it stays valid only for the call that receives it.
struct ISysEx {
  int mOffset = 0;
  int mSize = 0;
  const uint8_t* mData = nullptr;

  ISysEx() = default;
  ISysEx(int offset, int size, const uint8_t* data) : mOffset(offset), mSize(size), mData(data) {}
};

}  // namespace fx

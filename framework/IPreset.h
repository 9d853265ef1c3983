// One preset slot: whether it holds a preset, its name, a category the product sorts by (the framework
// never reads it) and the preset's state.
#pragma once

#include "framework/IByteChunk.h"

namespace fx {

struct IPreset {
  static constexpr int kMaxNameLen = 256;  // bytes, the terminating zero included

  bool mInitialized = false;
  char mName[kMaxNameLen] = "empty";
  int mCategory = -1;
  IByteChunk mChunk{FwHeapBuf::kDefaultGranularity};
};

}  // namespace fx

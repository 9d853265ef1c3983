// One preset slot: whether it holds a preset, its name, a category the product sorts by (the framework
// never reads it) and the preset's state.
#pragma once

#include "framework/IByteChunk.h"
#include "framework/SharedText.h"

namespace fx {

// A preset slot's name, which an editor may draw on its thread while a host thread sets it.
using PresetName = SharedText<256>;

struct IPreset {
  static constexpr int kMaxNameLen = PresetName::kMaxLen;

  bool mInitialized = false;
  PresetName mName{"empty"};
  int mCategory = -1;
  IByteChunk mChunk{FwHeapBuf::kDefaultGranularity};
};

}  // namespace fx

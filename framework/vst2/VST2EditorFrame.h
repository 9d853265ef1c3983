// A vendor-specific request that only a module built with the project's tests answers (the module a user
// installs answers it 0, as any request it does not know): the project's test host asks for the last frame
// the open editor presented, to save a picture of the editor without reading a display.
//
//   dispatcher(effect, kEffVendorSpecific, kVendorEditorFrame, 0, &frame, 0.f)
//
// answers 1 and fills frame when the editor is open and has presented a frame, 0 otherwise; with a null
// frame pointer it answers 1, so that a host can tell a module that knows the request from one whose editor
// has not drawn yet. The pixels belong to the plug-in and stay valid until the host's next request to it.
// Main thread only.
#pragma once

#include <cstdint>

#include "platform/vst2/VST2Interface.h"

namespace vst2 {

inline constexpr int32_t kVendorEditorFrame = FourCC('K', 'd', 'F', 'r');

struct EditorFrame {
  int32_t width = 0;  // pixels
  int32_t height = 0;
  int32_t bytesPerRow = 0;
  int32_t presentedCount = 0;     // frames presented since the editor opened
  const uint8_t* bgra = nullptr;  // 8 bits per channel, blue first
};

}  // namespace vst2

// The module as Kelvadrune.so builds it, with one more entry point for the model host's tests and benchmarks: the
// GPU device's idle release shortened, so that a scenario can wait past it many times in a few minutes.
#include <chrono>

#include "editor/KelvadruneInstance.h"
#include "framework/vst2/VST2Entry.h"
#include "graphics/platform/IGraphicsDrawingLayer.h"

KD_VST2_ENTRY_POINTS(KelvadruneInstance)

extern "C" __attribute__((visibility("default"))) void KelvadruneSetGpuIdleRelease(long milliseconds) {
  fx::gfx::SetGpuIdleRelease(std::chrono::milliseconds(milliseconds));
}

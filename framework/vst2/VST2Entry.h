// The module's entry glue: the two exported entry points a Linux VST 2 host looks for, and the creation
// of one plug-in instance behind them. A product's entry file names its class once:
//
//   KD_VST2_ENTRY_POINTS(MyPlugin)
//
// which defines VSTPluginMain and main (both with C linkage and default visibility; everything else in
// the module stays hidden). On 64-bit Linux the old "main" entry takes and returns full pointers, as
// VSTPluginMain does: a 32-bit callback would cut the host's address.
#pragma once

#include <algorithm>
#include <memory>

#include "framework/FwMutex.h"
#include "framework/vst2/IPluginVST2.h"
#include "platform/vst2/VST2Interface.h"

namespace fx {

// Main thread (any thread may create; creations are serialised). The process-wide creation mutex.
FwMutex& VST2CreationMutex();

// Any thread; blocks while another instance is being created. A new Plug constructed from the host
// callback under the creation mutex and handed to setUp there (null: none). An exception passes on once
// the memory is released and the mutex unlocked.
template <class Plug>
Plug* MakePlug(vst2::HostCallback callback, void (*setUp)(Plug&) = nullptr) {
  FwMutexLock lock(VST2CreationMutex());
  auto plug = std::make_unique<Plug>(InstanceInfo{callback});
  if (setUp) setUp(*plug);
  return plug.release();
}

// Any thread; blocks while another instance is being created. MakePlug, then makes sure every preset slot
// holds a state, starts the plug-in's timer (only now: any thread pumping the main loop may tick it, and a
// tick runs the product's idle work) and answers the record, reporting at least one program; null when
// construction throws, since nothing may unwind into a host.
template <class Plug>
vst2::EffectRecord* CreateVST2Instance(vst2::HostCallback callback, void (*setUp)(Plug&) = nullptr) {
  try {
    std::unique_ptr<Plug> plug(MakePlug<Plug>(callback, setUp));
    plug->EnsureDefaultPreset();
    plug->CreateTimer();
    vst2::EffectRecord& effect = plug.release()->GetEffectRecord();
    effect.numPrograms = std::max(effect.numPrograms, 1);
    return &effect;
  } catch (...) {
    return nullptr;
  }
}

}  // namespace fx

#define KD_VST2_EXPORT extern "C" __attribute__((visibility("default")))

#define KD_VST2_ENTRY_POINTS(PlugClass) KD_VST2_ENTRY_POINTS_WITH_SETUP(PlugClass, nullptr)

// The same, with a function that completes each new instance (PlugClass&) before the host sees it.
#define KD_VST2_ENTRY_POINTS_WITH_SETUP(PlugClass, setUp)                                           \
  KD_VST2_EXPORT vst2::EffectRecord* VSTPluginMain(vst2::HostCallback callback) {                   \
    return fx::CreateVST2Instance<PlugClass>(callback, setUp);                                      \
  }                                                                                                 \
  KD_VST2_EXPORT vst2::EffectRecord* KdVST2LegacyMain(vst2::HostCallback callback) __asm__("main"); \
  vst2::EffectRecord* KdVST2LegacyMain(vst2::HostCallback callback) {                               \
    return fx::CreateVST2Instance<PlugClass>(callback, setUp);                                      \
  }

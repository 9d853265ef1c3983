// The plug-in as the module hands it to a host: Kelvadrune with its editor drawn by the platform graphics on
// the GPU back end. The module's entry points create it (a module built with the project's tests creates
// KelvadruneTestInstance); in-process tests create it the same way through CreateKelvadruneInstance. Beside
// it, the make-graphics function its editor uses.
#pragma once

#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "platform/vst2/VST2Interface.h"
#include "plugin/Kelvadrune.h"

namespace fx::gfx {
class IGraphicsLinux;
}

// Main thread. The editor's graphics for plug (their editor delegate) at width x height points, fps frames a
// second and the draw scale, carrying the plug-in's bundle and application-group identifiers and the
// shared-resources sub-path "Kelvadrune": pictures and fonts are looked for beside the module first, then in
// the user's music folder under Kelvadrune/Resources, then as plain paths. The caller owns the result.
fx::gfx::IGraphicsLinux* MakeGraphics(Kelvadrune& plug, int width, int height, int fps, float scale);

class KelvadruneInstance : public Kelvadrune {
 public:
  // Main thread, under the framework's creation mutex.
  explicit KelvadruneInstance(const fx::InstanceInfo& info);

 private:
  // The editors' GPU device stays from one editor to the next while the instance lives.
  fx::gfx::GpuDeviceKeeper mGpuKeeper;
};

// Any thread; blocks while another instance is being created. What VSTPluginMain answers: a new instance's
// effect record, null when it cannot be made.
vst2::EffectRecord* CreateKelvadruneInstance(vst2::HostCallback callback);

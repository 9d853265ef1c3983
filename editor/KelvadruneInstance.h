// The plug-in as the module hands it to a host: Kelvadrune with its editor drawn by the platform graphics on
// the GPU back end, answering the framework's editor-frame request (VST2EditorFrame.h). The module's entry
// points create it; in-process tests create it the same way through CreateKelvadruneInstance.
#pragma once

#include "platform/vst2/VST2Interface.h"
#include "plugin/Kelvadrune.h"

class KelvadruneInstance final : public Kelvadrune {
 public:
  // Main thread, under the framework's creation mutex.
  explicit KelvadruneInstance(const fx::InstanceInfo& info);

  // Main thread. The editor-frame request; everything else goes to the product.
  intptr_t VendorSpecificHook(int index, intptr_t value, void* ptr, float opt) override;
};

// Any thread; blocks while another instance is being created. What VSTPluginMain answers: a new instance's
// effect record, null when it cannot be made.
vst2::EffectRecord* CreateKelvadruneInstance(vst2::HostCallback callback);

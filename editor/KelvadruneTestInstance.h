// The plug-in as a module built with the project's tests hands it to a host: KelvadruneInstance that also
// answers the test host's editor-frame request (framework/vst2/VST2EditorFrame.h), so that the test host's
// --screenshot and the tests that load the module can read the editor's pixels without a display. The module a
// user installs is built without the tests and creates KelvadruneInstance, which answers no such request.
#pragma once

#include "editor/KelvadruneInstance.h"

class KelvadruneTestInstance final : public KelvadruneInstance {
 public:
  // Main thread, under the framework's creation mutex.
  explicit KelvadruneTestInstance(const fx::InstanceInfo& info) : KelvadruneInstance(info) {}

  // Main thread. The editor-frame request; everything else goes to the product.
  intptr_t VendorSpecificHook(int index, intptr_t value, void* ptr, float opt) override;
};

// Any thread; blocks while another instance is being created. A new test instance's effect record, null when
// it cannot be made.
vst2::EffectRecord* CreateKelvadruneTestInstance(vst2::HostCallback callback);

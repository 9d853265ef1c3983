#include "editor/KelvadruneTestInstance.h"

#include "framework/vst2/VST2EditorFrame.h"
#include "framework/vst2/VST2Entry.h"
#include "graphics/platform/IGraphicsLinux.h"
#include "platform/window/Window.h"

intptr_t KelvadruneTestInstance::VendorSpecificHook(int index, intptr_t value, void* ptr, float opt) {
  if (index != vst2::kVendorEditorFrame) return KelvadruneInstance::VendorSpecificHook(index, value, ptr, opt);
  // Without a frame to fill, the answer only says that the request is known.
  if (!ptr) return 1;
  auto lock = LockEditor();
  const auto* graphics = GetUI<fx::gfx::IGraphicsLinux>();
  const platform::window::Window* window = graphics ? graphics->GetPlatformWindow() : nullptr;
  if (!window || window->LastPresentedFrame().count == 0) return 0;
  const platform::window::PresentedFrame& presented = window->LastPresentedFrame();
  auto& frame = *static_cast<vst2::EditorFrame*>(ptr);
  frame.width = presented.width;
  frame.height = presented.height;
  frame.bytesPerRow = presented.width * 4;
  frame.presentedCount = presented.count;
  frame.bgra = presented.pixels.data();
  return 1;
}

vst2::EffectRecord* CreateKelvadruneTestInstance(vst2::HostCallback callback) {
  return fx::CreateVST2Instance<KelvadruneTestInstance>(callback);
}

#include "editor/KelvadruneInstance.h"

#include "editor/KelvadruneLayout.h"
#include "framework/vst2/VST2EditorFrame.h"
#include "framework/vst2/VST2Entry.h"
#include "graphics/platform/IGraphicsLinux.h"
#include "platform/window/Window.h"

namespace {

// The folder under the user's music folder whose "Resources" the editor's pictures and fonts may lie in.
constexpr const char* kSharedResourcesSubPath = "Kelvadrune";

}  // namespace

fx::gfx::IGraphicsLinux* MakeGraphics(Kelvadrune& plug, int width, int height, int fps, float scale) {
  auto* graphics = new fx::gfx::IGraphicsLinux(plug, width, height, fps, scale);
  graphics->SetBundleID(plug.GetBundleID());
  graphics->SetAppGroupID(plug.GetAppGroupID());
  graphics->SetSharedResourcesSubPath(kSharedResourcesSubPath);
  return graphics;
}

KelvadruneInstance::KelvadruneInstance(const fx::InstanceInfo& info) : Kelvadrune(info) {
  fx::gfx::InstallEditor(*this, [this](fx::gfx::IGEditorDelegate&, int width, int height, int fps, float scale) {
    return static_cast<fx::gfx::IGraphics*>(MakeGraphics(*this, width, height, fps, scale));
  });
}

intptr_t KelvadruneInstance::VendorSpecificHook(int index, intptr_t value, void* ptr, float opt) {
  if (index != vst2::kVendorEditorFrame) return Kelvadrune::VendorSpecificHook(index, value, ptr, opt);
  if (!ptr) return 0;
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

vst2::EffectRecord* CreateKelvadruneInstance(vst2::HostCallback callback) {
  return fx::CreateVST2Instance<KelvadruneInstance>(callback);
}

#include "editor/KelvadruneInstance.h"

#include "editor/KelvadruneLayout.h"
#include "framework/vst2/VST2Entry.h"
#include "graphics/platform/IGraphicsLinux.h"

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

vst2::EffectRecord* CreateKelvadruneInstance(vst2::HostCallback callback) {
  return fx::CreateVST2Instance<KelvadruneInstance>(callback);
}

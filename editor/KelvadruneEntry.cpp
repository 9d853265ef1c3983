// The module's entry points: VSTPluginMain and main create one Kelvadrune each and give it its editor, drawn
// by the platform graphics on the GPU back end.
#include "editor/KelvadruneLayout.h"
#include "framework/vst2/VST2Entry.h"
#include "graphics/platform/IGraphicsMac.h"
#include "plugin/Kelvadrune.h"

namespace {

// Under the creation mutex, before the host sees the instance.
void InstallKelvadruneEditor(Kelvadrune& plug) {
  fx::gfx::InstallEditor(plug, [](fx::gfx::IGEditorDelegate& dlg, int width, int height, int fps, float scale) {
    return static_cast<fx::gfx::IGraphics*>(new fx::gfx::IGraphicsMac(dlg, width, height, fps, scale));
  });
}

}  // namespace

KD_VST2_ENTRY_POINTS_WITH_SETUP(Kelvadrune, &InstallKelvadruneEditor)

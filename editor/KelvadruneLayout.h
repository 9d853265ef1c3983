// The product's editor: the layout function that fills a graphics object with every control of the fixed
// 640 x 480 point design (the whole editor grows with the graphics' draw scale, "GUI scale", never by
// moving controls; only the corner resizer follows the graphics' size), the plug-in menu's row table and
// the colour parser the layout uses. Main thread only.
#pragma once

#include <functional>
#include <vector>

#include "editor/ISBInfoMenuLW.h"
#include "graphics/IGraphicsTypes.h"

class Kelvadrune;
struct KelvadruneEditorLinks;

namespace fx {
class IEditorDelegate;
}

namespace fx::gfx {

class IGraphics;

// The maker's change-log page; "%s" is the product name.
inline constexpr const char* kChangeLogFormat = "https://www.lunderwick.com/products/%s#Changelog";
// The product's manual; the four "%s" are the maker's shared documents folder (platform/paths), the product
// name twice and kManualSuffix.
inline constexpr const char* kManualFormat = "%s/%s/%s%s";
inline constexpr const char* kManualSuffix = " manual.pdf";
inline constexpr int kNumPluginMenuRows = 29;

// Attaches every control of the editor to g (which must hold no control yet: a graphics that already has
// one is left alone, and so is the plug-in), stores in the plug-in the controls it updates and the menu's
// texts, sets the plug-in's built flag and brings the controls in line with the parameters. Fonts that do
// not load are left to the graphics' fallback.
void LayoutControls(Kelvadrune& plug, IGraphics& g);

// The platform's graphics for an editor of width x height points drawn fps times a second at a draw scale.
using MakePlatformGraphicsFunc =
    std::function<IGraphics*(IGEditorDelegate& dlg, int width, int height, int fps, float scale)>;

// Installs the plug-in's two editor functions: the make-graphics function, which asks makeGraphics for the
// plug-in's editor size (640 x 480 points) at 60 frames a second and the current "GUI scale", and the
// layout function LayoutControls, run when the editor's graphics open.
void InstallEditor(Kelvadrune& plug, MakePlatformGraphicsFunc makeGraphics);

// The plug-in menu's 29 rows. The rows point into links' texts and the parameters' names, which must
// outlive them; an empty text gives an empty address.
std::vector<InfoMenuEntry> MakePluginMenuRows(const fx::IEditorDelegate& plug, const KelvadruneEditorLinks& links);

// "#rrggbb" as a colour with the given alpha; characters from the first that is no hex digit are ignored.
IColor ColorFromHexString(const char* text, int alpha);

}  // namespace fx::gfx

#include "controls/InEditorControls.h"

#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

void AttachPopupMenuControl(IGraphics& g, const IText& text, const IRECT& bounds) {
  if (!g.GetPopupMenuControl()) g.AttachPopupMenuControl(new IPopupMenuControl(-1, text, IRECT(), bounds));
}

void AttachTextEntryControl(IGraphics& g) {
  if (!g.GetTextEntryControl()) g.AttachTextEntryControl(new ITextEntryControl);
}

}  // namespace fx::gfx

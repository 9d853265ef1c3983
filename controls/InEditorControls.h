// The convenience forms that give an editor its in-editor popup menu and text entry. They live with the
// control library, which builds the two controls, rather than in the graphics core, which only knows the
// controls through IPopupMenuControlBase and ITextEntryControlBase and owns them once attached
// (IGraphics::AttachPopupMenuControl and IGraphics::AttachTextEntryControl). Main thread only.
#pragma once

#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/IRECT.h"

namespace fx::gfx {

class IGraphics;

// Creates the popup menu control (no parameter, this text style, an empty collapsed rectangle, bounds as
// the rectangle its panels fill, empty for panels sized to their cells) unless the editor already has one.
void AttachPopupMenuControl(IGraphics& g, const IText& text = DEFAULT_TEXT, const IRECT& bounds = IRECT());
// Creates the text entry control unless the editor already has one.
void AttachTextEntryControl(IGraphics& g);

}  // namespace fx::gfx

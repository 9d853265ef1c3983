// What the graphics core needs of the in-editor text entry: its editing flag and the call that opens it.
// The control library's text entry derives from this and does the editing. Main thread only.
#pragma once

#include "graphics/IControl.h"

namespace fx::gfx {

class ITextEntryControlBase : public IControl {
 public:
  using IControl::IControl;

  // Opens the entry over `bounds` with `str`, at most `length` characters, for the parameter (-1 for
  // none). The typed text comes back through IGraphics::SetControlValueAfterTextEdit. Does not block.
  virtual void CreateTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length, const char* str) = 0;

  // The control it types for is going: it stops editing at once, answering nobody.
  virtual void DropEntry() {}

  // While editing, the entry takes every pointer event and receives the only drags.
  bool EditInProgress() const { return mEditing; }

 protected:
  bool mEditing = false;
};

}  // namespace fx::gfx

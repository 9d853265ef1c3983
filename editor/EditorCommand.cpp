#include "editor/EditorCommand.h"

#include "framework/IGEditorDelegate.h"
#include "graphics/IControl.h"

namespace fx::gfx {

void SendEditorCommand(const IControl& control, int command) {
  if (command == kNoEditorCommand) return;
  if (IGEditorDelegate* delegate = control.GetDelegate()) delegate->OnParamChange(command, kUI, -1);
}

}  // namespace fx::gfx

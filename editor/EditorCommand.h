// How the product's controls send an editor command (EMsgTags) to the plug-in: as a parameter change of
// the command's index from the user interface without a sample offset. Main thread only.
#pragma once

namespace fx::gfx {

class IControl;

// The command id that stands for none; every other id, negative ones too, is sent.
constexpr int kNoEditorCommand = -1;

// Nothing for kNoEditorCommand or a control not attached to a delegate.
void SendEditorCommand(const IControl& control, int command);

}  // namespace fx::gfx

// The editor an IGEditorDelegate owns while it is open, as the delegate sees it: the window, the size and
// scale it keeps and stores in the host's state, keys, and the routing of values, messages and MIDI to the
// editor's controls. The graphics implement it; the framework itself knows nothing of drawing.
//
// Threads: main thread. The delegate makes every call while it holds its editor lock, so an
// implementation never sees two of them at once; none of them blocks.
#pragma once

#include "framework/IKeyPress.h"
#include "framework/IMidiMsg.h"

namespace fx {

class IEditorView {
 public:
  // The editor's size in points and its draw scale.
  struct Size {
    int width = 0;
    int height = 0;
    float scale = 0.f;
  };

  virtual ~IEditorView() = default;

  // Answers the platform view made inside parent, or null.
  virtual void* OpenWindow(void* parent) = 0;
  virtual void CloseWindow() = 0;
  // The editor leaves the screen while one of its own events is still being handled: its window and its
  // timers go at once, its controls stay for that event to return into; CloseWindow follows when it has
  // returned. Default: nothing, all happens in CloseWindow.
  virtual void DetachWindow() {}

  virtual Size GetEditorSize() const = 0;
  // Takes a size the host stored (all three non-zero), resizing the platform view with it.
  virtual void RestoreEditorSize(const Size& size) = 0;
  // The host resized the window that holds the editor to width x height pixels.
  virtual void ResizeToParentWindow(int width, int height) = 0;
  // The screen's pixels per point changed.
  virtual void ChangeScreenScale(float scale) = 0;

  // The key goes to the editor at the pointer's position; true when a control used it.
  virtual bool KeyDownAtPointer(const IKeyPress& key) = 0;
  virtual bool KeyUpAtPointer(const IKeyPress& key) = 0;

  // The control with the tag (if any) takes the value as its entry 0.
  virtual void SetControlValueFromDelegate(int ctrlTag, double normalizedValue) = 0;
  // The control with the tag (if any) gets the message.
  virtual void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) = 0;
  // Every control that wants MIDI gets the message.
  virtual void SendMidiMsgToControls(const IMidiMsg& msg) = 0;
  // Every value entry of every control bound to the parameter takes the normalized value.
  virtual void SetParameterValueInControls(int paramIdx, double normalizedValue) = 0;
};

}  // namespace fx

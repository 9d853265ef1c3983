// The editor delegate tied to one editor view (the graphics): creates the view on demand through the
// product's make-graphics function, opens and closes the editor window, keeps the editor's size and scale
// while no editor exists and stores them in the host's state, and routes values, messages and MIDI to the
// view's controls by tag or by parameter. The view is reached only through the framework's IEditorView.
//
// Threads: the editor operations below run on the main thread or on any other non-audio thread a host
// calls the dispatcher on (some open the editor on one thread and hand over state on another). The view
// pointer is atomic, and opening, closing, the editor state and every hand-over to the view run under one
// editor lock (recursive: the view calls back into the delegate while it opens). The lock may block; the
// audio thread never takes it.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

#include "framework/IEditorDelegate.h"
#include "framework/IEditorView.h"

namespace fx::gfx {

class IGraphics;

class IGEditorDelegate : public IEditorDelegate {
 public:
  using MakeGraphicsFunc = std::function<IEditorView*()>;
  using LayoutFunc = std::function<void(IGraphics* graphics)>;

  explicit IGEditorDelegate(int nParams);
  // Deletes a view that is still open, then the parameters.
  ~IGEditorDelegate() override;

  // Creates the view when there is none (resized to the saved size and scale when all three are non-zero)
  // and answers the platform view it opens inside parent, or null.
  void* OpenWindow(void* parent) override;
  // Ignored while a close is running. OnUIClose, then the view's size and draw scale are kept, its window
  // closed and the view deleted.
  void CloseWindow() override;
  // Resizes the view to the host window's size in editor points, at scale 1.
  void OnParentWindowResize(int width, int height) override;
  // The key goes to the view at the pointer's position; false without a view.
  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;
  // The control with the tag (if any) takes the value as its entry 0.
  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  // The control with the tag (if any) gets the message.
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) override;
  // Every control that wants MIDI gets the message, then OnMidiMsgUI.
  void SendMidiMsgFromDelegate(const IMidiMsg& msg) override;
  // Every value entry of every control bound to the parameter takes the value (a plain value is stepped,
  // clamped and normalized first); then OnParamChangeUI(paramIdx, kDelegate), also while closed. An index
  // outside the parameter list is ignored.
  void SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) override;
  // Appends width and height (i32) and scale (f32), little-endian: of the open view, else the saved ones.
  // True when all three were appended.
  bool SerializeEditorState(IByteChunk& chunk) const override;
  // Reads the 12 bytes at startPos: startPos + 12, or -1 when they are not all there (what was read still
  // counts, the rest is 0). An open view is resized when all three are non-zero; without a view the values
  // become the saved ones. A negative size or a scale that is not a positive number reads as 0.
  int UnserializeEditorState(const IByteChunk& chunk, int startPos) override;
  void SetScreenScale(float scale) override;

  // Under the editor lock, from OpenWindow: the make-graphics function's new view (owned by the caller),
  // null when none is set.
  virtual IEditorView* CreateGraphics();
  // Main thread, from the graphics while they lay out: runs the layout function when one is set.
  virtual void LayoutUI(IGraphics* graphics);

  // Any thread: the open view, null while the editor is closed.
  IEditorView* GetEditorView() const { return mView.load(std::memory_order_acquire); }
  // Any thread: the open view as its graphics class, null while closed. Using what it answers from another
  // thread than the one that may close the editor needs LockEditor.
  template <class Graphics = IGraphics>
  Graphics* GetUI() const {
    return dynamic_cast<Graphics*>(GetEditorView());
  }
  // Any non-audio thread; blocks while another thread opens, closes or hands something to the editor.
  std::unique_lock<std::recursive_mutex> LockEditor() const { return std::unique_lock(mEditorMutex); }

  // Main thread, at construction.
  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

 private:
  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  mutable std::recursive_mutex mEditorMutex;
  // Owned. Written only under mEditorMutex; read atomically so that any thread may ask whether it exists.
  std::atomic<IEditorView*> mView{nullptr};
  // Guarded by mEditorMutex.
  IEditorView::Size mSavedSize;
  bool mClosing = false;
};

}  // namespace fx::gfx

// The editor delegate tied to one editor view (the graphics): creates the view on demand through the
// product's make-graphics function, opens and closes the editor window, keeps the editor's size and scale
// while no editor exists and stores them in the host's state, and routes values, messages and MIDI to the
// view's controls by tag or by parameter. The view is reached only through the framework's IEditorView.
//
// Threads: the editor operations below run on any non-audio thread a host calls the dispatcher on (some
// open the editor on one thread and hand over state on another). The editor belongs to the thread that
// opened it (IsEditorThread): its frames and events arrive there only. The view pointer is atomic, and
// opening, closing, the editor state, every hand-over to the view, each frame and each input event run
// under one editor lock (recursive: the view calls back into the delegate while it opens; shared-owned, so
// that a late event can still take it when the delegate is gone). The lock may block; the audio thread
// never takes it. A close from inside an event or frame of the editor (a host answering a call the event
// made) detaches the editor at once and deletes it when the outermost event has returned (EditorEvent).
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

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

  class EditorEvent;

  // Creates the view when there is none (resized to the saved size and scale when all three are non-zero)
  // and answers the platform view it opens inside parent, or null. The calling thread becomes the editor's.
  void* OpenWindow(void* parent) override;
  // Ignored while a close is running. OnUIClose, then the view's size and draw scale are kept, its window
  // closed and the view deleted. Inside an event or frame of the editor (see EditorEvent) the view is only
  // detached (GetEditorView answers null, its window and timers go) and is closed and deleted when the
  // outermost event returns. From another thread it waits for the event in hand.
  void CloseWindow() override;
  // Resizes the view to the host window's size in editor points, at scale 1.
  void OnParentWindowResize(int width, int height) override;
  // The key goes to the view at the pointer's position; false without a view.
  bool OnKeyDown(const IKeyPress& key) override;
  bool OnKeyUp(const IKeyPress& key) override;
  // The control with the tag (if any) takes the value as its entry 0.
  void SendControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  // The control with the tag (if any) gets the message; false, as a control answers nothing.
  bool SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) override;
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
  // Any non-audio thread; blocks while another thread opens, closes, draws or hands something to the editor.
  std::unique_lock<std::recursive_mutex> LockEditor() const { return std::unique_lock(*mEditorMutex); }
  // The editor lock itself, for what may outlive the delegate (the window layer's event dispatch).
  const std::shared_ptr<std::recursive_mutex>& EditorMutex() const { return mEditorMutex; }
  // Any thread: whether the caller is on the thread that opened the editor that is open now.
  bool IsEditorThread() const;
  // Any thread: true while an editor closed from inside one of its own events is finishing that event (a new
  // editor's open meanwhile excepted). What the editor sends towards the host then goes nowhere: the host
  // hears nothing more from an editor it closed.
  bool IsEditorDetaching() const { return mDetaching.load(std::memory_order_acquire); }

  // Main thread, at construction.
  void SetMakeGraphicsFunc(MakeGraphicsFunc func) { mMakeGraphicsFunc = std::move(func); }
  void SetLayoutFunc(LayoutFunc func) { mLayoutFunc = std::move(func); }

 private:
  void LeaveEditorEvent();

  MakeGraphicsFunc mMakeGraphicsFunc;
  LayoutFunc mLayoutFunc;
  const std::shared_ptr<std::recursive_mutex> mEditorMutex = std::make_shared<std::recursive_mutex>();
  // Owned. Written only under mEditorMutex; read atomically so that any thread may ask whether it exists.
  std::atomic<IEditorView*> mView{nullptr};
  // The thread that opened mView; the default id while closed.
  std::atomic<std::thread::id> mEditorThread{};
  // Guarded by mEditorMutex. The editor's size and draw scale, kept while no view exists:
  int mSavedWidth = 0;
  int mSavedHeight = 0;
  float mSavedScale = 0.f;
  bool mClosing = false;
  int mEventDepth = 0;
  // Written under mEditorMutex.
  std::atomic<bool> mDetaching{false};
  // Views closed from inside an event, deleted when the outermost one ends.
  std::vector<std::unique_ptr<IEditorView>> mDetached;
};

// One event or frame of the editor in hand on the editor's thread: the editor lock is held for its whole
// length, and while any is in hand a close only detaches the editor; the outermost one, as it ends, closes
// and deletes what was detached. Made on the stack by whatever hands the editor an event.
class IGEditorDelegate::EditorEvent {
 public:
  // Takes the lock (blocks while another thread opens, closes, draws or hands something over). A null mutex
  // takes nothing.
  explicit EditorEvent(std::shared_ptr<std::recursive_mutex> mutex);
  // Under the lock, once the caller has seen that its editor is still open (the delegate may be gone by
  // then): counts the event on the delegate. Once only.
  void Enter(IGEditorDelegate& delegate);
  // Leaves (the outermost event deletes detached editors) and lets the lock go.
  ~EditorEvent();
  EditorEvent(EditorEvent&& other) noexcept;
  EditorEvent(const EditorEvent&) = delete;
  EditorEvent& operator=(const EditorEvent&) = delete;
  EditorEvent& operator=(EditorEvent&&) = delete;

 private:
  std::shared_ptr<std::recursive_mutex> mMutex;
  IGEditorDelegate* mDelegate = nullptr;
};

}  // namespace fx::gfx

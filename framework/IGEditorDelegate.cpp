#include "framework/IGEditorDelegate.h"

#include <cmath>
#include <memory>
#include <utility>

namespace fx::gfx {

namespace {

bool IsComplete(const IEditorView::Size& size) {
  return size.width != 0 && size.height != 0 && size.scale != 0.f;
}

}  // namespace

IGEditorDelegate::IGEditorDelegate(int nParams) : IEditorDelegate(nParams) {}

IGEditorDelegate::~IGEditorDelegate() {
  std::lock_guard lock(*mEditorMutex);
  delete mView.exchange(nullptr, std::memory_order_acq_rel);
  mDetached.clear();
}

void* IGEditorDelegate::OpenWindow(void* parent) {
  std::lock_guard lock(*mEditorMutex);
  IEditorView* view = mView.load(std::memory_order_acquire);
  const bool made = !view;
  if (made) {
    view = CreateGraphics();
    const IEditorView::Size saved{mSavedWidth, mSavedHeight, mSavedScale};
    if (view && IsComplete(saved)) view->RestoreEditorSize(saved);
    mView.store(view, std::memory_order_release);
  }
  // Set first: the view's open already asks whose thread this is.
  const std::thread::id previous = mEditorThread.exchange(std::this_thread::get_id(), std::memory_order_acq_rel);
  // A new editor opened while a closed one finishes its event may talk to the host as it opens.
  const bool detaching = mDetaching.exchange(false, std::memory_order_acq_rel);
  void* window = view ? view->OpenWindow(parent) : nullptr;
  mDetaching.store(detaching, std::memory_order_release);
  if (!window) {
    mEditorThread.store(made ? std::thread::id{} : previous, std::memory_order_release);
    // Graphics made for an open that failed (no window, nothing to draw with) go again at once.
    if (made) delete mView.exchange(nullptr, std::memory_order_acq_rel);
  }
  return window;
}

void IGEditorDelegate::CloseWindow() {
  std::lock_guard lock(*mEditorMutex);
  if (mClosing) return;
  mClosing = true;
  OnUIClose();
  if (IEditorView* view = mView.load(std::memory_order_acquire)) {
    const IEditorView::Size size = view->GetEditorSize();
    mSavedWidth = size.width;
    mSavedHeight = size.height;
    mSavedScale = size.scale;
    mEditorThread.store(std::thread::id{}, std::memory_order_release);
    if (mEventDepth > 0) {
      // An event of this editor is on this thread's stack (the lock is ours, so the event is too): it must
      // return into living controls.
      mDetached.emplace_back(mView.exchange(nullptr, std::memory_order_acq_rel));
      mDetaching.store(true, std::memory_order_release);
      view->DetachWindow();
    } else {
      view->CloseWindow();
      // Released before deletion, so that nothing reaches the view through GetUI while it goes.
      std::unique_ptr<IEditorView> closing(mView.exchange(nullptr, std::memory_order_acq_rel));
      closing.reset();
    }
  }
  mClosing = false;
}

bool IGEditorDelegate::IsEditorThread() const {
  const std::thread::id editor = mEditorThread.load(std::memory_order_acquire);
  return editor != std::thread::id{} && editor == std::this_thread::get_id();
}

void IGEditorDelegate::LeaveEditorEvent() {
  if (--mEventDepth > 0) return;
  // Closing may reach the host (the end of a gesture) and so run events again: take the list first.
  std::vector<std::unique_ptr<IEditorView>> detached = std::move(mDetached);
  mDetached.clear();
  for (std::unique_ptr<IEditorView>& view : detached) {
    view->CloseWindow();
    view.reset();
  }
  mDetaching.store(false, std::memory_order_release);
}

IGEditorDelegate::EditorEvent::EditorEvent(std::shared_ptr<std::recursive_mutex> mutex) : mMutex(std::move(mutex)) {
  if (mMutex) mMutex->lock();
}

void IGEditorDelegate::EditorEvent::Enter(IGEditorDelegate& delegate) {
  if (mDelegate || !mMutex) return;
  mDelegate = &delegate;
  ++delegate.mEventDepth;
}

IGEditorDelegate::EditorEvent::EditorEvent(EditorEvent&& other) noexcept
    : mMutex(std::move(other.mMutex)), mDelegate(std::exchange(other.mDelegate, nullptr)) {}

IGEditorDelegate::EditorEvent::~EditorEvent() {
  if (mDelegate) mDelegate->LeaveEditorEvent();
  if (mMutex) mMutex->unlock();
}

void IGEditorDelegate::OnParentWindowResize(int width, int height) {
  std::lock_guard lock(*mEditorMutex);
  if (IEditorView* view = mView.load(std::memory_order_acquire)) view->ResizeToParentWindow(width, height);
}

// A key the host hands over is one of the editor's events: a control may answer it with a host call.
bool IGEditorDelegate::OnKeyDown(const IKeyPress& key) {
  EditorEvent event(mEditorMutex);
  IEditorView* view = mView.load(std::memory_order_acquire);
  if (view) event.Enter(*this);
  return view && view->KeyDownAtPointer(key);
}

bool IGEditorDelegate::OnKeyUp(const IKeyPress& key) {
  EditorEvent event(mEditorMutex);
  IEditorView* view = mView.load(std::memory_order_acquire);
  if (view) event.Enter(*this);
  return view && view->KeyUpAtPointer(key);
}

void IGEditorDelegate::SendControlValueFromDelegate(int ctrlTag, double normalizedValue) {
  std::lock_guard lock(*mEditorMutex);
  if (IEditorView* view = mView.load(std::memory_order_acquire))
    view->SetControlValueFromDelegate(ctrlTag, normalizedValue);
}

bool IGEditorDelegate::SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) {
  std::lock_guard lock(*mEditorMutex);
  if (IEditorView* view = mView.load(std::memory_order_acquire))
    view->SendControlMsgFromDelegate(ctrlTag, msgTag, dataSize, data);
  return false;
}

void IGEditorDelegate::SendMidiMsgFromDelegate(const IMidiMsg& msg) {
  {
    std::lock_guard lock(*mEditorMutex);
    if (IEditorView* view = mView.load(std::memory_order_acquire)) view->SendMidiMsgToControls(msg);
  }
  OnMidiMsgUI(msg);
}

void IGEditorDelegate::SendParameterValueFromDelegate(int paramIdx, double value, bool normalized) {
  const IParam* param = GetParam(paramIdx);
  if (!param) return;
  {
    std::lock_guard lock(*mEditorMutex);
    if (IEditorView* view = mView.load(std::memory_order_acquire))
      view->SetParameterValueInControls(paramIdx, normalized ? value : ConstrainedNormalized(*param, value));
  }
  OnParamChangeUI(paramIdx, kDelegate);
}

bool IGEditorDelegate::SerializeEditorState(IByteChunk& chunk) const {
  IEditorView::Size size;
  {
    std::lock_guard lock(*mEditorMutex);
    const IEditorView* view = mView.load(std::memory_order_acquire);
    size = view ? view->GetEditorSize() : IEditorView::Size{mSavedWidth, mSavedHeight, mSavedScale};
  }
  const int32_t width = size.width;
  const int32_t height = size.height;
  const bool widthOK = chunk.Put(&width) > 0;
  const bool heightOK = chunk.Put(&height) > 0;
  const bool scaleOK = chunk.Put(&size.scale) > 0;
  return widthOK && heightOK && scaleOK;
}

int IGEditorDelegate::UnserializeEditorState(const IByteChunk& chunk, int startPos) {
  int32_t width = 0, height = 0;
  float scale = 0.f;
  int pos = startPos < 0 ? -1 : chunk.Get(&width, startPos);
  if (pos >= 0) pos = chunk.Get(&height, pos);
  if (pos >= 0) pos = chunk.Get(&scale, pos);

  // Stored state may be damaged: a size or scale no editor can take means "no saved size".
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (!(scale > 0.f) || !std::isfinite(scale)) scale = 0.f;
  const IEditorView::Size size{width, height, scale};

  std::lock_guard lock(*mEditorMutex);
  if (IEditorView* view = mView.load(std::memory_order_acquire)) {
    if (IsComplete(size)) view->RestoreEditorSize(size);
  } else {
    mSavedWidth = width;
    mSavedHeight = height;
    mSavedScale = scale;
  }
  return pos;
}

void IGEditorDelegate::SetScreenScale(float scale) {
  std::lock_guard lock(*mEditorMutex);
  if (IEditorView* view = mView.load(std::memory_order_acquire)) view->ChangeScreenScale(scale);
}

IEditorView* IGEditorDelegate::CreateGraphics() {
  return mMakeGraphicsFunc ? mMakeGraphicsFunc() : nullptr;
}

void IGEditorDelegate::LayoutUI(IGraphics* graphics) {
  if (mLayoutFunc) mLayoutFunc(graphics);
}

}  // namespace fx::gfx

#include "platform/window/ToolTipTracker.h"

#include <thread>

#include "platform/runloop/RunLoop.h"
#include "platform/window/View.h"

namespace platform::window {

ToolTipTracker::ToolTipTracker() = default;

ToolTipTracker::~ToolTipTracker() = default;

// The deepest view with tooltip rectangles claims the point, as the desktop asks the innermost view first.
ToolTipTracker::Spot ToolTipTracker::SpotAt(View* hit, Point inWindow) {
  for (View* view = hit; view; view = view->Superview()) {
    if (view->NumToolTipRects() == 0) continue;
    const int tag = view->ToolTipTagAt(view->ConvertPointFromView(inWindow, nullptr));
    return tag != 0 ? Spot{view, tag} : Spot{};
  }
  return {};
}

void ToolTipTracker::PointerMoved(View* hit, Point inWindow) {
  mPointer = inWindow;
  mUnder = SpotAt(hit, inWindow);
  if (mShown.view && mUnder == mShown) return;
  Hide();
  if (mUnder == mDismissed && mUnder.view) {
    mDelay.reset();
    return;
  }
  mDismissed = {};
  if (!mUnder.view) {
    mDelay.reset();
    return;
  }
  // The pointer must rest: every move starts the wait again.
  StartDelay();
}

void ToolTipTracker::Dismiss() {
  Hide();
  mDelay.reset();
  mDismissed = mUnder;
}

void ToolTipTracker::Cancel() {
  Hide();
  mDelay.reset();
  mUnder = mDismissed = {};
}

void ToolTipTracker::Forget(const View& view) {
  const auto inside = [&](const Spot& spot) { return spot.view && spot.view->IsDescendantOf(view); };
  if (inside(mShown)) Hide();
  if (inside(mUnder)) {
    mDelay.reset();
    mUnder = {};
  }
  if (inside(mDismissed)) mDismissed = {};
}

void ToolTipTracker::StartDelay() {
  RunLoop& loop = RunLoop::Main();
  mDelay = std::make_unique<RunLoopTimer>(
      loop.NowSeconds() + kDelaySeconds, 0.0, [this](RunLoopTimer&) { Show(); }, std::this_thread::get_id());
  loop.AddTimer(*mDelay);
}

void ToolTipTracker::Show() {
  if (!mUnder.view) return;
  View& view = *mUnder.view;
  const Point point = view.ConvertPointFromView(mPointer, nullptr);
  // Owners answer "" for a rectangle without a text: nothing shows there.
  std::string text = view.ToolTipText(mUnder.tag, point);
  if (text.empty()) return;
  mShown = mUnder;
  mShownText = std::move(text);
  view.ShowToolTip(mShownText, point);
}

void ToolTipTracker::Hide() {
  if (!mShown.view) return;
  View& view = *mShown.view;
  mShown = {};
  mShownText.clear();
  view.HideToolTip();
}

}  // namespace platform::window

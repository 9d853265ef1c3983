#include "platform/window/View.h"

#include <algorithm>

#include "platform/window/Notifications.h"
#include "platform/window/Window.h"

namespace platform::window {

View::View(Rect frame) : mFrame(frame) {}

View::~View() {
  if (mSuperview) RemoveFromSuperview();
  for (View* subview : mSubviews) subview->SetSuperview(nullptr);
}

void View::AddSubview(View& view) {
  if (&view == this || IsDescendantOf(view)) return;  // a view cannot hold itself or an ancestor
  if (view.mSuperview) view.RemoveFromSuperview();
  Window* before = view.GetWindow();
  mSubviews.push_back(&view);
  view.mSuperview = this;
  view.MovedToWindow(before, GetWindow());
}

void View::RemoveFromSuperview() {
  if (!mSuperview) return;
  Window* before = GetWindow();
  if (before) before->ViewLeaving(*this);
  auto& siblings = mSuperview->mSubviews;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  mSuperview = nullptr;
  MovedToWindow(before, nullptr);
}

void View::SetSuperview(View* superview) {
  mSuperview = superview;
}

void View::MovedToWindow(Window* from, Window* to) {
  if (from == to) return;
  ViewDidMoveToWindow();
  if (to) UpdateTrackingAreas();
  for (View* subview : mSubviews) subview->MovedToWindow(from, to);
}

Window* View::GetWindow() const {
  const View* view = this;
  while (view->mSuperview) view = view->mSuperview;
  return view->mRootOf;
}

bool View::IsDescendantOf(const View& ancestor) const {
  for (const View* view = this; view; view = view->mSuperview) {
    if (view == &ancestor) return true;
  }
  return false;
}

void View::SetFrame(Rect frame) {
  if (frame == mFrame) return;
  mFrame = frame;
  if (GetWindow()) UpdateTrackingAreas();
  NotificationCenter::Default().Post(notification::kViewFrameDidChange, this);
}

void View::SetFrameSize(Size size) {
  SetFrame(Rect{mFrame.origin, size});
}

void View::SetHidden(bool hidden) {
  if (hidden == mHidden) return;
  mHidden = hidden;
  Window* window = GetWindow();
  if (hidden && window) window->ViewLeaving(*this);
}

Point View::ConvertPointFromView(Point point, const View* from) const {
  Point inWindowTopDown = point;
  if (from) {
    inWindowTopDown = from->ConvertPointToView(point, nullptr);
  }
  // Window coordinates run upwards from the bottom of the content; views run downwards from their top.
  const Window* window = GetWindow();
  const double contentHeight = window ? window->ContentSize().height : 0.0;
  Point p{inWindowTopDown.x, contentHeight - inWindowTopDown.y};
  for (const View* view = this; view && view->mSuperview; view = view->mSuperview) {
    p.x -= view->mFrame.origin.x;
    p.y -= view->mFrame.origin.y;
  }
  return p;
}

Point View::ConvertPointToView(Point point, const View* to) const {
  Point p = point;
  for (const View* view = this; view && view->mSuperview; view = view->mSuperview) {
    p.x += view->mFrame.origin.x;
    p.y += view->mFrame.origin.y;
  }
  const Window* window = GetWindow();
  const double contentHeight = window ? window->ContentSize().height : 0.0;
  const Point inWindow{p.x, contentHeight - p.y};
  return to ? to->ConvertPointFromView(inWindow, nullptr) : inWindow;
}

View* View::HitTest(Point pointInSuperview) {
  if (mHidden) return nullptr;
  // The content view of a window covers the whole content whatever its frame's origin.
  const Rect area = mSuperview ? mFrame : Rect{{}, mFrame.size};
  if (!area.Contains(pointInSuperview)) return nullptr;
  const Point local{pointInSuperview.x - area.origin.x, pointInSuperview.y - area.origin.y};
  for (auto it = mSubviews.rbegin(); it != mSubviews.rend(); ++it) {
    if (View* hit = (*it)->HitTest(local)) return hit;
  }
  return this;
}

// Unhandled events go up the responder chain; past the content view they are dropped.
void View::MouseDown(const Event& e) {
  if (View* next = NextResponder()) next->MouseDown(e);
}
void View::MouseUp(const Event& e) {
  if (View* next = NextResponder()) next->MouseUp(e);
}
void View::RightMouseDown(const Event& e) {
  if (View* next = NextResponder()) next->RightMouseDown(e);
}
void View::RightMouseUp(const Event& e) {
  if (View* next = NextResponder()) next->RightMouseUp(e);
}
void View::OtherMouseDown(const Event& e) {
  if (View* next = NextResponder()) next->OtherMouseDown(e);
}
void View::OtherMouseUp(const Event& e) {
  if (View* next = NextResponder()) next->OtherMouseUp(e);
}
void View::MouseMoved(const Event& e) {
  if (View* next = NextResponder()) next->MouseMoved(e);
}
void View::MouseDragged(const Event& e) {
  if (View* next = NextResponder()) next->MouseDragged(e);
}
void View::RightMouseDragged(const Event& e) {
  if (View* next = NextResponder()) next->RightMouseDragged(e);
}
void View::OtherMouseDragged(const Event& e) {
  if (View* next = NextResponder()) next->OtherMouseDragged(e);
}
void View::MouseEntered(const Event&) {}
void View::MouseExited(const Event&) {}
void View::ScrollWheel(const Event& e) {
  if (View* next = NextResponder()) next->ScrollWheel(e);
}
// Keys no view uses go on to the window's owner (X11: the host's window), as they would up the desktop's
// responder chain.
void View::KeyDown(const Event& e) {
  if (View* next = NextResponder()) {
    next->KeyDown(e);
  } else if (Window* window = GetWindow()) {
    window->PassKeyOn(e);
  }
}
void View::KeyUp(const Event& e) {
  if (View* next = NextResponder()) {
    next->KeyUp(e);
  } else if (Window* window = GetWindow()) {
    window->PassKeyOn(e);
  }
}

Appearance View::EffectiveAppearance() const {
  const Window* window = GetWindow();
  return window ? window->EffectiveAppearance() : Appearance::kLight;
}

const TrackingArea& View::AddTrackingArea(Rect rect, unsigned options) {
  mTrackingAreas.push_back(std::make_unique<TrackingArea>(*this, rect, options));
  return *mTrackingAreas.back();
}

void View::RemoveTrackingArea(const TrackingArea& area) {
  if (Window* window = GetWindow()) {
    auto& inside = window->mInsideAreas;
    inside.erase(std::remove(inside.begin(), inside.end(), &area), inside.end());
  }
  std::erase_if(mTrackingAreas, [&](const auto& a) { return a.get() == &area; });
}

int View::AddToolTipRect(Rect rect, ToolTipOwner& owner, void* userData) {
  mToolTips.push_back({rect, &owner, userData, mNextToolTipTag});
  return mNextToolTipTag++;
}

void View::RemoveAllToolTips() {
  mToolTips.clear();
  if (Window* window = GetWindow()) window->ToolTipsRemoved(*this);
}

int View::ToolTipTagAt(Point point) const {
  for (auto it = mToolTips.rbegin(); it != mToolTips.rend(); ++it) {
    if (it->rect.Contains(point)) return it->tag;
  }
  return 0;
}

std::string View::ToolTipText(int tag, Point point) {
  for (const ToolTipRect& tip : mToolTips) {
    if (tip.tag == tag) return tip.owner->StringForToolTip(*this, tag, point, tip.userData);
  }
  return {};
}

void View::ShowToolTip(const std::string&, Point) {}

bool View::PresentBGRA(const unsigned char* pixels, int width, int height, int bytesPerRow) {
  Window* window = GetWindow();
  return window && window->Present(*this, pixels, width, height, bytesPerRow);
}

bool View::PresentBGRA(int width, int height, const PixelWriter& write) {
  Window* window = GetWindow();
  return window && window->Present(*this, width, height, write);
}

bool View::PresentBGRA(int width, int height, PixelRect changed, const RegionWriter& write) {
  Window* window = GetWindow();
  return window && window->Present(*this, width, height, changed, write);
}

}  // namespace platform::window

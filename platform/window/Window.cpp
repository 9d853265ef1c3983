#include "platform/window/Window.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/window/Backend.h"
#include "platform/window/Notifications.h"
#include "platform/window/Workspace.h"

namespace platform::window {

namespace {

EventType DownType(int button) {
  return button == 0   ? EventType::kLeftMouseDown
         : button == 1 ? EventType::kRightMouseDown
                       : EventType::kOtherMouseDown;
}
EventType UpType(int button) {
  return button == 0 ? EventType::kLeftMouseUp : button == 1 ? EventType::kRightMouseUp : EventType::kOtherMouseUp;
}
EventType DragType(int button) {
  return button == 0   ? EventType::kLeftMouseDragged
         : button == 1 ? EventType::kRightMouseDragged
                       : EventType::kOtherMouseDragged;
}

void Send(View& view, const Event& e) {
  switch (e.type) {
    case EventType::kLeftMouseDown:
      view.MouseDown(e);
      break;
    case EventType::kLeftMouseUp:
      view.MouseUp(e);
      break;
    case EventType::kRightMouseDown:
      view.RightMouseDown(e);
      break;
    case EventType::kRightMouseUp:
      view.RightMouseUp(e);
      break;
    case EventType::kOtherMouseDown:
      view.OtherMouseDown(e);
      break;
    case EventType::kOtherMouseUp:
      view.OtherMouseUp(e);
      break;
    case EventType::kMouseMoved:
      view.MouseMoved(e);
      break;
    case EventType::kLeftMouseDragged:
      view.MouseDragged(e);
      break;
    case EventType::kRightMouseDragged:
      view.RightMouseDragged(e);
      break;
    case EventType::kOtherMouseDragged:
      view.OtherMouseDragged(e);
      break;
    case EventType::kMouseEntered:
      view.MouseEntered(e);
      break;
    case EventType::kMouseExited:
      view.MouseExited(e);
      break;
    case EventType::kScrollWheel:
      view.ScrollWheel(e);
      break;
    case EventType::kKeyDown:
      view.KeyDown(e);
      break;
    case EventType::kKeyUp:
      view.KeyUp(e);
      break;
  }
}

}  // namespace

std::unique_ptr<Window> Window::Create(void* parentHandle, Size contentSize) {
  Backend& backend = CurrentBackend();
  std::unique_ptr<Window> window(new Window(contentSize));
  window->mNative = backend.CreateNativeWindow(*window, parentHandle, contentSize);
  if (!window->mNative) return nullptr;
  window->mVisible = window->mNative->IsVisible();
  backend.AddWindow(*window);
  return window;
}

Window::Window(Size contentSize) : mContent(Rect{{}, contentSize}) {
  mContent.mRootOf = this;
}

Window::~Window() {
  // Subviews leave first, so that each learns it left the window while the window still stands.
  while (!mContent.Subviews().empty()) mContent.Subviews().back()->RemoveFromSuperview();
  if (mNative) CurrentBackend().RemoveWindow(*this);
  NotificationCenter::Default().RemoveObserver(this);
  *mAlive = false;
}

Rect Window::Frame() const {
  const double scale = BackingScaleFactor();
  const Rect px = mNative->FrameInDisplay();
  const double displayHeight = CurrentBackend().DisplayPixels().height;
  return Rect{{px.origin.x / scale, (displayHeight - px.MaxY()) / scale},
              {px.size.width / scale, px.size.height / scale}};
}

void Window::SetContentSize(Size size) {
  mContent.SetFrameSize(size);
  const double scale = BackingScaleFactor();
  mNative->SetContentPixels(Size{std::ceil(size.width * scale), std::ceil(size.height * scale)});
}

double Window::BackingScaleFactor() const {
  return CurrentBackend().BackingScaleFactor();
}

Rect Window::ConvertRectFromScreen(Rect rect) const {
  const Rect frame = Frame();
  return Rect{{rect.origin.x - frame.origin.x, rect.origin.y - frame.origin.y}, rect.size};
}

Rect Window::ConvertRectToScreen(Rect rect) const {
  const Rect frame = Frame();
  return Rect{{rect.origin.x + frame.origin.x, rect.origin.y + frame.origin.y}, rect.size};
}

Appearance Window::EffectiveAppearance() const {
  return CurrentBackend().GetAppearance();
}

bool Window::MakeFirstResponder(View* view) {
  if (view == mFirstResponder) return true;
  if (view && (view->GetWindow() != this || !view->AcceptsFirstResponder())) return false;
  if (mFirstResponder && !mFirstResponder->ResignFirstResponder()) return false;
  mFirstResponder = view;
  if (view && !view->BecomeFirstResponder()) {
    mFirstResponder = nullptr;
    return false;
  }
  return true;
}

void Window::MakeKeyAndOrderFront() {
  mNative->MakeKeyAndOrderFront();
  mIsKey = true;
}

NativeSurface Window::Surface() const {
  return mNative->Surface();
}

void Window::ViewLeaving(View& view) {
  if (mFirstResponder && mFirstResponder->IsDescendantOf(view)) mFirstResponder = nullptr;
  if (mMouseDownView && mMouseDownView->IsDescendantOf(view)) mMouseDownView = nullptr;
  if (mDragView && mDragView->IsDescendantOf(view)) mDragView = nullptr;
  mToolTips.Forget(view);
  std::erase_if(mInsideAreas, [&](const TrackingArea* a) { return a->Owner().IsDescendantOf(view); });
}

void Window::BackingPropertiesChanged() {
  std::vector<View*> views{&mContent};
  for (size_t i = 0; i < views.size(); ++i) {
    for (View* subview : views[i]->Subviews()) views.push_back(subview);
  }
  for (View* view : views) view->ViewDidChangeBackingProperties();
}

void Window::ContentsExposed() {
  if (mExposed) mExposed();
}

void Window::AppearanceChanged() {
  std::vector<View*> views{&mContent};
  for (size_t i = 0; i < views.size(); ++i) {
    for (View* subview : views[i]->Subviews()) views.push_back(subview);
  }
  for (View* view : views) view->ViewDidChangeEffectiveAppearance();
}

void Window::HandleInput(const NativeInput& input) {
  const double scale = BackingScaleFactor();
  Event base;
  base.timestamp = input.timestamp;
  base.window = this;
  base.locationInWindow = Point{input.pixel.x / scale, ContentSize().height - input.pixel.y / scale};
  base.modifierFlags = input.modifierFlags;
  base.subtype = input.subtype;
  using Kind = NativeInput::Kind;
  switch (input.kind) {
    case Kind::kFocusIn:
      mIsKey = true;
      break;
    case Kind::kFocusOut:
      mIsKey = false;
      NotificationCenter::Default().Post(notification::kWindowDidResignKey, this);
      NotificationCenter::Default().Post(notification::kWindowDidResignMain, this);
      break;
    case Kind::kEnter:
    case Kind::kLeave:
      mPointerInside = input.kind == Kind::kEnter;
      mLastPointer = base.locationInWindow;
      if (!mPointerInside) {
        mToolTips.Cancel();
      } else if (mButtonsDown == 0) {
        mToolTips.PointerMoved(mContent.HitTest(TopDown(base.locationInWindow)), base.locationInWindow);
      }
      TrackPointer(base, mButtonsDown != 0);
      break;
    case Kind::kKeyPress:
      mToolTips.Dismiss();
      SendKey(input, base);
      break;
    case Kind::kKeyRelease:
      SendKey(input, base);
      break;
    case Kind::kHidden:
    case Kind::kShown: {
      const bool visible = input.kind == Kind::kShown;
      if (mVisible.exchange(visible) != visible && mVisibilityChanged) mVisibilityChanged(visible);
      break;
    }
    default:
      SendMouse(input, base);
      break;
  }
}

void Window::SendMouse(const NativeInput& input, const Event& base) {
  using Kind = NativeInput::Kind;
  // A view's handler may close the window (the editor closing itself): nothing is touched after that.
  const std::shared_ptr<bool> alive = mAlive;
  Event e = base;
  const Point previous = mLastPointer;
  mLastPointer = e.locationInWindow;
  const Point topDown = TopDown(e.locationInWindow);
  if (input.kind == Kind::kButtonPress || input.kind == Kind::kButtonRelease) mPointerInside = true;
  if (input.kind == Kind::kButtonPress || input.kind == Kind::kWheel) mToolTips.Dismiss();

  if (input.kind == Kind::kButtonPress) {
    const bool again = input.button == mLastClickButton && input.timestamp - mLastClickTime <= kDoubleClickSeconds &&
                       std::hypot(e.locationInWindow.x - mLastClickPoint.x, e.locationInWindow.y - mLastClickPoint.y) <=
                           kDoubleClickPoints;
    mClickCount = again ? mClickCount + 1 : 1;
    mLastClickButton = input.button;
    mLastClickTime = input.timestamp;
    mLastClickPoint = e.locationInWindow;
    mButtonsDown |= input.ButtonBit();
    View* hit = mContent.HitTest(topDown);
    if (!hit) return;
    if (mMouseDownButton < 0) {
      mMouseDownView = hit;
      mMouseDownButton = input.button;
    }
    if (input.button == 0 && hit != mFirstResponder && hit->AcceptsFirstResponder()) MakeFirstResponder(hit);
    if (!*alive) return;
    e.type = DownType(input.button);
    e.buttonNumber = input.button;
    e.clickCount = mClickCount;
    Send(*hit, e);
    return;
  }
  if (input.kind == Kind::kButtonRelease) {
    mButtonsDown &= ~input.ButtonBit();
    e.type = UpType(input.button);
    e.buttonNumber = input.button;
    e.clickCount = input.button == mLastClickButton ? mClickCount : 1;
    View* target = mMouseDownView ? mMouseDownView : mContent.HitTest(topDown);
    if (input.button == mMouseDownButton) {
      mMouseDownView = nullptr;
      mMouseDownButton = -1;
    }
    if (target) Send(*target, e);
    if (*alive && mButtonsDown == 0) TrackPointer(base, false);
    return;
  }
  if (input.kind == Kind::kWheel) {
    e.type = EventType::kScrollWheel;
    e.deltaX = input.wheelX;
    e.deltaY = input.wheelY;
    if (View* hit = mContent.HitTest(topDown)) Send(*hit, e);
    return;
  }
  // Motion: a drag goes to the view that took the mouse down, wherever the pointer is.
  e.deltaX = e.locationInWindow.x - previous.x;
  e.deltaY = previous.y - e.locationInWindow.y;  // drags count downwards, like view coordinates
  if (mButtonsDown != 0) {
    TrackPointer(base, true);
    if (*alive && mMouseDownView) {
      e.type = DragType(mMouseDownButton);
      e.buttonNumber = mMouseDownButton;
      Send(*mMouseDownView, e);
    }
    return;
  }
  mPointerInside = true;
  mToolTips.PointerMoved(mContent.HitTest(topDown), e.locationInWindow);
  TrackPointer(base, false);
  if (!*alive) return;
  e.type = EventType::kMouseMoved;
  View* target = nullptr;
  if (mAcceptsMouseMoved) {
    target = mFirstResponder ? mFirstResponder : mContent.HitTest(topDown);
    if (target) Send(*target, e);
  }
  // Tracking areas that ask for motion get it too, unless their owner already had it.
  std::vector<const TrackingArea*> areas;
  if (*alive) CollectTrackingAreas(mContent, areas);
  for (const TrackingArea* area : areas) {
    if (!*alive) return;
    if (!HasTrackingArea(area)) continue;  // a handler removed it
    if (!(area->Options() & tracking::kMouseMoved) || &area->Owner() == target) continue;
    if (area->GetRect().Contains(PointInView(area->Owner(), e.locationInWindow))) Send(area->Owner(), e);
  }
}

DraggingInfo Window::DragInfo(const std::vector<std::string>& files, Point pixel) const {
  const double scale = BackingScaleFactor();
  return DraggingInfo{files, Point{pixel.x / scale, ContentSize().height - pixel.y / scale}};
}

DragOperation Window::DragMoved(const std::vector<std::string>& files, Point pixel) {
  const DraggingInfo info = DragInfo(files, pixel);
  View* hit = mContent.HitTest(TopDown(info.draggingLocation));
  while (hit && !hit->RegisteredForDraggedFiles()) hit = hit->Superview();
  if (hit != mDragView) {
    DragExited();
    mDragView = hit;
    return hit ? hit->DraggingEntered(info) : DragOperation::kNone;
  }
  return hit ? hit->DraggingUpdated(info) : DragOperation::kNone;
}

void Window::DragExited() {
  View* left = mDragView;
  mDragView = nullptr;
  if (left) left->DraggingExited();
}

bool Window::DragDropped(const std::vector<std::string>& files, Point pixel) {
  if (DragMoved(files, pixel) == DragOperation::kNone) {
    DragExited();
    return false;
  }
  View* target = mDragView;
  mDragView = nullptr;
  // The view may close the window while it takes the files: nothing is touched after this.
  return target->PerformDragOperation(DragInfo(files, pixel));
}

bool Window::DragFileOut(const std::string& path, Rect pictureFrame) {
  const std::optional<URL> url = URL::FileURLWithPath(path);
  if (!url || !url->Path().starts_with('/')) return false;
  // Window coordinates run upwards from the content's bottom; its pixels downwards from the top. A rectangle
  // beyond any display (or not a number) shows no picture rather than overflowing.
  const double scale = BackingScaleFactor();
  const double left = std::floor(pictureFrame.MinX() * scale);
  const double top = std::floor((ContentSize().height - pictureFrame.MaxY()) * scale);
  const double right = std::ceil(pictureFrame.MaxX() * scale);
  const double bottom = std::ceil((ContentSize().height - pictureFrame.MinY()) * scale);
  constexpr double kFar = 1 << 20;
  PixelRect picture;
  if (!pictureFrame.IsEmpty() && std::fabs(left) < kFar && std::fabs(top) < kFar && std::fabs(right) < kFar &&
      std::fabs(bottom) < kFar) {
    picture = PixelRect{static_cast<int>(left), static_cast<int>(top), static_cast<int>(right - left),
                        static_cast<int>(bottom - top)};
  }
  if (!mNative->BeginFileDrag(url->AbsoluteString(), url->Path(), picture)) return false;
  // The drag took the button: the press is over for the views.
  mButtonsDown = 0;
  mMouseDownView = nullptr;
  mMouseDownButton = -1;
  mToolTips.Cancel();
  return true;
}

bool Window::HasTrackingArea(const TrackingArea* area) {
  std::vector<const TrackingArea*> current;
  CollectTrackingAreas(mContent, current);
  return std::find(current.begin(), current.end(), area) != current.end();
}

void Window::CollectTrackingAreas(View& view, std::vector<const TrackingArea*>& out) {
  if (view.IsHidden()) return;
  for (const auto& area : view.TrackingAreas()) out.push_back(area.get());
  for (View* subview : view.Subviews()) CollectTrackingAreas(*subview, out);
}

void Window::TrackPointer(const Event& base, bool dragging) {
  std::vector<const TrackingArea*> areas;
  CollectTrackingAreas(mContent, areas);
  std::vector<std::pair<const TrackingArea*, bool>> changes;  // area, entered
  for (const TrackingArea* area : areas) {
    if (dragging && !(area->Options() & tracking::kEnabledDuringMouseDrag)) continue;
    const bool inside = mPointerInside && area->GetRect().Contains(PointInView(area->Owner(), base.locationInWindow));
    const bool wasInside = std::find(mInsideAreas.begin(), mInsideAreas.end(), area) != mInsideAreas.end();
    if (inside == wasInside) continue;
    if (inside) {
      mInsideAreas.push_back(area);
    } else {
      std::erase(mInsideAreas, area);
    }
    if (area->Options() & tracking::kMouseEnteredAndExited) changes.emplace_back(area, inside);
  }
  // Exits before entries, as the pointer leaves one area before it enters the next.
  std::stable_partition(changes.begin(), changes.end(), [](const auto& c) { return !c.second; });
  const std::shared_ptr<bool> alive = mAlive;
  for (const auto& [area, entered] : changes) {
    // A handler may have closed the window, or removed a later area or its view.
    if (!*alive) return;
    if (!HasTrackingArea(area)) continue;
    Event e = base;
    e.type = entered ? EventType::kMouseEntered : EventType::kMouseExited;
    e.trackingArea = area;
    Send(area->Owner(), e);
  }
}

void Window::SendKey(const NativeInput& input, const Event& base) {
  Event e = base;
  e.type = input.kind == NativeInput::Kind::kKeyPress ? EventType::kKeyDown : EventType::kKeyUp;
  e.locationInWindow = mLastPointer;
  e.keyCode = input.keyCode;
  e.characters = input.characters;
  e.charactersIgnoringModifiers = input.charactersIgnoringModifiers;
  e.isARepeat = input.isARepeat;
  if (mFirstResponder) Send(*mFirstResponder, e);
}

void Window::PassKeyOn(const Event& key) {
  mNative->PassKeyOn(key.type == EventType::kKeyDown, key.keyCode);
}

bool Window::Present(const View& view, const unsigned char* pixels, int width, int height, int bytesPerRow) {
  if (!pixels || bytesPerRow < width * 4) return false;
  const auto copy = [&](unsigned char* bgra, size_t rowBytes) {
    for (int y = 0; y < height; ++y)
      std::copy_n(pixels + static_cast<size_t>(y) * bytesPerRow, static_cast<size_t>(width) * 4,
                  bgra + static_cast<size_t>(y) * rowBytes);
    return true;
  };
  return Present(view, width, height, std::ref(copy));
}

bool Window::Present(const View& view, int width, int height, const View::PixelWriter& write) {
  if (!write) return false;
  const auto whole = [&](unsigned char* bgra, size_t bytesPerRow, PixelRect) { return write(bgra, bytesPerRow); };
  return Present(view, width, height, PixelRect{0, 0, width, height}, std::ref(whole));
}

bool Window::Present(const View& view, int width, int height, PixelRect changed, const View::RegionWriter& write) {
  if (!write || width <= 0 || height <= 0) return false;
  const double scale = BackingScaleFactor();
  const Point inWindow = view.ConvertPointToView(Point{}, nullptr);
  const Point origin{std::round(inWindow.x * scale), std::round((ContentSize().height - inWindow.y) * scale)};
  const PixelRect frame{0, 0, width, height};
  const bool kept =
      mPresentedWhole && mPresented.width == width && mPresented.height == height && mPresented.pixelOrigin == origin;
  const PixelRect region = kept ? changed.Intersection(frame) : frame;
  if (region.IsEmpty()) return true;
  if (!kept) {
    mPresented.width = width;
    mPresented.height = height;
    mPresented.pixelOrigin = origin;
    mPresented.pixels.resize(static_cast<size_t>(width) * height * 4);
  }
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  unsigned char* first = mPresented.pixels.data() + static_cast<size_t>(region.y) * rowBytes + region.x * 4;
  mPresentedWhole = write(first, rowBytes, region);
  if (!mPresentedWhole) return false;
  ++mPresented.count;
  mPresented.updated = region;
  mPresented.bytesSent += static_cast<size_t>(region.width) * region.height * 4;
  mNative->Present(first, region.width, region.height, static_cast<int>(rowBytes),
                   Point{origin.x + region.x, origin.y + region.y});
  return true;
}

}  // namespace platform::window

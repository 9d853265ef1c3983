// Construction and destruction, the window's life cycle, sub-views, the mouse cursor, tooltips, native text entry
// and popup menus, appearance and fonts.
#include "graphics/platform/IGraphicsLinux.h"

#include <sys/utsname.h>

#include <algorithm>
#include <cmath>

#include "framework/IGEditorDelegate.h"
#include "graphics/FontconfigFont.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/platform/IGraphicsToolTip.h"
#include "graphics/platform/IGraphicsView.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/Backend.h"
#include "platform/window/Cursor.h"
#include "platform/window/Window.h"

namespace fx::gfx {

namespace pw = platform::window;

IGraphicsLinux::IGraphicsLinux(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : IGraphicsVector(dlg, w, h, fps, scale), mSelf(std::make_shared<IGraphicsLinux*>(this)) {
  FontDescriptorCache& cache = FontDescriptorCacheStorage();
  FwMutexLock lock(cache.GetMutex());
  cache.Retain();
}

IGraphicsLinux::~IGraphicsLinux() {
  *mSelf = nullptr;
  FontDescriptorCache& cache = FontDescriptorCacheStorage();
  FwMutexLock lock(cache.GetMutex());
  cache.Release();
  // The graphics close the view themselves: nothing reaches the delegate, whose editor may be going right now (an
  // edit a press or a pending menu opened is not ended with the host).
  DropOpenEdits();
  if (mView || mDetachedView) CloseWindow();
}

namespace {

constexpr double kEventPumpInterval = 1.0 / 120.0;

}  // namespace

void* IGraphicsLinux::OpenWindow(void* parent) {
  // A second open without a close: the old view goes as CloseWindow would take it, without the delegate's close,
  // which would delete this object while it opens.
  if (mView || mDetachedView) CloseWindow();
  mThread = std::this_thread::get_id();
  const pw::Size size{static_cast<double>(static_cast<int>(static_cast<float>(Width()) * GetDrawScale())),
                      static_cast<double>(static_cast<int>(static_cast<float>(Height()) * GetDrawScale()))};
  mWindow = pw::Window::Create(parent, size);
  if (!mWindow) return nullptr;
  // The window layer hands the window its events under the editor lock, which outlives the delegate.
  mWindow->SetEventLock(GetDelegate()->EditorMutex());
  // The window system's events reach the window from the main run loop, on this thread only. The pump keeps
  // no reference to the editor, which may close while its events are being pumped.
  mEventPump = pw::MakePumpTimer(platform::RunLoop::Main(), kEventPumpInterval, mThread);
  mView = std::make_shared<IGraphicsView>(*this);
  ++mViewCount;
  // The redraw timer runs from the view's making; it holds the view weakly, so it starts once the view is owned.
  mView->SetTimer();
  InitDrawContext(mView->Layer()->RendererLayer());
  // Nothing to draw with (no Vulkan on this machine): the host is told the editor cannot open.
  if (!GetDrawContext()) {
    CloseView();
    return nullptr;
  }
  SetScreenScale(static_cast<float>(pw::MainScreen().backingScaleFactor));
  GetDelegate()->LayoutUI(this);
  UpdateTooltips();
  GetDelegate()->OnUIOpen();
  mWindow->ContentView().AddSubview(*mView);
  SetPlatformContext(mView->Layer()->RendererLayer());
  mView->Layer()->ShowInWindow(mWindow.get());
  return mView.get();
}

std::shared_ptr<IGraphicsView> IGraphicsLinux::CloseView() {
  std::shared_ptr<IGraphicsView> view = std::move(mView);
  ++mViewCount;
  SetPlatformContext(nullptr);
  view->DetachGraphics();
  view->RemoveAllToolTips();
  view->KillTimer();
  view->RemoveFromSuperview();
  view->Layer()->ShowInWindow(nullptr);
  mEventPump.reset();
  mWindow.reset();
  return view;
}

void IGraphicsLinux::CloseWindow() {
  if (!mView && !mDetachedView) return;
  // The renderer context draws into the view's layer: the view goes after it.
  const std::shared_ptr<IGraphicsView> closed = mView ? CloseView() : std::move(mDetachedView);
  ReleaseDrawContext();
}

void IGraphicsLinux::DetachWindow() {
  if (mView) mDetachedView = CloseView();
}

void* IGraphicsLinux::GetWindow() {
  return mView.get();
}

bool IGraphicsLinux::WindowIsOpen() {
  return mView != nullptr;
}

void IGraphicsLinux::PlatformResize(bool) {
  if (mView) {
    const pw::Size size{static_cast<double>(WholePixels(static_cast<float>(Width()) * GetDrawScale())),
                        static_cast<double>(WholePixels(static_cast<float>(Height()) * GetDrawScale()))};
    mView->SetFrameSize(size);
    // The window does not follow its views: the host's child window takes the editor's new size.
    if (mWindow) mWindow->SetContentSize(size);
  }
  UpdateTooltips();
}

pw::Rect IGraphicsLinux::ViewRect(const IRECT& r) const {
  const float scale = GetDrawScale();
  const double left = std::floor(r.L * scale);
  const double top = std::floor(r.T * scale);
  return pw::Rect{{left, top}, {std::ceil(r.R * scale) - left, std::ceil(r.B * scale) - top}};
}

void IGraphicsLinux::AttachPlatformView(const IRECT& r, void* platformView) {
  if (!mView || !platformView) return;
  auto* view = static_cast<pw::View*>(platformView);
  view->SetFrame(ViewRect(r));
  mView->AddSubview(*view);
}

void IGraphicsLinux::RemovePlatformView(void* platformView) {
  if (platformView) static_cast<pw::View*>(platformView)->RemoveFromSuperview();
}

void IGraphicsLinux::HidePlatformView(void* platformView, bool hide) {
  if (platformView) static_cast<pw::View*>(platformView)->SetHidden(hide);
}

// ---- Mouse cursor ----
// Screen coordinates run upwards from the bottom of the main screen, display coordinates downwards from its top.

void IGraphicsLinux::ScreenToPoint(float& x, float& y) const {
  if (!mView) return;
  pw::Point inWindow{};
  if (const pw::Window* window = mView->GetWindow())
    inWindow = window->ConvertRectFromScreen(pw::Rect{{x, y}, {}}).origin;
  const pw::Point inView = mView->ConvertPointFromView(inWindow, nullptr);
  x = static_cast<float>(inView.x / GetDrawScale());
  y = static_cast<float>(inView.y / GetDrawScale());
}

void IGraphicsLinux::PointToScreen(float& x, float& y) const {
  if (!mView) return;
  const pw::Point inWindow = mView->ConvertPointToView(pw::Point{x * GetDrawScale(), y * GetDrawScale()}, nullptr);
  const pw::Window* window = mView->GetWindow();
  const pw::Point screen = window ? window->ConvertRectToScreen(pw::Rect{inWindow, {}}).origin : pw::Point{};
  x = static_cast<float>(screen.x);
  y = static_cast<float>(screen.y);
}

void IGraphicsLinux::GetMouseLocation(float& x, float& y) const {
  const pw::Point location = pw::MouseLocation();
  x = static_cast<float>(location.x);
  y = static_cast<float>(location.y);
  ScreenToPoint(x, y);
}

void IGraphicsLinux::StoreCursorPosition() {
  const pw::Point location = pw::MouseLocation();
  mCursorLockPosition = pw::Point{std::round(location.x), std::round(location.y)};
  float x = static_cast<float>(mCursorLockPosition.x);
  float y = static_cast<float>(mCursorLockPosition.y);
  ScreenToPoint(x, y);
  SetCursorPosition(x, y);
}

void IGraphicsLinux::MoveCursorToScreenPoint(double x, double y) {
  pw::AssociateMouseAndMouseCursorPosition(false);
  pw::DisplayMoveCursorToPoint(pw::Point{x, pw::DisplayPixelsHigh() - y});
  pw::AssociateMouseAndMouseCursorPosition(true);
}

void IGraphicsLinux::HideMouseCursor(bool hide, bool lock) {
  if (CursorIsHidden() == hide) return;
  SetCursorHidden(hide);
  if (hide) {
    StoreCursorPosition();
    pw::DisplayHideCursor();
    SetCursorLock(lock);
  } else {
    // With the hidden flag clear this only records the position: the cursor shows where it is.
    float x = CursorX(), y = CursorY();
    RepositionMouseCursor(x, y, x, y);
    pw::DisplayShowCursor();
    SetCursorLock(false);
  }
}

void IGraphicsLinux::MoveMouseCursor(float x, float y) {
  if (TabletInput()) return;
  pw::Point screen{x, y};
  if (mView) {
    const pw::Point inWindow = mView->ConvertPointToView(pw::Point{x * GetDrawScale(), y * GetDrawScale()}, nullptr);
    const pw::Window* window = mView->GetWindow();
    screen = window ? window->ConvertRectToScreen(pw::Rect{inWindow, {}}).origin : pw::Point{};
  }
  MoveCursorToScreenPoint(screen.x, screen.y);
  StoreCursorPosition();
}

bool IGraphicsLinux::PointerIsAt(float x, float y) const {
  PointToScreen(x, y);
  const pw::Point pointer = pw::MouseLocation();
  constexpr double kNear = 1.0;  // a point: the rounding between editor units and pixels
  return !(std::fabs(pointer.x - x) > kNear || std::fabs(pointer.y - y) > kNear);
}

void IGraphicsLinux::RepositionMouseCursor(float& prevX, float& prevY, float x, float y) {
  if (CursorIsHidden() && CursorIsLocked() && !TabletInput()) {
    // Input reaches the editor at the host's idle calls, when the window system may have moved on: a drag's
    // motion or release handled after its button came up and the pointer went elsewhere pulls nothing back.
    if (pw::PointerButtonDown() || PointerIsAt(x, y))
      MoveCursorToScreenPoint(mCursorLockPosition.x, mCursorLockPosition.y);
    prevX = CursorX();
    prevY = CursorY();
    return;
  }
  SetCursorPosition(x, y);
  prevX = x;
  prevY = y;
}

ECursor IGraphicsLinux::SetMouseCursor(ECursor cursorType) {
  if (mView) mView->SetMouseCursor(cursorType);
  return IGraphics::SetMouseCursor(cursorType);
}

// ---- System ----

int IGraphicsLinux::GetSystemVersion() {
  // Initialised once, by whichever thread asks first; the others wait for it.
  static const int sVersion = [] {
    utsname name{};
    return uname(&name) == 0 ? SystemVersionFromRelease(name.release) : 0;
  }();
  return sVersion;
}

int IGraphicsLinux::SystemVersionFromRelease(const char* release) {
  const char* c = release ? release : "";
  // The next number of at most four digits (longer ones stop at 9999); -1 when there is none at c.
  const auto number = [&c] {
    if (*c < '0' || *c > '9') return -1;
    int value = 0;
    for (; *c >= '0' && *c <= '9'; ++c) value = std::min(value * 10 + (*c - '0'), 9999);
    return value;
  };
  const int major = number();
  if (major < 0) return 0;
  int parts[2] = {0, 0};  // minor, patch
  for (int& part : parts) {
    if (*c != '.') break;
    ++c;
    const int value = number();
    if (value < 0) break;
    part = std::min(value, 15);
  }
  int digits = 0;
  for (int rest = major, shift = 0; rest > 0; rest /= 10, shift += 4) digits |= (rest % 10) << shift;
  return digits << 8 | parts[0] << 4 | parts[1];
}

// ---- Tooltips, native text entry and menus, appearance ----

void IGraphicsLinux::UpdateTooltips() {
  if (!mView) return;
  mView->RemoveAllToolTips();
  if (!TooltipsEnabled()) return;
  // An open in-editor menu covers the controls: no tooltips until it closes.
  if (IPopupMenuControlBase* popup = GetPopupMenuControl(); popup && popup->GetState() > IPopupMenuControlBase::kClosed)
    return;
  // Texts are looked up when a tooltip shows, so controls without one take part too.
  ForStandardControlsFunc([this](IControl* control) {
    const IRECT& target = control->GetTargetRECT();
    const bool zero = target.L == 0.f && target.T == 0.f && target.R == 0.f && target.B == 0.f;
    if (!control->IsHidden() && !zero) mView->RegisterToolTip(target);
  });
}

void IGraphicsLinux::ShowToolTip(const char* text, float x, float y) {
  auto* tip = dynamic_cast<IGraphicsToolTip*>(GetToolTipControl());
  if (!tip) {
    tip = new IGraphicsToolTip();
    SetToolTipControl(tip);
  }
  tip->ShowTip(text, x, y);
}

void IGraphicsLinux::HideToolTip() {
  if (auto* tip = dynamic_cast<IGraphicsToolTip*>(GetToolTipControl())) tip->HideTip();
}

void IGraphicsLinux::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                             const char* str) {
  if (mView) mView->CreateTextEntry(paramIdx, text, str, length, ViewRect(bounds));
}

IPopupMenu* IGraphicsLinux::CreatePlatformPopupMenu(IPopupMenu&, const IRECT& bounds, bool& isAsync) {
  isAsync = true;
  const std::weak_ptr<IGraphicsLinux*> self = mSelf;
  // The menu is found again by its request at the queue's turn: its owner may be gone by then.
  const uint64_t request = PopupMenuRequest();
  const unsigned viewCount = mViewCount;
  // Shown on the editor's thread, as one of the editor's events: under the editor lock, within which the
  // graphics are deleted (by the delegate) if at all.
  std::shared_ptr<std::recursive_mutex> editorMutex = GetDelegate()->EditorMutex();
  platform::RunLoop::Main().Post(
      [self, request, bounds, viewCount, editorMutex = std::move(editorMutex)] {
        IGEditorDelegate::EditorEvent event(editorMutex);
        const std::shared_ptr<IGraphicsLinux*> alive = self.lock();
        if (!alive || !*alive) return;  // the graphics are gone: nothing to answer, nothing to touch
        IGraphicsLinux& graphics = **alive;
        event.Enter(*graphics.GetDelegate());
        ControlUse use(graphics);
        // Answered, replaced by a later request, or gone with the control that asked: nothing to show.
        IPopupMenu* menu = graphics.PendingPopupMenu(request);
        if (!menu) return;
        // A view closed (or closed and reopened) since the request took the menu's owner with it.
        if (!graphics.mView || graphics.mViewCount != viewCount) {
          graphics.SetControlValueAfterPopupMenu(nullptr);
          return;
        }
        IPopupMenu* answer = graphics.mView->CreatePopupMenu(*menu, graphics.ViewRect(bounds));
        if (graphics.PendingPopupMenu(request) != menu) return;  // its owner went while it showed
        if (answer && answer->GetFunction()) answer->ExecFunction();
        graphics.SetControlValueAfterPopupMenu(answer);
      },
      mThread);
  return nullptr;
}

void IGraphicsLinux::ForceEndUserEdit() {
  if (mView) mView->EndUserInput();
}

EUIAppearance IGraphicsLinux::GetUIAppearance() const {
  if (mView && mView->EffectiveAppearance() == pw::Appearance::kDark) return kUIAppearanceDark;
  return kUIAppearanceLight;
}

const char* IGraphicsLinux::GetPlatformAPIStr() {
  return pw::CurrentBackend().Name();
}

// ---- Fonts ----

PlatformFontPtr IGraphicsLinux::LoadPlatformFont(const char* fontID, const char* fileNameOrResID) {
  return FontFileHelpers::LoadPlatformFont(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr IGraphicsLinux::LoadPlatformFont(const char* fontID, void* data, int dataSize) {
  return FontFileHelpers::LoadPlatformFont(fontID, static_cast<const void*>(data), dataSize);
}

PlatformFontPtr IGraphicsLinux::LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) {
  return FontFileHelpers::LoadPlatformFont(fontID, fontName, style);
}

void IGraphicsLinux::CachePlatformFont(const char* fontID, const PlatformFontPtr& font) {
  FontFileHelpers::CachePlatformFont(fontID, font, FontDescriptorCacheStorage());
}

}  // namespace fx::gfx

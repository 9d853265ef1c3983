// Construction and destruction, the window's life cycle, sub-views, the mouse cursor, tooltips, native text entry
// and popup menus, appearance and fonts.
#include "graphics/platform/IGraphicsMac.h"

#include <cmath>

#include "framework/IGEditorDelegate.h"
#include "graphics/CoreTextFont.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/platform/IGraphicsView.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/Backend.h"
#include "platform/window/Cursor.h"
#include "platform/window/Window.h"

namespace fx::gfx {

namespace pw = platform::window;

IGraphicsMac::IGraphicsMac(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : IGraphicsVector(dlg, w, h, fps, scale), mSelf(std::make_shared<IGraphicsMac*>(this)) {
  FontDescriptorCache& cache = FontDescriptorCacheStorage();
  FwMutexLock lock(cache.GetMutex());
  cache.Retain();
}

IGraphicsMac::~IGraphicsMac() {
  *mSelf = nullptr;
  FontDescriptorCache& cache = FontDescriptorCacheStorage();
  FwMutexLock lock(cache.GetMutex());
  cache.Release();
  // The graphics close the view themselves: nothing reaches the delegate, whose editor may be going right now.
  if (mView) CloseWindow();
}

namespace {

constexpr double kEventPumpInterval = 1.0 / 120.0;

}  // namespace

void* IGraphicsMac::OpenWindow(void* parent) {
  // A second open without a close: the old view goes as CloseWindow would take it, without the delegate's close,
  // which would delete this object while it opens.
  if (mView) CloseWindow();
  // The window system's events reach the views from the main run loop; one pump for the process, made with
  // the first editor, which no view owns (a view may close while its events are being pumped).
  static const std::unique_ptr<platform::RunLoopTimer> sEventPump =
      pw::MakePumpTimer(platform::RunLoop::Main(), kEventPumpInterval);
  const pw::Size size{static_cast<double>(static_cast<int>(static_cast<float>(Width()) * GetDrawScale())),
                      static_cast<double>(static_cast<int>(static_cast<float>(Height()) * GetDrawScale()))};
  mWindow = pw::Window::Create(parent, size);
  if (!mWindow) return nullptr;
  mView = std::make_shared<IGraphicsView_vKelvadrune_vst>(*this);
  ++mViewCount;
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
  mView->Layer()->ShowInWindow(mWindow.get());
  return mView.get();
}

std::shared_ptr<IGraphicsView_vKelvadrune_vst> IGraphicsMac::CloseView() {
  std::shared_ptr<IGraphicsView_vKelvadrune_vst> view = std::move(mView);
  ++mViewCount;
  view->DetachGraphics();
  view->RemoveAllToolTips();
  view->KillTimer();
  view->RemoveFromSuperview();
  view->Layer()->ShowInWindow(nullptr);
  mWindow.reset();
  return view;
}

void IGraphicsMac::CloseWindow() {
  if (!mView) return;
  // The renderer context draws into the view's layer: the view goes after it.
  const std::shared_ptr<IGraphicsView_vKelvadrune_vst> closed = CloseView();
  ReleaseDrawContext();
}

void* IGraphicsMac::GetWindow() {
  return mView.get();
}

bool IGraphicsMac::WindowIsOpen() {
  return mView != nullptr;
}

void IGraphicsMac::PlatformResize(bool) {
  if (mView) {
    const pw::Size size{static_cast<double>(static_cast<int>(static_cast<float>(Width()) * GetDrawScale())),
                        static_cast<double>(static_cast<int>(static_cast<float>(Height()) * GetDrawScale()))};
    mView->SetFrameSize(size);
    // The window does not follow its views: the host's child window takes the editor's new size.
    if (mWindow) mWindow->SetContentSize(size);
  }
  UpdateTooltips();
}

pw::Rect IGraphicsMac::ViewRect(const IRECT& r) const {
  const float scale = GetDrawScale();
  const double left = std::floor(r.L * scale);
  const double top = std::floor(r.T * scale);
  return pw::Rect{{left, top}, {std::ceil(r.R * scale) - left, std::ceil(r.B * scale) - top}};
}

void IGraphicsMac::AttachPlatformView(const IRECT& r, void* platformView) {
  if (!mView || !platformView) return;
  auto* view = static_cast<pw::View*>(platformView);
  view->SetFrame(ViewRect(r));
  mView->AddSubview(*view);
}

void IGraphicsMac::RemovePlatformView(void* platformView) {
  if (platformView) static_cast<pw::View*>(platformView)->RemoveFromSuperview();
}

void IGraphicsMac::HidePlatformView(void* platformView, bool hide) {
  if (platformView) static_cast<pw::View*>(platformView)->SetHidden(hide);
}

// ---- Mouse cursor ----
// Screen coordinates run upwards from the bottom of the main screen, display coordinates downwards from its top.

void IGraphicsMac::ScreenToPoint(float& x, float& y) const {
  if (!mView) return;
  pw::Point inWindow{};
  if (const pw::Window* window = mView->GetWindow())
    inWindow = window->ConvertRectFromScreen(pw::Rect{{x, y}, {}}).origin;
  const pw::Point inView = mView->ConvertPointFromView(inWindow, nullptr);
  x = static_cast<float>(inView.x / GetDrawScale());
  y = static_cast<float>(inView.y / GetDrawScale());
}

void IGraphicsMac::GetMouseLocation(float& x, float& y) const {
  const pw::Point location = pw::MouseLocation();
  x = static_cast<float>(location.x);
  y = static_cast<float>(location.y);
  ScreenToPoint(x, y);
}

void IGraphicsMac::StoreCursorPosition() {
  const pw::Point location = pw::MouseLocation();
  mCursorLockPosition = pw::Point{std::round(location.x), std::round(location.y)};
  mCursorX = static_cast<float>(mCursorLockPosition.x);
  mCursorY = static_cast<float>(mCursorLockPosition.y);
  ScreenToPoint(mCursorX, mCursorY);
}

void IGraphicsMac::MoveCursorToScreenPoint(pw::Point point) {
  pw::AssociateMouseAndMouseCursorPosition(false);
  pw::DisplayMoveCursorToPoint(pw::Point{point.x, pw::DisplayPixelsHigh() - point.y});
  pw::AssociateMouseAndMouseCursorPosition(true);
}

void IGraphicsMac::HideMouseCursor(bool hide, bool lock) {
  if (CursorIsHidden() == hide) return;
  SetCursorHidden(hide);
  if (hide) {
    StoreCursorPosition();
    pw::DisplayHideCursor();
    mCursorLock = lock;
  } else {
    // With the hidden flag clear this only records the position: the cursor shows where it is.
    RepositionMouseCursor(mCursorX, mCursorY, mCursorX, mCursorY);
    pw::DisplayShowCursor();
    mCursorLock = false;
  }
}

void IGraphicsMac::MoveMouseCursor(float x, float y) {
  if (mTabletInput) return;
  pw::Point screen{x, y};
  if (mView) {
    const pw::Point inWindow = mView->ConvertPointToView(pw::Point{x * GetDrawScale(), y * GetDrawScale()}, nullptr);
    const pw::Window* window = mView->GetWindow();
    screen = window ? window->ConvertRectToScreen(pw::Rect{inWindow, {}}).origin : pw::Point{};
  }
  MoveCursorToScreenPoint(screen);
  StoreCursorPosition();
}

void IGraphicsMac::RepositionMouseCursor(float& prevX, float& prevY, float x, float y) {
  if (CursorIsHidden() && mCursorLock && !mTabletInput) {
    MoveCursorToScreenPoint(mCursorLockPosition);
    prevX = mCursorX;
    prevY = mCursorY;
    return;
  }
  prevX = mCursorX = x;
  prevY = mCursorY = y;
}

ECursor IGraphicsMac::SetMouseCursor(ECursor cursorType) {
  if (mView) mView->SetMouseCursor(cursorType);
  return IGraphics::SetMouseCursor(cursorType);
}

// ---- Tooltips, native text entry and menus, appearance ----

void IGraphicsMac::UpdateTooltips() {
  if (!mView || !TooltipsEnabled()) return;
  mView->RemoveAllToolTips();
  // An open in-editor menu covers the controls: no tooltips until it closes.
  if (IPopupMenuControlBase* popup = GetPopupMenuControl();
      popup && popup->GetState() > IPopupMenuControlBase::kCollapsed)
    return;
  // Texts are looked up when a tooltip shows, so controls without one take part too.
  ForStandardControlsFunc([this](IControl* control) {
    const IRECT& target = control->GetTargetRECT();
    const bool zero = target.L == 0.f && target.T == 0.f && target.R == 0.f && target.B == 0.f;
    if (!control->IsHidden() && !zero) mView->RegisterToolTip(target);
  });
}

void IGraphicsMac::CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                           const char* str) {
  if (mView) mView->CreateTextEntry(paramIdx, text, str, length, ViewRect(bounds));
}

IPopupMenu* IGraphicsMac::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) {
  isAsync = true;
  const std::weak_ptr<IGraphicsMac*> self = mSelf;
  IPopupMenu* menuPtr = &menu;
  const unsigned viewCount = mViewCount;
  platform::RunLoop::Main().Post([self, menuPtr, bounds, viewCount] {
    const std::shared_ptr<IGraphicsMac*> alive = self.lock();
    if (!alive || !*alive) return;  // the graphics are gone: nothing to answer, nothing to touch
    IGraphicsMac& graphics = **alive;
    // A view closed (or closed and reopened) since the request took the menu's owner with it.
    if (!graphics.mView || graphics.mViewCount != viewCount) {
      graphics.SetControlValueAfterPopupMenu(nullptr);
      return;
    }
    IPopupMenu* answer = graphics.mView->CreatePopupMenu(*menuPtr, graphics.ViewRect(bounds));
    if (answer && answer->GetFunction()) answer->ExecFunction();
    graphics.SetControlValueAfterPopupMenu(answer);
  });
  return nullptr;
}

void IGraphicsMac::ForceEndUserEdit() {
  if (mView) mView->EndUserInput();
}

EUIAppearance IGraphicsMac::GetUIAppearance() const {
  if (mView && mView->EffectiveAppearance() == pw::Appearance::kDark) return kUIAppearanceDark;
  return kUIAppearanceLight;
}

const char* IGraphicsMac::GetPlatformAPIStr() {
  return pw::CurrentBackend().Name();
}

// ---- Fonts ----

PlatformFontPtr IGraphicsMac::LoadPlatformFont(const char* fontID, const char* fileNameOrResID) {
  return CoreTextHelpers::LoadPlatformFont(fontID, fileNameOrResID, GetBundleID(), GetSharedResourcesSubPath());
}

PlatformFontPtr IGraphicsMac::LoadPlatformFont(const char* fontID, void* data, int dataSize) {
  return CoreTextHelpers::LoadPlatformFont(fontID, static_cast<const void*>(data), dataSize);
}

PlatformFontPtr IGraphicsMac::LoadPlatformFont(const char* fontID, const char* fontName, int style) {
  return CoreTextHelpers::LoadPlatformFont(fontID, fontName, style);
}

void IGraphicsMac::CachePlatformFont(const char* fontID, const PlatformFontPtr& font) {
  CoreTextHelpers::CachePlatformFont(fontID, font, FontDescriptorCacheStorage());
}

}  // namespace fx::gfx

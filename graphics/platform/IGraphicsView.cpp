// The view's life cycle, drawing, native text entry, popup menus, colour panel, tooltips, drops, focus and
// appearance.
#include "graphics/platform/IGraphicsView.h"

#include <algorithm>
#include <cmath>

#include "framework/IGEditorDelegate.h"
#include "graphics/FontconfigFont.h"
#include "graphics/platform/IGraphicsLinux.h"
#include "graphics/platform/IGraphicsMenu.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/Cursor.h"
#include "platform/window/Notifications.h"
#include "platform/window/Window.h"

namespace fx::gfx {

namespace pw = platform::window;

namespace {

// The frame rate an editor that names none redraws at.
constexpr int kDefaultFPS = 60;

pw::Color ToColor(const IColor& c) {
  return pw::Color{c.R / 255.0, c.G / 255.0, c.B / 255.0, c.A / 255.0};
}

pw::TextAlignment AlignmentOf(EAlign align, pw::TextAlignment fallback) {
  switch (align) {
    case kAlignNear:
      return pw::TextAlignment::kLeft;
    case kAlignCenter:
      return pw::TextAlignment::kCenter;
    case kAlignFar:
      return pw::TextAlignment::kRight;
  }
  return fallback;
}

// The characters a field for a parameter of this type accepts.
std::u32string AcceptedCharacters(EParamType type) {
  switch (type) {
    case kTypeBool:
    case kTypeInt:
    case kTypeEnum:
      return U"0123456789-+";
    case kTypeDouble:
      return U"0123456789.-+";
    default:
      return U"";
  }
}

std::vector<const char*> Paths(const IGraphicsDraggingInfo& info) {
  std::vector<const char*> paths;
  for (const std::string& file : info.filenames) paths.push_back(file.c_str());
  return paths;
}

}  // namespace

IGraphicsView::IGraphicsView(IGraphicsLinux& graphics)
    : View(pw::Rect{
          {},
          {static_cast<double>(static_cast<int>(static_cast<float>(graphics.Width()) * graphics.GetDrawScale())),
           static_cast<double>(static_cast<int>(static_cast<float>(graphics.Height()) * graphics.GetDrawScale()))}}),
      mGraphics(&graphics),
      mEditorMutex(graphics.GetDelegate()->EditorMutex()),
      mThread(graphics.EditorThread()),
      mLayer(MakeDrawingLayer()) {
  RegisterForDraggedFiles();
  UpdateDrawableSize();
}

IGraphicsView::~IGraphicsView() {
  KillTimer();
  if (pw::ColorPanel::SharedExists()) {
    pw::ColorPanel::Shared().Close();
    pw::ColorPanel::Shared().SetAction(nullptr);
  }
  pw::NotificationCenter::Default().RemoveObserver(this);
}

// ---- Drawing ----

void IGraphicsView::SetTimer() {
  const int fps = mGraphics && mGraphics->FPS() > 0 ? mGraphics->FPS() : kDefaultFPS;
  const double interval = 1.0 / fps;
  platform::RunLoop& loop = platform::RunLoop::Main();
  // A close on another thread may free the view while this thread is about to draw: the frame takes the editor
  // lock first and then looks whether the view is still there.
  mTimer = std::make_unique<platform::RunLoopTimer>(
      loop.NowSeconds() + interval, interval,
      [view = weak_from_this(), mutex = mEditorMutex](platform::RunLoopTimer&) {
        const std::lock_guard lock(*mutex);
        if (const std::shared_ptr<IGraphicsView> alive = view.lock()) alive->Render();
      },
      mThread);
  loop.AddTimer(*mTimer);
}

// The timer object stays until the view goes: the close may come from inside its own callout.
void IGraphicsView::KillTimer() {
  if (mTimer) mTimer->Invalidate();
}

IGEditorDelegate::EditorEvent IGraphicsView::BeginEvent() {
  IGEditorDelegate::EditorEvent event(mEditorMutex);
  if (mGraphics) event.Enter(*mGraphics->GetDelegate());
  return event;
}

void IGraphicsView::Render() {
  // A control's drawing or animation may close the editor, which releases this view.
  const std::shared_ptr<IGraphicsView> keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent frame = BeginEvent();
  if (!mGraphics || SkipFrame()) return;
  mDirtyRects.Clear();
  // The animations (in IsDirty) and the drawing may close the editor: the frame ends where that leaves it.
  if (!mGraphics->IsDirty(mDirtyRects) || !mGraphics) return;
  mGraphics->SetAllControlsClean();
  mGraphics->Draw(mDirtyRects);
  if (!mGraphics) return;
  mLayer->AddChangedRegion(ChangedPixels());
  // What finished before this frame went in SkipFrame; the frame itself may be done already.
  PresentFinishedFrame();
}

// The pixels the frame just drawn can have changed: the dirty rectangles' bounds, with a pixel around them for the
// antialiased edges of what was drawn in them; everything when the editor is drawn shifted or the bounds are no
// numbers. The window keeps what lies outside its frame out.
pw::PixelRect IGraphicsView::ChangedPixels() const {
  if (mGraphics->GetTranslationX() != 0.f || mGraphics->GetTranslationY() != 0.f)
    return pw::PixelRect{0, 0, 1 << 30, 1 << 30};
  const IRECT bounds = mDirtyRects.Bounds();
  const float scale = mGraphics->GetTotalScale();
  if (std::isnan(bounds.L * scale) || std::isnan(bounds.T * scale) || std::isnan(bounds.R * scale) ||
      std::isnan(bounds.B * scale))
    return pw::PixelRect{0, 0, 1 << 30, 1 << 30};
  const auto pixel = [](float v) { return static_cast<int>(std::clamp(v, -1e6f, 1e6f)); };
  const int left = pixel(std::floor(bounds.L * scale)) - 1, top = pixel(std::floor(bounds.T * scale)) - 1;
  const int right = pixel(std::ceil(bounds.R * scale)) + 1, bottom = pixel(std::ceil(bounds.B * scale)) + 1;
  return pw::PixelRect{left, top, right - left, bottom - top};
}

// A hidden window draws nothing; shown again, it draws everything once, as what it showed may be gone and what
// changed meanwhile was never drawn. While the GPU is not ready for another frame, the dirty controls wait for a
// later tick (nothing here waits for the GPU); the frames it has finished are shown either way.
bool IGraphicsView::SkipFrame() {
  const pw::Window* window = GetWindow();
  if (window && !window->IsVisible()) {
    mHidden = true;
    return true;
  }
  if (mHidden) {
    mHidden = false;
    mGraphics->SetAllControlsDirty();
  }
  // Finished frames go to the window before anything new is queued behind them.
  PresentFinishedFrame();
  return !mLayer->ReadyForFrame();
}

// The one hand-over of finished frames from the drawing layer to the window.
void IGraphicsView::PresentFinishedFrame() {
  mLayer->PresentFinishedFrame(
      [this](int width, int height, pw::PixelRect changed, const IGraphicsDrawingLayer::FrameReader& read) {
        return PresentBGRA(width, height, changed, read);
      });
}

void IGraphicsView::UpdateDrawableSize() {
  const pw::Window* window = GetWindow();
  const double scale = window ? window->BackingScaleFactor() : pw::MainScreen().backingScaleFactor;
  const pw::Size points = Frame().size;
  mLayer->SetDrawableSize(points.width, points.height, scale);
  SetDrawableSize(pw::Size{points.width * scale, points.height * scale});
}

// ---- View ----

void IGraphicsView::RemoveFromSuperview() {
  // The delegate's close deletes the graphics, and with them the last owner of this view.
  const std::shared_ptr<IGraphicsView> keep = weak_from_this().lock();
  if (mTextFieldView) EndUserInput();
  if (IGraphicsLinux* graphics = mGraphics) {
    graphics->SetPlatformContext(nullptr);
    IGEditorDelegate& delegate = *graphics->GetDelegate();
    // Graphics the delegate does not hold (it may hold another editor) close themselves.
    if (delegate.GetEditorView() == static_cast<IEditorView*>(graphics)) {
      delegate.CloseWindow();
    } else {
      graphics->CloseWindow();
    }
  }
  View::RemoveFromSuperview();
}

void IGraphicsView::ViewDidMoveToWindow() {
  pw::Window* window = GetWindow();
  pw::NotificationCenter& center = pw::NotificationCenter::Default();
  center.RemoveObserver(this);
  if (!window) return;
  window->MakeFirstResponder(this);
  window->SetAcceptsMouseMovedEvents(true);
  if (mGraphics) mGraphics->SetScreenScale(static_cast<float>(window->BackingScaleFactor()));
  center.AddObserver(this, pw::notification::kWindowDidResignKey, window,
                     [this](const std::string&, const void*) { WindowDidResign(); });
  center.AddObserver(this, pw::notification::kWindowDidResignMain, window,
                     [this](const std::string&, const void*) { WindowDidResign(); });
  center.AddObserver(this, pw::notification::kViewFrameDidChange, this,
                     [this](const std::string&, const void*) { UpdateDrawableSize(); });
  UpdateDrawableSize();
}

void IGraphicsView::ViewDidChangeBackingProperties() {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent event = BeginEvent();
  const pw::Window* window = GetWindow();
  if (!window) return;
  if (mGraphics) mGraphics->SetPlatformContext(nullptr);
  const auto scale = static_cast<float>(window->BackingScaleFactor());
  if (mGraphics && scale != mGraphics->GetScreenScale()) mGraphics->SetScreenScale(scale);
  UpdateDrawableSize();
}

void IGraphicsView::ViewDidChangeEffectiveAppearance() {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent event = BeginEvent();
  if (!mGraphics) return;
  mGraphics->OnAppearanceChanged(EffectiveAppearance() == pw::Appearance::kDark ? kUIAppearanceDark
                                                                                : kUIAppearanceLight);
}

void IGraphicsView::WindowDidResign() {
  if (mTimer && mTimer->IsValid() && mGraphics) mGraphics->OnFocusLost();
}

bool IGraphicsView::ResignFirstResponder() {
  if (mGraphics) mGraphics->OnFocusLost();
  return true;
}

// ---- Native text entry ----

void IGraphicsView::CreateTextEntry(int paramIdx, const IText& text, const char* str, int length, pw::Rect area) {
  if (mTextFieldView || !mGraphics) return;
  mEndedTextField.reset();
  auto field = std::make_unique<IGraphicsTextField>(area);
  if (text.mVAlign == kVAlignMiddle) {
    field->SetCell(std::make_unique<IGraphicsTextFieldCell>());
    field->SetEditable(true);
    field->SetDrawsBackground(true);
  }
  // The field's glyphs match the renderer's: the descriptor and em ratio the font was loaded with. A font never
  // loaded through the graphics has no entry; the field then uses the desktop's default face at the text's size.
  pw::FieldFont font;
  font.size = text.mSize * mGraphics->GetDrawScale();
  if (const FontFileDescriptor* entry =
          FontFileHelpers::GetFontFileDescriptor(text.mFont, FontDescriptorCacheStorage())) {
    font.file = entry->descriptor.path;
    font.faceIndex = entry->descriptor.faceIndex;
    font.size *= entry->emRatio;
  }
  field->SetFont(font);
  field->SetAlignment(AlignmentOf(text.mAlign, field->Alignment()));
  if (paramIdx >= 0) {
    if (const IParam* param = mGraphics->GetDelegate()->GetParam(paramIdx)) {
      auto formatter = std::make_unique<IGraphicsFormatter>();
      formatter->SetAcceptableCharacterSet(AcceptedCharacters(param->Type()));
      formatter->SetMaximumLength(length);
      field->SetFormatter(std::move(formatter));
    }
  }
  field->SetLineBreakMode(pw::LineBreakMode::kTruncateTail);
  field->SetAllowsEditingTextAttributes(false);
  field->SetTextColor(ToColor(text.mTextEntryFGColor));
  field->SetBackgroundColor(ToColor(text.mTextEntryBGColor));
  field->SetStringValue(str ? str : "");
  field->SetBordered(false);
  field->SetFocusRingNone(true);
  field->SetDelegate(this);
  AddSubview(*field);
  mTextFieldView = std::move(field);
  if (pw::Window* window = GetWindow()) {
    window->MakeKeyAndOrderFront();
    window->MakeFirstResponder(mTextFieldView.get());
  }
}

void IGraphicsView::ControlTextDidEndEditing(pw::TextField& field) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent event = BeginEvent();
  if (mGraphics) mGraphics->SetControlValueAfterTextEdit(field.StringValue().c_str());
  // The answer's action may have closed the editor.
  if (mGraphics) mGraphics->SetAllControlsDirty();
  EndUserInput();
}

void IGraphicsView::EndUserInput() {
  // Only the native field's own entry ends here: an edit in the in-editor text entry is not this view's.
  if (!mTextFieldView) return;
  std::unique_ptr<IGraphicsTextField> field = std::move(mTextFieldView);
  field->SetDelegate(nullptr);
  field->RemoveFromSuperview();
  if (pw::Window* window = GetWindow()) window->MakeFirstResponder(this);
  if (mGraphics) mGraphics->ClearInTextEntryControl();
  // The field may be telling us from inside its own editing call: it goes later.
  mEndedTextField = std::move(field);
}

// ---- Popup menus, colour, tooltips ----

IPopupMenu* IGraphicsView::CreatePopupMenu(IPopupMenu& menu, pw::Rect bounds) {
  IGraphicsMenuRcvr receiver(bounds);
  IGraphicsMenu native(menu, receiver);
  pw::MenuItem* positioning = menu.GetChosenItemIdx() >= 0 ? native.ItemAtIndex(menu.GetChosenItemIdx()) : nullptr;
  const pw::Point location =
      positioning ? pw::Point{bounds.MinX(), bounds.MinY()} : pw::Point{bounds.MinX(), bounds.MaxY() + 4.0};
  native.PopUpMenuPositioningItem(positioning, location, this);
  pw::MenuItem* chosen = receiver.MenuItem();
  auto* owner = chosen ? dynamic_cast<IGraphicsMenu*>(chosen->GetMenu()) : nullptr;
  if (!owner) return nullptr;
  IPopupMenu* answer = owner->GetIPopupMenu();
  answer->SetChosenItemIdx(owner->IndexOfItem(*chosen));
  return answer;
}

bool IGraphicsView::PromptForColor(IColor& color, IColorPickerHandlerFunc func) {
  mColorPickerFunc = std::move(func);
  pw::ColorPanel& panel = pw::ColorPanel::Shared();
  panel.SetShowsAlpha(true);
  panel.SetAction([this](const pw::ColorPanel& picked) { OnColorPicked(picked); });
  panel.SetColor(ToColor(color));
  panel.OrderFront();
  return true;
}

void IGraphicsView::OnColorPicked(const pw::ColorPanel& panel) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent event = BeginEvent();
  const pw::Color c = panel.GetColor();
  // A component below 0 or not a number is 0, one above 1 is 255.
  const auto channel = [](double v) { return v > 0.0 ? static_cast<int>(std::min(v, 1.0) * 255.0) : 0; };
  const IColor picked(channel(c.alpha), channel(c.red), channel(c.green), channel(c.blue));
  if (mColorPickerFunc) mColorPickerFunc(picked);
}

void IGraphicsView::RegisterToolTip(const IRECT& bounds) {
  if (mGraphics) AddToolTipRect(mGraphics->ViewRect(bounds), *this, nullptr);
}

std::string IGraphicsView::StringForToolTip(pw::View&, int, pw::Point, void*) {
  if (!mGraphics) return {};
  const int idx = mGraphics->GetMouseOverIdx();
  if (idx < 0 || idx >= mGraphics->NControls()) return {};
  return mGraphics->GetControl(idx)->GetTooltip();
}

void IGraphicsView::ShowToolTip(const std::string& text, pw::Point point) {
  if (!mGraphics) return;
  const float scale = mGraphics->GetDrawScale();
  mGraphics->ShowToolTip(text.c_str(), static_cast<float>(point.x / scale), static_cast<float>(point.y / scale));
}

void IGraphicsView::HideToolTip() {
  if (mGraphics) mGraphics->HideToolTip();
}

// ---- Drops ----

void IGraphicsView::EditorPoint(pw::Point inWindow, float& x, float& y) const {
  const pw::Point point = ConvertPointFromView(inWindow, nullptr);
  x = static_cast<float>(point.x / mGraphics->GetDrawScale());
  y = static_cast<float>(point.y / mGraphics->GetDrawScale());
}

// Any files: the control where they land decides what to do with them when they are dropped.
pw::DragOperation IGraphicsView::DraggingEntered(const IGraphicsDraggingInfo& info) {
  return info.filenames.empty() ? pw::DragOperation::kNone : pw::DragOperation::kCopy;
}

bool IGraphicsView::PerformDragOperation(const IGraphicsDraggingInfo& info) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent event = BeginEvent();
  if (!mGraphics || info.filenames.empty()) return true;
  float x = 0.f, y = 0.f;
  EditorPoint(info.draggingLocation, x, y);
  if (info.filenames.size() == 1) {
    mGraphics->OnDrop(info.filenames.front().c_str(), x, y);
  } else {
    mGraphics->OnDropMultiple(Paths(info), x, y);
  }
  return true;
}

}  // namespace fx::gfx

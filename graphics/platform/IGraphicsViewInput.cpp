// The view's mouse, wheel and key events, the key table and the cursor shapes.
#include <iterator>

#include "graphics/platform/IGraphicsLinux.h"
#include "graphics/platform/IGraphicsView.h"
#include "platform/window/Cursor.h"

namespace fx::gfx {

namespace pw = platform::window;

namespace {

// Key codes of the window layer (the desktop's ANSI-layout virtual keys) that become virtual keys directly.
struct KeyMapping {
  int keyCode;
  int vk;
};
constexpr KeyMapping kKeyTable[] = {
    {51, 8},                                                                               // back space
    {65, 110},                                                                             // keypad .
    {67, 106},                                                                             // keypad *
    {69, 107},                                                                             // keypad +
    {71, 144},                                                                             // keypad clear
    {75, 111},                                                                             // keypad /
    {76, 0x800D},                                                                          // keypad enter
    {78, 109},                                                                             // keypad -
    {81, 108},                                                                             // keypad =
    {82, 96},                                                                              // keypad 0
    {83, 97},     {84, 98},   {85, 99},   {86, 100},  {87, 101},  {88, 102},               // keypad 1 to 6
    {89, 103},                                                                             // keypad 7
    {91, 104},                                                                             // keypad 8
    {92, 105},                                                                             // keypad 9
    {96, 116},    {97, 117},  {98, 118},  {99, 114},  {100, 119}, {101, 120}, {103, 122},  // F5 F6 F7 F3 F8 F9 F11
    {105, 124},   {106, 127}, {107, 125}, {109, 121}, {111, 123}, {113, 126},              // F13 F16 F14 F10 F12 F15
    {114, 45},                                                                             // insert / help
    {115, 36},                                                                             // home
    {116, 33},                                                                             // page up
    {117, 46},                                                                             // forward delete
    {118, 115},                                                                            // F4
    {119, 35},                                                                             // end
    {120, 113},                                                                            // F2
    {121, 34},                                                                             // page down
    {122, 112},                                                                            // F1
    {123, 37},                                                                             // left
    {124, 39},                                                                             // right
    {125, 40},                                                                             // down
    {126, 38},                                                                             // up
};

// The function-key characters F1 to F24 map onto the virtual keys from F1 (112) on.
constexpr char32_t kFirstFunctionKey = 0xF704;
constexpr char32_t kLastFunctionKey = 0xF71B;
constexpr int kFunctionKeyOffset = 63124;
// Shift-Tab types the back-tab character.
constexpr char32_t kBackTab = 25;
// Key codes without a mapping and without a character are answered above this base.
constexpr int kUnmappedKeyBase = 1024;

// Pointer options of the view's tracking area: entered and exited, always, also while a button is held (so that
// leaving during a drag is seen and its mouse-out delivered at the release).
constexpr unsigned kTrackingOptions =
    pw::tracking::kMouseEnteredAndExited | pw::tracking::kActiveAlways | pw::tracking::kEnabledDuringMouseDrag;

bool IsAsciiLetterOrDigit(char32_t c) {
  return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z') || (c >= U'0' && c <= U'9');
}

// At most four bytes: all IKeyPress keeps.
void EncodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
  } else if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out[0] = static_cast<char>(0xF0 | (c >> 18));
    out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[3] = static_cast<char>(0x80 | (c & 0x3F));
  }
}

pw::CursorKind CursorKindOf(ECursor cursor) {
  switch (cursor) {
    case kIBeamCursor:
      return pw::CursorKind::kIBeam;
    case kWaitCursor:
    case kAppStartingCursor:
      return pw::CursorKind::kBusyButClickable;
    case kCrossCursor:
      return pw::CursorKind::kCrosshair;
    case kUpArrowCursor:
      return pw::CursorKind::kResizeNorth;
    case kSizeNWSECursor:
      return pw::CursorKind::kResizeNorthWestSouthEast;
    case kSizeNESWCursor:
      return pw::CursorKind::kResizeNorthEastSouthWest;
    case kSizeWECursor:
      return pw::CursorKind::kResizeEastWest;
    case kSizeNSCursor:
      return pw::CursorKind::kResizeNorthSouth;
    case kSizeAllCursor:
      return pw::CursorKind::kMove;
    case kNoCursor:
      return pw::CursorKind::kOperationNotAllowed;
    case kHandCursor:
      return pw::CursorKind::kPointingHand;
    case kHelpCursor:
      return pw::CursorKind::kHelp;
    default:
      return pw::CursorKind::kArrow;
  }
}

}  // namespace

int TranslateKeyEvent(const pw::Event& event, int& flags) {
  flags = 0;
  if (event.modifierFlags & pw::modifier::kShift) flags |= keyflag::kShift;
  if (event.modifierFlags & pw::modifier::kCommand) flags |= keyflag::kCommand;
  if (event.modifierFlags & pw::modifier::kOption) flags |= keyflag::kOption;
  if (event.modifierFlags & pw::modifier::kControl) flags |= keyflag::kControl;

  for (const KeyMapping& mapping : kKeyTable) {
    if (mapping.keyCode == event.keyCode) {
      flags |= keyflag::kVirtualKey;
      return mapping.vk;
    }
  }
  if (event.charactersIgnoringModifiers.empty()) {
    flags |= keyflag::kVirtualKey;
    return event.keyCode + kUnmappedKeyBase;
  }
  char32_t c = event.charactersIgnoringModifiers.front();
  if (c >= kFirstFunctionKey && c <= kLastFunctionKey) {
    flags |= keyflag::kVirtualKey;
    return static_cast<int>(c) - kFunctionKeyOffset;
  }
  if (c >= U'a' && c <= U'z') c -= U'a' - U'A';
  if (c == kBackTab) c = U'\t';
  if (IsAsciiLetterOrDigit(c) || c == U'\t' || c == U'\n' || c == U'\r' || c == 27 || c == U' ') {
    flags |= keyflag::kVirtualKey;
    return static_cast<int>(c);
  }
  flags &= ~keyflag::kShift;
  return static_cast<int>(c);
}

IKeyPress MakeKeyPress(const pw::Event& event) {
  int flags = 0;
  const int code = TranslateKeyEvent(event, flags);
  char utf8[IKeyPress::kUTF8Size] = {};
  if (event.charactersIgnoringModifiers.size() == 1) EncodeUtf8(event.charactersIgnoringModifiers.front(), utf8);
  // Control counts as command: on Linux it is the key that commands hold.
  return IKeyPress(utf8, (flags & keyflag::kVirtualKey) ? code : 0, (flags & keyflag::kShift) != 0,
                   (flags & (keyflag::kCommand | keyflag::kControl)) != 0, (flags & keyflag::kOption) != 0);
}

// ---- Mouse ----

void IGraphicsView::GetMouseXY(const pw::Event& event, float& x, float& y) {
  if (!mGraphics) return;
  const pw::Point point = ConvertPointFromView(event.locationInWindow, nullptr);
  x = static_cast<float>(point.x / mGraphics->GetDrawScale());
  y = static_cast<float>(point.y / mGraphics->GetDrawScale());
  mGraphics->RepositionMouseCursor(mPrevX, mPrevY, x, y);
  mGraphics->SetTabletInput(event.subtype == pw::kSubtypeTabletPoint);
}

IMouseInfo IGraphicsView::GetMouseLeft(const pw::Event& event) {
  IMouseInfo info;
  GetMouseXY(event, info.x, info.y);
  info.ms.L = true;
  // Command-click reads as a left and a right click at once: the one-button desktop's context click.
  info.ms.R = (event.modifierFlags & pw::modifier::kCommand) != 0;
  info.ms.S = (event.modifierFlags & pw::modifier::kShift) != 0;
  info.ms.C = (event.modifierFlags & pw::modifier::kControl) != 0;
  info.ms.A = (event.modifierFlags & pw::modifier::kOption) != 0;
  return info;
}

IMouseInfo IGraphicsView::GetMouseRight(const pw::Event& event) {
  IMouseInfo info = GetMouseLeft(event);
  info.ms.L = false;
  info.ms.R = true;
  return info;
}

void IGraphicsView::PressMouse(const IMouseInfo& info, const pw::Event& event) {
  if (!mGraphics) return;
  // Odd clicks press, even ones double-click: a triple click is a press again.
  if (event.clickCount % 2 == 0) {
    mGraphics->OnMouseDblClick(info.x, info.y, info.ms);
  } else {
    mGraphics->OnMouseDown({info});
  }
}

// Handlers that reach the graphics keep the view alive: a control may close the editor, which releases the view.
void IGraphicsView::MouseDown(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  PressMouse(GetMouseLeft(event), event);
}

void IGraphicsView::RightMouseDown(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  PressMouse(GetMouseRight(event), event);
}

void IGraphicsView::MouseUp(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  const IMouseInfo info = GetMouseLeft(event);
  if (!mGraphics) return;
  mGraphics->OnMouseUp({info});
  if (mMouseOutDuringDrag && mGraphics) {
    mGraphics->OnMouseOut();
    mMouseOutDuringDrag = false;
  }
}

void IGraphicsView::RightMouseUp(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  const IMouseInfo info = GetMouseRight(event);
  if (mGraphics) mGraphics->OnMouseUp({info});
}

void IGraphicsView::DragMouse(const pw::Event& event, bool right) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  const float prevX = mPrevX;
  const float prevY = mPrevY;
  IMouseInfo info = right ? GetMouseRight(event) : GetMouseLeft(event);
  // While the native field edits, drags belong to it.
  if (!mGraphics || IsTextEntryOpen()) return;
  info.dX = info.x - prevX;
  info.dY = info.y - prevY;
  mGraphics->OnMouseDrag({info});
}

void IGraphicsView::MouseDragged(const pw::Event& event) {
  DragMouse(event, false);
}

void IGraphicsView::RightMouseDragged(const pw::Event& event) {
  DragMouse(event, true);
}

void IGraphicsView::MouseMoved(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  const IMouseInfo info = GetMouseLeft(event);
  if (mGraphics) mGraphics->OnMouseOver(info.x, info.y, info.ms);
}

void IGraphicsView::MouseEntered(const pw::Event&) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  mMouseOutDuringDrag = false;
  if (mGraphics) mGraphics->SetMouseCursor(mGraphics->GetCursorType());
}

void IGraphicsView::MouseExited(const pw::Event&) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  if (!mGraphics) return;
  // During a drag the control keeps the mouse: its mouse-out waits for the release.
  if (mGraphics->ControlIsCaptured()) {
    mMouseOutDuringDrag = true;
  } else {
    mGraphics->OnMouseOut();
  }
}

void IGraphicsView::ScrollWheel(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  EndUserInput();
  const IMouseInfo info = GetMouseLeft(event);
  if (mGraphics) mGraphics->OnMouseWheel(info.x, info.y, info.ms, static_cast<float>(event.deltaY));
}

void IGraphicsView::UpdateTrackingAreas() {
  pw::View::UpdateTrackingAreas();
  if (mTrackingArea) RemoveTrackingArea(*mTrackingArea);
  mTrackingArea = &AddTrackingArea(Bounds(), kTrackingOptions);
}

// ---- Keys ----

void IGraphicsView::KeyDown(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  const IKeyPress key = MakeKeyPress(event);
  if (!mGraphics || !mGraphics->OnKeyDown(mPrevX, mPrevY, key)) View::KeyDown(event);
}

void IGraphicsView::KeyUp(const pw::Event& event) {
  const auto keep = weak_from_this().lock();
  const IGEditorDelegate::EditorEvent editorEvent = BeginEvent();
  const IKeyPress key = MakeKeyPress(event);
  if (!mGraphics || !mGraphics->OnKeyUp(mPrevX, mPrevY, key)) View::KeyUp(event);
}

// ---- Cursor ----

void IGraphicsView::SetMouseCursor(ECursor cursor) {
  const pw::CursorKind kind = CursorKindOf(cursor);
  pw::SetCursor(pw::IsCursorAvailable(kind) ? kind : pw::CursorKind::kArrow);
}

}  // namespace fx::gfx

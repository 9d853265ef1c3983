#include "controls/ITextEntryControl.h"

#include "controls/TextEditEngine.h"
#include "framework/FwString.h"
#include "framework/IKeyPress.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"

#include <cmath>

namespace fx::gfx {

namespace {

constexpr int kVKBackspace = 8;
constexpr int kVKTab = 9;
constexpr int kVKReturn = 13;
constexpr int kVKEscape = 27;
constexpr int kVKSpace = 32;
constexpr int kVKPageUp = 33;
constexpr int kVKPageDown = 34;
constexpr int kVKEnd = 35;
constexpr int kVKHome = 36;
constexpr int kVKLeft = 37;
constexpr int kVKUp = 38;
constexpr int kVKRight = 39;
constexpr int kVKDown = 40;
constexpr int kVKDelete = 46;
constexpr int kVKDigit0 = 48;
constexpr int kVKDigit9 = 57;
constexpr int kVKPad0 = 96;
constexpr int kVKPad9 = 105;
constexpr float kSelectionWeight = 0.2f;
// The selection and caret leave a tenth of the text size free above and below.
constexpr float kRowInsetShare = 0.1f;
// Characters of five- and six-byte forms, which no longer encode anything, type this instead.
constexpr char32_t kObsoleteFormChar = '_';

// The character typed, from UTF-8 of one to four bytes; a malformed sequence gives its first byte.
char32_t DecodeTyped(const char* utf8) {
  const auto* s = reinterpret_cast<const unsigned char*>(utf8);
  const unsigned lead = s[0];
  if (lead < 0x80) return lead;
  if (lead >= 0xF8 && lead <= 0xFD) return kObsoleteFormChar;
  int length = 0;
  char32_t c = 0;
  if (lead >= 0xC0 && lead <= 0xDF) {
    length = 2;
    c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    c = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF7) {
    length = 4;
    c = lead & 0x07;
  } else {
    return lead;
  }
  for (int i = 1; i < length; ++i) {
    if ((s[i] & 0xC0) != 0x80) return lead;
    c = (c << 6) | (s[i] & 0x3F);
  }
  return c;
}

bool IsDigitKey(const IKeyPress& key) {
  return (key.VK >= kVKDigit0 && key.VK <= kVKDigit9 && !key.S) || (key.VK >= kVKPad0 && key.VK <= kVKPad9);
}

}  // namespace

ITextEntryControl::ITextEntryControl()
    : ITextEntryControlBase(IRECT(), -1, [](IControl* c) { static_cast<ITextEntryControl*>(c)->StartBlink(); }),
      mContextMenu("", {"Cut", "Copy", "Paste"}, [this](IPopupMenu* menu) {
        switch (menu->GetChosenItemIdx()) {
          case 0:
            CutSelection();
            break;
          case 1:
            CopySelection();
            break;
          case 2:
            Paste();
            break;
          default:
            break;
        }
      }) {
  InitTextEditState(mEditState, true);
}

void ITextEntryControl::CreateTextEntry(int, const IText& text, const IRECT& bounds, int, const char* str) {
  Hide(false);
  mRECT = mTargetRECT = bounds;
  mMouseIsOver = false;
  OnResize();
  SetText(text);
  mText.mFGColor = mText.mTextEntryFGColor;
  mBuffer.SetStr(str);
  SelectAll();
  mEditState.cursor = 0;
  mBuffer.RebuildCharWidths();
  SetDirty(true);
  mEditing = true;
}

// ---- Caret ----

void ITextEntryControl::StartBlink() {
  mCaretVisible = true;
  SetAnimation([](IControl* c) { static_cast<ITextEntryControl*>(c)->BlinkTick(); }, kBlinkPeriodMs);
}

void ITextEntryControl::BlinkTick() {
  const double p = GetAnimationProgress();
  if (p > 1.0) {
    OnEndAnimation();
  } else if (p > 0.5 && mCaretVisible) {
    mCaretVisible = false;
    SetDirty(false);
  }
}

// A closed field ends its blink instead of ending it again on every frame.
void ITextEntryControl::OnEndAnimation() {
  if (mEditing)
    SetDirty(true);
  else
    IControl::OnEndAnimation();
}

// ---- Drawing ----

void ITextEntryControl::Draw(IGraphics& g) {
  g.FillRect(mText.mTextEntryBGColor, mRECT);
  TextRow row;
  LayoutRow(row, mBuffer);
  const float inset = kRowInsetShare * mText.mSize;
  const float top = mRECT.T + row.top + inset;
  const float bottom = mRECT.T + row.bottom - inset;

  if (mEditState.HasSelection()) {
    const float l = row.x0 + mBuffer.GetWidth(0, mEditState.SelectionLow());
    const float r = row.x0 + mBuffer.GetWidth(0, mEditState.SelectionHigh());
    const IBlend faint(kBlendDefault, kSelectionWeight);
    g.FillRect(mText.mTextEntryFGColor, IRECT(l, top, r, bottom), &faint);
  }
  g.DrawText(mText, GetTextUTF8().c_str(), mRECT);
  if (!mEditState.HasSelection() && mCaretVisible) {
    const float x = row.x0 + mBuffer.GetWidth(0, mEditState.cursor);
    g.FillRect(mText.mTextEntryFGColor, IRECT(std::round(x - 1.f), top, std::round(x), bottom));
  }
}

// ---- Mouse ----

bool ITextEntryControl::Changed(bool changed) {
  if (changed) SetDirty(false);
  return changed;
}

void ITextEntryControl::OnMouseDown(float x, float y, const IMouseMod& mod) {
  if (!mRECT.Contains(x, y)) {
    CommitEdit();
    return;
  }
  if (mod.L) {
    Changed(ClickText(mBuffer, mEditState, x, y - mRECT.T));
  } else if (mod.R) {
    GetUI()->CreatePopupMenu(*this, mContextMenu, IRECT(x, y, x, y), 0);
  }
}

void ITextEntryControl::OnMouseDrag(float x, float y, float, float, const IMouseMod& mod) {
  if (mEditing && mod.L) Changed(DragText(mBuffer, mEditState, x, y - mRECT.T));
}

void ITextEntryControl::OnMouseUp(float x, float y, const IMouseMod& mod) {
  if (!mEditing || !mod.L) return;
  DragText(mBuffer, mEditState, x, y - mRECT.T);
  SetDirty(true);
}

void ITextEntryControl::OnMouseDblClick(float, float, const IMouseMod&) {
  SelectAll();
}

// ---- Ending an entry ----

void ITextEntryControl::Close() {
  mEditing = false;
  mMouseIsOver = false;
  mRECT = mTargetRECT = IRECT();
  OnResize();
}

// Closed before the text is handed over, so an answer that opens a new entry keeps it open.
void ITextEntryControl::CommitEdit() {
  const std::string text = GetTextUTF8();
  Close();
  GetUI()->SetControlValueAfterTextEdit(text.c_str());
  GetUI()->SetAllControlsDirty();
}

void ITextEntryControl::DismissEdit() {
  Close();
  GetUI()->ClearInTextEntryControl();
  GetUI()->SetAllControlsDirty();
}

// The graphics has already let go of the control it typed for.
void ITextEntryControl::DropEntry() {
  if (!mEditing) return;
  Close();
  GetUI()->SetAllControlsDirty();
}

// ---- Keys ----

int ITextEntryControl::EngineKeyCode(const IKeyPress& key) const {
  using namespace TextEditKey;
  const int refused = kKeyDown | key.VK;
  const char32_t typed = DecodeTyped(key.utf8);
  const IControl* edited = GetUI()->GetControlInTextEntry();
  const IParam* param = edited ? edited->GetParam(0) : nullptr;
  if (!param || param->Type() == kTypeNone) return typed ? static_cast<int>(typed) : refused;

  const bool sign = typed == '+' || typed == '-';
  const bool point = typed == '.' && param->Type() == kTypeDouble;
  if (IsDigitKey(key)) {
    const int base = key.VK >= kVKPad0 ? kVKPad0 : kVKDigit0;
    return typed ? static_cast<int>(typed) : '0' + key.VK - base;
  }
  return sign || point ? static_cast<int>(typed) : refused;
}

bool ITextEntryControl::OnKeyDown(float, float, const IKeyPress& key) {
  using namespace TextEditKey;
  if (key.C) {
    switch (key.VK) {
      case 'A':
        SelectAll();
        return true;
      case 'C':
        CopySelection();
        return true;
      case 'V':
        Paste();
        return true;
      case 'X':
        CutSelection();
        return true;
      case 'Z':
        Changed(HandleEditKey(mBuffer, mEditState, key.S ? kRedo : kUndo));
        return true;
      default:
        break;
    }
  }

  int code = 0;
  switch (key.VK) {
    case kVKTab:
      return false;
    case kVKReturn:
      CommitEdit();
      return true;
    case kVKEscape:
      DismissEdit();
      return true;
    case kVKBackspace:
      code = kBackspace;
      break;
    case kVKSpace:
      code = ' ';
      break;
    case kVKPageUp:
      code = kPageUp;
      break;
    case kVKPageDown:
      code = kPageDown;
      break;
    case kVKEnd:
      code = kEnd;
      break;
    case kVKHome:
      code = kHome;
      break;
    case kVKLeft:
      code = kLeft;
      break;
    case kVKUp:
      code = kUp;
      break;
    case kVKRight:
      code = kRight;
      break;
    case kVKDown:
      code = kDown;
      break;
    case kVKDelete:
      code = kDelete;
      break;
    default:
      if (!GetUI()->GetControlInTextEntry()) return false;
      code = EngineKeyCode(key);
      break;
  }
  code |= (key.S ? kShift : 0) | (key.C ? kControl : 0) | (key.A ? kAlt : 0);
  return Changed(HandleEditKey(mBuffer, mEditState, code));
}

// ---- Clipboard edits ----

void ITextEntryControl::CutSelection() {
  Changed(fx::gfx::CutSelection(mBuffer, mEditState));
}

void ITextEntryControl::CopySelection() {
  fx::gfx::CopySelection(mBuffer, mEditState);
}

void ITextEntryControl::Paste() {
  Changed(fx::gfx::Paste(mBuffer, mEditState));
}

void ITextEntryControl::SelectAll() {
  Changed(fx::gfx::SelectAll(mBuffer, mEditState));
}

// ---- The engine's host ----

float ITextEntryControl::MeasureText(const char* utf8) {
  IRECT bounds;
  return GetUI() ? GetUI()->MeasureText(mText, utf8, bounds) : 0.f;
}

TextEditField ITextEntryControl::GetField() const {
  TextEditField field{mRECT.L, mRECT.T, mRECT.R, mRECT.B, mText.mSize};
  field.hAlign = mText.mAlign == kAlignNear     ? TextEditHAlign::kNear
                 : mText.mAlign == kAlignCenter ? TextEditHAlign::kCenter
                                                : TextEditHAlign::kFar;
  field.vAlign = mText.mVAlign == kVAlignTop      ? TextEditVAlign::kTop
                 : mText.mVAlign == kVAlignMiddle ? TextEditVAlign::kMiddle
                                                  : TextEditVAlign::kBottom;
  return field;
}

void ITextEntryControl::SetClipboardText(const char* utf8) {
  GetUI()->SetTextInClipboard(utf8);
}

std::string ITextEntryControl::GetClipboardText() {
  FwString text;
  if (!GetUI()->GetTextFromClipboard(text)) return {};
  return text.Get();
}

}  // namespace fx::gfx

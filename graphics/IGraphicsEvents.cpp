// Event dispatch: which control receives each pointer, key, wheel, drop and focus event, pointer capture,
// the host's edit bracket around a press, and value prompts through menus and text entry.
#include "graphics/IGraphics.h"

#include "framework/FwString.h"
#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "framework/NumberText.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/ITextEntryControlBase.h"
#include "graphics/ParamNormalize.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx::gfx {

namespace {

bool TakesEvent(const IControl& c, float x, float y, bool mouseOver) {
  if (c.IsHidden() || c.GetIgnoreMouse()) return false;
  if (c.IsDisabled() && !(mouseOver ? c.GetMouseOverWhenDisabled() : c.GetMouseEventsWhenDisabled())) return false;
  return c.IsHit(x, y);
}

}  // namespace

// ---- Hit testing ----

int IGraphics::GetMouseControlIdx(float x, float y, bool mouseOver) {
  if (mouseOver && !mEnableMouseOver) return -1;
  // The background at index 0 never takes mouse-over.
  const int lowest = mouseOver ? 1 : 0;
  for (int i = NControls() - 1; i >= lowest; --i)
    if (TakesEvent(*GetControl(i), x, y, mouseOver)) return i;
  return -1;
}

IControl* IGraphics::SpecialControlAt(float x, float y) const {
  if (mPopupControl && mPopupControl->GetExpanded()) return mPopupControl.get();
  if (mTextEntryControl && mTextEntryControl->EditInProgress()) return mTextEntryControl.get();
  if (mCornerResizer && mCornerResizer->GetRECT().Contains(x, y)) return mCornerResizer.get();
  if (mPerfDisplay && mPerfDisplay->GetRECT().Contains(x, y)) return mPerfDisplay.get();
  return nullptr;
}

IControl* IGraphics::GetMouseControl(float x, float y, bool capture, bool mouseOver, uint64_t touchID) {
  const auto held = mCapturedMap.find(touchID);
  if (held != mCapturedMap.end()) return held->second;
  if (mouseOver && !mEnableMouseOver) {
    mMouseOverIdx = -1;
    return nullptr;
  }

  int idx = -1;
  IControl* control = SpecialControlAt(x, y);
  if (!control) {
    idx = GetMouseControlIdx(x, y, mouseOver);
    control = GetControl(idx);
  }

  if (capture && control) {
    if (mEnableMultiTouch && ControlIsCaptured(control) && !control->GetWantsMultiTouch()) return nullptr;
    mCapturedMap.try_emplace(touchID, control);
  }
  if (mouseOver) mMouseOverIdx = idx;
  return control;
}

// ---- The host's edit bracket ----

void IGraphics::BeginInformHostOfBoundParams(IControl& control, uint64_t touchID) {
  std::vector<int>& open = mOpenEdits[touchID];
  for (int i = 0; i < control.NVals(); ++i) {
    if (!control.IsBound(i)) continue;
    const int paramIdx = control.GetParamIdx(i);
    mDelegate->BeginInformHostOfParamChangeFromUI(paramIdx);
    open.push_back(paramIdx);
  }
}

void IGraphics::EndEdits(std::vector<int>& params) {
  const std::vector<int> closing = std::move(params);
  params.clear();
  for (int paramIdx : closing) mDelegate->EndInformHostOfParamChangeFromUI(paramIdx);
}

void IGraphics::EndEditsOfTouch(uint64_t touchID) {
  const auto it = mOpenEdits.find(touchID);
  if (it == mOpenEdits.end()) return;
  std::vector<int> params = std::move(it->second);
  mOpenEdits.erase(it);
  EndEdits(params);
}

void IGraphics::ReleaseMouseCapture() {
  mCapturedMap.clear();
  while (!mOpenEdits.empty()) EndEditsOfTouch(mOpenEdits.begin()->first);
  if (mCursorHidden) HideMouseCursor(false, true);
}

// ---- Pointer ----

void IGraphics::OnMouseDown(const std::vector<IMouseInfo>& points) {
  ControlUse use(*this);
  if (points.size() == 1) {
    mMouseDownX = points.front().x;
    mMouseDownY = points.front().y;
  }

  for (const IMouseInfo& p : points) {
    IControl* control = GetMouseControl(p.x, p.y, true, false, p.ms.touchID);
    if (!control) continue;

    const int valIdx = std::max(control->GetValIdxForPos(p.x, p.y), 0);
    if (control->GetParamIdx(valIdx) >= 0 && p.ms.R) {
      ReleaseMouseCapture();
      if (AnswerWhileMenuBusy(*control, -1, true)) return;
      ResetPromptMenu();
      control->CreateContextMenu(mPromptPopupMenu);
      if (mPromptPopupMenu.NItems() > 0)
        DoCreatePopupMenu(*control, mPromptPopupMenu, IRECT(p.x, p.y, p.x, p.y), -1, true);
      return;
    }

    BeginInformHostOfBoundParams(*control, p.ms.touchID);
    control->OnMouseDown(p.x, p.y, p.ms);
  }
}

void IGraphics::OnMouseDrag(const std::vector<IMouseInfo>& points) {
  ControlUse use(*this);
  if (mResizingInProcess && points.size() == 1) {
    OnDragResize(points.front().x, points.front().y);
    return;
  }

  for (const IMouseInfo& p : points) {
    const auto held = mCapturedMap.find(p.ms.touchID);
    if (held == mCapturedMap.end() || (p.dX == 0.f && p.dY == 0.f)) continue;
    IControl* control = held->second;
    if (mInTextEntry && control != mTextEntryControl.get()) continue;
    control->OnMouseDrag(p.x, p.y, p.dX, p.dY, p.ms);
  }
}

void IGraphics::OnMouseUp(const std::vector<IMouseInfo>& points) {
  ControlUse use(*this);
  for (const IMouseInfo& p : points) {
    const auto held = mCapturedMap.find(p.ms.touchID);
    if (held == mCapturedMap.end()) continue;
    IControl* control = held->second;
    control->OnMouseUp(p.x, p.y, p.ms);
    EndEditsOfTouch(p.ms.touchID);
    mCapturedMap.erase(p.ms.touchID);
  }

  if (mResizingInProcess) EndDragResize();

  if (points.size() == 1 && points.front().ms.touchID == 0)
    OnMouseOver(points.front().x, points.front().y, points.front().ms);
}

// A cancelled touch still closes the host edit its press opened.
void IGraphics::OnTouchCancelled(const std::vector<IMouseInfo>& points) {
  ControlUse use(*this);
  for (const IMouseInfo& p : points) {
    const auto held = mCapturedMap.find(p.ms.touchID);
    if (held == mCapturedMap.end()) continue;
    held->second->OnTouchCancelled(p.x, p.y, p.ms);
    EndEditsOfTouch(p.ms.touchID);
    mCapturedMap.erase(p.ms.touchID);
  }
}

bool IGraphics::OnMouseDblClick(float x, float y, const IMouseMod& mod) {
  ControlUse use(*this);
  IControl* control = GetMouseControl(x, y, true);
  if (!control) return false;
  if (control->GetDblAsSingleClick()) {
    IMouseInfo info;
    info.x = x;
    info.y = y;
    info.ms = mod;
    OnMouseDown({info});
  } else {
    control->OnMouseDblClick(x, y, mod);
    ReleaseMouseCapture();
  }
  return true;
}

bool IGraphics::OnMouseOver(float x, float y, const IMouseMod& mod) {
  ControlUse use(*this);
  IControl* control = GetMouseControl(x, y, false, true);
  if (control != mMouseOver) {
    if (mMouseOver) mMouseOver->OnMouseOut();
    // The control left may have removed the one entered: the pointer is then over whatever is under it now.
    if (control && !Holds(control)) control = GetMouseControl(x, y, false, true);
    mMouseOver = control;
  }
  if (control) control->OnMouseOver(x, y, mod);
  return control != nullptr;
}

// The cursor becomes the arrow and is recorded as the current one.
void IGraphics::OnMouseOut() {
  ControlUse use(*this);
  mCursorType = SetMouseCursor(kArrowCursor);
  ForAllControlsFunc([](IControl* c) { c->OnMouseOut(); });
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
}

void IGraphics::OnMouseWheel(float x, float y, const IMouseMod& mod, float delta) {
  ControlUse use(*this);
  if (IControl* control = GetMouseControl(x, y, false)) control->OnMouseWheel(x, y, mod, delta);
}

// ---- Keys, drops, focus ----

bool IGraphics::OnKeyDown(float x, float y, const IKeyPress& key) {
  ControlUse use(*this);
  IControl* control = GetMouseControl(x, y, false);
  if (control && control != GetControl(0) && control->OnKeyDown(x, y, key)) return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, false) : false;
}

bool IGraphics::OnKeyUp(float x, float y, const IKeyPress& key) {
  ControlUse use(*this);
  IControl* control = GetMouseControl(x, y, false);
  if (control && control != GetControl(0) && control->OnKeyUp(x, y, key)) return true;
  return mKeyHandlerFunc ? mKeyHandlerFunc(key, true) : false;
}

void IGraphics::OnDrop(const char* str, float x, float y) {
  ControlUse use(*this);
  if (IControl* control = GetMouseControl(x, y, false)) control->OnDrop(str);
}

void IGraphics::OnDropMultiple(const std::vector<const char*>& paths, float x, float y) {
  ControlUse use(*this);
  if (IControl* control = GetMouseControl(x, y, false)) control->OnDropMultiple(paths);
}

void IGraphics::OnFocusLost() {
  ControlUse use(*this);
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  ReleaseMouseCapture();
  if (mPopupControl && mPopupControl->GetExpanded()) mPopupControl->Hide(true);
  if (mTextEntryControl && mTextEntryControl->EditInProgress()) mTextEntryControl->Hide(true);
}

void IGraphics::OnAppearanceChanged(EUIAppearance appearance) {
  if (mAppearanceChangedFunc) mAppearanceChangedFunc(appearance);
}

// ---- Value prompts ----

// The prompt menu may be the one the in-editor menu is showing or closing: a request for it then is answered
// with no choice before the menu is cleared and refilled under the shown panels.
bool IGraphics::AnswerWhileMenuBusy(IControl& control, int valIdx, bool isContext) {
  if (!mPopupControl || mPopupControl->GetState() == IPopupMenuControlBase::kClosed) return false;
  if (isContext)
    control.OnContextSelection(-1);
  else
    control.OnPopupMenuSelection(nullptr, valIdx);
  return true;
}

void IGraphics::ResetPromptMenu() {
  mPromptPopupMenu.Clear(true);
}

void IGraphics::PromptUserInput(IControl& control, const IRECT& bounds, int valIdx) {
  ControlUse use(*this);
  const IParam* param = control.GetParam(valIdx);
  if (!param) return;

  const int nTexts = param->NDisplayTexts();
  const bool asMenu = param->Type() == kTypeEnum || (param->Type() == kTypeBool && nTexts > 0);
  if (asMenu) {
    if (AnswerWhileMenuBusy(control, valIdx, false)) return;
    // Items are the display texts in their own order, so a range that does not start at 0 still lines up.
    const char* current = param->GetDisplayText(param->Value());
    ResetPromptMenu();
    for (int i = 0; i < nTexts; ++i) {
      const char* text = param->GetDisplayTextAtIdx(i);
      const int flags = std::strcmp(text, current) == 0 ? IPopupMenu::Item::kChecked : IPopupMenu::Item::kNoFlags;
      mPromptPopupMenu.AddItem(new IPopupMenu::Item(text, flags, -1));
    }
    mPromptPopupMenu.SetRootTitle(param->GetName());
    DoCreatePopupMenu(control, mPromptPopupMenu, bounds, valIdx, false);
    return;
  }

  FwString text;
  param->GetDisplay(param->Value(), false, text, false);
  if (control.GetPromptShowsParamLabel()) {
    text.Append(" ");
    text.Append(param->GetLabel());
  }
  CreateTextEntry(control, control.GetText(), bounds, text.Get(), valIdx);
}

void IGraphics::CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str,
                                int valIdx) {
  ControlUse use(*this);
  // A control already removed (by the code that asked, say) opens nothing: no entry could answer it.
  if (!Holds(&control)) return;
  mInTextEntry = &control;
  mTextEntryValIdx = valIdx;
  const int paramIdx = valIdx < 0 ? -1 : control.GetParamIdx(valIdx);
  if (mTextEntryControl)
    mTextEntryControl->CreateTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  else
    CreatePlatformTextEntry(paramIdx, text, bounds, control.GetTextEntryLength(), str);
  control.SetDirty(false);
}

void IGraphics::CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx) {
  DoCreatePopupMenu(control, menu, bounds, valIdx, false);
}

// The press that opened the menu hands its open host edits to the menu; they end when it answers.
void IGraphics::DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx,
                                  bool isContext) {
  ControlUse use(*this);
  // While the in-editor menu shows or closes, a request is answered with no choice at once; the shown
  // menu keeps its caller and edits, and the requester keeps its press. So is a request of a control already
  // removed (by its own CreateContextMenu, say): no menu is shown for it and no handle keeps it.
  const bool menuBusy = mPopupControl && mPopupControl->GetState() != IPopupMenuControlBase::kClosed;
  if (menuBusy || !Holds(&control)) {
    menu.SetChosenItemIdx(-1);
    menu.ExecFunction();
    if (isContext)
      control.OnContextSelection(-1);
    else
      control.OnPopupMenuSelection(nullptr, valIdx);
    return;
  }
  EndEdits(mPopupEdits);
  for (const auto& [touchID, held] : mCapturedMap) {
    if (held != &control) continue;
    const auto open = mOpenEdits.find(touchID);
    if (open == mOpenEdits.end()) continue;
    mPopupEdits.insert(mPopupEdits.end(), open->second.begin(), open->second.end());
    mOpenEdits.erase(open);
  }
  ReleaseMouseCapture();

  mInPopupMenu = &control;
  mPopupMenuValIdx = valIdx;
  mIsContextMenu = isContext;
  ++mMenuRequest;
  mPendingMenu = &menu;
  mMenuOwner = &menu == &mPromptPopupMenu ? nullptr : &control;

  if (mPopupControl) {
    mPopupControl->CreatePopupMenu(menu, bounds);
    return;
  }
  bool isAsync = false;
  IPopupMenu* answer = CreatePlatformPopupMenu(menu, bounds, isAsync);
  if (!isAsync) SetControlValueAfterPopupMenu(answer);
}

void IGraphics::SetControlValueAfterPopupMenu(IPopupMenu* menu) {
  ControlUse use(*this);
  IControl* control = mInPopupMenu;
  if (!control) return;
  mInPopupMenu = nullptr;
  mPendingMenu = nullptr;
  std::vector<int> edits = std::move(mPopupEdits);
  mPopupEdits.clear();

  if (mIsContextMenu)
    control->OnContextSelection(menu ? menu->GetChosenItemIdx() : -1);
  else
    control->OnPopupMenuSelection(menu && menu->GetChosenItemIdx() != -1 ? menu : nullptr, mPopupMenuValIdx);

  EndEdits(edits);
}

void IGraphics::SetControlValueAfterTextEdit(const char* str) {
  ControlUse use(*this);
  IControl* control = mInTextEntry;
  if (!control) return;
  mInTextEntry = nullptr;
  const char* text = str ? str : "";

  const IParam* param = mTextEntryValIdx >= 0 ? control->GetParam(mTextEntryValIdx) : nullptr;
  if (!param) {
    control->OnTextEntryCompletion(text, mTextEntryValIdx);
    return;
  }
  // Typed "nan" is refused outright; the parameter would otherwise read it as its current value.
  double typed;
  if (!param->MapDisplayText(text, &typed) && ParseDouble(text, typed) && std::isnan(typed)) return;
  double normalized;
  if (ParamValueToNormalized(*param, param->StringToValue(text), normalized))
    control->SetValueFromUserInput(normalized, mTextEntryValIdx);
}

void IGraphics::PopupContextMenuForControl(int controlIdx, float x, float y) {
  ControlUse use(*this);
  IControl* control = GetControl(controlIdx);
  if (!control || AnswerWhileMenuBusy(*control, -1, true)) return;
  ResetPromptMenu();
  control->CreateContextMenu(mPromptPopupMenu);
  if (mPromptPopupMenu.NItems() > 0) DoCreatePopupMenu(*control, mPromptPopupMenu, IRECT(x, y, x, y), -1, true);
}

}  // namespace fx::gfx

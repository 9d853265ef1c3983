#include "graphics/IGraphics.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/IBubbleControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IPanelControl.h"
#include "graphics/IPopupMenuControlBase.h"
#include "graphics/ITextEntryControlBase.h"
#include "graphics/IVectorBase.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx::gfx {

IGraphics::IGraphics(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : mWidth(w), mHeight(h), mFPS(fps), mDrawScale(scale), mDelegate(&dlg) {
  RetainStaticStorage();
}

// No platform or delegate calls from here: the derived classes (and maybe the delegate) are gone.
IGraphics::~IGraphics() {
  mCursorHidden = false;
  DropOpenEdits();
  RemoveAllControls();
  mRemovedControls.clear();
  ReleaseStaticStorage();
}

void IGraphics::RemoveAllControls() {
  ReleaseMouseCapture();
  EndEdits(mPopupEdits);
  mMouseOver = nullptr;
  mMouseOverIdx = -1;
  mInTextEntry = nullptr;
  mInPopupMenu = nullptr;
  DeleteControl(mPopupControl.release());
  DeleteControl(mTextEntryControl.release());
  DeleteControl(mCornerResizer.release());
  DeleteControl(mPerfDisplay.release());
  // Each leaves its list before it is deleted, the last first.
  for (int i = NBubbleControls() - 1; i >= 0; --i) {
    IControl* bubble = mBubbleControls.Get(i);
    mBubbleControls.Delete(i);
    DeleteControl(bubble);
  }
  DeleteControl(mToolTipControl.release());
  for (int i = NControls() - 1; i >= 0; --i) {
    IControl* control = mControls.Get(i);
    mControls.Delete(i);
    DeleteControl(control);
  }
  mCtrlTags.clear();
  ++mRemovals;
  mPendingMenu = nullptr;
  mMenuOwner = nullptr;
  for (DrawLevel& level : mDrawLevels)
    for (DrawEntry& entry : level.entries) entry.control = nullptr;
}

// A control removed while it draws (by its own Draw, say) or handles an event is out of every list at once, but
// stays whole until the outermost draw or event has returned (the renderer has closed it by then); it is deleted
// then.
void IGraphics::DeleteControl(IControl* control) {
  if (!control) return;
  if (mControlUseDepth == 0) {
    delete control;
    return;
  }
  mRemovedControls.emplace_back(control);
}

// A deleted control may remove others as it goes: they join the list and go in the next round.
void IGraphics::DeleteRemovedControls() {
  while (!mRemovedControls.empty()) {
    std::vector<std::unique_ptr<IControl>> removed = std::move(mRemovedControls);
    mRemovedControls.clear();
    removed.clear();
  }
}

bool IGraphics::Holds(const IControl* control) const {
  if (!control) return false;
  if (GetControlIdx(control) >= 0) return true;
  for (int i = 0; i < NBubbleControls(); ++i)
    if (mBubbleControls.Get(i) == control) return true;
  return control == mCornerResizer.get() || control == mPopupControl.get() || control == mPerfDisplay.get() ||
         control == mTextEntryControl.get() || control == mToolTipControl.get();
}

// A control removed and handed back before it was deleted is the caller's again.
void IGraphics::Reclaim(const IControl* control) {
  const auto removed = std::find_if(mRemovedControls.begin(), mRemovedControls.end(),
                                    [control](const auto& r) { return r.get() == control; });
  if (removed == mRemovedControls.end()) return;
  static_cast<void>(removed->release());
  mRemovedControls.erase(removed);
}

void IGraphics::ConnectControl(IControl& control) {
  control.SetDelegate(mDelegate);
  control.SetGraphics(this);
}

void IGraphics::InitControl(IControl& control) {
  control.OnInit();
  control.OnResize();
  control.OnRescale();
}

IControl* IGraphics::AttachControl(IControl* control, int tag, const char* group) {
  if (!control) return nullptr;
  if (Holds(control)) return control;
  Reclaim(control);
  if (tag >= 0 && !mCtrlTags.try_emplace(tag, control).second) return nullptr;
  ConnectControl(*control);
  InitControl(*control);
  control->SetGroup(group);
  if (!mControls.Add(control)) {
    if (tag >= 0) mCtrlTags.erase(tag);
    return nullptr;
  }
  control->OnAttached();
  return control;
}

IControl* IGraphics::AttachBackgroundControl(IControl* control) {
  if (!control) return nullptr;
  if (Holds(control)) return control;
  Reclaim(control);
  ConnectControl(*control);
  InitControl(*control);
  if (!mControls.Insert(0, control)) {
    delete control;
    return nullptr;
  }
  if (mMouseOverIdx >= 0) ++mMouseOverIdx;
  return control;
}

void IGraphics::AttachCornerResizer(ICornerResizerControl* control, EUIResizerMode sizeMode, bool layoutOnResize) {
  if (Holds(control)) return;
  Reclaim(control);
  if (mCornerResizer) {
    delete control;
    return;
  }
  mCornerResizer.reset(control);
  mGUISizeMode = sizeMode;
  mLayoutOnResize = layoutOnResize;
  if (control) {
    ConnectControl(*control);
    InitControl(*control);
  }
}

void IGraphics::AttachPopupMenuControl(IPopupMenuControlBase* control) {
  if (Holds(control)) return;
  Reclaim(control);
  if (mPopupControl || !control) {
    delete control;
    return;
  }
  mPopupControl.reset(control);
  ConnectControl(*control);
  control->OnResize();
  control->OnRescale();
}

void IGraphics::AttachTextEntryControl(ITextEntryControlBase* control) {
  if (Holds(control)) return;
  Reclaim(control);
  if (mTextEntryControl || !control) {
    delete control;
    return;
  }
  mTextEntryControl.reset(control);
  ConnectControl(*control);
  control->OnResize();
  control->OnRescale();
}

// A menu still open in the control can no longer be answered: it is answered with no choice, which also
// ends the host edit of the press that opened it.
void IGraphics::RemovePopupMenuControl() {
  if (mPopupControl && mInPopupMenu) SetControlValueAfterPopupMenu(nullptr);
  ForgetControl(mPopupControl.get());
  DeleteControl(mPopupControl.release());
}

// An entry still open in the control is abandoned, so pointer drags reach the controls again.
void IGraphics::RemoveTextEntryControl() {
  if (mTextEntryControl) mInTextEntry = nullptr;
  ForgetControl(mTextEntryControl.get());
  DeleteControl(mTextEntryControl.release());
}

void IGraphics::AttachBubbleControl(IBubbleControl* control) {
  if (!control || Holds(control)) return;
  Reclaim(control);
  ConnectControl(*control);
  InitControl(*control);
  if (!mBubbleControls.Add(control)) delete control;
}

// A display made again starts as a new one: no frame timed yet.
void IGraphics::SetPerfDisplay(IFPSDisplayControl* control) {
  if (control && Holds(control)) return;
  Reclaim(control);
  ForgetControl(mPerfDisplay.get());
  DeleteControl(mPerfDisplay.release());
  mPerfDisplay.reset(control);
  if (control) {
    mFrameTimed = false;
    ConnectControl(*control);
    InitControl(*control);
  } else {
    mMouseOverIdx = -1;
  }
  SetAllControlsDirty();
}

void IGraphics::SetToolTipControl(IControl* control) {
  if (control && Holds(control)) return;
  Reclaim(control);
  ForgetControl(mToolTipControl.get());
  DeleteControl(mToolTipControl.release());
  mToolTipControl.reset(control);
  if (!control) return;
  ConnectControl(*control);
  InitControl(*control);
  control->SetIgnoreMouse(true);
}

IBubbleControl* IGraphics::GetBubbleControl(int idx) const {
  if (idx < 0 || idx >= NBubbleControls()) return nullptr;
  return mBubbleControls.Get(idx);
}

// Drops every pointer this object keeps to a control that is about to be deleted.
void IGraphics::ForgetControl(IControl* control) {
  if (!control) return;
  if (ControlIsCaptured(control)) ReleaseMouseCapture();
  if (mMouseOver == control) {
    mMouseOver = nullptr;
    mMouseOverIdx = -1;
  }
  // The entry typing for it (in the editor or the platform's field) closes, as its menu does below: its text could
  // no longer be answered.
  if (mInTextEntry == control) {
    mInTextEntry = nullptr;
    if (!mTextEntryControl)
      ForceEndUserEdit();
    else if (mTextEntryControl.get() != control)
      mTextEntryControl->DropEntry();
  }
  if (mInPopupMenu == control) {
    mInPopupMenu = nullptr;
    mPendingMenu = nullptr;
    EndEdits(mPopupEdits);
  }
  // Its own menu goes with it: a request still waiting for its turn finds nothing, and the in-editor menu stops
  // showing it.
  if (mMenuOwner == control) {
    mMenuOwner = nullptr;
    mPendingMenu = nullptr;
    if (mPopupControl && mPopupControl.get() != control) mPopupControl->DropMenu();
  }
  ++mRemovals;
  for (int i = 0; i < NBubbleControls(); ++i) mBubbleControls.Get(i)->ForgetCaller(control);
  // Neither a container nor its children may keep a pointer to the other once one of them goes.
  if (auto* container = dynamic_cast<IContainerBase*>(control->GetParent())) container->RemoveChild(control);
  for (int i = 0; i < NControls(); ++i)
    if (mControls.Get(i)->GetParent() == control) mControls.Get(i)->SetParent(nullptr);
  const auto tag =
      std::find_if(mCtrlTags.begin(), mCtrlTags.end(), [control](const auto& e) { return e.second == control; });
  if (tag != mCtrlTags.end()) mCtrlTags.erase(tag);
  // A control may go while the draw loop draws another: the loop (at every level) must not reach it afterwards.
  for (DrawLevel& level : mDrawLevels)
    for (DrawEntry& entry : level.entries)
      if (entry.control == control) entry.control = nullptr;
}

void IGraphics::RemoveControlWithTag(int ctrlTag) {
  const auto it = mCtrlTags.find(ctrlTag);
  if (it != mCtrlTags.end()) RemoveControl(it->second);
  mCtrlTags.erase(ctrlTag);
  SetAllControlsDirty();
}

void IGraphics::RemoveControl(int idx) {
  IControl* control = GetControl(idx);
  if (control) {
    ForgetControl(control);
    if (mMouseOverIdx > idx) --mMouseOverIdx;
    mControls.Delete(idx);
    DeleteControl(control);
  }
  SetAllControlsDirty();
}

void IGraphics::RemoveControl(IControl* control) {
  const int idx = GetControlIdx(control);
  if (idx < 0) {
    SetAllControlsDirty();
    return;
  }
  RemoveControl(idx);
}

void IGraphics::SetControlPosition(IControl* control, float x, float y) {
  control->SetPosition(x, y);
  if (!control->IsHidden()) SetAllControlsDirty();
}

void IGraphics::SetControlSize(IControl* control, float w, float h) {
  control->SetSize(w, h);
  if (!control->IsHidden()) SetAllControlsDirty();
}

void IGraphics::SetControlBounds(IControl* control, const IRECT& r) {
  control->SetTargetAndDrawRECTs(r);
  control->SetMouseIsOver(false);
  control->OnResize();
  if (!control->IsHidden()) SetAllControlsDirty();
}

IControl* IGraphics::GetControlWithTag(int ctrlTag) const {
  const auto it = mCtrlTags.find(ctrlTag);
  return it == mCtrlTags.end() ? nullptr : it->second;
}

IControl* IGraphics::GetControl(int idx) const {
  if (idx < 0 || idx >= NControls()) return nullptr;
  return mControls.Get(idx);
}

int IGraphics::GetControlIdx(const IControl* control) const {
  return mControls.Find(control);
}

IControl* IGraphics::GetControlWithParamIdx(int paramIdx) const {
  for (int i = 0; i < NControls(); ++i)
    if (mControls.Get(i)->LinkedToParam(paramIdx) >= 0) return mControls.Get(i);
  return nullptr;
}

bool IGraphics::ControlIsCaptured(const IControl* control) const {
  return std::any_of(mCapturedMap.begin(), mCapturedMap.end(),
                     [control](const auto& e) { return e.second == control; });
}

// The callback may remove controls (itself included): the walk goes over the list as it was, skipping those removed
// meanwhile, which stay whole until the walk is done.
void IGraphics::ForStandardControlsFunc(const IControlFunction& func) {
  ControlUse use(*this);
  const std::vector<IControl*> controls(mControls.GetList(), mControls.GetList() + NControls());
  const uint64_t removals = mRemovals;
  for (IControl* control : controls)
    if (mRemovals == removals || GetControlIdx(control) >= 0) func(control);
}

void IGraphics::ForAllControlsFunc(const IControlFunction& func) {
  ControlUse use(*this);
  ForStandardControlsFunc(func);
  if (mPerfDisplay) func(mPerfDisplay.get());
  if (mCornerResizer) func(mCornerResizer.get());
  if (mTextEntryControl) func(mTextEntryControl.get());
  if (mPopupControl) func(mPopupControl.get());
  for (int i = 0; i < NBubbleControls(); ++i) func(mBubbleControls.Get(i));
  if (mToolTipControl) func(mToolTipControl.get());
}

void IGraphics::ForControlWithParam(int paramIdx, const IControlFunction& func) {
  ForStandardControlsFunc([&](IControl* control) {
    if (control->LinkedToParam(paramIdx) >= 0) func(control);
  });
}

void IGraphics::ForControlWithParam(const std::vector<int>& params, const IControlFunction& func) {
  ForStandardControlsFunc([&](IControl* control) {
    if (std::any_of(params.begin(), params.end(), [control](int p) { return control->LinkedToParam(p) >= 0; }))
      func(control);
  });
}

void IGraphics::ForControlInGroup(const char* group, const IControlFunction& func) {
  const char* wanted = group ? group : "";
  ForStandardControlsFunc([&](IControl* control) {
    if (std::strcmp(control->GetGroup(), wanted) == 0) func(control);
  });
}

void IGraphics::HideControl(int paramIdx, bool hide) {
  ForControlWithParam(paramIdx, [hide](IControl* c) { c->Hide(hide); });
}

void IGraphics::DisableControl(int paramIdx, bool disable) {
  ForControlWithParam(paramIdx, [disable](IControl* c) { c->SetDisabled(disable); });
}

void IGraphics::SetControlDirty(int paramIdx, bool triggerAction, int valIdx) {
  ForControlWithParam(paramIdx, [=](IControl* c) { c->SetDirty(triggerAction, valIdx); });
}

void IGraphics::SetParameterHighlight(int paramIdx, bool on, int colorIdx) {
  ForControlWithParam(paramIdx, [=](IControl* c) { c->SetHighlight(on, colorIdx); });
}

void IGraphics::SetAllControlsDirty() {
  ForAllControls(&IControl::SetDirty, false, -1);
}

void IGraphics::SetAllControlsClean() {
  ForAllControls(&IControl::SetClean);
}

void IGraphics::ForAllControlsOnGUIIdle() {
  ForAllControls(&IControl::OnGUIIdle);
}

void IGraphics::AssignParamNameToolTips() {
  ForStandardControlsFunc([](IControl* c) {
    if (const IParam* param = c->GetParam(0)) c->SetTooltip(param->GetName());
  });
}

// No caller has no value to bring its peers in line with.
void IGraphics::UpdatePeers(IControl* caller, int valIdx) {
  if (!caller) return;
  const int paramIdx = caller->GetParamIdx(valIdx);
  if (paramIdx < 0) return;
  const double value = caller->GetValue(valIdx);
  ForStandardControlsFunc([&](IControl* c) {
    const int entry = c->LinkedToParam(paramIdx);
    if (c != caller && entry >= 0) c->SetValueFromDelegate(value, entry);
  });
}

void IGraphics::SetLastClickedParam(float x, float y) {
  const IControl* control = GetMouseControl(x, y, false);
  mLastClickedParam = control ? control->GetParamIdx(0) : -1;
}

int IGraphics::GetAndResetLastClickedParam() {
  const int param = mLastClickedParam;
  mLastClickedParam = -1;
  return param;
}

void IGraphics::StyleAllVectorControls(const IVStyle& style) {
  ForStandardControlsFunc([&style](IControl* c) {
    if (auto* vb = dynamic_cast<IVectorBase*>(c)) vb->SetStyle(style);
  });
}

void IGraphics::EnableTooltips(bool enable) {
  mEnableTooltips = enable;
  UpdateTooltips();
}

void IGraphics::SetStrictDrawing(bool strict) {
  mStrict = strict;
  SetAllControlsDirty();
}

// Limits are positive finite numbers, or the pair is refused: Resize clamps every scale into them, and an infinite
// limit would let an infinite scale through to the window size.
void IGraphics::SetScaleConstraints(float lo, float hi) {
  const auto valid = [](float s) { return s > 0.f && std::isfinite(s); };
  if (!valid(lo) || !valid(hi)) return;
  mMinScale = std::min(lo, hi);
  mMaxScale = std::max(lo, hi);
}

void IGraphics::SetSizeConstraints(int widthLo, int widthHi, int heightLo, int heightHi) {
  mMinWidth = static_cast<float>(std::min(widthLo, widthHi));
  mMaxWidth = static_cast<float>(std::max(widthLo, widthHi));
  mMinHeight = static_cast<float>(std::min(heightLo, heightHi));
  mMaxHeight = static_cast<float>(std::max(heightLo, heightHi));
  mSizeConstraintsSet = true;
}

}  // namespace fx::gfx

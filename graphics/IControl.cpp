#include "graphics/IControl.h"

#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/ParamNormalize.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

namespace fx::gfx {

namespace {

constexpr float kDisabledWeight = 0.25f;
constexpr IColor kHighlightColors[] = {IColor(255, 255, 0, 0), IColor(255, 0, 0, 255), IColor(255, 0, 255, 0),
                                       IColor(255, 255, 255, 0)};

// A stored value that is not a number becomes 0 rather than travel to the host.
double ClampNormalized(double v) {
  return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
}

}  // namespace

IControl::IControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc)), mVals{{paramIdx, 0.0}} {}

IControl::IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc)
    : mRECT(bounds), mTargetRECT(bounds), mActionFunc(std::move(actionFunc)) {
  for (int idx : params) mVals.push_back({idx, 0.0});
}

IControl::IControl(const IRECT& bounds, IActionFunction actionFunc) : IControl(bounds, -1, std::move(actionFunc)) {}

void IControl::OnMouseDown(float x, float y, const IMouseMod& mod) {
  if (mod.R) PromptUserInput(GetValIdxForPos(x, y));
}

void IControl::OnMouseUp(float, float, const IMouseMod&) {}

void IControl::OnMouseDrag(float, float, float, float, const IMouseMod&) {}

void IControl::OnMouseDblClick(float x, float y, const IMouseMod&) {
  SetValueToDefault(GetValIdxForPos(x, y));
}

void IControl::OnMouseWheel(float, float, const IMouseMod&, float) {}

bool IControl::OnKeyDown(float, float, const IKeyPress&) {
  return false;
}

bool IControl::OnKeyUp(float, float, const IKeyPress&) {
  return false;
}

void IControl::OnMouseOver(float, float, const IMouseMod&) {
  if (mMouseIsOver) return;
  mMouseIsOver = true;
  SetDirty(false);
}

void IControl::OnMouseOut() {
  if (!mMouseIsOver) return;
  mMouseIsOver = false;
  SetDirty(false);
}

void IControl::OnTouchCancelled(float, float, const IMouseMod&) {}

void IControl::OnDrop(const char*) {}

void IControl::OnDropMultiple(const std::vector<const char*>& paths) {
  if (!paths.empty()) OnDrop(paths.front());
}

void IControl::OnRescale() {}

void IControl::OnResize() {}

void IControl::OnInit() {}

void IControl::OnAttached() {}

void IControl::OnMsgFromDelegate(int, int, const void*) {}

void IControl::OnMidi(const IMidiMsg&) {}

bool IControl::OnGesture(const IGestureInfo& info) {
  const auto it = mGestureFuncs.find(info.type);
  if (it == mGestureFuncs.end()) return false;
  mLastGesture = info.type;
  it->second(this, info);
  return true;
}

void IControl::CreateContextMenu(IPopupMenu&) {}

// The chosen item stands for the parameter value of that display text, so enumerations whose minimum
// is not 0 land on the right value; without display texts (or past them) the index is the value itself.
void IControl::OnPopupMenuSelection(IPopupMenu* menu, int valIdx) {
  if (!menu || mDisablePrompt || !IsBound(valIdx)) return;
  const IParam& param = *GetParam(valIdx);
  // The chosen index is the value itself unless the parameter names its values; clamping to the range below
  // takes an index of -1 (no choice) to the minimum.
  const int chosen = menu->GetChosenItemIdx();
  double value = chosen;
  if (chosen >= 0 && chosen < param.NDisplayTexts()) param.GetDisplayTextAtIdx(chosen, &value);
  double normalized;
  if (ParamValueToNormalized(param, value, normalized)) SetValueFromUserInput(normalized, valIdx);
}

void IControl::OnTextEntryCompletion(const char*, int) {}

void IControl::OnContextSelection(int) {}

IRECT IControl::OpaqueBounds() const {
  return IRECT();
}

void IControl::DrawHighlight(IGraphics& g) {
  if (mHighlight) g.FillCircle(mHighlightColor, mTargetRECT.R - 5.f, mTargetRECT.T + 5.f, 2.f, nullptr);
}

void IControl::SetParamIdx(int paramIdx, int valIdx) {
  if (!ValidValIdx(valIdx)) throw std::out_of_range("IControl::SetParamIdx: no such value entry");
  mVals[static_cast<std::size_t>(valIdx)].idx = paramIdx;
  SetDirty(false);
}

int IControl::GetValIdxForPos(float, float) const {
  return NVals() == 1 ? 0 : -1;
}

void IControl::SetValueFromDelegate(double value, int valIdx) {
  if (mGraphics && mGraphics->ControlIsCaptured(this)) return;
  if (!ValidValIdx(valIdx) || GetValue(valIdx) == value) return;
  SetValue(value, valIdx);
  SetDirty(false);
}

void IControl::SetValueFromUserInput(double value, int valIdx) {
  if (!ValidValIdx(valIdx) || GetValue(valIdx) == value) return;
  // The action may remove this control: it stays whole until the control's own SetDirty has returned.
  std::optional<IGraphics::ControlUse> use;
  if (mGraphics) use.emplace(*mGraphics);
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
}

void IControl::SetValueToDefault(int valIdx) {
  const int idx = EffectiveValIdx(valIdx);
  if (idx >= NVals()) return;
  for (int i = 0; i < NVals(); ++i) {
    if ((idx >= 0 && i != idx) || !IsBound(i)) continue;
    const IParam& param = *GetParam(i);
    double normalized;
    if (ParamValueToNormalized(param, param.GetDefault(), normalized)) SetValue(normalized, i);
  }
  SetDirty(true, idx);
}

void IControl::SetValue(double value, int valIdx) {
  if (ValidValIdx(valIdx)) mVals[static_cast<std::size_t>(valIdx)].value = value;
}

void IControl::SetText(const IText& text) {
  mText = text;
}

void IControl::SetPosition(float x, float y) {
  x = std::max(x, 0.f);
  y = std::max(y, 0.f);
  const float offsetX = mTargetRECT.L - mRECT.L;
  const float offsetY = mTargetRECT.T - mRECT.T;
  const float targetW = mTargetRECT.W();
  const float targetH = mTargetRECT.H();

  mRECT = IRECT(x, y, x + mRECT.W(), y + mRECT.H());
  mMouseIsOver = false;
  OnResize();

  const float tl = mRECT.L + offsetX;
  const float tt = mRECT.T + offsetY;
  mTargetRECT = IRECT(tl, tt, tl + targetW, tt + targetH);
  mMouseIsOver = false;
}

void IControl::SetSize(float w, float h) {
  w = std::max(w, 0.f);
  h = std::max(h, 0.f);
  mRECT = IRECT(mRECT.L, mRECT.T, mRECT.L + w, mRECT.T + h);
  mTargetRECT = mRECT;
  mMouseIsOver = false;
  OnResize();
}

void IControl::Hide(bool hide) {
  mHide = hide;
  SetDirty(false);
}

void IControl::SetDisabled(bool disable) {
  mBlend.weight = disable ? kDisabledWeight : 1.f;
  mDisabled = disable;
  SetDirty(false);
}

void IControl::SetIgnoreMouse(bool ignore) {
  mIgnoreMouse = ignore;
}

bool IControl::IsHit(float x, float y) const {
  return mTargetRECT.Contains(x, y);
}

void IControl::SetDirty(bool triggerAction, int valIdx) {
  const int idx = EffectiveValIdx(valIdx);
  const bool all = idx < 0;
  for (int i = 0; i < NVals(); ++i)
    if (all || i == idx) SetValue(ClampNormalized(GetValue(i)), i);

  mDirty = true;

  if (!triggerAction) return;
  for (int i = 0; i < NVals(); ++i) {
    if ((!all && i != idx) || !IsBound(i)) continue;
    mDelegate->SendParameterValueFromUI(GetParamIdx(i), GetValue(i));
    if (mGraphics) mGraphics->UpdatePeers(this, i);
  }
  if (mActionFunc) mActionFunc(this);
}

void IControl::SetClean() {
  mDirty = false;
}

bool IControl::IsDirty() {
  return mAnimationFunc ? true : mDirty;
}

void IControl::OnGUIIdle() {}

bool IControl::GetWantsGestures() const {
  return !mGestureFuncs.empty() && !mAnimationFunc;
}

void IControl::SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx, double minClip,
                           double maxClip) {
  // A zero-size track has no position to map to: the value stays as it is.
  const float extent = direction == kHorizontal ? bounds.W() : bounds.H();
  if (!(extent > 0.f)) return;
  x = std::min(std::max(x, bounds.L), bounds.R);
  y = std::min(std::max(y, bounds.T), bounds.B);
  double v = direction == kHorizontal ? (x - bounds.L) / bounds.W() : 1.0 - (y - bounds.T) / bounds.H();
  v = 0.001 * std::round(v / 0.001);
  v = std::min(std::max(v, minClip), maxClip);

  if (valIdx >= 0)
    SetValue(v, valIdx);
  else
    for (int i = 0; i < NVals(); ++i) SetValue(v, i);
  SetDirty(true, valIdx);
}

void IControl::OnEndAnimation() {
  mAnimationFunc = nullptr;
  SetDirty(false);
  if (mAnimationEndActionFunc) mAnimationEndActionFunc(this);
}

IParam* IControl::GetParam(int valIdx) const {
  return IsBound(valIdx) ? mDelegate->GetParam(GetParamIdx(valIdx)) : nullptr;
}

int IControl::GetParamIdx(int valIdx) const {
  return ValidValIdx(valIdx) ? mVals[static_cast<std::size_t>(valIdx)].idx : -1;
}

// A negative index names no parameter: an unbound entry is linked to none.
int IControl::LinkedToParam(int paramIdx) const {
  if (paramIdx < 0) return -1;
  for (int i = 0; i < NVals(); ++i)
    if (mVals[static_cast<std::size_t>(i)].idx == paramIdx) return i;
  return -1;
}

double IControl::GetValue(int valIdx) const {
  return ValidValIdx(valIdx) ? mVals[static_cast<std::size_t>(valIdx)].value : 0.0;
}

bool IControl::IsBound(int valIdx) const {
  const int paramIdx = GetParamIdx(valIdx);
  return paramIdx >= 0 && mDelegate && paramIdx < mDelegate->NParams();
}

void IControl::SetAnimation(IAnimationFunction func, int durationMs) {
  SetAnimation(std::move(func));
  StartAnimation(durationMs);
}

void IControl::StartAnimation(int durationMs) {
  mAnimationStartTime = GraphicsClockMs();
  mAnimationDuration = durationMs;
}

// An animation of no length is over as soon as it starts.
double IControl::GetAnimationProgress() const {
  if (!mAnimationFunc) return 0.0;
  if (!(mAnimationDuration > 0.0)) return std::numeric_limits<double>::infinity();
  return (GraphicsClockMs() - mAnimationStartTime) / mAnimationDuration;
}

// The function may end the animation (and so replace itself) while it runs: call a copy.
void IControl::Animate() {
  if (!mAnimationFunc) return;
  const IAnimationFunction func = mAnimationFunc;
  func(this);
}

void IControl::SetHighlight(bool on, int colorIdx) {
  mHighlight = on;
  if (colorIdx >= kHighlightRed && colorIdx <= kHighlightYellow) mHighlightColor = kHighlightColors[colorIdx];
  SetDirty(false);
}

void IControl::PromptUserInput(int valIdx) {
  if (valIdx < 0 || !IsBound(valIdx) || mDisablePrompt || !mGraphics) return;
  // An answer given at once may remove this control: it stays whole until this call is done.
  IGraphics::ControlUse use(*mGraphics);
  IRECT box = mRECT;
  if (GetParam(valIdx)->NDisplayTexts() == 0)
    box = IRECT(mRECT.MW() - 20.f, mRECT.MH() - 8.f, mRECT.MW() + 20.f, mRECT.MH() + 8.f);
  mGraphics->PromptUserInput(*this, box, valIdx);
  SetDirty(false);
}

void IControl::PromptUserInput(const IRECT& bounds, int valIdx) {
  if (valIdx >= 0 && IsBound(valIdx) && !mDisablePrompt && mGraphics) mGraphics->PromptUserInput(*this, bounds, valIdx);
}

IControl* IControl::AttachGestureRecognizer(EGestureType type, IGestureFunction func) {
  mGestureFuncs.try_emplace(type, std::move(func));
  if (mGraphics) mGraphics->AttachGestureRecognizer(type);
  return this;
}

}  // namespace fx::gfx

#include "controls/IVTabSwitchControl.h"

#include "framework/IParam.h"
#include "graphics/IControlActions.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

namespace {

void CentreAlign(IText& text) {
  text.mAlign = kAlignCenter;
  text.mVAlign = kVAlignMiddle;
}

}  // namespace

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& options,
                                       const char* label, const IVStyle& style, EVShape shape, EDirection direction)
    : ISwitchControlBase(bounds, paramIdx, SplashClickActionFunc, static_cast<int>(options.size())),
      IVectorBase(style),
      mDirection(direction) {
  SetUp(options, label, style, shape);
}

IVTabSwitchControl::IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc,
                                       const std::vector<const char*>& options, const char* label, const IVStyle& style,
                                       EVShape shape, EDirection direction)
    : ISwitchControlBase(bounds, -1, std::move(actionFunc), static_cast<int>(options.size())),
      IVectorBase(style),
      mDirection(direction) {
  SetUp(options, label, style, shape);
}

IVTabSwitchControl::~IVTabSwitchControl() {
  mTabLabels.Empty(true);
}

// What both constructors share.
void IVTabSwitchControl::SetUp(const std::vector<const char*>& options, const char* label, const IVStyle& style,
                               EVShape shape) {
  AttachIControl(this, label);
  mText = style.valueText;
  mShape = shape;
  for (const char* option : options) AddTabLabel(option);
  CentreAlign(mStyle.valueText);
  CentreAlign(mText);
}

void IVTabSwitchControl::AddTabLabel(const char* text) {
  auto* label = new FwString(text ? text : "");
  if (!mTabLabels.Add(label)) delete label;
}

int IVTabSwitchControl::GetSelectedIdx() const {
  const double idx = (mNumStates - 1) * GetValue() + 0.5;
  constexpr double kIntLimit = 2147483648.0;
  return idx > -kIntLimit && idx < kIntLimit ? static_cast<int>(idx) : -1;
}

const char* IVTabSwitchControl::GetSelectedLabelStr() const {
  const int i = GetSelectedIdx();
  return HasText(i) ? mTabLabels.Get(i)->Get() : "";
}

void IVTabSwitchControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

void IVTabSwitchControl::DrawWidget(IGraphics& g) {
  const int selected = GetSelectedIdx();
  const int n = NTabs();
  for (int i = 0; i < n; ++i) {
    const ETabSegment segment = i == n - 1 ? ETabSegment::End : i == 0 ? ETabSegment::Start : ETabSegment::Mid;
    const bool disabled = mDisabled || GetStateDisabled(i);
    const IRECT& r = GetTabRect(i);
    DrawButton(g, r, i == selected, i == mMouseOverButton, segment, disabled);
    if (HasText(i))
      DrawButtonText(g, r, i == selected, i == mMouseOverButton, segment, disabled, mTabLabels.Get(i)->Get());
  }
}

void IVTabSwitchControl::DrawButton(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver,
                                    ETabSegment segment, bool disabled) {
  const bool horizontal = mDirection == kHorizontal;
  switch (mShape) {
    case EVShape::AllRounded:
      if (horizontal)
        DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, true, true, false, false);
      else
        DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, false, true, false, true);
      break;
    case EVShape::EndsRounded: {
      const bool start = segment == ETabSegment::Start;
      const bool end = segment == ETabSegment::End;
      if (horizontal)
        DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, start, end, false, false);
      else
        DrawPressableRectangle(g, bounds, pressed, mouseOver, disabled, false, start, false, end);
      break;
    }
    default:
      DrawPressableShape(g, mShape, bounds, pressed, mouseOver, disabled);
      break;
  }
}

void IVTabSwitchControl::DrawButtonText(IGraphics& g, const IRECT& bounds, bool, bool, ETabSegment, bool,
                                        const char* text) {
  if (text && *text) g.DrawText(mStyle.valueText, text, bounds, &mBlend);
}

int IVTabSwitchControl::GetButtonForPoint(float x, float y) const {
  for (int i = 0; i < NTabs(); ++i)
    if (GetTabRect(i).Contains(x, y)) return i;
  return -1;
}

void IVTabSwitchControl::OnResize() {
  mTargetRECT = MakeRects(mRECT, false);
  mMouseIsOver = false;
  mButtons.Resize(0);
  const IRECT& w = mWidgetBounds;
  const float n = static_cast<float>(mNumStates);
  for (int i = 0; i < mNumStates; ++i) {
    if (mDirection == kHorizontal) {
      const float cw = w.W() / n;
      mButtons.Add(IRECT(w.L + i * cw, w.T, w.L + i * cw + cw, w.B));
    } else {
      const float ch = w.H() / n;
      mButtons.Add(IRECT(w.L, w.T + i * ch, w.R, w.T + i * ch + ch));
    }
  }
  SetDirty(false);
}

bool IVTabSwitchControl::IsHit(float x, float y) const {
  return GetButtonForPoint(x, y) >= 0;
}

void IVTabSwitchControl::OnInit() {
  ISwitchControlBase::OnInit();
  const IParam* param = GetParam(0);
  if (!param || mTabLabels.GetSize() > 0) return;
  for (int i = 0; i < mNumStates; ++i) AddTabLabel(param->GetDisplayText(i));
  if (mLabelStr.GetLength() == 0) mLabelStr.Set(param->GetName());
}

void IVTabSwitchControl::OnMouseDown(float x, float y, const IMouseMod&) {
  const int i = GetButtonForPoint(x, y);
  if (i >= 0) SetValue(mNumStates > 1 ? i * (1.0 / (mNumStates - 1)) : 0.0);
  SetDirty(true);
}

void IVTabSwitchControl::OnMouseOver(float x, float y, const IMouseMod& mod) {
  mMouseOverButton = GetButtonForPoint(x, y);
  IControl::OnMouseOver(x, y, mod);
  SetDirty(false);
}

void IVTabSwitchControl::OnMouseOut() {
  mMouseOverButton = -1;
  IControl::OnMouseOut();
  SetDirty(false);
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, int paramIdx, const std::vector<const char*>& options,
                                           const char* label, const IVStyle& style, EVShape shape, EDirection direction,
                                           float buttonSize)
    : IVTabSwitchControl(bounds, paramIdx, options, label, style, shape, direction),
      mButtonSize(buttonSize),
      mButtonAreaWidth(3.f * buttonSize) {
  UseNearAlignment();
}

IVRadioButtonControl::IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc,
                                           const std::vector<const char*>& options, const char* label,
                                           const IVStyle& style, EVShape shape, EDirection direction, float buttonSize)
    : IVTabSwitchControl(bounds, std::move(actionFunc), options, label, style, shape, direction),
      mButtonSize(buttonSize),
      mButtonAreaWidth(3.f * buttonSize) {
  UseNearAlignment();
}

void IVRadioButtonControl::UseNearAlignment() {
  mStyle.valueText.mAlign = kAlignNear;
  mStyle.valueText.mVAlign = kVAlignMiddle;
  mText.mAlign = kAlignNear;
  mText.mVAlign = kVAlignMiddle;
}

IRECT IVRadioButtonControl::ButtonArea(const IRECT& entry) const {
  return IRECT(entry.L, entry.T, entry.L + mButtonAreaWidth, entry.B);
}

// A button size below one point still draws a one-point button.
void IVRadioButtonControl::DrawWidget(IGraphics& g) {
  const int selected = GetSelectedIdx();
  const float half = 0.5f * std::max(1.f, mButtonSize);
  for (int i = 0; i < NTabs(); ++i) {
    const IRECT& r = GetTabRect(i);
    const IRECT area = ButtonArea(r);
    const IRECT button(area.MW() - half, area.MH() - half, area.MW() + half, area.MH() + half);
    const bool disabled = mDisabled || GetStateDisabled(i);
    DrawButton(g, button, i == selected, i == mMouseOverButton, ETabSegment::Mid, disabled);
    if (HasText(i)) {
      IText text = mStyle.valueText;
      text.mFGColor = GetColor(i == selected ? kPR : kX1);
      g.DrawText(text, mTabLabels.Get(i)->Get(), IRECT(r.L + mButtonAreaWidth, r.T, r.R, r.B), &mBlend);
    }
  }
}

int IVRadioButtonControl::GetButtonForPoint(float x, float y) const {
  if (!mOnlyButtonsRespondToMouse) return IVTabSwitchControl::GetButtonForPoint(x, y);
  for (int i = 0; i < NTabs(); ++i)
    if (ButtonArea(GetTabRect(i)).Contains(x, y)) return i;
  return -1;
}

}  // namespace fx::gfx

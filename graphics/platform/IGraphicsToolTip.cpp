#include "graphics/platform/IGraphicsToolTip.h"

#include <algorithm>

#include "graphics/IGraphics.h"

namespace fx::gfx {

namespace {

const IColor kFillColor(255, 246, 246, 240);
const IColor kFrameColor(255, 118, 118, 118);
const IColor kTextColor(255, 24, 24, 24);
constexpr float kCornerRadius = 3.f;
// Between the box and the pointer when the box goes above it.
constexpr float kGapAbovePointer = 4.f;
// Between the box and the editor's edges.
constexpr float kEdgeMargin = 2.f;

IText TipText() {
  IText text(IGraphicsToolTip::kTextSize, kVAlignMiddle);
  text.mFGColor = kTextColor;
  return text;
}

}  // namespace

IGraphicsToolTip::IGraphicsToolTip() : IControl(IRECT()) {
  SetIgnoreMouse(true);
  mText = TipText();
  mDirty = false;
}

void IGraphicsToolTip::ShowTip(const char* text, float x, float y) {
  IGraphics* g = GetUI();
  if (!g || !text || !*text) {
    HideTip();
    return;
  }
  mTipText = text;
  IRECT measured;
  g->MeasureText(mText, text, measured);
  const auto editorW = static_cast<float>(g->Width());
  const auto editorH = static_cast<float>(g->Height());
  const float width = std::min(measured.W() + 2.f * kPaddingX, editorW - 2.f * kEdgeMargin);
  const float height = kTextSize + 2.f * kPaddingY;
  const float left = std::clamp(x + kOffsetX, kEdgeMargin, std::max(kEdgeMargin, editorW - kEdgeMargin - width));
  float top = y + kOffsetY;
  if (top + height > editorH - kEdgeMargin) top = std::max(kEdgeMargin, y - kGapAbovePointer - height);
  mLeft = mLeft.Union(mBox);
  mBox = IRECT(left, top, left + width, top + height);
  Repaint();
}

void IGraphicsToolTip::HideTip() {
  mTipText.clear();
  mLeft = mLeft.Union(mBox);
  mBox = IRECT();
  Repaint();
}

void IGraphicsToolTip::Repaint() {
  SetTargetAndDrawRECTs(mBox.Union(mLeft));
  mDirty = true;
}

bool IGraphicsToolTip::IsDirty() {
  return mDirty && !GetRECT().Empty();
}

void IGraphicsToolTip::SetClean() {
  IControl::SetClean();
  mLeft = IRECT();
  SetTargetAndDrawRECTs(mBox);
}

void IGraphicsToolTip::Draw(IGraphics& g) {
  if (!IsShowing()) return;
  // The tooltip is no part of the editor's controls: it is drawn at full strength even while they are dimmed.
  g.FillRoundRect(kFillColor, mBox, kCornerRadius);
  g.DrawRoundRect(kFrameColor, mBox.GetPadded(-0.5f), kCornerRadius);
  g.DrawText(mText, mTipText.c_str(), mBox);
}

}  // namespace fx::gfx

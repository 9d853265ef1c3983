#include "editor/IVSliderControlLW.h"

#include "editor/EditorPaint.h"
#include "framework/NumberText.h"
#include "graphics/IGraphics.h"

#include <cmath>

namespace fx::gfx {

namespace {

// The grip is lighter than the frame so it reads on the handle's face.
constexpr int kGripRaise = 102;
constexpr float kNumberSizeReduction = 4.f;
// The widest number a scale prints; its width sets the number column.
constexpr const char* kWidestFaderNumber = "-99.9";
constexpr float kShortTickFrac = 0.15f;
constexpr float kLongTickFrac = 0.25f;
constexpr float kNumberColumnFrac = 0.9f;

}  // namespace

void IVSliderControlLW::DrawHandle(IGraphics& g, const IRECT& bounds) {
  mHandleBounds = bounds;
  IVSliderControl::DrawHandle(g, bounds);
}

void IVSliderControlLW::DrawWidget(IGraphics& g) {
  IVSliderControl::DrawWidget(g);
  if (!(mHandleSize > 0.f) || !mGripLine || mDirection != kVertical || mShape != EVShape::Rectangle) return;
  const float frame = mStyle.frameThickness;
  g.DrawHorizontalLine(RaiseColor(GetColor(kFR), kGripRaise), mHandleBounds.GetPadded(-4.f * frame), 0.5f, &mBlend,
                       2.f * frame);
}

IVSliderControlBG::IVSliderControlBG(const IRECT& bounds, const char* label, const IVStyle& style, bool drawBackground,
                                     float endInset)
    : IControl(bounds), IVectorBase(style, false, false), mEndInset(endInset), mDrawBackground(drawBackground) {
  AttachIControl(this, label);
}

void IVSliderControlBG::Draw(IGraphics& g) {
  if (mDrawBackground) DrawBackground(g, mRECT);
  DrawWidget(g);
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
}

void IVSliderControlBG::OnResize() {
  mWidgetBounds = MakeRects(mRECT, false);
  mTargetRECT = mWidgetBounds;
  mMouseIsOver = false;
  const IRECT& w = mWidgetBounds;
  const float quarter = 0.25f * w.W();
  mMiddleHalf = IRECT(w.MW() - quarter, w.T + mEndInset, w.MW() + quarter, w.B - mEndInset);
  mFullWidth = IRECT(w.L, w.T + mEndInset, w.R, w.B - mEndInset);
  SetDirty(false);
}

float IVSliderControlBG::TickPosition(float q, float exponent) {
  const float d = std::fabs(q - 0.5f) * 2.f;
  const float p = 0.5f * std::pow(d, 1.f / exponent);
  return q < 0.5f ? 0.5f - p : 0.5f + p;
}

void IVSliderControlBG::SetShapeExponent(float exponent) {
  mShapeExponent = exponent;
  SetDirty(false);
}

void IVSliderControlBG::SetRange(float minimum, float maximum, float middle) {
  mRangeMin = minimum;
  mRangeMax = maximum;
  mMiddleValue = middle;
  SetDirty(false);
}

void IVSliderControlBG::SetDisplayMode(int mode, float minVolume, float maxVolume) {
  switch (mode) {
    case 0:
      SetRange(minVolume, maxVolume, 0.f);
      break;
    case 1:
      SetRange(-100.f, 100.f, 0.f);
      break;
    case 2:
      SetRange(0.f, 100.f, 50.f);
      break;
    default:
      break;
  }
}

// Positions are t = 0, step, 2 step ... accumulated in single precision while below end, each rounded to
// hundredths so the accumulated error never moves a tick.
void IVSliderControlBG::DrawTicks(IGraphics& g, const IRECT& left, const IRECT& right, const IColor& color, float step,
                                  float end, float thickness) {
  for (float t = 0.f; t < end; t += step) {
    const float q = std::floor(t * 100.f + 0.5f) / 100.f;
    const float y = TickPosition(q, mShapeExponent);
    g.DrawHorizontalLine(color, left, y, &mBlend, thickness);
    g.DrawHorizontalLine(color, right, y, &mBlend, thickness);
  }
}

void IVSliderControlBG::DrawNumber(IGraphics& g, const IText& text, float value, float centreY, float width,
                                   float height) {
  char str[32];
  FormatFixed(str, sizeof(str), value, 0);
  const float left = mFullWidth.L;
  g.DrawText(text, str, IRECT(left, centreY - 0.5f * height, left + width, centreY + 0.5f * height));
}

void IVSliderControlBG::DrawWidget(IGraphics& g) {
  const IColor numberColor = RaiseColor(GetColor(kFG), kScaleNumberRaise);
  IText text = mStyle.labelText;
  text.mSize -= kNumberSizeReduction;
  text.mFGColor = numberColor;
  IRECT measured;
  const float tw = g.MeasureText(text, kWidestFaderNumber, measured);
  const float th = measured.H();

  const IRECT& m = mMiddleHalf;
  const float w = m.W();
  const IRECT shortLeft(m.L, m.T, m.L + kShortTickFrac * w, m.B);
  const IRECT shortRight(m.R - kShortTickFrac * w, m.T, m.R, m.B);
  const IRECT longLeft(m.L, m.T, m.L + kLongTickFrac * w, m.B);
  const IRECT longRight(m.R - kLongTickFrac * w, m.T, m.R, m.B);

  const IColor& fg = GetColor(kFG);
  DrawTicks(g, shortLeft, shortRight, fg, 0.05f, 1.05f, 1.f);
  DrawTicks(g, longLeft, longRight, fg, 0.1f, 1.1f, 2.f);
  const IColor white(fg.A, 255, 255, 255);
  g.DrawHorizontalLine(white, longLeft, 0.5f, &mBlend, 2.f);
  g.DrawHorizontalLine(white, longRight, 0.5f, &mBlend, 2.f);

  const float width = kNumberColumnFrac * tw;
  DrawNumber(g, text, mRangeMax, mFullWidth.T, width, th);
  DrawNumber(g, text, mRangeMin, mFullWidth.B, width, th);
  DrawNumber(g, text, mMiddleValue, mFullWidth.MH(), width, th);
}

}  // namespace fx::gfx

#include "graphics/IFPSDisplayControl.h"

#include "framework/NumberText.h"
#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

namespace {

IText StyleText(float size, const IColor& color, EAlign align, EVAlign valign) {
  IText text;
  text.SetFont("Roboto-Regular");
  text.mSize = size;
  text.mFGColor = color;
  text.mAlign = align;
  text.mVAlign = valign;
  return text;
}

// The value texts are at most 32 characters.
constexpr int kValueTextLen = 33;

}  // namespace

IFPSDisplayControl::IFPSDisplayControl(const IRECT& bounds, EDisplayKind kind, const char* label)
    : IControl(bounds), IVectorBase(DEFAULT_STYLE), mDisplayKind(kind), mLabel(label ? label : "") {
  AttachIControl(this, label);
  mStyle.colorSpec.SetColor(kBG, COLOR_WHITE);
  const IColor& frame = mStyle.colorSpec.GetColor(kFR);
  mText = StyleText(14.f, frame, kAlignNear, kVAlignBottom);
  mAPIStyle = StyleText(14.f, frame, kAlignNear, kVAlignTop);
  mMainValueStyle = StyleText(18.f, frame, kAlignFar, kVAlignTop);
  mSecondaryValueStyle = StyleText(15.f, frame, kAlignFar, kVAlignBottom);
}

void IFPSDisplayControl::OnMouseDown(float, float, const IMouseMod&) {
  mDisplayKind = static_cast<EDisplayKind>((mDisplayKind + 1) % 3);
}

void IFPSDisplayControl::AddSample(float seconds) {
  mSampleIdx = (mSampleIdx + 1) % kNumSamples;
  mSamples[mSampleIdx] = seconds;
}

// Frames per second up to 80, frame times up to 20 ms, percentages up to 100.
float IFPSDisplayControl::PlotValue(float v) const {
  switch (mDisplayKind) {
    case kFPS:
      return std::min(1.f / (v + 0.00001f), 80.f) / 80.f;
    case kPercentage:
      return std::min(v, 100.f) / 100.f;
    default:
      return std::min(v * 1000.f, 20.f) / 20.f;
  }
}

void IFPSDisplayControl::Draw(IGraphics& g) {
  const int n = kNumSamples;
  float sum = 0.f;
  for (float v : mSamples) sum += v;
  const float average = sum / static_cast<float>(n);

  g.FillRect(mStyle.colorSpec.GetColor(kBG), mRECT, &mBlend);
  g.DrawRect(COLOR_BLACK, mRECT, &mBlend, 1.f);

  // The newest sample first, then the other 99 from oldest to newest.
  const IRECT inner = mRECT.GetPadded(-2.f);
  g.PathClear();
  g.PathMoveTo(inner.L, inner.B);
  for (int i = 0; i < n; ++i) {
    const float v = mSamples[(mSampleIdx + i) % n];
    g.PathLineTo(inner.L + static_cast<float>(i) / 99.f * inner.W(), inner.B - PlotValue(v) * inner.H());
  }
  g.PathLineTo(mRECT.R, mRECT.B);
  g.PathFill(IPattern(mStyle.colorSpec.GetColor(kFG)), IFillOptions(), &mBlend);

  const char* api = g.GetDrawingAPIStr();
  if (api && api[0]) g.DrawText(mAPIStyle, api, inner, &mBlend);
  if (mLabel.GetLength() > 0) g.DrawText(*mLabelStyle, mLabel.Get(), inner, &mBlend);

  char text[kValueTextLen];
  switch (mDisplayKind) {
    case kPercentage:
      FormatText(text, sizeof(text), "%.1f %%", average);
      g.DrawText(mMainValueStyle, text, inner, &mBlend);
      break;
    case kFPS:
      FormatText(text, sizeof(text), "%.2f FPS", 1.f / average);
      g.DrawText(mMainValueStyle, text, inner, &mBlend);
      FormatText(text, sizeof(text), "%.2f ms", average * 1000.f);
      g.DrawText(mSecondaryValueStyle, text, inner, &mBlend);
      break;
    default:
      FormatText(text, sizeof(text), "%.2f ms", average * 1000.f);
      g.DrawText(mMainValueStyle, text, inner, &mBlend);
      break;
  }
}

}  // namespace fx::gfx

#include "controls/ISVGControls.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

namespace {

SVGStatePictures TwoPictures(const ISVG& off, const ISVG& on) {
  SVGStatePictures p;
  p.off = off;
  p.on = on;
  return p;
}

SVGStatePictures Recoloured(const ISVG& image, int mode, const IColor& offColor, const IColor& onColor,
                            const IColor& offHoverColor, const IColor& onHoverColor) {
  return SVGStatePictures{image, image, offColor, onColor, offHoverColor, onHoverColor, mode};
}

// A w x h rectangle centred in r; w at least 1, and h = w when h is not positive.
IRECT Centred(const IRECT& r, float w, float h) {
  w = std::max(1.f, w);
  if (!(h > 0.f)) h = w;
  return IRECT(r.MW() - 0.5f * w, r.MH() - 0.5f * h, r.MW() + 0.5f * w, r.MH() + 0.5f * h);
}

}  // namespace

void SVGStatePictures::Draw(IGraphics& g, const IRECT& bounds, const IBlend* blend, bool isOn, bool mouseOver) const {
  const IColor& colour = isOn ? (mouseOver ? onHoverColor : onColor) : (mouseOver ? offHoverColor : offColor);
  const IColor* fill = colorReplacement == kSVGReplaceFill ? &colour : nullptr;
  const IColor* stroke = colorReplacement == kSVGReplaceStroke ? &colour : nullptr;
  g.DrawSVG(isOn ? on : off, bounds, blend, stroke, fill);
}

// ---- Button and toggle ----

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage,
                                     const ISVG& onImage)
    : IButtonControlBase(bounds, std::move(actionFunc)), mPictures(TwoPictures(offImage, onImage)) {}

ISVGButtonControl::ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image,
                                     int colorReplacement, const IColor& offColor, const IColor& onColor,
                                     const IColor& offHoverColor, const IColor& onHoverColor)
    : IButtonControlBase(bounds, std::move(actionFunc)),
      mPictures(Recoloured(image, colorReplacement, offColor, onColor, offHoverColor, onHoverColor)) {}

void ISVGButtonControl::Draw(IGraphics& g) {
  mPictures.Draw(g, mRECT, &mBlend, GetValue(0) > 0.5, mMouseIsOver);
}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage,
                                     const ISVG& onImage)
    : ISwitchControlBase(bounds, -1, std::move(actionFunc), 2), mPictures(TwoPictures(offImage, onImage)) {}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& offImage, const ISVG& onImage)
    : ISwitchControlBase(bounds, paramIdx, nullptr, 2), mPictures(TwoPictures(offImage, onImage)) {}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image,
                                     int colorReplacement, const IColor& offColor, const IColor& onColor,
                                     const IColor& offHoverColor, const IColor& onHoverColor)
    : ISwitchControlBase(bounds, -1, std::move(actionFunc), 2),
      mPictures(Recoloured(image, colorReplacement, offColor, onColor, offHoverColor, onHoverColor)) {}

ISVGToggleControl::ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& image, int colorReplacement,
                                     const IColor& offColor, const IColor& onColor, const IColor& offHoverColor,
                                     const IColor& onHoverColor)
    : ISwitchControlBase(bounds, paramIdx, nullptr, 2),
      mPictures(Recoloured(image, colorReplacement, offColor, onColor, offHoverColor, onHoverColor)) {}

void ISVGToggleControl::Draw(IGraphics& g) {
  mPictures.Draw(g, mRECT, &mBlend, GetValue(0) > 0.5, mMouseIsOver);
}

// ---- Knob ----

ISVGKnobControl::ISVGKnobControl(const IRECT& bounds, const ISVG& image, int paramIdx)
    : IKnobControlBase(bounds, paramIdx), mSVG(image) {}

void ISVGKnobControl::Draw(IGraphics& g) {
  const double angle = mStartAngle + (mEndAngle - mStartAngle) * GetValue(0);
  g.DrawRotatedSVG(mSVG, mRECT.MW(), mRECT.MH(), mRECT.W(), mRECT.H(), angle, &mBlend);
}

void ISVGKnobControl::SetSVG(const ISVG& image) {
  mSVG = image;
  SetDirty(false);
}

// ---- Switch ----

ISVGSwitchControl::ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVG>& images, int paramIdx,
                                     IActionFunction actionFunc)
    : ISwitchControlBase(bounds, paramIdx, std::move(actionFunc), static_cast<int>(images.size())), mSVGs(images) {}

void ISVGSwitchControl::Draw(IGraphics& g) {
  if (mSVGs.empty()) return;
  const int state = static_cast<int>((mNumStates - 1) * GetValue(0) + 0.5);
  const int last = static_cast<int>(mSVGs.size()) - 1;
  g.DrawSVG(mSVGs[static_cast<size_t>(std::clamp(state, 0, last))], mRECT, &mBlend);
}

// ---- Slider ----

ISVGSliderControl::ISVGSliderControl(const IRECT& bounds, const ISVG& handleImage, const ISVG& trackImage, int paramIdx,
                                     EDirection dir, double gearing)
    : ISliderControlBase(bounds, paramIdx, dir, true, gearing, 0.f), mHandleSVG(handleImage), mTrackSVG(trackImage) {}

void ISVGSliderControl::OnResize() {
  mTargetRECT = mRECT;
  if (!mTrackSVG.IsValid() || !mHandleSVG.IsValid()) {
    mTrackSVGBounds = mHandleBounds = mTrack = IRECT();
    SetDirty(false);
    return;
  }
  const float trackAspect = mTrackSVG.W() / mTrackSVG.H();
  const float handleAspect = mHandleSVG.W() / mHandleSVG.H();
  const float heightRatio = mHandleSVG.H() / mTrackSVG.H();
  const IRECT& r = mRECT;
  if (mDirection == kVertical) {
    const float h = r.H();
    mTrackSVGBounds = Centred(r, trackAspect * h, h);
    const IRECT& t = mTrackSVGBounds;
    const float hh = heightRatio * h;
    const float hw = std::max(1.f, handleAspect * hh);
    mHandleBounds = IRECT(t.MW() - 0.5f * hw, t.T, t.MW() + 0.5f * hw, t.T + hh);
    mTrack = IRECT(t.L, t.T + hh, t.R, t.B);
  } else {
    const float w = r.W();
    mTrackSVGBounds = Centred(r, w, w / trackAspect);
    const IRECT& t = mTrackSVGBounds;
    const float hh = heightRatio * t.H();
    const float hw = std::max(1.f, handleAspect * hh);
    mHandleBounds = IRECT(t.R - hw, t.MH() - 0.5f * hh, t.R, t.MH() + 0.5f * hh);
    mTrack = IRECT(t.L + hw, t.T, t.R, t.B);
  }
  SetDirty(false);
}

IRECT ISVGSliderControl::GetHandleBounds(double value) const {
  const float v = static_cast<float>(value < 0.0 ? GetValue(0) : value);
  if (mDirection == kVertical) return mHandleBounds.GetTranslated(0.f, (1.f - v) * mTrack.H());
  return mHandleBounds.GetTranslated(-(1.f - v) * mTrack.W(), 0.f);
}

void ISVGSliderControl::Draw(IGraphics& g) {
  if (mTrackSVGBounds.Empty()) return;
  g.DrawSVG(mTrackSVG, mTrackSVGBounds, &mBlend);
  g.DrawSVG(mHandleSVG, GetHandleBounds(), &mBlend);
}

}  // namespace fx::gfx

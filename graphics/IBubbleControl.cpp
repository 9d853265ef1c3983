#include "graphics/IBubbleControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IBubbleControl::IBubbleControl(const IText& text, const IColor& fillColor, const IColor& strokeColor, float roundness)
    : IControl(IRECT()), mRoundness(roundness), mFillColor(fillColor), mStrokeColor(strokeColor) {
  mText = text;
  mHide = true;
  mIgnoreMouse = true;
  // Every SetDirty with an action starts a fade of 200 ms; the end of a fade-in starts the hold.
  SetActionFunction([this](IControl*) { SetAnimation([this](IControl*) { Animation(); }, kFadeMs); });
  SetAnimationEndActionFunction([this](IControl*) { OnAnimationEnd(); });
}

void IBubbleControl::OnAnimationEnd() {
  if (mState == kShown) SetAnimation([this](IControl*) { Animation(); }, kHoldMs);
}

void IBubbleControl::Animation() {
  const double p = GetAnimationProgress();
  if (p <= 1.0) {
    if (mState == kFadingIn)
      mBubbleBlend.weight = static_cast<float>(p) * mMaxOpacity;
    else if (mState == kShown)
      mBubbleBlend.weight = mMaxOpacity;
    else if (mState == kFadingOut)
      mBubbleBlend.weight = static_cast<float>(1.0 - p) * mMaxOpacity;
    return;
  }
  switch (mState) {
    case kFadingIn:
      mBubbleBlend.weight = mMaxOpacity;
      mState = kShown;
      OnEndAnimation();
      break;
    case kShown:
      // While the caller is still held the bubble stays; the test is made again after another fade period.
      if (!(mGraphics && mCaller && mGraphics->ControlIsCaptured(mCaller))) {
        mBubbleBlend.weight = mMaxOpacity;
        mState = kFadingOut;
      }
      SetDirty(true);
      break;
    case kFadingOut:
      mBubbleBlend.weight = 0.f;
      Hide(true);
      mState = kHidden;
      mTouchId = 0;
      SetDirty(false);
      OnEndAnimation();
      break;
    default:
      OnEndAnimation();
      break;
  }
}

void IBubbleControl::ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir,
                                IRECT minimumContentBounds, uint64_t touchID) {
  if (!mGraphics) return;
  if (mMaxBounds.W() == 0.f) mMaxBounds = mGraphics->GetBounds();
  mDirection = dir;
  mTouchId = touchID;
  mStr.Set(str ? str : "");

  IRECT content;
  MeasureText(content);
  content = IRECT(content.L, content.T, content.L + std::max(content.W(), minimumContentBounds.W()),
                  content.T + std::max(content.H(), minimumContentBounds.H()));
  const float w = content.W() + 2.f * (mHorizontalPadding + mSize);
  const float h = content.H() + 2.f * mVerticalPadding;
  const IRECT callerRect = caller ? caller->GetRECT() : IRECT(x, y, x, y);

  IRECT bounds;
  if (dir == kHorizontal) {
    bounds = IRECT(x, y - h / 2.f, x + w, y + h / 2.f);
    if (bounds.R > mMaxBounds.R - mSize - mHorizontalPadding) {
      bounds = IRECT(callerRect.L - w, bounds.T, callerRect.L, bounds.B);
      mArrowDir = kArrowRight;
    } else {
      mArrowDir = kArrowLeft;
    }
  } else {
    bounds = IRECT(x - w / 2.f, y - h, x + w / 2.f, y);
    if (bounds.T < mMaxBounds.T) {
      bounds = bounds.GetTranslated(0.f, callerRect.H() + h);
      mArrowDir = kArrowUp;
    } else {
      mArrowDir = kArrowDown;
    }
  }

  // Moved inside the maximum bounds where it fits, cut to them where it does not.
  bounds = bounds.GetTranslated(std::max(0.f, mMaxBounds.L - bounds.L), std::max(0.f, mMaxBounds.T - bounds.T));
  bounds = bounds.GetTranslated(std::min(0.f, mMaxBounds.R - bounds.R), std::min(0.f, mMaxBounds.B - bounds.B));
  mBubbleBounds = bounds.Intersect(mMaxBounds);
  SetTargetAndDrawRECTs(mBubbleBounds);
  OnResize();

  if (mState == kHidden) {
    Hide(false);
    mState = kFadingIn;
    SetDirty(true);
  }
  if (caller == mCaller) return;
  mGraphics->SetAllControlsDirty();
  mCaller = caller;
}

void IBubbleControl::MeasureText(IRECT& r) {
  if (mGraphics) mGraphics->MeasureText(mText, mStr.Get(), r);
}

void IBubbleControl::Draw(IGraphics& g) {
  const IRECT r = mBubbleBounds.GetPadded(-mHorizontalPadding);
  g.DrawFastDropShadow(r, mRECT, 2.f, mRoundness, 10.f, &mBubbleBlend);
  DrawBubble(g, r);
  DrawContent(g, r);
}

void IBubbleControl::DrawContent(IGraphics& g, const IRECT& r) {
  if (mStr.GetLength() > 0) g.DrawText(mText, mStr.Get(), r, &mBubbleBlend);
}

// An arrow of depth and half-width mSize, centred on one side; the path runs clockwise.
void IBubbleControl::AddArrow(IGraphics& g, const IRECT& r, int side) {
  if (side != mArrowDir) return;
  const float s = mSize;
  switch (side) {
    case kArrowUp:
      g.PathLineTo(r.MW() - s, r.T);
      g.PathLineTo(r.MW(), r.T - s);
      g.PathLineTo(r.MW() + s, r.T);
      break;
    case kArrowRight:
      g.PathLineTo(r.R, r.MH() - s);
      g.PathLineTo(r.R + s, r.MH());
      g.PathLineTo(r.R, r.MH() + s);
      break;
    case kArrowDown:
      g.PathLineTo(r.MW() + s, r.B);
      g.PathLineTo(r.MW(), r.B + s);
      g.PathLineTo(r.MW() - s, r.B);
      break;
    default:
      g.PathLineTo(r.L, r.MH() + s);
      g.PathLineTo(r.L - s, r.MH());
      g.PathLineTo(r.L, r.MH() - s);
      break;
  }
}

void IBubbleControl::DrawBubble(IGraphics& g, const IRECT& r) {
  // The roundness as given, also past half the bubble; a negative or non-finite one has no arc to draw and is 0.
  const float rad = std::isfinite(mRoundness) && mRoundness > 0.f ? mRoundness : 0.f;
  g.PathClear();
  g.PathMoveTo(r.L, r.T + rad);
  g.PathArc(r.L + rad, r.T + rad, rad, 270.f, 360.f);
  AddArrow(g, r, kArrowUp);
  g.PathArc(r.R - rad, r.T + rad, rad, 0.f, 90.f);
  AddArrow(g, r, kArrowRight);
  g.PathArc(r.R - rad, r.B - rad, rad, 90.f, 180.f);
  AddArrow(g, r, kArrowDown);
  g.PathArc(r.L + rad, r.B - rad, rad, 180.f, 270.f);
  AddArrow(g, r, kArrowLeft);
  g.PathClose();
  IFillOptions fill;
  fill.mPreserve = true;
  g.PathFill(IPattern(mFillColor), fill, &mBubbleBlend);
  g.PathStroke(IPattern(mStrokeColor), 1.f, IStrokeOptions(), &mBubbleBlend);
}

}  // namespace fx::gfx

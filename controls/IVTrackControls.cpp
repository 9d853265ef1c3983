#include "controls/IVTrackControls.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

namespace {

// Whether r contains the point with all four edges included.
bool ContainsInclusive(const IRECT& r, float x, float y) {
  return x >= r.L && x <= r.R && y >= r.T && y <= r.B;
}

}  // namespace

// ---- IVTrackControlBase ----

IVTrackControlBase::IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style,
                                       const std::vector<int>& params, int numSteps, EDirection dir,
                                       const std::vector<const char*>& trackNames)
    : IControl(bounds, -1, nullptr), IVectorBase(style), mDirection(dir), mNSteps(std::max(0, numSteps)) {
  mVals.assign(params.size(), ParamTuple());
  for (size_t i = 0; i < params.size(); ++i) SetParamIdx(params[i], static_cast<int>(i));
  mTrackBounds.assign(params.size(), IRECT());
  for (const char* name : trackNames) mTrackNames.emplace_back(name ? name : "");
  AttachIControl(this, label);
}

void IVTrackControlBase::OnResize() {
  mTargetRECT = MakeRects(mRECT);
  mMouseIsOver = false;
  MakeTrackRects(mWidgetBounds);
  MakeStepRects(mWidgetBounds, mNSteps);
  SetDirty(false);
}

void IVTrackControlBase::MakeTrackRects(const IRECT& bounds) {
  const int n = NTracks();
  mTrackBounds.assign(static_cast<size_t>(n), IRECT());
  const float p = mTrackPadding;
  for (int i = 0; i < n; ++i) {
    const float fi = static_cast<float>(i);
    IRECT& r = mTrackBounds[static_cast<size_t>(i)];
    if (IsVertical()) {
      const float w = bounds.W() / static_cast<float>(n);
      r = IRECT(bounds.L + fi * w, bounds.T, bounds.L + fi * w + w - p, bounds.B - p);
    } else {
      const float h = bounds.H() / static_cast<float>(n);
      r = IRECT(bounds.L, bounds.T + fi * h + p, bounds.R, bounds.T + fi * h + h - p);
    }
  }
}

void IVTrackControlBase::MakeStepRects(const IRECT& bounds, int nSteps) {
  mStepBounds.clear();
  if (nSteps <= 0) return;
  const int m = mZeroValueStepHasBounds ? nSteps + 1 : nSteps;
  for (int i = 0; i < m; ++i) {
    const float k = static_cast<float>(m - 1 - i);
    if (IsVertical()) {
      const float h = bounds.H() / static_cast<float>(m);
      mStepBounds.emplace_back(bounds.L, bounds.T + k * h, bounds.R, bounds.T + k * h + h);
    } else {
      const float w = bounds.W() / static_cast<float>(m);
      mStepBounds.emplace_back(bounds.L + k * w, bounds.T, bounds.L + k * w + w, bounds.B);
    }
  }
}

int IVTrackControlBase::GetValIdxForPos(float x, float y) const {
  for (int i = 0; i < NTracks(); ++i)
    if (GetTrackBounds(i).Contains(x, y)) return i;
  return -1;
}

void IVTrackControlBase::OnMouseOver(float x, float y, const IMouseMod&) {
  mMouseOverTrack = GetValIdxForPos(x, y);
  SetDirty(false);
}

void IVTrackControlBase::OnMouseOut() {
  mMouseOverTrack = -1;
  SetDirty(false);
}

void IVTrackControlBase::DrawBackground(IGraphics& g, const IRECT& r) {
  g.FillRect(GetColor(kBG), r, &mBlend);
  const float b = static_cast<float>(std::clamp(mBaseValue, 0.0, 1.0));
  if (!(b > 0.f)) return;
  if (IsVertical()) {
    const float y = r.B - r.H() * b;
    g.DrawLine(GetColor(kSH), r.L, y, r.R, y, nullptr, 1.f);
  } else {
    const float x = r.L + std::trunc(r.W() * b);
    g.DrawLine(GetColor(kSH), x, r.T, x, r.B, nullptr, 1.f);
  }
}

void IVTrackControlBase::DrawWidget(IGraphics& g) {
  for (int i = 0; i < NTracks(); ++i) DrawTrack(g, GetTrackBounds(i), i);
}

void IVTrackControlBase::DrawTrack(IGraphics& g, const IRECT& r, int chIdx) {
  DrawTrackBackground(g, r, chIdx);
  if (!mTrackNames.empty()) DrawTrackName(g, r, chIdx);

  const float v = static_cast<float>(GetValue(chIdx));
  const float b = static_cast<float>(mBaseValue);
  const bool vertical = IsVertical();
  IRECT fill;
  if (b > 0.f) {
    const float lo = std::min(v, b);
    const float hi = std::max(v, b);
    fill = vertical ? IRECT(r.L, r.B - hi * r.H(), r.R, r.B - lo * r.H())
                    : IRECT(r.L + lo * r.W(), r.T, r.L + hi * r.W(), r.B);
  } else {
    fill = vertical ? IRECT(r.L, r.B - r.H() * v, r.R, r.B) : IRECT(r.L, r.T, r.L + r.W() * v, r.B);
    if (!mStepBounds.empty() && v == 0.f && mZeroValueStepHasBounds && vertical) fill.T = mStepBounds.front().T;
  }

  if (!mStepBounds.empty()) {
    for (const IRECT& cell : mStepBounds) {
      if (!ContainsInclusive(cell, fill.R, fill.T)) continue;
      if (vertical) {
        fill.T = cell.T;
        fill.B = cell.B;
      } else {
        fill.L = cell.L;
        fill.R = cell.R;
      }
      break;
    }
    if (mZeroValueStepHasBounds || v > 0.f) DrawTrackHandle(g, fill, chIdx, v > b);
  } else {
    DrawTrackHandle(g, fill, chIdx, v > b);
    const float p = mPeakSize;
    IRECT peak;
    if (v >= b)
      peak = vertical ? IRECT(fill.L, fill.T, fill.R, fill.T + p) : IRECT(fill.R - p, fill.T, fill.R, fill.B);
    else
      peak = vertical ? IRECT(fill.L, fill.B - p, fill.R, fill.B) : IRECT(fill.L, fill.T, fill.L + p, fill.B);
    DrawPeak(g, peak, chIdx, v > b);
  }

  if (mStyle.drawFrame && mDrawTrackFrame) g.DrawRect(GetColor(kFR), r, &mBlend, mStyle.frameThickness);
}

void IVTrackControlBase::DrawTrackBackground(IGraphics& g, const IRECT& r, int chIdx) {
  g.FillRect(chIdx == mSelectedTrack ? GetColor(kHL) : COLOR_TRANSPARENT, r);
}

void IVTrackControlBase::DrawTrackName(IGraphics& g, const IRECT& r, int chIdx) {
  if (chIdx < static_cast<int>(mTrackNames.size()) && !mTrackNames[static_cast<size_t>(chIdx)].empty())
    g.DrawText(mText, mTrackNames[static_cast<size_t>(chIdx)].c_str(), r);
}

void IVTrackControlBase::DrawTrackHandle(IGraphics& g, const IRECT& r, int chIdx, bool) {
  g.FillRect(chIdx == mSelectedTrack ? GetColor(kX1) : GetColor(kFG), r, &mBlend);
  if (chIdx == mMouseOverTrack) g.FillRect(GetColor(kHL), r, &mBlend);
}

void IVTrackControlBase::DrawPeak(IGraphics& g, const IRECT& r, int, bool) {
  g.FillRect(GetColor(kFR), r, &mBlend);
}

// ---- IVRangeSliderControl ----

IVRangeSliderControl::IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label,
                                           const IVStyle& style, EDirection dir, float handleSize, float trackSize)
    : IVTrackControlBase(bounds, label, style, params, 0, dir), mHandleSize(handleSize) {
  mTrackSize = trackSize;
}

void IVRangeSliderControl::MakeTrackRects(const IRECT& bounds) {
  const float s = mHandleSize;
  const float t = mTrackSize;
  const IRECT track = IsVertical() ? IRECT(bounds.MW() - t, bounds.T + s, bounds.MW() + t, bounds.B - s)
                                   : IRECT(bounds.L + s, bounds.MH() - t, bounds.R - s, bounds.MH() + t);
  mTrackBounds.assign(static_cast<size_t>(NTracks()), track);
}

void IVRangeSliderControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  DrawWidget(g);
}

// Values out of order still fill the span between them, never an inverted rectangle.
void IVRangeSliderControl::DrawWidget(IGraphics& g) {
  if (NTracks() == 0) return;
  const IRECT& t = GetTrackBounds(0);
  DrawTrackBackground(g, t, 0);
  for (int i = 0; i + 1 < NTracks(); ++i) {
    const float a = static_cast<float>(GetValue(i));
    const float b = static_cast<float>(GetValue(i + 1));
    if (IsVertical()) {
      const float ya = t.B - t.H() * a;
      const float yb = t.B - t.H() * b;
      g.FillRect(GetColor(kX1), IRECT(t.L, std::min(ya, yb), t.R, std::max(ya, yb)), &mBlend);
    } else {
      const float xa = t.L + t.W() * a;
      const float xb = t.L + t.W() * b;
      g.FillRect(GetColor(kX1), IRECT(std::min(xa, xb), t.T, std::max(xa, xb), t.B), &mBlend);
    }
  }
  if (mStyle.drawFrame && mDrawTrackFrame) g.DrawRect(GetColor(kFR), t, &mBlend, mStyle.frameThickness);
  for (int i = 0; i < NTracks(); ++i) DrawTrack(g, GetTrackBounds(i), i);
}

void IVRangeSliderControl::DrawTrack(IGraphics& g, const IRECT&, int chIdx) {
  const bool even = chIdx % 2 == 0;
  const float angle = IsVertical() ? (even ? 90.f : 270.f) : (even ? 0.f : 180.f);
  DrawPressableTriangle(g, GetHandleBounds(chIdx), chIdx == mActiveHandle && mMouseIsDown, chIdx == mActiveHandle,
                        angle, IsDisabled());
}

IRECT IVRangeSliderControl::GetHandleBounds(int chIdx) const {
  const IRECT& r = GetTrackBounds(chIdx);
  const float v = static_cast<float>(GetValue(chIdx));
  const float h = mHandleSize;
  const float t = mTrackSize;
  const float s = mStyle.drawShadows && mShape != EVShape::Ellipse ? 0.5f * mStyle.shadowOffset : 0.f;
  const bool even = chIdx % 2 == 0;
  if (IsVertical()) {
    const float y = r.B - r.H() * v;
    const float cx = r.MW() + s;
    return even ? IRECT(cx - 2.f * h, y - h, cx, y + h) : IRECT(cx + t, y - h, cx + t + 2.f * h, y + h);
  }
  const float x = r.L + r.W() * v;
  const float cy = r.MH() + s;
  return even ? IRECT(x - h, cy + t, x + h, cy + t + 2.f * h) : IRECT(x - h, cy - 2.f * h, x + h, cy);
}

void IVRangeSliderControl::OnMouseOver(float x, float y, const IMouseMod& mod) {
  mActiveHandle = -1;
  for (int i = 0; i < NTracks(); ++i) {
    if (GetHandleBounds(i).Contains(x, y)) {
      mActiveHandle = i;
      break;
    }
  }
  IVTrackControlBase::OnMouseOver(x, y, mod);
}

void IVRangeSliderControl::OnMouseOut() {
  mActiveHandle = -1;
  IVTrackControlBase::OnMouseOut();
}

void IVRangeSliderControl::OnMouseDown(float, float, const IMouseMod&) {
  mMouseIsDown = true;
}

void IVRangeSliderControl::OnMouseUp(float, float, const IMouseMod&) {
  mMouseIsDown = false;
}

// Neighbours that arrived out of order (from the host) still bound the handle between them.
void IVRangeSliderControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&) {
  const int a = mActiveHandle;
  if (a < 0 || a >= NTracks()) return;
  double lo = a == 0 ? 0.0 : GetValue(a - 1);
  double hi = a == NTracks() - 1 ? 1.0 : GetValue(a + 1);
  if (lo > hi) std::swap(lo, hi);
  SnapToMouse(x, y, mDirection, mWidgetBounds, a, lo, hi);
}

}  // namespace fx::gfx

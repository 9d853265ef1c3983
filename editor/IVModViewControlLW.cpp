#include "editor/IVModViewControlLW.h"

#include "editor/EditorPaint.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

namespace fx::gfx {

namespace {

constexpr float kModViewLineThickness = 2.f;
constexpr float kModViewFrameRadius = 5.f;
constexpr int kModViewFillBottomAlpha = 25;
constexpr int kModViewFillTopAlpha = 229;

}  // namespace

template <int MAXNC, int MAXBUF>
IVModViewControlLW<MAXNC, MAXBUF>::IVModViewControlLW(const IRECT& bounds, const char* label, const IVStyle& style,
                                                      bool drawBackground, bool labelOnTop)
    : IControl(bounds), IVectorBase(style, false, false), mDrawBackground(drawBackground), mLabelOnTop(labelOnTop) {
  mTrackSize = kModViewLineThickness;
  AttachIControl(this, label);
}

template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::Draw(IGraphics& g) {
  if (mDrawBackground) DrawBackground(g, mRECT);
  if (mStyle.drawFrame)
    g.DrawRoundRect(GetColor(kFR), mWidgetBounds, kModViewFrameRadius, &mBlend, mStyle.frameThickness);
  DrawWidget(g);
}

template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::DrawWidget(IGraphics& g) {
  if (mPlotEnabled) DrawPlot(g);
}

// The history keeps its values while the plot keeps its width in whole points; a new width starts an
// empty plot.
template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::OnResize() {
  mWidgetBounds = MakeRects(mRECT, false);
  mTargetRECT = mWidgetBounds;
  mMouseIsOver = false;
  mPlotBounds = mWidgetBounds.GetPadded(-mInset);
  if (mLabelOnTop) mPlotBounds.T += 2.f * mStyle.labelText.mSize;
  const float width = mPlotBounds.W();
  const std::size_t n = width >= 1.f ? static_cast<std::size_t>(width) : 0u;
  if (n != mHistory.size()) mHistory.assign(n, 0.f);
  mRows = PixelRows{};  // counted again at the next record
  SetDirty(false, -1);
}

template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::ApplyProductSetup(const IColor& color, double msPerPoint) {
  mMsPerPoint = msPerPoint;
  mLineColor = color;
  mFillColor = color;
  mFill = true;
  mPlotEnabled = true;
  SetDirty(false, -1);
}

template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::OnMsgFromDelegate(int msgTag, int dataSize, const void* data) {
  if (msgTag != kMsgTagRecord || mDisabled) return;
  // A message shorter than a record leaves the last record as it was and is taken all the same. The reset flag is
  // read as the byte it came as (any value but 0 resets): a byte that is no bool's value may not be read as one.
  if (data && dataSize >= static_cast<int>(sizeof(Record))) {
    unsigned char reset = 0;
    std::memcpy(&reset, static_cast<const unsigned char*>(data) + offsetof(Record, reset), sizeof(reset));
    std::memcpy(&mLastRecord, data, sizeof(Record));
    mLastRecord.reset = reset != 0;
  }
  if (mHistory.empty()) return;
  const float value = mLastRecord.reset ? 0.f : mLastRecord.vals[0];
  const bool changed = PlotChangesWith(value, mLastRecord.reset);
  if (mLastRecord.reset) {
    std::fill(mHistory.begin(), mHistory.end(), 0.f);
  } else {
    std::rotate(mHistory.begin(), mHistory.begin() + 1, mHistory.end());
    mHistory.back() = value;
  }
  // A hidden view, or one with its plot off, shows no change; showing it (or the plot) redraws it whole.
  if (changed && mPlotEnabled && !IsHidden()) SetDirty(false, -1);
}

template <int MAXNC, int MAXBUF>
typename IVModViewControlLW<MAXNC, MAXBUF>::PixelRows IVModViewControlLW<MAXNC, MAXBUF>::CurrentPixelRows() const {
  const IRECT inner = InnerPlot();
  return {inner.B, inner.H(), GetUI() ? GetUI()->GetTotalScale() : 1.f};
}

template <int MAXNC, int MAXBUF>
float IVModViewControlLW<MAXNC, MAXBUF>::PlotY(float value) const {
  const float y = (mRows.bottom - value * mRows.height) * mRows.scale;
  // NaNs all plot alike, where no number does.
  return std::isnan(y) ? -std::numeric_limits<float>::infinity() : y;
}

// A shift moves every value one point to the left, so it leaves the picture as it was only when every
// value, the new one too, plots at the same place; a reset likewise only when that place is the bottom.
// Counting the newest entries that plot where the newest one does tells that without looking through the
// history, except when the plot moves (a new size or scale): then the count starts again from the history.
template <int MAXNC, int MAXBUF>
bool IVModViewControlLW<MAXNC, MAXBUF>::PlotChangesWith(float value, bool reset) {
  const std::size_t n = mHistory.size();
  const PixelRows rows = CurrentPixelRows();
  if (!(rows == mRows)) {
    mRows = rows;
    const float newest = PlotY(mHistory.back());
    mFlatRun = 0;
    while (mFlatRun < n && PlotY(mHistory[n - 1 - mFlatRun]) == newest) ++mFlatRun;
  }
  const bool atNewest = PlotY(value) == PlotY(mHistory.back());
  const bool changed = !(mFlatRun >= n && atNewest);
  if (reset)
    mFlatRun = n;
  else
    mFlatRun = atNewest ? std::min(mFlatRun + 1, n) : 1;
  return changed;
}

template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::PathThroughHistory(IGraphics& g, const IRECT& inner) const {
  const float h = inner.H();
  const float dx = inner.W() / static_cast<float>(mHistory.size());
  for (std::size_t i = 0; i < mHistory.size(); ++i) {
    const float x = inner.L + static_cast<float>(i) * dx;
    const float y = inner.B - mHistory[i] * h;
    if (i == 0)
      g.PathMoveTo(x, y);
    else
      g.PathLineTo(x, y);
  }
}

template <int MAXNC, int MAXBUF>
void IVModViewControlLW<MAXNC, MAXBUF>::DrawPlot(IGraphics& g) {
  if (mHistory.size() < 2) return;
  g.PathClipRegion(mPlotBounds);
  const IRECT inner = InnerPlot();
  if (mFill) {
    g.PathClear();
    PathThroughHistory(g, inner);
    g.PathLineTo(inner.R, inner.B + 1.f);
    g.PathLineTo(inner.L, inner.B + 1.f);
    IColor bottom = mFillColor;
    bottom.A = kModViewFillBottomAlpha;
    IColor top = mFillColor;
    top.A = kModViewFillTopAlpha;
    g.PathFill(MakeLinearGradient(inner.L, inner.B, inner.L, inner.T, {{bottom, 0.f}, {top, 1.f}}), IFillOptions(),
               &mBlend);
  }
  g.PathClear();
  PathThroughHistory(g, inner);
  IStrokeOptions options;
  options.mMiterLimit = 10.f;
  g.PathStroke(IPattern(mLineColor), mTrackSize, options, &mBlend);
  g.PathClipRegion();
}

template class IVModViewControlLW<1, 1>;

}  // namespace fx::gfx

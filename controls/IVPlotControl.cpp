#include "controls/IVPlotControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>

namespace fx::gfx {

IVPlotControl::IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label,
                             const IVStyle& style, float min, float max, bool useLayer)
    : IControl(bounds), IVectorBase(style), mMin(min), mMax(max), mUseLayer(useLayer) {
  mPoints.assign(static_cast<size_t>(std::max(0, numPoints)), 0.f);
  for (const Plot& plot : plots) AddPlotFunc(plot.color, plot.func);
  AttachIControl(this, label);
}

void IVPlotControl::AddPlotFunc(const IColor& color, const IPlotFunc& func) {
  if (!func) return;
  mPlots.push_back({color, func});
  if (mLayer) mLayer->Invalidate();
  SetDirty(false);
}

void IVPlotControl::OnResize() {
  mTargetRECT = MakeRects(mRECT);
  mMouseIsOver = false;
  SetDirty(false);
}

void IVPlotControl::Draw(IGraphics& g) {
  DrawBackground(g, mRECT);
  DrawLabel(g);
  if (!mUseLayer) {
    DrawPlots(g);
    return;
  }
  if (!g.CheckLayer(mLayer)) {
    g.StartLayer(this, mRECT, false);
    DrawPlots(g);
    mLayer = g.EndLayer();
  }
  g.DrawLayer(mLayer, &mBlend);
}

void IVPlotControl::DrawWidget(IGraphics&) {}

float IVPlotControl::Normalize(double y) const {
  const double range = static_cast<double>(mMax) - static_cast<double>(mMin);
  if (range == 0.0) return 0.5f;
  const double v = (y - mMin) / range;
  return std::isfinite(v) ? static_cast<float>(v) : 0.f;
}

void IVPlotControl::DrawPlots(IGraphics& g) {
  const IRECT& w = mWidgetBounds;
  const float cw = w.W() / static_cast<float>(mHorizontalDivisions);
  const float ch = w.H() / static_cast<float>(mVerticalDivisions + 2);
  const IRECT area(w.L, w.T + ch, w.R, w.B - ch);
  g.DrawGrid(GetColor(kSH), w, cw, ch, &mBlend, 1.f);

  const int n = static_cast<int>(mPoints.size());
  for (const Plot& plot : mPlots) {
    if (n == 0) break;
    for (int i = 0; i < n; ++i) {
      const double x = n == 1 ? 0.0 : static_cast<double>(i) / static_cast<double>(n - 1);
      mPoints[static_cast<size_t>(i)] = Normalize(plot.func(x));
    }
    g.DrawData(plot.color, area, mPoints.data(), n, nullptr, &mBlend, mTrackSize);
  }
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFR), w, &mBlend, mStyle.frameThickness);
}

}  // namespace fx::gfx

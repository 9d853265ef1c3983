// The stock plot: a read-only graph of one or more functions of x in 0..1 over a grid, the y range
// [min, max] mapped to the plot area's bottom and top, optionally cached in an off-screen layer that is
// redrawn only when stale or when a plot is added. Main thread only; nothing here blocks.
#pragma once

#include "graphics/IControl.h"
#include "graphics/ILayer.h"
#include "graphics/IVectorBase.h"

#include <functional>
#include <vector>

namespace fx::gfx {

class IVPlotControl : public IControl, public IVectorBase {
 public:
  using IPlotFunc = std::function<double(double x)>;
  struct Plot {
    IColor color;
    IPlotFunc func;
  };

  // Each function is sampled at numPoints evenly spaced x (one point: at x = 0). Plots without a
  // function are left out.
  IVPlotControl(const IRECT& bounds, const std::vector<Plot>& plots, int numPoints, const char* label = "",
                const IVStyle& style = DEFAULT_STYLE, float min = -1.f, float max = 1.f, bool useLayer = false);

  void Draw(IGraphics& g) override;
  // Nothing: the plot draws its grid and lines in Draw, through the layer when it uses one.
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;

  // Appends a plot (nothing for an empty function) and marks the cached drawing stale.
  void AddPlotFunc(const IColor& color, const IPlotFunc& func);
  int NPlots() const { return static_cast<int>(mPlots.size()); }

 protected:
  void DrawPlots(IGraphics& g);
  // f(x) mapped to 0 (min) .. 1 (max); a zero range puts every point in the middle and a result that is
  // not a number at the bottom, so the drawing never receives NaN.
  float Normalize(double y) const;

  ILayerPtr mLayer;
  std::vector<Plot> mPlots;
  float mMin;
  float mMax;
  bool mUseLayer;
  int mHorizontalDivisions = 10;
  int mVerticalDivisions = 10;
  std::vector<float> mPoints;
};

}  // namespace fx::gfx

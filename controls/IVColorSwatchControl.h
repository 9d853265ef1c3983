// The stock colour swatch: a row, column or 3 x 3 grid of cells, each showing one colour of the
// control's own style, optionally labelled. Clicking a cell opens the platform colour chooser; the chosen
// colour replaces that style colour (so everything drawn with it changes) and is reported through the
// colour-chosen function. The chooser may stay open after the click (the platform's does), and a control
// removed meanwhile hears nothing of it. Every hover marks the control dirty with its action function.
// Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace fx::gfx {

class IVColorSwatchControl : public IControl, public IVectorBase {
 public:
  enum ECellLayout : int { kGrid = 0, kHorizontal, kVertical };
  using IColorChosenFunc = std::function<void(int cellIdx, IColor color)>;

  // One cell per colour ID; a cell without a label (labels may be fewer, or null) is all swatch.
  IVColorSwatchControl(const IRECT& bounds, const char* label = "", IColorChosenFunc func = nullptr,
                       const IVStyle& style = DEFAULT_STYLE, ECellLayout layout = kHorizontal,
                       const std::vector<EVColor>& colorIDs = {kBG, kFG, kPR, kFR, kHL, kSH, kX1, kX2, kX3},
                       const std::vector<const char*>& labels = {});

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // Any button over a cell opens the colour chooser for it.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;

  int NCells() const { return static_cast<int>(mColorIDs.size()); }
  const IRECT& GetCellBounds(int idx) const { return mCellRects[static_cast<size_t>(idx)]; }
  int GetMouseOverCell() const { return mMouseOverCell; }

 protected:
  int CellAt(float x, float y) const;

  IColorChosenFunc mColorChosenFunc;
  int mMouseOverCell = -1;
  ECellLayout mLayout;
  std::vector<IRECT> mCellRects;
  std::vector<std::string> mLabels;
  std::vector<EVColor> mColorIDs;

 private:
  // Shared, weakly, with every colour chooser the control opens: a chooser may outlive the control, and answers
  // only while the control still exists.
  std::shared_ptr<IVColorSwatchControl*> mLifeline = std::make_shared<IVColorSwatchControl*>(this);
};

}  // namespace fx::gfx

// The stock group frame: a labelled rounded frame around other controls, the label sitting in a gap of
// the frame's top edge. Its bounds can follow the controls of a named group (attach it after them).
// It ignores the mouse. Its own resize lays out only the frame and the label: the children it holds are
// built and placed by its attach function. Main thread only; nothing here blocks.
#pragma once

#include "graphics/IPanelControl.h"
#include "graphics/IVectorBase.h"

#include <string>

namespace fx::gfx {

class IVGroupControl : public IContainerBase, public IVectorBase {
 public:
  IVGroupControl(const IRECT& bounds, const char* label = "", float labelOffset = 10.f,
                 const IVStyle& style = DEFAULT_STYLE, IContainerFunction attachFunc = nullptr,
                 IContainerFunction resizeFunc = nullptr);
  // Bounds from the controls of groupName when attached, grown by the margins (points).
  IVGroupControl(const char* label, const char* groupName, float marginL = 0.f, float marginT = 0.f,
                 float marginR = 0.f, float marginB = 0.f, const IVStyle& style = DEFAULT_STYLE);

  void Draw(IGraphics& g) override;
  // The frame as one stroked path, open where the label is, its corners rounded by the style's roundness.
  void DrawWidget(IGraphics& g) override;
  void OnInit() override;
  void OnResize() override;

  // The union of the draw rectangles of every other attached control in groupName (controls without a
  // rectangle are skipped), grown by the margins, becomes this control's rectangle.
  void SetBoundsBasedOnGroup(const char* groupName, float marginL, float marginT, float marginR, float marginB);

 protected:
  std::string mGroupName;
  float mMarginL = 0.f;
  float mMarginT = 0.f;
  float mMarginR = 0.f;
  float mMarginB = 0.f;
  float mLabelOffset;
  float mLabelGap = 10.f;
};

}  // namespace fx::gfx

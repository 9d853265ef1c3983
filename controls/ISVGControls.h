// Controls drawn from parsed SVG pictures scaled into their rectangles, sharp at any editor scale: a
// momentary button and a toggle that show an off and an on picture (or one picture recoloured per state),
// a knob that rotates one picture, a switch with one picture per state, and a slider made of a track
// picture and a handle picture whose sizes follow the pictures' aspect ratios. The behaviour bases of the
// graphics core supply the mouse handling. No control owns its pictures. Main thread only; nothing here
// blocks.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IButtonControlBase.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/IKnobControlBase.h"
#include "graphics/ISliderControlBase.h"
#include "graphics/ISwitchControlBase.h"

#include <vector>

namespace fx::gfx {

// How a two-state picture is recoloured: not at all, every fill, or every stroke in the state's colour.
enum ESVGColorReplacement : int { kSVGReplaceNone = 0, kSVGReplaceFill, kSVGReplaceStroke };

// The off and on pictures of a two-state SVG control and their colours (off, on, off hovered, on hovered).
struct SVGStatePictures {
  ISVG off;
  ISVG on;
  IColor offColor = COLOR_BLACK;
  IColor onColor = COLOR_BLACK;
  IColor offHoverColor = COLOR_BLACK;
  IColor onHoverColor = COLOR_BLACK;
  int colorReplacement = kSVGReplaceNone;

  void Draw(IGraphics& g, const IRECT& bounds, const IBlend* blend, bool isOn, bool mouseOver) const;
};

class ISVGButtonControl : public IButtonControlBase {
 public:
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage, const ISVG& onImage);
  // Both states show image, recoloured as colorReplacement says.
  ISVGButtonControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image, int colorReplacement,
                    const IColor& offColor, const IColor& onColor, const IColor& offHoverColor,
                    const IColor& onHoverColor);

  // On while the value is above 0.5.
  void Draw(IGraphics& g) override;

 protected:
  SVGStatePictures mPictures;
};

class ISVGToggleControl : public ISwitchControlBase {
 public:
  ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& offImage, const ISVG& onImage);
  ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& offImage, const ISVG& onImage);
  ISVGToggleControl(const IRECT& bounds, IActionFunction actionFunc, const ISVG& image, int colorReplacement,
                    const IColor& offColor, const IColor& onColor, const IColor& offHoverColor,
                    const IColor& onHoverColor);
  ISVGToggleControl(const IRECT& bounds, int paramIdx, const ISVG& image, int colorReplacement, const IColor& offColor,
                    const IColor& onColor, const IColor& offHoverColor, const IColor& onHoverColor);

  // On while the value is above 0.5.
  void Draw(IGraphics& g) override;

 protected:
  SVGStatePictures mPictures;
};

class ISVGKnobControl : public IKnobControlBase {
 public:
  ISVGKnobControl(const IRECT& bounds, const ISVG& image, int paramIdx = -1);

  // The picture turned from -135 degrees (value 0) through upright (0.5) to +135 (1).
  void Draw(IGraphics& g) override;
  void SetSVG(const ISVG& image);

 protected:
  ISVG mSVG;
  float mStartAngle = -135.f;
  float mEndAngle = 135.f;
};

class ISVGSwitchControl : public ISwitchControlBase {
 public:
  // As many states as pictures.
  ISVGSwitchControl(const IRECT& bounds, const std::vector<ISVG>& images, int paramIdx = -1,
                    IActionFunction actionFunc = nullptr);

  // The picture of the state nearest the value; a parameter with more states than pictures shows the
  // last picture for the states beyond them.
  void Draw(IGraphics& g) override;

 protected:
  std::vector<ISVG> mSVGs;
};

class ISVGSliderControl : public ISliderControlBase {
 public:
  ISVGSliderControl(const IRECT& bounds, const ISVG& handleImage, const ISVG& trackImage, int paramIdx = -1,
                    EDirection dir = kVertical, double gearing = DEFAULT_GEARING);

  void Draw(IGraphics& g) override;
  // Sizes the track and handle from the pictures' aspect ratios; without both pictures loaded the slider
  // has no track and draws nothing.
  void OnResize() override;

  // The handle's rectangle at value (a negative value: the current one).
  IRECT GetHandleBounds(double value = -1.0) const;
  const IRECT& GetTrackSVGBounds() const { return mTrackSVGBounds; }

 protected:
  IRECT mTrackSVGBounds;
  IRECT mHandleBounds;  // at value 1
  ISVG mHandleSVG;
  ISVG mTrackSVG;
};

}  // namespace fx::gfx

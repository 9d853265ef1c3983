// The stock vector label, momentary button, multi-state switch, on/off toggle with its own texts, and the
// switch whose handle slides between positions. Each is a control base of the graphics core with
// IVectorBase for its style, areas and shapes. Main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/IButtonControlBase.h"
#include "graphics/IControlActions.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/ITextControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

// A text in the style's value text, with an optional drop shadow and frame. Ignores the mouse.
class IVLabelControl : public ITextControl, public IVectorBase {
 public:
  IVLabelControl(const IRECT& bounds, const char* label, const IVStyle& style = DEFAULT_STYLE);

  void Draw(IGraphics& g) override;
};

// Pressed while its value is 1; the action (a splash by default) returns it to 0 when its animation ends.
class IVButtonControl : public IButtonControlBase, public IVectorBase {
 public:
  IVButtonControl(const IRECT& bounds, IActionFunction actionFunc = SplashClickActionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool labelInButton = true, bool valueInButton = true,
                  EVShape shape = EVShape::Rectangle);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  bool IsHit(float x, float y) const override;
};

class IVSwitchControl : public ISwitchControlBase, public IVectorBase {
 public:
  // Two states bound to a parameter (its range sets the count at OnInit), with a splash on each click.
  IVSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                  bool valueInButton = true);
  IVSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, int numStates = 2, bool valueInButton = true);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  bool IsHit(float x, float y) const override;
  // Every entry, then the value string follows a bound parameter's display text.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void OnInit() override;
  void OnMouseOut() override;

 protected:
  void UseMiddleValueAlignment();
};

// A two-state switch that shows its own off and on texts instead of the value.
class IVToggleControl : public IVSwitchControl {
 public:
  IVToggleControl(const IRECT& bounds, int paramIdx = -1, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                  const char* offText = "OFF", const char* onText = "ON");
  IVToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, const char* offText = "OFF", const char* onText = "ON",
                  bool initialState = false);

  void DrawWidget(IGraphics& g) override;
  void DrawValue(IGraphics& g, bool mouseOver) override;

 private:
  FwString mOffText;
  FwString mOnText;
};

// A switch whose handle slides, over 100 ms, from its state's cell of the widget to the next state's.
class IVSlideSwitchControl : public IVSwitchControl {
 public:
  IVSlideSwitchControl(const IRECT& bounds, int paramIdx = -1, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, bool valueInButton = false,
                       EDirection direction = kHorizontal);
  // initialState is a state number 0 .. numStates - 1; the control stores it normalised. actionFunc runs
  // when a slide has finished.
  IVSlideSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, bool valueInButton = false,
                       EDirection direction = kHorizontal, int numStates = 2, int initialState = 0);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawHandle(IGraphics& g, const IRECT& bounds);
  virtual void DrawTrack(IGraphics& g, const IRECT& bounds);
  void OnResize() override;
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;
  void OnEndAnimation() override;

  static constexpr int kSlideMs = 100;

  const IRECT& GetHandleBounds() const { return mHandleBounds; }
  const IRECT& GetStartRect() const { return mStartRect; }
  const IRECT& GetEndRect() const { return mEndRect; }

 private:
  void InstallSlideAction();
  void Slide();
  void UpdateRects();
  IRECT Cell(int i) const;

  IRECT mStartRect;
  IRECT mEndRect;
  IRECT mHandleBounds;
  EDirection mDirection;
};

}  // namespace fx::gfx

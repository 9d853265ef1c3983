// The stock vector fader: a straight track whose filled part grows from the bottom (vertical) or the left
// (horizontal), a pressable handle at its end, an optional label and a value read-out that can be clicked
// for text entry when the value is editable. Dragging and the wheel come from ISliderControlBase.
// Main thread only.
#pragma once

#include "graphics/ISliderControlBase.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVSliderControl : public ISliderControlBase, public IVectorBase {
 public:
  // handleSize is the handle's half side, trackSize the half width of the track strip (points).
  IVSliderControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                  bool valueIsEditable = false, EDirection dir = kVertical, bool handleInsideTrack = false,
                  bool clickToJump = false, double gearing = DEFAULT_GEARING, float handleSize = 8.f,
                  float trackSize = 2.f, float handleXOffset = 0.f, float handleYOffset = 0.f);
  // An unbound slider that reports through its action function; its handle is an ellipse.
  IVSliderControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                  const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false, EDirection dir = kVertical,
                  bool handleInsideTrack = false, bool clickToJump = false, double gearing = DEFAULT_GEARING,
                  float handleSize = 8.f, float trackSize = 2.f, float handleXOffset = 0.f, float handleYOffset = 0.f);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  // filledArea is the part of the track below (or left of) the value.
  virtual void DrawTrack(IGraphics& g, const IRECT& filledArea);
  virtual void DrawHandle(IGraphics& g, const IRECT& bounds);

  // A click on the value area prompts only when the value is editable; anywhere else it starts a drag.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;
  void OnInit() override;
  bool IsHit(float x, float y) const override;
  // Every entry, whatever valIdx says; then the value string follows the parameter.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

  bool GetValueMouseOver() const { return mValueMouseOver; }

 protected:
  bool ValueIsEditable() const { return !mDisablePrompt; }
  void UpdateValueStr();

  bool mHandleInsideTrack;
  bool mValueMouseOver = false;
  float mHandleXOffset;
  float mHandleYOffset;

 private:
  void SetUp(const IVStyle& style, bool valueIsEditable, float trackSize, EVShape shape, const char* label);
};

}  // namespace fx::gfx

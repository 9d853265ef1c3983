// The stock vector knob: a pressable round body, a value arc from an anchor angle to the value's angle,
// a pointer line, an optional label and a value read-out that can be clicked for text entry when the
// value is editable. Dragging and the wheel come from IKnobControlBase. Main thread only.
#pragma once

#include "graphics/IKnobControlBase.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IVKnobControl : public IKnobControlBase, public IVectorBase {
 public:
  // Angles in degrees, 0 at 12 o'clock, clockwise.
  IVKnobControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                bool valueIsEditable = false, bool valueInWidget = false, float startAngle = -135.f,
                float endAngle = 135.f, float anchorAngle = -135.f, EDirection direction = kVertical,
                double gearing = DEFAULT_GEARING, float trackSize = 2.f);
  IVKnobControl(const IRECT& bounds, IActionFunction actionFunc, const char* label = "",
                const IVStyle& style = DEFAULT_STYLE, bool valueIsEditable = false, bool valueInWidget = false,
                float startAngle = -135.f, float endAngle = 135.f, float anchorAngle = -135.f,
                EDirection direction = kVertical, double gearing = DEFAULT_GEARING, float trackSize = 2.f);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawValueArc(IGraphics& g, float angle, float cx, float cy, float radius);
  virtual void DrawPointer(IGraphics& g, float angle, float cx, float cy, float radius);

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

  // At least one point on each side, so a zero-size knob never divides a drag by zero.
  IRECT GetDragBounds() const override;
  // The radius of the value arc's centre line.
  float GetRadius() const;
  IRECT GetTrackBounds() const;
  bool GetValueMouseOver() const { return mValueMouseOver; }

 protected:
  bool ValueIsEditable() const { return !mDisablePrompt; }
  void UpdateValueStr();

  float mKnobInset = 4.f;
  float mPointerStartFrac = 0.1f;
  float mPointerEndFrac = 1.f;
  float mPointerThickness = 2.5f;
  float mStartAngle;
  float mEndAngle;
  float mAnchorAngle;
  bool mValueMouseOver = false;

 private:
  void SetUp(const IVStyle& style, bool valueIsEditable, float trackSize, EVShape shape, const char* label);
};

}  // namespace fx::gfx

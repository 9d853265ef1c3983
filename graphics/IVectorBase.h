// The mix-in of vector controls: a control drawn from an IVStyle instead of images. It cuts the control's
// rectangle into widget, label and value areas (MakeRects), draws the background, label and value texts,
// and draws pressable shapes (rectangles with per-corner rounding, ellipses, rotated triangles) with
// shadow, emboss, frame, mouse-over highlight and the click splash that the graphics core's splash
// functions animate. The stock vector controls of the control library stand on it. Main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/IRECT.h"
#include "graphics/IVStyle.h"

namespace fx::gfx {

class IControl;
class IGraphics;

enum class EVShape : int { Rectangle = 0, Ellipse, Triangle, EndsRounded, AllRounded };

class IVectorBase {
 public:
  explicit IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  virtual ~IVectorBase() = default;

  // Called after the style or the splash changed; nothing by default.
  virtual void OnStyleChanged();
  // Replaces the whole style, then OnStyleChanged. The rectangles stay until the next MakeRects.
  virtual void SetStyle(const IVStyle& style);
  // Fills r in kBG with the control's blend.
  virtual void DrawBackground(IGraphics& g, const IRECT& r);
  // r when the base's DrawBackground covers it with opaque paint (an opaque kBG at full weight); empty otherwise.
  IRECT OpaqueBackground(const IRECT& r) const;
  // Each control draws its widget here; nothing in the base.
  virtual void DrawWidget(IGraphics& g);
  // The label string in the label style, when there is a label area and labels are shown.
  virtual void DrawLabel(IGraphics& g);
  // A translucent mark under the pointer, then the value string in the value style when values are shown.
  virtual void DrawValue(IGraphics& g, bool mouseOver);
  // Dispatches on the shape; answers the handle rectangle drawn (the zero rect for an unknown shape,
  // which draws nothing).
  virtual IRECT DrawPressableShape(IGraphics& g, EVShape shape, const IRECT& bounds, bool pressed, bool mouseOver,
                                   bool disabled);

  IRECT DrawPressableRectangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled,
                               bool roundTopLeft = true, bool roundTopRight = true, bool roundBottomLeft = true,
                               bool roundBottomRight = true);
  IRECT DrawPressableEllipse(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, bool disabled);
  // angle in degrees, clockwise on screen.
  IRECT DrawPressableTriangle(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, float angle,
                              bool disabled);

  // Sets the widget, label and value areas from parent and answers the clickable area. Labels and values
  // are measured through the control's graphics (nothing is measured before the control is attached).
  IRECT MakeRects(const IRECT& parent, bool hasHandle = false);
  // r inset for the frame, then narrowed and lifted by the shadow offset when shadows are drawn.
  IRECT GetAdjustedHandleBounds(const IRECT& r) const;
  // min(width, height) / 2 x roundness.
  float GetRoundedCornerRadius(const IRECT& r) const;

  // The control carrying this base and its label; each vector control's constructor calls it.
  void AttachIControl(IControl* control, const char* label);
  IControl* GetControl() const { return mControl; }
  const IVStyle& GetStyle() const { return mStyle; }

  void SetSplashPoint(float x, float y);
  void SetSplashRadius(float radius) { mSplashRadius = radius; }
  float GetSplashRadius() const { return mSplashRadius; }
  float GetSplashX() const { return mSplashPoint.x; }
  float GetSplashY() const { return mSplashPoint.y; }
  float GetMaxSplashRadius() const { return mMaxSplashRadius; }
  void SetMaxSplashRadius(float radius) { mMaxSplashRadius = radius; }

  const char* GetLabelStr() const { return mLabelStr.Get(); }
  void SetLabelStr(const char* str) { mLabelStr.Set(str); }
  const char* GetValueStr() const { return mValueStr.Get(); }
  void SetValueStr(const char* str) { mValueStr.Set(str); }
  const IRECT& GetWidgetBounds() const { return mWidgetBounds; }
  const IRECT& GetLabelBounds() const { return mLabelBounds; }
  const IRECT& GetValueBounds() const { return mValueBounds; }
  EVShape GetShape() const { return mShape; }
  void SetShape(EVShape shape) { mShape = shape; }
  float GetTrackSize() const { return mTrackSize; }
  void SetTrackSize(float size) { mTrackSize = size; }
  const IColor& GetColor(EVColor idx) const { return mStyle.colorSpec.GetColor(idx); }

 protected:
  // The carrying control's blend; null (source-over at full weight) before a control is attached.
  const IBlend* GetBlend() const;
  // Whether the carrying control has an animation running (the splash is drawn then).
  bool HasAnimation() const;
  void DrawSplash(IGraphics& g, const IRECT& clip);

  IControl* mControl = nullptr;
  IVStyle mStyle;
  bool mLabelInWidget = false;
  bool mValueInWidget = false;
  float mSplashRadius = 0.f;
  // Where the last click landed: the splash's centre.
  struct SplashPoint {
    float x = 0.f;
    float y = 0.f;
  } mSplashPoint;
  float mMaxSplashRadius = 50.f;
  float mTrackSize = 2.f;
  IRECT mWidgetBounds;
  IRECT mLabelBounds;
  IRECT mValueBounds;
  FwString mLabelStr;
  FwString mValueStr;
  EVShape mShape = EVShape::Rectangle;
};

}  // namespace fx::gfx

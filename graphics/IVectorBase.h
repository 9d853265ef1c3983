// The mix-in of vector controls: a control drawn from an IVStyle instead of images. This part holds what
// the graphics core itself reaches (the style, the click splash and the style-changed hook); the drawing
// half (the widget, label and value areas and the pressable shapes) belongs to the control library.
// Main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/IVStyle.h"

namespace fx::gfx {

class IControl;

class IVectorBase
{
public:
  explicit IVectorBase(const IVStyle& style, bool labelInWidget = false, bool valueInWidget = false);
  virtual ~IVectorBase() = default;

  // Called after the style or the splash changed; nothing by default.
  virtual void OnStyleChanged();
  // Replaces the whole style, then OnStyleChanged.
  virtual void SetStyle(const IVStyle& style);

  // The control carrying this base and its label; each vector control's constructor calls it.
  void AttachIControl(IControl* control, const char* label);
  IControl* GetControl() const { return mControl; }
  const IVStyle& GetStyle() const { return mStyle; }

  void SetSplashPoint(float x, float y);
  void SetSplashRadius(float radius) { mSplashRadius = radius; }
  float GetSplashRadius() const { return mSplashRadius; }
  float GetSplashX() const { return mSplashX; }
  float GetSplashY() const { return mSplashY; }
  float GetMaxSplashRadius() const { return mMaxSplashRadius; }
  void SetMaxSplashRadius(float radius) { mMaxSplashRadius = radius; }
  const char* GetLabelStr() const { return mLabelStr.Get(); }

protected:
  IControl* mControl = nullptr;
  IVStyle mStyle;
  bool mLabelInWidget = false;
  bool mValueInWidget = false;
  float mSplashRadius = 0.f;
  float mSplashX = 0.f;
  float mSplashY = 0.f;
  float mMaxSplashRadius = 50.f;
  FwString mLabelStr;
};

} // namespace fx::gfx

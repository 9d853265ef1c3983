// The frame-time overlay the graphics object shows on request (IGraphics::ShowFPSDisplay): a small panel
// plotting the time between the last 100 frames (which IGraphics::BeginFrame hands it) with the back end's name,
// a label and the average as frames per second, milliseconds or a percentage. A click moves to the next kind.
// Owned and drawn by the graphics object after the ordinary controls. Main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

class IFPSDisplayControl : public IControl, public IVectorBase {
 public:
  enum EDisplayKind : int { kFPS = 0, kFrameTime, kPercentage };

  IFPSDisplayControl(const IRECT& bounds, EDisplayKind kind = kFPS, const char* label = "");
  ~IFPSDisplayControl() override = default;

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void Draw(IGraphics& g) override;
  // Redraws every frame.
  bool IsDirty() override { return true; }

  EDisplayKind GetDisplayKind() const { return mDisplayKind; }

  // The last 100 frame times in seconds, kept in a ring: all 0, and the newest at index 0, until frames arrive.
  static constexpr int kNumSamples = 100;
  // Moves the newest index on by one (past the last back to 0) and stores the frame time there.
  void AddSample(float seconds);
  float GetSample(int idx) const { return mSamples[idx]; }
  int GetSampleIdx() const { return mSampleIdx; }

 private:
  // The plotted height (0..1) of a frame time in seconds.
  float PlotValue(float seconds) const;

  EDisplayKind mDisplayKind;
  FwString mLabel;
  float mSamples[kNumSamples] = {};
  int mSampleIdx = 0;
  const IText* mLabelStyle = &mText;
  IText mAPIStyle;
  IText mMainValueStyle;
  IText mSecondaryValueStyle;
};

}  // namespace fx::gfx

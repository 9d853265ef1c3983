// Controls drawn from a bitmap strip: IBitmapBase, the mix-in that picks and places a strip's frame by the
// carrying control's value, and IBitmapControl, the graphics core's plain bitmap control (the bitmap
// background among others). Main thread only.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"

namespace fx::gfx {

class IGraphics;

class IBitmapBase {
 public:
  explicit IBitmapBase(const IBitmap& bitmap) : mBitmap(bitmap) {}
  virtual ~IBitmapBase() = default;

  // The control that carries this base; its value, draw rectangle and blend choose and place the frame.
  void AttachIControl(IControl* control) { mControl = control; }
  // Frame round(value * (N - 1)) + 1 of 1..N, at its natural size centred in the control's rectangle.
  void DrawBitmap(IGraphics& g);
  // Fetches the same resource again at the graphics' current scale (keeps the current one when that fails).
  void OnRescale(IGraphics& g);
  const IBitmap& GetBitmap() const { return mBitmap; }
  // The frame (1..N) a value 0..1 shows.
  static int FrameForValue(int nFrames, double value);

 protected:
  IBitmap mBitmap;
  IControl* mControl = nullptr;
};

class IBitmapControl : public IControl, public IBitmapBase {
 public:
  // The control is one frame of the strip in size, its top-left corner at (x, y). The bitmap's blend (the given
  // method at weight 1) is where the control's blend starts; the frames are drawn with the control's blend, so
  // disabling the control fades them and SetBlend changes how they are drawn.
  IBitmapControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, int blendMethod = kBlendDefault);
  ~IBitmapControl() override = default;

  void OnRescale() override;
  void Draw(IGraphics& g) override { DrawBitmap(g); }

 protected:
  IBlend mBitmapBlend;
};

}  // namespace fx::gfx

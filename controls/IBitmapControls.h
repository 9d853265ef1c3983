// The stock bitmap controls: a momentary button, a multi-state switch, a slider with a handle image and an
// optional track image, a knob that rotates one image, a line of text set in a bitmap font and a level
// meter. Each draws from a strip of frames through IBitmapBase; the value picks the frame. Main thread
// only.
#pragma once

#include "graphics/IBitmapControl.h"
#include "graphics/IButtonControlBase.h"
#include "graphics/IControlActions.h"
#include "graphics/IKnobControlBase.h"
#include "graphics/ISliderControlBase.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/ITextControl.h"

namespace fx::gfx {

class IBButtonControl : public IButtonControlBase, public IBitmapBase {
 public:
  // One frame in size, its top-left corner at (x, y).
  IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc = DefaultClickActionFunc);
  // One frame in size, centred in bounds.
  IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc = DefaultClickActionFunc);

  void Draw(IGraphics& g) override { DrawBitmap(g); }
  void OnRescale() override;
};

class IBSwitchControl : public ISwitchControlBase, public IBitmapBase {
 public:
  IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1);
  IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1);

  void Draw(IGraphics& g) override { DrawBitmap(g); }
  void OnRescale() override;
  // Steps through the bitmap's frames (not the switch's states) and wraps to the first after the last.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
};

class IBSliderControl : public ISliderControlBase, public IBitmapBase {
 public:
  // Vertical: the handle bitmap's width by length; horizontal: length by its height.
  IBSliderControl(float x, float y, float length, const IBitmap& handleBitmap, const IBitmap& trackBitmap = IBitmap(),
                  int paramIdx = -1, EDirection dir = kVertical, double gearing = DEFAULT_GEARING);
  IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap = IBitmap(),
                  int paramIdx = -1, EDirection dir = kVertical, double gearing = DEFAULT_GEARING);

  void Draw(IGraphics& g) override;
  // Only the handle image follows the scale; the track keeps the image it was built with.
  void OnRescale() override;
  void OnResize() override;
  // The handle rectangle for a value (a negative value: the current one). Value 0 puts a vertical handle
  // at the bottom of the track and a horizontal one at its left.
  IRECT GetHandleBounds(double value = -1.0) const;

 private:
  IBitmap mTrackBitmap;
};

// A knob drawn from a strip of frames; the base of the rotating knob.
class IBKnobControl : public IKnobControlBase, public IBitmapBase {
 public:
  // One frame in size, its top-left corner at (x, y).
  IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx = -1, EDirection dir = kVertical,
                double gearing = DEFAULT_GEARING);
  IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx = -1, EDirection dir = kVertical,
                double gearing = DEFAULT_GEARING);

  void Draw(IGraphics& g) override { DrawBitmap(g); }
  void OnRescale() override;
};

// One image turned about the centre of the control: value 0 at -130 degrees, 0.5 upright, 1 at +130.
class IBKnobRotaterControl : public IBKnobControl {
 public:
  using IBKnobControl::IBKnobControl;

  void Draw(IGraphics& g) override;
};

class IBTextControl : public ITextControl, public IBitmapBase {
 public:
  // One frame of the font strip per character from the blank on; charOffset is extra advance.
  IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text = DEFAULT_TEXT, const char* str = "",
                int charWidth = 6, int charHeight = 12, int charOffset = 0, bool multiLine = false, bool vCenter = true,
                EBlend blend = kBlendDefault);

  void Draw(IGraphics& g) override;
  void OnRescale() override;

 private:
  int mCharWidth;
  int mCharHeight;
  int mCharOffset;
  bool mMultiLine;
  bool mVCenter;
};

// A level meter of one value per channel, fed by sender records from the plug-in; it draws the frame of
// channel 0's level.
class IBMeterControl : public IBitmapControl {
 public:
  enum EResponse : int { kLinear = 0, kLog = 1 };

  // One frame in size, its top-left corner at (x, y). The dB range applies to the logarithmic response.
  IBMeterControl(float x, float y, const IBitmap& bitmap, int numChannels = 1, EResponse response = kLinear,
                 float hiRangeDB = 0.f, float loRangeDB = -72.f);

  // Message 0: a sender record (int tag, int channel count, int channel offset, then from byte 16 one
  // 8-byte entry per channel whose first float is the level). Only channels the control has and entries
  // the record holds are read; levels become values clamped to 0..1 (NaN to 0). Marks the meter dirty only
  // when the frame it shows changes.
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* data) override;

  static constexpr int kRecordHeaderSize = 16;
  static constexpr int kRecordEntrySize = 8;
  static constexpr int kMinRecordSize = 40;

 private:
  double LevelToValue(float level) const;

  float mHiRangeDB;
  float mLoRangeDB;
  EResponse mResponse;
};

}  // namespace fx::gfx

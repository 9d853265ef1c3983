// The editor's peak meter: one bar per channel on a dB scale with scale marks and numbers, a hold line and
// a second bar and hold line per channel, and each channel's peak value as text. It is a passive view:
// the plug-in's idle work writes the levels into it on every timer tick, and a click sends the plug-in
// the command that resets its peak and hold states. MAXNC is the channel count (the layout places at most
// two). Main thread only: the levels are written, drawn and reset on the main run loop.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"
#include "plugin/EditorViewSetup.h"

#include <array>

namespace fx::gfx {

template <int MAXNC = 2>
class IVMeterControlLW : public IControl, public IVectorBase, public kd::IMeterView {
 public:
  static_assert(MAXNC >= 1 && MAXNC <= 2, "the meter lays out one or two channel columns");

  static constexpr int kNumRanges = 7;
  static constexpr int kMarksPerRange = 15;
  // Levels at or below this print "-inf" (the plug-in writes -400 dB for silence and a disabled meter).
  static constexpr float kMinusInfinityDB = -384.f;

  struct Mark {
    bool shown = false;
    float level = 0.f;  // dB
    bool line = false;
    bool label = false;
  };

  // paramIdx (or -1) chooses the range index through the wheel; messageId (or -1) is the command a click
  // sends to the plug-in.
  IVMeterControlLW(const IRECT& bounds, int paramIdx, int messageId, const char* label, const IVStyle& style,
                   bool drawBackground, bool peakTextOnTop);

  void Draw(IGraphics& g) override;
  // The rectangle, when the background is drawn in an opaque colour.
  IRECT OpaqueBounds() const override { return mDrawBackground ? OpaqueBackground(mRECT) : IRECT(); }
  void DrawWidget(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDblClick(float, float, const IMouseMod&) override {}
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  void OnResize() override;

  // value in the parameter's own units: clamped, snapped, normalised through its shape, clamped to 0..1.
  void SetParamValue(int valIdx, float value);
  // Meter area, channel bars and peak-text rects from the widget rect, the inset and the flags.
  void LayoutMeter();
  // Fraction of a bar's length at which level (dB) lies: (level - floor) / span, squared within the range
  // when the squared scale is on; not clamped otherwise (drawing clips to the bar).
  float LevelFraction(float level) const;
  // The floor (dB) of a range index; -12 for an index outside 0..6.
  static float RangeFloor(int rangeIdx);

  // The settings the plug-in's editor update gives the product's meter: marks and numbers on, vertical,
  // both bars and peak texts on in the accent colour, plain (not squared) scale, range 5 from -72 to 0 dB;
  // then the layout and a redraw.
  void ApplyProductSetup(const IColor& accent) override;

  // Settings, written by the plug-in's editor update; call LayoutMeter after changing the layout flags and
  // SetDirty(false) after each change.
  void SetMarks(bool marks) { mMarks = marks; }
  void SetLabels(bool labels) { mLabels = labels; }
  void SetHorizontal(bool horizontal) { mHorizontal = horizontal; }
  void SetSquaredScale(bool squared) { mSquaredScale = squared; }
  void SetRange(int rangeIdx, float floor, float top, float span);
  void SetBarEnabled(int ch, bool enabled);
  void SetPeakTextEnabled(int ch, bool enabled);
  void SetInverted(int ch, bool inverted);
  void SetColors(int ch, const IColor& bar, const IColor& hold);
  void SetSecondColors(int ch, const IColor& bar, const IColor& hold);
  // The idle work's levels (dB) of one channel; marks the meter dirty, without an action, only when the
  // drawing would show them differently from what it last drew: a bar end or hold line moved by as much as
  // the renderer resolves, or another peak text.
  void SetLevels(int ch, float bar, float hold, float peakText) override;
  void SetSecondLevels(int ch, float bar, float hold);

  int GetRangeIdx() const { return mRangeIdx; }
  float GetRangeFloor() const { return mRangeFloor; }
  float GetRangeSpan() const { return mRangeSpan; }
  const IRECT& GetMeterBounds() const { return mMeterBounds; }
  const IRECT& GetBarBounds(int ch) const { return mChannels[ch].barBounds; }
  const IRECT& GetPeakTextBounds(int ch) const { return mChannels[ch].peakTextBounds; }
  const Mark& GetMark(int rangeIdx, int i) const { return mMarkTables[rangeIdx][i]; }
  // The levels (dB) SetLevels gave channel ch.
  float GetBarLevel(int ch) const { return mChannels[ch].barLevel; }
  float GetHoldLevel(int ch) const { return mChannels[ch].holdLevel; }
  float GetPeakTextLevel(int ch) const { return mChannels[ch].peakTextLevel; }
  const IColor& GetBarColor(int ch) const { return mChannels[ch].barColor; }

 private:
  struct Channel {
    IRECT barBounds;
    bool barEnabled = false;
    IRECT peakTextBounds;
    bool peakText = false;
    IColor barColor = IColor(255, 127, 127, 127);
    IColor holdColor = IColor(255, 127, 127, 127);
    IColor secondBarColor = IColor(255, 200, 200, 200);
    IColor secondHoldColor = IColor(255, 200, 200, 200);
    float barLevel = -144.f;
    float holdLevel = -144.f;
    float peakTextLevel = -144.f;
    float secondBarLevel = -144.f;
    float secondHoldLevel = -144.f;
    bool inverted = false;
  };

  // What the drawing shows of a channel's levels: where, in device pixels, its bar and hold line end (levels
  // beyond the bar's ends all look alike), whether the hold line is drawn, whether the bar's end lies under
  // the hold line's opaque middle, and the peak text.
  struct ShownLevels {
    float bar = 0.f;
    float hold = 0.f;
    bool holdDrawn = false;
    bool barUnderHold = false;
    std::array<char, 32> peakText{};
  };

  // LevelFraction for drawing: an infinite or undefined fraction becomes -1 or 2 (clipped anyway).
  float BarFraction(float level) const;
  ShownLevels ShownOf(const Channel& ch) const;
  // Whether a channel drawn with `now` would differ from its drawing with `drawn` by more than the renderer's
  // own rounding.
  bool LooksAlike(const Channel& ch, const ShownLevels& drawn, const ShownLevels& now) const;
  // "-inf", or the level with one decimal.
  static std::array<char, 32> PeakText(float level);
  void InitMarkTables();
  static double SnappedValue(const IParam& param);
  void SyncRangeFromParam();
  void DrawMeterScale(IGraphics& g, bool marks, bool labels);
  void DrawChannelBar(IGraphics& g, const Channel& ch);
  void DrawVerticalBar(IGraphics& g, const Channel& ch);
  void DrawHorizontalBar(IGraphics& g, const Channel& ch);
  void DrawPeakText(IGraphics& g, const IRECT& r, const IColor& color, float level);
  bool ValidChannel(int ch) const { return ch >= 0 && ch < MAXNC; }

  float mInset = 8.f;
  IRECT mMeterBounds;
  float mRangeFloor = -48.f;
  float mRangeTop = 0.f;
  float mRangeSpan = 48.f;
  int mRangeIdx = 4;
  bool mDrawBackground;
  bool mMarks = true;
  bool mLabels = false;
  bool mPeakTextOnTop;
  bool mSquaredScale = true;
  bool mHorizontal = false;
  std::array<std::array<Mark, kMarksPerRange>, kNumRanges> mMarkTables{};
  std::array<Channel, MAXNC> mChannels{};
  std::array<ShownLevels, MAXNC> mShown{};  // as last marked for drawing
  int mMessageId;
  int mParamIdx;  // the parameter bound to value entry 0, or -1
};

}  // namespace fx::gfx

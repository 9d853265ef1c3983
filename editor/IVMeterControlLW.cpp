#include "editor/IVMeterControlLW.h"

#include "editor/EditorCommand.h"
#include "editor/EditorPaint.h"
#include "framework/IParam.h"
#include "framework/NumberText.h"
#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace fx::gfx {

namespace {

// A mark's kind in the tables below: line and number, line alone, or a slot that is not shown.
enum EMarkKind : char { kLineAndLabel, kLineOnly, kHidden };

struct MarkRow {
  float level;
  EMarkKind kind;
};

// clang-format off
constexpr MarkRow kRange0[] = {{-1, kLineAndLabel}, {-2, kLineAndLabel}, {-3, kLineAndLabel}, {-4, kLineAndLabel},
  {-5, kLineAndLabel}, {-6, kLineAndLabel}, {-7, kLineAndLabel}, {-8, kLineAndLabel}, {-9, kLineAndLabel},
  {-10, kLineAndLabel}, {-11, kLineAndLabel}};
constexpr MarkRow kRange1[] = {{-2, kLineAndLabel}, {-4, kLineAndLabel}, {-6, kLineAndLabel}, {-8, kLineAndLabel},
  {-10, kLineAndLabel}, {-12, kLineAndLabel}, {-14, kLineAndLabel}, {-16, kLineAndLabel}};
constexpr MarkRow kRange2[] = {{-2, kLineAndLabel}, {-4, kLineAndLabel}, {-6, kLineAndLabel}, {-8, kLineAndLabel},
  {-10, kLineAndLabel}, {-12, kLineAndLabel}, {-14, kLineAndLabel}, {-16, kLineAndLabel}, {-18, kLineAndLabel},
  {-20, kLineAndLabel}, {-22, kLineAndLabel}};
constexpr MarkRow kRange3[] = {{-3, kLineAndLabel}, {-6, kLineAndLabel}, {-9, kLineAndLabel}, {-12, kLineAndLabel},
  {-15, kLineAndLabel}, {-18, kLineAndLabel}, {-23, kLineAndLabel}, {-27, kLineAndLabel}, {-30, kLineAndLabel},
  {-33, kLineAndLabel}};
constexpr MarkRow kRange4[] = {{-4, kLineAndLabel}, {-8, kLineAndLabel}, {-12, kLineAndLabel}, {-16, kLineAndLabel},
  {-20, kHidden}, {-23, kLineAndLabel}, {-28, kLineAndLabel}, {-32, kLineAndLabel}, {-36, kLineAndLabel},
  {-40, kLineAndLabel}, {-44, kLineAndLabel}};
constexpr MarkRow kRange5[] = {{0, kLineAndLabel}, {-6, kLineOnly}, {-12, kLineAndLabel}, {-18, kLineOnly},
  {-23, kLineAndLabel}, {-30, kLineOnly}, {-36, kLineAndLabel}, {-42, kLineOnly}, {-48, kLineAndLabel},
  {-54, kLineOnly}, {-60, kLineAndLabel}, {-66, kLineOnly}};
constexpr MarkRow kRange6[] = {{-6, kLineAndLabel}, {-12, kLineOnly}, {-18, kLineAndLabel}, {-23, kLineOnly},
  {-30, kLineAndLabel}, {-36, kLineOnly}, {-42, kLineAndLabel}, {-48, kLineOnly}, {-54, kLineAndLabel},
  {-60, kLineOnly}, {-66, kLineAndLabel}, {-72, kLineOnly}, {-78, kLineAndLabel}, {-84, kLineOnly},
  {-90, kLineAndLabel}};
// clang-format on

constexpr float kRangeFloors[] = {-12.f, -18.f, -24.f, -36.f, -48.f, -72.f, -96.f};

// The widest scale number; its size sets the number boxes.
constexpr const char* kWidestMeterNumber = "-99";
// With numbers on, the mark lines end at this share of the centre's x and start again at the centre's x
// divided by it.
constexpr float kMarkGapShare = 0.96f;
constexpr float kBarGap = 4.f;
constexpr float kHoldThickness = 3.f;
constexpr int kGradientTopAlpha = 229;
constexpr int kBarBottomAlpha = 25;
constexpr int kSecondBarBottomAlpha = 51;
constexpr IColor kPeakTextShade(128, 0, 0, 0);

// The renderer shades an edge's pixels by its coverage, 8 bits deep: an edge moved by less than 1/256 of a
// device pixel changes no pixel by more than one step of rounding.
constexpr float kEdgeResolution = 1.f / 256.f;
// A bar end under a hold line's opaque middle shows only where the line's coverage is partial: in the pixels
// that the bar's rect covers partly (its sides off whole pixels). With c the share of such a pixel inside the
// rect, the bar's end and the line both cover c^2 of it (the clip's and the shape's shading), so the pixel
// shows c^2 (1 - c^2) <= 1/4 of the end's change of coverage: a move of less than four edge resolutions changes
// it by less than a step.
constexpr float kUnderHoldResolution = 4.f * kEdgeResolution;
// Room for the rasteriser snapping vertices to 1/256 of a pixel and interpolating coverage in floats.
constexpr float kCoverMargin = 1.f / 64.f;

// Whether every side of r lies on a pixel boundary at the given scale.
bool OnWholePixels(const IRECT& r, float scale) {
  for (const float side : {r.L, r.T, r.R, r.B})
    if (std::fabs(side * scale - std::round(side * scale)) >= kEdgeResolution) return false;
  return true;
}

template <typename Table, std::size_t N>
void FillTable(Table& table, const MarkRow (&rows)[N]) {
  static_assert(N <= std::tuple_size_v<Table>, "a range holds at most 15 marks");
  for (std::size_t i = 0; i < N; ++i) {
    table[i].level = rows[i].level;
    table[i].shown = rows[i].kind != kHidden;
    table[i].line = rows[i].kind != kHidden;
    table[i].label = rows[i].kind == kLineAndLabel;
  }
}

IColor WithAlpha(IColor color, int alpha) {
  color.A = alpha;
  return color;
}

}  // namespace

template <int MAXNC>
IVMeterControlLW<MAXNC>::IVMeterControlLW(const IRECT& bounds, int paramIdx, int messageId, const char* label,
                                          const IVStyle& style, bool drawBackground, bool peakTextOnTop)
    : IControl(bounds, paramIdx),
      IVectorBase(style, false, false),
      mDrawBackground(drawBackground),
      mPeakTextOnTop(peakTextOnTop),
      mMessageId(messageId),
      mParamIdx(paramIdx) {
  AttachIControl(this, label);
  InitMarkTables();
  LayoutMeter();
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::InitMarkTables() {
  for (auto& table : mMarkTables) table.fill(Mark());
  auto& tables = mMarkTables;
  FillTable(tables[0], kRange0);
  FillTable(tables[1], kRange1);
  FillTable(tables[2], kRange2);
  FillTable(tables[3], kRange3);
  FillTable(tables[4], kRange4);
  FillTable(tables[5], kRange5);
  FillTable(tables[6], kRange6);
}

template <int MAXNC>
float IVMeterControlLW<MAXNC>::RangeFloor(int rangeIdx) {
  return rangeIdx >= 0 && rangeIdx < kNumRanges ? kRangeFloors[rangeIdx] : kRangeFloors[0];
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetRange(int rangeIdx, float floor, float top, float span) {
  mRangeIdx = rangeIdx;
  mRangeFloor = floor;
  mRangeTop = top;
  mRangeSpan = span;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::ApplyProductSetup(const IColor& accent) {
  constexpr int kProductRange = 5;
  mMarks = true;
  mLabels = true;
  mHorizontal = false;
  for (Channel& ch : mChannels) {
    ch.barEnabled = true;
    ch.barColor = accent;
    ch.holdColor = accent;
    ch.peakText = true;
  }
  mSquaredScale = false;
  SetRange(kProductRange, RangeFloor(kProductRange), 0.f, -RangeFloor(kProductRange));
  LayoutMeter();
  SetDirty(false, -1);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetBarEnabled(int ch, bool enabled) {
  if (ValidChannel(ch)) mChannels[ch].barEnabled = enabled;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetPeakTextEnabled(int ch, bool enabled) {
  if (ValidChannel(ch)) mChannels[ch].peakText = enabled;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetInverted(int ch, bool inverted) {
  if (ValidChannel(ch)) mChannels[ch].inverted = inverted;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetColors(int ch, const IColor& bar, const IColor& hold) {
  if (!ValidChannel(ch)) return;
  mChannels[ch].barColor = bar;
  mChannels[ch].holdColor = hold;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetSecondColors(int ch, const IColor& bar, const IColor& hold) {
  if (!ValidChannel(ch)) return;
  mChannels[ch].secondBarColor = bar;
  mChannels[ch].secondHoldColor = hold;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetLevels(int ch, float bar, float hold, float peakText) {
  if (!ValidChannel(ch)) return;
  Channel& c = mChannels[ch];
  c.barLevel = bar;
  c.holdLevel = hold;
  c.peakTextLevel = peakText;
  // The idle tick writes the levels 50 times a second: only a level that moves what is drawn redraws, so
  // steady levels, and a steady signal's sub-pixel ripple under the hold line, leave the editor idle. A hidden
  // meter is redrawn whole when shown.
  const ShownLevels shown = ShownOf(c);
  if (LooksAlike(c, mShown[ch], shown)) return;
  mShown[ch] = shown;
  if (!IsHidden()) SetDirty(false, -1);
}

template <int MAXNC>
typename IVMeterControlLW<MAXNC>::ShownLevels IVMeterControlLW<MAXNC>::ShownOf(const Channel& ch) const {
  ShownLevels shown;
  if (ch.peakText) shown.peakText = PeakText(ch.peakTextLevel);
  if (!ch.barEnabled) return shown;
  const float scale = GetUI() ? GetUI()->GetTotalScale() : 1.f;
  const IRECT& r = ch.barBounds;
  // Farther than a hold line's thickness past either end, the clip hides any difference.
  const float from = mHorizontal ? r.L : r.B;
  const float length = mHorizontal ? r.W() : -r.H();
  const float low = std::min(from, from + length) - kHoldThickness;
  const float high = std::max(from, from + length) + kHoldThickness;
  const auto pixel = [&](float level) { return std::clamp(from + BarFraction(level) * length, low, high) * scale; };
  shown.bar = pixel(ch.barLevel);
  shown.hold = pixel(ch.holdLevel);
  // An inverted channel draws its hold line only with a bar that is not empty.
  const float barEnd = from + BarFraction(ch.barLevel) * length;
  shown.holdDrawn = !ch.inverted || (mHorizontal ? barEnd < r.R : barEnd > r.T);
  // The line covers whole the pixels within half its thickness less a pixel (its shaded fringe) of its middle;
  // the bar's end shades the pixels within half a pixel of it. The line covers only when opaque and laid over
  // (the control's blend plain).
  const float covered = 0.5f * kHoldThickness * scale - 1.f - kCoverMargin;
  shown.barUnderHold =
      shown.holdDrawn && ch.holdColor.A == 255 && mBlend == IBlend() && std::fabs(shown.bar - shown.hold) <= covered;
  return shown;
}

template <int MAXNC>
bool IVMeterControlLW<MAXNC>::LooksAlike(const Channel& ch, const ShownLevels& drawn, const ShownLevels& now) const {
  if (drawn.peakText != now.peakText || drawn.holdDrawn != now.holdDrawn || drawn.barUnderHold != now.barUnderHold)
    return false;
  if (!(std::fabs(drawn.hold - now.hold) < kEdgeResolution)) return false;
  if (!now.barUnderHold) return std::fabs(drawn.bar - now.bar) < kEdgeResolution;
  // Under the line in both drawings: hidden whole when the bar's rect lies on whole pixels.
  const float scale = GetUI() ? GetUI()->GetTotalScale() : 1.f;
  return OnWholePixels(ch.barBounds, scale) || std::fabs(drawn.bar - now.bar) < kUnderHoldResolution;
}

template <int MAXNC>
std::array<char, 32> IVMeterControlLW<MAXNC>::PeakText(float level) {
  std::array<char, 32> text{"-inf"};
  if (level > kMinusInfinityDB) FormatFixed(text.data(), static_cast<int>(text.size()), level, 1);
  return text;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetSecondLevels(int ch, float bar, float hold) {
  if (!ValidChannel(ch)) return;
  mChannels[ch].secondBarLevel = bar;
  mChannels[ch].secondHoldLevel = hold;
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::Draw(IGraphics& g) {
  if (mDrawBackground) DrawBackground(g, mRECT);
  DrawWidget(g);
  DrawLabel(g);
  if (mStyle.drawFrame) g.DrawRect(GetColor(kFR), mWidgetBounds, &mBlend, mStyle.frameThickness);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::DrawWidget(IGraphics& g) {
  SyncRangeFromParam();
  DrawMeterScale(g, mMarks, mLabels);
  for (const Channel& ch : mChannels)
    if (ch.barEnabled) DrawChannelBar(g, ch);
  for (const Channel& ch : mChannels)
    if (ch.peakText) DrawPeakText(g, ch.peakTextBounds, GetColor(kHL), ch.peakTextLevel);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::OnMouseDown(float, float, const IMouseMod&) {
  SendEditorCommand(*this, mMessageId);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::OnMouseWheel(float, float, const IMouseMod&, float d) {
  const IParam* param = GetParam(0);
  if (!param) return;
  SetParamValue(0, static_cast<float>(SnappedValue(*param) - d));
  SetDirty(true, -1);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::OnResize() {
  mWidgetBounds = MakeRects(mRECT, false);
  mTargetRECT = mWidgetBounds;
  mMouseIsOver = false;
  LayoutMeter();
  SetDirty(false, -1);
}

// Clamped before it is snapped, stepped parameter or not: a range whose ends are off the step's grid snaps its ends
// onto the grid (a snapped end beyond the range normalises beyond 0..1 and is clamped there). A negative step snaps
// to its size, as the parameter rounds; a step of 0 or an infinite one snaps nothing (dividing by it would make the
// value NaN, and the set would be lost); a NaN leaves the value as it is.
template <int MAXNC>
void IVMeterControlLW<MAXNC>::SetParamValue(int valIdx, float value) {
  const IParam* param = GetParam(valIdx);
  if (!param || std::isnan(value)) return;
  double v = std::clamp(static_cast<double>(value), param->GetMin(), param->GetMax());
  const double step = param->GetStep();
  if (step != 0.0 && std::isfinite(step)) v = std::round(v / step) * step;
  const double normalized = param->ToNormalized(v);
  if (!std::isnan(normalized)) SetValue(std::clamp(normalized, 0.0, 1.0), valIdx);
}

// The parameter's value snapped to its step, whether or not the parameter is flagged stepped, then clamped; with
// no grid (a step of 0 or an infinite one) only clamped, as SetParamValue does.
template <int MAXNC>
double IVMeterControlLW<MAXNC>::SnappedValue(const IParam& param) {
  double v = param.Value();
  const double step = param.GetStep();
  if (step != 0.0 && std::isfinite(step)) v = std::round(v / step) * step;
  return std::clamp(v, param.GetMin(), param.GetMax());
}

// A value beyond every int chooses the nearest one (an index outside the tables: the floor of -12).
template <int MAXNC>
void IVMeterControlLW<MAXNC>::SyncRangeFromParam() {
  const IParam* param = GetParam(0);
  if (!param) return;
  const double p = SnappedValue(*param);
  if (!(std::fabs(mRangeIdx - p) > 0.00001)) return;
  constexpr double kLowest = std::numeric_limits<int>::min();
  constexpr double kHighest = std::numeric_limits<int>::max();
  mRangeIdx = static_cast<int>(std::clamp(p, kLowest, kHighest));
  mRangeFloor = RangeFloor(mRangeIdx);
  mRangeTop = 0.f;
  mRangeSpan = -mRangeFloor;
  SetDirty(false, -1);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::LayoutMeter() {
  const float fs = mStyle.labelText.mSize;
  const IRECT& w = mWidgetBounds;
  IRECT a = w.GetPadded(-mInset);
  if (mPeakTextOnTop) a.T += 2.f * fs;
  mMeterBounds = a;
  std::array<IRECT, 2> bars;
  std::array<IRECT, 2> texts;
  if (!mHorizontal) {
    const float half = 0.5f * a.W();
    bars[0] = IRECT(a.L + kBarGap, a.T, a.L + half - kBarGap, a.B);
    bars[1] = IRECT(a.L + half + kBarGap, a.T, a.R - kBarGap, a.B);
    const float top = mPeakTextOnTop ? w.T + mInset : a.B - fs;
    texts[0] = IRECT(a.L, top, a.L + half, top + fs);
    texts[1] = IRECT(a.L + half, top, a.R, top + fs);
  } else {
    const float h = 0.5f * (a.B - a.T - fs);
    bars[0] = IRECT(a.L, a.T + fs + 1.f, a.R, a.T + fs + h - 1.f);
    bars[1] = IRECT(a.L, a.T + fs + h + 1.f, a.R, a.T + fs + 2.f * h - 1.f);
    const float t1 = w.T + mInset;
    const float h1 = 0.5f * (a.B - t1 - fs);
    const float y = t1 + fs + 0.5f * h1;
    texts[0] = IRECT(a.L + 2.f * fs + 4.f, y, a.L + 4.f * fs + 8.f, y + h1);
    texts[1] = IRECT(a.L, y, a.L + 2.f * fs + 4.f, y + h1);
  }
  for (int i = 0; i < MAXNC; ++i) {
    mChannels[i].barBounds = bars[i];
    mChannels[i].peakTextBounds = texts[i];
  }
}

// A span that is not positive has no scale: every level sits at the bottom.
template <int MAXNC>
float IVMeterControlLW<MAXNC>::LevelFraction(float level) const {
  if (!(mRangeSpan > 0.f)) return 0.f;
  float f = (level - mRangeFloor) / mRangeSpan;
  if (mSquaredScale && level >= mRangeFloor && level <= mRangeTop) {
    f = std::clamp(f, 0.f, 1.f);
    f *= f;
  }
  return f;
}

// Silence arrives as minus infinity dB (the log of 0): an infinite (or undefined) fraction is drawn a
// bar's length beyond the end it points to, where the clip hides it, so no infinite coordinate reaches
// the renderer. Finite levels are drawn where LevelFraction puts them.
template <int MAXNC>
float IVMeterControlLW<MAXNC>::BarFraction(float level) const {
  const float f = LevelFraction(level);
  if (std::isfinite(f)) return f;
  return f > 0.f ? 2.f : -1.f;
}

// With numbers, each mark line stops a number's width short of the meter's centre on either side, so the
// gap around the numbers is the same wherever the meter sits in the editor.
template <int MAXNC>
void IVMeterControlLW<MAXNC>::DrawMeterScale(IGraphics& g, bool marks, bool labels) {
  const IRECT& a = mMeterBounds;
  const float fs = mStyle.labelText.mSize;
  g.PathClipRegion(IRECT(a.L, a.T - 0.5f * fs, a.R, a.B));
  IText text = mStyle.labelText;
  text.mFGColor = RaiseColor(text.mFGColor, kScaleNumberRaise);
  IRECT measured;
  const float tw = g.MeasureText(text, kWidestMeterNumber, measured);
  const float th = measured.H();
  const float cx = a.MW();
  const float lineTop = mHorizontal ? a.T + fs : a.T;
  const IColor& fg = GetColor(kFG);
  if (mRangeIdx >= 0 && mRangeIdx < kNumRanges) {
    for (const Mark& mark : mMarkTables[mRangeIdx]) {
      if (!mark.shown) continue;
      const float f = LevelFraction(mark.level);
      const float lineY = a.B - f * (a.B - lineTop);
      const bool line = marks && mark.line;
      if (!labels) {
        if (line) g.DrawHorizontalLine(fg, lineY, a.L, a.R, &mBlend, mStyle.frameThickness);
        continue;
      }
      // The gap left for the number grows with the centre's distance from the editor's left edge.
      if (line) {
        g.DrawHorizontalLine(fg, lineY, a.L, kMarkGapShare * cx, &mBlend, mStyle.frameThickness);
        g.DrawHorizontalLine(fg, lineY, cx / kMarkGapShare, a.R, &mBlend, mStyle.frameThickness);
      }
      if (mark.label) {
        char str[32];
        FormatFixed(str, sizeof(str), mark.level, 0);
        const float y = a.B - f * (a.B - a.T);
        g.DrawText(text, str, IRECT(cx - 0.5f * tw, y - 0.5f * th, cx + 0.5f * tw, y + 0.5f * th));
      }
    }
  }
  g.PathClipRegion();
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::DrawChannelBar(IGraphics& g, const Channel& ch) {
  g.PathClipRegion(ch.barBounds);
  if (mHorizontal)
    DrawHorizontalBar(g, ch);
  else
    DrawVerticalBar(g, ch);
  g.PathClipRegion();
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::DrawVerticalBar(IGraphics& g, const Channel& ch) {
  const IRECT& r = ch.barBounds;
  const float l = r.H();
  const auto yOf = [&](float level) { return r.B - BarFraction(level) * l; };
  // Bars fade towards the level's origin: the bottom, or the top for an inverted channel.
  const float from = ch.inverted ? r.B : r.T;
  const float to = ch.inverted ? r.T : r.B;
  const auto fill = [&](const IRECT& bar, const IColor& color, int fadedAlpha) {
    g.PathClear();
    g.PathRect(bar);
    g.PathFill(MakeLinearGradient(r.L, from, r.L, to,
                                  {{WithAlpha(color, kGradientTopAlpha), 0.f}, {WithAlpha(color, fadedAlpha), 1.f}}),
               IFillOptions(), &mBlend);
  };
  const auto hold = [&](float level, const IColor& color) {
    g.DrawHorizontalLine(color, yOf(level), r.L, r.R, &mBlend, kHoldThickness);
  };
  if (!ch.inverted) {
    fill(IRECT(r.L, yOf(ch.barLevel), r.R, r.B), ch.barColor, kBarBottomAlpha);
    hold(ch.holdLevel, ch.holdColor);
    fill(IRECT(r.L, yOf(ch.secondBarLevel), r.R, r.B), ch.secondBarColor, kSecondBarBottomAlpha);
    hold(ch.secondHoldLevel, ch.secondHoldColor);
    return;
  }
  const float barEnd = yOf(ch.barLevel);
  if (barEnd > r.T) {
    fill(IRECT(r.L, r.T, r.R, barEnd), ch.barColor, kBarBottomAlpha);
    hold(ch.holdLevel, ch.holdColor);
  }
  const float secondEnd = yOf(ch.secondBarLevel);
  if (!(secondEnd > r.T)) return;
  fill(IRECT(r.L, r.T, r.R, secondEnd), ch.secondBarColor, kSecondBarBottomAlpha);
  hold(ch.secondHoldLevel, ch.secondHoldColor);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::DrawHorizontalBar(IGraphics& g, const Channel& ch) {
  const IRECT& r = ch.barBounds;
  const float w = r.W();
  const auto xOf = [&](float level) { return r.L + BarFraction(level) * w; };
  const float from = ch.inverted ? r.L : r.R;
  const float to = ch.inverted ? r.R : r.L;
  const auto fill = [&](const IRECT& bar, const IColor& color, int fadedAlpha) {
    g.PathClear();
    g.PathRect(bar);
    g.PathFill(MakeLinearGradient(from, r.T, to, r.T,
                                  {{WithAlpha(color, kGradientTopAlpha), 0.f}, {WithAlpha(color, fadedAlpha), 1.f}}),
               IFillOptions(), &mBlend);
  };
  const auto hold = [&](float level, const IColor& color) {
    g.DrawVerticalLine(color, xOf(level), r.T, r.B, &mBlend, kHoldThickness);
  };
  if (!ch.inverted) {
    fill(IRECT(r.L, r.T, xOf(ch.barLevel), r.B), ch.barColor, kBarBottomAlpha);
    hold(ch.holdLevel, ch.holdColor);
    fill(IRECT(r.L, r.T, xOf(ch.secondBarLevel), r.B), ch.secondBarColor, kSecondBarBottomAlpha);
    hold(ch.secondHoldLevel, ch.secondHoldColor);
    return;
  }
  const float barStart = xOf(ch.barLevel);
  if (barStart < r.R) {
    fill(IRECT(barStart, r.T, r.R, r.B), ch.barColor, kBarBottomAlpha);
    hold(ch.holdLevel, ch.holdColor);
  }
  const float secondStart = xOf(ch.secondBarLevel);
  if (!(secondStart < r.R)) return;
  fill(IRECT(secondStart, r.T, r.R, r.B), ch.secondBarColor, kSecondBarBottomAlpha);
  hold(ch.secondHoldLevel, ch.secondHoldColor);
}

template <int MAXNC>
void IVMeterControlLW<MAXNC>::DrawPeakText(IGraphics& g, const IRECT& r, const IColor& color, float level) {
  g.PathClipRegion(r);
  IText text = mStyle.valueText;
  text.mFGColor = color;
  text.mAlign = kAlignFar;
  if (!mPeakTextOnTop) g.FillRect(kPeakTextShade, r, &mBlend);
  g.DrawText(text, PeakText(level).data(), r);
  g.PathClipRegion();
}

template class IVMeterControlLW<1>;
template class IVMeterControlLW<2>;

}  // namespace fx::gfx

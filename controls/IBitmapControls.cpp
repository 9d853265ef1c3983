#include "controls/IBitmapControls.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace fx::gfx {

namespace {

IRECT FrameAt(float x, float y, const IBitmap& bitmap) {
  return IRECT(x, y, x + static_cast<float>(bitmap.FW()), y + static_cast<float>(bitmap.FH()));
}

IRECT FrameCentredIn(const IRECT& bounds, const IBitmap& bitmap) {
  const float w = static_cast<float>(bitmap.FW());
  const float h = static_cast<float>(bitmap.FH());
  const float left = (bounds.L + bounds.R) / 2.f - w / 2.f;
  const float top = (bounds.T + bounds.B) / 2.f - h / 2.f;
  return IRECT(left, top, left + w, top + h);
}

float HandleSizeOf(const IBitmap& handle, EDirection dir) {
  return static_cast<float>(dir == kVertical ? handle.H() : handle.W());
}

// 20 / ln 10: decibels from a natural logarithm of an amplitude.
constexpr double kDBPerNeper = 8.685889638065037;

}  // namespace

IBButtonControl::IBButtonControl(float x, float y, const IBitmap& bitmap, IActionFunction actionFunc)
    : IButtonControlBase(FrameAt(x, y, bitmap), std::move(actionFunc)), IBitmapBase(bitmap) {
  AttachIControl(this);
}

IBButtonControl::IBButtonControl(const IRECT& bounds, const IBitmap& bitmap, IActionFunction actionFunc)
    : IButtonControlBase(FrameCentredIn(bounds, bitmap), std::move(actionFunc)), IBitmapBase(bitmap) {
  AttachIControl(this);
}

void IBButtonControl::OnRescale() {
  if (mGraphics) IBitmapBase::OnRescale(*mGraphics);
}

IBSwitchControl::IBSwitchControl(float x, float y, const IBitmap& bitmap, int paramIdx)
    : ISwitchControlBase(FrameAt(x, y, bitmap), paramIdx, nullptr, 2), IBitmapBase(bitmap) {
  AttachIControl(this);
}

IBSwitchControl::IBSwitchControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx)
    : ISwitchControlBase(FrameCentredIn(bounds, bitmap), paramIdx, nullptr, 2), IBitmapBase(bitmap) {
  AttachIControl(this);
}

void IBSwitchControl::OnRescale() {
  if (mGraphics) IBitmapBase::OnRescale(*mGraphics);
}

// A strip of one frame (or none) has no step to divide: a click goes to 1, the next wraps to 0.
void IBSwitchControl::OnMouseDown(float, float, const IMouseMod&) {
  const int n = mBitmap.N();
  SetValue(GetValue(0) + (n >= 2 ? 1.0 / (n - 1) : 1.0));
  if (GetValue(0) > 1.001) SetValue(0.0);
  SetDirty(true);
}

IBSliderControl::IBSliderControl(float x, float y, float length, const IBitmap& handleBitmap,
                                 const IBitmap& trackBitmap, int paramIdx, EDirection dir, double gearing)
    : ISliderControlBase(dir == kVertical ? IRECT(x, y, x + static_cast<float>(handleBitmap.W()), y + length)
                                          : IRECT(x, y, x + length, y + static_cast<float>(handleBitmap.H())),
                         paramIdx, dir, true, gearing, HandleSizeOf(handleBitmap, dir)),
      IBitmapBase(handleBitmap),
      mTrackBitmap(trackBitmap) {
  AttachIControl(this);
}

IBSliderControl::IBSliderControl(const IRECT& bounds, const IBitmap& handleBitmap, const IBitmap& trackBitmap,
                                 int paramIdx, EDirection dir, double gearing)
    : ISliderControlBase(bounds, paramIdx, dir, true, gearing, HandleSizeOf(handleBitmap, dir)),
      IBitmapBase(handleBitmap),
      mTrackBitmap(trackBitmap) {
  AttachIControl(this);
}

void IBSliderControl::OnRescale() {
  if (mGraphics) IBitmapBase::OnRescale(*mGraphics);
}

// Without a track image the track is a strip as wide (or high) as the handle image.
void IBSliderControl::OnResize() {
  mTargetRECT = mRECT;
  if (mTrackBitmap.GetAPIBitmap()) {
    mTrack = FrameCentredIn(mRECT, mTrackBitmap);
  } else {
    const float hw = static_cast<float>(mBitmap.W()) / 2.f;
    const float hh = static_cast<float>(mBitmap.H()) / 2.f;
    mTrack = mDirection == kVertical ? IRECT(mRECT.MW() - hw, mRECT.T, mRECT.MW() + hw, mRECT.B)
                                     : IRECT(mRECT.L, mRECT.MH() - hh, mRECT.R, mRECT.MH() + hh);
  }
  SetDirty(false);
}

IRECT IBSliderControl::GetHandleBounds(double value) const {
  if (value < 0.0) value = GetValue(0);
  const float v = static_cast<float>(value);
  const float w = static_cast<float>(mBitmap.W());
  const float h = static_cast<float>(mBitmap.H());
  float dx = 0.f;
  float dy = 0.f;
  if (mDirection == kVertical)
    dy = (mTrack.B - mTrack.T - h) * (1.f - v);
  else
    dx = (mTrack.R - mTrack.L - w) * v;
  const float left = mTrack.L + dx;
  const float top = mTrack.T + dy;
  return IRECT(left, top, left + static_cast<float>(mBitmap.FW()), top + static_cast<float>(mBitmap.FH()));
}

void IBSliderControl::Draw(IGraphics& g) {
  if (mTrackBitmap.GetAPIBitmap()) g.DrawBitmap(mTrackBitmap, FrameCentredIn(mRECT, mTrackBitmap), 0, 0, &mBlend);
  g.DrawBitmap(mBitmap, GetHandleBounds(), 1, &mBlend);
}

IBKnobControl::IBKnobControl(float x, float y, const IBitmap& bitmap, int paramIdx, EDirection dir, double gearing)
    : IKnobControlBase(FrameAt(x, y, bitmap), paramIdx, dir, gearing), IBitmapBase(bitmap) {
  AttachIControl(this);
}

IBKnobControl::IBKnobControl(const IRECT& bounds, const IBitmap& bitmap, int paramIdx, EDirection dir, double gearing)
    : IKnobControlBase(bounds, paramIdx, dir, gearing), IBitmapBase(bitmap) {
  AttachIControl(this);
}

void IBKnobControl::OnRescale() {
  if (mGraphics) IBitmapBase::OnRescale(*mGraphics);
}

void IBKnobRotaterControl::Draw(IGraphics& g) {
  const double angle = GetValue(0) * 260.0 - 130.0;
  g.DrawRotatedBitmap(mBitmap, mRECT.MW(), mRECT.MH(), angle, &mBlend);
}

IBTextControl::IBTextControl(const IRECT& bounds, const IBitmap& bitmap, const IText& text, const char* str,
                             int charWidth, int charHeight, int charOffset, bool multiLine, bool vCenter, EBlend blend)
    : ITextControl(bounds, str, text, COLOR_TRANSPARENT, false),
      IBitmapBase(bitmap),
      mCharWidth(charWidth),
      mCharHeight(charHeight),
      mCharOffset(charOffset),
      mMultiLine(multiLine),
      mVCenter(vCenter) {
  mBlend = IBlend(blend, 1.f);
  AttachIControl(this);
}

void IBTextControl::Draw(IGraphics& g) {
  g.DrawBitmapedText(mBitmap, mRECT, mText, &mBlend, mStr.Get(), mVCenter, mMultiLine, mCharWidth, mCharHeight,
                     mCharOffset);
}

void IBTextControl::OnRescale() {
  if (mGraphics) IBitmapBase::OnRescale(*mGraphics);
}

IBMeterControl::IBMeterControl(float x, float y, const IBitmap& bitmap, int numChannels, EResponse response,
                               float hiRangeDB, float loRangeDB)
    : IBitmapControl(x, y, bitmap), mHiRangeDB(hiRangeDB), mLoRangeDB(loRangeDB), mResponse(response) {
  mVals.resize(static_cast<std::size_t>(std::max(numChannels, 1)));
}

// A range of no width, or a level that maps to NaN, shows as empty.
double IBMeterControl::LevelToValue(float level) const {
  double value = level;
  if (mResponse == kLog) {
    const double span = std::fabs(static_cast<double>(mHiRangeDB) - mLoRangeDB);
    if (!(span > 0.0)) return 0.0;
    value = (std::log(std::fabs(static_cast<double>(level))) * kDBPerNeper + std::fabs(mLoRangeDB)) / span;
  }
  if (std::isnan(value)) return 0.0;
  return std::clamp(value, 0.0, 1.0);
}

void IBMeterControl::OnMsgFromDelegate(int msgTag, int dataSize, const void* data) {
  if (msgTag != 0 || mDisabled) return;

  int count = 1;
  int offset = 0;
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  int entriesInRecord = 1;
  if (data && dataSize >= kMinRecordSize) {
    std::memcpy(&count, bytes + sizeof(int), sizeof(int));
    std::memcpy(&offset, bytes + 2 * sizeof(int), sizeof(int));
    entriesInRecord = (dataSize - kRecordHeaderSize) / kRecordEntrySize;
  } else {
    bytes = nullptr;  // the default record: one channel at offset 0, level 0
  }

  // The record's count and offset come from the sender: only channels this meter has, whose entries lie
  // inside the record (entry c holds channel c), are read.
  const long long first = std::max(0LL, static_cast<long long>(offset));
  const long long end = std::min({static_cast<long long>(offset) + count, static_cast<long long>(NVals()),
                                  static_cast<long long>(entriesInRecord)});
  const int shown = FrameForValue(mBitmap.N(), GetValue(0));
  for (long long channel = first; channel < end; ++channel) {
    float level = 0.f;
    if (bytes) std::memcpy(&level, bytes + kRecordHeaderSize + channel * kRecordEntrySize, sizeof(float));
    SetValue(LevelToValue(level), static_cast<int>(channel));
  }
  // Only channel 0's frame is drawn: records that keep it redraw nothing.
  if (FrameForValue(mBitmap.N(), GetValue(0)) != shown) SetDirty(false);
}

}  // namespace fx::gfx

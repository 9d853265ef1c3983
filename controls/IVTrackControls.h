// Track controls: IVTrackControlBase shows several values side by side as bars (one track per value),
// filled from the bottom (or left) to the value, optionally split at a base value, quantised into step
// cells, with peak strips, names and frames, and reports the track under the mouse. Derived controls draw
// themselves (Draw is left to them). IVRangeSliderControl is a slider with two or more handles on one
// shared track, each confined between its neighbours, with the spans between neighbours filled.
// Main thread only; nothing here blocks.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"

#include <string>
#include <vector>

namespace fx::gfx {

class IVTrackControlBase : public IControl, public IVectorBase {
 public:
  // One value per parameter index (-1 for an unbound value); numSteps 0 for continuous tracks. Names may
  // be fewer than the tracks.
  IVTrackControlBase(const IRECT& bounds, const char* label, const IVStyle& style, const std::vector<int>& params,
                     int numSteps = 0, EDirection dir = kVertical, const std::vector<const char*>& trackNames = {});

  // Every track through DrawTrack.
  void DrawWidget(IGraphics& g) override;
  // The background, and a shadow-coloured line at the base value when there is one.
  void DrawBackground(IGraphics& g, const IRECT& r) override;
  virtual void DrawTrack(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackBackground(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackName(IGraphics& g, const IRECT& r, int chIdx);
  virtual void DrawTrackHandle(IGraphics& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void DrawPeak(IGraphics& g, const IRECT& r, int chIdx, bool aboveBaseValue);
  virtual void MakeTrackRects(const IRECT& bounds);
  // Cell 0 is the bottom (vertical) or rightmost (horizontal) cell; the value 0 gets a cell of its own
  // when the zero-value step is on.
  virtual void MakeStepRects(const IRECT& bounds, int nSteps);

  // The first track containing the point, -1 for none.
  int GetValIdxForPos(float x, float y) const override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnResize() override;

  int NTracks() const { return NVals(); }
  const IRECT& GetTrackBounds(int chIdx) const { return mTrackBounds[static_cast<size_t>(chIdx)]; }
  int NStepCells() const { return static_cast<int>(mStepBounds.size()); }
  const IRECT& GetStepBounds(int idx) const { return mStepBounds[static_cast<size_t>(idx)]; }
  int GetMouseOverTrack() const { return mMouseOverTrack; }

 protected:
  bool IsVertical() const { return mDirection == kVertical; }

  EDirection mDirection;
  std::vector<IRECT> mTrackBounds;
  std::vector<IRECT> mStepBounds;
  std::vector<std::string> mTrackNames;
  int mNSteps;
  float mTrackPadding = 0.f;
  float mPeakSize = 1.f;
  int mSelectedTrack = -1;
  int mMouseOverTrack = -1;
  double mBaseValue = 0.0;  // above 0, bars grow from here
  bool mDrawTrackFrame = true;
  bool mZeroValueStepHasBounds = true;
};

class IVRangeSliderControl : public IVTrackControlBase {
 public:
  // handleSize is half a handle's side, trackSize half the track's width (points).
  IVRangeSliderControl(const IRECT& bounds, const std::vector<int>& params, const char* label = "",
                       const IVStyle& style = DEFAULT_STYLE, EDirection dir = kVertical, float handleSize = 8.f,
                       float trackSize = 2.f);

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  // The handle of value chIdx, a triangle pointing at the track.
  void DrawTrack(IGraphics& g, const IRECT& r, int chIdx) override;
  // Every value shares the one track.
  void MakeTrackRects(const IRECT& bounds) override;

  // Hovering, not pressing, picks the handle a drag moves.
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  // Moves the active handle, confined between its neighbours' values.
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;

  IRECT GetHandleBounds(int chIdx) const;
  int GetActiveHandle() const { return mActiveHandle; }

 protected:
  int mActiveHandle = -1;
  float mHandleSize;
  bool mMouseIsDown = false;
};

}  // namespace fx::gfx

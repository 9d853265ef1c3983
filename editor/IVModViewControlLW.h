// The editor's modulation views: each plots how one gain has moved over the last moments, as a scrolling
// history of one value per horizontal point of its plot, drawn as a line over a gradient-filled area. The
// plug-in's idle work hands it the records its audio-side sender queued (message tag 0); every record
// shifts the history by one point, or clears it when the record carries the reset flag. Main thread only:
// records reach the view on the main run loop, never from the audio thread.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IVectorBase.h"
#include "plugin/EditorViewSetup.h"
#include "plugin/IBufferSender.h"

#include <vector>

namespace fx::gfx {

template <int MAXNC = 1, int MAXBUF = 1>
class IVModViewControlLW : public IControl, public IVectorBase, public kd::IModViewSetup {
 public:
  using Record = ISenderData<MAXNC>;
  static constexpr int kMsgTagRecord = 0;

  // labelOnTop moves the plot's top down by twice the style's label size; the view draws no label itself.
  IVModViewControlLW(const IRECT& bounds, const char* label, const IVStyle& style, bool drawBackground,
                     bool labelOnTop);

  void Draw(IGraphics& g) override;
  // The rectangle, when the background is drawn in an opaque colour.
  IRECT OpaqueBounds() const override { return mDrawBackground ? OpaqueBackground(mRECT) : IRECT(); }
  void DrawWidget(IGraphics& g) override;
  void OnResize() override;
  // A record message (tag 0, at least one whole record) to an enabled view shifts the history by its
  // value, or clears the history when the record carries the reset flag. The view is marked dirty only
  // when that moves the plot by a device pixel somewhere: a flat plot that stays flat is not redrawn.
  void OnMsgFromDelegate(int msgTag, int dataSize, const void* data) override;
  void OnMouseDown(float, float, const IMouseMod&) override { SetDirty(false, -1); }
  void OnMouseUp(float, float, const IMouseMod&) override { SetDirty(false, -1); }
  void OnMouseOut() override { SetDirty(false, -1); }
  void OnMouseDrag(float, float, float, float, const IMouseMod&) override {}
  void OnMouseWheel(float, float, const IMouseMod&, float) override {}
  void OnMouseOver(float, float, const IMouseMod&) override {}

  // Set by the plug-in's editor update; the view is drawn anew on the next frame.
  void SetLineColor(const IColor& color) { mLineColor = color; }
  void SetFillColor(const IColor& color) { mFillColor = color; }
  void SetFill(bool fill) { mFill = fill; }
  void SetPlotEnabled(bool enabled) { mPlotEnabled = enabled; }
  // Line and fill in color, the fill and the plot on, and the time a point stands for (kept for the
  // plug-in; the plot draws one point per record whatever it is).
  void ApplyProductSetup(const IColor& color, double msPerPoint) override;
  double GetMsPerPoint() const { return mMsPerPoint; }
  const IColor& GetLineColor() const { return mLineColor; }
  const IColor& GetFillColor() const { return mFillColor; }
  bool GetFill() const { return mFill; }
  bool GetPlotEnabled() const { return mPlotEnabled; }

  // Values 0..1 of the plot's height, oldest first; one per whole point of the plot's width.
  const std::vector<float>& GetHistory() const { return mHistory; }
  const Record& GetLastRecord() const { return mLastRecord; }
  const IRECT& GetPlotBounds() const { return mPlotBounds; }

 private:
  // Where values land in device pixels: the inner plot's bottom and height (points) and the total scale.
  struct PixelRows {
    float bottom = 0.f;
    float height = 0.f;
    float scale = 0.f;
    bool operator==(const PixelRows&) const = default;
  };

  void DrawPlot(IGraphics& g);
  void PathThroughHistory(IGraphics& g, const IRECT& inner) const;
  IRECT InnerPlot() const { return mPlotBounds.GetPadded(-0.5f * mTrackSize); }
  PixelRows CurrentPixelRows() const;
  // Where, in device pixels, a value plots with mRows.
  float PlotY(float value) const;
  // Whether the plot drawn now would differ from the last one after the history took value as its newest
  // entry (after a reset, when value is 0 everywhere); keeps mFlatRun up to date.
  bool PlotChangesWith(float value, bool reset);

  Record mLastRecord;
  float mInset = 4.f;
  IRECT mPlotBounds;
  bool mDrawBackground;
  bool mLabelOnTop;
  std::vector<float> mHistory;
  bool mPlotEnabled = false;
  IColor mLineColor = IColor(255, 69, 148, 200);
  IColor mFillColor = IColor(127, 69, 148, 200);
  bool mFill = false;
  double mMsPerPoint = 0.0;
  // How many of the newest history entries plot where the newest one does, counted with mRows; the plot is
  // flat when all of them do.
  std::size_t mFlatRun = 0;
  PixelRows mRows;
};

}  // namespace fx::gfx

// The draw loop: dirty-rectangle collection, frame timing and control drawing with pixel-aligned clips.
#include "graphics/IGraphics.h"

#include "graphics/IGraphicsClock.h"

namespace fx::gfx {

namespace {

// Dirty rectangles reach 0.75 points past the control so anti-aliased edges are repainted too.
constexpr float kDirtyPad = 0.75f;

// Seconds since the first timed frame of the process.
double SecondsSinceFirstTimedFrame() {
  static const double sReferenceMs = GraphicsClockMs();
  return (GraphicsClockMs() - sReferenceMs) / 1000.0;
}

}  // namespace

void IGraphics::BeginFrame() {
  if (!mPerfDisplay) return;
  const double t = SecondsSinceFirstTimedFrame();
  mFrameTimeIdx = (mFrameTimeIdx + 1) % kNumFrameTimes;
  mFrameTimes[mFrameTimeIdx] = static_cast<float>(t - mPrevTimestamp);
  mPrevTimestamp = t;
}

IRECT IGraphics::DirtyRectOf(IControl& control) const {
  IRECT r = control.GetRECT().GetPadded(kDirtyPad);
  if (const IControl* parent = control.GetParent()) r.ConstrainInto(parent->GetRECT().GetPadded(kDirtyPad));
  return r;
}

bool IGraphics::IsDirty(IRECTList& rects) {
  if (mDisplayTickFunc) mDisplayTickFunc();

  ForAllControlsFunc([](IControl* c) { c->Animate(); });

  bool dirty = false;
  ForAllControlsFunc([&](IControl* c) {
    if (c->IsDirty()) {
      rects.Add(DirtyRectOf(*c));
      dirty = true;
    }
  });
  return dirty;
}

void IGraphics::Draw(IRECTList& rects) {
  if (rects.Size() == 0) return;
  const float scale = GetTotalScale();
  BeginFrame();
  if (mStrict) {
    Draw(rects.Bounds().GetPixelAligned(scale), scale);
  } else {
    rects.PixelAlign(scale);
    rects.Optimize();
    for (int i = 0; i < rects.Size(); ++i) Draw(rects.Get(i), scale);
  }
  EndFrame();
}

void IGraphics::Draw(const IRECT& bounds, float scale) {
  ForAllControlsFunc([&](IControl* c) { DrawControl(c, bounds, scale); });
}

void IGraphics::DrawControl(IControl* control, const IRECT& bounds, float scale) {
  if (!control || (control->IsHidden() && control != GetControl(0))) return;

  IRECT clip = bounds.Intersect(control->GetRECT().GetPadded(kDirtyPad).GetPixelAligned(scale));
  if (!(clip.W() > 0.f && clip.H() > 0.f)) return;

  for (const IControl* ancestor = control->GetParent(); ancestor; ancestor = ancestor->GetParent()) {
    const IRECT outer = ancestor->GetRECT().GetPadded(kDirtyPad).GetPixelAligned(scale);
    if (clip.Empty() || outer.Empty() || !clip.Intersects(outer)) return;
    clip.ConstrainInto(outer);
  }

  PathTransformReset();
  PathClear();
  SetClipRegion(clip);
  mClipRECT = clip;
  control->Draw(*this);
  OnControlDrawn(*control);
}

void IGraphics::PathTransformReset(bool clearStates) {
  if (clearStates) mTransformStates = {};
  mTransform = IMatrix();
  PathTransformSetMatrix(mTransform);
}

void IGraphics::PathCircle(float cx, float cy, float r) {
  PathMoveTo(cx, cy - r);
  PathArc(cx, cy, r, 0.f, 360.f, kWindingCW);
  PathClose();
}

void IGraphics::FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend) {
  PathClear();
  PathCircle(cx, cy, r);
  PathFill(IPattern(color), IFillOptions(), blend);
}

void IGraphics::DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) {
  if (str && str[0]) DoDrawText(text, str, bounds, blend);
}

float IGraphics::MeasureText(const IText& text, const char* str, IRECT& bounds) const {
  if (!str || !str[0]) return 0.f;
  return DoMeasureText(text, str, bounds);
}

}  // namespace fx::gfx

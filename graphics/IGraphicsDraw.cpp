// The draw loop: dirty-rectangle collection, frame timing and control drawing with pixel-aligned clips.
#include "graphics/IGraphics.h"

#include "graphics/IFPSDisplayControl.h"
#include "graphics/IGraphicsClock.h"

#include <cmath>

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

// The first frame a display times has no frame before it: it records 0, as the process's first timed frame does.
void IGraphics::BeginFrame() {
  if (!mPerfDisplay) return;
  const double t = SecondsSinceFirstTimedFrame();
  if (!mFrameTimed) mPrevTimestamp = t;
  mFrameTimed = true;
  mPerfDisplay->AddSample(static_cast<float>(t - mPrevTimestamp));
  mPrevTimestamp = t;
}

IRECT IGraphics::DirtyRectOf(IControl& control) const {
  IRECT r = control.GetRECT().GetPadded(kDirtyPad);
  if (const IControl* parent = control.GetParent()) r.ConstrainInto(parent->GetRECT().GetPadded(kDirtyPad));
  return r;
}

bool IGraphics::IsDirty(IRECTList& rects) {
  ControlUse use(*this);
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
  ControlUse use(*this);
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

// Every control that draws in bounds, back to front; a control whose region the opaque parts of the controls in
// front of it cover completely would only be painted over, and is left out. An opaque control (a panel) that they
// cover in part is drawn once in each piece they leave, when those are few: its fill then shades only them.
// A control's Draw may draw the region again: each nesting level has lists of its own, which stay where they are
// while a deeper level is added.
void IGraphics::Draw(const IRECT& bounds, float scale) {
  ControlUse use(*this);
  if (mDrawLevels.size() <= mDrawDepth) mDrawLevels.emplace_back();
  DrawLevel& level = mDrawLevels[mDrawDepth];
  struct Nesting {
    std::size_t& depth;
    explicit Nesting(std::size_t& d) : depth(d) { ++depth; }
    ~Nesting() { --depth; }
    Nesting(const Nesting&) = delete;
    Nesting& operator=(const Nesting&) = delete;
  } nesting(mDrawDepth);
  std::vector<DrawEntry>& drawList = level.entries;
  std::vector<IRECT>& drawPieces = level.pieces;
  drawList.clear();
  drawPieces.clear();
  ForAllControlsFunc([&](IControl* c) {
    IRECT clip;
    if (DrawRegionOf(c, bounds, scale, clip)) drawList.push_back({c, clip, 0, 0});
  });
  // Only the window's own pixels need covering: a region may reach past its edges.
  const IRECT window(0.f, 0.f, static_cast<float>(Width()), static_cast<float>(Height()));
  mOpaqueCover.clear();
  for (auto entry = drawList.rbegin(); entry != drawList.rend(); ++entry) {
    const IRECT visible = entry->clip.Intersect(window);
    if (IsCovered(visible)) {
      entry->control = nullptr;
      continue;
    }
    const IRECT opaque = InnerPixels(entry->control->OpaqueBounds(), scale).Intersect(entry->clip);
    if (opaque.Empty()) continue;
    if (!mOpaqueCover.empty() && !visible.Empty()) {
      float area = 0.f;
      mMergedPieces.Clear();
      for (const IRECT& piece : mUncovered) {
        area += piece.Area();
        mMergedPieces.Add(piece);
      }
      mMergedPieces.Optimize();
      if (area < visible.Area() && mMergedPieces.Size() <= kMaxDrawPieces) {
        entry->firstPiece = static_cast<int>(drawPieces.size());
        entry->pieces = mMergedPieces.Size();
        for (int i = 0; i < mMergedPieces.Size(); ++i) drawPieces.push_back(mMergedPieces.Get(i));
      }
    }
    mOpaqueCover.push_back(opaque);
  }
  // A control's Draw may remove controls (itself included): removal clears their entries, read afresh before
  // every call.
  for (const DrawEntry& entry : drawList) {
    if (entry.control && entry.pieces == 0) DrawControl(entry.control, entry.clip);
    for (int i = 0; i < entry.pieces && entry.control; ++i)
      DrawControl(entry.control, drawPieces[static_cast<std::size_t>(entry.firstPiece + i)]);
  }
}

bool IGraphics::DrawRegionOf(IControl* control, const IRECT& bounds, float scale, IRECT& clip) const {
  if (!control || (control->IsHidden() && control != GetControl(0))) return false;

  clip = bounds.Intersect(control->GetRECT().GetPadded(kDirtyPad).GetPixelAligned(scale));
  if (!(clip.W() > 0.f && clip.H() > 0.f)) return false;

  for (const IControl* ancestor = control->GetParent(); ancestor; ancestor = ancestor->GetParent()) {
    const IRECT outer = ancestor->GetRECT().GetPadded(kDirtyPad).GetPixelAligned(scale);
    if (clip.Empty() || outer.Empty() || !clip.Intersects(outer)) return false;
    clip.ConstrainInto(outer);
  }
  return true;
}

IRECT IGraphics::InnerPixels(const IRECT& r, float scale) {
  if (r.Empty()) return IRECT();
  const IRECT inner(std::ceil(r.L * scale) / scale, std::ceil(r.T * scale) / scale, std::floor(r.R * scale) / scale,
                    std::floor(r.B * scale) / scale);
  return inner.L < inner.R && inner.T < inner.B ? inner : IRECT();
}

// What is left of the region after each cover rectangle in turn is cut away (kept in mUncovered): nothing means
// covered.
bool IGraphics::IsCovered(const IRECT& region) {
  if (mOpaqueCover.empty()) return false;
  mUncovered.assign(1, region);
  for (const IRECT& cover : mOpaqueCover) {
    mPieces.clear();
    for (const IRECT& piece : mUncovered) {
      IRECT out[4];
      const int n = piece.Subtract(cover, out);
      mPieces.insert(mPieces.end(), out, out + n);
    }
    mUncovered.swap(mPieces);
    if (mUncovered.empty()) return true;
    // Covers scattered over the region would cut it into ever more pieces: it counts as not covered, uncut.
    if (mUncovered.size() > kMaxCoverPieces) {
      mUncovered.assign(1, region);
      return false;
    }
  }
  return false;
}

void IGraphics::DrawControl(IControl* control, const IRECT& bounds, float scale) {
  ControlUse use(*this);
  IRECT clip;
  if (DrawRegionOf(control, bounds, scale, clip)) DrawControl(control, clip);
}

void IGraphics::DrawControl(IControl* control, const IRECT& clip) {
  PathTransformReset();
  PathClear();
  SetClipRegion(clip);
  mClipRECT = clip;
  OnControlDrawing(*control);
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

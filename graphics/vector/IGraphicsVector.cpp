// Construction, the frame life cycle with the deferred deletion of framebuffers, the path operations, strokes and
// fills (leaving out those that would change no pixel), transforms, clipping, dotted lines and rectangles and the
// fast drop shadow.
#include "graphics/vector/IGraphicsVector.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <numbers>

#include "graphics/vector/IGraphicsVectorPaint.h"
#include "graphics/vector/VRText.h"

namespace fx::gfx {

namespace {

// The single-precision pi the arc angles have always been converted with.
constexpr float kPi = 3.1415927f;

// Editor angles are degrees clockwise from twelve o'clock; the renderer's are radians from three o'clock.
float ArcRadians(float degrees) {
  return (degrees - 90.f) / 180.f * kPi;
}

// The renderer's caps and joins, indexed by the core's.
constexpr int kLineCaps[] = {VR_BUTT, VR_ROUND, VR_SQUARE};
constexpr int kLineJoins[] = {VR_MITER, VR_ROUND, VR_BEVEL};

constexpr float kSqrt2 = std::numbers::sqrt2_v<float>;

// More dashes than this along one line are refused: the count must fit an int and the path stay small.
constexpr float kMaxDashes = 1e6f;

bool UsableDashLength(float dashLen) {
  return dashLen > 0.f && std::isfinite(dashLen);
}

float Within(float v, float lo, float hi) {
  return std::min(std::max(v, lo), hi);
}

// Whether painting with the pattern leaves every pixel as it was: no stop has any alpha and the operation keeps the
// destination under a transparent source. Such a fill or stroke would still shade every pixel it covers: it is not
// drawn at all.
bool LeavesTargetUnchanged(const IPattern& pattern, const IBlend* blend) {
  if (blend != nullptr) {
    switch (blend->method) {
      case kBlendDefault:
      case kBlendSourceAtop:
      case kBlendDestOver:
      case kBlendDestOut:
      case kBlendAdd:
      case kBlendXOR:
        break;
      default:
        return false;
    }
  }
  // A pattern without stops still has its first (see SetPathPaint).
  for (int i = 0; i < std::max(pattern.NStops(), 1); ++i)
    if (pattern.GetStop(i).mColor.A != 0) return false;
  return true;
}

// Whether the composite operation keeps the destination under a fully transparent source: its destination factors
// are one there. Pixels outside the scissor get such a source.
bool KeepsDestinationOutsideSource(const VRcompositeOperationState& op) {
  const auto one = [](int factor) {
    return factor == VR_ONE || factor == VR_ONE_MINUS_SRC_ALPHA || factor == VR_ONE_MINUS_SRC_COLOR;
  };
  return one(op.dstRGB) && one(op.dstAlpha);
}

}  // namespace

IGraphicsVector::IGraphicsVector(IGEditorDelegate& dlg, int w, int h, int fps, float scale)
    : IGraphics(dlg, w, h, fps, scale) {
  FwMutexLock lock(FontDataCache().GetMutex());
  FontDataCache().Retain();
}

IGraphicsVector::~IGraphicsVector() {
  // A platform class that did not release its context leaves it to us; the controls (and their layers) go first,
  // while the context their framebuffers belong to still exists. The delegate may be going right now: nothing may
  // reach it.
  DropOpenEdits();
  if (mVG != nullptr) ReleaseDrawContext();
  {
    FwMutexLock lock(FontDataCache().GetMutex());
    FontDataCache().Release();
    ClearFramebufferStack();
  }
  FwMutexLock lock(mBitmapCache.GetMutex());
  mBitmapCache.Clear();
}

void IGraphicsVector::InitDrawContext(void* layer) {
  mVG = gvrCreateContext(layer, GVR_ANTIALIAS | GVR_TRIPLE_BUFFER);
}

void IGraphicsVector::ReleaseDrawContext() {
  RemoveAllControls();
  {
    FwMutexLock lock(mBitmapCache.GetMutex());
    mBitmapCache.Clear();
    if (mMainFramebuffer != nullptr) {
      gvrDeleteFramebuffer(mMainFramebuffer);
      mMainFramebuffer = nullptr;
    }
    // Framebuffers released during an open frame belong to this context: they go before it.
    ClearFramebufferStack();
    if (mVG != nullptr) gvrDeleteContext(mVG);
  }
  mVG = nullptr;
}

float IGraphicsVector::WindowWidthPoints() const {
  return static_cast<float>(static_cast<int>(static_cast<float>(Width()) * GetDrawScale()));
}

float IGraphicsVector::WindowHeightPoints() const {
  return static_cast<float>(static_cast<int>(static_cast<float>(Height()) * GetDrawScale()));
}

void IGraphicsVector::BeginFrame() {
  mInDraw = true;
  IGraphics::BeginFrame();
  if (mVG == nullptr) return;
  gvrBindFramebuffer(mMainFramebuffer);
  vrBeginFrame(mVG, WindowWidthPoints(), WindowHeightPoints(), GetScreenScale());
}

void IGraphicsVector::EndFrame() {
  if (mVG != nullptr) {
    vrEndFrame(mVG);
    gvrBindFramebuffer(nullptr);
    // Untranslated, the main framebuffer is the frame as it is: copied into the drawable, not drawn into it.
    if (GetTranslationX() == 0.f && GetTranslationY() == 0.f && gvrPresentFramebuffer(mMainFramebuffer)) {
      mInDraw = false;
      ClearFramebufferStack();
      return;
    }
    const float w = WindowWidthPoints();
    const float h = WindowHeightPoints();
    vrBeginFrame(mVG, w, h, GetScreenScale());
    // Without a main framebuffer image there is nothing to show: an image paint of no image would draw white.
    int iw = 0, ih = 0;
    const int image = mMainFramebuffer != nullptr ? mMainFramebuffer->image : 0;
    if (image > 0) vrImageSize(mVG, image, &iw, &ih);
    if (iw > 0 && ih > 0) {
      const VRpaint paint = vrImagePattern(mVG, 0.f, 0.f, w, h, 0.f, image, 1.f);
      vrSave(mVG);
      vrResetTransform(mVG);
      vrTranslate(mVG, GetTranslationX(), GetTranslationY());
      vrBeginPath(mVG);
      vrRect(mVG, 0.f, 0.f, w, h);
      vrFillPaint(mVG, paint);
      vrFill(mVG);
      vrRestore(mVG);
    }
    vrEndFrame(mVG);
  }
  mInDraw = false;
  ClearFramebufferStack();
}

void IGraphicsVector::QueueFramebufferDelete(GVRframebuffer* fb) {
  if (!mInDraw) {
    gvrDeleteFramebuffer(fb);
    return;
  }
  FwMutexLock lock(mFramebufferMutex);
  mFramebufferDeletions.push_back(fb);
}

void IGraphicsVector::ClearFramebufferStack() {
  FwMutexLock lock(mFramebufferMutex);
  while (!mFramebufferDeletions.empty()) {
    gvrDeleteFramebuffer(mFramebufferDeletions.back());
    mFramebufferDeletions.pop_back();
  }
}

bool IGraphicsVector::BitmapExtSupported(const char* ext) {
  // Extensions longer than the buffer are compared by their first 31 characters.
  char lower[32] = {};
  for (int i = 0; ext != nullptr && ext[i] != '\0' && i < 31; ++i)
    lower[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(ext[i])));
  return std::strstr(lower, "png") != nullptr || std::strstr(lower, "jpg") != nullptr ||
         std::strstr(lower, "jpeg") != nullptr;
}

IColor IGraphicsVector::GetPointColor(const IPattern&, float, float) {
  return IColor(255, 0, 0, 0);
}

void IGraphicsVector::PathClear() {
  if (mVG != nullptr) BeginPath();
}

// Held strokes keep their paths; only the current path goes.
void IGraphicsVector::BeginPath() {
  if (mHeld.count > 0)
    mVG->ncommands = mHeld.end;
  else
    vrBeginPath(mVG);
  mPath.Clear();
  mPathFlattened = false;
}

// A path's first command other than a move would continue the held strokes' last sub-path (an arc, too, starts
// with a line when the renderer's path is not empty): those are drawn first.
void IGraphicsVector::SeparateFromHeldStrokes() {
  if (mHeld.count > 0 && mVG->ncommands == mHeld.end) DrawHeldStrokes();
}

// Points are kept in frame units, as the renderer keeps them.
void IGraphicsVector::FramePoint(float x, float y, float& fx, float& fy) const {
  const float* t = vrGetState(mVG)->xform;
  fx = t[0] * x + t[2] * y + t[4];
  fy = t[1] * x + t[3] * y + t[5];
}

void IGraphicsVector::AddCorner(float x, float y, bool move) {
  float fx = 0.f, fy = 0.f;
  FramePoint(x, y, fx, fy);
  mPath.AddCorner(fx, fy, move);
}

void IGraphicsVector::AddCurvePoint(float x, float y) {
  float fx = 0.f, fy = 0.f;
  FramePoint(x, y, fx, fy);
  mPath.AddCurvePoint(fx, fy);
}

// The scissor's pixels end half a pixel outside its box and a path's anti-aliased edge reaches half a pixel beyond
// the path: two pixels of room around the box cover both.
bool IGraphicsVector::ScissorRoom(float outset, IRECT& room) const {
  const VRstate& state = *vrGetState(mVG);
  if (!mPath.HasBounds() || !ScissorBox(state.scissor, room) ||
      !KeepsDestinationOutsideSource(state.compositeOperation))
    return false;
  room = room.GetPadded(outset + 2.f / GetScreenScale());
  return true;
}

bool IGraphicsVector::PathHiddenByScissor(float outset) const {
  IRECT room;
  if (!ScissorRoom(outset, room)) return false;
  const IRECT& b = mPath.Bounds();
  return b.L > room.R || b.R < room.L || b.T > room.B || b.B < room.T;
}

// Outside the room nothing the fill covers is drawn: the rectangle cut down to it shades fewer pixels for the same
// picture. The cut rectangle is made in frame units (the transform reset meanwhile), with the winding the fill rule
// gives.
bool IGraphicsVector::TrimFillToScissor(const IFillOptions& options) {
  if (PathHiddenByScissor(0.f)) return false;
  IRECT room, rect;
  if (options.mPreserve || !ScissorRoom(0.f, room) || !mPath.IsRectangle(rect)) return true;
  if (rect.L >= room.L && rect.T >= room.T && rect.R <= room.R && rect.B <= room.B) return true;
  const IRECT cut(std::max(rect.L, room.L), std::max(rect.T, room.T), std::min(rect.R, room.R),
                  std::min(rect.B, room.B));
  vrBeginPath(mVG);
  float* xform = vrGetState(mVG)->xform;
  float saved[6];
  std::copy(xform, xform + 6, saved);
  vrResetTransform(mVG);
  AddRect(mVG, cut);
  std::copy(saved, saved + 6, xform);
  SetFillWinding(options);
  return true;
}

void IGraphicsVector::AddRect(VRcontext* vg, const IRECT& r) {
  vrRect(vg, r.L, r.T, r.W(), r.H());
}

void IGraphicsVector::SetFillWinding(const IFillOptions& options) {
  // Rule 2 adds no winding command: the windings set with PathSetWinding decide.
  if (options.mFillRule == kFillWinding)
    vrPathWinding(mVG, VR_CCW);
  else if (options.mFillRule == kFillEvenOdd)
    vrPathWinding(mVG, VR_CW);
}

void IGraphicsVector::PathClose() {
  if (mVG == nullptr) return;
  SeparateFromHeldStrokes();
  vrClosePath(mVG);
}

// The arc lies within its circle's bounding square.
void IGraphicsVector::PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding) {
  if (mVG == nullptr) return;
  SeparateFromHeldStrokes();
  for (const float x : {cx - r, cx + r})
    for (const float y : {cy - r, cy + r}) AddCurvePoint(x, y);
  vrArc(mVG, cx, cy, r, ArcRadians(a1), ArcRadians(a2), winding == kWindingCW ? VR_CW : VR_CCW);
}

void IGraphicsVector::PathMoveTo(float x, float y) {
  if (mVG == nullptr) return;
  AddCorner(x, y, true);
  vrMoveTo(mVG, x, y);
}

void IGraphicsVector::PathLineTo(float x, float y) {
  if (mVG == nullptr) return;
  SeparateFromHeldStrokes();
  AddCorner(x, y, false);
  vrLineTo(mVG, x, y);
}

void IGraphicsVector::PathSetWinding(bool clockwise) {
  if (mVG == nullptr) return;
  SeparateFromHeldStrokes();
  mPath.ForgetRectangle();
  vrPathWinding(mVG, clockwise ? VR_CW : VR_CCW);
}

// A curve lies within the hull of its control points.
void IGraphicsVector::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) {
  if (mVG == nullptr) return;
  SeparateFromHeldStrokes();
  AddCurvePoint(c1x, c1y);
  AddCurvePoint(c2x, c2y);
  AddCurvePoint(x2, y2);
  vrBezierTo(mVG, c1x, c1y, c2x, c2y, x2, y2);
}

void IGraphicsVector::PathQuadraticBezierTo(float cx, float cy, float x2, float y2) {
  if (mVG == nullptr) return;
  SeparateFromHeldStrokes();
  AddCurvePoint(cx, cy);
  AddCurvePoint(x2, y2);
  vrQuadTo(mVG, cx, cy, x2, y2);
}

// A solid pattern paints its first stop's colour, which a pattern without stops holds as well (opaque black when
// new); a gradient without stops has no colours to run between and is not drawn.
bool IGraphicsVector::SetPathPaint(const IPattern& pattern, const IBlend* blend, bool stroke) {
  if (pattern.mType == kSolidPattern) {
    const VRcolor color = MakeColor(pattern.GetStop(0).mColor, blend);
    stroke ? vrStrokeColor(mVG, color) : vrFillColor(mVG, color);
    return true;
  }
  if (pattern.NStops() < 1) return false;
  const VRpaint paint = MakePaint(mVG, pattern, blend);
  if (!PaintIsFinite(paint)) return false;
  stroke ? vrStrokePaint(mVG, paint) : vrFillPaint(mVG, paint);
  return true;
}

void IGraphicsVector::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options,
                                 const IBlend* blend) {
  if (mVG == nullptr) return;
  // A solid colour's stroke inside a control's drawing may wait for the next ones; any other is drawn now, in order.
  const bool holdable = mHoldStrokes && !options.mPreserve && pattern.mType == kSolidPattern && !mPathFlattened;
  if (!holdable) DrawHeldStrokes();
  // Values the renderer does not know leave its cap or join as it was.
  if (options.mCapOption >= kCapButt && options.mCapOption <= kCapSquare) vrLineCap(mVG, kLineCaps[options.mCapOption]);
  if (options.mJoinOption >= kJoinMiter && options.mJoinOption <= kJoinBevel)
    vrLineJoin(mVG, kLineJoins[options.mJoinOption]);
  vrMiterLimit(mVG, options.mMiterLimit);
  vrStrokeWidth(mVG, thickness);
  const bool painted = !LeavesTargetUnchanged(pattern, blend) && SetPathPaint(pattern, blend, true);
  // Given whether or not the stroke is drawn: a fill that keeps the windings sees the same path either way.
  vrPathWinding(mVG, VR_CCW);
  if (painted) {
    SetBlendMode(mVG, blend);
    // A miter reaches at most the miter limit's size times the half width past the path's points (the renderer
    // weighs the limit squared, so -10 keeps the miters 10 keeps), a square cap's corner the half width times the
    // square root of 2 (along a diagonal line), anything else the half width. A limit that is not a number keeps
    // every miter: such a stroke is not left out.
    const float* t = vrGetState(mVG)->xform;
    const float scale = std::max(std::hypot(t[0], t[1]), std::hypot(t[2], t[3]));
    const float miterLimit = std::fabs(options.mMiterLimit);
    const float reach = std::max({miterLimit, 1.f, vrGetState(mVG)->lineCap == VR_SQUARE ? kSqrt2 : 1.f});
    if (std::isnan(miterLimit) || !PathHiddenByScissor(0.5f * thickness * scale * reach)) {
      if (holdable)
        HoldStroke();
      else
        vrStroke(mVG);
    }
    vrGlobalCompositeOperation(mVG, VR_SOURCE_OVER);
  }
  EndPathUse(options.mPreserve);
}

// A kept path is flattened as the renderer's fill or stroke flattens it, drawn or not: windings given after it
// change it no more than they would after a drawn one.
void IGraphicsVector::EndPathUse(bool preserve) {
  if (!preserve) {
    BeginPath();
    return;
  }
  vrFlattenPaths(mVG);
  mPathFlattened = true;
}

// The held strokes' paths stay at the start of the renderer's path; the current path follows them.
void IGraphicsVector::HoldStroke() {
  const VRstate& state = *vrGetState(mVG);
  if (mHeld.count > 0 && !SameStroke(mHeld.state, state)) DrawHeldStrokes();
  if (mHeld.count == 0) mHeld.state = state;
  mHeld.end = mVG->ncommands;
  ++mHeld.count;
}

// The current path's commands are set aside while the held ones are stroked with the state they were held with,
// then put back as the whole path.
void IGraphicsVector::DrawHeldStrokes() {
  if (mHeld.count == 0) return;
  mHeld.count = 0;
  const float* commands = mVG->commands;
  mPathTail.assign(commands + mHeld.end, commands + mVG->ncommands);
  mVG->ncommands = mHeld.end;
  VRstate* state = vrGetState(mVG);
  const VRstate current = *state;
  *state = mHeld.state;
  vrStroke(mVG);
  *state = current;
  vrBeginPath(mVG);
  // The renderer's command buffer held the tail before: it has the room.
  std::copy(mPathTail.begin(), mPathTail.end(), mVG->commands);
  mVG->ncommands = static_cast<int>(mPathTail.size());
}

// Everything the renderer's stroke reads of its state, bar the path.
bool IGraphicsVector::SameStroke(const VRstate& a, const VRstate& b) {
  const auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof(x)) == 0; };
  return same(a.compositeOperation, b.compositeOperation) && a.shapeAntiAlias == b.shapeAntiAlias &&
         same(a.stroke, b.stroke) && same(a.strokeWidth, b.strokeWidth) && same(a.miterLimit, b.miterLimit) &&
         a.lineJoin == b.lineJoin && a.lineCap == b.lineCap && same(a.alpha, b.alpha) && same(a.xform, b.xform) &&
         same(a.scissor, b.scissor);
}

void IGraphicsVector::OnControlDrawing(IControl&) {
  mHoldStrokes = true;
}

void IGraphicsVector::OnControlDrawn(IControl&) {
  DrawHeldStrokes();
  mHoldStrokes = false;
}

void IGraphicsVector::PathFill(const IPattern& pattern, const IFillOptions& options, const IBlend* blend) {
  if (mVG == nullptr) return;
  DrawHeldStrokes();
  SetFillWinding(options);
  if (!LeavesTargetUnchanged(pattern, blend) && SetPathPaint(pattern, blend, false)) {
    SetBlendMode(mVG, blend);
    if (TrimFillToScissor(options)) vrFill(mVG);
    vrGlobalCompositeOperation(mVG, VR_SOURCE_OVER);
  }
  EndPathUse(options.mPreserve);
}

void IGraphicsVector::PathTransformSetMatrix(const IMatrix& m) {
  if (mVG == nullptr) return;
  // Inside a layer the layer's top-left corner is the origin of its framebuffer.
  float xOffset = 0.f, yOffset = 0.f;
  if (const ILayer* layer = GetTopLayer()) {
    xOffset = -layer->Bounds().L;
    yOffset = -layer->Bounds().T;
  }
  vrResetTransform(mVG);
  vrScale(mVG, GetDrawScale(), GetDrawScale());
  vrTranslate(mVG, xOffset, yOffset);
  vrTransform(mVG, static_cast<float>(m.mXX), static_cast<float>(m.mYX), static_cast<float>(m.mXY),
              static_cast<float>(m.mYY), static_cast<float>(m.mTX), static_cast<float>(m.mTY));
}

void IGraphicsVector::SetClipRegion(const IRECT& r) {
  if (mVG != nullptr) vrScissor(mVG, r.L, r.T, r.R - r.L, r.B - r.T);
}

void IGraphicsVector::DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend,
                                     float thickness, float dashLen) {
  if (!UsableDashLength(dashLen)) return;
  const float segs = std::round(std::hypot(x2 - x1, y2 - y1) / dashLen);
  if (!(segs < kMaxDashes)) return;
  const float incr = 1.f / segs;
  PathMoveTo(x1, y1);
  for (int i = 1; i < static_cast<int>(segs); i += 2) {
    float p = static_cast<float>(i) * incr;
    PathLineTo(x1 + p * (x2 - x1), y1 + p * (y2 - y1));
    p += incr;
    PathMoveTo(x1 + p * (x2 - x1), y1 + p * (y2 - y1));
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphicsVector::DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend, float thickness,
                                     float dashLen) {
  if (!UsableDashLength(dashLen)) return;
  // A side of negative length has no dashes.
  const float xDashes = std::max(0.f, std::ceil(bounds.W() / (2.f * dashLen)));
  const float yDashes = std::max(0.f, std::ceil(bounds.H() / (2.f * dashLen)));
  if (!(xDashes < kMaxDashes && yDashes < kMaxDashes)) return;
  const int xsegs = static_cast<int>(xDashes);
  const int ysegs = static_cast<int>(yDashes);
  float x = bounds.L, y = bounds.T;
  PathMoveTo(x, y);
  // Along the top and down the right edge, then back along the bottom and up the left edge.
  for (const float d : {dashLen, -dashLen}) {
    for (int i = 0; i < xsegs; ++i) {
      const float x2 = Within(x + d, bounds.L, bounds.R);
      PathLineTo(x2, y);
      x = Within(x2 + d, bounds.L, bounds.R);
      PathMoveTo(x, y);
    }
    for (int i = 0; i < ysegs; ++i) {
      const float y2 = Within(y + d, bounds.T, bounds.B);
      PathLineTo(x, y2);
      y = Within(y2 + d, bounds.T, bounds.B);
      PathMoveTo(x, y);
    }
  }
  PathStroke(IPattern(color), thickness, IStrokeOptions(), blend);
}

void IGraphicsVector::DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop,
                                         float roundness, float blur, const IBlend* blend) {
  if (mVG == nullptr) return;
  DrawHeldStrokes();
  const VRpaint shadow =
      vrBoxGradient(mVG, innerBounds.L + xyDrop, innerBounds.T + xyDrop, innerBounds.W(), innerBounds.H(), roundness,
                    blur, vrRGBAf(0.f, 0.f, 0.f, 128.f * BlendWeight(blend) / 255.f), vrRGBAf(0.f, 0.f, 0.f, 0.f));
  vrBeginPath(mVG);
  AddRect(mVG, outerBounds);
  vrFillPaint(mVG, shadow);
  vrGlobalCompositeOperation(mVG, VR_SOURCE_OVER);
  vrFill(mVG);
  BeginPath();
}

}  // namespace fx::gfx

// Fuzz target for drawing: each input is a sequence of frames, each frame a sequence of calls to the graphics core's
// drawing operations (paths, fills, strokes, arcs, text, bitmaps, SVG pictures, layers and their shadows,
// transforms, clipping, gradients, dash arrays) made from a control's Draw in the editor's draw loop, or to the
// vector renderer's own functions in a frame of its own, or a change of the screen scale between frames. Every
// float comes from a table of extremes or a small range of ordinary values. The frames are flushed to the validated
// CPU device; the run fails on a sanitizer report, a validation message, or a vertex that is not finite reaching the
// back end.
#include <dlfcn.h>
#include <unistd.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/ILayer.h"
#include "graphics/IRECTList.h"
#include "graphics/vector/GVRBackend.h"
#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/TestFonts.h"
#include "tests/graphics/vector/TestVectorGraphics.h"
#include "tests/support/FakeDelegate.h"

namespace {

using namespace fx::gfx;

constexpr int kEditorSize = 48;
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

// The extremes every float argument may take; other bytes give ordinary values.
constexpr float kExtremes[] = {0.f,   -0.f,   1.f,     -1.f,     kNaN,   kInf,  -kInf,   1e-38f, -1e-38f,
                               1e10f, -1e10f, FLT_MAX, -FLT_MAX, 1e-10f, 0.5f,  2.f,     16.f,   24.f,
                               90.f,  180.f,  360.f,   -90.f,    1e5f,   -1e5f, 3.4e37f, 1e20f};
constexpr int kNExtremes = static_cast<int>(sizeof(kExtremes) / sizeof(kExtremes[0]));

// Texts for the text operations: empty, plain, several lines, bytes that are not UTF-8, a long word.
const char* const kTexts[] = {"",
                              "Gain -6.0 dB",
                              "one\ntwo\n\nthree",
                              "\xff\xfe\xc3\x28 \xe2\x82",
                              "W",
                              "averyveryveryverylongwordwithoutanybreakatall",
                              "\t \n ",
                              "\xe2\x88\x9e \xf0\x9f\x8e\xb5"};
constexpr int kNTexts = static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]));

const char kSVG[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='20' height='20'>"
    "<path d='M2 2 L18 2 A8 8 0 0 1 2 18 Z' fill='#38a' stroke='#000' stroke-width='2' stroke-dasharray='2 1'/>"
    "<circle cx='10' cy='10' r='4' fill='url(#g)'/><defs><linearGradient id='g'><stop offset='0' stop-color='red'/>"
    "<stop offset='1' stop-color='blue'/></linearGradient></defs></svg>";

// The input read front to back; past its end every read gives 0. Every read is a statement of its own or one of a
// run read in a loop: the order in which a call's arguments are evaluated is the compiler's, and the same input must
// mean the same calls in the test build and the fuzzing build.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : mData(data), mSize(size) {}
  bool More() const { return mPos < mSize; }
  int Byte() { return mPos < mSize ? mData[mPos++] : 0; }
  int Int(int n) { return Byte() % n; }
  float Float() {
    const int b = Byte();
    if (b < kNExtremes) return kExtremes[b];
    return static_cast<float>(b - kNExtremes) * 0.5f - 10.f;
  }
  // N floats, first to last.
  template <size_t N>
  std::array<float, N> Floats() {
    std::array<float, N> values;
    for (float& v : values) v = Float();
    return values;
  }
  // Doubles add the one extreme a float cannot hold.
  double Double() {
    const int b = Byte();
    return b == 255 ? 1e300 : static_cast<double>(FloatOf(b));
  }
  // Left, top, width, height.
  IRECT Rect() {
    const auto f = Floats<4>();
    return IRECT(f[0], f[1], f[0] + f[2], f[1] + f[3]);
  }
  // Ordinary values only, -10 to 105.
  float Ordinary() { return static_cast<float>(Byte()) * 0.45f - 10.f; }
  // Alpha, red, green, blue.
  IColor Color() {
    int argb[4];
    for (int& c : argb) c = Byte();
    return IColor(argb[0], argb[1], argb[2], argb[3]);
  }
  // One of kTexts.
  const char* Text() { return kTexts[Int(kNTexts)]; }
  bool Flag() { return Int(2) == 1; }

 private:
  static float FloatOf(int b) {
    return b < kNExtremes ? kExtremes[b] : static_cast<float>(b - kNExtremes) * 0.5f - 10.f;
  }
  const uint8_t* mData;
  size_t mSize;
  size_t mPos = 0;
};

void Check(bool condition, const char* what) {
  if (condition) return;
  std::fprintf(stderr, "drawing fuzz: %s\n", what);
  std::abort();
}

// The back end's draw callbacks, wrapped: every vertex handed on must be finite.
struct CheckedCallbacks {
  void (*renderFill)(void*, VRpaint*, VRcompositeOperationState, VRscissor*, float, const float*, const VRpath*,
                     int) = nullptr;
  void (*renderStroke)(void*, VRpaint*, VRcompositeOperationState, VRscissor*, float, float, const VRpath*,
                       int) = nullptr;
  void (*renderTriangles)(void*, VRpaint*, VRcompositeOperationState, VRscissor*, const VRvertex*, int,
                          float) = nullptr;
};
CheckedCallbacks gForward;

void CheckVertices(const VRvertex* verts, int n) {
  for (int i = 0; i < n; ++i)
    Check(std::isfinite(verts[i].x) && std::isfinite(verts[i].y) && std::isfinite(verts[i].u) &&
              std::isfinite(verts[i].v),
          "a vertex that is not finite reached the back end");
}

void CheckPaths(const VRpath* paths, int npaths) {
  for (int i = 0; i < npaths; ++i) {
    CheckVertices(paths[i].fill, paths[i].nfill);
    CheckVertices(paths[i].stroke, paths[i].nstroke);
  }
}

void CheckedFill(void* uptr, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor, float fringe,
                 const float* bounds, const VRpath* paths, int npaths) {
  CheckPaths(paths, npaths);
  // The bounds are the corners of the cover the back end draws over the fill.
  for (int i = 0; i < 4; ++i) Check(std::isfinite(bounds[i]), "fill bounds that are not finite reached the back end");
  gForward.renderFill(uptr, paint, op, scissor, fringe, bounds, paths, npaths);
}

void CheckedStroke(void* uptr, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor, float fringe,
                   float strokeWidth, const VRpath* paths, int npaths) {
  CheckPaths(paths, npaths);
  gForward.renderStroke(uptr, paint, op, scissor, fringe, strokeWidth, paths, npaths);
}

void CheckedTriangles(void* uptr, VRpaint* paint, VRcompositeOperationState op, VRscissor* scissor,
                      const VRvertex* verts, int nverts, float fringe) {
  CheckVertices(verts, nverts);
  gForward.renderTriangles(uptr, paint, op, scissor, verts, nverts, fringe);
}

IBlend Blend(Reader& in) {
  const int method = in.Int(12) - 1;
  const float weight = in.Float();
  return IBlend(method, weight);
}

IMatrix Matrix(Reader& in) {
  double m[6];
  for (double& v : m) v = in.Double();
  return IMatrix(m[0], m[1], m[2], m[3], m[4], m[5]);
}

IPattern Pattern(Reader& in) {
  const int kind = in.Int(4);
  if (kind < 2) return IPattern(in.Color());
  IPattern pattern(kind == 2 ? kLinearPattern : kRadialPattern);
  pattern.mExtend = static_cast<EPatternExtend>(in.Int(4));
  const int stops = in.Int(18);
  for (int i = 0; i < stops; ++i) {
    const IColor color = in.Color();
    pattern.AddStop(color, in.Float());
  }
  if (in.Flag()) {
    double m[4];
    for (double& v : m) v = in.Double();
    pattern.mTransform = IMatrix(m[0], m[1], m[2], m[3], 0.0, 0.0);
  }
  if (in.Flag()) {
    const double x = in.Double();
    pattern.mTransform.Translate(x, in.Double());
  }
  return pattern;
}

IStrokeOptions StrokeOptions(Reader& in) {
  IStrokeOptions options;
  options.mCapOption = static_cast<ELineCap>(in.Int(4));
  options.mJoinOption = static_cast<ELineJoin>(in.Int(4));
  options.mMiterLimit = in.Float();
  options.mPreserve = in.Flag();
  const int dashes = in.Int(10);
  float lengths[10];
  for (int i = 0; i < dashes; ++i) lengths[i] = in.Float();
  options.mDash.SetDash(lengths, in.Float(), dashes);
  return options;
}

IText Text(Reader& in) {
  const float size = in.Float();
  IText text(size, static_cast<EVAlign>(in.Int(3)));
  text.mAngle = in.Float();
  text.mAlign = static_cast<EAlign>(in.Int(3));
  text.mFGColor = in.Color();
  if (in.Int(8) == 0) text.SetFont("NoSuchFont");
  return text;
}

// What a frame's calls draw with: bitmaps, a picture and the layers kept between frames of one input.
struct Resources {
  std::unique_ptr<IGraphicsVector::Bitmap> image;
  std::unique_ptr<IGraphicsVector::Bitmap> strip;
  IBitmap bitmap;
  IBitmap frames;
  ISVG svg;
  ILayerPtr layers[2];
};

// One call of the graphics core's drawing operations. Each reads its arguments first to last as the call lists them.
void DrawCall(IGraphics& g, Reader& in, Resources& res, IControl* control, int& openLayers) {
  float xs[6], ys[6];
  switch (in.Int(56)) {
    case 0: {
      const IPattern pattern = Pattern(in);
      const auto f = in.Floats<5>();
      g.DrawLine(pattern, f[0], f[1], f[2], f[3], nullptr, f[4]);
      break;
    }
    case 1: {
      const IBlend blend = Blend(in);
      const IColor color = in.Color();
      const auto f = in.Floats<6>();
      g.DrawDottedLine(color, f[0], f[1], f[2], f[3], &blend, f[4], f[5]);
      break;
    }
    case 2: {
      const IColor color = in.Color();
      const auto f = in.Floats<7>();
      g.DrawTriangle(color, f[0], f[1], f[2], f[3], f[4], f[5], nullptr, f[6]);
      break;
    }
    case 3: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      g.DrawRect(color, r, nullptr, in.Float());
      break;
    }
    case 4: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      const auto f = in.Floats<2>();
      g.DrawRoundRect(color, r, f[0], nullptr, f[1]);
      break;
    }
    case 5: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      const auto f = in.Floats<5>();
      g.DrawRoundRect(color, r, f[0], f[1], f[2], f[3], nullptr, f[4]);
      break;
    }
    case 6: {
      const IBlend blend = Blend(in);
      const IPattern pattern = Pattern(in);
      const auto f = in.Floats<6>();
      g.DrawArc(pattern, f[0], f[1], f[2], f[3], f[4], &blend, f[5]);
      break;
    }
    case 7: {
      const IColor color = in.Color();
      const auto f = in.Floats<4>();
      g.DrawCircle(color, f[0], f[1], f[2], nullptr, f[3]);
      break;
    }
    case 8: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      g.DrawEllipse(color, r, nullptr, in.Float());
      break;
    }
    case 9: {
      const IColor color = in.Color();
      const auto f = in.Floats<6>();
      g.DrawEllipse(color, f[0], f[1], f[2], f[3], f[4], nullptr, f[5]);
      break;
    }
    case 10: {
      const int n = in.Int(7);
      for (int i = 0; i < n; ++i) xs[i] = in.Float(), ys[i] = in.Float();
      const bool outline = in.Int(2) == 0;
      const IColor color = in.Color();
      if (outline)
        g.DrawConvexPolygon(color, xs, ys, n, nullptr, in.Float());
      else
        g.FillConvexPolygon(color, xs, ys, n);
      break;
    }
    case 11: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      const auto f = in.Floats<2>();
      g.DrawDottedRect(color, r, nullptr, f[0], f[1]);
      break;
    }
    case 12: {
      const IColor color = in.Color();
      const auto f = in.Floats<6>();
      g.FillTriangle(color, f[0], f[1], f[2], f[3], f[4], f[5]);
      break;
    }
    case 13: {
      const IBlend blend = Blend(in);
      const IColor color = in.Color();
      g.FillRect(color, in.Rect(), &blend);
      break;
    }
    case 14: {
      const IPattern pattern = Pattern(in);
      const IRECT r = in.Rect();
      g.FillRoundRect(pattern, r, in.Float());
      break;
    }
    case 15: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      const auto f = in.Floats<4>();
      g.FillRoundRect(color, r, f[0], f[1], f[2], f[3]);
      break;
    }
    case 16: {
      const IColor color = in.Color();
      const auto f = in.Floats<3>();
      g.FillCircle(color, f[0], f[1], f[2]);
      break;
    }
    case 17: {
      const IColor color = in.Color();
      g.FillEllipse(color, in.Rect());
      break;
    }
    case 18: {
      const IColor color = in.Color();
      const auto f = in.Floats<5>();
      g.FillEllipse(color, f[0], f[1], f[2], f[3], f[4]);
      break;
    }
    case 19: {
      const IColor color = in.Color();
      const auto f = in.Floats<5>();
      g.FillArc(color, f[0], f[1], f[2], f[3], f[4]);
      break;
    }
    case 20: {
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      const auto f = in.Floats<3>();
      g.DrawGrid(color, r, f[0], f[1], nullptr, f[2]);
      break;
    }
    case 21: {
      const int n = in.Int(7);
      for (int i = 0; i < n; ++i) xs[i] = in.Float(), ys[i] = in.Float();
      const IColor fill = in.Color();
      const IColor color = in.Color();
      const IRECT r = in.Rect();
      const bool withX = in.Int(2) == 1;
      const float thickness = in.Float();
      const bool withFill = in.Int(2) == 1;
      g.DrawData(color, r, ys, n, withX ? xs : nullptr, nullptr, thickness, withFill ? &fill : nullptr);
      break;
    }
    case 22: {
      const IRECT inner = in.Rect();
      const IRECT outer = in.Rect();
      const auto f = in.Floats<3>();
      g.DrawFastDropShadow(inner, outer, f[0], f[1], f[2]);
      break;
    }
    case 23: {
      const IColor color = in.Color();
      const auto f = in.Floats<2>();
      g.DrawPoint(color, f[0], f[1]);
      break;
    }
    case 24: {
      const IText text = Text(in);
      const char* str = in.Text();
      g.DrawText(text, str, in.Rect());
      break;
    }
    case 25: {
      const IText text = Text(in);
      const char* str = in.Text();
      const auto f = in.Floats<2>();
      g.DrawText(text, str, f[0], f[1]);
      break;
    }
    case 26: {
      const IText text = Text(in);
      IRECT bounds = in.Rect();
      g.MeasureText(text, in.Text(), bounds);
      break;
    }
    case 27: {
      const IText text = Text(in);
      const char* str = in.Text();
      g.DrawMultiLineText(text, str, in.Rect());
      break;
    }
    case 28: {
      const IBlend blend = Blend(in);
      const IBitmap& bitmap = in.Int(2) == 0 ? res.bitmap : res.frames;
      const IRECT r = in.Rect();
      g.DrawBitmap(bitmap, r, in.Int(5) - 1, &blend);
      break;
    }
    case 29:
      g.DrawFittedBitmap(res.bitmap, in.Rect());
      break;
    case 30: {
      const auto f = in.Floats<2>();
      g.DrawRotatedBitmap(res.frames, f[0], f[1], in.Double());
      break;
    }
    case 31: {
      const IText text = Text(in);
      const IRECT r = in.Rect();
      const char* str = in.Text();
      const bool vCenter = in.Flag();
      const bool multiline = in.Flag();
      const int charWidth = in.Int(20) - 2;
      const int charHeight = in.Int(20) - 2;
      g.DrawBitmapedText(res.frames, r, text, nullptr, str, vCenter, multiline, charWidth, charHeight, in.Int(5) - 2);
      break;
    }
    case 32: {
      const IColor stroke = in.Color(), fill = in.Color();
      const IRECT r = in.Rect();
      const bool withStroke = in.Int(2) == 1;
      const bool withFill = in.Int(2) == 1;
      g.DrawSVG(res.svg, r, nullptr, withStroke ? &stroke : nullptr, withFill ? &fill : nullptr);
      break;
    }
    case 33: {
      const auto f = in.Floats<4>();
      g.DrawRotatedSVG(res.svg, f[0], f[1], f[2], f[3], in.Double());
      break;
    }
    // The path interface.
    case 34:
      g.PathClear();
      break;
    case 35:
      g.PathClose();
      break;
    case 36: {
      const auto f = in.Floats<5>();
      g.PathArc(f[0], f[1], f[2], f[3], f[4], static_cast<EWinding>(in.Int(2)));
      break;
    }
    case 37: {
      const auto f = in.Floats<2>();
      g.PathMoveTo(f[0], f[1]);
      break;
    }
    case 38: {
      const auto f = in.Floats<2>();
      g.PathLineTo(f[0], f[1]);
      break;
    }
    case 39:
      g.PathSetWinding(in.Flag());
      break;
    case 40: {
      const auto f = in.Floats<6>();
      g.PathCubicBezierTo(f[0], f[1], f[2], f[3], f[4], f[5]);
      break;
    }
    case 41: {
      const auto f = in.Floats<4>();
      g.PathQuadraticBezierTo(f[0], f[1], f[2], f[3]);
      break;
    }
    case 42: {
      const IPattern pattern = Pattern(in);
      const IStrokeOptions options = StrokeOptions(in);
      const IBlend blend = Blend(in);
      const float thickness = in.Float();
      g.PathStroke(pattern, thickness, options, in.Int(2) == 0 ? nullptr : &blend);
      break;
    }
    case 43: {
      const IPattern pattern = Pattern(in);
      IFillOptions options;
      options.mFillRule = static_cast<EFillRule>(in.Int(4));
      options.mPreserve = in.Flag();
      const IBlend blend = Blend(in);
      g.PathFill(pattern, options, in.Int(2) == 0 ? nullptr : &blend);
      break;
    }
    case 44:
      switch (in.Int(5)) {
        case 0:
          g.PathRect(in.Rect());
          break;
        case 1: {
          const IRECT r = in.Rect();
          const auto f = in.Floats<4>();
          g.PathRoundRect(r, f[0], f[1], f[2], f[3]);
          break;
        }
        case 2: {
          const auto f = in.Floats<6>();
          g.PathTriangle(f[0], f[1], f[2], f[3], f[4], f[5]);
          break;
        }
        case 3: {
          const auto f = in.Floats<5>();
          g.PathEllipse(f[0], f[1], f[2], f[3], f[4]);
          break;
        }
        default: {
          const auto f = in.Floats<3>();
          g.PathCircle(f[0], f[1], f[2]);
          break;
        }
      }
      break;
    case 45: {
      const auto f = in.Floats<5>();
      g.PathRadialLine(f[0], f[1], f[2], f[3], f[4]);
      break;
    }
    // Transforms and clipping.
    case 46:
      switch (in.Int(8)) {
        case 0:
          g.PathTransformSave();
          break;
        case 1:
          g.PathTransformRestore();
          break;
        case 2: {
          const auto f = in.Floats<2>();
          g.PathTransformTranslate(f[0], f[1]);
          break;
        }
        case 3: {
          const auto f = in.Floats<2>();
          g.PathTransformScale(f[0], f[1]);
          break;
        }
        case 4:
          g.PathTransformRotate(in.Float());
          break;
        case 5: {
          const auto f = in.Floats<2>();
          g.PathTransformSkew(f[0], f[1]);
          break;
        }
        case 6:
          g.PathTransformReset(in.Flag());
          break;
        default:
          g.PathTransformMatrix(Matrix(in));
          break;
      }
      break;
    case 47:
      g.PathClipRegion(in.Int(4) == 0 ? IRECT() : in.Rect());
      break;
    // Layers: opened over a rectangle, closed into one of two slots, drawn, shadowed.
    case 48:
      // Over an ordinary rectangle at an editor's scale: the core converts a layer's size in pixels to int unchecked,
      // and a shadow's blur costs time in proportion to the layer's pixels.
      if (openLayers < 3 && g.GetTotalScale() <= 4.f) {
        float ltwh[4];
        for (float& v : ltwh) v = in.Ordinary();
        g.StartLayer(control, IRECT(ltwh[0], ltwh[1], ltwh[0] + ltwh[2], ltwh[1] + ltwh[3]), in.Flag());
        ++openLayers;
      }
      break;
    case 49:
      if (openLayers > 0) {
        res.layers[in.Int(2)] = g.EndLayer();
        --openLayers;
      }
      break;
    case 50: {
      ILayerPtr& layer = res.layers[in.Int(2)];
      const IBlend blend = Blend(in);
      if (layer) g.DrawLayer(layer, &blend);
      break;
    }
    case 51: {
      ILayerPtr& layer = res.layers[in.Int(2)];
      if (layer) g.DrawFittedLayer(layer, in.Rect());
      break;
    }
    case 52: {
      ILayerPtr& layer = res.layers[in.Int(2)];
      if (layer) g.DrawRotatedLayer(layer, in.Double());
      break;
    }
    case 53: {
      ILayerPtr& layer = res.layers[in.Int(2)];
      const IPattern pattern = Pattern(in);
      const auto f = in.Floats<4>();
      const IShadow shadow(pattern, f[0], f[1], f[2], f[3], in.Flag());
      if (layer) g.ApplyLayerDropShadow(layer, shadow);
      break;
    }
    case 54: {
      ILayerPtr& layer = res.layers[in.Int(2)];
      if (layer) g.CheckLayer(layer);
      break;
    }
    default: {
      // A path built from several commands, then filled or stroked: the common shape of a control's drawing.
      const auto start = in.Floats<2>();
      g.PathMoveTo(start[0], start[1]);
      const int n = in.Int(6);
      for (int i = 0; i < n; ++i) {
        const auto f = in.Floats<2>();
        g.PathLineTo(f[0], f[1]);
      }
      const bool fill = in.Int(2) == 0;
      const IColor color = in.Color();
      if (fill)
        g.PathFill(IPattern(color));
      else
        g.PathStroke(IPattern(color), in.Float());
      break;
    }
  }
}

// The control whose Draw runs the frame's calls.
class FuzzControl : public IControl {
 public:
  FuzzControl() : IControl(IRECT(0.f, 0.f, kEditorSize, kEditorSize)) {}
  void Draw(IGraphics& g) override {
    if (mIn == nullptr) return;
    int openLayers = 0;
    const int calls = mIn->Int(24) + 1;
    for (int i = 0; i < calls && mIn->More(); ++i) DrawCall(g, *mIn, *mRes, this, openLayers);
    while (openLayers-- > 0) mRes->layers[1] = g.EndLayer();
  }
  Reader* mIn = nullptr;
  Resources* mRes = nullptr;
};

// One call of the renderer's own functions, in a frame the renderer begins itself. Each reads its arguments first to
// last as the call lists them.
void RendererCall(VRcontext* vg, Reader& in, int image, int font) {
  switch (in.Int(48)) {
    case 0:
      vrBeginPath(vg);
      break;
    case 1: {
      const auto f = in.Floats<2>();
      vrMoveTo(vg, f[0], f[1]);
      break;
    }
    case 2: {
      const auto f = in.Floats<2>();
      vrLineTo(vg, f[0], f[1]);
      break;
    }
    case 3: {
      const auto f = in.Floats<6>();
      vrBezierTo(vg, f[0], f[1], f[2], f[3], f[4], f[5]);
      break;
    }
    case 4: {
      const auto f = in.Floats<4>();
      vrQuadTo(vg, f[0], f[1], f[2], f[3]);
      break;
    }
    case 5: {
      const auto f = in.Floats<5>();
      vrArcTo(vg, f[0], f[1], f[2], f[3], f[4]);
      break;
    }
    case 6: {
      const auto f = in.Floats<5>();
      vrArc(vg, f[0], f[1], f[2], f[3], f[4], in.Int(4));
      break;
    }
    case 7:
      vrClosePath(vg);
      break;
    case 8:
      vrPathWinding(vg, in.Int(4));
      break;
    case 9: {
      const auto f = in.Floats<4>();
      vrRect(vg, f[0], f[1], f[2], f[3]);
      break;
    }
    case 10: {
      const auto f = in.Floats<5>();
      vrRoundedRect(vg, f[0], f[1], f[2], f[3], f[4]);
      break;
    }
    case 11: {
      const auto f = in.Floats<8>();
      vrRoundedRectVarying(vg, f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
      break;
    }
    case 12: {
      const auto f = in.Floats<4>();
      vrEllipse(vg, f[0], f[1], f[2], f[3]);
      break;
    }
    case 13: {
      const auto f = in.Floats<3>();
      vrCircle(vg, f[0], f[1], f[2]);
      break;
    }
    case 14:
      vrFill(vg);
      break;
    case 15:
      vrStroke(vg);
      break;
    case 16:
      vrStrokeWidth(vg, in.Float());
      break;
    case 17:
      vrMiterLimit(vg, in.Float());
      break;
    case 18:
      vrLineCap(vg, in.Int(6) - 1);
      break;
    case 19:
      vrLineJoin(vg, in.Int(6) - 1);
      break;
    case 20:
      vrGlobalAlpha(vg, in.Float());
      break;
    case 21:
      vrShapeAntiAlias(vg, in.Int(2));
      break;
    case 22:
      vrGlobalCompositeOperation(vg, in.Int(13) - 1);
      break;
    case 23: {
      int factors[4];
      for (int& factor : factors) factor = 1 << in.Int(12);
      vrGlobalCompositeBlendFuncSeparate(vg, factors[0], factors[1], factors[2], factors[3]);
      break;
    }
    case 24:
      vrSave(vg);
      break;
    case 25:
      vrRestore(vg);
      break;
    case 26:
      vrReset(vg);
      break;
    case 27: {
      const auto f = in.Floats<2>();
      vrTranslate(vg, f[0], f[1]);
      break;
    }
    case 28:
      vrRotate(vg, in.Float());
      break;
    case 29: {
      const auto f = in.Floats<2>();
      vrScale(vg, f[0], f[1]);
      break;
    }
    case 30:
      in.Int(2) == 0 ? vrSkewX(vg, in.Float()) : vrSkewY(vg, in.Float());
      break;
    case 31: {
      const auto f = in.Floats<6>();
      vrTransform(vg, f[0], f[1], f[2], f[3], f[4], f[5]);
      break;
    }
    case 32:
      vrResetTransform(vg);
      break;
    case 33: {
      const auto f = in.Floats<4>();
      vrScissor(vg, f[0], f[1], f[2], f[3]);
      break;
    }
    case 34: {
      const auto f = in.Floats<4>();
      vrIntersectScissor(vg, f[0], f[1], f[2], f[3]);
      break;
    }
    case 35:
      vrResetScissor(vg);
      break;
    case 36: {
      const auto rgba = in.Floats<4>();
      const VRcolor a = vrRGBAf(rgba[0], rgba[1], rgba[2], rgba[3]);
      const auto red = static_cast<unsigned char>(in.Byte());
      const VRcolor b = vrRGBA(red, 0, 255, static_cast<unsigned char>(in.Byte()));
      VRpaint paint;
      switch (in.Int(4)) {
        case 0: {
          const auto f = in.Floats<4>();
          paint = vrLinearGradient(vg, f[0], f[1], f[2], f[3], a, b);
          break;
        }
        case 1: {
          const auto f = in.Floats<6>();
          paint = vrBoxGradient(vg, f[0], f[1], f[2], f[3], f[4], f[5], a, b);
          break;
        }
        case 2: {
          const auto f = in.Floats<4>();
          paint = vrRadialGradient(vg, f[0], f[1], f[2], f[3], a, b);
          break;
        }
        default: {
          const auto f = in.Floats<5>();
          const int pattern = in.Int(4) == 0 ? 0 : image;
          paint = vrImagePattern(vg, f[0], f[1], f[2], f[3], f[4], pattern, in.Float());
          break;
        }
      }
      in.Int(2) == 0 ? vrFillPaint(vg, paint) : vrStrokePaint(vg, paint);
      break;
    }
    case 37: {
      const auto hsl = in.Floats<3>();
      vrFillColor(vg, vrHSLA(hsl[0], hsl[1], hsl[2], static_cast<unsigned char>(in.Byte())));
      break;
    }
    case 38: {
      const auto rgba = in.Floats<4>();
      vrStrokeColor(vg, vrRGBAf(rgba[0], rgba[1], rgba[2], rgba[3]));
      break;
    }
    case 39:
      vrFontSize(vg, in.Float());
      break;
    case 40:
      vrFontBlur(vg, in.Float());
      break;
    case 41:
      vrTextLetterSpacing(vg, in.Float());
      break;
    case 42:
      vrTextLineHeight(vg, in.Float());
      break;
    case 43:
      vrTextAlign(vg, in.Byte());
      break;
    case 44:
      vrFontFaceId(vg, in.Int(4) == 0 ? -1 : font);
      break;
    case 45: {
      const char* text = in.Text();
      const auto f = in.Floats<2>();
      vrText(vg, f[0], f[1], text, nullptr);
      break;
    }
    case 46: {
      const char* text = in.Text();
      const auto f = in.Floats<3>();
      vrTextBox(vg, f[0], f[1], f[2], text, nullptr);
      break;
    }
    default: {
      const char* text = in.Text();
      float bounds[4];
      const auto at = in.Floats<2>();
      vrTextBounds(vg, at[0], at[1], text, nullptr, bounds);
      const auto box = in.Floats<3>();
      vrTextBoxBounds(vg, box[0], box[1], box[2], text, nullptr, bounds);
      float ascender, descender, lineh;
      vrTextMetrics(vg, &ascender, &descender, &lineh);
      break;
    }
  }
}

// The editor on the CPU device, made once per process.
struct Editor {
  std::shared_ptr<platform::gpu::GpuDevice> device;
  VulkanLayer layer;
  std::unique_ptr<platform::gpu::GpuDrawableLayer> drawables;
  test::FakeDelegate delegate;
  std::unique_ptr<test::TestVectorGraphics> g;
  FuzzControl* control = nullptr;
  GVRframebuffer* framebuffer = nullptr;
  Resources res;
  int font = -1;
  std::filesystem::path cacheDir;

  Editor() {
    // Only the CPU device's driver, its caches in a folder of this process; drivers stay mapped for the leak checker.
    setenv("VK_DRIVER_FILES", "/usr/share/vulkan/icd.d/lvp_icd.x86_64.json", 1);
    cacheDir = std::filesystem::temp_directory_path() / ("kd_drawing_fuzz_" + std::to_string(getpid()));
    std::filesystem::create_directories(cacheDir);
    setenv("XDG_CACHE_HOME", cacheDir.c_str(), 1);
    for (const char* library :
         {"libvulkan_lvp.so", "libVkLayer_khronos_validation.so", "libVkLayer_MESA_device_select.so"})
      dlopen(library, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    platform::gpu::GpuDeviceOptions options;
    options.validation = true;
    options.deviceChoice = "cpu";
    std::string reason;
    device = platform::gpu::GpuDevice::Create(options, reason);
    Check(device != nullptr, "no CPU device");
    layer.device = device;
    drawables = std::make_unique<platform::gpu::GpuDrawableLayer>(*device);
    drawables->SetBounds(kEditorSize, kEditorSize);
    drawables->SetContentsScale(1.0);
    layer.drawables = drawables.get();
    g = std::make_unique<test::TestVectorGraphics>(delegate, kEditorSize, kEditorSize, 60, 1.f);
    g->InitDrawContext(&layer);
    VRcontext* vg = static_cast<VRcontext*>(g->GetDrawContext());
    Check(vg != nullptr, "no renderer");
    gForward = {vg->params.renderFill, vg->params.renderStroke, vg->params.renderTriangles};
    vg->params.renderFill = CheckedFill;
    vg->params.renderStroke = CheckedStroke;
    vg->params.renderTriangles = CheckedTriangles;
    g->SetScreenScale(1.f);
    Check(g->LoadFont("Roboto-Regular", KD_DEJAVU_DIR "DejaVuSans.ttf"), "no font");
    font = vrFindFont(vg, "Roboto-Regular");
    control = static_cast<FuzzControl*>(g->AttachControl(new FuzzControl));

    std::vector<unsigned char> pixels(16 * 8 * 4);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 37);
    res.image = std::make_unique<IGraphicsVector::Bitmap>(vg, 8, 8, pixels.data(), 1.f, 1.f);
    res.strip = std::make_unique<IGraphicsVector::Bitmap>(vg, 16, 8, pixels.data(), 2.f, 1.f);
    res.bitmap = IBitmap(res.image.get(), 1, false);
    res.frames = IBitmap(res.strip.get(), 2, true);
    res.svg = g->LoadSVG("fuzz.svg", static_cast<const void*>(kSVG), static_cast<int>(sizeof(kSVG)));
    framebuffer = gvrCreateFramebuffer(vg, 32, 32, 0);
    Check(framebuffer != nullptr && framebuffer->image != 0, "no framebuffer");
    mMessages = device->ValidationMessageCount();
  }

  ~Editor() {
    for (ILayerPtr& layer : res.layers) layer.reset();
    gvrDeleteFramebuffer(framebuffer);
    res.image.reset();
    res.strip.reset();
    g->ReleaseDrawContext();
    g.reset();
    drawables->WaitForFramesInFlight();
    drawables.reset();
    device->WaitForFramesInFlight();
    device.reset();
    std::error_code ignored;
    std::filesystem::remove_all(cacheDir, ignored);
  }

  void Run(Reader& in) {
    // Each input starts from the same state: no path or transform left by the one before.
    if (g->GetScreenScale() != 1.f) g->SetScreenScale(1.f);
    vrBeginPath(static_cast<VRcontext*>(g->GetDrawContext()));
    g->PathTransformReset(true);
    control->mIn = &in;
    control->mRes = &res;
    for (int frame = 0; frame < 8 && in.More(); ++frame) {
      switch (in.Int(4)) {
        case 0:
        case 1: {
          IRECTList all;
          all.Add(IRECT(0.f, 0.f, kEditorSize, kEditorSize));
          g->Draw(all);
          break;
        }
        case 2: {
          VRcontext* vg = static_cast<VRcontext*>(g->GetDrawContext());
          gvrBindFramebuffer(framebuffer);
          const auto frame = in.Floats<3>();
          vrBeginFrame(vg, frame[0], frame[1], frame[2]);
          const int calls = in.Int(32) + 1;
          for (int i = 0; i < calls && in.More(); ++i) RendererCall(vg, in, res.image->GetBitmapID(), font);
          if (in.Int(8) == 0)
            vrCancelFrame(vg);
          else
            vrEndFrame(vg);
          gvrBindFramebuffer(nullptr);
          break;
        }
        default:
          g->SetScreenScale(in.Float());
          break;
      }
    }
    control->mIn = nullptr;
    for (ILayerPtr& layer : res.layers) layer.reset();
    drawables->WaitForFramesInFlight();
    Check(device->ValidationMessageCount() == mMessages, "validation message");
  }

 private:
  int mMessages = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  static Editor* editor = [] {
    static Editor made;
    return &made;
  }();
  Reader in(data, size);
  editor->Run(in);
  return 0;
}

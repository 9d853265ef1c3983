// A fill or stroke paint: a solid colour or a linear or radial gradient of up to 16 stops.
// A plain value: any thread.
#pragma once

#include "graphics/IGraphicsTypes.h"
#include "graphics/IMatrix.h"

namespace fx::gfx {

enum EPatternType : int { kSolidPattern = 0, kLinearPattern = 1, kRadialPattern = 2 };
enum EPatternExtend : int { kExtendPad = 1, kExtendReflect = 2, kExtendRepeat = 3 };

struct IColorStop {
  IColor mColor = IColor(255, 0, 0, 0);
  float mOffset = 0.f;
};

struct IPattern {
  static constexpr int kMaxStops = 16;

  EPatternType mType = kSolidPattern;
  EPatternExtend mExtend = kExtendPad;
  IColorStop mStops[kMaxStops];
  int mNStops = 0;
  IMatrix mTransform;

  explicit IPattern(EPatternType type = kSolidPattern) : mType(type) {}
  // The solid pattern of a colour: one stop at offset 0.
  IPattern(const IColor& color);

  // Ignored once 16 stops are in use.
  void AddStop(const IColor& color, float offset);
  const IColorStop& GetStop(int idx) const { return mStops[idx]; }
  int NStops() const { return mNStops; }
  // Whether it paints every point fully opaque: it has stops, all opaque, and a gradient's transform is finite
  // and can be inverted (a singular one paints nothing).
  bool IsOpaque() const;
};

}  // namespace fx::gfx

// What the renderer's colours and paints share with the drawing operations that build their own paints: the blend
// weight that scales alpha, and the test that a paint's geometry is usable.
#pragma once

#include "graphics/IGraphicsTypes.h"
#include "graphics/vector/VRContext.h"

namespace fx::gfx {

// 1 without a blend; otherwise the weight clamped to 0..1, 0 for a weight that is not a number.
float BlendWeight(const IBlend* blend);

// Whether every number of the paint's transform, extent, radius and feather is finite.
bool PaintIsFinite(const VRpaint& paint);

}  // namespace fx::gfx

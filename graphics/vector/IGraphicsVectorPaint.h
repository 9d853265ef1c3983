// How the graphics core's colours, patterns and blends become the renderer's colours, paints and composite
// operations: the blend weight scales alpha, a gradient pattern becomes a two-colour renderer gradient through the
// inverse of its transform, and each blend method picks a composite operation. Main thread (they set renderer state).
#pragma once

#include "graphics/IGraphicsTypes.h"
#include "graphics/IPattern.h"
#include "graphics/vector/VRContext.h"

namespace fx::gfx {

// 1 without a blend; otherwise the weight clamped to 0..1, 0 for a weight that is not a number.
float BlendWeight(const IBlend* blend);

// Straight (not premultiplied) colour, each channel over 255, alpha times the blend weight.
VRcolor MakeColor(const IColor& color, const IBlend* blend);

// The composite operation of the blend's method: 0 to 7 the Porter-Duff operations of the same number, 8 (add) one
// plus one on premultiplied colour, 9 exclusive-or; a null blend is source-over; any other method changes nothing.
void SetBlendMode(VRcontext* ctx, const IBlend* blend);

// A linear or radial gradient from the first to the last stop. Pattern space runs from 0 at the transform's origin
// to 1 along y (linear) or out to the radius (radial, inner radius = the first stop's offset). False, paint
// untouched, when the pattern has no stops or the result would not be finite (a singular transform).
bool MakePaint(VRcontext* ctx, const IPattern& pattern, const IBlend* blend, VRpaint& paint);

}  // namespace fx::gfx

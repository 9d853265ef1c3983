#include "graphics/IPathOptions.h"

#include <algorithm>

namespace fx::gfx {

void IStrokeOptions::DashOptions::SetDash(const float* lengths, float offset, int count) {
  mCount = lengths ? std::clamp(count, 0, kMaxDashes) : 0;
  std::copy(lengths, lengths + mCount, mArray);
  mOffset = offset;
}

}  // namespace fx::gfx

#include "graphics/IGraphicsTypes.h"

#include "framework/BoundedCopy.h"

#include <cstring>

namespace fx::gfx {

void IText::SetFont(const char* font) {
  if (!font) return;
  CopyBounded(mFont, font);
}

bool IText::operator==(const IText& other) const {
  return std::strcmp(mFont, other.mFont) == 0 && mSize == other.mSize && mFGColor == other.mFGColor &&
         mTextEntryBGColor == other.mTextEntryBGColor && mTextEntryFGColor == other.mTextEntryFGColor &&
         mAngle == other.mAngle && mAlign == other.mAlign && mVAlign == other.mVAlign;
}

}  // namespace fx::gfx

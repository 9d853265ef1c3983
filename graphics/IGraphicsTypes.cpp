#include "graphics/IGraphicsTypes.h"

#include <cstring>

namespace fx::gfx {

void IText::SetFont(const char* font) {
  if (!font) return;
  std::strncpy(mFont, font, kFontIDLen - 1);
  mFont[kFontIDLen - 1] = '\0';
}

bool IText::operator==(const IText& other) const {
  return std::strcmp(mFont, other.mFont) == 0 && mSize == other.mSize && mFGColor == other.mFGColor &&
         mTextEntryBGColor == other.mTextEntryBGColor && mTextEntryFGColor == other.mTextEntryFGColor &&
         mAngle == other.mAngle && mAlign == other.mAlign && mVAlign == other.mVAlign;
}

}  // namespace fx::gfx

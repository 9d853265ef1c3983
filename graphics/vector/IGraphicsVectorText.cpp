// Text and fonts: the process-wide cache of font bytes registered with the renderer, measuring and drawing one line
// with the core's text style, and multi-line text wrapped into a rectangle.
#include <algorithm>
#include <cstring>
#include <memory>

#include "graphics/vector/IGraphicsVector.h"
#include "graphics/vector/IGraphicsVectorPaint.h"
#include "graphics/vector/VRText.h"

namespace fx::gfx {

namespace {

// vrTextBreakLines is asked for this many rows at a time.
constexpr int kRowBatch = 3;

// The renderer's horizontal alignment bit and anchor x for the core's alignment; no bit for an unknown value.
int HorizontalAlign(EAlign align, const IRECT& r, double& x) {
  switch (align) {
    case kAlignNear:
      x = r.L;
      return VR_ALIGN_LEFT;
    case kAlignCenter:
      x = (r.L + r.R) / 2.f;
      return VR_ALIGN_CENTER;
    case kAlignFar:
      x = r.R;
      return VR_ALIGN_RIGHT;
    default:
      return 0;
  }
}

// The vertical bit, anchor y and how much of the block's height lies above the anchor (0 top, 0.5 middle, 1 bottom).
int VerticalAlign(EVAlign align, const IRECT& r, double& y, float& blockFactor) {
  switch (align) {
    case kVAlignTop:
      y = r.T;
      blockFactor = 0.f;
      return VR_ALIGN_TOP;
    case kVAlignMiddle:
      y = (r.T + r.B) / 2.f;
      blockFactor = 0.5f;
      return VR_ALIGN_MIDDLE;
    case kVAlignBottom:
      y = r.B;
      blockFactor = 1.f;
      return VR_ALIGN_BOTTOM;
    default:
      blockFactor = 0.f;
      return 0;
  }
}

// The data the renderer needs of a font: bytes, a face, and the head, name and hhea tables.
bool UsableFontData(const IFontFileData& data) {
  return data.GetSize() != 0 && data.GetFaceIdx() >= 0 && data.IsValid();
}

int RegisterFontData(VRcontext* ctx, const char* fontID, const IFontFileData& data) {
  // The renderer never writes or frees the bytes (freeData 0): they stay in the cache.
  auto* bytes = data.GetSize() != 0 ? const_cast<unsigned char*>(data.GetData()) : nullptr;
  return vrCreateFontMemAtIndex(ctx, fontID, bytes, data.GetSize(), data.GetFaceIdx(), 0);
}

}  // namespace

StaticStorage<IFontFileData>& FontDataCache() {
  static StaticStorage<IFontFileData> sFontDataCache;
  return sFontDataCache;
}

bool IGraphicsVector::LoadAPIFont(const char* fontID, const PlatformFontPtr& font) {
  FwMutexLock lock(FontDataCache().GetMutex());
  if (mVG == nullptr) return false;
  // A second registration of the same id in this context would only add a duplicate that lookups never find.
  if (vrFindFont(mVG, fontID) != -1) return true;
  if (const IFontFileData* cached = FontDataCache().Find(fontID, 1.0)) {
    RegisterFontData(mVG, fontID, *cached);
    return true;
  }
  if (!font) return false;
  std::unique_ptr<IFontFileData> data = font->GetFontData();
  if (!data || !UsableFontData(*data) || RegisterFontData(mVG, fontID, *data) == -1) return false;
  FontDataCache().Add(data.release(), fontID, 1.0);
  return true;
}

void IGraphicsVector::PrepareText(const IText& text, const char* str, IRECT& r, double& x, double& y) const {
  vrFontBlur(mVG, 0.f);
  vrFontSize(mVG, text.mSize);
  vrFontFace(mVG, text.mFont);
  float blockFactor = 0.f;
  const int align = HorizontalAlign(text.mAlign, r, x) | VerticalAlign(text.mVAlign, r, y, blockFactor);
  vrTextAlign(mVG, align);
  float box[4] = {};
  vrTextBounds(mVG, static_cast<float>(x), static_cast<float>(y), str, nullptr, box);
  r = IRECT(box[0], box[1], box[2], box[3]);
}

float IGraphicsVector::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const {
  if (mVG == nullptr) return 0.f;
  const IRECT r = bounds;
  double x = 0.0, y = 0.0;
  PrepareText(text, str, bounds, x, y);
  DoMeasureTextRotation(text, r, bounds);
  return bounds.W();
}

void IGraphicsVector::DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) {
  if (mVG == nullptr) return;
  DrawHeldStrokes();
  IRECT measured = bounds;
  double x = 0.0, y = 0.0;
  PrepareText(text, str, measured, x, y);
  PathTransformSave();
  if (text.mAngle != 0.f) {
    double tx = 0.0, ty = 0.0;
    CalculateTextRotation(text, bounds, measured, tx, ty);
    PathTransformTranslate(static_cast<float>(tx), static_cast<float>(ty));
    PathTransformRotate(text.mAngle);
  }
  vrFillColor(mVG, MakeColor(text.mFGColor, blend));
  SetBlendMode(mVG, blend);
  vrText(mVG, static_cast<float>(x), static_cast<float>(y), str, nullptr);
  vrGlobalCompositeOperation(mVG, VR_SOURCE_OVER);
  PathTransformRestore();
}

void IGraphicsVector::DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend) {
  if (mVG == nullptr || str == nullptr || str[0] == '\0') return;
  DrawHeldStrokes();
  vrSave(mVG);
  vrFontSize(mVG, text.mSize);
  vrFontFace(mVG, text.mFont);
  double x = 0.0, y = 0.0;
  float blockFactor = 0.f;
  vrTextAlign(mVG, HorizontalAlign(text.mAlign, bounds, x) | VerticalAlign(text.mVAlign, bounds, y, blockFactor));
  float lineHeight = 0.f;
  vrTextMetrics(mVG, nullptr, nullptr, &lineHeight);
  vrFillColor(mVG, MakeColor(text.mFGColor, blend));

  const char* end = str + std::strlen(str);
  const float width = bounds.W();
  VRtextRow rows[kRowBatch];
  int lines = 0;
  for (const char* start = str;;) {
    const int n = vrTextBreakLines(mVG, start, end, width, rows, kRowBatch);
    // A batch that does not move on would never end.
    if (n <= 0 || rows[n - 1].next <= start) break;
    lines += n;
    start = rows[n - 1].next;
  }
  // Each row is aligned at its own anchor; the anchors of a block of n rows span (n - 1) line heights, so the block
  // is centred on the middle (factor 0.5) or ends at the bottom (factor 1) as a whole.
  float rowY = static_cast<float>(y) - lineHeight * static_cast<float>(std::max(lines - 1, 0)) * blockFactor;
  for (const char* start = str;;) {
    const int n = vrTextBreakLines(mVG, start, end, width, rows, kRowBatch);
    if (n <= 0 || rows[n - 1].next <= start) break;
    for (int i = 0; i < n; ++i) {
      vrText(mVG, static_cast<float>(x), rowY, rows[i].start, rows[i].end);
      rowY += lineHeight;
    }
    start = rows[n - 1].next;
  }
  vrRestore(mVG);
}

}  // namespace fx::gfx

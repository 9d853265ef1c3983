#include "graphics/IFontFileData.h"

#include <strings.h>
#include <algorithm>
#include <cstring>
#include <string>

namespace fx::gfx {

namespace {

constexpr uint32_t Tag(const char (&t)[5]) {
  return (uint32_t(uint8_t(t[0])) << 24) | (uint32_t(uint8_t(t[1])) << 16) | (uint32_t(uint8_t(t[2])) << 8) |
         uint32_t(uint8_t(t[3]));
}

// Big-endian reads that answer 0 past the end of the bytes: every offset in a font file is the file's word.
class BigEndian {
 public:
  BigEndian(const uint8_t* data, int size) : mData(data), mSize(size) {}
  bool Has(uint64_t offset, uint64_t length) const { return offset + length <= static_cast<uint64_t>(mSize); }
  uint32_t U32(uint64_t at) const { return Has(at, 4) ? (uint32_t(U16(at)) << 16) | U16(at + 2) : 0; }
  uint16_t U16(uint64_t at) const { return Has(at, 2) ? uint16_t((mData[at] << 8) | mData[at + 1]) : 0; }
  const uint8_t* At(uint64_t at) const { return mData + at; }

 private:
  const uint8_t* mData;
  int mSize;
};

constexpr int kNameRecordSize = 12;
constexpr int kTableEntrySize = 16;

void AppendUTF8(std::string& out, uint32_t c) {
  if (c < 0x80) {
    out += char(c);
  } else if (c < 0x800) {
    out += char(0xC0 | (c >> 6));
    out += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += char(0xE0 | (c >> 12));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  } else {
    out += char(0xF0 | (c >> 18));
    out += char(0x80 | ((c >> 12) & 0x3F));
    out += char(0x80 | ((c >> 6) & 0x3F));
    out += char(0x80 | (c & 0x3F));
  }
}

// UTF-16 big-endian to UTF-8, up to the first NUL; a lone surrogate becomes U+FFFD.
std::string UTF16BEToUTF8(const BigEndian& in, uint64_t at, uint32_t bytes) {
  std::string out;
  for (uint32_t i = 0; i + 1 < bytes; i += 2) {
    uint32_t c = in.U16(at + i);
    if (c == 0) break;
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes) {
      const uint32_t low = in.U16(at + i + 2);
      if (low >= 0xDC00 && low < 0xE000) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        i += 2;
      } else {
        c = 0xFFFD;
      }
    } else if (c >= 0xD800 && c < 0xE000) {
      c = 0xFFFD;
    }
    AppendUTF8(out, c);
  }
  return out;
}

}  // namespace

IFontFileData::IFontFileData(const void* data, int size, int faceIndex) : mData(4096), mFaceIdx(faceIndex) {
  mFamily.Set("");
  mStyle.Set("");
  if (!data || size <= 0 || !mData.Resize(size)) return;
  std::memcpy(mData.Get(), data, static_cast<size_t>(size));
  if (!FindFace(faceIndex)) return;
  FindTables();
  if (!IsValid()) return;
  const BigEndian in(GetData(), GetSize());
  mMacStyle = in.U16(uint64_t(mHeadLocation) + 44);
  mUnitsPerEM = in.U16(uint64_t(mHeadLocation) + 18);
  mAscender = static_cast<int16_t>(in.U16(uint64_t(mHHeaLocation) + 4));
  mDescender = static_cast<int16_t>(in.U16(uint64_t(mHHeaLocation) + 6));
  mLineGap = static_cast<int16_t>(in.U16(uint64_t(mHHeaLocation) + 8));
  ReadNames();
}

bool IFontFileData::FindFace(int faceIndex) {
  const BigEndian in(GetData(), GetSize());
  if (!in.Has(0, 12) || faceIndex < 0) return false;
  const uint32_t signature = in.U32(0);
  // TrueType, the old TrueType "1", CFF OpenType and Type 1 in sfnt: one face. Apple's 'true' is not among them.
  if (signature == 0x00010000 || signature == Tag("1\0\0\0") || signature == Tag("OTTO") || signature == Tag("typ1")) {
    if (faceIndex != 0) return false;
    mFace = GetData();
    return true;
  }
  if (signature != Tag("ttcf")) return false;
  const uint32_t version = in.U32(4);
  if ((version != 0x00010000 && version != 0x00020000) || in.U32(8) <= static_cast<uint32_t>(faceIndex) ||
      !in.Has(12 + 4 * uint64_t(faceIndex), 4))
    return false;
  const uint32_t offset = in.U32(12 + 4 * uint64_t(faceIndex));
  if (!in.Has(offset, 12)) return false;
  mFace = GetData() + offset;
  return true;
}

void IFontFileData::FindTables() {
  const BigEndian in(GetData(), GetSize());
  const uint64_t face = static_cast<uint64_t>(mFace - GetData());
  const int count = in.U16(face + 4);
  // The smallest size each table must have for the fields read from it.
  const struct {
    uint32_t tag;
    uint32_t minLength;
    uint32_t* location;
  } wanted[] = {{Tag("head"), 46, &mHeadLocation},
                {Tag("name"), 6, &mNameLocation},
                {Tag("hhea"), 10, &mHHeaLocation},
                {Tag("fdsc"), 0, &mFDscLocation}};
  for (int i = 0; i < count; ++i) {
    const uint64_t entry = face + 12 + uint64_t(i) * kTableEntrySize;
    if (!in.Has(entry, kTableEntrySize)) return;
    for (const auto& w : wanted) {
      if (in.U32(entry) != w.tag || *w.location) continue;
      const uint32_t offset = in.U32(entry + 8);
      // A table that runs past the bytes is treated as absent.
      if (offset && in.Has(offset, std::max(in.U32(entry + 12), w.minLength))) *w.location = offset;
    }
  }
}

void IFontFileData::ReadNames() {
  ReadName(1, mFamily);
  ReadName(2, mStyle);
}

bool IFontFileData::ReadName(int nameID, FwString& result) const {
  const BigEndian in(GetData(), GetSize());
  const uint64_t table = mNameLocation;
  const int count = in.U16(table + 2);
  const uint64_t storage = table + in.U16(table + 4);
  // First the Windows Unicode (BMP) English name, then the Macintosh Roman one.
  const struct {
    uint16_t platform, encoding, language;
    bool utf16;
  } kinds[] = {{3, 1, 1033, true}, {1, 0, 0, false}};
  for (const auto& kind : kinds) {
    for (int i = 0; i < count; ++i) {
      const uint64_t record = table + 6 + uint64_t(i) * kNameRecordSize;
      if (!in.Has(record, kNameRecordSize)) break;
      if (in.U16(record) != kind.platform || in.U16(record + 2) != kind.encoding ||
          in.U16(record + 4) != kind.language || in.U16(record + 6) != nameID)
        continue;
      const uint32_t length = in.U16(record + 8);
      const uint64_t at = storage + in.U16(record + 10);
      if (!in.Has(at, length)) continue;
      std::string text;
      if (kind.utf16) {
        text = UTF16BEToUTF8(in, at, length);
      } else {
        const auto* bytes = reinterpret_cast<const char*>(in.At(at));
        text.assign(bytes, strnlen(bytes, length));
      }
      if (text.empty()) break;
      result.Set(text.c_str());
      return true;
    }
  }
  return false;
}

double IFontFileData::GetEmRatio() const {
  const int height = int(mAscender) - int(mDescender);
  if (!IsValid() || mUnitsPerEM == 0 || height <= 0) return 1.0;
  return static_cast<double>(mUnitsPerEM) / height;
}

int FindFaceIndex(const void* data, int size, const char* familyName, const char* styleName) {
  for (int i = 0;; ++i) {
    const IFontFileData face(data, size, i);
    if (!face.IsValid()) return -1;
    const bool style =
        face.GetStyle()[0] && (!styleName || !styleName[0] || std::strcmp(styleName, face.GetStyle()) == 0);
    const bool family = !familyName || !familyName[0] || strcasecmp(familyName, face.GetFamily()) == 0;
    if (style && family) return i;
  }
}

}  // namespace fx::gfx

// A font's bytes (an owned copy) with what the editor needs of its sfnt tables: the face inside a
// collection, family and style names, mac style, units per em and the vertical metrics. Made by the
// platform's font loader; the renderer registers the bytes. Any thread, one at a time.
#pragma once

#include <cstdint>

#include "framework/FwHeapBuf.h"
#include "framework/FwString.h"

namespace fx::gfx {

class IFontFileData {
 public:
  // Copies size bytes at data and reads face faceIndex of them. Data that is no usable font (unknown
  // signature, face index out of range, a table missing or running past the bytes) is kept but reads as
  // unusable: no face, metrics 0, names empty.
  IFontFileData(const void* data, int size, int faceIndex);
  // The face pointer points into the object's own copy of the bytes: a copy would point into another's.
  IFontFileData(const IFontFileData&) = delete;
  IFontFileData& operator=(const IFontFileData&) = delete;

  // A face was found and it has 'head', 'name' and 'hhea' tables.
  bool IsValid() const { return mFace && mHeadLocation && mNameLocation && mHHeaLocation; }

  const uint8_t* GetData() const { return static_cast<const uint8_t*>(mData.Get()); }
  int GetSize() const { return mData.GetSize(); }
  int GetFaceIdx() const { return mFaceIdx; }
  // The face's offset table inside GetData(), or null.
  const uint8_t* GetFace() const { return mFace; }
  // Table offsets from the start of the data (of the whole collection); 0 when absent.
  uint32_t GetHeadLocation() const { return mHeadLocation; }
  uint32_t GetNameLocation() const { return mNameLocation; }
  uint32_t GetHHeaLocation() const { return mHHeaLocation; }
  uint32_t GetFDscLocation() const { return mFDscLocation; }

  const char* GetFamily() const { return mFamily.Get(); }
  const char* GetStyle() const { return mStyle.Get(); }
  uint16_t GetMacStyle() const { return mMacStyle; }
  uint16_t GetUnitsPerEM() const { return mUnitsPerEM; }
  int16_t GetAscender() const { return mAscender; }
  int16_t GetDescender() const { return mDescender; }
  // Signed, as the table stores it: a few fonts give a negative line gap.
  int GetLineGap() const { return mLineGap; }
  // Units per em over the ascender-to-descender height; 1.0 when the metrics are unusable (no face, no
  // units per em, or a height of 0 or less), so callers never divide by zero.
  double GetEmRatio() const;

 private:
  bool FindFace(int faceIndex);
  void FindTables();
  void ReadNames();
  bool ReadName(int nameID, FwString& result) const;

  const uint8_t* mFace = nullptr;
  uint32_t mHeadLocation = 0;
  uint32_t mNameLocation = 0;
  uint32_t mHHeaLocation = 0;
  uint32_t mFDscLocation = 0;
  FwString mFamily;
  FwString mStyle;
  uint16_t mMacStyle = 0;
  uint16_t mUnitsPerEM = 0;
  int16_t mAscender = 0;
  int16_t mDescender = 0;
  int mLineGap = 0;
  FwHeapBuf mData;
  int mFaceIdx = 0;
};

// The index of the first face of a font file whose style name is not empty and equals styleName (any face
// with a style name when styleName is null or empty) and whose family name equals familyName, case ignored as
// the installed fonts are matched (any family when familyName is null or empty); -1 when a face that cannot be
// read comes first.
int FindFaceIndex(const void* data, int size, const char* familyName, const char* styleName);

}  // namespace fx::gfx

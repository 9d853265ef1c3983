// The plug-in's state record: a RIFF-style container around the XML preset document, as the host stores
// it (behind the framework's own chunk header) and as every preset slot holds it. Integers are unsigned
// 32-bit little-endian; offsets from the record's first byte:
//
//    0  "RIFF"
//    4  RIFF size: bytes from offset 8 to the end of the record, pad byte included
//    8  1 (container version)
//   12  "LWCM"
//   16  "LWCS"
//   20  sub-size: 8 + n, the bytes from offset 24 to the end of the text
//   24  1 (document version)
//   28  n, the length of the XML text
//   32  the text (n bytes, no terminating zero)
//   32 + n  one zero byte when the sub-size is odd
//
// Main thread only; the operations read or store parameter values and may allocate.
#pragma once

#include <cstdint>

#include "framework/IByteChunk.h"
#include "framework/IPluginBase.h"
#include "plugin/presets/XMLParamDef.h"

namespace presets {

// Each magic is the 32-bit value whose little-endian bytes spell it.
constexpr uint32_t kMagicRIFF = 0x46464952;  // "RIFF"
constexpr uint32_t kMagicLWCM = 0x4D43574C;  // "LWCM"
constexpr uint32_t kMagicLWCS = 0x5343574C;  // "LWCS"
constexpr uint32_t kRecordVersion = 1;

// Positions of the fields a record's writer patches once the document is in place.
struct StateRecordMarks {
  int start;
  int riffSizePos;
  int containerVersionPos;
  int subSizePos;
  int documentVersionPos;
};

// Appends the fixed fields up to the document version, with zero sizes.
StateRecordMarks BeginStateRecord(fx::IByteChunk& chunk);
// Patches both sizes once the length-prefixed text has been appended, adding the pad bytes they need.
void EndStateRecord(fx::IByteChunk& chunk, const StateRecordMarks& marks);

// Appends a whole record of the current values. False when the document could not be written: the record
// is then its fixed fields alone, with both sizes patched to count them (a sub-size of 4).
bool WriteStateRecord(const fx::IPluginBase& plugin, fx::IByteChunk& chunk);

// Reads a record at startPos and applies it as IXMLParameters::ReadParamsXML does. Answers the position
// after the record (pad byte included), or -1 with nothing changed when no well-formed record of this
// plug-in starts there: a short chunk, a wrong magic or version, sizes that disagree with each other or
// with the data, or a document that does not read.
int ReadStateRecord(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int startPos, const XMLParamDef* table,
                    bool filter);
// The position ReadStateRecord would answer, without changing anything; -1 when it would refuse.
int CheckStateRecord(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int startPos, const XMLParamDef* table,
                     bool filter);

}  // namespace presets

#include "plugin/presets/StateChunk.h"

#include "plugin/presets/IXMLParameters.h"

namespace presets {

namespace {

int PutWord(fx::IByteChunk& chunk, uint32_t value) {
  const int pos = chunk.Size();
  chunk.Put(&value);
  return pos;
}

void PadToEven(fx::IByteChunk& chunk, uint32_t size) {
  const uint8_t zero = 0;
  if (size & 1u) chunk.Put(&zero);
}

// The fixed fields of a record at p, read into a plain struct; false when the chunk ends inside them.
struct RecordFields {
  uint32_t riff, riffSize, containerVersion, lwcm, lwcs, subSize, documentVersion, textLength;
};

bool ReadFields(const fx::IByteChunk& chunk, int p, RecordFields& f) {
  for (uint32_t* word :
       {&f.riff, &f.riffSize, &f.containerVersion, &f.lwcm, &f.lwcs, &f.subSize, &f.documentVersion, &f.textLength}) {
    p = chunk.Get(word, p);
    if (p < 0) return false;
  }
  return true;
}

// The sizes must describe exactly the text that follows, and the record must lie inside the chunk.
bool IsWellFormed(const RecordFields& f, int64_t bytesAfterStart) {
  const uint64_t subSize = 8ull + f.textLength;
  const uint64_t riffSize = 16ull + subSize + (subSize & 1u);
  return f.riff == kMagicRIFF && f.containerVersion == kRecordVersion && f.lwcm == kMagicLWCM && f.lwcs == kMagicLWCS &&
         f.documentVersion == kRecordVersion && f.textLength > 0 && f.subSize == subSize && f.riffSize == riffSize &&
         static_cast<int64_t>(8 + riffSize) <= bytesAfterStart;
}

bool ReadWellFormed(const fx::IByteChunk& chunk, int startPos, RecordFields& fields) {
  return startPos >= 0 && ReadFields(chunk, startPos, fields) &&
         IsWellFormed(fields, static_cast<int64_t>(chunk.Size()) - startPos);
}

}  // namespace

StateRecordMarks BeginStateRecord(fx::IByteChunk& chunk) {
  StateRecordMarks marks{};
  marks.start = PutWord(chunk, kMagicRIFF);
  marks.riffSizePos = PutWord(chunk, 0);
  marks.containerVersionPos = PutWord(chunk, kRecordVersion);
  PutWord(chunk, kMagicLWCM);
  PutWord(chunk, kMagicLWCS);
  marks.subSizePos = PutWord(chunk, 0);
  marks.documentVersionPos = PutWord(chunk, kRecordVersion);
  return marks;
}

void EndStateRecord(fx::IByteChunk& chunk, const StateRecordMarks& marks) {
  const auto subSize = static_cast<uint32_t>(chunk.Size() - marks.documentVersionPos);
  chunk.PutAt(&subSize, marks.subSizePos);
  PadToEven(chunk, subSize);
  const auto riffSize = static_cast<uint32_t>(chunk.Size() - marks.containerVersionPos);
  chunk.PutAt(&riffSize, marks.riffSizePos);
  PadToEven(chunk, riffSize);
}

bool WriteStateRecord(const fx::IPluginBase& plugin, fx::IByteChunk& chunk) {
  const StateRecordMarks marks = BeginStateRecord(chunk);
  const bool written = IXMLParameters::WriteParamsXML(plugin, chunk, false);
  EndStateRecord(chunk, marks);
  return written;
}

int ReadStateRecord(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int startPos, const XMLParamDef* table,
                    bool filter) {
  RecordFields fields{};
  if (!ReadWellFormed(chunk, startPos, fields)) return -1;
  if (IXMLParameters::ReadParamsXML(plugin, chunk, startPos + 28, filter, table) <= 0) return -1;
  return startPos + 8 + static_cast<int>(fields.riffSize);
}

int CheckStateRecord(fx::IPluginBase& plugin, const fx::IByteChunk& chunk, int startPos, const XMLParamDef* table,
                     bool filter) {
  RecordFields fields{};
  if (!ReadWellFormed(chunk, startPos, fields)) return -1;
  if (IXMLParameters::CheckParamsXML(plugin, chunk, startPos + 28, filter, table) <= 0) return -1;
  return startPos + 8 + static_cast<int>(fields.riffSize);
}

}  // namespace presets

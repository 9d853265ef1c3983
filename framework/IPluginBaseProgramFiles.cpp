// Program and bank files of IPluginBase; the layouts are described with the members in IPluginBase.h.
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/BoundedCopy.h"
#include "framework/IPluginBase.h"
#include "platform/vst2/VST2Interface.h"

namespace fx {

namespace {

constexpr int32_t kFileMagic = vst2::FourCC('C', 'c', 'n', 'K');
constexpr int32_t kProgramParams = vst2::FourCC('F', 'x', 'C', 'k');
constexpr int32_t kProgramChunk = vst2::FourCC('F', 'P', 'C', 'h');
constexpr int32_t kBankParams = vst2::FourCC('F', 'x', 'B', 'k');
constexpr int32_t kBankChunk = vst2::FourCC('F', 'B', 'C', 'h');
constexpr int32_t kProgramVersion = 1;
constexpr int32_t kBankVersion = 2;
constexpr int kNameSize = 28;
constexpr int kProgramHeaderSize = 56;
constexpr int kBankHeaderSize = 156;
constexpr int kBankReservedSize = 124;
// Larger files are not presets of this framework; refusing them keeps a bad path from filling memory.
constexpr long kMaxFileSize = 64L << 20;

// ---- Writing ----

class FileWriter {
 public:
  void PutBE(int32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
      mBytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(v) >> shift));
  }
  void PutFloatBE(float v) { PutBE(std::bit_cast<int32_t>(v)); }
  void PutZeros(int n) { mBytes.insert(mBytes.end(), n, 0); }
  void PutName(const char* name) {
    char field[kNameSize] = {};
    CopyBounded(field, name);
    mBytes.insert(mBytes.end(), field, field + kNameSize);
  }
  void PutBytes(const uint8_t* data, int size) { mBytes.insert(mBytes.end(), data, data + size); }
  std::vector<uint8_t>& Bytes() { return mBytes; }

 private:
  std::vector<uint8_t> mBytes;
};

void PutHeader(FileWriter& w, const IPluginBase& plug, int32_t byteSize, int32_t kind, int32_t version, int32_t count) {
  w.PutBE(kFileMagic);
  w.PutBE(byteSize);
  w.PutBE(kind);
  w.PutBE(version);
  w.PutBE(plug.GetUniqueID());
  w.PutBE(plug.GetPluginVersion(true));
  w.PutBE(count);
}

// "tffp", the version in the machine's byte order, then the state or the bank.
IByteChunk MakeChunk(const IPluginBase& plug, bool bank) {
  IByteChunk chunk;
  chunk.Put(&IPluginBase::kChunkMagic);
  chunk.Put(&IPluginBase::kChunkVersion);
  if (bank)
    plug.SerializePresets(chunk);
  else
    plug.SerializeState(chunk);
  return chunk;
}

// One parameter-variant program record; values are read from a parameter-state chunk, missing ones 0.0.
void PutProgramRecord(FileWriter& w, const IPluginBase& plug, const char* name, const IByteChunk* state) {
  PutHeader(w, plug, 0, kProgramParams, kProgramVersion, plug.NParams());
  w.PutName(name);
  for (int i = 0; i < plug.NParams(); ++i) {
    const IParam& param = *plug.GetParam(i);
    double value = 0.0;
    if (!state)
      value = param.Value();
    else if (state->Get(&value, i * 8) < 0)
      value = 0.0;
    w.PutFloatBE(static_cast<float>(IPluginBase::ConstrainedNormalized(param, value)));
  }
}

bool WriteFile(const char* path, const std::vector<uint8_t>& bytes) {
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

// ---- Reading ----

class FileReader {
 public:
  explicit FileReader(const std::vector<uint8_t>& bytes) : mBytes(bytes) {}
  int Size() const { return static_cast<int>(mBytes.size()); }
  bool Has(int pos, int n) const { return pos >= 0 && n >= 0 && static_cast<int64_t>(pos) + n <= Size(); }
  int32_t BE(int pos) const {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | mBytes[pos + i];
    return static_cast<int32_t>(v);
  }
  float FloatBE(int pos) const { return std::bit_cast<float>(BE(pos)); }
  // The 28-byte name field, which a file need not terminate.
  void Name(int pos, char (&name)[kNameSize + 1]) const {
    std::memcpy(name, mBytes.data() + pos, kNameSize);
    name[kNameSize] = '\0';
  }
  const uint8_t* At(int pos) const { return mBytes.data() + pos; }

 private:
  const std::vector<uint8_t>& mBytes;
};

// A parameter-variant program record at pos holds one value for every parameter of the plug-in inside
// the file, every one finite. Reading stops after the plug-in's parameters, so a record that says it
// holds more values gives its first ones; one that ends before them is refused, as reading on would run
// past the file's end.
bool HasProgramValues(const FileReader& r, int pos, const IPluginBase& plug) {
  const int nParams = plug.NParams();
  if (!r.Has(pos, kProgramHeaderSize + 4 * nParams)) return false;
  for (int i = 0; i < nParams; ++i) {
    if (!std::isfinite(r.FloatBE(pos + kProgramHeaderSize + 4 * i))) return false;
  }
  return true;
}

// The header of a parameter-variant program record inside a bank: the right kind and version, and as
// many values as the plug-in has parameters.
bool IsBankProgramHeader(const FileReader& r, int pos, const IPluginBase& plug) {
  return r.BE(pos) == kFileMagic && r.BE(pos + 8) == kProgramParams && r.BE(pos + 12) == kProgramVersion &&
         r.BE(pos + 24) == plug.NParams();
}

void ApplyProgramValues(const FileReader& r, int pos, IPluginBase& plug) {
  for (int i = 0; i < plug.NParams(); ++i) {
    const double normalized = std::clamp(static_cast<double>(r.FloatBE(pos + kProgramHeaderSize + 4 * i)), 0.0, 1.0);
    plug.GetParam(i)->SetNormalized(normalized);
  }
}

// The chunk of a chunk-variant file, which must begin with the "tffp" header; false when it does not fit.
bool ExtractChunk(const FileReader& r, int sizePos, IByteChunk& chunk) {
  if (!r.Has(sizePos, 4)) return false;
  const int32_t size = r.BE(sizePos);
  if (size < IPluginBase::kChunkHeaderSize || !r.Has(sizePos + 4, size)) return false;
  chunk.PutBytes(r.At(sizePos + 4), size);
  int32_t magic = 0;
  return chunk.Get(&magic, 0) > 0 && magic == IPluginBase::kChunkMagic;
}

// Both readers check the whole state or bank before they change anything, so one the check refuses leaves
// the plug-in as it was. A bank slot whose state passes the check but then fails to load stops the load
// there with false after the slots before it were loaded (see IPluginBase::UnserializePresets).
bool ReadStateChunk(IPluginBase& plug, const IByteChunk& chunk) {
  return plug.UnserializeState(chunk, IPluginBase::kChunkHeaderSize) >= 0;
}

bool ReadBankChunk(IPluginBase& plug, const IByteChunk& chunk) {
  return plug.UnserializePresets(chunk, IPluginBase::kChunkHeaderSize) >= 0;
}

bool FinishProgramLoad(IPluginBase& plug, const char* name) {
  plug.ModifyCurrentPreset(name);
  plug.RestorePreset(plug.GetCurrentPresetIdx());
  plug.InformHostOfPresetChange();
  return true;
}

bool ReadFile(const char* path, std::vector<uint8_t>& bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path, "rb"), &std::fclose);
  if (!file) return false;
  uint8_t buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
    if (bytes.size() + n > static_cast<size_t>(kMaxFileSize)) return false;
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return !std::ferror(file.get());
}

std::vector<uint8_t> MakeProgramFile(const IPluginBase& plug) {
  FileWriter w;
  const char* name = plug.GetPresetName(plug.GetCurrentPresetIdx());
  if (!plug.DoesStateChunks()) {
    PutProgramRecord(w, plug, name, nullptr);
    return std::move(w.Bytes());
  }
  const IByteChunk chunk = MakeChunk(plug, false);
  PutHeader(w, plug, chunk.Size() + 60, kProgramChunk, kProgramVersion, plug.NParams());
  w.PutName(name);
  w.PutBE(chunk.Size());
  w.PutBytes(chunk.GetData(), chunk.Size());
  return std::move(w.Bytes());
}

std::vector<uint8_t> MakeBankFile(const IPluginBase& plug) {
  FileWriter w;
  const IByteChunk chunk = plug.DoesStateChunks() ? MakeChunk(plug, true) : IByteChunk();
  PutHeader(w, plug, plug.DoesStateChunks() ? chunk.Size() + 160 : 0, plug.DoesStateChunks() ? kBankChunk : kBankParams,
            kBankVersion, plug.NPresets());
  w.PutBE(plug.GetCurrentPresetIdx());
  w.PutZeros(kBankReservedSize);
  if (plug.DoesStateChunks()) {
    w.PutBE(chunk.Size());
    w.PutBytes(chunk.GetData(), chunk.Size());
  } else {
    for (int i = 0; i < plug.NPresets(); ++i) {
      const IPreset& preset = *plug.GetPreset(i);
      PutProgramRecord(w, plug, preset.mName, &preset.mChunk);
    }
  }
  return std::move(w.Bytes());
}

bool ReadProgramFile(IPluginBase& plug, const std::vector<uint8_t>& file) {
  const FileReader r(file);
  if (!r.Has(0, kProgramHeaderSize) || r.BE(0) != kFileMagic || r.BE(12) != kProgramVersion ||
      r.BE(16) != plug.GetUniqueID())
    return false;
  char name[kNameSize + 1];
  r.Name(28, name);
  const int32_t kind = r.BE(8);
  if (kind == kProgramChunk && plug.DoesStateChunks()) {
    IByteChunk chunk;
    if (!ExtractChunk(r, kProgramHeaderSize, chunk) || !ReadStateChunk(plug, chunk)) return false;
    return FinishProgramLoad(plug, name);
  }
  if (kind == kProgramParams && HasProgramValues(r, 0, plug)) {
    ApplyProgramValues(r, 0, plug);
    return FinishProgramLoad(plug, name);
  }
  return false;
}

bool ReadBankFile(IPluginBase& plug, const std::vector<uint8_t>& file) {
  const FileReader r(file);
  if (!r.Has(0, kBankHeaderSize) || r.BE(0) != kFileMagic || r.BE(16) != plug.GetUniqueID()) return false;
  const int32_t kind = r.BE(8);
  if (kind == kBankChunk && plug.DoesStateChunks()) {
    IByteChunk chunk;
    if (!ExtractChunk(r, kBankHeaderSize, chunk) || !ReadBankChunk(plug, chunk)) return false;
    plug.InformHostOfPresetChange();
    return true;
  }
  if (kind != kBankParams) return false;
  // A record of another kind, version or parameter count stops the load there with false, after the
  // records before it. A count that does not fit the slots, or a record before that stop which runs past
  // the file's end or holds a value that is not a number, refuses the file before anything changes.
  const int32_t nPrograms = r.BE(24);
  const int32_t current = r.BE(28);
  if (nPrograms < 0 || nPrograms > plug.NPresets()) return false;
  const int recordSize = kProgramHeaderSize + 4 * plug.NParams();
  int nLoaded = 0;
  for (; nLoaded < nPrograms; ++nLoaded) {
    const int pos = kBankHeaderSize + nLoaded * recordSize;
    if (!r.Has(pos, kProgramHeaderSize)) return false;
    if (!IsBankProgramHeader(r, pos, plug)) break;
    if (!HasProgramValues(r, pos, plug)) return false;
  }
  for (int k = 0; k < nLoaded; ++k) {
    const int pos = kBankHeaderSize + k * recordSize;
    plug.RestorePreset(k);
    ApplyProgramValues(r, pos, plug);
    char name[kNameSize + 1];
    r.Name(pos + 28, name);
    // The record goes into slot k, also when the slot's former state could not be restored (the current
    // slot is then another one): named first, as the product's state may carry the name.
    IPreset& slot = *plug.GetPreset(k);
    if (name[0]) slot.mName.Set(name);
    slot.mInitialized = true;
    slot.mChunk.Clear();
    plug.SerializeState(slot.mChunk);
  }
  if (nLoaded < nPrograms) return false;
  // A current index outside the slots restores nothing; the records are loaded all the same.
  plug.RestorePreset(current);
  plug.InformHostOfPresetChange();
  return true;
}

}  // namespace

bool IPluginBase::SaveProgramFile(const char* path) const {
  return path && path[0] && WriteFile(path, MakeProgramFile(*this));
}

bool IPluginBase::SaveBankFile(const char* path) const {
  return path && path[0] && WriteFile(path, MakeBankFile(*this));
}

bool IPluginBase::LoadProgramFile(const char* path) {
  std::vector<uint8_t> bytes;
  return path && path[0] && ReadFile(path, bytes) && ReadProgramFile(*this, bytes);
}

bool IPluginBase::LoadBankFile(const char* path) {
  std::vector<uint8_t> bytes;
  return path && path[0] && ReadFile(path, bytes) && ReadBankFile(*this, bytes);
}

}  // namespace fx

// The plug-in base: identity and version numbers, the preset slots, and the framework's default state
// format (every parameter value as an 8-byte little-endian double in index order). It initialises, copies,
// defaults and randomises ranges or groups of parameters, builds presets from values, chunks or Base64
// text, restores presets by index or name, serialises the whole bank and writes preset source text.
//
// Bank format, for every slot in index order: i32 name length n, the n name bytes, one initialised byte
// (0 or 1), then only for an initialised slot its state bytes without a length (a reader finds their end
// by unserialising them).
//
// Program (".fxp") and bank (".fxb") files hold the current preset or every preset slot in the published
// VST 2 layouts: big-endian 32-bit header fields, parameter values as big-endian singles in the normalized
// 0..1 range. A plug-in whose state is a chunk writes the chunk variants ("FPCh", "FBCh"), any other the
// parameter variants ("FxCk", "FxBk").
//
// Threads: everything runs on the main thread (construction, the host's requests, editor commands);
// parameter values are stored by atomic exchange, so the audio thread may read them meanwhile, and the
// current preset index is atomic, so the editor's thread may read it while a host's thread restores a
// preset.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "framework/Config.h"
#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "framework/HostIdentification.h"
#include "framework/IGEditorDelegate.h"
#include "framework/IPreset.h"

namespace fx {

class IPluginBase : public gfx::IGEditorDelegate {
 public:
  using ParamFunc = std::function<void(int paramIdx, IParam& param)>;

  // The outer header of every state or bank chunk exchanged with a host or a program file: the 32-bit value
  // 0x70666674 stored little-endian (the bytes "tffp"), then the 32-bit version 0x10000.
  static constexpr int32_t kChunkMagic = 0x70666674;
  static constexpr int32_t kChunkVersion = 0x10000;
  static constexpr int kChunkHeaderSize = 8;

  IPluginBase(int nParams, int nPresets);
  ~IPluginBase() override;

  // ---- Hooks ----

  // Main thread. A notification nothing in the framework sends. Default: nothing.
  virtual void PluginBaseNotifyHook();
  // Appends the plug-in's state. Default: SerializeParams.
  virtual bool SerializeState(IByteChunk& chunk) const;
  // Reads the plug-in's state at startPos; the position after it, or -1 with nothing changed (a refused
  // state leaves every parameter as it was, so no caller needs a backup). Default: UnserializeParams.
  virtual int UnserializeState(const IByteChunk& chunk, int startPos);
  // Main thread. A query nothing in the framework asks. Default: true.
  virtual bool PluginBaseQueryHook();
  // Main thread. Reads state a plug-in keeps beyond its own at startPos; the position after it. Nothing
  // in the framework calls it. Default: startPos unchanged.
  virtual int ReadExtraStateHook(const IByteChunk& chunk, int startPos);
  // Tells the host that the current preset changed. Default: nothing.
  virtual void InformHostOfPresetChange();
  // After a preset slot or the current index changed. Default: nothing.
  virtual void OnPresetsModified();
  // Checks, without changing anything, that UnserializeState would take the state at startPos; the
  // position after it, or -1. Default: CheckParams.
  virtual int CheckState(const IByteChunk& chunk, int startPos);

  // ---- Identity ----

  // The version packed as major << 16 | minor << 8 | patch, or major x 1000 + minor x 100 + patch x 10.
  int GetPluginVersion(bool decimal) const;
  int GetHostVersion(bool decimal) const;
  // "v%d.%d.%d" of major, minor and patch.
  void GetPluginVersionStr(FwString& str) const;
  void GetHostVersionStr(FwString& str) const;
  // "VST2", "VST3", "AU", "AUv3", "AAX", "APP", "WAM", "WEB", "CLAP"; "" for any other API.
  const char* GetAPIString() const;
  // The processor the module was built for: "x86-64", "aarch64", "i686", "arm", "riscv64", "powerpc64le",
  // "s390x", or "unknown".
  const char* GetArchString() const;
  // "<version> <API> (<arch>), built on <date> at <first five characters of time> ", at most 256 characters.
  void GetBuildInfoStr(FwString& str, const char* date, const char* time) const;
  const char* GetPluginName() const { return mPluginName.Get(); }
  const char* GetProductName() const { return mProductName.Get(); }
  const char* GetMfrName() const { return mMfrName.Get(); }
  int GetUniqueID() const { return mUniqueID; }
  int GetMfrID() const { return mMfrID; }
  // Any thread: the host is named on the main thread while the audio thread may already ask.
  EHost GetHost() const { return mHost.load(std::memory_order_acquire); }
  EAPI GetAPI() const { return mAPI; }
  bool DoesStateChunks() const { return mStateChunks; }

  // ---- Parameter state ----

  // Appends every parameter's value; true when the chunk is non-empty afterwards or there are no parameters.
  bool SerializeParams(IByteChunk& chunk) const;
  // Reads one value per parameter from startPos and answers the position after them. When the chunk does
  // not hold them all nothing changes and the answer is -1. With a negative startPos or no parameters only
  // OnParamReset(kPresetRecall) runs and startPos is answered; after a full read it runs too.
  int UnserializeParams(const IByteChunk& chunk, int startPos);
  // The position UnserializeParams would answer, or -1 when the chunk does not hold every value.
  int CheckParams(const IByteChunk& chunk, int startPos) const;

  // ---- Parameter operations ("set": rounded to the step when stepped, clamped, atomic exchange) ----

  // InitDouble of startIdx..endIdx, each named by nameFmtStr with a counter from countStart (32 characters).
  void InitParamRange(int startIdx, int endIdx, int countStart, const char* nameFmtStr, double defaultVal,
                      double minVal, double maxVal, double step, const char* label = "", int flags = 0,
                      const char* group = "", const IParam::Shape& shape = IParam::ShapeLinear(),
                      EParamUnit unit = kUnitCustom, IParam::DisplayFunc displayFunc = nullptr);
  // Parameter startIdx + k becomes a copy of cloneStartIdx + k (IParam::Init) and is set to its value.
  void CloneParamRange(int cloneStartIdx, int cloneEndIdx, int startIdx, const char* searchStr = "",
                       const char* replaceStr = "", const char* newGroup = "");
  void CopyParamValues(int startSrcIdx, int startDestIdx, int nParams);
  // The k-th parameter of outGroup is set to the value of the k-th of inGroup, for as many pairs as exist.
  void CopyParamValues(const char* inGroup, const char* outGroup);
  void ForParamInRange(int startIdx, int endIdx, const ParamFunc& func);
  void ForParamInGroup(const char* group, const ParamFunc& func);
  // The defaults, neither rounded nor clamped.
  void DefaultParamValues();
  void DefaultParamValues(int startIdx, int endIdx);
  void DefaultParamValues(const char* group);
  // Each parameter set to the shape's value of rand() x 2^-31 (single precision).
  void RandomiseParamValues();
  void RandomiseParamValues(int startIdx, int endIdx);
  void RandomiseParamValues(const char* group);
  // Visits every parameter and prints nothing.
  void PrintParamValues();

  // ---- Presets ----

  int NPresets() const { return mPresets.GetSize(); }
  // Any thread.
  int GetCurrentPresetIdx() const { return mCurrentPresetIdx.load(std::memory_order_acquire); }
  // The slot, null when idx is out of range.
  IPreset* GetPreset(int idx) const { return mPresets.Get(idx); }
  // nPresets times, the first free slot takes the current state, named name ("Empty" for null).
  void MakeDefaultPreset(const char* name = nullptr, int nPresets = 1);
  // Every free slot takes the current state, named "Empty".
  void EnsureDefaultPreset();
  // The first free slot takes one value per parameter in index order: an int for bool, int and enum
  // parameters, a double otherwise; stored as they are. Nothing when no slot is free.
  void MakePreset(const char* name, ...);
  // The first free slot takes nParamsNamed pairs (int index, then the value as in MakePreset) and the
  // current value for every parameter not named. Reading stops at the first index outside the list.
  void MakePresetFromNamedParams(const char* name, int nParamsNamed, ...);
  void MakePresetFromChunk(const char* name, const IByteChunk& chunk);
  // Decodes standard Base64 into sizeOfChunk zero-filled bytes, up to the first character outside the
  // alphabet or until the bytes are full. A negative size is refused.
  void MakePresetFromBlob(const char* name, const char* blob, int sizeOfChunk);
  // Deletes every free slot; answers the number left.
  int PruneUninitializedPresets();
  // An initialised slot's state is loaded (false when that fails); a free slot is named "user preset N"
  // and takes the current state. Then it becomes current, OnPresetsModified and OnRestoreState follow.
  bool RestorePreset(int idx);
  // The first slot with exactly this name; false for null, "" or no match.
  bool RestorePreset(const char* name);
  // "" when idx is out of range, else the reading thread's copy of the slot's name (see SharedText::Get).
  const char* GetPresetName(int idx) const;
  // The current slot takes the current state, and name when that is not null or empty.
  void ModifyCurrentPreset(const char* name = nullptr);
  bool SerializePresets(IByteChunk& chunk) const;
  // Reads the bank format at startPos into the slots: every slot's header and state is checked first
  // (CheckState), then the slots take their names, each initialised slot's state is loaded and its chunk
  // refilled by SerializeState, and the current preset is restored. Answers the position after the last
  // slot, or -1 with nothing changed when any slot is missing or refused. A state that passed the check
  // but fails to load stops the load at its slot with -1: the slots before it are loaded, that slot takes
  // the bank's name and keeps its chunk and flag, the current preset is restored. Names are cut to the
  // slot.
  int UnserializePresets(const IByteChunk& chunk, int startPos);

  // ---- Program and bank files (main thread; block on file I/O) ----

  // False for a null or empty path or when the file cannot be written completely.
  bool SaveProgramFile(const char* path) const;
  bool SaveBankFile(const char* path) const;
  // False for a null or empty path, a file that cannot be read, or contents the plug-in refuses. A file is
  // checked against its own size and the plug-in before anything changes: one that is short (fewer values
  // than the plug-in has parameters), names another plug-in, carries a program count that does not fit
  // the slots, or whose state cannot be read is refused and the plug-in keeps its state. A program file's
  // parameter count is not compared: the parameters take its first values in order. A bank stops with
  // false at a record of another kind or parameter count, after loading the records before it; a bank
  // whose current index lies outside the slots loads and restores no slot at the end. A chunk bank one of
  // whose slot states passes the check but then fails to load stops with false as UnserializePresets does,
  // without telling the host.
  bool LoadProgramFile(const char* path);
  bool LoadBankFile(const char* path);

  // ---- Preset source text for developers (appended to the file; nothing when it cannot be opened) ----

  void DumpMakePresetSrc(const char* path) const;
  void DumpMakePresetFromNamedParamsSrc(const char* path, const char* paramEnumNames[]) const;
  void DumpPresetBlob(const char* path) const;

 private:
  // Set only by the preset operations.
  std::atomic<int> mCurrentPresetIdx{0};

 protected:
  // Set by the API base from the configuration and by host identification.
  bool mStateChunks = false;
  FwString mPluginName;
  FwString mProductName;
  FwString mMfrName;
  int mUniqueID = 0;
  int mMfrID = 0;
  int mVersion = 0;
  int mHostVersion = 0;
  std::atomic<EHost> mHost{kHostUninit};
  EAPI mAPI = kAPIVST2;

 private:
  IPreset* FirstFreePreset() const;
  void InitialisePreset(IPreset& preset, const char* name);
  int CountPresetsNamedLike(const char* text) const;
  bool ReadPresetHeader(const IByteChunk& chunk, int& pos, IPreset& preset) const;
  void ParamValueText(int paramIdx, char* text, int capacity) const;
  const char* CurrentPresetName() const;

  FwPtrList<IPreset> mPresets;
};

}  // namespace fx

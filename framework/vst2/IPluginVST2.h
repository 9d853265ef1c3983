// fx::IPluginVST2 binds a plug-in to the VST 2.4 interface: it owns the effect record the entry point
// hands to the host, keeps the host callback, and turns the record's dispatcher, parameter and process
// callbacks into calls on the framework's virtual operations. The product class derives from it.
//
// Files by role: IPluginVST2.cpp (construction, effect record, parameter get and set),
// IPluginVST2Dispatcher.cpp (the dispatcher and its requests), IPluginVST2Audio.cpp (the process
// callbacks, the preparation before each block and every call to the host).
#pragma once

#include <array>
#include <atomic>
#include <climits>
#include <cstdint>
#include <mutex>
#include <vector>

#include "framework/IByteChunk.h"
#include "framework/IPluginAPIBase.h"
#include "framework/IPluginProcessor.h"
#include "platform/vst2/VST2Interface.h"

namespace fx {

// What the entry point passes to the plug-in's constructor.
struct InstanceInfo {
  vst2::HostCallback mHostCallback = nullptr;
};

class IPluginVST2 : public IPluginAPIBase, public IPluginProcessor {
 public:
  // The largest block size a host may announce, or the plug-in grows to for a longer block; larger ones are
  // refused (a block of this size already needs several megabytes of scratch per channel). A block longer
  // than the built size, up to this limit, first grows the block size and resets the plug-in; a block past
  // the limit runs in pieces of the built size.
  static constexpr int kMaxBlockSize = 1 << 20;
  // The sample rates a host may set; others are refused and the last good rate stays. Sample counts of a
  // few seconds at the highest rate still fit an int.
  static constexpr double kMinSampleRate = 1.0;
  static constexpr double kMaxSampleRate = 1e7;

  // Main thread; allocates. Builds the record, connects every channel and sets a block size of 512. The
  // 20 ms timer is not started here: a tick on another thread would reach the product while its
  // constructor still runs; the entry point starts it once the instance is whole (CreateVST2Instance).
  IPluginVST2(const InstanceInfo& info, const Config& config);
  ~IPluginVST2() override;

  // The record the entry point returns; its address is fixed for the plug-in's life.
  vst2::EffectRecord& GetEffectRecord() { return mEffect; }

  // ---- Host-facing operations of the framework (bodies: IPluginVST2Audio.cpp) ----

  // Main thread (editor gestures) or the thread that made the change; never blocks on the plug-in.
  void BeginInformHostOfParamChange(int idx) override;
  void EndInformHostOfParamChange(int idx) override;
  void InformHostOfParamChange(int idx, double normalizedValue) override;
  void InformHostOfPresetChange() override;
  // Main thread. False without an editor or when the size is unchanged; else the host's answer.
  bool EditorResize(int width, int height) override;
  // Main thread, from SetHost: two channels each way for hosts that cannot connect more, then the record's
  // channel counts and the arrangements follow the processor.
  void HostIdentifiedHook() override;
  // Main thread, between blocks. Updates the record's initial delay and tells the host, which may re-read
  // the record from inside that call; arrangement requests made meanwhile are refused. A latency the
  // processor refuses changes nothing here either.
  void SetLatency(int samples) override;
  // Audio thread; never allocates: the event lives on the stack for the call. True when the host took it.
  bool SendMidiMsg(const IMidiMsg& msg) override;
  bool SendSysEx(const ISysEx& msg) override;
  // Audio thread. Sends one ready-made event the same way; a null event is not sent and answers false.
  bool SendVSTEvent(vst2::Event* event);

  // ---- Extension points for the product (main thread) ----

  // Vendor-specific requests the binding does not answer itself; 0 by default.
  virtual intptr_t VendorSpecificHook(int index, intptr_t value, void* ptr, float opt);
  // Can-do strings the binding does not answer itself; 0 by default.
  virtual intptr_t CanDoHook(const char* text);

 protected:
  // Main thread. Sets the rectangle to the editor's size.
  void UpdateEditorRect();

 private:
  // ---- The record's entry functions ----
  // The plug-in behind a record the host hands back; null for a null record.
  static IPluginVST2* FromRecord(vst2::EffectRecord* effect);
  static intptr_t Dispatcher(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt);
  static void Process(vst2::EffectRecord* effect, float** inputs, float** outputs, int32_t frames);
  static void ProcessReplacing(vst2::EffectRecord* effect, float** inputs, float** outputs, int32_t frames);
  static void ProcessDoubleReplacing(vst2::EffectRecord* effect, double** inputs, double** outputs, int32_t frames);
  static void SetParameter(vst2::EffectRecord* effect, int32_t index, float normalized);
  static float GetParameter(vst2::EffectRecord* effect, int32_t index);

  void InitEffectRecord(const Config& config);
  void UpdateArrangements();

  // ---- Dispatcher requests (main thread; IPluginVST2Dispatcher.cpp) ----
  intptr_t Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t DispatchProgramRequest(int32_t opcode, int32_t index, intptr_t value, void* ptr);
  intptr_t DispatchParameterRequest(int32_t opcode, int32_t index, void* ptr);
  intptr_t DispatchProcessingRequest(int32_t opcode, intptr_t value, float opt);
  intptr_t DispatchEditorRequest(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t DispatchInfoRequest(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  intptr_t Open();
  intptr_t GetChunk(bool isBank, void* ptr);
  intptr_t SetChunk(bool isBank, intptr_t size, const void* data);
  bool ReadChunk(bool isBank);
  intptr_t ProcessEvents(const vst2::Events* events);
  intptr_t StringToParameter(int index, const char* text);
  intptr_t PinProperties(ERoute direction, int index, void* ptr);
  intptr_t ParameterProperties(int index, void* ptr);
  intptr_t SetSpeakerArrangement(const vst2::SpeakerArrangement* input, const vst2::SpeakerArrangement* output);
  intptr_t VendorSpecific(int index, intptr_t value, void* ptr, float opt);
  intptr_t CanDo(const char* text);
  intptr_t TailSize() const;
  intptr_t KeyEvent(bool down, int character, intptr_t vstKey, float modifiers);
  bool IsValidParamIdx(intptr_t idx) const { return idx >= 0 && idx < NParams(); }

  // A reconfiguring request (rate, block size, activation, arrangement) as the dispatcher took it, after its
  // checks: the opcode with its value or rate, and for an arrangement the channel counts of each side (-1 for a
  // side the host left out).
  struct Reconfiguration {
    int32_t opcode = 0;
    intptr_t value = 0;
    float rate = 0.0f;
    int32_t inputs = -1;
    int32_t outputs = -1;
  };
  // The requests a host may make from inside one block's calls to it; later ones are refused.
  static constexpr int kMaxDeferredRequests = 16;
  // Any thread; takes the processing guard. Applies the request, or, when the calling thread is inside a
  // block (a host answering one of the block's calls), queues it for right after that block. The answer is 1
  // when applied or queued, 0 when refused.
  intptr_t Reconfigure(const Reconfiguration& request);
  // Holding the processing guard, between blocks.
  void ApplyReconfiguration(const Reconfiguration& request);
  // Audio thread, holding the processing guard, right after a block: the queued requests in the order received.
  void ApplyDeferredRequests();

  // Main thread, holding the processing guard. Takes a new rate and block size and resets. When the reset
  // throws (a size the plug-in cannot build), the previous rate and block size are reset again and the
  // answer is false.
  bool ApplyRateAndBlockSize(double sampleRate, int blockSize);

  // ---- Audio thread (IPluginVST2Audio.cpp) ----
  // The block of a process callback while no host thread reconfigures the plug-in (see mProcessingGuard);
  // while one does, the replacing callbacks answer silence and the accumulating one leaves its outputs.
  template <typename Sample, typename ProcessPiece>
  void ProcessGuardedBlock(Sample** inputs, Sample** outputs, int32_t frames, bool replacing, ProcessPiece process);
  // One host block: the preparation, then process (the frames of one piece) over the block in pieces of
  // at most the built block size, each with its buffers attached and its transport, then the SysEx for the
  // host. A negative frame count counts as 0; a block of 0 frames is one piece of 0. The first piece's
  // buffers are attached before the host is asked for the time and the editor's MIDI reaches the plug-in.
  template <typename Sample, typename ProcessPiece>
  void ProcessHostBlock(Sample** inputs, Sample** outputs, int32_t frames, ProcessPiece process);
  // The host's channel pointers advanced by offset frames, in the scratch array of that sample type.
  template <typename Sample>
  Sample** OffsetChannels(ERoute direction, Sample** channels, int offset);
  template <typename Sample>
  void SilenceOutputs(Sample** outputs, int32_t frames) const;
  // Announces MIDI, grows the block size for a longer block, then follows the host's process level (a
  // change resets the plug-in).
  void PrepareBlock(int nFrames);
  // Allocates. The block size becomes nFrames, then the plug-in resets; unless nFrames is past
  // kMaxBlockSize or at least a size that failed before. A size whose buffers cannot be made, or whose
  // reset throws, leaves the built size (reset again after a throw) and is remembered as failed.
  void GrowBlockSize(int nFrames);
  void UpdateTimeInfo();
  void DrainMidiToProcessor();
  void SendQueuedSysEx();
  intptr_t CallHost(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);

  // Held by the audio thread for each block (taken with a try-lock that never waits) and by the host's
  // reconfiguring requests (rate, block size, arrangement, activation and the reset of a suspend), which so wait
  // at most for the block in progress and never change the channels' buffers or the plug-in's processing state
  // under it. Recursive: a host may reconfigure from inside a call the plug-in makes while it holds the
  // guard (the I/O-changed call of a reset on either thread). A request made so by the thread inside a block
  // is deferred to the block's end (see Reconfigure): a block always runs whole with the settings it began
  // with. Lock order: this guard, then the plug-in's own locks (the product's reset and ProcessBlock take its
  // DSP mutex inside it); a plug-in holding a lock of its own must not make a host call that may come back as
  // a reconfiguring request.
  std::recursive_mutex mProcessingGuard;
  // Whether the thread holding the processing guard is inside a block, and the requests it made meanwhile;
  // read and written only under the guard.
  bool mInBlock = false;
  std::array<Reconfiguration, kMaxDeferredRequests> mDeferred{};
  int mNDeferred = 0;
  vst2::EditorRect mEditorRect{};
  vst2::SpeakerArrangement mInputArrangement{};
  vst2::SpeakerArrangement mOutputArrangement{};
  std::atomic<uint32_t> mCockosFlags{0};
  IByteChunk mProgramChunk{4096};
  IByteChunk mBankChunk{4096};
  std::atomic<bool> mInIOChanged{false};
  vst2::EffectRecord mEffect{};
  vst2::HostCallback mHostCallback = nullptr;
  // The SysEx entry copied out of the queue for the host's call; audio thread only.
  SysExData mSysExScratch{};
  // The smallest block size GrowBlockSize failed to build; audio thread only.
  int mRefusedBlockSize = INT_MAX;
  // Channel pointers of a piece after the first, sized once at construction; audio thread only.
  std::vector<float*> mPieceFloats[2];
  std::vector<double*> mPieceDoubles[2];
};

}  // namespace fx

// The audio side of a plug-in: the channel layouts it accepts (parsed from the configuration's channel-I/O
// text), one record per possible input and output channel, the host's buffers attached to them (single
// precision converted to the double samples the plug-in processes), the plug-in's ProcessBlock, pass-
// through with the reported latency while bypassed, and latency, tail, sample rate, block size and the
// host's transport.
//
// Threads: construction, connections, labels, latency and block size come from the main thread between
// blocks; attach, process and pass-through run on the audio thread and never allocate, lock or do I/O.
// Values both sides read (bypass, offline, sample rate, block size, latency, tail) are atomics.
#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include "framework/Config.h"
#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "framework/FwTypedBuf.h"
#include "framework/IChannelData.h"
#include "framework/IMidiMsg.h"
#include "framework/IOConfig.h"
#include "framework/ITimeInfo.h"
#include "framework/LatencyDelay.h"

namespace fx {

class IPluginProcessor {
 public:
  static constexpr double kDefaultSampleRate = 48000.0;

  // Main thread; allocates.
  explicit IPluginProcessor(const Config& config);
  virtual ~IPluginProcessor();
  IPluginProcessor(const IPluginProcessor&) = delete;
  IPluginProcessor& operator=(const IPluginProcessor&) = delete;

  // ---- Hooks of the plug-in ----

  // Audio thread; must not allocate, lock against the editor or block. Default: copies input channel i to
  // output channel i where both exist and zeroes every other output.
  virtual void ProcessBlock(double** inputs, double** outputs, int nFrames);
  // Audio thread, before the block; must not block. Default: sends the message on (SendMidiMsg).
  virtual void ProcessMidiMsg(const IMidiMsg& msg);
  // Audio thread; must not block. Default: nothing.
  virtual void ProcessSysEx(const ISysEx& msg);
  // Main thread, or the audio thread when offline rendering changes. May throw when the plug-in cannot be
  // built for the rate or block size (the binding then keeps the previous ones). Default: nothing.
  virtual void OnReset();
  // Main thread. Default: nothing.
  virtual void OnActivate(bool active);
  // Main thread. Default: nothing.
  virtual void OnBypassChanged(bool bypassed);
  // Audio thread; must not block. The binding sends the message to the host; true when the host took it.
  virtual bool SendMidiMsg(const IMidiMsg& msg) = 0;
  // Audio thread. Sends every message in order; true when every send answered true (also when empty).
  virtual bool SendMidiMsgs(FwTypedBuf<IMidiMsg>& msgs);
  // Audio thread. Default: false (nothing sent).
  virtual bool SendSysEx(const ISysEx& msg);
  // Any thread; must not block. The gain the plug-in applies now, 1.0 by default.
  virtual double GetGainReduction() const;
  // Main thread. Outputs: "Output", or "Output %i" of busIdx with several buses. Inputs: "Input" for one
  // bus, "Main" and "Aux" for two, else "Input %i" of busIdx. At most 32 characters.
  virtual void GetBusName(ERoute direction, int busIdx, int nBuses, FwString& str) const;
  // Main thread. Stores the latency; a latency delay, when one exists, restarts with the new length before
  // the next block (a longer one than before allocates here, never on the audio thread, and may come while
  // audio runs). Negative is refused, and so is a latency the existing delay cannot hold (see
  // LatencyDelay::SetLength): the latency stays.
  virtual void SetLatency(int samples);
  // Main thread. Stores the tail in samples; negative is refused.
  virtual void SetTailSize(int tailSize);

  // ---- Configuration queries (any thread; the configurations never change after construction) ----

  static int ParseChannelIOStr(const char* text, FwPtrList<IOConfig>& configs, int& maxNInChans, int& maxNOutChans,
                               int& maxNInBuses, int& maxNOutBuses);
  int NIOConfigs() const { return mIOConfigs.GetSize(); }
  const IOConfig* GetIOConfig(int idx) const { return mIOConfigs.Get(idx); }
  // Largest bus count of the direction; configIdx (when given) gets the last configuration having it.
  int MaxNBuses(ERoute direction, int* configIdx = nullptr) const;
  // First configuration whose buses have exactly these channel counts in order; -1 when none.
  int GetIOConfigWithChanCounts(std::vector<int>& inputBuses, std::vector<int>& outputBuses) const;
  // -1 when the first configuration has a wildcard bus of that direction; else the largest channel count
  // of that bus over all configurations (0 when none has it).
  int MaxNChannelsForBus(ERoute direction, int busIdx) const;
  // True when one configuration has nIn input and nOut output channels in total (a negative count: any).
  bool LegalIO(int nIn, int nOut) const;
  // Number of possible channels of the direction (the largest channel total of the configurations).
  int MaxNChannels(ERoute direction) const { return mChannelData[direction].GetSize(); }
  int GetPluginType() const { return mPlugType; }
  // The plug-in type as a four-character code, big-endian: "aumi", "aumu", "aumf" or "aufx".
  int GetPluginTypeCode() const;
  bool DoesMIDIIn() const { return mDoesMIDIIn; }
  bool DoesMIDIOut() const { return mDoesMIDIOut; }
  bool DoesMPE() const { return mDoesMPE; }

  // ---- Channel set-up (main thread, between blocks) ----

  // Channels first .. first + count - 1 that exist take the flag; every one of them points at its scratch
  // buffer until the next attach.
  void SetChannelConnections(ERoute direction, int first, int count, bool connected);
  bool IsChannelConnected(ERoute direction, int idx) const;
  int NChannelsConnected(ERoute direction) const;
  // Keeps two channels each way: channels from index 2 on are disconnected and point at their scratch.
  void RestrictToTwoChannels();
  // The label is formatStr formatted with idx (zeroBased) or idx + 1, at most 32 characters.
  void SetChannelLabel(ERoute direction, int idx, const char* formatStr, bool zeroBased = false);
  // "" when the channel does not exist or has no label.
  const char* GetChannelLabel(ERoute direction, int idx) const;
  // Main thread, between blocks; allocates. Resizes and zeroes every scratch buffer, then stores the size;
  // nothing when unchanged or negative. When a buffer cannot be made, the buffers keep the old size and so
  // does the block size (GetBlockSize tells).
  void SetBlockSize(int blockSize);
  // Audio or main thread; never allocates. Zeroes every scratch buffer for one block.
  void ZeroScratchBuffers();
  // Main thread; allocates. A fresh latency delay of the current latency, when there are input channels;
  // none at all when it cannot hold the latency.
  void InitLatencyDelay();

  // ---- Per block (audio thread; never allocate, lock or block) ----

  // Walking channels first .. first + count - 1 that exist, each connected channel takes the next host
  // pointer (a null array or pointer: the channel uses its zeroed scratch buffer instead).
  void AttachBuffers(ERoute direction, int first, int count, double** data, int nFrames);
  // The same walk with single-precision host buffers: an input converts its samples into its scratch
  // buffer; an output points at its scratch buffer and remembers the host buffer as its destination.
  void AttachBuffers(ERoute direction, int first, int count, float** data, int nFrames);
  // ProcessBlock over the attached buffers, every disconnected input reading silence. The float variant then converts
  // every connected output into its destination; the accumulating variant adds to it. A block is processed up to the
  // block size only.
  void ProcessBuffers(double sampleType, int nFrames);
  void ProcessBuffers(float sampleType, int nFrames);
  void ProcessBuffersAccumulating(int nFrames);
  // While bypassed: the inputs (silence for a disconnected one) delayed by the latency (or copied without
  // one) instead of ProcessBlock.
  void PassThroughBuffers(double sampleType, int nFrames);
  void PassThroughBuffers(float sampleType, int nFrames);

  // ---- Shared state ----

  double GetSampleRate() const { return mSampleRate.load(std::memory_order_acquire); }
  // Main thread. Non-finite or non-positive rates are refused.
  void SetSampleRate(double sampleRate);
  int GetBlockSize() const { return mBlockSize.load(std::memory_order_acquire); }
  int GetLatency() const { return mLatency.load(std::memory_order_acquire); }
  int GetTailSize() const { return mTailSize.load(std::memory_order_acquire); }
  bool GetBypassed() const { return mBypassed.load(std::memory_order_acquire); }
  void SetBypassed(bool bypassed) { mBypassed.store(bypassed, std::memory_order_release); }
  bool GetRenderingOffline() const { return mRenderingOffline.load(std::memory_order_acquire); }
  void SetRenderingOffline(bool offline) { mRenderingOffline.store(offline, std::memory_order_release); }
  // Audio thread: the binding fills it before each block, ProcessBlock reads it.
  const ITimeInfo& GetTimeInfo() const { return mTimeInfo; }
  void SetTimeInfo(const ITimeInfo& timeInfo) { mTimeInfo = timeInfo; }
  // Sample rate x 60 / tempo; 0 when the tempo is not above 0.
  double GetSamplesPerBeat() const;

 protected:
  // The default processing: copy matching channels, zero the rest.
  void CopyInputsToOutputs(double** inputs, double** outputs, int nFrames) const;

 private:
  int ClampToBlock(int nFrames) const;
  bool ResizeScratchBuffers(int nFrames);
  IChannelData* Channel(ERoute direction, int idx) const { return mChannelData[direction].Get(idx); }
  void CreateChannels(ERoute direction, int count);
  void ConvertOutputs(int nFrames, bool accumulate);
  void SilenceDisconnectedInputs(int nFrames);

  const int mPlugType;
  const bool mDoesMIDIIn;
  const bool mDoesMIDIOut;
  const bool mDoesMPE;
  std::atomic<int> mLatency;
  std::atomic<double> mSampleRate{kDefaultSampleRate};
  std::atomic<int> mBlockSize{0};
  std::atomic<int> mTailSize{0};
  std::atomic<bool> mBypassed{false};
  std::atomic<bool> mRenderingOffline{false};
  FwPtrList<IOConfig> mIOConfigs;
  FwTypedBuf<double*> mChannelPointers[2];  // sized once at construction; channel records point into them
  FwPtrList<IChannelData> mChannelData[2];
  std::unique_ptr<LatencyDelay> mLatencyDelay;
  ITimeInfo mTimeInfo;
};

}  // namespace fx

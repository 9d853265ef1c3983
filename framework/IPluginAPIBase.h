// The plug-in API base, between the plug-in base and a host binding (VST 2): keeps the configuration's
// names, identity, flags and editor size, identifies the host, owns the five queues between the audio side
// and the editor, and owns the 20 ms main-thread timer whose tick drains the queues into the editor and
// then runs the plug-in's idle work. It also carries the default bodies of the host-facing operations.
//
// Queues (capacity, usable entries): parameter changes to the editor (513, 512), MIDI to the processor
// and from it (33, 32 each), SysEx to the processor and from it (5, 4 each, 512 data bytes per entry).
// Any thread may push and any thread may pop; no push ever blocks, a push into a full queue is dropped.
#pragma once

#include <atomic>
#include <memory>

#include "framework/Config.h"
#include "framework/FwString.h"
#include "framework/FwTypedBuf.h"
#include "framework/IPluginBase.h"
#include "framework/IRingQueue.h"
#include "framework/Timer.h"

namespace fx {

class IPluginAPIBase : public IPluginBase {
 public:
  static constexpr int kParamQueueCapacity = 513;
  static constexpr int kMidiQueueCapacity = 33;
  static constexpr int kSysExQueueCapacity = 5;
  static constexpr int kMaxSysExBytes = 512;
  static constexpr uint32_t kTimerIntervalMs = 20;
  static constexpr int kMaxNameLen = 128;

  // Which parameter changed; the drain sends the value it has then.
  struct ParamChange {
    int idx;
  };
  struct SysExData {
    int mOffset;
    int mSize;
    uint8_t mData[kMaxSysExBytes];
  };

  // Main thread; allocates the queues. Names keep at most their first 128 characters; editor size limits
  // are stored ordered.
  IPluginAPIBase(const Config& config, EAPI api);
  // Main thread. Stops the timer before anything else goes.
  ~IPluginAPIBase() override;

  // Main thread. Starts (or restarts) the 20 ms tick; the VST 2 entry point calls it once the plug-in is
  // wholly built, since a tick may come at once on another thread.
  void CreateTimer();
  // Any non-audio thread holding no editor lock. No tick starts afterwards, and a tick running on another
  // thread (any thread may pump the main loop) has ended when it returns. The binding calls it before it
  // deletes the plug-in: a tick reaches the most derived class, which goes first.
  void StopTimer();
  // Any non-audio thread, from the timer. With an editor configured (open or not): drains the parameter queue into
  // SendParameterValueFromDelegate (each changed parameter's value at the drain), then the MIDI and SysEx queues
  // from the processor into SendMidiMsgFromDelegate and SendSysexMsgFromDelegate. Then always OnIdle.
  void OnTimer(Timer& timer);

  // Main thread. Stores the host's name and packed version, identifies it, then HostIdentifiedHook and
  // LateHostIdentifiedHook. A null name counts as "".
  void SetHost(const char* host, int version);
  // Any thread; never blocks.
  static EHost LookUpHost(const char* host) { return fx::LookUpHost(host); }

  // Editor thread. Stores the value from its normalized form, tells the host (automation) and runs
  // OnParamChange(index, kUI, -1). An invalid index is ignored, and so is every call while IsEditorDetaching.
  void SetParameterValue(int paramIdx, double normalizedValue);

  // ---- Virtual operations added here ----

  // Main thread. True when the data, read as doubles from element startPos on (one per parameter), matches
  // every current value within 0.00001 in single precision. Only the dataSize bytes are read: too few of
  // them, or a negative startPos, answer false. True when there are no parameters.
  virtual bool CompareState(const uint8_t* data, int dataSize, int startPos) const;
  // Any thread. Queries and notifications the framework keeps for plug-ins; nothing in it calls them.
  // Defaults: the queries answer 0, the notifications do nothing.
  virtual int APIQueryHookA();
  virtual int APIQueryHookB();
  // Main thread, after HostIdentifiedHook. Default: nothing.
  virtual void LateHostIdentifiedHook();
  // Main thread. When 0 < n < number of parameters (the full count excluded), appends 0 .. n-1 to the list;
  // otherwise nothing.
  virtual void GetParamIndices(int n, FwTypedBuf<int>& list) const;
  // Any thread; nothing in the framework calls it. Default: true when a + b is 0.
  virtual bool PairTestHook(int a, int b);
  virtual void APINotifyHookA();
  // Main thread. The name of a MIDI note for the host, at most 64 bytes. Default: clears it, false.
  virtual bool GetMidiNoteText(int note, char* text) const;
  // Main thread. The open editor view (the graphics), null while no editor is open.
  virtual void* GetGraphicsHandle() const;
  // Every timer tick after the queues are drained, on whichever thread pumps the main loop (not always the
  // editor's: IGEditorDelegate::IsEditorThread tells). Default: nothing.
  virtual void OnIdle();
  // Any thread; nothing in the framework calls it. Default: writes 0 to all three.
  virtual void TripleOutHook(int& a, int& b, int& c);
  virtual void APINotifyHookB();
  virtual int APIQueryHookC();
  virtual void APINotifyHookC();
  virtual int APIQueryHookD();
  // Any thread; never blocks or allocates. Queues the index for the editor, which gets the parameter's value
  // at the next drain (the caller has stored value, normalized or not, already). Dropped when the queue is
  // full or the index is invalid.
  virtual void SendParameterValueFromAPI(int paramIdx, double value, bool normalized);
  // Main thread, from SetHost. Default: nothing.
  virtual void HostIdentifiedHook();
  // Main thread. Asks the host to resize the editor's window; true when it did. Default: false.
  virtual bool EditorResize(int width, int height);
  // The thread of the change. The host's begin edit, end edit and automation. Defaults: nothing.
  virtual void BeginInformHostOfParamChange(int paramIdx);
  virtual void EndInformHostOfParamChange(int paramIdx);
  virtual void InformHostOfParamChange(int paramIdx, double normalizedValue);
  // Any thread; as the hooks above, nothing calls them. Defaults: nothing.
  virtual void APINotifyHookD();
  virtual void APINotifyHookE();

  // ---- Overrides of the editor delegate's defaults ----

  void InformHostOfAllParams() override;
  // The editor's calls below do nothing while IsEditorDetaching: a closed editor finishing its event says
  // nothing more.
  void BeginInformHostOfParamChangeFromUI(int paramIdx) override;
  void EndInformHostOfParamChangeFromUI(int paramIdx) override;
  // SetParameterValue, the value stored once more the same way, then OnParamChangeUI(index, kUI).
  void SendParameterValueFromUI(int paramIdx, double normalizedValue) override;
  // True at once when no platform resize is needed, else EditorResize; false while the editor is detaching.
  bool EditorResizeFromUI(int width, int height, bool needsPlatformResize) override;
  void SendMidiMsgFromUI(const IMidiMsg& msg) override;
  void SendSysexMsgFromUI(const ISysEx& msg) override;
  void SendArbitraryMsgFromUI(int msgTag, int ctrlTag = -1, int dataSize = 0, const void* data = nullptr) override;
  // Any thread; never blocks. Queues the message for the audio thread (dropped when full).
  void DeferMidiMsg(const IMidiMsg& msg) override;
  // Any thread; never blocks. Queues offset, size and data (zeros for null data) for the audio thread;
  // dropped when full, when the size is negative or above 512 bytes.
  void DeferSysexMsg(const ISysEx& msg) override;

  // ---- Queues toward the processor and from it (for the binding) ----

  // Audio thread; never blocks. False when empty.
  bool PopMidiMsgForProcessor(IMidiMsg& msg) { return mMidiMsgsFromEditor.Pop(msg); }
  bool PopSysExForProcessor(SysExData& data) { return mSysExDataFromEditor.Pop(data); }
  // The thread that delivers the host's events; never blocks. False when full (dropped).
  bool PushMidiMsgFromProcessor(const IMidiMsg& msg) { return mMidiMsgsFromProcessor.Push(msg); }
  // Audio thread; never blocks. False when full, when the size is negative or above 512 bytes (dropped).
  bool PushSysExFromProcessor(const ISysEx& msg);

  // ---- Configuration and host ----

  const char* GetHostName() const { return mHostName.Get(); }
  int GetEditorWidth() const { return mEditorWidth; }
  int GetEditorHeight() const { return mEditorHeight; }
  void SetEditorSize(int width, int height);
  bool HasUI() const { return mHasUI; }
  bool GetHostResizeEnabled() const { return mHostResize; }
  const char* GetBundleID() const { return mBundleID.Get(); }
  const char* GetAppGroupID() const { return mAppGroupID.Get(); }
  // A scratch string the binding formats display texts into (main thread only).
  FwString& GetDisplayScratch() { return mParamDisplayStr; }

 private:
  static bool FillSysExData(const ISysEx& msg, SysExData& data);
  void DrainQueuesToEditor();

  int mEditorWidth = 0;
  int mEditorHeight = 0;
  bool mHasUI = false;
  bool mHostResize = false;
  FwString mBundleID;
  FwString mAppGroupID;
  FwString mHostName;
  FwString mParamDisplayStr;
  // Declared after the strings and before the queues: the (stopped) timer is deleted after the queues are
  // freed and before the strings.
  std::unique_ptr<Timer> mTimer;
  IRingQueue<ParamChange> mParamChangeFromProcessor{kParamQueueCapacity};
  IRingQueue<IMidiMsg> mMidiMsgsFromEditor{kMidiQueueCapacity};
  IRingQueue<IMidiMsg> mMidiMsgsFromProcessor{kMidiQueueCapacity};
  IRingQueue<SysExData> mSysExDataFromEditor{kSysExQueueCapacity};
  IRingQueue<SysExData> mSysExDataFromProcessor{kSysExQueueCapacity};
};

}  // namespace fx

// The project's VST 2 test host: drives one plug-in instance only through its effect record, as a host
// does, answers the host requests the plug-in makes and records every one of them for tests to check.
//
// Single-threaded: the thread that owns a TestHost is both the host's main thread and its audio thread.
// Between blocks the host gives the plug-in main-thread time with the idle request, as a Linux host's
// main loop does; that is where the plug-in's run-loop timers fire.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/vst2/VST2Interface.h"
#include "tools/vst2host/HostCall.h"
#include "tools/vst2host/PluginModule.h"

namespace vsthost {

class TestHost {
 public:
  TestHost();
  // Closes the instance if one is open, then unloads the module.
  ~TestHost();
  TestHost(const TestHost&) = delete;
  TestHost& operator=(const TestHost&) = delete;

  // Main thread; blocks on file I/O. Loads the module (closing a current instance first).
  bool Load(const std::string& modulePath, std::string& error);
  // Main thread. Calls the entry point and checks the record's magic; a record without it is not used.
  bool Instantiate(std::string& error, bool useLegacyMain = false);
  // Main thread. The same through an entry function linked into this program (in-process tests, whose
  // plug-in shares the program's window layer); no module needs to be loaded.
  bool InstantiateFrom(vst2::EntryFunc entry, std::string& error);
  // Main thread. The close request; the record must not be used afterwards.
  void Close();
  vst2::EffectRecord* Effect() const { return mEffect; }

  // Main thread unless noted. Each is one request through the effect record; 0 without an instance.
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.0f);
  void Open();
  void SetSampleRate(float rate);
  void SetBlockSize(int frames);
  void Resume();
  void Suspend();
  // Gives the plug-in main-thread time (the idle request); its run-loop timers fire here.
  void PumpRunLoop();
  // Any thread, as hosts automate from any thread.
  void SetParameter(int index, float normalized);
  float GetParameter(int index);
  std::string ParamText(int32_t opcode, int index);

  // True when the record announces double-precision processing and has its function.
  bool CanProcessDouble() const;
  // Audio thread. Each block advances the host's transport by frames when it is playing; a function the
  // record lacks is not called.
  void ProcessReplacing(float** inputs, float** outputs, int frames);
  void ProcessDoubleReplacing(double** inputs, double** outputs, int frames);
  void ProcessAccumulating(float** inputs, float** outputs, int frames);

  // The host's own state the callback answers from; set by tests between requests.
  vst2::TimeInfo& Transport() { return mTransport; }
  void SetTimeInfoAvailable(bool available) { mTimeInfoAvailable = available; }
  void SetProcessLevel(int32_t level) { mProcessLevel = level; }
  void SetProductString(const std::string& product) { mProductString = product; }
  void SetVendorVersion(intptr_t version) { mVendorVersion = version; }
  void SetSizeWindowAnswer(intptr_t answer) { mSizeWindowAnswer = answer; }
  void SetEventsAnswer(intptr_t answer) { mEventsAnswer = answer; }
  // Called from inside the plug-in's I/O-changed request, where a host re-reads the record.
  void SetIOChangedHandler(std::function<void(TestHost&)> handler) { mIOChangedHandler = std::move(handler); }
  // Called from inside the plug-in's size-window request with the size it asks for (before the answer).
  void SetSizeWindowHandler(std::function<void(int width, int height)> handler) {
    mSizeWindowHandler = std::move(handler);
  }

  // Called from inside the plug-in's edit requests (begin edit, automate, end edit) once recorded, where
  // hosts may close or reopen the editor (when a parameter change rebuilds a strip, say).
  void SetEditHandler(std::function<void(TestHost&, const HostCall&)> handler) { mEditHandler = std::move(handler); }

  std::vector<HostCall> Calls() const;
  std::vector<HostCall> CallsWith(int32_t opcode) const;
  void ClearCalls();

  // The callback handed to every entry point; finds its host through the record or the creation in progress.
  static intptr_t Callback(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt);

 private:
  intptr_t Answer(HostCall& call, void* ptr);
  void Record(HostCall call);
  void AdvanceTransport(int frames);

  PluginModule mModule;
  vst2::EffectRecord* mEffect = nullptr;
  bool mCreating = false;

  vst2::TimeInfo mTransport{};
  bool mTimeInfoAvailable = true;
  int32_t mProcessLevel = vst2::kProcessLevelRealtime;
  std::string mProductString = "Kelvadrune Test Host";
  intptr_t mVendorVersion = 10203;
  intptr_t mSizeWindowAnswer = 1;
  intptr_t mEventsAnswer = 1;
  std::function<void(TestHost&)> mIOChangedHandler;
  std::function<void(int, int)> mSizeWindowHandler;
  std::function<void(TestHost&, const HostCall&)> mEditHandler;

  mutable std::mutex mCallsMutex;
  std::vector<HostCall> mCalls;
};

}  // namespace vsthost

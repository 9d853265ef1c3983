// A model of a Linux VST 2 host, for the tests and benchmarks that run the built module as hosts run it: loaded
// with dlopen from its file and created through its entry point with the host's callback; its editor opened in a
// top-level window of the host's own, on the host's own X connection, and given effEditIdle every 20 ms by the
// host's GUI loop; its audio processed on a thread of the host's own. No host sets the plug-in's environment
// variables: loading clears every KD_* variable the program inherited.
//
// Threads: the GUI thread is the one that made the host, and every call not marked otherwise belongs to it. The
// dispatcher and the parameter calls may be made from any thread, as careless hosts make them; the host callback
// answers any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/vst2/VST2Interface.h"
#include "tools/modelhost/HostWindow.h"
#include "tools/vst2host/PluginModule.h"

namespace modelhost {

// A begin-edit, automate or end-edit call the plug-in made, and the thread it came on.
struct EditCall {
  int32_t opcode = 0;
  int32_t index = 0;
  float value = 0.f;
  std::thread::id thread;
};

class ModelHost {
 public:
  static constexpr float kSampleRate = 48000.f;
  static constexpr int kBlockFrames = 256;
  static constexpr std::chrono::milliseconds kIdleInterval{20};

  // The host's window goes at (windowX, windowY) on the screen when the editor first opens.
  explicit ModelHost(int windowX = 0, int windowY = 0);
  // Stops the audio, closes the editor and the plug-in, then unloads the module.
  ~ModelHost();
  ModelHost(const ModelHost&) = delete;
  ModelHost& operator=(const ModelHost&) = delete;

  // Stops the audio, closes the editor and the plug-in (effClose); the module stays loaded until the host goes.
  void ClosePlugin();

  // Loads the module, creates the plug-in, opens it and resumes it at 48 kHz in blocks of 256. False with a reason.
  bool Load(const std::string& modulePath, std::string& error);

  // Any thread. One request through the effect record (0 without a plug-in), as a host makes it from wherever.
  intptr_t Dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f);
  void SetParameter(int32_t index, float normalized);
  float GetParameter(int32_t index) const;

  // The editor's rectangle, the host's window made (or resized) to it, and the editor opened in that window. False
  // with a reason when the plug-in has no editor, no window opens or the plug-in answers 0.
  bool OpenEditor(std::string& error);
  // The open request with a parent of the caller's choosing (a window that does not exist, say): the answer.
  intptr_t OpenEditorIn(unsigned long parent);
  // The close request; also from inside the host callback, as hosts do.
  void CloseEditor();
  bool EditorIsOpen() const { return mEditorOpen.load(); }

  // The host's GUI loop: its window's events, effEditIdle every 20 ms while the editor is open, the window
  // following the plug-in's size requests; until done() holds (checked every turn) or the time is up.
  bool RunGuiUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);
  void RunGui(std::chrono::milliseconds duration) { RunGuiUntil(nullptr, duration); }

  // Audio on a thread of the host's own: a stereo sine through processReplacing, one block every block period.
  void StartAudio();
  void StopAudio();
  int64_t BlocksProcessed() const { return mBlocks.load(); }
  // Any thread. The largest magnitude of the output samples, both channels, of the block processed last.
  float LastBlockPeak() const { return mLastBlockPeak.load(); }
  // Any thread. The largest magnitude of the output samples since the last call (or the start), and starts anew.
  float TakeLargestPeak() { return mLargestPeak.exchange(0.f); }

  // Called from inside the host callback after each begin-edit, automate and end-edit is recorded, on the thread
  // the plug-in called from; null removes it. The host may close the editor from there.
  void SetEditHandler(std::function<void(const EditCall&)> handler);
  // Any thread.
  std::vector<EditCall> EditCalls() const;
  void ClearEditCalls();

  HostWindow& Window() { return mWindow; }

 private:
  static intptr_t Callback(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                           float opt);
  intptr_t Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt);
  void RecordEdit(int32_t opcode, int32_t index, float value);
  void FollowSizeRequest();
  void ProcessAudio();

  const int mWindowX;
  const int mWindowY;
  HostWindow mWindow;
  vsthost::PluginModule mModule;
  vst2::EffectRecord* mEffect = nullptr;
  vst2::TimeInfo mTimeInfo{};
  std::atomic<bool> mEditorOpen{false};
  std::atomic<int> mAskedWidth{0};
  std::atomic<int> mAskedHeight{0};

  mutable std::mutex mEditMutex;
  std::vector<EditCall> mEditCalls;
  std::function<void(const EditCall&)> mEditHandler;

  std::thread mAudio;
  std::atomic<bool> mAudioRunning{false};
  std::atomic<int64_t> mBlocks{0};
  std::atomic<float> mLastBlockPeak{0.f};
  std::atomic<float> mLargestPeak{0.f};
};

// The GPU device's idle release of an already loaded module built with a settable release (its entry point
// "KelvadruneSetGpuIdleRelease") set to `release`; false when the module is not loaded or has no such entry point.
bool SetModuleGpuIdleRelease(const char* modulePath, std::chrono::milliseconds release);

}  // namespace modelhost

#include "tools/modelhost/ModelHost.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

namespace modelhost {

namespace {

using Clock = std::chrono::steady_clock;

// The host whose entry-point call runs on this thread: the plug-in may call back before the record is the host's.
thread_local ModelHost* tCreatingHost = nullptr;
// Set on the host's audio thread, for the process-level question.
thread_local bool tOnAudioThread = false;

constexpr char kHostName[] = "Kelvadrune model host";

// No host has the plug-in's own variables; one inherited from a developer's shell would change what it does.
void ClearPluginEnvironment() {
  std::vector<std::string> names;
  for (char** entry = environ; *entry; ++entry) {
    const char* equals = std::strchr(*entry, '=');
    if (std::strncmp(*entry, "KD_", 3) == 0 && equals) names.emplace_back(*entry, equals - *entry);
  }
  for (const std::string& name : names) unsetenv(name.c_str());
}

vst2::TimeInfo StoppedTransport() {
  vst2::TimeInfo info{};
  info.sampleRate = ModelHost::kSampleRate;
  info.tempo = 120.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = vst2::kTimePpqPosValid | vst2::kTimeTempoValid | vst2::kTimeTimeSigValid;
  return info;
}

}  // namespace

ModelHost::ModelHost(int windowX, int windowY) : mWindowX(windowX), mWindowY(windowY) {}

ModelHost::~ModelHost() {
  ClosePlugin();
  mModule.Unload();
}

void ModelHost::ClosePlugin() {
  StopAudio();
  if (EditorIsOpen()) CloseEditor();
  if (mEffect) {
    Dispatch(vst2::kEffMainsChanged, 0, 0);
    mEffect->dispatcher(mEffect, vst2::kEffClose, 0, 0, nullptr, 0.f);
    mEffect = nullptr;
  }
}

bool ModelHost::Load(const std::string& modulePath, std::string& error) {
  ClearPluginEnvironment();
  if (!mModule.Load(modulePath, error)) return false;
  mTimeInfo = StoppedTransport();
  tCreatingHost = this;
  vst2::EffectRecord* effect = mModule.Entry(false)(&ModelHost::Callback);
  tCreatingHost = nullptr;
  if (!effect || effect->magic != vst2::kEffectMagic) {
    error = modulePath + ": the entry point returned no effect record";
    return false;
  }
  effect->hostData = this;
  mEffect = effect;
  Dispatch(vst2::kEffOpen);
  Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, kSampleRate);
  Dispatch(vst2::kEffSetBlockSize, 0, kBlockFrames);
  Dispatch(vst2::kEffMainsChanged, 0, 1);
  return true;
}

intptr_t ModelHost::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  return mEffect ? mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt) : 0;
}

void ModelHost::SetParameter(int32_t index, float normalized) {
  if (mEffect) mEffect->setParameter(mEffect, index, normalized);
}

float ModelHost::GetParameter(int32_t index) const {
  return mEffect ? mEffect->getParameter(mEffect, index) : 0.f;
}

// --- GUI thread ---

bool ModelHost::OpenEditor(std::string& error) {
  vst2::EditorRect* rect = nullptr;
  if (!mEffect || !(mEffect->flags & vst2::kFlagHasEditor) || Dispatch(vst2::kEffEditGetRect, 0, 0, &rect) == 0 ||
      !rect || rect->right <= rect->left || rect->bottom <= rect->top) {
    error = "the plug-in has no editor rectangle";
    return false;
  }
  const int width = rect->right - rect->left, height = rect->bottom - rect->top;
  if (!mWindow.IsOpen()) {
    if (!mWindow.Open(mWindowX, mWindowY, width, height, error)) return false;
  } else {
    mWindow.Resize(width, height);
  }
  if (OpenEditorIn(mWindow.Id()) == 0) {
    error = "the plug-in answered 0 to the open request";
    return false;
  }
  // Hosts ask again once the editor is open: its size may follow the display's scale.
  if (Dispatch(vst2::kEffEditGetRect, 0, 0, &rect) != 0 && rect &&
      (rect->right - rect->left != width || rect->bottom - rect->top != height))
    mWindow.Resize(rect->right - rect->left, rect->bottom - rect->top);
  return true;
}

intptr_t ModelHost::OpenEditorIn(unsigned long parent) {
  const intptr_t answer = Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(parent));
  if (answer != 0) mEditorOpen.store(true);
  return answer;
}

void ModelHost::CloseEditor() {
  mEditorOpen.store(false);
  Dispatch(vst2::kEffEditClose);
}

bool ModelHost::RunGuiUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  const Clock::time_point end = Clock::now() + timeout;
  while (!(done && done())) {
    if (Clock::now() >= end) return false;
    // A turn that overran is not caught up with a burst of idle calls; the next comes an interval later.
    const Clock::time_point next = Clock::now() + kIdleInterval;
    mWindow.HandleEvents();
    if (EditorIsOpen()) Dispatch(vst2::kEffEditIdle);
    FollowSizeRequest();
    std::this_thread::sleep_until(next);
  }
  return true;
}

void ModelHost::FollowSizeRequest() {
  const int width = mAskedWidth.exchange(0), height = mAskedHeight.exchange(0);
  if (width > 0 && height > 0) mWindow.Resize(width, height);
}

// --- Audio thread ---

void ModelHost::StartAudio() {
  if (!mEffect || !mEffect->processReplacing || mAudioRunning.exchange(true)) return;
  mAudio = std::thread([this] { ProcessAudio(); });
}

void ModelHost::StopAudio() {
  mAudioRunning.store(false);
  if (mAudio.joinable()) mAudio.join();
}

void ModelHost::ProcessAudio() {
  tOnAudioThread = true;
  std::vector<float> left(kBlockFrames), right(kBlockFrames), outLeft(kBlockFrames), outRight(kBlockFrames);
  float* inputs[2] = {left.data(), right.data()};
  float* outputs[2] = {outLeft.data(), outRight.data()};
  const auto period =
      std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(kBlockFrames / kSampleRate));
  constexpr double kStep = 2.0 * std::numbers::pi * 440.0 / kSampleRate;
  double phase = 0.0;
  for (Clock::time_point next = Clock::now(); mAudioRunning.load(); next += period) {
    for (int i = 0; i < kBlockFrames; ++i, phase += kStep)
      left[i] = right[i] = 0.5f * static_cast<float>(std::sin(phase));
    phase = std::fmod(phase, 2.0 * std::numbers::pi);
    mEffect->processReplacing(mEffect, inputs, outputs, kBlockFrames);
    float peak = 0.f;
    for (int i = 0; i < kBlockFrames; ++i) peak = std::max({peak, std::fabs(outLeft[i]), std::fabs(outRight[i])});
    mLastBlockPeak.store(peak);
    for (float largest = mLargestPeak.load(); peak > largest && !mLargestPeak.compare_exchange_weak(largest, peak);) {
    }
    mBlocks.fetch_add(1);
    std::this_thread::sleep_until(next + period);
  }
}

// --- Host callback: any thread ---

void ModelHost::SetEditHandler(std::function<void(const EditCall&)> handler) {
  std::lock_guard<std::mutex> lock(mEditMutex);
  mEditHandler = std::move(handler);
}

std::vector<EditCall> ModelHost::EditCalls() const {
  std::lock_guard<std::mutex> lock(mEditMutex);
  return mEditCalls;
}

void ModelHost::ClearEditCalls() {
  std::lock_guard<std::mutex> lock(mEditMutex);
  mEditCalls.clear();
}

void ModelHost::RecordEdit(int32_t opcode, int32_t index, float value) {
  const EditCall call{opcode, index, value, std::this_thread::get_id()};
  std::function<void(const EditCall&)> handler;
  {
    std::lock_guard<std::mutex> lock(mEditMutex);
    mEditCalls.push_back(call);
    handler = mEditHandler;
  }
  // Outside the lock: the handler may call the plug-in, which may call back.
  if (handler) handler(call);
}

intptr_t ModelHost::Callback(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                             float opt) {
  ModelHost* host = effect && effect->hostData ? static_cast<ModelHost*>(effect->hostData) : tCreatingHost;
  if (!host) return opcode == vst2::kHostVersion ? vst2::kInterfaceVersion : 0;
  return host->Answer(opcode, index, value, ptr, opt);
}

intptr_t ModelHost::Answer(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case vst2::kHostVersion:
      return vst2::kInterfaceVersion;
    case vst2::kHostGetTime:
      return reinterpret_cast<intptr_t>(&mTimeInfo);
    case vst2::kHostGetCurrentProcessLevel:
      return tOnAudioThread ? vst2::kProcessLevelRealtime : vst2::kProcessLevelUser;
    case vst2::kHostGetVendorString:
    case vst2::kHostGetProductString:
      if (!ptr) return 0;
      std::strncpy(static_cast<char*>(ptr), kHostName, vst2::kVendorTextSize - 1);
      return 1;
    case vst2::kHostGetVendorVersion:
      return 1;
    case vst2::kHostSizeWindow:
      // Followed by the GUI loop once the plug-in's call has returned.
      mAskedHeight.store(static_cast<int>(value));
      mAskedWidth.store(index);
      return 1;
    case vst2::kHostAutomate:
    case vst2::kHostBeginEdit:
    case vst2::kHostEndEdit:
      RecordEdit(opcode, index, opt);
      return opcode == vst2::kHostAutomate ? 0 : 1;
    default:
      return 0;
  }
}

bool SetModuleGpuIdleRelease(const char* modulePath, std::chrono::milliseconds release) {
  void* module = dlopen(modulePath, RTLD_NOW | RTLD_NOLOAD);
  if (!module) return false;
  using SetRelease = void (*)(long);
  const auto set = reinterpret_cast<SetRelease>(dlsym(module, "KelvadruneSetGpuIdleRelease"));
  if (set) set(static_cast<long>(release.count()));
  dlclose(module);
  return set != nullptr;
}

}  // namespace modelhost

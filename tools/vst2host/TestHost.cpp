#include "tools/vst2host/TestHost.h"

#include <algorithm>
#include <cstring>

namespace vsthost {

namespace {

// The host whose entry-point call is running on this thread: the plug-in may call back before the host
// has its record.
thread_local TestHost* tCreatingHost = nullptr;

constexpr double kDefaultSampleRate = 44100.0;

vst2::TimeInfo DefaultTransport() {
  vst2::TimeInfo info{};
  info.sampleRate = kDefaultSampleRate;
  info.tempo = 120.0;
  info.timeSigNumerator = 4;
  info.timeSigDenominator = 4;
  info.flags = vst2::kTimePpqPosValid | vst2::kTimeTempoValid | vst2::kTimeBarsValid | vst2::kTimeTimeSigValid;
  return info;
}

RecordedEvent CopyEvent(const vst2::Event& event) {
  RecordedEvent copy;
  copy.type = event.type;
  copy.byteSize = event.byteSize;
  copy.deltaFrames = event.deltaFrames;
  if (event.type == vst2::kEventMidi) {
    const auto& midi = reinterpret_cast<const vst2::MidiEvent&>(event);
    std::copy(midi.midiData, midi.midiData + 3, copy.midi);
  } else if (event.type == vst2::kEventSysEx) {
    const auto& sysex = reinterpret_cast<const vst2::SysExEvent&>(event);
    if (sysex.sysexDump && sysex.dumpBytes > 0) copy.sysex.assign(sysex.sysexDump, sysex.sysexDump + sysex.dumpBytes);
  }
  return copy;
}

std::vector<RecordedEvent> CopyEvents(const void* ptr) {
  std::vector<RecordedEvent> copies;
  const auto* events = static_cast<const vst2::Events*>(ptr);
  if (!events) return copies;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    if (events->events[i]) copies.push_back(CopyEvent(*events->events[i]));
  }
  return copies;
}

void CopyText(const std::string& text, void* ptr, size_t size) {
  if (!ptr) return;
  char* out = static_cast<char*>(ptr);
  const size_t n = std::min(text.size(), size - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

}  // namespace

TestHost::TestHost() : mTransport(DefaultTransport()) {}

TestHost::~TestHost() {
  Close();
}

bool TestHost::Load(const std::string& modulePath, std::string& error) {
  Close();
  return mModule.Load(modulePath, error);
}

bool TestHost::Instantiate(std::string& error, bool useLegacyMain) {
  Close();
  const vst2::EntryFunc entry = mModule.Entry(useLegacyMain);
  if (!entry) {
    error = "no module loaded";
    return false;
  }
  return InstantiateFrom(entry, error);
}

bool TestHost::InstantiateFrom(vst2::EntryFunc entry, std::string& error) {
  Close();
  tCreatingHost = this;
  mCreating = true;
  vst2::EffectRecord* effect = entry(&TestHost::Callback);
  mCreating = false;
  tCreatingHost = nullptr;
  if (!effect) {
    error = "the entry point returned no effect record";
    return false;
  }
  if (effect->magic != vst2::kEffectMagic) {
    error = "the effect record has a wrong magic";
    return false;
  }
  effect->hostData = this;
  mEffect = effect;
  return true;
}

void TestHost::Close() {
  if (!mEffect) return;
  mEffect->dispatcher(mEffect, vst2::kEffClose, 0, 0, nullptr, 0.0f);
  mEffect = nullptr;
}

intptr_t TestHost::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  if (!mEffect) return 0;
  if (opcode == vst2::kEffClose) {
    Close();
    return 0;
  }
  return mEffect->dispatcher(mEffect, opcode, index, value, ptr, opt);
}

void TestHost::Open() {
  Dispatch(vst2::kEffOpen);
}
void TestHost::SetSampleRate(float rate) {
  mTransport.sampleRate = rate;
  Dispatch(vst2::kEffSetSampleRate, 0, 0, nullptr, rate);
}
void TestHost::SetBlockSize(int frames) {
  Dispatch(vst2::kEffSetBlockSize, 0, frames);
}
void TestHost::Resume() {
  Dispatch(vst2::kEffMainsChanged, 0, 1);
}
void TestHost::Suspend() {
  Dispatch(vst2::kEffMainsChanged, 0, 0);
}
void TestHost::PumpRunLoop() {
  Dispatch(vst2::kEffIdle);
}

void TestHost::SetParameter(int index, float normalized) {
  if (mEffect) mEffect->setParameter(mEffect, index, normalized);
}

float TestHost::GetParameter(int index) {
  return mEffect ? mEffect->getParameter(mEffect, index) : 0.0f;
}

std::string TestHost::ParamText(int32_t opcode, int index) {
  // Hosts give 64 bytes although the interface promises the plug-in writes at most 32 with the terminator.
  char text[vst2::kLabelSize] = {};
  Dispatch(opcode, index, 0, text);
  text[sizeof(text) - 1] = '\0';
  return text;
}

bool TestHost::CanProcessDouble() const {
  return mEffect && (mEffect->flags & vst2::kFlagCanDoubleReplacing) && mEffect->processDoubleReplacing;
}

void TestHost::ProcessReplacing(float** inputs, float** outputs, int frames) {
  if (!mEffect || !mEffect->processReplacing) return;
  mEffect->processReplacing(mEffect, inputs, outputs, frames);
  AdvanceTransport(frames);
}

void TestHost::ProcessDoubleReplacing(double** inputs, double** outputs, int frames) {
  if (!CanProcessDouble()) return;
  mEffect->processDoubleReplacing(mEffect, inputs, outputs, frames);
  AdvanceTransport(frames);
}

void TestHost::ProcessAccumulating(float** inputs, float** outputs, int frames) {
  if (!mEffect || !mEffect->process) return;
  mEffect->process(mEffect, inputs, outputs, frames);
  AdvanceTransport(frames);
}

void TestHost::AdvanceTransport(int frames) {
  if (!(mTransport.flags & vst2::kTimeTransportPlaying) || frames <= 0) return;
  mTransport.samplePos += frames;
  if (mTransport.sampleRate > 0.0 && mTransport.tempo > 0.0)
    mTransport.ppqPos += frames * mTransport.tempo / (60.0 * mTransport.sampleRate);
}

std::vector<HostCall> TestHost::Calls() const {
  std::lock_guard<std::mutex> lock(mCallsMutex);
  return mCalls;
}

std::vector<HostCall> TestHost::CallsWith(int32_t opcode) const {
  std::vector<HostCall> matching;
  for (HostCall& call : Calls()) {
    if (call.opcode == opcode) matching.push_back(std::move(call));
  }
  return matching;
}

void TestHost::ClearCalls() {
  std::lock_guard<std::mutex> lock(mCallsMutex);
  mCalls.clear();
}

void TestHost::Record(HostCall call) {
  std::lock_guard<std::mutex> lock(mCallsMutex);
  mCalls.push_back(std::move(call));
}

intptr_t TestHost::Callback(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                            float opt) {
  TestHost* host = effect && effect->hostData ? static_cast<TestHost*>(effect->hostData) : tCreatingHost;
  if (!host) return opcode == vst2::kHostVersion ? vst2::kInterfaceVersion : 0;
  HostCall call;
  call.opcode = opcode;
  call.index = index;
  call.value = value;
  call.opt = opt;
  call.hasPtr = ptr != nullptr;
  call.fromCreation = host->mCreating;
  return host->Answer(call, ptr);
}

intptr_t TestHost::Answer(HostCall& call, void* ptr) {
  switch (call.opcode) {
    case vst2::kHostVersion:
      Record(call);
      return vst2::kInterfaceVersion;
    case vst2::kHostGetTime:
      Record(call);
      return mTimeInfoAvailable ? reinterpret_cast<intptr_t>(&mTransport) : 0;
    case vst2::kHostProcessEvents:
      call.events = CopyEvents(ptr);
      Record(call);
      return mEventsAnswer;
    case vst2::kHostIOChanged:
      // Recorded before the handler runs so that the order of calls shows the re-entry.
      Record(call);
      if (mIOChangedHandler) mIOChangedHandler(*this);
      return 1;
    case vst2::kHostSizeWindow:
      Record(call);
      if (mSizeWindowHandler) mSizeWindowHandler(call.index, static_cast<int>(call.value));
      return mSizeWindowAnswer;
    case vst2::kHostGetCurrentProcessLevel:
      Record(call);
      return mProcessLevel;
    case vst2::kHostGetVendorString:
    case vst2::kHostGetProductString:
      Record(call);
      CopyText(mProductString, ptr, vst2::kVendorTextSize);
      return ptr ? 1 : 0;
    case vst2::kHostGetVendorVersion:
      Record(call);
      return mVendorVersion;
    case vst2::kHostAutomate:
    case vst2::kHostBeginEdit:
    case vst2::kHostEndEdit:
      Record(call);
      if (mEditHandler) mEditHandler(*this, call);
      return 1;
    case vst2::kHostWantMidi:
    case vst2::kHostUpdateDisplay:
      Record(call);
      return 1;
    default:
      Record(call);
      return 0;
  }
}

}  // namespace vsthost

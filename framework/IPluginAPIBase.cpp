#include "framework/IPluginAPIBase.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace fx {

namespace {

// The configuration's texts are kept to their first 128 characters.
void SetName(FwString& name, const char* text) {
  name.Set(text ? text : "", IPluginAPIBase::kMaxNameLen);
}

}  // namespace

IPluginAPIBase::IPluginAPIBase(const Config& config, EAPI api) : IPluginBase(config.nParams, config.nPresets) {
  mUniqueID = config.uniqueID;
  mMfrID = config.mfrID;
  mVersion = config.vendorVersion;
  SetName(mPluginName, config.pluginName);
  SetName(mProductName, config.productName);
  SetName(mMfrName, config.mfrName);
  mEditorWidth = config.width;
  mEditorHeight = config.height;
  SetEditorSizeLimits(config.minWidth, config.maxWidth, config.minHeight, config.maxHeight);
  mStateChunks = config.doesChunks;
  mHasUI = config.hasUI;
  mHostResize = config.hostResize;
  mAPI = api;
  mBundleID.Set(config.bundleID ? config.bundleID : "");
  mAppGroupID.Set(config.appGroupID ? config.appGroupID : "");
  mHostName.Set("Unknown");
  mHost.store(kHostUninit, std::memory_order_release);
}

// Once stopped, no tick starts and none is left running on another thread, so the members may then go in
// their reverse order: the queues, then the timer, then the strings.
IPluginAPIBase::~IPluginAPIBase() {
  StopTimer();
}

void IPluginAPIBase::CreateTimer() {
  mTimer.reset(Timer::Create([this](Timer& timer) { OnTimer(timer); }, kTimerIntervalMs));
}

void IPluginAPIBase::StopTimer() {
  if (mTimer) mTimer->Stop();
}

void IPluginAPIBase::OnTimer(Timer&) {
  if (mHasUI) DrainQueuesToEditor();
  OnIdle();
}

// Each drain takes at most one queue's worth, so producers that never pause cannot hold the main thread.
// A parameter change goes to the editor with the value the parameter has now: a value queued before a
// state or preset was restored would otherwise reach the editor after the restored one and stay shown.
void IPluginAPIBase::DrainQueuesToEditor() {
  ParamChange change;
  for (int n = 0; n < kParamQueueCapacity && mParamChangeFromProcessor.Pop(change); ++n) {
    const IParam* param = GetParam(change.idx);
    if (param) SendParameterValueFromDelegate(change.idx, param->Value(), false);
  }
  IMidiMsg msg;
  for (int n = 0; n < kMidiQueueCapacity && mMidiMsgsFromProcessor.Pop(msg); ++n) SendMidiMsgFromDelegate(msg);
  SysExData sysEx;
  for (int n = 0; n < kSysExQueueCapacity && mSysExDataFromProcessor.Pop(sysEx); ++n) {
    SendSysexMsgFromDelegate(ISysEx(sysEx.mOffset, sysEx.mSize, sysEx.mData));
  }
}

void IPluginAPIBase::SetHost(const char* host, int version) {
  mHostName.Set(host ? host : "");
  mHostVersion = version;
  mHost.store(LookUpHost(host), std::memory_order_release);
  HostIdentifiedHook();
  LateHostIdentifiedHook();
}

void IPluginAPIBase::SetParameterValue(int paramIdx, double normalizedValue) {
  IParam* param = GetParam(paramIdx);
  if (!param || IsEditorDetaching()) return;
  // Mapped, rounded and clamped, then rounded and clamped once more.
  param->Set(param->FromNormalized(normalizedValue));
  InformHostOfParamChange(paramIdx, normalizedValue);
  OnParamChange(paramIdx, kUI, -1);
}

// ---- Virtual operations added here ----

bool IPluginAPIBase::CompareState(const uint8_t* data, int dataSize, int startPos) const {
  if (NParams() == 0) return true;
  if (!data || startPos < 0) return false;
  const long long endByte = (static_cast<long long>(startPos) + NParams()) * static_cast<long long>(sizeof(double));
  if (endByte > dataSize) return false;
  for (int i = 0; i < NParams(); ++i) {
    double stored = 0.0;
    std::memcpy(&stored, data + (static_cast<size_t>(startPos) + static_cast<size_t>(i)) * sizeof(double),
                sizeof(double));
    const float difference = static_cast<float>(GetParam(i)->Value()) - static_cast<float>(stored);
    if (!(std::fabs(difference) < 0.00001)) return false;
  }
  return true;
}

int IPluginAPIBase::APIQueryHookA() {
  return 0;
}

int IPluginAPIBase::APIQueryHookB() {
  return 0;
}

void IPluginAPIBase::LateHostIdentifiedHook() {}

void IPluginAPIBase::GetParamIndices(int n, FwTypedBuf<int>& list) const {
  if (n <= 0 || n >= NParams()) return;
  for (int i = 0; i < n; ++i) list.Add(i);
}

// Summed in 64 bits, so that no pair overflows.
bool IPluginAPIBase::PairTestHook(int a, int b) {
  return static_cast<int64_t>(a) + b == 0;
}

void IPluginAPIBase::APINotifyHookA() {}

bool IPluginAPIBase::GetMidiNoteText(int, char* text) const {
  if (text) text[0] = '\0';
  return false;
}

void* IPluginAPIBase::GetGraphicsHandle() const {
  return GetEditorView();
}

void IPluginAPIBase::OnIdle() {}

void IPluginAPIBase::TripleOutHook(int& a, int& b, int& c) {
  a = 0;
  b = 0;
  c = 0;
}

void IPluginAPIBase::APINotifyHookB() {}

int IPluginAPIBase::APIQueryHookC() {
  return 0;
}

void IPluginAPIBase::APINotifyHookC() {}

int IPluginAPIBase::APIQueryHookD() {
  return 0;
}

void IPluginAPIBase::SendParameterValueFromAPI(int paramIdx, double, bool) {
  if (GetParam(paramIdx)) mParamChangeFromProcessor.Push(ParamChange{paramIdx});
}

void IPluginAPIBase::HostIdentifiedHook() {}

bool IPluginAPIBase::EditorResize(int, int) {
  return false;
}

void IPluginAPIBase::BeginInformHostOfParamChange(int) {}

void IPluginAPIBase::EndInformHostOfParamChange(int) {}

void IPluginAPIBase::InformHostOfParamChange(int, double) {}

void IPluginAPIBase::APINotifyHookD() {}

void IPluginAPIBase::APINotifyHookE() {}

// ---- Overrides of the editor delegate's defaults ----

void IPluginAPIBase::InformHostOfAllParams() {
  for (int i = 0; i < NParams(); ++i) {
    const IParam& param = *GetParam(i);
    InformHostOfParamChange(i, ConstrainedNormalized(param, param.Value()));
  }
}

void IPluginAPIBase::BeginInformHostOfParamChangeFromUI(int paramIdx) {
  if (IsEditorDetaching()) return;
  BeginInformHostOfParamChange(paramIdx);
}

void IPluginAPIBase::EndInformHostOfParamChangeFromUI(int paramIdx) {
  if (IsEditorDetaching()) return;
  EndInformHostOfParamChange(paramIdx);
}

void IPluginAPIBase::SendParameterValueFromUI(int paramIdx, double normalizedValue) {
  IParam* param = GetParam(paramIdx);
  if (!param || IsEditorDetaching()) return;
  SetParameterValue(paramIdx, normalizedValue);
  param->Set(param->FromNormalized(normalizedValue));
  OnParamChangeUI(paramIdx, kUI);
}

bool IPluginAPIBase::EditorResizeFromUI(int width, int height, bool needsPlatformResize) {
  if (IsEditorDetaching()) return false;
  return !needsPlatformResize || EditorResize(width, height);
}

void IPluginAPIBase::SendMidiMsgFromUI(const IMidiMsg& msg) {
  if (IsEditorDetaching()) return;
  DeferMidiMsg(msg);
}

void IPluginAPIBase::SendSysexMsgFromUI(const ISysEx& msg) {
  if (IsEditorDetaching()) return;
  DeferSysexMsg(msg);
}

void IPluginAPIBase::SendArbitraryMsgFromUI(int msgTag, int ctrlTag, int dataSize, const void* data) {
  if (IsEditorDetaching()) return;
  OnMessage(msgTag, ctrlTag, dataSize, data);
}

void IPluginAPIBase::DeferMidiMsg(const IMidiMsg& msg) {
  mMidiMsgsFromEditor.Push(msg);
}

void IPluginAPIBase::DeferSysexMsg(const ISysEx& msg) {
  SysExData data;
  if (FillSysExData(msg, data)) mSysExDataFromEditor.Push(data);
}

bool IPluginAPIBase::PushSysExFromProcessor(const ISysEx& msg) {
  SysExData data;
  return FillSysExData(msg, data) && mSysExDataFromProcessor.Push(data);
}

// A message longer than an entry is refused whole: a cut SysEx message would be a different message.
bool IPluginAPIBase::FillSysExData(const ISysEx& msg, SysExData& data) {
  if (msg.mSize < 0 || msg.mSize > kMaxSysExBytes) return false;
  data.mOffset = msg.mOffset;
  data.mSize = msg.mSize;
  std::memset(data.mData, 0, sizeof(data.mData));
  if (msg.mData) std::memcpy(data.mData, msg.mData, static_cast<size_t>(msg.mSize));
  return true;
}

void IPluginAPIBase::SetEditorSize(int width, int height) {
  mEditorWidth = width;
  mEditorHeight = height;
}

}  // namespace fx

#include "framework/vst2/IPluginVST2.h"

#include <algorithm>
#include <cmath>

namespace fx {

namespace {

constexpr int kInitialBlockSize = 512;

// -1 empty, 0 mono, 1 stereo, -2 user-defined for more channels.
int32_t ArrangementType(int nChannels) {
  return nChannels <= 2 ? nChannels - 1 : vst2::kArrangementUserDefined;
}

}  // namespace

IPluginVST2::IPluginVST2(const InstanceInfo& info, const Config& config)
    : IPluginAPIBase(config, kAPIVST2), IPluginProcessor(config), mHostCallback(info.mHostCallback) {
  mProgramChunk.Clear();
  mBankChunk.Clear();
  InitEffectRecord(config);
  UpdateArrangements();
  SetChannelConnections(kInput, 0, MaxNChannels(kInput), true);
  SetChannelConnections(kOutput, 0, MaxNChannels(kOutput), true);
  SetBlockSize(kInitialBlockSize);
  for (ERoute direction : {kInput, kOutput}) {
    mPieceFloats[direction].resize(static_cast<size_t>(MaxNChannels(direction)));
    mPieceDoubles[direction].resize(static_cast<size_t>(MaxNChannels(direction)));
  }
  if (config.hasUI) {
    mEffect.flags |= vst2::kFlagHasEditor;
    UpdateEditorRect();
  }
}

IPluginVST2::~IPluginVST2() = default;

IPluginVST2* IPluginVST2::FromRecord(vst2::EffectRecord* effect) {
  return effect ? static_cast<IPluginVST2*>(effect->object) : nullptr;
}

void IPluginVST2::InitEffectRecord(const Config& config) {
  mEffect = vst2::EffectRecord{};
  mEffect.magic = vst2::kEffectMagic;
  mEffect.dispatcher = &IPluginVST2::Dispatcher;
  mEffect.process = &IPluginVST2::Process;
  mEffect.setParameter = &IPluginVST2::SetParameter;
  mEffect.getParameter = &IPluginVST2::GetParameter;
  mEffect.numPrograms = config.nPresets;
  mEffect.numParams = config.nParams;
  mEffect.numInputs = MaxNChannels(kInput);
  mEffect.numOutputs = MaxNChannels(kOutput);
  mEffect.flags = vst2::kFlagCanReplacing | vst2::kFlagCanDoubleReplacing;
  if (config.doesChunks) mEffect.flags |= vst2::kFlagProgramChunks;
  if (LegalIO(1, -1)) mEffect.flags |= vst2::kFlagCanMono;
  if (config.plugType == kPlugTypeInstrument) mEffect.flags |= vst2::kFlagIsSynth;
  // The processor's latency: a negative one from the configuration is 0 there and here.
  mEffect.initialDelay = GetLatency();
  mEffect.ioRatio = 1.0f;
  mEffect.object = this;
  mEffect.uniqueID = config.uniqueID;
  mEffect.version = GetPluginVersion(true);
  mEffect.processReplacing = &IPluginVST2::ProcessReplacing;
  mEffect.processDoubleReplacing = &IPluginVST2::ProcessDoubleReplacing;
}

void IPluginVST2::UpdateArrangements() {
  mInputArrangement.numChannels = mEffect.numInputs;
  mInputArrangement.type = ArrangementType(mEffect.numInputs);
  mOutputArrangement.numChannels = mEffect.numOutputs;
  mOutputArrangement.type = ArrangementType(mEffect.numOutputs);
}

void IPluginVST2::UpdateEditorRect() {
  mEditorRect.top = 0;
  mEditorRect.left = 0;
  mEditorRect.bottom = static_cast<int16_t>(std::clamp(GetEditorHeight(), 0, INT16_MAX));
  mEditorRect.right = static_cast<int16_t>(std::clamp(GetEditorWidth(), 0, INT16_MAX));
}

// The record's entry functions are the module's C boundary: no exception may cross it (it would end the
// host), so each answers failure instead and the plug-in keeps working.

float IPluginVST2::GetParameter(vst2::EffectRecord* effect, int32_t index) {
  IPluginVST2* plug = FromRecord(effect);
  if (!plug || !plug->IsValidParamIdx(index)) return 0.0f;
  try {
    const IParam& param = *plug->GetParam(index);
    const double normalized = ConstrainedNormalized(param, param.Value());
    return std::isnan(normalized) ? 0.0f : static_cast<float>(normalized);
  } catch (...) {
    return 0.0f;
  }
}

void IPluginVST2::SetParameter(vst2::EffectRecord* effect, int32_t index, float normalized) {
  IPluginVST2* plug = FromRecord(effect);
  // A NaN or infinite value from the host never reaches the stored value.
  if (!plug || !plug->IsValidParamIdx(index) || !std::isfinite(normalized)) return;
  try {
    const double clamped = std::clamp(static_cast<double>(normalized), 0.0, 1.0);
    IParam& param = *plug->GetParam(index);
    // Mapped, rounded and clamped, then rounded and clamped once more.
    param.Set(param.FromNormalized(clamped));
    plug->SendParameterValueFromAPI(index, clamped, true);
    plug->OnParamChange(index, kHost, -1);
  } catch (...) {
  }
}

intptr_t IPluginVST2::Dispatcher(vst2::EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                 float opt) {
  IPluginVST2* plug = FromRecord(effect);
  if (!plug || opcode < 0 || opcode > vst2::kMaxEffectOpcode) return 0;
  try {
    return plug->Dispatch(opcode, index, value, ptr, opt);
  } catch (...) {
    return 0;
  }
}

}  // namespace fx

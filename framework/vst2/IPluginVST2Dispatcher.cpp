#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <mutex>
#include <string_view>

#include "framework/BoundedCopy.h"
#include "framework/IKeyPress.h"
#include "framework/NumberText.h"
#include "framework/vst2/IPluginVST2.h"
#include "framework/vst2/VST2KeyCodes.h"
#include "platform/runloop/RunLoop.h"

namespace fx {

namespace {

constexpr intptr_t kVendorHandled = 0xBEEF;
constexpr intptr_t kCockosHandled = 0xBEEF0000;
constexpr int32_t kVendorDisplayValue = 7;
constexpr int32_t kVendorIsSwitch = 8;
constexpr int32_t kVendorTextToNormalized = 27;
constexpr int32_t kVendorPreSonus = 0x50726553;        // 'PreS'
constexpr intptr_t kVendorGainReduction = 0x47526442;  // 'GRdB'
constexpr uint32_t kCockosExtensions = 1;
constexpr uint32_t kCockosViewAsConfig = 2;
constexpr int kVstKeySpace = 7;
constexpr int kHostNameSize = 256;
// The longest text read from the host (values typed by the user, can-do strings).
constexpr size_t kMaxHostTextLen = 255;
// 20·log10|g| = ln|g| · 20 / ln 10.
constexpr double kDBPerNeper = 8.685889638065037;

// Whether the chunk begins with the framework's header magic, "tffp" (its little-endian bytes).
bool BeginsWithChunkMagic(const IByteChunk& chunk) {
  if (chunk.Size() < 4) return false;
  const uint8_t* bytes = chunk.GetData();
  uint32_t magic = 0;
  for (int i = 3; i >= 0; --i) magic = (magic << 8) | bytes[i];
  return magic == static_cast<uint32_t>(IPluginBase::kChunkMagic);
}

// A host text bounded to kMaxHostTextLen characters, in case the host forgot its terminator.
std::string_view HostText(const void* ptr) {
  const char* text = static_cast<const char*>(ptr);
  return std::string_view(text, strnlen(text, kMaxHostTextLen));
}

void CopyHostText(char (&dst)[kMaxHostTextLen + 1], const void* ptr) {
  const std::string_view text = HostText(ptr);
  text.copy(dst, text.size());
  dst[text.size()] = '\0';
}

int ClampToInt(intptr_t value) {
  return static_cast<int>(std::clamp<intptr_t>(value, INT_MIN, INT_MAX));
}

// The host's decimal version v (e.g. 60204 for 6.2.4) packed as major << 16 | minor << 8 | patch.
int PackHostVersion(intptr_t v) {
  if (v <= 0) return 0;
  const int64_t major = std::min<int64_t>(v / 10000, 0x7FFF);
  return static_cast<int>((major << 16) + (((v % 10000) / 100) << 8) + v % 100);
}

}  // namespace

intptr_t IPluginVST2::Dispatch(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case vst2::kEffOpen:
      return Open();
    case vst2::kEffClose:
      // A tick on another host thread may be inside the plug-in right now: it ends before anything goes.
      StopTimer();
      delete this;
      return 0;
    case vst2::kEffSetProgram:
    case vst2::kEffGetProgram:
    case vst2::kEffSetProgramName:
    case vst2::kEffGetProgramName:
    case vst2::kEffGetProgramNameIndexed:
      return DispatchProgramRequest(opcode, index, value, ptr);
    case vst2::kEffGetParamLabel:
    case vst2::kEffGetParamDisplay:
    case vst2::kEffGetParamName:
    case vst2::kEffCanBeAutomated:
    case vst2::kEffStringToParameter:
    case vst2::kEffGetParameterProperties:
      return DispatchParameterRequest(opcode, index, ptr);
    case vst2::kEffSetSampleRate:
    case vst2::kEffSetBlockSize:
    case vst2::kEffMainsChanged:
    case vst2::kEffSetBypass:
      return DispatchProcessingRequest(opcode, value, opt);
    case vst2::kEffEditGetRect:
    case vst2::kEffEditOpen:
    case vst2::kEffEditClose:
    case vst2::kEffEditIdle:
    case vst2::kEffIdle:
    case vst2::kEffEditKeyDown:
    case vst2::kEffEditKeyUp:
      return DispatchEditorRequest(opcode, index, value, ptr, opt);
    default:
      return DispatchInfoRequest(opcode, index, value, ptr, opt);
  }
}

intptr_t IPluginVST2::Open() {
  if (GetHost() == kHostUninit) {
    char name[kHostNameSize];
    name[0] = '\0';
    CallHost(vst2::kHostGetProductString, 0, 0, name);
    name[kHostNameSize - 1] = '\0';
    const int version = name[0] ? PackHostVersion(CallHost(vst2::kHostGetVendorVersion)) : 0;
    SetHost(name, version);
  }
  OnParamReset(kReset);
  return 0;
}

intptr_t IPluginVST2::DispatchProgramRequest(int32_t opcode, int32_t index, intptr_t value, void* ptr) {
  switch (opcode) {
    case vst2::kEffSetProgram:
      if (!DoesStateChunks()) ModifyCurrentPreset(nullptr);
      RestorePreset(ClampToInt(value));
      return 0;
    case vst2::kEffGetProgram:
      return GetCurrentPresetIdx();
    case vst2::kEffSetProgramName:
      if (ptr) {
        char bounded[kMaxHostTextLen + 1];
        CopyHostText(bounded, ptr);
        ModifyCurrentPreset(bounded);
        OnPresetsModified();
      }
      return 0;
    case vst2::kEffGetProgramName:
      if (ptr) CopyBounded(static_cast<char*>(ptr), vst2::kProgramNameSize, GetPresetName(GetCurrentPresetIdx()));
      return 0;
    case vst2::kEffGetProgramNameIndexed:
      if (!ptr) return 0;
      return CopyBounded(static_cast<char*>(ptr), vst2::kProgramNameSize, GetPresetName(index)) > 0 ? 1 : 0;
    default:
      return 0;
  }
}

intptr_t IPluginVST2::DispatchParameterRequest(int32_t opcode, int32_t index, void* ptr) {
  if (!IsValidParamIdx(index)) return 0;
  const IParam& param = *GetParam(index);
  char* text = static_cast<char*>(ptr);
  switch (opcode) {
    case vst2::kEffGetParamLabel:
      if (!text) return 0;
      CopyBounded(text, vst2::kParamTextSize, param.GetLabel());
      return 0;
    case vst2::kEffGetParamDisplay: {
      if (!text) return 0;
      FwString& display = GetDisplayScratch();
      param.GetDisplay(param.Value(), false, display, true);
      CopyBounded(text, vst2::kParamTextSize, display.Get());
      return 0;
    }
    case vst2::kEffGetParamName:
      if (!text) return 0;
      CopyBounded(text, vst2::kParamTextSize, param.GetName());
      return 0;
    case vst2::kEffCanBeAutomated:
      return param.GetCanAutomate() ? 1 : 0;
    case vst2::kEffStringToParameter:
      return StringToParameter(index, text);
    case vst2::kEffGetParameterProperties:
      return ParameterProperties(index, ptr);
    default:
      return 0;
  }
}

intptr_t IPluginVST2::StringToParameter(int index, const char* text) {
  if (!text) return 1;
  char bounded[kMaxHostTextLen + 1];
  CopyHostText(bounded, text);
  IParam& param = *GetParam(index);
  const double value = param.StringToValue(bounded);
  if (!std::isfinite(value)) return 0;
  param.Set(value);
  SendParameterValueFromAPI(index, value, false);
  OnParamChange(index, kHost, -1);
  return 1;
}

intptr_t IPluginVST2::ParameterProperties(int index, void* ptr) {
  if (!ptr) return 0;
  const IParam& param = *GetParam(index);
  auto& props = *static_cast<vst2::ParameterProperties*>(ptr);
  switch (param.Type()) {
    case kTypeInt:
    case kTypeEnum:
      props.flags = vst2::kParamUsesIntegerMinMax | vst2::kParamUsesIntStep;
      props.minInteger = static_cast<int32_t>(param.GetMin());
      props.maxInteger = static_cast<int32_t>(param.GetMax());
      props.stepInteger = 1;
      props.largeStepInteger = 1;
      break;
    case kTypeBool:
      props.flags = vst2::kParamIsSwitch;
      break;
    default:
      props.flags = vst2::kParamUsesFloatStep;
      props.stepFloat = props.smallStepFloat = props.largeStepFloat = static_cast<float>(param.GetStep());
      break;
  }
  // Hosts show this field as the parameter's name (the unit is asked for separately, opcode 6): the name,
  // and in the eight-byte short field the same name cut to fit.
  CopyBounded(props.label, param.GetName());
  CopyBounded(props.shortLabel, param.GetName());
  return 1;
}

intptr_t IPluginVST2::DispatchProcessingRequest(int32_t opcode, intptr_t value, float opt) {
  switch (opcode) {
    case vst2::kEffSetSampleRate:
      // NaN, infinite, non-positive and absurd rates keep the last good one. The interface answers 0
      // either way.
      if (opt >= kMinSampleRate && opt <= kMaxSampleRate) Reconfigure({opcode, 0, opt});
      return 0;
    case vst2::kEffSetBlockSize:
      if (value > 0 && value <= kMaxBlockSize) Reconfigure({opcode, value});
      return 0;
    case vst2::kEffMainsChanged:
      Reconfigure({opcode, value});
      return 0;
    case vst2::kEffSetBypass: {
      const bool bypass = value > 0;
      if (bypass != GetBypassed()) {
        SetBypassed(bypass);
        OnBypassChanged(bypass);
      }
      return 1;
    }
    default:
      return 0;
  }
}

// The guard is recursive, so a request that finds a block in progress here comes from the block's own thread
// (a host answering one of its calls): changing the block size, rate or channels now would cut the block
// short or run it over cleared buffers, so the request waits for the block's end in a queue that never
// allocates.
intptr_t IPluginVST2::Reconfigure(const Reconfiguration& request) {
  const std::lock_guard<std::recursive_mutex> betweenBlocks(mProcessingGuard);
  if (!mInBlock) {
    ApplyReconfiguration(request);
    return 1;
  }
  if (mNDeferred == kMaxDeferredRequests) return 0;
  mDeferred[static_cast<size_t>(mNDeferred++)] = request;
  return 1;
}

void IPluginVST2::ApplyReconfiguration(const Reconfiguration& request) {
  switch (request.opcode) {
    case vst2::kEffSetSampleRate:
      ApplyRateAndBlockSize(request.rate, GetBlockSize());
      break;
    case vst2::kEffSetBlockSize:
      ApplyRateAndBlockSize(GetSampleRate(), static_cast<int>(request.value));
      break;
    case vst2::kEffMainsChanged:
      OnActivate(request.value != 0);
      if (request.value == 0) OnReset();
      break;
    default:
      if (request.inputs >= 0) {
        SetChannelConnections(kInput, 0, request.inputs, true);
        SetChannelConnections(kInput, request.inputs, mEffect.numInputs - request.inputs, false);
      }
      if (request.outputs >= 0) {
        SetChannelConnections(kOutput, 0, request.outputs, true);
        SetChannelConnections(kOutput, request.outputs, mEffect.numOutputs - request.outputs, false);
      }
      break;
  }
}

bool IPluginVST2::ApplyRateAndBlockSize(double sampleRate, int blockSize) {
  const double lastRate = GetSampleRate();
  const int lastBlockSize = GetBlockSize();
  try {
    SetSampleRate(sampleRate);
    SetBlockSize(blockSize);
    OnReset();
    return true;
  } catch (...) {
    // A failure in the second reset reaches the dispatcher's own guard.
    SetSampleRate(lastRate);
    SetBlockSize(lastBlockSize);
    OnReset();
    return false;
  }
}

intptr_t IPluginVST2::DispatchEditorRequest(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case vst2::kEffEditGetRect:
      if (!ptr || !HasUI()) return 0;
      UpdateEditorRect();
      *static_cast<vst2::EditorRect**>(ptr) = &mEditorRect;
      return 1;
    case vst2::kEffEditOpen:
      return OpenWindow(ptr) ? 1 : 0;
    case vst2::kEffEditClose:
      if (!HasUI()) return 0;
      CloseWindow();
      return 1;
    case vst2::kEffEditIdle:
    case vst2::kEffIdle:
      // Linux has no process-wide run loop: the host's idle requests are the plug-in's main-thread time
      // (posted work, then due timers).
      platform::RunLoop::Main().RunOnce();
      return 0;
    case vst2::kEffEditKeyDown:
    case vst2::kEffEditKeyUp:
      return KeyEvent(opcode == vst2::kEffEditKeyDown, index, value, opt);
    default:
      return 0;
  }
}

intptr_t IPluginVST2::KeyEvent(bool down, int character, intptr_t vstKey, float modifiers) {
  if (GetHost() == kHostReaper && vstKey != kVstKeySpace) return 0;
  const int key = VST2KeyToVirtualKey(ClampToInt(vstKey), character);
  const char typed[2] = {static_cast<char>(character), '\0'};
  const int mods = std::isfinite(modifiers) ? static_cast<int>(std::clamp(modifiers, 0.0f, 255.0f)) : 0;
  const IKeyPress press(typed, key, mods & 1, mods & 8, mods & 2);
  return (down ? OnKeyDown(press) : OnKeyUp(press)) ? 1 : 0;
}

intptr_t IPluginVST2::DispatchInfoRequest(int32_t opcode, int32_t index, intptr_t value, void* ptr, float opt) {
  switch (opcode) {
    case vst2::kEffIdentify:
      return vst2::FourCC('N', 'v', 'E', 'f');
    case vst2::kEffGetChunk:
      return GetChunk(index == 0, ptr);
    case vst2::kEffSetChunk:
      return SetChunk(index == 0, value, ptr);
    case vst2::kEffProcessEvents:
      return ProcessEvents(static_cast<const vst2::Events*>(ptr));
    case vst2::kEffGetInputProperties:
      return PinProperties(kInput, index, ptr);
    case vst2::kEffGetOutputProperties:
      return PinProperties(kOutput, index, ptr);
    case vst2::kEffGetPlugCategory:
      return GetPluginType() == kPlugTypeInstrument ? vst2::kCategorySynth : vst2::kCategoryEffect;
    case vst2::kEffSetSpeakerArrangement:
      return SetSpeakerArrangement(reinterpret_cast<const vst2::SpeakerArrangement*>(value),
                                   static_cast<const vst2::SpeakerArrangement*>(ptr));
    case vst2::kEffGetEffectName:
      return ptr ? (CopyBounded(static_cast<char*>(ptr), vst2::kEffectNameSize, GetPluginName()), 1) : 0;
    case vst2::kEffGetVendorString:
      return ptr ? (CopyBounded(static_cast<char*>(ptr), vst2::kVendorTextSize, GetMfrName()), 1) : 0;
    case vst2::kEffGetProductString:
      return ptr ? (CopyBounded(static_cast<char*>(ptr), vst2::kVendorTextSize, GetProductName()), 1) : 0;
    case vst2::kEffGetVendorVersion:
      return GetPluginVersion(true);
    case vst2::kEffVendorSpecific:
      return VendorSpecific(index, value, ptr, opt);
    case vst2::kEffCanDo:
      return ptr ? CanDo(static_cast<const char*>(ptr)) : 0;
    case vst2::kEffGetTailSize:
      return TailSize();
    case vst2::kEffGetVstVersion:
      return vst2::kInterfaceVersion;
    case vst2::kEffGetMidiKeyName: {
      if (!ptr) return 0;
      auto& keyName = *static_cast<vst2::MidiKeyName*>(ptr);
      keyName.keyName[0] = '\0';
      const bool named = GetMidiNoteText(keyName.thisKeyNumber, keyName.keyName);
      keyName.keyName[sizeof(keyName.keyName) - 1] = '\0';
      return named ? 1 : 0;
    }
    case vst2::kEffGetSpeakerArrangement:
      if (value) *reinterpret_cast<vst2::SpeakerArrangement**>(value) = &mInputArrangement;
      if (ptr) *static_cast<vst2::SpeakerArrangement**>(ptr) = &mOutputArrangement;
      return 1;
    default:
      return 0;
  }
}

intptr_t IPluginVST2::GetChunk(bool isBank, void* ptr) {
  if (!ptr) return 0;
  IByteChunk& chunk = isBank ? mBankChunk : mProgramChunk;
  chunk.Clear();
  chunk.Put(&kChunkMagic);
  chunk.Put(&kChunkVersion);
  bool serialized;
  if (isBank) {
    ModifyCurrentPreset(nullptr);
    serialized = SerializePresets(chunk);
  } else {
    serialized = SerializeState(chunk);
  }
  if (!serialized || chunk.Size() == 0) return 0;
  *static_cast<void**>(ptr) = chunk.GetData();
  return chunk.Size();
}

intptr_t IPluginVST2::SetChunk(bool isBank, intptr_t size, const void* data) {
  // A negative, empty or oversized length is refused before anything changes.
  if (!data || size < 1 || size > INT_MAX) return 0;

  // The readers check a whole state or bank before they change anything, so a chunk the check refuses
  // leaves every parameter and slot as it was. A bank slot whose state passes the check but then fails to
  // load is answered 0 too, with the slots before it loaded (see IPluginBase::UnserializePresets). Nothing
  // is restored afterwards.
  IByteChunk& chunk = isBank ? mBankChunk : mProgramChunk;
  chunk.Clear();
  if (chunk.PutBytes(data, static_cast<int>(size)) != size) return 0;
  if (!ReadChunk(isBank)) return 0;
  OnRestoreState();
  return 1;
}

// A chunk that begins with the header holds a bank of every slot (a bank chunk of the current version) or
// one state after the header; a chunk of 4 to 7 bytes has no room for either, and the state reader refuses
// its start of -1. A chunk without the header is one state from its first byte.
bool IPluginVST2::ReadChunk(bool isBank) {
  IByteChunk& chunk = isBank ? mBankChunk : mProgramChunk;
  int statePos = 0;
  if (BeginsWithChunkMagic(chunk)) {
    int32_t version = 0;
    if (chunk.Get(&version, 4) < 0) {
      statePos = -1;
    } else if (isBank && version >= kChunkVersion) {
      return UnserializePresets(chunk, kChunkHeaderSize) >= 0;
    } else {
      statePos = kChunkHeaderSize;
    }
  }
  if (UnserializeState(chunk, statePos) < 0) return false;
  ModifyCurrentPreset(nullptr);
  return true;
}

intptr_t IPluginVST2::ProcessEvents(const vst2::Events* events) {
  if (!events) return 0;
  for (int32_t i = 0; i < events->numEvents; ++i) {
    const vst2::Event* event = events->events[i];
    if (!event) continue;
    if (event->type == vst2::kEventMidi) {
      const auto& midi = reinterpret_cast<const vst2::MidiEvent&>(*event);
      const IMidiMsg msg(midi.deltaFrames, midi.midiData[0], midi.midiData[1], midi.midiData[2]);
      ProcessMidiMsg(msg);
      PushMidiMsgFromProcessor(msg);
    } else if (event->type == vst2::kEventSysEx) {
      const auto& sysex = reinterpret_cast<const vst2::SysExEvent&>(*event);
      if (!sysex.sysexDump || sysex.dumpBytes < 0) continue;
      ProcessSysEx(ISysEx(sysex.deltaFrames, sysex.dumpBytes, reinterpret_cast<const uint8_t*>(sysex.sysexDump)));
    }
  }
  return 1;
}

intptr_t IPluginVST2::PinProperties(ERoute direction, int index, void* ptr) {
  const int nChannels = direction == kInput ? mEffect.numInputs : mEffect.numOutputs;
  if (index < 0 || !ptr || index >= nChannels) return 0;
  auto& pin = *static_cast<vst2::PinProperties*>(ptr);
  pin.flags = vst2::kPinIsActive;
  if (index % 2 == 0 && index < nChannels - 1) pin.flags |= vst2::kPinIsStereo;
  const char* label = GetChannelLabel(direction, index);
  if (label[0])
    CopyBounded(pin.label, label);
  else
    FormatText(pin.label, sizeof(pin.label), direction == kInput ? "Input %d" : "Output %d", index + 1);
  return 1;
}

intptr_t IPluginVST2::SetSpeakerArrangement(const vst2::SpeakerArrangement* input,
                                            const vst2::SpeakerArrangement* output) {
  if (mInIOChanged.load(std::memory_order_acquire)) return 0;
  // Both sides are checked before either changes; negative or oversized counts are refused.
  const auto fits = [](const vst2::SpeakerArrangement* a, int maxChannels) {
    return !a || (a->numChannels >= 0 && a->numChannels <= maxChannels);
  };
  if (!fits(input, mEffect.numInputs) || !fits(output, mEffect.numOutputs)) return 0;
  return Reconfigure(
      {vst2::kEffSetSpeakerArrangement, 0, 0.0f, input ? input->numChannels : -1, output ? output->numChannels : -1});
}

intptr_t IPluginVST2::VendorSpecific(int index, intptr_t value, void* ptr, float opt) {
  char* text = static_cast<char*>(ptr);
  switch (index) {
    case kVendorDisplayValue:
      if (!text) break;
      if (IsValidParamIdx(value)) {
        FwString& display = GetDisplayScratch();
        GetParam(static_cast<int>(value))->GetDisplay(opt, true, display, true);
        CopyBounded(text, vst2::kParamTextSize, display.Get());
      }
      return kVendorHandled;
    case kVendorIsSwitch: {
      if (!IsValidParamIdx(value) || !text) break;
      const IParam& param = *GetParam(static_cast<int>(value));
      if (param.Type() == kTypeBool) return kVendorHandled;
      if ((param.Type() == kTypeInt || param.Type() == kTypeEnum) && std::fabs(param.GetRange()) < 1.5)
        return kVendorHandled;
      break;
    }
    case kVendorTextToNormalized: {
      if (!IsValidParamIdx(value) || !text) break;
      if (!text[0]) return kVendorHandled;
      char bounded[kMaxHostTextLen + 1];
      CopyHostText(bounded, text);
      const IParam& param = *GetParam(static_cast<int>(value));
      // Parsed (rounded and clamped there), rounded and clamped once more, mapped, clamped to 0..1.
      const double normalized = std::clamp(param.ToNormalized(param.Constrain(param.StringToValue(bounded))), 0.0, 1.0);
      FormatText(text, vst2::kParamTextSize, "%.17f", normalized);
      return kVendorHandled;
    }
    case kVendorPreSonus:
      if (value != kVendorGainReduction || !ptr) return 0;
      *static_cast<float*>(ptr) =
          GetBypassed() ? 0.0f : static_cast<float>(std::log(std::fabs(GetGainReduction())) * kDBPerNeper);
      return 1;
    default:
      break;
  }
  return VendorSpecificHook(index, value, ptr, opt);
}

intptr_t IPluginVST2::CanDo(const char* ptr) {
  const std::string_view text = HostText(ptr);
  if (text == "receiveVstTimeInfo") return 1;
  if (DoesMIDIIn() && (text == "receiveVstEvents" || text == "receiveVstMidiEvent")) return 1;
  if (DoesMIDIOut() && (text == "sendVstEvents" || text == "sendVstMidiEvent")) return 1;
  if (text == "bypass") return 1;
  if (text == "hasCockosExtensions") {
    mCockosFlags.fetch_or(kCockosExtensions, std::memory_order_relaxed);
    return kCockosHandled;
  }
  if (text == "hasCockosViewAsConfig") {
    mCockosFlags.fetch_or(kCockosViewAsConfig, std::memory_order_relaxed);
    return kCockosHandled;
  }
  if (text == "wantsChannelCountNotifications") return 1;
  if (text == "MPE") return DoesMPE() ? 1 : 0;
  if (text == "supportsGainReductionInfo") return 1;
  char bounded[kMaxHostTextLen + 1];
  CopyHostText(bounded, ptr);
  return CanDoHook(bounded);
}

// 1 means "no tail"; any other answer is the tail in samples.
intptr_t IPluginVST2::TailSize() const {
  const int tail = GetTailSize();
  return tail == 0 ? 1 : tail;
}

intptr_t IPluginVST2::VendorSpecificHook(int, intptr_t, void*, float) {
  return 0;
}
intptr_t IPluginVST2::CanDoHook(const char*) {
  return 0;
}

}  // namespace fx

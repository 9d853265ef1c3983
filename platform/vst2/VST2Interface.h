// The binary interface between a VST 2.4 host and a plug-in module on 64-bit Linux: the effect record,
// the entry and callback function types, the request codes both sides use and the records they exchange.
// Every layout is fixed by the hosts that already exist; the static_asserts pin each field's offset.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vst2 {

struct EffectRecord;

// Host side: callback(effect, opcode, index, value, ptr, opt); the effect may be null during creation.
using HostCallback = intptr_t (*)(EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                  float opt);
using DispatcherFunc = intptr_t (*)(EffectRecord* effect, int32_t opcode, int32_t index, intptr_t value, void* ptr,
                                    float opt);
using ProcessFunc = void (*)(EffectRecord* effect, float** inputs, float** outputs, int32_t frames);
using ProcessDoubleFunc = void (*)(EffectRecord* effect, double** inputs, double** outputs, int32_t frames);
using SetParameterFunc = void (*)(EffectRecord* effect, int32_t index, float normalized);
using GetParameterFunc = float (*)(EffectRecord* effect, int32_t index);
// The module's entry point, exported as "VSTPluginMain" and as the older "main".
using EntryFunc = EffectRecord* (*)(HostCallback callback);

constexpr int32_t FourCC(char a, char b, char c, char d) {
  return static_cast<int32_t>(
      (static_cast<uint32_t>(static_cast<uint8_t>(a)) << 24) | (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 16) |
      (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 8) | static_cast<uint32_t>(static_cast<uint8_t>(d)));
}

// 'VstP': read as a little-endian i32 the record begins with the bytes "PtsV".
constexpr int32_t kEffectMagic = FourCC('V', 's', 't', 'P');
constexpr int32_t kInterfaceVersion = 2400;
constexpr int32_t kMaxEffectOpcode = 69;

// Effect record flags.
enum EEffectFlags : int32_t {
  kFlagHasEditor = 1,
  kFlagCanMono = 8,
  kFlagCanReplacing = 0x10,
  kFlagProgramChunks = 0x20,
  kFlagIsSynth = 0x100,
  kFlagCanDoubleReplacing = 0x1000,
};

struct EffectRecord {
  int32_t magic;
  int32_t padding0;
  DispatcherFunc dispatcher;
  ProcessFunc process;
  SetParameterFunc setParameter;
  GetParameterFunc getParameter;
  int32_t numPrograms;
  int32_t numParams;
  int32_t numInputs;
  int32_t numOutputs;
  int32_t flags;
  int32_t padding1;
  intptr_t reserved1;
  intptr_t reserved2;
  int32_t initialDelay;
  int32_t obsoleteQualities[2];
  float ioRatio;
  void* object;
  void* hostData;
  int32_t uniqueID;
  int32_t version;
  ProcessFunc processReplacing;
  ProcessDoubleFunc processDoubleReplacing;
  uint8_t future[56];
};

static_assert(offsetof(EffectRecord, magic) == 0);
static_assert(offsetof(EffectRecord, dispatcher) == 8);
static_assert(offsetof(EffectRecord, process) == 16);
static_assert(offsetof(EffectRecord, setParameter) == 24);
static_assert(offsetof(EffectRecord, getParameter) == 32);
static_assert(offsetof(EffectRecord, numPrograms) == 40);
static_assert(offsetof(EffectRecord, numParams) == 44);
static_assert(offsetof(EffectRecord, numInputs) == 48);
static_assert(offsetof(EffectRecord, numOutputs) == 52);
static_assert(offsetof(EffectRecord, flags) == 56);
static_assert(offsetof(EffectRecord, reserved1) == 64);
static_assert(offsetof(EffectRecord, reserved2) == 72);
static_assert(offsetof(EffectRecord, initialDelay) == 80);
static_assert(offsetof(EffectRecord, obsoleteQualities) == 84);
static_assert(offsetof(EffectRecord, ioRatio) == 92);
static_assert(offsetof(EffectRecord, object) == 96);
static_assert(offsetof(EffectRecord, hostData) == 104);
static_assert(offsetof(EffectRecord, uniqueID) == 112);
static_assert(offsetof(EffectRecord, version) == 116);
static_assert(offsetof(EffectRecord, processReplacing) == 120);
static_assert(offsetof(EffectRecord, processDoubleReplacing) == 128);
static_assert(offsetof(EffectRecord, future) == 136);
static_assert(sizeof(EffectRecord) == 192);

// Requests the host sends through the dispatcher. Codes not listed here are answered 0.
enum EEffectOpcode : int32_t {
  kEffOpen = 0,
  kEffClose = 1,
  kEffSetProgram = 2,
  kEffGetProgram = 3,
  kEffSetProgramName = 4,
  kEffGetProgramName = 5,
  kEffGetParamLabel = 6,
  kEffGetParamDisplay = 7,
  kEffGetParamName = 8,
  kEffSetSampleRate = 10,
  kEffSetBlockSize = 11,
  kEffMainsChanged = 12,
  kEffEditGetRect = 13,
  kEffEditOpen = 14,
  kEffEditClose = 15,
  kEffEditIdle = 19,
  kEffIdentify = 22,
  kEffGetChunk = 23,
  kEffSetChunk = 24,
  kEffProcessEvents = 25,
  kEffCanBeAutomated = 26,
  kEffStringToParameter = 27,
  kEffGetProgramNameIndexed = 29,
  kEffGetInputProperties = 33,
  kEffGetOutputProperties = 34,
  kEffGetPlugCategory = 35,
  kEffSetSpeakerArrangement = 42,
  kEffSetBypass = 44,
  kEffGetEffectName = 45,
  kEffGetVendorString = 47,
  kEffGetProductString = 48,
  kEffGetVendorVersion = 49,
  kEffVendorSpecific = 50,
  kEffCanDo = 51,
  kEffGetTailSize = 52,
  kEffIdle = 53,
  kEffGetParameterProperties = 56,
  kEffGetVstVersion = 58,
  kEffEditKeyDown = 59,
  kEffEditKeyUp = 60,
  kEffGetMidiKeyName = 66,
  kEffGetSpeakerArrangement = 69,
};

// Requests the plug-in sends through the host callback.
enum EHostOpcode : int32_t {
  kHostAutomate = 0,
  kHostVersion = 1,
  kHostWantMidi = 6,
  kHostGetTime = 7,
  kHostProcessEvents = 8,
  kHostIOChanged = 13,
  kHostSizeWindow = 15,
  kHostGetCurrentProcessLevel = 23,
  kHostGetVendorString = 32,
  kHostGetProductString = 33,
  kHostGetVendorVersion = 34,
  kHostUpdateDisplay = 42,
  kHostBeginEdit = 43,
  kHostEndEdit = 44,
};

enum EProcessLevel : int32_t {
  kProcessLevelUnknown = 0,
  kProcessLevelUser = 1,
  kProcessLevelRealtime = 2,
  kProcessLevelPrefetch = 3,
  kProcessLevelOffline = 4,
};

enum EPlugCategory : int32_t {
  kCategoryEffect = 1,
  kCategorySynth = 2,
};

// Buffer sizes hosts allocate for the texts they ask for.
constexpr int kParamTextSize = 32;
constexpr int kProgramNameSize = 24;
constexpr int kEffectNameSize = 32;
constexpr int kVendorTextSize = 64;
constexpr int kLabelSize = 64;

// Transport at a block; the flags say which fields are valid.
enum ETimeInfoFlags : int32_t {
  kTimeTransportChanged = 1,
  kTimeTransportPlaying = 2,
  kTimeTransportCycleActive = 4,
  kTimeTransportRecording = 8,
  kTimePpqPosValid = 0x200,
  kTimeTempoValid = 0x400,
  kTimeBarsValid = 0x800,
  kTimeCyclePosValid = 0x1000,
  kTimeTimeSigValid = 0x2000,
};

constexpr int32_t kTimeInfoRequestMask =
    kTimePpqPosValid | kTimeTempoValid | kTimeBarsValid | kTimeCyclePosValid | kTimeTimeSigValid;

struct TimeInfo {
  double samplePos;
  double sampleRate;
  double nanoSeconds;
  double ppqPos;
  double tempo;
  double barStartPos;
  double cycleStartPos;
  double cycleEndPos;
  int32_t timeSigNumerator;
  int32_t timeSigDenominator;
  int32_t smpteOffset;
  int32_t smpteFrameRate;
  int32_t samplesToNextClock;
  int32_t flags;
};

static_assert(offsetof(TimeInfo, samplePos) == 0);
static_assert(offsetof(TimeInfo, sampleRate) == 8);
static_assert(offsetof(TimeInfo, nanoSeconds) == 16);
static_assert(offsetof(TimeInfo, ppqPos) == 24);
static_assert(offsetof(TimeInfo, tempo) == 32);
static_assert(offsetof(TimeInfo, barStartPos) == 40);
static_assert(offsetof(TimeInfo, cycleStartPos) == 48);
static_assert(offsetof(TimeInfo, cycleEndPos) == 56);
static_assert(offsetof(TimeInfo, timeSigNumerator) == 64);
static_assert(offsetof(TimeInfo, timeSigDenominator) == 68);
static_assert(offsetof(TimeInfo, smpteOffset) == 72);
static_assert(offsetof(TimeInfo, smpteFrameRate) == 76);
static_assert(offsetof(TimeInfo, samplesToNextClock) == 80);
static_assert(offsetof(TimeInfo, flags) == 84);
static_assert(sizeof(TimeInfo) == 88);

enum EEventType : int32_t {
  kEventMidi = 1,
  kEventSysEx = 6,
};

// The common head of every event; byteSize is the size of the whole event.
struct Event {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  uint8_t data[16];
};

static_assert(offsetof(Event, type) == 0);
static_assert(offsetof(Event, byteSize) == 4);
static_assert(offsetof(Event, deltaFrames) == 8);
static_assert(offsetof(Event, flags) == 12);
static_assert(offsetof(Event, data) == 16);
static_assert(sizeof(Event) == 32);

struct MidiEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t noteLength;
  int32_t noteOffset;
  uint8_t midiData[4];
  int8_t detune;
  uint8_t noteOffVelocity;
  uint8_t reserved1;
  uint8_t reserved2;
};

static_assert(offsetof(MidiEvent, type) == 0);
static_assert(offsetof(MidiEvent, byteSize) == 4);
static_assert(offsetof(MidiEvent, deltaFrames) == 8);
static_assert(offsetof(MidiEvent, flags) == 12);
static_assert(offsetof(MidiEvent, noteLength) == 16);
static_assert(offsetof(MidiEvent, noteOffset) == 20);
static_assert(offsetof(MidiEvent, midiData) == 24);
static_assert(offsetof(MidiEvent, detune) == 28);
static_assert(offsetof(MidiEvent, noteOffVelocity) == 29);
static_assert(offsetof(MidiEvent, reserved1) == 30);
static_assert(offsetof(MidiEvent, reserved2) == 31);
static_assert(sizeof(MidiEvent) == 32);

struct SysExEvent {
  int32_t type;
  int32_t byteSize;
  int32_t deltaFrames;
  int32_t flags;
  int32_t dumpBytes;
  int32_t padding;
  intptr_t reserved1;
  char* sysexDump;
  intptr_t reserved2;
};

static_assert(offsetof(SysExEvent, type) == 0);
static_assert(offsetof(SysExEvent, byteSize) == 4);
static_assert(offsetof(SysExEvent, deltaFrames) == 8);
static_assert(offsetof(SysExEvent, flags) == 12);
static_assert(offsetof(SysExEvent, dumpBytes) == 16);
static_assert(offsetof(SysExEvent, reserved1) == 24);
static_assert(offsetof(SysExEvent, sysexDump) == 32);
static_assert(offsetof(SysExEvent, reserved2) == 40);
static_assert(sizeof(SysExEvent) == 48);

// A block of events; hosts allocate room for numEvents pointers past the two declared here.
struct Events {
  int32_t numEvents;
  int32_t padding;
  intptr_t reserved;
  Event* events[2];
};

static_assert(offsetof(Events, numEvents) == 0);
static_assert(offsetof(Events, reserved) == 8);
static_assert(offsetof(Events, events) == 16);
static_assert(sizeof(Events) == 32);

enum EPinFlags : int32_t {
  kPinIsActive = 1,
  kPinIsStereo = 2,
  kPinUseSpeaker = 4,
};

struct PinProperties {
  char label[kLabelSize];
  int32_t flags;
  int32_t arrangementType;
  char shortLabel[8];
};

static_assert(offsetof(PinProperties, label) == 0);
static_assert(offsetof(PinProperties, flags) == 64);
static_assert(offsetof(PinProperties, arrangementType) == 68);
static_assert(offsetof(PinProperties, shortLabel) == 72);
static_assert(sizeof(PinProperties) == 80);

enum EParameterPropertyFlags : int32_t {
  kParamIsSwitch = 1,
  kParamUsesIntegerMinMax = 2,
  kParamUsesFloatStep = 4,
  kParamUsesIntStep = 8,
};

struct ParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[kLabelSize];
  int32_t flags;
  int32_t minInteger;
  int32_t maxInteger;
  int32_t stepInteger;
  int32_t largeStepInteger;
  char shortLabel[8];
  int16_t displayIndex;
  int16_t category;
  int16_t numParametersInCategory;
  int16_t reserved;
  char categoryLabel[24];
  char future[16];
};

static_assert(offsetof(ParameterProperties, stepFloat) == 0);
static_assert(offsetof(ParameterProperties, smallStepFloat) == 4);
static_assert(offsetof(ParameterProperties, largeStepFloat) == 8);
static_assert(offsetof(ParameterProperties, label) == 12);
static_assert(offsetof(ParameterProperties, flags) == 76);
static_assert(offsetof(ParameterProperties, minInteger) == 80);
static_assert(offsetof(ParameterProperties, maxInteger) == 84);
static_assert(offsetof(ParameterProperties, stepInteger) == 88);
static_assert(offsetof(ParameterProperties, largeStepInteger) == 92);
static_assert(offsetof(ParameterProperties, shortLabel) == 96);
static_assert(offsetof(ParameterProperties, displayIndex) == 104);
static_assert(offsetof(ParameterProperties, category) == 106);
static_assert(offsetof(ParameterProperties, numParametersInCategory) == 108);
static_assert(offsetof(ParameterProperties, reserved) == 110);
static_assert(offsetof(ParameterProperties, categoryLabel) == 112);
static_assert(offsetof(ParameterProperties, future) == 136);
static_assert(sizeof(ParameterProperties) == 152);

struct MidiKeyName {
  int32_t thisProgramIndex;
  int32_t thisKeyNumber;
  char keyName[kLabelSize];
  int32_t reserved;
  int32_t flags;
};

static_assert(offsetof(MidiKeyName, thisProgramIndex) == 0);
static_assert(offsetof(MidiKeyName, thisKeyNumber) == 4);
static_assert(offsetof(MidiKeyName, keyName) == 8);
static_assert(offsetof(MidiKeyName, reserved) == 72);
static_assert(offsetof(MidiKeyName, flags) == 76);
static_assert(sizeof(MidiKeyName) == 80);

struct SpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[kLabelSize];
  int32_t type;
  char future[28];
};

static_assert(offsetof(SpeakerProperties, azimuth) == 0);
static_assert(offsetof(SpeakerProperties, elevation) == 4);
static_assert(offsetof(SpeakerProperties, radius) == 8);
static_assert(offsetof(SpeakerProperties, reserved) == 12);
static_assert(offsetof(SpeakerProperties, name) == 16);
static_assert(offsetof(SpeakerProperties, type) == 80);
static_assert(offsetof(SpeakerProperties, future) == 84);
static_assert(sizeof(SpeakerProperties) == 112);

// Arrangement types: -2 user-defined, -1 empty, 0 mono, 1 stereo.
constexpr int32_t kArrangementUserDefined = -2;
constexpr int32_t kArrangementEmpty = -1;
constexpr int32_t kArrangementMono = 0;
constexpr int32_t kArrangementStereo = 1;
constexpr int kMaxArrangementSpeakers = 8;

struct SpeakerArrangement {
  int32_t type;
  int32_t numChannels;
  SpeakerProperties speakers[kMaxArrangementSpeakers];
};

static_assert(offsetof(SpeakerArrangement, type) == 0);
static_assert(offsetof(SpeakerArrangement, numChannels) == 4);
static_assert(offsetof(SpeakerArrangement, speakers) == 8);
static_assert(sizeof(SpeakerArrangement) == 904);

// The editor rectangle the plug-in hands out for the editor get-rectangle request.
struct EditorRect {
  int16_t top;
  int16_t left;
  int16_t bottom;
  int16_t right;
};

static_assert(sizeof(EditorRect) == 8);

}  // namespace vst2

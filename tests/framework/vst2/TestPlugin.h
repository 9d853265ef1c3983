// A small plug-in on the VST 2 binding for the integration tests, loaded as a module by the test host.
// Its configuration comes from the environment variable KD_TEST_PLUGIN when an instance is created:
// blank-separated words "chunks", "editor", "midiin", "midiout", "synth", "io=<channel-I/O text>",
// "tail=<samples>", "latency=<samples>", "latencydelay" (a latency delay for bypassed audio, as
// IPluginProcessor::InitLatencyDelay makes), "maxblock=<frames>" (OnReset throws for larger block sizes, as a
// plug-in that cannot build them does), "nodouble" (a record without double-precision processing), "throwing"
// (ProcessBlock and OnParamChange throw), "unconstructible" (the constructor throws once the framework's bases
// and the parameters are built). Without it: "1-1 2-2", an editor, no chunks, no MIDI.
//
// Tests reach what only an editor or the plug-in itself could do through private vendor-specific
// requests (ETestRequest), so that every test still drives the plug-in only through its effect record.
#pragma once

#include <cstdint>

#include "framework/ITimeInfo.h"

namespace testplugin {

// Vendor-specific indices; value, ptr and opt as noted.
enum ETestRequest : int32_t {
  kEditorGesture = 0x4B440000,  // value: parameter, opt: normalized value; begin, set, end as a drag does
  kEditorResize,                // value: width, opt: height; answers EditorResize
  kSetLatency,                  // value: samples
  kDeferMidi,                   // value: status << 16 | data1 << 8 | data2
  kDeferSysEx,                  // value: size (filled with 0xF0, i, i ...), ptr: null
  kResetCount,                  // answers the number of OnReset calls so far
  kGetTimeInfo,                 // ptr: fx::ITimeInfo to fill with the last block's transport
  kSetTail,                     // value: samples
  kSaveProgramFile,             // ptr: path; answers 1 or 0
  kLoadProgramFile,
  kSaveBankFile,
  kLoadBankFile,
  kMidiInCount,           // answers the number of MIDI messages ProcessMidiMsg saw
  kActivateCount,         // answers the number of OnActivate(true) calls
  kIdleCount,             // answers the number of timer ticks (OnIdle) so far
  kPieceCount,            // answers the number of ProcessBlock calls so far
  kLargestPiece,          // answers the largest frame count ProcessBlock was given
  kSendEvent,             // ptr: vst2::Event to send to the host as it is, or null; answers SendVSTEvent
  kPostWork,              // posts a piece of work to the plug-in's main run loop
  kPostedRuns,            // answers how many pieces of posted work have run so far
  kIdleCountAtPostedRun,  // answers the timer ticks counted when a piece of posted work last ran
};

constexpr int kNumParams = 5;
constexpr int kNumPresets = 3;
constexpr int32_t kUniqueID = 0x4B445450;  // 'KDTP'

}  // namespace testplugin

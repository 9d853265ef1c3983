// The configuration a product hands to the framework: counts, channel layouts, identity, flags and the
// editor's size. The framework's constructors read it once.
#pragma once

namespace fx {

// The plug-in interface a binding speaks; only VST 2 exists in this program.
enum EAPI : int {
  kAPIVST2 = 0,
  kAPIVST3 = 1,
  kAPIAU = 2,
  kAPIAUv3 = 3,
  kAPIAAX = 4,
  kAPIAPP = 5,
  kAPIWAM = 6,
  kAPIWEB = 7,
  kAPICLAP = 8
};

// Plug-in types of `Config::plugType`.
enum EPlugType : int { kPlugTypeEffect = 0, kPlugTypeInstrument = 1, kPlugTypeMIDIEffect = 2 };

struct Config {
  int nParams = 0;
  int nPresets = 0;
  const char* channelIOStr = "";
  const char* pluginName = "";
  const char* productName = "";
  const char* mfrName = "";
  int vendorVersion = 0;  // major << 16 | minor << 8 | patch
  int uniqueID = 0;
  int mfrID = 0;
  int latency = 0;
  bool doesMidiIn = false;
  bool doesMidiOut = false;
  bool doesMPE = false;
  bool doesChunks = false;
  int plugType = kPlugTypeEffect;
  bool hasUI = false;
  int width = 0;
  int height = 0;
  int minWidth = 0;
  int maxWidth = 0;
  int minHeight = 0;
  int maxHeight = 0;
  bool hostResize = false;
  const char* bundleID = "";
  const char* appGroupID = "";
};

}  // namespace fx

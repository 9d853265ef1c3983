#include "framework/HostIdentification.h"

#include <cstring>

namespace fx {

namespace {

struct HostKey {
  const char* text;
  EHost host;
};

// Searched in this order, first hit wins: a longer key must come before any key it contains
// ("vst live" before "live", "wavelab elements" before "wavelab", "kv_elementfx" before "element").
constexpr HostKey kHostKeys[] = {
    {"vst live", kHostVSTLive},
    {"reaper", kHostReaper},
    {"protools", kHostProTools},
    {"cubase", kHostCubase},
    {"nuendo", kHostNuendo},
    {"cakewalk", kHostSonar},
    {"vegas", kHostVegas},
    {"fruity", kHostFL},
    {"samplitude", kHostSamplitude},
    {"live", kHostAbletonLive},
    {"tracktion", kHostTracktion},
    {"ntracks", kHostNTracks},
    {"melodyne", kHostMelodyneStudio},
    {"vstmanlib", kHostVSTScanner},
    {"aulab", kHostAULab},
    {"forte", kHostForte},
    {"chainer", kHostChainer},
    {"audition", kHostAudition},
    {"orion", kHostOrion},
    {"bias", kHostBias},
    {"sawstudio", kHostSAWStudio},
    {"logic", kHostLogic},
    {"garageband", kHostGarageBand},
    {"digital", kHostDigitalPerformer},
    {"audiomulch", kHostAudioMulch},
    {"presonus", kHostStudioOne},
    {"vst3plugintesthost", kHostVST3TestHost},
    {"ardour", kHostArdour},
    {"renoise", kHostRenoise},
    {"openmpt", kHostOpenMPT},
    {"wavelab elements", kHostWaveLabElements},
    {"wavelab", kHostWaveLab},
    {"twistedwave", kHostTwistedWave},
    {"bitwig studio", kHostBitwig},
    {"reason", kHostReason},
    {"gwvst", kHostGoldWave5x},
    {"waveform", kHostWaveform},
    {"audacity", kHostAudacity},
    {"acoustica", kHostAcoustica},
    {"plugindoctor", kHostPluginDoctor},
    {"izotope rx", kHostiZotopeRX},
    {"savihost", kHostSAVIHost},
    {"blue cat's vst host", kHostBlueCat},
    {"blue cat's vst3 host", kHostBlueCatVST3},
    {"sadie", kHostSadie},
    {"spectralayers", kHostSpectraLayers},
    {"vsthost", kHostVSTHost},
    {"vst plugin analyser", kHostVSTPluginAnalyser},
    {"wavosaur", kHostWavosaur},
    {"mixbus32c", kHostMixbus},
    {"kv_elementfx", kHostElement},
    {"element", kHostElement},
    {"juce vst host", kHostPluginHost},
    {"komplete kontrol", kHostKompleteKontrol},
    {"vst3shell", kHostVST3Shell},
    {"com.uaudio.luna", kHostLuna},
    {"audiogridderserver", kHostAudioGridder},
    {"equalizer apo", kHostEqualizerAPO},
    {"architect", kHostArchitect},
    {"izotope vst3 host", kHostiZotopeVST3Host},
    {"cantabile 3", kHostCantabile},
    {"plugin buddy", kHostPluginBuddy},
    {"finalcut", kHostFinalCut},
    {"dream ii", kHostDreamII},
    {"metaplugin", kHostMetaPlugin},
    {"standalone", kHostStandalone},
};

// Hosts' product strings are short; anything past this is ignored.
constexpr size_t kMaxHostTextLength = 255;

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

EHost LookUpHost(const char* productString) {
  if (!productString) return kHostUnknown;
  char lowered[kMaxHostTextLength + 1];
  size_t n = 0;
  for (; n < kMaxHostTextLength && productString[n]; ++n) lowered[n] = AsciiLower(productString[n]);
  lowered[n] = '\0';

  for (const HostKey& key : kHostKeys) {
    if (std::strstr(lowered, key.text)) return key.host;
  }
  return std::strstr(lowered, "www") ? kHostWWW : kHostUnknown;
}

}  // namespace fx

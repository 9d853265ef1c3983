#include "plugin/HostDisplayNames.h"

#include <iterator>

namespace kd {

namespace {

// In the order of fx::EHost, starting at kHostReaper (1).
constexpr const char* kHostNames[] = {"Reaper",
                                      "Protools",
                                      "Cubase",
                                      "Nuendo",
                                      "Cakewalk",
                                      "Vegas",
                                      "FL Studio",
                                      "Samplitude",
                                      "Ableton Live",
                                      "Tracktion",
                                      "n-Track Studio",
                                      "Melodyne",
                                      "Vst-Scanner",
                                      "Aulab",
                                      "Forte",
                                      "Chainer",
                                      "Audition",
                                      "Orion",
                                      "Bias",
                                      "Sawstudio",
                                      "Logic Pro",
                                      "Garageband",
                                      "Digital Performer",
                                      "Standalone",
                                      "Audiomulch",
                                      "Studio One",
                                      "Vst3 Test Host",
                                      "Ardour",
                                      "Renoise",
                                      "OpenMPT",
                                      "Wavelab",
                                      "Wavelab Elements",
                                      "TwistedWave",
                                      "Bitwig Studio",
                                      "WWW",
                                      "Reason",
                                      "GoldWave",
                                      "Waveform",
                                      "Audacity",
                                      "Acoustica",
                                      "Plugindoctor",
                                      "Izotope RX",
                                      "Savihost",
                                      "Blue Cat's VST Host",
                                      "Blue Cat's VST3 Host",
                                      "Sadie",
                                      "SpectraLayers",
                                      "VSTHost",
                                      "VST Plugin Analyser",
                                      "Wavosaur",
                                      "Mixbus32C",
                                      "Kushview Element",
                                      "Juce VST Host",
                                      "NI Komplete Kontrol",
                                      "VST3Shell",
                                      "Luna",
                                      "AudioGridderServer",
                                      "VST Live",
                                      "Equalizer APO",
                                      "Architect",
                                      "Izotope VST3 Host",
                                      "Cantabile 3",
                                      "Plugin Buddy",
                                      "FinalCut",
                                      "DaVinci Resolve",
                                      "UAD Luna Win",
                                      "DDMF MetaPlugin"};

static_assert(std::size(kHostNames) == fx::kHostMetaPlugin, "one name per identified host");

}  // namespace

const char* HostDisplayName(fx::EHost host) {
  const int idx = static_cast<int>(host) - fx::kHostReaper;
  if (idx < 0 || idx >= static_cast<int>(std::size(kHostNames))) return "Unknown";
  return kHostNames[idx];
}

}  // namespace kd

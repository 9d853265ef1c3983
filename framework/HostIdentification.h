// Identification of the host application from the product string it gives the plug-in.
#pragma once

namespace fx {

enum EHost : int {
  kHostUninit = -1,
  kHostUnknown = 0,
  kHostReaper = 1,
  kHostProTools,
  kHostCubase,
  kHostNuendo,
  kHostSonar,
  kHostVegas,
  kHostFL,
  kHostSamplitude,
  kHostAbletonLive,
  kHostTracktion,
  kHostNTracks,
  kHostMelodyneStudio,
  kHostVSTScanner,
  kHostAULab,
  kHostForte,
  kHostChainer,
  kHostAudition,
  kHostOrion,
  kHostBias,
  kHostSAWStudio,
  kHostLogic,
  kHostGarageBand,
  kHostDigitalPerformer,
  kHostStandalone,
  kHostAudioMulch,
  kHostStudioOne,
  kHostVST3TestHost,
  kHostArdour,
  kHostRenoise,
  kHostOpenMPT,
  kHostWaveLab,
  kHostWaveLabElements,
  kHostTwistedWave,
  kHostBitwig,
  kHostWWW,
  kHostReason,
  kHostGoldWave5x,
  kHostWaveform,
  kHostAudacity,
  kHostAcoustica,
  kHostPluginDoctor,
  kHostiZotopeRX,
  kHostSAVIHost,
  kHostBlueCat,
  kHostBlueCatVST3,
  kHostSadie,
  kHostSpectraLayers,
  kHostVSTHost,
  kHostVSTPluginAnalyser,
  kHostWavosaur,
  kHostMixbus,
  kHostElement,
  kHostPluginHost,
  kHostKompleteKontrol,
  kHostVST3Shell,
  kHostLuna,
  kHostAudioGridder,
  kHostVSTLive,
  kHostEqualizerAPO,
  kHostArchitect,
  kHostiZotopeVST3Host,
  kHostCantabile,
  kHostPluginBuddy,
  kHostFinalCut,
  kHostDreamII,
  kHostReserved66,  // no product string maps here
  kHostMetaPlugin
};

// Any thread; never blocks, never allocates. Lower-cases at most the first 255 characters of the host's
// product string and answers the first host of the fixed table whose key text it contains; a text with
// none of them but "www" is a web host; anything else, null included, is kHostUnknown.
EHost LookUpHost(const char* productString);

}  // namespace fx

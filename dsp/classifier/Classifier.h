// Two-way audio classifier over plain records in one caller-provided memory block.
//
// In: mono audio at 32000, 44100 or 48000 Hz, floats in -1..1, in blocks of at most maxBlock samples.
// Out: the latest decision, -1 until the first one, then class 0 or 1 (the classifier gives them no
// further meaning).
// Stages: scale to the 16-bit range -> sample ring -> resample to 16 kHz in chunks of one 1024-sample frame
// (chunks below one 16-bit step are treated as silence) -> seven feature modules fed in blocks of 256,
// 512 or 1024 samples -> every eighth frame the seven features go to the stump vote. The first decision
// follows frame 32 (2.048 s of audio), later ones come every 8 frames (0.512 s).
// Out of scope: other rates, stereo, allocation of any kind; the caller owns and frees the block.
#pragma once

#include <cstdint>

#include "dsp/classifier/EnergyPeriodicity.h"
#include "dsp/classifier/LowEnergy.h"
#include "dsp/classifier/Resampler16k.h"
#include "dsp/classifier/SampleRing.h"
#include "dsp/classifier/SpectralFlux.h"
#include "dsp/classifier/SpectralSlope.h"
#include "dsp/classifier/StumpVote.h"
#include "dsp/classifier/VariancePeriodicity.h"
#include "dsp/classifier/ZeroCrossings.h"

namespace classifier {

inline constexpr uint32_t kFrameLength = 1024;
inline constexpr uint32_t kFramesPerDecision = 8;
// The frame counter starts here so the first decision waits for 32 frames of history.
inline constexpr int32_t kFirstFrameCounter = -24;
inline constexpr int32_t kNoDecision = -1;
// Largest maxBlock accepted; keeps every count of the layout within 32 bits.
inline constexpr uint32_t kClassifierMaxBlockLimit = 1u << 24;

// Feature vector indices.
enum EClassifierFeature : uint32_t {
  kFeatureSpectralFlux = 0,
  kFeatureSpectralSlope = 1,
  kFeatureLowEnergy = 2,
  kFeatureZcrSkewness = 3,
  kFeatureZcrMedianRatio = 4,
  kFeatureVariancePeriodicity = 5,
  kFeatureEnergyPeriodicity = 6,
};

// Lies at the start of the caller's block; every pointer points into the same block.
struct ClassifierHeader {
  SpectralSlopeState* spectralSlope;
  EnergyPeriodicityState* energyPeriodicity;
  LowEnergyState* lowEnergy;
  VariancePeriodicityState* variancePeriodicity;
  SpectralFluxState* spectralFlux;
  ZcrMedianRatioState* zcrMedianRatio;
  ZcrSkewnessState* zcrSkewness;
  SampleRing* ring;
  StumpVoteState* vote;
  Resampler16kState* resampler;
  float features[kFeatureCount];
  float* resamplerInput;
  float* frame;
  int32_t frameCounter;
  float* scratch;
  int32_t lastDecision;
  uint32_t maxBlock;
};

// All operations: the caller's thread (typically the audio thread), never block, never allocate, never
// make a system call.

// Bytes of the block for inputRate and blocks of up to maxBlock samples; every region starts on a
// kRegionAlignment boundary. 0 for an unsupported rate or a maxBlock above kClassifierMaxBlockLimit; a
// maxBlock of 0 gives the regions with an empty scratch (a classifier that takes no samples).
uint64_t classifier_size(int32_t inputRate, uint32_t maxBlock);

// Lays the regions out in block and starts over: every history cleared, resampler unprimed, no decision.
// block must be aligned to kRegionAlignment (malloc and operator new are). Returns 0, or -1 (block
// untouched) for an unsupported rate or a maxBlock above the limit, a missing or misaligned block, or a blockSize below
// classifier_size(inputRate, maxBlock).
int classifier_init(void* block, uint64_t blockSize, int32_t inputRate, uint32_t maxBlock);

// Feeds count samples (at most the maxBlock given to init) to a block that classifier_init accepted and
// returns the latest decision: -1 before the first, then 0 or 1. Returns -1 (nothing consumed) for a
// count above maxBlock or missing samples. Its cost grows with the number of frames completed.
int classifier_process(void* block, const float* samples, uint32_t count);

}  // namespace classifier

#include "dsp/classifier/Classifier.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "dsp/classifier/ClassifierMemory.h"

namespace classifier {

namespace {

// Input samples are scaled to the 16-bit range the feature thresholds were trained on.
constexpr float kInputScale = 32768.0f;
// A chunk whose largest scaled magnitude is below one 16-bit step is processed as exact silence.
constexpr float kSilenceThreshold = 1.0f;
constexpr uint32_t kQuarter = kFrameLength / 4;
constexpr uint32_t kHalf = kFrameLength / 2;

// Byte offsets of the regions, in the order they lie in the block.
struct Layout {
  uint64_t spectralSlope;
  uint64_t vote;
  uint64_t energyPeriodicity;
  uint64_t lowEnergy;
  uint64_t variancePeriodicity;
  uint64_t spectralFlux;
  uint64_t zcrMedianRatio;
  uint64_t zcrSkewness;
  uint64_t resampler;
  uint64_t scratch;
  uint64_t resamplerInput;
  uint64_t frame;
  uint64_t ring;
  uint64_t total;
  uint64_t resamplerSize;
  uint64_t ringSize;
  uint32_t ringCapacity;
};

class LayoutBuilder {
 public:
  // Reserves a region of the given size and returns its offset.
  uint64_t take(uint64_t size) {
    const uint64_t offset = mEnd;
    mEnd += align_region(size);
    return offset;
  }
  uint64_t end() const { return mEnd; }

 private:
  uint64_t mEnd = 0;
};

bool plan_layout(int32_t inputRate, uint32_t maxBlock, Layout& layout) {
  uint32_t inputCount = 0;
  const uint64_t resamplerSize = resampler16k_size(inputRate, kClassifierRate, kFrameLength, &inputCount);
  if (resamplerSize == 0 || maxBlock > kClassifierMaxBlockLimit) return false;
  layout.resamplerSize = resamplerSize;
  layout.ringCapacity = 2 * std::max(inputCount, maxBlock);
  layout.ringSize = sample_ring_size(layout.ringCapacity);
  LayoutBuilder b;
  b.take(sizeof(ClassifierHeader));
  layout.spectralSlope = b.take(spectral_slope_size());
  layout.vote = b.take(stump_vote_size());
  layout.energyPeriodicity = b.take(energy_periodicity_size());
  layout.lowEnergy = b.take(low_energy_size());
  layout.variancePeriodicity = b.take(variance_periodicity_size());
  layout.spectralFlux = b.take(spectral_flux_size());
  layout.zcrMedianRatio = b.take(zcr_median_ratio_size());
  layout.zcrSkewness = b.take(zcr_skewness_size());
  layout.resampler = b.take(resamplerSize);
  layout.scratch = b.take(uint64_t{maxBlock} * sizeof(float));
  layout.resamplerInput = b.take(uint64_t{inputCount} * sizeof(float));
  layout.frame = b.take(kFrameLength * sizeof(float));
  layout.ring = b.take(layout.ringSize);
  layout.total = b.end();
  return true;
}

template <typename Record>
Record* region(void* block, uint64_t offset) {
  return reinterpret_cast<Record*>(static_cast<unsigned char*>(block) + offset);
}

void place_regions(ClassifierHeader& h, void* block, const Layout& layout) {
  h.spectralSlope = region<SpectralSlopeState>(block, layout.spectralSlope);
  h.energyPeriodicity = region<EnergyPeriodicityState>(block, layout.energyPeriodicity);
  h.lowEnergy = region<LowEnergyState>(block, layout.lowEnergy);
  h.variancePeriodicity = region<VariancePeriodicityState>(block, layout.variancePeriodicity);
  h.spectralFlux = region<SpectralFluxState>(block, layout.spectralFlux);
  h.zcrMedianRatio = region<ZcrMedianRatioState>(block, layout.zcrMedianRatio);
  h.zcrSkewness = region<ZcrSkewnessState>(block, layout.zcrSkewness);
  h.ring = region<SampleRing>(block, layout.ring);
  h.vote = region<StumpVoteState>(block, layout.vote);
  h.resampler = region<Resampler16kState>(block, layout.resampler);
  h.resamplerInput = region<float>(block, layout.resamplerInput);
  h.frame = region<float>(block, layout.frame);
  h.scratch = region<float>(block, layout.scratch);
}

// Every init below is given exactly its region, which the layout sized and aligned, so none can fail.
void init_modules(ClassifierHeader& h, int32_t inputRate, const Layout& layout) {
  spectral_slope_init(h.spectralSlope, spectral_slope_size());
  energy_periodicity_init(h.energyPeriodicity, energy_periodicity_size());
  low_energy_init(h.lowEnergy, low_energy_size());
  variance_periodicity_init(h.variancePeriodicity, variance_periodicity_size());
  spectral_flux_init(h.spectralFlux, spectral_flux_size());
  zcr_median_ratio_init(h.zcrMedianRatio, zcr_median_ratio_size());
  zcr_skewness_init(h.zcrSkewness, zcr_skewness_size());
  stump_vote_init(h.vote, stump_vote_size());
  resampler16k_init(h.resampler, layout.resamplerSize, kFrameLength, inputRate, kClassifierRate);
  sample_ring_init(h.ring, layout.ringSize, layout.ringCapacity);
}

void gate_silence(float* samples, uint32_t count) {
  float largest = 0.0f;
  for (uint32_t i = 0; i < count; ++i) largest = std::max(largest, std::fabs(samples[i]));
  if (count > 0 && largest < kSilenceThreshold) std::fill_n(samples, count, 0.0f);
}

template <typename State, typename Process>
void feed_quarters(State* state, const float* frame, Process process) {
  for (uint32_t q = 0; q < 4; ++q) process(state, frame + q * kQuarter, kQuarter);
}

void feed_modules(ClassifierHeader& h) {
  const float* frame = h.frame;
  spectral_slope_process(h.spectralSlope, frame, kHalf);
  spectral_slope_process(h.spectralSlope, frame + kHalf, kHalf);
  feed_quarters(h.energyPeriodicity, frame, energy_periodicity_process);
  feed_quarters(h.lowEnergy, frame, low_energy_process);
  feed_quarters(h.variancePeriodicity, frame, variance_periodicity_process);
  spectral_flux_process(h.spectralFlux, frame, kFrameLength);
  feed_quarters(h.zcrMedianRatio, frame, zcr_median_ratio_process);
  feed_quarters(h.zcrSkewness, frame, zcr_skewness_process);
}

// Some features age their state when read, so they are read in this fixed order, once per decision.
void decide(ClassifierHeader& h) {
  h.features[kFeatureSpectralSlope] = spectral_slope_get(h.spectralSlope);
  h.features[kFeatureEnergyPeriodicity] = energy_periodicity_get(h.energyPeriodicity);
  h.features[kFeatureLowEnergy] = low_energy_get(h.lowEnergy);
  h.features[kFeatureVariancePeriodicity] = variance_periodicity_get(h.variancePeriodicity);
  h.features[kFeatureSpectralFlux] = spectral_flux_get(h.spectralFlux);
  h.features[kFeatureZcrMedianRatio] = zcr_median_ratio_get(h.zcrMedianRatio);
  h.features[kFeatureZcrSkewness] = zcr_skewness_get(h.zcrSkewness);
  h.lastDecision = stump_vote_decide(h.vote, h.features);
}

void run_frame(ClassifierHeader& h, uint32_t needed) {
  sample_ring_pop(h.ring, h.resamplerInput, needed);
  gate_silence(h.resamplerInput, needed);
  resampler16k_process(h.resampler, needed, h.resamplerInput, h.frame);
  feed_modules(h);
  if (++h.frameCounter == static_cast<int32_t>(kFramesPerDecision)) {
    decide(h);
    h.frameCounter = 0;
  }
}

}  // namespace

uint64_t classifier_size(int32_t inputRate, uint32_t maxBlock) {
  Layout layout{};
  return plan_layout(inputRate, maxBlock, layout) ? layout.total : 0;
}

int classifier_init(void* block, uint64_t blockSize, int32_t inputRate, uint32_t maxBlock) {
  Layout layout{};
  if (!plan_layout(inputRate, maxBlock, layout) || block == nullptr || blockSize < layout.total ||
      reinterpret_cast<uintptr_t>(block) % kRegionAlignment != 0) {
    return -1;
  }
  auto& h = *static_cast<ClassifierHeader*>(block);
  place_regions(h, block, layout);
  init_modules(h, inputRate, layout);
  std::fill(std::begin(h.features), std::end(h.features), 0.0f);
  h.frameCounter = kFirstFrameCounter;
  h.lastDecision = kNoDecision;
  h.maxBlock = maxBlock;
  return 0;
}

int classifier_process(void* block, const float* samples, uint32_t count) {
  if (block == nullptr) return -1;
  auto& h = *static_cast<ClassifierHeader*>(block);
  if (count > h.maxBlock || (count > 0 && samples == nullptr)) return -1;
  for (uint32_t i = 0; i < count; ++i) h.scratch[i] = samples[i] * kInputScale;
  sample_ring_push(h.ring, h.scratch, count);
  for (uint32_t needed = resampler16k_needed(h.resampler); sample_ring_count(h.ring) >= needed;
       needed = resampler16k_needed(h.resampler)) {
    run_frame(h, needed);
  }
  return h.lastDecision;
}

}  // namespace classifier

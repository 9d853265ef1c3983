// The audio thread: Kelvadrune::ProcessBlock and what it runs. Nothing here allocates, does I/O or touches
// the editor; the only lock is mDSPMutex, held for the whole block.
#include <algorithm>
#include <cmath>

#include "plugin/Kelvadrune.h"

namespace {

// The most input channels the oversampled path up-samples (the oversampler's up channels).
constexpr int kMaxUpChannels = 4;
// The output channels the oversampled path down-samples, and silences when the counts come out wrong.
constexpr int kMaxDownChannels = 2;

// Master gain, then left/right or mid/side gains; the core layout has no master fader or mid/side mode.
inline void ApplyGains(double l, double r, double gM, double gLM, double gS, bool coreLayout, bool midSide,
                       double& outL, double& outR) {
  if (!coreLayout) {
    l = l * gM;
    r = r * gM;
  }
  if (midSide && !coreLayout) {
    const double mid = (l + r) * 0.5 * gLM;
    const double side = (l - r) * 0.5 * gS;
    outL = mid + side;
    outR = mid - side;
  } else {
    outL = l * gLM;
    outR = r * gS;
  }
}

}  // namespace

void Kelvadrune::ProcessBlock(double** inputs, double** outputs, int nFrames) {
  std::lock_guard<std::mutex> lock(mDSPMutex);
  if (GetHost() == fx::kHostProTools) {
    const int pending = GetLatencyValuePDC();
    if (GetLatency() != pending) SetLatencyPDC(*this, pending);
  }
  if (!inputs || !outputs || nFrames < 1) return;
  const int nIn = NChannelsConnected(fx::kInput);
  const int nOut = NChannelsConnected(fx::kOutput);
  // Nothing to process, but the outputs are written all the same: left alone, they would hold the host's
  // stale buffer or, behind the framework's scratch buffers, this plug-in's last block played again.
  if (nIn == 0 || nOut == 0) {
    ClearOutputs(outputs, nFrames);
    return;
  }
  if (mMeterResetRequested.exchange(false, std::memory_order_acq_rel)) {
    mMeters.ResetLevels();
  }
  BlockSettings s = TakeBlockSettings();
  KeepHeardGainRules(s);
  if (s.sampleAccurate) {
    for (GainState& state : mGains) {
      if (state.automation.IsActive()) InterpolateAutomation(state.automation, nFrames);
    }
  }
  for (int g = 0; g < kNumGains; ++g) mGains[g].fader.SetRules(s.rules[g]);
  StartGainRamps(s);
  if (mOversampler.Factor() > 1) {
    ProcessOversampled(inputs, outputs, nIn, nOut, nFrames, s);
  } else {
    ProcessAtRate(Route(inputs, outputs, nIn, nOut), nFrames, s);
  }
  if (s.sampleAccurate) {
    for (GainState& state : mGains) state.automation.EndBlock();
  }
  mUnheard = !s.power && !s.testSignal && mFade.HasEnded(false);
  PublishMeters();
}

Kelvadrune::BlockSettings Kelvadrune::TakeBlockSettings() {
  const uint64_t before = mSettingsLoads.load(std::memory_order_acquire);
  if (before % kLoadEdge != 0 && mHasLastSettings) return mLastSettings;
  // Every setting is read with acquire: a value a load stored carries the load's start with it, so the count
  // read after the settings shows the load.
  const BlockSettings s = ReadBlockSettings();
  if (mSettingsLoads.load(std::memory_order_acquire) != before && mHasLastSettings) return mLastSettings;
  mLastSettings = s;
  mHasLastSettings = true;
  return s;
}

// While the processed signal fades out (Power off, no test signal), it plays what was last heard, fading: the gains
// keep the rules (lock, range, minus infinity) and the layout (core, linked, mid/side) of the last block that was
// heard, as the ramps keep their targets below. Rules that came with Power going off would otherwise turn the
// held fader position into a gain never heard (an unlocked top fader: +43 dB through the fade-out).
void Kelvadrune::KeepHeardGainRules(BlockSettings& s) {
  const bool fadingOut = !mUnheard && !s.power && !s.testSignal;
  if (!fadingOut || !mHasHeardRules) {
    mHeardRules = {s.rules, s.linked, s.coreLayout, s.midSide};
    mHasHeardRules = true;
  }
  if (!fadingOut) return;
  s.rules = mHeardRules.rules;
  s.linked = mHeardRules.linked;
  s.coreLayout = mHeardRules.coreLayout;
  s.midSide = mHeardRules.midSide;
}

// While the processed signal fades out (Power off, no test signal), each gain keeps heading where it was heard
// heading; once the signal is no longer heard, each gain stands at once at its fader's position, ramp and smoothing
// done. So neither Power going off nor coming on plays a gain change that was made while it was off.
void Kelvadrune::StartGainRamps(const BlockSettings& s) {
  if (!mUnheard) {
    const bool holding = !s.power && !s.testSignal;
    for (int g = 0; g < kNumGains; ++g) {
      kd::GainRamp& ramp = mGains[g].ramp;
      ramp.BeginBlock(holding ? ramp.Target() : s.positions[g]);
    }
    return;
  }
  for (int g = 0; g < kNumGains; ++g) {
    GainState& state = mGains[g];
    const double gain = state.fader.Get(s.positions[s.linked && g == kGainIdxRS ? kGainIdxLM : g]);
    state.ramp.Reset(s.positions[g], state.ramp.Length());
    for (kd::SmoothingFilter& filter : state.filters) filter.Settle(gain);
    state.lastGain = gain;
    state.smoothing = false;
  }
}

Kelvadrune::BlockSettings Kelvadrune::ReadBlockSettings() const {
  constexpr auto kOrder = std::memory_order_acquire;
  BlockSettings s;
  s.power = mPower.load(kOrder) != 0;
  s.midSide = mProcessMode.load(kOrder) == 1;
  s.coreLayout = mCoreFaderLayout.load(kOrder) == 1;
  s.linked = mBasicFaderLayout.load(kOrder) == 1;
  s.meters = mDisableMeter.load(kOrder) == 0;
  s.senders = mEditorOpen.load(kOrder) && mHideModViews.load(kOrder) == 0;
  s.sampleAccurate = mSampleAccurateActive.load(kOrder);
  s.testSignal = mTestSignal.load(kOrder) == 1;
  s.minGain = mMinGain.load(kOrder);
  s.maxGain = mMaxGain.load(kOrder);
  // The minus-infinity threshold: the minimum as the faders show it.
  const double minRounded = kd::RoundToHundredths(s.minGain);
  for (int g = 0; g < kNumGains; ++g) {
    s.positions[g] = mGain[g].load(kOrder);
    s.rules[g] = {s.minGain, s.maxGain, minRounded, mTreatMinAsInf[g].load(kOrder) != 0, mLock[g].load(kOrder) != 0};
  }
  // Linked side faders: the left/mid fader, its minus-infinity switch and its lock govern both.
  if (s.linked) s.rules[kGainIdxRS] = s.rules[kGainIdxLM];
  return s;
}

// One output: both paths read input 0 and write output 0. Two outputs: left and right from inputs 0 and 1
// when there are two or more inputs, both from input 0 otherwise.
Kelvadrune::Routing Kelvadrune::Route(double** inputs, double** outputs, int nIn, int nOut) const {
  Routing io;
  io.inL = inputs[0];
  io.inR = (nOut == 2 && nIn >= 2 && nIn <= 4) ? inputs[1] : inputs[0];
  io.outL = outputs[0];
  io.outR = nOut >= 2 ? outputs[1] : nullptr;
  return io;
}

// The meters read each channel's values as computed: left from output 0, right from output 1 (silence with
// one output). When the host gives one buffer for both outputs, the buffer ends up holding the right channel,
// so the sample path meters each chunk before the right channel lands in it.
void Kelvadrune::ProcessAtRate(const Routing& io, int nFrames, const BlockSettings& s) {
  if (SharesOneOutputBuffer(io)) {
    ProcessCore(io, nFrames, s);
    return;
  }
  if (!TryProcessSteadyBlock(io, nFrames, s)) ProcessCore(io, nFrames, s);
  if (s.meters) mMeters.Process(io.outL, io.outR, nFrames);
}

// In pieces of at most a block (what the up-samplers and the input copies take): each input channel
// up-sampled, the processing (ramps, smoothing, fade, meters and feeds alike) at the oversampled rate into
// the oversampled buffers, each output channel down-sampled back. A piece whose counts do not come out
// right (the resamplers still filling at the start, or more samples than the oversampled buffers hold)
// leaves the two outputs silent for the whole host block, as one block the host gave: a later piece that
// fits (a short last one) would only sound the few samples its down-samplers were given.
void Kelvadrune::ProcessOversampled(double** inputs, double** outputs, int nIn, int nOut, int nFrames,
                                    const BlockSettings& s) {
  const int piece = std::max(mBlockSize.load(std::memory_order_acquire), 1);
  const int nUp = std::min({nIn, mOversampler.NumUpChannels(), kMaxUpChannels});
  const int nOversampled = std::min(mOversampler.NumDownChannels(), kMaxDownChannels);
  const int nDown = std::min(nOut, nOversampled);
  std::array<double*, kMaxUpChannels> up{};
  std::array<double*, kMaxDownChannels> oversampled{};
  std::array<double*, kMaxDownChannels> down{};
  for (int c = 0; c < nOversampled; ++c) oversampled[c] = mOversampler.OversampledBuffer(c);
  const int nSilenced = std::min(kMaxDownChannels, MaxNChannels(fx::kOutput));
  bool blockCounts = true;
  for (int done = 0; done < nFrames; done += piece) {
    const int n = std::min(piece, nFrames - done);
    const int upCount = mOversampler.Upsample(0, inputs[0] + done, n, up[0]);
    bool counts = upCount <= mOversampler.MaxOversampledLength();
    for (int c = 1; c < nUp; ++c) counts = mOversampler.Upsample(c, inputs[c] + done, n, up[c]) == upCount && counts;
    if (counts) {
      ProcessAtRate(Route(up.data(), oversampled.data(), nIn, nOut), upCount, s);
      for (int c = 0; c < nDown; ++c) counts = mOversampler.Downsample(c, upCount, down[c]) == n && counts;
    }
    blockCounts = blockCounts && counts;
    if (!blockCounts) continue;
    for (int c = 0; c < nDown; ++c) {
      if (outputs[c]) std::copy_n(down[c], n, outputs[c] + done);
    }
  }
  if (blockCounts) return;
  for (int c = 0; c < nSilenced; ++c) {
    if (outputs[c]) std::fill_n(outputs[c], nFrames, 0.0);
  }
}

// The block in chunks, each in passes: the fader positions of every gain, then each gain's curve (fader
// law and smoothing), then the fade and the mix, then the modulation-view feeds. Every sample goes through
// the same operations in the same order as in one sample-by-sample loop; the passes only keep each
// recurrence (ramp, smoothing filters, fade) in registers on local copies, where writes to the host's
// buffers (which could alias the plug-in's state, as far as the compiler knows) cannot force it back
// through memory on every sample.
void Kelvadrune::ProcessCore(const Routing& io, int nFrames, const BlockSettings& s) {
  const bool sharedOutput = SharesOneOutputBuffer(io);
  std::array<double, kChunkFrames> right;
  for (int start = 0; start < nFrames; start += kChunkFrames) {
    const int n = std::min(kChunkFrames, nFrames - start);
    double* outR = io.outR ? io.outR + start : nullptr;
    const Routing chunk{io.inL + start, io.inR + start, io.outL + start, sharedOutput ? right.data() : outR};
    std::array<std::array<double, kChunkFrames>, kNumGains> curves;
    for (int g = 0; g < kNumGains; ++g) FaderPositions(mGains[g], start, n, s, curves[g].data());
    // Right/side first: when linked it follows the left/mid positions, read before they turn into gains.
    for (const int g : {kGainIdxRS, kGainIdxLM, kGainIdxMaster}) {
      const int source = s.linked && g == kGainIdxRS ? kGainIdxLM : g;
      GainCurve(mGains[g], curves[source].data(), curves[g].data(), n);
    }
    const double* gM = curves[kGainIdxMaster].data();
    const double* gLM = curves[kGainIdxLM].data();
    const double* gS = s.linked ? gLM : curves[kGainIdxRS].data();
    MixChunk(chunk, n, s, gM, gLM, gS);
    if (s.testSignal) WriteTestSignal(chunk, n, gM, gLM, gS);
    if (sharedOutput) {
      if (s.meters) mMeters.Process(chunk.outL, chunk.outR, n);
      std::copy_n(chunk.outR, n, outR);
    }
    if (s.senders) {
      for (int i = 0; i < n; ++i) {
        if (s.power)
          FeedSenders(gM[i], gLM[i], gS[i], s);
        else
          FeedSenders(1.0, 1.0, 1.0, s);
      }
    }
  }
}

// One gain's positions for n samples from sample start: its ramp, or the automation buffer's slots while
// the per-sample path is on (the ramp still steps).
void Kelvadrune::FaderPositions(GainState& state, int start, int n, const BlockSettings& s, double* positions) {
  kd::GainRamp ramp = state.ramp;
  if (ramp.IsIdle()) {
    std::fill_n(positions, n, ramp.Target());
  } else {
    for (int i = 0; i < n; ++i) positions[i] = ramp.Next();
  }
  state.ramp = ramp;
  if (s.sampleAccurate && state.automation.IsActive()) {
    for (int i = 0; i < n; ++i) positions[i] = state.automation.Position(start + i);
  }
}

// Positions to smoothed gains: the fader law, then both smoothing stages while the gain differs from the
// last smoothed one by more than the threshold (the filters keep their state otherwise). gains may be
// positions itself. Two loops, so that the smoothing recurrence has no call in it (a call would push its
// state out of the registers on every sample).
void Kelvadrune::GainCurve(GainState& state, const double* positions, double* gains, int n) {
  kd::FaderGain fader = state.fader;
  for (int i = 0; i < n; ++i) gains[i] = fader.Get(positions[i]);
  state.fader = fader;
  kd::SmoothingFilter first = state.filters[0];
  kd::SmoothingFilter second = state.filters[1];
  double last = state.lastGain;
  bool smoothing = state.smoothing;
  const double threshold = state.threshold;
  if (first.IsFirstOrderHeldTwice() && second.IsFirstOrderHeldTwice()) {
    for (int i = 0; i < n; ++i) {
      double gain = gains[i];
      smoothing = std::fabs(last - gain) > threshold;
      if (smoothing) gain = second.TickFirstOrder(first.TickFirstOrder(gain));
      last = gain;
      gains[i] = gain;
    }
  } else {
    for (int i = 0; i < n; ++i) {
      double gain = gains[i];
      smoothing = std::fabs(last - gain) > threshold;
      if (smoothing) gain = TickSmoothingFilter(second, TickSmoothingFilter(first, gain));
      last = gain;
      gains[i] = gain;
    }
  }
  state.filters[0] = first;
  state.filters[1] = second;
  state.lastGain = last;
  state.smoothing = smoothing;
}

// The fade and the routing's arithmetic for n samples from sample start. Once the fade has ended its share
// is exactly 1 (processed) or 0 (dry) for every sample, so the mix needs no per-sample fade.
void Kelvadrune::MixChunk(const Routing& io, int n, const BlockSettings& s, const double* gM, const double* gLM,
                          const double* gS) {
  const double* inL = io.inL;
  const double* inR = io.inR;
  double* outL = io.outL;
  double* outR = io.outR;
  if (mFade.HasEnded(s.power)) {
    mFade.Advance(s.power, n);
    if (!s.power) {
      if (outL != inL) std::copy_n(inL, n, outL);
      if (outR && outR != inR) std::copy_n(inR, n, outR);
      return;
    }
    for (int i = 0; i < n; ++i) {
      double wetR = 0.0;
      ApplyGains(inL[i], inR[i], gM[i], gLM[i], gS[i], s.coreLayout, s.midSide, outL[i], wetR);
      if (outR) outR[i] = wetR;
    }
    return;
  }
  kd::PowerFade fade = mFade;
  for (int i = 0; i < n; ++i) {
    double f = 0.0;
    const bool fading = fade.Tick(s.power, f);
    const double l = inL[i];
    const double r = inR[i];
    double outL = l;
    double outR = r;
    if (fading || s.power) {
      double wetL = 0.0;
      double wetR = 0.0;
      ApplyGains(l, r, gM[i], gLM[i], gS[i], s.coreLayout, s.midSide, wetL, wetR);
      if (fading) {
        outL = l * (1.0 - f) + wetL * f;
        outR = r * (1.0 - f) + wetR * f;
      } else {
        outL = wetL;
        outR = wetR;
      }
    }
    io.outL[i] = outL;
    if (io.outR) io.outR[i] = outR;
  }
  mFade = fade;
}

// A block in which nothing moves (no ramp, no fade, no smoothing, no per-sample automation) runs the
// same arithmetic with the gains taken once, in loops the compiler can vectorise. False when the block
// needs the sample-by-sample path.
bool Kelvadrune::TryProcessSteadyBlock(const Routing& io, int nFrames, const BlockSettings& s) {
  if (s.sampleAccurate || s.testSignal || !mFade.HasEnded(s.power)) return false;
  std::array<double, kNumGains> gains{};
  for (int g = 0; g < kNumGains; ++g) {
    GainState& state = mGains[g];
    if (!state.ramp.IsIdle()) return false;
    const double position = mGains[s.linked && g == kGainIdxRS ? kGainIdxLM : g].ramp.Target();
    gains[g] = state.fader.Get(position);
    if (std::fabs(state.lastGain - gains[g]) > state.threshold) return false;
  }
  mFade.Advance(s.power, nFrames);
  for (int g = 0; g < kNumGains; ++g) {
    mGains[g].lastGain = gains[g];
    mGains[g].smoothing = false;
  }
  const double gM = gains[kGainIdxMaster];
  const double gLM = gains[kGainIdxLM];
  const double gS = s.linked ? gLM : gains[kGainIdxRS];
  const double* inL = io.inL;
  const double* inR = io.inR;
  double* outL = io.outL;
  double* outR = io.outR;
  if (!s.power) {
    if (outL != inL) std::copy_n(inL, nFrames, outL);
    if (outR && outR != inR) std::copy_n(inR, nFrames, outR);
  } else if (outR && s.coreLayout) {
    for (int i = 0; i < nFrames; ++i) {
      const double l = inL[i];
      const double r = inR[i];
      outL[i] = l * gLM;
      outR[i] = r * gS;
    }
  } else if (outR && !s.midSide) {
    for (int i = 0; i < nFrames; ++i) {
      const double l = inL[i];
      const double r = inR[i];
      outL[i] = (l * gM) * gLM;
      outR[i] = (r * gM) * gS;
    }
  } else {
    for (int i = 0; i < nFrames; ++i) {
      double wetR = 0.0;
      ApplyGains(inL[i], inR[i], gM, gLM, gS, s.coreLayout, s.midSide, outL[i], wetR);
      if (outR) outR[i] = wetR;
    }
  }
  if (s.senders) {
    for (int i = 0; i < nFrames; ++i) {
      if (s.power)
        FeedSenders(gM, gLM, gS, s);
      else
        FeedSenders(1.0, 1.0, 1.0, s);
    }
  }
  return true;
}

// The test signal in place of the outputs, whatever "Power" and the fade: t x gM x gLM on the left and
// t x gM x gS on the right.
void Kelvadrune::WriteTestSignal(const Routing& io, int n, const double* gM, const double* gLM, const double* gS) {
  for (int i = 0; i < n; ++i) {
    const double t = TickTestOscillator();
    io.outL[i] = t * gM[i] * gLM[i];
    if (io.outR) io.outR[i] = t * gM[i] * gS[i];
  }
}

void Kelvadrune::FeedSenders(double gM, double gLM, double gS, const BlockSettings& s) {
  mGains[kGainIdxMaster].sender.AddSample(kd::GainToViewPosition(gM, s.minGain, s.maxGain));
  mGains[kGainIdxLM].sender.AddSample(kd::GainToViewPosition(gLM, s.minGain, s.maxGain));
  mGains[kGainIdxRS].sender.AddSample(kd::GainToViewPosition(gS, s.minGain, s.maxGain));
}

void Kelvadrune::PublishMeters() {
  for (int m = 0; m < kNumMeters; ++m) {
    mMeterLevel[m].store(mMeters.Level(m), std::memory_order_release);
    mMeterPeak[m].store(mMeters.Peak(m), std::memory_order_release);
    mMeterInverted[m].store(mMeters.Inverted(m), std::memory_order_release);
  }
}

// Outputs are never left holding whatever the host had in them.
void Kelvadrune::ClearOutputs(double** outputs, int nFrames) {
  for (int c = 0; c < MaxNChannels(fx::kOutput); ++c) {
    if (outputs[c]) std::fill_n(outputs[c], nFrames, 0.0);
  }
}

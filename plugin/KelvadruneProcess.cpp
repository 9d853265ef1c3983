// The audio thread: Kelvadrune::ProcessBlock and what it runs. Nothing here allocates, does I/O or touches
// the editor; the only lock is mDSPMutex, held for the whole block.
#include <algorithm>
#include <cmath>

#include "plugin/Kelvadrune.h"

namespace {

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
    const int pending = mPDCLatency.load(std::memory_order_acquire);
    if (GetLatency() != pending) SetLatencyPDC(pending);
  }
  if (!inputs || !outputs || nFrames < 1) return;
  const int nIn = NChannelsConnected(fx::kInput);
  const int nOut = NChannelsConnected(fx::kOutput);
  if (nIn == 0 || nOut == 0) {
    ClearOutputs(outputs, nFrames);
    return;
  }
  if (mMeterResetRequested.exchange(false, std::memory_order_acq_rel)) {
    mMeters.ResetLevels();
  }
  const BlockSettings s = ReadBlockSettings();
  if (s.sampleAccurate) {
    for (GainState& state : mGains) {
      if (state.automation.IsActive()) state.automation.Interpolate(nFrames);
    }
  }
  for (int g = 0; g < kNumGains; ++g) {
    mGains[g].ramp.BeginBlock(mGain[g].load(std::memory_order_acquire));
    mGains[g].fader.SetRules(s.rules[g]);
  }
  const Routing io = Route(inputs, outputs, nIn, nOut);
  if (!TryProcessSteadyBlock(io, nFrames, s)) ProcessCore(io, nFrames, s);
  // The meters read the block's outputs: left from output 0, right from output 1 (silence with one output).
  if (s.meters) mMeters.Process(io.outL, io.outR, nFrames);
  if (s.sampleAccurate) {
    for (GainState& state : mGains) state.automation.EndBlock();
  }
  PublishMeters();
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
  s.minGain = mMinGain.load(kOrder);
  s.maxGain = mMaxGain.load(kOrder);
  // The minus-infinity threshold comes from the parameter as the faders show it.
  const double minRounded = kd::RoundToHundredths(GetParam(kMinGain)->Value());
  for (int g = 0; g < kNumGains; ++g) {
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

inline double Kelvadrune::SmoothGain(GainState& state, double gain) {
  if (std::fabs(state.lastGain - gain) > state.threshold) {
    state.smoothing = true;
    gain = state.filters[1].Tick(state.filters[0].Tick(gain));
  } else {
    state.smoothing = false;
  }
  state.lastGain = gain;
  return gain;
}

void Kelvadrune::ProcessCore(const Routing& io, int nFrames, const BlockSettings& s) {
  GainState& master = mGains[kGainIdxMaster];
  GainState& lm = mGains[kGainIdxLM];
  GainState& rs = mGains[kGainIdxRS];
  for (int i = 0; i < nFrames; ++i) {
    double pM = master.ramp.Next();
    double pLM = lm.ramp.Next();
    double pRS = rs.ramp.Next();
    double f = 0.0;
    const bool fading = mFade.Tick(s.power, f);
    if (s.sampleAccurate) {
      if (master.automation.IsActive()) pM = master.automation.Position(i);
      if (lm.automation.IsActive()) pLM = lm.automation.Position(i);
      if (rs.automation.IsActive()) pRS = rs.automation.Position(i);
    }
    if (s.linked) pRS = pLM;
    const double gM = SmoothGain(master, master.fader.Get(pM));
    const double gLM = SmoothGain(lm, lm.fader.Get(pLM));
    const double gRS = SmoothGain(rs, rs.fader.Get(pRS));
    const double gS = s.linked ? gLM : gRS;
    const double l = io.inL[i];
    const double r = io.inR[i];
    double outL = l;
    double outR = r;
    if (fading || s.power) {
      double wetL = 0.0;
      double wetR = 0.0;
      ApplyGains(l, r, gM, gLM, gS, s.coreLayout, s.midSide, wetL, wetR);
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
    if (s.senders) {
      if (s.power)
        FeedSenders(gM, gLM, gS, s);
      else
        FeedSenders(1.0, 1.0, 1.0, s);
    }
  }
}

// A block in which nothing moves (no ramp, no fade, no smoothing, no per-sample automation) runs the
// same arithmetic with the gains taken once, in loops the compiler can vectorise. False when the block
// needs the sample-by-sample path.
bool Kelvadrune::TryProcessSteadyBlock(const Routing& io, int nFrames, const BlockSettings& s) {
  if (s.sampleAccurate || !mFade.HasEnded(s.power)) return false;
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

void Kelvadrune::FeedSenders(double gM, double gLM, double gS, const BlockSettings& s) {
  mGains[kGainIdxMaster].sender.AddSample(kd::GainToViewPosition(gM, s.minGain, s.maxGain));
  mGains[kGainIdxLM].sender.AddSample(kd::GainToViewPosition(gLM, s.minGain, s.maxGain));
  mGains[kGainIdxRS].sender.AddSample(kd::GainToViewPosition(gS, s.minGain, s.maxGain));
}

void Kelvadrune::PublishMeters() {
  for (int m = 0; m < kNumMeters; ++m) {
    mMeterLevel[m].store(mMeters.Level(m), std::memory_order_release);
    mMeterPeak[m].store(mMeters.Peak(m), std::memory_order_release);
  }
}

// Outputs are never left holding whatever the host had in them.
void Kelvadrune::ClearOutputs(double** outputs, int nFrames) {
  for (int c = 0; c < MaxNChannels(fx::kOutput); ++c) {
    if (outputs[c]) std::fill_n(outputs[c], nFrames, 0.0);
  }
}

#include "plugin/resampler/CDSPResampler.h"

#include "plugin/resampler/CDSPBlockConvolver.h"
#include "plugin/resampler/CDSPFracInterpolator.h"
#include "plugin/resampler/CDSPHBDownsampler.h"
#include "plugin/resampler/CDSPHBUpsampler.h"
#include "plugin/resampler/CKernelFilterCache.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

namespace rsmp {

namespace {

constexpr int kStepArrayGrowth = 8;
constexpr int kMaxWholeTestSubtractions = 149;
constexpr int kMaxWholeDstCount = 1501;
// Transition-band factor of the up-sampling path (percent to a fraction of the band, with margin).
constexpr double kTransBandScale = 0.0175;
// The chain choice compares rates multiplied by small factors, and the steps multiply rates by sample counts (an
// int, times a factor of up to 4): above 2^-34 of the largest double those products could overflow, and unequal
// ratios would compare equal.
const double kMaxRate = std::ldexp(std::numeric_limits<double>::max(), -34);

// Whether 2S and D are multiples of a common step with fewer than 1501 steps in D.
bool IsWholeRatio(double twoSrc, double dst) noexcept {
  double x = twoSrc;
  double y = dst;
  double step = 0.0;
  for (int i = 0; i < kMaxWholeTestSubtractions; i++) {
    x -= y;
    if (x == 0.0) {
      step = y;
      break;
    }
    const double next = std::fabs(x);
    x = y;
    y = next;
  }
  const auto isWhole = [](double v) { return v == std::floor(v); };
  return step > 0.0 && std::floor(dst / step) < kMaxWholeDstCount && isWhole(dst / step) && isWhole(twoSrc / step);
}

}  // namespace

CDSPResampler::CDSPResampler(double srcSampleRate, double dstSampleRate, int maxInLen, double reqTransBand,
                             double reqAtten, int reqPhase)
    : MaxInLen(maxInLen), CurMaxOutLen(maxInLen) {
  if (!(srcSampleRate > 0.0 && srcSampleRate <= kMaxRate && dstSampleRate > 0.0 && dstSampleRate <= kMaxRate) ||
      maxInLen < 1)
    throw std::invalid_argument(
        "resampler rates must be positive and at most 2^-34 of the largest double, "
        "maxInLen at least 1");
  // Equal rates build no step and no buffer: Process hands the input back, however long.
  if (srcSampleRate == dstSampleRate) return;
  // No step writes more than twice the longer of the input and output blocks (a ratio near 1 first doubles
  // the rate, then interpolates it down), plus a few samples; this keeps each step buffer within
  // kMaxOutputLength doubles and every step's length arithmetic within int.
  const double longerBlock = static_cast<double>(maxInLen) * std::max(1.0, dstSampleRate / srcSampleRate);
  if (2.0 * longerBlock + 16.0 > kMaxOutputLength)
    throw std::invalid_argument("resampler block length out of range for the rate ratio");
  try {
    BuildChain(srcSampleRate, dstSampleRate, reqTransBand, reqAtten, reqPhase);
    AllocateStepBuffers();
  } catch (...) {
    DeleteSteps();
    throw;
  }
}

// The step buffers and then the steps array go with the members.
CDSPResampler::~CDSPResampler() {
  DeleteSteps();
}

void CDSPResampler::DeleteSteps() noexcept {
  for (int i = 0; i < StepCount; i++) delete Steps[i];
  StepCount = 0;
}

void CDSPResampler::BuildChain(double src, double dst, double transBand, double atten, int phase) {
  if (BuildSingleConvolver(src, dst, transBand, atten, phase)) return;
  if (BuildWholeUpsampling(src, dst, transBand, atten, phase)) return;
  if (2.0 * dst <= src)
    BuildDownsampling(src, dst, transBand, atten, phase);
  else
    BuildOtherRatio(src, dst, transBand, atten, phase);
}

bool CDSPResampler::BuildSingleConvolver(double src, double dst, double transBand, double atten, int phase) {
  struct Row {
    double srcMul, dstMul;
    int up, down;
    double cutoff, gain;
  };
  static const Row rows[] = {
      {1.0, 2.0, 1, 2, 1.0 / 2.0, 1.0}, {1.0, 3.0, 1, 3, 1.0 / 3.0, 1.0}, {2.0, 3.0, 2, 3, 1.0 / 3.0, 2.0},
      {3.0, 2.0, 3, 2, 1.0 / 3.0, 3.0}, {3.0, 4.0, 3, 4, 1.0 / 4.0, 3.0},
  };
  for (const Row& row : rows) {
    if (row.dstMul * dst == row.srcMul * src) {
      AddConvolver(row.cutoff, transBand, atten, phase, row.gain, row.up, row.down);
      return true;
    }
  }
  return false;
}

// D = 2^k S (k >= 1) or 3 x 2^k S (k >= 0): a convolver up by 2 or 3, then half-band doublers.
bool CDSPResampler::BuildWholeUpsampling(double src, double dst, double transBand, double atten, int phase) {
  for (const int factor : {2, 3}) {
    int doublings = 0;
    for (double rate = factor * src; rate <= dst; rate *= 2.0, doublings++) {
      if (rate != dst) continue;
      AddConvolver(1.0 / factor, transBand, atten, phase, factor, factor, 1);
      for (int i = 0; i < doublings; i++) AddStep(new CDSPHBUpsampler(atten, i, factor == 3, true, LatencyFrac));
      return true;
    }
  }
  return false;
}

void CDSPResampler::BuildDownsampling(double src, double dst, double transBand, double atten, int phase) {
  int halvings = 0;
  double gain = 1.0;
  while (4.0 * dst * std::ldexp(1.0, halvings) <= src) {
    gain *= 0.5;
    halvings++;
  }
  const double remaining = std::ldexp(dst, halvings);
  int down = 1;
  double cutoff = remaining / src;
  bool isThird = 3.0 * remaining / src <= 1.0;
  bool needsInterpolator = true;
  if (2.0 * remaining == src) {
    down = 2;
    cutoff = 0.5;
    isThird = false;
    needsInterpolator = false;
  } else if (3.0 * remaining == src) {
    down = 3;
    cutoff = 1.0 / 3.0;
    isThird = true;
    needsInterpolator = false;
  }
  for (int i = halvings - 1; i >= 0; i--) AddStep(new CDSPHBDownsampler(atten, i, isThird, LatencyFrac));
  AddConvolver(cutoff, transBand, atten, phase, gain, 1, down);
  if (needsInterpolator) AddStep(new CDSPFracInterpolator(isThird, src, remaining, atten, LatencyFrac));
}

void CDSPResampler::BuildOtherRatio(double src, double dst, double transBand, double atten, int phase) {
  AddConvolver(dst <= src ? 0.5 * dst / src : 0.5, transBand, atten, phase, 2.0, 2, 1);
  // P = 2^m, the smallest power of two with 2 P Q > D for Q = S / (1 - kTransBandScale x T). The wider the
  // transition band, the more the interpolator may raise the rate on its own; from 1 / kTransBandScale
  // (about 57 %) on, Q is unbounded and no doubling is needed.
  const double margin = 1.0 - kTransBandScale * transBand;
  int m = 0;
  double p = 1.0;
  if (margin > 0.0) {
    const double q = src / margin;
    while (2.0 * p * q <= dst) {
      p *= 2.0;
      m++;
    }
  }
  if (m == 0 || (m == 1 && IsWholeRatio(2.0 * src, dst))) {
    AddStep(new CDSPFracInterpolator(false, 2.0 * src, dst, atten, LatencyFrac));
    return;
  }
  AddStep(new CDSPFracInterpolator(false, 2.0 * src * p, dst, atten, LatencyFrac));
  const double finalTransBand = std::min(45.0, (1.0 - p * src / dst) / kTransBandScale);
  AddConvolver(0.5, finalTransBand, atten, phase, 2.0, 2, 1);
  for (int i = 0; i < m - 1; i++) AddStep(new CDSPHBUpsampler(atten, i, false, true, LatencyFrac));
}

void CDSPResampler::AddConvolver(double cutoff, double transBand, double atten, int phase, double gain, int up,
                                 int down) {
  CDSPKernelFilter& filter = GetLowPassFilter(cutoff, transBand, atten, phase, gain);
  // The reference is the convolver's only once it is built: a failed allocation of the object or a
  // throwing constructor leaves it here to give back.
  CDSPProcessor* convolver = nullptr;
  try {
    convolver = new CDSPBlockConvolver(filter, up, down, true, LatencyFrac);
  } catch (...) {
    ReleaseLowPassFilter(filter);
    throw;
  }
  AddStep(convolver);
}

// Takes ownership of `step` (deleting it if the array cannot grow).
void CDSPResampler::AddStep(CDSPProcessor* step) {
  std::unique_ptr<CDSPProcessor> owned(step);
  if (StepCount == StepCapacity) {
    CAlignedBuffer<CDSPProcessor*> grown(StepCapacity + kStepArrayGrowth);
    for (int i = 0; i < StepCount; i++) grown[i] = Steps[i];
    Steps = std::move(grown);
    StepCapacity += kStepArrayGrowth;
  }
  LatencyFrac = step->GetLatencyFraction();
  CurMaxOutLen = step->GetMaxOutputLength(CurMaxOutLen);
  if (CurMaxOutLen > StepBufCapacity[CurStepBuf]) StepBufCapacity[CurStepBuf] = CurMaxOutLen;
  CurStepBuf ^= 1;
  Steps[StepCount++] = owned.release();
}

void CDSPResampler::AllocateStepBuffers() {
  TmpBuf.AllocUnwritten(StepBufCapacity[0] + StepBufCapacity[1]);
  StepBuf[0] = TmpBuf.Data();
  StepBuf[1] = StepBuf[0] + StepBufCapacity[0];
}

int CDSPResampler::GetInputLengthForOutput(int outPos) const {
  // A step that would need more input than an int counts leaves the steps before it no exact count.
  outPos = std::max(outPos, 0);
  for (int i = StepCount - 1; i >= 0 && outPos < INT_MAX; i--) outPos = Steps[i]->GetInputLengthForOutput(outPos);
  return outPos;
}

int CDSPResampler::GetLatency() const {
  return 0;
}

double CDSPResampler::GetLatencyFraction() const {
  return LatencyFrac;
}

int CDSPResampler::GetMaxOutputLength(int) const {
  return CurMaxOutLen;
}

void CDSPResampler::Clear() {
  for (int i = 0; i < StepCount; i++) Steps[i]->Clear();
}

int CDSPResampler::Process(double* in, int length, double*& out) {
  // A negative count has no samples to hand on.
  if (length < 0) return 0;
  // With no step the input is the output, however long; the step buffers hold the output of maxInLen input
  // samples and no more.
  if (StepCount > 0 && length > MaxInLen) return 0;
  double* p = in;
  int l = length;
  for (int i = 0; i < StepCount; i++) {
    double* q = StepBuf[i & 1];
    l = Steps[i]->Process(p, l, q);
    p = q;
  }
  out = p;
  return l;
}

}  // namespace rsmp

#include "plugin/resampler/CDSPBlockConvolver.h"

#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/CKernelFilterCache.h"
#include "plugin/resampler/VectorPath.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <stdexcept>

namespace rsmp {

namespace {

int BitLength(int value) {
  return static_cast<int>(std::bit_width(static_cast<unsigned>(value)));
}

}  // namespace

CDSPBlockConvolver::CDSPBlockConvolver(CDSPKernelFilter& filter, int upFactor, int downFactor, bool doConsumeLatency,
                                       double prevLatency)
    : Filter(filter),
      UpFactor(upFactor),
      DownFactor(downFactor),
      BlockLen2(2 << filter.GetBlockLenBits()),
      OutOffset(filter.GetIsZeroPhase() ? filter.GetLatency() : 0),
      DoConsumeLatency(doConsumeLatency) {
  try {
    // The step counts its latency, and a block's positions plus a factor, in int.
    if (upFactor < 1 || downFactor < 1 ||
        static_cast<long long>(upFactor) + downFactor + 2LL * BlockLen2 + filter.GetLatency() > INT_MAX)
      throw std::invalid_argument("block convolver factor below 1 or too large to count in int");
    if (!(prevLatency >= 0.0 && prevLatency < 1.0))
      throw std::invalid_argument("block convolver's previous latency fraction outside [0, 1)");
    const int kernelLen = filter.GetKernelLen();
    const int blockBits = filter.GetBlockLenBits();

    UpShift = BitLength(UpFactor) - 1;
    int forwardOrder = blockBits + 1;
    if ((1 << UpShift) == UpFactor) {
      forwardOrder = blockBits + 1 - UpShift;
      PrevInputLen = (kernelLen - 1 + UpFactor - 1) / UpFactor;
      InputLen = BlockLen2 - PrevInputLen * UpFactor;
    } else {
      UpShift = -1;
      PrevInputLen = kernelLen - 1;
      InputLen = BlockLen2 - PrevInputLen;
    }

    const double v = filter.GetLatencyFrac() + prevLatency * UpFactor;
    Latency = static_cast<int>(v);
    const int inLatency = Latency + filter.GetLatency() - OutOffset;
    LatencyFrac = (v - Latency) / DownFactor;
    Latency += InputLen + filter.GetLatency();

    DownShift = BitLength(DownFactor) - 1;
    int inverseOrder = blockBits + 1;
    if ((1 << DownShift) == DownFactor) {
      inverseOrder = blockBits + 1 - DownShift;
      // A power-of-two up-factor folded into the forward transform keeps whole up-factors of new input per
      // block, a multiple of a down-factor no larger, so the kept phase holds from block to block; it is the
      // filter's centre when the latency before it is a whole number of down-factors. Otherwise the kept
      // samples miss the centre (a larger down-factor drifts block by block), and an input delay, in whole
      // input samples, cannot move them.
      if (UpShift >= 1 && DownFactor > 1 && (DownFactor > UpFactor || (inLatency & (DownFactor - 1)) != 0))
        throw std::invalid_argument(
            "block convolver cannot keep the down-sampling phase of these power-of-two factors");
      if (DownFactor > 1 && UpShift <= 0) {
        const int ilc = InputLen & (DownFactor - 1);
        PrevInputLen += ilc;
        InputLen -= ilc;
        Latency -= ilc;
        const int lc = inLatency & (DownFactor - 1);
        if (lc > 0) InputDelay = DownFactor - lc;
      }
      if (!DoConsumeLatency) Latency /= DownFactor;
    } else {
      DownShift = -1;
      if (!DoConsumeLatency && DownFactor > 1) {
        DownSkipInit = Latency % DownFactor;
        Latency /= DownFactor;
      }
    }
    // Factors the filter's block cannot hold (a transform of under 2 points, no room for new input).
    if (forwardOrder < 1 || inverseOrder < 1 || InputLen <= InputDelay)
      throw std::invalid_argument("block convolver factor too large for the filter's block length");

    CFFTObjectPool& pool = filter.GetCache().GetFFTObjects();
    FFTForward = pool.Acquire(forwardOrder);
    if (inverseOrder != forwardOrder) FFTInverse = pool.Acquire(inverseOrder);
    FFTOutput = FFTInverse != nullptr ? FFTInverse : FFTForward;
    IsInverseMirrored = UpShift == 1 && DownShift < 1 && filter.GetIsZeroPhase();
    // Pooled objects keep the choice they were last given.
    FFTForward->SetAvx2Enabled(IsAvx2Used());
    FFTOutput->SetAvx2Enabled(IsAvx2Used());
    WorkBlock.Alloc(2 * BlockLen2 + PrevInputLen);
  } catch (...) {
    ReleaseFFTObject(FFTInverse);
    ReleaseFFTObject(FFTForward);
    throw;
  }
  Clear();
}

CDSPBlockConvolver::~CDSPBlockConvolver() {
  ReleaseLowPassFilter(Filter);
  WorkBlock.Free();
  ReleaseFFTObject(FFTInverse);
  ReleaseFFTObject(FFTForward);
}

int CDSPBlockConvolver::GetInputLengthForOutput(int outPos) const {
  return InputLengthAt((static_cast<double>(outPos) * DownFactor + Latency) / UpFactor +
                       DownFactor * LatencyFrac / UpFactor);
}

int CDSPBlockConvolver::GetLatency() const {
  return DoConsumeLatency ? 0 : Latency;
}

double CDSPBlockConvolver::GetLatencyFraction() const {
  return LatencyFrac;
}

bool CDSPBlockConvolver::IsLengthAccepted(int length) const noexcept {
  return length >= 0 && static_cast<long long>(length) * UpFactor <= INT_MAX - DownFactor;
}

int CDSPBlockConvolver::GetMaxOutputLength(int maxInLen) const {
  if (!IsLengthAccepted(maxInLen)) return 0;
  return (maxInLen * UpFactor + DownFactor - 1) / DownFactor;
}

void CDSPBlockConvolver::Clear() {
  CurInput = WorkBlock.Data();
  CurOutput = CurInput + BlockLen2;
  PrevInput = CurOutput + BlockLen2;
  std::fill(PrevInput, PrevInput + PrevInputLen, 0.0);
  if (DoConsumeLatency)
    LatencyLeft = Latency;
  else {
    LatencyLeft = 0;
    if (DownShift >= 1)
      std::fill(CurOutput, CurOutput + (BlockLen2 >> DownShift), 0.0);
    else {
      std::fill(CurOutput + BlockLen2 - OutOffset, CurOutput + BlockLen2, 0.0);
      std::fill(CurOutput, CurOutput + std::max(0, InputLen - OutOffset), 0.0);
    }
  }
  std::fill(CurInput, CurInput + InputDelay, 0.0);
  InDataLeft = InputLen - InputDelay;
  UpSkip = 0;
  DownSkip = DownSkipInit;
}

int CDSPBlockConvolver::Process(double* in, int length, double*& out) {
  if (!IsLengthAccepted(length)) return 0;
  int l = length * UpFactor;
  const double* ip = in;
  double* op = out;
  while (l >= InDataLeft) {
    const int b = InDataLeft;
    l -= b;
    InDataLeft = InputLen;
    const int pos = InputLen - b;
    ip = StoreInput(ip, pos, b);
    FilterBlock();
    op = EmitOutput(op, pos - OutOffset, b);
    std::swap(CurInput, CurOutput);
    if (l == 0) return static_cast<int>(op - out);
  }
  const int pos = InputLen - InDataLeft;
  InDataLeft -= l;
  StoreInput(ip, pos, l);
  op = EmitOutput(op, pos - OutOffset, l);
  return static_cast<int>(op - out);
}

// Stores `count` up-sampled positions from `pos` on; returns the next unread input sample.
const double* CDSPBlockConvolver::StoreInput(const double* ip, int pos, int count) noexcept {
  if (UpShift >= 0) {
    const int samples = count >> UpShift;
    std::copy(ip, ip + samples, CurInput + (pos >> UpShift));
    return ip + samples;
  }
  double* dst = CurInput + pos;
  const int zeros = std::min(UpSkip, count);
  std::fill(dst, dst + zeros, 0.0);
  dst += zeros;
  UpSkip -= zeros;
  int left = count - zeros;
  while (left >= UpFactor) {
    *dst = *ip++;
    std::fill(dst + 1, dst + UpFactor, 0.0);
    dst += UpFactor;
    left -= UpFactor;
  }
  if (left > 0) {
    *dst = *ip++;
    std::fill(dst + 1, dst + left, 0.0);
    UpSkip = UpFactor - left;
  }
  return ip;
}

void CDSPBlockConvolver::FilterBlock() noexcept {
  const int n = UpShift >= 0 ? InputLen >> UpShift : InputLen;
  std::copy(PrevInput, PrevInput + PrevInputLen, CurInput + n);
  std::copy(CurInput + n - PrevInputLen, CurInput + n, PrevInput);
  FFTForward->Forward(CurInput);
  if (UpShift >= 1) ExtendUpShiftedSpectrum(CurInput);
  if (Filter.GetIsZeroPhase()) {
    MultiplyEnds(CurInput);
    FFTOutput->InverseOfProduct(CurInput, Filter.GetSpectrum(), IsInverseMirrored);
  } else {
    MultiplyBySpectrum(CurInput);
    FFTOutput->Inverse(CurInput);
  }
}

// The spectrum of a block zero-stuffed by 2^u is the short block's spectrum repeated 2^u times: first
// mirrored (conjugated) about the old Nyquist bin, then copied upwards once per further doubling. An
// inverse transform that reads the mirror from the lower half needs only the old Nyquist bin moved.
void CDSPBlockConvolver::ExtendUpShiftedSpectrum(double* a) const noexcept {
  int len = BlockLen2 >> UpShift;
  const double dc = a[0];
  const double nyquist = a[1];
  for (int j = 1; j < len / 2 && !IsInverseMirrored; j++) {
    a[2 * (len - j)] = a[2 * j];
    a[2 * (len - j) + 1] = -a[2 * j + 1];
  }
  a[len] = nyquist;
  a[len + 1] = 0.0;
  a[1] = dc;
  for (len *= 2; len < BlockLen2; len *= 2) {
    std::copy(a, a + len, a + len);
    a[len + 1] = 0.0;
  }
}

// DC and Nyquist of a zero-phase product, whose other bins the inverse transform multiplies. A shorter
// inverse (down by 2^d) takes the bin at its own length as its Nyquist.
void CDSPBlockConvolver::MultiplyEnds(double* a) const noexcept {
  const double* k = Filter.GetSpectrum();
  a[0] *= k[0];
  if (DownShift >= 1) {
    const int count = BlockLen2 >> DownShift;
    a[1] = a[count] * k[count] - a[count + 1] * k[count + 1];
  } else
    a[1] *= k[1];
}

// The product with a minimum-phase filter's complex spectrum.
void CDSPBlockConvolver::MultiplyBySpectrum(double* a) const noexcept {
  const double* k = Filter.GetSpectrum();
  const int count = DownShift >= 1 ? BlockLen2 >> DownShift : BlockLen2;
  const double nyquistRe = count < BlockLen2 ? a[count] : 0.0;
  const double nyquistIm = count < BlockLen2 ? a[count + 1] : 0.0;
  a[0] *= k[0];
  a[1] *= k[1];
  for (int i = 2; i < count; i += 2) {
    const double re = a[i] * k[i] - a[i + 1] * k[i + 1];
    const double im = a[i] * k[i + 1] + a[i + 1] * k[i];
    a[i] = re;
    a[i + 1] = im;
  }
  if (DownShift >= 1) a[1] = nyquistRe * k[count] - nyquistIm * k[count + 1];
}

double* CDSPBlockConvolver::EmitOutput(double* op, int pos, int count) noexcept {
  if (pos < 0) {
    if (pos + count > 0) {
      op = EmitFromBlock(op, BlockLen2 + pos, -pos);
      count += pos;
      pos = 0;
    } else
      pos += BlockLen2;
  }
  return EmitFromBlock(op, pos, count);
}

double* CDSPBlockConvolver::EmitFromBlock(double* op, int pos, int count) noexcept {
  if (LatencyLeft >= count) {
    LatencyLeft -= count;
    return op;
  }
  pos += LatencyLeft;
  count -= LatencyLeft;
  LatencyLeft = 0;
  if (DownShift >= 1) {
    const int phase = pos & (DownFactor - 1);
    const int skip = phase > 0 ? DownFactor - phase : 0;
    if (count <= skip) return op;
    const int copied = (count - skip + DownFactor - 1) >> DownShift;
    const double* src = CurOutput + ((pos + skip) >> DownShift);
    return std::copy(src, src + copied, op);
  }
  if (DownFactor >= 2) {
    const int copied = (count + DownFactor - 1 - DownSkip) / DownFactor;
    const double* src = CurOutput + pos + DownSkip;
    for (int j = 0; j < copied; j++) op[j] = src[j * DownFactor];
    DownSkip = DownSkip - count + copied * DownFactor;
    return op + copied;
  }
  return std::copy(CurOutput + pos, CurOutput + pos + count, op);
}

}  // namespace rsmp

#include "plugin/resampler/CDSPHBUpsampler.h"

#include "plugin/resampler/HalfBandConvolution.h"
#include "plugin/resampler/MirroredRing.h"
#include "plugin/resampler/VectorPath.h"

#include <algorithm>
#include <climits>
#include <stdexcept>

namespace rsmp {

CDSPHBUpsampler::CDSPHBUpsampler(double reqAtten, int steepIndex, bool isThird, bool doConsumeLatency,
                                 double prevLatency)
    : DoConsumeLatency(doConsumeLatency) {
  // The latency is counted in int, from twice the fraction.
  if (!(prevLatency >= 0.0 && prevLatency < 1.0))
    throw std::invalid_argument("half-band upsampler's previous latency fraction outside [0, 1)");
  const CHalfBandFilter& filter = CopyHalfBandFilter(isThird, steepIndex, reqAtten, Filter);
  const int n = filter.TapCount;
  FilterAtten = filter.Atten;
  Convolve = GetHalfBandUpConvolver(n, IsAvx2Used());
  fll = n - 1;
  fl2 = n;
  flo = 2 * n - 1;
  ReadBuf = Buf + fll;
  AlignedFilter = Filter;
  const double latency = 2.0 * prevLatency;
  Latency = static_cast<int>(latency);
  LatencyFrac = latency - Latency;
  if (DoConsumeLatency)
    flb = kBufLen - fll;
  else {
    Latency += 2 * n;
    flb = kBufLen - flo;
  }
  std::fill(Buf, Buf + kBufLen + 2 * kMaxHalfBandTaps - 1, 0.0);
  Clear();
}

int CDSPHBUpsampler::GetInputLengthForOutput(int outPos) const {
  return InputLengthAt((static_cast<double>(outPos) + Latency + LatencyFrac) * 0.5 + fl2);
}

int CDSPHBUpsampler::GetLatency() const {
  return DoConsumeLatency ? 0 : Latency;
}

double CDSPHBUpsampler::GetLatencyFraction() const {
  return LatencyFrac;
}

bool CDSPHBUpsampler::IsLengthAccepted(int length) noexcept {
  return length >= 0 && length <= INT_MAX / 2;
}

int CDSPHBUpsampler::GetMaxOutputLength(int maxInLen) const {
  if (!IsLengthAccepted(maxInLen)) return 0;
  return 2 * maxInLen;
}

void CDSPHBUpsampler::Clear() {
  LatencyLeft = DoConsumeLatency ? Latency : 0;
  BufLeft = DoConsumeLatency ? 0 : fl2;
  WritePos = 0;
  ReadPos = flb;
  std::fill(Buf + flb, Buf + kBufLen, 0.0);
}

double* CDSPHBUpsampler::ConvolveAvailable(double* op) noexcept {
  if (BufLeft <= fl2) return op;
  const int c = BufLeft - fl2;
  BufLeft -= c;
  ReadPos = ConvolveInRuns<kBufLen>(ReadPos, c,
                                    [&](int from, int run) { op = Convolve(op, ReadBuf + from, AlignedFilter, run); });
  return op;
}

int CDSPHBUpsampler::Process(double* in, int length, double*& out) {
  // Twice the length must count in int.
  if (!IsLengthAccepted(length)) return 0;
  double* op = out;
  while (length > 0) {
    const int b = std::min({length, kBufLen - WritePos, flb - BufLeft});
    WriteMirrored(Buf, kBufLen, flo, WritePos, in, b);
    in += b;
    length -= b;
    WritePos = (WritePos + b) & (kBufLen - 1);
    BufLeft += b;
    op = ConvolveAvailable(op);
  }
  return SkipLatency(static_cast<int>(op - out), LatencyLeft, out);
}

}  // namespace rsmp

#include "plugin/resampler/CDSPHBDownsampler.h"

#include "plugin/resampler/HalfBandConvolution.h"
#include "plugin/resampler/MirroredRing.h"
#include "plugin/resampler/VectorPath.h"

#include <algorithm>
#include <stdexcept>

namespace rsmp {

CDSPHBDownsampler::CDSPHBDownsampler(double reqAtten, int steepIndex, bool isThird, double prevLatency) {
  // The latency is counted in int, from half the fraction.
  if (!(prevLatency >= 0.0 && prevLatency < 1.0))
    throw std::invalid_argument("half-band downsampler's previous latency fraction outside [0, 1)");
  const CHalfBandFilter& filter = CopyHalfBandFilter(isThird, steepIndex, reqAtten, Filter);
  const int n = filter.TapCount;
  FilterAtten = filter.Atten;
  Convolve = GetHalfBandDownConvolver(n, IsAvx2Used());
  fl2 = n;
  fll = n - 1;
  flo = 2 * n - 1;
  flb = kBufLen - n;
  ReadBuf1 = Buf1 + fl2;
  ReadBuf2 = Buf2 + fll;
  AlignedFilter = Filter;
  const double latency = 0.5 * prevLatency;
  Latency = static_cast<int>(latency);
  LatencyFrac = latency - Latency;
  std::fill(Buf1, Buf1 + kBufStride, 0.0);
  std::fill(Buf2, Buf2 + kBufStride, 0.0);
  Clear();
}

int CDSPHBDownsampler::GetInputLengthForOutput(int outPos) const {
  // Whole input pairs: each output's position already names the later input of its pair.
  return InputLengthAt(std::floor(2.0 * (static_cast<double>(outPos) + Latency + LatencyFrac)) + flo);
}

int CDSPHBDownsampler::GetLatency() const {
  return 0;
}

double CDSPHBDownsampler::GetLatencyFraction() const {
  return LatencyFrac;
}

int CDSPHBDownsampler::GetMaxOutputLength(int maxInLen) const {
  // Half the length rounded up, without passing int on the way.
  if (maxInLen < 0) return 0;
  return maxInLen / 2 + maxInLen % 2;
}

void CDSPHBDownsampler::Clear() {
  LatencyLeft = Latency;
  BufLeft = 0;
  WritePos1 = 0;
  WritePos2 = 0;
  ReadPos = flb;
  std::fill(Buf1 + flb, Buf1 + kBufLen, 0.0);
  std::fill(Buf2 + flb, Buf2 + kBufLen, 0.0);
}

// The odd sample that completes a pair whose even sample came at the end of the previous call.
void CDSPHBDownsampler::StorePending(double sample) noexcept {
  Buf2[WritePos2] = sample;
  MirrorHead(Buf2, kBufLen, flo, WritePos2, 1);
  WritePos2 = WritePos1;
  BufLeft++;
}

// Stores whole pairs, and a last even sample when `length` is odd; returns the samples taken.
int CDSPHBDownsampler::StorePairs(const double* in, int length) noexcept {
  const int c = std::min({(length + 1) / 2, kBufLen - WritePos1, flb - BufLeft});
  const int p = 2 * c > length ? c - 1 : c;
  for (int i = 0; i < p; i++) {
    Buf1[WritePos1 + i] = in[2 * i];
    Buf2[WritePos1 + i] = in[2 * i + 1];
  }
  if (p < c) Buf1[WritePos1 + p] = in[2 * p];
  MirrorHead(Buf1, kBufLen, flo, WritePos1, c);
  MirrorHead(Buf2, kBufLen, flo, WritePos1, p);
  WritePos1 = (WritePos1 + c) & (kBufLen - 1);
  WritePos2 = (WritePos2 + p) & (kBufLen - 1);
  BufLeft += p;
  return c + p;
}

double* CDSPHBDownsampler::ConvolveAvailable(double* op) noexcept {
  if (BufLeft <= fll) return op;
  const int q = BufLeft - fll;
  BufLeft -= q;
  ReadPos = ConvolveInRuns<kBufLen>(
      ReadPos, q, [&](int from, int run) { op = Convolve(op, ReadBuf1 + from, ReadBuf2 + from, AlignedFilter, run); });
  return op;
}

int CDSPHBDownsampler::Process(double* in, int length, double*& out) {
  double* op = out;
  while (length > 0) {
    if (WritePos1 != WritePos2) {
      StorePending(*in++);
      length--;
    }
    const int taken = StorePairs(in, length);
    in += taken;
    length -= taken;
    op = ConvolveAvailable(op);
  }
  return SkipLatency(static_cast<int>(op - out), LatencyLeft, out);
}

}  // namespace rsmp

#include "plugin/resampler/CDSPHBUpsampler.h"

#include "plugin/resampler/HalfBandConvolution.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace rsmp {

CDSPHBUpsampler::CDSPHBUpsampler(double reqAtten, int steepIndex, bool isThird, bool doConsumeLatency,
                                 double prevLatency)
  : DoConsumeLatency(doConsumeLatency)
{
  const CHalfBandFilter& filter =
    isThird ? GetHalfBandFilterThird(steepIndex, reqAtten) : GetHalfBandFilter(steepIndex, reqAtten);
  const int n = filter.TapCount;
  std::copy(filter.Coeffs, filter.Coeffs + n, Filter);
  std::fill(Filter + n, Filter + kMaxHalfBandTaps, 0.0);
  FilterAtten = filter.Atten;
  Convolve = GetHalfBandUpConvolver(n);
  fll = n - 1;
  fl2 = n;
  flo = 2 * n - 1;
  const double latency = 2.0 * prevLatency;
  Latency = static_cast<int>(latency);
  LatencyFrac = latency - Latency;
  if (DoConsumeLatency)
    flb = kBufLen - fll;
  else
  {
    Latency += 2 * n;
    flb = kBufLen - flo;
  }
  std::fill(Buf, Buf + kBufLen + 2 * kMaxHalfBandTaps - 1, 0.0);
  Clear();
}

int CDSPHBUpsampler::GetInputLengthForOutput(int outPos) const
{
  return static_cast<int>((outPos + Latency + LatencyFrac) * 0.5) + fl2;
}

int CDSPHBUpsampler::GetLatency() const { return DoConsumeLatency ? 0 : Latency; }

double CDSPHBUpsampler::GetLatencyFraction() const { return LatencyFrac; }

int CDSPHBUpsampler::GetMaxOutputLength(int maxInLen) const { return 2 * maxInLen; }

void CDSPHBUpsampler::Clear()
{
  LatencyLeft = DoConsumeLatency ? Latency : 0;
  BufLeft = DoConsumeLatency ? 0 : fl2;
  WritePos = 0;
  ReadPos = flb;
  std::fill(Buf + flb, Buf + kBufLen, 0.0);
}

double* CDSPHBUpsampler::ConvolveAvailable(double* op) noexcept
{
  if (BufLeft <= fl2)
    return op;
  int c = BufLeft - fl2;
  BufLeft -= c;
  // Runs up to the ring's end first; the mirror covers the reach of the last sums.
  while (c > 0)
  {
    const int run = std::min(c, kBufLen - ReadPos);
    op = Convolve(op, Buf + ReadPos + fll, Filter, run);
    ReadPos = (ReadPos + run) & (kBufLen - 1);
    c -= run;
  }
  return op;
}

int CDSPHBUpsampler::Process(double* in, int length, double*& out)
{
  double* op = out;
  while (length > 0)
  {
    const int b = std::min({length, kBufLen - WritePos, flb - BufLeft});
    std::memcpy(Buf + WritePos, in, sizeof(double) * b);
    if (WritePos < flo)
      std::memcpy(Buf + kBufLen + WritePos, in, sizeof(double) * std::min(b, flo - WritePos));
    in += b;
    length -= b;
    WritePos = (WritePos + b) & (kBufLen - 1);
    BufLeft += b;
    op = ConvolveAvailable(op);
  }
  return SkipLatency(static_cast<int>(op - out), LatencyLeft, out);
}

} // namespace rsmp

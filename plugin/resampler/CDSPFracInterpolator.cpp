#include "plugin/resampler/CDSPFracInterpolator.h"

#include "plugin/resampler/CFracFilterBankCache.h"
#include "plugin/resampler/MirroredRing.h"
#include "plugin/resampler/VectorPath.h"

#include <immintrin.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace rsmp {

namespace {

// Sums of the even and of the odd taps in the two lanes of one vector, taken in tap order, then added:
// the same operations in the same order as two scalar running sums.
template <int FL>
double DotExact(const double* x, const double* row) {
  __m128d sums = _mm_setzero_pd();
  [&]<int... K>(std::integer_sequence<int, K...>) {
    ((sums = _mm_add_pd(sums, _mm_mul_pd(_mm_loadu_pd(x + 2 * K), _mm_loadu_pd(row + 2 * K)))), ...);
  }
  (std::make_integer_sequence<int, FL / 2>());
  return _mm_cvtsd_f64(sums) + _mm_cvtsd_f64(_mm_unpackhi_pd(sums, sums));
}

// As DotExact, with four products per multiplication; their two halves are added in tap order as
// before, so the result is the same bit for bit.
template <int FL>
[[gnu::target("avx2")]] double DotExactAvx2(const double* x, const double* row) {
  __m128d sums = _mm_setzero_pd();
#pragma GCC unroll 16
  for (int k = 0; k + 4 <= FL; k += 4) {
    const __m256d products = _mm256_mul_pd(_mm256_loadu_pd(x + k), _mm256_loadu_pd(row + k));
    sums = _mm_add_pd(sums, _mm256_castpd256_pd128(products));
    sums = _mm_add_pd(sums, _mm256_extractf128_pd(products, 1));
  }
  if constexpr (FL % 4 != 0) sums = _mm_add_pd(sums, _mm_mul_pd(_mm_loadu_pd(x + FL - 2), _mm_loadu_pd(row + FL - 2)));
  return _mm_cvtsd_f64(sums) + _mm_cvtsd_f64(_mm_unpackhi_pd(sums, sums));
}

// One routine per half-length fl2 = 3 .. 15.
template <int... FL2>
constexpr CDSPFracInterpolator::DotFn kExactDots[] = {DotExact<2 * FL2>...};

template <int... FL2>
constexpr CDSPFracInterpolator::DotFn kExactDotsAvx2[] = {DotExactAvx2<2 * FL2>...};

bool IsWholeNumber(double v) noexcept {
  return v == std::floor(v);
}

}  // namespace

CDSPFracInterpolator::DotFn CDSPFracInterpolator::GetExactDot(int halfLength, bool avx2) noexcept {
  if (avx2 && IsAvx2Available()) return kExactDotsAvx2<3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15>[halfLength - 3];
  return kExactDots<3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15>[halfLength - 3];
}

double CDSPFracInterpolator::FindCommonStep(double src, double dst) noexcept {
  double x = src - dst;
  double y = dst;
  if (x == 0.0) return dst;
  for (int subtractions = 0; subtractions < 148;) {
    x = std::fabs(x);
    y -= x;
    subtractions++;
    if (y == 0.0) return x;
    y = std::fabs(y);
    x -= y;
    subtractions++;
    if (x == 0.0) return y;
  }
  return 0.0;
}

CDSPFracInterpolator::CPhasePlan CDSPFracInterpolator::PlanPhases(double src, double dst) noexcept {
  CPhasePlan plan;
  const double step = FindCommonStep(src, dst);
  if (!(step > 0.0)) return plan;
  const double srcDiv = src / step;
  const double dstDiv = dst / step;
  // Both counts fit int. With positive rates no subtraction of the search lowers the larger of its pair
  // by more than the starting smaller one (dst at most, up to rounding), so a step found within 148
  // subtractions leaves src below 149 x dst + step, and src / step below 149 x 1501 + 1.
  if (!IsWholeNumber(srcDiv) || !IsWholeNumber(dstDiv) || dstDiv >= kMaxWholePhases) return plan;
  plan.IsWhole = true;
  plan.SrcDiv = static_cast<int>(srcDiv);
  plan.DstDiv = static_cast<int>(dstDiv);
  return plan;
}

CDSPFracInterpolator::CDSPFracInterpolator(bool isThird, double srcSampleRate, double dstSampleRate, double reqAtten,
                                           double prevLatency)
    : CDSPFracInterpolator(PlanPhases(srcSampleRate, dstSampleRate), isThird, srcSampleRate, dstSampleRate, reqAtten,
                           CheckedPrevLatency(prevLatency)) {}

// The whole part of the latency is counted in int.
double CDSPFracInterpolator::CheckedPrevLatency(double prevLatency) {
  if (!(prevLatency >= 0.0 && prevLatency < static_cast<double>(INT_MAX)))
    throw std::invalid_argument("interpolator's previous latency outside [0, INT_MAX)");
  return prevLatency;
}

CDSPFracInterpolator::CDSPFracInterpolator(const CPhasePlan& plan, bool isThird, double srcSampleRate,
                                           double dstSampleRate, double reqAtten, double prevLatency)
    : SrcSampleRate(srcSampleRate),
      DstSampleRate(dstSampleRate),
      InitFracPos(prevLatency - static_cast<int>(prevLatency)),
      InitLatency(static_cast<int>(prevLatency)),
      SrcSRDiv(plan.SrcDiv),
      DstSRDiv(plan.DstDiv),
      Bank(plan.IsWhole ? rsmp::GetFilterBank(DstSRDiv, 1, 2, isThird, false, reqAtten)
                        : rsmp::GetFilterBank(-1, 3, 8, isThird, true, reqAtten)),
      IsWhole(plan.IsWhole) {
  if (IsWhole) {
    const double v = InitFracPos * DstSRDiv;
    InitFracPosW = static_cast<int>(v);
    LatencyFrac = (v - InitFracPosW) / SrcSRDiv;
  }
  fl = Bank.GetFilterLen();
  fl2 = fl / 2;
  fll = fl2 - 1;
  flo = 2 * fl2 - 1;
  flb = kBufLen + 1 - fl2;
  if (IsWhole) {
    Dot = GetExactDot(fl2, IsAvx2Used());
    WholeStep = SrcSRDiv / DstSRDiv;
    StepRemainder = SrcSRDiv - WholeStep * DstSRDiv;
  }
  std::fill(Buf, Buf + kBufLen + kMaxFilterLen - 1, 0.0);
  Clear();
}

CDSPFracInterpolator::~CDSPFracInterpolator() {
  ReleaseFilterBank(Bank);
}

int CDSPFracInterpolator::GetInputLengthForOutput(int outPos) const {
  const double latency = static_cast<double>(InitLatency) + fl2;
  if (IsWhole)
    return InputLengthAt(latency + (static_cast<double>(outPos) * SrcSRDiv + InitFracPosW) / DstSRDiv +
                         SrcSRDiv * LatencyFrac / DstSRDiv);
  return InputLengthAt(latency + InitFracPos + outPos * SrcSampleRate / DstSampleRate);
}

int CDSPFracInterpolator::GetLatency() const {
  return 0;
}

double CDSPFracInterpolator::GetLatencyFraction() const {
  return LatencyFrac;
}

int CDSPFracInterpolator::OutputBound(int length) const noexcept {
  if (length < 0) return -1;
  const double bound = std::ceil(length * DstSampleRate / SrcSampleRate) + 1.0;
  return bound <= static_cast<double>(INT_MAX) ? static_cast<int>(bound) : -1;
}

int CDSPFracInterpolator::GetMaxOutputLength(int maxInLen) const {
  return std::max(OutputBound(maxInLen), 0);
}

void CDSPFracInterpolator::Clear() {
  LatencyLeft = InitLatency;
  BufLeft = 0;
  WritePos = 0;
  ReadPos = flb;
  std::fill(Buf + flb, Buf + kBufLen, 0.0);
  if (IsWhole)
    InPosFracW = InitFracPosW;
  else {
    InPosFrac = InitFracPos;
    OutCount = 0;
    InPosInt = 0;
    InPosShift = InitFracPos * DstSampleRate / SrcSampleRate;
  }
}

double* CDSPFracInterpolator::ConvolveExact(double* op) noexcept {
  int r = BufLeft - fl2;
  while (r > 0) {
    *op++ = Dot(Buf + ReadPos, Bank.GetRow(InPosFracW));
    // InPosFracW stays below DstSRDiv, so one comparison carries what a division would.
    int s = WholeStep;
    InPosFracW += StepRemainder;
    if (InPosFracW >= DstSRDiv) {
      InPosFracW -= DstSRDiv;
      s++;
    }
    ReadPos = (ReadPos + s) & (kBufLen - 1);
    r -= s;
  }
  BufLeft = fl2 + r;
  return op;
}

// Taps a + b f + c f^2 from the bank's pairwise layout (a0 a1 b0 b1 c0 c1 per pair of taps).
double CDSPFracInterpolator::GeneralSum(const double* x, const double* row, double f) const noexcept {
  const double f2 = f * f;
  double s0 = 0.0;
  double s1 = 0.0;
  for (int k = 0; k < fl; k += 2, row += 6) {
    s0 += x[k] * (row[0] + row[2] * f + row[4] * f2);
    s1 += x[k + 1] * (row[1] + row[3] * f + row[5] * f2);
  }
  return s0 + s1;
}

double* CDSPFracInterpolator::ConvolveGeneral(double* op) noexcept {
  const int fracs = Bank.GetFilterFracs();
  int r = BufLeft - fl2;
  while (r > 0) {
    const double p = fracs * InPosFrac;
    const int i = static_cast<int>(p);
    *op++ = GeneralSum(Buf + ReadPos, Bank.GetRow(i), p - i);
    OutCount++;
    const double pos = (OutCount + InPosShift) * SrcSampleRate / DstSampleRate;
    const int whole = static_cast<int>(pos);
    const int s = whole - InPosInt;
    InPosInt = whole;
    InPosFrac = pos - whole;
    ReadPos = (ReadPos + s) & (kBufLen - 1);
    r -= s;
  }
  BufLeft = fl2 + r;
  return op;
}

int CDSPFracInterpolator::Process(double* in, int length, double*& out) {
  if (OutputBound(length) < 0) return 0;
  if (LatencyLeft > 0) {
    if (LatencyLeft >= length) {
      LatencyLeft -= length;
      return 0;
    }
    in += LatencyLeft;
    length -= LatencyLeft;
    LatencyLeft = 0;
  }
  double* op = out;
  while (length > 0) {
    const int b = std::min({length, flb - BufLeft, kBufLen - WritePos});
    WriteMirrored(Buf, kBufLen, flo, WritePos, in, b);
    in += b;
    length -= b;
    WritePos = (WritePos + b) & (kBufLen - 1);
    BufLeft += b;
    op = IsWhole ? ConvolveExact(op) : ConvolveGeneral(op);
  }
  if (!IsWhole && OutCount >= 1001) {
    OutCount = 0;
    InPosInt = 0;
    InPosShift = InPosFrac * DstSampleRate / SrcSampleRate;
  }
  return static_cast<int>(op - out);
}

}  // namespace rsmp

#include "plugin/resampler/HalfBandConvolution.h"

#include <utility>

namespace rsmp {

namespace {

// sum_k h[k] (r[-k] + r[1 + k]), unrolled for N taps and taken two coefficients at a time.
template <int N>
inline double HalfBandSum(const double* r, const double* h) noexcept
{
  double s0 = 0.0;
  double s1 = 0.0;
  [&]<int... K>(std::integer_sequence<int, K...>) {
    (((K % 2 == 0 ? s0 : s1) += h[K] * (r[-K] + r[1 + K])), ...);
  }(std::make_integer_sequence<int, N>());
  return s0 + s1;
}

template <int N>
double* ConvolveUp(double* op, const double* r, const double* h, int count)
{
  for (int i = 0; i < count; i++)
  {
    op[0] = r[i];
    op[1] = HalfBandSum<N>(r + i, h);
    op += 2;
  }
  return op;
}

template <int N>
double* ConvolveDown(double* op, const double* r1, const double* r2, const double* h, int count)
{
  for (int i = 0; i < count; i++)
    *op++ = r1[i] + HalfBandSum<N>(r2 + i, h);
  return op;
}

template <int... N>
constexpr CDSPHBUpsampler::ConvolveFn kUpConvolvers[] = {ConvolveUp<N>...};

template <int... N>
constexpr CDSPHBDownsampler::ConvolveFn kDownConvolvers[] = {ConvolveDown<N>...};

} // namespace

CDSPHBUpsampler::ConvolveFn GetHalfBandUpConvolver(int taps) noexcept
{
  return kUpConvolvers<1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>[taps - 1];
}

CDSPHBDownsampler::ConvolveFn GetHalfBandDownConvolver(int taps) noexcept
{
  return kDownConvolvers<1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14>[taps - 1];
}

} // namespace rsmp

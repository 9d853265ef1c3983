#include "plugin/resampler/CDSPFFTObject.h"

#include <cmath>
#include <numbers>
#include <stdexcept>
#include <utility>

namespace rsmp {

namespace {

int BitRevCapacity(int len) { return static_cast<int>(std::ceil(std::sqrt(len / 2.0) + 2.0)); }

int ValidatedOrder(int order)
{
  if (order < 0 || order > CDSPFFTObject::kMaxOrder)
    throw std::invalid_argument("FFT order outside 0 .. 30");
  return order;
}

} // namespace

CDSPFFTObject::CDSPFFTObject(int order, CFFTObjectPool* pool)
  : Order(ValidatedOrder(order))
  , Len(1 << order)
  , InvMulConst(2.0 / Len)
  , Pool(pool)
  , BitRev(BitRevCapacity(Len))
  , Trig(Len / 2)
{
}

void CDSPFFTObject::Forward(double* a) noexcept
{
  if (Len < 2)
    return;
  BuildTablesIfNeeded();
  BitReverse(a);
  ComplexTransform(a, true);
  RealSplitForward(a);
}

void CDSPFFTObject::Inverse(double* a) noexcept
{
  if (Len < 2)
  {
    a[0] *= 0.5;
    return;
  }
  BuildTablesIfNeeded();
  RealSplitInverse(a);
  BitReverse(a);
  ComplexTransform(a, false);
}

void CDSPFFTObject::BuildTablesIfNeeded() noexcept
{
  if (BitRev[0] == Len)
    return;
  const double step = 2.0 * std::numbers::pi / Len;
  for (int k = 0; k < Len / 4; k++)
  {
    Trig[2 * k] = std::cos(step * k);
    Trig[2 * k + 1] = std::sin(step * k);
  }
  const int halfBits = (Order - 1) / 2;
  BitRev[1] = halfBits;
  for (int j = 0; j < (1 << halfBits); j++)
  {
    int reversed = 0;
    for (int b = 0; b < halfBits; b++)
      reversed |= ((j >> b) & 1) << (halfBits - 1 - b);
    BitRev[2 + j] = reversed;
  }
  BitRev[0] = Len;
}

// The index has m = Order - 1 bits, split as [high h bits][middle bit when m is odd][low h bits]; the
// reversal swaps the reversed halves and keeps the middle bit.
void CDSPFFTObject::BitReverse(double* z) const noexcept
{
  const int points = Len / 2;
  const int h = BitRev[1];
  const bool hasMiddleBit = ((Order - 1) & 1) != 0;
  const int lowMask = (1 << h) - 1;
  const int highShift = hasMiddleBit ? h + 1 : h;
  const std::int32_t* table = BitRev.Data() + 2;
  for (int i = 0; i < points; i++)
  {
    const int high = i >> highShift;
    const int low = i & lowMask;
    const int middle = hasMiddleBit ? ((i >> h) & 1) << h : 0;
    const int j = (table[low] << highShift) | middle | table[high];
    if (j > i)
    {
      std::swap(z[2 * i], z[2 * j]);
      std::swap(z[2 * i + 1], z[2 * j + 1]);
    }
  }
}

// Decimation in time on bit-reversed data: an optional radix-2 pass, then radix-4 passes, each joining
// four transforms of L / 4 points (of the samples 4m, 4m + 2, 4m + 1, 4m + 3) into one of L points.
void CDSPFFTObject::ComplexTransform(double* z, bool isForward) const noexcept
{
  const int points = Len / 2;
  const double sign = isForward ? 1.0 : -1.0;
  int span = 4;
  if (((Order - 1) & 1) != 0)
  {
    for (int p = 0; p < points; p += 2)
    {
      const double re = z[2 * p + 2];
      const double im = z[2 * p + 3];
      z[2 * p + 2] = z[2 * p] - re;
      z[2 * p + 3] = z[2 * p + 1] - im;
      z[2 * p] += re;
      z[2 * p + 1] += im;
    }
    span = 8;
  }
  for (; span <= points; span *= 4)
  {
    const int quarter = span / 4;
    const int tableStep = Len / span;
    for (int j = 0; j < quarter; j++)
    {
      const double w1r = CosAt(j * tableStep);
      const double w1i = sign * SinAt(j * tableStep);
      const double w2r = w1r * w1r - w1i * w1i;
      const double w2i = 2.0 * w1r * w1i;
      const double w3r = w1r * w2r - w1i * w2i;
      const double w3i = w1r * w2i + w1i * w2r;
      for (int b = j; b < points; b += span)
      {
        double* p0 = z + 2 * b;
        double* p1 = p0 + 2 * quarter;
        double* p2 = p1 + 2 * quarter;
        double* p3 = p2 + 2 * quarter;
        const double ar = p0[0], ai = p0[1];
        const double br = p1[0] * w2r - p1[1] * w2i, bi = p1[0] * w2i + p1[1] * w2r;
        const double cr = p2[0] * w1r - p2[1] * w1i, ci = p2[0] * w1i + p2[1] * w1r;
        const double dr = p3[0] * w3r - p3[1] * w3i, di = p3[0] * w3i + p3[1] * w3r;
        const double sumABr = ar + br, sumABi = ai + bi;
        const double difABr = ar - br, difABi = ai - bi;
        const double sumCDr = cr + dr, sumCDi = ci + di;
        // sign x i x (C - D)
        const double rotCDr = -sign * (ci - di), rotCDi = sign * (cr - dr);
        p0[0] = sumABr + sumCDr;
        p0[1] = sumABi + sumCDi;
        p1[0] = difABr + rotCDr;
        p1[1] = difABi + rotCDi;
        p2[0] = sumABr - sumCDr;
        p2[1] = sumABi - sumCDi;
        p3[0] = difABr - rotCDr;
        p3[1] = difABi - rotCDi;
      }
    }
  }
}

// With Z the transform of z[m] = x[2m] + i x[2m+1] (N = n/2 points), E = (Z[k] + conj Z[N-k]) / 2 and
// O = (Z[k] - conj Z[N-k]) / 2i are the transforms of the even and odd samples, and
// X[k] = E + w^k O, X[N-k] = conj(E - w^k O) with w = e^{i 2 pi / n}. X[N/2] = Z[N/2].
void CDSPFFTObject::RealSplitForward(double* a) const noexcept
{
  const int points = Len / 2;
  for (int k = 1; k < points / 2; k++)
  {
    double* zk = a + 2 * k;
    double* zm = a + 2 * (points - k);
    const double er = 0.5 * (zk[0] + zm[0]), ei = 0.5 * (zk[1] - zm[1]);
    const double orr = 0.5 * (zk[1] + zm[1]), oi = -0.5 * (zk[0] - zm[0]);
    const double wr = CosAt(k), wi = SinAt(k);
    const double tr = wr * orr - wi * oi, ti = wr * oi + wi * orr;
    zk[0] = er + tr;
    zk[1] = ei + ti;
    zm[0] = er - tr;
    zm[1] = ti - ei;
  }
  const double dc = a[0] + a[1];
  a[1] = a[0] - a[1];
  a[0] = dc;
}

// The mirror of RealSplitForward: E = (X[k] + conj X[N-k]) / 2, O = conj(w^k) (X[k] - conj X[N-k]) / 2,
// Z[k] = E + i O, Z[N-k] = conj(E - i O).
void CDSPFFTObject::RealSplitInverse(double* a) const noexcept
{
  const int points = Len / 2;
  for (int k = 1; k < points / 2; k++)
  {
    double* xk = a + 2 * k;
    double* xm = a + 2 * (points - k);
    const double er = 0.5 * (xk[0] + xm[0]), ei = 0.5 * (xk[1] - xm[1]);
    const double dr = 0.5 * (xk[0] - xm[0]), di = 0.5 * (xk[1] + xm[1]);
    const double wr = CosAt(k), wi = -SinAt(k);
    const double orr = wr * dr - wi * di, oi = wr * di + wi * dr;
    xk[0] = er - oi;
    xk[1] = ei + orr;
    xm[0] = er + oi;
    xm[1] = orr - ei;
  }
  const double dc = 0.5 * (a[0] + a[1]);
  a[1] = 0.5 * (a[0] - a[1]);
  a[0] = dc;
}

} // namespace rsmp

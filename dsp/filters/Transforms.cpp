#include "dsp/filters/Transforms.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "dsp/filters/DesignChecks.h"

namespace Dsp {

namespace {

constexpr double kPi = std::numbers::pi;
// A band edge at w puts the band's DC-side poles about w from z = 1, and a section's gain at DC is
// 1 + a1 + a2 = |1 - p|^2, the sum of coefficients near -2 and 1 that carry only 2^-52 each: an edge of
// 1e-8 leaves nothing of it (infinite or NaN at DC). At 2^-15 rad (a quarter of a hertz at 48 kHz) the
// square is 2^-30 and keeps 22 bits; a geometric band's lowest edge (1 Hz) lies above it at any rate up
// to about 205 kHz.
constexpr double kLowestEdge = 0x1p-15;
constexpr double kHighestEdge = kPi - 0.001;

bool isInfinite(Complex c) {
  return std::isinf(c.real()) || std::isinf(c.imag());
}

// Band edges kept inside (0, pi); a band that vanishes after the clamps is refused.
BandEdges clampedEdges(double lower, double upper) {
  const BandEdges edges{std::max(lower, kLowestEdge), std::min(upper, kHighestEdge)};
  if (!(edges.lower < edges.upper))
    throw std::logic_error("band transform: the band lies outside 0 to the Nyquist frequency");
  return edges;
}

// Refused before the digital layout is touched, so a failed transform leaves it as it was.
void checkRoom(const PoleZeroLayout& digital, int neededPoles) {
  if (neededPoles > digital.getMaxPoles())
    throw std::logic_error("transform: more poles than the digital layout holds");
}

// Conjugate pairs (which include a double real root and the zeros at infinity) are mapped through
// their first root so that the result is exactly conjugate; a pair of distinct real roots (a shelf's
// zeros can be such a pair) is mapped root by root.
bool isConjugatePair(const RootPair& roots) {
  return roots.second == std::conj(roots.first);
}

template <class Map>
RootPair mapRoots(const Map& map, const RootPair& roots) {
  const Complex first = map(roots.first);
  return {first, isConjugatePair(roots) ? std::conj(first) : map(roots.second)};
}

// Low-pass and high-pass: each analog pair gives one digital pair, the single pole last.
template <class Map>
void mapOneToOne(const Map& map, PoleZeroLayout& digital, const PoleZeroLayout& analog) {
  checkRoom(digital, analog.getNumPoles());
  digital.reset();
  for (int i = 0; i < analog.getNumPoles() / 2; ++i)
    digital.appendPair(mapRoots(map, analog[i].poles), mapRoots(map, analog[i].zeros));
  if (analog.getNumPoles() % 2 != 0) {
    const PoleZeroSet& single = analog[analog.getNumSets() - 1];
    digital.appendSingle(map(single.poles.first), map(single.zeros.first));
  }
}

// Band transforms map one root to two; a conjugate pair gives the conjugates of both.
template <class Map>
std::array<RootPair, 2> mapBandRoots(const Map& map, const RootPair& roots) {
  if (isConjugatePair(roots)) {
    const RootPair t = map(roots.first);
    return {RootPair{t.first, std::conj(t.first)}, RootPair{t.second, std::conj(t.second)}};
  }
  return {map(roots.first), map(roots.second)};
}

// Each analog pair gives two digital pairs, the single pole one pair holding both of its images.
template <class Map>
void mapOneToTwo(const Map& map, PoleZeroLayout& digital, const PoleZeroLayout& analog) {
  checkRoom(digital, 2 * analog.getNumPoles());
  digital.reset();
  for (int i = 0; i < analog.getNumPoles() / 2; ++i) {
    const std::array<RootPair, 2> poles = mapBandRoots(map, analog[i].poles);
    const std::array<RootPair, 2> zeros = mapBandRoots(map, analog[i].zeros);
    digital.appendPair(poles[0], zeros[0]);
    digital.appendPair(poles[1], zeros[1]);
  }
  if (analog.getNumPoles() % 2 != 0) {
    const PoleZeroSet& single = analog[analog.getNumSets() - 1];
    digital.appendPair(map(single.poles.first), map(single.zeros.first));
  }
}

}  // namespace

BandEdges bandEdges(double fc, double fw) {
  checkFinite(fc, "centre frequency");
  checkPositive(fw, "band width");
  const double ww = 2.0 * kPi * fw;
  const double lower = 2.0 * kPi * fc - ww / 2.0;
  return clampedEdges(lower, lower + ww);
}

BandEdges geometricBandEdges(double sampleRate, double centerHz, double q) {
  checkPositive(sampleRate, "sample rate");
  checkPositive(centerHz, "centre frequency");
  checkPositive(q, "q");
  const double upper = std::log10(centerHz + centerHz / q);
  const double mid = std::log10(centerHz);
  const double d = upper - mid;
  const double hiHz = std::min(std::pow(10.0, mid + d), sampleRate - 1.0);
  const double loHz = std::max(std::pow(10.0, mid - d), 1.0);
  return clampedEdges(2.0 * kPi * loHz / sampleRate, 2.0 * kPi * hiHz / sampleRate);
}

LowPassTransform::LowPassTransform(double fc, PoleZeroLayout& digital, const PoleZeroLayout& analog) {
  checkNormalisedFrequency(fc);
  mF = std::tan(kPi * fc);
  mapOneToOne([this](Complex c) { return transform(c); }, digital, analog);
  digital.setNormalPoint(analog.getNormalW(), analog.getNormalGain());
}

Complex LowPassTransform::transform(Complex c) const {
  if (isInfinite(c)) return -1.0;
  c *= mF;
  return (1.0 + c) / (1.0 - c);
}

HighPassTransform::HighPassTransform(double fc, PoleZeroLayout& digital, const PoleZeroLayout& analog) {
  checkNormalisedFrequency(fc);
  mF = 1.0 / std::tan(kPi * fc);
  mapOneToOne([this](Complex c) { return transform(c); }, digital, analog);
  digital.setNormalPoint(kPi - analog.getNormalW(), analog.getNormalGain());
}

Complex HighPassTransform::transform(Complex c) const {
  if (isInfinite(c)) return 1.0;
  c *= mF;
  return -(1.0 + c) / (1.0 - c);
}

BandPassTransform::BandPassTransform(double fc, double fw, PoleZeroLayout& digital, const PoleZeroLayout& analog)
    : BandPassTransform(bandEdges(fc, fw), digital, analog) {}

BandPassTransform::BandPassTransform(BandEdges edges, PoleZeroLayout& digital, const PoleZeroLayout& analog) {
  const double wc2 = edges.lower;
  const double wc = edges.upper;
  mA = std::cos((wc + wc2) / 2.0) / std::cos((wc - wc2) / 2.0);
  mB = 1.0 / std::tan((wc - wc2) / 2.0);
  mA2 = mA * mA;
  mB2 = mB * mB;
  mAb2 = 2.0 * mA * mB;

  mapOneToTwo([this](Complex c) { return transform(c); }, digital, analog);
  const double wn = analog.getNormalW();
  const double normalW = 2.0 * std::atan(std::sqrt(std::tan((wc + wn) / 2.0) * std::tan((wc2 + wn) / 2.0)));
  digital.setNormalPoint(normalW, analog.getNormalGain());
}

RootPair BandPassTransform::transform(Complex c) const {
  if (isInfinite(c)) return {-1.0, 1.0};
  c = (1.0 + c) / (1.0 - c);
  const double k = mB2 * (mA2 - 1.0);
  Complex v = std::sqrt(4.0 * (k + 1.0) * c * c + 8.0 * (k - 1.0) * c + 4.0 * (k + 1.0));
  const Complex u = -v + mAb2 * c + mAb2;
  v = v + mAb2 * c + mAb2;
  const Complex d = 2.0 * (mB - 1.0) * c + 2.0 * (1.0 + mB);
  return {u / d, v / d};
}

BandStopTransform::BandStopTransform(double fc, double fw, PoleZeroLayout& digital, const PoleZeroLayout& analog)
    : BandStopTransform(bandEdges(fc, fw), fc, digital, analog) {}

BandStopTransform::BandStopTransform(BandEdges edges, double centre, PoleZeroLayout& digital,
                                     const PoleZeroLayout& analog) {
  const double wc2 = edges.lower;
  const double wc = edges.upper;
  mA = std::cos((wc + wc2) / 2.0) / std::cos((wc - wc2) / 2.0);
  mB = std::tan((wc - wc2) / 2.0);
  mA2 = mA * mA;
  mB2 = mB * mB;

  mapOneToTwo([this](Complex c) { return transform(c); }, digital, analog);
  digital.setNormalPoint(centre < 0.25 ? kPi : 0.0, analog.getNormalGain());
}

RootPair BandStopTransform::transform(Complex c) const {
  c = isInfinite(c) ? Complex(-1.0) : (1.0 + c) / (1.0 - c);
  Complex u = std::sqrt(4.0 * (mB2 + mA2 - 1.0) * c * c + 8.0 * (mB2 - mA2 + 1.0) * c + 4.0 * (mA2 + mB2 - 1.0));
  const Complex v = -u / 2.0 + mA - mA * c;
  u = u / 2.0 + mA - mA * c;
  const Complex d = (mB + 1.0) + (mB - 1.0) * c;
  return {u / d, v / d};
}

GeometricBandPassTransform::GeometricBandPassTransform(double sampleRate, double centerHz, double q,
                                                       PoleZeroLayout& digital, const PoleZeroLayout& analog)
    : BandPassTransform(geometricBandEdges(sampleRate, centerHz, q), digital, analog) {}

// The normal point is chosen on the centre in hertz against 0.25, so every audible centre is normalised
// at DC; a band-stop's gain is the same at DC and at Nyquist, so the choice does not change the response.
GeometricBandStopTransform::GeometricBandStopTransform(double sampleRate, double centerHz, double q,
                                                       PoleZeroLayout& digital, const PoleZeroLayout& analog)
    : BandStopTransform(geometricBandEdges(sampleRate, centerHz, q), centerHz, digital, analog) {}

}  // namespace Dsp

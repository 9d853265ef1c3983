// Bilinear maps from a normalised analog prototype layout to a digital layout that put the prototype's
// corner (or band) at the requested frequency. Each transform does all its work in its constructor:
// it resets the digital layout, maps every pole pair in order, the single pole last, and sets the
// digital normal point. fc and fw are normalised frequencies (hertz / sample rate, 0..0.5).
// Design time only; they throw std::logic_error on a frequency outside its range.
#pragma once

#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

class LowPassTransform {
 public:
  LowPassTransform(double fc, PoleZeroLayout& digital, const PoleZeroLayout& analog);

 private:
  Complex transform(Complex c) const;

  double mF;
};

class HighPassTransform {
 public:
  HighPassTransform(double fc, PoleZeroLayout& digital, const PoleZeroLayout& analog);

 private:
  Complex transform(Complex c) const;

  double mF;
};

// Band edges in radians per sample, as the band transforms use them.
struct BandEdges {
  double lower;
  double upper;
};

class BandPassTransform {
 public:
  BandPassTransform(double fc, double fw, PoleZeroLayout& digital, const PoleZeroLayout& analog);

 protected:
  BandPassTransform(BandEdges edges, PoleZeroLayout& digital, const PoleZeroLayout& analog);

 private:
  RootPair transform(Complex c) const;

  double mA;
  double mB;
  double mA2;
  double mB2;
  double mAb2;
};

class BandStopTransform {
 public:
  BandStopTransform(double fc, double fw, PoleZeroLayout& digital, const PoleZeroLayout& analog);

 protected:
  // The normal point is Nyquist when centre is below 0.25, else DC.
  BandStopTransform(BandEdges edges, double centre, PoleZeroLayout& digital, const PoleZeroLayout& analog);

 private:
  RootPair transform(Complex c) const;

  double mA;
  double mB;
  double mA2;
  double mB2;
};

// Band-pass whose band is given as (sampleRate, centre in hertz, q): the edges lie symmetric about the
// centre on a log scale, the upper one at centreHz (1 + 1/q).
class GeometricBandPassTransform : public BandPassTransform {
 public:
  GeometricBandPassTransform(double sampleRate, double centerHz, double q, PoleZeroLayout& digital,
                             const PoleZeroLayout& analog);
};

// Band-stop whose band is given as for GeometricBandPassTransform.
class GeometricBandStopTransform : public BandStopTransform {
 public:
  GeometricBandStopTransform(double sampleRate, double centerHz, double q, PoleZeroLayout& digital,
                             const PoleZeroLayout& analog);
};

}  // namespace Dsp

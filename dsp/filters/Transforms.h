// Bilinear maps from a normalised analog prototype layout to a digital layout that put the prototype's
// corner (or band) at the requested frequency. Each transform does all its work in its constructor:
// it resets the digital layout, maps every pole pair in order, the single pole last, and sets the
// digital normal point. fc and fw are normalised frequencies (hertz / sample rate, 0..0.5).
// Design time only; they throw std::logic_error on a corner frequency outside (0, 0.5) or a band that
// bandEdges or geometricBandEdges refuses, leaving the digital layout as it was.
#pragma once

#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

// Band edges in radians per sample, as the band transforms use them.
struct BandEdges {
  double lower;
  double upper;
};

// The edges of the band with normalised centre fc and width fw, each kept inside [2^-15, pi - 0.001]
// (so a centre at or beyond 0 or Nyquist gives the part of its band that lies inside; 2^-15 rad is the
// lowest edge whose poles near z = 1 keep the response at DC). Throws for a centre that is not finite,
// a width that is not positive, or a band that vanishes once kept inside.
BandEdges bandEdges(double fc, double fw);
// The edges of the band (sampleRate, centre in hertz, q) as GeometricBandPassTransform describes it, the
// upper one at most sampleRate - 1 Hz and the lower one at least 1 Hz, then kept and refused as for
// bandEdges; also throws for a sample rate, centre or q that is not positive.
BandEdges geometricBandEdges(double sampleRate, double centerHz, double q);

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

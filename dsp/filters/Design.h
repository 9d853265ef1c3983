// The design kinds every family offers: an analog prototype, a transform to the requested frequency
// and a cascade built from the result, chained by configure. A design owns its analog layout, its
// digital layout (twice the analog one for band designs) and its cascade storage, sized for MaxOrder.
// configure checks its arguments first and throws std::logic_error on bad ones (order outside
// 1..MaxOrder, a cutoff outside 0..Nyquist, a band that bandEdges or geometricBandEdges refuses, a
// family argument its prototype refuses), before the prototype is designed. Design time only; a design
// is used by one thread at a time.
#pragma once

#include <numbers>
#include <vector>

#include "dsp/filters/Cascade.h"
#include "dsp/filters/DesignChecks.h"
#include "dsp/filters/PoleZeroLayout.h"
#include "dsp/filters/Transforms.h"

namespace Dsp {

template <class Prototype, int MaxOrder, int DigitalPolesPerAnalog>
class DesignBase {
  static_assert(MaxOrder >= 1 && MaxOrder <= Prototype::kMaxOrder, "order beyond what the family supports");

 public:
  static constexpr int kMaxStages = (MaxOrder * DigitalPolesPerAnalog + 1) / 2;

  DesignBase() = default;
  DesignBase(const DesignBase&) = delete;
  DesignBase& operator=(const DesignBase&) = delete;

  const Cascade& getCascade() const { return mCascade; }
  const PoleZeroLayout& getAnalogLayout() const { return mAnalog; }
  const PoleZeroLayout& getDigitalLayout() const { return mDigital; }
  int getNumStages() const { return mCascade.getNumStages(); }
  // Frequency response at f cycles per sample.
  Complex response(double f) const { return mCascade.response(f); }
  std::vector<StagePoleZeros> poleZeros() const { return mCascade.poleZeros(); }

 protected:
  OwnedLayout<MaxOrder> mAnalog;
  Prototype mPrototype{mAnalog};
  OwnedLayout<MaxOrder * DigitalPolesPerAnalog> mDigital;
  OwnedCascade<kMaxStages> mCascade;
};

// Low-pass, high-pass and the two shelves: Transform puts the prototype's corner at the cutoff.
// FamilyArgs are the prototype's arguments after the order (a shelf's gain in dB first).
template <class Prototype, int MaxOrder, class Transform>
class CornerDesign : public DesignBase<Prototype, MaxOrder, 1> {
 public:
  template <class... FamilyArgs>
  void configure(int order, double sampleRate, double cutoffFrequency, FamilyArgs... familyArgs) {
    checkOrder(order, MaxOrder);
    checkFrequency(sampleRate, cutoffFrequency);
    this->mPrototype.design(order, familyArgs...);
    Transform(cutoffFrequency / sampleRate, this->mDigital, this->mAnalog);
    this->mCascade.buildFromLayout(this->mDigital);
  }
};

template <class Prototype, int MaxOrder>
using LowPassDesign = CornerDesign<Prototype, MaxOrder, LowPassTransform>;
template <class Prototype, int MaxOrder>
using HighPassDesign = CornerDesign<Prototype, MaxOrder, HighPassTransform>;
template <class Prototype, int MaxOrder>
using LowShelfDesign = CornerDesign<Prototype, MaxOrder, LowPassTransform>;
template <class Prototype, int MaxOrder>
using HighShelfDesign = CornerDesign<Prototype, MaxOrder, HighPassTransform>;

// Band-pass and band-stop with the band given as (centre, width) in hertz; the part of the band that
// lies inside 0..Nyquist is taken, so the centre may lie at or beyond either end.
template <class Prototype, int MaxOrder, class Transform>
class BandDesign : public DesignBase<Prototype, MaxOrder, 2> {
 public:
  template <class... FamilyArgs>
  void configure(int order, double sampleRate, double centerFrequency, double widthFrequency,
                 FamilyArgs... familyArgs) {
    checkOrder(order, MaxOrder);
    checkPositive(sampleRate, "sample rate");
    bandEdges(centerFrequency / sampleRate, widthFrequency / sampleRate);
    this->mPrototype.design(order, familyArgs...);
    Transform(centerFrequency / sampleRate, widthFrequency / sampleRate, this->mDigital, this->mAnalog);
    this->mCascade.buildFromLayout(this->mDigital);
  }
};

template <class Prototype, int MaxOrder>
using BandPassDesign = BandDesign<Prototype, MaxOrder, BandPassTransform>;
template <class Prototype, int MaxOrder>
using BandStopDesign = BandDesign<Prototype, MaxOrder, BandStopTransform>;

// Band shelves are normalised (gain 1) at whichever end of the spectrum lies farther from the band.
template <class Prototype, int MaxOrder>
class BandShelfDesign : public DesignBase<Prototype, MaxOrder, 2> {
 public:
  template <class... FamilyArgs>
  void configure(int order, double sampleRate, double centerFrequency, double widthFrequency, double gainDb,
                 FamilyArgs... familyArgs) {
    checkOrder(order, MaxOrder);
    checkPositive(sampleRate, "sample rate");
    bandEdges(centerFrequency / sampleRate, widthFrequency / sampleRate);
    this->mPrototype.design(order, gainDb, familyArgs...);
    BandPassTransform(centerFrequency / sampleRate, widthFrequency / sampleRate, this->mDigital, this->mAnalog);
    setFarEndNormal(this->mDigital, centerFrequency / sampleRate);
    this->mCascade.buildFromLayout(this->mDigital);
  }

  static void setFarEndNormal(PoleZeroLayout& digital, double fc) {
    digital.setNormalPoint(fc < 0.25 ? std::numbers::pi : 0.0, digital.getNormalGain());
  }
};

// Band designs whose band is (centre in hertz, q): edges symmetric on a log scale about the centre,
// the upper one at centre (1 + 1/q), taken as the geometric transforms take them (so a centre above
// Nyquist still gives the part of its band below).
template <class Prototype, int MaxOrder, class Transform>
class GeometricBandDesign : public DesignBase<Prototype, MaxOrder, 2> {
 public:
  void configure(int order, double sampleRate, double centerFrequency, double q) {
    checkOrder(order, MaxOrder);
    geometricBandEdges(sampleRate, centerFrequency, q);
    this->mPrototype.design(order);
    Transform(sampleRate, centerFrequency, q, this->mDigital, this->mAnalog);
    this->mCascade.buildFromLayout(this->mDigital);
  }
};

template <class Prototype, int MaxOrder>
using GeometricBandPassDesign = GeometricBandDesign<Prototype, MaxOrder, GeometricBandPassTransform>;
template <class Prototype, int MaxOrder>
using GeometricBandStopDesign = GeometricBandDesign<Prototype, MaxOrder, GeometricBandStopTransform>;

template <class Prototype, int MaxOrder>
class GeometricBandShelfDesign : public DesignBase<Prototype, MaxOrder, 2> {
 public:
  void configure(int order, double sampleRate, double centerFrequency, double q, double gainDb) {
    checkOrder(order, MaxOrder);
    geometricBandEdges(sampleRate, centerFrequency, q);
    this->mPrototype.design(order, gainDb);
    GeometricBandPassTransform(sampleRate, centerFrequency, q, this->mDigital, this->mAnalog);
    BandShelfDesign<Prototype, MaxOrder>::setFarEndNormal(this->mDigital, centerFrequency / sampleRate);
    this->mCascade.buildFromLayout(this->mDigital);
  }
};

}  // namespace Dsp

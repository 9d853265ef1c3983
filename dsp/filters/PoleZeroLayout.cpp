#include "dsp/filters/PoleZeroLayout.h"

#include <limits>
#include <stdexcept>

namespace Dsp {

Complex infinity() {
  return {std::numeric_limits<double>::infinity(), 0.0};
}

PoleZeroLayout::PoleZeroLayout(PoleZeroSet* storage, int maxPoles) : mSets(storage), mMaxPoles(maxPoles) {}

const PoleZeroSet& PoleZeroLayout::operator[](int index) const {
  if (index < 0 || index >= getNumSets()) throw std::logic_error("pole-zero set index out of range");
  return mSets[index];
}

void PoleZeroLayout::reset() {
  mNumPoles = 0;
}

void PoleZeroLayout::appendConjugates(Complex pole, Complex zero) {
  append({{pole, std::conj(pole)}, {zero, std::conj(zero)}}, 2);
}

void PoleZeroLayout::appendSingle(Complex pole, Complex zero) {
  append({{pole, Complex(0.0)}, {zero, Complex(0.0)}}, 1);
}

void PoleZeroLayout::appendPair(const RootPair& poles, const RootPair& zeros) {
  append({poles, zeros}, 2);
}

void PoleZeroLayout::setNormalPoint(double w, double gain) {
  mNormalW = w;
  mNormalGain = gain;
}

void PoleZeroLayout::append(const PoleZeroSet& set, int numPoles) {
  // A single pole occupies a whole set, so nothing may follow it.
  if (mNumPoles % 2 != 0) throw std::logic_error("pole-zero layout: nothing may follow a single pole");
  if (mNumPoles + numPoles > mMaxPoles)
    throw std::logic_error("pole-zero layout: more poles than the filter's storage holds");
  mSets[mNumPoles / 2] = set;
  mNumPoles += numPoles;
}

}  // namespace Dsp

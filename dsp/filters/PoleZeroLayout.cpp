#include "dsp/filters/PoleZeroLayout.h"

#include <limits>
#include <stdexcept>

namespace Dsp {

Complex infinity() {
  return {std::numeric_limits<double>::infinity(), 0.0};
}

PoleZeroLayout::PoleZeroLayout(PoleZeroSet* storage, int maxPoles) : m_sets(storage), m_maxPoles(maxPoles) {}

const PoleZeroSet& PoleZeroLayout::operator[](int index) const {
  if (index < 0 || index >= getNumSets()) throw std::logic_error("pole-zero set index out of range");
  return m_sets[index];
}

void PoleZeroLayout::reset() {
  m_numPoles = 0;
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
  m_normalW = w;
  m_normalGain = gain;
}

void PoleZeroLayout::append(const PoleZeroSet& set, int numPoles) {
  // A single pole occupies a whole set, so nothing may follow it.
  if (m_numPoles % 2 != 0) throw std::logic_error("pole-zero layout: nothing may follow a single pole");
  if (m_numPoles + numPoles > m_maxPoles)
    throw std::logic_error("pole-zero layout: more poles than the filter's storage holds");
  m_sets[m_numPoles / 2] = set;
  m_numPoles += numPoles;
}

}  // namespace Dsp

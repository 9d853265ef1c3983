#include "dsp/filters/AnalogButterworth.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "dsp/filters/DesignChecks.h"

namespace Dsp::Butterworth {

namespace {
constexpr double kPi = std::numbers::pi;
}

AnalogLowPass::AnalogLowPass(PoleZeroLayout& layout) : m_layout(layout) {
  m_layout.setNormalPoint(0.0, 1.0);
}

void AnalogLowPass::design(int numPoles) {
  if (numPoles == m_numPoles) return;
  checkOrder(numPoles, std::min(m_layout.getMaxPoles(), kMaxOrder));

  m_layout.reset();
  const double n2 = 2.0 * numPoles;
  for (int i = 0; i < numPoles / 2; ++i) {
    const double theta = (2 * i + 1) * kPi / n2 + kPi / 2.0;
    m_layout.appendConjugates(std::polar(1.0, theta), infinity());
  }
  if (numPoles % 2 != 0) m_layout.appendSingle(-1.0, infinity());
  m_layout.setNormalPoint(0.0, 1.0);
  m_numPoles = numPoles;
}

AnalogLowShelf::AnalogLowShelf(PoleZeroLayout& layout) : m_layout(layout) {
  m_layout.setNormalPoint(kPi, 1.0);
}

void AnalogLowShelf::design(int numPoles, double gainDb) {
  if (numPoles == m_numPoles && gainDb == m_gainDb) return;
  checkOrder(numPoles, std::min(m_layout.getMaxPoles(), kMaxOrder));
  checkFinite(gainDb, "shelf gain");

  m_layout.reset();
  const double n2 = 2.0 * numPoles;
  // Poles at radius 1/g and zeros at radius g: the DC gain is g^(2n), the gain at infinity 1.
  const double g = std::pow(std::pow(10.0, gainDb / 20.0), 1.0 / n2);
  for (int i = 1; i <= numPoles / 2; ++i) {
    const double theta = kPi * (0.5 - (2 * i - 1) / n2);
    const Complex c = std::polar(1.0, theta);
    m_layout.appendConjugates(-(1.0 / g) * c, -g * c);
  }
  if (numPoles % 2 != 0) m_layout.appendSingle(-1.0 / g, -g);
  m_layout.setNormalPoint(kPi, 1.0);
  m_numPoles = numPoles;
  m_gainDb = gainDb;
}

}  // namespace Dsp::Butterworth

// Maximally flat analog prototypes: the low-pass with its -3 dB corner at 1 rad/s, and the low shelf
// whose gain goes from gainDb at DC to 0 dB at high frequencies. Design time only.
#pragma once

#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp::Butterworth {

// The largest order the designs accept.
inline constexpr int kMaxOrder = 50;

class AnalogLowPass {
 public:
  static constexpr int kMaxOrder = Butterworth::kMaxOrder;

  explicit AnalogLowPass(PoleZeroLayout& layout);
  // Redesigns only when the order changed. Throws std::logic_error for an order outside 1 to the
  // layout's storage, leaving the layout as it was.
  void design(int numPoles);

 private:
  PoleZeroLayout& m_layout;
  int m_numPoles = -1;
};

class AnalogLowShelf {
 public:
  static constexpr int kMaxOrder = Butterworth::kMaxOrder;

  explicit AnalogLowShelf(PoleZeroLayout& layout);
  // Redesigns only when an argument changed. Throws std::logic_error for a bad order or a gain that
  // is not finite, leaving the layout as it was.
  void design(int numPoles, double gainDb);

 private:
  PoleZeroLayout& m_layout;
  int m_numPoles = -1;
  double m_gainDb = 0.0;
};

}  // namespace Dsp::Butterworth

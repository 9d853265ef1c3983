// Equiripple analog prototypes: Chebyshev type I (ripple in the pass band, corner at 1 rad/s where the
// ripple band ends), Chebyshev type II (ripple in the stop band, which begins at 1 rad/s), and the
// low shelf with ripple that both families use for their shelves. Design time only.
#pragma once

#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

// Low shelf from gainDb at DC to 0 dB at high frequencies with rippleDb of ripple (limited to the
// gain) in the shelf's flat part. A 0 dB shelf is the identity (poles on its zeros).
class AnalogRippleShelf {
 public:
  static constexpr int kMaxOrder = 50;

  explicit AnalogRippleShelf(PoleZeroLayout& layout);
  // Redesigns only when an argument changed. Throws std::logic_error for a bad order, a gain that is
  // not finite or a ripple that is not positive, leaving the layout as it was.
  void design(int numPoles, double gainDb, double rippleDb);

 private:
  void designIdentity(int numPoles);

  PoleZeroLayout& m_layout;
  int m_numPoles = -1;
  double m_gainDb = 0.0;
  double m_rippleDb = 0.0;
};

namespace ChebyshevI {

inline constexpr int kMaxOrder = 50;

class AnalogLowPass {
 public:
  static constexpr int kMaxOrder = ChebyshevI::kMaxOrder;

  explicit AnalogLowPass(PoleZeroLayout& layout);
  // Redesigns only when an argument changed. Throws std::logic_error for a bad order or a ripple that
  // is not positive, leaving the layout as it was.
  void design(int numPoles, double rippleDb);

 private:
  PoleZeroLayout& m_layout;
  int m_numPoles = -1;
  double m_rippleDb = 0.0;
};

using AnalogLowShelf = AnalogRippleShelf;

}  // namespace ChebyshevI

namespace ChebyshevII {

inline constexpr int kMaxOrder = 50;

class AnalogLowPass {
 public:
  static constexpr int kMaxOrder = ChebyshevII::kMaxOrder;

  explicit AnalogLowPass(PoleZeroLayout& layout);
  // Redesigns only when an argument changed. Throws std::logic_error for a bad order or a stop-band
  // attenuation that is not positive, leaving the layout as it was.
  void design(int numPoles, double stopBandDb);

 private:
  PoleZeroLayout& m_layout;
  int m_numPoles = -1;
  double m_stopBandDb = 0.0;
};

using AnalogLowShelf = AnalogRippleShelf;

}  // namespace ChebyshevII

}  // namespace Dsp

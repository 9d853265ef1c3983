// What every analog prototype shares: the layout it designs into, its default normal point, and the
// arguments of its last design, so that designing again with the same arguments leaves the layout alone.
#pragma once

#include <algorithm>
#include <tuple>

#include "dsp/filters/DesignChecks.h"
#include "dsp/filters/PoleZeroLayout.h"

namespace Dsp {

// Derived provides kMaxOrder, kDefaultNormalW (0 for a low-pass, pi for a low shelf, which is
// normalised at the Nyquist end) and redesign(numPoles, familyArgs...), which checks its family
// arguments before it touches the layout and throws std::logic_error on bad ones. Design time only.
template <class Derived, class... FamilyArgs>
class AnalogPrototype {
 public:
  explicit AnalogPrototype(PoleZeroLayout& layout) : mLayout(layout) {
    mLayout.setNormalPoint(Derived::kDefaultNormalW, 1.0);
  }
  AnalogPrototype(const AnalogPrototype&) = delete;
  AnalogPrototype& operator=(const AnalogPrototype&) = delete;

  // Redesigns only when an argument changed. Throws std::logic_error for an order outside
  // 1..min(kMaxOrder, the layout's storage) or a family argument the prototype refuses, leaving the
  // layout and the remembered arguments as they were.
  void design(int numPoles, FamilyArgs... familyArgs) {
    if (numPoles == mNumPoles && std::tuple(familyArgs...) == mFamilyArgs) return;
    checkOrder(numPoles, std::min(mLayout.getMaxPoles(), Derived::kMaxOrder));
    static_cast<Derived&>(*this).redesign(numPoles, familyArgs...);
    mNumPoles = numPoles;
    mFamilyArgs = std::tuple(familyArgs...);
  }

 protected:
  PoleZeroLayout& mLayout;

 private:
  int mNumPoles = -1;
  std::tuple<FamilyArgs...> mFamilyArgs{};
};

}  // namespace Dsp

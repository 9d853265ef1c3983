// Pole-zero lists of analog prototypes (s-plane) and digital filters (z-plane), stored as pairs, with
// the point at which a cascade built from them is normalised.
#pragma once

#include <array>
#include <complex>

namespace Dsp {

using Complex = std::complex<double>;

// The point at infinity of the s-plane: (+inf, 0).
Complex infinity();

struct RootPair {
  Complex first;
  Complex second;
};

// A pole pair with its zeros, or a single pole (second pole and second zero both 0) with its zero.
struct PoleZeroSet {
  RootPair poles;
  RootPair zeros;

  bool isSinglePole() const { return poles.second == Complex(0.0) && zeros.second == Complex(0.0); }
};

// A list of poles and zeros over storage owned elsewhere (see OwnedLayout). Appending beyond the
// storage throws std::logic_error and leaves the list as it was. Not thread-safe: one owner at a time.
class PoleZeroLayout {
 public:
  PoleZeroLayout(PoleZeroSet* storage, int maxPoles);
  PoleZeroLayout(const PoleZeroLayout&) = delete;
  PoleZeroLayout& operator=(const PoleZeroLayout&) = delete;

  int getNumPoles() const { return mNumPoles; }
  int getMaxPoles() const { return mMaxPoles; }
  int getNumSets() const { return (mNumPoles + 1) / 2; }
  const PoleZeroSet& operator[](int index) const;

  double getNormalW() const { return mNormalW; }
  double getNormalGain() const { return mNormalGain; }

  void reset();
  void appendConjugates(Complex pole, Complex zero);
  void appendSingle(Complex pole, Complex zero);
  void appendPair(const RootPair& poles, const RootPair& zeros);
  void setNormalPoint(double w, double gain);

 private:
  void append(const PoleZeroSet& set, int numPoles);

  int mNumPoles = 0;
  PoleZeroSet* mSets;
  double mNormalW = 0.0;
  double mNormalGain = 1.0;
  int mMaxPoles;
};

template <int MaxPoles>
struct LayoutStorage {
  std::array<PoleZeroSet, (MaxPoles + 1) / 2> sets{};
};

// A layout together with storage for MaxPoles poles (the storage base is constructed first).
template <int MaxPoles>
class OwnedLayout : private LayoutStorage<MaxPoles>, public PoleZeroLayout {
 public:
  OwnedLayout() : PoleZeroLayout(this->sets.data(), MaxPoles) {}
};

}  // namespace Dsp

// Shared helpers of the classifier tests: aligned memory for the records and double-precision reference
// maths the single-precision code is checked against.
#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

namespace classifier::test {

// Zero-filled memory aligned like malloc's, as the classifier expects of its callers.
class AlignedMemory {
 public:
  explicit AlignedMemory(uint64_t bytes) : mStorage(bytes / sizeof(std::max_align_t) + 1) {}
  void* data() { return mStorage.data(); }
  uint64_t size() const { return mStorage.size() * sizeof(std::max_align_t); }
  template <typename Record>
  Record* as() {
    return static_cast<Record*>(data());
  }

 private:
  std::vector<std::max_align_t> mStorage;
};

inline std::vector<std::complex<double>> reference_dft(const std::vector<std::complex<double>>& x) {
  const size_t n = x.size();
  std::vector<std::complex<double>> out(n);
  for (size_t k = 0; k < n; ++k) {
    std::complex<double> sum = 0.0;
    for (size_t t = 0; t < n; ++t)
      sum += x[t] * std::polar(1.0, -2.0 * std::numbers::pi * double(k * t % n) / double(n));
    out[k] = sum;
  }
  return out;
}

// Power of the DFT of a real sequence at bins 0 .. count - 1.
inline std::vector<double> reference_power(const std::vector<double>& x, size_t count) {
  std::vector<std::complex<double>> c(x.begin(), x.end());
  const auto spectrum = reference_dft(c);
  std::vector<double> power(count);
  for (size_t k = 0; k < count; ++k) power[k] = std::norm(spectrum[k]);
  return power;
}

inline std::vector<float> noise(size_t n, float amplitude, uint32_t seed) {
  std::mt19937 rng(seed);
  std::uniform_real_distribution<float> u(-amplitude, amplitude);
  std::vector<float> x(n);
  for (float& v : x) v = u(rng);
  return x;
}

inline double hamming(size_t i, size_t n) {
  return 0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * (double(i) + 0.5) / double(n));
}

}  // namespace classifier::test

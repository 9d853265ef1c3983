// Writes dsp/classifier/ClassifierTables.cpp: the classifier's resampler low-pass filters (designed in
// double precision, stored as floats) and its Hamming windows. Run by hand after changing a design:
//   kd_classifier_tables <repo>/dsp/classifier/ClassifierTables.cpp
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

namespace {

// One low-pass design: either a Kaiser-windowed sinc (cut-off at the -6 dB point, window beta) or a
// weighted least-squares fit (pass band up to passEdge with weight 1, stop band from stopEdge with
// stopWeight, nothing asked in between). The figures, relative to DC:
// - 32 kHz (Kaiser): flat within 0.001 dB to 6 kHz, -2.3 dB at 7 kHz, -88 dB at 8 kHz, below -105 dB
//   from 8.5 kHz. The 44.1 kHz filter runs at 160 x 44100 Hz with the same design and response.
// - 48 kHz (least squares; no Kaiser window of this length reaches both -47 dB at 8 kHz and -100 dB
//   from 8.5 kHz): flat within 0.001 dB to 6 kHz, -0.22 dB at 7 kHz, -47.7 dB at 8 kHz, below -100 dB
//   from 8.5 kHz.
enum class Method { kKaiser, kLeastSquares };

struct LowPassDesign {
  const char* name;
  int tapCount;
  int branchCount;
  double sampleRate;
  Method method;
  double cutoff;
  double beta;
  double passEdge;
  double stopEdge;
  double stopWeight;
};

constexpr LowPassDesign kDesigns[] = {
    {"kLowPass32kTaps", 129, 1, 32000.0, Method::kKaiser, 7190.0, 10.45, 0.0, 0.0, 0.0},
    {"kLowPass44kTaps", 28225, 160, 160.0 * 44100.0, Method::kKaiser, 7190.0, 10.45, 0.0, 0.0, 0.0},
    {"kLowPass48kTaps", 193, 1, 48000.0, Method::kLeastSquares, 0.0, 0.0, 6825.0, 8150.0, 100.0},
};

// Zeroth-order modified Bessel function of the first kind, by its power series.
double besselI0(double x) {
  double sum = 1.0;
  double term = 1.0;
  for (int k = 1; k < 500 && term > 1e-21 * sum; ++k) {
    const double half = x / (2.0 * k);
    term *= half * half;
    sum += term;
  }
  return sum;
}

double windowedSinc(const LowPassDesign& d, int index) {
  const double centre = (d.tapCount - 1) / 2.0;
  const double t = index - centre;
  const double omega = 2.0 * std::numbers::pi * d.cutoff / d.sampleRate;
  const double sinc = t == 0.0 ? omega / std::numbers::pi : std::sin(omega * t) / (std::numbers::pi * t);
  const double r = t / centre;
  const double window = besselI0(d.beta * std::sqrt(std::max(0.0, 1.0 - r * r))) / besselI0(d.beta);
  return sinc * window;
}

std::vector<double> kaiserTaps(const LowPassDesign& d) {
  std::vector<double> taps(d.tapCount);
  for (int i = 0; i < d.tapCount; ++i) taps[i] = windowedSinc(d, std::min(i, d.tapCount - 1 - i));
  return taps;
}

// Solves the normal equations a x = b (n unknowns, a row-major) by Gaussian elimination with pivoting.
std::vector<double> solve(std::vector<double> a, std::vector<double> b) {
  const size_t n = b.size();
  for (size_t i = 0; i < n; ++i) {
    size_t pivot = i;
    for (size_t r = i + 1; r < n; ++r) {
      if (std::fabs(a[r * n + i]) > std::fabs(a[pivot * n + i])) pivot = r;
    }
    for (size_t j = 0; j < n; ++j) std::swap(a[i * n + j], a[pivot * n + j]);
    std::swap(b[i], b[pivot]);
    for (size_t r = i + 1; r < n; ++r) {
      const double factor = a[r * n + i] / a[i * n + i];
      for (size_t j = i; j < n; ++j) a[r * n + j] -= factor * a[i * n + j];
      b[r] -= factor * b[i];
    }
  }
  std::vector<double> x(n);
  for (size_t i = n; i-- > 0;) {
    double sum = b[i];
    for (size_t j = i + 1; j < n; ++j) sum -= a[i * n + j] * x[j];
    x[i] = sum / a[i * n + i];
  }
  return x;
}

// Least-squares fit of the zero-phase response a0 + sum a_k cos(k w) on a dense frequency grid.
std::vector<double> leastSquaresTaps(const LowPassDesign& d) {
  const int half = (d.tapCount - 1) / 2;
  const size_t unknowns = half + 1;
  std::vector<double> a(unknowns * unknowns, 0.0);
  std::vector<double> b(unknowns, 0.0);
  constexpr int kGridPoints = 20000;
  std::vector<double> basis(unknowns);
  for (int g = 0; g <= kGridPoints; ++g) {
    const double f = d.sampleRate / 2.0 * g / kGridPoints;
    if (f > d.passEdge && f < d.stopEdge) continue;
    const double weight = f <= d.passEdge ? 1.0 : d.stopWeight;
    const double desired = f <= d.passEdge ? 1.0 : 0.0;
    for (size_t k = 0; k < unknowns; ++k) basis[k] = std::cos(k * 2.0 * std::numbers::pi * f / d.sampleRate);
    for (size_t i = 0; i < unknowns; ++i) {
      b[i] += weight * desired * basis[i];
      for (size_t j = 0; j < unknowns; ++j) a[i * unknowns + j] += weight * basis[i] * basis[j];
    }
  }
  const std::vector<double> x = solve(a, b);
  std::vector<double> taps(d.tapCount);
  taps[half] = x[0];
  for (int k = 1; k <= half; ++k) taps[half + k] = taps[half - k] = x[k] / 2.0;
  return taps;
}

// Every polyphase branch is scaled to a DC gain of 0.99. Branch b mirrors branch (tapCount - 1 - b) mod
// branchCount, and both get the factor of the lower-numbered one so the table stays exactly symmetric.
std::vector<float> designLowPass(const LowPassDesign& d) {
  const std::vector<double> taps = d.method == Method::kKaiser ? kaiserTaps(d) : leastSquaresTaps(d);
  std::vector<double> branchSums(d.branchCount, 0.0);
  for (int i = 0; i < d.tapCount; ++i) branchSums[i % d.branchCount] += taps[i];
  std::vector<float> result(d.tapCount);
  for (int i = 0; i < d.tapCount; ++i) {
    const int branch = i % d.branchCount;
    const int mirror = ((d.tapCount - 1 - branch) % d.branchCount + d.branchCount) % d.branchCount;
    result[i] = static_cast<float>(taps[i] * 0.99 / branchSums[std::min(branch, mirror)]);
  }
  return result;
}

std::vector<float> hammingWindow(int length) {
  std::vector<float> window(length);
  for (int i = 0; i < length; ++i)
    window[i] = static_cast<float>(0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * (i + 0.5) / length));
  return window;
}

std::string formatFloat(float value) {
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  std::string s(text, result.ptr);
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s + "f";
}

void writeTable(std::ostream& out, const char* name, const std::vector<float>& values) {
  out << "\nconst float " << name << "[" << values.size() << "] = {";
  for (size_t i = 0; i < values.size(); ++i) {
    out << (i % 6 == 0 ? "\n    " : " ") << formatFloat(values[i]) << ",";
  }
  out << "\n};\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: kd_classifier_tables <output .cpp>\n";
    return 2;
  }
  std::ofstream out(argv[1]);
  out << "// Generated by tools/classifier_tables; edit the designs there and run it again.\n"
         "#include \"dsp/classifier/ClassifierTables.h\"\n\nnamespace classifier {\n";
  for (const LowPassDesign& design : kDesigns) writeTable(out, design.name, designLowPass(design));
  writeTable(out, "kHammingWindow512", hammingWindow(512));
  writeTable(out, "kHammingWindow1024", hammingWindow(1024));
  out << "\n}  // namespace classifier\n";
  return out.good() ? 0 : 1;
}

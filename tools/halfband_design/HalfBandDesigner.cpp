// Designs the half-band filter tables of the resampler's doubling and halving steps and prints them as
// C++ source on standard output. Run by hand; the output is committed as
// plugin/resampler/HalfBandFilterTables.cpp:
//   kd_halfband_design > plugin/resampler/HalfBandFilterTables.cpp
//
// A half-band filter keeps every even sample and fills the odd ones with
//   y = sum_k h[k] (x[-k] + x[1 + k]),
// so at the doubled rate its amplitude response is A(w) = 1 + 2 sum_k h[k] cos((2k + 1) w), with
// A(pi - w) = 2 - A(w): a stop band [pi - us, pi] mirrors a pass band [0, us] and only the stop band
// needs designing. Each filter is the minimax (Remez exchange) solution of
//   min max_{u in [0, us]} |1 - 2 sum_k h[k] cos((2k + 1) u)|,
// and its attenuation is -20 log10(max error / 2), the error relative to the pass-band level 2.
//
// Stop-band width: a step with steepness index r of the standard family doubles a signal that fills
// fp = 2^-(r + 2) of the new Nyquist band; the third family follows a rate tripling, fp = 2^-(r + 1) / 3.
// The stop band is us = c fp pi. Each filter gets the widest band up to c = 1.25 (a quarter of fp as
// guard) over which its tap count still reaches its row's attenuation figure, found by bisection.
// Nearly all reach their figure at c = 1 (the images of the whole signal band attenuated). The longest
// filters of the steepest rows (standard 0 and 1, third 0; only chosen above 168 dB) reach their figures
// only from c of about 0.91 to 0.93: the images of the top few percent of the band, where the chain's
// low-pass filter at its default 8 % transition band is already falling, are attenuated less. c = 0.9
// is the floor.
//
// The attenuation figures are the ones the resampler selects filters by; the tool checks that every
// filter, with its coefficients rounded to double, reaches its figure over its band, and fails
// otherwise. Five reference filters keep their published coefficients instead of a fresh design.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Real = long double;

struct RowSpec {
  const char* family;
  int row;
  int firstTaps;
  std::vector<double> attenuations;
  Real edgeFactor;
};

struct PinnedFilter {
  const char* family;
  int row;
  int taps;
  std::vector<const char*> coefficients;
};

const std::vector<RowSpec>& GetRowSpecs() {
  static const std::vector<RowSpec> specs = {
      {"Standard",
       0,
       4,
       {54.5176, 66.3075, 89.5271, 105.2842, 121.0063, 136.6982, 152.3572, 183.7962, 199.4768, 215.1364, 230.7526},
       1.25L},
      {"Standard", 1, 2, {56.6007, 83.0295, 123.4724, 152.4411, 181.2501, 209.9472, 238.5616}, 1.25L},
      {"Standard", 2, 2, {89.0473, 130.8951, 172.3192, 213.4984, 254.5186}, 1.25L},
      {"Standard", 3, 1, {54.4754, 113.2139, 167.1447, 220.6519}, 1.25L},
      {"Standard", 4, 1, {66.5391, 137.3173, 203.2997, 268.855}, 1.25L},
      {"Standard", 5, 1, {82.4633, 161.4049, 239.4313}, 1.0L},
      {"Standard", 6, 1, {94.5052, 185.4886, 275.5501}, 1.0L},
      {"Third", 0, 3, {66.3726, 90.2546, 126.5507, 150.1839, 173.7068, 197.1454, 220.5199}, 1.25L},
      {"Third", 1, 2, {71.0965, 115.7707, 152.1535, 188.2914, 224.2705}, 1.25L},
      {"Third", 2, 1, {49.4544, 103.197, 152.1195, 200.6182, 248.873}, 1.25L},
      {"Third", 3, 1, {61.5357, 127.3167, 188.299, 248.858}, 1.25L},
      {"Third", 4, 1, {77.4651, 151.4084, 224.4365}, 1.0L},
      {"Third", 5, 1, {89.5075, 175.4932, 260.5645}, 1.0L},
      {"Third", 6, 1, {101.549, 199.5761, 296.5185}, 1.0L},
  };
  return specs;
}

const std::vector<PinnedFilter>& GetPinnedFilters() {
  static const std::vector<PinnedFilter> pinned = {
      {"Standard", 0, 4, {"0.61729335651", "-0.159639456207", "0.0550733709341", "-0.0146035789899"}},
      {"Standard", 3, 1, {"0.501889000228"}},
      {"Standard", 6, 2, {"0.562507059225", "-0.0625070597564"}},
      {"Third", 0, 3, {"0.598113550696", "-0.117933966567", "0.0203005572119"}},
      {"Third", 2, 1, {"0.503367305314"}},
  };
  return pinned;
}

Real PassBandFraction(const RowSpec& spec) {
  const Real halving = std::pow(0.5L, spec.row);
  return std::string(spec.family) == "Third" ? halving / 6 : halving / 4;
}

Real StopBandError(const std::vector<Real>& h, Real u) {
  Real sum = 1;
  for (std::size_t k = 0; k < h.size(); k++) sum -= 2 * h[k] * std::cos((2 * k + 1) * u);
  return sum;
}

// Gauss-Jordan elimination with partial pivoting on an augmented n x (n + 1) system.
std::vector<Real> SolveLinear(std::vector<std::vector<Real>> a) {
  const std::size_t n = a.size();
  for (std::size_t c = 0; c < n; c++) {
    std::size_t pivot = c;
    for (std::size_t r = c + 1; r < n; r++)
      if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
    std::swap(a[c], a[pivot]);
    for (std::size_t r = 0; r < n; r++) {
      if (r == c) continue;
      const Real f = a[r][c] / a[c][c];
      for (std::size_t k = c; k <= n; k++) a[r][k] -= f * a[c][k];
    }
  }
  std::vector<Real> x(n);
  for (std::size_t i = 0; i < n; i++) x[i] = a[i][n] / a[i][i];
  return x;
}

// Coefficients that make the error equal and alternating, +-delta, at the n + 1 reference points.
std::vector<Real> SolveReference(const std::vector<Real>& points, int taps) {
  std::vector<std::vector<Real>> a(taps + 1, std::vector<Real>(taps + 2));
  for (int i = 0; i <= taps; i++) {
    for (int k = 0; k < taps; k++) a[i][k] = 2 * std::cos((2 * k + 1) * points[i]);
    a[i][taps] = (i % 2 == 0) ? 1 : -1;
    a[i][taps + 1] = 1;
  }
  std::vector<Real> x = SolveLinear(a);
  x.resize(taps);
  return x;
}

constexpr Real kPi = 3.14159265358979323846264338327950288L;

// The extrema of the error on a dense grid, merged so that signs alternate, trimmed to n + 1.
std::vector<Real> FindAlternatingExtrema(const std::vector<Real>& h, Real us, int taps) {
  const int gridSize = 600 * (taps + 1);
  std::vector<Real> grid(gridSize + 1);
  std::vector<Real> error(gridSize + 1);
  for (int i = 0; i <= gridSize; i++) {
    grid[i] = us * i / gridSize;
    error[i] = StopBandError(h, grid[i]);
  }
  std::vector<Real> extrema;
  std::vector<Real> values;
  for (int i = 0; i <= gridSize; i++) {
    const bool aboveLeft = i == 0 || std::fabs(error[i]) >= std::fabs(error[i - 1]);
    const bool aboveRight = i == gridSize || std::fabs(error[i]) >= std::fabs(error[i + 1]);
    if (!aboveLeft || !aboveRight) continue;
    if (!values.empty() && (values.back() > 0) == (error[i] > 0)) {
      if (std::fabs(error[i]) > std::fabs(values.back())) {
        extrema.back() = grid[i];
        values.back() = error[i];
      }
      continue;
    }
    extrema.push_back(grid[i]);
    values.push_back(error[i]);
  }
  while (static_cast<int>(extrema.size()) > taps + 1) {
    const bool dropFront = std::fabs(values.front()) < std::fabs(values.back());
    extrema.erase(dropFront ? extrema.begin() : extrema.end() - 1);
    values.erase(dropFront ? values.begin() : values.end() - 1);
  }
  return extrema;
}

std::vector<Real> DesignMinimax(int taps, Real us) {
  std::vector<Real> points(taps + 1);
  for (int i = 0; i <= taps; i++) points[i] = us * (1 - std::cos(kPi * i / taps)) / 2;
  std::vector<Real> h = SolveReference(points, taps);
  for (int iteration = 0; iteration < 40; iteration++) {
    std::vector<Real> extrema = FindAlternatingExtrema(h, us, taps);
    if (static_cast<int>(extrema.size()) < taps + 1 || extrema == points) break;
    points = extrema;
    h = SolveReference(points, taps);
  }
  return h;
}

Real GoldenMaximum(const std::vector<Real>& h, Real lo, Real hi) {
  for (int i = 0; i < 80; i++) {
    const Real a = lo + (hi - lo) * 0.381966L;
    const Real b = lo + (hi - lo) * 0.618034L;
    if (std::fabs(StopBandError(h, a)) < std::fabs(StopBandError(h, b)))
      lo = a;
    else
      hi = b;
  }
  return std::fabs(StopBandError(h, (lo + hi) / 2));
}

// Attenuation in dB of the coefficients as given, over the stop band [0, us]: every grid maximum is
// refined by golden-section search, and the band edges are evaluated exactly.
Real MeasureAttenuation(const std::vector<Real>& h, Real us) {
  const int gridSize = 2000 * static_cast<int>(h.size() + 1);
  std::vector<Real> error(gridSize + 1);
  for (int i = 0; i <= gridSize; i++) error[i] = std::fabs(StopBandError(h, us * i / gridSize));
  Real worst = std::max(error[0], error[gridSize]);
  for (int i = 1; i < gridSize; i++)
    if (error[i] >= error[i - 1] && error[i] >= error[i + 1])
      worst = std::max(worst, GoldenMaximum(h, us * (i - 1) / gridSize, us * (i + 1) / gridSize));
  return -20 * std::log10(std::max(worst, 1e-30L) / 2);
}

struct Filter {
  std::vector<std::string> texts;
  std::vector<Real> stored;
  Real edgeFactor = 1;
  Real attenuation = 0;
};

const PinnedFilter* FindPinned(const RowSpec& spec, int taps) {
  for (const PinnedFilter& p : GetPinnedFilters())
    if (std::string(p.family) == spec.family && p.row == spec.row && p.taps == taps) return &p;
  return nullptr;
}

Real StopBandWidth(const RowSpec& spec, Real edgeFactor) {
  return edgeFactor * PassBandFraction(spec) * kPi;
}

// Coefficients of `taps` for the stop band of `edgeFactor`, as they will be stored (rounded to double).
std::vector<Real> StoredCoefficients(const RowSpec& spec, int taps, Real edgeFactor, std::vector<std::string>* texts) {
  std::vector<Real> stored;
  if (const PinnedFilter* pinned = FindPinned(spec, taps)) {
    for (const char* text : pinned->coefficients) {
      stored.push_back(std::strtod(text, nullptr));
      if (texts != nullptr) texts->emplace_back(text);
    }
    return stored;
  }
  for (Real v : DesignMinimax(taps, StopBandWidth(spec, edgeFactor))) {
    const double rounded = static_cast<double>(v);
    stored.push_back(rounded);
    if (texts != nullptr) {
      char text[40];
      std::snprintf(text, sizeof(text), "%.17g", rounded);
      texts->emplace_back(text);
    }
  }
  return stored;
}

Real AttenuationAt(const RowSpec& spec, int taps, Real edgeFactor) {
  return MeasureAttenuation(StoredCoefficients(spec, taps, edgeFactor, nullptr), StopBandWidth(spec, edgeFactor));
}

// The widest stop band, c in [0.9, 1.25], over which the filter reaches `target` dB.
Real FindEdgeFactor(const RowSpec& spec, int taps, Real target) {
  if (AttenuationAt(spec, taps, 1.25L) >= target) return 1.25L;
  Real lo = 0.9L;
  Real hi = 1.25L;
  for (int i = 0; i < 20; i++) {
    const Real mid = (lo + hi) / 2;
    (AttenuationAt(spec, taps, mid) >= target ? lo : hi) = mid;
  }
  return lo;
}

// Figures are given to four decimals; a filter meets its figure when it is at most 0.00005 dB short.
constexpr Real kFigureTolerance = 0.00005L;
// The reference filters are published to 12 digits, which moves their figures by a few thousandths
// of a dB at the levels of the long ones.
constexpr Real kPinnedFigureTolerance = 0.005L;

Real ToleranceFor(const RowSpec& spec, int taps) {
  return FindPinned(spec, taps) ? kPinnedFigureTolerance : kFigureTolerance;
}

Filter MakeFilter(const RowSpec& spec, int taps, Real figure) {
  Filter filter;
  filter.edgeFactor = FindEdgeFactor(spec, taps, figure - ToleranceFor(spec, taps));
  filter.stored = StoredCoefficients(spec, taps, filter.edgeFactor, &filter.texts);
  filter.attenuation = MeasureAttenuation(filter.stored, StopBandWidth(spec, filter.edgeFactor));
  return filter;
}

bool PrintRow(const RowSpec& spec) {
  bool allMet = true;
  std::printf("// %s row %d: signal band %.6Lf of the Nyquist band.\n", spec.family, spec.row, PassBandFraction(spec));
  for (std::size_t i = 0; i < spec.attenuations.size(); i++) {
    const int taps = spec.firstTaps + static_cast<int>(i);
    const Filter filter = MakeFilter(spec, taps, spec.attenuations[i]);
    const bool met = filter.attenuation >= spec.attenuations[i] - ToleranceFor(spec, taps);
    allMet = allMet && met;
    std::printf("const double k%sRow%dTaps%d[] = {", spec.family, spec.row, taps);
    for (std::size_t k = 0; k < filter.texts.size(); k++)
      std::printf("%s%s", k == 0 ? "" : ", ", filter.texts[k].c_str());
    std::printf("}; // %.4Lf dB from %.6Lf%s\n", filter.attenuation, 1 - StopBandWidth(spec, filter.edgeFactor) / kPi,
                met ? "" : " BELOW THE ROW'S FIGURE");
  }
  return allMet;
}

void PrintRowTable(const RowSpec& spec) {
  std::printf("const CHalfBandFilter k%sRow%d[] = {\n", spec.family, spec.row);
  for (std::size_t i = 0; i < spec.attenuations.size(); i++) {
    const int taps = spec.firstTaps + static_cast<int>(i);
    std::printf("  {k%sRow%dTaps%d, %d, %.10g},\n", spec.family, spec.row, taps, taps, spec.attenuations[i]);
  }
  std::printf("};\n");
}

void PrintFamily(const char* family) {
  std::printf("\nconst CHalfBandRow k%sRows[kHalfBandRowCount] = {\n", family);
  for (const RowSpec& spec : GetRowSpecs())
    if (std::string(spec.family) == family)
      std::printf("  {k%sRow%d, %zu},\n", family, spec.row, spec.attenuations.size());
  std::printf("};\n");
}

}  // namespace

int main() {
  std::printf("// Generated by tools/halfband_design (kd_halfband_design); do not edit by hand.\n");
  std::printf("// Coefficients h[0 .. n-1] of the odd half of each half-band filter; the comment after each\n");
  std::printf("// filter gives the attenuation it reaches and where its stop band starts (fraction of Nyquist).\n");
  std::printf("#include \"plugin/resampler/HalfBandFilters.h\"\n\nnamespace rsmp {\n\nnamespace {\n\n");
  bool allMet = true;
  for (const RowSpec& spec : GetRowSpecs()) {
    allMet = PrintRow(spec) && allMet;
    PrintRowTable(spec);
    std::printf("\n");
  }
  std::printf("} // namespace\n");
  PrintFamily("Standard");
  PrintFamily("Third");
  std::printf("\n} // namespace rsmp\n");
  if (!allMet) std::fprintf(stderr, "some filters do not reach their row's attenuation\n");
  return allMet ? 0 : 1;
}

// Fits the three attenuation correction tables of the resampler's low-pass design.
//
// For every table index i the attenuation term a = -49 - i x 176.25 / 264 is the target. The kernel's
// stop band (from the cut-off up to Nyquist) is measured on a 16-times zero-padded FFT at several
// cut-offs; the entry starts at the uncorrected shortfall (target minus achieved attenuation) in units
// of 1 / scale dB and is raised until the corrected design reaches the target at every cut-off. A few
// entries are fixed values of the product's reference design and are kept as given. Each table is
// fitted over several transition bands of its class.
//
// Usage: kd_lowpass_corrections > plugin/resampler/LowPassCorrectionTables.cpp
//        kd_lowpass_corrections --measure <transBand%> <cutoff> <atten>   (prints the achieved figures)
#include "plugin/resampler/CDSPFFTObject.h"
#include "plugin/resampler/CDSPKernelFilter.h"
#include "plugin/resampler/LowPassCorrectionTables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct CFixedEntry {
  int Index;
  int Value;
};

// Transition bands (fractions) over which each class is fitted, and the entries fixed by the reference.
const std::vector<double> kFitBandwidths[3] = {
    {0.25, 0.3, 0.35, 0.45}, {0.1, 0.15, 0.2, 0.245}, {0.005, 0.01, 0.02, 0.04, 0.06, 0.08, 0.099}};
const std::map<int, std::vector<CFixedEntry>> kFixed = {
    {0,
     {{0, -127},
      {1, -127},
      {2, -125},
      {3, -125},
      {4, -122},
      {5, -119},
      {6, -115},
      {7, -110},
      {128, 50},
      {129, 48},
      {130, 46},
      {131, 42},
      {261, 37},
      {262, 37},
      {263, 39},
      {264, 40}}},
    {1,
     {{0, -113},
      {1, -118},
      {2, -122},
      {3, -125},
      {4, -126},
      {5, -97},
      {6, -95},
      {7, -92},
      {128, 61},
      {129, 59},
      {130, 59},
      {131, 57},
      {261, 40},
      {262, 50},
      {263, 60},
      {264, 72}}},
    {2,
     {{0, -15},
      {1, -17},
      {2, -20},
      {3, -20},
      {4, -20},
      {5, -21},
      {6, -20},
      {7, -16},
      {113, 117},
      {128, 78},
      {129, 72},
      {130, 66},
      {131, 60},
      {261, -76},
      {262, -83},
      {263, -91},
      {264, -98}}},
};

// Locale-independent number argument; 0 when it does not parse.
double ParseNumber(const char* text) {
  double value = 0.0;
  std::from_chars(text, text + std::strlen(text), value);
  return value;
}

int BitLength(unsigned value) {
  int bits = 0;
  while (value != 0) {
    bits++;
    value >>= 1;
  }
  return bits;
}

// Achieved stop-band attenuation (dB, positive) of a kernel for cut-off f (fraction of Nyquist).
double MeasureStopBand(const std::vector<double>& kernel, double f) {
  const int order = BitLength(static_cast<unsigned>(kernel.size() * 16));
  rsmp::CDSPFFTObject fft(order, nullptr);
  const int n = fft.GetLen();
  std::vector<double> block(static_cast<size_t>(n), 0.0);
  std::copy(kernel.begin(), kernel.end(), block.begin());
  fft.Forward(block.data());
  const double dc = std::fabs(block[0]);
  double peak = std::fabs(block[1]);
  const int firstBin = static_cast<int>(std::ceil(f * n / 2));
  for (int k = std::max(firstBin, 1); k < n / 2; k++) peak = std::max(peak, std::hypot(block[2 * k], block[2 * k + 1]));
  return -20.0 * std::log10(peak / dc);
}

// Cut-offs the resampler chain asks for: 1/2, 1/3, 1/4 and the ratios between.
constexpr double kFitCutoffs[] = {0.5, 0.45, 0.4, 1.0 / 3.0, 0.3, 0.25};

// Worst shortfall (dB) over the fit bands and cut-offs of the design for `atten` against the target.
double WorstShortfall(const std::vector<double>& bandwidths, double atten, double target) {
  double worst = -1e9;
  for (double bw : bandwidths)
    for (double f : kFitCutoffs) {
      const rsmp::CLowPassGeometry geometry = rsmp::CDSPKernelFilter::ComputeUncorrectedGeometry(f, bw, atten);
      std::vector<double> kernel(static_cast<size_t>(geometry.KernelLen));
      rsmp::CDSPKernelFilter::GenerateKernel(geometry, kernel.data());
      worst = std::max(worst, target - MeasureStopBand(kernel, f));
    }
  return worst;
}

// Smallest correction (in table units, found by a few raising steps) with which the design reaches
// the attenuation term at every fit band and cut-off.
int FitEntry(int table, double atten) {
  const double scale = rsmp::kLowPassCorrectionScales[table];
  const std::vector<double>& bw = kFitBandwidths[table];
  double entry = std::round(WorstShortfall(bw, atten, -atten) * scale);
  for (int step = 0; step < 8; step++) {
    const double shortfall = WorstShortfall(bw, atten - entry / scale, -atten);
    if (shortfall <= 0.0 || entry >= 127.0) break;
    entry += std::ceil(shortfall * scale);
  }
  return static_cast<int>(std::clamp(entry, -128.0, 127.0));
}

std::vector<int> FitTable(int table) {
  std::vector<int> values(rsmp::kLowPassCorrectionCount);
  for (int i = 0; i < rsmp::kLowPassCorrectionCount; i++)
    values[static_cast<size_t>(i)] = FitEntry(table, -49.0 - i * 176.25 / 264.0);
  for (const CFixedEntry& fixed : kFixed.at(table)) values[static_cast<size_t>(fixed.Index)] = fixed.Value;
  return values;
}

void PrintTables() {
  std::printf("// Generated by tools/lowpass_corrections (kd_lowpass_corrections); do not edit by hand.\n");
  std::printf("#include \"plugin/resampler/LowPassCorrectionTables.h\"\n\nnamespace rsmp {\n\n");
  std::printf("const signed char kLowPassCorrections[3][kLowPassCorrectionCount] = {\n");
  for (int table = 0; table < 3; table++) {
    const std::vector<int> values = FitTable(table);
    std::printf("  {");
    for (size_t i = 0; i < values.size(); i++)
      std::printf("%s%s%d", i == 0 ? "" : ",", i % 16 == 0 ? "\n    " : " ", values[i]);
    std::printf("},\n");
  }
  std::printf("};\n\n} // namespace rsmp\n");
}

void PrintMeasurement(double transBand, double f, double reqAtten) {
  const rsmp::CLowPassGeometry geometry = rsmp::CDSPKernelFilter::ComputeGeometry(f, transBand, reqAtten);
  std::vector<double> kernel(static_cast<size_t>(geometry.KernelLen));
  rsmp::CDSPKernelFilter::GenerateKernel(geometry, kernel.data());
  std::printf("index %d  a %.6f  taps %d  achieved %.4f dB\n", geometry.CorrectionIndex, geometry.Atten,
              geometry.KernelLen, MeasureStopBand(kernel, f));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--measure") == 0) {
    PrintMeasurement(ParseNumber(argv[2]), ParseNumber(argv[3]), ParseNumber(argv[4]));
    return 0;
  }
  PrintTables();
  return 0;
}

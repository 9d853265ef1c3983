#include "plugin/resampler/CDSPKernelFilter.h"

#include "plugin/resampler/CDSPWindowedSinc.h"
#include "plugin/resampler/CFFTObjectPool.h"
#include "plugin/resampler/LowPassCorrectionTables.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <memory>
#include <numbers>
#include <stdexcept>

namespace rsmp {

namespace {

constexpr double kPowerBranch = 0.067665322581;

// Transition-band class of the fits: 0 for bw >= 0.25, 1 for 0.1 <= bw < 0.25, 2 below.
int BandClass(double bw) {
  return bw >= 0.25 ? 0 : (bw >= 0.1 ? 1 : 2);
}

double AttenuationOffset(double bw, double reqAtten) {
  static constexpr double kOffsets[3][3] = {{-1.6, -1.91, -2.25}, {-0.69, -0.73, -1.13}, {-0.21, -0.25, -0.36}};
  const int column = reqAtten >= 117.0 ? 0 : (reqAtten >= 60.0 ? 1 : 2);
  return kOffsets[BandClass(bw)][column];
}

int CorrectionIndex(double atten) {
  const double index = std::floor((-49.0 - atten) * 264.0 / 176.25 + 0.5);
  return static_cast<int>(std::clamp(index, 0.0, 264.0));
}

// Fitted window power for the attenuation term a (a < 0).
double WindowPower(double a) {
  const double c1 = std::cos(0.00785021930010397 * a);
  return 7.43932822146293e-8 * a * a + 0.000102747434588003 * c1 * std::cos(0.103208573657699 * a + 0.633854318781239) -
         0.00798132247867036 - 0.000903555213543865 * a - 0.0969365532127236 * std::exp(0.0779275237937911 * a) -
         1.37304948662012e-5 * a * c1;
}

struct CHalfLengthFit {
  double HalfLength;
  double CutoffShift;
};

CHalfLengthFit FitLowPower(double pwr, double bw, double a) {
  if (bw >= 0.25) {
    const double hl = 2.6778150875894 / bw + 300.547590563091 * std::atan(std::atan(2.68959772209918 * pwr)) /
                                                 (5.5099277187035 * bw - bw * std::tanh(std::cos(std::asinh(a))));
    const double inner = std::pow(std::atan2(1.12018764830637, bw), 2.10988901686912 * hl - 20.9691278378345);
    const double fo1 =
        0.987205355829873 * bw + 1.00011788929851 * std::atan2(-0.321432067051302 - 6.19131357321578 * std::sqrt(pwr),
                                                               hl - 1.14861472207245 / (hl - 14.1821147585957) +
                                                                   std::pow(0.9521145021664, inner));
    return {hl, fo1};
  }
  if (bw >= 0.1) {
    const double hl =
        (142.064321294568 * pwr + 1.56688617018066 + 0.00419441117131136 * std::cos(243.633511747297 * pwr) -
         0.022953443903576 * a - 0.026629568860284 * std::cos(127.715550622571 * pwr)) /
        bw;
    const double fo1 = 0.982299356642411 * bw +
                       0.999441744774215 * std::asinh((-0.361783054039583 - 5.80540593623676 * std::sqrt(pwr)) / hl);
    return {hl, fo1};
  }
  const double hl = (269.183679500541 * pwr *
                         std::cos(5.73225668178813 + std::atan2(std::cosh(0.988861169868941 - 17.2201556280744 * pwr),
                                                                1.08340138240431 * pwr)) +
                     2.45739657014937) /
                    bw;
  const double fo1 = 2.291956939 * bw + 0.01942450693 * bw * bw * hl - 4.67538973161837 * pwr * bw -
                     1.668433124 * bw * std::pow(pwr, pwr);
  return {hl, fo1};
}

CHalfLengthFit FitHighPower(double pwr, double bw, double a) {
  if (bw >= 0.25) {
    const double hl =
        (1.50258368698213 + 158.556968859477 * std::asinh(pwr) * std::tanh(57.9466246871383 * std::tanh(pwr)) -
         0.0105440479814834 * a) /
        bw;
    return {hl, 0.994024401639321 * bw + (-0.236282717577215 - 6.8724924545387 * std::sqrt(std::sin(pwr))) / hl};
  }
  if (bw >= 0.1) {
    const double hl =
        (1.50277377248945 + 158.222625721046 * std::asinh(pwr) * std::tanh(42.072277322604 * pwr + 1.02875299001715) -
         0.0108380943845632 * a) /
        bw;
    return {hl, 0.992539376734551 * bw +
                    (-0.251747813037178 - 6.74159892452584 * std::sqrt(std::tanh(std::tanh(std::tan(pwr))))) / hl};
  }
  const double hl = (1.15990238966306 * pwr - 5.02124037125213 * pwr * pwr -
                     0.158676856669827 * a * std::cos(1.1609073390614 * pwr - 6.33932586197475 * pwr * pwr * pwr)) /
                    bw;
  const double fo1 = 0.867344453126885 * bw + 0.052693817907757 * bw * std::log(pwr) +
                     0.0895511178735932 * bw * std::atan(59.7538527741309 * pwr) - 0.0745653568081453 * pwr * bw;
  return {hl, fo1};
}

int BitLength(unsigned value) {
  return value == 0 ? 1 : static_cast<int>(std::bit_width(value));
}

// The values the formulas take at all: a cut-off in (0, 0.5], a transition band and an attenuation that
// are positive and finite. Written as negated ranges so that NaN is refused too.
void ValidateRequest(double reqNormFreq, double reqTransBand, double reqAtten) {
  if (!(reqNormFreq > 0.0 && reqNormFreq <= 0.5)) throw std::invalid_argument("low-pass cut-off outside (0, 0.5]");
  if (!(reqTransBand > 0.0 && std::isfinite(reqTransBand)))
    throw std::invalid_argument("low-pass transition band not positive and finite");
  if (!(reqAtten > 0.0 && std::isfinite(reqAtten)))
    throw std::invalid_argument("low-pass attenuation not positive and finite");
}

}  // namespace

CLowPassGeometry CDSPKernelFilter::ComputeGeometry(double reqNormFreq, double reqTransBand, double reqAtten) {
  ValidateRequest(reqNormFreq, reqTransBand, reqAtten);
  const double bw = reqTransBand * 0.01;
  const double uncorrected = AttenuationOffset(bw, reqAtten) - reqAtten;
  const int index = CorrectionIndex(uncorrected);
  const int bandClass = BandClass(bw);
  const double atten = uncorrected - kLowPassCorrections[bandClass][index] / kLowPassCorrectionScales[bandClass];
  CLowPassGeometry geometry = ComputeUncorrectedGeometry(reqNormFreq, bw, atten);
  geometry.CorrectionIndex = index;
  // Below about 24 dB the fitted window power turns negative and the half-length and cut-off fits take
  // roots and logarithms of it: no finite filter.
  if (!std::isfinite(geometry.WindowPower) || !std::isfinite(geometry.HalfLength) ||
      !std::isfinite(geometry.CutoffShift) || !(geometry.Len2 >= 0.0))
    throw std::invalid_argument("low-pass request gives no finite design");
  // The cut-off shift moves the band edge down by that fraction of the cut-off, so it must lie in [0, 1). The
  // wide-band fit has a pole at a half-length of about 14.18 (a narrow window of attenuations that moves with
  // the band: about 27 dB at 25 %, 41 dB at 45 %): past it the shift swings negative (near -2.8), which would put
  // the band edge far above the cut-off. From a band of about 112 % (at 200 dB) to 128 % (at 25 dB) the shift
  // reaches 1 and leaves no pass band.
  if (!(geometry.CutoffShift >= 0.0 && geometry.CutoffShift < 1.0))
    throw std::invalid_argument("low-pass request gives a cut-off shift outside 0 .. 1");
  if (!(geometry.Len2 < kMaxLen2)) throw std::invalid_argument("low-pass kernel too long for the design");
  return geometry;
}

CLowPassGeometry CDSPKernelFilter::ComputeUncorrectedGeometry(double reqNormFreq, double bw, double atten) {
  CLowPassGeometry geometry;
  geometry.CorrectionIndex = CorrectionIndex(atten);
  geometry.Atten = atten;
  const double pwr = WindowPower(atten);
  geometry.WindowPower = pwr;
  const CHalfLengthFit fit = pwr <= kPowerBranch ? FitLowPower(pwr, bw, atten) : FitHighPower(pwr, bw, atten);
  geometry.HalfLength = fit.HalfLength;
  geometry.CutoffShift = fit.CutoffShift;
  geometry.Len2 = 0.25 * fit.HalfLength / reqNormFreq;
  // Kernels beyond this are refused by ComputeGeometry; the clamp keeps the integer conversion defined.
  geometry.HalfTaps =
      std::isfinite(geometry.Len2) ? static_cast<int>(std::clamp(std::floor(geometry.Len2), 0.0, 1e9)) : 0;
  geometry.KernelLen = 2 * geometry.HalfTaps + 1;
  geometry.BlockLenBits = BitLength(2u * static_cast<unsigned>(geometry.HalfTaps));
  geometry.BandEdge = std::numbers::pi * (1.0 - fit.CutoffShift) * reqNormFreq;
  return geometry;
}

void CDSPKernelFilter::GenerateKernel(const CLowPassGeometry& geometry, double* kernel) noexcept {
  CDSPWindowedSinc::GenerateLowPass(kernel, geometry.HalfTaps, geometry.Len2, geometry.BandEdge,
                                    std::fabs(geometry.WindowPower));
}

void CDSPKernelFilter::MakeMinimumPhase(CFFTObjectPool& pool, double* kernel, int length, int lenMult, bool doFinalMul,
                                        double* dcGroupDelay) {
  const int order = BitLength(static_cast<unsigned>(length * lenMult - 1));
  const int n = 1 << order;
  CFFTObjectHolder fft(pool, order);
  CAlignedBuffer<double> work(n);
  CAlignedBuffer<double> magnitudes(n / 2 + 1);
  std::copy(kernel, kernel + length, work.Data());

  fft->Forward(work);
  const double dc = work[0];
  const double nyquist = work[1];
  work[0] = std::log(std::fabs(dc) + 1e-300);
  work[1] = std::log(std::fabs(nyquist) + 1e-300);
  for (int k = 1; k < n / 2; k++) {
    magnitudes[k] = std::sqrt(work[2 * k] * work[2 * k] + work[2 * k + 1] * work[2 * k + 1]);
    work[2 * k] = std::log(magnitudes[k] + 1e-300);
    work[2 * k + 1] = 0.0;
  }

  // Real cepstrum, folded into the odd kernel whose transform's imaginary parts are the
  // minimum-phase angles (the Hilbert transform of the log magnitude).
  fft->Inverse(work);
  const double scale = 2.0 / n;
  work[0] = 0.0;
  for (int i = 1; i < n / 2; i++) work[i] *= scale;
  work[n / 2] = 0.0;
  for (int i = n / 2 + 1; i < n; i++) work[i] *= -scale;

  fft->Forward(work);
  work[0] = dc;
  work[1] = nyquist;
  for (int k = 1; k < n / 2; k++) {
    const double angle = work[2 * k + 1];
    work[2 * k] = magnitudes[k] * std::cos(angle);
    work[2 * k + 1] = magnitudes[k] * std::sin(angle);
  }
  fft->Inverse(work);
  const double finalScale = doFinalMul ? scale : 1.0;
  for (int i = 0; i < length; i++) kernel[i] = work[i] * finalScale;

  if (dcGroupDelay != nullptr) {
    double sum = 0.0;
    double sineSum = 0.0;
    constexpr double e = 1e-9;
    double sinePrevious = -e;
    double sine = 0.0;
    for (int j = 0; j < length; j++) {
      sum += kernel[j];
      sineSum += kernel[j] * sine;
      const double next = 2.0 * sine - sinePrevious;
      sinePrevious = sine;
      sine = next;
    }
    const double phase0 = std::atan2(0.0, sum);
    double phase = std::atan2(sineSum, sum);
    if (phase - phase0 > std::numbers::pi)
      phase -= 2.0 * std::numbers::pi;
    else if (phase0 - phase > std::numbers::pi)
      phase += 2.0 * std::numbers::pi;
    *dcGroupDelay = (phase - phase0) / e;
  }
}

CDSPKernelFilter::CDSPKernelFilter(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase,
                                   double reqGain, CKernelFilterCache& cache)
    : ReqNormFreq(reqNormFreq),
      ReqTransBand(reqTransBand),
      ReqAtten(reqAtten),
      ReqPhase(reqPhase),
      ReqGain(reqGain),
      Cache(&cache) {}

bool CDSPKernelFilter::Matches(double reqNormFreq, double reqTransBand, double reqAtten, int reqPhase,
                               double reqGain) const noexcept {
  return ReqNormFreq == reqNormFreq && ReqTransBand == reqTransBand && ReqGain == reqGain && ReqAtten == reqAtten &&
         ReqPhase == reqPhase;
}

void CDSPKernelFilter::DesignLowPassFilter(CFFTObjectPool& pool) {
  if (!(std::isfinite(ReqGain) && ReqGain > 0.0))
    throw std::invalid_argument("low-pass gain must be finite and positive");
  const CLowPassGeometry geometry = ComputeGeometry(ReqNormFreq, ReqTransBand, ReqAtten);
  KernelLen = geometry.KernelLen;
  BlockLenBits = geometry.BlockLenBits;
  if (ReqPhase != 0 && BitLength(static_cast<unsigned>(KernelLen * kMinPhaseLenMult - 1)) > kMaxTransformOrder)
    throw std::invalid_argument("low-pass kernel too long for a minimum-phase design");
  CAlignedBuffer<double> kernel(KernelLen);
  GenerateKernel(geometry, kernel);

  IsZeroPhase = ReqPhase == 0;
  if (IsZeroPhase) {
    Latency = geometry.HalfTaps;
    LatencyFrac = 0.0;
  } else {
    double groupDelay = 0.0;
    MakeMinimumPhase(pool, kernel, KernelLen, kMinPhaseLenMult, false, &groupDelay);
    Latency = static_cast<int>(groupDelay);
    LatencyFrac = groupDelay - Latency;
  }

  CFFTObjectHolder fft(pool, BlockLenBits + 1);
  const int n = fft->GetLen();
  double sum = 0.0;
  for (int i = 0; i < KernelLen; i++) sum += kernel[i];
  if (!std::isfinite(sum) || sum == 0.0) throw std::invalid_argument("low-pass request gives no finite design");
  const double scale = fft->GetInvMulConst() * ReqGain / sum;
  Spectrum.Alloc(n);
  if (IsZeroPhase)
    StoreZeroPhaseSpectrum(kernel, geometry.HalfTaps, scale);
  else
    StoreMinimumPhaseSpectrum(kernel, scale);
  fft->Forward(Spectrum);
  if (IsZeroPhase) {
    for (int i = 2; i < n; i += 2) Spectrum[i + 1] = Spectrum[i];
  }
}

// The kernel centred on sample 0, its left half wrapped to the end of the block.
void CDSPKernelFilter::StoreZeroPhaseSpectrum(const double* kernel, int fl2, double scale) {
  const int n = GetSpectrumLen();
  for (int i = 0; i <= fl2; i++) Spectrum[i] = kernel[fl2 + i] * scale;
  for (int i = 1; i <= fl2; i++) Spectrum[n - i] = Spectrum[i];
}

void CDSPKernelFilter::StoreMinimumPhaseSpectrum(const double* kernel, double scale) {
  for (int i = 0; i < KernelLen; i++) Spectrum[i] = kernel[i] * scale;
}

}  // namespace rsmp

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/filters/Butterworth.h"
#include "dsp/filters/CascadeState.h"
#include "dsp/filters/ChebyshevI.h"

namespace {

using Dsp::Complex;

// DTFT of a finite sequence at f cycles per sample.
Complex dtft(const std::vector<double>& h, double f) {
  Complex sum = 0.0;
  for (size_t n = 0; n < h.size(); ++n) sum += h[n] * std::polar(1.0, -2.0 * std::numbers::pi * f * double(n));
  return sum;
}

TEST(CascadeState, ImpulseResponseTransformsToTheDesignedResponse) {
  Dsp::ChebyshevI::BandPass<4> design;
  design.configure(4, 48000.0, 3000.0, 1500.0, 0.5);
  Dsp::CascadeState<decltype(design)::kMaxStages> state;
  std::vector<double> h(8000, 0.0);
  h[0] = 1.0;
  state.process(int(h.size()), h.data(), design.getCascade());
  for (double f : {0.0, 0.03, 0.0625, 0.1, 0.4})
    EXPECT_NEAR(std::abs(dtft(h, f) - design.response(f)), 0.0, 1e-9) << "f " << f;
}

TEST(CascadeState, FloatBlocksFollowTheDoublePathAndResetClearsTheDelays) {
  Dsp::Butterworth::LowPass<5> design;
  design.configure(5, 44100.0, 1000.0);
  Dsp::CascadeState<decltype(design)::kMaxStages> doubleState;
  Dsp::CascadeState<decltype(design)::kMaxStages> floatState;
  std::vector<double> d(512);
  std::vector<float> f(512);
  for (size_t i = 0; i < d.size(); ++i) {
    d[i] = std::sin(0.05 * double(i)) + (i % 7 == 0 ? 0.5 : 0.0);
    f[i] = float(d[i]);
  }
  doubleState.process(int(d.size()), d.data(), design.getCascade());
  floatState.process(int(f.size()), f.data(), design.getCascade());
  for (size_t i = 0; i < d.size(); ++i) EXPECT_NEAR(f[i], d[i], 1e-5);

  floatState.reset();
  std::vector<float> silence(16, 0.0f);
  floatState.process(int(silence.size()), silence.data(), design.getCascade());
  for (float s : silence) EXPECT_EQ(s, 0.0f);
}

TEST(CascadeState, EmptyBlockAndEmptyCascadeLeaveSamplesAlone) {
  Dsp::OwnedCascade<1> cascade;
  Dsp::CascadeState<1> state;
  double sample = 0.75;
  state.process(1, &sample, cascade);
  EXPECT_EQ(sample, 0.75);
  state.process(0, &sample, cascade);
  EXPECT_EQ(sample, 0.75);
}

}  // namespace

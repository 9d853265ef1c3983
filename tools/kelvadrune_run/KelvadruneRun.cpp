// kd_kelvadrune_run MODULE [SECONDS]: the project's main job. Loads the module into the test host as a
// Linux VST 2 host does, prints the effect record's summary and the parameter table with display texts,
// then runs a generated stereo signal (440 Hz left, 660 Hz right) through a fresh instance at default
// settings and at two other settings and prints the input and output levels (RMS and peak, dBFS).
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

#include "framework/NumberText.h"
#include "tools/vst2host/TestHost.h"

namespace {

constexpr float kRate = 44100.0f;
constexpr int kBlockSize = 512;

struct Setting {
  const char* title;
  std::vector<std::pair<int, float>> params;  // index, normalized value
};

struct Levels {
  double rms = 0.0;
  double peak = 0.0;
};

bool Start(vsthost::TestHost& host, const char* module) {
  std::string error;
  if (!host.Load(module, error) || !host.Instantiate(error)) {
    std::fprintf(stderr, "cannot load %s: %s\n", module, error.c_str());
    return false;
  }
  host.Open();
  host.SetSampleRate(kRate);
  host.SetBlockSize(kBlockSize);
  host.Resume();
  return true;
}

std::string Text(vsthost::TestHost& host, int32_t opcode) {
  char text[vst2::kVendorTextSize + 1] = {};
  host.Dispatch(opcode, 0, 0, text);
  return text;
}

std::string FourCC(int32_t v) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) text += static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
  return text;
}

void PrintSummary(vsthost::TestHost& host) {
  const vst2::EffectRecord& e = *host.Effect();
  std::printf("Effect record\n");
  std::printf("  magic %s, unique id %s, version %d\n", FourCC(e.magic).c_str(), FourCC(e.uniqueID).c_str(), e.version);
  std::printf("  %d parameters, %d programs, %d in, %d out, flags 0x%x, initial delay %d\n", e.numParams, e.numPrograms,
              e.numInputs, e.numOutputs, static_cast<unsigned>(e.flags), e.initialDelay);
  std::printf("  %s by %s\n\n", Text(host, vst2::kEffGetEffectName).c_str(),
              Text(host, vst2::kEffGetVendorString).c_str());
}

void PrintParams(vsthost::TestHost& host) {
  std::printf("Parameters\n");
  for (int i = 0; i < host.Effect()->numParams; ++i) {
    const std::string label = host.ParamText(vst2::kEffGetParamLabel, i);
    std::printf("  %2d %-28s %s%s%s\n", i, host.ParamText(vst2::kEffGetParamName, i).c_str(),
                host.ParamText(vst2::kEffGetParamDisplay, i).c_str(), label.empty() ? "" : " ", label.c_str());
  }
  std::printf("\n");
}

Levels Measure(const std::vector<double>& samples) {
  Levels levels;
  double sum = 0.0;
  for (double s : samples) {
    sum += s * s;
    levels.peak = std::max(levels.peak, std::fabs(s));
  }
  levels.rms = samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
  return levels;
}

std::string DBFS(double amplitude) {
  if (amplitude <= 0.0) return "-inf";
  char text[32];
  fx::FormatText(text, sizeof(text), "%.2f", 20.0 * std::log10(amplitude));
  return text;
}

void PrintLevels(const char* what, const Levels& left, const Levels& right) {
  std::printf("  %-7s RMS %8s / %8s dBFS   peak %8s / %8s dBFS\n", what, DBFS(left.rms).c_str(),
              DBFS(right.rms).c_str(), DBFS(left.peak).c_str(), DBFS(right.peak).c_str());
}

bool RunSetting(const char* module, const Setting& setting, double seconds) {
  vsthost::TestHost host;
  if (!Start(host, module)) return false;
  for (const auto& [idx, value] : setting.params) host.SetParameter(idx, value);
  const int frames = static_cast<int>(seconds * kRate);
  std::vector<double> inL(frames), inR(frames), outL(frames), outR(frames);
  for (int i = 0; i < frames; ++i) {
    inL[i] = 0.5 * std::sin(2.0 * std::numbers::pi * 440.0 * i / kRate);
    inR[i] = 0.25 * std::sin(2.0 * std::numbers::pi * 660.0 * i / kRate);
  }
  for (int start = 0; start < frames; start += kBlockSize) {
    const int n = std::min(kBlockSize, frames - start);
    double* ins[2] = {inL.data() + start, inR.data() + start};
    double* outs[2] = {outL.data() + start, outR.data() + start};
    host.ProcessDoubleReplacing(ins, outs, n);
    host.PumpRunLoop();
  }
  std::printf("%s (left / right)\n", setting.title);
  for (const auto& [idx, value] : setting.params) {
    const std::string label = host.ParamText(vst2::kEffGetParamLabel, idx);
    std::printf("  %s = %s%s%s\n", host.ParamText(vst2::kEffGetParamName, idx).c_str(),
                host.ParamText(vst2::kEffGetParamDisplay, idx).c_str(), label.empty() ? "" : " ", label.c_str());
  }
  PrintLevels("input", Measure(inL), Measure(inR));
  PrintLevels("output", Measure(outL), Measure(outR));
  std::printf("\n");
  host.Suspend();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: kd_kelvadrune_run MODULE [SECONDS]\n");
    return 2;
  }
  double seconds = 3.0;
  if (argc > 2 && (!fx::ParseDouble(argv[2], seconds) || !(seconds > 0.0) || seconds > 600.0)) {
    std::fprintf(stderr, "SECONDS must be a number above 0 and at most 600\n");
    return 2;
  }
  vsthost::TestHost host;
  if (!Start(host, argv[1])) return 1;
  PrintSummary(host);
  PrintParams(host);
  host.Close();
  const Setting settings[] = {
      {"Default settings", {}},
      {"Master fader raised", {{5, 0.5625f}}},
      {"Mid/side with the side fader lowered", {{4, 1.0f}, {7, 0.25f}}},
  };
  for (const Setting& setting : settings) {
    if (!RunSetting(argv[1], setting, seconds)) return 1;
  }
  return 0;
}

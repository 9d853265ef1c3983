// Prints a small example parameter set with the texts a host would show for a
// few normalized positions of each parameter.
#include "framework/FwString.h"
#include "framework/IParam.h"

#include <array>
#include <cstdio>

namespace {

constexpr std::array<double, 5> kPositions = {0.0, 0.25, 0.5, 0.75, 1.0};

void InitExampleParams(std::array<fx::IParam, 5>& params)
{
  params[0].InitBool("Bypass", false);
  params[1].InitEnum("Mode", 0, {"STEREO", "MID/SIDE", "MONO"});
  params[2].InitInt("Voices", 4, 1, 16, "voices");
  params[3].InitDouble("Gain", 0.0, -60.0, 12.0, 0.01, "dB", fx::kFlagSignDisplay, "", fx::IParam::ShapePowCurve(0.5),
                       fx::kUnitDB);
  params[4].InitFrequency("Cutoff", 1000.0, 20.0, 20000.0, 1.0);
}

void PrintParam(int idx, fx::IParam& param)
{
  fx::FwString line;
  line.SetFormatted(256, "%d %s (%s, %g .. %g, default %g)\n", idx, param.GetName(), param.GetGroup()[0] ? param.GetGroup() : "no group",
                    param.GetMin(), param.GetMax(), param.GetDefault());
  std::fputs(line.Get(), stdout);
  for (const double position : kPositions) {
    param.SetNormalized(position);
    fx::FwString shown;
    param.GetDisplayWithLabel(shown);
    line.SetFormatted(256, "    %.2f -> %s\n", position, shown.Get());
    std::fputs(line.Get(), stdout);
  }
  param.SetToDefault();
}

} // namespace

int main()
{
  std::array<fx::IParam, 5> params;
  InitExampleParams(params);
  for (int i = 0; i < static_cast<int>(params.size()); ++i)
    PrintParam(i, params[i]);
  return 0;
}

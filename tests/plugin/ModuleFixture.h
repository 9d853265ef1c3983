// Loads the built Kelvadrune.so into the project's test host, as a Linux VST 2 host does, and runs
// double-precision audio through its effect record.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/vst2host/TestHost.h"

namespace kelvadrune_test {

struct StereoBuffers {
  StereoBuffers(int frames, double fill = 0.0) : left(frames, fill), right(frames, fill) {}
  std::vector<double> left;
  std::vector<double> right;
  double* ptrs[2] = {left.data(), right.data()};
};

class ModuleTest : public testing::Test {
 protected:
  // Loaded, opened, at rate and block size, resumed.
  void Start(float rate = 44100.0f, int blockSize = 512) {
    std::string error;
    ASSERT_TRUE(mHost.Load(KD_KELVADRUNE_PATH, error) && mHost.Instantiate(error)) << error;
    mHost.Open();
    mHost.SetSampleRate(rate);
    mHost.SetBlockSize(blockSize);
    mHost.Resume();
    mBlockSize = blockSize;
  }

  vst2::EffectRecord& Effect() { return *mHost.Effect(); }
  std::string Display(int idx) { return mHost.ParamText(vst2::kEffGetParamDisplay, idx); }

  // in through the plug-in block by block into out (same length), the host's idle between blocks.
  void Run(StereoBuffers& in, StereoBuffers& out) {
    const int frames = static_cast<int>(in.left.size());
    for (int start = 0; start < frames; start += mBlockSize) {
      const int n = std::min(mBlockSize, frames - start);
      double* ins[2] = {in.left.data() + start, in.right.data() + start};
      double* outs[2] = {out.left.data() + start, out.right.data() + start};
      mHost.ProcessDoubleReplacing(ins, outs, n);
      mHost.PumpRunLoop();
    }
  }

  // frames of constant input through the plug-in; the output.
  StereoBuffers RunConstant(int frames, double left, double right) {
    StereoBuffers in(frames);
    in.left.assign(frames, left);
    in.right.assign(frames, right);
    StereoBuffers out(frames);
    Run(in, out);
    return out;
  }

  vsthost::TestHost mHost;
  int mBlockSize = 512;
};

}  // namespace kelvadrune_test

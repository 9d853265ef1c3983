// Kelvadrune.so driven as a careless or hostile host would: every request with random index, value,
// pointer and float, block sizes and sample rates over their whole range and beyond, and blocks longer
// than announced. The module must answer every request and keep producing finite audio; the sanitizers
// catch the rest.
#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "tests/plugin/ModuleFixture.h"

namespace kelvadrune_test {
namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Requests whose value is a pointer the plug-in reads or writes through: the host vouches for it.
bool ValueIsPointer(int32_t opcode) {
  return opcode == vst2::kEffSetSpeakerArrangement || opcode == vst2::kEffGetSpeakerArrangement;
}

class RandomHost {
 public:
  explicit RandomHost(uint32_t seed) : mRandom(seed) {}

  int Int(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(mRandom); }
  bool OneIn(int n) { return Int(1, n) == 1; }
  // Spread evenly over the orders of magnitude between lo and hi.
  double LogUniform(double lo, double hi) {
    return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(mRandom));
  }

  // Any float a host might pass, the special ones included.
  float Opt() {
    static constexpr std::array<float, 10> kSpecial = {0.0f,     -0.0f, 1.0f, -1.0f, 0.5f,
                                                       44100.0f, kNaN,  kInf, -kInf, 3.4e38f};
    if (OneIn(3)) return kSpecial[static_cast<size_t>(Int(0, static_cast<int>(kSpecial.size()) - 1))];
    return static_cast<float>((OneIn(2) ? 1.0 : -1.0) * LogUniform(1e-6, 1e12));
  }

  // Index and value: mostly near the meaningful range, sometimes anything at all.
  int32_t Index() { return OneIn(8) ? Int(INT32_MIN, INT32_MAX) : Int(-3, 30); }
  intptr_t Value() {
    if (OneIn(8)) return static_cast<intptr_t>(std::uniform_int_distribution<int64_t>()(mRandom));
    return Int(-100, 5000);
  }

  // Sizes 1 to 2^21 (past the largest the interface allows), and some that are not sizes at all.
  intptr_t BlockSize() {
    if (OneIn(10)) return OneIn(2) ? -Int(0, 1 << 20) : intptr_t{1} << Int(31, 62);
    return static_cast<intptr_t>(LogUniform(1.0, 2097152.0));
  }

  // Rates from a thousandth of a hertz to 10^12 Hz, and the special floats.
  float SampleRate() { return OneIn(10) ? Opt() : static_cast<float>(LogUniform(1e-3, 1e12)); }

 private:
  std::mt19937 mRandom;
};

class CarelessHostTest : public ModuleTest {
 protected:
  // One block of frames through each of the three process callbacks; false when any output sample is not
  // finite.
  bool ProcessIsFinite(int frames) {
    mInFloat.assign(2, std::vector<float>(static_cast<size_t>(frames)));
    mInDouble.assign(2, std::vector<double>(static_cast<size_t>(frames)));
    for (int c = 0; c < 2; ++c) {
      for (int f = 0; f < frames; ++f) {
        const double x = 0.8 * std::sin(0.05 * f + c);
        mInFloat[c][static_cast<size_t>(f)] = static_cast<float>(x);
        mInDouble[c][static_cast<size_t>(f)] = x;
      }
    }
    std::vector<std::vector<float>> outFloat(2, std::vector<float>(static_cast<size_t>(frames)));
    std::vector<std::vector<double>> outDouble(2, std::vector<double>(static_cast<size_t>(frames)));
    float* inF[2] = {mInFloat[0].data(), mInFloat[1].data()};
    float* outF[2] = {outFloat[0].data(), outFloat[1].data()};
    double* inD[2] = {mInDouble[0].data(), mInDouble[1].data()};
    double* outD[2] = {outDouble[0].data(), outDouble[1].data()};
    bool finite = true;
    const auto check = [&finite](const auto& channels) {
      for (const auto& channel : channels) {
        for (auto sample : channel) finite = finite && std::isfinite(sample);
      }
    };
    mHost.ProcessReplacing(inF, outF, frames);
    check(outFloat);
    mHost.ProcessAccumulating(inF, outF, frames);
    check(outFloat);
    mHost.ProcessDoubleReplacing(inD, outD, frames);
    check(outDouble);
    mHost.PumpRunLoop();
    return finite;
  }

  std::vector<std::vector<float>> mInFloat;
  std::vector<std::vector<double>> mInDouble;
};

TEST_F(CarelessHostTest, RandomRequestsLeaveTheModuleWorking) {
  Start();
  RandomHost random(20261207);
  alignas(16) std::array<uint8_t, 8192> buffer;
  int untilBlock = random.Int(100, 400);
  for (int call = 0; call < 3000; ++call) {
    int32_t opcode = random.Int(-2, vst2::kMaxEffectOpcode + 3);
    // Closing ends the instance; opening the editor needs a real parent window (the editor tests do that).
    if (opcode == vst2::kEffClose || opcode == vst2::kEffEditOpen) opcode = vst2::kEffIdle;
    buffer.fill(0);
    // Half of the time the buffer holds a short terminated text, as hosts pass for names and values. Event
    // lists stay empty: their pointers must be valid, and the host vouches for the count.
    if (random.OneIn(2) && opcode != vst2::kEffProcessEvents) {
      const int len = random.Int(0, 200);
      for (int k = 0; k < len; ++k) buffer[static_cast<size_t>(k)] = static_cast<uint8_t>(random.Int(1, 255));
    }
    int32_t index = random.Index();
    intptr_t value = random.Value();
    float opt = random.Opt();
    void* ptr = random.OneIn(10) ? nullptr : buffer.data();
    if (opcode == vst2::kEffSetBlockSize) value = random.BlockSize();
    if (opcode == vst2::kEffSetSampleRate) opt = random.SampleRate();
    if (opcode == vst2::kEffSetChunk) value = random.Int(-100, static_cast<int>(buffer.size()));
    if (ValueIsPointer(opcode)) value = random.OneIn(2) ? reinterpret_cast<intptr_t>(buffer.data() + 4096) : 0;
    mHost.Dispatch(opcode, index, value, ptr, opt);

    if (random.OneIn(8)) mHost.SetParameter(random.Index(), random.Opt());
    if (random.OneIn(8)) {
      EXPECT_TRUE(std::isfinite(mHost.GetParameter(random.Index())));
    }
    if (--untilBlock == 0) {
      untilBlock = random.Int(100, 400);
      // Mostly ordinary blocks, sometimes far longer than any announced size.
      const int frames =
          static_cast<int>(random.OneIn(20) ? random.LogUniform(1.0, 200000.0) : random.LogUniform(1.0, 2048.0));
      ASSERT_TRUE(ProcessIsFinite(frames)) << "call " << call << ", " << frames << " frames";
    }
  }
  EXPECT_EQ(Effect().magic, vst2::kEffectMagic);
  mHost.SetSampleRate(48000.0f);
  mHost.SetBlockSize(256);
  mHost.Resume();
  EXPECT_TRUE(ProcessIsFinite(1000));
}

struct AnnouncedBlockRow {
  intptr_t announced;
  int processed;
};

// A block size past the interface's limit is refused without ending the host; after any announced size, a
// block of any length from a fresh start gives the audio of the same signal in blocks of 512 frames (a block
// longer than the built size grows it, and resets the plug-in, first).
class BlockSizes : public CarelessHostTest, public testing::WithParamInterface<AnnouncedBlockRow> {};

TEST_P(BlockSizes, AnyAnnouncedSizeThenAnyBlockGivesTheSameAudio) {
  Start(44100.0f, 512);
  const AnnouncedBlockRow row = GetParam();
  mHost.Dispatch(vst2::kEffSetBlockSize, 0, row.announced);
  StereoBuffers reference = RunConstant(row.processed, 0.5, -0.25);
  for (size_t f = 0; f < reference.left.size(); f += 997) {
    ASSERT_TRUE(std::isfinite(reference.left[f]) && std::isfinite(reference.right[f])) << f;
  }
  StereoBuffers in(row.processed, 0.5);
  in.right.assign(static_cast<size_t>(row.processed), -0.25);
  StereoBuffers out(row.processed);
  // The same signal again, now as one block of the whole length.
  Start(44100.0f, 512);
  mHost.Dispatch(vst2::kEffSetBlockSize, 0, row.announced);
  mHost.ProcessDoubleReplacing(in.ptrs, out.ptrs, row.processed);
  EXPECT_EQ(out.left, reference.left);
  EXPECT_EQ(out.right, reference.right);
}

INSTANTIATE_TEST_SUITE_P(Rows, BlockSizes,
                         testing::Values(AnnouncedBlockRow{131072, 131072}, AnnouncedBlockRow{1 << 20, 1 << 20},
                                         AnnouncedBlockRow{512, 131072}, AnnouncedBlockRow{64, 5000},
                                         AnnouncedBlockRow{(1 << 20) + 1, 70000}));

}  // namespace
}  // namespace kelvadrune_test

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <ostream>

#include "tools/vst2host/WavFile.h"

namespace vsthost {
namespace {

Audio Stereo(std::vector<float> left, std::vector<float> right) {
  Audio audio;
  audio.sampleRate = 48000;
  audio.channels = {std::move(left), std::move(right)};
  return audio;
}

uint32_t LE(const std::vector<unsigned char>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

TEST(WavFile, Pcm16HeaderAndSamplesAreTheCanonicalBytes) {
  const auto bytes = EncodeWav(Stereo({0.5f, -1.0f}, {1.0f, 0.0f}), EWavFormat::kPcm16);
  ASSERT_EQ(bytes.size(), 44u + 8u);
  EXPECT_EQ(std::memcmp(bytes.data(), "RIFF", 4), 0);
  EXPECT_EQ(LE(bytes, 4, 4), 44u);  // file size less 8
  EXPECT_EQ(std::memcmp(bytes.data() + 8, "WAVEfmt ", 8), 0);
  EXPECT_EQ(LE(bytes, 16, 4), 16u);
  EXPECT_EQ(LE(bytes, 20, 2), 1u);       // PCM
  EXPECT_EQ(LE(bytes, 22, 2), 2u);       // channels
  EXPECT_EQ(LE(bytes, 24, 4), 48000u);   // rate
  EXPECT_EQ(LE(bytes, 28, 4), 192000u);  // bytes per second
  EXPECT_EQ(LE(bytes, 32, 2), 4u);       // block align
  EXPECT_EQ(LE(bytes, 34, 2), 16u);
  EXPECT_EQ(std::memcmp(bytes.data() + 36, "data", 4), 0);
  EXPECT_EQ(LE(bytes, 40, 4), 8u);
  // Interleaved L R L R: 0.5 -> 16384, 1.0 clips to 32767, -1.0 -> -32768, 0.0 -> 0.
  EXPECT_EQ(LE(bytes, 44, 2), 0x4000u);
  EXPECT_EQ(LE(bytes, 46, 2), 0x7FFFu);
  EXPECT_EQ(LE(bytes, 48, 2), 0x8000u);
  EXPECT_EQ(LE(bytes, 50, 2), 0u);
}

TEST(WavFile, Pcm24QuantisesToNearestAndSignExtendsOnRead) {
  const auto bytes = EncodeWav(Stereo({0.25f}, {-0.25f}), EWavFormat::kPcm24);
  ASSERT_EQ(bytes.size(), 44u + 6u);
  EXPECT_EQ(LE(bytes, 34, 2), 24u);
  EXPECT_EQ(LE(bytes, 44, 3), 0x200000u);
  EXPECT_EQ(LE(bytes, 47, 3), 0xE00000u);
  Audio back;
  std::string error;
  ASSERT_TRUE(ParseWav(bytes, back, error)) << error;
  EXPECT_FLOAT_EQ(back.channels[0][0], 0.25f);
  EXPECT_FLOAT_EQ(back.channels[1][0], -0.25f);
}

TEST(WavFile, FloatRoundTripIsExact) {
  const Audio audio = Stereo({0.1f, -0.7f, 3.5f}, {1e-9f, 0.0f, -2.0f});
  Audio back;
  std::string error;
  ASSERT_TRUE(ParseWav(EncodeWav(audio, EWavFormat::kFloat32), back, error)) << error;
  EXPECT_EQ(back.sampleRate, 48000);
  EXPECT_EQ(back.channels, audio.channels);
}

TEST(WavFile, NaNAndOutOfRangeSamplesAreSafeInIntegerFormats) {
  const auto bytes = EncodeWav(Stereo({std::numeric_limits<float>::quiet_NaN()}, {-7.0f}), EWavFormat::kPcm16);
  EXPECT_EQ(LE(bytes, 44, 2), 0u);
  EXPECT_EQ(LE(bytes, 46, 2), 0x8000u);
}

TEST(WavFile, SkipsOddSizedChunksWithTheirPadByte) {
  auto bytes = EncodeWav(Stereo({0.5f}, {0.5f}), EWavFormat::kPcm16);
  const unsigned char list[] = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
  bytes.insert(bytes.begin() + 36, std::begin(list), std::end(list));
  Audio back;
  std::string error;
  ASSERT_TRUE(ParseWav(bytes, back, error)) << error;
  EXPECT_FLOAT_EQ(back.channels[0][0], 0.5f);
}

TEST(WavFile, ReadsTheExtensibleFormatChunk) {
  auto bytes = EncodeWav(Stereo({0.5f}, {-0.5f}), EWavFormat::kFloat32);
  // Rewrite the 16-byte format chunk as a 40-byte extensible one whose sub-format says float.
  std::vector<unsigned char> fmt(bytes.begin() + 20, bytes.begin() + 36);
  fmt[0] = 0xFE;
  fmt[1] = 0xFF;
  const unsigned char extension[24] = {22, 0, 32, 0, 3, 0, 0, 0, 3, 0};
  fmt.insert(fmt.end(), std::begin(extension), std::end(extension));
  bytes.erase(bytes.begin() + 20, bytes.begin() + 36);
  bytes.insert(bytes.begin() + 20, fmt.begin(), fmt.end());
  bytes[16] = 40;
  Audio back;
  std::string error;
  ASSERT_TRUE(ParseWav(bytes, back, error)) << error;
  EXPECT_FLOAT_EQ(back.channels[1][0], -0.5f);
}

struct MalformedCase {
  const char* name;
  size_t offset;
  std::vector<unsigned char> replacement;
};

void PrintTo(const MalformedCase& row, std::ostream* os) {
  *os << row.name;
}

class MalformedWav : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedWav, IsRefusedWithAReason) {
  auto bytes = EncodeWav(Stereo({0.5f, 0.25f}, {0.5f, 0.25f}), EWavFormat::kPcm16);
  const MalformedCase& c = GetParam();
  std::copy(c.replacement.begin(), c.replacement.end(), bytes.begin() + c.offset);
  Audio back;
  std::string error;
  EXPECT_FALSE(ParseWav(bytes, back, error));
  EXPECT_FALSE(error.empty());
}

INSTANTIATE_TEST_SUITE_P(Rows, MalformedWav,
                         testing::Values(MalformedCase{"NotRiff", 0, {'R', 'I', 'F', 'X'}},
                                         MalformedCase{"DataSizePastEnd", 40, {0xFF, 0xFF, 0xFF, 0x7F}},
                                         MalformedCase{"FormatSizePastEnd", 16, {0xFF, 0xFF, 0, 0}},
                                         MalformedCase{"FormatTooShort", 16, {8, 0, 0, 0}},
                                         MalformedCase{"EightBitPcm", 34, {8, 0}},
                                         MalformedCase{"ZeroChannels", 22, {0, 0}},
                                         MalformedCase{"ZeroRate", 24, {0, 0, 0, 0}}, MalformedCase{"ALaw", 20, {6, 0}},
                                         MalformedCase{"NoFormatBeforeData", 12, {'j', 'u', 'n', 'k'}}),
                         [](const testing::TestParamInfo<MalformedCase>& info) { return info.param.name; });

TEST(WavFile, EmptyAndTruncatedInputsAreRefused) {
  Audio back;
  std::string error;
  EXPECT_FALSE(ParseWav({}, back, error));
  auto bytes = EncodeWav(Stereo({0.5f}, {0.5f}), EWavFormat::kPcm16);
  bytes.resize(40);
  EXPECT_FALSE(ParseWav(bytes, back, error));
}

TEST(WavFile, WritingRefusesEmptyOrRaggedAudio) {
  std::string error;
  EXPECT_FALSE(WriteWav("/nonexistent-dir/x.wav", Audio{}, EWavFormat::kPcm16, error));
  const std::string ragged = testing::TempDir() + "kd_ragged.wav";
  std::remove(ragged.c_str());
  EXPECT_FALSE(WriteWav(ragged, Stereo({0.0f, 1.0f}, {0.0f}), EWavFormat::kPcm16, error));
  EXPECT_EQ(std::fopen(ragged.c_str(), "rb"), nullptr);
  EXPECT_FALSE(WriteWav("/nonexistent-dir/x.wav", Stereo({0.0f}, {0.0f}), EWavFormat::kPcm16, error));
  Audio unread;
  EXPECT_FALSE(ReadWav("/nonexistent-dir/x.wav", unread, error));
}

}  // namespace
}  // namespace vsthost

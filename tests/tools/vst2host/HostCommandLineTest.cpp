// The test host's command line, run on the framework's test plug-in module.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>

#include <sys/resource.h>
#include <unistd.h>

#include "tools/vst2host/HostCommandLine.h"
#include "tools/vst2host/WavFile.h"

namespace vsthost {
namespace {

struct Result {
  int code;
  std::string out;
  std::string err;
};

Result RunHost(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = RunHostCommandLine(args, out, err);
  return {code, out.str(), err.str()};
}

// CTest runs every case in its own process, several at once: each process gets its own files.
long PeakResidentKiB() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

std::string Temp(const char* name) {
  return testing::TempDir() + "kd_vsthost_" + std::to_string(getpid()) + "_" + name;
}

class HostCommandLine : public testing::Test {
 protected:
  void SetUp() override { unsetenv("KD_TEST_PLUGIN"); }
};

TEST_F(HostCommandLine, PrintsTheEffectRecord) {
  const Result r = RunHost({KD_TEST_PLUGIN_PATH, "--info"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("magic 0x56737450 (VstP)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("flags 0x1019"), std::string::npos);
  EXPECT_NE(r.out.find("parameters 5"), std::string::npos);
  EXPECT_NE(r.out.find("unique id 0x4b445450 (KDTP)"), std::string::npos);
  EXPECT_NE(r.out.find("vendor Kelvadrune Tests"), std::string::npos);
}

TEST_F(HostCommandLine, ListsParametersAfterSettingThem) {
  const Result r = RunHost({KD_TEST_PLUGIN_PATH, "--set", "0=0.25", "--set", "1=1", "--params"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("0 Gain = 0.50 x (0.25)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("1 Mode = High"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("3 Steps = 5 st"), std::string::npos) << r.out;
}

TEST_F(HostCommandLine, ProcessesAGeneratedSignalIntoAWavFile) {
  const std::string path = Temp("impulse.wav");
  const Result r =
      RunHost({KD_TEST_PLUGIN_PATH, "--set", "0=0.75", "--signal", "impulse", "--amplitude", "0.5", "--seconds", "0.01",
               "--rate", "8000", "--block", "16", "--output", path, "--format", "pcm24"});
  ASSERT_EQ(r.code, 0) << r.err;
  Audio audio;
  std::string error;
  ASSERT_TRUE(ReadWav(path, audio, error)) << error;
  EXPECT_EQ(audio.sampleRate, 8000);
  ASSERT_EQ(audio.channels.size(), 2u);
  ASSERT_EQ(audio.NumFrames(), 80);
  EXPECT_NEAR(audio.channels[1][0], 0.75f, 1e-6);  // gain 1.5
  EXPECT_EQ(audio.channels[0][1], 0.0f);
}

TEST_F(HostCommandLine, ProcessesAWavFileInDoublePrecision) {
  const std::string in = Temp("in.wav");
  const std::string out = Temp("out.wav");
  Audio audio;
  audio.sampleRate = 48000;
  audio.channels = {{0.25f, -0.5f, 0.125f}};
  std::string error;
  ASSERT_TRUE(WriteWav(in, audio, EWavFormat::kFloat32, error));
  const Result r = RunHost({KD_TEST_PLUGIN_PATH, "--input", in, "--output", out, "--double", "--block", "2"});
  ASSERT_EQ(r.code, 0) << r.err;
  Audio result;
  ASSERT_TRUE(ReadWav(out, result, error)) << error;
  EXPECT_EQ(result.channels[0], audio.channels[0]);  // gain 1.0; the mono file feeds both inputs
  EXPECT_EQ(result.channels[1], audio.channels[0]);
}

// The host holds one block at a time: three minutes of stereo audio (63 MB as floats, which a whole-file
// run would hold several times over) leave the process's peak resident size nearly where it was.
TEST_F(HostCommandLine, StreamsALongRunInBoundedMemory) {
  const std::string path = Temp("long.wav");
  const std::vector<std::string> shortRun = {KD_TEST_PLUGIN_PATH, "--signal", "noise",    "--seconds", "1",
                                             "--output",          path,       "--format", "pcm16"};
  ASSERT_EQ(RunHost(shortRun).code, 0);  // the module and the host's own buffers are counted from here
  const long before = PeakResidentKiB();
  std::vector<std::string> longRun = shortRun;
  longRun[4] = "180";
  const Result r = RunHost(longRun);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_LT(PeakResidentKiB() - before, 16 * 1024);
  WavReader reader;
  std::string error;
  ASSERT_TRUE(reader.Open(path, error)) << error;
  EXPECT_EQ(reader.Frames(), 180 * 44100);
  EXPECT_EQ(reader.Channels(), 2);
  std::remove(path.c_str());
}

TEST_F(HostCommandLine, DoublePrecisionFallsBackToSingleWithANote) {
  setenv("KD_TEST_PLUGIN", "nodouble", 1);
  const std::string out = Temp("single.wav");
  const Result r = RunHost(
      {KD_TEST_PLUGIN_PATH, "--signal", "impulse", "--seconds", "0.01", "--rate", "8000", "--output", out, "--double"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.err.find("no double-precision processing"), std::string::npos) << r.err;
  Audio result;
  std::string error;
  ASSERT_TRUE(ReadWav(out, result, error)) << error;
  ASSERT_EQ(result.NumFrames(), 80);
  EXPECT_EQ(result.channels[0][0], 0.5f);  // the impulse at gain 1.0
}

TEST_F(HostCommandLine, SavesAndLoadsTheStateChunk) {
  const std::string state = Temp("state.bin");
  ASSERT_EQ(RunHost({KD_TEST_PLUGIN_PATH, "--set", "0=0.1", "--save-state", state}).code, 0);
  const Result r = RunHost({KD_TEST_PLUGIN_PATH, "--load-state", state, "--params"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("0 Gain = 0.20 x"), std::string::npos) << r.out;
  FILE* junk = std::fopen(state.c_str(), "wb");
  std::fputs("not a state chunk", junk);
  std::fclose(junk);
  EXPECT_EQ(RunHost({KD_TEST_PLUGIN_PATH, "--load-state", state}).code, 1);
}

struct BadArgsRow {
  std::vector<std::string> args;
  int code;
};

// The arguments with the test module's path shortened, so names do not depend on the build folder.
void PrintTo(const BadArgsRow& row, std::ostream* os) {
  *os << "args";
  for (const std::string& arg : row.args) *os << ' ' << (arg == KD_TEST_PLUGIN_PATH ? "plugin.so" : arg);
}

class HostCommandLineBadArgs : public testing::TestWithParam<BadArgsRow> {};

TEST_P(HostCommandLineBadArgs, AreRefused) {
  const Result r = RunHost(GetParam().args);
  EXPECT_EQ(r.code, GetParam().code);
  EXPECT_FALSE(r.err.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostCommandLineBadArgs,
    testing::Values(BadArgsRow{{}, 2}, BadArgsRow{{"--info"}, 2}, BadArgsRow{{KD_TEST_PLUGIN_PATH, "--bogus"}, 2},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--rate"}, 2}, BadArgsRow{{KD_TEST_PLUGIN_PATH, "--rate", "0"}, 2},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--block", "-4"}, 2},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--set", "0"}, 2},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--signal", "square"}, 2},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--seconds", "nan"}, 2},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--signal", "sine", "--input", "x.wav"}, 2},
                    BadArgsRow{{"/nonexistent/module.so", "--info"}, 1},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--set", "9=0.5"}, 1},
                    BadArgsRow{{KD_TEST_PLUGIN_PATH, "--input", "/nonexistent/x.wav", "--output", "/tmp/x.wav"}, 1}));

}  // namespace
}  // namespace vsthost

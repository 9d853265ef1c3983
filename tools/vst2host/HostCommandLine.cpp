#include "tools/vst2host/HostCommandLine.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <ostream>
#include <type_traits>

#include "tools/pngfile/PngFile.h"
#include "tools/vst2host/HostEditor.h"
#include "tools/vst2host/SignalGenerator.h"
#include "tools/vst2host/TestHost.h"
#include "tools/vst2host/WavFile.h"

namespace vsthost {

namespace {

constexpr const char* kUsage =
    "usage: kd_vsthost MODULE [options]\n"
    "  --legacy-main            create the plug-in through the old \"main\" entry\n"
    "  --rate HZ                sample rate (44100)\n"
    "  --block N                block size (512)\n"
    "  --load-state FILE        hand the file to the plug-in as its state chunk\n"
    "  --set INDEX=VALUE        set a parameter to a normalized value (repeatable)\n"
    "  --info                   print the effect record's fields\n"
    "  --params                 list the parameters with names, labels and display texts\n"
    "  --signal KIND            generate the input: sine, impulse or noise\n"
    "  --freq HZ --amplitude A --seconds S --channels N   of the generated signal\n"
    "  --input FILE             process a WAV file instead\n"
    "  --output FILE            write the processed audio to a WAV file\n"
    "  --format pcm16|pcm24|float   output sample format (float)\n"
    "  --double                 process in double precision (single when the plug-in has none)\n"
    "  --save-state FILE        write the plug-in's state chunk to a file\n"
    "  --screenshot FILE.png    open the editor without a display, render a frame, save it as a PNG\n"
    "  --editor                 open the editor in a window on $DISPLAY and process the generated signal\n"
    "                           until the window is closed\n";

struct ParamSetting {
  int index = 0;
  float value = 0.0f;
};

struct Options {
  std::string modulePath;
  bool legacyMain = false;
  float sampleRate = 44100.0f;
  int blockSize = 512;
  std::string loadState;
  std::vector<ParamSetting> settings;
  bool info = false;
  bool params = false;
  std::optional<SignalSpec> signal;
  double seconds = 1.0;
  std::string input;
  std::string output;
  EWavFormat format = EWavFormat::kFloat32;
  bool doublePrecision = false;
  std::string saveState;
  std::string screenshot;
  bool editor = false;
};

template <typename T>
bool ParseNumber(const std::string& text, T& value) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, value);
  return result.ec == std::errc() && result.ptr == end;
}

bool ParseSetting(const std::string& text, ParamSetting& setting) {
  const size_t eq = text.find('=');
  return eq != std::string::npos && ParseNumber(text.substr(0, eq), setting.index) &&
         ParseNumber(text.substr(eq + 1), setting.value);
}

bool ParseFormat(const std::string& text, EWavFormat& format) {
  if (text == "pcm16")
    format = EWavFormat::kPcm16;
  else if (text == "pcm24")
    format = EWavFormat::kPcm24;
  else if (text == "float")
    format = EWavFormat::kFloat32;
  else
    return false;
  return true;
}

SignalSpec& Signal(Options& o) {
  if (!o.signal) o.signal = SignalSpec{};
  return *o.signal;
}

// One option with its value; false when the value is missing or malformed.
bool ParseOption(const std::string& name, const std::string& value, Options& o) {
  if (name == "--rate") return ParseNumber(value, o.sampleRate) && o.sampleRate > 0.0f;
  if (name == "--block") return ParseNumber(value, o.blockSize) && o.blockSize > 0;
  if (name == "--load-state") return !(o.loadState = value).empty();
  if (name == "--save-state") return !(o.saveState = value).empty();
  if (name == "--screenshot") return !(o.screenshot = value).empty();
  if (name == "--input") return !(o.input = value).empty();
  if (name == "--output") return !(o.output = value).empty();
  if (name == "--format") return ParseFormat(value, o.format);
  if (name == "--set") {
    ParamSetting setting;
    if (!ParseSetting(value, setting)) return false;
    o.settings.push_back(setting);
    return true;
  }
  if (name == "--signal") return ParseSignalKind(value, Signal(o).kind);
  if (name == "--freq") return ParseNumber(value, Signal(o).frequency) && Signal(o).frequency > 0.0;
  if (name == "--amplitude") return ParseNumber(value, Signal(o).amplitude);
  if (name == "--channels")
    return ParseNumber(value, Signal(o).channels) && Signal(o).channels > 0 && Signal(o).channels <= 64;
  if (name == "--seconds") return ParseNumber(value, o.seconds) && o.seconds > 0.0 && o.seconds <= 86400.0;
  return false;
}

bool ParseArgs(const std::vector<std::string>& args, Options& o, std::ostream& err) {
  if (args.empty() || args[0].starts_with("--")) return false;
  o.modulePath = args[0];
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--legacy-main")
      o.legacyMain = true;
    else if (a == "--info")
      o.info = true;
    else if (a == "--params")
      o.params = true;
    else if (a == "--double")
      o.doublePrecision = true;
    else if (a == "--editor")
      o.editor = true;
    else if (i + 1 < args.size() && ParseOption(a, args[i + 1], o))
      ++i;
    else {
      err << "bad option: " << a << "\n";
      return false;
    }
  }
  if (o.signal && !o.input.empty()) {
    err << "--signal and --input exclude each other\n";
    return false;
  }
  if (o.editor && (!o.input.empty() || !o.output.empty() || !o.screenshot.empty())) {
    err << "--editor processes the generated signal only, without --input, --output or --screenshot\n";
    return false;
  }
  return true;
}

std::string Hex(int32_t v) {
  char text[16];
  const auto r = std::to_chars(text, text + sizeof(text), static_cast<uint32_t>(v), 16);
  return "0x" + std::string(text, r.ptr);
}

std::string FourCCText(int32_t v) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) {
    const char c = static_cast<char>((static_cast<uint32_t>(v) >> shift) & 0xFF);
    text += (c >= 32 && c < 127) ? c : '.';
  }
  return text;
}

std::string HostText(TestHost& host, int32_t opcode) {
  char text[vst2::kVendorTextSize + 1] = {};
  host.Dispatch(opcode, 0, 0, text);
  text[vst2::kVendorTextSize] = '\0';
  return text;
}

void PrintInfo(TestHost& host, std::ostream& out) {
  const vst2::EffectRecord& e = *host.Effect();
  out << "magic " << Hex(e.magic) << " (" << FourCCText(e.magic) << ")\n"
      << "programs " << e.numPrograms << "\nparameters " << e.numParams << "\ninputs " << e.numInputs << "\noutputs "
      << e.numOutputs << "\nflags " << Hex(e.flags) << "\ninitial delay " << e.initialDelay << "\nio ratio "
      << e.ioRatio << "\nunique id " << Hex(e.uniqueID) << " (" << FourCCText(e.uniqueID) << ")\nversion " << e.version
      << "\neffect name " << HostText(host, vst2::kEffGetEffectName) << "\nvendor "
      << HostText(host, vst2::kEffGetVendorString) << "\nproduct " << HostText(host, vst2::kEffGetProductString)
      << "\ncategory " << host.Dispatch(vst2::kEffGetPlugCategory) << "\nvst version "
      << host.Dispatch(vst2::kEffGetVstVersion) << "\n";
}

void PrintParams(TestHost& host, std::ostream& out) {
  for (int i = 0; i < host.Effect()->numParams; ++i) {
    const std::string label = host.ParamText(vst2::kEffGetParamLabel, i);
    out << i << " " << host.ParamText(vst2::kEffGetParamName, i) << " = "
        << host.ParamText(vst2::kEffGetParamDisplay, i) << (label.empty() ? "" : " ") << label << " ("
        << host.GetParameter(i) << ")\n";
  }
}

bool ReadFile(const std::string& path, std::vector<char>& bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) return false;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  return !std::ferror(file.get());
}

bool WriteFile(const std::string& path, const void* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

bool LoadState(TestHost& host, const std::string& path, std::ostream& err) {
  std::vector<char> bytes;
  if (!ReadFile(path, bytes) || bytes.empty()) {
    err << "cannot read state file " << path << "\n";
    return false;
  }
  if (host.Dispatch(vst2::kEffSetChunk, 1, static_cast<intptr_t>(bytes.size()), bytes.data()) != 1) {
    err << "the plug-in refused the state in " << path << "\n";
    return false;
  }
  return true;
}

bool SaveState(TestHost& host, const std::string& path, std::ostream& err) {
  void* data = nullptr;
  const intptr_t size = host.Dispatch(vst2::kEffGetChunk, 1, 0, &data);
  if (size <= 0 || !data) {
    err << "the plug-in gave no state chunk\n";
    return false;
  }
  if (!WriteFile(path, data, static_cast<size_t>(size))) {
    err << "cannot write state file " << path << "\n";
    return false;
  }
  return true;
}

// The input, a block at a time: a WAV file or the signal generator.
struct Source {
  WavReader file;
  std::optional<SignalGenerator> generator;
  int channels = 0;
  int sampleRate = 0;
  int64_t framesLeft = 0;

  int Read(float* const* buffers, int maxFrames) {
    const int frames = static_cast<int>(std::min<int64_t>(maxFrames, framesLeft));
    if (generator)
      generator->Fill(buffers, frames);
    else if (file.Read(buffers, frames) != frames)
      return -1;
    framesLeft -= frames;
    return frames;
  }
};

bool OpenSource(const Options& o, Source& source, std::ostream& err) {
  if (!o.input.empty()) {
    std::string error;
    if (!source.file.Open(o.input, error)) {
      err << error << "\n";
      return false;
    }
    source.channels = source.file.Channels();
    source.sampleRate = source.file.SampleRate();
    source.framesLeft = source.file.Frames();
    return true;
  }
  // The generator counts in an int rate.
  if (o.sampleRate > static_cast<float>(1 << 30)) {
    err << "the sample rate is too high to generate a signal\n";
    return false;
  }
  SignalSpec spec = o.signal.value_or(SignalSpec{});
  spec.sampleRate = static_cast<int>(o.sampleRate);
  source.generator.emplace(spec);
  source.channels = spec.channels;
  source.sampleRate = spec.sampleRate;
  source.framesLeft = static_cast<int64_t>(o.seconds * o.sampleRate);
  return true;
}

template <typename Sample>
std::vector<Sample*> Pointers(std::vector<std::vector<Sample>>& buffers) {
  std::vector<Sample*> pointers;
  for (auto& b : buffers) pointers.push_back(b.data());
  return pointers;
}

// Block by block through the effect record, pumping the plug-in's main-thread work between blocks. Only
// one block of audio is held at any time, so a run of any length takes the same memory.
template <typename Sample>
bool ProcessAudio(TestHost& host, Source& source, WavWriter& writer, int blockSize, std::ostream& err) {
  const vst2::EffectRecord& e = *host.Effect();
  std::vector<std::vector<float>> read(source.channels, std::vector<float>(blockSize));
  std::vector<std::vector<Sample>> in(std::max(e.numInputs, 0), std::vector<Sample>(blockSize));
  std::vector<std::vector<Sample>> out(std::max(e.numOutputs, 0), std::vector<Sample>(blockSize));
  std::vector<std::vector<float>> written(out.size(), std::vector<float>(blockSize));
  const std::vector<float*> readPtrs = Pointers(read);
  std::vector<Sample*> inPtrs = Pointers(in), outPtrs = Pointers(out);
  const std::vector<float*> writtenPtrs = Pointers(written);
  for (;;) {
    const int n = source.Read(readPtrs.data(), blockSize);
    if (n < 0) {
      err << "cannot read the input\n";
      return false;
    }
    if (n == 0) return true;
    // An input beyond the source's channels repeats its last channel (a mono file feeds both inputs).
    for (size_t c = 0; c < in.size(); ++c) {
      const std::vector<float>& from = read[std::min<size_t>(c, read.size() - 1)];
      std::copy(from.begin(), from.begin() + n, in[c].begin());
    }
    if constexpr (std::is_same_v<Sample, double>)
      host.ProcessDoubleReplacing(inPtrs.data(), outPtrs.data(), n);
    else
      host.ProcessReplacing(inPtrs.data(), outPtrs.data(), n);
    for (size_t c = 0; c < out.size(); ++c) std::copy(out[c].begin(), out[c].begin() + n, written[c].begin());
    if (!writer.Write(writtenPtrs.data(), n)) {
      err << "cannot write the output\n";
      return false;
    }
    host.PumpRunLoop();
  }
}

bool Process(TestHost& host, const Options& o, std::ostream& err) {
  Source source;
  if (!OpenSource(o, source, err)) return false;
  if (source.channels < 1 || host.Effect()->numOutputs < 1) {
    err << "nothing to process\n";
    return false;
  }
  WavWriter writer;
  std::string error;
  if (!writer.Open(o.output, host.Effect()->numOutputs, source.sampleRate, o.format, error)) {
    err << error << "\n";
    return false;
  }
  const bool doublePrecision = o.doublePrecision && host.CanProcessDouble();
  if (o.doublePrecision && !doublePrecision)
    err << "note: the plug-in has no double-precision processing; processing in single precision\n";
  const bool processed = doublePrecision ? ProcessAudio<double>(host, source, writer, o.blockSize, err)
                                         : ProcessAudio<float>(host, source, writer, o.blockSize, err);
  if (!writer.Close(error)) {
    err << error << "\n";
    return false;
  }
  return processed;
}

bool SaveScreenshot(TestHost& host, const std::string& path, std::ostream& err) {
  EditorPicture picture;
  std::string error;
  if (!CaptureEditorFrame(host, picture, error)) {
    err << error << "\n";
    return false;
  }
  if (!WritePngRgba(path, picture.rgba, picture.width, picture.height)) {
    err << "cannot write " << path << "\n";
    return false;
  }
  return true;
}

// The generated signal through the plug-in a block at a time, at the pace of the audio clock, while the
// editor's window is open; the output is dropped.
bool RunEditor(TestHost& host, const Options& o, std::ostream& err) {
  if (host.Effect()->numOutputs < 1) {
    err << "nothing to process\n";
    return false;
  }
  SignalSpec spec = o.signal.value_or(SignalSpec{});
  spec.sampleRate = static_cast<int>(o.sampleRate);
  SignalGenerator generator(spec);
  std::vector<std::vector<float>> read(spec.channels, std::vector<float>(o.blockSize));
  std::vector<std::vector<float>> in(std::max(host.Effect()->numInputs, 0), std::vector<float>(o.blockSize));
  std::vector<std::vector<float>> out(host.Effect()->numOutputs, std::vector<float>(o.blockSize));
  const std::vector<float*> readPtrs = Pointers(read);
  std::vector<float*> inPtrs = Pointers(in), outPtrs = Pointers(out);
  const auto processBlock = [&] {
    generator.Fill(readPtrs.data(), o.blockSize);
    for (size_t c = 0; c < in.size(); ++c) in[c] = read[std::min<size_t>(c, read.size() - 1)];
    host.ProcessReplacing(inPtrs.data(), outPtrs.data(), o.blockSize);
  };
  std::string error;
  if (!RunEditorWindow(host, o.blockSize / static_cast<double>(o.sampleRate), processBlock, error)) {
    err << error << "\n";
    return false;
  }
  return true;
}

bool SetUp(TestHost& host, const Options& o, std::ostream& err) {
  std::string error;
  if (!host.Load(o.modulePath, error) || !host.Instantiate(error, o.legacyMain)) {
    err << error << "\n";
    return false;
  }
  host.Open();
  host.SetSampleRate(o.sampleRate);
  host.SetBlockSize(o.blockSize);
  if (!o.loadState.empty() && !LoadState(host, o.loadState, err)) return false;
  for (const ParamSetting& s : o.settings) {
    if (s.index < 0 || s.index >= host.Effect()->numParams) {
      err << "no parameter " << s.index << "\n";
      return false;
    }
    host.SetParameter(s.index, s.value);
  }
  host.Resume();
  return true;
}

bool Run(TestHost& host, const Options& o, std::ostream& out, std::ostream& err) {
  if (!SetUp(host, o, err)) return false;
  if (o.info) PrintInfo(host, out);
  if (o.params) PrintParams(host, out);
  if (!o.output.empty() && !Process(host, o, err)) return false;
  if (!o.saveState.empty() && !SaveState(host, o.saveState, err)) return false;
  if (!o.screenshot.empty() && !SaveScreenshot(host, o.screenshot, err)) return false;
  if (o.editor && !RunEditor(host, o, err)) return false;
  host.Suspend();
  host.Close();
  return true;
}

}  // namespace

int RunHostCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options options;
  if (!ParseArgs(args, options, err)) {
    err << kUsage;
    return 2;
  }
  // A screenshot needs no display: the plug-in's window layer is asked for its headless back end (a test
  // aid it reads when first used). The editor window takes the layer's own choice, the display.
  if (!options.screenshot.empty()) setenv("KD_WINDOW_BACKEND", "headless", 1);
  TestHost host;
  return Run(host, options, out, err) ? 0 : 1;
}

}  // namespace vsthost

#include "tools/vst2host/WavFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vsthost {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 64;

uint32_t ReadLE(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

void PutLE(std::vector<unsigned char>& out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

void PutTag(std::vector<unsigned char>& out, const char* tag) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(tag[i]));
}

struct Format {
  uint16_t encoding = 0;
  int channels = 0;
  int sampleRate = 0;
  int bitsPerSample = 0;
};

bool ParseFormat(const unsigned char* p, uint32_t size, Format& format, std::string& error) {
  if (size < 16) {
    error = "format chunk too short";
    return false;
  }
  format.encoding = static_cast<uint16_t>(ReadLE(p, 2));
  format.channels = static_cast<int>(ReadLE(p + 2, 2));
  format.sampleRate = static_cast<int>(ReadLE(p + 4, 4));
  format.bitsPerSample = static_cast<int>(ReadLE(p + 14, 2));
  // The extensible chunk carries the real encoding in the first two bytes of its sub-format.
  if (format.encoding == kFormatExtensible) {
    if (size < 26) {
      error = "extensible format chunk too short";
      return false;
    }
    format.encoding = static_cast<uint16_t>(ReadLE(p + 24, 2));
  }
  const bool pcm = format.encoding == kFormatPcm && (format.bitsPerSample == 16 || format.bitsPerSample == 24);
  const bool flt = format.encoding == kFormatFloat && format.bitsPerSample == 32;
  if (!pcm && !flt) {
    error = "unsupported sample encoding";
    return false;
  }
  if (format.channels < 1 || format.channels > kMaxChannels || format.sampleRate < 1) {
    error = "bad channel count or sample rate";
    return false;
  }
  return true;
}

float DecodeSample(const unsigned char* p, const Format& format) {
  if (format.encoding == kFormatFloat) return std::bit_cast<float>(ReadLE(p, 4));
  if (format.bitsPerSample == 16) return static_cast<int16_t>(ReadLE(p, 2)) / 32768.0f;
  const int32_t v = static_cast<int32_t>(ReadLE(p, 3) << 8) >> 8;  // sign-extend 24 bits
  return v / 8388608.0f;
}

void DecodeData(const unsigned char* p, uint32_t size, const Format& format, Audio& audio) {
  const int bytesPerSample = format.bitsPerSample / 8;
  const int frameBytes = bytesPerSample * format.channels;
  const size_t frames = size / frameBytes;
  audio.sampleRate = format.sampleRate;
  audio.channels.assign(format.channels, std::vector<float>(frames));
  for (size_t f = 0; f < frames; ++f) {
    for (int c = 0; c < format.channels; ++c)
      audio.channels[c][f] = DecodeSample(p + f * frameBytes + c * bytesPerSample, format);
  }
}

int32_t QuantiseSample(float sample, double scale, int32_t maxValue) {
  const double v = std::isnan(sample) ? 0.0 : std::clamp(static_cast<double>(sample), -1.0, 1.0);
  return static_cast<int32_t>(
      std::clamp(std::lround(v * scale), -static_cast<long>(maxValue) - 1, static_cast<long>(maxValue)));
}

void EncodeSample(std::vector<unsigned char>& out, float sample, EWavFormat format) {
  switch (format) {
    case EWavFormat::kPcm16:
      PutLE(out, static_cast<uint32_t>(QuantiseSample(sample, 32768.0, 32767)), 2);
      break;
    case EWavFormat::kPcm24:
      PutLE(out, static_cast<uint32_t>(QuantiseSample(sample, 8388608.0, 8388607)), 3);
      break;
    case EWavFormat::kFloat32:
      PutLE(out, std::bit_cast<uint32_t>(sample), 4);
      break;
  }
}

// The header's byte rate and sizes are 32-bit: a rate or a length that overflows them is not written.
bool IsWritable(const Audio& audio) {
  if (audio.channels.empty() || audio.channels.size() > kMaxChannels || audio.sampleRate < 1) return false;
  const size_t frames = audio.channels[0].size();
  const uint64_t frameBytes = audio.channels.size() * 4;
  if (audio.sampleRate * frameBytes > UINT32_MAX || frames * frameBytes > UINT32_MAX - 64) return false;
  return std::all_of(audio.channels.begin(), audio.channels.end(),
                     [frames](const std::vector<float>& c) { return c.size() == frames; });
}

}  // namespace

bool ParseWav(const std::vector<unsigned char>& bytes, Audio& audio, std::string& error) {
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0) {
    error = "not a RIFF/WAVE file";
    return false;
  }
  Format format;
  bool haveFormat = false;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const unsigned char* chunk = bytes.data() + pos;
    const uint32_t size = ReadLE(chunk + 4, 4);
    if (size > bytes.size() - pos - 8) {
      error = "chunk runs past the end of the file";
      return false;
    }
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (!ParseFormat(chunk + 8, size, format, error)) return false;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) {
        error = "data before format";
        return false;
      }
      DecodeData(chunk + 8, size, format, audio);
      return true;
    }
    pos += 8 + static_cast<size_t>(size) + (size & 1);  // chunks are padded to even sizes
  }
  error = "no data chunk";
  return false;
}

bool ReadWav(const std::string& path, Audio& audio, std::string& error) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!file) {
    error = "cannot open " + path;
    return false;
  }
  std::vector<unsigned char> bytes;
  unsigned char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0)
    bytes.insert(bytes.end(), buffer, buffer + n);
  if (std::ferror(file.get())) {
    error = "cannot read " + path;
    return false;
  }
  return ParseWav(bytes, audio, error);
}

std::vector<unsigned char> EncodeWav(const Audio& audio, EWavFormat format) {
  const int channels = static_cast<int>(audio.channels.size());
  const int bytesPerSample = format == EWavFormat::kPcm16 ? 2 : format == EWavFormat::kPcm24 ? 3 : 4;
  const uint32_t dataBytes = static_cast<uint32_t>(audio.NumFrames()) * channels * bytesPerSample;
  std::vector<unsigned char> out;
  out.reserve(44 + dataBytes + 1);
  PutTag(out, "RIFF");
  PutLE(out, 36 + dataBytes + (dataBytes & 1), 4);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLE(out, 16, 4);
  PutLE(out, format == EWavFormat::kFloat32 ? kFormatFloat : kFormatPcm, 2);
  PutLE(out, channels, 2);
  PutLE(out, audio.sampleRate, 4);
  PutLE(out, static_cast<uint32_t>(audio.sampleRate) * channels * bytesPerSample, 4);
  PutLE(out, channels * bytesPerSample, 2);
  PutLE(out, bytesPerSample * 8, 2);
  PutTag(out, "data");
  PutLE(out, dataBytes, 4);
  for (int f = 0; f < audio.NumFrames(); ++f) {
    for (int c = 0; c < channels; ++c) EncodeSample(out, audio.channels[c][f], format);
  }
  if (dataBytes & 1) out.push_back(0);
  return out;
}

bool WriteWav(const std::string& path, const Audio& audio, EWavFormat format, std::string& error) {
  if (!IsWritable(audio)) {
    error = "no audio to write";
    return false;
  }
  const std::vector<unsigned char> bytes = EncodeWav(audio, format);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    error = "cannot create " + path;
    return false;
  }
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  const bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    error = "cannot write " + path;
    return false;
  }
  return true;
}

}  // namespace vsthost

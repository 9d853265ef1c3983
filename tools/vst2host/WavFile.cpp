#include "tools/vst2host/WavFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace vsthost {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr int kMaxChannels = 64;
constexpr int kHeaderBytes = 44;
// RIFF sizes are 32-bit: the data, the rest of the header and a pad byte must fit.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (kHeaderBytes - 8) - 1;

uint32_t ReadLE(const unsigned char* p, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
  return v;
}

unsigned char* PutLE(unsigned char* out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) *out++ = static_cast<unsigned char>(v >> (8 * i));
  return out;
}

unsigned char* PutTag(unsigned char* out, const char* tag) {
  std::memcpy(out, tag, 4);
  return out + 4;
}

int BytesPerSample(EWavFormat format) {
  return format == EWavFormat::kPcm16 ? 2 : format == EWavFormat::kPcm24 ? 3 : 4;
}

bool ParseFormat(const unsigned char* p, uint32_t size, int& encoding, int& channels, int& sampleRate,
                 int& bitsPerSample, std::string& error) {
  if (size < 16) {
    error = "format chunk too short";
    return false;
  }
  encoding = static_cast<int>(ReadLE(p, 2));
  channels = static_cast<int>(ReadLE(p + 2, 2));
  const uint32_t rate = ReadLE(p + 4, 4);
  bitsPerSample = static_cast<int>(ReadLE(p + 14, 2));
  // The extensible chunk carries the real encoding in the first two bytes of its sub-format.
  if (encoding == kFormatExtensible) {
    if (size < 26) {
      error = "extensible format chunk too short";
      return false;
    }
    encoding = static_cast<int>(ReadLE(p + 24, 2));
  }
  const bool pcm = encoding == kFormatPcm && (bitsPerSample == 16 || bitsPerSample == 24);
  const bool flt = encoding == kFormatFloat && bitsPerSample == 32;
  if (!pcm && !flt) {
    error = "unsupported sample encoding";
    return false;
  }
  if (channels < 1 || channels > kMaxChannels || rate < 1 || rate > 0x7FFFFFFF) {
    error = "bad channel count or sample rate";
    return false;
  }
  sampleRate = static_cast<int>(rate);
  return true;
}

float DecodeSample(const unsigned char* p, int encoding, int bitsPerSample) {
  if (encoding == kFormatFloat) return std::bit_cast<float>(ReadLE(p, 4));
  if (bitsPerSample == 16) return static_cast<int16_t>(ReadLE(p, 2)) / 32768.0f;
  const int32_t v = static_cast<int32_t>(ReadLE(p, 3) << 8) >> 8;  // sign-extend 24 bits
  return v / 8388608.0f;
}

int32_t QuantiseSample(float sample, double scale, int32_t maxValue) {
  const double v = std::isnan(sample) ? 0.0 : std::clamp(static_cast<double>(sample), -1.0, 1.0);
  return static_cast<int32_t>(
      std::clamp(std::lround(v * scale), -static_cast<long>(maxValue) - 1, static_cast<long>(maxValue)));
}

unsigned char* EncodeSample(unsigned char* out, float sample, EWavFormat format) {
  switch (format) {
    case EWavFormat::kPcm16:
      return PutLE(out, static_cast<uint32_t>(QuantiseSample(sample, 32768.0, 32767)), 2);
    case EWavFormat::kPcm24:
      return PutLE(out, static_cast<uint32_t>(QuantiseSample(sample, 8388608.0, 8388607)), 3);
    case EWavFormat::kFloat32:
      return PutLE(out, std::bit_cast<uint32_t>(sample), 4);
  }
  return out;
}

bool ReadAll(WavReader& reader, Audio& audio, std::string& error) {
  if (reader.Frames() > 0x7FFFFFFF) {
    error = "file too long to hold in memory";
    return false;
  }
  audio.sampleRate = reader.SampleRate();
  audio.channels.assign(reader.Channels(), std::vector<float>(static_cast<size_t>(reader.Frames())));
  std::vector<float*> pointers;
  for (auto& c : audio.channels) pointers.push_back(c.data());
  if (reader.Frames() > 0 && reader.Read(pointers.data(), static_cast<int>(reader.Frames())) != reader.Frames()) {
    error = "cannot read the samples";
    return false;
  }
  return true;
}

bool IsWritable(const Audio& audio) {
  if (audio.channels.empty() || audio.channels.size() > kMaxChannels || audio.sampleRate < 1) return false;
  const size_t frames = audio.channels[0].size();
  return std::all_of(audio.channels.begin(), audio.channels.end(),
                     [frames](const std::vector<float>& c) { return c.size() == frames; });
}

bool WriteAll(WavWriter& writer, const Audio& audio, std::string& error) {
  std::vector<const float*> pointers;
  for (const auto& c : audio.channels) pointers.push_back(c.data());
  const bool written = writer.Write(pointers.data(), audio.NumFrames());
  return writer.Close(error) && written;
}

}  // namespace

bool WavReader::Open(const std::string& path, std::string& error) {
  mFile.reset(std::fopen(path.c_str(), "rb"));
  if (!mFile) {
    error = "cannot open " + path;
    return false;
  }
  return ReadHeader(error);
}

bool WavReader::OpenMemory(const std::vector<unsigned char>& bytes, std::string& error) {
  // fmemopen refuses an empty buffer; such bytes are no WAV file either.
  if (bytes.size() < 12) {
    error = "not a RIFF/WAVE file";
    return false;
  }
  mFile.reset(fmemopen(const_cast<unsigned char*>(bytes.data()), bytes.size(), "rb"));
  if (!mFile) {
    error = "cannot read the bytes";
    return false;
  }
  return ReadHeader(error);
}

bool WavReader::ReadHeader(std::string& error) {
  FILE* f = mFile.get();
  unsigned char header[12];
  if (fseeko(f, 0, SEEK_END) != 0) {
    error = "cannot read the file";
    return false;
  }
  const int64_t length = ftello(f);
  if (length < 12 || fseeko(f, 0, SEEK_SET) != 0 || std::fread(header, 1, 12, f) != 12 ||
      std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "WAVE", 4) != 0) {
    error = "not a RIFF/WAVE file";
    return false;
  }
  bool haveFormat = false;
  int64_t pos = 12;
  while (pos + 8 <= length) {
    unsigned char chunk[8];
    if (fseeko(f, pos, SEEK_SET) != 0 || std::fread(chunk, 1, 8, f) != 8) {
      error = "cannot read the file";
      return false;
    }
    const uint32_t size = ReadLE(chunk + 4, 4);
    if (size > length - pos - 8) {
      error = "chunk runs past the end of the file";
      return false;
    }
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      unsigned char format[40] = {};
      const size_t wanted = std::min<size_t>(size, sizeof(format));
      if (std::fread(format, 1, wanted, f) != wanted) {
        error = "cannot read the file";
        return false;
      }
      if (!ParseFormat(format, size, mEncoding, mChannels, mSampleRate, mBitsPerSample, error)) return false;
      haveFormat = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!haveFormat) {
        error = "data before format";
        return false;
      }
      mFrames = size / (mBitsPerSample / 8 * mChannels);
      mFramesLeft = mFrames;
      return true;  // the stream now stands at the first sample
    }
    pos += 8 + static_cast<int64_t>(size) + (size & 1);  // chunks are padded to even sizes
  }
  error = "no data chunk";
  return false;
}

int WavReader::Read(float* const* channels, int maxFrames) {
  const int frames = static_cast<int>(std::min<int64_t>(std::max(maxFrames, 0), mFramesLeft));
  if (frames == 0) return 0;
  const int bytesPerSample = mBitsPerSample / 8;
  const size_t frameBytes = static_cast<size_t>(bytesPerSample) * mChannels;
  mBlock.resize(frameBytes * frames);
  if (std::fread(mBlock.data(), 1, mBlock.size(), mFile.get()) != mBlock.size()) return -1;
  for (int f = 0; f < frames; ++f) {
    const unsigned char* frame = mBlock.data() + f * frameBytes;
    for (int c = 0; c < mChannels; ++c)
      channels[c][f] = DecodeSample(frame + c * bytesPerSample, mEncoding, mBitsPerSample);
  }
  mFramesLeft -= frames;
  return frames;
}

bool WavWriter::Open(const std::string& path, int channels, int sampleRate, EWavFormat format, std::string& error) {
  if (channels < 1 || channels > kMaxChannels || sampleRate < 1) {
    error = "no audio to write";
    return false;
  }
  mFile.reset(std::fopen(path.c_str(), "wb"));
  if (!mFile) {
    error = "cannot create " + path;
    return false;
  }
  mStream = mFile.get();
  return Begin(channels, sampleRate, format, error);
}

bool WavWriter::OpenStream(FILE* stream, int channels, int sampleRate, EWavFormat format, std::string& error) {
  if (!stream || channels < 1 || channels > kMaxChannels || sampleRate < 1) {
    error = "no audio to write";
    return false;
  }
  mStream = stream;
  return Begin(channels, sampleRate, format, error);
}

bool WavWriter::Begin(int channels, int sampleRate, EWavFormat format, std::string& error) {
  // The header's byte rate is 32-bit: a rate that overflows it cannot be written.
  if (static_cast<uint64_t>(sampleRate) * channels * BytesPerSample(format) > 0xFFFFFFFFull) {
    error = "sample rate too high for a WAV file";
    mFailed = true;
    return false;
  }
  mFormat = format;
  mChannels = channels;
  mBytesPerSample = BytesPerSample(format);
  mDataBytes = 0;
  mFailed = false;
  // The sizes stay 0 until Close knows them.
  unsigned char header[kHeaderBytes];
  unsigned char* p = PutTag(header, "RIFF");
  p = PutLE(p, 0, 4);
  p = PutTag(p, "WAVE");
  p = PutTag(p, "fmt ");
  p = PutLE(p, 16, 4);
  p = PutLE(p, format == EWavFormat::kFloat32 ? kFormatFloat : kFormatPcm, 2);
  p = PutLE(p, static_cast<uint32_t>(channels), 2);
  p = PutLE(p, static_cast<uint32_t>(sampleRate), 4);
  p = PutLE(p, static_cast<uint32_t>(sampleRate) * channels * mBytesPerSample, 4);
  p = PutLE(p, static_cast<uint32_t>(channels * mBytesPerSample), 2);
  p = PutLE(p, static_cast<uint32_t>(mBytesPerSample * 8), 2);
  p = PutTag(p, "data");
  PutLE(p, 0, 4);
  if (std::fwrite(header, 1, sizeof(header), mStream) != sizeof(header)) {
    error = "cannot write the file";
    mFailed = true;
    return false;
  }
  return true;
}

bool WavWriter::Write(const float* const* channels, int frames) {
  if (!mStream || mFailed || frames <= 0) return !mFailed && frames == 0;
  const size_t bytes = static_cast<size_t>(frames) * mChannels * mBytesPerSample;
  if (mDataBytes + bytes > kMaxDataBytes) {
    mFailed = true;
    return false;
  }
  mBlock.resize(bytes);
  unsigned char* out = mBlock.data();
  for (int f = 0; f < frames; ++f) {
    for (int c = 0; c < mChannels; ++c) out = EncodeSample(out, channels[c][f], mFormat);
  }
  if (std::fwrite(mBlock.data(), 1, bytes, mStream) != bytes) mFailed = true;
  mDataBytes += bytes;
  return !mFailed;
}

bool WavWriter::Close(std::string& error) {
  if (!mStream) {
    error = "nothing was opened";
    return false;
  }
  const uint32_t dataBytes = static_cast<uint32_t>(mDataBytes);
  unsigned char size[4];
  if (!mFailed && (dataBytes & 1)) mFailed = std::fputc(0, mStream) == EOF;
  PutLE(size, kHeaderBytes - 8 + dataBytes + (dataBytes & 1), 4);
  if (!mFailed) mFailed = fseeko(mStream, 4, SEEK_SET) != 0 || std::fwrite(size, 1, 4, mStream) != 4;
  PutLE(size, dataBytes, 4);
  if (!mFailed) mFailed = fseeko(mStream, kHeaderBytes - 4, SEEK_SET) != 0 || std::fwrite(size, 1, 4, mStream) != 4;
  // Back to the end, where a caller's stream expects to stand.
  if (!mFailed) mFailed = fseeko(mStream, 0, SEEK_END) != 0 || std::fflush(mStream) != 0;
  if (mFile && std::fclose(mFile.release()) != 0) mFailed = true;
  mStream = nullptr;
  if (mFailed) error = "cannot write the file";
  return !mFailed;
}

bool ReadWav(const std::string& path, Audio& audio, std::string& error) {
  WavReader reader;
  return reader.Open(path, error) && ReadAll(reader, audio, error);
}

bool ParseWav(const std::vector<unsigned char>& bytes, Audio& audio, std::string& error) {
  WavReader reader;
  return reader.OpenMemory(bytes, error) && ReadAll(reader, audio, error);
}

bool WriteWav(const std::string& path, const Audio& audio, EWavFormat format, std::string& error) {
  if (!IsWritable(audio)) {
    error = "no audio to write";
    return false;
  }
  WavWriter writer;
  return writer.Open(path, static_cast<int>(audio.channels.size()), audio.sampleRate, format, error) &&
         WriteAll(writer, audio, error);
}

std::vector<unsigned char> EncodeWav(const Audio& audio, EWavFormat format) {
  // Through an anonymous file, since the writer seeks back to fill in the sizes.
  FilePtr stream(std::tmpfile(), &std::fclose);
  WavWriter writer;
  std::string error;
  if (!stream || !IsWritable(audio) ||
      !writer.OpenStream(stream.get(), static_cast<int>(audio.channels.size()), audio.sampleRate, format, error) ||
      !WriteAll(writer, audio, error))
    return {};
  std::vector<unsigned char> bytes(static_cast<size_t>(ftello(stream.get())));
  std::rewind(stream.get());
  if (std::fread(bytes.data(), 1, bytes.size(), stream.get()) != bytes.size()) return {};
  return bytes;
}

}  // namespace vsthost

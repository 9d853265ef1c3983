// Reading and writing RIFF/WAVE audio files: 16- and 24-bit integer and 32-bit float samples, streamed a
// block at a time so that the memory a file takes stays the size of one block, however long the file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace vsthost {

enum class EWavFormat { kPcm16, kPcm24, kFloat32 };

// Deinterleaved audio: channels[c][frame], every channel of the same length, samples nominally in -1..1.
struct Audio {
  int sampleRate = 44100;
  std::vector<std::vector<float>> channels;
  int NumFrames() const { return channels.empty() ? 0 : static_cast<int>(channels[0].size()); }
};

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

// Reads PCM 16/24-bit and IEEE float 32-bit files (plain or extensible format chunk). Any thread; blocks on
// file I/O. Every size in the file is checked against the file's length before it is used.
class WavReader {
 public:
  // False with a reason when the file cannot be opened, is malformed or uses another encoding.
  bool Open(const std::string& path, std::string& error);
  // The same over bytes in memory; the bytes must outlive the reader.
  bool OpenMemory(const std::vector<unsigned char>& bytes, std::string& error);

  int Channels() const { return mChannels; }
  int SampleRate() const { return mSampleRate; }
  int64_t Frames() const { return mFrames; }

  // Reads up to maxFrames frames into channels[0..Channels()-1]. Answers the frames read: 0 at the end of
  // the data, -1 when the file cannot be read.
  int Read(float* const* channels, int maxFrames);

 private:
  bool ReadHeader(std::string& error);

  FilePtr mFile{nullptr, &std::fclose};
  int mEncoding = 0;
  int mBitsPerSample = 0;
  int mChannels = 0;
  int mSampleRate = 0;
  int64_t mFrames = 0;
  int64_t mFramesLeft = 0;
  std::vector<unsigned char> mBlock;
};

// Writes a file whose sizes are filled in when it is closed. Any thread; blocks on file I/O.
class WavWriter {
 public:
  // False with a reason when the file cannot be created or the layout is unusable (1-64 channels, rate > 0).
  bool Open(const std::string& path, int channels, int sampleRate, EWavFormat format, std::string& error);
  // Writes to a stream the caller opened and closes; Close still fills in the sizes.
  bool OpenStream(FILE* stream, int channels, int sampleRate, EWavFormat format, std::string& error);
  // Integer formats clip to -1..1 and round to nearest; NaN is written as 0. False on a write error or when
  // the data would no longer fit the format's 32-bit sizes.
  bool Write(const float* const* channels, int frames);
  // Fills in the sizes and closes a file it opened. False when anything written was lost.
  bool Close(std::string& error);

 private:
  bool Begin(int channels, int sampleRate, EWavFormat format, std::string& error);

  FilePtr mFile{nullptr, &std::fclose};
  FILE* mStream = nullptr;
  EWavFormat mFormat = EWavFormat::kFloat32;
  int mChannels = 0;
  int mBytesPerSample = 4;
  uint64_t mDataBytes = 0;
  bool mFailed = false;
  std::vector<unsigned char> mBlock;
};

// Whole-file forms of the above, for short files and tests.
bool ReadWav(const std::string& path, Audio& audio, std::string& error);
bool ParseWav(const std::vector<unsigned char>& bytes, Audio& audio, std::string& error);
// False when the audio is empty, ragged, or the file cannot be written completely.
bool WriteWav(const std::string& path, const Audio& audio, EWavFormat format, std::string& error);
std::vector<unsigned char> EncodeWav(const Audio& audio, EWavFormat format);

}  // namespace vsthost

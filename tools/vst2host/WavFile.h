// Reading and writing RIFF/WAVE audio files: 16- and 24-bit integer and 32-bit float samples.
#pragma once

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

// Any thread; blocks on file I/O. Reads PCM 16/24-bit and IEEE float 32-bit files (plain or extensible
// format chunk). False with a reason when the file cannot be read, is malformed or uses another encoding;
// every size in the file is checked against the file's length.
bool ReadWav(const std::string& path, Audio& audio, std::string& error);
// The same from bytes in memory.
bool ParseWav(const std::vector<unsigned char>& bytes, Audio& audio, std::string& error);

// Any thread; blocks on file I/O. Integer formats clip to -1..1 and round to nearest. False when the audio
// is empty, ragged, or the file cannot be written completely.
bool WriteWav(const std::string& path, const Audio& audio, EWavFormat format, std::string& error);
std::vector<unsigned char> EncodeWav(const Audio& audio, EWavFormat format);

}  // namespace vsthost

// Reading and writing 8-bit RGBA PNG files (through libpng's simplified interface): the golden-image tests and
// the test host's editor screenshots.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// False when the file cannot be read or is not a PNG; rgba then holds width x height x 4 bytes.
bool ReadPngRgba(const std::string& path, std::vector<uint8_t>& rgba, int& width, int& height);
bool WritePngRgba(const std::string& path, const std::vector<uint8_t>& rgba, int width, int height);

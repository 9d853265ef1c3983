// File-system helpers of the preset files and the data folder: folder creation, whole-file reads of a
// bounded size, and saves that replace a file only once its new content is safely on disk.
// Main thread; every function does blocking file I/O and must never run on the audio thread.
#pragma once

#include <cstddef>
#include <string>

#include "framework/FwString.h"

namespace presets {

// Creates path and every missing parent folder with mode 0755 (less what the umask removes). True when
// path is a folder afterwards. A null or empty path answers false.
bool MakeFolders(const char* path);

// Reads the whole file into text. False, with text unchanged, when it cannot be read, is not a regular
// file (a FIFO or device is refused without waiting on it) or holds more than maxBytes bytes.
bool ReadWholeFile(const char* path, size_t maxBytes, std::string& text);

// Writes text to a temporary file in the same folder, flushes it to disk and renames it over path, so
// that a crash or a full disk leaves either the old file or the new one, never a part. Temporary names
// start with ".kd-save-" and never contain the preset extension. A new file gets 0666 less the umask, a
// replaced one keeps its permissions. False, with no file changed and no temporary file left, on any
// failure.
bool WriteFileAtomically(const char* path, const std::string& text);

// True for a name that can be joined to a folder without leaving it: not empty, not "." or "..", no "/".
bool IsPlainFileName(const char* name);

// The file name of path without its folder and extension: the text after the last "/", up to the last "."
// when one follows it, at most maxLength bytes (never cutting a UTF-8 character).
void FileStem(const char* path, int maxLength, fx::FwString& stem);

}  // namespace presets

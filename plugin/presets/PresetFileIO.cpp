#include "plugin/presets/PresetFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/BoundedCopy.h"

namespace presets {

namespace {

constexpr const char* kTempPrefix = ".kd-save-";

bool IsFolder(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

bool WriteAll(int fd, const std::string& text) {
  size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

// Reads until content is full or the file ends; content is cut to what was read.
bool ReadUpTo(int fd, std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = read(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  content.resize(done);
  return true;
}

// A new, empty file in folder whose name starts with kTempPrefix. It is created with mode 0666 so that
// the kernel applies the user's umask, as for any file the user creates.
int CreateSiblingFile(const std::string& folder, std::string& name) {
  static std::atomic<unsigned> serial{0};
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    name = folder + "/" + kTempPrefix + std::to_string(getpid()) + "-" + std::to_string(serial++);
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// A file that is replaced keeps the permissions its owner gave it, as an overwrite in place would.
bool KeepModeOf(const std::string& target, int fd) {
  struct stat info {};
  if (stat(target.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return true;
  return fchmod(fd, info.st_mode & 07777) == 0;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool MakeFolders(const char* path) {
  if (!path || !*path) return false;
  std::string partial;
  const std::string full(path);
  size_t at = 0;
  while (at != std::string::npos) {
    at = full.find('/', at + 1);
    partial = full.substr(0, at);
    if (partial.empty() || IsFolder(partial.c_str())) continue;
    if (mkdir(partial.c_str(), 0755) != 0 && errno != EEXIST) return false;
  }
  return IsFolder(path);
}

bool ReadWholeFile(const char* path, size_t maxBytes, std::string& text) {
  if (!path) return false;
  // Opened without blocking: opening a FIFO for reading would otherwise wait for a writer forever. The
  // type is checked on the opened file, so a path swapped after a check cannot slip through.
  const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  const bool regular = fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
  const bool fits = regular && static_cast<unsigned long long>(info.st_size) <= maxBytes;
  std::string content(fits ? static_cast<size_t>(info.st_size) : 0, '\0');
  // A file that grew since fstat is cut at the size seen; one that shrank is read as it is now.
  const bool complete = fits && ReadUpTo(fd, content);
  close(fd);
  if (!complete) return false;
  text = std::move(content);
  return true;
}

bool WriteFileAtomically(const char* path, const std::string& text) {
  if (!path || !*path) return false;
  const std::string target(path);
  std::string temp;
  const int fd = CreateSiblingFile(FolderOf(target), temp);
  if (fd < 0) return false;
  const bool written = KeepModeOf(target, fd) && WriteAll(fd, text) && fsync(fd) == 0;
  const bool closed = close(fd) == 0;
  if (written && closed && std::rename(temp.c_str(), target.c_str()) == 0) return true;
  unlink(temp.c_str());
  return false;
}

bool IsPlainFileName(const char* name) {
  return name && *name && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0 && !std::strchr(name, '/');
}

void FileStem(const char* path, int maxLength, fx::FwString& stem) {
  const char* name = path ? path : "";
  if (const char* slash = std::strrchr(name, '/')) name = slash + 1;
  const char* dot = std::strrchr(name, '.');
  const size_t length = dot ? static_cast<size_t>(dot - name) : std::strlen(name);
  std::vector<char> bounded(static_cast<size_t>(maxLength > 0 ? maxLength : 0) + 1);
  const std::string whole(name, length);
  fx::CopyBounded(bounded.data(), static_cast<int>(bounded.size()), whole.c_str());
  stem.Set(bounded.data());
}

}  // namespace presets

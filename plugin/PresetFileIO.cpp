#include "plugin/PresetFileIO.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "framework/BoundedCopy.h"

namespace presets {

namespace {

bool IsFolder(const char* path) {
  struct stat info {};
  return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};

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
  std::unique_ptr<FILE, FileCloser> file(std::fopen(path, "rb"));
  struct stat info {};
  if (!file || fstat(fileno(file.get()), &info) != 0 || !S_ISREG(info.st_mode)) return false;
  if (static_cast<unsigned long long>(info.st_size) > maxBytes) return false;
  std::string content(static_cast<size_t>(info.st_size), '\0');
  const size_t read = std::fread(content.data(), 1, content.size(), file.get());
  // A file that grew since fstat is cut at the size seen; one that shrank is read as it is now.
  content.resize(read);
  if (std::ferror(file.get())) return false;
  text = std::move(content);
  return true;
}

bool WriteFileAtomically(const char* path, const std::string& text) {
  if (!path || !*path) return false;
  const std::string target(path);
  std::string temp = FolderOf(target) + "/.kd-save-XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  const bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, text) && fsync(fd) == 0;
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

#include "tools/modelhost/ProcessFigures.h"

#include <dirent.h>
#include <malloc.h>
#include <unistd.h>

#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// The sanitizer's allocator: what the program has allocated and not yet freed.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#define KD_SANITIZER_ALLOCATOR 1
#endif

namespace modelhost {

namespace {

// The value of a "Name:   123 kB" line of a /proc file.
long KiBField(const char* path, const char* name) {
  long value = 0;
  if (FILE* file = std::fopen(path, "r")) {
    char line[256];
    const size_t length = std::strlen(name);
    while (std::fgets(line, sizeof line, file))
      if (std::strncmp(line, name, length) == 0 && line[length] == ':') {
        value = std::atol(line + length + 1);
        break;
      }
    std::fclose(file);
  }
  return value;
}

// The resident size of every mapping but those of shared libraries ("name.so" or "name.so.N" files).
long ResidentOutsideLibrariesKiB() {
  long total = 0;
  bool library = false;
  if (FILE* file = std::fopen("/proc/self/smaps", "r")) {
    char line[4096];
    while (std::fgets(line, sizeof line, file)) {
      if (std::strncmp(line, "Rss:", 4) == 0) {
        if (!library) total += std::atol(line + 4);
      } else if (std::strchr(line, '-') && std::strchr(line, ' ') > std::strchr(line, '-') &&
                 std::isxdigit(static_cast<unsigned char>(line[0]))) {
        // A mapping's first line: "start-end perms offset device inode [path]".
        const char* path = std::strchr(line, '/');
        library = path && (std::strstr(path, ".so\n") || std::strstr(path, ".so."));
      }
    }
    std::fclose(file);
  }
  return total;
}

int Threads() {
  int threads = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (const dirent* entry = readdir(tasks))
      if (entry->d_name[0] != '.') ++threads;
    closedir(tasks);
  }
  return threads;
}

}  // namespace

ProcessFigures ReadProcessFigures() {
  ProcessFigures figures;
#if defined(KD_SANITIZER_ALLOCATOR)
  figures.heapInUseKiB = static_cast<long>(__sanitizer_get_current_allocated_bytes() / 1024);
#else
  const struct mallinfo2 heap = mallinfo2();
  figures.heapInUseKiB = static_cast<long>((heap.uordblks + heap.hblkhd) / 1024);
  figures.mallocArenaKiB = static_cast<long>(heap.arena / 1024);
#endif
  figures.addressSpaceKiB = KiBField("/proc/self/status", "VmSize");
  figures.residentKiB = KiBField("/proc/self/status", "VmRSS");
  figures.residentOutsideLibrariesKiB = ResidentOutsideLibrariesKiB();
  figures.anonymousKiB = KiBField("/proc/self/status", "RssAnon");
  figures.lockedKiB = KiBField("/proc/self/status", "VmLck");
  figures.threads = Threads();
  return figures;
}

std::string Describe(const ProcessFigures& figures) {
  char line[256];
  std::snprintf(line, sizeof line,
                "heap in use %ld kB, malloc arena %ld kB, address space %ld kB, resident %ld kB (outside libraries "
                "%ld kB, anonymous %ld kB, locked %ld kB), %d threads",
                figures.heapInUseKiB, figures.mallocArenaKiB, figures.addressSpaceKiB, figures.residentKiB,
                figures.residentOutsideLibrariesKiB, figures.anonymousKiB, figures.lockedKiB, figures.threads);
  return line;
}

}  // namespace modelhost

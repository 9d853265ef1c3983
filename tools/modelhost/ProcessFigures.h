// What the process holds, read as a host's process lives: the allocator's figures as they stand (nothing trimmed or
// purged first), the address space, the resident size and the threads. For the tests and the benchmark that open
// and close the module's editor over and over.
#pragma once

#include <string>

namespace modelhost {

struct ProcessFigures {
  long heapInUseKiB = 0;     // allocated and not freed (with AddressSanitizer: its allocator's count)
  long mallocArenaKiB = 0;   // the allocator's main and thread arenas, free parts included (0 under sanitizers)
  long addressSpaceKiB = 0;  // every mapping
  long residentKiB = 0;
  // Resident outside the mappings of shared libraries: the heap, stacks and other memory the process made (the
  // code of a library stays once loaded; some, like the CPU device's compiler, cannot be unloaded).
  long residentOutsideLibrariesKiB = 0;
  // Resident memory backed by no file (heap, arenas, stacks, code the driver compiled): what a host that locks its
  // memory pays for in RAM, whether the allocator counts it in use or not.
  long anonymousKiB = 0;
  long lockedKiB = 0;  // locked into memory (mlock, mlockall)
  int threads = 0;
};

ProcessFigures ReadProcessFigures();

// One line of the figures, e.g. for a table of cycles.
std::string Describe(const ProcessFigures& figures);

}  // namespace modelhost

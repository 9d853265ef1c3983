// The one allocation path of the vector renderer and its font manager, so that tests can make an allocation fail
// and benchmarks can count them. Editor (main) thread; never blocks beyond the system allocator.
#pragma once

#include <cstddef>

// Grows or allocates `ptr` to `size` bytes (realloc semantics); null on failure, `ptr` then untouched.
void* vrRealloc(void* ptr, size_t size);
void* vrCalloc(size_t count, size_t size);
void vrFree(void* ptr);

// Called before every allocation with its size; returning false makes that allocation fail. Null removes the hook.
// For tests and benchmarks only; set it while no renderer call is running.
using VRallocHook = bool (*)(size_t size);
void vrSetAllocHook(VRallocHook hook);

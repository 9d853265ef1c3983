// Work that may outlast whoever started it (a transfer stuck in a name lookup): a detached thread that keeps
// the module holding this code loaded until the thread has ended, so that a host unloading the plug-in never
// unmaps code a worker still runs, and nobody has to wait for the worker to unload it.
#pragma once

#include <functional>

namespace kd {

// Any thread; takes the loader's lock once, never waits on the work. Runs work on a new detached thread.
// When this code lives in a loaded module (not in the program itself), the module first gains a reference,
// which the thread drops after work and everything it captured are gone: from the C library's thread exit,
// so the module may be unmapped right then (its static destructors then run on that thread). False, with
// nothing run, when no thread or no reference could be had.
bool StartDetachedWorker(std::function<void()> work);

}  // namespace kd

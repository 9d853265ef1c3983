#include "framework/vst2/VST2Entry.h"

namespace fx {

FwMutex& VST2CreationMutex() {
  // Created on first use (thread-safe since C++11), destroyed when the module unloads.
  static FwMutex mutex;
  return mutex;
}

}  // namespace fx

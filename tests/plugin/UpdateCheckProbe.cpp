// A small module that carries the update check the way Kelvadrune.so does, for the test that unloads it under
// a worker stuck in a name lookup. Each function stands for one call of the plug-in's main thread.
#include "plugin/UpdateCheck.h"

#define KD_PROBE_EXPORT extern "C" __attribute__((visibility("default")))

// A manual check of url against the version 1.0.11, already running.
KD_PROBE_EXPORT void* kd_probe_start(const char* url) {
  auto* check = new kd::UpdateCheck;
  check->Start(url, "1.0.11", true);
  return check;
}

KD_PROBE_EXPORT void kd_probe_cancel(void* check) {
  static_cast<kd::UpdateCheck*>(check)->Cancel();
}

KD_PROBE_EXPORT bool kd_probe_running(void* check) {
  return static_cast<kd::UpdateCheck*>(check)->IsRunning();
}

KD_PROBE_EXPORT void kd_probe_delete(void* check) {
  delete static_cast<kd::UpdateCheck*>(check);
}

#include "plugin/resampler/VectorPath.h"

#include <atomic>

namespace rsmp {

namespace {

std::atomic<bool> gAvx2Allowed{true};

}  // namespace

bool IsAvx2Available() noexcept {
  static const bool available = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return available;
}

void SetAvx2Allowed(bool allowed) noexcept {
  gAvx2Allowed.store(allowed, std::memory_order_relaxed);
}

bool IsAvx2Used() noexcept {
  return IsAvx2Available() && gAvx2Allowed.load(std::memory_order_relaxed);
}

}  // namespace rsmp

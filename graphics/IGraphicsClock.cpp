#include "graphics/IGraphicsClock.h"

#include <chrono>

namespace fx::gfx {

namespace {

double SteadyClockMs() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return std::chrono::duration<double, std::milli>(now).count();
}

GraphicsClockFunc gClock = nullptr;

}  // namespace

double GraphicsClockMs() {
  return gClock ? gClock() : SteadyClockMs();
}

void SetGraphicsClock(GraphicsClockFunc clock) {
  gClock = clock;
}

}  // namespace fx::gfx

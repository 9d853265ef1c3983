// The steady clock that animations and frame timing read, in milliseconds. Tests replace it with a clock
// they drive; the replacement is process-wide and set only on the main thread.
#pragma once

namespace fx::gfx {

using GraphicsClockFunc = double (*)();

// Milliseconds of the steady clock (or of the installed replacement). Main thread; never blocks.
double GraphicsClockMs();

// Installs a replacement clock; null restores the steady clock. Main thread.
void SetGraphicsClock(GraphicsClockFunc clock);

}  // namespace fx::gfx

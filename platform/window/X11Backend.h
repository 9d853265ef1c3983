// The X11 back end: real windows on the display named by $DISPLAY (children of a host's window or
// top-level), input from the X server, cursors from the cursor theme, the CLIPBOARD selection, xdg-open
// for URLs and folders, and dialogs through zenity or kdialog. The connection is only read while events
// are pending, from Pump; nothing waits on the server except a clipboard read from another program.
#pragma once

#include <memory>

namespace platform::window {

class Backend;

// Main thread. Null when no display can be opened ($DISPLAY unset or the server unreachable).
std::unique_ptr<Backend> MakeX11Backend();

}  // namespace platform::window

// The X11 back end: real windows on the display named by $DISPLAY (children of a host's window or
// top-level), input from the X server, cursors from the cursor theme, the CLIPBOARD selection, files
// dragged in and out (XDND), xdg-open for URLs and folders, and dialogs through zenity or kdialog. The
// connection is only read while events are pending, from Pump; nothing waits on the server except a
// clipboard read from another program.
// Every Xlib call goes through the error trap and the display lock of X11Connection.h.
#pragma once

#include <memory>

namespace platform::window {

class Backend;

// Any thread. Connects to the display when first needed (a window made, or a question only the display can
// answer), and again after losing the server. Without a display no window can be made: the window's request
// answers null, and one line on stderr and in the log says why.
std::unique_ptr<Backend> MakeX11Backend();

}  // namespace platform::window

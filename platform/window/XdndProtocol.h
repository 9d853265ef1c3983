// The numbers of the drag-and-drop protocol file managers use (XDND) that both sides of the X11 back end speak:
// the drop target (X11DragDrop) and the drag source (X11DragSource).
#pragma once

namespace platform::window::xdnd {

// The protocol version spoken here, and the oldest one whose messages carry everything used (the position's time
// stamp and action, the drop's time stamp).
constexpr long kVersion = 5;
constexpr long kOldestVersion = 3;

// XdndStatus, l[1]: the drop would be accepted; send positions also inside the rectangle given.
constexpr long kStatusAccept = 1;
constexpr long kStatusSendPositions = 2;
// XdndFinished (version 5), l[1]: the drop was taken.
constexpr long kFinishedAccepted = 1;

}  // namespace platform::window::xdnd

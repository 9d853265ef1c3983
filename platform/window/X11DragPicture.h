// The picture of a file dragged out of the X11 back end's windows: a small window of its own that shows the file's
// picture (FileIcon.h) where the drag started and then follows the pointer, keeping the place it had under the
// pointer. A drag that is refused or cancelled sends it sliding back to where it started before it goes (on the
// main run loop's timers, never waiting); a drop takes it away at once.
//
// The window is override-redirect (no window manager frame, no focus), of a 32-bit visual with alpha where the
// screen has one, and takes no input: its input shape is empty (XFixes), so the pointer's events and the search for
// the window under the pointer pass through it. Without a compositing manager, or without alpha, only the opaque
// part of the picture shows (its bounding shape).
//
// Threads: made and moved by the drag's thread with the display lock held (X11Connection.h); the slide back runs
// from that thread's main run loop timers. Every call takes the display lock and calls nothing of the windows.
#pragma once

#include <memory>
#include <thread>

#include "platform/window/FileIcon.h"
#include "platform/window/Geometry.h"

namespace platform {
class RunLoopTimer;
}

namespace platform::window {

class X11Connection;

class X11DragPicture : public std::enable_shared_from_this<X11DragPicture> {
 public:
  // How long the picture takes to slide back, on the main run loop's clock, and how often it moves meanwhile.
  static constexpr double kSlideBackSeconds = 0.25;
  static constexpr double kFrameSeconds = 1.0 / 60.0;
  // Larger pictures are shown at this size: the bound keeps a caller's huge rectangle from taking the screen.
  static constexpr int kMaxSide = 1024;

  // Any thread. A window showing picture scaled to frame (pixels on the root window), not shown yet; null when
  // none can be made (an empty frame or picture, no display, a visual that is neither 24- nor 32-bit colour).
  static std::shared_ptr<X11DragPicture> Create(std::shared_ptr<X11Connection> connection, const FilePicture& picture,
                                                PixelRect frame);
  // Takes the window away when it is still there and the display is still usable.
  ~X11DragPicture();
  X11DragPicture(const X11DragPicture&) = delete;
  X11DragPicture& operator=(const X11DragPicture&) = delete;

  // The window's id; 0 once it went.
  unsigned long WindowId() const;
  // The pointer is at rootX, rootY: the first call shows the window at its frame and keeps where the pointer is on
  // it, later ones move it there.
  void Follow(int rootX, int rootY);
  // Slides the window back to its frame, then takes it away; thread runs the run loop's timers for it.
  void SlideBack(std::thread::id thread);
  // Takes the window away at once.
  void Go();

 private:
  X11DragPicture(std::shared_ptr<X11Connection> connection, unsigned long window, PixelRect frame);
  void Step();
  void MoveTo(int x, int y);

  const std::shared_ptr<X11Connection> mConnection;
  const PixelRect mFrame;
  // Display lock.
  unsigned long mWindow;
  bool mShown = false;
  int mOffsetX = 0, mOffsetY = 0;  // the window's place less the pointer's
  int mX = 0, mY = 0;              // where the window is
  int mFromX = 0, mFromY = 0;      // where the slide back started
  double mSlideStart = 0.0;
  bool mArrived = false;
  std::unique_ptr<RunLoopTimer> mTimer;
};

}  // namespace platform::window

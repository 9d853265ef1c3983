#include "platform/window/X11DragPicture.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "platform/runloop/RunLoop.h"

// Xlib last: its headers define macros (None, Bool, Status) that must not meet the layer's own names.
#include "platform/window/X11Connection.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>
#include <X11/extensions/shapeconst.h>

namespace platform::window {

namespace {

// Seen through, without a compositing manager, where the picture is partly transparent.
constexpr unsigned kBackdrop = 0xE0;

bool StandardMasks(const Visual* visual) {
  return visual->c_class == TrueColor && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 &&
         visual->blue_mask == 0xFF;
}

// Whether a compositing manager runs on the screen: only then are a window's transparent pixels seen through.
bool Composited(Display* display, int screen) {
  const std::string name = "_NET_WM_CM_S" + std::to_string(screen);
  return XGetSelectionOwner(display, XInternAtom(display, name.c_str(), False)) != 0;
}

// XFixes 2 sets windows' shapes from regions; the version must be asked before its first use.
bool HasRegionShapes(Display* display) {
  int event = 0, error = 0, major = 0, minor = 0;
  return XFixesQueryExtension(display, &event, &error) && XFixesQueryVersion(display, &major, &minor) && major >= 2;
}

// The picture's pixels at least half opaque, as runs of each row.
std::vector<XRectangle> OpaqueRuns(const FilePicture& picture) {
  std::vector<XRectangle> runs;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width;) {
      const auto opaque = [&](int at) {
        return picture.rgba[(static_cast<size_t>(y) * picture.width + at) * 4 + 3] >= 128;
      };
      if (!opaque(x)) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < picture.width && opaque(x)) ++x;
      runs.push_back(
          XRectangle{static_cast<short>(start), static_cast<short>(y), static_cast<unsigned short>(x - start), 1});
    }
  }
  return runs;
}

// The picture as the window's pixels: blue, green, red, alpha bytes; premultiplied with alpha, else over the backdrop.
std::vector<char> WindowPixels(const FilePicture& picture, bool alpha) {
  std::vector<char> bytes(picture.rgba.size());
  for (size_t i = 0; i < picture.rgba.size(); i += 4) {
    const unsigned a = picture.rgba[i + 3];
    for (size_t c = 0; c < 3; ++c) {
      const unsigned value = alpha ? picture.rgba[i + c] : picture.rgba[i + c] + (255 - a) * kBackdrop / 255;
      bytes[i + 2 - c] = static_cast<char>(std::min(value, 255u));
    }
    bytes[i + 3] = static_cast<char>(alpha ? a : 255);
  }
  return bytes;
}

}  // namespace

std::shared_ptr<X11DragPicture> X11DragPicture::Create(std::shared_ptr<X11Connection> connection,
                                                       const FilePicture& picture, PixelRect frame) {
  frame.width = std::min(frame.width, kMaxSide);
  frame.height = std::min(frame.height, kMaxSide);
  if (frame.IsEmpty() || picture.width <= 0 || picture.height <= 0) return nullptr;
  const FilePicture shown = ScalePicture(picture, frame.width, frame.height);
  X11Scope scope(*connection);
  if (!scope.Usable() || shown.width <= 0) return nullptr;
  Display* display = scope.display();
  const int screen = connection->screen();
  const ::Window root = connection->root();
  XVisualInfo info{};
  const bool alpha = XMatchVisualInfo(display, screen, 32, TrueColor, &info) && StandardMasks(info.visual);
  Visual* visual = alpha ? info.visual : DefaultVisual(display, screen);
  const int depth = alpha ? 32 : DefaultDepth(display, screen);
  if (!StandardMasks(visual) || (depth != 24 && depth != 32)) return nullptr;
  ::Window window = 0;
  const int error = scope.Trap([&] {
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.save_under = True;
    attributes.border_pixel = 0;
    unsigned long mask = CWOverrideRedirect | CWSaveUnder | CWBorderPixel;
    if (alpha) {
      attributes.colormap = XCreateColormap(display, root, visual, AllocNone);
      mask |= CWColormap;
    }
    window = XCreateWindow(display, root, frame.x, frame.y, static_cast<unsigned>(frame.width),
                           static_cast<unsigned>(frame.height), 0, depth, InputOutput, visual, mask, &attributes);
    // The window keeps its own reference to the colormap.
    if (alpha) XFreeColormap(display, attributes.colormap);
    // The picture is the window's background: the server shows it again by itself wherever it was covered.
    const Pixmap pixmap = XCreatePixmap(display, root, static_cast<unsigned>(frame.width),
                                        static_cast<unsigned>(frame.height), static_cast<unsigned>(depth));
    std::vector<char> pixels = WindowPixels(shown, alpha);
    XImage* image =
        XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, pixels.data(),
                     static_cast<unsigned>(frame.width), static_cast<unsigned>(frame.height), 32, frame.width * 4);
    if (image) {
      image->byte_order = LSBFirst;
      GC gc = XCreateGC(display, pixmap, 0, nullptr);
      XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, static_cast<unsigned>(frame.width),
                static_cast<unsigned>(frame.height));
      XFreeGC(display, gc);
      image->data = nullptr;  // the pixels are the vector's
      XDestroyImage(image);
    }
    XSetWindowBackgroundPixmap(display, window, pixmap);
    XFreePixmap(display, pixmap);
    // What compositing managers know a drag's picture by.
    const Atom type = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DND", False);
    XChangeProperty(display, window, XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&type), 1);
    if (HasRegionShapes(display)) {
      const XserverRegion none = XFixesCreateRegion(display, nullptr, 0);
      XFixesSetWindowShapeRegion(display, window, ShapeInput, 0, 0, none);
      XFixesDestroyRegion(display, none);
      if (!alpha || !Composited(display, screen)) {
        std::vector<XRectangle> runs = OpaqueRuns(shown);
        const XserverRegion opaque = XFixesCreateRegion(display, runs.data(), static_cast<int>(runs.size()));
        XFixesSetWindowShapeRegion(display, window, ShapeBounding, 0, 0, opaque);
        XFixesDestroyRegion(display, opaque);
      }
    }
  });
  if (error != 0 || window == 0) {
    if (window != 0 && error != X11Scope::kLost) XDestroyWindow(display, window);
    return nullptr;
  }
  return std::shared_ptr<X11DragPicture>(new X11DragPicture(std::move(connection), window, frame));
}

X11DragPicture::X11DragPicture(std::shared_ptr<X11Connection> connection, unsigned long window, PixelRect frame)
    : mConnection(std::move(connection)), mFrame(frame), mWindow(window), mX(frame.x), mY(frame.y) {}

X11DragPicture::~X11DragPicture() {
  mTimer.reset();
  Go();
}

unsigned long X11DragPicture::WindowId() const {
  std::lock_guard lock(X11DisplayMutex());
  return mWindow;
}

void X11DragPicture::Follow(int rootX, int rootY) {
  X11Scope scope(*mConnection);
  if (!mWindow || !scope.Usable() || mTimer) return;
  if (!mShown) {
    mOffsetX = mFrame.x - rootX;
    mOffsetY = mFrame.y - rootY;
    mShown = true;
    scope.Trap([&] { XMapRaised(scope.display(), mWindow); });
    return;
  }
  MoveTo(rootX + mOffsetX, rootY + mOffsetY);
}

void X11DragPicture::SlideBack(std::thread::id thread) {
  X11Scope scope(*mConnection);
  if (!mWindow || mTimer) return;
  if (!mShown || !scope.Usable()) {
    Go();
    return;
  }
  RunLoop& loop = RunLoop::Main();
  mFromX = mX;
  mFromY = mY;
  mSlideStart = loop.NowSeconds();
  // The callout may outlive the picture (its timer goes on another thread): it holds only a weak reference.
  const std::weak_ptr<X11DragPicture> self = weak_from_this();
  mTimer = std::make_unique<RunLoopTimer>(
      mSlideStart + kFrameSeconds, kFrameSeconds,
      [self](RunLoopTimer&) {
        if (const std::shared_ptr<X11DragPicture> picture = self.lock()) picture->Step();
      },
      thread);
  loop.AddTimer(*mTimer);
}

void X11DragPicture::Go() {
  X11Scope scope(*mConnection);
  // May be the timer's own callout: the timer stays until the picture goes.
  if (mTimer) mTimer->Invalidate();
  if (!mWindow) return;
  if (scope.Usable()) scope.Trap([&] { XDestroyWindow(scope.display(), mWindow); });
  mWindow = 0;
}

void X11DragPicture::Step() {
  X11Scope scope(*mConnection);
  if (!mWindow) return;
  // One frame at rest where it started, then it goes.
  if (mArrived || !scope.Usable()) {
    Go();
    return;
  }
  const double t = (RunLoop::Main().NowSeconds() - mSlideStart) / kSlideBackSeconds;
  if (t >= 1.0) {
    mArrived = true;
    MoveTo(mFrame.x, mFrame.y);
    return;
  }
  // Quick at first, slowing down as it arrives.
  const double eased = 1.0 - (1.0 - t) * (1.0 - t);
  MoveTo(static_cast<int>(std::lround(mFromX + (mFrame.x - mFromX) * eased)),
         static_cast<int>(std::lround(mFromY + (mFrame.y - mFromY) * eased)));
}

void X11DragPicture::MoveTo(int x, int y) {
  X11Scope scope(*mConnection);
  mX = x;
  mY = y;
  if (!scope.Usable()) return;
  scope.Trap([&] {
    XWindowChanges changes{};
    changes.x = x;
    changes.y = y;
    changes.stack_mode = Above;
    XConfigureWindow(scope.display(), mWindow, CWX | CWY | CWStackMode, &changes);
  });
}

}  // namespace platform::window

#include "tools/modelhost/HostWindow.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <atomic>
#include <bit>
#include <mutex>

namespace modelhost {

namespace {

// The host's error trap: an error on the trapped connection is noted, any other goes on to the handler that was
// there (another connection's errors are not the host's to swallow). The handler may run on any thread that
// talks to an X server while the trap is in place.
std::mutex gTrapMutex;
std::atomic<Display*> gTrapDisplay{nullptr};
std::atomic<int> gTrapError{0};
std::atomic<XErrorHandler> gTrapPrevious{nullptr};

int OnTrappedError(Display* display, XErrorEvent* event) {
  if (display == gTrapDisplay.load()) {
    gTrapError.store(event->error_code);
    return 0;
  }
  const XErrorHandler previous = gTrapPrevious.load();
  return previous ? previous(display, event) : 0;
}

// Runs the requests with the connection's errors trapped, and puts back the handler that was there; answers the
// last error code (0: none).
template <typename Requests>
int Trapped(Display* display, Requests requests) {
  std::lock_guard<std::mutex> lock(gTrapMutex);
  XSync(display, False);
  gTrapError.store(0);
  gTrapDisplay.store(display);
  gTrapPrevious.store(XSetErrorHandler(OnTrappedError));
  requests();
  XSync(display, False);
  XSetErrorHandler(gTrapPrevious.load());
  gTrapDisplay.store(nullptr);
  return gTrapError.load();
}

// One colour channel of an image pixel scaled to 8 bits, whatever the visual's mask.
uint32_t Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  const unsigned long value = (pixel & mask) >> std::countr_zero(mask);
  const unsigned long maximum = mask >> std::countr_zero(mask);
  return static_cast<uint32_t>(value * 255 / maximum);
}

}  // namespace

std::optional<uint32_t> WindowPicture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return std::nullopt;
  return rgb[static_cast<size_t>(y) * width + x];
}

HostWindow::~HostWindow() {
  if (!mDisplay) return;
  if (Connected() && mWindow) XDestroyWindow(mDisplay, mWindow);
  XCloseDisplay(mDisplay);
}

bool HostWindow::Open(int x, int y, int width, int height, std::string& error) {
  if (!mDisplay) mDisplay = XOpenDisplay(nullptr);
  if (!mDisplay) {
    error = "no X display opens (is DISPLAY set?)";
    return false;
  }
  int event = 0, base = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(mDisplay, &event, &base, &major, &minor)) {
    error = "the X display has no XTest extension";
    return false;
  }
  // A server that goes away ends this connection, not the process (once the program's IO error handler returns).
  XSetIOErrorExitHandler(mDisplay, &HostWindow::OnConnectionLost, this);
  const int screen = DefaultScreen(mDisplay);
  mWindow = XCreateSimpleWindow(mDisplay, RootWindow(mDisplay, screen), x, y, width, height, 0,
                                BlackPixel(mDisplay, screen), BlackPixel(mDisplay, screen));
  XStoreName(mDisplay, mWindow, "Kelvadrune model host");
  XSelectInput(mDisplay, mWindow, StructureNotifyMask | ExposureMask);
  XMapWindow(mDisplay, mWindow);
  XSync(mDisplay, False);
  return true;
}

void HostWindow::OnConnectionLost(_XDisplay*, void* self) {
  static_cast<HostWindow*>(self)->mConnectionLost = true;
}

void HostWindow::Resize(int width, int height) {
  if (!Connected() || !mWindow) return;
  XResizeWindow(mDisplay, mWindow, width, height);
  XFlush(mDisplay);
}

int HostWindow::HandleEvents() {
  int handled = 0;
  while (Connected() && XPending(mDisplay) > 0) {
    XEvent event;
    XNextEvent(mDisplay, &event);
    ++handled;
  }
  return handled;
}

unsigned long HostWindow::EditorWindow() const {
  if (!Connected() || !mWindow) return 0;
  ::Window root = 0, parent = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  ::Window newest = 0;
  if (XQueryTree(mDisplay, mWindow, &root, &parent, &children, &count) && count > 0) newest = children[count - 1];
  if (children) XFree(children);
  return newest;
}

std::optional<WindowPicture> HostWindow::EditorPicture() const {
  const ::Window editor = EditorWindow();
  if (!editor) return std::nullopt;
  XWindowAttributes attributes{};
  XImage* image = nullptr;
  // The editor's window may go between the question and the read.
  Trapped(mDisplay, [&] {
    if (XGetWindowAttributes(mDisplay, editor, &attributes) && attributes.map_state == IsViewable)
      image = XGetImage(mDisplay, editor, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
  });
  if (!image) return std::nullopt;
  WindowPicture picture;
  picture.width = image->width;
  picture.height = image->height;
  picture.rgb.reserve(static_cast<size_t>(picture.width) * picture.height);
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      picture.rgb.push_back(Channel(pixel, image->red_mask) << 16 | Channel(pixel, image->green_mask) << 8 |
                            Channel(pixel, image->blue_mask));
    }
  XDestroyImage(image);
  return picture;
}

void HostWindow::MovePointer(int x, int y) {
  if (!Connected() || !mWindow) return;
  int rootX = 0, rootY = 0;
  ::Window child = 0;
  XTranslateCoordinates(mDisplay, mWindow, DefaultRootWindow(mDisplay), x, y, &rootX, &rootY, &child);
  XTestFakeMotionEvent(mDisplay, -1, rootX, rootY, CurrentTime);
  XSync(mDisplay, False);
}

void HostWindow::PressButton() {
  if (!Connected()) return;
  XTestFakeButtonEvent(mDisplay, 1, True, CurrentTime);
  XSync(mDisplay, False);
}

void HostWindow::ReleaseButton() {
  if (!Connected()) return;
  XTestFakeButtonEvent(mDisplay, 1, False, CurrentTime);
  XSync(mDisplay, False);
}

void HostWindow::SendClick(int x, int y, unsigned button) {
  const ::Window editor = EditorWindow();
  if (!editor) return;
  mSentTime += 1000;
  for (const bool press : {true, false}) {
    XEvent event{};
    XButtonEvent& b = event.xbutton;
    b.type = press ? ButtonPress : ButtonRelease;
    b.display = mDisplay;
    b.window = editor;
    b.root = DefaultRootWindow(mDisplay);
    b.time = mSentTime + (press ? 0 : 50);
    b.x = b.x_root = x;
    b.y = b.y_root = y;
    // A release carries the button it releases among the held ones.
    b.state = press ? 0 : Button1Mask << (button - 1);
    b.button = button;
    b.same_screen = True;
    // The editor's window may go meanwhile.
    Trapped(mDisplay,
            [&] { XSendEvent(mDisplay, editor, False, press ? ButtonPressMask : ButtonReleaseMask, &event); });
  }
}

void HostWindow::SendKey(unsigned long keysym, bool control) {
  const ::Window editor = EditorWindow();
  if (!editor) return;
  const KeyCode code = XKeysymToKeycode(mDisplay, keysym);
  if (code == 0) return;
  for (const bool press : {true, false}) {
    XEvent event{};
    XKeyEvent& k = event.xkey;
    k.type = press ? KeyPress : KeyRelease;
    k.display = mDisplay;
    k.window = editor;
    k.root = DefaultRootWindow(mDisplay);
    k.time = mSentTime += 10;
    k.state = control ? ControlMask : 0;
    k.keycode = code;
    k.same_screen = True;
    Trapped(mDisplay, [&] { XSendEvent(mDisplay, editor, False, press ? KeyPressMask : KeyReleaseMask, &event); });
  }
}

}  // namespace modelhost

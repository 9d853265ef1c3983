#include "tools/vst2host/HostEditor.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <thread>

namespace vsthost {

namespace {

using Clock = std::chrono::steady_clock;

// The editor's rectangle from effEditGetRect; false when the plug-in gives none or an empty one.
bool EditorSize(TestHost& host, int& width, int& height) {
  vst2::EditorRect* rect = nullptr;
  if (host.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect) == 0 || !rect) return false;
  width = rect->right - rect->left;
  height = rect->bottom - rect->top;
  return width > 0 && height > 0;
}

// Closes the X display on every way out.
struct DisplayConnection {
  Display* display = XOpenDisplay(nullptr);
  ~DisplayConnection() {
    if (display) XCloseDisplay(display);
  }
};

}  // namespace

bool CaptureEditorFrame(TestHost& host, EditorPicture& picture, std::string& error, double timeoutSeconds) {
  if (host.Dispatch(vst2::kEffVendorSpecific, vst2::kVendorEditorFrame, 0, nullptr) != 1) {
    error = "the plug-in does not hand out its editor's frames (only a module built with the project's tests does)";
    return false;
  }
  if (host.Dispatch(vst2::kEffEditOpen) == 0) {
    error = "the plug-in's editor did not open";
    return false;
  }
  const Clock::time_point deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeoutSeconds));
  vst2::EditorFrame frame;
  bool presented = false;
  while (!(presented = host.Dispatch(vst2::kEffVendorSpecific, vst2::kVendorEditorFrame, 0, &frame) == 1) &&
         Clock::now() < deadline) {
    host.Dispatch(vst2::kEffEditIdle);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (presented && frame.bgra && frame.width > 0 && frame.height > 0 && frame.bytesPerRow >= frame.width * 4) {
    picture.width = frame.width;
    picture.height = frame.height;
    picture.rgba.resize(static_cast<size_t>(frame.width) * frame.height * 4);
    for (int y = 0; y < frame.height; ++y) {
      const uint8_t* from = frame.bgra + static_cast<size_t>(y) * frame.bytesPerRow;
      uint8_t* to = picture.rgba.data() + static_cast<size_t>(y) * frame.width * 4;
      for (int x = 0; x < frame.width; ++x, from += 4, to += 4) {
        to[0] = from[2];
        to[1] = from[1];
        to[2] = from[0];
        to[3] = from[3];
      }
    }
  } else {
    presented = false;
    error = "the plug-in's editor presented no frame";
  }
  host.Dispatch(vst2::kEffEditClose);
  return presented;
}

bool RunEditorWindow(TestHost& host, double blockSeconds, const std::function<void()>& processBlock,
                     std::string& error) {
  DisplayConnection x;
  if (!x.display) {
    error = "--editor needs an X display, and none opens (is DISPLAY set?)";
    return false;
  }
  int width = 0, height = 0;
  if (!EditorSize(host, width, height)) {
    error = "the plug-in has no editor";
    return false;
  }
  Display* display = x.display;
  const int screen = DefaultScreen(display);
  const ::Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, width, height, 0,
                                              BlackPixel(display, screen), BlackPixel(display, screen));
  XStoreName(display, window, "Kelvadrune test host");
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  XSetWMProtocols(display, window, &deleteWindow, 1);
  XMapWindow(display, window);
  XFlush(display);
  // The plug-in asks for a new size from inside its own calls; the window follows after the call.
  int askedWidth = 0, askedHeight = 0;
  host.SetSizeWindowHandler([&](int w, int h) {
    askedWidth = w;
    askedHeight = h;
  });
  if (host.Dispatch(vst2::kEffEditOpen, 0, 0, reinterpret_cast<void*>(window)) == 0) {
    host.SetSizeWindowHandler(nullptr);
    XDestroyWindow(display, window);
    error = "the plug-in's editor did not open";
    return false;
  }
  const auto block = std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(blockSeconds));
  Clock::time_point nextBlock = Clock::now();
  for (bool open = true; open;) {
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
      if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) open = false;
    }
    if (Clock::now() >= nextBlock) {
      processBlock();
      nextBlock += block;
    }
    host.Dispatch(vst2::kEffEditIdle);
    if (askedWidth > 0 && askedHeight > 0) {
      XResizeWindow(display, window, askedWidth, askedHeight);
      askedWidth = askedHeight = 0;
    }
    XFlush(display);
    std::this_thread::sleep_until(std::min(nextBlock, Clock::now() + std::chrono::milliseconds(5)));
  }
  host.Dispatch(vst2::kEffEditClose);
  host.SetSizeWindowHandler(nullptr);
  XDestroyWindow(display, window);
  return true;
}

}  // namespace vsthost

// The drop target's part of the drag-and-drop protocol file managers use (XDND), played by a test on a real X
// display, on a connection the test hands it: a window carrying XdndAware of a chosen version that answers each
// XdndPosition with an XdndStatus accepting or refusing the drop (or not at all, when told to stay silent), with the
// rectangle inside which it wants no further position unless it asks for them all, reads the dropped text/uri-list
// from XdndSelection and answers XdndFinished, the drop taken or (when told to refuse at the drop) not, unless told
// to stay silent at the drop. It keeps
// what it heard as text, in order: "enter V TYPE", "position X,Y", "leave", "drop", with " for 0xID" added when a
// message names another window than the helper's (it serves as that window's proxy).
// Include after the project's headers: Xlib's macros must not meet their names.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "tests/platform/window/XdndSource.h"

namespace xdnd_test {

class XdndTarget {
 public:
  enum class Answer { kAccept, kRefuse, kSilent, kSilentAtDrop, kRefuseAtDrop };

  // A mapped window at x, y (in parent, the root when 0) of width by height, aware of the given version.
  XdndTarget(Display* display, long version, int x, int y, int width, int height, ::Window parent = 0)
      : mDisplay(display), mVersion(version) {
    window = XCreateSimpleWindow(display, parent ? parent : DefaultRootWindow(display), x, y,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    for (auto& [atom, name] : {std::pair<Atom*, const char*>{&aware, "XdndAware"},
                               {&proxy, "XdndProxy"},
                               {&enter, "XdndEnter"},
                               {&position, "XdndPosition"},
                               {&status, "XdndStatus"},
                               {&leave, "XdndLeave"},
                               {&drop, "XdndDrop"},
                               {&finished, "XdndFinished"},
                               {&selection, "XdndSelection"},
                               {&actionCopy, "XdndActionCopy"},
                               {&uriList, "text/uri-list"},
                               {&property, "XDND_TEST_DROPPED"}})
      *atom = XInternAtom(display, name, False);
    XChangeProperty(display, window, aware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    XMapWindow(display, window);
    XSync(display, False);
  }
  ~XdndTarget() { XDestroyWindow(mDisplay, window); }
  XdndTarget(const XdndTarget&) = delete;
  XdndTarget& operator=(const XdndTarget&) = delete;

  // Makes the helper's window the proxy of topLevel: both carry XdndProxy naming it.
  void ProxyFor(::Window topLevel) {
    for (::Window carrier : {topLevel, window})
      XChangeProperty(mDisplay, carrier, proxy, XA_WINDOW, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&window), 1);
    XSync(mDisplay, False);
  }

  // Handles what the display holds for the helper.
  void Serve() {
    while (XPending(mDisplay) > 0) {
      XEvent event;
      XNextEvent(mDisplay, &event);
      if (event.type == SelectionNotify && event.xselection.requestor == window) ReadDropped(event.xselection);
      if (event.type == ClientMessage && event.xclient.window != 0) Heard(event.xclient);
    }
  }

  ::Window window = 0;
  Atom aware = 0, proxy = 0, enter = 0, position = 0, status = 0, leave = 0, drop = 0, finished = 0, selection = 0,
       actionCopy = 0, uriList = 0, property = 0;
  Answer answer = Answer::kAccept;
  // The status's rectangle on the root window (empty by default) and whether positions inside it are wanted too.
  int quietX = 0, quietY = 0, quietWidth = 0, quietHeight = 0;
  bool sendPositions = false;
  std::vector<std::string> heard;
  std::string dropped;  // the list read at the drop

 private:
  void Heard(const XClientMessageEvent& message) {
    const long* l = message.data.l;
    const Atom type = message.message_type;
    std::string line;
    if (type == enter) {
      char* name = XGetAtomName(mDisplay, static_cast<Atom>(l[2]));
      line = "enter " + std::to_string((static_cast<unsigned long>(l[1]) >> 24) & 0xFF) + " " + (name ? name : "");
      if (name) XFree(name);
    } else if (type == position) {
      line = "position " + std::to_string((l[2] >> 16) & 0xFFFF) + "," + std::to_string(l[2] & 0xFFFF);
    } else if (type == leave) {
      line = "leave";
    } else if (type == drop) {
      line = "drop";
    } else {
      return;
    }
    if (message.window != window) {
      char id[32];
      std::snprintf(id, sizeof id, " for 0x%lx", message.window);
      line += id;
    }
    heard.push_back(line);
    mSource = static_cast<::Window>(l[0]);
    mNamed = message.window;
    if (type == position && answer != Answer::kSilent) {
      const bool accept = answer != Answer::kRefuse;
      const long flags = (accept ? 1L : 0L) | (sendPositions ? 2L : 0L);
      Send(status, {static_cast<long>(mNamed), flags, static_cast<long>(quietX) << 16 | quietY,
                    static_cast<long>(quietWidth) << 16 | quietHeight, accept ? static_cast<long>(actionCopy) : 0});
    }
    if (type == drop && answer != Answer::kSilent) {
      XConvertSelection(mDisplay, selection, uriList, property, window, static_cast<Time>(l[2]));
      XFlush(mDisplay);
    }
  }
  void ReadDropped(const XSelectionEvent& answerEvent) {
    if (answerEvent.property != 0) {
      Atom type = 0;
      int format = 0;
      unsigned long count = 0, after = 0;
      unsigned char* bytes = nullptr;
      if (XGetWindowProperty(mDisplay, window, answerEvent.property, 0, 1 << 16, True, AnyPropertyType, &type, &format,
                             &count, &after, &bytes) == Success &&
          bytes) {
        dropped.assign(reinterpret_cast<const char*>(bytes), count);
      }
      if (bytes) XFree(bytes);
    }
    if (answer == Answer::kSilentAtDrop) return;
    // Before version 5 the message carries the target only.
    const bool taken = !dropped.empty() && mVersion >= 5 && answer != Answer::kRefuseAtDrop;
    Send(finished, {static_cast<long>(mNamed), taken ? 1L : 0L, taken ? static_cast<long>(actionCopy) : 0, 0, 0});
  }
  void Send(Atom type, const long (&data)[5]) { SendXdndMessage(mDisplay, mSource, type, data); }

  Display* mDisplay;
  const long mVersion;
  ::Window mSource = 0;
  ::Window mNamed = 0;
};

}  // namespace xdnd_test

// The drag source's part of the drag-and-drop protocol file managers use (XDND, version 5 unless told another), played
// by a test on a real X display with its own connection and window: it owns XdndSelection, sends XdndEnter,
// XdndPosition, XdndLeave and XdndDrop to a target window, answers the target's requests for the selection with a
// text/uri-list (unless told to play dead), and keeps the target's XdndStatus and XdndFinished answers. Include after
// the project's headers: Xlib's macros must not meet their names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace xdnd_test {

// Sends one of the protocol's client messages, of type, to window, carrying five 32-bit values.
inline void SendXdndMessage(Display* display, ::Window window, Atom type, const long (&data)[5]) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  for (int i = 0; i < 5; ++i) event.xclient.data.l[i] = data[i];
  XSendEvent(display, window, False, NoEventMask, &event);
  XFlush(display);
}

// XdndStatus: l[1] bit 0 accepts; l[4] is the action. XdndFinished: l[1] bit 0 took the drop; l[2] the action.
struct Answer {
  bool yes = false;
  Atom action = 0;
};

class XdndSource {
 public:
  explicit XdndSource(Display* display) : mDisplay(display) {
    window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 1, 1, 0, 0, 0);
    for (auto& [atom, name] : {std::pair<Atom*, const char*>{&enter, "XdndEnter"},
                               {&position, "XdndPosition"},
                               {&status, "XdndStatus"},
                               {&leave, "XdndLeave"},
                               {&drop, "XdndDrop"},
                               {&finished, "XdndFinished"},
                               {&selection, "XdndSelection"},
                               {&typeList, "XdndTypeList"},
                               {&actionCopy, "XdndActionCopy"},
                               {&uriList, "text/uri-list"},
                               {&utf8, "UTF8_STRING"}})
      *atom = XInternAtom(display, name, False);
    XSetSelectionOwner(display, selection, window, CurrentTime);
    XSync(display, False);
  }
  ~XdndSource() { XDestroyWindow(mDisplay, window); }
  XdndSource(const XdndSource&) = delete;
  XdndSource& operator=(const XdndSource&) = delete;

  // Offers the types (more than three go into XdndTypeList, as the protocol says) and, when asked, the list.
  void Enter(::Window target, const std::vector<Atom>& types, const std::string& uriList) {
    mUriList = uriList;
    statusAnswer.reset();
    finishedAnswer.reset();
    long data[5] = {static_cast<long>(window), version << 24, 0, 0, 0};
    if (types.size() > 3) {
      XChangeProperty(mDisplay, window, typeList, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(types.data()), static_cast<int>(types.size()));
      data[1] |= 1;
    } else {
      for (size_t i = 0; i < types.size(); ++i) data[2 + i] = static_cast<long>(types[i]);
    }
    Send(target, enter, data);
  }
  // rootX, rootY: the pointer on the root window.
  void Position(::Window target, int rootX, int rootY) {
    statusAnswer.reset();
    const long data[5] = {static_cast<long>(window), 0, (static_cast<long>(rootX) << 16) | rootY, CurrentTime,
                          static_cast<long>(actionCopy)};
    Send(target, position, data);
  }
  void Leave(::Window target) {
    const long data[5] = {static_cast<long>(window), 0, 0, 0, 0};
    Send(target, leave, data);
  }
  void Drop(::Window target) {
    const long data[5] = {static_cast<long>(window), 0, CurrentTime, 0, 0};
    Send(target, drop, data);
  }

  // Handles what the display holds for the source: selection requests (answered with the list, or not at all
  // while playing dead) and the target's answers.
  void Serve() {
    while (XPending(mDisplay) > 0) {
      XEvent event;
      XNextEvent(mDisplay, &event);
      if (event.type == SelectionRequest) ServeRequest(event.xselectionrequest);
      if (event.type != ClientMessage || event.xclient.window != window) continue;
      const long* l = event.xclient.data.l;
      if (static_cast<Atom>(event.xclient.message_type) == status)
        statusAnswer = Answer{(l[1] & 1) != 0, static_cast<Atom>(l[4])};
      if (static_cast<Atom>(event.xclient.message_type) == finished)
        finishedAnswer = Answer{(l[1] & 1) != 0, static_cast<Atom>(l[2])};
    }
  }

  ::Window window = 0;
  Atom enter = 0, position = 0, status = 0, leave = 0, drop = 0, finished = 0, selection = 0, typeList = 0,
       actionCopy = 0, uriList = 0, utf8 = 0;
  long version = 5;  // spoken in XdndEnter
  bool playDead = false;
  int requests = 0;
  std::optional<Answer> statusAnswer;
  std::optional<Answer> finishedAnswer;

 private:
  void Send(::Window target, Atom type, const long (&data)[5]) { SendXdndMessage(mDisplay, target, type, data); }
  void ServeRequest(const XSelectionRequestEvent& request) {
    ++requests;
    if (playDead) return;
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    if (request.target == uriList && request.property != 0) {
      XChangeProperty(mDisplay, request.requestor, request.property, uriList, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(mUriList.data()), static_cast<int>(mUriList.size()));
      reply.property = request.property;
    }
    XSendEvent(mDisplay, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(mDisplay);
  }

  Display* mDisplay;
  std::string mUriList;
};

}  // namespace xdnd_test

#include "platform/window/X11DragSource.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <vector>

#include "platform/runloop/RunLoop.h"
#include "platform/window/X11DragPicture.h"

// Xlib last: its headers define macros (None, Bool, Status) that must not meet the layer's own names.
#include "platform/window/X11Connection.h"
#include "platform/window/X11SelectionReply.h"
#include "platform/window/XdndProtocol.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform::window {

namespace {

// Windows nest far less deeply than this; the bound only ends the walk down a tree that changes under it.
constexpr size_t kMaxDepth = 64;

constexpr const char* kAtomNames[] = {"XdndAware",     "XdndProxy", "XdndEnter",    "XdndPosition",  "XdndStatus",
                                      "XdndLeave",     "XdndDrop",  "XdndFinished", "XdndSelection", "XdndActionCopy",
                                      "text/uri-list", "TARGETS",   "WM_STATE"};

// The topmost viewable child of parent at x, y (in parent) but for skip: what the pointer would meet under it.
::Window ChildBelow(Display* display, ::Window parent, int x, int y, ::Window skip) {
  ::Window rootReturn = 0, parentReturn = 0;
  ::Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &rootReturn, &parentReturn, &children, &count)) return 0;
  ::Window found = 0;
  // Bottom to top: the last one that holds the point is on top.
  for (unsigned i = count; i-- > 0 && !found;) {
    XWindowAttributes a{};
    if (children[i] == skip || !XGetWindowAttributes(display, children[i], &a) || a.map_state != IsViewable) continue;
    const int outer = 2 * a.border_width;
    if (x >= a.x && x < a.x + a.width + outer && y >= a.y && y < a.y + a.height + outer) found = children[i];
  }
  if (children) XFree(children);
  return found;
}

std::string Hex(unsigned long id) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

}  // namespace

X11DragSource::X11DragSource(std::shared_ptr<X11Connection> connection, Log log)
    : mConnection(std::move(connection)), mLog(std::move(log)) {
  X11Scope scope(*mConnection);
  Atom atoms[std::size(kAtomNames)] = {};
  if (scope.Usable()) {
    XInternAtoms(scope.display(), const_cast<char**>(kAtomNames), static_cast<int>(std::size(kAtomNames)), False,
                 atoms);
  }
  unsigned long* members[] = {&mAware,    &mProxy,     &mEnter,      &mPosition, &mStatus,  &mLeave,  &mDrop,
                              &mFinished, &mSelection, &mActionCopy, &mUriList,  &mTargets, &mWMState};
  for (size_t i = 0; i < std::size(members); ++i) *members[i] = atoms[i];
}

X11DragSource::~X11DragSource() = default;

bool X11DragSource::Start(unsigned long window, unsigned button, unsigned long time, const std::string& uri,
                          std::shared_ptr<X11DragPicture> picture) {
  X11Scope scope(*mConnection);
  const std::string what = "file-drag " + uri + " -> ";
  if (!scope.Usable()) return false;
  if (mDrag) {
    mLog(what + "cannot start (another drag runs)");
    return false;
  }
  Display* display = scope.display();
  bool owner = false;
  int grab = GrabNotViewable;
  scope.Trap([&] {
    XSetSelectionOwner(display, mSelection, window, time);
    owner = XGetSelectionOwner(display, mSelection) == window;
    if (!owner) return;
    grab = XGrabPointer(display, window, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                        GrabModeAsync, 0, 0, time);
  });
  if (!owner || grab != GrabSuccess) {
    if (owner) scope.Trap([&] { XSetSelectionOwner(display, mSelection, 0, time); });
    mLog(what + "cannot start (" + (owner ? "no pointer grab" : "the selection cannot be taken") + ")");
    return false;
  }
  Drag& drag = mDrag.emplace(Drag{});
  drag.window = window;
  drag.button = button;
  drag.uri = uri;
  drag.time = time;
  drag.thread = std::this_thread::get_id();
  drag.grabbed = true;
  drag.picture = std::move(picture);
  mLog(what + "started");
  int rootX = 0, rootY = 0;
  scope.Trap([&] {
    ::Window rootReturn = 0, child = 0;
    int x = 0, y = 0;
    unsigned mask = 0;
    XQueryPointer(display, mConnection->root(), &rootReturn, &child, &rootX, &rootY, &x, &y, &mask);
  });
  Moved(rootX, rootY);
  return true;
}

bool X11DragSource::HandleEvent(const XEvent& event) {
  switch (event.type) {
    case SelectionRequest:
      if (event.xselectionrequest.selection != mSelection) return false;
      ServeSelection(event);
      return true;
    case SelectionClear:
      // Another program took the selection: a target reading it now gets that program's answer.
      return event.xselectionclear.selection == mSelection;
    case ClientMessage: {
      const Atom type = event.xclient.message_type;
      if (event.xclient.format != 32 || (type != mStatus && type != mFinished)) return false;
      X11Scope scope(*mConnection);
      if (mDrag && scope.Usable() && event.xclient.window == mDrag->window) {
        if (type == mStatus) OnStatus(event.xclient.data.l);
        if (type == mFinished) OnFinished(event.xclient.data.l);
      }
      return true;
    }
    case MotionNotify:
    case ButtonPress:
    case ButtonRelease:
      return OnPointer(event);
    default:
      return false;
  }
}

bool X11DragSource::OnPointer(const XEvent& event) {
  // The display lock alone first: most pointer events come while no drag runs, and need no settling.
  std::lock_guard lock(X11DisplayMutex());
  // The pointer belongs to the drag until its button is let go.
  if (!mDrag || mDrag->released || event.xany.window != mDrag->window) return false;
  X11Scope scope(*mConnection);
  if (!scope.Usable()) return true;
  if (event.type == MotionNotify) {
    mDrag->time = event.xmotion.time;
    Moved(event.xmotion.x_root, event.xmotion.y_root);
  } else if (event.type == ButtonRelease && event.xbutton.button == mDrag->button) {
    mDrag->time = event.xbutton.time;
    Released(event.xbutton.x_root, event.xbutton.y_root);
  }
  return true;
}

void X11DragSource::WindowGone(unsigned long window) {
  X11Scope scope(*mConnection);
  if (!mDrag || mDrag->window != window) return;
  if (mDrag->target.window && !mDrag->dropped && scope.Usable()) {
    SendLeave();
  }
  End("cancelled (the window closed)");
}

void X11DragSource::Moved(int rootX, int rootY) {
  Drag& drag = *mDrag;
  drag.rootX = rootX;
  drag.rootY = rootY;
  if (drag.picture) drag.picture->Follow(rootX, rootY);
  const Target under = FindTarget(rootX, rootY);
  if (under.window != drag.target.window || under.sendTo != drag.target.sendTo) {
    if (drag.target.window) {
      SendLeave();
    }
    mTimeout.reset();
    drag.target = under;
    drag.awaitingStatus = drag.movedMeanwhile = drag.accepted = false;
    drag.wantsPositions = true;
    if (!under.window) return;
    // One type, so it fits in the message; the version in the high byte.
    const long enter[5] = {static_cast<long>(drag.window), static_cast<long>(under.version) << 24,
                           static_cast<long>(mUriList), 0, 0};
    Send(mEnter, enter);
    SendPosition();
    return;
  }
  if (!drag.target.window) return;
  if (drag.awaitingStatus) {
    drag.movedMeanwhile = true;
    return;
  }
  const bool quiet = rootX >= drag.quietX && rootX < drag.quietX + drag.quietWidth && rootY >= drag.quietY &&
                     rootY < drag.quietY + drag.quietHeight;
  if (!drag.wantsPositions && quiet) return;
  SendPosition();
}

void X11DragSource::Released(int rootX, int rootY) {
  Drag& drag = *mDrag;
  // Released where it last moved: the target's answer for that place stands.
  if (rootX != drag.rootX || rootY != drag.rootY) Moved(rootX, rootY);
  drag.released = true;
  // The user has the pointer back at once; the selection stays until the target has read it.
  X11Scope scope(*mConnection);
  scope.Trap([&] { XUngrabPointer(scope.display(), CurrentTime); });
  drag.grabbed = false;
  if (!drag.target.window) {
    End("no target");
    return;
  }
  // A status on its way decides: the drop waits for it.
  if (!drag.awaitingStatus) Concluded();
}

void X11DragSource::Concluded() {
  Drag& drag = *mDrag;
  if (!drag.accepted) {
    SendLeave();
    End("refused by " + Hex(drag.target.window));
    return;
  }
  const long drop[5] = {static_cast<long>(drag.window), 0, static_cast<long>(drag.time), 0, 0};
  Send(mDrop, drop);
  drag.dropped = true;
  ArmTimeout();
}

void X11DragSource::OnStatus(const long* data) {
  Drag& drag = *mDrag;
  if (static_cast<unsigned long>(data[0]) != drag.target.window || drag.dropped) return;
  drag.accepted = (data[1] & xdnd::kStatusAccept) != 0;
  drag.wantsPositions = (data[1] & xdnd::kStatusSendPositions) != 0;
  // The rectangle, on the root window: x and y, then width and height, each pair in the high and low 16 bits.
  drag.quietX = static_cast<int>((data[2] >> 16) & 0xFFFF);
  drag.quietY = static_cast<int>(data[2] & 0xFFFF);
  drag.quietWidth = static_cast<int>((data[3] >> 16) & 0xFFFF);
  drag.quietHeight = static_cast<int>(data[3] & 0xFFFF);
  if (!drag.awaitingStatus) return;
  drag.awaitingStatus = false;
  mTimeout.reset();
  if (drag.released) {
    Concluded();
  } else if (drag.movedMeanwhile) {
    SendPosition();
  }
}

void X11DragSource::OnFinished(const long* data) {
  Drag& drag = *mDrag;
  if (!drag.dropped || static_cast<unsigned long>(data[0]) != drag.target.window) return;
  // Before version 5 the message says nothing more: the drop is over.
  const bool taken = drag.target.version < 5 || (data[1] & xdnd::kFinishedAccepted) != 0;
  End((taken ? "dropped on " : "refused by ") + Hex(drag.target.window), taken);
}

void X11DragSource::OnTimeout() {
  X11Scope scope(*mConnection);
  if (!mDrag) return;
  Drag& drag = *mDrag;
  if (!scope.Usable()) {
    End("the X server went away");
  } else if (drag.dropped) {
    End("no answer from " + Hex(drag.target.window));
  } else if (drag.awaitingStatus) {
    // A target that does not answer refuses: the drop goes nowhere.
    drag.awaitingStatus = false;
    drag.accepted = false;
    if (drag.released) {
      SendLeave();
      End("no answer from " + Hex(drag.target.window));
    } else if (drag.movedMeanwhile) {
      SendPosition();
    }
  }
}

void X11DragSource::ServeSelection(const XEvent& event) {
  const XSelectionRequestEvent& request = event.xselectionrequest;
  X11Scope scope(*mConnection);
  if (!scope.Usable()) return;
  Display* display = scope.display();
  X11SelectionReply reply(request);
  // The requestor may be gone already: its errors stay in the trap.
  scope.Trap([&] {
    if (mDrag && request.owner == mDrag->window) {
      if (request.target == mTargets) {
        const Atom targets[] = {mTargets, mUriList};
        reply.Grant(display, XA_ATOM, 32, targets, static_cast<int>(std::size(targets)));
      } else if (request.target == mUriList) {
        const std::string list = mDrag->uri + "\r\n";
        reply.Grant(display, mUriList, 8, list.data(), static_cast<int>(list.size()));
      }
    }
    reply.Send(display);
  });
}

X11DragSource::Target X11DragSource::FindTarget(int rootX, int rootY) {
  X11Scope scope(*mConnection);
  Display* display = scope.display();
  const ::Window root = mConnection->root();
  // The windows under the pointer, from the root down to the deepest, but for the drag's picture.
  const ::Window picture = mDrag && mDrag->picture ? mDrag->picture->WindowId() : 0;
  std::vector<::Window> chain{root};
  scope.Trap([&] {
    while (chain.size() < kMaxDepth) {
      int x = 0, y = 0;
      ::Window child = 0;
      if (!XTranslateCoordinates(display, root, chain.back(), rootX, rootY, &x, &y, &child) || child == 0) break;
      if (child == picture) child = ChildBelow(display, chain.back(), x, y, picture);
      if (child == 0) break;
      chain.push_back(child);
    }
  });
  // The top-level window: the first the window manager marks as a program's (WM_STATE), else the one under the
  // root; the root itself when the pointer is over no window.
  ::Window topLevel = chain.size() > 1 ? chain[1] : root;
  const auto client = std::find_if(chain.begin() + 1, chain.end(), [&](::Window window) {
    return ReadValue(window, mWMState, AnyPropertyType).has_value();
  });
  if (client != chain.end()) topLevel = *client;
  // A proxy counts when it names itself: a proxy left behind by a program that ended names nothing, or another.
  if (const std::optional<long> proxy = ReadValue(topLevel, mProxy, XA_WINDOW)) {
    const auto proxyWindow = static_cast<::Window>(*proxy);
    const std::optional<long> self = ReadValue(proxyWindow, mProxy, XA_WINDOW);
    const std::optional<long> version = ReadValue(proxyWindow, mAware, XA_ATOM);
    if (self && static_cast<::Window>(*self) == proxyWindow && version && *version >= xdnd::kOldestVersion) {
      return Target{topLevel, proxyWindow, static_cast<int>(std::min<long>(*version, xdnd::kVersion))};
    }
  }
  for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
    const std::optional<long> version = ReadValue(*it, mAware, XA_ATOM);
    if (!version) continue;
    if (*version < xdnd::kOldestVersion) return Target{};
    return Target{*it, *it, static_cast<int>(std::min<long>(*version, xdnd::kVersion))};
  }
  return Target{};
}

std::optional<long> X11DragSource::ReadValue(unsigned long window, unsigned long property, unsigned long type) {
  X11Scope scope(*mConnection);
  std::optional<long> value;
  scope.Trap([&] {
    Atom actual = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* bytes = nullptr;
    if (XGetWindowProperty(scope.display(), window, property, 0, 1, False, type, &actual, &format, &count, &after,
                           &bytes) == Success &&
        bytes && format == 32 && count >= 1) {
      value = *reinterpret_cast<const long*>(bytes);
    }
    if (bytes) XFree(bytes);
  });
  return value;
}

void X11DragSource::SendPosition() {
  Drag& drag = *mDrag;
  // The pointer on the root window, x in the high and y in the low 16 bits.
  const long position[5] = {static_cast<long>(drag.window), 0, (static_cast<long>(drag.rootX) << 16) | drag.rootY,
                            static_cast<long>(drag.time), static_cast<long>(mActionCopy)};
  Send(mPosition, position);
  drag.awaitingStatus = true;
  drag.movedMeanwhile = false;
  ArmTimeout();
}

void X11DragSource::SendLeave() {
  const long leave[5] = {static_cast<long>(mDrag->window), 0, 0, 0, 0};
  Send(mLeave, leave);
}

void X11DragSource::Send(unsigned long type, const long (&data)[5]) {
  const Target& target = mDrag->target;
  X11Scope scope(*mConnection);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = scope.display();
  event.xclient.window = target.window;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  std::copy(std::begin(data), std::end(data), event.xclient.data.l);
  // A target that went away answers BadWindow: the trap takes it, and its silence ends the drag in time.
  scope.Trap([&] { XSendEvent(scope.display(), target.sendTo, False, NoEventMask, &event); });
}

void X11DragSource::ArmTimeout() {
  RunLoop& loop = RunLoop::Main();
  // The callout may outlive the source (the connection lost): it holds only a weak reference.
  const std::weak_ptr<X11DragSource> self = weak_from_this();
  mTimeout = std::make_unique<RunLoopTimer>(
      loop.NowSeconds() + kAnswerTimeoutSeconds, 0.0,
      [self](RunLoopTimer&) {
        if (const std::shared_ptr<X11DragSource> source = self.lock()) source->OnTimeout();
      },
      mDrag->thread);
  loop.AddTimer(*mTimeout);
}

void X11DragSource::End(const std::string& result, bool taken) {
  Drag& drag = *mDrag;
  X11Scope scope(*mConnection);
  if (scope.Usable()) {
    Display* display = scope.display();
    scope.Trap([&] {
      if (drag.grabbed) XUngrabPointer(display, CurrentTime);
      // At the drag's last time, not the server's: a press that comes after the drag can take the selection
      // again even when it reached the server before this request.
      if (XGetSelectionOwner(display, mSelection) == drag.window) XSetSelectionOwner(display, mSelection, 0, drag.time);
    });
  }
  if (drag.picture) {
    if (taken) {
      drag.picture->Go();
    } else {
      mReturning = drag.picture;
      mReturning->SlideBack(drag.thread);
    }
  }
  mLog("file-drag " + drag.uri + " -> " + result);
  // The timeout may be the one running this: a timer may go from inside its own callout.
  mTimeout.reset();
  mDrag.reset();
}

}  // namespace platform::window

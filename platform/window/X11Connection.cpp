#include "platform/window/X11Connection.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace platform::window {

namespace {

// At namespace scope, so that it outlives every back end kept in a function's static.
std::recursive_mutex gDisplayMutex;
// Scopes open on the thread that holds the display lock.
int gDepth = 0;

// The handlers the outermost scope replaced. Atomic: a host's thread may call ours (for its own connection)
// while a scope is open.
std::atomic<XErrorHandler> gSavedError{nullptr};
std::atomic<XIOErrorHandler> gSavedIOError{nullptr};

// The layer's open connections, for the handlers to tell them from a host's.
std::mutex gRegistryMutex;
std::vector<X11Connection*> gConnections;

}  // namespace

// The layer's handlers; a struct so that they reach the connection's private state.
struct X11Handlers {
  static X11Connection* Find(Display* display) {
    std::lock_guard lock(gRegistryMutex);
    auto it = std::find_if(gConnections.begin(), gConnections.end(),
                           [&](const X11Connection* connection) { return connection->mDisplay == display; });
    return it == gConnections.end() ? nullptr : *it;
  }

  static int OnError(Display* display, XErrorEvent* event) {
    if (X11Connection* connection = Find(display)) {
      if (connection->mError == 0) connection->mError = event->error_code;
      return 0;
    }
    // Another connection of the process, while a scope of ours is open: its owner's handler decides.
    const XErrorHandler saved = gSavedError.load();
    return saved ? saved(display, event) : 0;
  }

  static int OnIOError(Display* display) {
    if (X11Connection* connection = Find(display)) {
      connection->mLost = true;
      return 0;  // Xlib goes on to the connection's exit handler, which returns too
    }
    const XIOErrorHandler saved = gSavedIOError.load();
    return saved ? saved(display) : 0;
  }

  // Stands in for Xlib's exit() after an IO error on a connection of ours. Xlib locked the display for the
  // exit, which does not come: unlocked here, or any other thread's later call on it would wait for ever.
  static void OnLostExit(Display* display, void* connection) {
    static_cast<X11Connection*>(connection)->mLost = true;
    XUnlockDisplay(display);
  }
};

std::shared_ptr<X11Connection> X11Connection::Open(std::string* why) {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) {
    *why = "no X display (DISPLAY is not set)";
    return nullptr;
  }
  std::lock_guard lock(gDisplayMutex);
  Display* display = XOpenDisplay(name);
  if (!display) {
    *why = std::string("cannot connect to X display \"") + name + "\"";
    return nullptr;
  }
  std::shared_ptr<X11Connection> connection(new X11Connection(display));
  XSetIOErrorExitHandler(display, &X11Handlers::OnLostExit, connection.get());
  std::lock_guard registry(gRegistryMutex);
  gConnections.push_back(connection.get());
  return connection;
}

X11Connection::X11Connection(Display* display)
    : mDisplay(display), mScreen(DefaultScreen(display)), mRoot(RootWindow(display, mScreen)) {}

X11Connection::~X11Connection() {
  {
    X11Scope scope(*this);
    // Closed: like a lost connection, it takes no more requests (the scope's last settling included).
    mLost = true;
    XCloseDisplay(mDisplay);
  }
  std::lock_guard registry(gRegistryMutex);
  std::erase(gConnections, this);
}

X11Scope::X11Scope(X11Connection& connection) : mConnection(connection), mLock(gDisplayMutex) {
  if (gDepth++ == 0) {
    // Ours go in before the first settling: an error or the server's loss it finds must not reach a host's.
    gSavedError = XSetErrorHandler(&X11Handlers::OnError);
    gSavedIOError = XSetIOErrorHandler(&X11Handlers::OnIOError);
  }
  Settle();
}

X11Scope::~X11Scope() {
  Settle();
  if (--gDepth > 0) return;
  // What was there goes back, unless someone put a handler of their own in meanwhile: theirs stays.
  const XErrorHandler error = XSetErrorHandler(gSavedError.load());
  if (error != &X11Handlers::OnError) XSetErrorHandler(error);
  const XIOErrorHandler ioError = XSetIOErrorHandler(gSavedIOError.load());
  if (ioError != &X11Handlers::OnIOError) XSetIOErrorHandler(ioError);
}

bool X11Scope::Settle() {
  if (mConnection.Lost()) return false;
  Display* display = mConnection.mDisplay;
  // With every request answered, every error of ours has been read already: no round trip needed.
  if (NextRequest(display) - 1 != LastKnownRequestProcessed(display)) XSync(display, False);
  return !mConnection.Lost();
}

std::recursive_mutex& X11DisplayMutex() {
  return gDisplayMutex;
}

}  // namespace platform::window

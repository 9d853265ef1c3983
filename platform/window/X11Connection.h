// The layer's connections to X servers and the one discipline every Xlib call of the layer follows. A call
// runs inside an X11Scope, which holds the display lock (one recursive mutex for all of the layer's
// connections: editors on different host threads share them) and, while the outermost scope is open, has the
// layer's own X error and IO-error handlers in the process's place; the ones that were there are put back
// when it closes. So an error of a request of ours never reaches a host's handler nor Xlib's default one
// (which ends the process), and between calls nothing of the layer is left in Xlib's global state.
// A server that goes away (an IO error on the connection) only marks the connection lost: from then on no
// request goes to it, and the display is closed when its last user lets go of it.
// Include after the layer's other headers: Xlib's macros (None, Bool, Status) must not meet their names.
#pragma once

#include <X11/Xlib.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace platform::window {

class X11Connection {
 public:
  // Any thread. The display named by $DISPLAY; null when none opens, and *why then says so in a few words
  // ("no X display (DISPLAY is not set)", "cannot connect to X display \":5\"").
  static std::shared_ptr<X11Connection> Open(std::string* why);
  // Closes the display, under the display lock.
  ~X11Connection();
  X11Connection(const X11Connection&) = delete;
  X11Connection& operator=(const X11Connection&) = delete;

  Display* display() const { return mDisplay; }
  int screen() const { return mScreen; }
  ::Window root() const { return mRoot; }
  // Any thread. The server went away; nothing more is sent to it.
  bool Lost() const { return mLost.load(); }

 private:
  friend class X11Scope;
  friend struct X11Handlers;
  explicit X11Connection(Display* display);

  Display* const mDisplay;
  const int mScreen;
  const ::Window mRoot;
  std::atomic<bool> mLost{false};
  int mError = 0;  // the first error trapped since the current Trap began; display lock
};

// The display lock and the error trap together. Any thread; waits only while another thread is inside a scope.
// Scopes nest on one thread; only the outermost one swaps the handlers.
class X11Scope {
 public:
  // Trap's answer when the server went away.
  static constexpr int kLost = -1;

  explicit X11Scope(X11Connection& connection);
  ~X11Scope();
  X11Scope(const X11Scope&) = delete;
  X11Scope& operator=(const X11Scope&) = delete;

  // False once the connection is lost: make no request.
  bool Usable() const { return !mConnection.Lost(); }
  Display* display() const { return mConnection.display(); }

  // Runs call (requests on this connection) and answers the first X error they caused: 0 when none,
  // kLost when the server went away.
  template <typename Call>
  int Trap(Call&& call) {
    if (!Settle()) return kLost;
    mConnection.mError = 0;
    call();
    if (!Settle()) return kLost;
    return mConnection.mError;
  }

 private:
  // Waits until the server has answered every request sent, so that their errors have reached the trap;
  // false when the connection is lost.
  bool Settle();

  X11Connection& mConnection;
  std::unique_lock<std::recursive_mutex> mLock;
};

// The display lock alone: also guards the layer's bookkeeping of its X windows and connections. It comes
// after an editor's event lock: never wait for an editor's lock while holding it.
std::recursive_mutex& X11DisplayMutex();

}  // namespace platform::window

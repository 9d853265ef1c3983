// Files dragged out of the X11 back end's windows into other programs, through the drag-and-drop protocol file
// managers use (XDND, version 5), on the source's side.
//
// A drag starts from the button press in hand: the window it starts from takes XdndSelection and grabs the
// pointer, and until the button is let go the pointer's motion and the release belong to the drag, not to the
// window's views. The target is the window under the pointer that takes drops: the window the top-level window's
// XdndProxy names (when that window names itself), else the deepest window carrying XdndAware; one speaking a
// version below 3 is no target. The target hears XdndEnter (offering text/uri-list), XdndPosition (one at a time:
// the next waits for the XdndStatus of the last) and XdndLeave when the pointer leaves it; at the release,
// XdndDrop when its last status accepted the drop, else XdndLeave. While the drag runs the target reads the list
// (the file's URI) from XdndSelection; its XdndFinished ends the drag. Nothing waits for a target: one that does
// not answer a position within kAnswerTimeoutSeconds (on the main run loop's clock) counts as refusing, and a
// drop it does not finish within that time ends the drag as well.
//
// The file's picture (X11DragPicture), when the drag has one, follows the pointer; the search for the target passes
// it by. A drop the target took takes it away at once; any other ending sends it sliding back first.
//
// Left out: actions other than copy, cancelling with the Escape key.
//
// Threads: one drag per connection at a time, run by the thread that started it (its window's thread): its pump
// hands over the events, its main run loop fires the timeout. Every call takes the display lock (X11Connection.h)
// and calls nothing of the windows, so it may run under a window's event lock.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

// Xlib's types, declared without its headers (their macros stay in the X11 files).
union _XEvent;

namespace platform {
class RunLoopTimer;
}

namespace platform::window {

class X11Connection;
class X11DragPicture;

class X11DragSource : public std::enable_shared_from_this<X11DragSource> {
 public:
  // As long as a drop target waits for a source: a live program answers far sooner.
  static constexpr double kAnswerTimeoutSeconds = 2.0;

  // Adds one line to the back end's log.
  using Log = std::function<void(const std::string& line)>;

  // Any thread; takes the display lock.
  X11DragSource(std::shared_ptr<X11Connection> connection, Log log);
  // Makes no X request but to take away a picture still showing (not on a lost connection).
  ~X11DragSource();
  X11DragSource(const X11DragSource&) = delete;
  X11DragSource& operator=(const X11DragSource&) = delete;

  // The window's thread. Starts dragging uri (a file's URI) out of window, from the press of button at time (the
  // press's server time), showing picture (not shown yet) when there is one. False, with a line in the log, when
  // another drag runs or the selection or the pointer cannot be taken (the window is not viewable, another program
  // grabbed the pointer); the picture is then not shown.
  bool Start(unsigned long window, unsigned button, unsigned long time, const std::string& uri,
             std::shared_ptr<X11DragPicture> picture = nullptr);
  // The drag's thread, from its pump, for an event of one of the back end's windows: the pointer's motion and
  // buttons while the drag holds them, the target's XdndStatus and XdndFinished, and requests for XdndSelection.
  // True when it belonged to the drag (and was handled).
  bool HandleEvent(const _XEvent& event);
  // The window's thread, before the window is destroyed: a drag from it ends, its target told the drag left.
  void WindowGone(unsigned long window);

 private:
  struct Target {
    unsigned long window = 0;  // the window the messages name; 0 for none
    unsigned long sendTo = 0;  // where they go: its proxy, or the window itself
    int version = 0;           // the protocol version both sides speak
  };
  struct Drag {
    unsigned long window = 0;
    unsigned button = 0;
    std::string uri;
    unsigned long time = 0;  // the server time of the drag's latest event
    std::thread::id thread;
    bool grabbed = false;
    Target target;
    int rootX = 0, rootY = 0;  // the pointer
    bool awaitingStatus = false;
    bool movedMeanwhile = false;  // the pointer moved while a status was awaited
    bool accepted = false;        // the target's last status
    bool wantsPositions = true;   // false: not while the pointer stays in the quiet rectangle
    int quietX = 0, quietY = 0, quietWidth = 0, quietHeight = 0;
    bool released = false;
    bool dropped = false;
    std::shared_ptr<X11DragPicture> picture;
  };

  // The pointer's motion and buttons: true when the drag holds them.
  bool OnPointer(const _XEvent& event);
  // The display lock held, a drag running (but for the ones that check).
  void Moved(int rootX, int rootY);
  void Released(int rootX, int rootY);
  void Concluded();
  void OnStatus(const long* data);
  void OnFinished(const long* data);
  void OnTimeout();
  void ServeSelection(const _XEvent& event);
  Target FindTarget(int rootX, int rootY);
  // The single 32-bit value of a window's property of type; nullopt when it has none (or the window is gone).
  std::optional<long> ReadValue(unsigned long window, unsigned long property, unsigned long type);
  void SendPosition();
  void SendLeave();
  void Send(unsigned long type, const long (&data)[5]);
  void ArmTimeout();
  // Ends the drag: lets go of the pointer and the selection; result goes to the log. The picture goes at once when
  // the target took the drop, else it slides back first.
  void End(const std::string& result, bool taken = false);

  const std::shared_ptr<X11Connection> mConnection;
  const Log mLog;
  unsigned long mAware, mProxy, mEnter, mPosition, mStatus, mLeave, mDrop, mFinished, mSelection, mActionCopy, mUriList,
      mTargets, mWMState;
  // Display lock.
  std::optional<Drag> mDrag;
  std::unique_ptr<RunLoopTimer> mTimeout;
  std::shared_ptr<X11DragPicture> mReturning;  // the last drag's picture, sliding back
};

}  // namespace platform::window

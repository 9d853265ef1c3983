// Files dropped on the X11 back end's windows by other programs, through the drag-and-drop protocol file managers
// use (XDND, version 5), on the target's side.
//
// Our windows carry XdndAware. A drag source sends XdndEnter with the types it offers, XdndPosition as the pointer
// moves, then XdndLeave or XdndDrop. When it offers text/uri-list, the list is read once during the drag
// (ConvertSelection of XdndSelection to our window, answered by a SelectionNotify from a later pump) so that each
// XdndStatus can say whether the view under the pointer takes those files (accept with the copy action) or not
// (refuse, so the source's cursor says so); a status owed while the list is on its way is sent when it arrives. A
// drop that was accepted reads the list again, with the drop's time, hands the files to the window
// (Window::DragDropped) and answers XdndFinished. Nothing here waits for the source: a source that does not answer
// within kAnswerTimeoutSeconds (on the main run loop's clock) is abandoned, its status refused, its drop finished
// as refused.
//
// Left out: XdndProxy, and lists so large that the source hands them over in pieces (INCR); such a drop is refused.
// Dragging files out of the windows is X11DragSource's.
//
// The window's thread: events arrive from its pump, the timeout from the main run loop bound to that thread.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/window/Geometry.h"

// Xlib's types, declared without its headers (their macros stay in the X11 files).
struct _XDisplay;
union _XEvent;

namespace platform {
class RunLoopTimer;
}

namespace platform::window {

class Window;

class X11DragDrop {
 public:
  // Long enough for a busy file manager, short enough that a dead source does not hold a drag for long.
  static constexpr double kAnswerTimeoutSeconds = 2.0;

  // The layer's window of one of the back end's X windows; null for any other window (or one being destroyed).
  using FindWindow = std::function<Window*(unsigned long xid)>;
  // Runs call, X requests on the display, with X errors trapped (a source that went away answers BadWindow);
  // answers the error code, 0 when none.
  using TrapErrors = std::function<int(const std::function<void()>& call)>;

  X11DragDrop(_XDisplay* display, FindWindow findWindow, TrapErrors trapErrors);
  // Makes no X request: the back end may have closed the display already.
  ~X11DragDrop();
  X11DragDrop(const X11DragDrop&) = delete;
  X11DragDrop& operator=(const X11DragDrop&) = delete;

  // Announces xid (one of the back end's windows) as a drop target.
  void MakeAware(unsigned long xid);
  // A ClientMessage or SelectionNotify from the pump: true when it belonged to the protocol (and was handled).
  bool HandleEvent(const _XEvent& event);

 private:
  enum class Reading { kNone, kDuringDrag, kForDrop };
  struct Drag {
    unsigned long source = 0;
    unsigned long target = 0;
    int version = 0;
    bool offersFiles = false;
    std::optional<std::vector<std::string>> files;  // read during the drag
    bool unreadable = false;                        // the source did not hand the list over
    Point pixel;                                    // the pointer in the target's content
    bool statusOwed = false;
    bool accepted = false;  // the last status sent
    Reading reading = Reading::kNone;
    unsigned long requestTime = 0;  // of the read on its way
  };

  // data: the message's five longs; target: the window it was sent to.
  void OnEnter(const long* data, unsigned long target);
  void OnPosition(const long* data, unsigned long target);
  void OnLeave(const long* data);
  void OnDrop(const long* data, unsigned long target);
  void OnSelectionNotify(unsigned long property);
  void OnTimeout();
  bool OffersFiles(unsigned long source, const long* data);
  // The current drag's answer for where the pointer is: whether the view there takes the files.
  bool Acceptable();
  void RequestFiles(Reading reading, unsigned long time);
  std::optional<std::vector<std::string>> ReadFiles(unsigned long property);
  void SendStatus(unsigned long source, unsigned long target, bool accept);
  void SendFinished(const Drag& drag, bool accepted);
  // Ends the current drag; the window under it hears the drag left, unless the drop concluded it.
  void EndDrag(bool tellWindow);
  void Send(unsigned long source, unsigned long type, const long (&data)[5]);

  _XDisplay* mDisplay;
  FindWindow mFindWindow;
  TrapErrors mTrapErrors;
  unsigned long mAware, mEnter, mPosition, mStatus, mLeave, mDrop, mFinished, mSelection, mTypeList, mActionCopy,
      mUriList, mProperty;
  std::optional<Drag> mDrag;
  std::unique_ptr<RunLoopTimer> mTimeout;
};

}  // namespace platform::window

#include "platform/window/X11DragDrop.h"

#include <algorithm>
#include <iterator>
#include <thread>

#include "platform/runloop/RunLoop.h"
#include "platform/window/Window.h"
#include "platform/window/Workspace.h"
#include "platform/window/XdndProtocol.h"

// Xlib last: its headers define macros (None, Bool, Status) that must not meet the layer's own names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace platform::window {

namespace {

// XdndEnter: more than three types are offered (listed in the source's XdndTypeList).
constexpr long kMoreTypes = 1;

constexpr const char* kAtomNames[] = {"XdndAware",    "XdndEnter",      "XdndPosition",  "XdndStatus",
                                      "XdndLeave",    "XdndDrop",       "XdndFinished",  "XdndSelection",
                                      "XdndTypeList", "XdndActionCopy", "text/uri-list", "KD_XDND_FILES"};

// At most this many 32-bit units of a property are read: 64 MB, far beyond any list of files.
constexpr long kMaxPropertyUnits = 1 << 24;

}  // namespace

X11DragDrop::X11DragDrop(Display* display, FindWindow findWindow, TrapErrors trapErrors)
    : mDisplay(display), mFindWindow(std::move(findWindow)), mTrapErrors(std::move(trapErrors)) {
  Atom atoms[std::size(kAtomNames)] = {};
  XInternAtoms(mDisplay, const_cast<char**>(kAtomNames), static_cast<int>(std::size(kAtomNames)), False, atoms);
  unsigned long* members[] = {&mAware,    &mEnter,     &mPosition, &mStatus,     &mLeave,   &mDrop,
                              &mFinished, &mSelection, &mTypeList, &mActionCopy, &mUriList, &mProperty};
  for (size_t i = 0; i < std::size(members); ++i) *members[i] = atoms[i];
}

X11DragDrop::~X11DragDrop() = default;

void X11DragDrop::MakeAware(unsigned long xid) {
  const long version = xdnd::kVersion;
  mTrapErrors([&] {
    XChangeProperty(mDisplay, xid, mAware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
  });
}

bool X11DragDrop::HandleEvent(const XEvent& event) {
  if (event.type == SelectionNotify) {
    const XSelectionEvent& answer = event.xselection;
    if (answer.selection != mSelection) return false;
    const bool awaited = mDrag && mDrag->reading != Reading::kNone && answer.requestor == mDrag->target &&
                         (answer.time == mDrag->requestTime || answer.time == CurrentTime);
    if (awaited) {
      OnSelectionNotify(answer.property);
    } else if (answer.property != 0) {
      // The late answer of a read that was abandoned.
      mTrapErrors([&] { XDeleteProperty(mDisplay, answer.requestor, answer.property); });
    }
    return true;
  }
  if (event.type != ClientMessage || event.xclient.format != 32) return false;
  const XClientMessageEvent& message = event.xclient;
  const Atom type = message.message_type;
  if (type != mEnter && type != mPosition && type != mLeave && type != mDrop) return false;
  if (!mFindWindow(message.window)) return false;
  const long* data = message.data.l;
  if (type == mEnter) OnEnter(data, message.window);
  if (type == mPosition) OnPosition(data, message.window);
  if (type == mLeave) OnLeave(data);
  if (type == mDrop) OnDrop(data, message.window);
  return true;
}

void X11DragDrop::OnEnter(const long* data, unsigned long target) {
  // A source that never sent its leave (it ended) is replaced by the new one.
  if (mDrag) EndDrag(true);
  const int version = static_cast<int>((static_cast<unsigned long>(data[1]) >> 24) & 0xFF);
  // A source must not speak a version above ours; one below the oldest we know is ignored (its positions refused).
  if (version < xdnd::kOldestVersion || version > xdnd::kVersion) return;
  Drag drag;
  drag.source = static_cast<unsigned long>(data[0]);
  drag.target = target;
  drag.version = version;
  drag.offersFiles = OffersFiles(drag.source, data);
  mDrag = std::move(drag);
}

bool X11DragDrop::OffersFiles(unsigned long source, const long* data) {
  if (!(data[1] & kMoreTypes)) {
    return std::any_of(data + 2, data + 5, [&](long type) { return static_cast<Atom>(type) == mUriList; });
  }
  bool offers = false;
  mTrapErrors([&] {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* bytes = nullptr;
    if (XGetWindowProperty(mDisplay, source, mTypeList, 0, kMaxPropertyUnits, False, XA_ATOM, &type, &format, &count,
                           &after, &bytes) == Success &&
        bytes && format == 32) {
      const auto* types = reinterpret_cast<const Atom*>(bytes);
      offers = std::find(types, types + count, mUriList) != types + count;
    }
    if (bytes) XFree(bytes);
  });
  return offers;
}

void X11DragDrop::OnPosition(const long* data, unsigned long target) {
  const auto source = static_cast<unsigned long>(data[0]);
  if (!mDrag || mDrag->source != source || mDrag->target != target) {
    SendStatus(source, target, false);
    return;
  }
  // The pointer on the root window, x in the high and y in the low 16 bits.
  const int rootX = static_cast<int>((data[2] >> 16) & 0xFFFF);
  const int rootY = static_cast<int>(data[2] & 0xFFFF);
  int x = 0, y = 0;
  mTrapErrors([&] {
    ::Window child = 0;
    XTranslateCoordinates(mDisplay, DefaultRootWindow(mDisplay), target, rootX, rootY, &x, &y, &child);
  });
  mDrag->pixel = Point{static_cast<double>(x), static_cast<double>(y)};
  if (!mDrag->offersFiles || mDrag->unreadable) {
    SendStatus(source, target, false);
  } else if (mDrag->files) {
    SendStatus(source, target, Acceptable());
  } else {
    // The answer waits for the list; the source sends no other position until it has it.
    mDrag->statusOwed = true;
    if (mDrag->reading == Reading::kNone) RequestFiles(Reading::kDuringDrag, static_cast<unsigned long>(data[3]));
  }
}

void X11DragDrop::OnLeave(const long* data) {
  if (mDrag && mDrag->source == static_cast<unsigned long>(data[0])) EndDrag(true);
}

void X11DragDrop::OnDrop(const long* data, unsigned long target) {
  const auto source = static_cast<unsigned long>(data[0]);
  if (!mDrag || mDrag->source != source || mDrag->target != target) {
    const long finished[5] = {static_cast<long>(target), 0, 0, 0, 0};
    Send(source, mFinished, finished);
    return;
  }
  if (!mDrag->accepted || mDrag->reading != Reading::kNone) {
    SendFinished(*mDrag, false);
    EndDrag(true);
    return;
  }
  RequestFiles(Reading::kForDrop, static_cast<unsigned long>(data[2]));
}

bool X11DragDrop::Acceptable() {
  Window* window = mFindWindow(mDrag->target);
  return window && mDrag->files && !mDrag->files->empty() &&
         window->DragMoved(*mDrag->files, mDrag->pixel) != DragOperation::kNone;
}

void X11DragDrop::RequestFiles(Reading reading, unsigned long time) {
  mDrag->reading = reading;
  mDrag->requestTime = time;
  const unsigned long target = mDrag->target;
  mTrapErrors([&] {
    XDeleteProperty(mDisplay, target, mProperty);
    XConvertSelection(mDisplay, mSelection, mUriList, mProperty, target, time);
  });
  RunLoop& loop = RunLoop::Main();
  mTimeout = std::make_unique<RunLoopTimer>(
      loop.NowSeconds() + kAnswerTimeoutSeconds, 0.0, [this](RunLoopTimer&) { OnTimeout(); },
      std::this_thread::get_id());
  loop.AddTimer(*mTimeout);
}

// The list as the source wrote it into our property; nullopt when it is missing or not text (a list handed over
// in pieces, INCR, among them).
std::optional<std::vector<std::string>> X11DragDrop::ReadFiles(unsigned long property) {
  std::optional<std::vector<std::string>> files;
  const unsigned long target = mDrag->target;
  mTrapErrors([&] {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* bytes = nullptr;
    if (XGetWindowProperty(mDisplay, target, property, 0, kMaxPropertyUnits, True, AnyPropertyType, &type, &format,
                           &count, &after, &bytes) == Success &&
        bytes && format == 8 && after == 0) {
      files = FilePathsInURIList(std::string_view(reinterpret_cast<const char*>(bytes), count));
    }
    if (bytes) XFree(bytes);
  });
  return files;
}

void X11DragDrop::OnSelectionNotify(unsigned long property) {
  mTimeout.reset();
  const Reading reading = mDrag->reading;
  mDrag->reading = Reading::kNone;
  std::optional<std::vector<std::string>> files;
  if (property != 0) files = ReadFiles(property);
  if (reading == Reading::kDuringDrag) {
    if (files) {
      mDrag->files = std::move(files);
    } else {
      mDrag->unreadable = true;
    }
    if (mDrag->statusOwed) {
      mDrag->statusOwed = false;
      SendStatus(mDrag->source, mDrag->target, Acceptable());
    }
    return;
  }
  Window* window = mFindWindow(mDrag->target);
  if (!files || files->empty() || !window) {
    SendFinished(*mDrag, false);
    EndDrag(true);
    return;
  }
  // The window concludes the drag itself (the view may even close the editor while it takes the files).
  const Drag drag = std::move(*mDrag);
  EndDrag(false);
  SendFinished(drag, window->DragDropped(*files, drag.pixel));
}

void X11DragDrop::OnTimeout() {
  if (!mDrag) return;
  const Reading reading = mDrag->reading;
  mDrag->reading = Reading::kNone;
  if (reading == Reading::kDuringDrag) {
    mDrag->unreadable = true;
    if (mDrag->statusOwed) {
      mDrag->statusOwed = false;
      SendStatus(mDrag->source, mDrag->target, false);
    }
    return;
  }
  SendFinished(*mDrag, false);
  EndDrag(true);
}

void X11DragDrop::SendStatus(unsigned long source, unsigned long target, bool accept) {
  if (mDrag && mDrag->source == source) mDrag->accepted = accept;
  // Positions inside the rectangle too (it is empty): the answer depends on the control under the pointer.
  const long status[5] = {static_cast<long>(target), (accept ? xdnd::kStatusAccept : 0) | xdnd::kStatusSendPositions, 0,
                          0, accept ? static_cast<long>(mActionCopy) : 0};
  Send(source, mStatus, status);
}

void X11DragDrop::SendFinished(const Drag& drag, bool accepted) {
  // Before version 5 the message carries the target only.
  const bool flags = drag.version >= 5 && accepted;
  const long finished[5] = {static_cast<long>(drag.target), flags ? xdnd::kFinishedAccepted : 0,
                            flags ? static_cast<long>(mActionCopy) : 0, 0, 0};
  Send(drag.source, mFinished, finished);
}

void X11DragDrop::EndDrag(bool tellWindow) {
  mTimeout.reset();
  const unsigned long target = mDrag->target;
  mDrag.reset();
  if (!tellWindow) return;
  if (Window* window = mFindWindow(target)) window->DragExited();
}

void X11DragDrop::Send(unsigned long source, unsigned long type, const long (&data)[5]) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.display = mDisplay;
  event.xclient.window = source;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  std::copy(std::begin(data), std::end(data), event.xclient.data.l);
  mTrapErrors([&] { XSendEvent(mDisplay, source, False, NoEventMask, &event); });
}

}  // namespace platform::window

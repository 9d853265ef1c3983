// The answer to another program's request for a selection one of the layer's windows owns (the clipboard, a
// drag's XdndSelection): a refusal unless the owner grants it by putting the data where the requestor asked.
// Called inside an X11Scope whose trap catches the errors of a requestor that is gone already.
#pragma once

#include <X11/Xlib.h>

namespace platform::window {

class X11SelectionReply {
 public:
  explicit X11SelectionReply(const XSelectionRequestEvent& request) : mRequest(request) {
    mReply.type = SelectionNotify;
    mReply.requestor = request.requestor;
    mReply.selection = request.selection;
    mReply.target = request.target;
    mReply.time = request.time;
    mReply.property = 0;
  }

  // Writes count items of format bits (8 or 32) as type into the requestor's property and answers with it.
  void Grant(Display* display, Atom type, int format, const void* data, int count) {
    // Clients from before the conventions on properties name none: the target then names the property.
    const Atom property = mRequest.property ? mRequest.property : mRequest.target;
    XChangeProperty(display, mRequest.requestor, property, type, format, PropModeReplace,
                    static_cast<const unsigned char*>(data), count);
    mReply.property = property;
  }

  // Sends the answer, the refusal when nothing was granted, so that the requestor never waits for one.
  void Send(Display* display) {
    XSendEvent(display, mRequest.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&mReply));
  }

 private:
  const XSelectionRequestEvent mRequest;
  XSelectionEvent mReply{};
};

}  // namespace platform::window

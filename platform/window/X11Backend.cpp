#include "platform/window/X11Backend.h"

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <set>
#include <thread>

#include "platform/window/Backend.h"
#include "platform/window/ChildProcess.h"
#include "platform/window/DialogTool.h"
#include "platform/window/FileIcon.h"
#include "platform/window/Menu.h"
#include "platform/window/Workspace.h"
#include "platform/window/X11DragDrop.h"
#include "platform/window/X11DragPicture.h"
#include "platform/window/X11DragSource.h"
#include "platform/window/X11Keys.h"

// Xlib last: its headers define macros (None, Bool, Status) that must not meet the layer's own names.
#include "platform/window/X11Connection.h"
#include "platform/window/X11SelectionReply.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

namespace platform::window {

namespace {

using XWindow = ::Window;

// The size of a dragged file's picture, before it is scaled to the rectangle it starts on.
constexpr int kFilePictureSize = 64;

// Input waiting for a thread that does not pump (a window made on a thread that never comes back) is
// bounded: past this many entries the oldest go.
constexpr size_t kMaxWaiting = 4096;

struct CursorName {
  CursorKind shape;
  const char* themeName;
  unsigned fontShape;
};

constexpr CursorName kCursorNames[] = {
    {CursorKind::kArrow, "left_ptr", XC_left_ptr},
    {CursorKind::kIBeam, "xterm", XC_xterm},
    {CursorKind::kBusyButClickable, "left_ptr_watch", XC_watch},
    {CursorKind::kCrosshair, "crosshair", XC_crosshair},
    {CursorKind::kResizeNorth, "top_side", XC_top_side},
    {CursorKind::kResizeNorthWestSouthEast, "size_fdiag", XC_bottom_right_corner},
    {CursorKind::kResizeNorthEastSouthWest, "size_bdiag", XC_bottom_left_corner},
    {CursorKind::kResizeEastWest, "sb_h_double_arrow", XC_sb_h_double_arrow},
    {CursorKind::kResizeNorthSouth, "sb_v_double_arrow", XC_sb_v_double_arrow},
    {CursorKind::kMove, "fleur", XC_fleur},
    {CursorKind::kOperationNotAllowed, "crossed_circle", XC_X_cursor},
    {CursorKind::kPointingHand, "hand2", XC_hand2},
    {CursorKind::kHelp, "question_arrow", XC_question_arrow},
};

double NowSeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// What the layer made on one connection: the window that owns the clipboard, atoms, cursors, and the host's
// windows above the layer's whose mapping it follows. Display lock.
struct Link {
  explicit Link(std::shared_ptr<X11Connection> opened);
  ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  const std::shared_ptr<X11Connection> connection;
  XWindow selectionWindow = 0;
  Atom clipboard = 0, utf8 = 0, targets = 0, uriList = 0, property = 0, wmDelete = 0;
  double scale = 1.0;
  std::map<std::pair<CursorKind, bool>, ::Cursor> cursors;
  std::map<XWindow, int> watched;  // each host window followed, with how many of the layer's windows are inside
  // Files dropped by other programs (XDND) on this connection's windows, and dragged out of them.
  std::shared_ptr<X11DragDrop> dragDrop;
  std::shared_ptr<X11DragSource> dragSource;
};

Link::Link(std::shared_ptr<X11Connection> opened) : connection(std::move(opened)) {
  X11Scope scope(*connection);
  Display* display = scope.display();
  selectionWindow = XCreateSimpleWindow(display, connection->root(), 0, 0, 1, 1, 0, 0, 0);
  clipboard = XInternAtom(display, "CLIPBOARD", False);
  utf8 = XInternAtom(display, "UTF8_STRING", False);
  targets = XInternAtom(display, "TARGETS", False);
  uriList = XInternAtom(display, "text/uri-list", False);
  property = XInternAtom(display, "KD_SELECTION", False);
  wmDelete = XInternAtom(display, "WM_DELETE_WINDOW", False);
  // Held keys report one press and no release until let go, so repeats can be told from new presses.
  XkbSetDetectableAutoRepeat(display, True, nullptr);
  // The desktop's font resolution says how many pixels make a point: 96 dpi is a scale of 1.
  if (const char* resources = XResourceManagerString(display)) {
    if (const char* dpi = std::strstr(resources, "Xft.dpi:")) {
      const double value = std::strtod(dpi + 8, nullptr);
      if (value >= 48.0 && value <= 480.0) scale = value / 96.0;
    }
  }
}

Link::~Link() {
  X11Scope scope(*connection);
  if (!scope.Usable()) return;
  for (auto& [key, cursor] : cursors) XFreeCursor(scope.display(), cursor);
  XDestroyWindow(scope.display(), selectionWindow);
}

// The line that says why an editor's window was not made, on stderr and in the log.
std::string CannotOpen(const std::string& why) {
  return "Kelvadrune: cannot open the editor: " + why;
}

class X11Backend;

class X11Window final : public NativeWindow {
 public:
  // Display lock, in a scope on link.
  X11Window(X11Backend& backend, Window& owner, Link& link, XWindow id, XWindow parent, Size pixels);
  ~X11Window() override;

  void SetContentPixels(Size pixels) override;
  Rect FrameInDisplay() const override;
  void Present(const unsigned char* bgra, int width, int height, int bytesPerRow, Point pixelOrigin) override;
  void MakeKeyAndOrderFront() override;
  NativeSurface Surface() const override;
  void PassKeyOn(bool down, int keyCode) override;
  bool IsVisible() const override;
  bool BeginFileDrag(const std::string& uri, const std::string& path, PixelRect picture) override;

  X11Backend& backend;
  Window& owner;
  const std::shared_ptr<X11Connection> connection;
  const std::shared_ptr<X11DragSource> dragSource;
  const XWindow id;
  const XWindow parent;
  const bool topLevel;
  const Atom closeAtom;                                       // what the window manager's close request carries
  const std::thread::id thread = std::this_thread::get_id();  // only its Pump hands the window's input over

  // Display lock.
  Size size;
  bool destroyed = false;          // the server destroyed it with the host's window
  bool viewable = false;           // mapped, and every window above it too
  bool obscured = false;           // covered entirely by other windows
  bool reported = false;           // the visibility last queued for the window's thread
  std::vector<XWindow> ancestors;  // the host's windows above it, nearest first

  // The window's thread, while its input is handed over.
  XKeyEvent lastKey{};  // the key event being sent, kept to be passed on
  std::set<unsigned> keysDown;
  unsigned pressButton = 0;  // the X button held since the last press, 0 for none
  Time pressTime = 0;        // the server's time of that press

 private:
  GC mGC = nullptr;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  bool mCanPutImage = false;
  bool mToldCannotPresent = false;
};

class X11Backend final : public Backend {
 public:
  X11Backend() : mTool(FindDialogTool()) {}
  ~X11Backend() override;
  const char* Name() const override { return "x11"; }

  std::unique_ptr<NativeWindow> CreateNativeWindow(Window& window, void* parentHandle, Size contentPoints) override;
  Size DisplayPixels() const override;
  double BackingScaleFactor() const override;
  Appearance GetAppearance() const override;
  Point PointerPixels() const override;
  bool PointerButtonDown() const override;
  void WarpPointer(Point displayPixels) override;
  void ApplyCursor(CursorKind shape, bool visible) override;
  bool HasCursorKind(CursorKind) const override { return true; }  // the core cursor font has every shape
  bool SetClipboard(const ClipboardContents& contents) override;
  std::optional<std::string> ClipboardText() override;
  int RunAlert(const AlertRequest& request) override;
  std::optional<std::string> RunPanel(const PanelRequest& request) override;
  void BeginPanel(const PanelRequest& request, PanelCompletion completion) override;
  MenuItem* TrackMenu(Menu& menu, Point screenLocation) override;
  void BeginTextEntry(const std::string& text, Rect screenRect, TextEntryCompletion completion) override;
  void BeginColorPick(Color initial, bool showsAlpha, ColorHandler handler) override;
  bool OpenURL(const URL& url) override;
  bool OpenPath(const std::string& path) override;
  int Pump() override;

  // Display lock.
  void Unregister(X11Window& window);
  ::Cursor CursorFor(Link& link, CursorKind shape, bool visible);

 private:
  using Done = std::function<void(int status, const std::string& output)>;
  struct Pending {
    std::thread::id thread;  // the thread that asked: its Pump runs done
    std::unique_ptr<ChildProcess> child;
    Done done;
  };
  struct Opener {
    std::thread::id thread;
    std::unique_ptr<ChildProcess> child;
  };
  struct Deferred {
    std::thread::id thread;
    std::function<void()> task;
  };
  // An event read from a connection, or a change of a window's visibility, waiting for the thread that
  // hands it over.
  struct Waiting {
    const X11Connection* connection;
    XWindow window;  // 0: any thread's (requests for the clipboard)
    XEvent event;
    std::optional<bool> visible;  // set: no X event, the window was hidden or shown
  };
  enum class Connect { kNever, kOnce, kAlways };
  // The pointer as the server has it now: its place on the root window and the buttons and modifiers held.
  struct PointerState {
    Point pixels;
    unsigned modifierMask = 0;
  };
  PointerState QueryPointer() const;

  // The link to the server, connecting on demand: kOnce when no attempt was made since the last loss,
  // kAlways for a window. Null without a usable connection. Display lock.
  Link* Live(Connect connect);
  Link* LinkForQuestion() const;
  // A connection that went away: its windows are reported hidden and gone, the next use connects anew.
  void NoticeLoss();
  // The line that says why no window was made, on stderr and in the log; answers null.
  std::unique_ptr<NativeWindow> Refuse(const std::string& why);
  // Display lock, in a scope on link.
  void ReadEvents(X11Scope& scope, Link& link);
  void Note(X11Scope& scope, Link& link, XEvent& event);
  void NoteAncestor(X11Scope& scope, Link& link, XEvent& event);
  void Watch(X11Scope& scope, Link& link, X11Window& window);
  void Unwatch(X11Scope& scope, Link& link, X11Window& window);
  bool Viewable(X11Scope& scope, const X11Window& window);
  void UpdateVisibility(X11Scope& scope, X11Window& window);
  void Report(X11Window& window);
  void Queue(Waiting waiting);
  std::vector<Waiting> TakeThisThreads();
  // The open window with id on connection; display lock.
  X11Window* Registered(const X11Connection* connection, XWindow id) const;
  // The same, when the calling thread made it.
  X11Window* Mine(const X11Connection* connection, XWindow id) const;
  // Takes the window's event lock, finds the window again (it may have closed meanwhile) and runs hand on
  // it without the display lock.
  template <typename Hand>
  void HandOver(const X11Connection* connection, XWindow id, Hand hand);
  // The window's thread.
  void Dispatch(const X11Connection& connection, XEvent& event);
  void ServeSelection(const X11Connection& connection, const XSelectionRequestEvent& request);
  // The dialog program started on command; null, with "cancelled" and the reason logged, when there is none.
  std::unique_ptr<ChildProcess> StartTool(const std::vector<std::string>& command, const std::string& what);
  // Runs a dialog program to its end; false (logged) when there is none or it cannot start.
  bool RunTool(const std::vector<std::string>& command, const std::string& what, int* status, std::string* output);
  // Starts a dialog program; done runs from a later Pump of this thread. False (logged) when it cannot start.
  bool BeginTool(const std::vector<std::string>& command, const std::string& what, Done done);
  void Defer(std::function<void()> task);
  bool StartOpener(const std::string& target, const std::string& what);
  int PollChildren();

  const DialogTool mTool;
  // Display lock.
  std::unique_ptr<Link> mLink;
  bool mConnectTried = false;
  std::string mWhyNot;
  std::deque<Waiting> mWaiting;
  bool mToldDropped = false;
  std::vector<X11Window*> mNativeWindows;
  ClipboardContents mOffered;
  bool mOwnsClipboard = false;
  // The dialog programs and openers, and answers due from later pumps.
  std::mutex mChildrenMutex;
  std::vector<Pending> mPending;
  std::vector<Opener> mOpeners;
  std::vector<Deferred> mDeferred;
};

// --- X11Window ---

X11Window::X11Window(X11Backend& b, Window& w, Link& link, XWindow windowId, XWindow parentId, Size pixels)
    : backend(b),
      owner(w),
      connection(link.connection),
      dragSource(link.dragSource),
      id(windowId),
      parent(parentId),
      topLevel(parentId == link.connection->root()),
      closeAtom(link.wmDelete),
      size(pixels) {
  Display* display = connection->display();
  XWindowAttributes attributes{};
  XGetWindowAttributes(display, id, &attributes);
  mVisual = attributes.visual;
  mDepth = attributes.depth;
  // A software present copies BGRA bytes as they are: the visual must keep red, green and blue in the
  // bytes 2, 1 and 0 of a 32-bit pixel.
  mCanPutImage = mVisual && mVisual->c_class == TrueColor && (mDepth == 24 || mDepth == 32) &&
                 mVisual->red_mask == 0xFF0000 && mVisual->green_mask == 0xFF00 && mVisual->blue_mask == 0xFF;
  mGC = XCreateGC(display, id, 0, nullptr);
  if (topLevel) {
    Atom protocols[] = {link.wmDelete};
    XSetWMProtocols(display, id, protocols, 1);
    XStoreName(display, id, "Kelvadrune");
  }
}

X11Window::~X11Window() {
  dragSource->WindowGone(id);
  X11Scope scope(*connection);
  backend.Unregister(*this);
  // After a loss only the client's side of the graphics context is freed; nothing reaches the server.
  XFreeGC(connection->display(), mGC);
  if (scope.Usable() && !destroyed) XDestroyWindow(connection->display(), id);
}

void X11Window::SetContentPixels(Size pixels) {
  X11Scope scope(*connection);
  size = pixels;
  if (!scope.Usable() || destroyed) return;
  XResizeWindow(scope.display(), id, static_cast<unsigned>(std::max(1.0, pixels.width)),
                static_cast<unsigned>(std::max(1.0, pixels.height)));
}

Rect X11Window::FrameInDisplay() const {
  X11Scope scope(*connection);
  int x = 0, y = 0;
  XWindow child = 0;
  if (scope.Usable() && !destroyed) {
    XTranslateCoordinates(scope.display(), id, connection->root(), 0, 0, &x, &y, &child);
  }
  return Rect{{static_cast<double>(x), static_cast<double>(y)}, size};
}

void X11Window::Present(const unsigned char* bgra, int width, int height, int bytesPerRow, Point pixelOrigin) {
  X11Scope scope(*connection);
  if (!scope.Usable() || destroyed) return;
  if (!mCanPutImage) {
    if (!mToldCannotPresent) backend.Log("present: the window's visual is not 24-bit BGR; nothing shown");
    mToldCannotPresent = true;
    return;
  }
  XImage* image = XCreateImage(scope.display(), mVisual, static_cast<unsigned>(mDepth), ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<unsigned char*>(bgra)), static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 32, bytesPerRow);
  if (!image) return;
  image->byte_order = LSBFirst;  // the bytes in memory are blue, green, red, alpha
  XPutImage(scope.display(), id, mGC, image, 0, 0, static_cast<int>(pixelOrigin.x), static_cast<int>(pixelOrigin.y),
            static_cast<unsigned>(width), static_cast<unsigned>(height));
  image->data = nullptr;  // the pixels belong to the caller
  XDestroyImage(image);
}

void X11Window::MakeKeyAndOrderFront() {
  X11Scope scope(*connection);
  if (!scope.Usable() || destroyed) return;
  // Focus can only go to a viewable window; a refusal is no fault.
  XRaiseWindow(scope.display(), id);
  XSetInputFocus(scope.display(), id, RevertToParent, CurrentTime);
}

NativeSurface X11Window::Surface() const {
  X11Scope scope(*connection);
  if (!scope.Usable() || destroyed) return {};
  return NativeSurface{scope.display(), id};
}

void X11Window::PassKeyOn(bool down, int) {
  const bool matches = lastKey.type == (down ? KeyPress : KeyRelease);
  if (topLevel || !matches) return;
  X11Scope scope(*connection);
  if (!scope.Usable() || destroyed) return;
  XKeyEvent event = lastKey;
  event.window = parent;
  event.subwindow = 0;
  XSendEvent(scope.display(), parent, True, down ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
}

bool X11Window::IsVisible() const {
  std::lock_guard lock(X11DisplayMutex());
  return reported;
}

bool X11Window::BeginFileDrag(const std::string& uri, const std::string& path, PixelRect picture) {
  if (pressButton == 0) {
    backend.Log("file-drag " + uri + " -> cannot start (no button held)");
    return false;
  }
  std::shared_ptr<X11DragPicture> shown;
  if (!picture.IsEmpty()) {
    // The desktop's files are read before the display is locked: other threads' editors need not wait for them.
    const FilePicture pixels = PictureForFile(DesktopFolders::FromEnvironment(), path, kFilePictureSize);
    X11Scope scope(*connection);
    int rootX = 0, rootY = 0;
    XWindow child = 0;
    if (scope.Usable() && !destroyed &&
        XTranslateCoordinates(scope.display(), id, connection->root(), picture.x, picture.y, &rootX, &rootY, &child)) {
      shown = X11DragPicture::Create(connection, pixels, PixelRect{rootX, rootY, picture.width, picture.height});
    }
  }
  return dragSource->Start(id, pressButton, pressTime, uri, std::move(shown));
}

// --- X11Backend: connections and windows ---

X11Backend::~X11Backend() {
  {
    std::lock_guard lock(mChildrenMutex);
    mPending.clear();
    mOpeners.clear();
  }
  std::lock_guard lock(X11DisplayMutex());
  mLink.reset();
}

Link* X11Backend::Live(Connect connect) {
  NoticeLoss();
  const bool attempt = connect == Connect::kAlways || (connect == Connect::kOnce && !mConnectTried);
  if (!mLink && attempt) {
    mConnectTried = true;
    if (std::shared_ptr<X11Connection> connection = X11Connection::Open(&mWhyNot)) {
      mLink = std::make_unique<Link>(std::move(connection));
      X11Connection* opened = mLink->connection.get();
      X11Scope scope(*opened);
      mLink->dragDrop = std::make_shared<X11DragDrop>(
          opened->display(),
          [this, opened](unsigned long id) -> Window* {
            std::lock_guard lock(X11DisplayMutex());
            X11Window* window = Registered(opened, id);
            return window && !window->destroyed ? &window->owner : nullptr;
          },
          [opened](const std::function<void()>& call) {
            X11Scope trap(*opened);
            return trap.Trap(call);
          });
      mLink->dragSource =
          std::make_shared<X11DragSource>(mLink->connection, [this](const std::string& line) { Log(line); });
    }
  }
  return mLink.get();
}

Link* X11Backend::LinkForQuestion() const {
  // Questions leave the layer as it was, but may connect: the display's answers need the display.
  return const_cast<X11Backend*>(this)->Live(Connect::kOnce);
}

void X11Backend::NoticeLoss() {
  if (!mLink || !mLink->connection->Lost()) return;
  const X11Connection* lost = mLink->connection.get();
  const std::string line = "Kelvadrune: the X server went away; the editor's windows are gone";
  Log(line);
  std::fprintf(stderr, "%s\n", line.c_str());
  // What was read from the server is of no use now; the windows only learn that they are hidden.
  std::erase_if(mWaiting, [&](const Waiting& w) { return w.connection == lost && !w.visible; });
  for (X11Window* window : mNativeWindows) {
    if (window->connection.get() != lost || !window->reported) continue;
    window->reported = false;
    Queue(Waiting{lost, window->id, XEvent{}, false});
  }
  mLink.reset();
  mOwnsClipboard = false;
  mConnectTried = false;
}

std::unique_ptr<NativeWindow> X11Backend::Refuse(const std::string& why) {
  const std::string line = CannotOpen(why);
  Log(line);
  std::fprintf(stderr, "%s\n", line.c_str());
  return nullptr;
}

std::unique_ptr<NativeWindow> X11Backend::CreateNativeWindow(Window& window, void* parentHandle, Size contentPoints) {
  std::lock_guard lock(X11DisplayMutex());
  Link* link = Live(Connect::kAlways);
  if (!link) return Refuse(mWhyNot);
  X11Scope scope(*link->connection);
  Display* display = scope.display();
  const XWindow root = link->connection->root();
  const XWindow parent = parentHandle ? static_cast<XWindow>(reinterpret_cast<uintptr_t>(parentHandle)) : root;
  const Size pixels{std::max(1.0, std::ceil(contentPoints.width * link->scale)),
                    std::max(1.0, std::ceil(contentPoints.height * link->scale))};
  XSetWindowAttributes attributes{};
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                          LeaveWindowMask | KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask |
                          VisibilityChangeMask;
  attributes.background_pixel = BlackPixel(display, link->connection->screen());
  XWindow id = 0;
  const int error = scope.Trap([&] {
    id = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(pixels.width), static_cast<unsigned>(pixels.height),
                       0, CopyFromParent, InputOutput, CopyFromParent, CWEventMask | CWBackPixel, &attributes);
  });
  if (error == X11Scope::kLost) return Refuse("the X server went away");
  if (error != 0 || id == 0) {
    if (id != 0) XDestroyWindow(display, id);
    char what[96];
    std::snprintf(what, sizeof what, "window 0x%lx cannot take a child window (X error %d)", parent, error);
    return Refuse(what);
  }
  auto native = std::make_unique<X11Window>(*this, window, *link, id, parent, pixels);
  XDefineCursor(display, id, CursorFor(*link, cursorKind, cursorCounters.visible));
  link->dragDrop->MakeAware(id);
  XMapWindow(display, id);
  mNativeWindows.push_back(native.get());
  Watch(scope, *link, *native);
  // The window starts out as it is now; only later changes are reported.
  native->viewable = Viewable(scope, *native);
  native->reported = native->viewable;
  Log(std::string("window ") + (parentHandle ? "child" : "top-level") + " " + std::to_string(id));
  return native;
}

void X11Backend::Unregister(X11Window& window) {
  std::erase(mNativeWindows, &window);
  if (mLink && mLink->connection == window.connection) {
    X11Scope scope(*mLink->connection);
    Unwatch(scope, *mLink, window);
  }
}

X11Window* X11Backend::Registered(const X11Connection* connection, XWindow id) const {
  for (X11Window* window : mNativeWindows) {
    if (window->connection.get() == connection && window->id == id) return window;
  }
  return nullptr;
}

X11Window* X11Backend::Mine(const X11Connection* connection, XWindow id) const {
  X11Window* window = Registered(connection, id);
  return window && window->thread == std::this_thread::get_id() ? window : nullptr;
}

void X11Backend::Watch(X11Scope& scope, Link& link, X11Window& window) {
  if (window.topLevel) return;
  // The host's windows from the parent up to the top: unmapping any of them hides this one, and only the
  // window unmapped hears of it.
  Display* display = scope.display();
  std::vector<XWindow> chain;
  scope.Trap([&] {
    for (XWindow at = window.id;;) {
      XWindow root = 0, above = 0;
      XWindow* children = nullptr;
      unsigned count = 0;
      if (!XQueryTree(display, at, &root, &above, &children, &count)) break;
      if (children) XFree(children);
      if (above == 0 || above == root || Registered(link.connection.get(), above)) break;
      chain.push_back(above);
      at = above;
    }
    for (XWindow above : chain) {
      if (link.watched[above]++ == 0) XSelectInput(display, above, StructureNotifyMask);
    }
  });
  window.ancestors = std::move(chain);
}

void X11Backend::Unwatch(X11Scope& scope, Link& link, X11Window& window) {
  for (XWindow above : window.ancestors) {
    auto it = link.watched.find(above);
    if (it == link.watched.end() || --it->second > 0) continue;
    link.watched.erase(it);
    if (scope.Usable()) XSelectInput(scope.display(), above, NoEventMask);
  }
  window.ancestors.clear();
}

bool X11Backend::Viewable(X11Scope& scope, const X11Window& window) {
  XWindowAttributes attributes{};
  Status got = 0;
  if (!window.destroyed && scope.Usable()) {
    scope.Trap([&] { got = XGetWindowAttributes(scope.display(), window.id, &attributes); });
  }
  return got && attributes.map_state == IsViewable;
}

void X11Backend::UpdateVisibility(X11Scope& scope, X11Window& window) {
  window.viewable = Viewable(scope, window);
  Report(window);
}

void X11Backend::Report(X11Window& window) {
  const bool visible = window.viewable && !window.obscured && !window.destroyed;
  if (visible == window.reported) return;
  window.reported = visible;
  Queue(Waiting{window.connection.get(), window.id, XEvent{}, visible});
}

void X11Backend::Queue(Waiting waiting) {
  mWaiting.push_back(std::move(waiting));
  if (mWaiting.size() <= kMaxWaiting) return;
  mWaiting.pop_front();
  if (!mToldDropped) {
    Log("input: a window's thread does not pump; its oldest input is dropped");
  }
  mToldDropped = true;
}

// --- X11Backend: pumping ---

template <typename Hand>
void X11Backend::HandOver(const X11Connection* connection, XWindow id, Hand hand) {
  std::shared_ptr<std::recursive_mutex> eventLock;
  {
    std::lock_guard lock(X11DisplayMutex());
    const X11Window* window = Mine(connection, id);
    if (!window) return;
    eventLock = window->owner.EventLock();
  }
  std::unique_lock<std::recursive_mutex> ownerLock;
  if (eventLock) ownerLock = std::unique_lock(*eventLock);
  X11Window* window = nullptr;
  {
    std::lock_guard lock(X11DisplayMutex());
    window = Mine(connection, id);
  }
  if (window) hand(*window);
}

int X11Backend::Pump() {
  std::vector<Waiting> mine;
  {
    std::lock_guard lock(X11DisplayMutex());
    if (Link* link = Live(Connect::kNever)) {
      X11Scope scope(*link->connection);
      ReadEvents(scope, *link);
    }
    NoticeLoss();
    mine = TakeThisThreads();
  }
  for (Waiting& waiting : mine) {
    if (waiting.visible) {
      NativeInput input;
      input.kind = *waiting.visible ? NativeInput::Kind::kShown : NativeInput::Kind::kHidden;
      HandOver(waiting.connection, waiting.window, [&](X11Window& target) { target.owner.HandleInput(input); });
    } else {
      Dispatch(*waiting.connection, waiting.event);
    }
  }
  return static_cast<int>(mine.size()) + PollChildren();
}

void X11Backend::ReadEvents(X11Scope& scope, Link& link) {
  while (scope.Usable() && XPending(scope.display()) > 0) {
    XEvent event;
    XNextEvent(scope.display(), &event);
    Note(scope, link, event);
  }
}

// What the server says about the windows' state is noted at once, by whichever thread reads it; input
// waits for the window's thread.
void X11Backend::Note(X11Scope& scope, Link& link, XEvent& event) {
  const X11Connection* connection = link.connection.get();
  if (event.type == SelectionRequest || event.type == SelectionClear) {
    const XWindow owner = Registered(connection, event.xany.window) ? event.xany.window : 0;
    Queue(Waiting{connection, owner, event, std::nullopt});
    return;
  }
  if (link.watched.count(event.xany.window) > 0) {
    NoteAncestor(scope, link, event);
    return;
  }
  X11Window* window = Registered(connection, event.xany.window);
  if (!window) return;
  switch (event.type) {
    case ConfigureNotify:
      window->size = Size{static_cast<double>(event.xconfigure.width), static_cast<double>(event.xconfigure.height)};
      return;
    case DestroyNotify:
      window->destroyed = true;
      Report(*window);
      return;
    case MapNotify:
    case UnmapNotify:
      UpdateVisibility(scope, *window);
      return;
    case VisibilityNotify:
      // Only a viewable window hears how covered it is.
      window->viewable = true;
      window->obscured = event.xvisibility.state == VisibilityFullyObscured;
      Report(*window);
      return;
    case ReparentNotify:
      Unwatch(scope, link, *window);
      Watch(scope, link, *window);
      UpdateVisibility(scope, *window);
      return;
    default:
      Queue(Waiting{connection, window->id, event, std::nullopt});
  }
}

void X11Backend::NoteAncestor(X11Scope& scope, Link& link, XEvent& event) {
  const XWindow above = event.xany.window;
  if (event.type == DestroyNotify) link.watched.erase(above);
  for (X11Window* window : mNativeWindows) {
    if (window->connection != link.connection) continue;
    auto& chain = window->ancestors;
    if (std::find(chain.begin(), chain.end(), above) == chain.end()) continue;
    switch (event.type) {
      case MapNotify:
      case UnmapNotify:
        UpdateVisibility(scope, *window);
        break;
      case ReparentNotify:
        Unwatch(scope, link, *window);
        Watch(scope, link, *window);
        UpdateVisibility(scope, *window);
        break;
      case DestroyNotify:
        std::erase(chain, above);
        break;
      default:
        break;
    }
  }
}

std::vector<X11Backend::Waiting> X11Backend::TakeThisThreads() {
  std::vector<Waiting> mine;
  for (auto it = mWaiting.begin(); it != mWaiting.end();) {
    const bool anyThread = it->window == 0;
    const bool gone = !anyThread && !Registered(it->connection, it->window);
    if (!gone && !anyThread && !Mine(it->connection, it->window)) {
      ++it;
      continue;
    }
    if (!gone) mine.push_back(std::move(*it));
    it = mWaiting.erase(it);
  }
  return mine;
}

// The window's thread, under the window's event lock: the one place X events become the layer's input.
void X11Backend::Dispatch(const X11Connection& connection, XEvent& event) {
  // The clipboard's selection is any thread's; one a window owns (a drag's) is its thread's, as its input.
  bool windowsSelection = false;
  if (event.type == SelectionRequest || event.type == SelectionClear) {
    std::lock_guard lock(X11DisplayMutex());
    windowsSelection = Registered(&connection, event.xany.window) != nullptr;
  }
  if (event.type == SelectionRequest && !windowsSelection) {
    ServeSelection(connection, event.xselectionrequest);
    return;
  }
  if (event.type == SelectionClear && !windowsSelection) {
    std::lock_guard lock(X11DisplayMutex());
    if (mLink && mLink->connection.get() == &connection && event.xselectionclear.selection == mLink->clipboard) {
      // The word may be stale: emptying the clipboard before a copy clears it too, and the copy owns it again by
      // the time the word is read. The server says who owns it now.
      X11Scope scope(*mLink->connection);
      mOwnsClipboard =
          scope.Usable() && XGetSelectionOwner(scope.display(), mLink->clipboard) == mLink->selectionWindow;
    }
    return;
  }
  std::shared_ptr<X11DragDrop> dragDrop;
  std::shared_ptr<X11DragSource> dragSource;
  {
    std::lock_guard lock(X11DisplayMutex());
    if (mLink && mLink->connection.get() == &connection) {
      dragDrop = mLink->dragDrop;
      dragSource = mLink->dragSource;
    }
  }
  HandOver(&connection, event.xany.window, [&](X11Window& target) {
    if (dragSource && dragSource->HandleEvent(event)) return;
    if (dragDrop && dragDrop->HandleEvent(event)) return;
    NativeInput input;
    using Kind = NativeInput::Kind;
    switch (event.type) {
      case ButtonPress:
      case ButtonRelease: {
        const XButtonEvent& b = event.xbutton;
        input.timestamp = b.time / 1000.0;
        input.pixel = Point{static_cast<double>(b.x), static_cast<double>(b.y)};
        input.modifierFlags = TranslateX11Modifiers(b.state);
        if (b.button >= 4 && b.button <= 7) {
          if (event.type == ButtonRelease) return;  // a wheel step is a press and a release; one step counts
          input.kind = Kind::kWheel;
          input.wheelY = b.button == 4 ? 1.0 : b.button == 5 ? -1.0 : 0.0;
          input.wheelX = b.button == 6 ? -1.0 : b.button == 7 ? 1.0 : 0.0;
          break;
        }
        input.kind = event.type == ButtonPress ? Kind::kButtonPress : Kind::kButtonRelease;
        // The press a drag out of the window starts from.
        if (event.type == ButtonPress) {
          target.pressButton = b.button;
          target.pressTime = b.time;
        } else if (b.button == target.pressButton) {
          target.pressButton = 0;
        }
        // A click gives the window the keyboard, as clicking into a window does on the desktop; a host's
        // embedded window gets no focus otherwise.
        if (event.type == ButtonPress && !target.owner.IsKeyWindow()) target.MakeKeyAndOrderFront();
        // X numbers left, middle, right as 1, 2, 3 and extra buttons from 8 on.
        input.button = b.button == 1 ? 0 : b.button == 3 ? 1 : b.button == 2 ? 2 : static_cast<int>(b.button) - 5;
        break;
      }
      case MotionNotify:
        input.kind = Kind::kMotion;
        input.timestamp = event.xmotion.time / 1000.0;
        input.pixel = Point{static_cast<double>(event.xmotion.x), static_cast<double>(event.xmotion.y)};
        input.modifierFlags = TranslateX11Modifiers(event.xmotion.state);
        break;
      case EnterNotify:
      case LeaveNotify:
        input.kind = event.type == EnterNotify ? Kind::kEnter : Kind::kLeave;
        input.timestamp = event.xcrossing.time / 1000.0;
        input.pixel = Point{static_cast<double>(event.xcrossing.x), static_cast<double>(event.xcrossing.y)};
        input.modifierFlags = TranslateX11Modifiers(event.xcrossing.state);
        break;
      case KeyPress:
      case KeyRelease: {
        XKeyEvent& key = event.xkey;
        target.lastKey = key;
        char bytes[32];
        KeySym keysym = 0, shifted = 0, base = 0;
        {
          // The key tables are the connection's: read under the display lock.
          X11Scope scope(*target.connection);
          if (!scope.Usable()) return;
          XLookupString(&key, bytes, sizeof bytes, &keysym, nullptr);
          XKeyEvent shiftOnly = key;
          shiftOnly.state &= ShiftMask | LockMask;
          XLookupString(&shiftOnly, bytes, sizeof bytes, &shifted, nullptr);
          base = XLookupKeysym(&key, 0);
        }
        const TranslatedKey translated = TranslateX11Key(keysym, shifted, base, key.state);
        input.kind = event.type == KeyPress ? Kind::kKeyPress : Kind::kKeyRelease;
        input.timestamp = key.time / 1000.0;
        input.pixel = Point{static_cast<double>(key.x), static_cast<double>(key.y)};
        input.modifierFlags = TranslateX11Modifiers(key.state);
        input.keyCode = translated.keyCode;
        input.characters = translated.characters;
        input.charactersIgnoringModifiers = translated.charactersIgnoringModifiers;
        if (event.type == KeyPress) {
          input.isARepeat = !target.keysDown.insert(key.keycode).second;
        } else {
          target.keysDown.erase(key.keycode);
        }
        break;
      }
      case FocusIn:
      case FocusOut:
        // Focus moving inside the window, or passing through a grab, is no change of the key window.
        if (event.xfocus.detail == NotifyInferior || event.xfocus.detail == NotifyPointer ||
            event.xfocus.mode == NotifyGrab || event.xfocus.mode == NotifyUngrab) {
          return;
        }
        input.kind = event.type == FocusIn ? Kind::kFocusIn : Kind::kFocusOut;
        if (event.type == FocusOut) target.keysDown.clear();
        break;
      case Expose:
        if (event.xexpose.count == 0) {
          const PresentedFrame& frame = target.owner.LastPresentedFrame();
          if (frame.count > 0) {
            target.Present(frame.pixels.data(), frame.width, frame.height, frame.width * 4, frame.pixelOrigin);
          }
          target.owner.ContentsExposed();
        }
        return;
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == target.closeAtom) {
          Log("window: close asked by the window manager");
        }
        return;
      default:
        return;
    }
    // The window may be gone after this call: a view's handler may close the editor.
    target.owner.HandleInput(input);
  });
}

// --- X11Backend: the display, the pointer and the clipboard ---

Size X11Backend::DisplayPixels() const {
  std::lock_guard lock(X11DisplayMutex());
  const Link* link = LinkForQuestion();
  if (!link) return Size{1920, 1080};
  Display* display = link->connection->display();
  const int screen = link->connection->screen();
  return Size{static_cast<double>(DisplayWidth(display, screen)), static_cast<double>(DisplayHeight(display, screen))};
}

double X11Backend::BackingScaleFactor() const {
  std::lock_guard lock(X11DisplayMutex());
  const Link* link = LinkForQuestion();
  return link ? link->scale : 1.0;
}

Appearance X11Backend::GetAppearance() const {
  // GTK's theme variable names a dark variant as "Theme:dark" or "Theme-dark".
  const char* theme = std::getenv("GTK_THEME");
  return theme && (std::strstr(theme, ":dark") || std::strstr(theme, "-dark")) ? Appearance::kDark : Appearance::kLight;
}

X11Backend::PointerState X11Backend::QueryPointer() const {
  std::lock_guard lock(X11DisplayMutex());
  const Link* link = LinkForQuestion();
  if (!link) return {};
  X11Scope scope(*link->connection);
  XWindow rootReturn = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  if (scope.Usable()) {
    XQueryPointer(scope.display(), link->connection->root(), &rootReturn, &child, &rootX, &rootY, &x, &y, &mask);
  }
  return PointerState{Point{static_cast<double>(rootX), static_cast<double>(rootY)}, mask};
}

Point X11Backend::PointerPixels() const {
  return QueryPointer().pixels;
}

bool X11Backend::PointerButtonDown() const {
  return (QueryPointer().modifierMask & (Button1Mask | Button2Mask | Button3Mask | Button4Mask | Button5Mask)) != 0;
}

void X11Backend::WarpPointer(Point displayPixels) {
  std::lock_guard lock(X11DisplayMutex());
  Link* link = Live(Connect::kOnce);
  if (!link) return;
  X11Scope scope(*link->connection);
  if (!scope.Usable()) return;
  // X keeps screen coordinates in 16 bits: a point past them goes to the nearest edge, one that is no number
  // moves nothing.
  if (!std::isfinite(displayPixels.x) || !std::isfinite(displayPixels.y)) return;
  const auto coordinate = [](double v) { return static_cast<int>(std::clamp(v, -32768.0, 32767.0)); };
  XWarpPointer(scope.display(), 0, link->connection->root(), 0, 0, 0, 0, coordinate(displayPixels.x),
               coordinate(displayPixels.y));
}

::Cursor X11Backend::CursorFor(Link& link, CursorKind shape, bool visible) {
  const auto key = std::make_pair(visible ? shape : CursorKind::kArrow, visible);
  if (auto it = link.cursors.find(key); it != link.cursors.end()) return it->second;
  X11Scope scope(*link.connection);
  Display* display = scope.display();
  ::Cursor cursor = 0;
  if (!scope.Usable()) return cursor;
  if (!visible) {
    // An empty one-pixel cursor: the server has no "hidden" cursor of its own.
    char empty = 0;
    Pixmap blank = XCreateBitmapFromData(display, link.connection->root(), &empty, 1, 1);
    XColor black{};
    cursor = XCreatePixmapCursor(display, blank, blank, &black, &black, 0, 0);
    XFreePixmap(display, blank);
  } else {
    for (const CursorName& name : kCursorNames) {
      if (name.shape != shape) continue;
      cursor = XcursorLibraryLoadCursor(display, name.themeName);
      if (!cursor) cursor = XCreateFontCursor(display, name.fontShape);
    }
  }
  link.cursors[key] = cursor;
  return cursor;
}

void X11Backend::ApplyCursor(CursorKind shape, bool visible) {
  std::lock_guard lock(X11DisplayMutex());
  Link* link = Live(Connect::kNever);
  if (!link) return;
  X11Scope scope(*link->connection);
  const ::Cursor cursor = CursorFor(*link, shape, visible);
  for (X11Window* window : mNativeWindows) {
    if (window->connection == link->connection && !window->destroyed && scope.Usable()) {
      XDefineCursor(scope.display(), window->id, cursor);
    }
  }
}

bool X11Backend::SetClipboard(const ClipboardContents& contents) {
  std::lock_guard lock(X11DisplayMutex());
  mOffered = contents;
  Link* link = Live(Connect::kOnce);
  if (!link) return !contents.hasText;
  X11Scope scope(*link->connection);
  if (!scope.Usable()) return false;
  if (!contents.hasText) {
    if (mOwnsClipboard) XSetSelectionOwner(scope.display(), link->clipboard, 0, CurrentTime);
    mOwnsClipboard = false;
    return true;
  }
  XSetSelectionOwner(scope.display(), link->clipboard, link->selectionWindow, CurrentTime);
  mOwnsClipboard = XGetSelectionOwner(scope.display(), link->clipboard) == link->selectionWindow;
  return mOwnsClipboard;
}

std::optional<std::string> X11Backend::ClipboardText() {
  std::lock_guard lock(X11DisplayMutex());
  if (mOwnsClipboard) return mOffered.hasText ? std::optional<std::string>(mOffered.text) : std::nullopt;
  Link* link = Live(Connect::kOnce);
  if (!link) return std::nullopt;
  X11Scope scope(*link->connection);
  Display* display = scope.display();
  if (!scope.Usable() || XGetSelectionOwner(display, link->clipboard) == 0) return std::nullopt;
  XDeleteProperty(display, link->selectionWindow, link->property);
  XConvertSelection(display, link->clipboard, link->utf8, link->property, link->selectionWindow, CurrentTime);
  XFlush(display);
  // The owner answers through the server; a quarter of a second is ample for a live program and bounds
  // the wait when the owner hangs.
  const double deadline = NowSeconds() + 0.25;
  XEvent event;
  while (!XCheckTypedWindowEvent(display, link->selectionWindow, SelectionNotify, &event)) {
    const double left = deadline - NowSeconds();
    if (left <= 0.0 || !scope.Usable()) {
      Log("clipboard: no answer from its owner");
      return std::nullopt;
    }
    pollfd p{ConnectionNumber(display), POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(left * 1000.0) + 1);
  }
  if (event.xselection.property == 0) return std::nullopt;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<std::string> text;
  if (XGetWindowProperty(display, link->selectionWindow, link->property, 0, 1 << 24, True, AnyPropertyType, &type,
                         &format, &count, &after, &data) == Success &&
      data && format == 8) {
    text = std::string(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return text;
}

void X11Backend::ServeSelection(const X11Connection& connection, const XSelectionRequestEvent& request) {
  std::lock_guard lock(X11DisplayMutex());
  Link* link = Live(Connect::kNever);
  if (!link || link->connection.get() != &connection) return;
  X11Scope scope(*link->connection);
  Display* display = scope.display();
  if (!scope.Usable()) return;
  X11SelectionReply reply(request);
  if (mOwnsClipboard && request.selection == link->clipboard) {
    if (request.target == link->targets) {
      std::vector<Atom> targets{link->targets, link->utf8, XA_STRING};
      if (!mOffered.fileURLs.empty()) targets.push_back(link->uriList);
      reply.Grant(display, XA_ATOM, 32, targets.data(), static_cast<int>(targets.size()));
    } else if (request.target == link->utf8 || request.target == XA_STRING ||
               (request.target == link->uriList && !mOffered.fileURLs.empty())) {
      std::string data = mOffered.text;
      if (request.target == link->uriList) {
        data.clear();
        for (const std::string& url : mOffered.fileURLs) data += url + "\r\n";
      }
      reply.Grant(display, request.target, 8, data.data(), static_cast<int>(data.size()));
    }
  }
  // The requestor may be gone already: the error stays in the trap.
  reply.Send(display);
}

// --- X11Backend: dialog programs and openers ---

std::unique_ptr<ChildProcess> X11Backend::StartTool(const std::vector<std::string>& command, const std::string& what) {
  if (mTool == DialogTool::kNone) {
    Log(what + " -> cancelled (neither zenity nor kdialog is installed)");
    return nullptr;
  }
  std::string error;
  std::unique_ptr<ChildProcess> child = ChildProcess::Start(command, true, &error);
  if (!child) Log(what + " -> cancelled (" + error + ")");
  return child;
}

bool X11Backend::RunTool(const std::vector<std::string>& command, const std::string& what, int* status,
                         std::string* output) {
  std::unique_ptr<ChildProcess> child = StartTool(command, what);
  if (!child) return false;
  child->Wait();
  *status = child->ExitStatus();
  *output = child->Output();
  return true;
}

bool X11Backend::BeginTool(const std::vector<std::string>& command, const std::string& what, Done done) {
  std::unique_ptr<ChildProcess> child = StartTool(command, what);
  if (!child) return false;
  Log(what + " -> shown with " + DialogToolName(mTool));
  std::lock_guard lock(mChildrenMutex);
  mPending.push_back({std::this_thread::get_id(), std::move(child), std::move(done)});
  return true;
}

void X11Backend::Defer(std::function<void()> task) {
  std::lock_guard lock(mChildrenMutex);
  mDeferred.push_back({std::this_thread::get_id(), std::move(task)});
}

int X11Backend::RunAlert(const AlertRequest& request) {
  int status = 0;
  std::string output;
  const std::string what = Describe(request);
  if (!RunTool(AlertCommand(mTool, request), what, &status, &output)) return kModalResponseCancel;
  const int answer = ReadAlertAnswer(mTool, request, status, output);
  Log(what + " -> " + std::to_string(answer));
  return answer;
}

std::optional<std::string> X11Backend::RunPanel(const PanelRequest& request) {
  int status = 0;
  std::string output;
  const std::string what = Describe(request);
  if (!RunTool(PanelCommand(mTool, request), what, &status, &output)) return std::nullopt;
  std::optional<std::string> answer = ReadPanelAnswer(status, output);
  Log(what + " -> " + (answer ? *answer : std::string("cancelled")));
  return answer;
}

void X11Backend::BeginPanel(const PanelRequest& request, PanelCompletion completion) {
  auto done = [completion](int status, const std::string& output) { completion(ReadPanelAnswer(status, output)); };
  if (!BeginTool(PanelCommand(mTool, request), Describe(request), done)) {
    Defer([completion] { completion(std::nullopt); });
  }
}

MenuItem* X11Backend::TrackMenu(Menu& menu, Point) {
  const MenuRows rows = ListMenuRows(menu);
  int status = 0;
  std::string output;
  const std::string what = "menu " + Describe(menu);
  if (rows.items.empty()) {
    Log(what + " -> none (nothing to choose)");
    return nullptr;
  }
  if (!RunTool(MenuCommand(mTool, rows), what, &status, &output)) return nullptr;
  MenuItem* item = ReadMenuAnswer(rows, status, output);
  Log(what + " -> " + (item ? item->Title() : std::string("none")));
  return item;
}

void X11Backend::BeginTextEntry(const std::string& text, Rect, TextEntryCompletion completion) {
  auto done = [completion](int status, const std::string& output) { completion(ReadTextEntryAnswer(status, output)); };
  if (!BeginTool(TextEntryCommand(mTool, text), "text-entry \"" + text + "\"", done)) {
    Defer([completion] { completion(TextEntryAnswer{}); });
  }
}

void X11Backend::BeginColorPick(Color initial, bool showsAlpha, ColorHandler handler) {
  auto done = [handler](int status, const std::string& output) {
    if (std::optional<Color> color = ReadColorAnswer(status, output)) handler(*color);
  };
  BeginTool(ColorCommand(mTool, initial, showsAlpha), "color-panel " + Describe(initial), done);
}

bool X11Backend::StartOpener(const std::string& target, const std::string& what) {
  std::string error;
  std::unique_ptr<ChildProcess> child =
      ProgramInPath("xdg-open") ? ChildProcess::Start({"xdg-open", target}, false, &error) : nullptr;
  if (!child) {
    Log(what + " -> failed (" + (error.empty() ? std::string("xdg-open is not installed") : error) + ")");
    return false;
  }
  Log(what + " -> started");
  std::lock_guard lock(mChildrenMutex);
  mOpeners.push_back({std::this_thread::get_id(), std::move(child)});
  return true;
}

bool X11Backend::OpenURL(const URL& url) {
  return StartOpener(url.AbsoluteString(), "open-url " + url.AbsoluteString());
}

bool X11Backend::OpenPath(const std::string& path) {
  return StartOpener(path, "open-path " + path);
}

int X11Backend::PollChildren() {
  const std::thread::id self = std::this_thread::get_id();
  int handled = 0;
  // Finished dialogs leave the list before their completions run: a completion may start another dialog.
  std::vector<Pending> finished;
  std::vector<Deferred> deferred;
  {
    std::lock_guard lock(mChildrenMutex);
    std::erase_if(mOpeners, [&](const Opener& opener) {
      if (opener.thread != self || !opener.child->Poll()) return false;
      const int status = opener.child->ExitStatus();
      if (status != 0) Log("xdg-open ended with status " + std::to_string(status));
      ++handled;
      return true;
    });
    for (auto it = mPending.begin(); it != mPending.end();) {
      if (it->thread == self && it->child->Poll()) {
        finished.push_back(std::move(*it));
        it = mPending.erase(it);
      } else {
        ++it;
      }
    }
    for (auto it = mDeferred.begin(); it != mDeferred.end();) {
      if (it->thread == self) {
        deferred.push_back(std::move(*it));
        it = mDeferred.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (Pending& pending : finished) pending.done(pending.child->ExitStatus(), pending.child->Output());
  for (Deferred& task : deferred) task.task();
  return handled + static_cast<int>(finished.size() + deferred.size());
}

}  // namespace

std::unique_ptr<Backend> MakeX11Backend() {
  return std::make_unique<X11Backend>();
}

}  // namespace platform::window

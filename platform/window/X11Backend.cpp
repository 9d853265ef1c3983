#include "platform/window/X11Backend.h"

#include <poll.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "platform/window/Backend.h"
#include "platform/window/ChildProcess.h"
#include "platform/window/DialogTool.h"
#include "platform/window/Menu.h"
#include "platform/window/Workspace.h"
#include "platform/window/X11DragDrop.h"
#include "platform/window/X11Keys.h"

// Xlib last: its headers define macros (None, Bool, Status) that must not meet the layer's own names.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xcursor/Xcursor.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>

namespace platform::window {

namespace {

using XWindow = ::Window;

// X errors on the layer's connection (a window the host destroyed under us, a focus refused) are noted
// here instead of reaching the default handler, which ends the process and would take the host down with
// a plug-in's window. Errors of other connections in the process go on to the handler that was there.
int gTrappedError = 0;
Display* gOurDisplay = nullptr;
XErrorHandler gPreviousHandler = nullptr;

int OnXError(Display* display, XErrorEvent* event) {
  if (display == gOurDisplay) {
    gTrappedError = event->error_code;
    return 0;
  }
  return gPreviousHandler ? gPreviousHandler(display, event) : 0;
}

// Runs call and answers the X error it caused, 0 when none.
template <typename Call>
int WithTrappedErrors(Display* display, Call call) {
  XSync(display, False);
  gTrappedError = 0;
  call();
  XSync(display, False);
  return gTrappedError;
}

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

class X11Backend;

class X11Window final : public NativeWindow {
 public:
  X11Window(X11Backend& backend, Window& owner, XWindow id, XWindow parent, Size pixels);
  ~X11Window() override;

  void SetContentPixels(Size pixels) override;
  Rect FrameInDisplay() const override;
  void Present(const unsigned char* bgra, int width, int height, int bytesPerRow, Point pixelOrigin) override;
  void MakeKeyAndOrderFront() override;
  NativeSurface Surface() const override;
  void PassKeyOn(bool down, int keyCode) override;

  X11Backend& backend;
  Window& owner;
  const XWindow id;
  const XWindow parent;
  XKeyEvent lastKey{};  // the key event being sent, kept to be passed on
  Size size;
  bool destroyed = false;  // the server destroyed it with the host's window

 private:
  GC mGC = nullptr;
  Visual* mVisual = nullptr;
  int mDepth = 0;
  bool mCanPutImage = false;
  bool mToldCannotPresent = false;
};

class X11Backend final : public Backend {
 public:
  explicit X11Backend(Display* display);
  ~X11Backend() override;
  const char* Name() const override { return "x11"; }

  std::unique_ptr<NativeWindow> CreateNativeWindow(Window& window, void* parentHandle, Size pixels) override;
  Size DisplayPixels() const override {
    return Size{static_cast<double>(DisplayWidth(mDisplay, mScreen)),
                static_cast<double>(DisplayHeight(mDisplay, mScreen))};
  }
  double BackingScaleFactor() const override { return mScale; }
  Appearance GetAppearance() const override;
  Point PointerPixels() const override;
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

  Display* display() const { return mDisplay; }
  XWindow root() const { return mRoot; }
  void Register(X11Window* window) { mNativeWindows.push_back(window); }
  void Unregister(X11Window* window) { std::erase(mNativeWindows, window); }
  ::Cursor CursorFor(CursorKind shape, bool visible);
  Atom deleteWindowAtom() const { return mWmDelete; }

 private:
  using Done = std::function<void(int status, const std::string& output)>;
  struct Pending {
    std::unique_ptr<ChildProcess> child;
    Done done;
  };

  void Dispatch(XEvent& event);
  void ServeSelection(const XSelectionRequestEvent& request);
  // The dialog program started on command; null, with "cancelled" and the reason logged, when there is none.
  std::unique_ptr<ChildProcess> StartTool(const std::vector<std::string>& command, const std::string& what);
  // Runs a dialog program to its end; false (logged) when there is none or it cannot start.
  bool RunTool(const std::vector<std::string>& command, const std::string& what, int* status, std::string* output);
  // Starts a dialog program; done runs from a later Pump. False (logged) when it cannot start.
  bool BeginTool(const std::vector<std::string>& command, const std::string& what, Done done);
  bool StartOpener(const std::string& target, const std::string& what);
  int PollChildren();

  Display* mDisplay;
  int mScreen;
  XWindow mRoot;
  XWindow mSelectionWindow;
  double mScale = 1.0;
  DialogTool mTool;
  Atom mClipboard, mUtf8, mTargets, mUriList, mProperty, mWmDelete;
  ClipboardContents mOffered;
  bool mOwnsClipboard = false;
  std::map<std::pair<CursorKind, bool>, ::Cursor> mCursors;
  std::vector<X11Window*> mNativeWindows;
  std::vector<Pending> mPending;
  std::vector<std::unique_ptr<ChildProcess>> mOpeners;
  std::vector<std::function<void()>> mDeferred;
  std::set<unsigned> mKeysDown;
  // Files dropped by other programs (XDND); hooked into window creation and Dispatch.
  X11DragDrop mDragDrop{mDisplay,
                        [this](unsigned long id) -> Window* {
                          for (X11Window* window : mNativeWindows)
                            if (window->id == id && !window->destroyed) return &window->owner;
                          return nullptr;
                        },
                        [this](const std::function<void()>& call) { return WithTrappedErrors(mDisplay, call); }};
};

// --- X11Window ---

X11Window::X11Window(X11Backend& b, Window& w, XWindow windowId, XWindow parentId, Size pixels)
    : backend(b), owner(w), id(windowId), parent(parentId), size(pixels) {
  const bool topLevel = parent == backend.root();
  Display* display = backend.display();
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
    Atom protocols[] = {backend.deleteWindowAtom()};
    XSetWMProtocols(display, id, protocols, 1);
    XStoreName(display, id, "Kelvadrune");
  }
  backend.Register(this);
}

X11Window::~X11Window() {
  backend.Unregister(this);
  Display* display = backend.display();
  WithTrappedErrors(display, [&] {
    XFreeGC(display, mGC);
    if (!destroyed) XDestroyWindow(display, id);
  });
}

void X11Window::SetContentPixels(Size pixels) {
  size = pixels;
  XResizeWindow(backend.display(), id, static_cast<unsigned>(std::max(1.0, pixels.width)),
                static_cast<unsigned>(std::max(1.0, pixels.height)));
  XFlush(backend.display());
}

Rect X11Window::FrameInDisplay() const {
  int x = 0, y = 0;
  XWindow child = 0;
  if (!destroyed) XTranslateCoordinates(backend.display(), id, backend.root(), 0, 0, &x, &y, &child);
  return Rect{{static_cast<double>(x), static_cast<double>(y)}, size};
}

void X11Window::Present(const unsigned char* bgra, int width, int height, int bytesPerRow, Point pixelOrigin) {
  if (destroyed) return;
  if (!mCanPutImage) {
    if (!mToldCannotPresent) backend.Log("present: the window's visual is not 24-bit BGR; nothing shown");
    mToldCannotPresent = true;
    return;
  }
  XImage* image = XCreateImage(backend.display(), mVisual, static_cast<unsigned>(mDepth), ZPixmap, 0,
                               reinterpret_cast<char*>(const_cast<unsigned char*>(bgra)), static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 32, bytesPerRow);
  if (!image) return;
  image->byte_order = LSBFirst;  // the bytes in memory are blue, green, red, alpha
  XPutImage(backend.display(), id, mGC, image, 0, 0, static_cast<int>(pixelOrigin.x), static_cast<int>(pixelOrigin.y),
            static_cast<unsigned>(width), static_cast<unsigned>(height));
  image->data = nullptr;  // the pixels belong to the caller
  XDestroyImage(image);
  XFlush(backend.display());
}

void X11Window::MakeKeyAndOrderFront() {
  if (destroyed) return;
  Display* display = backend.display();
  // Focus can only go to a viewable window; a refusal is no fault.
  WithTrappedErrors(display, [&] {
    XRaiseWindow(display, id);
    XSetInputFocus(display, id, RevertToParent, CurrentTime);
  });
}

NativeSurface X11Window::Surface() const {
  return NativeSurface{backend.display(), id};
}

void X11Window::PassKeyOn(bool down, int) {
  const bool matches = lastKey.type == (down ? KeyPress : KeyRelease);
  if (destroyed || parent == backend.root() || !matches) return;
  XKeyEvent event = lastKey;
  event.window = parent;
  event.subwindow = 0;
  Display* display = backend.display();
  WithTrappedErrors(display, [&] {
    XSendEvent(display, parent, True, down ? KeyPressMask : KeyReleaseMask, reinterpret_cast<XEvent*>(&event));
  });
}

// --- X11Backend ---

X11Backend::X11Backend(Display* display)
    : mDisplay(display), mScreen(DefaultScreen(display)), mRoot(RootWindow(display, mScreen)), mTool(FindDialogTool()) {
  gOurDisplay = mDisplay;
  gPreviousHandler = XSetErrorHandler(OnXError);
  mSelectionWindow = XCreateSimpleWindow(mDisplay, mRoot, 0, 0, 1, 1, 0, 0, 0);
  mClipboard = XInternAtom(mDisplay, "CLIPBOARD", False);
  mUtf8 = XInternAtom(mDisplay, "UTF8_STRING", False);
  mTargets = XInternAtom(mDisplay, "TARGETS", False);
  mUriList = XInternAtom(mDisplay, "text/uri-list", False);
  mProperty = XInternAtom(mDisplay, "KD_SELECTION", False);
  mWmDelete = XInternAtom(mDisplay, "WM_DELETE_WINDOW", False);
  // Held keys report one press and no release until let go, so repeats can be told from new presses.
  XkbSetDetectableAutoRepeat(mDisplay, True, nullptr);
  // The desktop's font resolution says how many pixels make a point: 96 dpi is a scale of 1.
  if (const char* resources = XResourceManagerString(mDisplay)) {
    if (const char* dpi = std::strstr(resources, "Xft.dpi:")) {
      const double value = std::strtod(dpi + 8, nullptr);
      if (value >= 48.0 && value <= 480.0) mScale = value / 96.0;
    }
  }
}

X11Backend::~X11Backend() {
  mPending.clear();
  mOpeners.clear();
  for (auto& [key, cursor] : mCursors) XFreeCursor(mDisplay, cursor);
  XDestroyWindow(mDisplay, mSelectionWindow);
  XCloseDisplay(mDisplay);
  // Hand error handling back unless someone installed a handler of their own since.
  XErrorHandler current = XSetErrorHandler(gPreviousHandler);
  if (current != OnXError) XSetErrorHandler(current);
  gOurDisplay = nullptr;
}

std::unique_ptr<NativeWindow> X11Backend::CreateNativeWindow(Window& window, void* parentHandle, Size pixels) {
  const XWindow parent = parentHandle ? static_cast<XWindow>(reinterpret_cast<uintptr_t>(parentHandle)) : mRoot;
  XSetWindowAttributes attributes{};
  attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                          LeaveWindowMask | KeyPressMask | KeyReleaseMask | FocusChangeMask | StructureNotifyMask;
  attributes.background_pixel = BlackPixel(mDisplay, mScreen);
  XWindow id = 0;
  const int error = WithTrappedErrors(mDisplay, [&] {
    id = XCreateWindow(mDisplay, parent, 0, 0, static_cast<unsigned>(std::max(1.0, pixels.width)),
                       static_cast<unsigned>(std::max(1.0, pixels.height)), 0, CopyFromParent, InputOutput,
                       CopyFromParent, CWEventMask | CWBackPixel, &attributes);
  });
  if (error != 0 || id == 0) {
    Log("window: cannot create a child of window " + std::to_string(parent) + " (X error " + std::to_string(error) +
        ")");
    if (id != 0) WithTrappedErrors(mDisplay, [&] { XDestroyWindow(mDisplay, id); });
    return nullptr;
  }
  auto native = std::make_unique<X11Window>(*this, window, id, parent, pixels);
  mDragDrop.MakeAware(id);
  XDefineCursor(mDisplay, id, CursorFor(cursorKind, cursorCounters.visible));
  XMapWindow(mDisplay, id);
  XFlush(mDisplay);
  Log(std::string("window ") + (parentHandle ? "child" : "top-level") + " " + std::to_string(id));
  return native;
}

Appearance X11Backend::GetAppearance() const {
  // GTK's theme variable names a dark variant as "Theme:dark" or "Theme-dark".
  const char* theme = std::getenv("GTK_THEME");
  return theme && (std::strstr(theme, ":dark") || std::strstr(theme, "-dark")) ? Appearance::kDark : Appearance::kLight;
}

Point X11Backend::PointerPixels() const {
  XWindow rootReturn = 0, child = 0;
  int rootX = 0, rootY = 0, x = 0, y = 0;
  unsigned mask = 0;
  XQueryPointer(mDisplay, mRoot, &rootReturn, &child, &rootX, &rootY, &x, &y, &mask);
  return Point{static_cast<double>(rootX), static_cast<double>(rootY)};
}

void X11Backend::WarpPointer(Point displayPixels) {
  XWarpPointer(mDisplay, 0, mRoot, 0, 0, 0, 0, static_cast<int>(displayPixels.x), static_cast<int>(displayPixels.y));
  XFlush(mDisplay);
}

::Cursor X11Backend::CursorFor(CursorKind shape, bool visible) {
  const auto key = std::make_pair(visible ? shape : CursorKind::kArrow, visible);
  if (auto it = mCursors.find(key); it != mCursors.end()) return it->second;
  ::Cursor cursor = 0;
  if (!visible) {
    // An empty one-pixel cursor: the server has no "hidden" cursor of its own.
    char empty = 0;
    Pixmap blank = XCreateBitmapFromData(mDisplay, mRoot, &empty, 1, 1);
    XColor black{};
    cursor = XCreatePixmapCursor(mDisplay, blank, blank, &black, &black, 0, 0);
    XFreePixmap(mDisplay, blank);
  } else {
    for (const CursorName& name : kCursorNames) {
      if (name.shape != shape) continue;
      cursor = XcursorLibraryLoadCursor(mDisplay, name.themeName);
      if (!cursor) cursor = XCreateFontCursor(mDisplay, name.fontShape);
    }
  }
  mCursors[key] = cursor;
  return cursor;
}

void X11Backend::ApplyCursor(CursorKind shape, bool visible) {
  const ::Cursor cursor = CursorFor(shape, visible);
  for (X11Window* window : mNativeWindows) {
    if (!window->destroyed) XDefineCursor(mDisplay, window->id, cursor);
  }
  XFlush(mDisplay);
}

bool X11Backend::SetClipboard(const ClipboardContents& contents) {
  mOffered = contents;
  if (!contents.hasText) {
    if (mOwnsClipboard) XSetSelectionOwner(mDisplay, mClipboard, 0, CurrentTime);
    mOwnsClipboard = false;
    XFlush(mDisplay);
    return true;
  }
  XSetSelectionOwner(mDisplay, mClipboard, mSelectionWindow, CurrentTime);
  mOwnsClipboard = XGetSelectionOwner(mDisplay, mClipboard) == mSelectionWindow;
  return mOwnsClipboard;
}

std::optional<std::string> X11Backend::ClipboardText() {
  if (mOwnsClipboard) return mOffered.hasText ? std::optional<std::string>(mOffered.text) : std::nullopt;
  if (XGetSelectionOwner(mDisplay, mClipboard) == 0) return std::nullopt;
  XDeleteProperty(mDisplay, mSelectionWindow, mProperty);
  XConvertSelection(mDisplay, mClipboard, mUtf8, mProperty, mSelectionWindow, CurrentTime);
  XFlush(mDisplay);
  // The owner answers through the server; a quarter of a second is ample for a live program and bounds
  // the wait when the owner hangs.
  const double deadline = NowSeconds() + 0.25;
  XEvent event;
  while (!XCheckTypedWindowEvent(mDisplay, mSelectionWindow, SelectionNotify, &event)) {
    const double left = deadline - NowSeconds();
    if (left <= 0.0) {
      Log("clipboard: no answer from its owner");
      return std::nullopt;
    }
    pollfd p{ConnectionNumber(mDisplay), POLLIN, 0};
    ::poll(&p, 1, static_cast<int>(left * 1000.0) + 1);
  }
  if (event.xselection.property == 0) return std::nullopt;
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::optional<std::string> text;
  if (XGetWindowProperty(mDisplay, mSelectionWindow, mProperty, 0, 1 << 24, True, AnyPropertyType, &type, &format,
                         &count, &after, &data) == Success &&
      data && format == 8) {
    text = std::string(reinterpret_cast<char*>(data), count);
  }
  if (data) XFree(data);
  return text;
}

void X11Backend::ServeSelection(const XSelectionRequestEvent& request) {
  XSelectionEvent reply{};
  reply.type = SelectionNotify;
  reply.requestor = request.requestor;
  reply.selection = request.selection;
  reply.target = request.target;
  reply.time = request.time;
  reply.property = 0;
  // Clients from before the conventions on properties give none: the target then names the property.
  const Atom property = request.property ? request.property : request.target;
  if (mOwnsClipboard && request.selection == mClipboard) {
    if (request.target == mTargets) {
      std::vector<Atom> targets{mTargets, mUtf8, XA_STRING};
      if (!mOffered.fileURLs.empty()) targets.push_back(mUriList);
      XChangeProperty(mDisplay, request.requestor, property, XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(targets.data()), static_cast<int>(targets.size()));
      reply.property = property;
    } else if (request.target == mUtf8 || request.target == XA_STRING || request.target == mUriList) {
      std::string data = mOffered.text;
      if (request.target == mUriList) {
        data.clear();
        for (const std::string& url : mOffered.fileURLs) data += url + "\r\n";
      }
      XChangeProperty(mDisplay, request.requestor, property, request.target, 8, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
      reply.property = property;
    }
  }
  XSendEvent(mDisplay, request.requestor, False, 0, reinterpret_cast<XEvent*>(&reply));
}

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
  XFlush(mDisplay);
  child->Wait();
  *status = child->ExitStatus();
  *output = child->Output();
  return true;
}

bool X11Backend::BeginTool(const std::vector<std::string>& command, const std::string& what, Done done) {
  std::unique_ptr<ChildProcess> child = StartTool(command, what);
  if (!child) return false;
  Log(what + " -> shown with " + DialogToolName(mTool));
  mPending.push_back({std::move(child), std::move(done)});
  return true;
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
    mDeferred.push_back([completion] { completion(std::nullopt); });
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
    mDeferred.push_back([completion] { completion(TextEntryAnswer{}); });
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
  mOpeners.push_back(std::move(child));
  return true;
}

bool X11Backend::OpenURL(const URL& url) {
  return StartOpener(url.AbsoluteString(), "open-url " + url.AbsoluteString());
}

bool X11Backend::OpenPath(const std::string& path) {
  return StartOpener(path, "open-path " + path);
}

int X11Backend::PollChildren() {
  int handled = 0;
  std::erase_if(mOpeners, [&](const std::unique_ptr<ChildProcess>& opener) {
    if (!opener->Poll()) return false;
    if (opener->ExitStatus() != 0) Log("xdg-open ended with status " + std::to_string(opener->ExitStatus()));
    ++handled;
    return true;
  });
  // Finished dialogs leave the list before their completions run: a completion may start another dialog.
  std::vector<Pending> finished;
  for (size_t i = 0; i < mPending.size();) {
    if (mPending[i].child->Poll()) {
      finished.push_back(std::move(mPending[i]));
      mPending.erase(mPending.begin() + static_cast<ptrdiff_t>(i));
    } else {
      ++i;
    }
  }
  for (Pending& pending : finished) pending.done(pending.child->ExitStatus(), pending.child->Output());
  std::vector<std::function<void()>> deferred;
  deferred.swap(mDeferred);
  for (auto& task : deferred) task();
  return handled + static_cast<int>(finished.size() + deferred.size());
}

int X11Backend::Pump() {
  int handled = 0;
  while (XPending(mDisplay) > 0) {
    XEvent event;
    XNextEvent(mDisplay, &event);
    Dispatch(event);
    ++handled;
  }
  handled += PollChildren();
  XFlush(mDisplay);
  return handled;
}

void X11Backend::Dispatch(XEvent& event) {
  if ((event.type == ClientMessage || event.type == SelectionNotify) && mDragDrop.HandleEvent(event)) return;
  if (event.type == SelectionRequest) {
    ServeSelection(event.xselectionrequest);
    return;
  }
  if (event.type == SelectionClear) {
    if (event.xselectionclear.selection == mClipboard) mOwnsClipboard = false;
    return;
  }
  X11Window* target = nullptr;
  for (X11Window* window : mNativeWindows) {
    if (window->id == event.xany.window) target = window;
  }
  if (!target) return;
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
      // A click gives the window the keyboard, as clicking into a window does on the desktop; a host's
      // embedded window gets no focus otherwise.
      if (event.type == ButtonPress && !target->owner.IsKeyWindow()) target->MakeKeyAndOrderFront();
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
      target->lastKey = key;
      char bytes[32];
      KeySym keysym = 0, shifted = 0;
      XLookupString(&key, bytes, sizeof bytes, &keysym, nullptr);
      XKeyEvent shiftOnly = key;
      shiftOnly.state &= ShiftMask | LockMask;
      XLookupString(&shiftOnly, bytes, sizeof bytes, &shifted, nullptr);
      const TranslatedKey translated = TranslateX11Key(keysym, shifted, XLookupKeysym(&key, 0), key.state);
      input.kind = event.type == KeyPress ? Kind::kKeyPress : Kind::kKeyRelease;
      input.timestamp = key.time / 1000.0;
      input.pixel = Point{static_cast<double>(key.x), static_cast<double>(key.y)};
      input.modifierFlags = TranslateX11Modifiers(key.state);
      input.keyCode = translated.keyCode;
      input.characters = translated.characters;
      input.charactersIgnoringModifiers = translated.charactersIgnoringModifiers;
      if (event.type == KeyPress) {
        input.isARepeat = !mKeysDown.insert(key.keycode).second;
      } else {
        mKeysDown.erase(key.keycode);
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
      if (event.type == FocusOut) mKeysDown.clear();
      break;
    case Expose:
      if (event.xexpose.count == 0) {
        const PresentedFrame& frame = target->owner.LastPresentedFrame();
        if (frame.count > 0) {
          target->Present(frame.pixels.data(), frame.width, frame.height, frame.width * 4, frame.pixelOrigin);
        }
        target->owner.ContentsExposed();
      }
      return;
    case ConfigureNotify:
      target->size = Size{static_cast<double>(event.xconfigure.width), static_cast<double>(event.xconfigure.height)};
      return;
    case DestroyNotify:
      target->destroyed = true;
      return;
    case ClientMessage:
      if (static_cast<Atom>(event.xclient.data.l[0]) == mWmDelete) Log("window: close asked by the window manager");
      return;
    default:
      return;
  }
  // The window may be gone after this call: a view's handler may close the editor.
  target->owner.HandleInput(input);
}

}  // namespace

std::unique_ptr<Backend> MakeX11Backend() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return nullptr;
  return std::make_unique<X11Backend>(display);
}

}  // namespace platform::window

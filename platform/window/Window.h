// A window of the layer: the native window a back end made (a child of the host's window, or top-level)
// with its content view, first responder, pointer tracking and presented frame. Back ends feed it native
// input through HandleInput; the window turns that into the layer's events (click counts, drags to the
// view that took the mouse down, entered/exited through tracking areas, keys to the first responder).
// Every operation: the main thread; none blocks.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/Event.h"
#include "platform/window/View.h"

namespace platform::window {

class NativeWindow;

// Native input as a back end reports it: positions in pixels of the window's content, top-left origin.
struct NativeInput {
  enum class Kind {
    kButtonPress,
    kButtonRelease,
    kMotion,
    kWheel,
    kKeyPress,
    kKeyRelease,
    kEnter,
    kLeave,
    kFocusIn,
    kFocusOut
  };
  Kind kind = Kind::kMotion;
  double timestamp = 0.0;  // seconds
  Point pixel;             // pointer position in the content, pixels from the top-left corner
  unsigned modifierFlags = 0;
  int button = 0;       // press and release: 0 left, 1 right, 2 middle, 3 and on further buttons
  double wheelX = 0.0;  // wheel: lines to the right
  double wheelY = 0.0;  // wheel: lines upwards
  int keyCode = keycode::kUnknown;
  std::u32string characters;
  std::u32string charactersIgnoringModifiers;
  bool isARepeat = false;
  int subtype = kSubtypeMouse;
};

// Handles a back end hands out for a GPU swapchain on the window (VK_KHR_xlib_surface: a Display* and a
// Window id). Both are null/0 on the headless back end.
struct NativeSurface {
  void* display = nullptr;
  unsigned long window = 0;
};

// The last BGRA frame presented into a window (headless back end: kept for tests to read).
struct PresentedFrame {
  int width = 0;
  int height = 0;
  Point pixelOrigin;                  // top-left corner in the window's content, pixels
  std::vector<unsigned char> pixels;  // width x height x 4 bytes, rows packed, blue first
  int count = 0;                      // frames presented so far
};

class Window {
 public:
  // Two clicks of one button count as a double click when this close in time and place.
  static constexpr double kDoubleClickSeconds = 0.5;
  static constexpr double kDoubleClickPoints = 4.0;

  // A native window on the current back end with a content of contentSize points: a child of the native
  // window parentHandle (an X11 window id as a host hands it over) or, with null, a top-level window.
  // Null when the back end cannot make one (the reason goes to the back end's log).
  static std::unique_ptr<Window> Create(void* parentHandle, Size contentSize);
  // Takes the content's subviews out first, each through its RemoveFromSuperview (as a host tearing its
  // window down removes the editor's view), then destroys the native window. May run from inside a view's
  // event handler; the event's dispatch then stops.
  ~Window();
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  View& ContentView() { return mContent; }
  // The window's frame in screen coordinates (bottom-left origin, y upwards, points).
  Rect Frame() const;
  Size ContentSize() const { return mContent.Frame().size; }
  void SetContentSize(Size size);
  double BackingScaleFactor() const;
  Rect ConvertRectFromScreen(Rect rect) const;
  Rect ConvertRectToScreen(Rect rect) const;
  Appearance EffectiveAppearance() const;

  // Null makes the window itself the first responder. False when the old responder refuses to resign or
  // the view refuses to become first responder (or is not in this window).
  bool MakeFirstResponder(View* view);
  View* FirstResponder() const { return mFirstResponder; }
  void SetAcceptsMouseMovedEvents(bool accepts) { mAcceptsMouseMoved = accepts; }
  bool AcceptsMouseMovedEvents() const { return mAcceptsMouseMoved; }
  void MakeKeyAndOrderFront();
  bool IsKeyWindow() const { return mIsKey; }
  // The tooltip at the pointer's last position in the window; "" when none.
  std::string ToolTipText();

  NativeSurface Surface() const;
  const PresentedFrame& LastPresentedFrame() const { return mPresented; }
  // Whether the window is mapped and not fully covered; a window shows until its back end says otherwise.
  bool IsVisible() const { return mVisible; }
  // Back-end side (and tests on the headless back end): the window was mapped, unmapped or covered.
  void SetVisible(bool visible) { mVisible = visible; }
  // Runs when the window system lost what the window showed (X11: an Expose), after the last software
  // frame, if any, was put back: whoever shows frames another way (a GPU swapchain on Surface()) shows
  // its last one again. Main thread, from Pump; an empty handler removes it.
  void SetExposedHandler(std::function<void()> handler) { mExposed = std::move(handler); }

  // Back-end side: translates one native input into the layer's events and sends them.
  void HandleInput(const NativeInput& input);
  // Back-end side: the backing scale or the appearance changed; tells every view.
  void BackingPropertiesChanged();
  void AppearanceChanged();
  // Back-end side: the window's contents must be shown again; runs the exposed handler.
  void ContentsExposed();

 private:
  friend class View;
  explicit Window(Size contentSize);
  void ViewLeaving(View& view);
  void PassKeyOn(const Event& key);
  void SendMouse(const NativeInput& input, const Event& base);
  void TrackPointer(const Event& base, bool dragging);
  void SendKey(const NativeInput& input, const Event& base);
  bool Present(const View& view, const unsigned char* pixels, int width, int height, int bytesPerRow);
  bool Present(const View& view, int width, int height, const View::PixelWriter& write);
  void CollectTrackingAreas(View& view, std::vector<const TrackingArea*>& out);
  bool HasTrackingArea(const TrackingArea* area);
  Point PointInView(const View& view, Point inWindow) const { return view.ConvertPointFromView(inWindow, nullptr); }

  View mContent;
  std::unique_ptr<NativeWindow> mNative;
  View* mFirstResponder = nullptr;
  View* mMouseDownView = nullptr;
  int mMouseDownButton = -1;
  unsigned mButtonsDown = 0;
  bool mAcceptsMouseMoved = false;
  bool mIsKey = false;
  bool mPointerInside = false;
  Point mLastPointer;  // window coordinates
  // Click counting.
  int mLastClickButton = -1;
  double mLastClickTime = 0.0;
  Point mLastClickPoint;
  int mClickCount = 0;
  std::vector<const TrackingArea*> mInsideAreas;
  PresentedFrame mPresented;
  bool mVisible = true;
  std::function<void()> mExposed;
  // Cleared by the destructor; event dispatch holds a copy to notice a window closed by a handler.
  std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
};

}  // namespace platform::window

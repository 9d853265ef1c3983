// A window of the layer: the native window a back end made (a child of the host's window, or top-level)
// with its content view, first responder, pointer tracking and presented frame. Back ends feed it native
// input through HandleInput; the window turns that into the layer's events (click counts, drags to the
// view that took the mouse down, entered/exited through tracking areas, keys to the first responder).
// Every operation: the thread that made the window, or one holding its event lock; none blocks.
#pragma once

#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/Event.h"
#include "platform/window/ToolTipTracker.h"
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
    kFocusOut,
    kHidden,  // the window no longer shows (unmapped, inside an unmapped window, or covered entirely)
    kShown
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

  // The button's bit in a set of held buttons: none for a number past what the set counts.
  unsigned ButtonBit() const {
    return button >= 0 && button < std::numeric_limits<unsigned>::digits ? 1u << button : 0u;
  }
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
  PixelRect updated;                  // the part of the frame the last present wrote and put on the window
  size_t bytesSent = 0;               // pixel bytes put on the window by presents so far
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
  // The text of the tooltip the window shows now (the pointer rested in a tooltip rectangle; ToolTipTracker);
  // "" when none.
  const std::string& ToolTipText() const { return mToolTips.ShownText(); }

  NativeSurface Surface() const;
  const PresentedFrame& LastPresentedFrame() const { return mPresented; }
  // Runs when the window system lost what the window showed (X11: an Expose), after the last software
  // frame, if any, was put back: whoever shows frames another way (a GPU swapchain on Surface()) shows
  // its last one again. Main thread, from Pump; an empty handler removes it.
  void SetExposedHandler(std::function<void()> handler) { mExposed = std::move(handler); }

  // Whether the window shows on the display: false while the host hides it (X11: our window or one of its
  // ancestors unmapped, or the window covered entirely). Any thread.
  bool IsVisible() const { return mVisible.load(); }
  // Runs with the new state each time the window is hidden or shown again (a window shown again wants one
  // fresh frame). The window's thread, from Pump; an empty handler removes it.
  void SetVisibilityHandler(std::function<void(bool visible)> handler) { mVisibilityChanged = std::move(handler); }

  // The lock the window's owner handles its events under (an editor's lock), null for none. Back ends take it
  // before they hand the window an event; being shared, it can still be taken when the window and its owner
  // went meanwhile on another thread (the back end then finds the window again under it). Set by the owner on
  // the window's thread, before its first event.
  void SetEventLock(std::shared_ptr<std::recursive_mutex> lock) { mEventLock = std::move(lock); }
  const std::shared_ptr<std::recursive_mutex>& EventLock() const { return mEventLock; }

  // Back-end side: translates one native input into the layer's events and sends them.
  void HandleInput(const NativeInput& input);
  // Back-end side (and tests): files dragged from another program are over the content at pixel (pixels from
  // the top-left corner). The view under them that registered for dragged files hears it (entered, or updated
  // while it stays under the drag; the view the drag left, exited) and answers what a drop there would do.
  DragOperation DragMoved(const std::vector<std::string>& files, Point pixel);
  // The drag left the window or was cancelled.
  void DragExited();
  // The files were dropped at pixel: the view under them takes them when it answers other than kNone there.
  // True when it took them.
  bool DragDropped(const std::vector<std::string>& files, Point pixel);
  // Starts dragging the file at path (absolute, or from "~") out of the window into another program, from the
  // button press in hand (a view's mouse-down or drag handler calls it). True once the drag has started: it then
  // has the button, so the view that took the press hears no more of it (no drag, no mouse-up). The file's picture
  // starts on pictureFrame (window coordinates; empty: no picture) and follows the pointer. False when none can
  // start: a path that names no file, no button held, a back end without drags (headless), the pointer held by
  // another program.
  bool DragFileOut(const std::string& path, Rect pictureFrame = {});
  // Back-end side: the backing scale or the appearance changed; tells every view.
  void BackingPropertiesChanged();
  void AppearanceChanged();
  // Back-end side: the window's contents must be shown again; runs the exposed handler.
  void ContentsExposed();

 private:
  friend class View;
  explicit Window(Size contentSize);
  void ViewLeaving(View& view);
  void ToolTipsRemoved(View& view) { mToolTips.Forget(view); }
  DraggingInfo DragInfo(const std::vector<std::string>& files, Point pixel) const;
  void PassKeyOn(const Event& key);
  void SendMouse(const NativeInput& input, const Event& base);
  void TrackPointer(const Event& base, bool dragging);
  void SendKey(const NativeInput& input, const Event& base);
  bool Present(const View& view, const unsigned char* pixels, int width, int height, int bytesPerRow);
  bool Present(const View& view, int width, int height, const View::PixelWriter& write);
  bool Present(const View& view, int width, int height, PixelRect changed, const View::RegionWriter& write);
  void CollectTrackingAreas(View& view, std::vector<const TrackingArea*>& out);
  bool HasTrackingArea(const TrackingArea* area);
  Point PointInView(const View& view, Point inWindow) const { return view.ConvertPointFromView(inWindow, nullptr); }
  // A point in window coordinates in the content view's coordinates (y downwards), as HitTest takes it.
  Point TopDown(Point inWindow) const { return Point{inWindow.x, ContentSize().height - inWindow.y}; }

  View mContent;
  // Before the native window: the back end may read it until the native window is gone.
  std::shared_ptr<std::recursive_mutex> mEventLock;
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
  ToolTipTracker mToolTips;
  View* mDragView = nullptr;  // the view under a drag from another program
  PresentedFrame mPresented;
  bool mPresentedWhole = false;  // mPresented holds a complete frame (a failed write leaves it incomplete)
  std::function<void()> mExposed;
  std::atomic<bool> mVisible{true};
  std::function<void(bool)> mVisibilityChanged;
  // Cleared by the destructor; event dispatch holds a copy to notice a window closed by a handler.
  std::shared_ptr<bool> mAlive = std::make_shared<bool>(true);
};

}  // namespace platform::window

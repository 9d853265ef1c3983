// The back ends of the window layer: what differs between the headless stand-in that tests drive and a
// real X11 display. The layer's public classes (windows, views, menus, dialogs, clipboard, cursor, opening
// URLs) are written once on top of this interface; each back end only supplies native windows, raw input
// and the desktop services. The back end is chosen at run time: X11 unless a test selects the headless one.
// Threads: editors may live on different threads of a host. A window belongs to the thread that made it:
// its input is handed over only by that thread's Pump, under the window's event lock; dialog completions
// run from the Pump of the thread that asked. Operations may come from any thread (the cursor bookkeeping
// and the headless back end's script: one thread at a time); only the Run* calls and TrackMenu block, as
// modal dialogs do.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/Color.h"
#include "platform/window/Cursor.h"
#include "platform/window/Dialogs.h"
#include "platform/window/View.h"
#include "platform/window/Window.h"

namespace platform {
class RunLoop;
class RunLoopTimer;
}  // namespace platform

namespace platform::window {

class Menu;
class MenuItem;
class URL;

// The native side of one Window.
class NativeWindow {
 public:
  virtual ~NativeWindow() = default;
  virtual void SetContentPixels(Size pixels) = 0;
  // The content's place on the display: pixels, top-left origin.
  virtual Rect FrameInDisplay() const = 0;
  virtual void Present(const unsigned char* bgra, int width, int height, int bytesPerRow, Point pixelOrigin) = 0;
  virtual void MakeKeyAndOrderFront() = 0;
  virtual NativeSurface Surface() const = 0;
  // The key event being sent was used by no view: hand it to the window's parent (X11: the host's window).
  virtual void PassKeyOn(bool down, int keyCode) = 0;
  // Whether the window shows on the display, as last heard from the window system; changes afterwards reach
  // the window as input (NativeInput::Kind::kHidden, kShown).
  virtual bool IsVisible() const = 0;
  // The window's thread. Starts dragging the file at path (uri: its file:// URI) out of the window into another
  // program, from the button press in hand, its picture starting on picture (content pixels; empty: none); it then
  // runs from the thread's pumps and timers. False, with a line in the log, when no drag can start (no button held,
  // no display, the pointer taken by another program).
  virtual bool BeginFileDrag(const std::string& uri, const std::string& path, PixelRect picture) = 0;
};

struct AlertRequest {
  std::string message;
  std::string informative;
  std::vector<std::string> buttons;
};

struct PanelRequest {
  enum class Kind { kOpenFile, kSaveFile, kChooseDirectory };
  Kind kind = Kind::kOpenFile;
  std::string title;
  std::string directory;
  std::string name;
  std::vector<std::string> types;
};

// The user's typing in a text field: pieces typed (or pasted) one after the other, or one text that
// replaces everything, then a commit or a cancel.
struct TextEntryAnswer {
  std::vector<std::string> typed;
  bool replaceAll = false;
  bool commit = false;
};

struct ClipboardContents {
  bool hasText = false;  // false: the clipboard is empty
  std::string text;
  std::vector<std::string> fileURLs;
};

class Backend {
 public:
  using PanelCompletion = std::function<void(std::optional<std::string> path)>;
  using TextEntryCompletion = std::function<void(const TextEntryAnswer& answer)>;
  using ColorHandler = std::function<void(Color color)>;

  virtual ~Backend() = default;
  virtual const char* Name() const = 0;

  // A native window of contentPoints at the back end's scale; null when none can be made, the reason then in
  // the log. The calling thread is the window's: its input is handed over by that thread's Pump.
  virtual std::unique_ptr<NativeWindow> CreateNativeWindow(Window& window, void* parentHandle, Size contentPoints) = 0;
  virtual Size DisplayPixels() const = 0;
  virtual double BackingScaleFactor() const = 0;
  virtual Appearance GetAppearance() const = 0;

  // The pointer on the display: pixels, top-left origin.
  virtual Point PointerPixels() const = 0;
  // Whether a pointer button is held on the display now (X11: one of the core protocol's five). The window
  // system's state runs ahead of the input a window has handled: input waits for its thread's next Pump.
  virtual bool PointerButtonDown() const = 0;
  virtual void WarpPointer(Point displayPixels) = 0;
  virtual void ApplyCursor(CursorKind shape, bool visible) = 0;
  virtual bool HasCursorKind(CursorKind shape) const = 0;

  virtual bool SetClipboard(const ClipboardContents& contents) = 0;
  virtual std::optional<std::string> ClipboardText() = 0;

  // Blocks until answered: kAlertFirstButtonReturn + button index, or kModalResponseCancel.
  virtual int RunAlert(const AlertRequest& request) = 0;
  // Blocks until answered: the chosen path, nullopt when cancelled.
  virtual std::optional<std::string> RunPanel(const PanelRequest& request) = 0;
  // Returns at once; completion runs from a later Pump.
  virtual void BeginPanel(const PanelRequest& request, PanelCompletion completion) = 0;
  // Blocks until answered: the chosen item (any depth), null when none.
  virtual MenuItem* TrackMenu(Menu& menu, Point screenLocation) = 0;
  // Returns at once; completion runs from a later Pump.
  virtual void BeginTextEntry(const std::string& text, Rect screenRect, TextEntryCompletion completion) = 0;
  // Returns at once; handler runs from later Pumps, once per colour picked.
  virtual void BeginColorPick(Color initial, bool showsAlpha, ColorHandler handler) = 0;

  // Never block: the opener runs in the background.
  virtual bool OpenURL(const URL& url) = 0;
  virtual bool OpenPath(const std::string& path) = 0;

  // Handles what is pending for the calling thread (input of the windows it made, answers of the dialogs it
  // asked for, finished openers) without waiting, except for the event lock of a window it hands input to.
  // Answers how many things it handled.
  virtual int Pump() = 0;

  // The layer's log: every window, dialog, menu, text entry and opener with its answer, one line each. Only the
  // last 64 lines are kept (tests read the latest), so a process that lives long holds no more.
  static constexpr size_t kLogLines = 64;
  void Log(std::string line);
  std::vector<std::string> LogLines() const;
  void ClearLog();

  // The windows open on this back end.
  std::vector<Window*> Windows() const;
  void AddWindow(Window& window);
  void RemoveWindow(Window& window);

  // Cursor bookkeeping shared by both back ends (Cursor.cpp).
  CursorCounters cursorCounters;
  CursorKind cursorKind = CursorKind::kArrow;
  int cursorHideLevel = 0;

 private:
  mutable std::mutex mMutex;      // guards the log and the list of windows
  std::vector<std::string> mLog;  // a ring once full: the oldest line at mLogStart
  size_t mLogStart = 0;
  std::vector<Window*> mWindows;
};

// One-line descriptions of requests for the logs of both back ends.
std::string Describe(const AlertRequest& request);
std::string Describe(const PanelRequest& request);
std::string Describe(const Menu& menu);
std::string Describe(Color color);

enum class BackendKind { kHeadless, kX11 };

// The back end in use: unless one was selected, the X11 one, which connects to the display when it is first
// needed (a window made, or a question only the display can answer). A test aid: $KD_WINDOW_BACKEND set to
// "headless" makes the headless one the default.
Backend& CurrentBackend();
// Replaces the back end in use with a new one of kind; only while no window is open and no other thread uses
// the layer. False (keeping the current one) when windows are open.
bool SelectBackend(BackendKind kind);
// The pump of the back end in use: what a host's editor-idle call and a run-loop timer call.
int Pump();
// A repeating timer on loop that pumps the back end every intervalSeconds, on thread only when one is given;
// the caller owns it.
std::unique_ptr<RunLoopTimer> MakePumpTimer(RunLoop& loop, double intervalSeconds, std::thread::id thread = {});

}  // namespace platform::window

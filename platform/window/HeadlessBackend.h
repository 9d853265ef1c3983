// The back end for tests and for running without a display: no native window exists; tests inject native
// input into windows, read the last presented frame, and set a script from which every dialog, menu, text
// entry, colour pick and opener answers. Everything the back end is asked goes to the log with its answer.
// Answers of sheets, text entries and colour picks are delivered by the next Pump of the thread that asked,
// never inside the call that asked. Any thread; nothing blocks but the event lock of a window input goes to.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/Backend.h"

namespace platform::window {

// Answers, each used once, in order. A request with no answer left is cancelled (and logged so).
struct HeadlessScript {
  std::deque<int> alertButtons;                         // index of the button pressed; -1 closes the alert
  std::deque<std::optional<std::string>> panelAnswers;  // the chosen path; nullopt cancels
  std::deque<std::vector<int>> menuChoices;             // index path through the submenus; empty chooses none
  std::deque<TextEntryAnswer> textEntries;
  std::deque<std::vector<Color>> colorPicks;  // the colours picked in one showing of the panel
  bool openersSucceed = true;
};

class HeadlessBackend final : public Backend {
 public:
  HeadlessBackend() = default;
  const char* Name() const override { return "headless"; }

  HeadlessScript& Script() { return mScript; }
  // Hands input to window as the window system would: at once on the thread that made the window, otherwise
  // from that thread's next Pump; either way under the window's event lock. Mouse input also moves the
  // display's pointer to its place, as a person's pointer is where it clicks, and presses and releases hold
  // and free the display's buttons, both at once, before a window handles them.
  void Inject(Window& window, const NativeInput& input);
  // Tells every window's views when the value changes.
  void SetBackingScaleFactor(double scale);
  void SetAppearance(Appearance appearance);
  void SetDisplayPixels(Size pixels) { mDisplay = pixels; }
  void SetPointerPixels(Point pixels);
  const ClipboardContents& Clipboard() const { return mClipboard; }

  std::unique_ptr<NativeWindow> CreateNativeWindow(Window& window, void* parentHandle, Size contentPoints) override;
  Size DisplayPixels() const override { return mDisplay; }
  double BackingScaleFactor() const override { return mScale; }
  Appearance GetAppearance() const override { return mAppearance; }
  Point PointerPixels() const override;
  bool PointerButtonDown() const override;
  void WarpPointer(Point displayPixels) override;
  void ApplyCursor(CursorKind, bool) override {}
  bool HasCursorKind(CursorKind) const override { return true; }
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

 private:
  class Native;
  // A window made here: who made it, and a number that is never reused.
  struct Made {
    uint64_t serial;
    Window* window;
    std::thread::id thread;
  };
  struct Queued {
    uint64_t serial;
    NativeInput input;
  };
  struct Deferred {
    std::thread::id thread;
    std::function<void()> task;
  };

  // The window of serial if it is still open and the calling thread made it; mMutex held.
  Window* Find(uint64_t serial) const;
  // Takes the window's event lock, finds the window again (it may have closed meanwhile), hands input over.
  void HandOver(uint64_t serial, const NativeInput& input);
  void Defer(std::function<void()> task);

  HeadlessScript mScript;
  // Guards the windows made, queued input, deferred answers, the pointer and its buttons, the clipboard.
  mutable std::mutex mMutex;
  std::vector<Made> mMade;
  std::vector<Queued> mQueued;
  std::vector<Deferred> mDeferred;
  uint64_t mNextSerial = 1;
  Size mDisplay{1920, 1080};
  double mScale = 1.0;
  Appearance mAppearance = Appearance::kLight;
  Point mPointer;
  unsigned mButtonsHeld = 0;  // NativeInput::ButtonBit of each button held
  ClipboardContents mClipboard;
  int mNextWindowOffset = 0;
};

}  // namespace platform::window

// The model host's own top-level window on its own X connection: the parent it hands a plug-in's editor, the
// events it reads for it, what the editor shows read back from the X server, a person's pointer through XTest, and
// clicks and keys sent to the editor's window alone.
// GUI thread only (the thread that opened it), as a host's toolkit is. The host's own X errors are trapped around
// its own requests; the process-wide handlers stay as the program set them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct _XDisplay;

namespace modelhost {

// What a window shows, as the X server has it: 0xRRGGBB per pixel, rows top to bottom.
struct WindowPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> rgb;

  // The pixel at (x, y); nullopt outside the picture.
  std::optional<uint32_t> At(int x, int y) const;
};

class HostWindow {
 public:
  HostWindow() = default;
  // Destroys the window and closes the connection (only closes it once the server has gone away).
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  // Connects to $DISPLAY and maps a top-level window of the size at (x, y) on the screen. False with a reason
  // when no display opens or it lacks the XTest extension.
  bool Open(int x, int y, int width, int height, std::string& error);
  bool IsOpen() const { return mWindow != 0; }
  // False once the connection has had a fatal IO error (the server went away); from then on nothing is sent. The
  // process outlives that only when the program's IO error handler returns: Xlib's own ends the process.
  bool Connected() const { return mDisplay && !mConnectionLost; }
  unsigned long Id() const { return mWindow; }
  _XDisplay* Connection() const { return mDisplay; }

  void Resize(int width, int height);
  // Handles what is pending for the window without waiting; answers how many events there were.
  int HandleEvents();
  // The newest child of the window (the editor's), 0 when there is none.
  unsigned long EditorWindow() const;
  // What the editor's window shows; nullopt without one, or while the server cannot read it back.
  std::optional<WindowPicture> EditorPicture() const;

  // A person's pointer, in the window's coordinates; each request reaches the server before it returns.
  void MovePointer(int x, int y);
  void PressButton();
  void ReleaseButton();

  // A click (press and release of the button: 1 left, 3 right) or a key stroke (press and release of the key with
  // the X keysym, Control held or not) sent to the editor's window alone, as the server would deliver them there;
  // the shared pointer and the keyboard focus stay where they are, so editors in several hosts' windows can be
  // driven at once. Each click comes a second after the last (never a double click). Nothing without an editor's
  // window.
  void SendClick(int x, int y, unsigned button = 1);
  void SendKey(unsigned long keysym, bool control = false);

 private:
  static void OnConnectionLost(_XDisplay* display, void* self);

  _XDisplay* mDisplay = nullptr;
  unsigned long mWindow = 0;
  bool mConnectionLost = false;
  // The time stamp (ms) of the last event sent.
  unsigned long mSentTime = 0;
};

}  // namespace modelhost

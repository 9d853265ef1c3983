// The test host's editor: the plug-in's editor in a window of the host's own on an X display, kept running
// with audio until the person closes the window, and a picture of the editor made without any display (the
// plug-in's headless window layer) through the editor-frame request.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "framework/vst2/VST2EditorFrame.h"
#include "tools/vst2host/TestHost.h"

namespace vsthost {

// A frame of the editor as RGBA rows (red first, 4 bytes a pixel).
struct EditorPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

// Main thread; blocks up to timeoutSeconds. Opens the editor with no parent window, gives the plug-in idle
// time until it has presented a frame, copies that frame and closes the editor. False with a reason at once
// when the plug-in does not answer the editor-frame request (VST2EditorFrame.h), and when the editor does not
// open or presents nothing in time. The plug-in's window layer must be headless
// ($KD_WINDOW_BACKEND set to "headless" before the plug-in is created).
bool CaptureEditorFrame(TestHost& host, EditorPicture& picture, std::string& error, double timeoutSeconds = 30.0);

// Main thread; blocks until the window is closed. Opens a top-level window of the editor's size on the X
// display ($DISPLAY), opens the editor inside it, and then, until the window manager's close button is
// pressed, calls processBlock whenever the audio clock is due for a block of blockSeconds and gives the
// plug-in its editor idle time between blocks. The window follows the plug-in's size requests. False with a
// reason when no display opens or the editor does not open.
bool RunEditorWindow(TestHost& host, double blockSeconds, const std::function<void()>& processBlock,
                     std::string& error);

}  // namespace vsthost

// The editor's platform graphics: the concrete graphics class the product's make-graphics function creates. It
// draws through the vector renderer (IGraphicsVector) and adds what needs the platform: the editor's view and
// window and their life cycle, the renderer context on the view's drawing layer, cursor hiding and warping, the
// clipboard, dragging files out, alerts, open, save and folder panels, the colour panel, opening URLs and files,
// tooltips, native text entry and popup menus, the desktop's appearance and the platform font loaders.
//
// Threads: the editor belongs to the thread that opened it (EditorThread): the view's redraw timer, the window
// layer's event pump and the popup menus' queued work are bound to it on the main run loop, and idle calls from
// other threads leave the editor alone. Every call runs under the editor delegate's editor lock, apart from the
// process-wide font-descriptor cache, whose mutex the constructor and destructor take (before the renderer's
// framebuffer mutex). Modal dialogs block the editor's thread until answered; popup menus are shown from the
// main run loop's queue, never inside the call that asked for them.
#pragma once

#include <memory>
#include <thread>

#include "framework/FwString.h"
#include "graphics/vector/IGraphicsVector.h"
#include "platform/window/Geometry.h"

namespace platform {
class RunLoopTimer;
}

namespace platform::window {
class Window;
}

namespace fx::gfx {

class IGraphicsView;

class IGraphicsLinux : public IGraphicsVector {
 public:
  // Retains the process's font-descriptor cache.
  IGraphicsLinux(IGEditorDelegate& dlg, int w, int h, int fps, float scale);
  // Closes an open editor without calling back into the delegate, then lets go of the descriptor cache.
  ~IGraphicsLinux() override;

  void SetBundleID(const char* id) { mBundleID.Set(id ? id : ""); }
  void SetAppGroupID(const char* id) { mAppGroupID.Set(id ? id : ""); }
  const char* GetBundleID() const override { return mBundleID.Get(); }
  const char* GetAppGroupID() const override { return mAppGroupID.Get(); }
  // The window layer's back end the editor runs on: "x11" or "headless".
  const char* GetPlatformAPIStr() override;
  void ActivateContext() override {}
  void DeactivateContext() override {}
  float MeasureText(const IText& text, const char* str, IRECT& bounds) const override {
    return IGraphics::MeasureText(text, str, bounds);
  }

  // ---- Window ----
  // parent: the host's window (an X11 window id) or null for a top-level window. Closes an open view first
  // (without the delegate's close), then makes the view and its window, the renderer context, the screen scale,
  // the layout, the tooltips, and tells the delegate. Answers the view, or null when no window could be made.
  void* OpenWindow(void* parent) override;
  // Removes and releases the view and its window, then the renderer context and every control. Nothing when no
  // view is open; never calls back into the delegate.
  void CloseWindow() override;
  // The window, the view's timers and the event pump go at once; the renderer context and the controls stay
  // (with the view, which the context draws into) until CloseWindow.
  void DetachWindow() override;
  // The thread that opened the window; the default id before the first open.
  std::thread::id EditorThread() const { return mThread; }
  void* GetWindow() override;
  bool WindowIsOpen() override;
  void PlatformResize(bool parentHasResized) override;
  void AttachPlatformView(const IRECT& r, void* platformView) override;
  void RemovePlatformView(void* platformView) override;
  void HidePlatformView(void* platformView, bool hide) override;
  // The native window the editor is shown in, null while closed.
  platform::window::Window* GetPlatformWindow() const { return mWindow.get(); }
  IGraphicsView* GetView() const { return mView.get(); }

  // ---- Mouse cursor ----
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide = true, bool lock = true) override;
  void MoveMouseCursor(float x, float y) override;
  ECursor SetMouseCursor(ECursor cursorType = kArrowCursor) override;
  // For every mouse event of the view: keeps a hidden, locked cursor where it was hidden (while a button is held,
  // or the pointer is still where the event found it) and answers the stored cursor position in prevX, prevY;
  // otherwise answers and stores x, y.
  void RepositionMouseCursor(float& prevX, float& prevY, float x, float y);
  // Editor point (x, y) on the screen (points, y upwards from the bottom of the main screen, as MoveMouseCursor
  // and GetMouseLocation take it): times the draw scale, view to window, window to screen (the window's place on
  // the display as the window system tells it). Nothing without a view.
  void PointToScreen(float& x, float& y) const;

  // ---- System ----
  // The running kernel's version (uname's release) as SystemVersionFromRelease packs it, read once per process;
  // 0 when it cannot be read. Any thread.
  static int GetSystemVersion();
  // "MAJOR.MINOR.PATCH..." packed in nibbles: the major's decimal digits above the minor and the patch, one nibble
  // each (at most 15): "6.1.0-18-amd64" gives 0x610, "5.15.0" 0x5F0, "10.2.1" 0x1021. A missing minor or patch
  // counts 0; 0 when the text does not start with a number.
  static int SystemVersionFromRelease(const char* release);

  // ---- Clipboard, drags ----
  bool GetTextFromClipboard(FwString& text) override;
  bool SetTextInClipboard(const char* text) override;
  bool SetFilePathInClipboard(const char* path) override;
  // From a control's mouse-down or drag handler: starts dragging the file at path out of the editor into another
  // program (the window's DragFileOut), from the button press in hand, then releases the mouse capture (the drag
  // has the button; the control hears no mouse-up). True once the drag has started; false, with the capture
  // released all the same, when none can start (no window, an empty path, no button held, headless). The file's
  // picture starts on iconBounds and follows the pointer.
  bool InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds) override;

  // ---- Dialogs (modal ones block until answered) ----
  EMsgBoxResult ShowMessageBox(const char* text, const char* caption, EMsgBoxType type,
                               IMsgBoxCompletionHandlerFunc completion = nullptr) override;
  // Without a completion function the panel runs modally and writes the chosen file into fileName and its folder
  // (with a trailing "/") into path; with one, a sheet hands both to it later and the caller's strings stay
  // untouched. Without a view fileName is emptied and nothing is shown.
  void PromptForFile(FwString& fileName, FwString& path, EFileAction action = kFileOpen, const char* ext = "",
                     IFileDialogCompletionHandlerFunc completion = nullptr) override;
  // Starts in path; an empty path is first set to the user's desktop folder (the xdg desktop directory,
  // platform/paths), or the home folder when that folder is not there. Modal: path becomes the chosen folder (with a
  // trailing "/"), or "" when cancelled. With a completion function: a sheet; path stays, and the function gets the
  // folder, or "" when cancelled.
  void PromptForDirectory(FwString& path, IFileDialogCompletionHandlerFunc completion = nullptr) override;
  bool PromptForColor(IColor& color, const char* prompt = "", IColorPickerHandlerFunc func = nullptr) override;

  // ---- URLs and files ----
  // A text containing "http" must be a web address, any other is taken as a file path. True without opening
  // anything when the text forms no URL (null, empty, or a malformed address); otherwise whether the opener
  // started.
  bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
               const char* errMsgOnFailure = nullptr) override;
  bool RevealPathInExplorerOrFinder(FwString& path, bool select = false) override;

  // ---- Tooltips, native text entry and menus, appearance ----
  // Registers the tooltip rectangles of the visible controls with the view (none while an in-editor menu is open);
  // with tooltips disabled it only removes them, which also hides a tooltip being shown.
  void UpdateTooltips() override;
  // The window shows a control's tooltip, the pointer resting at (x, y) (editor points): it is drawn over the
  // editor by the tooltip control (IGraphicsToolTip), attached with the first one. Main thread.
  void ShowToolTip(const char* text, float x, float y);
  void HideToolTip();
  void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                               const char* str) override;
  // Always asynchronous: the menu is shown from the main run loop's queue; the answer reaches
  // SetControlValueAfterPopupMenu there (null when the view closed meanwhile; nothing at all when the graphics
  // are gone, or the request is no longer pending: answered, replaced, or its control removed).
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void ForceEndUserEdit() override;
  EUIAppearance GetUIAppearance() const override;

  // ---- Fonts ----
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fileNameOrResID) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, void* data, int dataSize) override;
  PlatformFontPtr LoadPlatformFont(const char* fontID, const char* fontName, ETextStyle style) override;
  void CachePlatformFont(const char* fontID, const PlatformFontPtr& font) override;

  // The view rectangle of r: edges times the draw scale, left and top floored, right and bottom ceiled.
  platform::window::Rect ViewRect(const IRECT& r) const;

 private:
  // Closes the view and its window and hands the view over; it hears nothing of the graphics from the first step on.
  std::shared_ptr<IGraphicsView> CloseView();
  // The pointer's screen position in editor units (unchanged without a view).
  void ScreenToPoint(float& x, float& y) const;
  void StoreCursorPosition();
  // (x, y) in screen coordinates (y upwards); moved on the display with the pointer dissociated.
  void MoveCursorToScreenPoint(double x, double y);
  // Whether the pointer is now at editor point (x, y), within a point (true for a point that is no number).
  bool PointerIsAt(float x, float y) const;

  std::shared_ptr<IGraphicsView> mView;
  // A view detached while one of its events was in hand, kept for the renderer context until CloseWindow.
  std::shared_ptr<IGraphicsView> mDetachedView;
  std::unique_ptr<platform::window::Window> mWindow;
  // Pumps the window layer's events on the editor's thread while the window is open.
  std::unique_ptr<platform::RunLoopTimer> mEventPump;
  std::thread::id mThread;
  platform::window::Point mCursorLockPosition;
  FwString mBundleID;
  FwString mAppGroupID;
  // Queued popup menus hold a weak reference: gone with the graphics. The view count tells them whether the view
  // they were asked for is still the one open.
  std::shared_ptr<IGraphicsLinux*> mSelf;
  unsigned mViewCount = 0;
};

}  // namespace fx::gfx

// The editor's view: hosts the editor in its window, owns the drawing layer the renderer draws into, redraws
// from its own repeating timer on the main run loop at the editor's frame rate, turns the window layer's
// mouse, wheel, key and drop events into the graphics core's events, and shows the native text field, popup
// menus, colour panel, cursors and tooltips. Made and owned by IGraphicsLinux while its editor is open.
//
// The editor's thread only: the window layer's events, the run-loop timer (bound to that thread) and the colour
// panel's picks all arrive there, each handled as one editor event under the editor lock (so a close from inside
// leaves the graphics for the event to return into). Only CreatePopupMenu blocks, as a native menu does, until
// the user has chosen.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "framework/IGEditorDelegate.h"
#include "framework/IKeyPress.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/IRECT.h"
#include "graphics/IRECTList.h"
#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "graphics/platform/IGraphicsTextField.h"
#include "platform/window/Dialogs.h"
#include "platform/window/View.h"

namespace platform {
class RunLoopTimer;
}

namespace fx::gfx {

class IGraphicsLinux;
class IPopupMenu;

// Flag bits of TranslateKeyEvent.
namespace keyflag {
inline constexpr int kVirtualKey = 1;
inline constexpr int kShift = 4;
inline constexpr int kCommand = 8;
inline constexpr int kOption = 16;
inline constexpr int kControl = 32;
}  // namespace keyflag

// The key code of a key event (Windows-style virtual keys, see IKeyPress) with its flags: kVirtualKey when the
// answer is a virtual key, else the answer is the key's character.
int TranslateKeyEvent(const platform::window::Event& event, int& flags);
// The key as the editor receives it.
IKeyPress MakeKeyPress(const platform::window::Event& event);

// Files dragged onto the view: their paths, in the drag's order, and where the pointer is in window coordinates.
using IGraphicsDraggingInfo = platform::window::DraggingInfo;

class IGraphicsView final : public platform::window::View,
                            public platform::window::ToolTipOwner,
                            public platform::window::TextFieldDelegate,
                            public std::enable_shared_from_this<IGraphicsView> {
 public:
  // Sized to the editor at its draw scale, with a new drawing layer; it belongs to the graphics' editor thread.
  explicit IGraphicsView(IGraphicsLinux& graphics);
  // Closes the colour panel it may have opened and stops observing.
  ~IGraphicsView() override;

  // The graphics stop hearing from the view: what the view does from here (its removal included) reaches no
  // graphics. The graphics call it first when they close the view themselves.
  void DetachGraphics() { mGraphics = nullptr; }
  IGraphicsDrawingLayer* Layer() const { return mLayer.get(); }

  // ---- Drawing ----
  // Redraws from now on, every 1 / the editor's frame rate seconds (60 frames a second when it names none), on
  // the editor's thread. The view must be owned by a shared pointer by then.
  void SetTimer();
  // No redraw after this; also from inside a redraw.
  void KillTimer();
  // Draws the dirty controls, if any, then shows the frame the layer finished; nothing while the window is
  // hidden.
  void Render();

  // ---- Native text entry, menus, colour, tooltips, cursor ----
  // Nothing while a field is open. area is in view coordinates.
  void CreateTextEntry(int paramIdx, const IText& text, const char* str, int length, platform::window::Rect area);
  void EndUserInput();
  bool IsTextEntryOpen() const { return mTextFieldView != nullptr; }
  // Blocks until the user chose: the menu the chosen item belongs to (menu or one of its submenus), its chosen
  // index set; null when nothing was chosen.
  IPopupMenu* CreatePopupMenu(IPopupMenu& menu, platform::window::Rect bounds);
  // Returns at once; func is called with every colour picked. True when the panel was shown.
  bool PromptForColor(IColor& color, IColorPickerHandlerFunc func);
  void RegisterToolTip(const IRECT& bounds);
  // The window shows or hides the tooltip of the control under the pointer (point in view coordinates); the
  // graphics draw it over the editor.
  void ShowToolTip(const std::string& text, platform::window::Point point) override;
  void HideToolTip() override;
  void SetMouseCursor(ECursor cursor);

  // ---- Dropping files (from other programs, through the window: X11's drag-and-drop protocol, or a test) ----
  // Copy whenever files are dragged (wherever they are), none for an empty list.
  platform::window::DragOperation DraggingEntered(const IGraphicsDraggingInfo& info) override;
  // Always true; the files go to IGraphics::OnDrop (one) or OnDropMultiple (more) at the editor point.
  bool PerformDragOperation(const IGraphicsDraggingInfo& info) override;

  // ---- View ----
  // Ends a pending text entry; when the host removes the view (not the graphics closing it), the editor delegate
  // closes the editor, which deletes the graphics (graphics the delegate does not hold close themselves); the view
  // lives on until this call returns.
  void RemoveFromSuperview() override;
  void ViewDidMoveToWindow() override;
  void ViewDidChangeBackingProperties() override;
  void ViewDidChangeEffectiveAppearance() override;
  void UpdateTrackingAreas() override;
  bool AcceptsFirstResponder() const override { return true; }
  bool ResignFirstResponder() override;

  void MouseDown(const platform::window::Event& event) override;
  void RightMouseDown(const platform::window::Event& event) override;
  void MouseUp(const platform::window::Event& event) override;
  void RightMouseUp(const platform::window::Event& event) override;
  void MouseDragged(const platform::window::Event& event) override;
  void RightMouseDragged(const platform::window::Event& event) override;
  void MouseMoved(const platform::window::Event& event) override;
  void MouseEntered(const platform::window::Event& event) override;
  void MouseExited(const platform::window::Event& event) override;
  void ScrollWheel(const platform::window::Event& event) override;
  // Keys the editor does not use go on to the next responder.
  void KeyDown(const platform::window::Event& event) override;
  void KeyUp(const platform::window::Event& event) override;

  std::string StringForToolTip(platform::window::View& view, int tag, platform::window::Point point,
                               void* userData) override;
  void ControlTextDidEndEditing(platform::window::TextField& field) override;

 private:
  // A point in window coordinates in editor points.
  void EditorPoint(platform::window::Point inWindow, float& x, float& y) const;
  // One event of the editor: the editor lock, and the delegate told while the view still has its graphics.
  IGEditorDelegate::EditorEvent BeginEvent();
  void GetMouseXY(const platform::window::Event& event, float& x, float& y);
  IMouseInfo GetMouseLeft(const platform::window::Event& event);
  IMouseInfo GetMouseRight(const platform::window::Event& event);
  void PressMouse(const IMouseInfo& info, const platform::window::Event& event);
  void DragMouse(const platform::window::Event& event, bool right);
  void WindowDidResign();
  void UpdateDrawableSize();
  // Whether this tick draws nothing: the window is hidden, or the GPU not ready for another frame.
  bool SkipFrame();
  void PresentFinishedFrame();
  platform::window::PixelRect ChangedPixels() const;
  void OnColorPicked(const platform::window::ColorPanel& panel);

  IGraphicsLinux* mGraphics;
  const std::shared_ptr<std::recursive_mutex> mEditorMutex;
  const std::thread::id mThread;
  std::unique_ptr<platform::RunLoopTimer> mTimer;
  const platform::window::TrackingArea* mTrackingArea = nullptr;
  std::unique_ptr<IGraphicsTextField> mTextFieldView;
  // A field that ended from inside its own editing: kept until the next text entry or the view's end.
  std::unique_ptr<IGraphicsTextField> mEndedTextField;
  float mPrevX = 0.f;
  float mPrevY = 0.f;
  bool mMouseOutDuringDrag = false;
  bool mHidden = false;  // the last tick found the window hidden
  IRECTList mDirtyRects;
  IColorPickerHandlerFunc mColorPickerFunc;
  std::unique_ptr<IGraphicsDrawingLayer> mLayer;
};

}  // namespace fx::gfx

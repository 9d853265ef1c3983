// The desktop's tooltip behaviour for one window: when the pointer rests in a view's tooltip rectangle for
// kDelaySeconds (on the main run loop's clock), the rectangle's owner is asked for the text and the view is told
// to show it beside the pointer; it stays while the pointer stays in that rectangle. Moving to another rectangle,
// leaving the window or removing the rectangles hides it; a click, a wheel step or a key hides it too, and the
// rectangle then stays quiet until the pointer leaves it. The layer draws no tooltip: the view does
// (View::ShowToolTip, View::HideToolTip).
// The window's thread only (its delay timer is bound to that thread); nothing blocks.
#pragma once

#include <memory>
#include <string>

#include "platform/window/Geometry.h"

namespace platform {
class RunLoopTimer;
}

namespace platform::window {

class View;

class ToolTipTracker {
 public:
  // About as long as desktops wait before they show a tooltip.
  static constexpr double kDelaySeconds = 0.6;

  ToolTipTracker();
  ~ToolTipTracker();
  ToolTipTracker(const ToolTipTracker&) = delete;
  ToolTipTracker& operator=(const ToolTipTracker&) = delete;

  // The pointer is at inWindow (window coordinates) over hit, the deepest view there (null outside the views).
  void PointerMoved(View* hit, Point inWindow);
  // A click, wheel step or key: hides the tooltip and keeps the rectangle under the pointer quiet until it leaves.
  void Dismiss();
  // The pointer left the window: hides the tooltip and forgets where the pointer was.
  void Cancel();
  // view and its subviews lose their tooltips: their rectangles were removed, or they leave the window.
  void Forget(const View& view);
  // The text being shown; "" when none.
  const std::string& ShownText() const { return mShownText; }

 private:
  // A tooltip rectangle: the view that has it and its tag; no view for none.
  struct Spot {
    View* view = nullptr;
    int tag = 0;
    bool operator==(const Spot&) const = default;
  };
  static Spot SpotAt(View* hit, Point inWindow);
  void StartDelay();
  void Show();
  void Hide();

  Spot mUnder;      // the rectangle under the pointer
  Spot mShown;      // the rectangle whose tooltip shows
  Spot mDismissed;  // quiet until the pointer leaves it
  Point mPointer;   // window coordinates
  std::string mShownText;
  std::unique_ptr<RunLoopTimer> mDelay;
};

}  // namespace platform::window

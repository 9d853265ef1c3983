// A rectangle of a window that draws and takes events, nested in a tree of subviews: the layer's view. Its
// coordinates run from the top-left corner of its bounds, y downwards; its frame is given in its
// superview's coordinates. Events reach a view through the virtual handlers; a handler that a subclass does
// not override passes the event on to the next responder (the superview), so unused keys travel up the tree.
// Every operation: the main thread (the thread that pumps the back end); none blocks.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/window/Event.h"
#include "platform/window/Geometry.h"

namespace platform::window {

class View;
class Window;

enum class Appearance { kLight, kDark };

// Options of a tracking area.
namespace tracking {
inline constexpr unsigned kMouseEnteredAndExited = 0x01;
inline constexpr unsigned kMouseMoved = 0x02;
inline constexpr unsigned kActiveAlways = 0x80;
// Entered and exited events also arrive while a mouse button is held; without it they wait for the release.
inline constexpr unsigned kEnabledDuringMouseDrag = 0x400;
}  // namespace tracking

// A rectangle of a view (in the view's coordinates) that reports the pointer entering, leaving and moving
// inside it to its view. Owned by the view that added it.
class TrackingArea {
 public:
  TrackingArea(View& owner, Rect rect, unsigned options) : mOwner(owner), mRect(rect), mOptions(options) {}
  View& Owner() const { return mOwner; }
  Rect GetRect() const { return mRect; }
  unsigned Options() const { return mOptions; }

 private:
  View& mOwner;
  Rect mRect;
  unsigned mOptions;
};

// Supplies a tooltip's text when it is about to show.
class ToolTipOwner {
 public:
  virtual ~ToolTipOwner() = default;
  // Main thread. point is in the view's coordinates.
  virtual std::string StringForToolTip(View& view, int tag, Point point, void* userData) = 0;
};

// What a drop of the dragged files would do, as the view under them answers.
enum class DragOperation { kNone, kCopy };

// Files dragged over a view from another program: their paths in the drag's order, and where the pointer is in
// window coordinates.
struct DraggingInfo {
  std::vector<std::string> filenames;
  Point draggingLocation;
};

class View {
 public:
  explicit View(Rect frame = {});
  // Leaves its superview; the subviews stay alive (their owners hold them) and lose their superview.
  virtual ~View();
  View(const View&) = delete;
  View& operator=(const View&) = delete;

  // Hierarchy. Views are owned by whoever made them; a superview only refers to its subviews.
  // Adds view on top of the other subviews, taking it from its old superview first.
  void AddSubview(View& view);
  virtual void RemoveFromSuperview();
  View* Superview() const { return mSuperview; }
  const std::vector<View*>& Subviews() const { return mSubviews; }
  // The window the view is shown in, null while it is in none.
  Window* GetWindow() const;
  bool IsDescendantOf(const View& ancestor) const;

  // Geometry.
  Rect Frame() const { return mFrame; }
  Rect Bounds() const { return Rect{{}, mFrame.size}; }
  void SetFrame(Rect frame);
  void SetFrameSize(Size size);
  bool IsHidden() const { return mHidden; }
  void SetHidden(bool hidden);
  // from == null: the point is in window coordinates.
  Point ConvertPointFromView(Point point, const View* from) const;
  // to == null: the answer is in window coordinates.
  Point ConvertPointToView(Point point, const View* to) const;
  // The deepest visible view under point (in the superview's coordinates), this one included; null when
  // the point is outside.
  View* HitTest(Point pointInSuperview);

  // Responder chain.
  virtual bool AcceptsFirstResponder() const { return false; }
  virtual bool BecomeFirstResponder() { return true; }
  virtual bool ResignFirstResponder() { return true; }
  View* NextResponder() const { return mSuperview; }

  virtual void MouseDown(const Event& event);
  virtual void MouseUp(const Event& event);
  virtual void RightMouseDown(const Event& event);
  virtual void RightMouseUp(const Event& event);
  virtual void OtherMouseDown(const Event& event);
  virtual void OtherMouseUp(const Event& event);
  virtual void MouseMoved(const Event& event);
  virtual void MouseDragged(const Event& event);
  virtual void RightMouseDragged(const Event& event);
  virtual void OtherMouseDragged(const Event& event);
  virtual void MouseEntered(const Event& event);
  virtual void MouseExited(const Event& event);
  virtual void ScrollWheel(const Event& event);
  virtual void KeyDown(const Event& event);
  virtual void KeyUp(const Event& event);

  // Changes around the view.
  virtual void ViewDidMoveToWindow() {}
  virtual void ViewDidChangeBackingProperties() {}
  virtual void ViewDidChangeEffectiveAppearance() {}
  // Called when the view joins a window and when its frame changes: the place to renew tracking areas.
  virtual void UpdateTrackingAreas() {}
  Appearance EffectiveAppearance() const;

  // Tracking areas; rect in the view's coordinates.
  const TrackingArea& AddTrackingArea(Rect rect, unsigned options);
  void RemoveTrackingArea(const TrackingArea& area);
  const std::vector<std::unique_ptr<TrackingArea>>& TrackingAreas() const { return mTrackingAreas; }

  // Tooltips; rect in the view's coordinates. The owner is asked for the text when the tooltip shows. The window
  // shows a rectangle's tooltip when the pointer rests in it (ToolTipTracker); removing the rectangles hides it.
  int AddToolTipRect(Rect rect, ToolTipOwner& owner, void* userData);
  void RemoveAllToolTips();
  int NumToolTipRects() const { return static_cast<int>(mToolTips.size()); }
  // The tag of the last-added tooltip rectangle under point (view coordinates); 0 when none.
  int ToolTipTagAt(Point point) const;
  // The text of the rectangle tag, asked of its owner for point (view coordinates); "" when there is no such one.
  std::string ToolTipText(int tag, Point point);
  // The text of the last-added tooltip rectangle under point (view coordinates); "" when none.
  std::string ToolTipAt(Point point) { return ToolTipText(ToolTipTagAt(point), point); }
  // The window shows a tooltip of this view with text, the pointer resting at point (view coordinates), or stops
  // showing it. The layer draws no tooltip itself: a view that shows tooltips draws it over its content.
  virtual void ShowToolTip(const std::string& text, Point point);
  virtual void HideToolTip() {}

  // Files dragged from other programs (the back end's drag-and-drop protocol, or a test, through the window). The
  // window asks the deepest view under the pointer that registered for dragged files (a view that did not, such as
  // a field over the view, passes the drag to its superviews): entered when the drag comes over it, updated as it
  // moves there (the answer of entered by default), exited when it leaves it or is cancelled; a drop on a view
  // whose last answer was not kNone performs it. Views take no drops by default.
  void RegisterForDraggedFiles() { mTakesDraggedFiles = true; }
  bool RegisteredForDraggedFiles() const { return mTakesDraggedFiles; }
  virtual DragOperation DraggingEntered(const DraggingInfo&) { return DragOperation::kNone; }
  virtual DragOperation DraggingUpdated(const DraggingInfo& info) { return DraggingEntered(info); }
  virtual void DraggingExited() {}
  // True when the files were taken.
  virtual bool PerformDragOperation(const DraggingInfo&) { return false; }

  // Presenting: the size in pixels of the frames the view shows, and a software present of one BGRA frame
  // (8 bits per channel, blue first) at the view's place in its window. False outside a window.
  Size DrawableSize() const { return mDrawableSize; }
  void SetDrawableSize(Size pixels) { mDrawableSize = pixels; }
  bool PresentBGRA(const unsigned char* pixels, int width, int height, int bytesPerRow);
  // The same with the frame written by `write` straight into the window's frame storage (rows bytesPerRow
  // apart), which is reused from frame to frame: nothing is copied or allocated on the way. A writer that
  // fails makes the present fail and leaves the stored pixels unspecified.
  using PixelWriter = std::function<bool(unsigned char* bgra, size_t bytesPerRow)>;
  bool PresentBGRA(int width, int height, const PixelWriter& write);
  // A frame of width x height that differs from the one presented before only inside `changed`: only a region
  // of it is written and put on the window. The region is `changed` within the frame, or the whole frame when
  // the window holds no complete frame of this size at this place. `write` writes the region's rows, the first
  // at bgra (its top-left pixel in the window's frame storage), rows bytesPerRow apart. Nothing changed: true,
  // and nothing is presented.
  using RegionWriter = std::function<bool(unsigned char* bgra, size_t bytesPerRow, PixelRect region)>;
  bool PresentBGRA(int width, int height, PixelRect changed, const RegionWriter& write);

 private:
  friend class Window;
  struct ToolTipRect {
    Rect rect;
    ToolTipOwner* owner;
    void* userData;
    int tag;
  };
  void SetSuperview(View* superview);
  void MovedToWindow(Window* from, Window* to);

  Rect mFrame;
  bool mHidden = false;
  bool mTakesDraggedFiles = false;
  View* mSuperview = nullptr;
  Window* mRootOf = nullptr;  // set on a window's content view
  std::vector<View*> mSubviews;
  std::vector<std::unique_ptr<TrackingArea>> mTrackingAreas;
  std::vector<ToolTipRect> mToolTips;
  int mNextToolTipTag = 1;
  Size mDrawableSize;
};

}  // namespace platform::window

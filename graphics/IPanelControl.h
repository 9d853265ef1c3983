// IContainerBase, the base of controls that hold others (an attach function builds the children, a resize
// function lays them out, hiding or disabling the container does the same to every child; a container
// built with its functions ignores the mouse), and IPanelControl, a container that fills its rectangle with a colour or
// gradient (the panel background among others). Main thread only.
#pragma once

#include "framework/FwPtrList.h"
#include "graphics/IControl.h"
#include "graphics/IPattern.h"

#include <functional>

namespace fx::gfx {

class IContainerBase;

// Builds (on attach) or lays out (on resize) a container's children in the given rectangle.
using IContainerFunction = std::function<void(IContainerBase* container, const IRECT& bounds)>;

class IContainerBase : public IControl {
 public:
  using AttachFunc = IContainerFunction;
  using ResizeFunc = IContainerFunction;

  IContainerBase(const IRECT& bounds, AttachFunc attachFunc = nullptr, ResizeFunc resizeFunc = nullptr);
  // A container bound to a parameter or reporting through an action, taking the mouse as any control does;
  // no functions, no children.
  IContainerBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc);

  // Runs the attach function once the container is in the graphics object, then OnResize.
  void OnAttached() override;
  // Runs the resize function with the new rectangle, when there is a child to lay out.
  void OnResize() override;
  void Draw(IGraphics&) override {}
  // Every child first, in the order added, then the container.
  void Hide(bool hide) override;
  void SetDisabled(bool disable) override;

  // Attaches child to the container's graphics in the container's group and keeps it as a child; the
  // graphics owns it. Null, leaving child with the caller, while the container is not attached.
  IControl* AddChildControl(IControl* child);
  void ForAllChildrenFunc(const std::function<void(int index, IControl* child)>& func);
  int NChildren() const { return mChildren.GetSize(); }
  IControl* GetChild(int index) const;
  // Takes a child that the graphics is removing out of the list; the others keep their order.
  void RemoveChild(const IControl* child);

 protected:
  AttachFunc mAttachFunc;
  ResizeFunc mResizeFunc;
  // Not owned: the graphics' control list owns and deletes every child.
  FwPtrList<IControl> mChildren;
};

class IPanelControl : public IContainerBase {
 public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame = false, AttachFunc attachFunc = nullptr,
                ResizeFunc resizeFunc = nullptr);

  void Draw(IGraphics& g) override;
  // The rectangle, for an opaque pattern drawn at full weight.
  IRECT OpaqueBounds() const override;
  void SetPattern(const IPattern& pattern);

 private:
  IPattern mPattern;
  bool mDrawFrame;
};

}  // namespace fx::gfx

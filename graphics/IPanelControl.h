// IContainerBase, the base of controls that hold others (an attach function builds the children, a resize
// function lays them out; the container ignores the mouse), and IPanelControl, a container that fills its
// rectangle with a colour or gradient (the panel background among others). Main thread only.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IPattern.h"

#include <functional>

namespace fx::gfx {

class IContainerBase : public IControl
{
public:
  using AttachFunc = std::function<void(IContainerBase* container, const IRECT& bounds)>;
  using ResizeFunc = std::function<void(IContainerBase* container, const IRECT& bounds)>;

  IContainerBase(const IRECT& bounds, AttachFunc attachFunc = nullptr, ResizeFunc resizeFunc = nullptr);

  // Runs the attach function once the container is in the graphics object.
  void OnAttached() override;
  // Runs the resize function with the new rectangle.
  void OnResize() override;
  void Draw(IGraphics&) override {}

protected:
  AttachFunc mAttachFunc;
  ResizeFunc mResizeFunc;
};

class IPanelControl : public IContainerBase
{
public:
  IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame = false, AttachFunc attachFunc = nullptr,
                ResizeFunc resizeFunc = nullptr);

  void Draw(IGraphics& g) override;
  void SetPattern(const IPattern& pattern);

private:
  IPattern mPattern;
  bool mDrawFrame;
};

} // namespace fx::gfx

#include "graphics/IPanelControl.h"

#include "graphics/IGraphics.h"

namespace fx::gfx {

IContainerBase::IContainerBase(const IRECT& bounds, AttachFunc attachFunc, ResizeFunc resizeFunc)
  : IControl(bounds), mAttachFunc(std::move(attachFunc)), mResizeFunc(std::move(resizeFunc))
{
  mIgnoreMouse = true;
}

void IContainerBase::OnAttached()
{
  if (mAttachFunc)
    mAttachFunc(this, mRECT);
}

void IContainerBase::OnResize()
{
  if (mResizeFunc)
    mResizeFunc(this, mRECT);
}

IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame, AttachFunc attachFunc,
                             ResizeFunc resizeFunc)
  : IContainerBase(bounds, std::move(attachFunc), std::move(resizeFunc)), mPattern(pattern), mDrawFrame(drawFrame)
{
}

void IPanelControl::SetPattern(const IPattern& pattern)
{
  mPattern = pattern;
  SetDirty(false);
}

void IPanelControl::Draw(IGraphics& g)
{
  g.PathClear();
  g.PathRect(mRECT);
  g.PathFill(mPattern, IFillOptions(), &mBlend);
  if (mDrawFrame)
    g.DrawRect(COLOR_LIGHT_GRAY, mRECT, &mBlend, 1.f);
}

} // namespace fx::gfx

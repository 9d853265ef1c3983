#include "graphics/IPanelControl.h"

#include "graphics/IGraphics.h"

namespace fx::gfx {

IContainerBase::IContainerBase(const IRECT& bounds, AttachFunc attachFunc, ResizeFunc resizeFunc)
    : IControl(bounds), mAttachFunc(std::move(attachFunc)), mResizeFunc(std::move(resizeFunc)) {
  mIgnoreMouse = true;
}

IContainerBase::IContainerBase(const IRECT& bounds, int paramIdx, IActionFunction actionFunc)
    : IControl(bounds, paramIdx, std::move(actionFunc)) {}

void IContainerBase::OnAttached() {
  if (mAttachFunc) mAttachFunc(this, mRECT);
  OnResize();
}

void IContainerBase::OnResize() {
  if (mResizeFunc && mChildren.GetSize() > 0) mResizeFunc(this, mRECT);
}

void IContainerBase::Hide(bool hide) {
  for (int i = 0; i < mChildren.GetSize(); ++i) mChildren.Get(i)->Hide(hide);
  IControl::Hide(hide);
}

void IContainerBase::SetDisabled(bool disable) {
  for (int i = 0; i < mChildren.GetSize(); ++i) mChildren.Get(i)->SetDisabled(disable);
  IControl::SetDisabled(disable);
}

// A child is listed once, in one container: added again it stays where it is in the list, and a child of
// another container leaves that one's list (which would otherwise keep it after it is removed and deleted).
IControl* IContainerBase::AddChildControl(IControl* child) {
  if (!child || !mGraphics) return nullptr;
  if (mChildren.Find(child) >= 0) return child;
  // A container is never its own child or its ancestor's: the walks up the parents would never end.
  for (const IControl* ancestor = this; ancestor; ancestor = ancestor->GetParent()) {
    if (ancestor == child) return nullptr;
  }
  auto* previous = dynamic_cast<IContainerBase*>(child->GetParent());
  child->SetParent(this);
  IControl* attached = mGraphics->AttachControl(child, -1, GetGroup());
  if (!attached) return nullptr;
  if (previous && previous != this) previous->RemoveChild(attached);
  mChildren.Add(attached);
  return attached;
}

void IContainerBase::ForAllChildrenFunc(const std::function<void(int index, IControl* child)>& func) {
  for (int i = 0; i < mChildren.GetSize(); ++i) func(i, mChildren.Get(i));
}

IControl* IContainerBase::GetChild(int index) const {
  return mChildren.Get(index);
}

void IContainerBase::RemoveChild(const IControl* child) {
  const int index = mChildren.Find(child);
  if (index >= 0) mChildren.Delete(index);
}

IPanelControl::IPanelControl(const IRECT& bounds, const IPattern& pattern, bool drawFrame, AttachFunc attachFunc,
                             ResizeFunc resizeFunc)
    : IContainerBase(bounds, std::move(attachFunc), std::move(resizeFunc)), mPattern(pattern), mDrawFrame(drawFrame) {}

void IPanelControl::SetPattern(const IPattern& pattern) {
  mPattern = pattern;
  SetDirty(false);
}

IRECT IPanelControl::OpaqueBounds() const {
  const bool plainBlend = mBlend.method == kBlendDefault && mBlend.weight == 1.f;
  return plainBlend && mPattern.IsOpaque() ? mRECT : IRECT();
}

void IPanelControl::Draw(IGraphics& g) {
  g.PathClear();
  g.PathRect(mRECT);
  g.PathFill(mPattern, IFillOptions(), &mBlend);
  if (mDrawFrame) g.DrawRect(COLOR_LIGHT_GRAY, mRECT, &mBlend, 1.f);
}

}  // namespace fx::gfx

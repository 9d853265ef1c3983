#include "graphics/IVectorBase.h"

namespace fx::gfx {

IVectorBase::IVectorBase(const IVStyle& style, bool labelInWidget, bool valueInWidget)
  : mStyle(style), mLabelInWidget(labelInWidget), mValueInWidget(valueInWidget)
{
}

void IVectorBase::OnStyleChanged() {}

void IVectorBase::SetStyle(const IVStyle& style)
{
  mStyle = style;
  OnStyleChanged();
}

void IVectorBase::AttachIControl(IControl* control, const char* label)
{
  mControl = control;
  mLabelStr.Set(label ? label : "");
}

void IVectorBase::SetSplashPoint(float x, float y)
{
  mSplashX = x;
  mSplashY = y;
}

} // namespace fx::gfx

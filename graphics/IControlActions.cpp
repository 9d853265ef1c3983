#include "graphics/IControlActions.h"

#include "graphics/IControl.h"
#include "graphics/IGraphics.h"
#include "graphics/IVectorBase.h"

namespace fx::gfx {

void DefaultAnimationFunc(IControl* control) {
  if (control->GetAnimationFunction() && control->GetAnimationProgress() > 1.0) control->OnEndAnimation();
}

void SplashAnimationFunc(IControl* control) {
  const double progress = control->GetAnimationProgress();
  if (progress > 1.0) {
    control->OnEndAnimation();
    return;
  }
  if (auto* vb = dynamic_cast<IVectorBase*>(control)) {
    vb->SetSplashRadius(static_cast<float>(progress) * vb->GetMaxSplashRadius());
    vb->OnStyleChanged();
  }
  control->SetDirty(false);
}

void EmptyClickActionFunc(IControl*) {}

void DefaultClickActionFunc(IControl* control) {
  control->SetAnimation(DefaultAnimationFunc);
  control->StartAnimation(kClickAnimationMs);
}

void SplashClickActionFunc(IControl* control) {
  if (auto* vb = dynamic_cast<IVectorBase*>(control)) {
    float x = 0.f;
    float y = 0.f;
    if (const IGraphics* g = control->GetUI()) g->GetMouseDownPoint(x, y);
    vb->SetSplashPoint(x, y);
    vb->OnStyleChanged();
  }
  control->SetAnimation(SplashAnimationFunc);
  control->StartAnimation(kClickAnimationMs);
}

}  // namespace fx::gfx

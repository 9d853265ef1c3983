// The action functions that show a control's value in the graphics object's value bubble.
#include "graphics/IControlActions.h"

#include "framework/FwString.h"
#include "framework/IParam.h"
#include "graphics/IControl.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

namespace {

// The display text of entry 0's value through its parameter, and the unit label; empty for an unbound control.
FwString BubbleText(IControl* control) {
  FwString text;
  if (const IParam* param = control->GetParam(0)) {
    param->GetDisplay(control->GetValue(0), true, text, true);
    if (param->GetLabel()[0]) {
      text.Append(" ");
      text.Append(param->GetLabel());
    }
  }
  return text;
}

// The smallest content a value bubble shows, so short values do not make it jump in size.
constexpr IRECT kMinimumBubbleContent(0.f, 0.f, 50.f, 30.f);

}  // namespace

void ShowBubbleHorizontalActionFunc(IControl* control) {
  IGraphics* g = control ? control->GetUI() : nullptr;
  if (!g) return;
  const IRECT& r = control->GetRECT();
  g->ShowBubbleControl(control, r.R, r.MH(), BubbleText(control).Get(), kHorizontal, kMinimumBubbleContent);
}

void ShowBubbleVerticalActionFunc(IControl* control) {
  IGraphics* g = control ? control->GetUI() : nullptr;
  if (!g) return;
  const IRECT& r = control->GetRECT();
  g->ShowBubbleControl(control, r.MW(), r.T, BubbleText(control).Get(), kVertical, kMinimumBubbleContent);
}

}  // namespace fx::gfx

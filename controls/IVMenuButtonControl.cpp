#include "controls/IVMenuButtonControl.h"

#include "framework/IParam.h"
#include "graphics/IGraphics.h"
#include "graphics/IPopupMenu.h"

#include <algorithm>
#include <string>

namespace fx::gfx {

namespace {

IVStyle WithMiddleValue(IVStyle style) {
  style.valueText.mVAlign = kVAlignMiddle;
  return style;
}

}  // namespace

IVMenuButtonControl::IVMenuButtonControl(const IRECT& bounds, int paramIdx, const char* label, const IVStyle& style,
                                         EVShape shape)
    : IContainerBase(bounds, paramIdx, nullptr), IVectorBase(style) {
  AttachIControl(this, "");
  mText = style.valueText;
  mDisablePrompt = false;

  mAttachFunc = [this, label = std::string(label ? label : ""), style, shape](IContainerBase*, const IRECT& r) {
    auto* button =
        new IVButtonControl(r, SplashClickActionFunc, label.c_str(), WithMiddleValue(style), false, true, shape);
    mMenuButton = static_cast<IVButtonControl*>(AddChildControl(button));
    if (!mMenuButton) {
      delete button;
      return;
    }
    UpdateButtonText();
    // The container is reached through the button's parent, which its removal clears: a button left behind
    // prompts for nothing.
    mMenuButton->SetAnimationEndActionFunction([](IControl* pressed) {
      if (auto* menu = dynamic_cast<IVMenuButtonControl*>(pressed->GetParent()))
        menu->PromptUserInput(static_cast<IVButtonControl*>(pressed)->GetWidgetBounds(), 0);
    });
  };

  mResizeFunc = [this](IContainerBase*, const IRECT& r) {
    IVButtonControl* button = GetMenuButton();
    if (!button) return;
    button->SetTargetAndDrawRECTs(r);
    button->SetMouseIsOver(false);
    button->OnResize();
  };
}

IVButtonControl* IVMenuButtonControl::GetMenuButton() const {
  return mMenuButton && mChildren.Find(mMenuButton) >= 0 ? mMenuButton : nullptr;
}

void IVMenuButtonControl::SetButtonText(const char* text) {
  IVButtonControl* button = GetMenuButton();
  if (!button) return;
  button->SetValueStr(text);
  button->SetDirty(false);
}

void IVMenuButtonControl::UpdateButtonText() {
  const IParam* param = GetParam(0);
  if (!GetMenuButton() || !param) return;
  FwString text;
  param->GetDisplayWithLabel(text, true);
  SetButtonText(text.Get());
}

void IVMenuButtonControl::SetValueFromDelegate(double value, int valIdx) {
  IControl::SetValueFromDelegate(value, valIdx);
  UpdateButtonText();
}

void IVMenuButtonControl::SetValueFromUserInput(double value, int valIdx) {
  if (value == GetValue(valIdx)) return;
  SetValue(value, valIdx);
  SetDirty(true, valIdx);
  UpdateButtonText();
}

void IVMenuButtonControl::OnPopupMenuSelection(IPopupMenu* menu, int valIdx) {
  if (!menu) return;
  const int chosen = menu->GetChosenItemIdx();
  const IPopupMenu::Item* item = menu->GetChosenItem();
  SetButtonText(item ? item->GetText() : "");

  const IParam* param = GetParam(valIdx);
  if (valIdx < 0 || !param || mDisablePrompt) return;
  // The prompt's menu lists the display texts in their own order: the entry's own value maps it back even
  // when the range does not start at 0. A menu without a choice (-1) is a number like any other index: it
  // ends at the range's low end.
  double value = chosen;
  if (chosen >= 0 && chosen < param->NDisplayTexts()) param->GetDisplayTextAtIdx(chosen, &value);
  value = param->Constrain(value);
  SetValueFromUserInput(std::clamp(param->ToNormalized(value), 0.0, 1.0), valIdx);
}

void IVMenuButtonControl::SetStyle(const IVStyle& style) {
  IVectorBase::SetStyle(style);
  if (IVButtonControl* button = GetMenuButton()) button->SetStyle(WithMiddleValue(style));
}

}  // namespace fx::gfx

#include "editor/ISBInfoMenuLW.h"

#include "editor/EditorCommand.h"
#include "framework/IGEditorDelegate.h"
#include "framework/IParam.h"
#include "graphics/IGraphics.h"

namespace fx::gfx {

namespace {

constexpr float kInfoMenuHighlightRadius = 2.f;

using Item = IPopupMenu::Item;

int InfoMenuItemFlags(bool enabled, bool checked) {
  return (enabled ? Item::kNoFlags : Item::kDisabled) | (checked ? Item::kChecked : Item::kNoFlags);
}

}  // namespace

ISBInfoMenuLW::ISBInfoMenuLW(IGEditorDelegate& plugin, const IRECT& bounds, const ISVG& offSVG, const ISVG& onSVG,
                             const InfoMenuEntry* rows, int nRows, bool hoverHighlight)
    : IControl(bounds),
      IBitmapBase(IBitmap()),
      mPlugin(plugin),
      mRows(rows && nRows > 0 ? std::vector<InfoMenuEntry>(rows, rows + nRows) : std::vector<InfoMenuEntry>()),
      mOffSVG(offSVG),
      mOnSVG(onSVG),
      mDrawSVG(true),
      mHoverHighlight(hoverHighlight) {
  AttachIControl(this);
}

IPopupMenu::Item* ISBInfoMenuLW::AddMenuItem(IPopupMenu& menu, const char* text, int index, int flags) {
  return menu.AddItem(new Item(text, flags), index);
}

IParam* ISBInfoMenuLW::Param(int paramIdx) const {
  return paramIdx < 0 ? nullptr : mPlugin.GetParam(paramIdx);
}

IPopupMenu* ISBInfoMenuLW::GetRadioGroupMenu(int radioGroup) const {
  const auto found = mRadioGroupMenus.find(radioGroup);
  return found == mRadioGroupMenus.end() ? nullptr : found->second;
}

// ---- Building ----

void ISBInfoMenuLW::BuildAndShowMenu() {
  mMenu.Clear();
  // The previous build's submenus went with the items.
  mValueListMenus.clear();
  mRadioGroupMenus.clear();
  AddMenuItem(mMenu, kTitle, IPopupMenu::kAppend, Item::kNoFlags);
  AddMenuItem(mMenu, "", IPopupMenu::kAppend, Item::kSeparator);
  for (InfoMenuEntry& row : mRows) {
    row.itemIndex = -1;
    row.submenu = nullptr;
  }
  for (InfoMenuEntry& row : mRows) AddRowItem(row);
  if (IGraphics* g = GetUI()) g->CreatePopupMenu(*this, mMenu, mRECT, 0);
}

void ISBInfoMenuLW::AddRowItem(InfoMenuEntry& row) {
  switch (row.type) {
    case kSeparator:
      AddMenuItem(mMenu, "", IPopupMenu::kAppend, Item::kSeparator);
      break;
    case kParamToggle: {
      const IParam* param = Param(row.id);
      row.itemIndex = mMenu.NItems();
      AddMenuItem(mMenu, row.text, IPopupMenu::kAppend, InfoMenuItemFlags(row.enabled, param && param->Int() == 1));
      break;
    }
    case kParamValueList:
      AddValueList(row);
      break;
    case kCommand:
    case kOpenURL:
      row.itemIndex = mMenu.NItems();
      AddMenuItem(mMenu, row.text, IPopupMenu::kAppend, InfoMenuItemFlags(row.enabled, false));
      break;
    case kSubmenuStart:
      AddRadioGroup(row);
      break;
    default:  // radio rows join their group's submenu; unknown types add nothing
      break;
  }
}

void ISBInfoMenuLW::AddValueList(InfoMenuEntry& row) {
  auto* submenu = new IPopupMenu();
  mValueListMenus.push_back(submenu);
  const IParam* param = Param(row.id);
  if (param) {
    const int current = param->Int();
    for (int i = 0; i < param->NDisplayTexts(); ++i)
      AddMenuItem(*submenu, param->GetDisplayText(i), IPopupMenu::kAppend, InfoMenuItemFlags(true, i == current));
  }
  mMenu.AddItem(row.text, submenu)->SetEnabled(row.enabled);
  row.submenu = submenu;
}

void ISBInfoMenuLW::AddRadioGroup(const InfoMenuEntry& start) {
  auto* submenu = new IPopupMenu();
  mRadioGroupMenus[start.radioGroup] = submenu;
  for (InfoMenuEntry& row : mRows) {
    if (row.type != kRadioItem || !row.enabled || row.radioGroup != start.radioGroup) continue;
    AddMenuItem(*submenu, row.text, IPopupMenu::kAppend, Item::kNoFlags);
    row.submenu = submenu;
  }
  mMenu.AddItem(start.text, submenu)->SetEnabled(start.enabled);
}

// ---- Answering ----

void ISBInfoMenuLW::OnPopupMenuSelection(IPopupMenu* menu, int) {
  // The graphics takes the mouse away while a menu is open, so no mouse-up releases the button.
  mPressed = false;
  SetDirty(false, -1);
  if (!menu) return;
  if (menu == &mMenu)
    AnswerRootChoice(menu->GetChosenItemIdx());
  else
    AnswerSubmenuChoice(*menu);
}

void ISBInfoMenuLW::AnswerRootChoice(int chosen) {
  if (chosen <= 0) return;
  for (const InfoMenuEntry& row : mRows) {
    if (row.itemIndex != chosen) continue;
    if (row.type == kOpenURL) {
      if (IGraphics* g = GetUI()) g->OpenURL(row.url ? row.url : "");
    } else if (row.type == kCommand && row.id >= 0) {
      mPlugin.OnParamChange(row.id, kUI, -1);
    } else if (row.type == kParamToggle && row.id != -1) {
      const IParam* param = Param(row.id);
      if (param) ToggleParam(row.id, param->Int() != 1 ? 1.0 : 0.0);
    }
    return;
  }
}

void ISBInfoMenuLW::AnswerSubmenuChoice(const IPopupMenu& submenu) {
  const int chosen = submenu.GetChosenItemIdx();
  for (const InfoMenuEntry& row : mRows) {
    if (row.submenu != &submenu) continue;
    if (row.type == kRadioItem && row.id != -1) {
      mChosenRadioIdx = chosen;
      mPlugin.OnParamChange(row.id, kUI, -1);
    } else if (row.type == kParamValueList && row.id != -1) {
      SetParamFromIndex(row.id, chosen);
    }
    return;
  }
}

void ISBInfoMenuLW::ToggleParam(int paramIdx, double value) {
  IParam* param = Param(paramIdx);
  if (!param || param->Value() == value) return;
  const double constrained = param->Constrain(value);
  param->Set(constrained);
  mPlugin.SendParameterValueFromDelegate(paramIdx, constrained, false);
  mPlugin.SendParameterValueFromUI(paramIdx, IEditorDelegate::ConstrainedNormalized(*param, constrained));
}

void ISBInfoMenuLW::SetParamFromIndex(int paramIdx, int index) {
  const IParam* param = Param(paramIdx);
  if (param && param->Int() != index) ToggleParam(paramIdx, index);
}

// ---- Drawing and mouse ----

void ISBInfoMenuLW::Draw(IGraphics& g) {
  if (mHoverHighlight && mMouseOver)
    g.FillRoundRect(IPattern(mHighlightColor), mRECT, kInfoMenuHighlightRadius, &mBlend);
  if (mDrawSVG)
    g.DrawSVG(mPressed ? mOnSVG : mOffSVG, mRECT, &mBlend);
  else
    DrawBitmap(g);
}

void ISBInfoMenuLW::SetDisabled(bool disable) {
  IControl::SetDisabled(disable);
}

void ISBInfoMenuLW::OnMouseDown(float, float, const IMouseMod&) {
  mPressed = true;
  SetDirty(false, -1);
  BuildAndShowMenu();
}

void ISBInfoMenuLW::OnMouseUp(float, float, const IMouseMod&) {
  mPressed = false;
  SetDirty(false, -1);
}

void ISBInfoMenuLW::OnMouseOver(float, float, const IMouseMod&) {
  mMouseOver = true;
  SetDirty(false, -1);
}

void ISBInfoMenuLW::OnMouseOut() {
  mPressed = false;
  mMouseOver = false;
  SetDirty(false, -1);
}

}  // namespace fx::gfx

#include "graphics/IPopupMenu.h"

#include <strings.h>
#include <algorithm>

namespace fx::gfx {

IPopupMenu::Item::Item(const char* text, int flags, int tag) : mText(text ? text : ""), mFlags(flags), mTag(tag) {}

IPopupMenu::Item::Item(const char* text, IPopupMenu* submenu) : mText(text ? text : ""), mSubmenu(submenu) {}

IPopupMenu::Item::~Item() {
  delete mSubmenu;
}

IPopupMenu::IPopupMenu(const char* rootTitle, int prefix, bool multiCheck, std::initializer_list<const char*> items)
    : mPrefix(prefix), mCanMultiCheck(multiCheck) {
  SetRootTitle(rootTitle);
  for (const char* text : items) AddItem(text);
}

IPopupMenu::IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, IPopupFunction func)
    : IPopupMenu(rootTitle, 0, false, items) {
  mPopupFunc = std::move(func);
}

IPopupMenu::~IPopupMenu() {
  Clear(false);
}

void IPopupMenu::Clear(bool resetEverything) {
  mItems.Empty(true);
  if (resetEverything) {
    mChosenItemIdx = -1;
    mPrefix = 0;
    mCanMultiCheck = false;
    mRootTitle.Set("");
  }
}

// Bisection by case-insensitive comparison; an equal text puts the new item before the match.
int IPopupMenu::SortedPosition(const char* text) const {
  int lo = 0;
  int hi = NItems();
  while (lo != hi) {
    const int mid = (lo + hi) / 2;
    const int cmp = strcasecmp(text, mItems.Get(mid)->GetText());
    if (cmp == 0) return mid;
    if (cmp > 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

IPopupMenu::Item* IPopupMenu::AddItem(Item* item, int index) {
  if (!item) return nullptr;
  int pos;
  if (index == kAppend)
    pos = NItems();
  else if (index == kSorted)
    pos = SortedPosition(item->GetText());
  else
    pos = std::clamp(index, 0, NItems());
  mItems.Insert(pos, item);
  return item;
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int index, int itemFlags) {
  return AddItem(new Item(text, itemFlags), index);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, IPopupMenu* submenu, int index) {
  // The submenu answers as this menu does, so an empty function replaces the submenu's own too.
  if (submenu) submenu->SetFunction(mPopupFunc);
  return AddItem(new Item(text, submenu), index);
}

IPopupMenu::Item* IPopupMenu::AddItem(const char* text, int index, IPopupMenu* submenu) {
  if (submenu && mPopupFunc) submenu->SetFunction(mPopupFunc);
  return AddItem(new Item(text, submenu), index);
}

IPopupMenu::Item* IPopupMenu::AddSeparator(int index) {
  return AddItem(new Item("", Item::kSeparator), index);
}

void IPopupMenu::RemoveEmptySubmenus() {
  for (int i = NItems() - 1; i >= 0; --i) {
    const IPopupMenu* submenu = mItems.Get(i)->GetSubmenu();
    if (submenu && submenu->NItems() == 0) mItems.Delete(i, true);
  }
}

IPopupMenu::Item* IPopupMenu::GetItem(int index) const {
  if (index < 0 || index >= NItems()) return nullptr;
  return mItems.Get(index);
}

const char* IPopupMenu::GetItemText(int index) const {
  const Item* item = GetItem(index);
  return item ? item->GetText() : "";
}

void IPopupMenu::CheckItem(int index, bool checked) {
  if (Item* item = GetItem(index)) item->SetChecked(checked);
}

void IPopupMenu::CheckItemAlone(int index) {
  for (int i = 0; i < NItems(); ++i) CheckItem(i, i == index);
}

bool IPopupMenu::IsItemChecked(int index) const {
  const Item* item = GetItem(index);
  return item && item->GetChecked();
}

void IPopupMenu::ExecFunction() {
  if (mPopupFunc) mPopupFunc(this);
}

}  // namespace fx::gfx

// The platform-independent model of a menu: a title, ordered items that may own submenus, the chosen
// item and the function called once the user has chosen. Built by the graphics core for value prompts
// and by controls for their own menus; shown by the in-editor menu control or the platform's menu.
// Main thread only.
#pragma once

#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "graphics/IGraphicsTypes.h"

#include <initializer_list>

namespace fx::gfx {

class IPopupMenu {
 public:
  class Item {
   public:
    enum Flags : int {
      kNoFlags = 0,
      kDisabled = 1,
      kTitle = 2,  // shown but not choosable
      kChecked = 4,
      kSeparator = 8
    };

    // A null text gives an empty one; the item takes ownership of the submenu.
    Item(const char* text, int flags = kNoFlags, int tag = -1);
    Item(const char* text, IPopupMenu* submenu);
    ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    const char* GetText() const { return mText.Get(); }
    void SetText(const char* text) { mText.Set(text); }
    IPopupMenu* GetSubmenu() const { return mSubmenu; }
    int GetFlags() const { return mFlags; }
    void SetFlags(int flags) { mFlags = flags; }
    int GetTag() const { return mTag; }
    void SetTag(int tag) { mTag = tag; }

    bool GetEnabled() const { return !(mFlags & kDisabled); }
    bool GetChecked() const { return (mFlags & kChecked) != 0; }
    bool GetIsTitle() const { return (mFlags & kTitle) != 0; }
    bool GetIsSeparator() const { return (mFlags & kSeparator) != 0; }
    void SetEnabled(bool enabled) { SetFlag(kDisabled, !enabled); }
    void SetChecked(bool checked) { SetFlag(kChecked, checked); }
    void SetTitle(bool title) { SetFlag(kTitle, title); }

   private:
    void SetFlag(int flag, bool on) { mFlags = on ? (mFlags | flag) : (mFlags & ~flag); }

    FwString mText;
    IPopupMenu* mSubmenu = nullptr;
    int mFlags = kNoFlags;
    int mTag = -1;
  };

  // Insertion positions for AddItem besides a plain index.
  static constexpr int kAppend = -1;
  static constexpr int kSorted = -2;

  IPopupMenu(const char* rootTitle = "", int prefix = 0, bool multiCheck = false,
             std::initializer_list<const char*> items = {});
  IPopupMenu(const char* rootTitle, std::initializer_list<const char*> items, IPopupFunction func = nullptr);
  ~IPopupMenu();
  IPopupMenu(const IPopupMenu&) = delete;
  IPopupMenu& operator=(const IPopupMenu&) = delete;

  // Takes ownership of `item`. index -1 appends, -2 inserts in case-insensitive text order, any other
  // index inserts before that position (negative counts as 0, past the end appends). A null item adds
  // nothing and is returned. When the list cannot grow nothing is inserted and the item is returned all the same
  // (callers may use it at once); it is then not the menu's.
  Item* AddItem(Item* item, int index = kAppend);
  Item* AddItem(const char* text, int index = kAppend, int itemFlags = Item::kNoFlags);
  // The submenu gets a copy of this menu's completion function (an empty one too) and is owned by the new item.
  Item* AddItem(const char* text, IPopupMenu* submenu, int index = kAppend);
  // As the form above, except that the submenu takes a copy of this menu's completion function only when
  // this menu has one (it keeps its own otherwise).
  Item* AddItem(const char* text, int index, IPopupMenu* submenu);
  Item* AddSeparator(int index = kAppend);
  void RemoveEmptySubmenus();

  int NItems() const { return mItems.GetSize(); }
  Item* GetItem(int index) const;
  const char* GetItemText(int index) const;
  // Removes and deletes every item (and their submenus).
  void Clear(bool resetEverything = true);

  int GetChosenItemIdx() const { return mChosenItemIdx; }
  void SetChosenItemIdx(int index) { mChosenItemIdx = index; }
  Item* GetChosenItem() const { return GetItem(mChosenItemIdx); }

  // Out-of-range indices are ignored.
  void CheckItem(int index, bool checked);
  // Ticks the item at `index` and clears every other tick.
  void CheckItemAlone(int index);
  bool IsItemChecked(int index) const;

  int GetPrefix() const { return mPrefix; }
  void SetPrefix(int prefix) { mPrefix = prefix; }
  bool GetMultiCheck() const { return mCanMultiCheck; }
  void SetMultiCheck(bool multi) { mCanMultiCheck = multi; }

  const char* GetRootTitle() const { return mRootTitle.Get(); }
  void SetRootTitle(const char* title) { mRootTitle.Set(title); }

  void SetFunction(IPopupFunction func) { mPopupFunc = std::move(func); }
  const IPopupFunction& GetFunction() const { return mPopupFunc; }
  // Calls the completion function with this menu when one is set.
  void ExecFunction();

 private:
  static constexpr int kItemsGranularity = 4096;

  int SortedPosition(const char* text) const;

  [[maybe_unused]] int mReserved = 0;  // kept at 0: no operation of the menu reads or changes it
  int mPrefix = 0;
  int mChosenItemIdx = -1;
  bool mCanMultiCheck = false;
  // Owned: deleted from the last to the first when the menu is emptied.
  FwPtrList<Item> mItems{kItemsGranularity};
  IPopupFunction mPopupFunc;
  FwString mRootTitle;
};

}  // namespace fx::gfx

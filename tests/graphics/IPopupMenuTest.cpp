#include "graphics/IPopupMenu.h"

#include <gtest/gtest.h>

#include <string>

namespace fx::gfx {
namespace {

std::string Texts(const IPopupMenu& menu) {
  std::string s;
  for (int i = 0; i < menu.NItems(); ++i) s += std::string(i ? " " : "") + menu.GetItemText(i);
  return s;
}

TEST(IPopupMenu, NewMenuHasNothingChosenAndNoFunction) {
  IPopupMenu menu;
  EXPECT_EQ(menu.GetChosenItemIdx(), -1);
  EXPECT_FALSE(menu.GetFunction());
  EXPECT_EQ(menu.NItems(), 0);
  EXPECT_EQ(menu.GetChosenItem(), nullptr);
  EXPECT_STREQ(menu.GetItemText(0), "");
}

TEST(IPopupMenu, ConstructorItemsAndNullText) {
  IPopupMenu menu("Title", 0, false, {"a", nullptr, "c"});
  EXPECT_STREQ(menu.GetRootTitle(), "Title");
  EXPECT_EQ(Texts(menu), "a  c");
  EXPECT_EQ(menu.GetItem(1)->GetTag(), -1);
  EXPECT_EQ(menu.GetItem(1)->GetFlags(), 0);
  EXPECT_EQ(menu.GetItem(1)->GetSubmenu(), nullptr);
}

TEST(IPopupMenu, InsertionPositions) {
  struct Row {
    int index;
    const char* expect;
  };
  const Row rows[] = {{-1, "a b c new"}, {99, "a b c new"}, {-5, "new a b c"},
                      {0, "new a b c"},  {2, "a b new c"},  {3, "a b c new"}};
  for (const Row& row : rows) {
    IPopupMenu menu("", 0, false, {"a", "b", "c"});
    menu.AddItem("new", row.index);
    EXPECT_EQ(Texts(menu), row.expect) << row.index;
  }
}

TEST(IPopupMenu, SortedInsertionIgnoresCase) {
  IPopupMenu menu;
  for (const char* t : {"beta", "Alpha", "gamma"}) menu.AddItem(t, IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), "Alpha beta gamma");

  menu.AddItem("BETA", IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), "Alpha BETA beta gamma");
  menu.AddItem("", IPopupMenu::kSorted);
  EXPECT_EQ(Texts(menu), " Alpha BETA beta gamma");
}

TEST(IPopupMenu, ANullItemAddsNothing) {
  IPopupMenu menu("", 0, false, {"a", "b"});
  EXPECT_EQ(menu.AddItem(static_cast<IPopupMenu::Item*>(nullptr), IPopupMenu::kSorted), nullptr);
  EXPECT_EQ(menu.AddItem(static_cast<IPopupMenu::Item*>(nullptr)), nullptr);
  EXPECT_EQ(menu.NItems(), 2);
}

// A submenu added with a text answers through its parent's completion function, called with the submenu. Added
// with (text, submenu, index) its own function never survives, also when the parent has none; added with
// (text, index, submenu) it keeps its own when the parent has none.
TEST(IPopupMenu, SubmenuCarriesTheParentsFunction) {
  const struct {
    bool indexFirst, parentHasOne, submenuHasOne;
    const char* called;
  } rows[] = {{false, true, true, "parent"}, {false, true, false, "parent"}, {false, false, true, ""},
              {false, false, false, ""},     {true, true, true, "parent"},   {true, true, false, "parent"},
              {true, false, true, "own"},    {true, false, false, ""}};
  for (const auto& row : rows) {
    std::string called;
    IPopupMenu menu("root", {"x", "y"});
    auto* sub = new IPopupMenu("sub", {"s1", "s2"});
    if (row.parentHasOne)
      menu.SetFunction([&](IPopupMenu* m) { called += m == sub ? "parent" : "parent, other menu"; });
    if (row.submenuHasOne) sub->SetFunction([&](IPopupMenu*) { called += "own"; });
    if (row.indexFirst)
      menu.AddItem("more", 1, sub);
    else
      menu.AddItem("more", sub, 1);
    ASSERT_EQ(menu.GetItem(1)->GetSubmenu(), sub);
    EXPECT_STREQ(menu.GetItemText(1), "more");
    EXPECT_EQ(menu.GetItem(1)->GetFlags(), IPopupMenu::Item::kNoFlags);
    EXPECT_EQ(menu.GetItem(1)->GetTag(), -1);
    sub->ExecFunction();
    EXPECT_EQ(called, row.called) << row.indexFirst << row.parentHasOne << row.submenuHasOne;
  }
}

TEST(IPopupMenu, DeletingAMenuDeletesNestedSubmenus) {
  auto* menu = new IPopupMenu("root", {"x"});
  auto* sub = new IPopupMenu("sub", {"y"});
  sub->AddItem("deeper", new IPopupMenu("deep", {"z"}));
  menu->AddItem("sub", sub);
  delete menu;  // the leak checker reports any submenu left behind
}

TEST(IPopupMenu, EmptySubmenusAreRemovedAndTheRestKeepTheirOrder) {
  IPopupMenu menu("", {"a"});
  menu.AddItem("empty 1", new IPopupMenu());
  menu.AddItem("full", new IPopupMenu("", {"x"}));
  menu.AddItem("empty 2", new IPopupMenu());
  menu.AddItem("b");
  menu.AddItem("empty 3", new IPopupMenu());
  menu.RemoveEmptySubmenus();
  ASSERT_EQ(menu.NItems(), 3);
  EXPECT_STREQ(menu.GetItemText(0), "a");
  EXPECT_STREQ(menu.GetItemText(1), "full");
  EXPECT_STREQ(menu.GetItemText(2), "b");
}

TEST(IPopupMenu, ChecksAndFlags) {
  IPopupMenu menu("", 0, false, {"a", "b", "c"});
  menu.CheckItemAlone(1);
  EXPECT_FALSE(menu.IsItemChecked(0));
  EXPECT_TRUE(menu.IsItemChecked(1));
  menu.CheckItem(7, true);  // out of range: ignored
  menu.GetItem(2)->SetEnabled(false);
  EXPECT_EQ(menu.GetItem(2)->GetFlags(), IPopupMenu::Item::kDisabled);
  menu.Clear();
  EXPECT_EQ(menu.NItems(), 0);
  EXPECT_STREQ(menu.GetRootTitle(), "");
}

}  // namespace
}  // namespace fx::gfx

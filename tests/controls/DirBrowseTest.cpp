// The directory-browsing menu over a temporary tree: file matching by extension, hidden entries, sorted
// levels mixing folders and files, empty folders dropped, tags that name each file's path, selection, and
// links that form cycles (to the tree's top and between two sibling folders) scanned to completion.
#include "controls/IDirBrowseControlBase.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fx::gfx::test {
namespace {

namespace fs = std::filesystem;

class Browser : public IDirBrowseControlBase {
 public:
  using IDirBrowseControlBase::IDirBrowseControlBase;
};

// "name[children],name" for a menu tree, checked entries marked with "*".
std::string Render(const IPopupMenu& menu) {
  std::string out;
  for (int i = 0; i < menu.NItems(); ++i) {
    const IPopupMenu::Item* item = menu.GetItem(i);
    if (i > 0) out += ",";
    out += item->GetText();
    if (item->GetChecked()) out += "*";
    if (item->GetSubmenu()) out += "[" + Render(*item->GetSubmenu()) + "]";
  }
  return out;
}

class DirBrowse : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kd_dirbrowse_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root = pattern;
    for (const char* file : {"Init.xml", "beta.xml", "xml", "a.xml.bak", "x.XML", ".hidden.xml", ".hid/c.xml",
                             "Alpha/a1.xml", "Bravo/b1.xml"}) {
      fs::create_directories((root / file).parent_path());
      std::ofstream(root / file) << "x";
    }
    fs::create_directories(root / "Empty");
    fs::create_directories(root / "Nest" / "EmptyToo");
    // Each sibling links to the other, and a link at the top leads back to the top itself.
    fs::create_directory_symlink("../Bravo", root / "Alpha" / "toB");
    fs::create_directory_symlink("../Alpha", root / "Bravo" / "toAlpha");
    fs::create_directory_symlink(".", root / "up");
  }
  void TearDown() override { fs::remove_all(root); }

  fs::path root;
};

struct ScanCase {
  const char* name;
  bool recursive;
  bool showExtensions;
  bool showEmpty;
  const char* menu;
};

// clang-format off
const ScanCase kScans[] = {
  {"Recursive", true, false, false, "Alpha[a1,toB[b1]],beta,Bravo[b1,toAlpha[a1]],Init"},
  {"WithExtensions", true, true, false, "Alpha[a1.xml,toB[b1.xml]],beta.xml,Bravo[b1.xml,toAlpha[a1.xml]],Init.xml"},
  {"KeepEmpty", true, false, true, "Alpha[a1,toB[b1]],beta,Bravo[b1,toAlpha[a1]],Empty[],Init,Nest[EmptyToo[]]"},
  {"Flat", false, false, false, "beta,Init"},
};
// clang-format on

class Scan : public DirBrowse, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(Scan, BuildsSortedMenuAndTagsNameTheFiles) {
  const ScanCase& c = GetParam();
  Browser browser(IRECT(), "xml", c.showExtensions, c.recursive, c.showEmpty);
  browser.AddPath(root.c_str(), "top");
  browser.SetupMenu();
  EXPECT_EQ(Render(browser.GetMenu()), c.menu);
  for (int i = 0; i < browser.NItems(); ++i) {
    const IPopupMenu::Item* item = browser.GetItem(i);
    const std::string path = browser.GetFilePath(item->GetTag());
    const std::string text = item->GetText();
    const std::string file = c.showExtensions ? text : text + ".xml";
    EXPECT_EQ(path.substr(path.size() - file.size() - 1), "/" + file) << path;
    EXPECT_TRUE(fs::exists(path)) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(DirBrowse, Scan, ::testing::ValuesIn(kScans),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DirBrowse, FoldersBecomeSubmenusAndSelectionChecksOneEntry) {
  Browser browser(IRECT(), "xml");
  browser.AddPath((root / "Alpha").c_str(), "One");
  browser.AddPath((root / "Bravo").c_str(), "Two");
  browser.AddPath((root / "missing").c_str(), "Three");
  browser.GetMenu().SetFunction([](IPopupMenu*) {});
  // A rebuild resets the choice, prefix and multi-check and keeps the title.
  browser.GetMenu().SetRootTitle("Files");
  browser.GetMenu().SetChosenItemIdx(4);
  browser.GetMenu().SetPrefix(2);
  browser.GetMenu().SetMultiCheck(true);
  browser.SetupMenu();
  EXPECT_EQ(Render(browser.GetMenu()), "One[a1,toB[b1]],Two[b1,toAlpha[a1]],Three[]");
  EXPECT_STREQ(browser.GetMenu().GetRootTitle(), "Files");
  EXPECT_EQ(browser.GetMenu().GetChosenItemIdx(), -1);
  EXPECT_EQ(browser.GetMenu().GetPrefix(), 0);
  EXPECT_FALSE(browser.GetMenu().GetMultiCheck());
  // Submenus answer through the main menu's completion function; a menu without one leaves them none.
  EXPECT_TRUE(browser.GetMenu().GetItem(0)->GetSubmenu()->GetItem(1)->GetSubmenu()->GetFunction());
  auto* own = new IPopupMenu();
  own->SetFunction([](IPopupMenu*) {});
  IPopupMenu plain;
  plain.AddItem("own", own);
  EXPECT_FALSE(own->GetFunction());

  const std::string b1 = (root / "Bravo" / "b1.xml").string();
  browser.SetSelectedFile(b1.c_str());
  ASSERT_EQ(browser.GetSelectedItemIndex(), 2);
  browser.CheckSelectedItem();
  EXPECT_EQ(Render(browser.GetMenu()), "One[a1,toB[b1]],Two[b1*,toAlpha[a1]],Three[]");
  FwString selected;
  browser.GetSelectedFile(selected);
  EXPECT_EQ(std::string(selected.Get()), b1);

  browser.SetSelectedFile((root / "nothing.xml").c_str());
  EXPECT_EQ(browser.GetSelectedItemIndex(), -1);
  browser.GetSelectedFile(selected);
  EXPECT_STREQ(selected.Get(), "");
}

TEST_F(DirBrowse, ScannerPathsAndEdgeCases) {
  DirScan scan;
  EXPECT_EQ(scan.First(nullptr), -1);
  EXPECT_EQ(scan.First(""), -1);
  EXPECT_EQ(scan.First((root / "missing").c_str()), 1);
  EXPECT_EQ(scan.GetCurrentIsDirectory(), DirScan::kNotDirectory);
  EXPECT_EQ(scan.First((root.string() + "/Alpha/").c_str()), 0);
  int kinds = 0;
  do {
    const std::string name = scan.GetCurrentName();
    if (name == "a1.xml") {
      FwString fn;
      scan.GetCurrentFN(&fn);
      EXPECT_EQ(std::string(fn.Get()), (root / "Alpha" / "a1.xml").string());
      EXPECT_EQ(scan.GetCurrentIsDirectory(), DirScan::kNotDirectory);
      ++kinds;
    } else if (name == "toB") {
      EXPECT_EQ(scan.GetCurrentIsDirectory(), DirScan::kLinkToDirectory);
      ++kinds;
    } else if (name == "..") {
      EXPECT_EQ(scan.GetCurrentIsDirectory(), DirScan::kLeadsBack);
      ++kinds;
    }
  } while (scan.Next());
  EXPECT_EQ(kinds, 3);

  // The full name is the folder as stored (the root stays "/"), a slash and the entry's name.
  ASSERT_EQ(scan.First("/"), 0);
  FwString fn;
  scan.GetCurrentFN(&fn);
  EXPECT_EQ(std::string(fn.Get()), std::string("//") + scan.GetCurrentName());
}

TEST_F(DirBrowse, PathsLongerThanTwoThousandCharactersAreKeptWhole) {
  fs::path deep = root / "Long";
  for (int level = 0; level < 9; ++level) deep /= std::string(240, static_cast<char>('a' + level));
  fs::create_directories(deep);
  std::ofstream(deep / "deep.xml") << "x";
  const std::string expected = (deep / "deep.xml").string();
  ASSERT_GT(expected.size(), 2200u);

  Browser browser(IRECT(), "xml");
  browser.AddPath((root / "Long").c_str(), "Long");
  browser.SetupMenu();
  ASSERT_EQ(browser.NItems(), 1);
  EXPECT_EQ(std::string(browser.GetFilePath(browser.GetItem(0)->GetTag())), expected);
  browser.SetSelectedFile(expected.c_str());
  EXPECT_EQ(browser.GetSelectedItemIndex(), 0);
}

}  // namespace
}  // namespace fx::gfx::test

// The plug-in menu button: the menu it builds from its rows (texts, flags, check marks, submenus), how
// each kind of row answers a choice, and the button's pressed state around the menu.
#include "editor/ISBInfoMenuLW.h"
#include "framework/IParam.h"
#include "tests/editor/EditorFixture.h"

namespace fx::gfx::test {
namespace {

// Keeps the chosen radio index at the moment each command reaches the delegate.
class RadioReadingDelegate : public CommandDelegate {
 public:
  const kd::IScaleChoiceSource* menu = nullptr;
  std::vector<int> radioAtCommand;
  void OnParamChange(int paramIdx, EParamSource source, int sampleOffset) override {
    CommandDelegate::OnParamChange(paramIdx, source, sampleOffset);
    if (menu) radioAtCommand.push_back(menu->GetChosenRadioIndex());
  }
};

using Item = IPopupMenu::Item;
constexpr int kRadioMsg = 36;

// clang-format off
const InfoMenuEntry kRows[] = {
  {"About ...", kCommand, true, 25},
  {"--", kSeparator},
  {"Open manual ...", kOpenURL, true, -1, "/docs/manual.pdf"},
  {"Bypass", kParamToggle, true, FakeDelegate::kBool},
  {"Mode", kParamValueList, true, FakeDelegate::kEnum},
  {"Scale", kSubmenuStart, true, -1, nullptr, 0, 0},
  {"100%", kRadioItem, true, kRadioMsg, nullptr, 0, 0},
  {"125%", kRadioItem, false, kRadioMsg, nullptr, 0, 0},
  {"150%", kRadioItem, true, kRadioMsg, nullptr, 0, 0},
  {"Other group", kRadioItem, true, kRadioMsg, nullptr, 0, 1},
  {"Not a row", kNumInfoMenuEntryTypes, true, 99},
  {"Count", kParamToggle, false, FakeDelegate::kInt},
  {"Dead command", kCommand, true, -1},
  {"Open folder ...", kOpenURL, true, -1, "/"},
};
// clang-format on

class PluginMenuTest : public ::testing::Test {
 protected:
  RadioReadingDelegate dlg;
  UrlGraphics g{dlg, 640, 480};
  ISVG off = Picture("filemenu_off.svg", "#808080");
  ISVG on = Picture("filemenu_on.svg", "#20e2e0");
  ISBInfoMenuLW* menu = static_cast<ISBInfoMenuLW*>(g.AttachControl(
      new ISBInfoMenuLW(dlg, {8, 8, 32, 32}, off, on, kRows, static_cast<int>(std::size(kRows)), true), 1));

  void SetUp() override {
    g.asyncMenus = true;
    dlg.menu = menu;
  }
  ISVG Picture(const char* name, const char* fill) {
    const std::string text = std::string("<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'>") +
                             "<rect width='24' height='24' fill='" + fill + "'/></svg>";
    return g.LoadSVG(name, static_cast<const void*>(text.c_str()), static_cast<int>(text.size()));
  }
  // Clicks the button; the menu stays open until Choose.
  const IPopupMenu& Open() {
    menu->OnMouseDown(20, 20, IMouseMod());
    return *g.lastPlatformMenu;
  }
  // Chooses item idx of menu (the root or one of its submenus), as the menu would answer.
  void Choose(const IPopupMenu& m, int idx) {
    auto& chosen = const_cast<IPopupMenu&>(m);
    chosen.SetChosenItemIdx(idx);
    g.SetControlValueAfterPopupMenu(&chosen);
  }
  static std::string Describe(const IPopupMenu& m) {
    std::string out;
    for (int i = 0; i < m.NItems(); ++i) {
      const Item* item = m.GetItem(i);
      if (i) out.append("|");
      out.append(item->GetText()).append(":").append(std::to_string(item->GetFlags()));
      if (item->GetSubmenu()) out.append("[").append(Describe(*item->GetSubmenu())).append("]");
    }
    return out;
  }
};

TEST_F(PluginMenuTest, MenuFollowsTheRowsAndTheCurrentValues) {
  dlg.GetParam(FakeDelegate::kBool)->Set(1.0);
  dlg.GetParam(FakeDelegate::kEnum)->Set(2.0);
  const IPopupMenu& m = Open();
  EXPECT_STREQ(m.GetRootTitle(), "");
  EXPECT_EQ(Describe(m),
            ">> Plugin menu <<:0|:8|About ...:0|:8|Open manual ...:0|Bypass:4|Mode:0[STEREO:0|MID/SIDE:0|MONO:4]"
            "|Scale:0[100%:0|150%:0]|Count:1|Dead command:0|Open folder ...:0");
  const int itemIndex[] = {2, -1, 4, 5, -1, -1, -1, -1, -1, -1, -1, 8, 9, 10};
  for (size_t r = 0; r < std::size(itemIndex); ++r) EXPECT_EQ(menu->GetRows()[r].itemIndex, itemIndex[r]) << r;
  // The build keeps its value lists and one submenu per radio group that a submenu row opened.
  EXPECT_EQ(menu->GetValueListMenus(), std::vector<IPopupMenu*>{m.GetItem(6)->GetSubmenu()});
  EXPECT_EQ(menu->GetRadioGroupMenu(0), m.GetItem(7)->GetSubmenu());
  EXPECT_EQ(menu->GetRadioGroupMenu(1), nullptr);

  // A new click builds afresh: the check marks follow the values.
  Choose(m, -1);
  dlg.GetParam(FakeDelegate::kBool)->Set(0.0);
  const IPopupMenu& again = Open();
  EXPECT_EQ(again.GetItem(5)->GetFlags(), 0);
  EXPECT_EQ(menu->GetValueListMenus(), std::vector<IPopupMenu*>{again.GetItem(6)->GetSubmenu()});
  EXPECT_EQ(menu->GetRadioGroupMenu(0), again.GetItem(7)->GetSubmenu());
}

// The button draws its pictures, off or pressed, and dims them as any disabled control does (weight 0.25).
TEST_F(PluginMenuTest, ButtonDrawsItsPicturesDimmedWhenDisabled) {
  EXPECT_TRUE(menu->GetDrawSVG());
  const struct {
    bool pressed;
    bool disabled;
    const char* paint;
  } cases[] = {{false, false, "PathFill 255,128,128,128 weight1"},
               {true, false, "PathFill 255,32,226,224 weight1"},
               {false, true, "PathFill 255,128,128,128 weight0.25"}};
  for (const auto& c : cases) {
    if (c.pressed) Open();
    menu->SetDisabled(c.disabled);
    EXPECT_EQ(menu->IsDisabled(), c.disabled);
    g.log.clear();
    menu->Draw(g);
    EXPECT_EQ(g.Entries("PathFill"), std::vector<std::string>{c.paint}) << c.paint;
    if (c.pressed) Choose(*g.lastPlatformMenu, -1);
  }
}

struct RootChoice {
  const char* name;
  int item;
  double bypassBefore;
  std::vector<std::string> changes;
  std::vector<std::string> host;
  std::vector<std::string> opened;
  double bypassAfter;
  std::vector<std::string> boxes = {};
};

void PrintTo(const RootChoice& c, std::ostream* os) {
  *os << c.name;
}

class PluginMenuRoot : public PluginMenuTest, public ::testing::WithParamInterface<RootChoice> {};

TEST_P(PluginMenuRoot, ChoiceAnswersByRowType) {
  const RootChoice& c = GetParam();
  dlg.GetParam(FakeDelegate::kBool)->Set(c.bypassBefore);
  dlg.changes.clear();
  Choose(Open(), c.item);
  EXPECT_EQ(dlg.changes, c.changes);
  EXPECT_EQ(dlg.host, c.host);
  EXPECT_EQ(g.opened, c.opened);
  EXPECT_EQ(dlg.GetParam(FakeDelegate::kBool)->Value(), c.bypassAfter);
  EXPECT_EQ(g.boxes, c.boxes);
}

// clang-format off
const RootChoice kRootChoices[] = {
  {"TitleDoesNothing", 0, 0.0, {}, {}, {}, 0.0},
  {"SeparatorDoesNothing", 1, 0.0, {}, {}, {}, 0.0},
  {"CommandIsSent", 2, 0.0, {"25 3 -1"}, {}, {}, 0.0},
  {"MissingFileIsHandedOnAsItIs", 4, 0.0, {}, {}, {"/docs/manual.pdf"}, 0.0},
  {"ExistingPathIsOpened", 10, 0.0, {}, {}, {"/"}, 0.0},
  {"ToggleTurnsOn", 5, 0.0, {}, {"send 0 1"}, {}, 1.0},
  {"ToggleTurnsOffFromOne", 5, 1.0, {}, {"send 0 0"}, {}, 0.0},
  {"CommandWithoutIdSendsNothing", 9, 0.0, {}, {}, {}, 0.0},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(Rows, PluginMenuRoot, ::testing::ValuesIn(kRootChoices),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PluginMenuTest, ValueListSetsTheChosenValueOnlyWhenItChanges) {
  dlg.GetParam(FakeDelegate::kEnum)->Set(1.0);
  Choose(*Open().GetItem(6)->GetSubmenu(), 1);
  EXPECT_TRUE(dlg.host.empty());
  Choose(*Open().GetItem(6)->GetSubmenu(), 2);
  EXPECT_EQ(dlg.GetParam(FakeDelegate::kEnum)->Value(), 2.0);
  EXPECT_EQ(dlg.host, std::vector<std::string>{"send 1 1"});
}

TEST_F(PluginMenuTest, RadioChoiceIsStoredBeforeItsCommandArrives) {
  EXPECT_EQ(menu->GetChosenRadioIndex(), -1);
  Choose(*Open().GetItem(7)->GetSubmenu(), 1);  // "150%": the disabled "125%" is not in the submenu
  EXPECT_EQ(dlg.changes, std::vector<std::string>{"36 3 -1"});
  EXPECT_EQ(dlg.radioAtCommand, std::vector<int>{1});
  EXPECT_EQ(menu->GetChosenRadioIndex(), 1);
}

TEST_F(PluginMenuTest, ButtonIsReleasedWhenTheMenuCloses) {
  for (int choice : {-1, 2}) {
    Open();
    EXPECT_TRUE(menu->GetPressed());
    Choose(*g.lastPlatformMenu, choice);
    EXPECT_FALSE(menu->GetPressed()) << choice;
  }
}

}  // namespace
}  // namespace fx::gfx::test

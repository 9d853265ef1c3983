// Key translation and the dialog programs' command lines and answers: no display needed.
#include <X11/X.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "platform/window/DialogTool.h"
#include "platform/window/Event.h"
#include "platform/window/Menu.h"
#include "platform/window/X11Keys.h"

namespace platform::window {
namespace {

TEST(X11KeysTest, KeysymsBecomeKeyCodesAndCharacters) {
  struct Row {
    unsigned long keysym, shifted, base;
    unsigned state;
    int keyCode;
    std::u32string characters, ignoringModifiers;
  } rows[] = {
      {XK_a, XK_a, XK_a, 0, keycode::kA, U"a", U"a"},
      {XK_A, XK_A, XK_a, ShiftMask, keycode::kA, U"A", U"A"},
      {XK_a, XK_a, XK_a, ControlMask, keycode::kA, U"\x01", U"a"},
      {XK_7, XK_7, XK_7, Mod1Mask, keycode::k7, U"7", U"7"},
      {XK_BackSpace, XK_BackSpace, XK_BackSpace, 0, keycode::kDelete, U"\x7F", U"\x7F"},
      {XK_Return, XK_Return, XK_Return, 0, keycode::kReturn, U"\r", U"\r"},
      {XK_ISO_Left_Tab, XK_ISO_Left_Tab, XK_Tab, ShiftMask, keycode::kTab, U"\x19", U"\x19"},
      {XK_Left, XK_Left, XK_Left, 0, keycode::kLeftArrow, U"\uF702", U"\uF702"},
      {XK_Delete, XK_Delete, XK_Delete, 0, keycode::kForwardDelete, U"\uF728", U"\uF728"},
      {XK_F1, XK_F1, XK_F1, 0, keycode::kF1, U"\uF704", U"\uF704"},
      {XK_F12, XK_F12, XK_F12, 0, keycode::kF12, U"\uF70F", U"\uF70F"},
      {XK_F20, XK_F20, XK_F20, 0, keycode::kUnknown, U"\uF717", U"\uF717"},
      {XK_KP_7, XK_KP_7, XK_KP_Home, Mod2Mask, keycode::kKeypad7, U"7", U"7"},
      {XK_KP_Home, XK_KP_Home, XK_KP_Home, 0, keycode::kKeypad7, U"\uF729", U"\uF729"},
      {XK_KP_Enter, XK_KP_Enter, XK_KP_Enter, 0, keycode::kKeypadEnter, U"\x03", U"\x03"},
      {XK_eacute, XK_eacute, XK_eacute, 0, keycode::kUnknown, U"\u00E9", U"\u00E9"},
      {0x1000416, 0x1000416, 0x1000416, 0, keycode::kUnknown, U"\u0416", U"\u0416"},          // a Unicode keysym
      {0x101F600, 0x101F600, 0x101F600, 0, keycode::kUnknown, U"\U0001F600", U"\U0001F600"},  // beyond the first plane
      {0x110FFFF, 0x110FFFF, 0x110FFFF, 0, keycode::kUnknown, U"\U0010FFFF", U"\U0010FFFF"},
      {XK_Shift_L, XK_Shift_L, XK_Shift_L, 0, keycode::kUnknown, U"", U""},
  };
  for (const Row& row : rows) {
    const TranslatedKey key = TranslateX11Key(row.keysym, row.shifted, row.base, row.state);
    EXPECT_EQ(key.keyCode, row.keyCode) << std::hex << row.keysym;
    EXPECT_EQ(key.characters, row.characters) << std::hex << row.keysym;
    EXPECT_EQ(key.charactersIgnoringModifiers, row.ignoringModifiers) << std::hex << row.keysym;
  }
  EXPECT_EQ(TranslateX11Modifiers(ShiftMask | ControlMask | Mod1Mask | Mod4Mask | LockMask),
            modifier::kShift | modifier::kControl | modifier::kOption | modifier::kCommand | modifier::kCapsLock);
  EXPECT_EQ(TranslateX11Modifiers(Mod2Mask), 0u);  // num lock is no modifier of the layer
}

bool Has(const std::vector<std::string>& command, const std::string& arg) {
  return std::find(command.begin(), command.end(), arg) != command.end();
}

TEST(DialogToolTest, AlertAnswersMapToTheButtonPressed) {
  const AlertRequest one{"Caption", "Text", {"OK"}};
  const AlertRequest two{"Caption", "Text", {"OK", "Cancel"}};
  const AlertRequest three{"Caption", "Text", {"Yes", "No", "Cancel"}};
  struct Row {
    DialogTool tool;
    const AlertRequest* request;
    int status;
    const char* output;
    int answer;
  } rows[] = {
      {DialogTool::kZenity, &one, 0, "", kAlertFirstButtonReturn},
      {DialogTool::kZenity, &one, 1, "", kModalResponseCancel},  // closed
      {DialogTool::kZenity, &two, 0, "", kAlertFirstButtonReturn},
      {DialogTool::kZenity, &two, 1, "", kAlertFirstButtonReturn + 1},
      {DialogTool::kZenity, &three, 1, "Cancel\n", kAlertFirstButtonReturn + 2},
      {DialogTool::kZenity, &three, 5, "", kModalResponseCancel},
      {DialogTool::kKdialog, &three, 2, "", kAlertFirstButtonReturn + 2},
      {DialogTool::kKdialog, &two, 1, "", kAlertFirstButtonReturn + 1},
      {DialogTool::kKdialog, &two, 2, "", kModalResponseCancel},
      {DialogTool::kKdialog, &one, 1, "", kModalResponseCancel},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ReadAlertAnswer(row.tool, *row.request, row.status, row.output), row.answer)
        << DialogToolName(row.tool) << " " << row.request->buttons.size() << " " << row.status;
  }
  const auto zenity = AlertCommand(DialogTool::kZenity, three);
  EXPECT_TRUE(Has(zenity, "--ok-label=Yes") && Has(zenity, "--cancel-label=No") &&
              Has(zenity, "--extra-button=Cancel"));
  EXPECT_TRUE(Has(zenity, "--text=Caption\n\nText"));
  const auto kdialog = AlertCommand(DialogTool::kKdialog, three);
  EXPECT_TRUE(Has(kdialog, "--yesnocancel") && Has(kdialog, "--cancel-label"));
}

TEST(DialogToolTest, PanelCommandsAndAnswers) {
  PanelRequest save{PanelRequest::Kind::kSaveFile, "", "/data", "x.lps", {"lps", "xml"}};
  const auto zenity = PanelCommand(DialogTool::kZenity, save);
  EXPECT_TRUE(Has(zenity, "--save") && Has(zenity, "--filename=/data/x.lps") &&
              Has(zenity, "--file-filter=*.lps *.xml"));
  PanelRequest folder{PanelRequest::Kind::kChooseDirectory, "Choose", "/data/", "", {}};
  EXPECT_EQ(PanelCommand(DialogTool::kKdialog, folder),
            (std::vector<std::string>{"kdialog", "--title", "Choose", "--getexistingdirectory", "/data/"}));
  EXPECT_EQ(ReadPanelAnswer(0, "/data/a b.lps\n"), "/data/a b.lps");
  EXPECT_EQ(ReadPanelAnswer(1, ""), std::nullopt);
  EXPECT_EQ(ReadPanelAnswer(0, ""), std::nullopt);
}

TEST(DialogToolTest, MenusBecomeRowsAndRowsComeBackAsItems) {
  Menu menu;
  auto noop = [](MenuItem&) {};
  menu.AddItemWithTitle("Load", noop);
  menu.AddSeparatorItem();
  MenuItem& presets = menu.AddItemWithTitle("Presets", nullptr);
  auto sub = std::make_unique<Menu>();
  sub->AddItemWithTitle("A", noop);
  MenuItem& b = sub->AddItemWithTitle("B", noop);
  b.SetState(ControlState::kOn);
  menu.SetSubmenu(std::move(sub), presets);
  menu.AddItemWithTitle("Off", noop).SetEnabled(false);
  const MenuRows rows = ListMenuRows(menu);
  EXPECT_EQ(rows.texts, (std::vector<std::string>{"Load", "Presets > A", "\u2713 Presets > B"}));
  EXPECT_EQ(
      MenuCommand(DialogTool::kKdialog, rows),
      (std::vector<std::string>{"kdialog", "--menu", "", "0", "Load", "1", "Presets > A", "2", "\u2713 Presets > B"}));
  EXPECT_EQ(ReadMenuAnswer(rows, 0, "2\n"), &b);
  EXPECT_EQ(ReadMenuAnswer(rows, 0, "3\n"), nullptr);
  EXPECT_EQ(ReadMenuAnswer(rows, 0, "x"), nullptr);
  EXPECT_EQ(ReadMenuAnswer(rows, 1, "0"), nullptr);
}

TEST(DialogToolTest, ColourAndTextAnswers) {
  struct Row {
    int status;
    const char* output;
    std::optional<Color> color;
  } rows[] = {
      {0, "rgb(255,0,51)\n", Color{1, 0, 0.2, 1}},
      {0, "rgba(0,0,0,0.5)", Color{0, 0, 0, 0.5}},
      {0, "#ff0033", Color{1, 0, 0.2, 1}},
      {0, "rgb(300,0,0)", std::nullopt},
      {0, "rgba(0,0,0,2)", std::nullopt},
      {1, "#ffffff", std::nullopt},
      {0, "", std::nullopt},
  };
  for (const Row& row : rows) EXPECT_EQ(ReadColorAnswer(row.status, row.output), row.color) << row.output;
  EXPECT_TRUE(Has(ColorCommand(DialogTool::kKdialog, Color{1, 0, 0.2, 1}, false), "#ff0033"));
  const TextEntryAnswer typed = ReadTextEntryAnswer(0, "12.5\n");
  EXPECT_TRUE(typed.commit && typed.replaceAll);
  EXPECT_EQ(typed.typed, std::vector<std::string>{"12.5"});
  EXPECT_FALSE(ReadTextEntryAnswer(1, "").commit);
}

}  // namespace
}  // namespace platform::window

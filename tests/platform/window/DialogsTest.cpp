#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>

#include "platform/runloop/RunLoop.h"
#include "platform/window/Dialogs.h"
#include "platform/window/Menu.h"
#include "platform/window/Pasteboard.h"
#include "platform/window/TextField.h"
#include "platform/window/Workspace.h"
#include "tests/platform/window/WindowTestSupport.h"

namespace platform::window {
namespace {

class DialogsTest : public HeadlessWindowTest {
 protected:
  void SetUp() override {
    ::setenv("HOME", "/home/tester", 1);
    HeadlessWindowTest::SetUp();
  }
  HeadlessScript& script() { return backend->Script(); }
  std::string LastLog() const { return backend->LogLines().empty() ? "" : backend->LogLines().back(); }
};

TEST_F(DialogsTest, AlertsAnswerTheScriptedButtonForEveryButtonSet) {
  struct Row {
    std::vector<std::string> buttons;
    std::optional<int> press;  // nullopt: nothing scripted
    int response;
    std::string logEnd;
  } rows[] = {
      {{"OK"}, 0, kAlertFirstButtonReturn, "[OK] -> OK"},
      {{"OK", "Cancel"}, 0, kAlertFirstButtonReturn, "[OK|Cancel] -> OK"},
      {{"OK", "Cancel"}, 1, kAlertFirstButtonReturn + 1, "-> Cancel"},
      {{"Yes", "No", "Cancel"}, 2, kAlertFirstButtonReturn + 2, "[Yes|No|Cancel] -> Cancel"},
      {{"Yes", "No"}, 1, kAlertFirstButtonReturn + 1, "-> No"},
      {{"Retry", "Cancel"}, 0, kAlertFirstButtonReturn, "-> Retry"},
      {{}, -1, kModalResponseCancel, "[] -> closed"},
      {{"OK"}, std::nullopt, kModalResponseCancel, "-> cancelled (unscripted)"},
  };
  for (const Row& row : rows) {
    if (row.press) script().alertButtons.push_back(*row.press);
    Alert alert;
    alert.SetMessageText("Caption");
    alert.SetInformativeText("Text");
    for (const std::string& b : row.buttons) alert.AddButtonWithTitle(b);
    EXPECT_EQ(alert.RunModal(), row.response);
    EXPECT_TRUE(LastLog().starts_with("alert \"Caption\" \"Text\" [")) << LastLog();
    EXPECT_TRUE(LastLog().ends_with(row.logEnd)) << LastLog();
  }
}

TEST_F(DialogsTest, FileAndDirectoryPanelsAnswerOnTheModalAndTheSheetRoad) {
  enum class Make { kOpen, kSave, kDirectory };
  struct Row {
    Make make;
    bool sheet;
    std::optional<std::string> answer;
    int response;
    std::string logStart;
  } rows[] = {
      {Make::kOpen, false, "/data/a.lps", kModalResponseOK,
       "panel open dir=\"/home/tester/Desktop\" name=\"\" types=lps"},
      {Make::kSave, false, std::nullopt, kModalResponseCancel,
       "panel save dir=\"/home/tester/Desktop\" name=\"x.lps\""},
      {Make::kDirectory, false, "/data", kModalResponseOK, "panel directory dir=\"/home/tester/Desktop\""},
      {Make::kDirectory, true, std::nullopt, kModalResponseCancel, "panel directory"},
      {Make::kOpen, true, "/data/b.lps", kModalResponseOK, "panel open"},
  };
  for (const Row& row : rows) {
    script().panelAnswers.push_back(row.answer);
    std::unique_ptr<SavePanel> panel;
    if (row.make == Make::kSave) {
      panel = std::make_unique<SavePanel>();
      panel->SetNameFieldStringValue("x.lps");
    } else {
      auto open = std::make_unique<OpenPanel>();
      open->SetCanChooseFiles(row.make == Make::kOpen);
      open->SetCanChooseDirectories(row.make == Make::kDirectory);
      panel = std::move(open);
    }
    panel->SetAllowedFileTypes({"lps"});
    panel->SetDirectory("~/Desktop");
    int response = -1;
    if (row.sheet) {
      panel->BeginSheetModalForWindow(window.get(), [&](int r) { response = r; });
      EXPECT_EQ(response, -1);  // never inside the call
      backend->Pump();
    } else {
      response = panel->RunModal();
    }
    EXPECT_EQ(response, row.response);
    EXPECT_EQ(panel->Filename(), row.answer.value_or(""));
    EXPECT_TRUE(LastLog().starts_with(row.logStart)) << LastLog();
  }
}

TEST_F(DialogsTest, ARunLoopTimerPumpsSheetAnswersIn) {
  ManualClock clock;
  RunLoop loop;
  loop.SetClock(&clock);
  auto timer = MakePumpTimer(loop, 0.02);
  int response = -1;
  script().panelAnswers.push_back("/data/c.lps");
  OpenPanel panel;
  panel.BeginSheetModalForWindow(window.get(), [&](int r) { response = r; });
  EXPECT_EQ(loop.RunDueTimers(), 1);
  EXPECT_EQ(response, kModalResponseOK);
}

TEST_F(DialogsTest, PopupMenusAnswerFromTheScript) {
  Menu menu;
  std::vector<std::string> fired;
  int firedIndex = -1;
  auto action = [&](MenuItem& item) {
    fired.push_back(item.Title());
    firedIndex = item.GetMenu()->IndexOfItem(item);
  };
  menu.AddItemWithTitle("Load", action);
  menu.AddSeparatorItem();
  MenuItem& presets = menu.AddItemWithTitle("Presets", nullptr);
  auto sub = std::make_unique<Menu>();
  sub->AddItemWithTitle("A", action);
  sub->AddItemWithTitle("B", action).SetState(ControlState::kOn);
  menu.SetSubmenu(std::move(sub), presets);
  menu.AddItemWithTitle("Disabled", action).SetEnabled(false);
  menu.AddItemWithTitle("No action", nullptr);
  struct Row {
    std::vector<int> choice;
    bool chosen;
    std::string title;
    int index;
  } rows[] = {
      {{0}, true, "Load", 0}, {{2, 1}, true, "B", 1}, {{3}, false, "", -1}, {{1}, false, "", -1},
      {{}, false, "", -1},    {{2}, false, "", -1},   {{4}, false, "", -1}, {{9}, false, "", -1},
  };
  RecordingView anchor(MakeRect(10, 20, 50, 50));
  window->ContentView().AddSubview(anchor);
  for (const Row& row : rows) {
    fired.clear();
    firedIndex = -1;
    script().menuChoices.push_back(row.choice);
    EXPECT_EQ(menu.PopUpMenuPositioningItem(nullptr, {5, 5}, &anchor), row.chosen);
    EXPECT_EQ(fired, row.chosen ? std::vector<std::string>{row.title} : std::vector<std::string>{});
    EXPECT_EQ(firedIndex, row.index);
  }
  // The anchor's point (5, 5) is (15, 25) in the content, whose top-left corner is at screen (100, 1030).
  EXPECT_EQ(LastLog(), "menu [Load|-|Presets[A|(checked)B]|(disabled)Disabled|No action] at 115,1005 -> none");
}

// Digits only, at most seven of them.
class DigitsFormatter : public Formatter {
 public:
  bool IsPartialStringValid(const std::string& text) override {
    return text.size() <= 7 && text.find_first_not_of("0123456789") == std::string::npos;
  }
};

TEST_F(DialogsTest, TextFieldsTakeScriptedTypingThroughTheFormatter) {
  struct Delegate : TextFieldDelegate {
    void ControlTextDidEndEditing(TextField& field) override { ended.push_back(field.StringValue()); }
    std::vector<std::string> ended;
  } delegate;
  struct Row {
    std::vector<std::string> typed;
    bool commit;
    std::string result;
  } rows[] = {
      {{"12345", "6", "7"}, true, "5123456"},  // the eighth character is refused
      {{"1234567", "8"}, true, "58"},          // a paste that would make eight is refused as a whole
      {{"12a"}, true, "5"},                    // so is one with a letter
      {{"42"}, false, "5"},                    // cancelled: the text goes back
  };
  for (const Row& row : rows) {
    TextField field(MakeRect(10, 10, 80, 20));
    field.SetStringValue("5");
    field.SetFormatter(std::make_unique<DigitsFormatter>());
    field.SetDelegate(&delegate);
    field.SetTextColor(Color{1, 0, 0, 1});
    window->ContentView().AddSubview(field);
    script().textEntries.push_back(TextEntryAnswer{row.typed, false, row.commit});
    delegate.ended.clear();
    ASSERT_TRUE(window->MakeFirstResponder(&field));
    ASSERT_NE(field.CurrentEditor(), nullptr);
    EXPECT_EQ(field.CurrentEditor()->insertionPointColor, (Color{1, 0, 0, 1}));
    EXPECT_TRUE(delegate.ended.empty());
    backend->Pump();
    EXPECT_EQ(field.CurrentEditor(), nullptr);
    EXPECT_EQ(delegate.ended, std::vector<std::string>{row.result}) << row.typed[0];
  }
}

TEST_F(DialogsTest, AFieldRemovedWhileEditingIsNotTouchedByTheLateAnswer) {
  auto field = std::make_unique<TextField>(MakeRect(0, 0, 10, 10));
  window->ContentView().AddSubview(*field);
  script().textEntries.push_back(TextEntryAnswer{{"1"}, false, true});
  ASSERT_TRUE(window->MakeFirstResponder(field.get()));
  field.reset();
  EXPECT_EQ(backend->Pump(), 1);
}

TEST_F(DialogsTest, ColourPanelDeliversEachPickUntilClosed) {
  std::vector<Color> picked;
  ColorPanel& panel = ColorPanel::Shared();
  EXPECT_TRUE(ColorPanel::SharedExists());
  panel.SetAction([&](const ColorPanel& p) { picked.push_back(p.GetColor()); });
  script().colorPicks.push_back({Color{1, 0, 0, 1}, Color{0, 0, 1, 0.5}});
  panel.OrderFront();
  EXPECT_TRUE(picked.empty());
  backend->Pump();
  EXPECT_EQ(picked, (std::vector<Color>{{1, 0, 0, 1}, {0, 0, 1, 0.5}}));
  script().colorPicks.push_back({Color{0, 1, 0, 1}});
  panel.OrderFront();
  panel.Close();
  backend->Pump();
  EXPECT_EQ(picked.size(), 2u);
}

// Editors on two threads share the one colour panel and the clipboard: each prompts, reads and closes, copies and
// clears, and the clipboard counts every change.
TEST_F(DialogsTest, ColourPanelAndPasteboardServeEditorsOnTwoThreads) {
  constexpr int kRounds = 200;
  Pasteboard& board = Pasteboard::General();
  const int before = board.ChangeCount();
  const auto editor = [&](double red) {
    ColorPanel& panel = ColorPanel::Shared();
    for (int i = 0; i < kRounds; ++i) {
      panel.SetShowsAlpha(true);
      panel.SetAction([](const ColorPanel& p) { static_cast<void>(p.GetColor()); });
      panel.SetColor(Color{red, 0, 0, 1});
      panel.OrderFront();
      static_cast<void>(panel.GetColor());
      static_cast<void>(panel.IsVisible());
      panel.Close();
      board.SetString("copied");
      board.ClearContents();
    }
  };
  std::thread other(editor, 0.25);
  editor(0.75);
  other.join();
  EXPECT_EQ(board.ChangeCount() - before, 4 * kRounds);
  EXPECT_FALSE(ColorPanel::Shared().IsVisible());
  ColorPanel::Shared().SetAction(nullptr);
}

TEST_F(DialogsTest, PasteboardKeepsTextAndFiles) {
  Pasteboard& board = Pasteboard::General();
  EXPECT_TRUE(board.SetString("hello"));
  EXPECT_EQ(board.String(), "hello");
  board.ClearContents();
  EXPECT_EQ(board.String(), std::nullopt);
  EXPECT_FALSE(board.WriteFileURLs({}));
  EXPECT_FALSE(board.WriteFileURLs({""}));
  ASSERT_TRUE(board.WriteFileURLs({"/a b/c.lps"}));
  EXPECT_EQ(board.String(), "/a b/c.lps");
  EXPECT_EQ(backend->Clipboard().fileURLs, std::vector<std::string>{"file:///a%20b/c.lps"});
}

TEST_F(DialogsTest, OnlyRealWebAddressesAreWebUrls) {
  struct Row {
    const char* text;
    bool web;
  } rows[] = {{"https://example.com/products/x#Changelog", true},
              {"HTTP://example.com", true},
              {"http://", false},
              {"https:///path", false},
              {"httpfoo", false},
              {"/Users/Shared/http/manual.pdf", false},
              {"ftp://example.com", false},
              {"http://exa mple.com", false},
              {"", false}};
  for (const Row& row : rows) EXPECT_EQ(URL::WithString(row.text).has_value(), row.web) << row.text;
  struct TextRow {
    const char* text;
    const char* url;  // null: no URL
  } texts[] = {{"https://example.com/a", "https://example.com/a"},
               {"/Users/Shared/Documents/K/K manual.pdf", "file:///Users/Shared/Documents/K/K%20manual.pdf"},
               {"~/x", "file:///home/tester/x"},
               {"http://", nullptr},
               {"www.example.com", nullptr},
               {"", nullptr}};
  for (const TextRow& row : texts) {
    const std::optional<URL> url = URL::FromText(row.text);
    EXPECT_EQ(url ? url->AbsoluteString() : "none", row.url ? row.url : "none") << row.text;
    backend->ClearLog();
    EXPECT_EQ(Workspace::Shared().OpenText(row.text), row.url != nullptr) << row.text;
    EXPECT_EQ(backend->LogLines().size(), row.url ? 1u : 0u);  // nothing is opened for no URL
  }
  EXPECT_FALSE(URL::FileURLWithPath("").has_value());
  EXPECT_EQ(URL::FileURLWithPath("~/x y")->AbsoluteString(), "file:///home/tester/x%20y");
  EXPECT_EQ(ExpandTilde("~"), "/home/tester");
  EXPECT_EQ(ExpandTilde("~other/x"), "~other/x");

  EXPECT_TRUE(Workspace::Shared().OpenURL(*URL::WithString("https://example.com")));
  EXPECT_EQ(LastLog(), "open-url https://example.com -> ok");
  script().openersSucceed = false;
  EXPECT_FALSE(Workspace::Shared().OpenURL(*URL::FileURLWithPath("/tmp")));
  EXPECT_FALSE(Workspace::Shared().OpenFile("/no/such/file"));
  EXPECT_EQ(LastLog(), "open-url file:///tmp -> failed");
}

// Round trips with the encoding of FileURLWithPath, and the forms other programs write.
TEST_F(DialogsTest, FileUrlsOfDroppedFilesDecodeToLocalPaths) {
  for (const char* path : {"/a b/c.lps", "/tmp/100% sure #1?.lps", "/\xC3\xA9t\xC3\xA9/x"}) {
    const std::optional<URL> back = URL::WithFileURLString(URL::FileURLWithPath(path)->AbsoluteString());
    EXPECT_EQ(back ? back->Path() : "none", path);
  }
  struct Row {
    const char* text;
    const char* path;  // null: no file URL
  } rows[] = {{"file://localhost/x%2fy", "/x/y"},
              {"FILE:///Upper", "/Upper"},
              {"file:/short/form", "/short/form"},
              {"file:///%c3%a9", "/\xC3\xA9"},
              {"file://elsewhere.example/x", nullptr},
              {"file://localhostile/x", nullptr},
              {"file:relative", nullptr},
              {"file://", nullptr},
              {"file:///cut%2", nullptr},
              {"file:///bad%zz", nullptr},
              {"file:///nul%00byte", nullptr},
              {"https://example.com/x.lps", nullptr}};
  for (const Row& row : rows) {
    const std::optional<URL> url = URL::WithFileURLString(row.text);
    EXPECT_EQ(url ? url->Path() : "none", row.path ? row.path : "none") << row.text;
  }
  EXPECT_EQ(FilePathsInURIList("# dragged\r\nfile:///a%20b.lps\r\n\r\nhttp://x/y\r\nfile:///c\nfile:///d"),
            (std::vector<std::string>{"/a b.lps", "/c", "/d"}));
  EXPECT_TRUE(FilePathsInURIList("").empty());
}

}  // namespace
}  // namespace platform::window

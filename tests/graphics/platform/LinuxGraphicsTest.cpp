#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "graphics/ITextEntryControlBase.h"
#include "graphics/platform/IGraphicsToolTip.h"
#include "platform/window/Workspace.h"
#include "tests/graphics/platform/PlatformGraphicsFixture.h"
#include "tests/support/TempDataHome.h"

namespace fx::gfx::test {
namespace {

using Kind = pw::NativeInput::Kind;

TEST_F(PlatformGraphicsTest, HostRemovingTheViewClosesTheEditorOnceThroughTheDelegate) {
  Open();
  V().RemoveFromSuperview();
  EXPECT_EQ(dlg.GetUI<IGraphicsLinux>(), nullptr);
  EXPECT_EQ(dlg.closes, 1);
  EXPECT_TRUE(backend->Windows().empty());
}

TEST_F(PlatformGraphicsTest, ReopeningAndDestroyingNeverCallBackIntoTheDelegate) {
  Open();
  IGraphicsLinux* graphics = &G();
  // A second open without a close: the same graphics, one view, one window, a new layout.
  ASSERT_NE(dlg.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(dlg.GetUI<IGraphicsLinux>(), graphics);
  EXPECT_EQ(backend->Windows().size(), 1u);
  EXPECT_EQ(dlg.layouts, 2);
  EXPECT_EQ(dlg.opens, 2);
  EXPECT_EQ(dlg.closes, 0);

  // Graphics the delegate does not hold: destroyed while open, they close without the close notification.
  auto loose = std::make_unique<IGraphicsLinux>(dlg, 100, 100, 60, 1.f);
  ASSERT_NE(loose->OpenWindow(nullptr), nullptr);
  loose.reset();
  EXPECT_EQ(dlg.closes, 0);
  EXPECT_EQ(backend->Windows().size(), 1u);

  // Removed by the host, they close themselves, and the delegate's own editor stays open.
  loose = std::make_unique<IGraphicsLinux>(dlg, 100, 100, 60, 1.f);
  ASSERT_NE(loose->OpenWindow(nullptr), nullptr);
  loose->GetView()->RemoveFromSuperview();
  EXPECT_FALSE(loose->WindowIsOpen());
  EXPECT_EQ(dlg.GetUI<IGraphicsLinux>(), graphics);
  EXPECT_TRUE(graphics->WindowIsOpen());
  EXPECT_EQ(dlg.closes, 0);
}

TEST_F(PlatformGraphicsTest, MessageBoxesAnswerByTypeAndButton) {
  struct Row {
    EMsgBoxType type;
    int button;  // index pressed; -1 closes the alert
    EMsgBoxResult result;
    const char* buttons;
  } rows[] = {
      {kMB_OK, 0, kOK, "[OK]"},
      {kMB_OK, -1, kOK, "[OK]"},
      {kMB_OKCANCEL, 0, kOK, "[OK|Cancel]"},
      {kMB_OKCANCEL, 1, kCANCEL, "[OK|Cancel]"},
      {kMB_OKCANCEL, -1, kCANCEL, "[OK|Cancel]"},
      {kMB_YESNOCANCEL, 0, kYES, "[Yes|No|Cancel]"},
      {kMB_YESNOCANCEL, 1, kNO, "[Yes|No|Cancel]"},
      {kMB_YESNOCANCEL, 2, kCANCEL, "[Yes|No|Cancel]"},
      {kMB_YESNO, 0, kYES, "[Yes|No]"},
      {kMB_YESNO, 1, kNO, "[Yes|No]"},
      {kMB_YESNO, -1, kNO, "[Yes|No]"},
      {kMB_RETRYCANCEL, 0, kRETRY, "[Retry|Cancel]"},
      {kMB_RETRYCANCEL, 1, kCANCEL, "[Retry|Cancel]"},
      {kMB_ABORTRETRYIGNORE, -1, kCANCEL, "[]"},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.type << " " << row.button);
    backend->ClearLog();
    backend->Script().alertButtons.push_back(row.button);
    EMsgBoxResult completed = kNoResult;
    EXPECT_EQ(G().ShowMessageBox("Text", "Caption", row.type, [&](EMsgBoxResult r) { completed = r; }), row.result);
    EXPECT_EQ(completed, row.result);
    ASSERT_EQ(Log("alert").size(), 1u);
    EXPECT_EQ(Log("alert")[0].rfind(std::string("alert \"Caption\" \"Text\" ") + row.buttons, 0), 0u);
  }
}

// Without a start the prompt opens in the user's desktop folder: the one the user's user-dirs.dirs names (in
// $XDG_CONFIG_HOME), else "$HOME/Desktop", or the home folder when that folder is not there; the caller's path
// names that folder from then on. The modal road answers in the caller's path (a cancel empties it); the sheet road
// leaves the path and answers through the completion ("" for a cancel).
TEST_F(PlatformGraphicsTest, DirectoryPromptStartsOnTheDesktopAndACancelAnswersAnEmptyPath) {
  presets_test::TempDataHome home;
  unsetenv("XDG_DESKTOP_DIR");
  const std::string config = home.Root() + "/config";
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  std::filesystem::create_directories(config);
  const std::string named = home.Root() + "/Schreibtisch";
  const std::string fallback = home.Root() + "/Desktop";
  std::filesystem::create_directories(named);
  std::filesystem::create_directories(fallback);
  enum class Desktop { kNamed, kDefault, kMissing };
  struct Row {
    const char* path;
    bool sheet;
    std::optional<std::string> answer;
    std::string pathAfter;
    const char* completed;  // what the sheet's completion gets
    std::string startsIn;
    Desktop desktop = Desktop::kNamed;
  } rows[] = {
      {"", false, std::nullopt, "", nullptr, named},
      {"", false, "/tmp/x", "/tmp/x/", nullptr, named},
      {"/data/", false, std::nullopt, "", nullptr, "/data/"},
      {"/data/", false, "/tmp/x", "/tmp/x/", nullptr, "/data/"},
      {"", true, std::nullopt, named, "", named},
      {"", true, "/tmp/y", named, "/tmp/y/", named},
      {"/data/", true, "/tmp/y", "/data/", "/tmp/y/", "/data/"},
      {"/data/", true, std::nullopt, "/data/", "", "/data/"},
      {"", false, "/tmp/z", "/tmp/z/", nullptr, fallback, Desktop::kDefault},
      {"", true, std::nullopt, fallback, "", fallback, Desktop::kDefault},
      {"", false, std::nullopt, "", nullptr, home.Root(), Desktop::kMissing},
      {"", true, std::nullopt, home.Root(), "", home.Root(), Desktop::kMissing},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.path << " " << row.sheet << " " << row.startsIn);
    // The entry as xdg-user-dirs writes it; without it the xdg default applies.
    presets_test::WriteTextFile(config + "/user-dirs.dirs",
                                row.desktop == Desktop::kNamed
                                    ? "# written by a test\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                    : "XDG_MUSIC_DIR=\"$HOME/Musik\"\n");
    if (row.desktop == Desktop::kMissing) std::filesystem::remove(fallback);
    backend->ClearLog();
    backend->Script().panelAnswers.push_back(row.answer);
    FwString path(row.path);
    std::optional<std::string> completed;
    IFileDialogCompletionHandlerFunc completion;
    if (row.sheet)
      completion = [&](const FwString& name, const FwString& dir) {
        EXPECT_STREQ(name.Get(), "");
        completed = dir.Get();
      };
    G().PromptForDirectory(path, completion);
    pw::Pump();
    EXPECT_EQ(path.Get(), row.pathAfter);
    EXPECT_EQ(completed.has_value(), row.completed != nullptr);
    EXPECT_EQ(completed.value_or(""), row.completed ? row.completed : "");
    ASSERT_EQ(Log("panel directory").size(), 1u);
    EXPECT_NE(Log("panel directory")[0].find("dir=\"" + row.startsIn + "\""), std::string::npos);
  }
  unsetenv("XDG_CONFIG_HOME");
}

// What the graphics say they run on: the renderer on Vulkan, and the window layer's back end.
TEST_F(PlatformGraphicsTest, ApiStringsNameTheRendererAndTheWindowBackEnd) {
  Open();
  const std::pair<std::string, std::string> rows[] = {
      {G().GetDrawingAPIStr(), "vector | Vulkan"},
      {G().GetPlatformAPIStr(), "headless"},
  };
  for (const auto& [said, expected] : rows) EXPECT_EQ(said, expected);
}

TEST_F(PlatformGraphicsTest, FilePromptFillsNameAndFolderOnBothRoads) {
  struct Row {
    EFileAction action;
    bool sheet;
    std::optional<std::string> answer;
    const char* nameAfter;
    const char* pathAfter;
    const char* completed;  // "name|path" handed to the sheet's completion
  } rows[] = {
      {kFileOpen, false, "/a/b/c.wav", "/a/b/c.wav", "/a/b/", nullptr},
      {kFileSave, false, std::nullopt, "", "/start/", nullptr},
      {kFileOpen, true, "/r.wav", "", "/start/", "/r.wav|/"},
      {kFileSave, true, std::nullopt, "", "/start/", "|"},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.action << " " << row.sheet);
    backend->ClearLog();
    backend->Script().panelAnswers.push_back(row.answer);
    FwString name("old.wav"), path("/start/");
    std::string completed;
    IFileDialogCompletionHandlerFunc completion;
    if (row.sheet)
      completion = [&](const FwString& n, const FwString& p) { completed = std::string(n.Get()) + "|" + p.Get(); };
    G().PromptForFile(name, path, row.action, "wav aif", completion);
    pw::Pump();
    EXPECT_STREQ(name.Get(), row.nameAfter);
    EXPECT_STREQ(path.Get(), row.pathAfter);
    EXPECT_EQ(completed, row.completed ? row.completed : "");
    ASSERT_EQ(Log("panel").size(), 1u);
    EXPECT_NE(Log("panel")[0].find("dir=\"/start/\""), std::string::npos);
    EXPECT_NE(Log("panel")[0].find("types=wav,aif"), std::string::npos);
  }
}

TEST_F(PlatformGraphicsTest, PopupMenusRunFromTheMainQueueAndOnlyForTheViewThatAsked) {
  struct Row {
    const char* before;  // what happens between the request and the queue's turn
    std::vector<int> choice;
    std::vector<std::string> seen;
    size_t menusShown;
  } rows[] = {
      {"nothing", {1}, {"menu 1"}, 1}, {"nothing", {}, {"menu none"}, 1},
      {"close view", {1}, {}, 0},      {"close editor", {1}, {}, 0},
      {"reopen", {1}, {}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.before);
    Open();
    backend->ClearLog();
    journal.clear();
    backend->Script().menuChoices.push_back(row.choice);
    auto menu = std::make_unique<IPopupMenu>("", std::initializer_list<const char*>{"A", "B", "C"});
    G().CreatePopupMenu(*control, *menu, IRECT(90.f, 40.f, 110.f, 60.f));
    EXPECT_TRUE(journal.empty());  // never inside the call that asked
    const std::string before = row.before;
    if (before == "close view") G().CloseWindow();
    if (before == "close editor") dlg.CloseWindow();
    if (before == "reopen") dlg.OpenWindow(nullptr);
    // Whatever owned the menu may be gone by now: the queued request must not touch it.
    if (before != "nothing") menu.reset();
    platform::RunLoop::Main().RunPostedWork();
    EXPECT_EQ(journal, row.seen);
    EXPECT_EQ(Log("menu").size(), row.menusShown);
    backend->Script().menuChoices.clear();
    dlg.CloseWindow();
  }
}

// A control that asks for a menu of its own and is removed before the queue's turn: the queued request finds its
// menu gone with it and shows nothing; a later request of another control is shown and answered as usual.
TEST_F(PlatformGraphicsTest, APopupMenuRequestGoesWithTheControlThatOwnsItsMenu) {
  struct OwnMenu : JournalControl {
    using JournalControl::JournalControl;
    IPopupMenu menu{"", {"A", "B", "C"}};
  };
  Open();
  backend->ClearLog();
  journal.clear();
  backend->Script().menuChoices.push_back({2});
  auto* owner = new OwnMenu(journal, IRECT(10.f, 10.f, 30.f, 30.f), -1);
  G().AttachControl(owner);
  G().CreatePopupMenu(*owner, owner->menu, owner->GetRECT());
  G().RemoveControl(owner);
  platform::RunLoop::Main().RunPostedWork();
  EXPECT_TRUE(journal.empty());
  EXPECT_TRUE(Log("menu").empty());

  // Removed before it asks (within the same walk, so it is still whole): answered at once with no choice, and
  // nothing is queued.
  auto* early = new OwnMenu(journal, IRECT(10.f, 10.f, 30.f, 30.f), -1);
  G().AttachControl(early);
  G().ForAllControlsFunc([&](IControl* c) {
    if (c != early) return;
    G().RemoveControl(early);
    G().CreatePopupMenu(*early, early->menu, early->GetRECT());
  });
  EXPECT_EQ(journal, std::vector<std::string>{"menu none"});
  journal.clear();
  platform::RunLoop::Main().RunPostedWork();
  EXPECT_TRUE(journal.empty());
  EXPECT_TRUE(Log("menu").empty());

  IPopupMenu menu("", {"A", "B", "C"});
  G().CreatePopupMenu(*control, menu, control->GetRECT());
  platform::RunLoop::Main().RunPostedWork();
  EXPECT_EQ(journal, std::vector<std::string>{"menu 2"});
  EXPECT_EQ(Log("menu").size(), 1u);

  // The queued block's answer may remove the control it answers: it goes once the block has returned.
  struct Leaving : OwnMenu {
    explicit Leaving(std::vector<std::string>& journal)
        : OwnMenu(journal, IRECT(10.f, 10.f, 30.f, 30.f), -1), log(journal) {}
    ~Leaving() override { log.push_back("deleted"); }
    void OnPopupMenuSelection(IPopupMenu* chosen, int valIdx) override {
      OwnMenu::OnPopupMenuSelection(chosen, valIdx);
      GetUI()->RemoveControl(this);
      log.push_back("removed");
    }
    std::vector<std::string>& log;
  };
  journal.clear();
  backend->Script().menuChoices.push_back({1});
  auto* leaving = new Leaving(journal);
  G().AttachControl(leaving);
  G().CreatePopupMenu(*leaving, leaving->menu, leaving->GetRECT());
  platform::RunLoop::Main().RunPostedWork();
  EXPECT_EQ(journal, (std::vector<std::string>{"menu 1", "removed", "deleted"}));
  backend->Script().menuChoices.clear();
}

TEST_F(PlatformGraphicsTest, ThePlatformContextIsTheDrawingLayerFromTheViewsAttachToItsClose) {
  Open();
  EXPECT_EQ(G().GetPlatformContext(), V().Layer()->RendererLayer());
  // The steps that clear it: a change of the backing scale and the close.
  backend->SetBackingScaleFactor(2.0);
  EXPECT_EQ(G().GetPlatformContext(), nullptr);
  G().CloseWindow();
  ASSERT_NE(G().OpenWindow(nullptr), nullptr);
  EXPECT_EQ(G().GetPlatformContext(), V().Layer()->RendererLayer());
  G().CloseWindow();
  EXPECT_EQ(G().GetPlatformContext(), nullptr);
  backend->SetBackingScaleFactor(1.0);
}

// A resize gives the view, and the editor's own window inside the host's (a native window does not follow the views in
// it), the editor's size in points at the draw scale, each side truncated; the view's tracking area covers the new
// bounds with the options 0x481 (entered and exited 0x1, always 0x80, during drags 0x400), its moves coming from the
// window; the next frame has the new size. A size past an int of pixels (a scale limit of 1e30) is no size.
TEST_F(PlatformGraphicsTest, AResizeSizesTheViewItsWindowAndItsTrackingArea) {
  struct Row {
    int width, height;
    float scale;
    double pointsWide, pointsHigh;
  } rows[] = {{300, 150, 1.f, 300, 150},
              {300, 150, 1.5f, 450, 225},
              {201, 101, 1.25f, 251, 126},
              {400, 300, 1e30f, 0, 0},
              {200, 100, 1.f, 200, 100}};
  Open();
  G().SetScaleConstraints(0.5f, 1e30f);
  EXPECT_TRUE(W().AcceptsMouseMovedEvents());
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << " at " << row.scale);
    G().Resize(row.width, row.height, row.scale);
    const pw::Size size{row.pointsWide, row.pointsHigh};
    EXPECT_EQ(V().Frame().size, size);
    EXPECT_EQ(W().ContentSize(), size);
    EXPECT_EQ(W().Frame().size, size);  // the native window, at backing scale 1
    ASSERT_EQ(V().TrackingAreas().size(), 1u);
    EXPECT_EQ(V().TrackingAreas().front()->Options(), 0x481u);
    EXPECT_EQ(V().TrackingAreas().front()->GetRect(), (pw::Rect{{0, 0}, size}));
    if (size.width == 0) continue;  // nothing to draw
    Frame();
    EXPECT_EQ(W().LastPresentedFrame().width, static_cast<int>(row.pointsWide));
    EXPECT_EQ(W().LastPresentedFrame().height, static_cast<int>(row.pointsHigh));
  }
}

// A drawing layer without a GPU behind it, as on a machine without Vulkan; it says when it goes.
class NoGpuDrawingLayer final : public IGraphicsDrawingLayer {
 public:
  explicit NoGpuDrawingLayer(int& alive) : mAlive(alive) { ++mAlive; }
  ~NoGpuDrawingLayer() override { --mAlive; }
  void* RendererLayer() override { return nullptr; }
  void SetDrawableSize(double, double, double) override {}
  bool TakeFinishedFrame(std::vector<uint8_t>&, int&, int&) override { return false; }

 private:
  int& mAlive;
};

// Nothing to draw with (no GPU behind the drawing layer, or a renderer the GPU cannot make): the open answers
// null, leaves no window, view or layer behind and reaches neither the layout nor the delegate's open; a later open
// that can draw goes as usual.
TEST_F(PlatformGraphicsTest, WithoutADrawingContextTheEditorDoesNotOpenAndLeavesNothing) {
  struct Row {
    const char* name;
    DrawingLayerMaker maker;
  };
  int layersAlive = 0;
  const Row rows[] = {
      {"no GPU", [&] { return std::make_unique<NoGpuDrawingLayer>(layersAlive); }},
      {"renderer refused",
       [] {
         auto layer = std::make_unique<RecordingDrawingLayer>();
         layer->backend.createSucceeds = false;
         return layer;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetDrawingLayerMaker(row.maker);
    EXPECT_EQ(dlg.OpenWindow(nullptr), nullptr);
    EXPECT_EQ(dlg.GetUI<IGraphicsLinux>(), nullptr);
    EXPECT_TRUE(backend->Windows().empty());
    EXPECT_EQ(layersAlive, 0);
    EXPECT_EQ(dlg.layouts, 0);
    EXPECT_EQ(dlg.opens, 0);

    // Graphics the delegate does not hold: closed again, and reopened once drawing is possible.
    IGraphicsLinux loose(dlg, 100, 100, 60, 1.f);
    EXPECT_EQ(loose.OpenWindow(nullptr), nullptr);
    EXPECT_FALSE(loose.WindowIsOpen());
    EXPECT_EQ(loose.GetView(), nullptr);
    EXPECT_EQ(loose.GetPlatformWindow(), nullptr);
    EXPECT_EQ(loose.GetDrawContext(), nullptr);
    EXPECT_EQ(loose.GetPlatformContext(), nullptr);
    EXPECT_TRUE(backend->Windows().empty());
    EXPECT_EQ(layersAlive, 0);
    EXPECT_EQ(dlg.layouts, 0);

    SetDrawingLayerMaker([] { return std::make_unique<RecordingDrawingLayer>(); });
    EXPECT_NE(loose.OpenWindow(nullptr), nullptr);
    EXPECT_NE(loose.GetDrawContext(), nullptr);
    loose.CloseWindow();
    dlg.layouts = 0;
    dlg.opens = 0;
  }
  Open();
  EXPECT_EQ(dlg.layouts, 1);
  EXPECT_EQ(dlg.opens, 1);
  EXPECT_EQ(backend->Windows().size(), 1u);
}

// A bound control that, when told to, asks the host to close the editor from inside its own press.
class ClosingControl : public JournalControl {
 public:
  ClosingControl(std::vector<std::string>& journal, const IRECT& bounds, int paramIdx, IGEditorDelegate& dlg)
      : JournalControl(journal, bounds, paramIdx), mDlg(dlg) {}
  bool closeOnPress = false;
  bool menuOnPress = false;
  IPopupMenu menu{"", {"A", "B"}};
  void OnMouseDown(float x, float y, const IMouseMod& mod) override {
    JournalControl::OnMouseDown(x, y, mod);
    if (menuOnPress) GetUI()->CreatePopupMenu(*this, menu, GetRECT());
    if (closeOnPress) mDlg.CloseWindow();
  }

 private:
  IGEditorDelegate& mDlg;
};

TEST_F(PlatformGraphicsTest, ClosingTheEditorEndsEveryEditAPressOrAPendingMenuOpened) {
  struct Row {
    const char* what;
    bool menu;
    bool closeInsidePress;
  } rows[] = {{"pressed", false, false},
              {"menu pending", true, false},
              {"closed by the press", false, true},
              {"closed by the press with a menu pending", true, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    Open();
    auto* bound = static_cast<ClosingControl*>(
        G().AttachControl(new ClosingControl(journal, IRECT(10.f, 10.f, 50.f, 30.f), FakeDelegate::kInt, dlg)));
    bound->menuOnPress = row.menu;
    bound->closeOnPress = row.closeInsidePress;
    dlg.host.clear();
    Inject(Kind::kButtonPress, 20, 20, 100.0);
    if (!row.closeInsidePress) dlg.CloseWindow();
    platform::RunLoop::Main().RunPostedWork();
    EXPECT_EQ(dlg.host, (std::vector<std::string>{"begin 2", "end 2"}));
  }
}

// A delegate that goes with its editor open: its own parts are gone when it deletes the graphics.
TEST_F(PlatformGraphicsTest, ADelegateGoingWithAPressOrAMenuOpenIsNotCalledBack) {
  for (const bool menu : {false, true}) {
    SCOPED_TRACE(menu ? "menu pending" : "pressed");
    auto other = std::make_unique<EditorDelegate>();
    other->SetMakeGraphicsFunc([&] { return new IGraphicsLinux(*other, 200, 100, 60, 1.f); });
    ASSERT_NE(other->OpenWindow(nullptr), nullptr);
    IGraphics* graphics = other->GetUI<IGraphics>();
    auto* bound = static_cast<ClosingControl*>(graphics->AttachControl(
        new ClosingControl(journal, IRECT(10.f, 10.f, 50.f, 30.f), FakeDelegate::kInt, *other)));
    bound->menuOnPress = menu;
    IMouseInfo p;
    p.x = 20;
    p.y = 20;
    graphics->OnMouseDown({p});
    EXPECT_EQ(other->host.back(), "begin 2");
    other.reset();  // a call into the half-destroyed delegate would abort here
  }
}

// An in-editor text entry that is editing from the moment it opens.
class EditingEntry : public ITextEntryControlBase {
 public:
  EditingEntry() : ITextEntryControlBase(IRECT()) {}
  void Draw(IGraphics&) override {}
  void CreateTextEntry(int, const IText&, const IRECT&, int, const char*) override { mEditing = true; }
};

TEST_F(PlatformGraphicsTest, WheelAndForcedEndLeaveAnInEditorEditAlone) {
  Open();
  G().AttachTextEntryControl(new EditingEntry);
  G().CreateTextEntry(*control, IText(), control->GetRECT(), "1");
  ASSERT_EQ(G().GetControlInTextEntry(), control);
  Inject(Kind::kWheel, 100, 50);
  G().ForceEndUserEdit();
  EXPECT_EQ(G().GetControlInTextEntry(), control);
}

TEST_F(PlatformGraphicsTest, NativeTextEntryFiltersTypingAndHandsTheTextBack) {
  Open();
  auto* bound = static_cast<JournalControl*>(
      G().AttachControl(new JournalControl(journal, IRECT(10.f, 10.f, 50.f, 30.f), FakeDelegate::kInt)));
  struct Row {
    JournalControl* target;
    std::vector<std::string> typed;
    bool commit;
    std::vector<std::string> seen;
    std::vector<std::string> sent;
  } rows[] = {
      {control, {"ab", "c"}, true, {"text 1abc"}, {}},   // no parameter: no filter; typing appends
      {control, {"ab"}, false, {"text 1"}, {}},          // cancelled: the text editing began with
      {bound, {"1", "x", "0"}, true, {}, {"send 2 1"}},  // an int parameter refuses the letter: "10" is its maximum
  };
  for (const Row& row : rows) {
    journal.clear();
    dlg.host.clear();
    backend->Script().textEntries.push_back({row.typed, false, row.commit});
    G().CreateTextEntry(*row.target, IText(), row.target->GetRECT(), row.target == control ? "1" : "");
    ASSERT_TRUE(V().IsTextEntryOpen());
    pw::Pump();
    EXPECT_FALSE(V().IsTextEntryOpen());
    EXPECT_EQ(G().GetControlInTextEntry(), nullptr);
    EXPECT_EQ(journal, row.seen);
    std::vector<std::string> sent;
    for (const std::string& line : dlg.host)
      if (line.rfind("send", 0) == 0) sent.push_back(line);
    EXPECT_EQ(sent, row.sent);
  }
}

// The caller of the platform's text field going closes the field: nothing could take its text any more.
TEST_F(PlatformGraphicsTest, RemovingTheCallerOfANativeTextEntryClosesIt) {
  Open();
  IControl* caller = G().AttachControl(new JournalControl(journal, IRECT(10.f, 10.f, 50.f, 30.f), -1));
  G().CreateTextEntry(*caller, IText(), caller->GetRECT(), "1");
  ASSERT_TRUE(V().IsTextEntryOpen());
  G().RemoveControl(caller);
  EXPECT_FALSE(V().IsTextEntryOpen());
  EXPECT_EQ(G().GetControlInTextEntry(), nullptr);
  pw::Pump();
  EXPECT_EQ(journal, std::vector<std::string>{});
}

// A typed answer whose completion closes the editor (a host answering a call it made) ends the entry there.
TEST_F(PlatformGraphicsTest, ATextEntryWhoseAnswerClosesTheEditorEndsThere) {
  class Closing : public IControl {
   public:
    explicit Closing(EditorDelegate& dlg) : IControl(IRECT(10.f, 10.f, 50.f, 30.f)), mDlg(dlg) {}
    void Draw(IGraphics&) override {}
    void OnTextEntryCompletion(const char*, int) override { mDlg.CloseWindow(); }

   private:
    EditorDelegate& mDlg;
  };
  Open();
  IControl* closing = G().AttachControl(new Closing(dlg));
  const int closes = dlg.closes;
  backend->Script().textEntries.push_back({{"12"}, false, true});
  G().CreateTextEntry(*closing, IText(), closing->GetRECT(), "");
  pw::Pump();
  EXPECT_EQ(dlg.GetUI(), nullptr);
  EXPECT_EQ(dlg.closes, closes + 1);
}

// The colour panel's components become channels of 0..255, whatever the panel hands over: below 0 or not a number
// is 0, above 1 or infinite is 255.
TEST_F(PlatformGraphicsTest, PickedColoursOutsideTheirRangeBecomeTheNearestChannel) {
  Open();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  backend->Script().colorPicks.push_back({pw::Color{nan, 2.0, -1.0, inf}, pw::Color{0.5, -inf, 1e300, -0.0}});
  std::vector<IColor> picked;
  IColor start(255, 1, 2, 3);
  ASSERT_TRUE(G().PromptForColor(start, "", [&](const IColor& c) { picked.push_back(c); }));
  pw::Pump();
  ASSERT_EQ(picked.size(), 2u);
  EXPECT_EQ(picked[0], IColor(255, 0, 255, 0));
  EXPECT_EQ(picked[1], IColor(0, 127, 0, 255));
}

// A text with "http" in it is taken as a web address, any other as a file path. A text that forms no URL opens
// nothing and answers true; otherwise the answer is the opener's.
TEST_F(PlatformGraphicsTest, OpenURLTellsWebAddressesFromPaths) {
  struct Row {
    const char* url;
    bool openerWorks;
    bool answer;
    const char* logged;
  } rows[] = {
      {nullptr, true, true, nullptr},
      {"", true, true, nullptr},
      {"https://example.com/a", true, true, "open-url https://example.com/a -> ok"},
      {"https://example.com/a", false, false, "open-url https://example.com/a -> failed"},
      {"http://", true, true, nullptr},              // no host
      {"/tmp/http notes.txt", true, true, nullptr},  // "http" but no web address
      {"httpd.conf", true, true, nullptr},
      {"/tmp/notes.txt", true, true, "open-url file:///tmp/notes.txt -> ok"},
      {"/tmp/notes.txt", false, false, "open-url file:///tmp/notes.txt -> failed"},
      {"/tmp/HTTP notes.txt", true, true, "open-url file:///tmp/HTTP%20notes.txt -> ok"},  // the test is for "http"
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << (row.url ? row.url : "null") << " " << row.openerWorks);
    backend->ClearLog();
    backend->Script().openersSucceed = row.openerWorks;
    EXPECT_EQ(G().OpenURL(row.url), row.answer);
    EXPECT_EQ(Log("open-url"), row.logged ? std::vector<std::string>{row.logged} : std::vector<std::string>{});
  }
}

// Revealing an existing file opens it, or with select its folder, once, through the desktop's opener; the answer is
// the opener's. A path that does not exist opens nothing and answers false.
TEST_F(PlatformGraphicsTest, RevealOpensTheFileOrItsFolderOnce) {
  const presets_test::TempDataHome home;
  const std::string folder = home.Root() + "/my presets";
  const std::string file = folder + "/a b.lps";
  std::filesystem::create_directories(folder);
  std::ofstream(file) << "x";
  struct Row {
    std::string path;
    bool select;
    bool openerWorks;
    bool answer;
    std::string opened;  // "": nothing opened
  } rows[] = {
      {file, false, true, true, file},
      {file, true, true, true, folder},
      {file, true, false, false, folder},
      {folder, true, true, true, home.Root()},
      {"/usr", true, true, true, "/"},
      {folder + "/missing.lps", false, true, false, ""},
      {folder + "/missing.lps", true, true, false, ""},
      {"", true, true, false, ""},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.path << " select " << row.select << " opener " << row.openerWorks);
    backend->ClearLog();
    backend->Script().openersSucceed = row.openerWorks;
    FwString path(row.path.c_str());
    EXPECT_EQ(G().RevealPathInExplorerOrFinder(path, row.select), row.answer);
    const std::string line = "open-path " + row.opened + (row.openerWorks ? " -> ok" : " -> failed");
    EXPECT_EQ(Log("open-"), row.opened.empty() ? std::vector<std::string>{} : std::vector<std::string>{line});
  }
}

// The window shows a control's tooltip when the pointer rests on it; the graphics draw it over the editor, beside
// the pointer and inside the editor, and a moved or hidden tooltip repaints where it was.
TEST_F(PlatformGraphicsTest, TooltipsAreDrawnBesideThePointerWhileEnabled) {
  Open();
  control->SetTooltip("Gain");
  G().EnableTooltips(true);
  EXPECT_EQ(V().NumToolTipRects(), 2);  // the background and the control; texts are asked for when shown
  for (int i = 0; i < 2; ++i) Frame();
  const auto rest = [&](float x, float y) {
    Inject(Kind::kMotion, x, y);
    clock.Advance(pw::ToolTipTracker::kDelaySeconds);
    platform::RunLoop::Main().RunDueTimers();
  };
  rest(100, 50);
  EXPECT_EQ(W().ToolTipText(), "Gain");
  auto* tip = dynamic_cast<IGraphicsToolTip*>(G().GetToolTipControl());
  ASSERT_NE(tip, nullptr);
  EXPECT_TRUE(tip->IsShowing());
  EXPECT_EQ(tip->GetTipText(), "Gain");
  const IRECT first = tip->GetBox();
  EXPECT_EQ(first.L, 100.f + IGraphicsToolTip::kOffsetX);
  EXPECT_EQ(first.T, 50.f + IGraphicsToolTip::kOffsetY);
  const int flushes = Layer().backend.flushCalls;
  Frame();
  EXPECT_GT(Layer().backend.flushCalls, flushes);

  // Near the bottom-right corner the box stays inside the editor, above the pointer.
  G().ShowToolTip("Gain", 109.f, 95.f);
  const IRECT second = tip->GetBox();
  EXPECT_LE(second.R, 200.f);
  EXPECT_LE(second.B, 95.f);
  IRECTList dirty;
  ASSERT_TRUE(G().IsDirty(dirty));
  EXPECT_TRUE(dirty.Bounds().Contains(first.Union(second)));
  Frame();

  G().EnableTooltips(false);
  EXPECT_EQ(V().NumToolTipRects(), 0);
  EXPECT_EQ(W().ToolTipText(), "");
  EXPECT_FALSE(tip->IsShowing());
  dirty.Clear();
  ASSERT_TRUE(G().IsDirty(dirty));
  EXPECT_TRUE(dirty.Bounds().Contains(second));
  rest(101, 50);
  EXPECT_EQ(W().ToolTipText(), "");
}

TEST_F(PlatformGraphicsTest, Clipboard) {
  Open();
  FwString text;
  EXPECT_FALSE(G().GetTextFromClipboard(text));
  EXPECT_TRUE(G().SetTextInClipboard("-6.5 dB"));
  EXPECT_TRUE(G().GetTextFromClipboard(text));
  EXPECT_STREQ(text.Get(), "-6.5 dB");
  EXPECT_TRUE(G().SetFilePathInClipboard("/tmp/a b.wav"));
  EXPECT_EQ(backend->Clipboard().fileURLs, std::vector<std::string>{"file:///tmp/a%20b.wav"});
}

// A drag out of the editor needs a display: headless, none starts, the window is asked with the file's URI, and the
// control that took the press lets go of the mouse all the same. An empty path asks nothing.
TEST_F(PlatformGraphicsTest, FileDragOutAnswersFalseHeadlessAndReleasesTheCapture) {
  Open();
  double time = 0.0;
  for (const char* path : {"/tmp/a b.wav", ""}) {
    SCOPED_TRACE(path);
    backend->ClearLog();
    time += 10.0;  // no double click: that captures nothing
    Inject(pw::NativeInput::Kind::kButtonPress, 100.f, 50.f, time);
    ASSERT_TRUE(G().ControlIsCaptured(control));
    EXPECT_FALSE(G().InitiateExternalFileDragDrop(path, IRECT(90.f, 40.f, 110.f, 60.f)));
    EXPECT_EQ(G().NCapturedControls(), 0);
    const std::vector<std::string> expected =
        *path ? std::vector<std::string>{"file-drag file:///tmp/a%20b.wav -> cannot start (no display)"}
              : std::vector<std::string>{};
    EXPECT_EQ(Log("file-drag"), expected);
    Inject(pw::NativeInput::Kind::kButtonRelease, 100.f, 50.f, time + 0.1);
  }
}

// Kernel releases as uname reports them, packed by hand: the major's decimal digits, then minor and patch one
// nibble each, capped at 15; what follows the numbers does not count.
TEST(SystemVersionTest, KernelReleasesPackIntoNibbles) {
  const std::pair<const char*, int> rows[] = {
      {"6.1.0-18-amd64", 0x610},
      {"5.15.0-91-generic", 0x5F0},
      {"6.16.3+deb14-amd64", 0x6F3},
      {"4.19.123", 0x4FF},
      {"3.10.0-1160.el7.x86_64", 0x3A0},
      {"2.6.32", 0x26F},
      {"6.8", 0x680},
      {"6.1-rc3", 0x610},
      {"6", 0x600},
      {"6..1", 0x600},
      {"10.2.1", 0x1021},
      {"12.0.0", 0x1200},
      {"", 0},
      {nullptr, 0},
      {"Linux", 0},
      {".6.1", 0},
  };
  for (const auto& [release, packed] : rows) {
    SCOPED_TRACE(release ? release : "null");
    EXPECT_EQ(IGraphicsLinux::SystemVersionFromRelease(release), packed);
  }
  // The running kernel, read here from procfs.
  std::ifstream file("/proc/sys/kernel/osrelease");
  int major = -1, minor = -1;
  char dot = 0;
  file >> major >> dot >> minor;
  ASSERT_TRUE(file && dot == '.' && major > 0 && major < 10 && minor >= 0) << "an unusual kernel";
  EXPECT_EQ(IGraphicsLinux::GetSystemVersion() >> 4, major << 4 | std::min(minor, 15));
}

}  // namespace
}  // namespace fx::gfx::test

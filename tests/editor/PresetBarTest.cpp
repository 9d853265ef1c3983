// The preset bar on the product with an open editor and a temporary data folder: the menu built from the
// store and the preset files, loading and saving through the dialogs and the plug-in's commands, the
// store's loading flag, the previous and next buttons, dropped files, the shown name and its shortening.
#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "editor/IBPresetMenuNewLW.h"
#include "framework/IParam.h"
#include "platform/vst2/VST2Interface.h"
#include "plugin/Kelvadrune.h"
#include "tests/editor/EditorFixture.h"
#include "tests/support/TempDataHome.h"

namespace fx::gfx::test {
namespace {

using PresetBar = IBPresetMenuNewLW<1>;

// The dialogs answer with `answer` ("" = cancelled) and are recorded as "open|save folder ext"; an answered
// dialog leaves the folder where it ended, the answer's own, as the platform's dialogs do.
class DialogGraphics : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  std::string answer;
  std::vector<std::string> prompts;
  void PromptForFile(FwString& fileName, FwString& path, EFileAction action, const char* ext,
                     IFileDialogCompletionHandlerFunc) override {
    prompts.push_back(std::string(action == kFileOpen ? "open " : "save ") + path.Get() + " " + ext);
    fileName.Set(answer.c_str());
    if (!answer.empty()) path.Set(std::filesystem::path(answer).parent_path().c_str());
  }
};

// The host's automation calls (opcode 0) as (index, value), in the order they came; the host answers 0 to all.
std::vector<std::pair<int, float>> gAutomation;

intptr_t RecordAutomation(vst2::EffectRecord*, int32_t opcode, int32_t index, intptr_t, void*, float opt) {
  if (opcode == vst2::kHostAutomate) gAutomation.emplace_back(index, opt);
  return 0;
}

IMouseInfo At(float x, float y) {
  IMouseInfo p;
  p.x = x;
  p.y = y;
  p.ms.L = true;
  return p;
}

// The product, keeping the editor commands it receives and, for each state it reads and each load command,
// whether the store's loading flag was set; with failReads every state read fails.
class CommandKelvadrune : public Kelvadrune {
 public:
  using Kelvadrune::Kelvadrune;
  std::vector<int> commands;
  std::vector<bool> loadingSeen;
  bool failReads = false;
  void OnParamChange(int paramIdx, EParamSource source, int sampleOffset) override {
    if (paramIdx >= kMsgNone) commands.push_back(paramIdx);
    if (paramIdx == kMsgLoadPreset) loadingSeen.push_back(IsLoading());
    Kelvadrune::OnParamChange(paramIdx, source, sampleOffset);
  }
  int UnserializeState(const fx::IByteChunk& chunk, int startPos) override {
    loadingSeen.push_back(IsLoading());
    return failReads ? -1 : Kelvadrune::UnserializeState(chunk, startPos);
  }
};

class PresetBarTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gAutomation.clear();
    plug = std::make_unique<CommandKelvadrune>(InstanceInfo{&RecordAutomation});
    plug->SetMakeGraphicsFunc([this] { return g = new DialogGraphics(*plug, 640, 480); });
    int parent = 0;
    ASSERT_NE(plug->OpenWindow(&parent), nullptr);
    const ISVG none;
    IText text;
    text.mFGColor = IColor(255, 180, 183, 188);
    bar = static_cast<PresetBar*>(
        g->AttachControl(new PresetBar(*plug, {186, 8, 420, 32}, {186, 8, 370, 32}, {370, 8, 394, 32}, none, text, none,
                                       {396, 8, 420, 32}, none, none, kMsgLoadPreset, kMsgSavePreset,
                                       kMsgSaveDefaultPreset, kMsgRescanPresets, -1, -1, *plug, plug->GetDataFolder(),
                                       "lps", "lps", 19, true, true, false, {194, 8, 362, 32}),
                         kCtrlTagPresetMenu));
    g->asyncMenus = true;
  }
  void TearDown() override { plug->CloseWindow(); }

  // A bar below the fixture's that loads user presets by path and sends kMsgLogoMenu as its reset command
  // and kMsgLogoClick as its preset-chosen command (the plug-in ignores both).
  PresetBar* AttachSecondBar(const char* saveExt = "lps") {
    return static_cast<PresetBar*>(g->AttachControl(new PresetBar(
        *plug, {186, 40, 420, 64}, {186, 40, 370, 64}, {}, ISVG(), IText(), ISVG(), {}, ISVG(), ISVG(), kMsgLoadPreset,
        kMsgSavePreset, kMsgSaveDefaultPreset, kMsgRescanPresets, kMsgLogoMenu, kMsgLogoClick, *plug,
        plug->GetDataFolder(), "lps", saveExt, 19, true, false, true, {194, 40, 362, 64})));
  }
  std::string DataFile(const std::string& name) const { return home.DataFolder() + "/" + name; }
  // A preset file in the data folder, saved with master volume at value.
  void SavePreset(const std::string& name, double value) {
    plug->GetParam(kGainMaster)->Set(value);
    ASSERT_TRUE(plug->SavePresetCommand(DataFile(name).c_str()));
  }
  double Master() const { return plug->GetParam(kGainMaster)->Value(); }

  // Clicks the name area; the menu stays open until Choose.
  IPopupMenu& OpenMenu() {
    g->OnMouseDown({At(250, 20)});
    return *g->lastPlatformMenu;
  }
  void Choose(IPopupMenu& menu, int idx) {
    menu.SetChosenItemIdx(idx);
    g->SetControlValueAfterPopupMenu(&menu);
  }
  static std::string Describe(const IPopupMenu& m) {
    std::string out;
    for (int i = 0; i < m.NItems(); ++i) {
      const IPopupMenu::Item* item = m.GetItem(i);
      if (i) out.append("|");
      out.append(item->GetIsSeparator() ? "--" : item->GetText());
      if (item->GetSubmenu()) out.append("[").append(Describe(*item->GetSubmenu())).append("]");
    }
    return out;
  }

  presets_test::TempDataHome home;
  std::unique_ptr<CommandKelvadrune> plug;
  DialogGraphics* g = nullptr;
  PresetBar* bar = nullptr;
};

const std::string kFixedItems =
    ">> Preset menu <<|--|Load preset ...|Reset to default|--|Save preset ...|Save as default";

TEST_F(PresetBarTest, MenuListsTheStoreAndTheRescannedFolder) {
  struct Case {
    const char* file;     // added to the data folder before the click, or null
    const char* factory;  // added to the store as a "Factory" preset, or null
    std::string menu;
  } cases[] = {
      {nullptr, nullptr, kFixedItems + "|--|Init"},
      {"Song B.lps", nullptr, kFixedItems + "|--|Init|--|User[Song B]"},
      {"Song A.lps", nullptr, kFixedItems + "|--|Init|--|User[Song A|Song B]"},
      {"notes.txt", "Warm", kFixedItems + "|--|Init|--|Factory[Warm]|--|User[Song A|Song B]"},
  };
  for (const Case& c : cases) {
    if (c.file) SavePreset(c.file, 0.25);
    if (c.factory) plug->AddPreset(c.factory, -1, 0);
    plug->commands.clear();
    IPopupMenu& menu = OpenMenu();
    EXPECT_EQ(plug->commands, std::vector<int>{kMsgRescanPresets});
    EXPECT_EQ(Describe(menu), c.menu);
    Choose(menu, -1);
  }
}

TEST_F(PresetBarTest, SaveAndLoadGoThroughTheDialogsAndThePlugIn) {
  const std::string path = home.Root() + "/My Preset.lps";
  plug->GetParam(kGainMaster)->Set(0.75);
  g->answer = path;
  Choose(OpenMenu(), 5);  // "Save preset ..."
  ASSERT_TRUE(std::filesystem::exists(path));
  EXPECT_STREQ(bar->GetChosenPresetPath(), path.c_str());

  plug->GetParam(kGainMaster)->Set(0.1);
  Choose(OpenMenu(), 2);  // "Load preset ..."
  EXPECT_DOUBLE_EQ(Master(), 0.75);
  EXPECT_STREQ(plug->GetPresetName(plug->GetCurrentPresetIdx()), "My Preset");
  // The first dialog starts in the data folder, the second where the first ended.
  EXPECT_EQ(g->prompts,
            (std::vector<std::string>{"save " + home.DataFolder() + " lps", "open " + home.Root() + " lps"}));
  EXPECT_EQ(plug->commands, (std::vector<int>{kMsgRescanPresets, kMsgSavePreset, kMsgRescanPresets, kMsgLoadPreset}));
}

TEST_F(PresetBarTest, CancelledSaveStillSendsTheCommandWithAnEmptyPath) {
  g->answer = "";
  Choose(OpenMenu(), 5);
  EXPECT_STREQ(bar->GetChosenPresetPath(), "");
  EXPECT_EQ(plug->commands.back(), kMsgSavePreset);
  for (const auto& entry : std::filesystem::directory_iterator(home.DataFolder()))
    EXPECT_FALSE(entry.is_regular_file()) << entry.path();
}

TEST_F(PresetBarTest, MenuChoicesLoadStoreAndUserPresets) {
  SavePreset("Song A.lps", 0.25);
  plug->GetParam(kGainMaster)->Set(0.6);
  Choose(OpenMenu(), 3);  // "Reset to default"
  EXPECT_DOUBLE_EQ(Master(), plug->GetParam(kGainMaster)->GetDefault());
  IPopupMenu& menu = OpenMenu();
  Choose(*menu.GetItem(10)->GetSubmenu(), 0);  // User > Song A
  EXPECT_DOUBLE_EQ(Master(), 0.25);
  EXPECT_EQ(bar->GetCurrentIndex(), 1);
  Choose(OpenMenu(), 8);  // Init
  EXPECT_DOUBLE_EQ(Master(), plug->GetParam(kGainMaster)->GetDefault());
  EXPECT_EQ(bar->GetCurrentIndex(), 0);
  Choose(OpenMenu(), 6);  // "Save as default"
  EXPECT_EQ(plug->commands.back(), kMsgSaveDefaultPreset);
  EXPECT_TRUE(std::filesystem::exists(home.PresetFolder() + "/default.lps"));
}

TEST_F(PresetBarTest, FactoryPresetsLoadFromTheStoreAndUserPresetsByPathThroughThePlugIn) {
  plug->AddPreset("Warm", -1, 1, kGainMaster, 0.3);
  SavePreset("Song A.lps", 0.25);
  PresetBar* byPath = AttachSecondBar();
  byPath->OnMouseDown(250, 50, IMouseMod());
  IPopupMenu& menu = *g->lastPlatformMenu;
  ASSERT_EQ(Describe(menu), kFixedItems + "|--|Init|--|Factory[Warm]|--|User[Song A]");
  Choose(*menu.GetItem(10)->GetSubmenu(), 0);
  EXPECT_DOUBLE_EQ(Master(), 0.3);
  EXPECT_EQ(byPath->GetCurrentIndex(), 1);

  // A dialog that ends elsewhere moves where the next dialog starts, not where by-path presets are found.
  g->answer = home.Root() + "/Elsewhere.lps";
  byPath->OnMouseDown(250, 50, IMouseMod());
  Choose(*g->lastPlatformMenu, 5);  // "Save preset ..."
  byPath->OnMouseDown(250, 50, IMouseMod());
  plug->commands.clear();
  Choose(*g->lastPlatformMenu->GetItem(12)->GetSubmenu(), 0);
  EXPECT_EQ(std::string(byPath->GetChosenPresetPath()), DataFile("Song A.lps"));
  // The plug-in reads the bar under the preset tag; then the bar's preset-chosen command.
  EXPECT_EQ(plug->commands, (std::vector<int>{kMsgLoadPreset, kMsgLogoClick}));
  EXPECT_EQ(byPath->GetCurrentIndex(), 2);
}

// The save extension is kept beside the load extension; both dialogs and the paths of by-path user
// presets use the load extension.
TEST_F(PresetBarTest, DialogsAndBuiltPathsUseTheLoadExtension) {
  SavePreset("Song A.lps", 0.25);
  PresetBar* byPath = AttachSecondBar("xml");
  EXPECT_EQ(byPath->GetLoadExtension(), "lps");
  EXPECT_EQ(byPath->GetSaveExtension(), "xml");
  g->answer = "";
  for (const int item : {5, 2}) {  // "Save preset ...", "Load preset ..."
    byPath->OnMouseDown(250, 50, IMouseMod());
    Choose(*g->lastPlatformMenu, item);
  }
  EXPECT_EQ(g->prompts,
            (std::vector<std::string>{"save " + home.DataFolder() + " lps", "open " + home.DataFolder() + " lps"}));
  byPath->OnMouseDown(250, 50, IMouseMod());
  ASSERT_EQ(Describe(*g->lastPlatformMenu), kFixedItems + "|--|Init|--|User[Song A]");
  Choose(*g->lastPlatformMenu->GetItem(10)->GetSubmenu(), 0);
  EXPECT_EQ(std::string(byPath->GetChosenPresetPath()), DataFile("Song A.lps"));
  EXPECT_DOUBLE_EQ(Master(), 0.25);
}

TEST_F(PresetBarTest, AUserPresetGoneSinceTheMenuWasBuiltIsChosenButLoadsAndSendsNothing) {
  SavePreset("Song A.lps", 0.25);
  SavePreset("Song B.lps", 0.5);
  PresetBar* byPath = AttachSecondBar();
  for (PresetBar* chooser : {bar, byPath}) {
    SCOPED_TRACE(chooser == bar ? "by record" : "by path");
    chooser->OnMouseDown(250, chooser == bar ? 20 : 50, IMouseMod());
    IPopupMenu& user = *g->lastPlatformMenu->GetItem(10)->GetSubmenu();
    ASSERT_EQ(Describe(user), "Song A|Song B");
    std::filesystem::remove(DataFile("Song B.lps"));
    plug->OnParamChange(kMsgRescanPresets, kUI, -1);
    plug->GetParam(kGainMaster)->Set(0.7);
    plug->commands.clear();
    Choose(user, 1);
    EXPECT_DOUBLE_EQ(Master(), 0.7);
    EXPECT_EQ(chooser->GetCurrentIndex(), 2);
    EXPECT_TRUE(plug->commands.empty());
    SavePreset("Song B.lps", 0.5);
  }
}

TEST_F(PresetBarTest, ButtonsStepThroughStoreThenUserPresetsWithoutWrapping) {
  SavePreset("Song A.lps", 0.25);
  SavePreset("Song B.lps", 0.5);
  Choose(OpenMenu(), -1);  // the rescan lists both files
  plug->GetParam(kGainMaster)->Set(0.9);
  const struct {
    float x;
    int index;
    double master;  // after the click; 0.9 until something loads
    bool prevPressed;
  } clicks[] = {
      {380, 0, 0.9, true},    // at the first entry: stays, loads nothing
      {400, 1, 0.25, false},  // Song A
      {400, 2, 0.5, false},   // Song B
      {400, 2, 0.5, false},   // at the last entry: stays
      {380, 1, 0.25, true},   // back to Song A
  };
  for (const auto& c : clicks) {
    g->OnMouseDown({At(c.x, 20)});
    EXPECT_EQ(bar->GetCurrentIndex(), c.index) << c.x;
    EXPECT_DOUBLE_EQ(Master(), c.master) << c.x;
    EXPECT_EQ(bar->GetPrevPressed(), c.prevPressed);
    EXPECT_EQ(bar->GetNextPressed(), !c.prevPressed);
    g->OnMouseUp({At(c.x, 20)});
    EXPECT_FALSE(bar->GetPrevPressed() || bar->GetNextPressed());
  }
}

// Every drop sends the load and the preset-chosen command; an empty one keeps the chosen path, so the plug-in
// loads nothing before the first file and the last dropped file again after it. A dropped file that is no
// preset, whatever its name, is taken as the chosen path but fails to load and changes nothing.
TEST_F(PresetBarTest, DroppedFileIsLoaded) {
  SavePreset("Dropped.lps", 0.3);
  const std::string dropped = DataFile("Dropped.lps");
  const std::string notes = DataFile("notes.txt");
  const std::string broken = DataFile("Broken.lps");
  ASSERT_TRUE(presets_test::WriteTextFile(notes, "not a preset"));
  ASSERT_TRUE(presets_test::WriteTextFile(broken, "<Preset/>"));
  const struct {
    const char* path;
    const char* chosen;
    double master;  // set to 0.9 before the drop
  } drops[] = {
      {"", "", 0.9},
      {nullptr, "", 0.9},
      {dropped.c_str(), dropped.c_str(), 0.3},
      {"", dropped.c_str(), 0.3},
      {nullptr, dropped.c_str(), 0.3},
      {notes.c_str(), notes.c_str(), 0.9},
      {broken.c_str(), broken.c_str(), 0.9},
      {dropped.c_str(), dropped.c_str(), 0.3},
  };
  for (const auto& d : drops) {
    plug->GetParam(kGainMaster)->Set(0.9);
    plug->commands.clear();
    bar->OnDrop(d.path);
    const std::string what = d.path ? std::string("\"") + d.path + "\"" : "null";
    EXPECT_EQ(plug->commands, std::vector<int>{kMsgLoadPreset}) << what;
    EXPECT_STREQ(bar->GetChosenPresetPath(), d.chosen) << what;
    EXPECT_DOUBLE_EQ(Master(), d.master) << what;
  }
  // A bar with a preset-chosen command sends it after the load, for an empty drop too.
  PresetBar* second = AttachSecondBar();
  for (const char* path : {"", dropped.c_str()}) {
    plug->commands.clear();
    second->OnDrop(path);
    EXPECT_EQ(plug->commands, (std::vector<int>{kMsgLoadPreset, kMsgLogoClick})) << path;
  }
}

// The store's loading flag is set while the bar loads a record of the store (and while the plug-in loads a
// by-path user preset), never for "Reset to default", and is clear after every load, also one that fails.
TEST_F(PresetBarTest, LoadingFlagIsSetAroundEachStoreLoadAndClearedAfter) {
  plug->AddPreset("Warm", -1, 1, kGainMaster, 0.3);
  SavePreset("Song A.lps", 0.25);
  PresetBar* byPath = AttachSecondBar();
  Choose(OpenMenu(), -1);  // the rescan lists the file
  const struct {
    const char* what;
    std::function<void()> load;
    bool loading;
  } roads[] = {
      {"next button", [&] { g->OnMouseDown({At(400, 20)}); }, true},
      {"factory preset", [&] { Choose(*OpenMenu().GetItem(10)->GetSubmenu(), 0); }, true},
      {"user preset by path",
       [&] {
         byPath->OnMouseDown(250, 50, IMouseMod());
         Choose(*g->lastPlatformMenu->GetItem(12)->GetSubmenu(), 0);
       },
       true},
      {"reset to default", [&] { Choose(OpenMenu(), 3); }, false},
  };
  for (bool fail : {false, true}) {
    for (const auto& road : roads) {
      const std::string what = std::string(road.what) + (fail ? ", failing" : "");
      plug->failReads = fail;
      plug->loadingSeen.clear();
      road.load();
      ASSERT_FALSE(plug->loadingSeen.empty()) << what;
      for (bool seen : plug->loadingSeen) EXPECT_EQ(seen, road.loading) << what;
      EXPECT_FALSE(plug->IsLoading()) << what;
      g->OnMouseUp({At(0, 0)});
    }
  }
}

// After every load the user starts, the host hears each parameter once through its automation, with the value
// it reads back from the plug-in (hosts that keep their own copy of the parameters take values only from there);
// the host's own program change and state, and a file that does not load, tell it nothing.
TEST_F(PresetBarTest, EachLoadTheUserStartsTellsTheHostEveryValueOnce) {
  plug->AddPreset("Warm", -1, 1, kGainMaster, 0.3);
  SavePreset("Song A.lps", 0.25);
  const std::string broken = DataFile("Broken.lps");
  ASSERT_TRUE(presets_test::WriteTextFile(broken, "<Preset/>"));
  Choose(OpenMenu(), -1);  // the rescan lists the file
  vst2::EffectRecord& effect = plug->GetEffectRecord();
  // The host's state, saved with master volume at 0.4.
  plug->GetParam(kGainMaster)->Set(0.4);
  void* data = nullptr;
  const intptr_t size = effect.dispatcher(&effect, vst2::kEffGetChunk, 0, 0, &data, 0.f);
  ASSERT_GT(size, 0);
  std::vector<char> state(static_cast<char*>(data), static_cast<char*>(data) + size);
  const double init = plug->GetParam(kGainMaster)->GetDefault();
  const struct {
    const char* what;
    std::function<void()> load;
    double master;  // after the load; set to 0.9 before it
    bool told;
  } loads[] = {
      {"Init from the menu", [&] { Choose(OpenMenu(), 8); }, init, true},
      {"factory preset", [&] { Choose(*OpenMenu().GetItem(10)->GetSubmenu(), 0); }, 0.3, true},
      {"user preset", [&] { Choose(*OpenMenu().GetItem(12)->GetSubmenu(), 0); }, 0.25, true},
      {"previous button", [&] { g->OnMouseDown({At(380, 20)}); }, 0.3, true},
      {"reset to default", [&] { Choose(OpenMenu(), 3); }, init, true},
      {"file from the dialog",
       [&] {
         g->answer = DataFile("Song A.lps");
         Choose(OpenMenu(), 2);
       },
       0.25, true},
      {"dropped file", [&] { bar->OnDrop(DataFile("Song A.lps").c_str()); }, 0.25, true},
      {"dropped file that does not load", [&] { bar->OnDrop(broken.c_str()); }, 0.9, false},
      // Slot 0 holds the file loaded last.
      {"host's program change", [&] { effect.dispatcher(&effect, vst2::kEffSetProgram, 0, 0, nullptr, 0.f); }, 0.25,
       false},
      {"host's state",
       [&] {
         effect.dispatcher(&effect, vst2::kEffSetChunk, 0, static_cast<intptr_t>(state.size()), state.data(), 0.f);
       },
       0.4, false},
  };
  for (const auto& load : loads) {
    plug->GetParam(kGainMaster)->Set(0.9);
    plug->GetParam(kPower)->Set(0.0);
    gAutomation.clear();
    load.load();
    g->OnMouseUp({At(0, 0)});
    EXPECT_DOUBLE_EQ(Master(), load.master) << load.what;
    if (!load.told) {
      EXPECT_TRUE(gAutomation.empty()) << load.what << ": " << gAutomation.size() << " calls";
      continue;
    }
    ASSERT_EQ(gAutomation.size(), static_cast<size_t>(kNumParams)) << load.what;
    for (int i = 0; i < kNumParams; ++i) {
      EXPECT_EQ(gAutomation[i].first, i) << load.what;
      EXPECT_EQ(gAutomation[i].second, effect.getParameter(&effect, i)) << load.what << ", parameter " << i;
    }
  }
}

TEST_F(PresetBarTest, NameIsShownShortenedWithTheFullNameInTheTooltip) {
  const std::string longName = "A preset with a long name";
  g->answer = home.Root() + "/" + longName + ".lps";
  Choose(OpenMenu(), 5);
  Choose(OpenMenu(), 2);
  g->log.clear();
  bar->Draw(*g);
  EXPECT_EQ(g->Entries("DoDrawText "), std::vector<std::string>{"DoDrawText A prese ... ng name 194,8,362,32"});
  EXPECT_EQ(bar->GetTooltip(), "Preset menu: " + longName);
}

// A name of maxChars characters or more shows its head, " ... " and its tail, maxChars in all (fewer when a
// character of several bytes would be cut).
TEST(PresetBarName, ShortensANameOfMaxCharsOrMore) {
  const struct {
    const char* name;
    int maxChars;
    const char* shown;
  } cases[] = {
      {"Init", 19, "Init"},
      {"eighteen chars ok!", 19, "eighteen chars ok!"},
      {"exactly nineteen ch", 19, "exactly ... teen ch"},
      {"twenty characters ok", 19, "twenty  ... ters ok"},
      {"abcdefg", 7, "a ... g"},
      {"abcdef", 7, "abcdef"},
      {"A preset with a long name", 19, "A prese ... ng name"},
      {"abcdefgh", 7, "a ... h"},
      {"a long name kept whole", 6, "a long name kept whole"},
      {"", 19, ""},
      // Multi-byte characters: lengths count bytes, and no cut falls inside a character.
      {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", 19,
       "\u00e9\u00e9\u00e9 ... \u00e9\u00e9\u00e9"},
      {"abc\u20acdefghijklmnopq\u20acxyz", 19, "abc\u20acd ... q\u20acxyz"},
      {"abcdef\U0001F600ghijklmnopqrstuvw", 19, "abcdef ... qrstuvw"},
      {"abcdefghijklmnopqr\U0001F600uvwxyz", 19, "abcdefg ... uvwxyz"},
      {"\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9", 18, "\u00e9\u00e9\u00e9 ... \u00e9\u00e9\u00e9"},
  };
  for (const auto& c : cases) EXPECT_EQ(PresetBar::ShortenName(c.name, c.maxChars), c.shown) << c.name;
}

}  // namespace
}  // namespace fx::gfx::test

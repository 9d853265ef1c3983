// The in-editor text entry through the graphics object: typing filtered by the parameter's type, caret
// and selection by keys and mouse, how an entry ends, the caret blink on the fake clock and the
// Cut / Copy / Paste menu shown by the in-editor popup menu. Text is 7 points per character, centred.
#include "controls/IPopupMenuControl.h"
#include "controls/ITextEntryControl.h"
#include "controls/InEditorControls.h"
#include "framework/FwString.h"
#include "framework/IKeyPress.h"
#include "graphics/IGraphicsClock.h"
#include "tests/graphics/TestControl.h"
#include "tests/support/FakeDelegate.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace fx::gfx::test {
namespace {

double gEntryNowMs = 0.0;
double EntryClock() {
  return gEntryNowMs;
}

class ClipboardGraphics : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  bool GetTextFromClipboard(FwString& str) override {
    str.Set(clipboard.c_str());
    return !clipboard.empty();
  }
  bool SetTextInClipboard(const char* str) override {
    clipboard = str;
    return true;
  }
  std::string clipboard;
};

IKeyPress Type(const char* typed, int vk, bool shift = false, bool command = false) {
  return IKeyPress(typed, vk, shift, command);
}
IKeyPress Digit(char d) {
  const char s[2] = {d, 0};
  return Type(s, d);
}
IKeyPress Letter(char lower) {
  const char s[2] = {lower, 0};
  return Type(s, lower - 'a' + 'A');
}
IKeyPress Command(char upper, bool shift = false) {
  return Type("", upper, shift, true);
}
IKeyPress VirtualKey(int vk, bool shift = false) {
  return Type("", vk, shift);
}

const IRECT kField(50, 50, 150, 70);

class TextEntry : public ::testing::Test {
 protected:
  void SetUp() override {
    gEntryNowMs = 0.0;
    SetGraphicsClock(EntryClock);
    AttachTextEntryControl(g);
    entry = static_cast<ITextEntryControl*>(g.GetTextEntryControl());
  }
  void TearDown() override { SetGraphicsClock(nullptr); }

  TestControl* Open(int paramIdx, const char* str) {
    auto* c = static_cast<TestControl*>(g.AttachControl(new TestControl(journal, "c", kField, paramIdx)));
    g.CreateTextEntry(*c, DEFAULT_TEXT, kField, str, 0);
    return c;
  }
  bool Key(const IKeyPress& key) { return g.OnKeyDown(0, 0, key); }
  void Tick(double ms) {
    gEntryNowMs = ms;
    IRECTList rects;
    g.IsDirty(rects);
  }
  static IMouseInfo At(float x, float y, IMouseMod mod, float dX = 0.f) {
    IMouseInfo p;
    p.x = x;
    p.y = y;
    p.dX = dX;
    p.ms = mod;
    return p;
  }
  void Click(float x, float y, IMouseMod mod) {
    g.OnMouseDown({At(x, y, mod)});
    g.OnMouseUp({At(x, y, mod)});
  }
  static IMouseMod Button(bool right = false) {
    IMouseMod m;
    m.L = !right;
    m.R = right;
    return m;
  }

  FakeDelegate dlg;
  ClipboardGraphics g{dlg, 400, 300};
  std::vector<std::string> journal;
  ITextEntryControl* entry = nullptr;
};

struct TypingCase {
  const char* name;
  int paramIdx;
  const char* start;
  std::vector<IKeyPress> keys;
  std::vector<bool> used;
  const char* text;
  int cursor, selLow, selHigh;
};

// An entry opens with everything selected and the cursor at 0. Keys: digits and letters as typed, then
// virtual keys 8 backspace, 9 tab, 35 end, 36 home, 37 left, 39 right, 46 delete, 98 keypad 2, 187 "+",
// 189 "-", 190 ".".
// clang-format off
const TypingCase kTyping[] = {
  {"TypingReplacesTheSelection", FakeDelegate::kGain, "12.5", {Digit('3')}, {true}, "3", 1, 1, 1},
  {"DoubleTakesSignAndPointNotLetters", FakeDelegate::kGain, "",
   {Type("-", 189), Digit('1'), Type(".", 190), Digit('5'), Letter('a'), Type("+", 187, true)},
   {true, true, true, true, false, true}, "-1.5+", 5, 5, 5},
  {"IntRefusesPointAndShiftedDigits", FakeDelegate::kInt, "",
   {Digit('4'), Type(".", 190), Type("!", '1', true), Type("2", 98)}, {true, false, false, true}, "42", 2, 2, 2},
  {"WithoutParameterAnythingTypes", -1, "", {Letter('h'), Type("\xC3\xA9", 0)}, {true, true}, "h\xC3\xA9", 2, 2, 2},
  {"RightCollapsesThenBackspace", FakeDelegate::kGain, "123", {VirtualKey(39), VirtualKey(8)}, {true, true}, "12", 2, 2, 2},
  {"ShiftHomeSelectsThenDeleteRemoves", FakeDelegate::kGain, "123",
   {VirtualKey(35), VirtualKey(37), VirtualKey(36, true), VirtualKey(46)}, {true, true, true, true}, "3", 0, 0, 0},
  {"CommandSelectAllCutPasteUndo", FakeDelegate::kGain, "12",
   {VirtualKey(35), Command('A'), Command('X'), Command('V'), Command('V'), Command('Z')},
   {true, true, true, true, true, true}, "12", 2, 2, 2},
  {"TabIsNeverUsed", FakeDelegate::kGain, "1", {VirtualKey(9)}, {false}, "1", 0, 0, 1},
};
// clang-format on

class TextEntryTyping : public TextEntry, public ::testing::WithParamInterface<TypingCase> {};

TEST_P(TextEntryTyping, EditsAsTheKeysAndParameterTypeSay) {
  const TypingCase& c = GetParam();
  Open(c.paramIdx, c.start);
  ASSERT_TRUE(entry->EditInProgress());
  for (size_t i = 0; i < c.keys.size(); ++i) EXPECT_EQ(Key(c.keys[i]), c.used[i]) << i;
  EXPECT_EQ(entry->GetTextUTF8(), c.text);
  const TextEditState& s = entry->GetEditState();
  EXPECT_EQ(s.cursor, c.cursor);
  EXPECT_EQ(s.SelectionLow(), c.selLow);
  EXPECT_EQ(s.SelectionHigh(), c.selHigh);
}

INSTANTIATE_TEST_SUITE_P(Keys, TextEntryTyping, ::testing::ValuesIn(kTyping),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TextEntry, ReturnAndClickOutsideCommitEscapeDismisses) {
  struct Row {
    const char* name;
    bool click;
    int vk, sends;
    bool removeCaller = false;
  };
  const Row rows[] = {
      {"ReturnCommitsUnchangedText", false, 13, 1},
      {"EscapeSetsNothing", false, 27, 0},
      {"ClickOutsideCommits", true, 0, 1},
      {"RemovingTheCallerClosesUnanswered", false, 0, 0, true},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    dlg.host.clear();
    TestControl* caller = Open(FakeDelegate::kInt, "7");
    if (r.removeCaller)
      g.RemoveControl(caller);
    else if (r.click)
      Click(300, 200, Button());
    else
      EXPECT_TRUE(Key(VirtualKey(r.vk)));
    EXPECT_FALSE(entry->EditInProgress());
    EXPECT_EQ(g.GetControlInTextEntry(), nullptr);
    EXPECT_TRUE(entry->GetRECT().Empty());
    EXPECT_EQ(dlg.CountHost("send 2"), r.sends);
  }
}

TEST_F(TextEntry, MouseMovesTheCaretAndSelects) {
  // "1234" is 28 wide, centred in the field: units start at 86, 93, 100, 107.
  Open(FakeDelegate::kGain, "1234");
  Click(95, 60, Button());
  EXPECT_EQ(entry->GetEditState().cursor, 1);  // left of the middle of "2"
  EXPECT_FALSE(entry->GetEditState().HasSelection());
  Click(97, 60, Button());
  EXPECT_EQ(entry->GetEditState().cursor, 2);  // right of it

  g.OnMouseDown({At(97, 60, Button())});
  g.OnMouseDrag({At(140, 60, Button(), 43)});
  EXPECT_EQ(entry->GetEditState().SelectionLow(), 2);
  EXPECT_EQ(entry->GetEditState().SelectionHigh(), 4);
  g.OnMouseUp({At(140, 60, Button())});

  Click(60, 60, Button());
  EXPECT_EQ(entry->GetEditState().cursor, 0);
  g.OnMouseDblClick(60, 60, Button());
  EXPECT_EQ(entry->GetEditState().SelectionHigh(), 4);
  EXPECT_EQ(entry->GetEditState().cursor, 0);
}

TEST_F(TextEntry, CaretBlinksHalfOfEverySecondWhileEditing) {
  Open(FakeDelegate::kGain, "1");
  Key(VirtualKey(39));  // no selection, so the caret is drawn
  const std::pair<double, bool> frames[] = {{0, true}, {400, true}, {600, false}, {1001, true}, {1600, false}};
  for (const auto& [ms, visible] : frames) {
    Tick(ms);
    EXPECT_EQ(entry->IsCaretVisible(), visible) << ms;
  }
  // Drawn: the background, then the caret from round(103.5 - 1) to round(103.5) over the inset row.
  Tick(2002);
  g.log.clear();
  entry->Draw(g);
  EXPECT_EQ(g.Count("PathFill 255,255,255,255"), 1);
  EXPECT_EQ(g.Count("PathFill 255,0,0,0"), 1);
  EXPECT_EQ(g.Count("DoDrawText 1"), 1);

  Key(VirtualKey(27));
  Tick(3100);
  Tick(3200);
  EXPECT_EQ(entry->GetAnimationFunction(), nullptr);
}

// Frames every 20 ms for three seconds: the field redraws exactly when the caret shows or hides, not on every frame
// of the blink.
TEST_F(TextEntry, BlinkRedrawsOnlyWhenTheCaretShowsOrHides) {
  Open(FakeDelegate::kGain, "1");
  Key(VirtualKey(39));
  Tick(0);
  entry->SetClean();
  int flips = 0, redraws = 0;
  bool visible = entry->IsCaretVisible();
  for (double ms = 20; ms <= 3000; ms += 20) {
    Tick(ms);
    flips += entry->IsCaretVisible() != visible ? 1 : 0;
    visible = entry->IsCaretVisible();
    redraws += entry->IsDirty() ? 1 : 0;
    entry->SetClean();
  }
  EXPECT_GE(flips, 5);
  EXPECT_EQ(redraws, flips);
}

TEST_F(TextEntry, ContextMenuEditsTheFieldThatOpenedIt) {
  AttachPopupMenuControl(g);
  g.EnableMouseOver(true);
  auto* popup = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());

  ClipboardGraphics other(dlg, 400, 300);
  AttachTextEntryControl(other);
  auto* otherEntry = static_cast<ITextEntryControl*>(other.GetTextEntryControl());
  IControl* otherCaller = other.AttachControl(new TestControl(journal, "o", kField, FakeDelegate::kGain));
  other.CreateTextEntry(*otherCaller, DEFAULT_TEXT, kField, "9", 0);

  Open(FakeDelegate::kGain, "12");
  auto choose = [&](int item) {
    Click(70, 60, Button(true));
    ASSERT_EQ(popup->GetState(), IPopupMenuControl::kOpening);
    const IPopupMenuControl::MenuPanel& panel = *popup->GetPanel(0);
    const char* const names[] = {"Cut", "Copy", "Paste"};
    EXPECT_STREQ(panel.mMenu->GetItemText(item), names[item]);
    Tick(gEntryNowMs + 101);
    const IRECT cell = *panel.GetCell(item);
    Click(cell.MW(), cell.MH(), Button());
    Tick(gEntryNowMs + 1000);
    Tick(gEntryNowMs + 1000);
    Tick(gEntryNowMs + 1000);
  };
  choose(1);  // Copy "12"
  EXPECT_EQ(g.clipboard, "12");
  choose(0);  // Cut
  EXPECT_EQ(entry->GetTextUTF8(), "");
  choose(2);  // Paste
  choose(2);
  EXPECT_EQ(entry->GetTextUTF8(), "1212");
  EXPECT_TRUE(entry->EditInProgress());
  EXPECT_EQ(otherEntry->GetTextUTF8(), "9");
  other.RemoveAllControls();
}

// The text entry may go while its Cut / Copy / Paste menu shows: the menu goes with it, and the frames after draw
// nothing of it.
TEST_F(TextEntry, ContextMenuGoesWithTheTextEntry) {
  AttachPopupMenuControl(g);
  auto* popup = static_cast<IPopupMenuControl*>(g.GetPopupMenuControl());
  Open(FakeDelegate::kGain, "12");
  Click(70, 60, Button(true));
  ASSERT_EQ(popup->GetState(), IPopupMenuControl::kOpening);
  g.RemoveTextEntryControl();
  EXPECT_EQ(popup->GetState(), IPopupMenuControl::kClosed);
  EXPECT_EQ(popup->NPanels(), 0);
  g.log.clear();
  IRECTList rects;
  rects.Add(g.GetBounds());
  g.Draw(rects);
  EXPECT_EQ(g.Count("DoDrawText"), 0);
  Tick(gEntryNowMs + 101);
}

}  // namespace
}  // namespace fx::gfx::test

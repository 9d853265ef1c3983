#include "tests/graphics/GraphicsFixture.h"

#include "framework/IKeyPress.h"

namespace fx::gfx::test {
namespace {

class QwertyMidi : public GraphicsFixture {
 protected:
  std::vector<IMidiMsg> echoed;

  void SetUp() override {
    g.SetQwertyMidiKeyHandlerFunc([this](const IMidiMsg& m) { echoed.push_back(m); });
    // The keyboard state is shared by the whole process: bring the base note back to 48.
    for (int i = 0; i < 8; ++i) Down('Z');
    Down('X');
    Down('X');
    dlg.midi.clear();
    echoed.clear();
  }

  bool Down(char key) { return g.OnKeyDown(0, 0, IKeyPress(nullptr, key)); }
  bool Up(char key) { return g.OnKeyUp(0, 0, IKeyPress(nullptr, key)); }
};

TEST_F(QwertyMidi, NoteKeysPlayFromTheBaseNote) {
  struct Row {
    char key;
    int note;
  };
  const Row rows[] = {{'A', 48}, {'W', 49}, {'S', 50}, {'E', 51}, {'D', 52}, {'F', 53}, {'T', 54}, {'G', 55},
                      {'Y', 56}, {'H', 57}, {'U', 58}, {'J', 59}, {'K', 60}, {'O', 61}, {'L', 62}};
  for (const Row& row : rows) {
    dlg.midi.clear();
    EXPECT_TRUE(Down(row.key));
    EXPECT_TRUE(Up(row.key));
    ASSERT_EQ(dlg.midi.size(), 2u) << row.key;
    EXPECT_EQ(dlg.midi[0], IMidiMsg(0, 0x90, static_cast<uint8_t>(row.note), 127)) << row.key;
    EXPECT_EQ(dlg.midi[1], IMidiMsg(0, 0x80, static_cast<uint8_t>(row.note), 0)) << row.key;
  }
  EXPECT_EQ(echoed.size(), 30u);
}

TEST_F(QwertyMidi, KeyRepeatSendsOneNoteOn) {
  Down('W');
  Down('W');
  ASSERT_EQ(dlg.midi.size(), 1u);
  EXPECT_EQ(dlg.midi[0], IMidiMsg(0, 0x90, 49, 127));
  Up('W');
  Up('W');
  EXPECT_EQ(dlg.midi.size(), 2u);
}

TEST_F(QwertyMidi, OctaveLimits) {
  std::vector<int> bases;
  for (int i = 0; i < 4; ++i) {
    Down('Z');
    dlg.midi.clear();
    Down('A');
    Up('A');
    bases.push_back(dlg.midi.at(0).mData1);
  }
  EXPECT_EQ(bases, (std::vector<int>{36, 24, 24, 24}));
  for (int i = 0; i < 8; ++i) Down('X');
  dlg.midi.clear();
  Down('A');
  EXPECT_EQ(dlg.midi.at(0).mData1, 96);
  Up('A');
}

TEST_F(QwertyMidi, OctaveChangeStopsHeldNotesAndFreesTheirKeys) {
  Down('A');
  Down('X');
  ASSERT_EQ(dlg.midi.size(), 2u);
  EXPECT_EQ(dlg.midi[1], IMidiMsg(0, 0x80, 48, 0));
  Up('A');  // note 60 was never played: nothing
  EXPECT_EQ(dlg.midi.size(), 2u);
  Down('Z');
  Down('A');  // 48 again: it plays, the earlier note-off freed it
  ASSERT_EQ(dlg.midi.size(), 3u);
  EXPECT_EQ(dlg.midi[2], IMidiMsg(0, 0x90, 48, 127));
  Up('A');
}

TEST_F(QwertyMidi, OtherKeysAreLeftToTheHost) {
  EXPECT_FALSE(Down('Q'));
  EXPECT_FALSE(Down('1'));
  EXPECT_FALSE(Up('B'));
  EXPECT_TRUE(Up('Z'));
  EXPECT_TRUE(dlg.midi.empty());
}

TEST_F(QwertyMidi, ControlUnderThePointerComesFirst) {
  Attach("bg", g.GetBounds());
  Attach("a", IRECT(0, 0, 10, 10))->handlesKeys = true;
  EXPECT_TRUE(Down('A'));
  EXPECT_TRUE(dlg.midi.empty());
}

TEST(GestureRegions, RegionsAndTypes) {
  FakeDelegate dlg;
  RecordingGraphics g(dlg, 400, 300);
  int calls = 0;
  bool nullControl = false;
  const auto handler = [&](IControl* c, const IGestureInfo&) {
    ++calls;
    nullControl = c == nullptr;
  };
  g.AttachGestureRecognizerToRegion(IRECT(0, 0, 100, 100), kGestureSwipeLeft, handler);
  g.AttachGestureRecognizerToRegion(IRECT(100, 0, 200, 100), kGestureSwipeLeft, handler);
  EXPECT_EQ(g.GetRegisteredGestureRecognizers().size(), 1u);
  EXPECT_TRUE(g.RespondsToGesture(150, 50));
  EXPECT_FALSE(g.RespondsToGesture(250, 50));
  IGestureInfo info;
  info.x = 150;
  info.y = 50;
  g.OnGestureRecognized(info);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(nullControl);
  g.ClearGestureRegions();
  g.OnGestureRecognized(info);
  EXPECT_EQ(calls, 1);
  EXPECT_FALSE(g.RespondsToGesture(150, 50));
}

}  // namespace
}  // namespace fx::gfx::test

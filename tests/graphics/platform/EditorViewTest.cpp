#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/window/Cursor.h"
#include "tests/graphics/platform/PlatformGraphicsFixture.h"

namespace fx::gfx::test {
namespace {

using Kind = pw::NativeInput::Kind;

TEST_F(PlatformGraphicsTest, FramesDrawOnlyWhenSomethingIsDirtyAndReachTheWindow) {
  Open(2.f);
  Frame();  // the new layout is dirty
  const int flushes = Layer().backend.flushCalls;
  EXPECT_GT(flushes, 0);
  const pw::PresentedFrame& shown = W().LastPresentedFrame();
  EXPECT_EQ(shown.count, 1);
  EXPECT_EQ(shown.width, 400);  // 200 points at draw scale 2, backing scale 1
  EXPECT_EQ(shown.height, 200);
  EXPECT_EQ(shown.pixels[0], static_cast<uint8_t>(flushes));

  for (int i = 0; i < 3; ++i) Frame();
  EXPECT_EQ(Layer().backend.flushCalls, flushes);
  EXPECT_EQ(W().LastPresentedFrame().count, 1);

  control->SetDirty(false);
  Frame();
  EXPECT_GT(Layer().backend.flushCalls, flushes);
  EXPECT_EQ(W().LastPresentedFrame().count, 2);
}

// A control's animation or drawing may close the editor from inside a frame (a host answering a call it made):
// the frame ends there, the editor is closed once through the delegate and the next ticks draw nothing.
TEST_F(PlatformGraphicsTest, AFrameWhoseAnimationOrDrawingClosesTheEditorEndsThere) {
  class Closing : public IControl {
   public:
    Closing(EditorDelegate& dlg, bool inDraw) : IControl(IRECT(0.f, 0.f, 20.f, 20.f)), mDlg(dlg), mInDraw(inDraw) {}
    void Draw(IGraphics&) override {
      if (mInDraw) mDlg.CloseWindow();
    }

   private:
    EditorDelegate& mDlg;
    bool mInDraw;
  };
  for (const bool inDraw : {false, true}) {
    SCOPED_TRACE(inDraw ? "in Draw" : "in the animation");
    Open();
    Frame();
    auto* closing = static_cast<Closing*>(G().AttachControl(new Closing(dlg, inDraw)));
    if (!inDraw) closing->SetAnimation([this](IControl*) { dlg.CloseWindow(); }, 100);
    const int closes = dlg.closes;
    Frame();
    EXPECT_EQ(dlg.GetUI(), nullptr);
    EXPECT_EQ(dlg.closes, closes + 1);
    Frame();
    EXPECT_EQ(dlg.GetUI(), nullptr);
  }
}

// A control whose rectangle is not a number still lets the frame reach the window, as a change of everything.
TEST_F(PlatformGraphicsTest, AControlWithoutANumberForItsRectangleChangesTheWholeFrame) {
  Open();
  Frame();
  const int shown = W().LastPresentedFrame().count;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  G().AttachControl(new JournalControl(journal, IRECT(nan, 10.f, 20.f, nan), -1));
  Frame();
  EXPECT_EQ(W().LastPresentedFrame().count, shown + 1);
}

// While the drawing layer is not ready for another frame, the ticks draw nothing and the changed control stays dirty;
// the first tick after it is ready draws it once and hands that frame to the window.
TEST_F(PlatformGraphicsTest, FramesWaitWhileTheDrawingLayerIsNotReady) {
  Open();
  Frame();
  const int shown = W().LastPresentedFrame().count;
  control->SetDirty(false);
  const int before = Layer().backend.flushCalls;
  Frame();
  const int perFrame = Layer().backend.flushCalls - before;
  ASSERT_GT(perFrame, 0);
  EXPECT_EQ(W().LastPresentedFrame().count, shown + 1);

  Layer().ready = false;
  control->SetDirty(false);
  for (int i = 0; i < 5; ++i) Frame();
  EXPECT_EQ(Layer().backend.flushCalls, before + perFrame);
  EXPECT_EQ(W().LastPresentedFrame().count, shown + 1);
  EXPECT_TRUE(control->IsDirty());

  Layer().ready = true;
  for (int i = 0; i < 3; ++i) Frame();
  EXPECT_EQ(Layer().backend.flushCalls, before + 2 * perFrame);
  EXPECT_EQ(W().LastPresentedFrame().count, shown + 2);
  EXPECT_FALSE(control->IsDirty());
}

TEST_F(PlatformGraphicsTest, MouseEventsReachTheControlAsTheCoreExpects) {
  struct Step {
    Kind kind;
    float x, y;
    double time;
    int button;
    unsigned mods;
    std::vector<std::string> seen;  // journal entries this input adds
  } steps[] = {
      // Click parity: the second click of a run double-clicks, the third presses again.
      {Kind::kButtonPress, 100, 50, 0.0, 0, 0, {"down L"}},
      {Kind::kButtonRelease, 100, 50, 0.05, 0, 0, {"up"}},
      {Kind::kButtonPress, 100, 50, 0.1, 0, 0, {"dbl"}},
      {Kind::kButtonRelease, 100, 50, 0.15, 0, 0, {}},  // a double click captures nothing
      {Kind::kButtonPress, 100, 50, 0.2, 0, 0, {"down L"}},
      {Kind::kButtonRelease, 100, 50, 0.25, 0, 0, {"up"}},
      // Command-click is a left and a right click at once; the right button alone is right only.
      {Kind::kButtonPress, 101, 50, 5.0, 0, pw::modifier::kCommand, {"down L R"}},
      {Kind::kButtonRelease, 101, 50, 5.05, 0, 0, {"up"}},
      {Kind::kButtonPress, 102, 50, 10.0, 1, 0, {"down R"}},
      {Kind::kButtonRelease, 102, 50, 10.05, 1, 0, {"up"}},
      // A drag that leaves the view: the mouse-out waits for the release.
      {Kind::kButtonPress, 100, 50, 20.0, 0, 0, {"down L"}},
      {Kind::kMotion, 104, 47, 20.1, 0, 0, {"drag 4,-3"}},
      {Kind::kLeave, 250, 47, 20.2, 0, 0, {}},
      {Kind::kButtonRelease, 250, 47, 20.3, 0, 0, {"up", "out"}},
      // Outside a drag the mouse-out comes at once.
      {Kind::kMotion, 100, 50, 30.0, 0, 0, {}},
      {Kind::kLeave, 250, 50, 30.1, 0, 0, {"out"}},
      {Kind::kWheel, 100, 50, 40.0, 0, 0, {"wheel"}},
  };
  Open();
  G().EnableMouseOver(false);  // every "out" is then the view's own mouse-out
  for (const Step& step : steps) {
    SCOPED_TRACE(testing::Message() << step.time);
    journal.clear();
    Inject(step.kind, step.x, step.y, step.time, step.button, step.mods);
    EXPECT_EQ(journal, step.seen);
  }
}

// A press reaches the core by the parity of its click count, whichever the button: odd counts press, even ones
// (a count of 0 among them) double-click.
TEST_F(PlatformGraphicsTest, PressesDoubleClickOnEvenClickCountsWhicheverTheButton) {
  struct Row {
    int clickCount;
    bool right;
    std::vector<std::string> seen;  // journal entries the press and its release add
  } rows[] = {
      {1, false, {"down L", "up"}}, {2, false, {"dbl"}},         {3, false, {"down L", "up"}},
      {4, false, {"dbl"}},          {0, false, {"dbl"}},         {1, true, {"down R", "up"}},
      {2, true, {"dbl"}},           {5, true, {"down R", "up"}}, {0, true, {"dbl"}},
  };
  Open();
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.clickCount << (row.right ? " right" : " left"));
    journal.clear();
    pw::Event press;
    press.type = row.right ? pw::EventType::kRightMouseDown : pw::EventType::kLeftMouseDown;
    press.window = &W();
    press.locationInWindow = pw::Point{100, 100 - 50};  // editor point (100, 50); window y runs upwards
    press.clickCount = row.clickCount;
    press.buttonNumber = row.right ? 1 : 0;
    pw::Event release = press;
    release.type = row.right ? pw::EventType::kRightMouseUp : pw::EventType::kLeftMouseUp;
    if (row.right) {
      V().RightMouseDown(press);
      V().RightMouseUp(release);
    } else {
      V().MouseDown(press);
      V().MouseUp(release);
    }
    EXPECT_EQ(journal, row.seen);
  }
}

// Any dragged files are answered with a copy wherever they are, and a drop reaches the control under it, whatever
// the files; a native view over the editor (here a bare one, as a host's platform view) passes drags to the editor.
TEST_F(PlatformGraphicsTest, DroppedFilesArriveAtTheEditorPointWhateverTheFilesAndWhereverTheyLand) {
  Open(2.f);
  // View point (200, 100) is editor point (100, 50) at draw scale 2; window y runs upwards from the bottom.
  const pw::Point inWindow{200, 200 - 100};
  const pw::Point besides{100, 200 - 50};  // editor (50, 25): the background
  struct Row {
    std::vector<std::string> files;
    pw::Point at;
    pw::DragOperation answer;
  } rows[] = {{{}, inWindow, pw::DragOperation::kNone},
              {{"/tmp/a.wav"}, inWindow, pw::DragOperation::kCopy},
              {{"/tmp/a.txt", "/tmp/b.wav"}, inWindow, pw::DragOperation::kCopy},
              {{"/tmp/a.wav"}, besides, pw::DragOperation::kCopy},
              {{}, besides, pw::DragOperation::kNone}};
  for (const Row& row : rows) EXPECT_EQ(V().DraggingEntered({row.files, row.at}), row.answer);
  EXPECT_TRUE(V().PerformDragOperation({{"/tmp/a.wav"}, inWindow}));
  EXPECT_TRUE(V().PerformDragOperation({{"/tmp/a.txt", "/tmp/b.wav"}, inWindow}));
  EXPECT_TRUE(V().PerformDragOperation({{"/tmp/c.wav"}, besides}));
  EXPECT_TRUE(V().PerformDragOperation({{}, inWindow}));
  EXPECT_EQ(journal, (std::vector<std::string>{"drop /tmp/a.wav", "drops 2"}));

  // Through the window, as the X11 back end delivers a drop, also over a native view on the journal control.
  pw::View overlay;
  G().AttachPlatformView(IRECT(95.f, 45.f, 105.f, 55.f), &overlay);
  struct Drop {
    const char* file;
    pw::Point pixel;  // pixels from the top-left corner
    const char* seen;
  } drops[] = {{"/tmp/d.txt", {185, 85}, "drop /tmp/d.txt"},
               {"/tmp/e.wav", {200, 100}, "drop /tmp/e.wav"},
               {"/tmp/f.doc", {20, 20}, nullptr}};
  for (const Drop& drop : drops) {
    SCOPED_TRACE(drop.file);
    journal.clear();
    EXPECT_EQ(W().DragMoved({drop.file}, drop.pixel), pw::DragOperation::kCopy);
    EXPECT_TRUE(W().DragDropped({drop.file}, drop.pixel));
    EXPECT_EQ(journal, drop.seen ? std::vector<std::string>{drop.seen} : std::vector<std::string>{});
  }
  G().RemovePlatformView(&overlay);
}

TEST(KeyTranslationTest, KeysBecomeVirtualKeysOrCharacters) {
  struct Row {
    int keyCode;
    std::u32string chars;
    unsigned mods;
    int vk;
    const char* utf8;
    bool shift, command, option;
  } rows[] = {
      {pw::keycode::kTab, U"\t", 0, 9, "\t", false, false, false},
      {pw::keycode::kTab, U"\x19", pw::modifier::kShift, 9, "\x19", true, false, false},  // Shift-Tab
      {pw::keycode::kReturn, U"\r", 0, 13, "\r", false, false, false},
      {pw::keycode::kEscape, U"\x1b", 0, 27, "\x1b", false, false, false},
      {pw::keycode::kSpace, U" ", 0, 32, " ", false, false, false},
      {pw::keycode::kDelete, U"\x7f", 0, 8, "\x7f", false, false, false},
      {pw::keycode::kA, U"a", pw::modifier::kCommand, 65, "a", false, true, false},
      {pw::keycode::kA, U"a", pw::modifier::kControl, 65, "a", false, true, false},
      {pw::keycode::k7, U"7", pw::modifier::kOption, 55, "7", false, false, true},
      {pw::keycode::kF1, U"\xF704", 0, 112, "\xEF\x9C\x84", false, false, false},
      {pw::keycode::kF12, U"\xF70F", 0, 123, "\xEF\x9C\x8F", false, false, false},
      {pw::keycode::kUnknown, U"\xF713", 0, 127, "\xEF\x9C\x93", false, false, false},  // F16 by its character
      {pw::keycode::kKeypadEnter, U"\x03", 0, 0x800D, "\x03", false, false, false},
      {pw::keycode::kKeypad5, U"5", 0, 101, "5", false, false, false},
      {pw::keycode::kHome, U"\xF729", 0, 36, "\xEF\x9C\xA9", false, false, false},
      {pw::keycode::kLeftArrow, U"\xF702", pw::modifier::kShift, 37, "\xEF\x9C\x82", true, false, false},
      {43, U",", pw::modifier::kShift, 0, ",", false, false, false},  // punctuation: its character, no shift
      {41, U"\u00e9", 0, 0, "\xC3\xA9", false, false, false},
      // Characters beyond the first plane arrive whole, in four bytes.
      {10, U"\uFFFD", 0, 0, "\xEF\xBF\xBD", false, false, false},
      {10, U"\U00010000", 0, 0, "\xF0\x90\x80\x80", false, false, false},
      {10, U"\U0001F600", pw::modifier::kShift, 0, "\xF0\x9F\x98\x80", false, false, false},
      {10, U"\U0010FFFF", 0, 0, "\xF4\x8F\xBF\xBF", false, false, false},
      {10, U"", 0, 1034, "", false, false, false},  // no character: the code past 1024
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.keyCode);
    pw::Event event;
    event.type = pw::EventType::kKeyDown;
    event.keyCode = row.keyCode;
    event.charactersIgnoringModifiers = row.chars;
    event.modifierFlags = row.mods;
    const IKeyPress key = MakeKeyPress(event);
    EXPECT_EQ(key.VK, row.vk);
    EXPECT_STREQ(key.utf8, row.utf8);
    EXPECT_EQ(key.S, row.shift);
    EXPECT_EQ(key.C, row.command);
    EXPECT_EQ(key.A, row.option);
  }
}

TEST_F(PlatformGraphicsTest, KeysNoControlUsesGoOnToTheHostWindow) {
  Open();
  pw::NativeInput key;
  key.kind = Kind::kKeyPress;
  key.keyCode = pw::keycode::kSpace;
  key.charactersIgnoringModifiers = key.characters = U" ";
  backend->Inject(W(), key);
  EXPECT_EQ(Log("key-down"), (std::vector<std::string>{"key-down 49 passed on"}));
}

// The editor's key handler gets the typed character whole, down and up, however many UTF-8 bytes it takes.
TEST_F(PlatformGraphicsTest, TypedCharactersReachTheEditorWhole) {
  struct Row {
    std::u32string typed;
    const char* utf8;
  } rows[] = {
      {U"q", "q"},
      {U"\u00df", "\xC3\x9F"},
      {U"\u20AC", "\xE2\x82\xAC"},
      {U"\U0001D11E", "\xF0\x9D\x84\x9E"},
      {U"\U0001F600", "\xF0\x9F\x98\x80"},
  };
  Open();
  std::vector<std::string> seen;
  G().SetKeyHandlerFunc([&](const IKeyPress& key, bool isUp) {
    seen.push_back(std::string(isUp ? "up " : "down ") + key.utf8);
    return true;
  });
  for (const Row& row : rows) {
    SCOPED_TRACE(row.utf8);
    seen.clear();
    pw::NativeInput key;
    key.keyCode = pw::keycode::kUnknown;
    key.charactersIgnoringModifiers = key.characters = row.typed;
    for (const Kind kind : {Kind::kKeyPress, Kind::kKeyRelease}) {
      key.kind = kind;
      backend->Inject(W(), key);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{std::string("down ") + row.utf8, std::string("up ") + row.utf8}));
  }
}

// The redraw timer runs at the editor's frame rate, and at 60 frames a second when that rate is not above 0.
TEST_F(PlatformGraphicsTest, RedrawTimerRunsAtTheFrameRateOrAtSixtyWithoutOne) {
  struct Row {
    int fps;
    double period;  // seconds
  } rows[] = {{30, 1.0 / 30.0}, {0, 1.0 / 60.0}, {-5, 1.0 / 60.0}, {std::numeric_limits<int>::min(), 1.0 / 60.0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.fps);
    dlg.CloseWindow();
    dlg.SetMakeGraphicsFunc([this, fps = row.fps] { return new IGraphicsLinux(dlg, 200, 100, fps, drawScale); });
    Open();
    // Everything is dirty after the open: the first tick draws, and no earlier one; then one tick a period.
    const auto advanceAndCount = [&](double periods) {
      const int before = Layer().backend.flushCalls;
      clock.Advance(periods * row.period);
      platform::RunLoop::Main().RunDueTimers();
      return Layer().backend.flushCalls - before;
    };
    EXPECT_EQ(advanceAndCount(0.9), 0);
    EXPECT_GT(advanceAndCount(0.2), 0);
    control->SetDirty(false);
    EXPECT_EQ(advanceAndCount(0.7), 0);
    EXPECT_GT(advanceAndCount(0.4), 0);
  }
}

// A drawing layer whose renderer takes a while to start, as a GPU device made on the first open does: the clock moves
// on by `startSeconds` the first time the renderer's layer is asked for.
class SlowStartDrawingLayer final : public IGraphicsDrawingLayer {
 public:
  SlowStartDrawingLayer(platform::ManualClock& clock, double startSeconds) : mClock(clock), mStart(startSeconds) {}
  RecordingBackend backend;

  void* RendererLayer() override {
    mClock.Advance(mStart);
    mStart = 0.0;
    return &backend;
  }
  void SetDrawableSize(double, double, double) override {}
  bool TakeFinishedFrame(std::vector<uint8_t>&, int&, int&) override { return false; }

 private:
  platform::ManualClock& mClock;
  double mStart;
};

// The redraw timer runs from the view's making, not from the renderer's start: the time the renderer takes counts into
// the first period, and the first frame is due one period after the view was made.
TEST_F(PlatformGraphicsTest, RedrawTimerRunsFromTheViewsMakingWhileTheRendererStarts) {
  constexpr double kPeriod = 1.0 / 60.0;
  struct Row {
    double startPeriods;  // the renderer's start, in timer periods
    bool drawsAtOnce;     // whether a frame is due as the open returns
  } rows[] = {{0.0, false}, {0.5, false}, {0.95, false}, {1.2, true}, {30.0, true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.startPeriods);
    dlg.CloseWindow();
    SlowStartDrawingLayer* layer = nullptr;
    SetDrawingLayerMaker([&] {
      auto made = std::make_unique<SlowStartDrawingLayer>(clock, row.startPeriods * kPeriod);
      layer = made.get();
      return made;
    });
    Open();
    ASSERT_NE(layer, nullptr);
    platform::RunLoop::Main().RunDueTimers();
    EXPECT_EQ(layer->backend.flushCalls > 0, row.drawsAtOnce);
    // Just past one period after the view's making the first frame has been drawn, however long the start took.
    clock.Advance(std::max(0.0, 1.1 - row.startPeriods) * kPeriod);
    platform::RunLoop::Main().RunDueTimers();
    EXPECT_GT(layer->backend.flushCalls, 0);
  }
}

TEST_F(PlatformGraphicsTest, HiddenLockedCursorStaysWhereItWasHidden) {
  Open();
  backend->SetPointerPixels(pw::Point{300, 400});
  const pw::CursorCounters& counters = pw::GetCursorCounters();
  struct Step {
    std::function<void()> act;
    int hides, shows, warps;
    bool visible;
  } steps[] = {
      {[&] { G().HideMouseCursor(true, true); }, 1, 0, 0, false},
      {[&] { G().HideMouseCursor(true, true); }, 1, 0, 0, false},  // already hidden
      {[&] { Inject(Kind::kButtonPress, 100, 50, 0.0); }, 1, 0, 1, false},
      {[&] { Inject(Kind::kMotion, 110, 60, 0.1); }, 1, 0, 2, false},
      {[&] { Inject(Kind::kButtonRelease, 110, 60, 0.2); }, 1, 0, 3, false},
      {[&] { G().HideMouseCursor(false); }, 1, 1, 3, true},
      {[&] { Inject(Kind::kMotion, 120, 60, 1.0); }, 1, 1, 3, true},  // shown: no more warps
      {[&] { G().MoveMouseCursor(10, 20); }, 1, 1, 4, true},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    steps[i].act();
    EXPECT_EQ(counters.hides, steps[i].hides);
    EXPECT_EQ(counters.shows, steps[i].shows);
    EXPECT_EQ(counters.warps, steps[i].warps);
    EXPECT_EQ(counters.visible, steps[i].visible);
    EXPECT_TRUE(counters.associated);
    // Every warp while hidden goes back to the display point the pointer was hidden at.
    if (i >= 2 && i <= 4) {
      EXPECT_EQ(counters.lastWarp, (pw::Point{300, 400}));
    }
  }
  // The warp to editor point (10, 20): the window's content starts at display pixel (100, 50) on this back end.
  EXPECT_EQ(counters.lastWarp, (pw::Point{110, 70}));
}

// A host hands the editor its input at idle calls: a whole drag, its release and the pointer's move away may all
// have happened before the editor sees the first of them. A drag still held is pulled back as ever; once its button
// is up, only an event the pointer is still at (within a point) pulls it back, and otherwise it stays where the
// person took it. The window's content starts at display pixel (100, 50): the release at (120, 30) is (220, 80).
TEST_F(PlatformGraphicsTest, ALockedDragHandledLatePullsThePointerBackOnlyWhileHeldOrStillThere) {
  struct Row {
    const char* name;
    bool released;
    pw::Point pointerThen;  // where the person has taken the pointer when the editor handles the input
    int warps;
  } rows[] = {
      {"released and moved away", true, {900, 700}, 0},
      {"still held, pointer ahead", false, {900, 700}, 2},
      {"released, pointer half a point from the release", true, {220.5, 80}, 1},
      {"released, pointer two points from the release", true, {222, 80}, 0},
  };
  Open();
  double time = 0.0;  // seconds apart, so that no press reads as a double click
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    time += 10.0;
    backend->SetPointerPixels(pw::Point{300, 400});
    G().HideMouseCursor(true, true);
    const int warps = pw::GetCursorCounters().warps;
    std::thread host([&] {  // input from another thread waits for the window thread's next Pump
      Inject(Kind::kButtonPress, 100, 50, time);
      Inject(Kind::kMotion, 110, 40, time + 0.1);
      if (row.released) Inject(Kind::kButtonRelease, 120, 30, time + 0.2);
    });
    host.join();
    backend->SetPointerPixels(row.pointerThen);
    backend->Pump();
    EXPECT_EQ(pw::GetCursorCounters().warps - warps, row.warps);
    EXPECT_EQ(backend->PointerPixels(), (row.warps > 0 ? pw::Point{300, 400} : row.pointerThen));
    if (!row.released) Inject(Kind::kButtonRelease, 110, 40, time + 0.3);
    G().HideMouseCursor(false);
  }
}

}  // namespace
}  // namespace fx::gfx::test

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <thread>

#include "platform/runloop/RunLoop.h"
#include "platform/window/Cursor.h"
#include "platform/window/Notifications.h"
#include "platform/window/TextField.h"
#include "tests/platform/window/WindowTestSupport.h"

namespace platform::window {
namespace {

using Kind = NativeInput::Kind;

class WindowEventsTest : public HeadlessWindowTest {
 protected:
  void SetUp() override {
    HeadlessWindowTest::SetUp();
    window->ContentView().AddSubview(view);
  }
  // Escape typed into a view that takes no keys, which the window then passes on to its owner.
  void PressEscapeOnABystander() {
    window->ContentView().AddSubview(bystander);
    ASSERT_TRUE(window->MakeFirstResponder(&bystander));
    NativeInput escape;
    escape.kind = Kind::kKeyPress;
    escape.keyCode = keycode::kEscape;
    backend->Inject(*window, escape);
  }
  // 200 x 100 points, its top-left corner 100 points right of and 50 below the content's.
  RecordingView view{MakeRect(100, 50, 200, 100)};
  RecordingView bystander{MakeRect(0, 0, 10, 10), false};
};

TEST_F(WindowEventsTest, ClickCountsFollowTimeDistanceAndButton) {
  struct Row {
    double time;
    Point pixel;
    int button;
    EventType type;
    int clickCount;
  } rows[] = {
      {0.0, {150, 80}, 0, EventType::kLeftMouseDown, 1},
      {0.3, {151, 80}, 0, EventType::kLeftMouseDown, 2},  // within 0.5 s and 4 points
      {0.6, {151, 82}, 0, EventType::kLeftMouseDown, 3},
      {1.2, {151, 82}, 0, EventType::kLeftMouseDown, 1},   // 0.6 s later
      {1.3, {160, 82}, 0, EventType::kLeftMouseDown, 1},   // 9 points away
      {1.4, {160, 82}, 1, EventType::kRightMouseDown, 1},  // another button
      {1.5, {160, 82}, 1, EventType::kRightMouseDown, 2},
  };
  for (const Row& row : rows) {
    Inject(Kind::kButtonPress, row.pixel, row.time, row.button);
    Inject(Kind::kButtonRelease, row.pixel, row.time + 0.05, row.button);
  }
  std::erase_if(view.seen, [](const Seen& s) { return s.type == EventType::kMouseEntered; });
  ASSERT_EQ(view.seen.size(), 2 * std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(view.seen[2 * i].type, rows[i].type);
    EXPECT_EQ(view.seen[2 * i].clickCount, rows[i].clickCount);
    EXPECT_EQ(view.seen[2 * i + 1].clickCount, rows[i].clickCount);  // the up carries the down's count
  }
}

TEST_F(WindowEventsTest, PointsModifiersAndWheelDeltasReachTheView) {
  struct Row {
    double scale;
    Kind kind;
    Point pixel;
    unsigned modifiers;
    double wheelX, wheelY;
    EventType type;
    Point inView;
  } rows[] = {
      {1.0, Kind::kButtonPress, {150, 80}, modifier::kShift, 0, 0, EventType::kLeftMouseDown, {50, 30}},
      {2.0,
       Kind::kButtonPress,
       {300, 160},
       modifier::kCommand | modifier::kOption,
       0,
       0,
       EventType::kLeftMouseDown,
       {50, 30}},
      {1.0, Kind::kWheel, {299, 149}, modifier::kControl, 0, -1, EventType::kScrollWheel, {199, 99}},
      {2.0, Kind::kWheel, {202, 102}, 0, 1, 0, EventType::kScrollWheel, {1, 1}},
  };
  for (const Row& row : rows) {
    backend->SetBackingScaleFactor(row.scale);
    view.seen.clear();
    NativeInput input;
    input.kind = row.kind;
    input.pixel = row.pixel;
    input.modifierFlags = row.modifiers;
    input.wheelX = row.wheelX;
    input.wheelY = row.wheelY;
    backend->Inject(*window, input);
    ASSERT_EQ(view.seen.size(), 1u);
    EXPECT_EQ(view.seen[0].type, row.type);
    EXPECT_EQ(view.seen[0].point, row.inView);
    EXPECT_EQ(view.seen[0].modifiers, row.modifiers);
    EXPECT_EQ(view.seen[0].deltaX, row.wheelX);
    EXPECT_EQ(view.seen[0].deltaY, row.wheelY);
    if (row.kind == Kind::kButtonPress) Inject(Kind::kButtonRelease, row.pixel, 0.0);
  }
}

TEST_F(WindowEventsTest, DragStaysWithTheViewAndItsExitWaitsForTheRelease) {
  Inject(Kind::kEnter, {150, 80});
  Inject(Kind::kButtonPress, {150, 80});
  Inject(Kind::kMotion, {160, 70});
  Inject(Kind::kMotion, {20, 10});  // outside the view
  Inject(Kind::kButtonRelease, {20, 10});
  const std::vector<EventType> expected{EventType::kMouseEntered,     EventType::kLeftMouseDown,
                                        EventType::kLeftMouseDragged, EventType::kLeftMouseDragged,
                                        EventType::kLeftMouseUp,      EventType::kMouseExited};
  ASSERT_EQ(view.seen.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(view.seen[i].type, expected[i]) << i;
  EXPECT_EQ(view.seen[2].deltaX, 10.0);
  EXPECT_EQ(view.seen[2].deltaY, -10.0);  // upwards
  EXPECT_EQ(view.seen[3].point, (Point{-80, -40}));
}

// A button numbered beyond what the window counts (a mouse with many buttons) still reaches the view, and its
// release frees no other button: the left drag under way goes on.
TEST_F(WindowEventsTest, AButtonBeyondTheCountedOnesLeavesTheHeldOnesHeld) {
  for (const int button : {32, 33, 250, -1}) {
    SCOPED_TRACE(button);
    view.seen.clear();
    Inject(Kind::kButtonPress, {150, 80});
    Inject(Kind::kButtonPress, {150, 80}, 0.1, button);
    Inject(Kind::kButtonRelease, {150, 80}, 0.2, button);
    Inject(Kind::kMotion, {160, 70}, 0.3);
    Inject(Kind::kButtonRelease, {160, 70}, 0.4);
    std::erase_if(view.seen, [](const Seen& s) { return s.type == EventType::kMouseEntered; });
    const std::vector<EventType> expected{EventType::kLeftMouseDown, EventType::kOtherMouseDown,
                                          EventType::kOtherMouseUp, EventType::kLeftMouseDragged,
                                          EventType::kLeftMouseUp};
    ASSERT_EQ(view.seen.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(view.seen[i].type, expected[i]) << i;
  }
}

TEST_F(WindowEventsTest, MovesReachTheFirstResponderOnlyWhenTheWindowAsks) {
  ASSERT_TRUE(window->MakeFirstResponder(&view));
  Inject(Kind::kMotion, {10, 10});
  EXPECT_TRUE(view.seen.empty());
  window->SetAcceptsMouseMovedEvents(true);
  Inject(Kind::kMotion, {10, 10});
  ASSERT_EQ(view.seen.size(), 1u);
  EXPECT_EQ(view.seen[0].type, EventType::kMouseMoved);
  EXPECT_EQ(view.seen[0].point, (Point{-90, -40}));
}

TEST_F(WindowEventsTest, KeysGoToTheFirstResponderAndUnusedOnesTravelUp) {
  RecordingView inner(MakeRect(10, 10, 20, 20), false);
  view.AddSubview(inner);
  ASSERT_TRUE(window->MakeFirstResponder(&inner));
  struct Row {
    int keyCode;
    std::u32string characters;
    unsigned modifiers;
  } rows[] = {{keycode::kLeftArrow, {functionkey::kLeftArrow}, 0},
              {keycode::kA, U"A", modifier::kShift},
              {keycode::kF5, {functionkey::kF1 + 4}, modifier::kCommand}};
  for (const Row& row : rows) {
    NativeInput input;
    input.kind = Kind::kKeyPress;
    input.keyCode = row.keyCode;
    input.characters = input.charactersIgnoringModifiers = row.characters;
    input.modifierFlags = row.modifiers;
    backend->Inject(*window, input);
  }
  EXPECT_TRUE(inner.seen.empty());
  ASSERT_EQ(view.seen.size(), std::size(rows));
  for (size_t i = 0; i < std::size(rows); ++i) {
    EXPECT_EQ(view.seen[i].type, EventType::kKeyDown);
    EXPECT_EQ(view.seen[i].keyCode, rows[i].keyCode);
    EXPECT_EQ(view.seen[i].characters, rows[i].characters);
    EXPECT_EQ(view.seen[i].modifiers, rows[i].modifiers);
  }
  // A key no view uses goes on to the window's owner.
  PressEscapeOnABystander();
  if (HasFatalFailure()) return;
  EXPECT_EQ(backend->LogLines().back(), "key-down 53 passed on");
}

TEST_F(WindowEventsTest, TheLogKeepsItsLast64LinesInOrder) {
  const auto numbered = [](int from, int to) {
    std::vector<std::string> lines;
    for (int i = from; i < to; ++i) lines.push_back("line " + std::to_string(i));
    return lines;
  };
  struct Row {
    int logged;
    int firstKept;
  };
  for (const Row& row : {Row{3, 0}, Row{64, 0}, Row{65, 1}, Row{1000, 936}}) {
    backend->ClearLog();
    for (const std::string& line : numbered(0, row.logged)) backend->Log(line);
    EXPECT_EQ(backend->LogLines(), numbered(row.firstKept, row.logged)) << row.logged << " lines logged";
  }
  // What the layer logs itself comes last.
  PressEscapeOnABystander();
  if (HasFatalFailure()) return;
  std::vector<std::string> expected = numbered(937, 1000);
  expected.push_back("key-down 53 passed on");
  EXPECT_EQ(backend->LogLines(), expected);
}

TEST_F(WindowEventsTest, ALeftClickGivesTheFieldUnderItTheTyping) {
  // Two fields left of the view, a field that cannot be edited, and the content's bare background.
  TextField first(MakeRect(10, 10, 80, 20));
  TextField second(MakeRect(10, 40, 80, 20));
  TextField locked(MakeRect(10, 70, 80, 20));
  locked.SetEditable(false);
  for (TextField* field : {&first, &second, &locked}) window->ContentView().AddSubview(*field);
  struct Row {
    const char* what;
    Point pixel;
    int button;
    const char* typed;
    View* responder;
    std::string firstText, secondText;
  } rows[] = {
      {"left click into the first field", {50, 20}, 0, "1", &first, "1", ""},
      {"left click into the second field", {50, 50}, 0, "2", &second, "1", "2"},
      {"right click into the first field", {50, 20}, 1, "3", &second, "1", "2"},
      {"middle click into the first field", {50, 20}, 2, "4", &second, "1", "2"},
      {"left click on the bare background", {50, 250}, 0, "5", &second, "1", "2"},
      {"left click into the locked field", {50, 80}, 0, "6", &second, "1", "2"},
      {"left click into the view", {150, 80}, 0, "7", &view, "1", "2"},
      {"left click back into the first field", {50, 20}, 0, "8", &first, "18", "2"},
  };
  double time = 0.0;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // Whatever field starts editing now is typed into: one answer waits, and it is gone after the pump.
    backend->Script().textEntries.assign({TextEntryAnswer{{row.typed}, false, true}});
    Inject(Kind::kButtonPress, row.pixel, time += 1.0, row.button);
    Inject(Kind::kButtonRelease, row.pixel, time + 0.05, row.button);
    EXPECT_EQ(window->FirstResponder(), row.responder);
    backend->Pump();
    backend->Script().textEntries.clear();
    EXPECT_EQ(first.StringValue(), row.firstText);
    EXPECT_EQ(second.StringValue(), row.secondText);
    EXPECT_EQ(locked.StringValue(), "");
  }
}

TEST_F(WindowEventsTest, RemovedViewsGetNothingMore) {
  Inject(Kind::kButtonPress, {150, 80});
  view.RemoveFromSuperview();
  Inject(Kind::kMotion, {160, 80});
  Inject(Kind::kButtonRelease, {160, 80});
  EXPECT_EQ(view.seen.size(), 1u);
  EXPECT_EQ(window->FirstResponder(), nullptr);
}

TEST_F(WindowEventsTest, AHandlerMayCloseTheWindow) {
  struct Closer : RecordingView {
    Closer(Rect frame, std::unique_ptr<Window>& w) : RecordingView(frame), window(w) {}
    void MouseDown(const Event&) override { window.reset(); }
    void MouseEntered(const Event&) override { window.reset(); }
    std::unique_ptr<Window>& window;
  };
  for (Kind kind : {Kind::kButtonPress, Kind::kMotion}) {
    if (!window) window = Window::Create(nullptr, Size{400, 300});
    Closer closer(MakeRect(0, 0, 50, 50), window);
    window->ContentView().AddSubview(closer);
    Inject(kind, {10, 10});
    EXPECT_EQ(window, nullptr);
  }
}

TEST_F(WindowEventsTest, CursorHideWarpAndShowAreCountedAndNest) {
  const CursorCounters before = GetCursorCounters();
  DisplayHideCursor();
  DisplayHideCursor();
  AssociateMouseAndMouseCursorPosition(false);
  DisplayMoveCursorToPoint({300, 200});
  AssociateMouseAndMouseCursorPosition(true);
  DisplayShowCursor();
  EXPECT_FALSE(GetCursorCounters().visible);  // two hides need two shows
  DisplayShowCursor();
  const CursorCounters& after = GetCursorCounters();
  EXPECT_EQ(after.hides - before.hides, 2);
  EXPECT_EQ(after.shows - before.shows, 2);
  EXPECT_EQ(after.warps - before.warps, 1);
  EXPECT_EQ(after.lastWarp, (Point{300, 200}));
  EXPECT_TRUE(after.visible);
  EXPECT_TRUE(after.associated);
  // Display y runs down from the top, screen y up from the bottom of a 1080-pixel display.
  EXPECT_EQ(MouseLocation(), (Point{300, 880}));
  EXPECT_EQ(DisplayPixelsHigh(), 1080.0);
}

TEST_F(WindowEventsTest, ViewPointsConvertToTheScreenAndBack) {
  const Point inWindow = view.ConvertPointToView({0, 0}, nullptr);
  EXPECT_EQ(inWindow, (Point{100, 250}));  // 300-point content, view top at 50
  const Rect onScreen = window->ConvertRectToScreen(Rect{inWindow, {}});
  // The headless window's content starts at display pixel (100, 50): screen y = 1080 - 50 - 300 + 250.
  EXPECT_EQ(onScreen.origin, (Point{200, 980}));
  EXPECT_EQ(window->ConvertRectFromScreen(onScreen).origin, inWindow);
  EXPECT_EQ(view.ConvertPointFromView(inWindow, nullptr), (Point{0, 0}));
}

TEST_F(WindowEventsTest, FocusLossIsPosted) {
  std::vector<std::string> posted;
  NotificationCenter::Default().AddObserver(this, notification::kWindowDidResignKey, window.get(),
                                            [&](const std::string& name, const void*) { posted.push_back(name); });
  Inject(Kind::kFocusIn, {});
  EXPECT_TRUE(window->IsKeyWindow());
  Inject(Kind::kFocusOut, {});
  NotificationCenter::Default().RemoveObserver(this);
  EXPECT_EQ(posted, std::vector<std::string>{notification::kWindowDidResignKey});
}

// The desktop's tooltip behaviour, step by step on the main run loop's clock. The view's rectangles: tag 1 on its
// left half (window pixels 100 to 200), tag 2 on its right half, tag 3 in the right half's top-right corner (window
// pixels 280 to 300, 50 to 70), added last, so it wins there, whose owner has no text.
TEST_F(WindowEventsTest, TooltipsShowWhereThePointerRestsAndGoOnLeaveClickWheelKeyOrRemoval) {
  struct ClockInUse {
    explicit ClockInUse(const Clock& clock) { RunLoop::Main().SetClock(&clock); }
    ~ClockInUse() { RunLoop::Main().SetClock(nullptr); }
  };
  ManualClock clock(100.0);
  const ClockInUse inUse(clock);
  struct Owner : ToolTipOwner {
    std::string StringForToolTip(View&, int tag, Point, void*) override {
      return tag == 3 ? "" : "tip " + std::to_string(tag);
    }
  } owner;
  ASSERT_EQ(view.AddToolTipRect(MakeRect(0, 0, 100, 100), owner, nullptr), 1);
  ASSERT_EQ(view.AddToolTipRect(MakeRect(100, 0, 100, 100), owner, nullptr), 2);
  ASSERT_EQ(view.AddToolTipRect(MakeRect(180, 0, 20, 20), owner, nullptr), 3);
  const double delay = ToolTipTracker::kDelaySeconds;
  struct Step {
    std::optional<Kind> kind;  // none: only the wait
    Point pixel;
    double wait;
    const char* shown;
    std::vector<std::string> told;
  } steps[] = {
      {Kind::kMotion, {150, 80}, delay - 0.1, "", {}},
      {Kind::kMotion, {152, 80}, delay - 0.1, "", {}},  // every move starts the wait again
      {std::nullopt, {}, 0.1, "tip 1", {"show tip 1 at 52,30"}},
      {Kind::kMotion, {160, 90}, 2 * delay, "tip 1", {}},  // it stays while the pointer stays in its rectangle
      {Kind::kMotion, {250, 80}, 0.0, "", {"hide"}},
      {std::nullopt, {}, delay, "tip 2", {"show tip 2 at 150,30"}},
      {Kind::kButtonPress, {250, 80}, 0.0, "", {"hide"}},
      {Kind::kButtonRelease, {250, 80}, 0.0, "", {}},
      {Kind::kMotion, {251, 80}, 2 * delay, "", {}},  // quiet after a click until the pointer leaves the rectangle
      {Kind::kMotion, {150, 80}, delay, "tip 1", {"show tip 1 at 50,30"}},
      {Kind::kKeyPress, {150, 80}, 2 * delay, "", {"hide"}},
      {Kind::kMotion, {250, 80}, delay, "tip 2", {"show tip 2 at 150,30"}},
      {Kind::kWheel, {250, 80}, 0.0, "", {"hide"}},
      {Kind::kMotion, {150, 80}, delay, "tip 1", {"show tip 1 at 50,30"}},
      {Kind::kLeave, {50, 80}, 2 * delay, "", {"hide"}},
      {Kind::kEnter, {250, 80}, delay, "tip 2", {"show tip 2 at 150,30"}},
      {Kind::kMotion, {290, 60}, 2 * delay, "", {"hide"}},  // a rectangle without a text shows nothing
      {Kind::kMotion, {250, 80}, delay, "tip 2", {"show tip 2 at 150,30"}},
  };
  for (size_t i = 0; i < std::size(steps); ++i) {
    SCOPED_TRACE(i);
    const Step& step = steps[i];
    view.tips.clear();
    if (step.kind) Inject(*step.kind, step.pixel);
    clock.Advance(step.wait);
    // A host thread pumping the loop first runs nothing of the window's: the delay waits for the window's thread.
    const std::vector<std::string> toldBefore = view.tips;
    const std::string shownBefore = window->ToolTipText();
    std::thread([] { RunLoop::Main().RunOnce(); }).join();
    EXPECT_EQ(view.tips, toldBefore);
    EXPECT_EQ(window->ToolTipText(), shownBefore);
    RunLoop::Main().RunDueTimers();
    EXPECT_EQ(window->ToolTipText(), step.shown);
    EXPECT_EQ(view.tips, step.told);
  }
  view.tips.clear();
  view.RemoveAllToolTips();
  EXPECT_EQ(window->ToolTipText(), "");
  EXPECT_EQ(view.tips, std::vector<std::string>{"hide"});
}

// Files dragged from another program: the view under them is asked as the drag moves, and only its yes lets a drop
// through. The recording view takes files named "*.lps"; the content view around it takes nothing. A subview that
// did not register for dragged files (pixels 140..170 x 70..90) leaves the drag to the recording view under it.
TEST_F(WindowEventsTest, DraggedFilesAskTheViewUnderThemAndADropNeedsItsYes) {
  View bare(MakeRect(40, 20, 30, 20));
  view.AddSubview(bare);
  struct Row {
    const char* call;  // "moved", "exited" or "dropped"
    Point pixel;
    std::vector<std::string> files;
    bool yes;  // moved: the answer is copy; dropped: the view took the files
    std::vector<std::string> told;
  } rows[] = {
      {"moved", {150, 80}, {"/a.lps"}, true, {"entered"}},
      {"moved", {200, 95}, {"/a.lps"}, true, {"updated"}},
      {"moved", {20, 10}, {"/a.lps"}, false, {"exited"}},
      {"moved", {150, 80}, {"/a.wav"}, false, {"entered"}},
      {"exited", {}, {}, false, {"exited"}},
      {"dropped", {150, 80}, {"/a.wav"}, false, {"entered", "exited"}},
      {"dropped", {20, 10}, {"/a.lps"}, false, {}},
      {"dropped", {150, 80}, {"/a.lps", "/b c.lps"}, true, {"entered", "perform /a.lps|/b c.lps at 50,30"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.call) + " " + RecordingView::At(row.pixel));
    view.drags.clear();
    const std::string call = row.call;
    if (call == "moved") {
      EXPECT_EQ(window->DragMoved(row.files, row.pixel) == DragOperation::kCopy, row.yes);
    } else if (call == "dropped") {
      EXPECT_EQ(window->DragDropped(row.files, row.pixel), row.yes);
    } else {
      window->DragExited();
    }
    EXPECT_EQ(view.drags, row.told);
  }
  // Pixels become points at the backing scale.
  backend->SetBackingScaleFactor(2.0);
  view.drags.clear();
  EXPECT_TRUE(window->DragDropped({"/c.lps"}, {300, 160}));
  EXPECT_EQ(view.drags.back(), "perform /c.lps at 50,30");
}

TEST_F(WindowEventsTest, PresentedFramesAreReadableAtTheViewsPlace) {
  backend->SetBackingScaleFactor(2.0);
  const unsigned char pixels[2 * 2 * 4] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  EXPECT_FALSE(view.PresentBGRA(pixels, 2, 2, 4));  // rows shorter than the width
  ASSERT_TRUE(view.PresentBGRA(pixels, 2, 2, 8));
  const PresentedFrame& frame = window->LastPresentedFrame();
  EXPECT_EQ(frame.count, 1);
  EXPECT_EQ(frame.pixelOrigin, (Point{200, 100}));
  EXPECT_EQ(frame.pixels, std::vector<unsigned char>(std::begin(pixels), std::end(pixels)));
  RecordingView loose(MakeRect(0, 0, 2, 2));
  EXPECT_FALSE(loose.PresentBGRA(pixels, 2, 2, 8));
}

TEST_F(WindowEventsTest, FramesWrittenIntoTheWindowReuseItsStorage) {
  // A writer fills the window's own frame storage: the same frame as presenting the bytes, in the same memory
  // from frame to frame while the size stays; a failing writer presents nothing.
  const unsigned char pixels[2 * 3 * 4] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12,
                                           13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};
  const auto write = [&](unsigned char* bgra, size_t bytesPerRow) {
    for (int y = 0; y < 3; ++y) std::memcpy(bgra + y * bytesPerRow, pixels + y * 8, 8);
    return true;
  };
  ASSERT_TRUE(view.PresentBGRA(2, 3, write));
  const PresentedFrame& frame = window->LastPresentedFrame();
  EXPECT_EQ(frame.count, 1);
  EXPECT_EQ(frame.width, 2);
  EXPECT_EQ(frame.height, 3);
  EXPECT_EQ(frame.pixels, std::vector<unsigned char>(std::begin(pixels), std::end(pixels)));
  const unsigned char* storage = frame.pixels.data();
  ASSERT_TRUE(view.PresentBGRA(2, 3, write));
  EXPECT_EQ(frame.count, 2);
  EXPECT_EQ(frame.pixels.data(), storage);
  EXPECT_FALSE(view.PresentBGRA(2, 3, [](unsigned char*, size_t) { return false; }));
  EXPECT_FALSE(view.PresentBGRA(0, 3, write));
  EXPECT_EQ(frame.count, 2);
  RecordingView loose(MakeRect(0, 0, 2, 2));
  EXPECT_FALSE(loose.PresentBGRA(2, 3, write));
}

}  // namespace
}  // namespace platform::window

namespace platform::window {
namespace {

TEST_F(WindowEventsTest, ViewsHearOfWindowScaleAppearanceAndFrameChanges) {
  struct Listener : View {
    void ViewDidMoveToWindow() override { heard.push_back(GetWindow() ? "window" : "no window"); }
    void ViewDidChangeBackingProperties() override { heard.push_back("scale"); }
    void ViewDidChangeEffectiveAppearance() override {
      heard.push_back(EffectiveAppearance() == Appearance::kDark ? "dark" : "light");
    }
    std::vector<std::string> heard;
  } listener;
  NotificationCenter::Default().AddObserver(
      this, notification::kViewFrameDidChange, &listener,
      [&](const std::string&, const void*) { listener.heard.push_back("frame"); });
  view.AddSubview(listener);
  backend->SetBackingScaleFactor(2.0);
  backend->SetBackingScaleFactor(2.0);  // no change, no word
  backend->SetAppearance(Appearance::kDark);
  listener.SetFrameSize({30, 40});
  listener.RemoveFromSuperview();
  NotificationCenter::Default().RemoveObserver(this);
  listener.SetFrameSize({10, 10});
  EXPECT_EQ(listener.heard, (std::vector<std::string>{"window", "scale", "dark", "frame", "no window"}));
  EXPECT_EQ(MainScreen().backingScaleFactor, 2.0);
  EXPECT_EQ(MainScreen().frame.size, (Size{960, 540}));
}

// Frames that each differ from the one before only inside a rectangle: the window writes and sends only that part
// (the whole frame while it holds no complete one of that size), and what it holds is always the frame as drawn.
TEST_F(WindowEventsTest, PartialPresentsAddUpToTheWholeFrame) {
  struct Step {
    const char* name;
    int width, height;
    PixelRect changed;
    bool writes;     // the writer succeeds
    PixelRect sent;  // what is written and put on the window; empty: nothing
  };
  const Step steps[] = {
      {"first frame, whole", 8, 6, {2, 2, 1, 1}, true, {0, 0, 8, 6}},
      {"one part", 8, 6, {2, 1, 3, 2}, true, {2, 1, 3, 2}},
      {"a part past the edge", 8, 6, {6, 4, 5, 5}, true, {6, 4, 2, 2}},
      {"outside the frame", 8, 6, {9, 0, 3, 3}, true, {}},
      {"nothing changed", 8, 6, {}, true, {}},
      {"the write fails", 8, 6, {1, 1, 2, 2}, false, {1, 1, 2, 2}},
      {"after a failure, whole", 8, 6, {0, 0, 1, 1}, true, {0, 0, 8, 6}},
      {"another size, whole", 5, 7, {1, 1, 1, 1}, true, {0, 0, 5, 7}},
      {"a row", 5, 7, {0, 6, 5, 1}, true, {0, 6, 5, 1}},
  };
  std::vector<unsigned char> drawn;  // the frame as drawn, rows packed
  int drawnWidth = 0;
  const PresentedFrame& frame = window->LastPresentedFrame();
  for (int n = 0; n < static_cast<int>(std::size(steps)); ++n) {
    const Step& step = steps[n];
    const PixelRect whole{0, 0, step.width, step.height};
    const bool fresh = step.width != drawnWidth || drawn.size() != static_cast<size_t>(step.width) * step.height * 4;
    if (fresh) {
      drawn.assign(static_cast<size_t>(step.width) * step.height * 4, 0);
      drawnWidth = step.width;
    }
    const PixelRect redrawn = fresh ? whole : step.changed.Intersection(whole);
    for (int y = redrawn.y; y < redrawn.y + redrawn.height; ++y)
      for (int x = redrawn.x; x < redrawn.x + redrawn.width; ++x)
        for (int c = 0; c < 4; ++c)
          drawn[(static_cast<size_t>(y) * step.width + x) * 4 + c] =
              static_cast<unsigned char>(n * 31 + x * 7 + y * 13 + c);
    PixelRect asked;
    const auto write = [&](unsigned char* bgra, size_t bytesPerRow, PixelRect region) {
      asked = region;
      for (int y = 0; y < region.height; ++y)
        std::memcpy(bgra + y * bytesPerRow, &drawn[(static_cast<size_t>(region.y + y) * step.width + region.x) * 4],
                    static_cast<size_t>(region.width) * 4);
      return step.writes;
    };
    const int count = frame.count;
    const size_t bytes = frame.bytesSent;
    EXPECT_EQ(view.PresentBGRA(step.width, step.height, step.changed, write), step.writes) << step.name;
    EXPECT_EQ(asked, step.sent) << step.name;
    if (!step.writes) continue;
    const bool sent = !step.sent.IsEmpty();
    EXPECT_EQ(frame.count, count + (sent ? 1 : 0)) << step.name;
    EXPECT_EQ(frame.bytesSent - bytes, static_cast<size_t>(step.sent.width) * step.sent.height * 4) << step.name;
    if (sent) {
      EXPECT_EQ(frame.updated, step.sent) << step.name;
    }
    EXPECT_EQ(frame.pixels, drawn) << step.name;
  }
}

}  // namespace
}  // namespace platform::window

#include "framework/IGEditorDelegate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "graphics/IControl.h"
#include "tests/graphics/FakeGraphics.h"

namespace fx {
namespace {

using test::FakeGraphics;

class TestDelegate : public gfx::IGEditorDelegate {
 public:
  TestDelegate() : IGEditorDelegate(3) {
    GetParam(0)->InitDouble("gain", 0.0, -10.0, 10.0, 0.0);
    GetParam(1)->InitInt("steps", 0, 0, 4);
    GetParam(2)->InitDouble("mix", 0.5, 0.0, 1.0, 0.0);
    SetMakeGraphicsFunc([this] {
      graphics = new FakeGraphics(*this, 300, 200);
      return graphics;
    });
  }

  void BeginInformHostOfParamChangeFromUI(int) override {}
  void EndInformHostOfParamChangeFromUI(int) override {}
  void OnUIClose() override {
    ++uiCloses;
    if (closeAgainInsideClose) CloseWindow();
  }
  void OnParamChangeUI(int paramIdx, EParamSource source) override { changesUI.push_back({paramIdx, source}); }
  void OnMidiMsgUI(const IMidiMsg& msg) override { midiUI.push_back(msg); }

  FakeGraphics* graphics = nullptr;
  bool closeAgainInsideClose = false;
  int uiCloses = 0;
  std::vector<std::pair<int, int>> changesUI;
  std::vector<IMidiMsg> midiUI;
};

class RecordingControl : public gfx::IControl {
 public:
  RecordingControl(const gfx::IRECT& bounds, std::initializer_list<int> params) : IControl(bounds, params) {}
  void Draw(gfx::IGraphics&) override {}
  void SetValueFromDelegate(double value, int valIdx) override { values.push_back({valIdx, value}); }
  void OnMsgFromDelegate(int msgTag, int dataSize, const void*) override { messages.push_back({msgTag, dataSize}); }
  void OnMidi(const IMidiMsg& msg) override { midi.push_back(msg); }
  bool OnKeyDown(float x, float y, const IKeyPress& key) override {
    keys.push_back({x, y, key.VK});
    return true;
  }
  bool OnKeyUp(float x, float y, const IKeyPress& key) override {
    keys.push_back({x, y, -key.VK});
    return false;
  }

  struct Key {
    float x, y;
    int vk;
  };
  std::vector<std::pair<int, double>> values;
  std::vector<std::pair<int, int>> messages;
  std::vector<IMidiMsg> midi;
  std::vector<Key> keys;
};

std::vector<uint8_t> EditorState(const TestDelegate& delegate) {
  IByteChunk chunk;
  EXPECT_TRUE(delegate.SerializeEditorState(chunk));
  return std::vector<uint8_t>(chunk.GetData(), chunk.GetData() + chunk.Size());
}

IByteChunk StateChunk(int32_t width, int32_t height, float scale) {
  IByteChunk chunk;
  chunk.Put(&width);
  chunk.Put(&height);
  chunk.Put(&scale);
  return chunk;
}

// 600 = 0x258, 400 = 0x190, 1.5f = 0x3FC00000, each little-endian.
const std::vector<uint8_t> kState600x400x1_5 = {0x58, 0x02, 0, 0, 0x90, 0x01, 0, 0, 0, 0, 0xC0, 0x3F};

TEST(EditorWindowTest, WithoutMakeGraphicsFunctionNothingOpens) {
  TestDelegate delegate;
  delegate.SetMakeGraphicsFunc(nullptr);
  EXPECT_EQ(delegate.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(delegate.GetUI(), nullptr);
  delegate.CloseWindow();
  EXPECT_EQ(delegate.uiCloses, 1);
}

TEST(EditorWindowTest, CloseKeepsSizeAndScaleForTheNextOpen) {
  TestDelegate delegate;
  EXPECT_EQ(delegate.OpenWindow(nullptr), delegate.graphics);
  EXPECT_EQ(delegate.graphics->opened, 1);
  delegate.graphics->Resize(600, 400, 1.5f, false);
  delegate.CloseWindow();
  EXPECT_EQ(delegate.GetUI(), nullptr);
  EXPECT_EQ(EditorState(delegate), kState600x400x1_5);

  delegate.OpenWindow(nullptr);
  EXPECT_EQ(delegate.GetUI()->Width(), 600);
  EXPECT_EQ(delegate.GetUI()->Height(), 400);
  EXPECT_EQ(delegate.GetUI()->GetDrawScale(), 1.5f);
}

TEST(EditorWindowTest, OpeningTwiceKeepsTheSameGraphics) {
  TestDelegate delegate;
  delegate.OpenWindow(nullptr);
  FakeGraphics* first = delegate.graphics;
  delegate.OpenWindow(nullptr);
  EXPECT_EQ(delegate.GetUI(), first);
  EXPECT_EQ(first->opened, 2);
}

TEST(EditorWindowTest, SavedWidthZeroDoesNotResizeTheNewGraphics) {
  TestDelegate delegate;
  EXPECT_EQ(delegate.UnserializeEditorState(StateChunk(0, 400, 1.5f), 0), 12);
  delegate.OpenWindow(nullptr);
  EXPECT_EQ(delegate.GetUI()->Width(), 300);
  EXPECT_EQ(delegate.GetUI()->Height(), 200);
  EXPECT_EQ(delegate.GetUI()->GetDrawScale(), 1.f);
}

TEST(EditorWindowTest, CloseInsideCloseDoesNothing) {
  TestDelegate delegate;
  delegate.closeAgainInsideClose = true;
  delegate.OpenWindow(nullptr);
  const int destroyedBefore = FakeGraphics::destroyed;
  delegate.CloseWindow();
  EXPECT_EQ(delegate.uiCloses, 1) << "the inner call returns before OnUIClose";
  EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
  EXPECT_EQ(delegate.GetUI(), nullptr);
}

TEST(EditorWindowTest, DestructionDeletesOpenGraphics) {
  const int destroyedBefore = FakeGraphics::destroyed;
  {
    TestDelegate delegate;
    delegate.OpenWindow(nullptr);
  }
  EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
}

// Graphics whose window the platform may refuse to make.
class RefusingGraphics : public FakeGraphics {
 public:
  using FakeGraphics::FakeGraphics;
  void* OpenWindow(void* parent) override { return refuse ? (++opened, nullptr) : FakeGraphics::OpenWindow(parent); }
  bool refuse = false;
};

// An open that gets no window deletes the graphics it made, so nothing is left without a window to draw
// into; graphics an earlier open made stay with their window.
TEST(EditorWindowTest, AnOpenWithoutAWindowDeletesOnlyTheGraphicsItMade) {
  TestDelegate delegate;
  RefusingGraphics* made = nullptr;
  bool refuse = true;
  delegate.SetMakeGraphicsFunc([&] {
    made = new RefusingGraphics(delegate, 300, 200);
    made->refuse = refuse;
    return made;
  });
  int destroyed = FakeGraphics::destroyed;
  EXPECT_EQ(delegate.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(delegate.GetUI(), nullptr);
  EXPECT_FALSE(delegate.IsEditorThread());
  EXPECT_EQ(FakeGraphics::destroyed, ++destroyed);

  refuse = false;
  ASSERT_NE(delegate.OpenWindow(nullptr), nullptr);
  RefusingGraphics* const kept = made;
  kept->refuse = true;
  EXPECT_EQ(delegate.OpenWindow(nullptr), nullptr);
  EXPECT_EQ(delegate.GetUI(), kept);
  EXPECT_TRUE(delegate.IsEditorThread());
  EXPECT_EQ(kept->opened, 2);
  EXPECT_EQ(FakeGraphics::destroyed, destroyed);
  delegate.CloseWindow();
  EXPECT_EQ(FakeGraphics::destroyed, ++destroyed);
}

// A host closing the editor from inside one of the editor's own events (nested events too): the editor is
// detached at once and deleted when the outermost event returns; a new one may open meanwhile; what the
// detached editor still says goes nowhere.
TEST(EditorWindowTest, ACloseInsideAnEventDetachesAndTheOutermostEventDeletes) {
  const struct {
    int depth;
    bool reopens;
  } rows[] = {{1, false}, {1, true}, {2, false}, {2, true}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << "depth " << row.depth << (row.reopens ? ", reopened" : ""));
    TestDelegate delegate;
    delegate.OpenWindow(nullptr);
    FakeGraphics* const old = delegate.graphics;
    const int destroyedBefore = FakeGraphics::destroyed;
    {
      std::vector<std::unique_ptr<gfx::IGEditorDelegate::EditorEvent>> events;
      for (int d = 0; d < row.depth; ++d) {
        events.push_back(std::make_unique<gfx::IGEditorDelegate::EditorEvent>(delegate.EditorMutex()));
        events.back()->Enter(delegate);
      }
      EXPECT_TRUE(delegate.IsEditorThread());
      delegate.CloseWindow();
      EXPECT_EQ(delegate.uiCloses, 1);
      EXPECT_EQ(delegate.GetEditorView(), nullptr);
      EXPECT_FALSE(delegate.IsEditorThread());
      EXPECT_EQ(old->detached, 1);
      EXPECT_EQ(old->closed, 0);
      EXPECT_TRUE(delegate.IsEditorDetaching());
      if (row.reopens) {
        EXPECT_NE(delegate.OpenWindow(nullptr), nullptr);
        EXPECT_NE(delegate.graphics, old);
        EXPECT_TRUE(delegate.IsEditorThread());
      }
      EXPECT_TRUE(delegate.IsEditorDetaching()) << "the old editor's event is still in hand";
      while (!events.empty()) {
        EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore) << "deleted under an event in hand";
        EXPECT_EQ(old->closed, 0);
        events.pop_back();
      }
    }
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
    EXPECT_FALSE(delegate.IsEditorDetaching());
    EXPECT_EQ(delegate.GetEditorView() != nullptr, row.reopens);
  }
}

// Outside any event the close deletes at once, as ever; an event of an editor that closed meanwhile (the
// caller found it gone and entered nothing) keeps nothing alive.
TEST(EditorWindowTest, ACloseOutsideEventsDeletesAtOnce) {
  TestDelegate delegate;
  delegate.OpenWindow(nullptr);
  const int destroyedBefore = FakeGraphics::destroyed;
  {
    const gfx::IGEditorDelegate::EditorEvent lockedOnly(delegate.EditorMutex());
    delegate.CloseWindow();
    EXPECT_EQ(FakeGraphics::destroyed, destroyedBefore + 1);
    EXPECT_FALSE(delegate.IsEditorDetaching());
  }
}

TEST(EditorStateTest, OpenGraphicsAreWrittenExactly) {
  TestDelegate delegate;
  delegate.OpenWindow(nullptr);
  delegate.GetUI()->Resize(600, 400, 1.5f, false);
  EXPECT_EQ(EditorState(delegate), kState600x400x1_5);
}

TEST(EditorStateTest, EightBytesFailButKeepWhatWasRead) {
  TestDelegate delegate;
  IByteChunk chunk;
  const int32_t width = 600, height = 400;
  chunk.Put(&width);
  chunk.Put(&height);
  EXPECT_EQ(delegate.UnserializeEditorState(chunk, 0), -1);
  EXPECT_EQ(EditorState(delegate), (std::vector<uint8_t>{0x58, 0x02, 0, 0, 0x90, 0x01, 0, 0, 0, 0, 0, 0}));
}

TEST(EditorStateTest, ReadsAtTheStartPosition) {
  TestDelegate delegate;
  IByteChunk chunk;
  const int32_t junk = -1;
  chunk.Put(&junk);
  chunk.PutChunk(StateChunk(600, 400, 1.5f));
  EXPECT_EQ(delegate.UnserializeEditorState(chunk, 4), 16);
  EXPECT_EQ(EditorState(delegate), kState600x400x1_5);
  EXPECT_EQ(delegate.UnserializeEditorState(chunk, -4), -1);
  EXPECT_EQ(EditorState(delegate), std::vector<uint8_t>(12, 0)) << "nothing read: all zero";
}

TEST(EditorStateTest, OpenGraphicsAreResizedByTheState) {
  TestDelegate delegate;
  delegate.OpenWindow(nullptr);
  EXPECT_EQ(delegate.UnserializeEditorState(StateChunk(600, 400, 1.5f), 0), 12);
  EXPECT_EQ(delegate.GetUI()->Width(), 600);
  EXPECT_EQ(delegate.GetUI()->GetDrawScale(), 1.5f);
}

TEST(EditorStateTest, DamagedValuesReadAsNoSavedSize) {
  TestDelegate delegate;
  EXPECT_EQ(delegate.UnserializeEditorState(StateChunk(-5, 400, std::numeric_limits<float>::quiet_NaN()), 0), 12);
  EXPECT_EQ(EditorState(delegate), (std::vector<uint8_t>{0, 0, 0, 0, 0x90, 0x01, 0, 0, 0, 0, 0, 0}));
  delegate.OpenWindow(nullptr);
  EXPECT_EQ(delegate.GetUI()->Width(), 300);
}

class RoutingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    delegate.OpenWindow(nullptr);
    gfx::IGraphics& g = *delegate.GetUI();
    background =
        static_cast<RecordingControl*>(g.AttachControl(new RecordingControl(gfx::IRECT(0, 0, 300, 200), {}), 1));
    pair = static_cast<RecordingControl*>(
        g.AttachControl(new RecordingControl(gfx::IRECT(100, 100, 200, 150), {2, 0}), 2));
    single = static_cast<RecordingControl*>(g.AttachControl(new RecordingControl(gfx::IRECT(0, 160, 50, 200), {0}), 3));
  }

  TestDelegate delegate;
  RecordingControl* background = nullptr;
  RecordingControl* pair = nullptr;
  RecordingControl* single = nullptr;
};

TEST_F(RoutingTest, ParameterValueReachesEveryBoundEntryNormalized) {
  delegate.SendParameterValueFromDelegate(0, 5.0, false);
  EXPECT_EQ(pair->values, (std::vector<std::pair<int, double>>{{1, 0.75}}));
  EXPECT_EQ(single->values, (std::vector<std::pair<int, double>>{{0, 0.75}}));
  EXPECT_TRUE(background->values.empty());
  delegate.SendParameterValueFromDelegate(0, 99.0, false);
  EXPECT_EQ(single->values.back().second, 1.0);
  delegate.SendParameterValueFromDelegate(2, 0.25, true);
  EXPECT_EQ(pair->values.back(), (std::pair<int, double>{0, 0.25}));
  EXPECT_EQ(delegate.changesUI, (std::vector<std::pair<int, int>>{{0, kDelegate}, {0, kDelegate}, {2, kDelegate}}));
}

TEST_F(RoutingTest, InvalidParameterIndexIsIgnored) {
  delegate.SendParameterValueFromDelegate(7, 1.0, true);
  delegate.SendParameterValueFromDelegate(-1, 1.0, true);
  EXPECT_TRUE(delegate.changesUI.empty());
}

TEST(ParameterRoutingClosedTest, ChangeIsReportedWhileClosed) {
  TestDelegate delegate;
  delegate.SendParameterValueFromDelegate(1, 3.0, false);
  EXPECT_EQ(delegate.changesUI, (std::vector<std::pair<int, int>>{{1, kDelegate}}));
}

TEST_F(RoutingTest, ValuesAndMessagesByTag) {
  delegate.SendControlValueFromDelegate(2, 0.3);
  delegate.SendControlValueFromDelegate(42, 0.3);
  EXPECT_EQ(pair->values, (std::vector<std::pair<int, double>>{{0, 0.3}}));
  const int payload = 5;
  delegate.SendControlMsgFromDelegate(3, 0, sizeof(payload), &payload);
  delegate.SendControlMsgFromDelegate(42, 0, 0, nullptr);
  EXPECT_EQ(single->messages, (std::vector<std::pair<int, int>>{{0, 4}}));
  EXPECT_TRUE(pair->messages.empty());
}

TEST_F(RoutingTest, MidiGoesToControlsThatWantItThenToTheDelegate) {
  pair->SetWantsMidi(true);
  delegate.SendMidiMsgFromDelegate(IMidiMsg(0, 0x90, 60, 100));
  EXPECT_EQ(pair->midi.size(), 1u);
  EXPECT_TRUE(single->midi.empty());
  EXPECT_EQ(delegate.midiUI.size(), 1u);
}

TEST_F(RoutingTest, KeysGoToTheControlUnderThePointer) {
  delegate.graphics->mouseX = 150.f;
  delegate.graphics->mouseY = 120.f;
  EXPECT_TRUE(delegate.OnKeyDown(IKeyPress("a", 65)));
  EXPECT_FALSE(delegate.OnKeyUp(IKeyPress("a", 65)));
  ASSERT_EQ(pair->keys.size(), 2u);
  EXPECT_EQ(pair->keys[0].x, 150.f);
  EXPECT_EQ(pair->keys[0].y, 120.f);
  EXPECT_EQ(pair->keys[1].vk, -65);
}

TEST(KeyRoutingClosedTest, KeysWithoutGraphicsAreNotUsed) {
  TestDelegate delegate;
  EXPECT_FALSE(delegate.OnKeyDown(IKeyPress("a", 65)));
  EXPECT_FALSE(delegate.OnKeyUp(IKeyPress("a", 65)));
}

TEST(ParentResizeTest, HostWindowSizeIsDividedByTheWindowScale) {
  TestDelegate delegate;
  delegate.OpenWindow(nullptr);
  delegate.graphics->windowScale = 2.f;
  delegate.OnParentWindowResize(1201, 801);
  EXPECT_EQ(delegate.GetUI()->Width(), 600);
  EXPECT_EQ(delegate.GetUI()->Height(), 400);
  delegate.graphics->windowScale = 0.f;
  delegate.OnParentWindowResize(500, 300);
  EXPECT_EQ(delegate.GetUI()->Width(), 500);
  EXPECT_EQ(delegate.GetUI()->Height(), 300);
}

TEST(ScreenScaleTest, ForwardedToOpenGraphics) {
  TestDelegate delegate;
  delegate.SetScreenScale(2.f);
  delegate.OpenWindow(nullptr);
  delegate.SetScreenScale(2.f);
  EXPECT_EQ(delegate.GetUI()->GetScreenScale(), 2.f);
}

}  // namespace
}  // namespace fx

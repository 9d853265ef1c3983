// The modulation views: history length from the plot width, records that shift or clear the history,
// messages that must change nothing, the plotted line and fill, and which records redraw the view.
#include <array>
#include <cstddef>
#include <cstring>
#include <limits>

#include "editor/IVModViewControlLW.h"
#include "tests/editor/EditorFixture.h"

namespace fx::gfx::test {
namespace {

using ModView = IVModViewControlLW<1, 1>;

ISenderData<1> Record(float value, bool reset = false) {
  ISenderData<1> r;
  r.ctrlTag = 4;
  r.vals[0] = value;
  r.reset = reset;
  return r;
}

class ModViewTest : public EditorFixture {
 protected:
  // 150 x 80 with an inset of 4: a plot 142 points wide.
  ModView* view = Add(new ModView({20, 300, 170, 380}, "STEREO GAIN", BareStyle(), true, false), 4);

  void Send(const ISenderData<1>& r, int tag = 0, int size = 36) { view->OnMsgFromDelegate(tag, size, &r); }
};

TEST_F(ModViewTest, HistoryHasOneValuePerWholePointOfThePlot) {
  EXPECT_EQ(view->GetHistory().size(), 142u);
  Send(Record(0.5f));
  view->SetTargetAndDrawRECTs(IRECT(20, 300, 168.6f, 380));  // plot 140.6 wide
  view->OnResize();
  EXPECT_EQ(view->GetHistory().size(), 140u);
  EXPECT_EQ(view->GetHistory().back(), 0.f);  // a new width starts an empty plot
  Send(Record(0.5f));
  view->SetTargetAndDrawRECTs(IRECT(20, 300, 168.9f, 380));  // still 140 whole points
  view->OnResize();
  EXPECT_EQ(view->GetHistory().back(), 0.5f);
  auto* onTop = Add(new ModView({0, 0, 100, 100}, "X", BareStyle(), false, true));
  EXPECT_EQ(onTop->GetPlotBounds(), IRECT(4, 4 + 2 * 19, 96, 96));
  auto* empty = Add(new ModView({0, 0, 8, 100}, "X", BareStyle(), false, false));
  EXPECT_TRUE(empty->GetHistory().empty());
  const ISenderData<1> one = Record(1.f);
  empty->OnMsgFromDelegate(0, 36, &one);
  EXPECT_TRUE(empty->GetHistory().empty());
}

TEST_F(ModViewTest, RecordsShiftTheHistoryAndResetClearsIt) {
  Send(Record(0.25f));
  Send(Record(0.5f));
  const std::vector<float>& h = view->GetHistory();
  EXPECT_EQ(h[139], 0.f);
  EXPECT_EQ(h[140], 0.25f);
  EXPECT_EQ(h[141], 0.5f);
  EXPECT_EQ(view->GetLastRecord().ctrlTag, 4);
  Send(Record(0.75f, true));
  EXPECT_EQ(std::count(h.begin(), h.end(), 0.f), 142);
}

// A plot wider than 65,536 points (past any screen), infinite or no number keeps at most 65,536 values: none for no
// number.
TEST_F(ModViewTest, HistoryOfAPlotPastAnyScreenIsBounded) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float right;
    std::size_t size;
  } rows[] = {{1e10f, 65536u}, {std::numeric_limits<float>::max(), 65536u}, {inf, 65536u}, {nan, 0u}};
  for (const auto& row : rows) {
    view->SetTargetAndDrawRECTs(IRECT(20, 300, row.right, 380));
    view->OnResize();
    EXPECT_EQ(view->GetHistory().size(), row.size) << row.right;
  }
}

struct IgnoredCase {
  const char* name;
  int tag;
  int size;
  bool disabled;
};

// clang-format off
const IgnoredCase kIgnored[] = {
  {"OtherTag", 1, 36, false},
  {"DisabledView", 0, 36, true},
  {"ShorterThanARecordToADisabledView", 0, 20, true},
};
// clang-format on

class Ignored : public ModViewTest, public ::testing::WithParamInterface<IgnoredCase> {};

// The view has taken 0.5 once; an ignored message neither shifts it again nor replaces the last record.
TEST_P(Ignored, MessageChangesNothing) {
  const IgnoredCase& c = GetParam();
  Send(Record(0.5f));
  view->SetDisabled(c.disabled);
  Send(Record(0.9f), c.tag, c.size);
  EXPECT_EQ(view->GetHistory()[140], 0.f);
  EXPECT_EQ(view->GetHistory()[141], 0.5f);
  EXPECT_EQ(view->GetLastRecord().vals[0], 0.5f);
}

INSTANTIATE_TEST_SUITE_P(ModView, Ignored, ::testing::ValuesIn(kIgnored),
                         [](const auto& info) { return std::string(info.param.name); });

// A message shorter than a record (36 bytes) keeps the last record and is taken as that record again: the
// history shifts by its value, or is cleared when it carries the reset flag.
TEST_F(ModViewTest, ShortMessagesRepeatTheLastRecord) {
  const struct {
    int size;
    bool lastReset;
  } rows[] = {{20, false}, {35, false}, {0, false}, {20, true}};
  for (const auto& row : rows) {
    const std::vector<float>& h = view->GetHistory();
    Send(Record(0.f, true));
    Send(Record(0.25f));
    Send(Record(0.5f, row.lastReset));
    Send(Record(0.9f), 0, row.size);
    EXPECT_EQ(view->GetLastRecord().vals[0], 0.5f) << row.size;
    if (row.lastReset) {
      EXPECT_EQ(std::count(h.begin(), h.end(), 0.f), 142) << row.size;
    } else {
      EXPECT_EQ(h[139], 0.25f) << row.size;
      EXPECT_EQ(h[140], 0.5f) << row.size;
      EXPECT_EQ(h[141], 0.5f) << row.size;
    }
  }
  Send(Record(0.5f));
  view->OnMsgFromDelegate(0, 0, nullptr);  // no data at all: as short as can be
  EXPECT_EQ(view->GetHistory()[140], 0.5f);
  EXPECT_EQ(view->GetHistory()[141], 0.5f);
}

// A message's reset byte, as it comes: 0 shifts the history, any other value clears it (and the last record
// holds the flag set).
TEST_F(ModViewTest, AnyNonzeroResetByteClearsTheHistory) {
  for (const unsigned char byte : {0, 1, 2, 255}) {
    Send(Record(0.25f));
    std::array<unsigned char, 36> message{};
    const ISenderData<1> record = Record(0.5f);
    std::memcpy(message.data(), &record, sizeof(record));
    message[offsetof(ISenderData<1>, reset)] = byte;
    view->OnMsgFromDelegate(0, 36, message.data());
    const std::vector<float>& h = view->GetHistory();
    EXPECT_EQ(view->GetLastRecord().reset, byte != 0) << int{byte};
    EXPECT_EQ(h[141], byte != 0 ? 0.f : 0.5f) << int{byte};
    EXPECT_EQ(h[140], byte != 0 ? 0.f : 0.25f) << int{byte};
  }
}

// Plot 24..166 x 304..376; inner rect (half the 2-point line inside) 25..165 x 305..375, dx = 140 / 142.
TEST_F(ModViewTest, PlotsALineOverAGradientFill) {
  view->DrawWidget(g);
  EXPECT_TRUE(Shapes().empty());  // plot not enabled yet
  view->SetPlotEnabled(true);
  view->SetFill(true);
  view->SetLineColor(IColor(255, 32, 226, 224));
  view->SetFillColor(IColor(255, 32, 226, 224));
  Send(Record(0.5f));
  g.log.clear();
  view->DrawWidget(g);
  const std::vector<Shape> shapes = Shapes();
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0].paint, "PathFill 25,32,226,224 weight1");
  ASSERT_EQ(shapes[0].xs.size(), 144u);
  EXPECT_NEAR(shapes[0].xs[141], 25.f + 141.f * 140.f / 142.f, 1e-3);
  EXPECT_NEAR(shapes[0].ys[141], 340.f, 1e-3);
  EXPECT_EQ(shapes[0].ys[0], 375.f);
  EXPECT_EQ(shapes[0].xs[142], 165.f);
  EXPECT_EQ(shapes[0].ys[143], 376.f);
  EXPECT_EQ(shapes[1].paint, "PathStroke 255,32,226,224 t2");
  EXPECT_EQ(shapes[1].xs.size(), 142u);
}

// The plot's inner rect is 70 points high: at scale 1 a value of 1 / 70 is one device pixel.
constexpr float kPixel = 1.f / 70.f;
constexpr float kReset = -1.f;  // stands for a record with the reset flag

std::vector<float> Repeat(const std::vector<float>& pattern, int times) {
  std::vector<float> out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), pattern.begin(), pattern.end());
  return out;
}

std::vector<float> Then(std::vector<float> first, const std::vector<float>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

struct DirtyCase {
  const char* name;
  float settled;           // every history entry holds it before the records below
  std::vector<float> run;  // the records' values (kReset: a reset record)
  float scale;             // the editor's screen scale
  bool hidden;
  int dirty;  // records of the run after which the view is dirty
};

// A step of one record scrolls through all 142 points of the plot and out: 143 records move the picture.
// clang-format off
const DirtyCase kDirty[] = {
  {"SteadyValue", 0.5f, Repeat({0.5f}, 500), 1.f, false, 0},
  {"SteadyValueAtDoubleScale", 0.5f, Repeat({0.5f}, 500), 2.f, false, 0},
  // A third of a pixel shades the line's edge differently.
  {"WobbleWithinAPixel", 0.5f, Repeat({0.5f + 0.3f * kPixel, 0.5f}, 250), 1.f, false, 500},
  {"OneStepScrollsThroughAndOut", 0.5f, Then({0.6f}, Repeat({0.5f}, 300)), 1.f, false, 143},
  {"ARiseOfAPixel", 0.5f, Then({0.5f + 1.2f * kPixel}, Repeat({0.5f + 1.2f * kPixel}, 300)), 1.f, false, 142},
  {"ResetOfAPlotAtTheBottom", 0.f, {kReset}, 1.f, false, 0},
  {"ResetOfARaisedPlot", 0.5f, {kReset, 0.f, 0.f}, 1.f, false, 1},
  {"HiddenView", 0.5f, {0.6f, 0.7f, kReset}, 1.f, true, 0},
};
// clang-format on

class ModViewRedraws : public ModViewTest, public ::testing::WithParamInterface<DirtyCase> {};

TEST_P(ModViewRedraws, OnlyRecordsThatMoveThePlotRedrawIt) {
  const DirtyCase& c = GetParam();
  g.SetScreenScale(c.scale);
  view->SetPlotEnabled(true);
  for (int i = 0; i < 200; ++i) Send(Record(c.settled));
  view->Hide(c.hidden);
  view->SetClean();
  int dirty = 0;
  for (float value : c.run) {
    Send(value == kReset ? Record(0.f, true) : Record(value));
    dirty += view->IsDirty() ? 1 : 0;
    view->SetClean();
  }
  EXPECT_EQ(dirty, c.dirty);
}

INSTANTIATE_TEST_SUITE_P(ModView, ModViewRedraws, ::testing::ValuesIn(kDirty),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModViewTest, FewerThanTwoValuesPlotNothing) {
  auto* narrow = Add(new ModView({0, 0, 9.5f, 100}, "X", BareStyle(), false, false));
  ASSERT_EQ(narrow->GetHistory().size(), 1u);
  narrow->SetPlotEnabled(true);
  g.log.clear();
  narrow->DrawWidget(g);
  EXPECT_TRUE(Shapes().empty());
}

}  // namespace
}  // namespace fx::gfx::test

#include "tests/graphics/GraphicsFixture.h"

#include <algorithm>
#include <functional>

#include "graphics/IControlActions.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/IPanelControl.h"

namespace fx::gfx::test {
namespace {

double gNowMs = 0.0;
double FakeClock() {
  return gNowMs;
}

class DrawLoop : public GraphicsFixture {
 protected:
  void SetUp() override { SetGraphicsClock(FakeClock); }
  void TearDown() override { SetGraphicsClock(nullptr); }

  // One frame as the platform view runs it.
  bool Frame(IRECTList& rects) {
    const bool dirty = g.IsDirty(rects);
    if (dirty) {
      g.SetAllControlsClean();
      g.Draw(rects);
    }
    return dirty;
  }
};

TEST_F(DrawLoop, NothingDirtyLeavesTheListAlone) {
  Attach("a", IRECT(5, 5, 15, 15))->SetClean();
  IRECTList rects;
  EXPECT_FALSE(g.IsDirty(rects));
  EXPECT_EQ(rects.Size(), 0);
  g.Draw(rects);
  EXPECT_EQ(g.Count("BeginFrame"), 0);
}

TEST_F(DrawLoop, DirtyRectanglesArePadded) {
  Attach("a", IRECT(5, 5, 15, 15));
  IRECTList rects;
  EXPECT_TRUE(g.IsDirty(rects));
  ASSERT_EQ(rects.Size(), 1);
  EXPECT_EQ(rects.Get(0), IRECT(4.25f, 4.25f, 15.75f, 15.75f));
  EXPECT_TRUE(g.GetControl(0)->IsDirty());  // stays dirty until the caller cleans
}

TEST_F(DrawLoop, ChildRectangleIsMovedIntoItsParent) {
  TestControl* parent = Attach("p", IRECT(10, 10, 50, 50));
  TestControl* child = Attach("c", IRECT(0, 20, 20, 30));
  child->SetParent(parent);
  parent->SetClean();
  IRECTList rects;
  g.IsDirty(rects);
  ASSERT_EQ(rects.Size(), 1);
  // Padded (-0.75, 19.25, 20.75, 30.75) moves right to the parent's padded left edge 9.25.
  EXPECT_EQ(rects.Get(0), IRECT(9.25f, 19.25f, 30.75f, 30.75f));
}

TEST_F(DrawLoop, OneFrameCallSequence) {
  Attach("a", IRECT(5, 5, 15, 15));
  g.SetScreenScale(2.f);
  g.log.clear();
  journal.clear();
  IRECTList rects;
  ASSERT_TRUE(Frame(rects));
  const std::vector<std::string> expected = {
      "BeginFrame", "PathTransformSetMatrix 1,0,0,1,0,0", "PathClear", "SetClipRegion 4,4,16,16", "OnControlDrawn 0",
      "EndFrame",
  };
  EXPECT_EQ(g.log, expected);
  EXPECT_EQ(journal, std::vector<std::string>{"a:Draw"});
  EXPECT_EQ(g.GetClipRECT(), IRECT(4, 4, 16, 16));
  // Clean after the frame: the next one draws nothing.
  IRECTList next;
  EXPECT_FALSE(Frame(next));
}

TEST_F(DrawLoop, OverlappingControlsDrawOncePerRegionInListOrder) {
  Attach("back", IRECT(0, 0, 100, 100));
  Attach("front", IRECT(10, 10, 20, 20));
  journal.clear();
  IRECTList rects;
  Frame(rects);
  // The front rectangle lies inside the back one: one region, both drawn, back first.
  EXPECT_EQ(journal, (std::vector<std::string>{"back:Draw", "front:Draw"}));
  EXPECT_EQ(g.Count("BeginFrame"), 1);
}

TEST_F(DrawLoop, HiddenBackgroundStillDrawsOtherHiddenControlsDoNot) {
  Attach("bg", IRECT(0, 0, 100, 100))->Hide(true);
  Attach("x", IRECT(10, 10, 20, 20))->Hide(true);
  journal.clear();
  IRECTList rects;
  Frame(rects);
  EXPECT_EQ(journal, std::vector<std::string>{"bg:Draw"});
}

TEST_F(DrawLoop, ClipOutsideTheControlDrawsNothing) {
  Attach("a", IRECT(0, 0, 10, 10))->SetClean();
  Attach("b", IRECT(200, 200, 210, 210));
  journal.clear();
  IRECTList rects;
  Frame(rects);
  EXPECT_EQ(journal, std::vector<std::string>{"b:Draw"});
}

TEST_F(DrawLoop, StrictDrawingDrawsTheUnionOnce) {
  g.SetStrictDrawing(true);
  Attach("a", IRECT(0, 0, 10, 10));
  Attach("b", IRECT(200, 200, 210, 210));
  g.log.clear();
  IRECTList rects;
  Frame(rects);
  EXPECT_EQ(g.Entries("SetClipRegion"),
            (std::vector<std::string>{"SetClipRegion -1,-1,11,11", "SetClipRegion 199,199,211,211"}));
  EXPECT_EQ(g.Count("BeginFrame"), 1);
}

// A control is drawn in the region of (10, 10, 20, 20) padded by 0.75 to whole pixels: (9, 9, 21, 21) at scale 1,
// the padded rectangle itself at scale 4. Panels attached after it hide it only where their opaque paint covers
// every pixel of that region.
TEST_F(DrawLoop, ControlsHiddenByOpaquePanelsInFrontAreLeftOut) {
  const IColor opaque(255, 10, 20, 30), translucent(254, 10, 20, 30);
  IPattern gradient(kLinearPattern);
  gradient.AddStop(opaque, 0.f);
  gradient.AddStop(IColor(255, 200, 100, 0), 1.f);
  IPattern singular = gradient;
  singular.mTransform = IMatrix(0, 0, 0, 0, 0, 0);
  struct Panel {
    IRECT r;
    IPattern pattern;
    bool behind = false;  // attached before the control
    bool hidden = false;
    bool disabled = false;
  };
  struct Row {
    const char* name;
    float scale;
    std::vector<Panel> panels;
    bool drawn;
  } rows[] = {
      {"one opaque panel over the region", 1.f, {{IRECT(0, 0, 30, 30), opaque}}, false},
      {"two panels that together cover it",
       1.f,
       {{IRECT(0, 0, 30, 15), opaque}, {IRECT(0, 15, 30, 30), gradient}},
       false},
      {"edge exactly on the region's last pixel", 1.f, {{IRECT(9, 9, 21, 21), opaque}}, false},
      {"edge half a pixel short", 1.f, {{IRECT(9, 9, 20.5f, 21), opaque}}, true},
      {"the padded rectangle at scale 1", 1.f, {{IRECT(9.25f, 9.25f, 20.75f, 20.75f), opaque}}, true},
      {"the padded rectangle at scale 4, in whole pixels", 4.f, {{IRECT(9.25f, 9.25f, 20.75f, 20.75f), opaque}}, false},
      {"a gap between two panels", 1.f, {{IRECT(0, 0, 30, 14), opaque}, {IRECT(0, 15, 30, 30), opaque}}, true},
      {"translucent", 1.f, {{IRECT(0, 0, 30, 30), translucent}}, true},
      {"singular gradient paints nothing", 1.f, {{IRECT(0, 0, 30, 30), singular}}, true},
      {"panel behind the control", 1.f, {{IRECT(0, 0, 30, 30), opaque, true}}, true},
      {"hidden panel", 1.f, {{IRECT(0, 0, 30, 30), opaque, false, true}}, true},
      {"disabled panel is dimmed", 1.f, {{IRECT(0, 0, 30, 30), opaque, false, false, true}}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    g.RemoveAllControls();
    g.SetScreenScale(row.scale);
    for (const Panel& p : row.panels)
      if (p.behind) g.AttachControl(new IPanelControl(p.r, p.pattern));
    Attach("x", IRECT(10, 10, 20, 20));
    for (const Panel& p : row.panels) {
      if (p.behind) continue;
      IControl* panel = g.AttachControl(new IPanelControl(p.r, p.pattern));
      panel->Hide(p.hidden);
      panel->SetDisabled(p.disabled);
    }
    journal.clear();
    IRECTList rects;
    Frame(rects);
    EXPECT_EQ(journal, row.drawn ? std::vector<std::string>{"x:Draw"} : std::vector<std::string>{});
  }
}

// An opaque panel that opaque panels in front cover in part is drawn once in each piece they leave (neighbouring
// pieces merged), when there are at most eight: its fill then reaches only those. The background fills the
// 400 x 300 window; its region is the window.
TEST_F(DrawLoop, PartlyCoveredPanelsAreDrawnInTheirVisiblePieces) {
  const IPattern opaque(IColor(255, 10, 20, 30));
  struct Row {
    const char* name;
    std::vector<IRECT> front;
    std::vector<std::string> backgroundClips;
  } rows[] = {
      {"one panel in the middle",
       {IRECT(100, 100, 200, 200)},
       {"SetClipRegion 0,0,100,300", "SetClipRegion 100,0,200,100", "SetClipRegion 100,200,200,300",
        "SetClipRegion 200,0,400,300"}},
      {"a row of panels leaves a band above and below",
       {IRECT(0, 100, 200, 200), IRECT(200, 100, 400, 200)},
       {"SetClipRegion 0,0,400,100", "SetClipRegion 0,200,400,300"}},
      {"scattered panels leave too many pieces",
       {IRECT(20, 20, 40, 40), IRECT(120, 20, 140, 40), IRECT(20, 120, 40, 140), IRECT(120, 120, 140, 140),
        IRECT(220, 220, 240, 240)},
       {"SetClipRegion -1,-1,401,301"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    g.RemoveAllControls();
    IControl* background = g.AttachControl(new IPanelControl(IRECT(0, 0, 400, 300), opaque));
    for (const IRECT& r : row.front) g.AttachControl(new IPanelControl(r, opaque));
    for (int i = 0; i < g.NControls(); ++i) g.GetControl(i)->SetClean();
    background->SetDirty(false);
    g.log.clear();
    IRECTList rects;
    Frame(rects);
    std::vector<std::string> clips;
    for (const std::string& e : g.log) {
      if (e.rfind("SetClipRegion", 0) == 0) clips.push_back(e);
      if (e.rfind("OnControlDrawn ", 0) == 0 && e != "OnControlDrawn 0") clips.pop_back();
    }
    std::sort(clips.begin(), clips.end());
    EXPECT_EQ(clips, row.backgroundClips);
  }
}

TEST_F(DrawLoop, RunningAnimationKeepsItsControlDirtyUntilItEnds) {
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10));
  gNowMs = 1000.0;
  DefaultClickActionFunc(a);
  a->Hide(true);  // hidden controls animate too
  IRECTList rects;
  for (double t : {1000.0, 1050.0, 1100.0}) {
    gNowMs = t;
    rects.Clear();
    EXPECT_TRUE(Frame(rects)) << t;
  }
  gNowMs = 1100.5;
  rects.Clear();
  EXPECT_TRUE(Frame(rects));  // this frame ends the animation and marks the control dirty once more
  EXPECT_FALSE(a->GetAnimationFunction());
  rects.Clear();
  EXPECT_FALSE(Frame(rects));
}

TEST_F(DrawLoop, DisplayTickRunsBeforeCollection) {
  TestControl* a = Attach("a", IRECT(0, 0, 10, 10));
  a->SetClean();
  g.SetDisplayTickFunc([&] { a->SetDirty(false); });
  IRECTList rects;
  EXPECT_TRUE(g.IsDirty(rects));
}

// The display keeps the ring: 100 samples at 0 and the newest at index 0 as it is made, each frame one step on.
TEST_F(DrawLoop, FrameTimeRingWrapsAfterOneHundredFrames) {
  Attach("a", IRECT(0, 0, 10, 10));
  auto* display = new IFPSDisplayControl(IRECT(10, 10, 210, 60));
  EXPECT_EQ(display->GetSampleIdx(), 0);
  for (int i = 0; i < IFPSDisplayControl::kNumSamples; ++i) EXPECT_EQ(display->GetSample(i), 0.f) << i;
  g.SetPerfDisplay(display);
  for (int i = 0; i < 101; ++i) {
    gNowMs += 20.0;
    IRECTList rects;
    g.GetControl(0)->SetDirty(false);
    Frame(rects);
  }
  EXPECT_EQ(display->GetSampleIdx(), 101 % 100);
  EXPECT_FLOAT_EQ(display->GetSample(1), 0.02f);
  EXPECT_FLOAT_EQ(display->GetSample(2), 0.02f);
}

// A display made again starts as a new one: no sample, and its first frame, having none before it, times 0 however
// long ago the last frame was timed (by the old display, or by another editor of the process).
TEST_F(DrawLoop, FrameTimeDisplayMadeAgainStartsWithNoFrameTimed) {
  FakeDelegate otherDlg;
  RecordingGraphics other(otherDlg, 400, 300);
  const struct {
    const char* name;
    RecordingGraphics& graphics;
    std::function<void(IGraphics&)> makeAgain;
  } rows[] = {
      {"off, then on", g,
       [](IGraphics& gr) {
         gr.ShowFPSDisplay(false);
         gr.ShowFPSDisplay(true);
       }},
      {"replaced", g, [](IGraphics& gr) { gr.SetPerfDisplay(new IFPSDisplayControl(IRECT(10, 10, 210, 60))); }},
      {"another editor's first", other, [](IGraphics& gr) { gr.ShowFPSDisplay(true); }},
  };
  g.ShowFPSDisplay(true);
  const auto frame = [](IGraphics& gr, double ms) {
    gNowMs += ms;
    IRECTList rects;
    rects.Add(gr.GetBounds());
    gr.Draw(rects);
  };
  for (int i = 0; i < 3; ++i) frame(g, 20.0);
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    gNowMs += 5000.0;  // the display is off, or the other editor is closed, for 5 s
    row.makeAgain(row.graphics);
    const IFPSDisplayControl* display = row.graphics.GetPerfDisplay();
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(display->GetSampleIdx(), 0);
    int timed = 0;
    for (int i = 0; i < IFPSDisplayControl::kNumSamples; ++i) timed += display->GetSample(i) != 0.f;
    EXPECT_EQ(timed, 0);
    frame(row.graphics, 20.0);
    EXPECT_EQ(display->GetSampleIdx(), 1);
    EXPECT_EQ(display->GetSample(1), 0.f);
    frame(row.graphics, 16.0);
    EXPECT_FLOAT_EQ(display->GetSample(2), 0.016f);
  }
}

// A control whose Draw runs an action, once.
class Acting : public TestControl {
 public:
  using TestControl::TestControl;
  std::function<void()> onDraw;
  void Draw(IGraphics& g) override {
    TestControl::Draw(g);
    if (std::function<void()> act = std::move(onDraw)) {
      onDraw = nullptr;
      act();
    }
  }
};

// A Draw may remove controls the frame has still to draw: they are not drawn (nor touched once gone).
TEST_F(DrawLoop, ADrawMayRemoveControlsTheFrameHasStillToDraw) {
  struct Row {
    const char* removed;
    std::function<void(TestControl* later)> remove;
  } rows[] = {
      {"a later control", [&](TestControl* later) { g.RemoveControl(later); }},
      {"a later control by its tag", [&](TestControl*) { g.RemoveControlWithTag(7); }},
      {"the frame-time display", [&](TestControl*) { g.ShowFPSDisplay(false); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.removed);
    g.RemoveAllControls();
    auto* acting = static_cast<Acting*>(g.AttachControl(new Acting(journal, "acting", IRECT(0, 0, 20, 20))));
    TestControl* later = Attach("later", IRECT(10, 10, 50, 50), -1, 7);
    g.ShowFPSDisplay(true);
    acting->onDraw = [&] { row.remove(later); };
    journal.clear();
    IRECTList rects;
    rects.Add(g.GetBounds());  // one region: the controls are drawn in list order, each once
    g.Draw(rects);
    const bool laterGone = g.NControls() == 1;
    EXPECT_EQ(journal.front(), "acting:Draw");
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "later:Draw"), laterGone ? 0 : 1);
    EXPECT_EQ(g.GetPerfDisplay() == nullptr, !laterGone);
    // The next frame draws what is left.
    journal.clear();
    rects.Clear();
    ASSERT_TRUE(Frame(rects));
    EXPECT_GT(std::count(journal.begin(), journal.end(), "acting:Draw"), 0);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), "later:Draw") > 0, !laterGone);
  }
}

// A renderer that reads the control it is told was drawn, as a renderer may.
class ReadingGraphics : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  std::vector<std::string> drawn;
  void OnControlDrawn(IControl& control) override {
    drawn.push_back(Rect(control.GetRECT()));
    RecordingGraphics::OnControlDrawn(control);
  }
};

// A control that tells when it is deleted.
struct Mortal : Acting {
  Mortal(std::vector<std::string>& journal, bool& deleted) : Acting(journal, "m", IRECT(0, 0, 20, 20)), gone(deleted) {}
  ~Mortal() override { gone = true; }
  bool& gone;
};

// A Draw may remove its own control, alone or with all the others, from the list or a special place: the control
// stays whole until the renderer has been told it is drawn, and goes right after; nothing reaches it then.
TEST_F(DrawLoop, ADrawMayRemoveItsOwnControl) {
  ReadingGraphics rg(dlg, 400, 300);
  struct Row {
    const char* how;
    std::function<void(Mortal*)> attach;
    std::function<void(Mortal*)> remove;
  } rows[] = {
      {"by pointer", [&](Mortal* m) { rg.AttachControl(m); }, [&](Mortal* m) { rg.RemoveControl(m); }},
      {"by its tag", [&](Mortal* m) { rg.AttachControl(m, 3); }, [&](Mortal*) { rg.RemoveControlWithTag(3); }},
      {"with every control", [&](Mortal* m) { rg.AttachControl(m); }, [&](Mortal*) { rg.RemoveAllControls(); }},
      {"as the tooltip control", [&](Mortal* m) { rg.SetToolTipControl(m); },
       [&](Mortal*) { rg.SetToolTipControl(nullptr); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.how);
    rg.RemoveAllControls();
    rg.AttachControl(new TestControl(journal, "under", IRECT(0, 0, 40, 40)));
    bool deleted = false;
    auto* mortal = new Mortal(journal, deleted);
    row.attach(mortal);
    bool deletedWhenDrawn = true;
    mortal->onDraw = [&] {
      row.remove(mortal);
      deletedWhenDrawn = deleted;
    };
    rg.drawn.clear();
    IRECTList rects;
    rects.Add(IRECT(0, 0, 40, 40));
    rg.Draw(rects);
    EXPECT_FALSE(deletedWhenDrawn);
    EXPECT_TRUE(deleted);
    EXPECT_EQ(rg.drawn.back(), Rect(IRECT(0, 0, 20, 20)));
    EXPECT_EQ(rg.GetToolTipControl(), nullptr);
    EXPECT_EQ(rg.GetControlIdx(mortal), -1);
  }
}

// A Draw may attach controls and draw the region again: the inner draw has a list of its own, and the outer one
// goes on with the controls it had, each once.
TEST_F(DrawLoop, ADrawMayAttachControlsAndDrawTheRegionAgain) {
  auto* acting = static_cast<Acting*>(g.AttachControl(new Acting(journal, "acting", IRECT(0, 0, 20, 20))));
  Attach("after", IRECT(0, 0, 20, 20));
  constexpr int kAdded = 40;
  acting->onDraw = [&] {
    for (int i = 0; i < kAdded; ++i) Attach("added", IRECT(0, 0, 20, 20));
    g.Draw(IRECT(0, 0, 20, 20), 1.f);
  };
  journal.clear();
  IRECTList rects;
  rects.Add(IRECT(0, 0, 20, 20));
  g.Draw(rects);
  // Outer: acting (inner: acting, after, the added ones), then after.
  std::vector<std::string> expected{"acting:Draw", "acting:Draw", "after:Draw"};
  expected.insert(expected.end(), kAdded, "added:Draw");
  expected.push_back("after:Draw");
  std::vector<std::string> draws;
  std::copy_if(journal.begin(), journal.end(), std::back_inserter(draws),
               [](const std::string& e) { return e.find(":Draw") != std::string::npos; });
  EXPECT_EQ(draws, expected);
}

// A Draw that removes its own control and then draws another through DrawControl: the removed control stays whole
// until the outermost draw has returned, not just the inner one, and goes then.
TEST_F(DrawLoop, AControlRemovedInItsDrawOutlivesTheDrawsItMakes) {
  Attach("other", IRECT(40, 40, 60, 60));
  bool deleted = false;
  auto* mortal = new Mortal(journal, deleted);
  g.AttachControl(mortal);
  bool deletedInItsDraw = true;
  IRECT rectAfterInnerDraw;
  mortal->onDraw = [&] {
    g.RemoveControl(mortal);
    g.DrawControl(g.GetControl(0), g.GetBounds(), 1.f);
    deletedInItsDraw = deleted;
    rectAfterInnerDraw = mortal->GetRECT();
  };
  journal.clear();
  IRECTList rects;
  rects.Add(IRECT(0, 0, 20, 20));
  g.Draw(rects);
  EXPECT_FALSE(deletedInItsDraw);
  EXPECT_EQ(rectAfterInnerDraw, IRECT(0, 0, 20, 20));
  EXPECT_TRUE(deleted);
  EXPECT_EQ(journal, (std::vector<std::string>{"m:Draw", "other:Draw"}));
}

TEST_F(DrawLoop, HighlightDotIsAFilledCircle) {
  TestControl* a = Attach("a", IRECT(0, 0, 40, 40));
  a->SetHighlight(true, IControl::kHighlightBlue);
  g.log.clear();
  a->DrawHighlight(g);
  EXPECT_EQ(g.log, (std::vector<std::string>{"PathClear", "PathMoveTo 35,3", "PathArc 35,5 r2 0..360 w0", "PathClose",
                                             "PathFill 255,0,0,255"}));
  a->SetHighlight(true, 7);
  EXPECT_EQ(a->GetHighlightColor(), IColor(255, 0, 0, 255));
}

}  // namespace
}  // namespace fx::gfx::test

// The small editor controls: what the corner resizer's drag and double click change and send in each of
// its command modes, where it sits after a resize, the panels' frames and the logo's click area.
#include <climits>

#include "editor/EditorPlainControls.h"
#include "editor/IBUpdateControlLW.h"
#include "editor/ISBCornerResizerControlLW.h"
#include "editor/IVMeterControlLW.h"
#include "graphics/IGraphics.h"
#include "tests/editor/EditorFixture.h"

namespace fx::gfx::test {
namespace {

struct ResizerCase {
  const char* name;
  int msgs[4];  // size rescale, size double click, scale rescale, scale double click
  bool swap;
  bool control;
  ISBCornerResizerControlLW::ECommandMode mode;
  EUIResizerMode dragMode;  // kUIResizerSize stays when the mode sets nothing (attached in size mode)
  const char* dblClickSends;
};

// clang-format off
const ResizerCase kResizers[] = {
  {"EditorScalesOnly", {-1, -1, 33, 34}, false, false, ISBCornerResizerControlLW::kCommandsScale, kUIResizerScale, "34 3 -1"},
  {"ScaleEvenWithControl", {-1, -1, 33, 34}, false, true, ISBCornerResizerControlLW::kCommandsScale, kUIResizerScale, "34 3 -1"},
  {"ScalePairSwappedResizes", {-1, -1, 33, 34}, true, false, ISBCornerResizerControlLW::kCommandsScale, kUIResizerSize, ""},
  {"SizePairResizes", {40, 41, -1, -1}, false, false, ISBCornerResizerControlLW::kCommandsSize, kUIResizerSize, "41 3 -1"},
  {"SizePairSwappedScales", {40, 41, -1, -1}, true, false, ISBCornerResizerControlLW::kCommandsSize, kUIResizerScale, ""},
  {"AllPlainResizes", {40, 41, 33, 34}, false, false, ISBCornerResizerControlLW::kCommandsAll, kUIResizerSize, "41 3 -1"},
  {"AllControlScales", {40, 41, 33, 34}, false, true, ISBCornerResizerControlLW::kCommandsAll, kUIResizerScale, "34 3 -1"},
  {"AllControlSwappedResizes", {40, 41, 33, 34}, true, true, ISBCornerResizerControlLW::kCommandsAll, kUIResizerSize, "41 3 -1"},
  {"MixedSetsOnlyTheFlag", {40, -1, 33, -1}, false, true, ISBCornerResizerControlLW::kCommandsNone, kUIResizerSize, ""},
  {"MinusTwoIsACommand", {-2, -2, 33, 34}, false, false, ISBCornerResizerControlLW::kCommandsAll, kUIResizerSize, "-2 3 -1"},
};
// clang-format on

class Resizer : public EditorFixture, public ::testing::WithParamInterface<ResizerCase> {};

TEST_P(Resizer, DragAndDoubleClickFollowTheCommandMode) {
  const ResizerCase& c = GetParam();
  auto* resizer = new ISBCornerResizerControlLW({0, 0, 16, 16}, Picture("resize_off.svg", "#808080"),
                                                Picture("resize_on.svg", "#20e2e0"), c.msgs[0], c.msgs[1], c.msgs[2],
                                                c.msgs[3], c.swap, g.GetBounds(), 1.f, 1.f);
  g.AttachCornerResizer(resizer, kUIResizerSize, false);
  EXPECT_EQ(resizer->GetCommandMode(), c.mode);
  EXPECT_TRUE(resizer->GetDrawSVG());
  IMouseMod mod = Left();
  mod.C = c.control;
  resizer->OnMouseDown(630, 470, mod);
  EXPECT_TRUE(g.GetResizingInProcess());
  EXPECT_EQ(g.GetResizerMode(), c.dragMode);
  g.EndDragResize();
  dlg.changes.clear();
  resizer->OnMouseDblClick(630, 470, mod);
  EXPECT_EQ(dlg.changes, c.dblClickSends[0] ? std::vector<std::string>{c.dblClickSends} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(CornerResizer, Resizer, ::testing::ValuesIn(kResizers),
                         [](const auto& info) { return std::string(info.param.name); });

// The editor's resizer: a rescale sends 33; after a resize it is the 16-point square of the new corner,
// and it shows the on picture while a resize runs.
TEST_F(EditorFixture, CornerResizerFollowsTheCornerAndStoresTheScale) {
  auto* resizer = new ISBCornerResizerControlLW({0, 0, 16, 16}, Picture("resize_off.svg", "#808080"),
                                                Picture("resize_on.svg", "#20e2e0"), -1, -1, 33, 34, false,
                                                g.GetBounds(), 1.f, 1.f);
  g.AttachCornerResizer(resizer, kUIResizerScale, false);
  EXPECT_EQ(resizer->GetRECT(), IRECT(624, 464, 640, 480));
  dlg.changes.clear();
  g.Resize(640, 480, 1.5f, false);
  EXPECT_EQ(dlg.changes, std::vector<std::string>{"33 3 -1"});
  g.Resize(800, 600, 1.5f, false);
  EXPECT_EQ(resizer->GetRECT(), IRECT(784, 584, 800, 600));
  g.log.clear();
  resizer->Draw(g);
  EXPECT_EQ(Shapes()[0].paint, "PathFill 255,128,128,128 weight1");
  g.StartDragResize();
  resizer->Draw(g);
  // The picture is placed by the transform, shifted by the drawing offset.
  const std::vector<std::string> placed = g.Entries("PathTransformSetMatrix");
  ASSERT_FALSE(placed.empty());
  EXPECT_NE(placed[0].find(",785,585"), std::string::npos) << placed[0];
  EXPECT_EQ(Shapes()[0].paint, "PathFill 255,32,226,224 weight1");
}

TEST_F(EditorFixture, PanelsFillAndFrameSquareOrRounded) {
  auto* square =
      Add(new IVPanelControlLW({0, 0, 640, 40}, IColor(255, 34, 36, 38), true, IColor(255, 240, 240, 240), 0.f, 2.f));
  EXPECT_TRUE(square->GetIgnoreMouse());
  g.log.clear();
  square->Draw(g);
  std::vector<Shape> shapes = Shapes();
  ASSERT_EQ(shapes.size(), 2u);
  EXPECT_EQ(shapes[0].paint, "PathFill 255,34,36,38");
  EXPECT_EQ(shapes[1].paint, "PathStroke 255,240,240,240 t2");
  EXPECT_EQ(shapes[1].xs, (std::vector<float>{0, 640, 640, 0}));
  EXPECT_EQ(g.Count("PathArc"), 0);

  auto* rounded = Add(new IVPanelControlLW({186, 8, 370, 32}, IColor(255, 0, 0, 0), false, IColor(), 3.f, 1.f));
  rounded->Draw(g);
  EXPECT_EQ(g.Count("PathArc"), 4);
  EXPECT_EQ(Painted("PathStroke").size(), 0u);
}

TEST_F(EditorFixture, LogoClickSendsOnePerPressAndItsMenuOnlyItsOwnItems) {
  auto* logo = Add(new IVClickControlHiddenMenuLW({438, 8, 568, 32}, 27, 28, -1, -1), 0);
  g.OnMouseDown({At(500, 20)});
  g.OnMouseUp({At(500, 20)});
  EXPECT_EQ(dlg.changes, std::vector<std::string>{"27 3 -1"});
  dlg.changes.clear();
  logo->GetMenu().AddItem("Visit");
  logo->SetMenuItemIndex(0, 0);
  IPopupMenu other;
  other.SetChosenItemIdx(0);
  logo->OnPopupMenuSelection(&other, -1);
  EXPECT_TRUE(dlg.changes.empty());
  logo->GetMenu().SetChosenItemIdx(0);
  logo->OnPopupMenuSelection(&logo->GetMenu(), -1);
  EXPECT_EQ(dlg.changes, std::vector<std::string>{"28 3 -1"});
  // No choice (-1) matches none of the item indices, not even those never set (-1).
  dlg.changes.clear();
  auto* unset = Add(new IVClickControlHiddenMenuLW({438, 40, 568, 64}, 27, 28, 29, 30));
  unset->GetMenu().SetChosenItemIdx(-1);
  unset->OnPopupMenuSelection(&unset->GetMenu(), -1);
  EXPECT_TRUE(dlg.changes.empty());
}

// Only -1 stands for no command: a click on the logo, the update button or the meter sends any other id, negative
// ones too, as a change from the user interface without a sample offset.
TEST_F(EditorFixture, EveryCommandButMinusOneIsSentOnAClick) {
  for (const int command : {-1, -2, -37, INT_MIN}) {
    dlg.changes.clear();
    Add(new IVClickControlHiddenMenuLW({0, 0, 10, 10}, command, -1, -1, -1))->OnMouseDown(5, 5, Left());
    Add(new IBUpdateControlLW({0, 0, 10, 10}, Picture("download_off.svg", "#808080"),
                              Picture("download_on.svg", "#20e2e0"), command, false))
        ->OnMouseDown(5, 5, Left());
    Add(new IVMeterControlLW<2>({0, 0, 100, 300}, -1, command, "", BareStyle(), false, false))
        ->OnMouseDown(5, 5, Left());
    const std::string sent = std::to_string(command) + " 3 -1";
    EXPECT_EQ(dlg.changes, command == -1 ? std::vector<std::string>{} : std::vector<std::string>(3, sent)) << command;
  }
}

}  // namespace
}  // namespace fx::gfx::test

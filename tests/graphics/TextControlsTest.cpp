// Text, link, text-toggle, caption and placeholder controls.
#include "graphics/ITextControl.h"
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {
namespace {

class TextControls : public ::testing::Test {
 protected:
  FakeDelegate dlg;
  DetailGraphics g{dlg, 400, 300};

  template <class T>
  T* Attach(T* control) {
    return static_cast<T*>(g.AttachControl(control));
  }
  // Whether the call marked the control dirty.
  template <class F>
  static bool Dirties(IControl& c, F&& f) {
    c.SetClean();
    f();
    return c.IsDirty();
  }
};

TEST_F(TextControls, SetStrWithTheSameTextDoesNotRedraw) {
  auto* text = Attach(new ITextControl(IRECT(0, 0, 100, 20), "abc"));
  EXPECT_FALSE(Dirties(*text, [&] { text->SetStr("abc"); }));
  EXPECT_TRUE(Dirties(*text, [&] { text->SetStr("abcd"); }));
  EXPECT_STREQ(text->GetStr(), "abcd");
  text->ClearStr();
  EXPECT_STREQ(text->GetStr(), "");
  text->SetStrFmt(5, "%d-%s", 12345, "xyz");
  EXPECT_STREQ(text->GetStr(), "12345");
  text->SetStrFmt(10, "%.1f", 2.25);
  EXPECT_STREQ(text->GetStr(), "2.2");
}

TEST_F(TextControls, BoundsFromTheStringKeepTheirCentre) {
  // The recording double measures 7 points a character and the style's size (14) high.
  auto* text = Attach(new ITextControl(IRECT(100, 100, 200, 120), "abcd", DEFAULT_TEXT, COLOR_TRANSPARENT, true));
  EXPECT_EQ(text->GetRECT(), IRECT(136, 103, 164, 117));
  text->SetStr("abcdef");
  EXPECT_EQ(text->GetRECT(), IRECT(129, 103, 171, 117));
  text->SetStr("ab");
  EXPECT_EQ(text->GetTargetRECT(), IRECT(143, 103, 157, 117));
}

TEST_F(TextControls, OnlyThePlainTextControlIgnoresThePointer) {
  EXPECT_TRUE(ITextControl(IRECT(), "a").GetIgnoreMouse());
  EXPECT_FALSE(IURLControl(IRECT(), "a", "https://example.com").GetIgnoreMouse());
  EXPECT_FALSE(ITextToggleControl(IRECT(), FakeDelegate::kBool).GetIgnoreMouse());
  EXPECT_FALSE(ICaptionControl(IRECT(), FakeDelegate::kEnum).GetIgnoreMouse());
  EXPECT_FALSE(PlaceHolder(IRECT()).GetIgnoreMouse());
}

TEST_F(TextControls, TextIsDrawnOverItsBackgroundUnlessBeingEdited) {
  auto* text = Attach(new ITextControl(IRECT(0, 0, 100, 20), "abc", DEFAULT_TEXT, COLOR_BLUE));
  g.log.clear();
  text->Draw(g);
  EXPECT_EQ(g.Entries("PathFill"), std::vector<std::string>{"PathFill 255,0,0,255 weight1"});
  EXPECT_EQ(g.Entries("DoDrawText"), std::vector<std::string>{"DoDrawText abc 0,0,100,20"});
}

TEST_F(TextControls, LinkShowsTheHandAndRedrawsOncePerCrossing) {
  auto* link = Attach(new IURLControl(IRECT(0, 0, 100, 20), "site", "https://example.com"));
  EXPECT_TRUE(Dirties(*link, [&] { link->OnMouseOver(5, 5, IMouseMod()); }));
  EXPECT_EQ(g.GetCursorType(), kHandCursor);
  EXPECT_FALSE(Dirties(*link, [&] { link->OnMouseOver(6, 6, IMouseMod()); }));
  EXPECT_TRUE(Dirties(*link, [&] { link->OnMouseOut(); }));
  EXPECT_EQ(g.GetCursorType(), kArrowCursor);
  EXPECT_FALSE(Dirties(*link, [&] { link->OnMouseOut(); }));
  link->OnMouseDown(5, 5, IMouseMod());
  EXPECT_EQ(g.urls, std::vector<std::string>{"https://example.com"});
  EXPECT_TRUE(link->GetClicked());
}

TEST_F(TextControls, LinkColourAndUnderlineFollowTheState) {
  IText left = DEFAULT_TEXT;
  left.mAlign = kAlignNear;
  left.mFGColor = IColor(255, 1, 1, 1);
  auto* link = Attach(new IURLControl(IRECT(10, 0, 110, 20), "site", "u", left, COLOR_TRANSPARENT, IColor(255, 2, 2, 2),
                                      IColor(255, 3, 3, 3)));
  auto strokes = [&] {
    g.log.clear();
    link->Draw(g);
    return g.log;
  };
  std::vector<std::string> calls = strokes();
  // 4 characters of 7 points from the left edge, at the middle plus the text's height (14).
  EXPECT_EQ(g.Entries("PathMoveTo").at(1), "PathMoveTo 10,24");
  EXPECT_EQ(g.Entries("PathLineTo").at(3), "PathLineTo 38,24");
  EXPECT_EQ(g.Entries("PathStroke").at(0), "PathStroke 255,1,1,1 t1");
  link->OnMouseDown(0, 0, IMouseMod());
  strokes();
  EXPECT_EQ(g.Entries("PathStroke").at(0), "PathStroke 255,3,3,3 t1");
  link->OnMouseOver(0, 0, IMouseMod());
  strokes();
  EXPECT_EQ(g.Entries("PathStroke").at(0), "PathStroke 255,2,2,2 t1");
  IText bottomRight = left;
  bottomRight.mAlign = kAlignFar;
  bottomRight.mVAlign = kVAlignBottom;
  link->SetText(bottomRight);
  link->OnMouseOut();
  strokes();
  EXPECT_EQ(g.Entries("PathMoveTo").at(1), "PathMoveTo 82,20");
}

TEST_F(TextControls, ToggleFlipsItsValueAndString) {
  int actions = 0;
  auto* toggle = Attach(new ITextToggleControl(
      IRECT(0, 0, 40, 20), [&](IControl*) { ++actions; }, "off", "on"));
  EXPECT_STREQ(toggle->GetStr(), "off");
  toggle->OnMouseDown(1, 1, IMouseMod());
  EXPECT_EQ(toggle->GetValue(), 1.0);
  EXPECT_STREQ(toggle->GetStr(), "on");
  toggle->OnMouseDown(1, 1, IMouseMod());
  EXPECT_EQ(toggle->GetValue(), 0.0);
  EXPECT_STREQ(toggle->GetStr(), "off");
  EXPECT_EQ(actions, 2);
  EXPECT_TRUE(toggle->GetDblAsSingleClick());
}

TEST_F(TextControls, CaptionShowsTheParameterAndAMarkerForEnumerations) {
  auto* mode = Attach(new ICaptionControl(IRECT(0, 0, 100, 20), FakeDelegate::kEnum));
  EXPECT_EQ(mode->GetTriangleRECT(), IRECT(86, 7.5f, 94, 12.5f));
  g.log.clear();
  mode->Draw(g);
  EXPECT_EQ(g.Count("DoDrawText STEREO"), 1);
  EXPECT_EQ(g.Entries("PathMoveTo").back(), "PathMoveTo 86,7.5");
  EXPECT_EQ(g.Entries("PathFill").back(), "PathFill 255,0,0,0 weight0.5");

  auto* gain = Attach(new ICaptionControl(IRECT(0, 30, 100, 50), FakeDelegate::kGain));
  EXPECT_EQ(gain->GetTriangleRECT().W(), 0.f);
  g.log.clear();
  gain->Draw(g);
  EXPECT_EQ(g.Count("DoDrawText 0.0 dB"), 1);
  EXPECT_EQ(g.Count("PathFill"), 1);
}

TEST_F(TextControls, CaptionAppendsABlankAndTheLabelWheneverItShowsTheLabel) {
  const struct {
    int param;
    bool showLabel;
    const char* expect;
  } rows[] = {{FakeDelegate::kGain, true, "0.0 dB"},
              {FakeDelegate::kGain, false, "0.0"},
              {FakeDelegate::kEnum, true, "STEREO "},  // an empty label still gets its blank
              {FakeDelegate::kEnum, false, "STEREO"}};
  for (const auto& row : rows) {
    ICaptionControl* caption =
        Attach(new ICaptionControl(IRECT(0, 0, 100, 20), row.param, DEFAULT_TEXT, COLOR_TRANSPARENT, row.showLabel));
    caption->Draw(g);
    EXPECT_STREQ(caption->GetStr(), row.expect);
  }
}

TEST_F(TextControls, PlaceHolderPrintsItsPositionAndSize) {
  auto* ph = Attach(new PlaceHolder(IRECT(10, 20, 210, 120)));
  EXPECT_STREQ(ph->GetTLHCStr(), "10.0, 20.0");
  EXPECT_STREQ(ph->GetWidthStr(), "200.0");
  EXPECT_STREQ(ph->GetHeightStr(), "100.0");
  g.log.clear();
  ph->Draw(g);
  EXPECT_EQ(g.Entries("DoDrawText"),
            (std::vector<std::string>{"DoDrawText 100.0 20,70,20,70", "DoDrawText 200.0 110,30,110,30",
                                      "DoDrawText 10.0, 20.0 20,30,20,30", "DoDrawText Place Holder 10,20,94,40"}));
  EXPECT_EQ(ph->GetCentreLabelBounds(), IRECT(10, 20, 94, 40));
}

TEST_F(TextControls, PlaceHolderDoubleClickEditsItsString) {
  auto* ph = Attach(new PlaceHolder(IRECT(10, 20, 210, 120), "old"));
  ph->OnMouseDblClick(50, 50, IMouseMod());
  EXPECT_EQ(g.textEntryText, "old");
  EXPECT_EQ(g.GetControlInTextEntry(), ph);
  g.SetControlValueAfterTextEdit("new");
  EXPECT_STREQ(ph->GetStr(), "new");
}

}  // namespace
}  // namespace fx::gfx::test

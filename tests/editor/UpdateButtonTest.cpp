// The update button: one command per press, the picture and tooltip chosen by the value alone, and the
// hover highlight. The off picture is grey, the on picture the accent colour.
#include "editor/IBUpdateControlLW.h"
#include "tests/editor/EditorFixture.h"

namespace fx::gfx::test {
namespace {

class UpdateButtonTest : public EditorFixture {
 protected:
  IBUpdateControlLW* button = Add(new IBUpdateControlLW({600, 8, 624, 32}, Picture("download_off.svg", "#808080"),
                                                        Picture("download_on.svg", "#20e2e0"), 26, true));

  // The fills of one draw.
  std::vector<std::string> Drawn() {
    g.log.clear();
    button->Draw(g);
    std::vector<std::string> out;
    for (const Shape& s : Shapes()) out.push_back(s.paint);
    return out;
  }
};

const std::string kOff = "PathFill 255,128,128,128 weight1";
const std::string kOn = "PathFill 255,32,226,224 weight1";

TEST_F(UpdateButtonTest, EachPressSendsOneCheckAndHoldingChangesNoPicture) {
  g.OnMouseDown({At(610, 20)});
  EXPECT_TRUE(button->GetPressed());
  EXPECT_EQ(Drawn(), std::vector<std::string>{kOff});
  g.OnMouseDrag({At(612, 22)});
  g.OnMouseUp({At(612, 22)});
  EXPECT_FALSE(button->GetPressed());
  g.OnMouseDown({At(610, 20)});
  g.OnMouseUp({At(610, 20)});
  EXPECT_EQ(dlg.changes, (std::vector<std::string>{"26 3 -1", "26 3 -1"}));
}

TEST_F(UpdateButtonTest, ValueChoosesPictureAndTooltip) {
  EXPECT_TRUE(button->GetDrawSVG());
  const struct {
    double value;
    const std::string& picture;
    const char* tooltip;
  } cases[] = {{0.0, kOff, "Click to check for updates"},
               {1.0, kOn, "Update available"},
               {-1.0, kOff, "Click to check for updates"}};
  for (const auto& c : cases) {
    button->SetValue(c.value);
    EXPECT_EQ(Drawn(), std::vector<std::string>{c.picture}) << c.value;
    EXPECT_STREQ(button->GetTooltip(), c.tooltip) << c.value;
  }
}

TEST_F(UpdateButtonTest, HighlightWhileTheMouseIsOver) {
  button->OnMouseOver(610, 20, IMouseMod());
  EXPECT_EQ(Drawn(), (std::vector<std::string>{"PathFill 16,255,255,255 weight1", kOff}));
  button->OnMouseOut();
  EXPECT_EQ(Drawn(), std::vector<std::string>{kOff});
}

}  // namespace
}  // namespace fx::gfx::test

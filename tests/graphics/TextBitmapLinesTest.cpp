// Text, bitmap-frame and line drawing of the graphics object.
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

#include <cmath>

namespace fx::gfx::test {
namespace {

const IColor kRed(255, 255, 0, 0);

class TextBitmapLines : public ::testing::Test {
 protected:
  FakeDelegate dlg;
  DetailGraphics g{dlg, 400, 300};

  std::vector<std::string> Run(const std::function<void(IGraphics&)>& draw) {
    g.log.clear();
    draw(g);
    return g.log;
  }
};

TEST_F(TextBitmapLines, EmptyTextDrawsAndMeasuresNothing) {
  IRECT bounds(1, 2, 3, 4);
  EXPECT_TRUE(Run([&](IGraphics& gr) {
                gr.DrawText(IText(), "", bounds);
                gr.DrawText(IText(), nullptr, 5.f, 6.f);
                EXPECT_EQ(gr.MeasureText(IText(), "", bounds), 0.f);
              }).empty());
  EXPECT_EQ(bounds, IRECT(1, 2, 3, 4));
  EXPECT_EQ(Run([](IGraphics& gr) { gr.DrawText(IText(), "hi", 5.f, 6.f); }),
            std::vector<std::string>{"DoDrawText hi 5,6,5,6"});
}

struct FrameRow {
  int nFrames;
  bool horizontal;
  int frame;
  const char* offset;  // srcX,srcY
  int widthPx = 600;
};

void PrintTo(const FrameRow& row, std::ostream* os) {
  *os << row.nFrames << (row.horizontal ? " horizontal" : " vertical") << " frames, frame " << row.frame;
}

class BitmapFrames : public ::testing::TestWithParam<FrameRow> {};

TEST_P(BitmapFrames, SourceOffsetOfTheFrame) {
  FakeDelegate dlg;
  DetailGraphics g(dlg, 400, 300);
  const FrameRow& row = GetParam();
  // 300 x 500 points at scale 2 (600 x 1000 pixels), unless the row is wider.
  APIBitmap image(1, row.widthPx, 1000, 2.f, 1.f);
  const IBitmap bitmap(&image, row.nFrames, row.horizontal);
  g.log.clear();
  static_cast<IGraphics&>(g).DrawBitmap(bitmap, IRECT(0, 0, 10, 10), row.frame);
  ASSERT_EQ(g.log.size(), 1u);
  EXPECT_EQ(g.log[0], std::string("DrawBitmap 0,0,10,10 ") + row.offset);
}

INSTANTIATE_TEST_SUITE_P(TextBitmapLines, BitmapFrames,
                         ::testing::Values(FrameRow{5, false, 3, "0,200"},  // 2 * 500 / 5
                                           FrameRow{5, false, 0, "0,0"},    // below 1 draws frame 1
                                           FrameRow{5, false, 8, "0,400"},  // above N draws frame N
                                           FrameRow{3, true, 2, "100,0"}, FrameRow{3, true, 3, "200,0"},
                                           FrameRow{7, true, 4, "128,0"},  // 3 * 300 / 7 = 128.57, truncated
                                           FrameRow{1, true, 4, "0,0"},
                                           // A strip of 65,536 one-point frames: 65,535 x 65,536 is past int.
                                           FrameRow{65536, true, 65536, "65535,0", 131072}));

// A point size past an int (one pixel at scale 1e-38 is 1e38 points) is 0, as for a scale that is not positive.
TEST(BitmapSize, PixelsOverTheScaleTruncatedAndZeroPastAnInt) {
  struct Row {
    int pixels;
    float scale;
    int points;
  } rows[] = {{600, 2.f, 300}, {7, 2.f, 3}, {1, 1e-38f, 0}, {100, 1e-8f, 0}, {5, 0.f, 0}, {5, -1.f, 0}};
  for (const Row& row : rows) {
    APIBitmap image(1, row.pixels, row.pixels, row.scale, 1.f);
    const IBitmap bitmap(&image, 1, true);
    EXPECT_EQ(bitmap.W(), row.points) << row.pixels << " at " << row.scale;
    EXPECT_EQ(bitmap.H(), row.points) << row.pixels << " at " << row.scale;
  }
}

TEST_F(TextBitmapLines, BitmapFontDrawsOneFramePerCharacter) {
  APIBitmap image(1, 100 * 6, 12, 1.f, 1.f);
  const IBitmap font(&image, 100, true);
  IText near;
  near.mAlign = kAlignNear;
  // "A" is code 65: frame 34, taken from x = 33 * 600 / 100. The tab (below the blank) draws frame 1.
  const auto calls = Run([&](IGraphics& gr) {
    gr.DrawBitmapedText(font, IRECT(10, 20, 100, 40), near, nullptr, "A\t", true, false, 6, 12, 1);
  });
  EXPECT_EQ(calls, (std::vector<std::string>{"DrawBitmap 10,24,16,36 198,0", "DrawBitmap 17,24,23,36 0,0"}));
}

TEST_F(TextBitmapLines, BitmapFontAlignmentAndLines) {
  APIBitmap image(1, 100 * 6, 12, 1.f, 1.f);
  const IBitmap font(&image, 100, true);
  IText far;
  far.mAlign = kAlignFar;
  auto far2 = Run([&](IGraphics& gr) { gr.DrawBitmapedText(font, IRECT(0, 0, 60, 12), far, nullptr, "ab", false); });
  ASSERT_EQ(far2.size(), 2u);
  EXPECT_EQ(far2[0].substr(0, 24), "DrawBitmap 48,0,54,12 39");
  // Multi-line: 5 characters of 6 points in 12 points: 3 lines of 2; 'c' (99) is frame 68, x = 67 * 6.
  IText near;
  near.mAlign = kAlignNear;
  auto lines =
      Run([&](IGraphics& gr) { gr.DrawBitmapedText(font, IRECT(0, 0, 12, 100), near, nullptr, "abcde", false, true); });
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2].substr(0, 24), "DrawBitmap 0,12,6,24 402");
  EXPECT_EQ(lines[4].substr(0, 24), "DrawBitmap 0,24,6,36 414");
  // Without a character size nothing can be laid out; multi-line text wider than bounds of width 0 or less (or
  // narrower than one character, however little, or not a number) has no character per line.
  const IRECT noRoom[] = {IRECT(0, 0, 12, 12), IRECT(5, 0, 5, 12),      IRECT(8, 0, 4, 12),
                          IRECT(0, 0, 5, 12),  IRECT(0, 0, 1e-30f, 12), IRECT(0, 0, std::nanf(""), 12)};
  const int widths[] = {0, 6, 6, 6, 6, 6};
  for (int i = 0; i < 6; ++i)
    for (const bool multiline : {true, false})
      EXPECT_TRUE(Run([&](IGraphics& gr) {
                    gr.DrawBitmapedText(font, noRoom[i], near, nullptr, "ab", false, multiline, widths[i]);
                  }).empty())
          << i << multiline;
  // Bounds of any width hold the whole text on one line.
  for (const bool multiline : {true, false})
    EXPECT_EQ(Run([&](IGraphics& gr) {
                gr.DrawBitmapedText(font, IRECT(0, 0, 1e30f, 12), near, nullptr, "ab", false, multiline);
              }).size(),
              2u)
        << multiline;
}

TEST_F(TextBitmapLines, LinesAcrossARectangle) {
  const IRECT r(0, 10, 11, 30);
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawVerticalLine(kRed, r, 0.5f); })[1], "PathMoveTo 5,10");
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawVerticalLine(kRed, r, 7.f); })[1], "PathMoveTo 11,10");
  // Measured from the bottom; fractions are kept.
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawHorizontalLine(kRed, r, 0.25f); })[1], "PathMoveTo 0,25");
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawHorizontalLine(kRed, IRECT(0, 0, 10, 3), 0.5f); })[1], "PathMoveTo 0,1.5");
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawHorizontalLine(kRed, r, -1.f); })[1], "PathMoveTo 0,30");
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawLineAcross(kRed, r, kHorizontal, 1.f); })[2], "PathLineTo 11,10");
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawLineAcross(kRed, r, kVertical, 0.f); })[2], "PathLineTo 0,30");
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawVerticalLine(kRed, 3.f, 1.f, 2.f); }),
            (std::vector<std::string>{"PathClear", "PathMoveTo 3,1", "PathLineTo 3,2", "PathStroke 255,255,0,0 t1"}));
  EXPECT_EQ(Run([&](IGraphics& gr) { gr.DrawHorizontalLine(kRed, 3.f, 1.f, 2.f, nullptr, 2.f); }),
            (std::vector<std::string>{"PathClear", "PathMoveTo 1,3", "PathLineTo 2,3", "PathStroke 255,255,0,0 t2"}));
}

TEST_F(TextBitmapLines, RadialLinesStartUpAndTurnClockwise) {
  auto at = [&](float angle) {
    g.log.clear();
    g.PathRadialLine(100.f, 100.f, angle, 10.f, 20.f);
    return g.log;
  };
  EXPECT_EQ(at(0.f), (std::vector<std::string>{"PathMoveTo 100,90", "PathLineTo 100,80"}));
  const auto down = at(180.f);
  // cos and sin of the float pi leave tiny residues; the points are (100, 110) and (100, 120).
  ASSERT_EQ(down.size(), 2u);
  EXPECT_EQ(down[0].substr(0, 14), "PathMoveTo 100");
  EXPECT_NE(down[0].find(",110"), std::string::npos);
}

}  // namespace
}  // namespace fx::gfx::test

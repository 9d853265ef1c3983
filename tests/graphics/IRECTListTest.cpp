#include "graphics/IRECTList.h"

#include <gtest/gtest.h>

#include <random>

namespace fx::gfx {
namespace {

TEST(IRECT, ContainsIsHalfOpenAndEmptyContainsNothing) {
  const IRECT r(10, 20, 30, 40);
  EXPECT_TRUE(r.Contains(10, 20));
  EXPECT_TRUE(r.Contains(29.99f, 39.99f));
  EXPECT_FALSE(r.Contains(30, 25));
  EXPECT_FALSE(r.Contains(15, 40));
  EXPECT_FALSE(IRECT().Contains(0, 0));
  EXPECT_FALSE(IRECT().Intersects(r));
  EXPECT_EQ(IRECT().Union(r), r);
  EXPECT_EQ(r.Union(IRECT()), r);
}

TEST(IRECT, PixelAlignment) {
  struct Row {
    IRECT in;
    float scale;
    IRECT out;
  };
  const Row rows[] = {
      {IRECT(4.25f, 4.25f, 15.75f, 15.75f), 2.f, IRECT(4, 4, 16, 16)},
      {IRECT(4.25f, 4.25f, 15.75f, 15.75f), 1.f, IRECT(4, 4, 16, 16)},
      {IRECT(4.3f, 4.6f, 15.2f, 15.8f), 2.f, IRECT(4, 4.5f, 15.5f, 16)},
      {IRECT(1, 1, 2, 2), 1.5f, IRECT(2.f / 1.5f * 0.5f, 2.f / 1.5f * 0.5f, 2, 2)},
  };
  for (const Row& row : rows) EXPECT_EQ(row.in.GetPixelAligned(row.scale), row.out) << row.scale;
}

TEST(IRECT, ConstrainIntoMovesWithoutCutting) {
  struct Row {
    IRECT in;
    IRECT outer;
    IRECT out;
  };
  const Row rows[] = {
      {IRECT(5, 5, 15, 15), IRECT(0, 0, 100, 100), IRECT(5, 5, 15, 15)},       // inside: unchanged
      {IRECT(-5, 10, 5, 20), IRECT(0, 0, 100, 100), IRECT(0, 10, 10, 20)},     // moved right
      {IRECT(95, 10, 105, 20), IRECT(0, 0, 100, 100), IRECT(89, 10, 99, 20)},  // moved left, right edge at R - 1
      {IRECT(10, 95, 20, 110), IRECT(0, 0, 100, 100), IRECT(10, 84, 20, 99)},
  };
  for (const Row& row : rows) {
    IRECT r = row.in;
    r.ConstrainInto(row.outer);
    EXPECT_EQ(r, row.out);
  }
}

IRECTList ListOf(std::initializer_list<IRECT> rects) {
  IRECTList list;
  for (const IRECT& r : rects) list.Add(r);
  return list;
}

TEST(IRECTList, OptimiseExamples) {
  IRECTList same = ListOf({IRECT(0, 0, 10, 10), IRECT(0, 0, 10, 10)});
  same.Optimize();
  ASSERT_EQ(same.Size(), 1);
  EXPECT_EQ(same.Get(0), IRECT(0, 0, 10, 10));

  IRECTList inner = ListOf({IRECT(2, 2, 5, 5), IRECT(0, 0, 10, 10)});
  inner.Optimize();
  ASSERT_EQ(inner.Size(), 1);
  EXPECT_EQ(inner.Get(0), IRECT(0, 0, 10, 10));

  IRECTList sideBySide = ListOf({IRECT(0, 0, 10, 10), IRECT(10, 0, 20, 10)});
  sideBySide.Optimize();
  ASSERT_EQ(sideBySide.Size(), 1);
  EXPECT_EQ(sideBySide.Get(0), IRECT(0, 0, 20, 10));

  IRECTList stacked = ListOf({IRECT(0, 0, 10, 10), IRECT(0, 5, 10, 30)});
  stacked.Optimize();
  ASSERT_EQ(stacked.Size(), 1);
  EXPECT_EQ(stacked.Get(0), IRECT(0, 0, 10, 30));
}

TEST(IRECTList, EmptyListAndEmptyRectangles) {
  IRECTList none;
  none.Optimize();
  EXPECT_EQ(none.Size(), 0);
  EXPECT_TRUE(none.Bounds().Empty());

  IRECTList withEmpty = ListOf({IRECT(), IRECT(1, 1, 4, 4), IRECT()});
  withEmpty.Optimize();
  ASSERT_EQ(withEmpty.Size(), 1);
  EXPECT_EQ(withEmpty.Get(0), IRECT(1, 1, 4, 4));
}

TEST(IRECTList, RemoveShiftsLaterRectangles) {
  IRECTList list = ListOf({IRECT(0, 0, 1, 1), IRECT(1, 1, 2, 2), IRECT(2, 2, 3, 3)});
  list.Remove(1);
  ASSERT_EQ(list.Size(), 2);
  EXPECT_EQ(list.Get(1), IRECT(2, 2, 3, 3));
  EXPECT_EQ(list.Bounds(), IRECT(0, 0, 3, 3));
}

bool CoveredBy(const IRECTList& list, float x, float y) {
  return list.Find(x, y) >= 0;
}

// Random rectangles on a quarter-point grid: after optimising, no two overlap and a point is covered
// exactly when it was covered before. Points are sampled between grid lines, where coverage is exact.
TEST(IRECTList, OptimiseProperty) {
  std::mt19937 rng(1234);
  std::uniform_int_distribution<int> coord(0, 80);
  std::uniform_int_distribution<int> count(1, 12);
  for (int trial = 0; trial < 300; ++trial) {
    IRECTList input;
    const int n = count(rng);
    for (int i = 0; i < n; ++i) {
      const float a = coord(rng) * 0.25f, b = coord(rng) * 0.25f, c = coord(rng) * 0.25f, d = coord(rng) * 0.25f;
      input.Add(IRECT(std::min(a, b), std::min(c, d), std::max(a, b) + 0.25f, std::max(c, d) + 0.25f));
    }
    IRECTList out = input;
    out.Optimize();

    ASSERT_LE(out.Size(), 4 * n * n) << "trial " << trial;
    for (int i = 0; i < out.Size(); ++i)
      for (int j = i + 1; j < out.Size(); ++j)
        ASSERT_FALSE(out.Get(i).Intersects(out.Get(j))) << "trial " << trial << " " << i << "," << j;
    for (float x = 0.125f; x < 21.f; x += 0.25f)
      for (float y = 0.125f; y < 21.f; y += 0.25f)
        ASSERT_EQ(CoveredBy(input, x, y), CoveredBy(out, x, y)) << "trial " << trial << " at " << x << "," << y;
  }
}

}  // namespace
}  // namespace fx::gfx

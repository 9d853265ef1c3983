// Resources by name and scale on a temporary shared-resources folder, and the process-wide caches.
#include "graphics/ResourceCaches.h"
#include "graphics/ResourceNames.h"
#include "platform/paths/Paths.h"
#include "tests/support/DetailGraphics.h"
#include "tests/support/FakeDelegate.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace fx::gfx::test {
namespace {

namespace fs = std::filesystem;

struct OrderRow {
  int target;
  std::vector<int> order;
};

void PrintTo(const OrderRow& row, std::ostream* os) {
  *os << "target " << row.target;
}

class ScaleOrder : public ::testing::TestWithParam<OrderRow> {};

TEST_P(ScaleOrder, TriesTheTargetThenThreeThenOneLowerEachStep) {
  EXPECT_EQ(ScaleSearchOrder(GetParam().target), GetParam().order) << "target " << GetParam().target;
}

INSTANTIATE_TEST_SUITE_P(Resources, ScaleOrder,
                         ::testing::Values(OrderRow{1, {1, 3, 2}}, OrderRow{2, {2, 3, 1}}, OrderRow{3, {3, 2, 1}},
                                           OrderRow{4, {4, 3, 2, 1}}, OrderRow{5, {5, 3, 2, 1}},
                                           OrderRow{6, {6, 3, 2, 1}}, OrderRow{0, {}}, OrderRow{-2, {}}));

struct NameRow {
  const char* name;
  int scale;
  const char* scaled;
};

void PrintTo(const NameRow& row, std::ostream* os) {
  *os << '"' << row.name << "\" at " << row.scale;
}

class ScaledNames : public ::testing::TestWithParam<NameRow> {};

TEST_P(ScaledNames, SuffixGoesBeforeTheExtension) {
  EXPECT_STREQ(ScaledResourceName(GetParam().name, GetParam().scale).Get(), GetParam().scaled);
}

INSTANTIATE_TEST_SUITE_P(Resources, ScaledNames,
                         ::testing::Values(NameRow{"knob.png", 2, "knob@2x.png"}, NameRow{"knob.png", 1, "knob.png"},
                                           NameRow{"x.tar.gz", 3, "x.tar@3x.gz"},
                                           NameRow{"dir.v2/knob", 2, "dir.v2/knob@2x"},
                                           NameRow{"a\\b.c\\knob", 3, "a\\b.c\\knob@3x"},
                                           NameRow{"knob.png", 12, "knob@12x.png"},
                                           NameRow{"k.png", 123456, "k@123456x.png"}, NameRow{"", 2, "@2x"}));

TEST(StaticStorage, KeysByExactNameAndScale) {
  StaticStorage<int> cache;
  EXPECT_STREQ(StaticStorage<int>::KeyText("knob.png", 2.0).Get(), "knob.png-2.0x");
  int* a = new int(1);
  int* b = new int(2);
  cache.Add(a, "knob.png", 1.0);
  cache.Add(b, "knob.png", 2.0);
  EXPECT_EQ(cache.Find("knob.png", 1.0), a);
  EXPECT_EQ(cache.Find("knob.png", 2.0), b);
  EXPECT_EQ(cache.Find("Knob.png", 1.0), nullptr);
  EXPECT_EQ(cache.Find("knob.png", 1.5), nullptr);
  int other = 3;
  cache.Remove(&other);
  EXPECT_EQ(cache.GetSize(), 2);
  cache.Remove(a);
  EXPECT_EQ(cache.Find("knob.png", 1.0), nullptr);
  cache.Retain();
  cache.Retain();
  cache.Release();
  EXPECT_EQ(cache.GetSize(), 1);
  cache.Release();
  EXPECT_EQ(cache.GetSize(), 0);
  EXPECT_EQ(cache.GetRetainCount(), 0);
}

// A shared-resources folder under a fresh temporary music folder, and module resources beside the test.
class Resources : public ::testing::Test {
 protected:
  void SetUp() override {
    mRoot = fs::temp_directory_path() / ("kd_resources_" + std::to_string(::getpid()));
    fs::create_directories(mRoot / "KdTest" / "Resources");
    const char* old = std::getenv("XDG_MUSIC_DIR");
    mOldMusic = old ? old : "";
    mHadMusic = old != nullptr;
    ::setenv("XDG_MUSIC_DIR", mRoot.c_str(), 1);
    g.SetSharedResourcesSubPath("KdTest");
  }
  void TearDown() override {
    if (mHadMusic)
      ::setenv("XDG_MUSIC_DIR", mOldMusic.c_str(), 1);
    else
      ::unsetenv("XDG_MUSIC_DIR");
    for (const fs::path& p : mModuleFiles) fs::remove(p);
    fs::remove_all(mRoot);
  }

  void Shared(const std::string& name, const std::string& content) {
    Write(mRoot / "KdTest" / "Resources" / name, content);
  }
  void Module(const std::string& name, const std::string& content) {
    const fs::path folder = platform::paths::ModuleResourceFolder();
    fs::create_directories(folder);
    mModuleFiles.push_back(folder / name);
    Write(folder / name, content);
  }
  static void Write(const fs::path& p, const std::string& content) { std::ofstream(p, std::ios::binary) << content; }
  static std::string Text(const FwTypedBuf<uint8_t>& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.Get()), static_cast<size_t>(bytes.GetSize()));
  }

  fs::path mRoot;
  std::string mOldMusic;
  bool mHadMusic = false;
  std::vector<fs::path> mModuleFiles;
  FakeDelegate dlg;
  DetailGraphics g{dlg, 400, 300};
};

TEST_F(Resources, SearchOrderIsModuleThenSharedThenPlainPath) {
  Shared("kd2order.svg", "shared");
  Module("kd2order.svg", "module");
  EXPECT_EQ(Text(g.LoadResource("kd2order.svg", "svg")), "module");
  fs::remove(mModuleFiles.back());
  EXPECT_EQ(Text(g.LoadResource("kd2order.svg", "svg")), "shared");
  const fs::path plain = mRoot / "plain.svg";
  Write(plain, "plain");
  EXPECT_EQ(Text(g.LoadResource(plain.c_str(), "svg")), "plain");
  EXPECT_EQ(g.LoadResource("missing.svg", "svg").GetSize(), 0);
  EXPECT_EQ(g.LoadResource(nullptr, "svg").GetSize(), 0);
}

TEST_F(Resources, ImageSearchFindsTheFirstScaleOfTheOrder) {
  Shared("dial@3x.png", "3x3");
  Shared("dial@2x.png", "2x2");
  FwString path;
  int source = 0;
  EXPECT_EQ(g.SearchImageResource("dial.png", "png", path, 1, source), kAbsolutePath);
  EXPECT_EQ(source, 3);
  EXPECT_NE(std::string(path.Get()).find("dial@3x.png"), std::string::npos);
  EXPECT_EQ(g.SearchImageResource("dial.png", "png", path, 2, source), kAbsolutePath);
  EXPECT_EQ(source, 2);
  EXPECT_EQ(g.SearchImageResource("dial.png", "png", path, 0, source), kNotFound);
  EXPECT_EQ(g.SearchImageResource("none.png", "png", path, 1, source), kNotFound);
}

TEST_F(Resources, SameNameAndScaleIsACacheHit) {
  Shared("knob.png", "40x20");
  const IBitmap a = g.LoadBitmap("knob.png", 2, true, 1);
  const IBitmap b = g.LoadBitmap("knob.png", 2, true, 1);
  ASSERT_TRUE(a.IsValid());
  EXPECT_EQ(a.GetAPIBitmap(), b.GetAPIBitmap());
  EXPECT_EQ(g.imagesLoaded, 1);
  EXPECT_EQ(a.W(), 40);
  EXPECT_EQ(a.FW(), 20);
  EXPECT_STREQ(a.GetResourceName(), "knob.png");
  // Another scale is another entry.
  const IBitmap c = g.LoadBitmap("knob.png", 2, true, 2);
  EXPECT_NE(c.GetAPIBitmap(), a.GetAPIBitmap());
  EXPECT_EQ(BitmapCache().GetSize(), 2);
}

TEST_F(Resources, UnscaledFileIsRescaledAndOnlyTheCopyIsCached) {
  Shared("knob.png", "40x20");
  g.log.clear();
  const IBitmap b = g.LoadBitmap("knob.png", 1, false, 2);
  ASSERT_TRUE(b.IsValid());
  EXPECT_EQ(g.Count("LoadAPIBitmap knob.png 1"), 1);
  EXPECT_EQ(g.Count("CreateAPIBitmap 80x40 s2 d1"), 1);
  EXPECT_EQ(g.Count("DrawBitmap 0,0,40,20 0,0"), 1);
  EXPECT_EQ(b.GetScale(), 2.f);
  EXPECT_EQ(b.W(), 40);
  EXPECT_EQ(BitmapCache().GetSize(), 1);
  EXPECT_EQ(BitmapCache().Find("knob.png", 2.0), b.GetAPIBitmap());
  EXPECT_EQ(BitmapCache().Find("knob.png", 1.0), nullptr);
}

TEST_F(Resources, ScaledFileServesALowerTargetThroughTheSearchOrder) {
  Shared("knob@2x.png", "80x40");
  const IBitmap first = g.LoadBitmap("knob.png", 1, false, 1);
  ASSERT_TRUE(first.IsValid());
  EXPECT_EQ(g.Count("LoadAPIBitmap knob@2x.png 2"), 1);
  EXPECT_EQ(first.GetScale(), 1.f);
  EXPECT_EQ(first.W(), 40);
  const IBitmap second = g.LoadBitmap("knob.png", 1, false, 1);
  EXPECT_EQ(second.GetAPIBitmap(), first.GetAPIBitmap());
  EXPECT_EQ(g.imagesLoaded, 1);
}

TEST_F(Resources, RescalingKeepsAFractionalScreenScale) {
  Shared("knob.png", "40x20");
  g.SetScreenScale(1.5f);
  const IBitmap b = g.LoadBitmap("knob.png");
  EXPECT_EQ(b.GetScale(), 2.f);
  EXPECT_EQ(g.GetScreenScale(), 1.5f);
  EXPECT_EQ(g.GetDrawScale(), 1.f);
}

// Nothing to scale (no image, or an image of no real draw scale) or no scale to reach (0 or below) gives the empty
// bitmap: no layer is made, nothing is cached and the scales are left as they were.
TEST_F(Resources, RescalingNothingGivesTheEmptyBitmapAndCachesNothing) {
  APIBitmap noDrawScale(1, 40, 20, 1.f, 0.f);
  APIBitmap negativeDrawScale(2, 40, 20, 1.f, -1.f);
  APIBitmap nanDrawScale(3, 40, 20, 1.f, std::nanf(""));
  APIBitmap sound(4, 40, 20, 1.f, 1.f);
  const struct {
    const char* name;
    IBitmap input;
    int target;
  } rows[] = {
      {"no image", IBitmap(), 2},
      {"draw scale 0", IBitmap(&noDrawScale, 1, false, "zero.png"), 2},
      {"negative draw scale", IBitmap(&negativeDrawScale, 1, false, "negative.png"), 2},
      {"NaN draw scale", IBitmap(&nanDrawScale, 1, false, "nan.png"), 2},
      {"target scale 0", IBitmap(&sound, 1, false, "sound.png"), 0},
      {"negative target scale", IBitmap(&sound, 1, false, "sound.png"), -1},
  };
  g.SetScreenScale(1.5f);
  for (const auto& row : rows) {
    g.log.clear();
    const IBitmap scaled = g.ScaleBitmap(row.input, "scaled.png", row.target);
    EXPECT_EQ(scaled.GetAPIBitmap(), nullptr) << row.name;
    EXPECT_EQ(g.Count("CreateAPIBitmap"), 0) << row.name;
    EXPECT_EQ(BitmapCache().GetSize(), 0) << row.name;
    EXPECT_EQ(g.GetScreenScale(), 1.5f) << row.name;
    EXPECT_EQ(g.GetDrawScale(), 1.f) << row.name;
  }
}

TEST_F(Resources, UnsupportedMissingAndMemoryBitmaps) {
  Shared("knob.gif", "4x4");
  EXPECT_FALSE(g.LoadBitmap("knob.gif").IsValid());
  EXPECT_FALSE(g.LoadBitmap("nothing.png").IsValid());
  EXPECT_EQ(BitmapCache().GetSize(), 0);
  const char data[] = "30x10";
  const IBitmap m = g.LoadBitmap("mem.png", data, 5, 1, false, 1);
  ASSERT_TRUE(m.IsValid());
  EXPECT_EQ(g.Count("LoadAPIBitmap mem.png memory 1"), 1);
  EXPECT_EQ(g.LoadBitmap("mem.png", nullptr, 0, 1, false, 1).GetAPIBitmap(), m.GetAPIBitmap());
  EXPECT_FALSE(g.LoadBitmap("other.png", nullptr, 0).IsValid());
  g.ReleaseBitmap(m);
  EXPECT_EQ(BitmapCache().GetSize(), 0);
  g.ReleaseBitmap(IBitmap());
}

TEST_F(Resources, GetScaledBitmapReloadsAtTheScreenScale) {
  Shared("knob.png", "40x20");
  const IBitmap one = g.LoadBitmap("knob.png", 2, true, 1);
  g.SetScreenScale(2.f);
  const IBitmap two = g.GetScaledBitmap(one);
  EXPECT_EQ(two.GetScale(), 2.f);
  EXPECT_EQ(two.N(), 2);
  EXPECT_TRUE(two.GetFramesAreHorizontal());
}

TEST_F(Resources, TwoGraphicsObjectsShareTheCachesUntilTheLastGoes) {
  Shared("knob.png", "40x20");
  const char* svgText = "<svg width='10' height='10'><rect width='5' height='5'/></svg>";
  auto second = std::make_unique<DetailGraphics>(dlg, 100, 100);
  second->SetSharedResourcesSubPath("KdTest");
  const IBitmap a = g.LoadBitmap("knob.png", 1, false, 1);
  const ISVG s = g.LoadSVG("pic.svg", static_cast<const void*>(svgText), 0);
  EXPECT_EQ(BitmapCache().GetRetainCount(), 2);
  EXPECT_EQ(second->LoadBitmap("knob.png", 1, false, 1).GetAPIBitmap(), a.GetAPIBitmap());
  EXPECT_EQ(second->LoadSVG("pic.svg").GetImage(), s.GetImage());
  second.reset();
  EXPECT_EQ(BitmapCache().GetSize(), 1);
  EXPECT_EQ(SVGCache().GetSize(), 1);
  {
    // Closing the first while a new one exists keeps them too; the fixture's object is the last to go.
    DetailGraphics third(dlg, 10, 10);
    EXPECT_EQ(SVGCache().GetRetainCount(), 2);
  }
  EXPECT_EQ(SVGCache().GetSize(), 1);
  EXPECT_EQ(SVGCache().GetRetainCount(), 1);
}

TEST(ResourceCaches, EmptiedWhenTheLastGraphicsObjectGoes) {
  FakeDelegate dlg;
  {
    DetailGraphics g(dlg, 10, 10);
    const char data[] = "8x8";
    g.LoadBitmap("mem.png", data, 3, 1, false, 1);
    g.LoadSVG("x.svg", static_cast<const void*>("<svg width='1' height='1'/>"), 0);
    EXPECT_EQ(BitmapCache().GetSize(), 1);
    EXPECT_EQ(SVGCache().GetSize(), 1);
  }
  EXPECT_EQ(BitmapCache().GetSize(), 0);
  EXPECT_EQ(SVGCache().GetSize(), 0);
  EXPECT_EQ(BitmapCache().GetRetainCount(), 0);
}

TEST_F(Resources, SVGFromFileAndMemoryShareOneCacheEntry) {
  Shared("pic.svg", "<svg width='20' height='10'/>");
  const ISVG fromFile = g.LoadSVG("pic.svg");
  ASSERT_TRUE(fromFile.IsValid());
  EXPECT_EQ(fromFile.W(), 20.f);
  EXPECT_EQ(g.LoadSVG("pic.svg", static_cast<const void*>("<svg width='99' height='99'/>"), 0).GetImage(),
            fromFile.GetImage());
  EXPECT_EQ(SVGCache().GetSize(), 1);
}

TEST_F(Resources, UnreadableSVGsAreNotCached) {
  Shared("bad.svg", "<svg><g></svg>");
  EXPECT_FALSE(g.LoadSVG("bad.svg").GetImage());
  EXPECT_FALSE(g.LoadSVG("missing.svg").GetImage());
  EXPECT_FALSE(g.LoadSVG("null.svg", static_cast<const void*>(nullptr), 10).GetImage());
  EXPECT_EQ(SVGCache().GetSize(), 0);
  // The size bounds the read: the text after it never reaches the parser.
  const std::string text = "<svg width='3' height='4'/><garbage";
  EXPECT_TRUE(g.LoadSVG("cut.svg", static_cast<const void*>(text.data()), 27).IsValid());
}

TEST_F(Resources, FontsNeedThePlatformAndTheRenderer) {
  EXPECT_FALSE(g.LoadFont("Roboto-Regular", "Roboto-Regular.ttf"));
  EXPECT_FALSE(g.LoadFont("Roboto-Regular", "Roboto", 0));
}

// The family-name form hands its style to the platform as the text style of the same number.
TEST(FamilyFonts, TheStyleReachesThePlatformUnchanged) {
  struct StyleRecorder : DetailGraphics {
    using DetailGraphics::DetailGraphics;
    std::unique_ptr<PlatformFont> LoadPlatformFont(const char*, const char*, ETextStyle style) override {
      styles.push_back(style);
      return nullptr;
    }
    using DetailGraphics::LoadPlatformFont;
    std::vector<ETextStyle> styles;
  };
  FakeDelegate dlg;
  StyleRecorder g{dlg, 400, 300};
  for (int style : {0, 1, 2, 5}) EXPECT_FALSE(g.LoadFont("id", "Family", style));
  EXPECT_EQ(g.styles,
            (std::vector<ETextStyle>{kTextStyleNormal, kTextStyleBold, kTextStyleItalic, static_cast<ETextStyle>(5)}));
}

}  // namespace
}  // namespace fx::gfx::test

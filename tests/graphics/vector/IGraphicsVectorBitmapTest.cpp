// Bitmaps, layers and framebuffers on the renderer: loading and caching by scale, drawing a bitmap (and not drawing
// one whose image is gone), layers as framebuffers with their own origin, a framebuffer made in the middle of a layer,
// the main framebuffer's size, reading a layer back and the shadow from a mask.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "graphics/vector/VRText.h"
#include "tests/graphics/vector/VectorGraphicsFixture.h"

namespace fx::gfx::test {
namespace {

// A 4 x 2 RGBA image of alternating red and blue pixels, written with Python's zlib and crc32.
constexpr unsigned char kPNG[] = {
    0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00, 0x00, 0x00,
    0x04, 0x00, 0x00, 0x00, 0x02, 0x08, 0x06, 0x00, 0x00, 0x00, 0x7f, 0xa8, 0x7d, 0x63, 0x00, 0x00, 0x00, 0x13, 0x49,
    0x44, 0x41, 0x54, 0x78, 0xda, 0x63, 0xf8, 0xcf, 0xc0, 0x00, 0x42, 0xff, 0x61, 0x34, 0x03, 0xba, 0x00, 0x00, 0x07,
    0x29, 0x0f, 0xf1, 0x77, 0xb9, 0xec, 0x2a, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};

struct BitmapTest : VectorGraphicsTest {
  std::filesystem::path dir;
  BitmapTest() {
    char pattern[] = "/tmp/kd_vector_bitmaps_XXXXXX";
    dir = mkdtemp(pattern);
  }
  ~BitmapTest() override { std::filesystem::remove_all(dir); }
  std::string Write(const char* name, const void* bytes, size_t size) {
    std::ofstream(dir / name, std::ios::binary)
        .write(static_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return (dir / name).string();
  }
  std::string Path(const char* name) const { return (dir / name).string(); }
  // Images made so far by the back end (framebuffers and the font atlas included).
  int Images() const { return backend.nextImage - 1; }
};

TEST_F(BitmapTest, BitmapsAreLoadedOnceUnderTheScaleTheirFileWasFoundAt) {
  struct Row {
    const char* name;
    const char* load;
    std::vector<const char*> files;
    float screenScale;
    int targetScale, foundScale, loads;
  } rows[] = {
      {"screen 1.5 asks for scale 2", "knob.png", {"knob.png", "knob@2x.png"}, 1.5f, 0, 2, 1},
      {"only a lower scale exists", "knob.png", {"knob.png"}, 2.f, 0, 1, 1},
      {"only a higher scale exists", "knob.png", {"knob@2x.png"}, 1.f, 1, 2, 1},
      {"not found", "knob.png", {}, 1.f, 0, 0, 0},
      {"unsupported extension", "knob.bmp", {"knob.bmp"}, 1.f, 0, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Open(1.f, row.screenScale);
    std::filesystem::remove_all(dir);
    std::filesystem::create_directory(dir);
    for (const char* file : row.files) Write(file, kPNG, sizeof(kPNG));
    const std::string name = Path(row.load);
    const int before = Images();
    const IBitmap first = g->LoadBitmap(name.c_str(), 2, true, row.targetScale);
    const IBitmap second = g->LoadBitmap(name.c_str(), 2, true, row.targetScale);
    EXPECT_EQ(Images() - before, row.loads);
    EXPECT_EQ(first.GetAPIBitmap(), second.GetAPIBitmap());
    if (row.loads == 0) {
      EXPECT_EQ(first.GetAPIBitmap(), nullptr);
      continue;
    }
    EXPECT_EQ(first.GetScale(), row.foundScale);
    EXPECT_EQ(first.W(), 4 / row.foundScale);
    EXPECT_EQ(first.N(), 2);
    EXPECT_STREQ(first.GetResourceName(), name.c_str());
  }
}

TEST_F(BitmapTest, ImagesFromMemoryAreCachedAndUndecodableOnesDrawNothing) {
  const int before = Images();
  const IBitmap a = g->LoadBitmap("strip.png", kPNG, sizeof(kPNG));
  const IBitmap b = g->LoadBitmap("strip.png", kPNG, sizeof(kPNG));
  EXPECT_EQ(Images() - before, 1);
  EXPECT_EQ(a.GetAPIBitmap(), b.GetAPIBitmap());
  EXPECT_EQ(a.W(), 4);

  const char garbage[] = "not an image at all";
  const IBitmap bad = g->LoadBitmap(Write("bad.png", garbage, sizeof(garbage)).c_str());
  ASSERT_NE(bad.GetAPIBitmap(), nullptr);
  EXPECT_EQ(bad.GetAPIBitmap()->GetBitmapID(), 0);
  g->BeginFrame();
  g->DrawBitmap(bad, IRECT(0, 0, 10, 10), 0, 0, nullptr);
  EXPECT_EQ(Draws(), 0);
}

TEST_F(BitmapTest, ImagesFromMemoryComeAtTheTargetScale) {
  struct Row {
    const char* name;
    float screenScale;
    int targetScale, scale, framebufferPixels;
  } rows[] = {
      {"target 1", 1.f, 1, 1, 0},
      {"target 2", 1.f, 2, 2, 8},
      {"screen 1.5 asks for 2", 1.5f, 0, 2, 8},
      {"target 3", 2.f, 3, 3, 12},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Open(1.f, row.screenScale);
    const auto& fbs = Framebuffers();
    const std::size_t framebuffersBefore = fbs.created.size();
    const IBitmap a = g->LoadBitmap("strip.png", kPNG, sizeof(kPNG), 2, true, row.targetScale);
    const IBitmap b = g->LoadBitmap("strip.png", kPNG, sizeof(kPNG), 2, true, row.targetScale);
    ASSERT_NE(a.GetAPIBitmap(), nullptr);
    EXPECT_EQ(a.GetAPIBitmap(), b.GetAPIBitmap()) << "the second request is a cache hit";
    // The 4 x 2 pixel image is 4 x 2 points at any scale; at scale s it has 4 s pixels across.
    EXPECT_EQ(a.GetScale(), row.scale);
    EXPECT_EQ(a.W(), 4);
    EXPECT_EQ(a.H(), 2);
    EXPECT_EQ(a.GetAPIBitmap()->GetWidth(), 4 * row.scale);
    EXPECT_EQ(a.N(), 2);
    EXPECT_TRUE(a.GetFramesAreHorizontal());
    EXPECT_EQ(fbs.created.size() - framebuffersBefore, row.framebufferPixels > 0 ? 1u : 0u);
    if (row.framebufferPixels > 0) {
      const std::string made = "create " + std::to_string(fbs.created.back()) + " " +
                               std::to_string(row.framebufferPixels) + "x" + std::to_string(row.framebufferPixels / 2);
      EXPECT_GE(fbs.Find(made), 0) << made;
    }
  }
  // Without data or with an unsupported extension nothing comes back.
  EXPECT_EQ(g->LoadBitmap("other.png", nullptr, 0).GetAPIBitmap(), nullptr);
  EXPECT_EQ(g->LoadBitmap("strip.bmp", kPNG, sizeof(kPNG)).GetAPIBitmap(), nullptr);
  // Nor at a screen scale that rounds up past an int: no bitmap has such a scale.
  g->SetScreenScale(1e10f);
  EXPECT_EQ(g->LoadBitmap("other.png", kPNG, sizeof(kPNG)).GetAPIBitmap(), nullptr);
  EXPECT_EQ(g->LoadBitmap(Write("strip.png", kPNG, sizeof(kPNG)).c_str()).GetAPIBitmap(), nullptr);
}

// A copy asked of ScaleBitmap itself is kept like the copies LoadBitmap makes: asked for again under its name at its
// scale, the same image comes back, and it goes with the renderer's cache (nothing is left behind).
TEST_F(BitmapTest, ACopyScaledDirectlyIsKeptUnderItsNameAndScale) {
  Open(1.f, 1.f);
  const IBitmap source = g->LoadBitmap("strip.png", kPNG, sizeof(kPNG), 2, true, 1);
  ASSERT_NE(source.GetAPIBitmap(), nullptr);
  const IBitmap scaled = g->ScaleBitmap(source, "strip-copy.png", 3);
  ASSERT_NE(scaled.GetAPIBitmap(), nullptr);
  EXPECT_EQ(scaled.GetAPIBitmap()->GetWidth(), 12);
  EXPECT_EQ(g->LoadBitmap("strip-copy.png", nullptr, 0, 2, true, 3).GetAPIBitmap(), scaled.GetAPIBitmap());
  // Kept once: released, it is no longer found, and retaining a cached image again keeps it once.
  g->RetainBitmap(source, "strip.png");
  g->ReleaseBitmap(scaled);
  EXPECT_EQ(g->LoadBitmap("strip-copy.png", nullptr, 0, 2, true, 3).GetAPIBitmap(), nullptr);
}

TEST_F(BitmapTest, DrawnBitmapsShiftTheirFrameToTheDestinationAndGoneImagesDrawNothing) {
  Open(2.f);
  const IBitmap strip = g->LoadBitmap(Write("strip.png", kPNG, sizeof(kPNG)).c_str(), 2, true, 2);
  ASSERT_EQ(strip.GetScale(), 1.f);
  struct Row {
    int srcX, srcY;
    float weight;
  } rows[] = {{0, 0, 1}, {40, 0, 0.5f}, {2, 1, 0}};
  g->BeginFrame();
  g->PathTransformSetMatrix(IMatrix());
  for (const Row& row : rows) {
    const IBlend blend(kBlendDefault, row.weight);
    g->DrawBitmap(strip, IRECT(10, 20, 12, 22), row.srcX, row.srcY, &blend);
    // Image space is points at the bitmap's scale; the draw scale of 2 comes from the transform.
    const VRpaint& p = Last().paint;
    EXPECT_EQ(p.image, strip.GetAPIBitmap()->GetBitmapID());
    EXPECT_FLOAT_EQ(p.xform[0], 2);
    EXPECT_FLOAT_EQ(p.xform[4], 2 * (10 - row.srcX));
    EXPECT_FLOAT_EQ(p.xform[5], 2 * (20 - row.srcY));
    EXPECT_FLOAT_EQ(p.extent[0], 4);
    EXPECT_FLOAT_EQ(p.innerColor.a, row.weight);
  }
  vrDeleteImage(ctx, strip.GetAPIBitmap()->GetBitmapID());
  const int before = Draws();
  g->DrawBitmap(strip, IRECT(10, 20, 12, 22), 0, 0, nullptr);
  EXPECT_EQ(Draws(), before) << "a paint of a deleted image would draw white";
}

// A bitmap and a fast drop shadow end with an empty path: a fill after them has nothing to fill, not even the
// rectangle drawn before them cut to the clip.
TEST_F(BitmapTest, BitmapsAndShadowsLeaveNoPathToFill) {
  Open(1.f);
  const IBitmap strip = g->LoadBitmap(Write("strip.png", kPNG, sizeof(kPNG)).c_str(), 2, true, 1);
  struct Row {
    const char* name;
    std::function<void()> draw;
  } rows[] = {
      {"bitmap", [&] { g->DrawBitmap(strip, IRECT(20, 20, 22, 22), 0, 0, nullptr); }},
      {"shadow", [&] { g->DrawFastDropShadow(IRECT(20, 20, 30, 30), IRECT(15, 15, 40, 40), 2, 2, 4, nullptr); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    g->BeginFrame();
    g->PathTransformSetMatrix(IMatrix());
    g->SetClipRegion(IRECT(10, 10, 50, 50));
    g->PathRect(IRECT(0, 0, 150, 90));
    row.draw();
    const int before = Draws();
    g->PathFill(IPattern(COLOR_RED), IFillOptions(), nullptr);
    for (int i = before; i < Draws(); ++i) EXPECT_TRUE(backend.draws[i].paths.empty()) << "draw " << i;
    g->EndFrame();
  }
}

TEST_F(BitmapTest, LayersDrawIntoTheirOwnFramebufferWithTheirCornerAsOrigin) {
  Open(2.f);
  const auto& fbs = Framebuffers();
  const std::string main = std::to_string(fbs.created[0]);
  g->BeginFrame();
  g->StartLayer(nullptr, IRECT(20, 10, 70, 40));
  const std::string layer = std::to_string(fbs.created.back());
  // Made and cleared to transparent (what the main framebuffer had so far flushed first), then made the target.
  const int made = fbs.Find("create " + layer + " 100x60");
  ASSERT_GE(made, 0);
  const std::vector<std::string> expected = {"create " + layer + " 100x60",
                                             "bind " + layer,
                                             "clear " + layer + " transparent",
                                             "flush " + layer,
                                             "bind " + main,
                                             "flush " + main,
                                             "bind " + layer};
  EXPECT_EQ(std::vector<std::string>(fbs.log.begin() + made, fbs.log.end()), expected);
  EXPECT_EQ(backend.viewport[0], 100);
  EXPECT_EQ(backend.viewport[1], 60);
  const float origin[6] = {2, 0, 0, 2, -40, -20};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(vrGetState(ctx)->xform[i], origin[i]);

  // A framebuffer made now leaves drawing in the layer, with its transform.
  g->PathTransformTranslate(5, 5);
  float before[6];
  vrCurrentTransform(ctx, before);
  std::unique_ptr<APIBitmap> extra(g->CreateAPIBitmap(8, 8, 1, 2));
  EXPECT_EQ(fbs.log.back(), "bind " + layer);
  float after[6];
  vrCurrentTransform(ctx, after);
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(after[i], before[i]);
  g->FillRect(IColor(), IRECT(20, 10, 30, 20));
  ILayerPtr done = g->EndLayer();
  EXPECT_EQ(fbs.log[fbs.log.size() - 2], "flush " + layer) << "the fill went into the layer";
  EXPECT_EQ(fbs.log.back(), "bind " + main);
  EXPECT_EQ(backend.viewport[0], 400);

  g->DrawLayer(done);
  EXPECT_EQ(Last().paint.image, std::stoi(layer));
}

TEST_F(BitmapTest, TheMainFramebufferHasTheEditorsPixelSize) {
  struct Row {
    float drawScale, screenScale;
    const char* size;
  } rows[] = {{1, 1, "200x100"}, {1.5f, 2, "600x300"}, {1.33f, 1.5f, "399x199"}};
  for (const Row& row : rows) {
    Open(row.drawScale, row.screenScale);
    g->DrawResize();
    const auto& log = Framebuffers().log;
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "delete " + std::to_string(Framebuffers().created[0]));
    EXPECT_EQ(log.back(), "create " + std::to_string(Framebuffers().created.back()) + " " + row.size);
  }
  // 200 points at a screen scale of 1e10 are more pixels than an int counts: the old framebuffer goes and none is
  // made.
  Open(1, 1);
  g->SetScreenScale(1e10f);
  EXPECT_EQ(Framebuffers().log.back(), "delete " + std::to_string(Framebuffers().created[0]));
  EXPECT_EQ(Framebuffers().Count("create"), 1);
}

TEST_F(BitmapTest, LayersAreReadBackAndShadowedFromAMask) {
  g->BeginFrame();
  g->StartLayer(nullptr, IRECT(0, 0, 4, 3));
  ILayerPtr layer = g->EndLayer();
  const std::string image = std::to_string(layer->GetAPIBitmap()->GetBitmapID());
  RawBitmapData data;
  g->GetLayerBitmapData(layer, data);
  ASSERT_EQ(data.GetSize(), 4 * 3 * 4);
  EXPECT_EQ(data.Get()[47], 47);
  const auto& log = Framebuffers().log;
  EXPECT_EQ(log[log.size() - 4], "bind " + image);
  EXPECT_EQ(log[log.size() - 3], "read " + image + " 0,0 4x3");

  const size_t entries = log.size();
  RawBitmapData small;
  small.Resize(8);
  const IShadow shadow(IPattern(IColor(255, 0, 0, 0)), 2, 3, 4, 0.25f, true);
  g->ApplyShadowMask(layer, small, shadow);
  EXPECT_EQ(log.size(), entries) << "a mask smaller than the layer is not read";

  const int imagesBefore = Images();
  g->ApplyShadowMask(layer, data, shadow);
  // The mask's image and the shadow's framebuffer are made, the shadow drawn under the layer at its offset.
  EXPECT_EQ(Images() - imagesBefore, 2);
  const RecordedDraw& under = Last();
  EXPECT_EQ(under.paint.image, Framebuffers().created.back());
  EXPECT_EQ(under.op.srcRGB, VR_ONE_MINUS_DST_ALPHA);
  EXPECT_EQ(under.op.dstRGB, VR_ONE);
  EXPECT_FLOAT_EQ(under.paint.innerColor.a, 0.25f);
  EXPECT_FLOAT_EQ(under.paint.xform[4], 3);
  EXPECT_FLOAT_EQ(under.paint.xform[5], 4);
  g->EndFrame();
  EXPECT_EQ(Framebuffers().Count("delete " + std::to_string(Framebuffers().created.back())), 1);
}

}  // namespace
}  // namespace fx::gfx::test

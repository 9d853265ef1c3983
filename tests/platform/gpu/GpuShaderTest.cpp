// The shader library: its blob format and the checks on it, the uniform layout as the compiled code
// declares it, and each shading path against values worked out from the paint model by hand.
#include <algorithm>
#include <cstring>
#include <functional>
#include <iterator>
#include <map>
#include <string>

#include "platform/gpu/ShaderBlob.h"
#include "platform/gpu/ShaderLibraryData.h"
#include "tests/platform/gpu/GpuTestDevice.h"

namespace platform::gpu::test {
namespace {

using ShaderTest = GpuTest;

TEST_F(ShaderTest, DefaultLibraryHasTheThreeFunctions) {
  EXPECT_EQ(mLibrary->FunctionNames(),
            (std::vector<std::string>{"vertexShader", "fragmentShaderAA", "fragmentShader"}));
  EXPECT_EQ(mLibrary->NewFunction("vertexShader")->Stage(), GpuShaderStage::Vertex);
  EXPECT_EQ(mLibrary->NewFunction("fragmentShaderAA")->Stage(), GpuShaderStage::Fragment);
  EXPECT_EQ(mLibrary->NewFunction("missing"), nullptr);
}

// The device's own library and shared pipelines: a descriptor that makes the same pipeline as an earlier one, with
// functions specialised anew from the library, gets the earlier pipeline; one that differs in one field makes
// another, itself shared from then on.
TEST_F(ShaderTest, SharedPipelinesAreOnePerDistinctDescriptor) {
  std::string reason;
  EXPECT_EQ(mDevice->NewDefaultLibrary(reason), mLibrary);
  // The same functions loaded once more: the same names and constants, other code.
  const std::shared_ptr<GpuLibrary> copy = mDevice->NewLibrary(kShaderLibraryData, kShaderLibraryDataSize, reason);
  ASSERT_NE(copy, nullptr) << reason;
  using Change = std::function<void(GpuRenderPipelineDescriptor&)>;
  const auto shared = [&](const Change& change) {
    const GpuFunctionConstantValues solid{{kConstantPaint, static_cast<uint32_t>(ShaderPaint::Solid)}};
    GpuRenderPipelineDescriptor d;
    d.vertexFunction = mLibrary->NewFunction("vertexShader", solid);
    d.fragmentFunction = mLibrary->NewFunction("fragmentShader", solid);
    d.vertexDescriptor.attributes = {{GpuVertexFormat::Float2, 0}, {GpuVertexFormat::Float2, 8}};
    d.vertexDescriptor.stride = sizeof(ShaderVertex);
    d.colorFormat = GpuPixelFormat::RGBA8Unorm;
    d.blendingEnabled = true;
    d.destinationRGB = d.destinationAlpha = GpuBlendFactor::OneMinusSourceAlpha;
    if (change) change(d);
    std::string why;
    std::shared_ptr<GpuRenderPipelineState> pipeline = mDevice->SharedRenderPipelineState(d, why);
    EXPECT_NE(pipeline, nullptr) << why;
    return pipeline;
  };
  const std::pair<const char*, Change> changes[] = {
      {"another constant value",
       [&](auto& d) {
         d.fragmentFunction =
             mLibrary->NewFunction("fragmentShader", {{kConstantPaint, static_cast<uint32_t>(ShaderPaint::Gradient)}});
       }},
      {"another fragment function",
       [&](auto& d) {
         d.fragmentFunction = mLibrary->NewFunction("fragmentShaderAA", d.fragmentFunction->Constants());
       }},
      {"no fragment function",
       [](auto& d) {
         d.fragmentFunction = nullptr;
         d.colorWrites = false;
       }},
      {"colour writes off", [](auto& d) { d.colorWrites = false; }},
      {"colour format", [](auto& d) { d.colorFormat = GpuPixelFormat::BGRA8Unorm; }},
      {"stencil attachment", [](auto& d) { d.stencilFormat = GpuPixelFormat::Stencil8; }},
      {"blending off", [](auto& d) { d.blendingEnabled = false; }},
      {"the source colour factor", [](auto& d) { d.sourceRGB = GpuBlendFactor::SourceAlpha; }},
      {"the destination colour factor", [](auto& d) { d.destinationRGB = GpuBlendFactor::One; }},
      {"the source alpha factor", [](auto& d) { d.sourceAlpha = GpuBlendFactor::Zero; }},
      {"the destination alpha factor", [](auto& d) { d.destinationAlpha = GpuBlendFactor::One; }},
      {"another vertex function",
       [&](auto& d) { d.vertexFunction = copy->NewFunction("vertexShader", d.vertexFunction->Constants()); }},
      {"the vertex function's constant value",
       [&](auto& d) {
         d.vertexFunction =
             mLibrary->NewFunction("vertexShader", {{kConstantPaint, static_cast<uint32_t>(ShaderPaint::Gradient)}});
       }},
      {"a vertex attribute's offset", [](auto& d) { d.vertexDescriptor.attributes[1].offset = 4; }},
      {"a vertex attribute's format",
       [](auto& d) { d.vertexDescriptor.attributes[1].format = GpuVertexFormat::Float4; }},
      {"the vertex stride", [](auto& d) { d.vertexDescriptor.stride += 8; }},
  };
  const std::shared_ptr<GpuRenderPipelineState> first = shared(nullptr);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(shared(nullptr), first);
  std::vector<std::shared_ptr<GpuRenderPipelineState>> made{first};
  for (const auto& [what, change] : changes) {
    const std::shared_ptr<GpuRenderPipelineState> pipeline = shared(change);
    EXPECT_EQ(std::find(made.begin(), made.end(), pipeline), made.end()) << what << ": an earlier pipeline";
    EXPECT_EQ(shared(change), pipeline) << what << ": not shared";
    made.push_back(pipeline);
  }
}

TEST_F(ShaderTest, DamagedBlobsMakeNoLibrary) {
  const std::vector<uint8_t> good(kShaderLibraryData, kShaderLibraryData + kShaderLibraryDataSize);
  std::vector<std::vector<uint8_t>> damaged;
  damaged.push_back({});                                                  // empty
  damaged.push_back(std::vector<uint8_t>(good.begin(), good.end() - 4));  // truncated
  auto flip = [&](size_t at) {
    std::vector<uint8_t> copy = good;
    copy[at] ^= 0x40;
    damaged.push_back(copy);
  };
  flip(0);                            // magic
  flip(4);                            // version
  flip(8);                            // function count
  flip(kShaderBlobHeaderBytes + 36);  // first function's code offset
  flip(good.size() / 2);              // somewhere in the code
  flip(good.size() - 1);              // the last byte
  for (size_t i = 0; i < damaged.size(); ++i) {
    std::string reason;
    EXPECT_EQ(mDevice->NewLibrary(damaged[i].data(), damaged[i].size(), reason), nullptr) << i;
    EXPECT_FALSE(reason.empty()) << i;
  }
  std::string reason;
  EXPECT_NE(mDevice->NewLibrary(good.data(), good.size(), reason), nullptr) << reason;
}

TEST(ShaderBlobTest, PackAndReadRoundTripAndRejectBadNames) {
  const std::vector<uint32_t> code = {0x07230203, 0x00010600, 0, 1, 0};
  const std::vector<uint8_t> blob = PackShaderBlob({{"a", 0, code}, {"second", 1, code}});
  std::vector<ShaderBlobFunction> functions;
  std::string reason;
  ASSERT_TRUE(ReadShaderBlob(blob.data(), blob.size(), functions, reason)) << reason;
  ASSERT_EQ(functions.size(), 2u);
  EXPECT_EQ(functions[1].name, "second");
  EXPECT_EQ(functions[1].stage, 1u);
  EXPECT_EQ(functions[1].code, code);
  EXPECT_TRUE(PackShaderBlob({{std::string(32, 'x'), 0, code}}).empty());
  EXPECT_TRUE(PackShaderBlob({{"empty", 0, {}}}).empty());
}

// What the compiled fragment code declares for its uniform records (SPIR-V decorations): member
// offsets by struct id, and the array strides.
struct DeclaredLayout {
  std::map<uint32_t, std::vector<uint32_t>> offsets;
  std::vector<uint32_t> arrayStrides;
};

DeclaredLayout Declared(const std::vector<uint32_t>& code) {
  constexpr uint32_t kOpDecorate = 71, kOpMemberDecorate = 72, kDecorationArrayStride = 6, kDecorationOffset = 35;
  DeclaredLayout layout;
  for (size_t i = 5; i < code.size();) {
    const uint32_t words = code[i] >> 16, opcode = code[i] & 0xffff;
    if (words == 0) break;
    if (opcode == kOpMemberDecorate && words >= 5 && code[i + 3] == kDecorationOffset) {
      std::vector<uint32_t>& members = layout.offsets[code[i + 1]];
      if (members.size() <= code[i + 2]) members.resize(code[i + 2] + 1);
      members[code[i + 2]] = code[i + 4];
    }
    if (opcode == kOpDecorate && words >= 4 && code[i + 2] == kDecorationArrayStride)
      layout.arrayStrides.push_back(code[i + 3]);
    i += words;
  }
  return layout;
}

TEST(ShaderLayoutTest, CompiledUniformBlockMatchesTheCppRecord) {
  std::vector<ShaderBlobFunction> functions;
  std::string reason;
  ASSERT_TRUE(ReadShaderBlob(kShaderLibraryData, kShaderLibraryDataSize, functions, reason)) << reason;
  const std::vector<uint32_t> expected = {
      offsetof(ShaderFragmentUniforms, scissorMat), offsetof(ShaderFragmentUniforms, paintMat),
      offsetof(ShaderFragmentUniforms, innerCol),   offsetof(ShaderFragmentUniforms, outerCol),
      offsetof(ShaderFragmentUniforms, scissorExt), offsetof(ShaderFragmentUniforms, scissorScale),
      offsetof(ShaderFragmentUniforms, extent),     offsetof(ShaderFragmentUniforms, radius),
      offsetof(ShaderFragmentUniforms, feather),    offsetof(ShaderFragmentUniforms, strokeMult),
      offsetof(ShaderFragmentUniforms, strokeThr),  offsetof(ShaderFragmentUniforms, texType),
      offsetof(ShaderFragmentUniforms, type)};
  for (const ShaderBlobFunction& f : functions) {
    if (f.stage != 1) continue;
    const DeclaredLayout layout = Declared(f.code);
    bool found = false;
    for (const auto& [id, offsets] : layout.offsets)
      found =
          found || (offsets.size() > expected.size() && std::equal(expected.begin(), expected.end(), offsets.begin()));
    EXPECT_TRUE(found) << f.name;
    EXPECT_NE(std::find(layout.arrayStrides.begin(), layout.arrayStrides.end(), kFragmentRecordStride),
              layout.arrayStrides.end())
        << f.name;
  }
}

TEST_F(ShaderTest, EachDrawReadsItsOwnRecordAcrossAndBeyondTheRecordWindow) {
  // 100 records of 256 bytes (more than one 16 KiB window), drawn forwards and then out of order, and a
  // buffer whose end falls between records; each one-pixel quad shows its record's red.
  struct Case {
    int records;
    size_t length;
    std::vector<int> order;
  };
  std::vector<int> forwards(100);
  for (int i = 0; i < 100; ++i) forwards[i] = i;
  const Case cases[] = {{100, 100 * 256, forwards},
                        {100, 100 * 256, {99, 3, 70, 71, 10, 98, 0, 64, 63, 65}},
                        {4, 3 * 256 + sizeof(ShaderFragmentUniforms), {3, 0, 2, 1}}};
  PipelineSpec spec;
  spec.blending = false;
  auto pipeline = Pipeline(spec);
  for (const Case& c : cases) {
    std::shared_ptr<GpuBuffer> records = Buffer(nullptr, c.length);
    for (int i = 0; i < c.records; ++i) {
      const ShaderFragmentUniforms paint = Solid(2 * i / 255.0f, 0, 0, 1);
      std::memcpy(static_cast<char*>(records->Contents()) + i * 256, &paint, sizeof paint);
    }
    std::vector<ShaderVertex> quads;
    for (int i = 0; i < c.records; ++i) {
      const std::vector<ShaderVertex> quad = Quad(i, 0, i + 1, 1);
      quads.insert(quads.end(), quad.begin(), quad.end());
    }
    const std::vector<uint8_t> pixels = Render(c.records, 1, {}, false, [&](GpuRenderEncoder& encoder) {
      encoder.SetRenderPipelineState(pipeline);
      encoder.SetVertexBuffer(Buffer(quads), 0, 0);
      encoder.SetFragmentBuffer(records, 0, 0);
      for (int i : c.order) {
        encoder.SetFragmentBufferOffset(i * 256, 0);
        encoder.DrawPrimitives(GpuPrimitiveType::Triangle, 6 * i, 6);
      }
    });
    for (int i : c.order) EXPECT_EQ(Pixel(pixels, c.records, i, 0).r, 2 * i) << "record " << i;
  }
}

// One quad over the whole target with the paint; the fragment function by name.
class PaintTest : public GpuTest {
 protected:
  std::vector<uint8_t> Paint(int width, int height, const char* fragment, const ShaderFragmentUniforms& uniforms,
                             const std::vector<ShaderVertex>& vertices, GpuClearColor clear = {},
                             const std::shared_ptr<GpuTexture>& texture = nullptr) {
    PipelineSpec spec;
    spec.fragment = fragment;
    auto pipeline = Pipeline(spec);
    auto sampler = Sampler(GpuSamplerFilter::Nearest, GpuSamplerAddressMode::ClampToEdge);
    return Render(width, height, clear, false, [&](GpuRenderEncoder& encoder) {
      DrawTriangles(encoder, pipeline, vertices, uniforms, texture, sampler);
    });
  }
};

TEST_F(PaintTest, LinearGradientIsHalfwayAtItsMidpoint) {
  // Red to blue from x = 16 to x = 48 (feather 32): the paint matrix puts x - 32 at the rounded
  // rectangle's edge (its half-height 1000 along y), so the mix is (x - 16) / 32.
  ShaderFragmentUniforms u = Solid(1, 0, 0, 1);
  const float blue[4] = {0, 0, 1, 1};
  std::memcpy(u.outerCol, blue, sizeof blue);
  SetMatrix(u.paintMat, 0, 0, 0, 1, 0, 1000 - 32);
  u.extent[0] = u.extent[1] = 1000;
  u.feather = 32;
  for (const char* fragment : {"fragmentShader", "fragmentShaderAA"}) {
    const std::vector<uint8_t> pixels = Paint(64, 4, fragment, u, Quad(0, 0, 64, 4));
    const Rgba left = Pixel(pixels, 64, 31, 1), right = Pixel(pixels, 64, 32, 1);
    EXPECT_NEAR((left.r + right.r) / 2.0, 127.5, 1.0) << fragment;
    EXPECT_NEAR((left.b + right.b) / 2.0, 127.5, 1.0) << fragment;
    EXPECT_NEAR(left.r, 255 * (1 - 15.5 / 32), 1.0) << fragment;
    EXPECT_EQ(Pixel(pixels, 64, 10, 1).r, 255) << fragment;  // before the start: the inner colour
    EXPECT_EQ(Pixel(pixels, 64, 50, 1).b, 255) << fragment;  // after the end: the outer colour
  }
}

TEST_F(PaintTest, ScissorEdgeThroughAPixelCentreHalfCoversIt) {
  // Scissor from x = 0 to 16.5 (centre 8.25, half-extent 8.25), one pixel of ramp: pixel 16's centre lies
  // on the edge, so white at half coverage over transparent black gives half alpha.
  ShaderFragmentUniforms u = Solid(1, 1, 1, 1);
  SetMatrix(u.scissorMat, 1, 0, -8.25f, 0, 1, -2);
  u.scissorExt[0] = 8.25f;
  u.scissorExt[1] = 1000;
  const std::vector<uint8_t> pixels = Paint(24, 4, "fragmentShader", u, Quad(0, 0, 24, 4));
  EXPECT_EQ(Pixel(pixels, 24, 15, 1).a, 255);
  EXPECT_NEAR(Pixel(pixels, 24, 16, 1).a, 127.5, 1.0);
  EXPECT_NEAR(Pixel(pixels, 24, 16, 1).r, 127.5, 1.0);
  EXPECT_EQ(Pixel(pixels, 24, 17, 1).a, 0);
}

TEST_F(PaintTest, AntiAliasedStrokeBelowTheThresholdIsDiscarded) {
  // u runs 0 to 1 across 16 pixels, so the stroke coverage is the tent 1 - |2u - 1|. Threshold 0.5: the
  // outer quarters keep the green clear colour, the middle gets red times the coverage. Without edge
  // anti-aliasing nothing is discarded and nothing is attenuated.
  ShaderFragmentUniforms u = Solid(1, 0, 0, 1);
  u.strokeThr = 0.5f;
  const std::vector<ShaderVertex> quad = Quad(0, 0, 16, 2, 0, 1, 1, 1);
  const std::vector<uint8_t> aa = Paint(16, 2, "fragmentShaderAA", u, quad, {0, 1, 0, 1});
  for (int x : {0, 1, 2}) EXPECT_EQ(Pixel(aa, 16, x, 0).g, 255) << x;  // coverage 1/16 .. 5/16
  for (int x : {13, 14, 15}) EXPECT_EQ(Pixel(aa, 16, x, 0).g, 255) << x;
  const Rgba middle = Pixel(aa, 16, 7, 0);  // centre u = 7.5 / 16: coverage 15/16
  EXPECT_NEAR(middle.r, 255 * 15 / 16.0, 1.0);
  EXPECT_NEAR(middle.g, 255 / 16.0, 1.0);      // premultiplied source over green
  const Rgba justAbove = Pixel(aa, 16, 4, 0);  // coverage 9/16, drawn
  EXPECT_NEAR(justAbove.r, 255 * 9 / 16.0, 1.0);
  const std::vector<uint8_t> plain = Paint(16, 2, "fragmentShader", u, quad, {0, 1, 0, 1});
  for (int x = 0; x < 16; ++x) EXPECT_EQ(Pixel(plain, 16, x, 0).r, 255) << x;
}

TEST_F(PaintTest, TextTakesTheAtlasCoverageAndIgnoresStrokeCoverage) {
  // An alpha atlas of coverage 200 drawn as triangles (type 2) with texture coordinates 0 to 1: the
  // stroke tent over the same coordinates would darken the edges; text must not use it.
  std::shared_ptr<GpuTexture> atlas = Texture(GpuPixelFormat::R8Unorm, 4, 4, kTextureUsageShaderRead);
  const std::vector<uint8_t> coverage(16, 200);
  ASSERT_TRUE(atlas->ReplaceRegion({0, 0, 4, 4}, 0, coverage.data(), 4));
  ShaderFragmentUniforms u = Solid(1, 1, 1, 1);
  u.type = 2;
  u.texType = 2;
  const std::vector<uint8_t> pixels = Paint(8, 8, "fragmentShaderAA", u, Quad(0, 0, 8, 8, 0, 0, 1, 1), {}, atlas);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      const Rgba p = Pixel(pixels, 8, x, y);
      ASSERT_EQ(p.a, 200) << x << "," << y;
      ASSERT_EQ(p.r, 200) << x << "," << y;
    }
}

struct VariantRow {
  const char* name;
  std::function<void(ShaderFragmentUniforms&)> paint;  // changes to a solid 20 % red, 40 % green, 60 % blue, 80 % alpha
  int texture;                                         // 0 none, 1 a straight RGBA image, 2 an alpha atlas
  ShaderFragmentVariant expected;
};

// Every kind of record: the variant chosen for it in a 16 x 8 frame, and that variant shades it as the general
// function does, with and without edge anti-aliasing (coordinates ramp 0 to 1 across the target, so the stroke
// coverage varies, and the scissor, where there is one, cuts through the middle).
TEST_F(PaintTest, SpecialisedFunctionsShadeTheirRecordsAsTheGeneralFunction) {
  const auto scissor = [](ShaderFragmentUniforms& u) {
    SetMatrix(u.scissorMat, 1, 0, -6.3f, 0, 1, -4);
    u.scissorExt[0] = 4.3f;
    u.scissorExt[1] = 1000;
  };
  const auto gradient = [](ShaderFragmentUniforms& u) {
    const float blue[4] = {0, 0, 0.5f, 0.5f};
    std::memcpy(u.outerCol, blue, sizeof blue);
    SetMatrix(u.paintMat, 1, 0, -8, 0, 1, -4);
    u.extent[0] = u.extent[1] = 3;
    u.radius = 2;
    u.feather = 4;
  };
  const VariantRow rows[] = {
      {"solid", [](ShaderFragmentUniforms&) {}, 0, {ShaderPaint::Solid, false, false}},
      {"solid, scissored", scissor, 0, {ShaderPaint::Solid, true, false}},
      {"solid, stroke threshold",
       [&](ShaderFragmentUniforms& u) {
         scissor(u);
         u.strokeThr = 0.4f;
       },
       0,
       {ShaderPaint::Solid, true, true}},
      {"gradient", gradient, 0, {ShaderPaint::Gradient, false, false}},
      {"gradient, scissored",
       [&](ShaderFragmentUniforms& u) {
         gradient(u);
         scissor(u);
       },
       0,
       {ShaderPaint::Gradient, true, false}},
      {"linear gradient",
       [](ShaderFragmentUniforms& u) {
         const float blue[4] = {0, 0, 0.5f, 0.5f};
         std::memcpy(u.outerCol, blue, sizeof blue);
         SetMatrix(u.paintMat, 1, 0, -8, 0, 1, 1e5f - 4);
         u.extent[0] = u.extent[1] = 1e5f;
         u.feather = 4;
       },
       0,
       {ShaderPaint::LinearGradient, false, false}},
      {"image",
       [](ShaderFragmentUniforms& u) {
         u.type = 1;
         u.texType = 1;
         SetMatrix(u.paintMat, 1, 0, -2, 0, 1, 0);
         u.extent[0] = 12;
         u.extent[1] = 8;
       },
       1,
       {ShaderPaint::Image, false, false}},
      {"text",
       [&](ShaderFragmentUniforms& u) {
         u.type = 2;
         u.texType = 2;
         scissor(u);
       },
       2,
       {ShaderPaint::Text, true, false}},
  };
  std::shared_ptr<GpuTexture> image = Texture(GpuPixelFormat::RGBA8Unorm, 4, 4, kTextureUsageShaderRead);
  std::shared_ptr<GpuTexture> atlas = Texture(GpuPixelFormat::R8Unorm, 4, 4, kTextureUsageShaderRead);
  std::vector<uint8_t> texels(64), coverage(16);
  for (size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<uint8_t>(i * 37 % 256);
  for (size_t i = 0; i < coverage.size(); ++i) coverage[i] = static_cast<uint8_t>(i * 16);
  ASSERT_TRUE(image->ReplaceRegion({0, 0, 4, 4}, 0, texels.data(), 16));
  ASSERT_TRUE(atlas->ReplaceRegion({0, 0, 4, 4}, 0, coverage.data(), 4));
  auto sampler = Sampler(GpuSamplerFilter::Linear, GpuSamplerAddressMode::ClampToEdge);
  const std::vector<ShaderVertex> quad = Quad(0, 0, 16, 8, 0, 0, 1, 1);

  for (const VariantRow& row : rows) {
    ShaderFragmentUniforms u = Solid(0.2f, 0.4f, 0.6f, 0.8f);
    row.paint(u);
    const ShaderFragmentVariant variant = FragmentVariantFor(u, 16, 8);
    EXPECT_EQ(variant, row.expected) << row.name;
    const std::shared_ptr<GpuTexture> texture = row.texture == 1 ? image : row.texture == 2 ? atlas : nullptr;
    for (const char* fragment : {"fragmentShader", "fragmentShaderAA"}) {
      std::vector<uint8_t> pixels[2];
      for (int specialised = 0; specialised < 2; ++specialised) {
        PipelineSpec spec;
        spec.fragment = fragment;
        if (specialised)
          spec.constants = {{kConstantPaint, static_cast<uint32_t>(variant.paint)},
                            {kConstantScissor, variant.scissor},
                            {kConstantStrokeDiscard, variant.strokeDiscard}};
        auto pipeline = Pipeline(spec);
        pixels[specialised] = Render(16, 8, {0, 0.5f, 0, 0.5f}, false, [&](GpuRenderEncoder& encoder) {
          DrawTriangles(encoder, pipeline, quad, u, texture, sampler);
        });
      }
      ASSERT_EQ(pixels[0].size(), pixels[1].size());
      for (size_t i = 0; i < pixels[0].size(); ++i)
        ASSERT_NEAR(pixels[0][i], pixels[1][i], 1) << row.name << ", " << fragment << ", byte " << i;
    }
  }
  // The linear gradient in a frame that reaches past its rectangle's side (x beyond 1e5 + 8): no longer linear.
  ShaderFragmentUniforms linear = Solid(0.2f, 0.4f, 0.6f, 0.8f);
  std::find_if(std::begin(rows), std::end(rows), [](const VariantRow& row) {
    return std::string(row.name) == "linear gradient";
  })->paint(linear);
  EXPECT_EQ(FragmentVariantFor(linear, 16, 8).paint, ShaderPaint::LinearGradient);
  EXPECT_EQ(FragmentVariantFor(linear, 2e5f, 8).paint, ShaderPaint::Gradient);
  linear.radius = 1;
  EXPECT_EQ(FragmentVariantFor(linear, 16, 8).paint, ShaderPaint::Gradient);
}

struct ImageRow {
  int texType;
  GpuPixelFormat format;
  Rgba expected;  // from the texel (200, 100, 0, 128) (alpha images: 200) times the paint colour white
};

class ImagePaintTest : public PaintTest, public ::testing::WithParamInterface<ImageRow> {};

TEST_P(ImagePaintTest, TextureTypeDecidesPremultiplication) {
  std::shared_ptr<GpuTexture> image = Texture(GetParam().format, 1, 1, kTextureUsageShaderRead);
  const uint8_t texel[4] = {200, 100, 0, 128};
  ASSERT_TRUE(image->ReplaceRegion({0, 0, 1, 1}, 0, texel, 4));
  ShaderFragmentUniforms u = Solid(1, 1, 1, 1);
  u.type = 1;
  u.texType = GetParam().texType;
  u.extent[0] = u.extent[1] = 4;  // the image spans the 4 x 4 target
  PipelineSpec spec;
  spec.blending = false;
  auto pipeline = Pipeline(spec);
  auto sampler = Sampler(GpuSamplerFilter::Nearest, GpuSamplerAddressMode::ClampToEdge);
  const std::vector<uint8_t> pixels = Render(4, 4, {}, false, [&](GpuRenderEncoder& encoder) {
    DrawTriangles(encoder, pipeline, Quad(0, 0, 4, 4), u, image, sampler);
  });
  const Rgba p = Pixel(pixels, 4, 2, 2);
  EXPECT_NEAR(p.r, GetParam().expected.r, 1);
  EXPECT_NEAR(p.g, GetParam().expected.g, 1);
  EXPECT_NEAR(p.b, GetParam().expected.b, 1);
  EXPECT_NEAR(p.a, GetParam().expected.a, 1);
}

INSTANTIATE_TEST_SUITE_P(Rows, ImagePaintTest,
                         ::testing::Values(ImageRow{0, GpuPixelFormat::RGBA8Unorm, {200, 100, 0, 128}},
                                           ImageRow{1, GpuPixelFormat::RGBA8Unorm, {100, 50, 0, 128}},
                                           ImageRow{2, GpuPixelFormat::R8Unorm, {200, 200, 200, 200}}));

}  // namespace
}  // namespace platform::gpu::test

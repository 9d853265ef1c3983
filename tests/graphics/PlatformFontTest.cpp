// Font files as the editor's platform reads them: the sfnt reader on hand-built fonts and collections,
// DejaVu Sans against values read from its tables once with a separate script (struct.unpack over the
// table directory, 'head' + 18/44 and 'hhea' + 4..9), the three loaders and the descriptor cache.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "graphics/FontconfigFont.h"

namespace fx::gfx {
namespace {

const char* const kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, size_t at, uint16_t v) {
  b[at] = uint8_t(v >> 8);
  b[at + 1] = uint8_t(v);
}
void Put32(Bytes& b, size_t at, uint32_t v) {
  Put16(b, at, uint16_t(v >> 16));
  Put16(b, at + 2, uint16_t(v));
}

struct FaceSpec {
  uint32_t signature = 0x00010000;
  std::u16string windowsFamily = u"Test Sans";
  std::string macFamily = "Mac Sans";
  std::u16string style = u"Regular";
  uint16_t unitsPerEM = 1000;
  int16_t ascender = 800, descender = -200, lineGap = -30;
  uint16_t macStyle = 1;
};

// Appends one face (offset table, 'head', 'hhea', 'name') at the end of file; table offsets count from the
// file's start, as in a collection. Answers the face's offset.
uint32_t AppendFace(Bytes& file, const FaceSpec& spec) {
  const size_t face = file.size();
  file.resize(face + 12 + 3 * 16);
  Put32(file, face, spec.signature);
  Put16(file, face + 4, 3);
  auto addTable = [&](int i, const char* tag, const Bytes& table) {
    const size_t entry = face + 12 + 16 * i;
    for (int k = 0; k < 4; ++k) file[entry + k] = uint8_t(tag[k]);
    Put32(file, entry + 8, uint32_t(file.size()));
    Put32(file, entry + 12, uint32_t(table.size()));
    file.insert(file.end(), table.begin(), table.end());
  };
  Bytes head(54, 0);
  Put16(head, 18, spec.unitsPerEM);
  Put16(head, 44, spec.macStyle);
  Bytes hhea(36, 0);
  Put16(hhea, 4, uint16_t(spec.ascender));
  Put16(hhea, 6, uint16_t(spec.descender));
  Put16(hhea, 8, uint16_t(spec.lineGap));
  // Records: Windows family, Macintosh family, Windows style.
  Bytes storage;
  Bytes name(6 + 3 * 12, 0);
  Put16(name, 2, 3);
  Put16(name, 4, uint16_t(name.size()));
  auto addName = [&](int i, uint16_t platform, uint16_t encoding, uint16_t language, uint16_t id, Bytes text) {
    const size_t r = 6 + 12 * i;
    Put16(name, r, platform);
    Put16(name, r + 2, encoding);
    Put16(name, r + 4, language);
    Put16(name, r + 6, id);
    Put16(name, r + 8, uint16_t(text.size()));
    Put16(name, r + 10, uint16_t(storage.size()));
    storage.insert(storage.end(), text.begin(), text.end());
  };
  auto utf16 = [](const std::u16string& s) {
    Bytes b;
    for (char16_t c : s) b.insert(b.end(), {uint8_t(c >> 8), uint8_t(c)});
    return b;
  };
  addName(0, 3, 1, 1033, 1, utf16(spec.windowsFamily));
  addName(1, 1, 0, 0, 1, Bytes(spec.macFamily.begin(), spec.macFamily.end()));
  addName(2, 3, 1, 1033, 2, utf16(spec.style));
  name.insert(name.end(), storage.begin(), storage.end());
  addTable(0, "head", head);
  addTable(1, "hhea", hhea);
  addTable(2, "name", name);
  return uint32_t(face);
}

Bytes Font(const FaceSpec& spec) {
  Bytes file;
  AppendFace(file, spec);
  return file;
}

Bytes Collection(uint32_t version, const std::vector<FaceSpec>& faces) {
  Bytes file(12 + 4 * faces.size(), 0);
  file[0] = 't', file[1] = 't', file[2] = 'c', file[3] = 'f';
  Put32(file, 4, version);
  Put32(file, 8, uint32_t(faces.size()));
  for (size_t i = 0; i < faces.size(); ++i) {
    const uint32_t offset = AppendFace(file, faces[i]);
    Put32(file, 12 + 4 * i, offset);
  }
  return file;
}

IFontFileData Read(const Bytes& b, int face = 0) {
  return IFontFileData(b.data(), int(b.size()), face);
}

TEST(FontFileData, ReadsNamesAndSignedMetrics) {
  const IFontFileData font = Read(Font({}));
  ASSERT_TRUE(font.IsValid());
  EXPECT_STREQ(font.GetFamily(), "Test Sans");
  EXPECT_STREQ(font.GetStyle(), "Regular");
  EXPECT_EQ(font.GetUnitsPerEM(), 1000);
  EXPECT_EQ(font.GetAscender(), 800);
  EXPECT_EQ(font.GetDescender(), -200);
  EXPECT_EQ(font.GetLineGap(), -30);
  EXPECT_EQ(font.GetMacStyle(), 1);
  EXPECT_DOUBLE_EQ(font.GetEmRatio(), 1.0);
}

TEST(FontFileData, FallsBackToTheMacintoshNameAndDecodesSurrogates) {
  FaceSpec spec;
  spec.windowsFamily = u"";
  EXPECT_STREQ(Read(Font(spec)).GetFamily(), "Mac Sans");
  spec.windowsFamily = u"A\U0001F600";  // a character outside the basic plane, as a surrogate pair
  EXPECT_STREQ(Read(Font(spec)).GetFamily(), "A\xF0\x9F\x98\x80");
}

TEST(FontFileData, SignaturesFacesAndCollections) {
  struct Row {
    const char* what;
    Bytes bytes;
    int face;
    bool valid;
    const char* family;
  };
  const auto withSignature = [](uint32_t signature) {
    FaceSpec spec;
    spec.signature = signature;
    return spec;
  };
  FaceSpec second;
  second.windowsFamily = u"Second";
  const Row rows[] = {
      {"TrueType", Font({}), 0, true, "Test Sans"},
      {"old TrueType '1'", Font(withSignature(0x31000000)), 0, true, "Test Sans"},
      {"CFF OpenType 'OTTO'", Font(withSignature(0x4F54544F)), 0, true, "Test Sans"},
      {"Type 1 'typ1'", Font(withSignature(0x74797031)), 0, true, "Test Sans"},
      {"Apple's 'true' is not a signature the reader knows", Font(withSignature(0x74727565)), 0, false, ""},
      {"unknown signature", Font(withSignature(0x12345678)), 0, false, ""},
      {"face 1 of a single face", Font({}), 1, false, ""},
      {"collection face 1", Collection(0x00010000, {FaceSpec{}, second}), 1, true, "Second"},
      {"collection version 2", Collection(0x00020000, {FaceSpec{}, second}), 0, true, "Test Sans"},
      {"collection version 3", Collection(0x00030000, {FaceSpec{}, second}), 0, false, ""},
      {"collection face past the count", Collection(0x00010000, {FaceSpec{}, second}), 2, false, ""},
      {"no bytes", Bytes{}, 0, false, ""},
  };
  for (const Row& row : rows) {
    const IFontFileData font = Read(row.bytes, row.face);
    EXPECT_EQ(font.IsValid(), row.valid) << row.what;
    EXPECT_STREQ(font.GetFamily(), row.family) << row.what;
    if (!row.valid) {
      EXPECT_EQ(font.GetUnitsPerEM(), 0) << row.what;
      continue;
    }
    // The face is the object's own copy of the bytes at the offset table: the start of a single face, the offset
    // a collection's directory gives for a face of it.
    const bool collection = std::string(row.bytes.begin(), row.bytes.begin() + 4) == "ttcf";
    const size_t at =
        collection ? (size_t(row.bytes[12 + 4 * row.face + 2]) << 8 | row.bytes[12 + 4 * row.face + 3]) : 0;
    EXPECT_EQ(font.GetFace(), font.GetData() + at) << row.what;
  }
}

TEST(FontFileData, CutFilesAndUnusableMetricsAreSafe) {
  const Bytes whole = Font({});
  for (size_t size = 0; size < whole.size(); size += 7) {
    const IFontFileData font(whole.data(), int(size), 0);
    EXPECT_FALSE(font.IsValid()) << size;  // the name table, last in the file, runs past every cut
  }
  FaceSpec flat;
  flat.ascender = 0;
  flat.descender = 0;
  EXPECT_DOUBLE_EQ(Read(Font(flat)).GetEmRatio(), 1.0);
}

// A face is picked by family and style: a collection may hold faces of one style in several families.
TEST(FontFileData, FindsFacesByFamilyAndStyleName) {
  FaceSpec other, regular, bold;
  other.windowsFamily = u"Other Sans";
  bold.style = u"Bold";
  const Bytes collection = Collection(0x00010000, {other, regular, bold});
  const struct {
    const char* family;
    const char* style;
    int face;
  } rows[] = {
      {"Test Sans", "Regular", 1},  {"test sans", "Bold", 2}, {"Other Sans", "Regular", 0}, {"", "Bold", 2},
      {"Test Sans", "", 1},         {nullptr, nullptr, 0},    {"Test Sans", "Italic", -1},  {"No Sans", "Regular", -1},
      {"Test Sans", "regular", -1},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(FindFaceIndex(collection.data(), int(collection.size()), row.family, row.style), row.face)
        << (row.family ? row.family : "(null)") << " " << (row.style ? row.style : "(null)");
  }

  // A font found by family name reads the face of its family and style, not the first face of the style.
  platform::fonts::FontDescriptor descriptor;
  descriptor.bytes = std::make_shared<const Bytes>(collection);
  descriptor.family = "Test Sans";
  const FontconfigFont font(descriptor, true, "Regular");
  const std::unique_ptr<IFontFileData> data = font.GetFontData();
  ASSERT_TRUE(data && data->IsValid());
  EXPECT_EQ(data->GetFaceIdx(), 1);
  EXPECT_STREQ(data->GetFamily(), "Test Sans");
}

TEST(FontFileData, DejaVuSansTables) {
  const platform::fonts::FontBytes bytes = platform::fonts::ReadFontFile(kDejaVuSans);
  ASSERT_TRUE(bytes);
  const IFontFileData font(bytes->data(), int(bytes->size()), 0);
  ASSERT_TRUE(font.IsValid());
  EXPECT_STREQ(font.GetFamily(), "DejaVu Sans");
  EXPECT_STREQ(font.GetStyle(), "Book");
  EXPECT_EQ(font.GetUnitsPerEM(), 2048);
  EXPECT_EQ(font.GetAscender(), 1901);
  EXPECT_EQ(font.GetDescender(), -483);
  EXPECT_EQ(font.GetLineGap(), 0);
  EXPECT_EQ(font.GetHeadLocation(), 614156u);
  EXPECT_EQ(font.GetHHeaLocation(), 614212u);
  EXPECT_EQ(font.GetNameLocation(), 680660u);
  EXPECT_EQ(font.GetFDscLocation(), 0u);
}

TEST(PlatformFontLoaders, FileFamilyAndMemory) {
  const PlatformFontPtr file = FontFileHelpers::LoadPlatformFont("Sans", kDejaVuSans, nullptr, nullptr);
  ASSERT_TRUE(file);
  EXPECT_FALSE(file->IsSystem());
  EXPECT_EQ(file->GetDescriptor().path, kDejaVuSans);
  EXPECT_EQ(FontFileHelpers::LoadPlatformFont("Sans", "no-such-font.ttf", nullptr, nullptr), nullptr);

  const PlatformFontPtr bold = FontFileHelpers::LoadPlatformFont("Bold", "DejaVu Sans", kTextStyleBold);
  ASSERT_TRUE(bold);
  EXPECT_TRUE(bold->IsSystem());
  const auto boldData = bold->GetFontData();
  ASSERT_TRUE(boldData && boldData->IsValid());
  EXPECT_STREQ(boldData->GetStyle(), "Bold");
  EXPECT_EQ(boldData->GetMacStyle() & 1, 1);
  EXPECT_EQ(FontFileHelpers::LoadPlatformFont("X", "No Such Family", kTextStyleNormal), nullptr);

  // fontconfig lists Roboto's Thin, Light, Medium and Black files under "Roboto" "Regular" too (their legacy
  // style names): the face loaded is the one whose own family is Roboto.
  const PlatformFontPtr roboto = FontFileHelpers::LoadPlatformFont("R", "Roboto", kTextStyleNormal);
  ASSERT_TRUE(roboto);
  const auto robotoData = roboto->GetFontData();
  ASSERT_TRUE(robotoData && robotoData->IsValid());
  EXPECT_STREQ(robotoData->GetFamily(), "Roboto");
  EXPECT_STREQ(robotoData->GetStyle(), "Regular");
  EXPECT_EQ(roboto->GetDescriptor().faceIndex, robotoData->GetFaceIdx());
  EXPECT_TRUE(roboto->GetDescriptor().path.ends_with("/Roboto-Regular.ttf")) << roboto->GetDescriptor().path;

  const Bytes synthetic = Font({});
  const PlatformFontPtr memory = FontFileHelpers::LoadPlatformFont("Mem", synthetic.data(), int(synthetic.size()));
  ASSERT_TRUE(memory);
  EXPECT_STREQ(memory->GetFontData()->GetFamily(), "Test Sans");
  const Bytes junk(100, 0x55);
  EXPECT_EQ(FontFileHelpers::LoadPlatformFont("Junk", junk.data(), int(junk.size())), nullptr);
  EXPECT_EQ(FontFileHelpers::LoadPlatformFont("None", static_cast<const void*>(nullptr), 0), nullptr);
}

TEST(PlatformFontCache, TheFirstFontUnderAnIdStays) {
  FontDescriptorCache cache;
  const Bytes first = Font({});
  FaceSpec tall;
  tall.unitsPerEM = 2000;
  const Bytes second = Font(tall);
  FontFileHelpers::CachePlatformFont("Id", FontFileHelpers::LoadPlatformFont("Id", first.data(), int(first.size())),
                                     cache);
  FontFileHelpers::CachePlatformFont("Id", FontFileHelpers::LoadPlatformFont("Id", second.data(), int(second.size())),
                                     cache);
  const FontFileDescriptor* entry = FontFileHelpers::GetFontFileDescriptor("Id", cache);
  ASSERT_TRUE(entry);
  EXPECT_DOUBLE_EQ(entry->emRatio, 1.0);  // 1000 / (800 + 200), not the second font's 2.0
  EXPECT_EQ(cache.GetSize(), 1);
  EXPECT_EQ(FontFileHelpers::GetFontFileDescriptor("Other", cache), nullptr);
}

}  // namespace
}  // namespace fx::gfx

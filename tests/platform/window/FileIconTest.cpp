// A file's type and icon, looked up in a desktop tree the test builds (the MIME database's files, icon themes and a
// toolkit setting), and the pictures made from them.
#include "platform/window/FileIcon.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>

#include "tests/support/TempDataHome.h"
#include "tools/pngfile/PngFile.h"

namespace platform::window {
namespace {

using presets_test::WriteTextFile;

// Straight RGBA of one pixel.
using Rgba = std::array<uint8_t, 4>;

class FileIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = home.Root();
    folders.home = root + "/home";
    folders.data = {root + "/user", root + "/system"};
    folders.config = {root + "/config", root + "/etc"};
    Write("user/mime/globs2",
          "# comment\n50:audio/x-wav:*.wav\n50:application/x-compressed-tar:*.tar.gz\n50:application/gzip:*.gz\n"
          "50:text/x-c++src:*.C:cs\n50:text/x-csrc:*.c\n50:text/x-makefile:makefile\n80:text/x-kd-high:*.kdh\n"
          "50:text/x-kd-low:*.kdh\n50:application/x-kd-preset:*.lps\n0:image/x-old:__NOGLOBS__\n"
          "50:audio/flac:*.flac\n50:image/x-pix:*.pix\n");
    Write("system/mime/globs2", "50:audio/x-wav:*.wave\n50:image/x-old:*.old\n");
    Write("user/mime/icons", "application/x-kd-preset:kelvadrune-preset\n");
    Write("user/mime/generic-icons", "application/x-kd-preset:package-x-generic\n");
    Write("config/gtk-3.0/settings.ini", "[Settings]\ngtk-icon-theme-name = \"KdTheme\"\n");
    const std::string sizes = "32x32/mimetypes,48x48/mimetypes,64x64/mimetypes,96x96/mimetypes,scalable/mimetypes";
    std::string folderSections;
    for (int size : {32, 48, 64, 96}) {
      folderSections += "[" + std::to_string(size) + "x" + std::to_string(size) +
                        "/mimetypes]\nSize=" + std::to_string(size) + "\nType=Fixed\n";
    }
    folderSections += "[scalable/mimetypes]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n";
    Write("system/icons/KdTheme/index.theme",
          "[Icon Theme]\nName=Kd\nInherits=KdParent\nDirectories=" + sizes + "\n" + folderSections);
    Write("system/icons/KdParent/index.theme", "[Icon Theme]\nDirectories=" + sizes + "\n" + folderSections);
    Write("system/icons/hicolor/index.theme", "[Icon Theme]\nDirectories=" + sizes + "\n" + folderSections);
    // Icons as the tests look for them; scalable ones only as SVG, which is not read.
    Icon("system/icons/KdTheme/32x32/mimetypes/audio-x-wav.png", 32, {255, 0, 0, 255});
    Icon("system/icons/KdTheme/64x64/mimetypes/audio-x-wav.png", 64, {0, 0, 255, 255});
    Icon("system/icons/KdTheme/32x32/mimetypes/kelvadrune-preset.png", 32, {0, 0, 0, 255});
    Icon("system/icons/KdTheme/48x48/mimetypes/kelvadrune-preset.png", 48, {0, 255, 0, 128});
    Icon("system/icons/KdTheme/96x96/mimetypes/kelvadrune-preset.png", 96, {0, 0, 0, 255});
    Icon("system/icons/KdParent/64x64/mimetypes/audio-x-generic.png", 64, {0, 0, 0, 255});
    Icon("system/icons/KdParent/64x64/mimetypes/application-gzip.png", 64, {0, 0, 0, 255});
    Icon("system/icons/hicolor/64x64/mimetypes/text-x-kd-high.png", 64, {0, 0, 0, 255});
    Icon("system/icons/hicolor/64x64/mimetypes/application-gzip.png", 64, {0, 0, 0, 255});
    Icon("home/.icons/KdTheme/64x64/mimetypes/text-x-csrc.png", 64, {0, 0, 0, 255});
    Icon("system/pixmaps/image-x-pix.png", 16, {0, 0, 0, 255});
    Write("system/icons/KdTheme/scalable/mimetypes/text-x-makefile.svg", "<svg/>");
  }

  void Write(const std::string& relative, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(root + "/" + relative).parent_path());
    ASSERT_TRUE(WriteTextFile(root + "/" + relative, text));
  }
  // A square PNG of one straight colour.
  void Icon(const std::string& relative, int size, Rgba color) {
    std::filesystem::create_directories(std::filesystem::path(root + "/" + relative).parent_path());
    std::vector<uint8_t> rgba;
    for (int i = 0; i < size * size; ++i) rgba.insert(rgba.end(), color.begin(), color.end());
    ASSERT_TRUE(WritePngRgba(root + "/" + relative, rgba, size, size));
  }

  presets_test::TempDataHome home;
  std::string root;
  DesktopFolders folders;
};

Rgba PixelAt(const FilePicture& picture, int x, int y) {
  const uint8_t* p = &picture.rgba[(static_cast<size_t>(y) * picture.width + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

// A file name's type: the glob of highest weight, then the longest; case-sensitive globs only in their case, the
// others in any; a type's globs of later folders dropped where an earlier one says so.
TEST_F(FileIconTest, FileNamesMapToTheirMimeTypes) {
  const std::map<std::string, std::string> rows = {
      {"song.wav", "audio/x-wav"},
      {"SONG.WAV", "audio/x-wav"},
      {"song.wave", "audio/x-wav"},
      {"a.tar.gz", "application/x-compressed-tar"},
      {"b.gz", "application/gzip"},
      {"x.C", "text/x-c++src"},
      {"x.c", "text/x-csrc"},
      {"Makefile", "text/x-makefile"},
      {"t.kdh", "text/x-kd-high"},
      {"p.old", ""},
      {"noextension", ""},
      {"wav", ""},
      {"", ""},
  };
  for (const auto& [name, type] : rows) {
    SCOPED_TRACE(name);
    EXPECT_EQ(MimeTypeForFileName(folders, name), type);
  }
}

// A type's icon names, then the file found for a file: the theme the toolkit names (the user's own icon folder
// first), the themes it inherits, hicolor, then the pixmaps; the size nearest 64 pixels, PNG only.
TEST_F(FileIconTest, FilesFindTheirIconInTheThemes) {
  EXPECT_EQ(IconThemeName(folders), "KdTheme");
  EXPECT_EQ(IconNamesForMimeType(folders, "application/x-kd-preset"),
            (std::vector<std::string>{"kelvadrune-preset", "application-x-kd-preset", "package-x-generic"}));
  EXPECT_EQ(IconNamesForMimeType(folders, "audio/flac"), (std::vector<std::string>{"audio-flac", "audio-x-generic"}));
  EXPECT_EQ(IconNamesForMimeType(folders, "nonsense"), std::vector<std::string>{});
  const std::map<std::string, std::string> rows = {
      {"/music/song.wav", "system/icons/KdTheme/64x64/mimetypes/audio-x-wav.png"},
      {"/presets/p.lps", "system/icons/KdTheme/48x48/mimetypes/kelvadrune-preset.png"},
      {"/music/clip.flac", "system/icons/KdParent/64x64/mimetypes/audio-x-generic.png"},
      {"b.gz", "system/icons/KdParent/64x64/mimetypes/application-gzip.png"},
      {"t.kdh", "system/icons/hicolor/64x64/mimetypes/text-x-kd-high.png"},
      {"x.c", "home/.icons/KdTheme/64x64/mimetypes/text-x-csrc.png"},
      {"u.pix", "system/pixmaps/image-x-pix.png"},
      {"Makefile", ""},
      {"x.C", ""},
      {"noextension", ""},
  };
  for (const auto& [path, icon] : rows) {
    SCOPED_TRACE(path);
    EXPECT_EQ(IconFileForPath(folders, path, 64), icon.empty() ? "" : root + "/" + icon);
  }
  // Without the toolkit's setting, hicolor alone.
  folders.config.clear();
  EXPECT_EQ(IconThemeName(folders), "");
  EXPECT_EQ(IconFileForPath(folders, "/music/song.wav", 64), "");
  EXPECT_EQ(IconFileForPath(folders, "t.kdh", 64), root + "/system/icons/hicolor/64x64/mimetypes/text-x-kd-high.png");
}

// The picture of a file: its icon at 64 x 64 (scaled from the size found, colours multiplied by alpha), else the
// drawn page: opaque grey outline, white page, light grey fold, clear around it and in the folded-away corner.
TEST_F(FileIconTest, FilesArePicturedByTheirIconElseByAPage) {
  struct Row {
    const char* path;
    int x, y;
    Rgba expected;
  } rows[] = {
      {"/music/song.wav", 0, 0, {0, 0, 255, 255}},
      {"/music/song.wav", 63, 63, {0, 0, 255, 255}},
      {"/presets/p.lps", 10, 50, {0, 128, 0, 128}},
      {"/a/x.C", 0, 0, {0, 0, 0, 0}},
      {"/a/x.C", 32, 40, {250, 250, 250, 255}},
      {"/a/x.C", 12, 30, {90, 90, 90, 255}},
      {"/a/x.C", 51, 30, {90, 90, 90, 255}},
      {"/a/x.C", 32, 59, {90, 90, 90, 255}},
      {"/a/x.C", 32, 60, {0, 0, 0, 0}},
      {"/a/x.C", 45, 6, {0, 0, 0, 0}},
      {"/a/x.C", 41, 14, {215, 215, 215, 255}},
      {"/a/x.C", 40, 10, {90, 90, 90, 255}},
      {"/a/noextension", 32, 40, {250, 250, 250, 255}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.path) + " at " + std::to_string(row.x) + "," + std::to_string(row.y));
    const FilePicture picture = PictureForFile(folders, row.path, 64);
    ASSERT_EQ(picture.width, 64);
    ASSERT_EQ(picture.height, 64);
    EXPECT_EQ(PixelAt(picture, row.x, row.y), row.expected);
  }
  EXPECT_EQ(ReadPicture(root + "/system/mime/globs2", 64, 64).width, 0);
  EXPECT_EQ(ReadPicture(root + "/missing.png", 64, 64).width, 0);
}

// Scaling averages what each pixel covers: stripes become their mean, a block stays a block, and a degenerate size
// or picture gives nothing.
TEST_F(FileIconTest, PicturesScaleByAreaAverages) {
  FilePicture stripes{4, 2, {}};
  for (int i = 0; i < 8; ++i) {
    const uint8_t v = i % 2 == 0 ? 0 : 255;
    stripes.rgba.insert(stripes.rgba.end(), {v, v, v, 255});
  }
  struct Row {
    const char* what;
    FilePicture source;
    int width, height, x, y;
    Rgba expected;
  } rows[] = {
      {"halved stripes", stripes, 2, 1, 1, 0, {128, 128, 128, 255}},
      {"stripes kept", stripes, 4, 2, 1, 1, {255, 255, 255, 255}},
      {"one pixel grown", FilePicture{1, 1, {10, 20, 30, 40}}, 3, 3, 2, 2, {10, 20, 30, 40}},
      {"thirds", FilePicture{3, 1, {0, 0, 0, 0, 90, 90, 90, 90, 255, 255, 255, 255}}, 2, 1, 0, 0, {30, 30, 30, 30}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const FilePicture scaled = ScalePicture(row.source, row.width, row.height);
    ASSERT_EQ(scaled.width, row.width);
    ASSERT_EQ(scaled.height, row.height);
    EXPECT_EQ(PixelAt(scaled, row.x, row.y), row.expected);
  }
  EXPECT_EQ(ScalePicture(stripes, 0, 5).width, 0);
  EXPECT_EQ(ScalePicture(FilePicture{2, 2, {1, 2, 3}}, 4, 4).width, 0);
  EXPECT_EQ(DocumentPicture(4).width, 16);
}

}  // namespace
}  // namespace platform::window

// A file's picture as the desktop shows it: its MIME type from the file name (the shared MIME database's glob
// lists), that type's icon from the user's icon theme (its parents, then hicolor), read from the theme's PNG files;
// a plain page with a folded corner, drawn here, where no icon is found. What the drag of a file out of a window
// shows under the pointer.
//
// Everything is read as plain files from the folders given, so it works the same on any desktop (and in a test's
// own tree). Scalable (SVG) icons are not read: a theme's PNG sizes only.
//
// Threads: any; nothing is kept between calls. Reads small files (the glob lists, a theme's index, one PNG).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform::window {

// The desktop's folders that the lookup reads.
struct DesktopFolders {
  std::string home;                 // the user's home: ~/.icons
  std::vector<std::string> data;    // the data folders, most important first: mime/, icons/
  std::vector<std::string> config;  // the settings folders, most important first: the toolkits' icon theme setting

  // The base folders as the desktop names them ($XDG_DATA_HOME, $XDG_DATA_DIRS, $XDG_CONFIG_HOME,
  // $XDG_CONFIG_DIRS, with their usual defaults when unset) and /etc for the toolkit's system settings.
  static DesktopFolders FromEnvironment();
};

// Straight pictures are not kept: red, green and blue are multiplied by alpha.
struct FilePicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;  // width x height x 4 bytes, rows top first
};

// The MIME type of a file of that name (no folders): the glob of highest weight that matches it, then one that is
// case-sensitive (it matches only in its case), then the longest. "" when none matches.
std::string MimeTypeForFileName(const DesktopFolders& folders, const std::string& fileName);
// The icon names for a MIME type, in the order tried: the database's own icon for it, the type with '/' as '-',
// then its generic icon (the database's, else the media type's "-x-generic").
std::vector<std::string> IconNamesForMimeType(const DesktopFolders& folders, const std::string& mimeType);
// The user's icon theme: the toolkits' setting (GTK 3 and 4 settings.ini, KDE's kdeglobals), "" when none is set.
std::string IconThemeName(const DesktopFolders& folders);
// The PNG file of the first of names found in theme, its parents or hicolor (then the pixmaps folder), of the
// size nearest to size pixels; "" when there is none.
std::string FindIconFile(const DesktopFolders& folders, const std::string& theme, const std::vector<std::string>& names,
                         int size);
// All of the above for the file at path: its icon's PNG file, "" when none is found.
std::string IconFileForPath(const DesktopFolders& folders, const std::string& path, int size);

// The drawn page with a folded corner, size x size (size at least 16).
FilePicture DocumentPicture(int size);
// The PNG at path scaled to width x height; empty (0 x 0) when it cannot be read.
FilePicture ReadPicture(const std::string& path, int width, int height);
// picture scaled to width x height: each pixel the average of the part of the picture it covers.
FilePicture ScalePicture(const FilePicture& picture, int width, int height);
// The file's icon at size x size, else the drawn page.
FilePicture PictureForFile(const DesktopFolders& folders, const std::string& path, int size);

}  // namespace platform::window

#include "platform/window/FileIcon.h"

#include <fnmatch.h>
#include <sys/stat.h>

#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

namespace platform::window {

namespace {

// Icons are small; a file far larger than any icon is not one.
constexpr std::streamsize kMaxIconBytes = 16 << 20;
// Themes inherit a handful of others; the bound ends a chain that names itself.
constexpr size_t kMaxThemes = 16;

using Section = std::map<std::string, std::string>;
using IniFile = std::map<std::string, Section>;

std::string Trim(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream stream(text);
  while (std::getline(stream, part, separator)) parts.push_back(part);
  return parts;
}

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

bool IsFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Sections of key = value lines; the keys before any section go under "".
IniFile ReadIni(const std::string& path) {
  IniFile ini;
  std::ifstream file(path);
  std::string line, section;
  while (std::getline(file, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.front() == '[' && line.back() == ']') {
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const size_t equals = line.find('=');
    if (equals != std::string::npos) ini[section][Trim(line.substr(0, equals))] = Trim(line.substr(equals + 1));
  }
  return ini;
}

std::string Value(const IniFile& ini, const std::string& section, const std::string& key) {
  const auto s = ini.find(section);
  if (s == ini.end()) return "";
  const auto k = s->second.find(key);
  return k == s->second.end() ? "" : k->second;
}

int IntValue(const Section& section, const std::string& key, int fallback) {
  const auto it = section.find(key);
  if (it == section.end()) return fallback;
  char* end = nullptr;
  const long value = std::strtol(it->second.c_str(), &end, 10);
  return end != it->second.c_str() && value >= 0 && value <= 1 << 16 ? static_cast<int>(value) : fallback;
}

// "mime/type:value" lines of one of the database's files in every data folder; the first folder's line wins.
std::string DatabaseEntry(const DesktopFolders& folders, const char* file, const std::string& mimeType) {
  for (const std::string& data : folders.data) {
    std::ifstream stream(data + "/mime/" + file);
    std::string line;
    while (std::getline(stream, line)) {
      const size_t colon = line.find(':');
      if (colon != std::string::npos && line.compare(0, colon, mimeType) == 0) return Trim(line.substr(colon + 1));
    }
  }
  return "";
}

std::vector<std::string> IconRoots(const DesktopFolders& folders) {
  std::vector<std::string> roots;
  if (!folders.home.empty()) roots.push_back(folders.home + "/.icons");
  for (const std::string& data : folders.data) roots.push_back(data + "/icons");
  return roots;
}

// One folder of a theme, as its index describes it.
struct ThemeFolder {
  std::string name;
  int size = 0, scale = 1, minSize = 0, maxSize = 0, threshold = 2;
  std::string type;

  bool Matches(int wanted) const {
    if (scale != 1) return false;
    if (type == "Fixed") return size == wanted;
    if (type == "Scalable") return minSize <= wanted && wanted <= maxSize;
    return size - threshold <= wanted && wanted <= size + threshold;
  }
  int Distance(int wanted) const {
    int low = size * scale, high = size * scale;
    if (type == "Scalable") {
      low = minSize * scale;
      high = maxSize * scale;
    } else if (type != "Fixed") {
      low = (size - threshold) * scale;
      high = (size + threshold) * scale;
    }
    return wanted < low ? low - wanted : wanted > high ? wanted - high : 0;
  }
};

struct Theme {
  std::string name;
  std::vector<ThemeFolder> folders;
  std::vector<std::string> parents;
};

std::optional<Theme> ReadTheme(const std::vector<std::string>& roots, const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") return std::nullopt;
  for (const std::string& root : roots) {
    const std::string index = root + "/" + name + "/index.theme";
    if (!IsFile(index)) continue;
    const IniFile ini = ReadIni(index);
    Theme theme;
    theme.name = name;
    for (const std::string& parent : Split(Value(ini, "Icon Theme", "Inherits"), ',')) {
      if (!Trim(parent).empty()) theme.parents.push_back(Trim(parent));
    }
    std::vector<std::string> listed = Split(Value(ini, "Icon Theme", "Directories"), ',');
    for (const std::string& scaled : Split(Value(ini, "Icon Theme", "ScaledDirectories"), ',')) {
      listed.push_back(scaled);
    }
    for (const std::string& entry : listed) {
      const std::string folderName = Trim(entry);
      const auto section = ini.find(folderName);
      if (folderName.empty() || section == ini.end()) continue;
      ThemeFolder folder;
      folder.name = folderName;
      folder.size = IntValue(section->second, "Size", 0);
      folder.scale = IntValue(section->second, "Scale", 1);
      folder.minSize = IntValue(section->second, "MinSize", folder.size);
      folder.maxSize = IntValue(section->second, "MaxSize", folder.size);
      folder.threshold = IntValue(section->second, "Threshold", 2);
      const auto type = section->second.find("Type");
      folder.type = type == section->second.end() ? "Threshold" : type->second;
      if (folder.size > 0) theme.folders.push_back(folder);
    }
    return theme;
  }
  return std::nullopt;
}

// The theme, then the ones it inherits (each before its own parents), then hicolor.
std::vector<Theme> ThemeChain(const std::vector<std::string>& roots, const std::string& first) {
  std::vector<Theme> chain;
  std::set<std::string> seen;
  std::vector<std::string> pending{first};
  while (!pending.empty() && chain.size() < kMaxThemes) {
    const std::string name = pending.front();
    pending.erase(pending.begin());
    if (name.empty() || !seen.insert(name).second || name == "hicolor") continue;
    if (std::optional<Theme> theme = ReadTheme(roots, name)) {
      pending.insert(pending.begin(), theme->parents.begin(), theme->parents.end());
      chain.push_back(std::move(*theme));
    }
  }
  if (std::optional<Theme> hicolor = ReadTheme(roots, "hicolor")) chain.push_back(std::move(*hicolor));
  return chain;
}

// The nearest size in one theme: a folder that matches the size at once, else the least distance.
std::string LookUpInTheme(const std::vector<std::string>& roots, const Theme& theme, const std::string& name,
                          int size) {
  std::string best;
  int bestDistance = 0;
  for (const ThemeFolder& folder : theme.folders) {
    for (const std::string& root : roots) {
      const std::string path = root + "/" + theme.name + "/" + folder.name + "/" + name + ".png";
      if (!IsFile(path)) continue;
      if (folder.Matches(size)) return path;
      const int distance = folder.Distance(size);
      if (best.empty() || distance < bestDistance) {
        best = path;
        bestDistance = distance;
      }
    }
  }
  return best;
}

struct Glob {
  int weight = 50;
  std::string type;
  std::string pattern;
  bool caseSensitive = false;
};

// Every data folder's globs2; a type's "__NOGLOBS__" in one folder drops its globs of the folders after it.
std::vector<Glob> ReadGlobs(const DesktopFolders& folders) {
  std::vector<Glob> globs;
  std::set<std::string> dropped;
  for (const std::string& data : folders.data) {
    std::ifstream stream(data + "/mime/globs2");
    std::string line;
    std::set<std::string> droppedHere;
    while (std::getline(stream, line)) {
      if (line.empty() || line[0] == '#') continue;
      const std::vector<std::string> fields = Split(line, ':');
      if (fields.size() < 3 || fields[1].empty() || fields[2].empty()) continue;
      if (fields[2] == "__NOGLOBS__") {
        droppedHere.insert(fields[1]);
        continue;
      }
      if (dropped.count(fields[1]) > 0) continue;
      Glob glob;
      glob.weight = std::atoi(fields[0].c_str());
      glob.type = fields[1];
      glob.pattern = fields[2];
      glob.caseSensitive = fields.size() > 3 && fields[3].find("cs") != std::string::npos;
      globs.push_back(std::move(glob));
    }
    dropped.insert(droppedHere.begin(), droppedHere.end());
  }
  return globs;
}

uint8_t Premultiplied(uint8_t value, uint8_t alpha) {
  return static_cast<uint8_t>((value * alpha + 127) / 255);
}

}  // namespace

DesktopFolders DesktopFolders::FromEnvironment() {
  const auto variable = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value ? value : "");
  };
  // Only absolute folders count, as the base folders are defined.
  const auto addAll = [](std::vector<std::string>& to, const std::string& list) {
    for (const std::string& folder : Split(list, ':')) {
      if (!folder.empty() && folder[0] == '/') to.push_back(folder);
    }
  };
  DesktopFolders folders;
  folders.home = variable("HOME");
  const std::string dataHome = variable("XDG_DATA_HOME"), dataDirs = variable("XDG_DATA_DIRS");
  const std::string configHome = variable("XDG_CONFIG_HOME"), configDirs = variable("XDG_CONFIG_DIRS");
  addAll(folders.data, dataHome.empty() && !folders.home.empty() ? folders.home + "/.local/share" : dataHome);
  addAll(folders.data, dataDirs.empty() ? "/usr/local/share:/usr/share" : dataDirs);
  addAll(folders.config, configHome.empty() && !folders.home.empty() ? folders.home + "/.config" : configHome);
  addAll(folders.config, configDirs.empty() ? "/etc/xdg" : configDirs);
  folders.config.push_back("/etc");
  return folders;
}

std::string MimeTypeForFileName(const DesktopFolders& folders, const std::string& fileName) {
  if (fileName.empty()) return "";
  const std::string lower = Lower(fileName);
  const std::vector<Glob> globs = ReadGlobs(folders);
  const Glob* best = nullptr;
  for (const Glob& glob : globs) {
    const bool match = glob.caseSensitive ? ::fnmatch(glob.pattern.c_str(), fileName.c_str(), 0) == 0
                                          : ::fnmatch(Lower(glob.pattern).c_str(), lower.c_str(), 0) == 0;
    if (!match) continue;
    // Of equal weights, a glob that matched in the name's own case, then the longest.
    const auto rank = [](const Glob& g) { return std::make_tuple(g.weight, g.caseSensitive, g.pattern.size()); };
    if (!best || rank(glob) > rank(*best)) best = &glob;
  }
  return best ? best->type : "";
}

std::vector<std::string> IconNamesForMimeType(const DesktopFolders& folders, const std::string& mimeType) {
  const size_t slash = mimeType.find('/');
  if (slash == std::string::npos || slash == 0) return {};
  std::vector<std::string> names;
  const std::string own = DatabaseEntry(folders, "icons", mimeType);
  if (!own.empty()) names.push_back(own);
  std::string dashed = mimeType;
  dashed[slash] = '-';
  names.push_back(dashed);
  const std::string generic = DatabaseEntry(folders, "generic-icons", mimeType);
  names.push_back(generic.empty() ? mimeType.substr(0, slash) + "-x-generic" : generic);
  // An icon name is a file name in the theme's folders.
  std::erase_if(names, [](const std::string& name) { return name.find('/') != std::string::npos; });
  return names;
}

std::string IconThemeName(const DesktopFolders& folders) {
  for (const std::string& config : folders.config) {
    for (const char* toolkit : {"/gtk-3.0/settings.ini", "/gtk-4.0/settings.ini"}) {
      std::string name = Value(ReadIni(config + toolkit), "Settings", "gtk-icon-theme-name");
      if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front()) {
        name = name.substr(1, name.size() - 2);
      }
      if (!name.empty()) return name;
    }
    const std::string kde = Value(ReadIni(config + "/kdeglobals"), "Icons", "Theme");
    if (!kde.empty()) return kde;
  }
  return "";
}

std::string FindIconFile(const DesktopFolders& folders, const std::string& theme, const std::vector<std::string>& names,
                         int size) {
  const std::vector<std::string> roots = IconRoots(folders);
  for (const Theme& each : ThemeChain(roots, theme)) {
    for (const std::string& name : names) {
      const std::string path = LookUpInTheme(roots, each, name, size);
      if (!path.empty()) return path;
    }
  }
  for (const std::string& name : names) {
    for (const std::string& data : folders.data) {
      const std::string path = data + "/pixmaps/" + name + ".png";
      if (IsFile(path)) return path;
    }
  }
  return "";
}

std::string IconFileForPath(const DesktopFolders& folders, const std::string& path, int size) {
  const std::string fileName = path.substr(path.find_last_of('/') + 1);
  const std::vector<std::string> names = IconNamesForMimeType(folders, MimeTypeForFileName(folders, fileName));
  if (names.empty()) return "";
  return FindIconFile(folders, IconThemeName(folders), names, size);
}

FilePicture DocumentPicture(int size) {
  size = std::max(size, 16);
  FilePicture picture{size, size, std::vector<uint8_t>(static_cast<size_t>(size) * size * 4, 0)};
  // Drawn on a 64-unit grid: the page from (12, 4) to (52, 60), its top-right corner folded down along the
  // diagonal from (40, 4) to (52, 16).
  const double unit = 64.0 / size;
  const auto page = [&](int x, int y) {
    const double u = (x + 0.5) * unit, v = (y + 0.5) * unit;
    const bool cut = u >= 40.0 && v < 16.0 && u - 40.0 > v - 4.0;
    return u >= 12.0 && u < 52.0 && v >= 4.0 && v < 60.0 && !cut;
  };
  const auto fold = [&](int x, int y) {
    const double u = (x + 0.5) * unit, v = (y + 0.5) * unit;
    return page(x, y) && u >= 40.0 && v < 16.0;
  };
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      if (!page(x, y)) continue;
      const bool edge = !page(x - 1, y) || !page(x + 1, y) || !page(x, y - 1) || !page(x, y + 1);
      const bool foldEdge = fold(x, y) && (!fold(x - 1, y) || !fold(x, y + 1));
      const uint8_t grey = edge || foldEdge ? 90 : fold(x, y) ? 215 : 250;
      uint8_t* pixel = &picture.rgba[(static_cast<size_t>(y) * size + x) * 4];
      pixel[0] = pixel[1] = pixel[2] = grey;
      pixel[3] = 255;
    }
  }
  return picture;
}

FilePicture ReadPicture(const std::string& path, int width, int height) {
  std::ifstream file(path, std::ios::binary);
  std::vector<char> bytes;
  if (file) bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (bytes.empty() || static_cast<std::streamsize>(bytes.size()) > kMaxIconBytes) return {};
  int w = 0, h = 0, channels = 0;
  stbi_uc* pixels = stbi_load_from_memory(reinterpret_cast<const stbi_uc*>(bytes.data()),
                                          static_cast<int>(bytes.size()), &w, &h, &channels, 4);
  if (!pixels) return {};
  FilePicture decoded{w, h, std::vector<uint8_t>(pixels, pixels + static_cast<size_t>(w) * h * 4)};
  stbi_image_free(pixels);
  for (size_t i = 0; i < decoded.rgba.size(); i += 4) {
    for (size_t c = 0; c < 3; ++c) decoded.rgba[i + c] = Premultiplied(decoded.rgba[i + c], decoded.rgba[i + 3]);
  }
  return ScalePicture(decoded, width, height);
}

FilePicture ScalePicture(const FilePicture& picture, int width, int height) {
  if (picture.width <= 0 || picture.height <= 0 || width <= 0 || height <= 0 ||
      picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4) {
    return {};
  }
  FilePicture scaled{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 4)};
  const double stepX = static_cast<double>(picture.width) / width, stepY = static_cast<double>(picture.height) / height;
  for (int y = 0; y < height; ++y) {
    const double top = y * stepY, bottom = (y + 1) * stepY;
    for (int x = 0; x < width; ++x) {
      const double left = x * stepX, right = (x + 1) * stepX;
      double sum[4] = {};
      for (int sy = static_cast<int>(top); sy < std::min<double>(bottom, picture.height); ++sy) {
        const double coverY = std::min<double>(bottom, sy + 1) - std::max<double>(top, sy);
        for (int sx = static_cast<int>(left); sx < std::min<double>(right, picture.width); ++sx) {
          const double cover = coverY * (std::min<double>(right, sx + 1) - std::max<double>(left, sx));
          const uint8_t* source = &picture.rgba[(static_cast<size_t>(sy) * picture.width + sx) * 4];
          for (int c = 0; c < 4; ++c) sum[c] += cover * source[c];
        }
      }
      uint8_t* target = &scaled.rgba[(static_cast<size_t>(y) * width + x) * 4];
      const double area = stepX * stepY;
      for (int c = 0; c < 4; ++c) target[c] = static_cast<uint8_t>(std::clamp(sum[c] / area + 0.5, 0.0, 255.0));
    }
  }
  return scaled;
}

FilePicture PictureForFile(const DesktopFolders& folders, const std::string& path, int size) {
  const std::string icon = IconFileForPath(folders, path, size);
  FilePicture picture = icon.empty() ? FilePicture{} : ReadPicture(icon, size, size);
  return picture.width > 0 ? picture : DocumentPicture(size);
}

}  // namespace platform::window

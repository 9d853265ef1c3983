#include "graphics/ResourceNames.h"

#include "framework/NumberText.h"

#include <cstring>
#include <string>

namespace fx::gfx {

std::vector<int> ScaleSearchOrder(int targetScale) {
  std::vector<int> order;
  if (targetScale < 1) return order;
  order.push_back(targetScale);
  // Then 3, the largest scale pictures are usually drawn at, and one lower each step, passing over the target.
  for (int s = targetScale != kMaxImageScale ? kMaxImageScale : targetScale - 1; s >= 1; --s) {
    if (s == targetScale) continue;
    order.push_back(s);
  }
  return order;
}

FwString ScaledResourceName(const char* name, int scale) {
  const std::string full = name ? name : "";
  if (scale == 1) return FwString(full.c_str());
  const std::size_t lastSep = full.find_last_of("/\\");
  const std::size_t dot = full.find_last_of('.');
  const bool hasExt = dot != std::string::npos && (lastSep == std::string::npos || dot > lastSep);
  const std::string stem = hasExt ? full.substr(0, dot) : full;
  const std::string ext = hasExt ? full.substr(dot) : std::string();
  char suffix[24];
  FormatText(suffix, sizeof(suffix), "@%dx", scale);
  return FwString((stem + suffix + ext).c_str());
}

const char* ResourceExtension(const char* name) {
  if (!name) return "";
  const char* dot = std::strrchr(name, '.');
  return dot ? dot + 1 : name;
}

}  // namespace fx::gfx

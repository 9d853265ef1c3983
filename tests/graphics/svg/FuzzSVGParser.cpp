// Fuzz target of the SVG reader: any bytes must either be refused or give a picture whose paths are a start
// point plus whole cubic segments, without reading outside the input.
#include "graphics/svg/SVGParser.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const auto image = fx::gfx::svg::ParseSVG(reinterpret_cast<const char*>(data), size, "px", 72.f);
  if (!image) return 0;
  for (const auto& shape : image->shapes)
    for (const auto& path : shape.paths)
      if (path.npts < 4 || path.npts % 3 != 1 || static_cast<size_t>(path.npts) * 2 != path.pts.size())
        __builtin_trap();
  return 0;
}

// Plain values shared by the GPU layer's objects: pixel formats, regions, blend and stencil enumerations,
// load and store actions. Any thread.
#pragma once

#include <cstdint>

namespace platform::gpu {

enum class GpuPixelFormat {
  Invalid,
  R8Unorm,     // alpha images
  RGBA8Unorm,  // colour images and off-screen framebuffers
  BGRA8Unorm,  // drawables
  Stencil8,    // 8-bit stencil; the device may store it with a depth part it never uses
};

// Bytes per pixel of the colour formats; 0 for Stencil8 and Invalid (not CPU-addressable).
int BytesPerPixel(GpuPixelFormat format);

struct GpuRegion {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

struct GpuClearColor {
  double red = 0.0;
  double green = 0.0;
  double blue = 0.0;
  double alpha = 0.0;
};

enum class GpuBlendFactor {
  Zero,
  One,
  SourceColor,
  OneMinusSourceColor,
  SourceAlpha,
  OneMinusSourceAlpha,
  DestinationColor,
  OneMinusDestinationColor,
  DestinationAlpha,
  OneMinusDestinationAlpha,
  SourceAlphaSaturated,
};

enum class GpuCompareFunction { Never, Less, Equal, LessEqual, Greater, NotEqual, GreaterEqual, Always };

enum class GpuStencilOperation {
  Keep,
  Zero,
  Replace,
  IncrementClamp,
  DecrementClamp,
  Invert,
  IncrementWrap,
  DecrementWrap
};

enum class GpuLoadAction { DontCare, Load, Clear };
enum class GpuStoreAction { DontCare, Store };

enum class GpuCullMode { None, Front, Back };
enum class GpuWinding { Clockwise, CounterClockwise };
enum class GpuPrimitiveType { Triangle, TriangleStrip };

enum class GpuSamplerFilter { Nearest, Linear };
enum class GpuSamplerMipFilter { NotMipmapped, Nearest, Linear };
enum class GpuSamplerAddressMode { ClampToEdge, Repeat };

}  // namespace platform::gpu

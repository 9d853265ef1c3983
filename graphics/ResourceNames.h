// How a resource name is varied by pixel scale: the order in which scales are tried for a target scale,
// and the "@Nx" name of a scaled file. Plain functions: any thread.
#pragma once

#include "framework/FwString.h"

#include <vector>

namespace fx::gfx {

// The highest scale image files are usually provided at.
inline constexpr int kMaxImageScale = 3;

// The target first, then 3, then one lower each step, passing over the target, down to 1: 1 -> 1 3 2;
// 2 -> 2 3 1; 3 -> 3 2 1; 4 -> 4 3 2 1; 5 -> 5 3 2 1 (a 4x file is not tried). Empty below 1.
std::vector<int> ScaleSearchOrder(int targetScale);

// The name with "@<scale>x" before its extension (the text from the last dot after the last slash or
// backslash); a name without an extension gets the suffix at its end. Scale 1 is the name itself.
FwString ScaledResourceName(const char* name, int scale);

// The text after the last dot of the name, or the whole name when it has no dot.
const char* ResourceExtension(const char* name);

}  // namespace fx::gfx

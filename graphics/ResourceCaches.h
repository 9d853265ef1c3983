// The two process-wide resource caches every graphics object of every plug-in instance shares: the
// renderer's bitmaps and the parsed SVG pictures. They live until the module is unloaded; their entries are
// deleted when the last graphics object lets go of them. Lock order when both are held: bitmaps first.
// Any thread, under the cache's own mutex (StaticStorage::GetMutex).
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/StaticStorage.h"

namespace fx::gfx {

StaticStorage<APIBitmap>& BitmapCache();
StaticStorage<SVGImageHolder>& SVGCache();

}  // namespace fx::gfx

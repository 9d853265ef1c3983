// The GPU back end's entry functions that the editor's graphics class uses: the renderer context on the view's
// drawing layer, off-screen framebuffers (one RGBA image each), the process-wide binding that selects the target of the
// next flush, clearing and pixel read-back. kd_graphics_vector only declares them: every program that links it links
// one implementation, the GPU back end in the product or a recording one in the tests.
//
// Main thread only. mvrReadPixels blocks until the GPU has finished the frame that writes the image; nothing else
// blocks except the renderViewport wait for a free buffer set inside vrBeginFrame.
#pragma once

#include "graphics/vector/VRContext.h"

enum MVRcreateFlags {
  MVR_ANTIALIAS = 1,
  MVR_STENCIL_STROKES = 2,
  MVR_DEBUG = 4,
  MVR_DOUBLE_BUFFER = 0x1000,
  MVR_TRIPLE_BUFFER = 0x2000,
};

// An off-screen render target: the context whose flushes may draw into it, the RGBA image drawn into (0 when its
// texture could not be made) and a reserved 0.
struct MVRframebuffer {
  VRcontext* ctx;
  int image;
  int reserved;
};

// A renderer context drawing into the platform layer's surface; null when the renderer cannot be made.
VRcontext* mvrCreateContext(void* layer, int flags);
void mvrDeleteContext(VRcontext* ctx);

// Null draws into the layer's drawable. Takes effect at the next flush of the framebuffer's own context.
void mvrBindFramebuffer(MVRframebuffer* fb);
// Null only when the record cannot be allocated. The image is made with imageFlags | VR_IMAGE_PREMULTIPLIED.
MVRframebuffer* mvrCreateFramebuffer(VRcontext* ctx, int width, int height, int imageFlags);
// Deletes the image with the record; null is ignored.
void mvrDeleteFramebuffer(MVRframebuffer* fb);
// The next render pass of ctx clears its target to the colour (premultiplied by the back end).
void mvrClearWithColor(VRcontext* ctx, VRcolor color);
// Copies the region of an image into data (rows of the image's full width x 4 bytes for RGBA); an unknown image does
// nothing.
void mvrReadPixels(VRcontext* ctx, int image, int x, int y, int width, int height, void* data);

// GVR, the GPU vector renderer: the renderer's back end on the project's GPU layer (platform/gpu, Vulkan): the context
// creation function that fills the renderer's render callbacks, and the off-screen framebuffers with the binding that
// chooses the target of the thread's next flush, clearing, reading pixels back and copying one into the layer as its
// next frame.
//
// Threads: a context's functions run on its editor's thread; editors of other plug-in instances may run on other
// threads at the same time, each with its own binding. gvrReadPixels and gvrImageHandle block until the GPU has
// finished the frames that draw into the image; starting a frame (vrBeginFrame) blocks while every buffer set is in
// flight; gvrDeleteContext blocks until the context's frames in flight have completed.
#pragma once

#include <memory>

#include "graphics/vector/VRContext.h"
#include "platform/gpu/GpuDevice.h"
#include "platform/gpu/GpuDrawableLayer.h"

enum GVRcreateFlags {
  GVR_ANTIALIAS = 1,        // anti-aliased fragment function: the renderer generates edge fringes
  GVR_STENCIL_STROKES = 2,  // strokes through the stencil buffer: overlapping parts are covered once
  GVR_DEBUG = 4,            // errors are printed on standard output
  GVR_DOUBLE_BUFFER = 0x1000,
  GVR_TRIPLE_BUFFER = 0x2000,  // neither buffer flag: one buffer set, one frame in flight
};

// An image flag of gvrCreateFramebuffer: the image takes the pixel format of the layer's drawables (BGRA), so that
// gvrPresentFramebuffer copies it unchanged; gvrReadPixels then gives its bytes in that order.
constexpr int GVR_IMAGE_DRAWABLE_FORMAT = 0x20000;

// What the back end draws with, in place of a system drawing layer: the device (a context made on a layer without
// one makes the default device and sets it here; deleting a context sets it to null, so a layer record serves one
// context) and the drawable layer a frame goes to when no framebuffer of the context is bound (null: off-screen
// drawing only). The record must outlive the context.
struct VulkanLayer {
  std::shared_ptr<platform::gpu::GpuDevice> device;
  platform::gpu::GpuDrawableLayer* drawables = nullptr;
};

// An off-screen render target: one RGBA image of the context, drawn into while it is bound.
struct GVRframebuffer {
  VRcontext* ctx;
  int image;  // 0 when the image could not be made
  int reserved;
};

// layer points at an VulkanLayer; flags are GVRcreateFlags (the editor passes 0x2001). Null when the layer is null,
// has drawables but no device, no device can be made, the shader library does not load or the renderer cannot be
// made.
VRcontext* gvrCreateContext(void* layer, int flags);
// Waits for the context's frames in flight, unbinds the thread's bound framebuffer when it is of this context, then
// frees everything and sets the layer's device to null (the context's own reference to the device goes last).
void gvrDeleteContext(VRcontext* ctx);

// Stores fb as the calling thread's bound framebuffer (null unbinds); a flush on that thread draws into it only when
// it belongs to the flushing context, otherwise into the layer's next drawable. Other threads' bindings stay.
void gvrBindFramebuffer(GVRframebuffer* fb);
GVRframebuffer* gvrBoundFramebuffer();
// Null only when the record cannot be allocated; its image is a premultiplied RGBA image (0 when that failed).
GVRframebuffer* gvrCreateFramebuffer(VRcontext* ctx, int width, int height, int imageFlags);
// Null is ignored; call it before deleting the framebuffer's context. Deleting the thread's bound framebuffer
// unbinds it.
void gvrDeleteFramebuffer(GVRframebuffer* fb);
// Shows the framebuffer's image as the layer's next frame: copied as it is into the next drawable, which is then
// presented, with no drawing. False (nothing done) when the context has no layer, no drawable comes free, or the
// image differs from the drawable in size or pixel format; the caller then draws the image instead. Blocks, as a
// flush to the layer does, while every drawable is in flight.
bool gvrPresentFramebuffer(GVRframebuffer* fb);
// The next render pass of ctx clears its target to the colour (premultiplied here).
void gvrClearWithColor(VRcontext* ctx, VRcolor color);
// Copies the region of the image into data with the image's row stride: the region's rows are the image's width x 4
// bytes (RGBA) or width bytes (alpha) apart, the first at data, so data holds (height - 1) image rows and one region
// row; the bytes between the region's rows are left as they are. Nothing is written for an unknown image or a region
// outside the image.
void gvrReadPixels(VRcontext* ctx, int image, int x, int y, int width, int height, void* data);

// The texture of an image (after the frames drawing into it have completed); null for an unknown image.
std::shared_ptr<platform::gpu::GpuTexture> gvrImageHandle(VRcontext* ctx, int image);
// A new RGBA image id on an existing texture (no sampler of its own: drawn with the default one); 0 on failure.
int gvrCreateImageFromHandle(VRcontext* ctx, std::shared_ptr<platform::gpu::GpuTexture> texture, int imageFlags);
std::shared_ptr<platform::gpu::GpuDevice> gvrDevice(VRcontext* ctx);
std::shared_ptr<platform::gpu::GpuCommandQueue> gvrCommandQueue(VRcontext* ctx);
// The drawing-layer handle a view hands to gvrCreateContext for its layer: on this platform the layer record itself,
// so the handle is the argument.
void* gvrLayerHandle(void* layer);
// The version of these entry functions: 1.
int gvrInterfaceVersion();

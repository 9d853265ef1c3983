// The GPU back end's own object (the render callbacks' user pointer) and its records: buffer sets, recorded calls,
// blend factors and textures.
//
// Design: each fill, stroke and triangle list the renderer hands over becomes one recorded call (GVRcall) whose
// vertices, indices and fragment uniforms are copied into the buffer set of the frame (GVRbuffers); the flush
// replays the calls into one render pass (GVRFlush.cpp). Up to three sets let the CPU record one frame while the
// GPU reads others; a semaphore counts the free sets. Recording: GVRContext.cpp (creation, buffers, uniforms) and
// GVRRecord.cpp (fills, strokes, triangles); textures: GVRTextures.cpp; entry functions: GVRBackend.cpp.
//
// Threads: everything on the editor's (main) thread, except the command buffers' completion handlers, which run on
// the GPU layer's completion thread and touch only their own buffer set (under setsMutex) and the semaphore.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "graphics/vector/GVRBackend.h"
#include "platform/gpu/ShaderInterface.h"
#include "platform/runloop/Semaphore.h"

namespace fx::gfx::gpu {

// Blend factors of a pipeline, colour and alpha separately. Default: premultiplied source-over.
struct GVRblend {
  platform::gpu::GpuBlendFactor srcRGB = platform::gpu::GpuBlendFactor::One;
  platform::gpu::GpuBlendFactor dstRGB = platform::gpu::GpuBlendFactor::OneMinusSourceAlpha;
  platform::gpu::GpuBlendFactor srcAlpha = platform::gpu::GpuBlendFactor::One;
  platform::gpu::GpuBlendFactor dstAlpha = platform::gpu::GpuBlendFactor::OneMinusSourceAlpha;

  bool operator==(const GVRblend&) const = default;
};

enum GVRcallType { GVR_NONE = 0, GVR_FILL = 1, GVR_CONVEXFILL = 2, GVR_STROKE = 3, GVR_TRIANGLES = 4 };

// One recorded draw. Offsets and counts are in vertices or indices; uniformOffset in bytes.
struct GVRcall {
  int type;
  int image;  // 0: none
  int reserved[2];
  int triangleOffset;
  int triangleCount;
  int indexOffset;
  int indexCount;
  int strokeOffset;
  int strokeCount;
  int uniformOffset;
  GVRblend blendFunc;
};

// The fragment uniform record: the shader library's layout (offsets checked there), one per 256-byte slot.
using GVRfragUniforms = platform::gpu::ShaderFragmentUniforms;

// Everything one frame writes. The array fields point into the shared GPU buffers (or, for calls, a malloc'd array).
struct GVRbuffers {
  ~GVRbuffers();

  // commandBuffer, isBusy and image change on the completion thread: guarded by the context's setsMutex.
  std::shared_ptr<platform::gpu::GpuCommandBuffer> commandBuffer;
  char isBusy = 0;
  int image = 0;  // the framebuffer image the frame draws into, 0 = the layer's drawable
  std::shared_ptr<platform::gpu::GpuBuffer> viewSizeBuffer;
  std::shared_ptr<platform::gpu::GpuTexture> stencilTexture;
  GVRcall* calls = nullptr;
  int ccalls = 0;
  int ncalls = 0;
  std::shared_ptr<platform::gpu::GpuBuffer> indexBuffer;
  uint32_t* indexes = nullptr;
  int cindexes = 0;
  int nindexes = 0;
  std::shared_ptr<platform::gpu::GpuBuffer> vertBuffer;
  VRvertex* verts = nullptr;
  int cverts = 0;
  int nverts = 0;
  std::shared_ptr<platform::gpu::GpuBuffer> uniformBuffer;
  unsigned char* uniforms = nullptr;
  int cuniforms = 0;
  int nuniforms = 0;  // in records
};

// One image. id 0 marks a free record, handed out again under a new id.
struct GVRtexture {
  int id = 0;
  int type = 0;   // VRtexture
  int flags = 0;  // VRimageFlags, and GVR_TEXTURE_NOT_OWNED
  std::shared_ptr<platform::gpu::GpuTexture> tex;
  std::shared_ptr<platform::gpu::GpuSampler> sampler;
};

// An image wrapping a texture made elsewhere: deleting the image only drops this back end's reference.
constexpr int GVR_TEXTURE_NOT_OWNED = 0x10000;

class GVRcontext {
 public:
  GVRcontext(VulkanLayer* layer, int flags) : flags(flags), vulkanLayer(layer) {}
  // renderDelete: waits for the frames in flight, frees everything, sets the layer's device to null and forgets the
  // layer.
  ~GVRcontext();
  GVRcontext(const GVRcontext&) = delete;
  GVRcontext& operator=(const GVRcontext&) = delete;

  // The render callbacks.
  int renderCreate();
  int renderCreateTexture(int type, int width, int height, int imageFlags, const unsigned char* data);
  int renderDeleteTexture(int image);
  int renderUpdateTexture(int image, int x, int y, int width, int height, const unsigned char* data);
  int renderGetTextureSize(int image, int* width, int* height);
  void renderViewport(float width, float height, float devicePixelRatio);
  void renderCancel();
  void renderFlush();
  void renderFill(const VRpaint* paint, VRcompositeOperationState op, const VRscissor* scissor, float fringe,
                  const float* bounds, const VRpath* paths, int npaths);
  void renderStroke(const VRpaint* paint, VRcompositeOperationState op, const VRscissor* scissor, float fringe,
                    float strokeWidth, const VRpath* paths, int npaths);
  void renderTriangles(const VRpaint* paint, VRcompositeOperationState op, const VRscissor* scissor,
                       const VRvertex* verts, int nverts, float fringe);

  // Textures and read-back, for the entry functions.
  GVRtexture* findTexture(int image);
  int createImageFromTexture(std::shared_ptr<platform::gpu::GpuTexture> texture, int imageFlags);
  // Copies the image into the layer's next drawable and presents it (gvrPresentFramebuffer).
  bool presentImage(int image);
  // Blocks until every committed frame drawing into the image has completed.
  void waitForFramesDrawingInto(int image);
  void waitForAllFrames();
  // The device the context was made with (the layer's then): the context keeps it, so that another context made on
  // the same layer record and deleted first, which sets the layer's device to null, takes nothing from this one.
  const std::shared_ptr<platform::gpu::GpuDevice>& Device() const { return mDevice; }

 private:
  // First of the members, so that it goes last, after everything made on it.
  std::shared_ptr<platform::gpu::GpuDevice> mDevice;

 public:
  // True while gvrCreateContext is making the renderer: a failed creation deletes this object itself.
  bool inCreation = false;
  bool clearBufferOnFlush = false;
  int fragSize = 256;
  int indexSize = 4;
  int flags;
  int textureId = 0;
  int maxBuffers = 0;
  std::shared_ptr<platform::gpu::GpuCommandQueue> commandQueue;
  VulkanLayer* vulkanLayer;
  std::unique_ptr<platform::gpu::GpuRenderEncoder> renderEncoder;
  uint32_t viewPortSize[2] = {0, 0};
  std::vector<GVRtexture> textures;
  std::shared_ptr<GVRbuffers> buffers;
  std::vector<std::shared_ptr<GVRbuffers>> cbuffers;
  std::shared_ptr<platform::Semaphore> semaphore;
  std::shared_ptr<std::mutex> setsMutex;
  GVRblend blendFunc;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> defaultStencilState;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> fillShapeStencilState;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> fillAntiAliasStencilState;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> fillStencilState;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> strokeShapeStencilState;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> strokeAntiAliasStencilState;
  std::shared_ptr<platform::gpu::GpuDepthStencilState> strokeClearStencilState;
  std::shared_ptr<platform::gpu::GpuFunction> fragmentFunction;
  std::shared_ptr<platform::gpu::GpuFunction> vertexFunction;
  platform::gpu::GpuPixelFormat piplelinePixelFormat = platform::gpu::GpuPixelFormat::Invalid;
  std::shared_ptr<platform::gpu::GpuRenderPipelineState> pipelineState;
  std::shared_ptr<platform::gpu::GpuRenderPipelineState> stencilOnlyPipelineState;
  std::shared_ptr<platform::gpu::GpuSampler> pseudoSampler;
  // Bound where a draw has no image; never made, so the GPU layer's placeholder stands in.
  std::shared_ptr<platform::gpu::GpuTexture> pseudoTexture;
  platform::gpu::GpuVertexDescriptor vertexDescriptor;
  platform::gpu::GpuClearColor clearColor;

 private:
  // A shading pipeline: a blend, a format and the fragment function specialised for one kind of record.
  struct ShadingPipeline {
    GVRblend blend;
    platform::gpu::GpuPixelFormat format;
    platform::gpu::ShaderFragmentVariant variant;
    std::shared_ptr<platform::gpu::GpuRenderPipelineState> pipeline;
  };
  // Stencil-only pipelines have no fragment stage and write no colour: one per format serves every blend.
  struct StencilOnlyPipeline {
    platform::gpu::GpuPixelFormat format;
    std::shared_ptr<platform::gpu::GpuRenderPipelineState> pipeline;
  };

  platform::gpu::GpuDevice& device() const { return *mDevice; }
  GVRtexture* allocTexture();
  GVRcall* allocCall();
  int allocVerts(int count);
  int allocIndexes(int count);
  int allocFragUniforms(int count);
  GVRfragUniforms* fragUniformAtIndex(int offset);
  // Drops the last call of the set again, with what it allocated after `verts`, `indexes` and `uniforms`.
  void dropCall(int verts, int indexes, int uniforms);
  GVRblend blendCompositeOperation(VRcompositeOperationState op) const;
  bool convertPaintForFrag(GVRfragUniforms* frag, const VRpaint* paint, const VRscissor* scissor, float width,
                           float fringe, float strokeThr);
  void checkError(const std::string& error, const char* message) const;
  bool growBuffer(std::shared_ptr<platform::gpu::GpuBuffer>& buffer, int used, int capacity, int itemSize);
  // Vertices of all paths' fringe strips joined into one strip by repeated end vertices; returns the next vertex.
  int writeJoinedStrips(int at, const VRpath* paths, int npaths);

  // The blend and format of the following draws; makes the format's stencil-only pipeline when it is new.
  bool updateRenderPipelineStatesForBlend(const GVRblend& blend, platform::gpu::GpuPixelFormat pixelFormat);
  // Makes the pipeline of the blend and format in force with the fragment function specialised for the
  // record at uniformOffset the one in force (pipelineState), building it when it is new.
  // With `scissored`, the call's scissor is already applied as the pass's scissor rectangle and the function
  // variant leaves it out.
  void useShadingPipelineFor(int uniformOffset, bool scissored);
  // Sets the pass's scissor rectangle for a call: the record's scissor where that is exact (useShadingPipelineFor
  // then drops the shader's), else the whole target. True in the first case.
  bool scissorCall(const GVRcall& call);
  platform::gpu::GpuRenderPipelineDescriptor pipelineDescriptor(const GVRblend& blend,
                                                                platform::gpu::GpuPixelFormat pixelFormat) const;
  void updateStencilTextureToSize(int width, int height);
  bool renderCommandEncoderWithColorTexture(platform::gpu::GpuCommandBuffer& commands,
                                            const std::shared_ptr<platform::gpu::GpuTexture>& colorTexture);
  void setUniforms(int uniformOffset, int image);
  void fill(const GVRcall& call, bool scissored);
  void convexFill(const GVRcall& call, bool scissored);
  void stroke(const GVRcall& call, bool scissored);
  void triangles(const GVRcall& call, bool scissored);
  void releaseBuffers(GVRbuffers& set);

  // At most this many, the ones used last: a caller naming ever new blends would otherwise keep a pipeline for each.
  static constexpr size_t kMaxPipelines = platform::gpu::GpuDevice::kMaxSharedPipelines;
  std::vector<ShadingPipeline> mPipelines;
  std::vector<StencilOnlyPipeline> mStencilOnlyPipelines;
  // The vertex and fragment function specialised alike for one variant (the vertex function hands on what the
  // fragment function reads).
  struct VariantFunctions {
    platform::gpu::ShaderFragmentVariant variant;
    std::shared_ptr<platform::gpu::GpuFunction> vertex;
    std::shared_ptr<platform::gpu::GpuFunction> fragment;
  };
  std::vector<VariantFunctions> mFragmentVariants;
  float mViewPoints[2] = {0.0f, 0.0f};  // the frame's size in points, as renderViewport had it
  // The pass's viewport in pixels: viewPortSize within the device's largest viewport. The view-size buffer holds the
  // points it spans.
  uint32_t mViewport[2] = {0, 0};
};

// The back end object of a context made by gvrCreateContext.
GVRcontext* gvrBackend(VRcontext* ctx);

}  // namespace fx::gfx::gpu

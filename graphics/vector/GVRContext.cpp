#include "graphics/vector/GVRContext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

using namespace platform::gpu;

namespace fx::gfx::gpu {

namespace {

constexpr int kMinCalls = 128;
constexpr int kMinVertices = 4096;
constexpr int kMinIndexes = 4096;
constexpr int kMinUniformRecords = 128;
constexpr size_t kViewSizeBufferBytes = 16;

// New capacity for n + count items: the need, at least the minimum, plus half the old capacity; -1 when the
// bytes would not fit an int.
int GrownCapacity(int used, int count, int capacity, int minimum, int itemSize) {
  const long long need = std::max<long long>(static_cast<long long>(used) + count, minimum) + capacity / 2;
  if (need * itemSize > std::numeric_limits<int>::max()) return -1;
  return static_cast<int>(need);
}

// A 2 x 3 transform as three float4 columns (a, b, 0), (c, d, 0), (e, f, 1), fourth lanes 0.
void StoreTransform(float* columns, const float* t) {
  const float layout[12] = {t[0], t[1], 0.0f, 0.0f, t[2], t[3], 0.0f, 0.0f, t[4], t[5], 1.0f, 0.0f};
  std::memcpy(columns, layout, sizeof layout);
}

void StorePremultiplied(float* out, const VRcolor& c) {
  out[0] = c.r * c.a;
  out[1] = c.g * c.a;
  out[2] = c.b * c.a;
  out[3] = c.a;
}

// Pixels of a frame side; sizes that are not a positive number, or beyond the whole numbers a float holds exactly,
// give 0, and the frame is then not drawn.
uint32_t FramePixels(float points, float ratio) {
  constexpr float kMaxPixels = 16777216.0f;  // 2^24
  const float pixels = points * ratio;
  if (!(pixels >= 1.0f && pixels <= kMaxPixels)) return 0;
  return static_cast<uint32_t>(pixels);
}

// The view size in points that the pass's viewport of `viewport` pixels spans when the frame's `pixels` are cut to
// it: a point then lands on the same pixel as through a viewport of the whole frame.
float ViewPoints(float points, uint32_t pixels, uint32_t viewport) {
  if (viewport >= pixels || pixels == 0) return points;
  return static_cast<float>(static_cast<double>(points) * viewport / pixels);
}

bool BlendFactor(int factor, GpuBlendFactor& out) {
  switch (factor) {
    case VR_ZERO:
      out = GpuBlendFactor::Zero;
      return true;
    case VR_ONE:
      out = GpuBlendFactor::One;
      return true;
    case VR_SRC_COLOR:
      out = GpuBlendFactor::SourceColor;
      return true;
    case VR_ONE_MINUS_SRC_COLOR:
      out = GpuBlendFactor::OneMinusSourceColor;
      return true;
    case VR_DST_COLOR:
      out = GpuBlendFactor::DestinationColor;
      return true;
    case VR_ONE_MINUS_DST_COLOR:
      out = GpuBlendFactor::OneMinusDestinationColor;
      return true;
    case VR_SRC_ALPHA:
      out = GpuBlendFactor::SourceAlpha;
      return true;
    case VR_ONE_MINUS_SRC_ALPHA:
      out = GpuBlendFactor::OneMinusSourceAlpha;
      return true;
    case VR_DST_ALPHA:
      out = GpuBlendFactor::DestinationAlpha;
      return true;
    case VR_ONE_MINUS_DST_ALPHA:
      out = GpuBlendFactor::OneMinusDestinationAlpha;
      return true;
    case VR_SRC_ALPHA_SATURATE:
      out = GpuBlendFactor::SourceAlphaSaturated;
      return true;
    default:
      return false;
  }
}

std::shared_ptr<GpuDepthStencilState> StencilState(GpuDevice& device, GpuCompareFunction compare,
                                                   GpuStencilOperation fail, GpuStencilOperation pass) {
  GpuDepthStencilDescriptor descriptor;
  descriptor.hasFrontStencil = true;
  descriptor.front.compare = compare;
  descriptor.front.stencilFailure = fail;
  descriptor.front.depthFailure = fail;
  descriptor.front.depthStencilPass = pass;
  return device.NewDepthStencilState(descriptor);
}

}  // namespace

GVRbuffers::~GVRbuffers() {
  std::free(calls);
}

GVRcontext* gvrBackend(VRcontext* ctx) {
  return ctx != nullptr ? static_cast<GVRcontext*>(ctx->params.userPtr) : nullptr;
}

int GVRcontext::renderCreate() {
  if (vulkanLayer == nullptr) return 0;
  std::string reason;
  if (!vulkanLayer->device) {
    // A device made here would not be the one the layer's drawables were made on: frames could not reach them.
    if (vulkanLayer->drawables != nullptr) return 0;
    vulkanLayer->device = GpuDevice::Create(GpuDeviceOptions{}, reason);
    checkError(reason, "init device");
    if (!vulkanLayer->device) return 0;
  }
  mDevice = vulkanLayer->device;
  // The layer is non-opaque as it is: its frames keep their alpha, and a window's swapchain composites them with it
  // (pre-multiplied where the window system offers that), opaque only where the window offers nothing else.
  std::shared_ptr<GpuLibrary> library = device().NewDefaultLibrary(reason);
  checkError(reason, "init library");
  if (!library) return 0;
  // The library built into the module has both functions.
  vertexFunction = library->NewFunction("vertexShader");
  fragmentFunction = library->NewFunction((flags & GVR_ANTIALIAS) ? "fragmentShaderAA" : "fragmentShader");
  commandQueue = device().NewCommandQueue();

  maxBuffers = (flags & GVR_TRIPLE_BUFFER) ? 3 : (flags & GVR_DOUBLE_BUFFER) ? 2 : 1;
  cbuffers.clear();
  for (int i = 0; i < maxBuffers; ++i) cbuffers.push_back(std::make_shared<GVRbuffers>());
  clearBufferOnFlush = false;
  semaphore = std::make_shared<platform::Semaphore>(maxBuffers);
  setsMutex = std::make_shared<std::mutex>();

  vertexDescriptor.attributes = {{GpuVertexFormat::Float2, 0}, {GpuVertexFormat::Float2, 8}};
  vertexDescriptor.stride = sizeof(VRvertex);
  textureId = 0;
  textures.clear();
  // Without it (a failed creation) the GPU layer binds its own sampler where a draw names none.
  pseudoSampler = device().NewSampler(GpuSamplerDescriptor{}, reason);
  blendFunc = GVRblend{};

  defaultStencilState = device().NewDepthStencilState(GpuDepthStencilDescriptor{});
  GpuDepthStencilDescriptor fillShape;
  fillShape.hasFrontStencil = fillShape.hasBackStencil = true;
  fillShape.front.depthStencilPass = GpuStencilOperation::IncrementWrap;
  fillShape.back.depthStencilPass = GpuStencilOperation::DecrementWrap;
  fillShapeStencilState = device().NewDepthStencilState(fillShape);
  fillAntiAliasStencilState =
      StencilState(device(), GpuCompareFunction::Equal, GpuStencilOperation::Keep, GpuStencilOperation::Zero);
  fillStencilState =
      StencilState(device(), GpuCompareFunction::NotEqual, GpuStencilOperation::Zero, GpuStencilOperation::Zero);
  strokeShapeStencilState =
      StencilState(device(), GpuCompareFunction::Equal, GpuStencilOperation::Keep, GpuStencilOperation::IncrementClamp);
  strokeAntiAliasStencilState =
      StencilState(device(), GpuCompareFunction::Equal, GpuStencilOperation::Keep, GpuStencilOperation::Keep);
  strokeClearStencilState =
      StencilState(device(), GpuCompareFunction::Always, GpuStencilOperation::Zero, GpuStencilOperation::Zero);
  return 1;
}

GVRcontext::~GVRcontext() {
  if (semaphore) {
    renderCancel();
    waitForAllFrames();
  }
  renderEncoder.reset();
  for (auto& set : cbuffers) releaseBuffers(*set);
  cbuffers.clear();
  textures.clear();
  mPipelines.clear();
  mStencilOnlyPipelines.clear();
  mFragmentVariants.clear();
  pipelineState.reset();
  stencilOnlyPipelineState.reset();
  if (vulkanLayer != nullptr) vulkanLayer->device.reset();
  vulkanLayer = nullptr;
}

void GVRcontext::releaseBuffers(GVRbuffers& set) {
  set.viewSizeBuffer.reset();
  set.stencilTexture.reset();
  set.indexBuffer.reset();
  set.vertBuffer.reset();
  set.uniformBuffer.reset();
  set.indexes = nullptr;
  set.verts = nullptr;
  set.uniforms = nullptr;
  set.cindexes = set.cverts = set.cuniforms = 0;
}

void GVRcontext::waitForAllFrames() {
  std::vector<std::shared_ptr<GpuCommandBuffer>> inFlight;
  {
    std::lock_guard<std::mutex> lock(*setsMutex);
    for (auto& set : cbuffers)
      if (set->commandBuffer) inFlight.push_back(set->commandBuffer);
  }
  for (auto& commands : inFlight) commands->WaitUntilCompleted();
}

void GVRcontext::waitForFramesDrawingInto(int image) {
  std::vector<std::shared_ptr<GpuCommandBuffer>> inFlight;
  {
    std::lock_guard<std::mutex> lock(*setsMutex);
    for (auto& set : cbuffers)
      if (set->isBusy && set->image == image && set->commandBuffer) inFlight.push_back(set->commandBuffer);
  }
  for (auto& commands : inFlight) commands->WaitUntilCompleted();
}

void GVRcontext::renderViewport(float width, float height, float devicePixelRatio) {
  // A frame begun while the previous one was neither flushed nor cancelled would hold its buffer set for ever and
  // in the end block here for good: the unfinished frame is dropped.
  if (buffers) renderCancel();
  viewPortSize[0] = FramePixels(width, devicePixelRatio);
  viewPortSize[1] = FramePixels(height, devicePixelRatio);
  mViewPoints[0] = width;
  mViewPoints[1] = height;
  // A frame larger than the device's largest viewport is drawn through that one, whose pixels cover every target the
  // device can have.
  uint32_t maxWidth = 0, maxHeight = 0;
  device().MaxViewportSize(maxWidth, maxHeight);
  mViewport[0] = std::min(viewPortSize[0], maxWidth);
  mViewport[1] = std::min(viewPortSize[1], maxHeight);
  // Until a set is free, however long the GPU takes: every committed frame's completion handler frees its set, also
  // when the frame failed or the device was lost.
  semaphore->Wait();
  {
    std::lock_guard<std::mutex> lock(*setsMutex);
    for (auto& set : cbuffers) {
      if (!set->isBusy) {
        set->isBusy = 1;
        buffers = set;
        break;
      }
    }
  }
  if (!buffers) {
    semaphore->Signal();
    return;
  }
  if (!buffers->viewSizeBuffer) {
    std::string reason;
    // The GPU layer reads vertex uniforms as one 16-byte block: the 8-byte size and padding.
    buffers->viewSizeBuffer = device().NewBuffer(kViewSizeBufferBytes, reason);
    checkError(reason, "init view size buffer");
  }
  if (buffers->viewSizeBuffer) {
    const ShaderViewSize size{ViewPoints(width, viewPortSize[0], mViewport[0]),
                              ViewPoints(height, viewPortSize[1], mViewport[1])};
    std::memcpy(buffers->viewSizeBuffer->Contents(), &size, sizeof size);
  }
}

GVRcall* GVRcontext::allocCall() {
  GVRbuffers& b = *buffers;
  if (b.ncalls + 1 > b.ccalls) {
    const int capacity = GrownCapacity(b.ncalls, 1, b.ccalls, kMinCalls, sizeof(GVRcall));
    if (capacity < 0) return nullptr;
    auto* grown = static_cast<GVRcall*>(std::realloc(b.calls, sizeof(GVRcall) * capacity));
    if (grown == nullptr) return nullptr;
    b.calls = grown;
    b.ccalls = capacity;
  }
  GVRcall* call = &b.calls[b.ncalls++];
  *call = GVRcall{};
  return call;
}

bool GVRcontext::growBuffer(std::shared_ptr<GpuBuffer>& buffer, int used, int capacity, int itemSize) {
  std::string reason;
  std::shared_ptr<GpuBuffer> grown = device().NewBuffer(static_cast<size_t>(capacity) * itemSize, reason);
  if (!grown) {
    checkError(reason, "grow buffer");
    return false;
  }
  if (buffer && used > 0) std::memcpy(grown->Contents(), buffer->Contents(), static_cast<size_t>(used) * itemSize);
  // A frame in flight that still reads the old buffer holds it until it completes.
  buffer = std::move(grown);
  return true;
}

int GVRcontext::allocVerts(int count) {
  GVRbuffers& b = *buffers;
  if (count < 0) return -1;
  if (static_cast<long long>(b.nverts) + count > b.cverts) {
    const int capacity = GrownCapacity(b.nverts, count, b.cverts, kMinVertices, sizeof(VRvertex));
    if (capacity < 0 || !growBuffer(b.vertBuffer, b.nverts, capacity, sizeof(VRvertex))) return -1;
    b.verts = static_cast<VRvertex*>(b.vertBuffer->Contents());
    b.cverts = capacity;
  }
  const int first = b.nverts;
  b.nverts += count;
  return first;
}

int GVRcontext::allocIndexes(int count) {
  GVRbuffers& b = *buffers;
  if (count < 0) return -1;
  if (static_cast<long long>(b.nindexes) + count > b.cindexes) {
    const int capacity = GrownCapacity(b.nindexes, count, b.cindexes, kMinIndexes, indexSize);
    if (capacity < 0 || !growBuffer(b.indexBuffer, b.nindexes, capacity, indexSize)) return -1;
    b.indexes = static_cast<uint32_t*>(b.indexBuffer->Contents());
    b.cindexes = capacity;
  }
  const int first = b.nindexes;
  b.nindexes += count;
  return first;
}

int GVRcontext::allocFragUniforms(int count) {
  GVRbuffers& b = *buffers;
  if (count < 0) return -1;
  if (static_cast<long long>(b.nuniforms) + count > b.cuniforms) {
    const int capacity = GrownCapacity(b.nuniforms, count, b.cuniforms, kMinUniformRecords, fragSize);
    if (capacity < 0 || !growBuffer(b.uniformBuffer, b.nuniforms, capacity, fragSize)) return -1;
    b.uniforms = static_cast<unsigned char*>(b.uniformBuffer->Contents());
    b.cuniforms = capacity;
  }
  const int first = b.nuniforms * fragSize;
  b.nuniforms += count;
  return first;
}

GVRfragUniforms* GVRcontext::fragUniformAtIndex(int offset) {
  return reinterpret_cast<GVRfragUniforms*>(buffers->uniforms + offset);
}

void GVRcontext::dropCall(int verts, int indexes, int uniforms) {
  GVRbuffers& b = *buffers;
  --b.ncalls;
  b.nverts = verts;
  b.nindexes = indexes;
  b.nuniforms = uniforms;
}

GVRblend GVRcontext::blendCompositeOperation(VRcompositeOperationState op) const {
  GVRblend blend;
  if (!BlendFactor(op.srcRGB, blend.srcRGB) || !BlendFactor(op.dstRGB, blend.dstRGB) ||
      !BlendFactor(op.srcAlpha, blend.srcAlpha) || !BlendFactor(op.dstAlpha, blend.dstAlpha))
    return GVRblend{};
  return blend;
}

bool GVRcontext::convertPaintForFrag(GVRfragUniforms* frag, const VRpaint* paint, const VRscissor* scissor, float width,
                                     float fringe, float strokeThr) {
  std::memset(frag, 0, sizeof(GVRfragUniforms));
  StorePremultiplied(frag->innerCol, paint->innerColor);
  StorePremultiplied(frag->outerCol, paint->outerColor);

  if (scissor->extent[0] < -0.5f || scissor->extent[1] < -0.5f) {
    frag->scissorExt[0] = frag->scissorExt[1] = 1.0f;
    frag->scissorScale[0] = frag->scissorScale[1] = 1.0f;
  } else {
    float inverse[6];
    vrTransformInverse(inverse, scissor->xform);
    StoreTransform(frag->scissorMat, inverse);
    const float* xf = scissor->xform;
    frag->scissorExt[0] = scissor->extent[0];
    frag->scissorExt[1] = scissor->extent[1];
    frag->scissorScale[0] = std::sqrt(xf[0] * xf[0] + xf[2] * xf[2]) / fringe;
    frag->scissorScale[1] = std::sqrt(xf[1] * xf[1] + xf[3] * xf[3]) / fringe;
  }

  frag->extent[0] = paint->extent[0];
  frag->extent[1] = paint->extent[1];
  frag->strokeMult = (width * 0.5f + fringe * 0.5f) / fringe;
  frag->strokeThr = strokeThr;

  float inverse[6];
  if (paint->image == 0) {
    frag->type = 0;
    frag->radius = paint->radius;
    frag->feather = paint->feather;
    vrTransformInverse(inverse, paint->xform);
  } else {
    const GVRtexture* texture = findTexture(paint->image);
    if (texture == nullptr) return false;
    frag->type = 1;
    frag->texType = texture->type == VR_TEXTURE_ALPHA ? 2 : (texture->flags & VR_IMAGE_PREMULTIPLIED) ? 0 : 1;
    if (texture->flags & VR_IMAGE_FLIPY) {
      // The image is mirrored about its middle row before the paint transform places it.
      float flip[6], step[6];
      vrTransformTranslate(flip, 0.0f, -paint->extent[1] * 0.5f);
      vrTransformScale(step, 1.0f, -1.0f);
      vrTransformMultiply(flip, step);
      vrTransformTranslate(step, 0.0f, paint->extent[1] * 0.5f);
      vrTransformMultiply(flip, step);
      vrTransformMultiply(flip, paint->xform);
      vrTransformInverse(inverse, flip);
    } else {
      vrTransformInverse(inverse, paint->xform);
    }
  }
  StoreTransform(frag->paintMat, inverse);
  return true;
}

void GVRcontext::checkError(const std::string& error, const char* message) const {
  if (!error.empty() && (flags & GVR_DEBUG)) std::printf("Error occurs after %s: %s\n", message, error.c_str());
}

}  // namespace fx::gfx::gpu

// Shader functions and the two kinds of fixed GPU state a draw needs: render pipeline states (shaders,
// colour format, blending, colour writes, vertex layout) and depth-stencil states (stencil tests and
// operations per face). Made by GpuDevice; a failed creation gives null and a reason. Any thread may
// make them; they are immutable afterwards.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gpu/GpuTypes.h"
#include "platform/gpu/VulkanApi.h"

namespace platform::gpu {

class GpuCore;

enum class GpuShaderStage : uint32_t { Vertex = 0, Fragment = 1 };

// One value for a function constant (a specialisation constant of the code): its id and 32 bits, an int
// as it is, a bool as 0 or 1.
struct GpuFunctionConstant {
  uint32_t index = 0;
  uint32_t value = 0;

  bool operator==(const GpuFunctionConstant&) const = default;
};
using GpuFunctionConstantValues = std::vector<GpuFunctionConstant>;

// One compiled shader function of a library, or that function specialised with constant values (the
// pipeline's compiler then folds them and drops the code they switch off).
class GpuFunction {
 public:
  GpuFunction(std::shared_ptr<GpuCore> core, std::string name, GpuShaderStage stage, VkShaderModule module);
  // The same code with the given constant values; shares the base function's module.
  GpuFunction(std::shared_ptr<const GpuFunction> base, GpuFunctionConstantValues constants);
  ~GpuFunction();
  GpuFunction(const GpuFunction&) = delete;
  GpuFunction& operator=(const GpuFunction&) = delete;

  const std::string& Name() const { return mName; }
  GpuShaderStage Stage() const { return mStage; }
  VkShaderModule Module() const { return mModule; }
  const GpuFunctionConstantValues& Constants() const { return mConstants; }

 private:
  std::shared_ptr<GpuCore> mCore;
  std::shared_ptr<const GpuFunction> mBase;  // owns the module of a specialised function
  std::string mName;
  GpuShaderStage mStage;
  VkShaderModule mModule;
  GpuFunctionConstantValues mConstants;
};

enum class GpuVertexFormat { Float2, Float4 };

struct GpuVertexAttribute {
  GpuVertexFormat format = GpuVertexFormat::Float2;
  uint32_t offset = 0;  // bytes into the vertex

  bool operator==(const GpuVertexAttribute&) const = default;
};

// Attribute i is shader location i; all come from vertex buffer 0, one step per vertex.
struct GpuVertexDescriptor {
  std::vector<GpuVertexAttribute> attributes;
  uint32_t stride = 0;

  bool operator==(const GpuVertexDescriptor&) const = default;
};

struct GpuRenderPipelineDescriptor {
  std::shared_ptr<GpuFunction> vertexFunction;
  std::shared_ptr<GpuFunction> fragmentFunction;  // null for stencil-only passes
  GpuVertexDescriptor vertexDescriptor;
  GpuPixelFormat colorFormat = GpuPixelFormat::BGRA8Unorm;
  GpuPixelFormat stencilFormat = GpuPixelFormat::Invalid;  // Stencil8 when the pass has a stencil attachment
  bool blendingEnabled = false;
  GpuBlendFactor sourceRGB = GpuBlendFactor::One;
  GpuBlendFactor destinationRGB = GpuBlendFactor::Zero;
  GpuBlendFactor sourceAlpha = GpuBlendFactor::One;
  GpuBlendFactor destinationAlpha = GpuBlendFactor::Zero;
  bool colorWrites = true;  // false: the pipeline only touches the stencil
};

// Whether two descriptors make the same pipeline: their functions run the same code (one shader module) with the
// same constant values, and every other field is equal.
bool MakeSamePipeline(const GpuRenderPipelineDescriptor& a, const GpuRenderPipelineDescriptor& b);

class GpuRenderPipelineState {
 public:
  static std::shared_ptr<GpuRenderPipelineState> Create(std::shared_ptr<GpuCore> core,
                                                        const GpuRenderPipelineDescriptor& descriptor,
                                                        std::string& reason);
  ~GpuRenderPipelineState();
  GpuRenderPipelineState(const GpuRenderPipelineState&) = delete;
  GpuRenderPipelineState& operator=(const GpuRenderPipelineState&) = delete;

  VkPipeline Handle() const { return mPipeline; }
  GpuPixelFormat ColorFormat() const { return mColorFormat; }

 private:
  GpuRenderPipelineState(std::shared_ptr<GpuCore> core, GpuPixelFormat colorFormat)
      : mCore(std::move(core)), mColorFormat(colorFormat) {}

  std::shared_ptr<GpuCore> mCore;
  GpuPixelFormat mColorFormat;
  VkPipeline mPipeline = VK_NULL_HANDLE;
};

struct GpuStencilDescriptor {
  GpuCompareFunction compare = GpuCompareFunction::Always;
  GpuStencilOperation stencilFailure = GpuStencilOperation::Keep;
  GpuStencilOperation depthFailure = GpuStencilOperation::Keep;
  GpuStencilOperation depthStencilPass = GpuStencilOperation::Keep;
  uint32_t readMask = 0xff;
  uint32_t writeMask = 0xff;
};

// A face without its own stencil description tests Always and keeps the stencil; with neither face
// described the stencil test is off. There is no depth buffer: depth always passes.
struct GpuDepthStencilDescriptor {
  bool hasFrontStencil = false;
  GpuStencilDescriptor front;
  bool hasBackStencil = false;
  GpuStencilDescriptor back;
};

// Applied through dynamic state when a draw uses it, so it costs no pipeline of its own.
class GpuDepthStencilState {
 public:
  explicit GpuDepthStencilState(const GpuDepthStencilDescriptor& descriptor) : mDescriptor(descriptor) {}
  const GpuDepthStencilDescriptor& Descriptor() const { return mDescriptor; }
  bool StencilEnabled() const { return mDescriptor.hasFrontStencil || mDescriptor.hasBackStencil; }

 private:
  GpuDepthStencilDescriptor mDescriptor;
};

}  // namespace platform::gpu

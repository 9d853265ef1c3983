#include "platform/gpu/GpuPipeline.h"

// Vulkan records are started as `VkThing info{VK_STRUCTURE_TYPE_THING}`, the rest zero by the language.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

#include <cstddef>

#include "platform/gpu/GpuCore.h"

namespace platform::gpu {

namespace {

VkBlendFactor BlendFactor(GpuBlendFactor factor) {
  switch (factor) {
    case GpuBlendFactor::Zero:
      return VK_BLEND_FACTOR_ZERO;
    case GpuBlendFactor::One:
      return VK_BLEND_FACTOR_ONE;
    case GpuBlendFactor::SourceColor:
      return VK_BLEND_FACTOR_SRC_COLOR;
    case GpuBlendFactor::OneMinusSourceColor:
      return VK_BLEND_FACTOR_ONE_MINUS_SRC_COLOR;
    case GpuBlendFactor::SourceAlpha:
      return VK_BLEND_FACTOR_SRC_ALPHA;
    case GpuBlendFactor::OneMinusSourceAlpha:
      return VK_BLEND_FACTOR_ONE_MINUS_SRC_ALPHA;
    case GpuBlendFactor::DestinationColor:
      return VK_BLEND_FACTOR_DST_COLOR;
    case GpuBlendFactor::OneMinusDestinationColor:
      return VK_BLEND_FACTOR_ONE_MINUS_DST_COLOR;
    case GpuBlendFactor::DestinationAlpha:
      return VK_BLEND_FACTOR_DST_ALPHA;
    case GpuBlendFactor::OneMinusDestinationAlpha:
      return VK_BLEND_FACTOR_ONE_MINUS_DST_ALPHA;
    case GpuBlendFactor::SourceAlphaSaturated:
      return VK_BLEND_FACTOR_SRC_ALPHA_SATURATE;
  }
  return VK_BLEND_FACTOR_ONE;
}

bool SameCode(const GpuFunction* a, const GpuFunction* b) {
  if (!a || !b) return a == b;
  return a->Module() == b->Module() && a->Stage() == b->Stage() && a->Constants() == b->Constants();
}

}  // namespace

bool MakeSamePipeline(const GpuRenderPipelineDescriptor& a, const GpuRenderPipelineDescriptor& b) {
  return SameCode(a.vertexFunction.get(), b.vertexFunction.get()) &&
         SameCode(a.fragmentFunction.get(), b.fragmentFunction.get()) && a.vertexDescriptor == b.vertexDescriptor &&
         a.colorFormat == b.colorFormat && a.stencilFormat == b.stencilFormat &&
         a.blendingEnabled == b.blendingEnabled && a.sourceRGB == b.sourceRGB && a.destinationRGB == b.destinationRGB &&
         a.sourceAlpha == b.sourceAlpha && a.destinationAlpha == b.destinationAlpha && a.colorWrites == b.colorWrites;
}

GpuFunction::GpuFunction(std::shared_ptr<GpuCore> core, std::string name, GpuShaderStage stage, VkShaderModule module)
    : mCore(std::move(core)), mName(std::move(name)), mStage(stage), mModule(module) {}

GpuFunction::GpuFunction(std::shared_ptr<const GpuFunction> base, GpuFunctionConstantValues constants)
    : mCore(base->mCore),
      mBase(base),
      mName(base->mName),
      mStage(base->mStage),
      mModule(base->mModule),
      mConstants(std::move(constants)) {}

GpuFunction::~GpuFunction() {
  if (!mBase) mCore->fn.vkDestroyShaderModule(mCore->device, mModule, nullptr);
}

std::shared_ptr<GpuRenderPipelineState> GpuRenderPipelineState::Create(std::shared_ptr<GpuCore> core,
                                                                       const GpuRenderPipelineDescriptor& d,
                                                                       std::string& reason) {
  const int pixelBytes = BytesPerPixel(d.colorFormat);
  if (!d.vertexFunction || d.vertexFunction->Stage() != GpuShaderStage::Vertex ||
      (d.fragmentFunction && d.fragmentFunction->Stage() != GpuShaderStage::Fragment)) {
    reason = "a render pipeline needs a vertex function and at most one fragment function";
    return nullptr;
  }
  if (pixelBytes == 0 || (d.stencilFormat != GpuPixelFormat::Invalid && d.stencilFormat != GpuPixelFormat::Stencil8)) {
    reason = "a render pipeline needs a colour format and at most a Stencil8 attachment";
    return nullptr;
  }
  std::shared_ptr<GpuRenderPipelineState> state(new GpuRenderPipelineState(std::move(core), d.colorFormat));
  GpuCore& c = *state->mCore;

  VkPipelineShaderStageCreateInfo stages[2] = {};
  VkSpecializationInfo specialisations[2] = {};
  std::vector<VkSpecializationMapEntry> constantEntries[2];
  uint32_t stageCount = 0;
  for (const GpuFunction* function : {d.vertexFunction.get(), d.fragmentFunction.get()}) {
    if (!function) continue;
    VkPipelineShaderStageCreateInfo& stage = stages[stageCount];
    stage.sType = VK_STRUCTURE_TYPE_PIPELINE_SHADER_STAGE_CREATE_INFO;
    stage.stage =
        function->Stage() == GpuShaderStage::Vertex ? VK_SHADER_STAGE_VERTEX_BIT : VK_SHADER_STAGE_FRAGMENT_BIT;
    stage.module = function->Module();
    stage.pName = "main";
    // The values lie in the function's own list: entry i reads the second word of element i.
    const GpuFunctionConstantValues& constants = function->Constants();
    if (!constants.empty()) {
      for (size_t i = 0; i < constants.size(); ++i)
        constantEntries[stageCount].push_back(
            {constants[i].index,
             static_cast<uint32_t>(i * sizeof(GpuFunctionConstant) + offsetof(GpuFunctionConstant, value)),
             sizeof(uint32_t)});
      VkSpecializationInfo& specialisation = specialisations[stageCount];
      specialisation.mapEntryCount = static_cast<uint32_t>(constants.size());
      specialisation.pMapEntries = constantEntries[stageCount].data();
      specialisation.dataSize = constants.size() * sizeof(GpuFunctionConstant);
      specialisation.pData = constants.data();
      stage.pSpecializationInfo = &specialisation;
    }
    ++stageCount;
  }

  std::vector<VkVertexInputAttributeDescription> attributes;
  for (size_t i = 0; i < d.vertexDescriptor.attributes.size(); ++i) {
    const GpuVertexAttribute& a = d.vertexDescriptor.attributes[i];
    attributes.push_back({static_cast<uint32_t>(i), 0,
                          a.format == GpuVertexFormat::Float4 ? VK_FORMAT_R32G32B32A32_SFLOAT : VK_FORMAT_R32G32_SFLOAT,
                          a.offset});
  }
  const VkVertexInputBindingDescription binding{0, d.vertexDescriptor.stride, VK_VERTEX_INPUT_RATE_VERTEX};
  VkPipelineVertexInputStateCreateInfo vertexInput{VK_STRUCTURE_TYPE_PIPELINE_VERTEX_INPUT_STATE_CREATE_INFO};
  if (!attributes.empty()) {
    vertexInput.vertexBindingDescriptionCount = 1;
    vertexInput.pVertexBindingDescriptions = &binding;
    vertexInput.vertexAttributeDescriptionCount = static_cast<uint32_t>(attributes.size());
    vertexInput.pVertexAttributeDescriptions = attributes.data();
  }
  VkPipelineInputAssemblyStateCreateInfo assembly{VK_STRUCTURE_TYPE_PIPELINE_INPUT_ASSEMBLY_STATE_CREATE_INFO};
  assembly.topology = VK_PRIMITIVE_TOPOLOGY_TRIANGLE_LIST;  // lists and strips switch per draw
  VkPipelineViewportStateCreateInfo viewport{VK_STRUCTURE_TYPE_PIPELINE_VIEWPORT_STATE_CREATE_INFO};
  viewport.viewportCount = 1;
  viewport.scissorCount = 1;
  VkPipelineRasterizationStateCreateInfo raster{VK_STRUCTURE_TYPE_PIPELINE_RASTERIZATION_STATE_CREATE_INFO};
  raster.polygonMode = VK_POLYGON_MODE_FILL;
  raster.lineWidth = 1.0f;
  VkPipelineMultisampleStateCreateInfo multisample{VK_STRUCTURE_TYPE_PIPELINE_MULTISAMPLE_STATE_CREATE_INFO};
  multisample.rasterizationSamples = VK_SAMPLE_COUNT_1_BIT;
  VkPipelineDepthStencilStateCreateInfo depthStencil{VK_STRUCTURE_TYPE_PIPELINE_DEPTH_STENCIL_STATE_CREATE_INFO};
  depthStencil.depthCompareOp = VK_COMPARE_OP_ALWAYS;
  depthStencil.maxDepthBounds = 1.0f;
  VkPipelineColorBlendAttachmentState blendAttachment{};
  blendAttachment.blendEnable = d.blendingEnabled ? VK_TRUE : VK_FALSE;
  blendAttachment.srcColorBlendFactor = BlendFactor(d.sourceRGB);
  blendAttachment.dstColorBlendFactor = BlendFactor(d.destinationRGB);
  blendAttachment.colorBlendOp = VK_BLEND_OP_ADD;
  blendAttachment.srcAlphaBlendFactor = BlendFactor(d.sourceAlpha);
  blendAttachment.dstAlphaBlendFactor = BlendFactor(d.destinationAlpha);
  blendAttachment.alphaBlendOp = VK_BLEND_OP_ADD;
  blendAttachment.colorWriteMask = d.colorWrites ? VK_COLOR_COMPONENT_R_BIT | VK_COLOR_COMPONENT_G_BIT |
                                                       VK_COLOR_COMPONENT_B_BIT | VK_COLOR_COMPONENT_A_BIT
                                                 : 0;
  VkPipelineColorBlendStateCreateInfo blend{VK_STRUCTURE_TYPE_PIPELINE_COLOR_BLEND_STATE_CREATE_INFO};
  blend.attachmentCount = 1;
  blend.pAttachments = &blendAttachment;
  // Everything a draw may change between draws of one pass is dynamic (Vulkan 1.3 core).
  const VkDynamicState dynamicStates[] = {VK_DYNAMIC_STATE_VIEWPORT,
                                          VK_DYNAMIC_STATE_SCISSOR,
                                          VK_DYNAMIC_STATE_CULL_MODE,
                                          VK_DYNAMIC_STATE_FRONT_FACE,
                                          VK_DYNAMIC_STATE_PRIMITIVE_TOPOLOGY,
                                          VK_DYNAMIC_STATE_DEPTH_TEST_ENABLE,
                                          VK_DYNAMIC_STATE_DEPTH_WRITE_ENABLE,
                                          VK_DYNAMIC_STATE_DEPTH_COMPARE_OP,
                                          VK_DYNAMIC_STATE_DEPTH_BOUNDS_TEST_ENABLE,
                                          VK_DYNAMIC_STATE_STENCIL_TEST_ENABLE,
                                          VK_DYNAMIC_STATE_STENCIL_OP,
                                          VK_DYNAMIC_STATE_STENCIL_COMPARE_MASK,
                                          VK_DYNAMIC_STATE_STENCIL_WRITE_MASK,
                                          VK_DYNAMIC_STATE_STENCIL_REFERENCE};
  VkPipelineDynamicStateCreateInfo dynamic{VK_STRUCTURE_TYPE_PIPELINE_DYNAMIC_STATE_CREATE_INFO};
  dynamic.dynamicStateCount = static_cast<uint32_t>(std::size(dynamicStates));
  dynamic.pDynamicStates = dynamicStates;

  const VkFormat colorFormat = c.VulkanFormat(d.colorFormat);
  VkPipelineRenderingCreateInfo rendering{VK_STRUCTURE_TYPE_PIPELINE_RENDERING_CREATE_INFO};
  rendering.colorAttachmentCount = 1;
  rendering.pColorAttachmentFormats = &colorFormat;
  if (d.stencilFormat == GpuPixelFormat::Stencil8) {
    rendering.stencilAttachmentFormat = c.stencilFormat;
    if (c.stencilFormat != VK_FORMAT_S8_UINT) rendering.depthAttachmentFormat = c.stencilFormat;
  }

  VkGraphicsPipelineCreateInfo info{VK_STRUCTURE_TYPE_GRAPHICS_PIPELINE_CREATE_INFO};
  info.pNext = &rendering;
  info.stageCount = stageCount;
  info.pStages = stages;
  info.pVertexInputState = &vertexInput;
  info.pInputAssemblyState = &assembly;
  info.pViewportState = &viewport;
  info.pRasterizationState = &raster;
  info.pMultisampleState = &multisample;
  info.pDepthStencilState = &depthStencil;
  info.pColorBlendState = &blend;
  info.pDynamicState = &dynamic;
  info.layout = c.pipelineLayout;
  const VkResult result =
      c.fn.vkCreateGraphicsPipelines(c.device, VK_NULL_HANDLE, 1, &info, nullptr, &state->mPipeline);
  if (result != VK_SUCCESS) {
    state->mPipeline = VK_NULL_HANDLE;
    reason = std::string("vkCreateGraphicsPipelines failed: ") + VulkanResultName(result);
    return nullptr;
  }
  c.Hold(GpuHeld::kPipelines, 1);
  return state;
}

GpuRenderPipelineState::~GpuRenderPipelineState() {
  if (mPipeline) {
    mCore->fn.vkDestroyPipeline(mCore->device, mPipeline, nullptr);
    mCore->Hold(GpuHeld::kPipelines, -1);
  }
}

}  // namespace platform::gpu

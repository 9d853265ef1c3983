// The renderer's images as GPU textures with their samplers. Records are reused: a deleted image's record is handed
// out again under a new id, and ids are never reused.
#include "graphics/vector/GVRContext.h"

using namespace platform::gpu;

namespace fx::gfx::gpu {

namespace {

int PixelBytes(int type) {
  return type == VR_TEXTURE_ALPHA ? 1 : 4;
}

}  // namespace

GVRtexture* GVRcontext::allocTexture() {
  GVRtexture* record = nullptr;
  for (auto& texture : textures) {
    if (texture.id == 0) {
      record = &texture;
      break;
    }
  }
  if (record == nullptr) record = &textures.emplace_back();
  *record = GVRtexture{};
  record->id = ++textureId;
  return record;
}

GVRtexture* GVRcontext::findTexture(int image) {
  if (image <= 0) return nullptr;
  for (auto& texture : textures)
    if (texture.id == image) return &texture;
  return nullptr;
}

int GVRcontext::renderCreateTexture(int type, int width, int height, int imageFlags, const unsigned char* data) {
  if ((type != VR_TEXTURE_ALPHA && type != VR_TEXTURE_RGBA) || width <= 0 || height <= 0) return 0;
  GpuTextureDescriptor descriptor;
  descriptor.format = type == VR_TEXTURE_ALPHA ? GpuPixelFormat::R8Unorm : GpuPixelFormat::RGBA8Unorm;
  if (type == VR_TEXTURE_RGBA && (imageFlags & GVR_IMAGE_DRAWABLE_FORMAT) && vulkanLayer->drawables != nullptr)
    descriptor.format = vulkanLayer->drawables->PixelFormat();
  descriptor.width = width;
  descriptor.height = height;
  descriptor.mipmapped = (imageFlags & VR_IMAGE_GENERATE_MIPMAPS) != 0;
  descriptor.usage = kTextureUsageShaderRead | kTextureUsageShaderWrite | kTextureUsageRenderTarget;
  std::string reason;
  std::shared_ptr<GpuTexture> tex = device().NewTexture(descriptor, reason);
  checkError(reason, "init texture");
  if (!tex) return 0;

  if (data != nullptr) {
    // The GPU layer's textures are private: the copy goes through a staging buffer, queued behind the frames committed
    // so far without waiting for them; only the mipmaps made from it are waited for. An image whose pixels cannot be
    // uploaded is not made: it would show transparent where the caller's pixels were asked for.
    const size_t rowBytes = static_cast<size_t>(width) * PixelBytes(type);
    if (!tex->ReplaceRegion({0, 0, width, height}, 0, data, rowBytes)) return 0;
    if (descriptor.mipmapped) {
      std::shared_ptr<GpuCommandBuffer> commands = commandQueue->CommandBuffer(reason);
      checkError(reason, "generate mipmaps");
      if (commands) {
        std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder();
        if (blit) {
          blit->GenerateMipmaps(tex);
          blit->EndEncoding();
        }
        commands->Commit();
        commands->WaitUntilCompleted();
      }
    }
  }

  GpuSamplerDescriptor sampling;
  const bool nearest = (imageFlags & VR_IMAGE_NEAREST) != 0;
  sampling.minFilter = sampling.magFilter = nearest ? GpuSamplerFilter::Nearest : GpuSamplerFilter::Linear;
  if (descriptor.mipmapped) sampling.mipFilter = nearest ? GpuSamplerMipFilter::Nearest : GpuSamplerMipFilter::Linear;
  sampling.addressModeS =
      (imageFlags & VR_IMAGE_REPEATX) ? GpuSamplerAddressMode::Repeat : GpuSamplerAddressMode::ClampToEdge;
  sampling.addressModeT =
      (imageFlags & VR_IMAGE_REPEATY) ? GpuSamplerAddressMode::Repeat : GpuSamplerAddressMode::ClampToEdge;
  std::shared_ptr<GpuSampler> sampler = device().NewSampler(sampling, reason);
  checkError(reason, "init sampler");
  if (!sampler) return 0;

  GVRtexture* record = allocTexture();
  record->type = type;
  record->flags = imageFlags;
  record->tex = std::move(tex);
  record->sampler = std::move(sampler);
  return record->id;
}

int GVRcontext::createImageFromTexture(std::shared_ptr<GpuTexture> texture, int imageFlags) {
  if (!texture) return 0;
  GVRtexture* record = allocTexture();
  record->type = VR_TEXTURE_RGBA;
  record->flags = imageFlags | GVR_TEXTURE_NOT_OWNED;
  record->tex = std::move(texture);
  return record->id;
}

bool GVRcontext::presentImage(int image) {
  const GVRtexture* texture = findTexture(image);
  if (texture == nullptr || vulkanLayer->drawables == nullptr ||
      texture->tex->Format() != vulkanLayer->drawables->PixelFormat())
    return false;
  std::string reason;
  std::shared_ptr<GpuDrawable> drawable = vulkanLayer->drawables->NextDrawable(reason);
  checkError(reason, "next drawable");
  // A drawable follows its layer's bounds, which may differ from the image for a moment while the editor is resized.
  if (!drawable || drawable->Texture()->Width() != texture->tex->Width() ||
      drawable->Texture()->Height() != texture->tex->Height())
    return false;
  std::shared_ptr<GpuCommandBuffer> commands = commandQueue->CommandBuffer(reason);
  checkError(reason, "command buffer");
  if (!commands) return false;
  if (std::unique_ptr<GpuBlitEncoder> blit = commands->BlitCommandEncoder()) {
    blit->CopyTexture(texture->tex, drawable->Texture());
    blit->EndEncoding();
  }
  commands->PresentDrawable(drawable);
  if (!commands->Commit()) checkError(commands->Error(), "commit");
  return true;
}

int GVRcontext::renderDeleteTexture(int image) {
  GVRtexture* texture = findTexture(image);
  if (texture == nullptr) return 0;
  // Frames in flight that draw with the texture hold it until they complete; a texture made elsewhere
  // (GVR_TEXTURE_NOT_OWNED) lives on with its other owners.
  *texture = GVRtexture{};
  return 1;
}

int GVRcontext::renderUpdateTexture(int image, int x, int y, int width, int height, const unsigned char* data) {
  GVRtexture* texture = findTexture(image);
  if (texture == nullptr || data == nullptr) return 0;
  const int textureWidth = texture->tex->Width(), textureHeight = texture->tex->Height();
  // data holds the whole image: a region outside it would read beyond the caller's pixels.
  if (x < 0 || y < 0 || width <= 0 || height <= 0 || x > textureWidth - width || y > textureHeight - height) return 0;
  const size_t pixelBytes = PixelBytes(texture->type);
  const size_t rowBytes = static_cast<size_t>(textureWidth) * pixelBytes;
  const unsigned char* start = data + static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) * pixelBytes;
  return texture->tex->ReplaceRegion({x, y, width, height}, 0, start, rowBytes) ? 1 : 0;
}

int GVRcontext::renderGetTextureSize(int image, int* width, int* height) {
  GVRtexture* texture = findTexture(image);
  if (texture == nullptr) return 0;
  if (width != nullptr) *width = texture->tex->Width();
  if (height != nullptr) *height = texture->tex->Height();
  return 1;
}

}  // namespace fx::gfx::gpu

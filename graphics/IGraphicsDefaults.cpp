// Default bodies of the graphics object's virtual operations that a renderer or platform may override.
#include "graphics/IGraphics.h"

namespace fx::gfx {

void IGraphics::InitDrawContext() {}

void IGraphics::ReleaseDrawContext() {}

void IGraphics::EndFrame() {}

void IGraphics::DrawMultiLineText(const IText& text, const char*, const IRECT& bounds, const IBlend* blend) {
  DoDrawText(text, "Unsupported", bounds, blend);
}

void IGraphics::DrawFastDropShadow(const IRECT&, const IRECT&, float, float, float, const IBlend*) {}

void IGraphics::UpdateLayer() {}

void IGraphics::PathSetWinding(bool) {}

void IGraphics::OnControlDrawing(IControl&) {}

void IGraphics::OnControlDrawn(IControl&) {}

void IGraphics::AttachPlatformView(const IRECT&, void*) {}

void IGraphics::RemovePlatformView(void*) {}

void IGraphics::HidePlatformView(void*, bool) {}

ECursor IGraphics::SetMouseCursor(ECursor cursorType) {
  const auto previous = static_cast<ECursor>(mCursorType);
  mCursorType = cursorType;
  return previous;
}

bool IGraphics::WindowIsOpen() {
  return GetWindow() != nullptr;
}

bool IGraphics::SetFilePathInClipboard(const char*) {
  return false;
}

bool IGraphics::InitiateExternalFileDragDrop(const char*, const IRECT&) {
  return false;
}

const char* IGraphics::GetPlatformAPIStr() {
  return "";
}

bool IGraphics::RevealPathInExplorerOrFinder(FwString&, bool) {
  return false;
}

void IGraphics::PlatformPreResourceHook() {}

void* IGraphics::GetPlatformResourceHandle() const {
  return nullptr;
}

void IGraphics::PlatformPostResourceHook() {}

const char* IGraphics::GetBundleID() const {
  return "";
}

const char* IGraphics::GetAppGroupID() const {
  return "";
}

void IGraphics::ActivateContext() {}

void IGraphics::DeactivateContext() {}

bool IGraphics::PlatformSupportsMultiTouch() const {
  return false;
}

float IGraphics::GetPlatformWindowScale() const {
  return 1.f;
}

void IGraphics::PlatformResize(bool) {}

void IGraphics::DrawResize() {}

EUIAppearance IGraphics::GetUIAppearance() const {
  return kUIAppearanceLight;
}

bool IGraphics::RendererQueryHook() {
  return true;
}

float IGraphics::GetTotalScale() const {
  return mScreenScale * mDrawScale;
}

}  // namespace fx::gfx

// The editor's drawing back end with platform operations that do nothing (fonts are loaded from files): what the
// back end's tests draw through, on the recording back end or the GPU one.
#pragma once

#include "graphics/FontconfigFont.h"
#include "graphics/vector/IGraphicsVector.h"

namespace fx::gfx::test {

class TestVectorGraphics : public IGraphicsVector {
 public:
  using IGraphicsVector::IGraphicsVector;

  void GetMouseLocation(float& x, float& y) const override { x = y = 0.f; }
  void HideMouseCursor(bool, bool) override {}
  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  void* OpenWindow(void*) override { return nullptr; }
  void CloseWindow() override {}
  void* GetWindow() override { return nullptr; }
  bool GetTextFromClipboard(FwString&) override { return false; }
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override {}
  EMsgBoxResult ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc) override {
    return kOK;
  }
  void PromptForFile(FwString&, FwString&, EFileAction, const char*, IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(FwString&, IFileDialogCompletionHandlerFunc) override {}
  bool PromptForColor(IColor&, const char*, IColorPickerHandlerFunc) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  PlatformFontPtr LoadPlatformFont(const char* id, const char* file) override {
    return FontFileHelpers::LoadPlatformFont(id, file, "", "");
  }
  PlatformFontPtr LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*, ETextStyle) override { return nullptr; }
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
  void CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool&) override { return nullptr; }
};

}  // namespace fx::gfx::test

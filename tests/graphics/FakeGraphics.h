// A graphics object without renderer or window for the editor-delegate tests: every drawing and platform
// operation does nothing; the window, the pointer position and the window scale are what the test sets,
// and opening and closing are counted.
#pragma once

#include <memory>

#include "framework/IGEditorDelegate.h"
#include "graphics/IGraphics.h"

namespace fx::test {

class FakeGraphics : public gfx::IGraphics {
 public:
  FakeGraphics(gfx::IGEditorDelegate& dlg, int w, int h, float scale = 1.f) : IGraphics(dlg, w, h, 60, scale) {}
  ~FakeGraphics() override { ++destroyed; }

  // What the tests observe and steer.
  int opened = 0;
  int closed = 0;
  int detached = 0;
  float mouseX = 0.f;
  float mouseY = 0.f;
  float windowScale = 1.f;
  void* view = nullptr;
  static inline int destroyed = 0;

  void* OpenWindow(void*) override {
    ++opened;
    view = this;
    return view;
  }
  void CloseWindow() override {
    ++closed;
    view = nullptr;
  }
  void DetachWindow() override {
    ++detached;
    view = nullptr;
  }
  void* GetWindow() override { return view; }
  void GetMouseLocation(float& x, float& y) const override {
    x = mouseX;
    y = mouseY;
  }
  float GetPlatformWindowScale() const override { return windowScale; }

  void DrawBitmap(const gfx::IBitmap&, const gfx::IRECT&, int, int, const gfx::IBlend*) override {}
  gfx::IColor GetPointColor(const gfx::IPattern&, float, float) override { return gfx::IColor(); }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "fake"; }
  bool BitmapExtSupported(const char*) override { return false; }
  void GetLayerBitmapData(const gfx::ILayerPtr&, gfx::RawBitmapData&) override {}
  void ApplyShadowMask(gfx::ILayerPtr&, gfx::RawBitmapData&, const gfx::IShadow&) override {}
  void PathClear() override {}
  void PathClose() override {}
  void PathArc(float, float, float, float, float, gfx::EWinding) override {}
  void PathMoveTo(float, float) override {}
  void PathLineTo(float, float) override {}
  void PathCubicBezierTo(float, float, float, float, float, float) override {}
  void PathQuadraticBezierTo(float, float, float, float) override {}
  void PathStroke(const gfx::IPattern&, float, const gfx::IStrokeOptions&, const gfx::IBlend*) override {}
  void PathFill(const gfx::IPattern&, const gfx::IFillOptions&, const gfx::IBlend*) override {}
  void PathTransformSetMatrix(const gfx::IMatrix&) override {}
  void SetClipRegion(const gfx::IRECT&) override {}
  void HideMouseCursor(bool, bool) override {}
  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  bool GetTextFromClipboard(FwString&) override { return false; }
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override {}
  gfx::EMsgBoxResult ShowMessageBox(const char*, const char*, gfx::EMsgBoxType,
                                    gfx::IMsgBoxCompletionHandlerFunc) override {
    return gfx::kOK;
  }
  void PromptForFile(FwString&, FwString&, gfx::EFileAction, const char*,
                     gfx::IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(FwString&, gfx::IFileDialogCompletionHandlerFunc) override {}
  bool PromptForColor(gfx::IColor&, const char*, gfx::IColorPickerHandlerFunc) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  std::unique_ptr<gfx::PlatformFont> LoadPlatformFont(const char*, const char*) override { return nullptr; }
  std::unique_ptr<gfx::PlatformFont> LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  std::unique_ptr<gfx::PlatformFont> LoadPlatformFont(const char*, const char*, gfx::ETextStyle) override {
    return nullptr;
  }
  void CachePlatformFont(const char*, const std::unique_ptr<gfx::PlatformFont>&) override {}
  void CreatePlatformTextEntry(int, const gfx::IText&, const gfx::IRECT&, int, const char*) override {}
  gfx::IPopupMenu* CreatePlatformPopupMenu(gfx::IPopupMenu&, const gfx::IRECT&, bool&) override { return nullptr; }
  gfx::APIBitmap* LoadAPIBitmap(const char*, int, gfx::EResourceLocation, const char*) override { return nullptr; }
  gfx::APIBitmap* LoadAPIBitmap(const char*, const void*, int, int) override { return nullptr; }
  gfx::APIBitmap* CreateAPIBitmap(int, int, float, double, bool) override { return nullptr; }
  bool LoadAPIFont(const char*, const std::unique_ptr<gfx::PlatformFont>&) override { return false; }
  int AlphaChannelComponent() const override { return 3; }
  bool FlippedBitmap() const override { return false; }
  float DoMeasureText(const gfx::IText&, const char*, gfx::IRECT&) const override { return 0.f; }
  void DoDrawText(const gfx::IText&, const char*, const gfx::IRECT&, const gfx::IBlend*) override {}
};

}  // namespace fx::test

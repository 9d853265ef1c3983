// The editor's drawing back end on the recording renderer back end and recording framebuffers: a 200 x 100 point
// editor whose platform operations do nothing (fonts are loaded from files), created, given its context and main
// framebuffer, and released with the fixture.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "graphics/CoreTextFont.h"
#include "graphics/vector/IGraphicsVector.h"
#include "tests/graphics/vector/RecordingBackend.h"
#include "tests/graphics/vector/RecordingFramebuffers.h"
#include "tests/support/FakeDelegate.h"

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
    return CoreTextHelpers::LoadPlatformFont(id, file, "", "");
  }
  PlatformFontPtr LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  PlatformFontPtr LoadPlatformFont(const char*, const char*, int) override { return nullptr; }
  void CachePlatformFont(const char*, const PlatformFontPtr&) override {}
  void CreatePlatformTextEntry(int, const IText&, const IRECT&, int, const char*) override {}
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu&, const IRECT&, bool&) override { return nullptr; }
};

struct VectorGraphicsTest : ::testing::Test {
  FakeDelegate dlg;
  RecordingBackend backend;
  std::unique_ptr<TestVectorGraphics> g;
  VRcontext* ctx = nullptr;

  VectorGraphicsTest() { Open(1.f); }
  // A new editor at this draw scale (the previous one is released first).
  void Open(float drawScale, float screenScale = 1.f) {
    g.reset();
    backend = RecordingBackend();
    ResetFramebuffers();
    g = std::make_unique<TestVectorGraphics>(dlg, 200, 100, 60, drawScale);
    g->InitDrawContext(&backend);
    ctx = static_cast<VRcontext*>(g->GetDrawContext());
    // Sizes the main framebuffer as well.
    g->SetScreenScale(screenScale);
  }
  const RecordedDraw& Last() const { return backend.draws.back(); }
  int Draws() const { return static_cast<int>(backend.draws.size()); }
};

}  // namespace fx::gfx::test

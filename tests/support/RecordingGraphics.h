// A graphics object for tests: no window and no pixels. Every path, clip, transform, frame and platform
// call is appended to a log with its arguments; text has fixed metrics (7 points per character, the
// style's size high); popup menus and text entries are recorded and answered when the test says so.
#pragma once

#include "graphics/IGraphics.h"

#include <string>
#include <vector>

namespace fx::gfx::test {

class RecordingGraphics : public IGraphics {
 public:
  static constexpr float kCharWidth = 7.f;

  RecordingGraphics(IGEditorDelegate& dlg, int w, int h, float scale = 1.f);

  std::vector<std::string> log;
  // Calls whose name starts with one of these are not logged (e.g. {"Path"} to keep only frame calls).
  std::vector<std::string> muted;

  // Platform popup menus: answered at once with this item chosen (-1: no choice), unless async is set.
  int syncMenuChoice = -1;
  bool asyncMenus = false;
  IPopupMenu* lastPlatformMenu = nullptr;
  IRECT lastPlatformMenuBounds;
  // Platform text entry: the arguments of the last one.
  int textEntryParamIdx = -2;
  std::string textEntryText;
  IRECT textEntryBounds;
  int textEntryLength = 0;
  bool editorResizeAnswer = true;
  void* window = nullptr;
  float mouseX = 0.f;
  float mouseY = 0.f;

  // Renderer.
  void BeginFrame() override;
  void EndFrame() override;
  void DrawBitmap(const IBitmap&, const IRECT& dest, int srcX, int srcY, const IBlend*) override;
  IColor GetPointColor(const IPattern&, float, float) override { return IColor(); }
  void* GetDrawContext() override { return nullptr; }
  const char* GetDrawingAPIStr() override { return "recording"; }
  bool BitmapExtSupported(const char*) override { return false; }
  void GetLayerBitmapData(const ILayerPtr&, RawBitmapData&) override {}
  void ApplyShadowMask(ILayerPtr&, RawBitmapData&, const IShadow&) override {}
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions&, const IBlend*) override;
  void PathFill(const IPattern& pattern, const IFillOptions&, const IBlend* blend) override;
  void PathTransformSetMatrix(const IMatrix& m) override;
  void SetClipRegion(const IRECT& r) override;
  void OnControlDrawn(IControl& control) override;
  void DrawResize() override;
  APIBitmap* LoadAPIBitmap(const char*, int, EResourceLocation, const char*) override { return nullptr; }
  APIBitmap* LoadAPIBitmap(const char*, const void*, int, int) override { return nullptr; }
  APIBitmap* CreateAPIBitmap(int, int, float, double, bool) override { return nullptr; }
  bool LoadAPIFont(const char*, const std::unique_ptr<PlatformFont>&) override { return false; }
  int AlphaChannelComponent() const override { return 3; }
  bool FlippedBitmap() const override { return false; }
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend*) override;

  // Platform.
  void GetMouseLocation(float& x, float& y) const override;
  void HideMouseCursor(bool hide, bool lock) override;
  void MoveMouseCursor(float, float) override {}
  void ForceEndUserEdit() override {}
  void* OpenWindow(void* parent) override;
  void CloseWindow() override;
  void* GetWindow() override { return window; }
  bool GetTextFromClipboard(FwString&) override { return false; }
  bool SetTextInClipboard(const char*) override { return false; }
  void UpdateTooltips() override;
  EMsgBoxResult ShowMessageBox(const char*, const char*, EMsgBoxType, IMsgBoxCompletionHandlerFunc) override {
    return kOK;
  }
  void PromptForFile(FwString&, FwString&, EFileAction, const char*, IFileDialogCompletionHandlerFunc) override {}
  void PromptForDirectory(FwString&, IFileDialogCompletionHandlerFunc) override {}
  bool PromptForColor(IColor&, const char*, IColorPickerHandlerFunc) override { return false; }
  bool OpenURL(const char*, const char*, const char*, const char*) override { return false; }
  std::unique_ptr<PlatformFont> LoadPlatformFont(const char*, const char*) override { return nullptr; }
  std::unique_ptr<PlatformFont> LoadPlatformFont(const char*, void*, int) override { return nullptr; }
  std::unique_ptr<PlatformFont> LoadPlatformFont(const char*, const char*, ETextStyle) override { return nullptr; }
  void CachePlatformFont(const char*, const std::unique_ptr<PlatformFont>&) override {}
  void CreatePlatformTextEntry(int paramIdx, const IText&, const IRECT& bounds, int length, const char* str) override;
  IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) override;
  void PlatformResize(bool parentHasResized) override;

  // The log entries that start with `prefix`, in order.
  std::vector<std::string> Entries(const std::string& prefix) const;
  int Count(const std::string& prefix) const { return static_cast<int>(Entries(prefix).size()); }

 private:
  void Log(const std::string& entry);
};

// Shortest round-trip text of a number, independent of the locale.
std::string Num(double v);
std::string Rect(const IRECT& r);

}  // namespace fx::gfx::test

#include "tests/support/RecordingGraphics.h"

#include <charconv>
#include <cstring>

namespace fx::gfx::test {

std::string Num(double v) {
  char buf[32];
  const auto res = std::to_chars(buf, buf + sizeof(buf), v);
  return std::string(buf, res.ptr);
}

std::string Rect(const IRECT& r) {
  return Num(r.L) + "," + Num(r.T) + "," + Num(r.R) + "," + Num(r.B);
}

RecordingGraphics::RecordingGraphics(IGEditorDelegate& dlg, int w, int h, float scale)
    : IGraphics(dlg, w, h, 60, scale) {}

void RecordingGraphics::Log(const std::string& entry) {
  for (const std::string& m : muted)
    if (entry.compare(0, m.size(), m) == 0) return;
  log.push_back(entry);
}

std::vector<std::string> RecordingGraphics::Entries(const std::string& prefix) const {
  std::vector<std::string> out;
  for (const std::string& e : log)
    if (e.compare(0, prefix.size(), prefix) == 0) out.push_back(e);
  return out;
}

void RecordingGraphics::BeginFrame() {
  IGraphics::BeginFrame();
  Log("BeginFrame");
}

void RecordingGraphics::EndFrame() {
  Log("EndFrame");
}

void RecordingGraphics::DrawBitmap(const IBitmap&, const IRECT& dest, int srcX, int srcY, const IBlend*) {
  Log("DrawBitmap " + Rect(dest) + " " + Num(srcX) + "," + Num(srcY));
}

void RecordingGraphics::PathClear() {
  Log("PathClear");
}

void RecordingGraphics::PathClose() {
  Log("PathClose");
}

void RecordingGraphics::PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding) {
  Log("PathArc " + Num(cx) + "," + Num(cy) + " r" + Num(r) + " " + Num(a1) + ".." + Num(a2) + " w" + Num(winding));
}

void RecordingGraphics::PathMoveTo(float x, float y) {
  Log("PathMoveTo " + Num(x) + "," + Num(y));
}

void RecordingGraphics::PathLineTo(float x, float y) {
  Log("PathLineTo " + Num(x) + "," + Num(y));
}

void RecordingGraphics::PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) {
  Log("PathCubicBezierTo " + Num(c1x) + "," + Num(c1y) + " " + Num(c2x) + "," + Num(c2y) + " " + Num(x2) + "," +
      Num(y2));
}

void RecordingGraphics::PathQuadraticBezierTo(float cx, float cy, float x2, float y2) {
  Log("PathQuadraticBezierTo " + Num(cx) + "," + Num(cy) + " " + Num(x2) + "," + Num(y2));
}

void RecordingGraphics::PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions&, const IBlend*) {
  const IColor& c = pattern.GetStop(0).mColor;
  Log("PathStroke " + Num(c.A) + "," + Num(c.R) + "," + Num(c.G) + "," + Num(c.B) + " t" + Num(thickness));
}

void RecordingGraphics::PathFill(const IPattern& pattern, const IFillOptions&, const IBlend* blend) {
  const IColor& c = pattern.GetStop(0).mColor;
  Log("PathFill " + Num(c.A) + "," + Num(c.R) + "," + Num(c.G) + "," + Num(c.B) +
      (blend ? " weight" + Num(blend->weight) : std::string()));
}

void RecordingGraphics::PathTransformSetMatrix(const IMatrix& m) {
  Log("PathTransformSetMatrix " + Num(m.mXX) + "," + Num(m.mYX) + "," + Num(m.mXY) + "," + Num(m.mYY) + "," +
      Num(m.mTX) + "," + Num(m.mTY));
}

void RecordingGraphics::SetClipRegion(const IRECT& r) {
  Log("SetClipRegion " + Rect(r));
}

void RecordingGraphics::OnControlDrawn(IControl& control) {
  Log("OnControlDrawn " + Num(GetControlIdx(&control)));
}

void RecordingGraphics::DrawResize() {
  Log("DrawResize");
}

float RecordingGraphics::DoMeasureText(const IText& text, const char* str, IRECT& bounds) const {
  const float w = kCharWidth * static_cast<float>(std::strlen(str));
  bounds = IRECT(bounds.L, bounds.T, bounds.L + w, bounds.T + text.mSize);
  return w;
}

void RecordingGraphics::DoDrawText(const IText&, const char* str, const IRECT& bounds, const IBlend*) {
  Log(std::string("DoDrawText ") + str + " " + Rect(bounds));
}

void RecordingGraphics::GetMouseLocation(float& x, float& y) const {
  x = mouseX;
  y = mouseY;
}

void RecordingGraphics::HideMouseCursor(bool hide, bool lock) {
  Log(std::string("HideMouseCursor ") + (hide ? "1" : "0") + (lock ? "1" : "0"));
  SetCursorHidden(hide);
}

void* RecordingGraphics::OpenWindow(void* parent) {
  Log("OpenWindow");
  window = parent;
  return parent;
}

void RecordingGraphics::CloseWindow() {
  Log("CloseWindow");
  window = nullptr;
}

void RecordingGraphics::UpdateTooltips() {
  Log("UpdateTooltips");
}

void RecordingGraphics::CreatePlatformTextEntry(int paramIdx, const IText&, const IRECT& bounds, int length,
                                                const char* str) {
  Log("CreatePlatformTextEntry");
  textEntryParamIdx = paramIdx;
  textEntryText = str ? str : "";
  textEntryBounds = bounds;
  textEntryLength = length;
}

IPopupMenu* RecordingGraphics::CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) {
  Log("CreatePlatformPopupMenu");
  lastPlatformMenu = &menu;
  lastPlatformMenuBounds = bounds;
  isAsync = asyncMenus;
  if (asyncMenus || syncMenuChoice < 0) return nullptr;
  menu.SetChosenItemIdx(syncMenuChoice);
  menu.ExecFunction();
  return &menu;
}

void RecordingGraphics::PlatformResize(bool parentHasResized) {
  Log(std::string("PlatformResize ") + (parentHasResized ? "1" : "0"));
}

}  // namespace fx::gfx::test

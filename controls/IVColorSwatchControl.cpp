#include "controls/IVColorSwatchControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>

namespace fx::gfx {

namespace {

constexpr float kSwatchCellInset = 2.f;
constexpr float kLabelledSwatchShare = 0.25f;
constexpr float kSwatchLabelShare = 0.7f;

}  // namespace

IVColorSwatchControl::IVColorSwatchControl(const IRECT& bounds, const char* label, IColorChosenFunc func,
                                           const IVStyle& style, ECellLayout layout,
                                           const std::vector<EVColor>& colorIDs, const std::vector<const char*>& labels)
    : IControl(bounds), IVectorBase(style), mColorChosenFunc(std::move(func)), mLayout(layout), mColorIDs(colorIDs) {
  mText.mAlign = kAlignFar;
  mStyle.valueText.mAlign = kAlignFar;
  // Labels beyond the colours are dropped and missing ones are empty, so every cell has exactly one.
  mLabels.assign(colorIDs.size(), std::string());
  for (size_t i = 0; i < std::min(labels.size(), colorIDs.size()); ++i)
    if (labels[i]) mLabels[i] = labels[i];
  mCellRects.assign(colorIDs.size(), IRECT());
  AttachIControl(this, label);
}

void IVColorSwatchControl::OnResize() {
  mTargetRECT = MakeRects(mRECT, true);
  mMouseIsOver = false;
  const int n = NCells();
  const int columns = mLayout == kGrid ? 3 : mLayout == kHorizontal ? std::max(1, n) : 1;
  const int rows = mLayout == kGrid ? 3 : mLayout == kVertical ? std::max(1, n) : 1;
  const IRECT& w = mWidgetBounds;
  const float cw = w.W() / static_cast<float>(columns);
  const float ch = w.H() / static_cast<float>(rows);
  for (int i = 0; i < n; ++i) {
    const int row = i / columns;
    const int column = i % columns;
    const IRECT cell =
        row < rows ? IRECT(w.L + column * cw, w.T + row * ch, w.L + (column + 1) * cw, w.T + (row + 1) * ch) : w;
    mCellRects[static_cast<size_t>(i)] = cell.GetPadded(-kSwatchCellInset);
  }
  SetDirty(false);
}

void IVColorSwatchControl::Draw(IGraphics& g) {
  DrawWidget(g);
  DrawLabel(g);
}

void IVColorSwatchControl::DrawWidget(IGraphics& g) {
  for (int i = 0; i < NCells(); ++i) {
    const IRECT& r = GetCellBounds(i);
    const std::string& label = mLabels[static_cast<size_t>(i)];
    const float share = label.empty() ? 1.f : kLabelledSwatchShare;
    const IRECT swatch(r.R - share * r.W(), r.T, r.R, r.B);
    g.FillRect(GetColor(mColorIDs[static_cast<size_t>(i)]), swatch, &mBlend);
    g.DrawRect(i == mMouseOverCell ? COLOR_GRAY : COLOR_DARK_GRAY, swatch.GetPadded(0.5f), &mBlend, 1.f);
    if (!label.empty())
      g.DrawText(mStyle.valueText, label.c_str(), IRECT(r.L, r.T, r.L + kSwatchLabelShare * r.W(), r.B), &mBlend);
  }
}

int IVColorSwatchControl::CellAt(float x, float y) const {
  for (int i = 0; i < NCells(); ++i)
    if (GetCellBounds(i).Contains(x, y)) return i;
  return -1;
}

// Marking dirty with the action: a set action function hears of every hover.
void IVColorSwatchControl::OnMouseOver(float x, float y, const IMouseMod&) {
  mMouseOverCell = CellAt(x, y);
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseOut() {
  mMouseOverCell = -1;
  SetDirty(true);
}

void IVColorSwatchControl::OnMouseDown(float x, float y, const IMouseMod&) {
  const int cell = CellAt(x, y);
  if (cell < 0) return;
  const EVColor id = mColorIDs[static_cast<size_t>(cell)];
  IColor start = GetColor(id);
  const std::weak_ptr<IVColorSwatchControl*> lifeline = mLifeline;
  GetUI()->PromptForColor(start, "Choose a color", [lifeline, cell, id](const IColor& chosen) {
    const std::shared_ptr<IVColorSwatchControl*> alive = lifeline.lock();
    if (!alive) return;
    IVColorSwatchControl& self = **alive;
    self.mStyle.colorSpec.SetColor(id, chosen);
    self.SetDirty(false);
    if (self.mColorChosenFunc) self.mColorChosenFunc(cell, chosen);
  });
}

}  // namespace fx::gfx

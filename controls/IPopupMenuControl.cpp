#include "controls/IPopupMenuControl.h"

#include "graphics/IGraphics.h"

#include <algorithm>
#include <vector>

namespace fx::gfx {

namespace {

constexpr int kFadeMs = 100;
constexpr int kSubmenuDelayMs = 200;
// The share of the submenu delay during which the new panel stays invisible.
constexpr double kSubmenuRevealProgress = 0.9;
constexpr float kShadowDrop = 2.f;
constexpr float kShadowBlur = 10.f;
constexpr float kCheckMarkRadius = 2.f;
constexpr float kScrollArrowShare = 0.6f;
constexpr float kSeparatorMinWeight = 0.9f;
constexpr float kSeparatorBlendWeight = 0.25f;

// A range narrower than nothing (a panel larger than the editor) pins the value to its low end, so the
// panel's top left stays in view.
float ClampInto(float v, float lo, float hi) {
  return hi < lo ? lo : std::clamp(v, lo, hi);
}

// A triangle as wide and as deep as the rectangle is high, centred in it, its tip towards dir.
void FillArrow(IGraphics& g, const IColor& color, const IRECT& r, IPopupMenuControl::EAnchorArrowDir dir,
               const IBlend* blend) {
  const float half = 0.5f * r.H();
  const float cx = r.MW();
  const float cy = r.MH();
  switch (dir) {
    case IPopupMenuControl::kPointLeft:
      g.FillTriangle(color, cx - half, cy, cx + half, cy - half, cx + half, cy + half, blend);
      break;
    case IPopupMenuControl::kPointRight:
      g.FillTriangle(color, cx + half, cy, cx - half, cy + half, cx - half, cy - half, blend);
      break;
    case IPopupMenuControl::kPointUp:
      g.FillTriangle(color, cx, cy - half, cx + half, cy + half, cx - half, cy + half, blend);
      break;
    case IPopupMenuControl::kPointDown:
      g.FillTriangle(color, cx, cy + half, cx - half, cy - half, cx + half, cy - half, blend);
      break;
  }
}

// Appends a copy of cell; the list owns it.
void AddCell(FwPtrList<IRECT>& cells, const IRECT& cell) {
  auto* copy = new IRECT(cell);
  if (!cells.Add(copy)) delete copy;
}

}  // namespace

// ---- MenuPanel ----

IPopupMenuControl::MenuPanel::MenuPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y, int parentIdx)
    : mMenu(&menu), mParentIdx(parentIdx) {
  float cellW;
  float cellH;
  control.CellSize(menu, cellW, cellH);
  mLargestCellRECT = control.CellRectAt(menu, x, y);

  const IRECT& e = control.mEditorRECT;
  const float m = control.mCellMargin;
  const int perColumn = control.mMaxColumnItems;
  float left = x + m;
  const int n = menu.NItems();
  auto heightOf = [&](int i) { return menu.GetItem(i)->GetIsSeparator() ? control.mSeparatorHeight : cellH; };
  auto layColumn = [&](float top, int count) {
    for (int i = 0; i < count; ++i) {
      const float h = heightOf(i);
      AddCell(mCells, IRECT(left, top, left + cellW, top + h));
      top += h + control.mCellGap;
    }
  };

  // Down from the origin; a column full by the item limit or by the editor's bottom either starts the next
  // column to the right or, with scrolling, gives way to the layouts below.
  bool tooTall = false;
  float top = y + m;
  for (int i = 0; i < n; ++i) {
    const float h = heightOf(i);
    const bool newColumn = i >= 2 && perColumn > 0 && i % perColumn == 0;
    if (newColumn || top + h + m > e.B) {
      if (control.mScrollIfTooBig) {
        tooTall = true;
        break;
      }
      left += cellW + control.mCellGap;
      top = y + m;
    }
    AddCell(mCells, IRECT(left, top, left + cellW, top + h));
    top += h + control.mCellGap;
  }

  if (tooTall) {
    mCells.Empty(true);
    const float firstTop = e.T + control.mShadowSize + m;
    // At least one cell however short the editor: a column of none could neither show nor choose anything.
    mMaxVisibleCells = std::max(1, static_cast<int>((e.B - m - firstTop) / (cellH + control.mCellGap)));
    if (n >= mMaxVisibleCells) {
      mScrolls = true;
      layColumn(firstTop, mMaxVisibleCells);
    } else {
      // Grown upward from the origin, but never past the editor's bottom or above its top.
      float columnH = control.mCellGap * static_cast<float>(n - 1);
      for (int i = 0; i < n; ++i) columnH += heightOf(i);
      const float upward = std::min(y + m - static_cast<float>(n - 1) * cellH, e.B - m - columnH);
      layColumn(std::max(firstTop, upward), n);
    }
  }

  IRECT cells = NCells() == 0 ? IRECT(left, y + m, left + cellW, y + m) : *GetCell(0);
  for (int i = 1; i < NCells(); ++i) cells = cells.Union(*GetCell(i));
  if (control.mExpandedBounds.W() != 0.f) cells = control.mExpandedBounds;
  mBackgroundRECT = cells.GetPadded(m);
  mOuterRECT = cells.GetPadded(control.mShadowSize + m);
}

IPopupMenuControl::MenuPanel::~MenuPanel() {
  mCells.Empty(true);
}

// A scroll arrow takes the hover whatever the item under it, so a disabled item cannot stop the scrolling.
IRECT* IPopupMenuControl::MenuPanel::CellAt(float x, float y) const {
  for (int i = 0; i < NCells(); ++i) {
    IRECT* cell = GetCell(i);
    if (!cell->Contains(x, y)) continue;
    const bool arrow = (i == 0 && ShowsUpArrow()) || (i == NCells() - 1 && ShowsDownArrow());
    const IPopupMenu::Item* item = mMenu->GetItem(mScrollItemOffset + i);
    if (item && (item->GetEnabled() || arrow)) return cell;
  }
  return nullptr;
}

IPopupMenu::Item* IPopupMenuControl::MenuPanel::ItemOfCell(const IRECT* cell) const {
  const int idx = cell ? mCells.Find(cell) : -1;
  return idx < 0 ? nullptr : mMenu->GetItem(mScrollItemOffset + idx);
}

// ---- The control ----

IPopupMenuControl::IPopupMenuControl(int paramIdx, const IText& text, const IRECT& collapsedBounds,
                                     const IRECT& expandedBounds)
    : IPopupMenuControlBase(collapsedBounds, paramIdx,
                            [](IControl* c) { static_cast<IPopupMenuControl*>(c)->StartFade(); }),
      mCollapsedBounds(collapsedBounds),
      mExpandedBounds(expandedBounds) {
  mText = text;
  mHide = true;
}

IPopupMenuControl::~IPopupMenuControl() {
  mPanels.Empty(true);
}

// The graphics core answers a request that arrives while a menu shows or closes before it reaches here;
// any other is ignored, so the shown menu and its caller stay as they are.
void IPopupMenuControl::CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds) {
  if (mMenuState != kClosed) return;
  if (menu.NItems() == 0) {
    AnswerWithoutShowing(menu);
    return;
  }

  mRootMenu = &menu;
  mRootHasSubmenus = false;
  for (int i = 0; i < menu.NItems(); ++i) mRootHasSubmenus = mRootHasSubmenus || menu.GetItem(i)->GetSubmenu();
  mEditorRECT = IRECT(0.f, 0.f, static_cast<float>(GetUI()->Width()), static_cast<float>(GetUI()->Height()));
  OpenMenu(bounds);
}

void IPopupMenuControl::AnswerWithoutShowing(IPopupMenu& menu) {
  menu.SetChosenItemIdx(-1);
  menu.ExecFunction();
  GetUI()->SetControlValueAfterPopupMenu(nullptr);
}

void IPopupMenuControl::CellSize(IPopupMenu& menu, float& width, float& height) const {
  IRECT labels;
  for (int i = 0; i < menu.NItems(); ++i) {
    IRECT r;
    GetUI()->MeasureText(mText, menu.GetItem(i)->GetText(), r);
    labels = labels.Union(r);
  }
  width = labels.W() + 2.f * mLabelInset + mCheckColumnWidth + mArrowColumnWidth;
  // Labels that measure to nothing (all empty) still get a cell one line high.
  height = labels.Empty() ? mText.mSize : labels.H();
}

void IPopupMenuControl::MeasurePanel(IPopupMenu& menu, float& width, float& height) const {
  float cellH;
  CellSize(menu, width, cellH);
  const int n = menu.NItems();
  int separators = 0;
  for (int i = 0; i < n; ++i) separators += menu.GetItem(i)->GetIsSeparator() ? 1 : 0;
  height = cellH * static_cast<float>(n - separators) + mSeparatorHeight * static_cast<float>(separators) +
           mCellGap * static_cast<float>(n - 1);
}

IRECT IPopupMenuControl::CellRectAt(IPopupMenu& menu, float x, float y) const {
  float w;
  float h;
  CellSize(menu, w, h);
  return IRECT(x, y, x + w, y + h);
}

IRECT IPopupMenuControl::OriginRange(float w, float h) const {
  const IRECT& e = mEditorRECT;
  return IRECT(e.L + mShadowSize, e.T + mShadowSize, e.R - w - 2.f * mShadowSize, e.B - h - 2.f * mShadowSize);
}

void IPopupMenuControl::SetAnchorArrow(EAnchorArrowDir dir, const IRECT& a) {
  const float arrow = ArrowSize();
  const float half = 0.5f * arrow;
  mAnchorArrowDir = dir;
  switch (dir) {
    case kPointLeft:
      mAnchorArrowRECT = IRECT(a.R, a.MH() - half, a.R + arrow, a.MH() + half);
      break;
    case kPointRight:
      mAnchorArrowRECT = IRECT(a.L - arrow, a.MH() - half, a.L, a.MH() + half);
      break;
    case kPointUp:
      mAnchorArrowRECT = IRECT(a.MW() - half, a.B, a.MW() + half, a.B + arrow);
      break;
    case kPointDown:
      mAnchorArrowRECT = IRECT(a.MW() - half, a.T - arrow, a.MW() + half, a.T);
      break;
  }
}

void IPopupMenuControl::PlaceBeside(const IRECT& a, float w, float& x) {
  if (a.MW() <= mEditorRECT.MW()) {
    x = a.R + ArrowSize();
    SetAnchorArrow(kPointLeft, a);
  } else {
    x = a.L - ArrowSize() - w - mShadowSize;
    SetAnchorArrow(kPointRight, a);
  }
}

void IPopupMenuControl::OpenMenu(const IRECT& anchor) {
  Hide(false);
  mMenuState = kOpening;
  GetUI()->UpdateTooltips();
  DeletePanels();
  mAnchorRECT = anchor;

  float w;
  float h;
  MeasurePanel(*mRootMenu, w, h);
  const IRECT range = OriginRange(w, h);
  const IRECT& a = anchor;
  const IRECT& e = mEditorRECT;
  const float arrow = ArrowSize();
  const float textSize = mText.mSize;
  const bool upperHalf = a.MH() <= e.MH();

  float x = 0.f;
  float y = upperHalf ? a.MH() - textSize - arrow : a.MH() - h + textSize + arrow;
  PlaceBeside(a, w, x);
  auto xFits = [&] { return range.L < x && x <= range.R; };

  const bool fits = xFits() && range.T < y && y <= range.B;
  if (!fits) {
    const bool onlyTooLow = xFits() && range.T < y;
    if (!onlyTooLow && upperHalf) {
      y = a.B + arrow;
      SetAnchorArrow(kPointUp, a);
      if (y <= range.B) {
        x = a.MW() - 0.5f * w;
      } else {
        PlaceBeside(a, w, x);
        y = range.B;
      }
    }
    if ((x <= range.L || x > range.R || y > range.B) && a.MH() > e.MH()) {
      y = a.T - arrow - h - mShadowSize;
      SetAnchorArrow(kPointDown, a);
      if (y > range.T) {
        x = a.MW() - 0.5f * w;
      } else {
        PlaceBeside(a, w, x);
        y = range.T;
      }
    }
    x = ClampInto(x, range.L, range.R);
    y = ClampInto(y, range.T, range.B);
  }

  if (mPreferBelow) {
    if (a.B + arrow <= range.B) {
      x = a.MW() - 0.5f * w;
      y = a.B + arrow;
      SetAnchorArrow(kPointUp, a);
    }
    x = ClampInto(x, range.L, range.R);
  }

  if (mRootHasSubmenus) {
    mSubmenusOpenRight = a.MW() <= e.MW();
    const float offset = a.MW() > e.MW() ? mRootHorizontalOffset : -mRootHorizontalOffset;
    x = ClampInto(a.MW() - 0.5f * w + offset, range.L, range.R);
    if (e.B - a.B >= a.T - e.T) {
      y = std::max(std::min(range.B, a.B + arrow), range.T);
      SetAnchorArrow(kPointUp, a);
    } else {
      y = ClampInto(a.T - arrow - h - mShadowSize, range.T, range.B);
      SetAnchorArrow(kPointDown, a);
    }
  }

  auto* root = new MenuPanel(*this, *mRootMenu, x, y, -1);
  if (!mPanels.Add(root)) {
    // Out of memory: nothing can show, so the request is answered with no choice.
    delete root;
    mMenuState = kClosed;
    Hide(true);
    GetUI()->UpdateTooltips();
    AnswerWithoutShowing(*mRootMenu);
    return;
  }
  mActivePanel = mAppearingPanel = root;
  mTargetRECT = mActivePanel->mBackgroundRECT;
  mRECT = mActivePanel->mOuterRECT;
  mMouseIsOver = false;
  OnResize();
  SetDirty(true);
}

IPopupMenuControl::MenuPanel* IPopupMenuControl::PanelOfMenu(const IPopupMenu* menu) const {
  for (int i = 0; i < NPanels(); ++i)
    if (GetPanel(i)->mMenu == menu) return GetPanel(i);
  return nullptr;
}

void IPopupMenuControl::DeletePanels() {
  mPanels.Empty(true);
  mActivePanel = mAppearingPanel = nullptr;
  mHoverCell = nullptr;
}

void IPopupMenuControl::OnMouseOver(float x, float y, const IMouseMod&) {
  if (!mActivePanel) return;
  mHoverCell = mActivePanel->CellAt(x, y);
  if (!mHoverCell) {
    for (int i = NPanels() - 1; i >= 0; --i) {
      MenuPanel* panel = GetPanel(i);
      if (panel->mShouldDraw && panel->mOuterRECT.Contains(x, y)) {
        mActivePanel = panel;
        mHoverCell = panel->CellAt(x, y);
        break;
      }
    }
  }
  UpdateSubmenus();

  MenuPanel& p = *mActivePanel;
  if (p.ShowsUpArrow() && mHoverCell == p.GetCell(0))
    p.mScrollItemOffset = std::max(0, p.mScrollItemOffset - 1);
  else if (p.mScrolls && p.NCells() > 1 && mHoverCell == p.GetCell(p.NCells() - 1))
    p.mScrollItemOffset = std::min(p.MaxScrollOffset(), p.mScrollItemOffset + 1);
  SetDirty(false);
}

void IPopupMenuControl::UpdateSubmenus() {
  const IPopupMenu::Item* item = mActivePanel->ItemOfCell(mHoverCell);
  if (!item) return;
  const int activeIdx = mPanels.Find(mActivePanel);

  IPopupMenu* submenu = item->GetSubmenu();
  if (!submenu) {
    // Children come after their parents in the list, so one pass hides the whole open branch.
    std::vector<bool> hidden(static_cast<size_t>(NPanels()), false);
    bool any = false;
    for (int i = 0; i < NPanels(); ++i) {
      const int parent = GetPanel(i)->mParentIdx;
      if (parent == activeIdx || (parent >= 0 && hidden[static_cast<size_t>(parent)])) {
        hidden[static_cast<size_t>(i)] = true;
        GetPanel(i)->mShouldDraw = false;
        any = true;
      }
    }
    if (any) {
      mActivePanel->mHighlightedCell = nullptr;
      mSubmenuShown = false;
    }
    return;
  }

  const IRECT& cell = *mHoverCell;
  MenuPanel* subPanel = PanelOfMenu(submenu);
  if (!subPanel) {
    float w;
    float h;
    MeasurePanel(*submenu, w, h);
    const IRECT range = OriginRange(w, h);
    const float m = mCellMargin;
    const float arrow = ArrowSize();
    const float x =
        ClampInto(mSubmenusOpenRight ? cell.R + m + arrow : cell.L - m - arrow - w - mShadowSize, range.L, range.R);
    const float y = mAnchorArrowDir == kPointUp
                        ? ClampInto(cell.T - m, range.T, range.B)
                        : ClampInto(cell.T - 0.5f * m - h + 2.f * mCellGap + mShadowSize, range.T, range.B);
    subPanel = new MenuPanel(*this, *submenu, x, y, activeIdx);
    if (!mPanels.Add(subPanel)) {
      // Out of memory: the submenu stays closed and everything shown stays as it is.
      delete subPanel;
      return;
    }
  }

  for (int i = 0; i < NPanels(); ++i) GetPanel(i)->mShouldDraw = GetPanel(i)->mMenu == submenu;
  if (item->GetEnabled()) mActivePanel->mHighlightedCell = mHoverCell;
  for (MenuPanel* p = subPanel; p; p = GetPanel(p->mParentIdx)) {
    p->mShouldDraw = true;
    mRECT = mRECT.Union(p->mOuterRECT);
    mTargetRECT = mTargetRECT.Union(p->mBackgroundRECT);
  }
  mSubmenuShown = true;
  const float arrow = ArrowSize();
  const float left = mSubmenusOpenRight ? cell.R + mCellMargin : cell.L - mCellMargin - arrow;
  mSubmenuArrowRECT = IRECT(left, cell.MH() - 0.5f * arrow, left + arrow, cell.MH() + 0.5f * arrow);
  mMouseIsOver = false;
  OnResize();
  if (mAppearingPanel != subPanel) {
    mMenuState = kSubmenuDelay;
    mAppearingPanel = subPanel;
  }
  SetDirty(true);
}

void IPopupMenuControl::OnMouseDrag(float x, float y, float, float, const IMouseMod&) {
  if (!mActivePanel) return;
  mHoverCell = mActivePanel->CellAt(x, y);
  SetDirty(false);
}

void IPopupMenuControl::OnMouseWheel(float, float, const IMouseMod&, float) {}

void IPopupMenuControl::OnMouseOut() {
  mHoverCell = nullptr;
}

void IPopupMenuControl::OnMouseDown(float x, float y, const IMouseMod& mod) {
  if (!GetExpanded()) {
    IControl::OnMouseDown(x, y, mod);
    return;
  }
  mHoverCell = mActivePanel ? mActivePanel->CellAt(x, y) : nullptr;
  ChooseAndClose();
}

// The choice is reported while the menu still shows; a caller that asks for another menu in its answer is
// answered with no choice.
void IPopupMenuControl::ChooseAndClose() {
  MenuPanel* panel = mActivePanel ? mActivePanel : GetPanel(0);
  if (!panel) return;
  IPopupMenu* menu = panel->mMenu;
  menu->SetChosenItemIdx(-1);
  if (const IPopupMenu::Item* item = panel->ItemOfCell(mHoverCell)) {
    if (!item->GetIsSeparator() && !item->GetIsTitle() && item->GetEnabled() && !item->GetSubmenu()) {
      menu->SetChosenItemIdx(panel->mScrollItemOffset + panel->mCells.Find(mHoverCell));
      panel->mClickedCell = mHoverCell;
    }
  }

  menu->ExecFunction();
  GetUI()->SetControlValueAfterPopupMenu(menu);
  if (mMenuState == kClosed) return;  // the answer removed the menu's owner, and the menu went with it

  mSubmenuShown = false;
  mActivePanel = nullptr;
  mMenuState = kChoiceBlink;
  Hide(true);
  SetDirty(true);
}

// ---- Animation ----

void IPopupMenuControl::StartFade() {
  SetAnimation([](IControl* c) { static_cast<IPopupMenuControl*>(c)->AnimationTick(); },
               mMenuState == kSubmenuDelay ? kSubmenuDelayMs : kFadeMs);
}

void IPopupMenuControl::SetPanelWeights(float weight) {
  for (int i = 0; i < NPanels(); ++i) GetPanel(i)->mBlend.weight = weight;
}

void IPopupMenuControl::AnimationTick() {
  const double p = GetAnimationProgress();
  if (p > 1.0) {
    OnEndAnimation();
    return;
  }
  const float pf = static_cast<float>(p);
  switch (mMenuState) {
    case kOpening:
      if (mAppearingPanel) mAppearingPanel->mBlend.weight = pf * mOpacity;
      break;
    case kFadingOut:
      SetPanelWeights((1.f - pf) * mOpacity);
      break;
    case kSubmenuDelay:
      if (mAppearingPanel) mAppearingPanel->mBlend.weight = p > kSubmenuRevealProgress ? mOpacity : 0.f;
      break;
    case kFinishing:
      SetPanelWeights(0.f);
      break;
    default:
      break;
  }
}

void IPopupMenuControl::OnEndAnimation() {
  switch (mMenuState) {
    case kOpening:
    case kSubmenuDelay:
      SetPanelWeights(mOpacity);
      mMenuState = kOpen;
      IControl::OnEndAnimation();
      break;
    case kChoiceBlink:
      mMenuState = kFadingOut;
      SetDirty(true);
      break;
    case kFadingOut:
      mTargetRECT = mCollapsedBounds;
      SetPanelWeights(0.f);
      mMenuState = kFinishing;
      mHoverCell = nullptr;
      mAnchorRECT = IRECT();
      SetDirty(true);
      break;
    case kFinishing:
      mMenuState = kClosed;
      GetUI()->UpdateTooltips();
      DeletePanels();
      mRECT = mCollapsedBounds;
      IControl::OnEndAnimation();
      break;
    default:
      IControl::OnEndAnimation();
      break;
  }
}

void IPopupMenuControl::DropMenu() {
  if (mMenuState == kClosed) return;
  mMenuState = kClosed;
  mRootMenu = nullptr;
  mSubmenuShown = false;
  DeletePanels();
  mAnchorRECT = IRECT();
  mTargetRECT = mRECT = mCollapsedBounds;
  Hide(true);
  IControl::OnEndAnimation();
  SetDirty(false);
  GetUI()->UpdateTooltips();
}

// ---- Drawing ----

void IPopupMenuControl::Draw(IGraphics& g) {
  for (int p = 0; p < NPanels(); ++p) {
    MenuPanel& panel = *GetPanel(p);
    if (!panel.mShouldDraw) continue;
    DrawPanelShadow(g, &panel);
    DrawPanelFill(g, &panel);
    IBlend* blend = &panel.mBlend;
    const int n = panel.NCells();
    for (int i = 0; i < n; ++i) {
      const IRECT* cellPtr = panel.GetCell(i);
      const IRECT& cell = *cellPtr;
      const bool selected = cellPtr == mHoverCell || cellPtr == panel.mHighlightedCell;
      if (i == 0 && panel.ShowsUpArrow()) {
        DrawCellHighlight(g, cell, nullptr, selected, blend);
        DrawScrollUpArrow(g, cell, selected, blend);
        continue;
      }
      if (i == n - 1 && panel.ShowsDownArrow()) {
        DrawCellHighlight(g, cell, nullptr, selected, blend);
        DrawScrollDownArrow(g, cell, selected, blend);
        continue;
      }
      const IPopupMenu::Item* item = panel.mMenu->GetItem(panel.mScrollItemOffset + i);
      if (!item) return;
      if (item->GetIsSeparator()) {
        DrawItemSeparator(g, cell, blend);
        continue;
      }
      if (!(mMenuState == kChoiceBlink && cellPtr == panel.mClickedCell))
        DrawCellHighlight(g, cell, item, selected, blend);
      DrawCellLabel(g, cell, item, selected, blend);
      if (item->GetChecked()) DrawCheckMark(g, cell, item, selected, blend);
      if (item->GetSubmenu()) DrawSubmenuIndicator(g, cell, item, selected, blend);
    }
  }
  if (NPanels() == 0) return;
  IBlend* rootBlend = &GetPanel(0)->mBlend;
  if (mCallOut) DrawAnchorArrow(g, mAnchorArrowRECT, rootBlend);
  if (mRootHasSubmenus && mSubmenuShown) DrawSubmenuArrow(g, mSubmenuArrowRECT, rootBlend);
}

void IPopupMenuControl::DrawAnchorArrow(IGraphics& g, const IRECT& bounds, IBlend* blend) {
  FillArrow(g, mPanelColor, bounds, mAnchorArrowDir, blend);
}

void IPopupMenuControl::DrawSubmenuArrow(IGraphics& g, const IRECT& bounds, IBlend* blend) {
  FillArrow(g, mPanelColor, bounds, mSubmenusOpenRight ? kPointLeft : kPointRight, blend);
}

void IPopupMenuControl::DrawPanelShadow(IGraphics& g, MenuPanel* panel) {
  const IRECT inner = panel->mOuterRECT.GetPadded(-mShadowSize);
  g.DrawFastDropShadow(inner, panel->mOuterRECT, kShadowDrop, mRoundness, kShadowBlur, &panel->mBlend);
}

void IPopupMenuControl::DrawPanelFill(IGraphics& g, MenuPanel* panel) {
  g.FillRoundRect(IPattern(mPanelColor), panel->mBackgroundRECT, mRoundness, &panel->mBlend);
}

void IPopupMenuControl::DrawCellHighlight(IGraphics& g, const IRECT& cell, const IPopupMenu::Item*, bool selected,
                                          IBlend* blend) {
  if (!selected) return;
  g.FillRect(mHighlightColor, IRECT(cell.L - mCellMargin, cell.T, cell.R + mCellMargin, cell.B), blend);
}

void IPopupMenuControl::DrawCellLabel(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* item, bool selected,
                                      IBlend* blend) {
  const float left = cell.L + 0.5f * mCheckColumnWidth + 0.5f * std::max(1.f, mCheckColumnWidth) + mLabelInset;
  const IRECT label(left, cell.T, cell.R - mLabelInset, cell.B);
  if (selected)
    mText.mFGColor = mHighlightedTextColor;
  else
    mText.mFGColor = item->GetEnabled() ? mTextColor : mDisabledTextColor;
  mText.mAlign = kAlignNear;
  g.DrawText(mText, item->GetText(), label, blend);
}

void IPopupMenuControl::DrawCheckMark(IGraphics& g, const IRECT& cell, const IPopupMenu::Item*, bool selected,
                                      IBlend* blend) {
  const float half = 0.5f * std::max(1.f, 0.5f * mCheckColumnWidth);
  const float cx = cell.L + 0.5f * mCheckColumnWidth;
  const float cy = cell.MH();
  g.FillRoundRect(IPattern(selected ? mHighlightedTextColor : mTextColor),
                  IRECT(cx - half, cy - half, cx + half, cy + half), kCheckMarkRadius, blend);
}

void IPopupMenuControl::DrawSubmenuIndicator(IGraphics& g, const IRECT& cell, const IPopupMenu::Item*, bool selected,
                                             IBlend* blend) {
  const float size = 0.5f * cell.H();
  const float cy = cell.MH();
  const IColor& c = selected ? mHighlightedTextColor : mTextColor;
  if (mSubmenusOpenRight) {
    const float tip = cell.R + 0.5f * mCellMargin;
    g.FillTriangle(c, tip - size, cy - 0.5f * size, tip, cy, tip - size, cy + 0.5f * size, blend);
  } else {
    const float tip = cell.L - 0.5f * mCellMargin;
    g.FillTriangle(c, tip + size, cy - 0.5f * size, tip, cy, tip + size, cy + 0.5f * size, blend);
  }
}

void IPopupMenuControl::DrawScrollUpArrow(IGraphics& g, const IRECT& cell, bool selected, IBlend* blend) {
  const float half = 0.5f * kScrollArrowShare * cell.H();
  const float cx = cell.MW();
  const float cy = cell.MH();
  g.FillTriangle(selected ? mHighlightedTextColor : mTextColor, cx - half, cy + half, cx, cy - half, cx + half,
                 cy + half, blend);
}

void IPopupMenuControl::DrawScrollDownArrow(IGraphics& g, const IRECT& cell, bool selected, IBlend* blend) {
  const float half = 0.5f * kScrollArrowShare * cell.H();
  const float cx = cell.MW();
  const float cy = cell.MH();
  g.FillTriangle(selected ? mHighlightedTextColor : mTextColor, cx - half, cy - half, cx, cy + half, cx + half,
                 cy - half, blend);
}

void IPopupMenuControl::DrawItemSeparator(IGraphics& g, const IRECT& cell, IBlend* blend) {
  if (!blend || blend->weight <= kSeparatorMinWeight) return;
  const IBlend faint(blend->method, kSeparatorBlendWeight);
  g.FillRect(mSeparatorColor, cell, &faint);
}

}  // namespace fx::gfx

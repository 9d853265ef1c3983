// The in-editor popup menu: shows an IPopupMenu drawn by the editor's own renderer instead of a native
// menu. Each shown menu or submenu is a panel (a rounded, shadowed column of cells); a menu taller than
// the editor becomes a scrolling panel; panels fade in and out through the control's animation.
//
// Life of one request: CreatePopupMenu -> opening (100 ms fade-in) -> open <-> submenu delay (200 ms,
// restarted by every move over a submenu item) -> a click anywhere: the choice (or none) is reported on
// the menu of the panel under the mouse, through its completion function and
// IGraphics::SetControlValueAfterPopupMenu -> choice blink, fading out, finishing (100 ms each, hidden)
// -> closed. The choice is reported before the menu hides. Every request gets exactly one answer: an
// empty menu is answered with no choice at once, and so is one that arrives while another menu shows or
// closes (the graphics core answers those, and the shown menu keeps its caller).
//
// The graphics core owns one such control outside its control list and sends it every pointer event
// while a menu is showing. Main thread only; nothing here blocks.
#pragma once

#include "framework/FwPtrList.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/IPopupMenu.h"
#include "graphics/IPopupMenuControlBase.h"

namespace fx::gfx {

class IPopupMenuControl : public IPopupMenuControlBase {
 public:
  // Which side of a panel its anchor lies on (the direction a callout would point).
  enum EAnchorArrowDir : int { kPointDown = 0, kPointLeft, kPointUp, kPointRight };

  // One shown menu or submenu: its cells (cell i shows item scroll offset + i) and its opacity. Each cell
  // is a rectangle of its own, so a pointer to it stays valid until the panel is deleted.
  class MenuPanel {
   public:
    // Lays the cells out from the origin (x, y): downward, or upward when they would pass the editor's
    // bottom while the editor could hold them all, else as a scrolling column from the editor's top.
    MenuPanel(IPopupMenuControl& control, IPopupMenu& menu, float x, float y, int parentIdx);
    ~MenuPanel();
    MenuPanel(const MenuPanel&) = delete;
    MenuPanel& operator=(const MenuPanel&) = delete;

    // The first cell containing the point whose item is enabled, or that shows a scroll arrow; null for none.
    IRECT* CellAt(float x, float y) const;
    IRECT* GetCell(int idx) const { return mCells.Get(idx); }
    // The item a cell of this panel shows; null for no cell of this panel, or past the menu's end.
    IPopupMenu::Item* ItemOfCell(const IRECT* cell) const;
    int NCells() const { return mCells.GetSize(); }
    // Whether the first (up) or last (down) cell shows a scroll arrow instead of its item. A column of one
    // cell has no room for arrows.
    bool ShowsUpArrow() const { return mScrolls && NCells() > 1 && mScrollItemOffset > 0; }
    bool ShowsDownArrow() const { return mScrolls && NCells() > 1 && mScrollItemOffset < MaxScrollOffset(); }
    int MaxScrollOffset() const { return mMenu->NItems() - NCells(); }

    IPopupMenu* mMenu;
    FwPtrList<IRECT> mCells;  // owned
    IRECT mOuterRECT;
    IRECT mBackgroundRECT;
    int mMaxVisibleCells = 0;  // how many cells the editor's height holds; set when the column is too tall
    bool mShouldDraw = true;
    IBlend mBlend{kBlendDefault, 0.f};
    IRECT mLargestCellRECT;
    IRECT* mHighlightedCell = nullptr;  // the cell whose submenu is open
    IRECT* mClickedCell = nullptr;      // the cell chosen by a click
    int mParentIdx;
    bool mScrolls = false;
    int mScrollItemOffset = 0;
  };

  // The graphics core passes no parameter, its text style, an empty collapsed rectangle and the bounds
  // panels should fill (empty: each panel sized to its cells).
  explicit IPopupMenuControl(int paramIdx = -1, const IText& text = DEFAULT_TEXT,
                             const IRECT& collapsedBounds = IRECT(), const IRECT& expandedBounds = IRECT());
  ~IPopupMenuControl() override;

  // Main thread, from IGraphics::DoCreatePopupMenu after it has remembered the caller (which is where
  // the answer goes); does not block.
  void CreatePopupMenu(IPopupMenu& menu, const IRECT& bounds) override;
  EPopupMenuState GetState() const override { return mMenuState; }

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod) override;
  // Swallowed: the wheel must not reach the controls under an open menu.
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float d) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  // Only forgets the hovered cell.
  void OnMouseOut() override;
  void Draw(IGraphics& g) override;
  void OnEndAnimation() override;
  // Closes at once, without an answer (the graphics core has answered the caller already, or lost it with it).
  void DropMenu() override;

  // The callout triangle in the panel colour, its side the rectangle's height, centred in it and pointing as
  // the anchor arrow direction says.
  virtual void DrawAnchorArrow(IGraphics& g, const IRECT& bounds, IBlend* blend);
  // The same triangle pointing at the cell whose submenu is shown: left when submenus open to the right.
  virtual void DrawSubmenuArrow(IGraphics& g, const IRECT& bounds, IBlend* blend);
  virtual void DrawPanelFill(IGraphics& g, MenuPanel* panel);
  virtual void DrawPanelShadow(IGraphics& g, MenuPanel* panel);
  virtual void DrawCellHighlight(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* item, bool selected,
                                 IBlend* blend);
  virtual void DrawCellLabel(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* item, bool selected,
                             IBlend* blend);
  virtual void DrawCheckMark(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* item, bool selected,
                             IBlend* blend);
  virtual void DrawSubmenuIndicator(IGraphics& g, const IRECT& cell, const IPopupMenu::Item* item, bool selected,
                                    IBlend* blend);
  virtual void DrawScrollUpArrow(IGraphics& g, const IRECT& cell, bool selected, IBlend* blend);
  virtual void DrawScrollDownArrow(IGraphics& g, const IRECT& cell, bool selected, IBlend* blend);
  virtual void DrawItemSeparator(IGraphics& g, const IRECT& cell, IBlend* blend);
  // Reports the hovered cell's item (or none) on the active panel's menu and starts closing.
  virtual void ChooseAndClose();

  // Width and height of the panel for menu (cells plus gaps, without margins).
  void MeasurePanel(IPopupMenu& menu, float& width, float& height) const;
  // The size of menu's largest cell placed with its top left at (x, y).
  IRECT CellRectAt(IPopupMenu& menu, float x, float y) const;

  int NPanels() const { return mPanels.GetSize(); }
  MenuPanel* GetPanel(int idx) const { return mPanels.Get(idx); }
  MenuPanel* GetActivePanel() const { return mActivePanel; }
  const IRECT* GetHoverCell() const { return mHoverCell; }
  EAnchorArrowDir GetAnchorArrowDir() const { return mAnchorArrowDir; }
  const IRECT& GetAnchorRECT() const { return mAnchorRECT; }
  const IRECT& GetAnchorArrowRECT() const { return mAnchorArrowRECT; }
  bool GetSubmenuShown() const { return mSubmenuShown; }

 private:
  void OpenMenu(const IRECT& anchor);
  void UpdateSubmenus();
  // The size of one (non-separator) cell of menu.
  void CellSize(IPopupMenu& menu, float& width, float& height) const;
  void StartFade();
  void AnimationTick();
  // Answers a menu that cannot show (empty, or no memory for its panel): no choice, reported at once.
  void AnswerWithoutShowing(IPopupMenu& menu);
  void SetPanelWeights(float weight);
  // Deletes every panel and forgets the panels and the cell that pointed into them.
  void DeletePanels();
  MenuPanel* PanelOfMenu(const IPopupMenu* menu) const;
  // The editor rectangle less the shadow and the panel's size: where a panel's origin may lie.
  IRECT OriginRange(float w, float h) const;
  // The callout arrow's size: 0 while callouts are off, so panels sit right against what they point at.
  float ArrowSize() const { return mCallOut ? mCalloutArrowSize : 0.f; }
  // Places the root panel beside the anchor (left or right by the anchor's half of the editor).
  void PlaceBeside(const IRECT& anchor, float w, float& x);
  void SetAnchorArrow(EAnchorArrowDir dir, const IRECT& anchor);

  FwPtrList<MenuPanel> mPanels;  // owned; submenu panels after their parents
  MenuPanel* mActivePanel = nullptr;
  MenuPanel* mAppearingPanel = nullptr;
  EPopupMenuState mMenuState = kClosed;
  IRECT* mHoverCell = nullptr;  // a cell of the active panel
  IPopupMenu* mRootMenu = nullptr;
  int mMaxColumnItems = 0;  // 0: no limit
  bool mScrollIfTooBig = true;
  bool mCallOut = false;
  bool mRootHasSubmenus = false;
  bool mPreferBelow = true;
  bool mSubmenusOpenRight = true;
  bool mSubmenuShown = false;
  // Look and feel, in editor points; nothing changes them.
  float mCellGap = 2.f;
  float mSeparatorHeight = 2.f;
  float mRoundness = 5.f;
  float mShadowSize = 10.f;
  float mOpacity = 0.95f;
  float mRootHorizontalOffset = 0.f;
  float mLabelInset = 5.f;
  float mCheckColumnWidth = 10.f;
  float mArrowColumnWidth = 8.f;
  float mCellMargin = 5.f;
  float mCalloutArrowSize = 8.f;
  IRECT mAnchorRECT;
  EAnchorArrowDir mAnchorArrowDir = kPointLeft;
  IRECT mAnchorArrowRECT;
  IRECT mSubmenuArrowRECT;
  IRECT mEditorRECT;
  IColor mPanelColor = COLOR_WHITE;
  IColor mHighlightColor = IColor(255, 0, 0, 255);
  IColor mHighlightedTextColor = COLOR_WHITE;
  IColor mTextColor = COLOR_BLACK;
  IColor mDisabledTextColor = IColor(255, 127, 127, 127);
  IColor mSeparatorColor = IColor(255, 200, 200, 200);
  IRECT mCollapsedBounds;
  IRECT mExpandedBounds;
};

}  // namespace fx::gfx

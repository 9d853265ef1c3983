// The plug-in menu button: a small SVG button that opens the plug-in menu (about box, manual, change log,
// update check, data folder, tooltips, GUI scale, display parameters). The menu is built at every click
// from a table of rows handed over by the layout, so its check marks always show the current values; the
// choice is answered by the row's type: toggle a parameter, pick a parameter value, send an editor
// command, pick a radio item, or open an address or file (handed to the platform as it is, whether or not it
// is there). Main thread only.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "graphics/IBitmap.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "plugin/EditorReadBack.h"

namespace fx {
class IParam;
}

namespace fx::gfx {

enum EInfoMenuEntryType : int {
  kSeparator = 0,
  kParamToggle,
  kParamValueList,
  kCommand,
  kSubmenuStart,
  kRadioItem,
  kOpenURL,
  kNumInfoMenuEntryTypes
};

// One row of the plug-in menu's table. text, url and the rows' strings must outlive the control.
struct InfoMenuEntry {
  const char* text = nullptr;  // ignored for separators
  int type = kSeparator;       // EInfoMenuEntryType; other values add no item
  bool enabled = true;         // false: a disabled item (a radio row is left out of its submenu)
  int id = -1;                 // command (kCommand, kRadioItem) or parameter index (kParamToggle, kParamValueList)
  const char* url = nullptr;   // what a kOpenURL row opens
  int64_t value = 0;
  int radioGroup = -1;            // the group a kSubmenuStart row opens and its kRadioItem rows belong to
  int itemIndex = -1;             // set at each build: the row's item in the root menu
  IPopupMenu* submenu = nullptr;  // set at each build: the submenu holding a value-list or radio row's items
};

class ISBInfoMenuLW : public IControl, public IBitmapBase, public kd::IScaleChoiceSource {
 public:
  static constexpr const char* kTitle = ">> Plugin menu <<";

  // plugin: the editor delegate whose parameters the rows toggle and set. The rows are copied.
  ISBInfoMenuLW(IGEditorDelegate& plugin, const IRECT& bounds, const ISVG& offSVG, const ISVG& onSVG,
                const InfoMenuEntry* rows, int nRows, bool hoverHighlight);

  void Draw(IGraphics& g) override;
  // Presses the button and opens the menu.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // The menu's answer; a null menu (nothing chosen) only releases the button.
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;
  void SetDisabled(bool disable) override;

  // Rebuilds the menu from the rows and opens it through the graphics.
  void BuildAndShowMenu();

  // A new item (empty text for null) appended (index -1), sorted case-insensitively (-2) or inserted at
  // index, with the flags (IPopupMenu::Item::Flags).
  static IPopupMenu::Item* AddMenuItem(IPopupMenu& menu, const char* text, int index, int flags);

  // Sets a parameter from the editor as a user change: nothing when it already holds value; otherwise the
  // value is stepped and clamped, stored, shown by the bound controls and sent to the host.
  void ToggleParam(int paramIdx, double value);
  // The same with the value index, only when the parameter's value (truncated) is not already index.
  void SetParamFromIndex(int paramIdx, int index);

  int GetChosenRadioIndex() const override { return mChosenRadioIdx; }
  const IPopupMenu& GetMenu() const { return mMenu; }
  const std::vector<InfoMenuEntry>& GetRows() const { return mRows; }
  // The value-list submenus of the last build, in row order; their count is the list's size.
  const std::vector<IPopupMenu*>& GetValueListMenus() const { return mValueListMenus; }
  // The submenu the last build made for a radio group; null for a group it made none for.
  IPopupMenu* GetRadioGroupMenu(int radioGroup) const;
  bool GetPressed() const { return mPressed; }
  // Set by the constructor: the button draws its SVGs, never the bitmap base.
  bool GetDrawSVG() const { return mDrawSVG; }

 private:
  void AddRowItem(InfoMenuEntry& row);
  void AddValueList(InfoMenuEntry& row);
  void AddRadioGroup(const InfoMenuEntry& start);
  void AnswerRootChoice(int chosen);
  void AnswerSubmenuChoice(const IPopupMenu& submenu);
  IParam* Param(int paramIdx) const;

  IGEditorDelegate& mPlugin;
  IPopupMenu mMenu;
  // Not owned: the root menu's items own their submenus.
  std::vector<IPopupMenu*> mValueListMenus;
  std::map<int, IPopupMenu*> mRadioGroupMenus;
  std::vector<InfoMenuEntry> mRows;
  int mChosenRadioIdx = -1;
  ISVG mOffSVG;
  ISVG mOnSVG;
  bool mDrawSVG = false;
  bool mHoverHighlight;
  IColor mHighlightColor = IColor(16, 255, 255, 255);
  bool mPressed = false;
  bool mMouseOver = false;
};

}  // namespace fx::gfx

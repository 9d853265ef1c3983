// The preset bar: a name area that shows the current preset's name and opens the preset menu, and a
// previous and a next button that step through the presets of the product's preset store. Loading and
// saving files is the plug-in's: the bar asks for a file with the platform's open or save dialog, keeps
// the chosen path (read back by the plug-in through IPresetPathSource) and sends an editor command.
// Presets already in the store are loaded by the bar itself through the framework's preset slot 0.
// Main thread only.
#pragma once

#include <string>
#include <vector>

#include "framework/FwString.h"
#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/IPopupMenu.h"
#include "plugin/EditorReadBack.h"

class KelvadrunePresets;

namespace fx {
class IPluginBase;
struct IPreset;
}  // namespace fx

namespace fx::gfx {

// VERSION: the bar's design; the editor uses 1.
template <int VERSION = 1>
class IBPresetMenuNewLW : public IControl, public kd::IPresetPathSource {
 public:
  static constexpr const char* kTitle = ">> Preset menu <<";
  static constexpr int kMaxChosenPath = 2048;
  static constexpr int kMaxShownName = 255;

  // Commands are sent when 0 or more: load, save, save as default, rescan (sent before the menu is built),
  // reset (after "Reset to default") and preset chosen (after every load). folder: where the first dialog
  // starts (each later one starts where the last ended) and where by-path user presets lie. The extensions
  // are without the dot; the load extension is that of both dialogs and of by-path user presets, the save
  // extension is kept beside it. The name is shortened to maxChars characters.
  IBPresetMenuNewLW(IPluginBase& plugin, const IRECT& bounds, const IRECT& nameBounds, const IRECT& prevBounds,
                    const ISVG& prevOff, const IText& text, const ISVG& prevOn, const IRECT& nextBounds,
                    const ISVG& nextOff, const ISVG& nextOn, int loadMsg, int saveMsg, int saveDefaultMsg,
                    int rescanMsg, int resetMsg, int presetChosenMsg, KelvadrunePresets& store, const FwString& folder,
                    const char* loadExt, const char* saveExt, int maxChars, bool hoverHighlight, bool showButtons,
                    bool userPresetsByPath, const IRECT& textBounds);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseUp(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  // A dropped file, whatever its name, is loaded like one chosen in the open dialog (one that is no preset
  // fails to load and changes nothing). An empty path keeps the chosen path and still sends the load and
  // preset-chosen commands.
  void OnDrop(const char* path) override;
  void OnResize() override;
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;

  // Rebuilds the preset menu from the store and opens it through the graphics.
  void BuildAndShowMenu();

  // A name of maxChars characters or more (maxChars at least 7) becomes its head, " ... " and its tail,
  // maxChars in all; a shorter name is left as it is.
  static std::string ShortenName(const char* name, int maxChars);

  const char* GetChosenPresetPath() const override { return mChosenPath.Get(); }
  const std::string& GetLoadExtension() const { return mLoadExt; }
  const std::string& GetSaveExtension() const { return mSaveExt; }
  int GetCurrentIndex() const { return mCurrentIdx; }
  const IPopupMenu& GetMenu() const { return mMenu; }
  bool GetPrevPressed() const { return mPrevPressed; }
  bool GetNextPressed() const { return mNextPressed; }

 private:
  void Send(int msg);
  int NStorePresets() const;
  int NUserPresets() const;
  // Entry idx of the store's presets followed by the user presets; null outside.
  const IPreset* CombinedRecord(int idx) const;
  // RestoreIntoSlot with the store's loading flag set around it, then the preset-chosen command; nothing
  // for a missing record.
  void LoadRecord(const IPreset* record);
  // Slot 0 takes the record and is restored; the host is told that the display changed and then each value
  // through its automation (hosts that keep their own copy of the parameters and apply it after the state
  // when a project reopens take values only from there).
  void RestoreIntoSlot(const IPreset& record);
  void StepBack();
  void StepForward();
  void PromptAndSend(int action, int msg);
  void AnswerRootChoice(int chosen);
  void AnswerUserChoice(int chosen);

  IPluginBase& mPlugin;
  KelvadrunePresets& mStore;
  // The dialogs' folder, which each dialog leaves where it ended; by-path user presets are built on the
  // constructor's folder, kept in mBuiltPathFolder.
  FwString mFolder;
  FwString mChosenPath;
  std::string mLoadExt;
  std::string mSaveExt;
  FwString mBuiltPathFolder;
  IPopupMenu mMenu;
  IPopupMenu* mFactoryMenu = nullptr;
  IPopupMenu* mUserMenu = nullptr;
  int mLoadItemIdx = -1;
  int mResetItemIdx = -1;
  int mSaveItemIdx = -1;
  int mSaveDefaultItemIdx = -1;
  // Store indices of the menu's top-level presets and of the "Factory" submenu's items.
  std::vector<int> mTopLevelPresets;
  std::vector<int> mFactoryPresets;
  int mSaveMsg;
  int mSaveDefaultMsg;
  int mLoadMsg;
  int mRescanMsg;
  int mResetMsg;
  int mPresetChosenMsg;
  int mCurrentIdx = 0;
  int mMaxChars;
  IRECT mNameBounds;
  IRECT mTextBounds;
  IRECT mPrevBounds;
  IRECT mNextBounds;
  ISVG mPrevOff;
  ISVG mPrevOn;
  ISVG mNextOff;
  ISVG mNextOn;
  bool mHoverHighlight;
  bool mShowButtons;
  bool mUserPresetsByPath;
  bool mNameHover = false;
  bool mPrevHover = false;
  bool mNextHover = false;
  bool mPrevPressed = false;
  bool mNextPressed = false;
  IColor mHighlightColor = IColor(16, 255, 255, 255);
};

}  // namespace fx::gfx

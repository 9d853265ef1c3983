#include "editor/IBPresetMenuNewLW.h"

#include <algorithm>

#include "editor/ISBInfoMenuLW.h"
#include "framework/IPluginBase.h"
#include "framework/IPreset.h"
#include "graphics/IGraphics.h"
#include "plugin/presets/KelvadrunePresets.h"

namespace fx::gfx {

namespace {

constexpr float kPresetBarHighlightRadius = 2.f;
constexpr int kMinShortenedChars = 7;
constexpr const char* kEllipsis = " ... ";
constexpr int kEllipsisLength = 5;
// Store groups: listed directly in the menu, or under "Factory".
constexpr int kTopLevelGroup = 0;
constexpr int kFactoryGroup = -1;

using Item = IPopupMenu::Item;

// The store's loading flag, set for the life of the scope and cleared when it ends, however the load went.
class StoreLoadingScope {
 public:
  explicit StoreLoadingScope(KelvadrunePresets& store) : mStore(store) { mStore.SetLoading(true); }
  ~StoreLoadingScope() { mStore.SetLoading(false); }
  StoreLoadingScope(const StoreLoadingScope&) = delete;
  StoreLoadingScope& operator=(const StoreLoadingScope&) = delete;

 private:
  KelvadrunePresets& mStore;
};

void AddPresetMenuItem(IPopupMenu& menu, const char* text) {
  ISBInfoMenuLW::AddMenuItem(menu, text, IPopupMenu::kAppend, Item::kNoFlags);
}

void AddPresetMenuSeparator(IPopupMenu& menu) {
  ISBInfoMenuLW::AddMenuItem(menu, "", IPopupMenu::kAppend, Item::kSeparator);
}

}  // namespace

template <int VERSION>
IBPresetMenuNewLW<VERSION>::IBPresetMenuNewLW(IPluginBase& plugin, const IRECT& bounds, const IRECT& nameBounds,
                                              const IRECT& prevBounds, const ISVG& prevOff, const IText& text,
                                              const ISVG& prevOn, const IRECT& nextBounds, const ISVG& nextOff,
                                              const ISVG& nextOn, int loadMsg, int saveMsg, int saveDefaultMsg,
                                              int rescanMsg, int resetMsg, int presetChosenMsg,
                                              KelvadrunePresets& store, const FwString& folder, const char* loadExt,
                                              const char* saveExt, int maxChars, bool hoverHighlight, bool showButtons,
                                              bool userPresetsByPath, const IRECT& textBounds)
    : IControl(bounds),
      mPlugin(plugin),
      mStore(store),
      mFolder(folder),
      mLoadExt(loadExt ? loadExt : ""),
      mSaveExt(saveExt ? saveExt : ""),
      mBuiltPathFolder(folder),
      mSaveMsg(saveMsg),
      mSaveDefaultMsg(saveDefaultMsg),
      mLoadMsg(loadMsg),
      mRescanMsg(rescanMsg),
      mResetMsg(resetMsg),
      mPresetChosenMsg(presetChosenMsg),
      mMaxChars(maxChars),
      mNameBounds(nameBounds),
      mTextBounds(textBounds),
      mPrevBounds(prevBounds),
      mNextBounds(nextBounds),
      mPrevOff(prevOff),
      mPrevOn(prevOn),
      mNextOff(nextOff),
      mNextOn(nextOn),
      mHoverHighlight(hoverHighlight),
      mShowButtons(showButtons),
      mUserPresetsByPath(userPresetsByPath) {
  mText = text;
  mDblAsSingleClick = true;
}

// Head and tail counted in bytes; the ellipsis takes the last two bytes of the head and the first three of
// the tail. A cut that would fall inside a UTF-8 sequence moves into the part left out, so the head ends and
// the tail starts on whole characters (the result is then shorter than maxChars bytes).
template <int VERSION>
std::string IBPresetMenuNewLW<VERSION>::ShortenName(const char* name, int maxChars) {
  const std::string full = name ? name : "";
  if (maxChars < kMinShortenedChars || full.size() < static_cast<size_t>(maxChars)) return full;
  const int half = maxChars / 2;
  const auto isContinuation = [&](size_t i) { return i < full.size() && (full[i] & 0xC0) == 0x80; };
  size_t headEnd = static_cast<size_t>(half - 2);
  while (headEnd > 0 && isContinuation(headEnd)) --headEnd;
  size_t tailStart = full.size() - static_cast<size_t>(maxChars - half - (kEllipsisLength - 2));
  while (isContinuation(tailStart)) ++tailStart;
  return full.substr(0, headEnd) + kEllipsis + full.substr(tailStart);
}

// ---- Store ----

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::Send(int msg) {
  if (msg >= 0) mPlugin.OnParamChange(msg, kUI, -1);
}

template <int VERSION>
int IBPresetMenuNewLW<VERSION>::NStorePresets() const {
  return mStore.GetBuiltInPresets().GetSize();
}

template <int VERSION>
int IBPresetMenuNewLW<VERSION>::NUserPresets() const {
  return mStore.GetFilePresets().GetSize();
}

template <int VERSION>
const IPreset* IBPresetMenuNewLW<VERSION>::CombinedRecord(int idx) const {
  const int nF = NStorePresets();
  return idx < nF ? mStore.GetBuiltInPresets().Get(idx) : mStore.GetFilePresets().Get(idx - nF);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::LoadRecord(const IPreset* record) {
  if (!record) return;
  {
    const StoreLoadingScope loading(mStore);
    RestoreIntoSlot(*record);
  }
  Send(mPresetChosenMsg);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::RestoreIntoSlot(const IPreset& record) {
  mStore.CopyPresetToSlot(record, 0);
  mPlugin.RestorePreset(0);
  mPlugin.InformHostOfPresetChange();
  mPlugin.InformHostOfAllParams();
}

// ---- Mouse ----

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnMouseDown(float x, float y, const IMouseMod&) {
  mPrevPressed = false;
  mNextPressed = false;
  if (mNameBounds.Contains(x, y)) {
    Send(mRescanMsg);
    SetDirty(false, -1);
    BuildAndShowMenu();
    SetDirty(false, -1);
    return;
  }
  if (mShowButtons) {
    if (mPrevBounds.Contains(x, y)) {
      StepBack();
      mPrevPressed = true;
    } else if (mNextBounds.Contains(x, y)) {
      StepForward();
      mNextPressed = true;
    }
  }
  SetDirty(false, -1);
}

// The list does not wrap: at the first entry the previous button stays there without loading.
template <int VERSION>
void IBPresetMenuNewLW<VERSION>::StepBack() {
  const int total = NStorePresets() + NUserPresets();
  int cur = std::max(mCurrentIdx, 0);
  if (cur >= total) cur = total - 1;
  if (cur < 1) {
    mCurrentIdx = total == 0 ? -1 : 0;
    return;
  }
  mCurrentIdx = cur - 1;
  LoadRecord(CombinedRecord(mCurrentIdx));
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::StepForward() {
  const int total = NStorePresets() + NUserPresets();
  int cur = std::max(mCurrentIdx, 0);
  if (cur >= total) cur = total - 1;
  if (cur + 1 >= total) {
    mCurrentIdx = total - 1;
    return;
  }
  mCurrentIdx = cur + 1;
  LoadRecord(CombinedRecord(mCurrentIdx));
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnMouseUp(float, float, const IMouseMod&) {
  mPrevPressed = false;
  mNextPressed = false;
  SetDirty(false, -1);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnMouseOver(float x, float y, const IMouseMod&) {
  mNameHover = mNameBounds.Contains(x, y);
  mPrevHover = mShowButtons && mPrevBounds.Contains(x, y);
  mNextHover = mShowButtons && mNextBounds.Contains(x, y);
  SetDirty(false, -1);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnMouseOut() {
  mPrevPressed = mNextPressed = false;
  mNameHover = mPrevHover = mNextHover = false;
  SetDirty(false, -1);
}

// An empty drop keeps the chosen path as it was; the load command goes to the plug-in in any case.
template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnDrop(const char* path) {
  if (path && *path) mChosenPath.Set(path, kMaxChosenPath);
  Send(mLoadMsg);
  Send(mPresetChosenMsg);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnResize() {
  SetDirty(false, -1);
}

// ---- Menu ----

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::BuildAndShowMenu() {
  mTopLevelPresets.clear();
  mFactoryPresets.clear();
  mMenu.Clear();
  mFactoryMenu = nullptr;
  mUserMenu = nullptr;
  AddPresetMenuItem(mMenu, kTitle);
  AddPresetMenuSeparator(mMenu);
  mLoadItemIdx = mMenu.NItems();
  AddPresetMenuItem(mMenu, "Load preset ...");
  mResetItemIdx = mMenu.NItems();
  AddPresetMenuItem(mMenu, "Reset to default");
  AddPresetMenuSeparator(mMenu);
  mSaveItemIdx = mMenu.NItems();
  AddPresetMenuItem(mMenu, "Save preset ...");
  mSaveDefaultItemIdx = mMenu.NItems();
  AddPresetMenuItem(mMenu, "Save as default");

  const PresetList& store = mStore.GetBuiltInPresets();
  for (int i = 0; i < store.GetSize(); ++i) {
    if (store.Get(i)->mCategory != kTopLevelGroup) continue;
    if (mTopLevelPresets.empty()) AddPresetMenuSeparator(mMenu);
    AddPresetMenuItem(mMenu, store.Get(i)->mName);
    mTopLevelPresets.push_back(i);
  }
  for (int i = 0; i < store.GetSize(); ++i) {
    if (store.Get(i)->mCategory != kFactoryGroup) continue;
    if (!mFactoryMenu) mFactoryMenu = new IPopupMenu();
    AddPresetMenuItem(*mFactoryMenu, store.Get(i)->mName);
    mFactoryPresets.push_back(i);
  }
  if (mFactoryMenu) {
    AddPresetMenuSeparator(mMenu);
    mMenu.AddItem("Factory", mFactoryMenu);
  }
  const PresetList& user = mStore.GetFilePresets();
  if (user.GetSize() > 0) {
    mUserMenu = new IPopupMenu();
    for (int i = 0; i < user.GetSize(); ++i) AddPresetMenuItem(*mUserMenu, user.Get(i)->mName);
    AddPresetMenuSeparator(mMenu);
    mMenu.AddItem("User", mUserMenu);
  }
  if (IGraphics* g = GetUI()) g->CreatePopupMenu(*this, mMenu, mRECT, 0);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::OnPopupMenuSelection(IPopupMenu* menu, int) {
  if (!menu) return;
  const int chosen = menu->GetChosenItemIdx();
  if (menu == &mMenu) {
    AnswerRootChoice(chosen);
  } else if (menu == mFactoryMenu) {
    if (chosen >= 0 && chosen < static_cast<int>(mFactoryPresets.size())) {
      mCurrentIdx = mFactoryPresets[chosen];
      LoadRecord(mStore.GetBuiltInPresets().Get(mCurrentIdx));
    }
  } else if (menu == mUserMenu) {
    AnswerUserChoice(chosen);
  }
  SetDirty(false, -1);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::PromptAndSend(int action, int msg) {
  mChosenPath.Set("");
  if (IGraphics* g = GetUI())
    g->PromptForFile(mChosenPath, mFolder, static_cast<EFileAction>(action), mLoadExt.c_str());
  Send(msg);
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::AnswerRootChoice(int chosen) {
  if (chosen <= 0) return;
  if (chosen == mLoadItemIdx) {
    PromptAndSend(kFileOpen, mLoadMsg);
    Send(mPresetChosenMsg);
  } else if (chosen == mResetItemIdx) {
    RestoreIntoSlot(mStore.GetWorkingPreset());
    Send(mResetMsg);
    Send(mPresetChosenMsg);
  } else if (chosen == mSaveItemIdx) {
    PromptAndSend(kFileSave, mSaveMsg);
  } else if (chosen == mSaveDefaultItemIdx) {
    Send(mSaveDefaultMsg);
  } else {
    const int k = chosen - mSaveDefaultItemIdx - 2;
    if (k < 0 || k >= static_cast<int>(mTopLevelPresets.size())) return;
    mCurrentIdx = mTopLevelPresets[k];
    LoadRecord(mStore.GetBuiltInPresets().Get(mCurrentIdx));
  }
}

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::AnswerUserChoice(int chosen) {
  if (chosen < 0) return;
  mCurrentIdx = NStorePresets() + chosen;
  // A record gone since the menu was built loads nothing and sends nothing, as in the factory list; by path
  // it names no file.
  const IPreset* record = mStore.GetFilePresets().Get(chosen);
  if (!mUserPresetsByPath) {
    LoadRecord(record);
    return;
  }
  if (!record) return;
  mChosenPath.Set(mBuiltPathFolder.Get());
  mChosenPath.Append("/");
  mChosenPath.Append(record->mName);
  mChosenPath.Append(".");
  mChosenPath.Append(mLoadExt.c_str());
  {
    const StoreLoadingScope loading(mStore);
    Send(mLoadMsg);
  }
  Send(mPresetChosenMsg);
}

// ---- Drawing ----

template <int VERSION>
void IBPresetMenuNewLW<VERSION>::Draw(IGraphics& g) {
  if (mShowButtons) {
    if (mHoverHighlight && mPrevHover)
      g.FillRoundRect(IPattern(mHighlightColor), mPrevBounds, kPresetBarHighlightRadius, &mBlend);
    g.DrawSVG(mPrevPressed ? mPrevOn : mPrevOff, mPrevBounds, &mBlend);
    if (mHoverHighlight && mNextHover)
      g.FillRoundRect(IPattern(mHighlightColor), mNextBounds, kPresetBarHighlightRadius, &mBlend);
    g.DrawSVG(mNextPressed ? mNextOn : mNextOff, mNextBounds, &mBlend);
  }
  FwString name;
  name.SetFormatted(kMaxShownName, "%s", mPlugin.GetPresetName(mPlugin.GetCurrentPresetIdx()));
  IText text = mText;
  if (mNameHover) {
    text.mFGColor.R = 255;
    text.mFGColor.G = 255;
    text.mFGColor.B = 255;
  }
  g.DrawText(text, ShortenName(name.Get(), mMaxChars).c_str(), mTextBounds, nullptr);
  SetTooltip((std::string("Preset menu: ") + name.Get()).c_str());
}

template class IBPresetMenuNewLW<1>;

}  // namespace fx::gfx

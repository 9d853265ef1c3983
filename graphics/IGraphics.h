// The platform-independent editor surface: owns the attached controls and the special controls, maps
// tags, dispatches pointer, key, wheel, drop and gesture events, collects dirty rectangles and draws
// them through the abstract path interface, and keeps the editor's size and scales.
//
// It is abstract: the vector renderer supplies the path, image and text operations and the platform layer
// the window, cursor, menu, text-entry and dialog operations (both marked "renderer" or "platform" below).
// Everything runs on the main thread; nothing here blocks except where a platform operation says so.
#pragma once

#include "graphics/IControl.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/IMatrix.h"
#include "graphics/IPathOptions.h"
#include "graphics/IPattern.h"
#include "graphics/IPopupMenu.h"
#include "graphics/IRECTList.h"
#include "graphics/PlatformFont.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <stack>
#include <unordered_map>
#include <vector>

namespace fx {
struct IKeyPress;
struct IMidiMsg;
class IByteChunk;
template <class T>
class FwTypedBuf;
class FwString;
} // namespace fx

namespace fx::gfx {

class IGEditorDelegate;
class IPopupMenuControlBase;
class ITextEntryControlBase;
class IBitmap;
class ISVG;
class ILayer;
class APIBitmap;
struct IVStyle;
struct IShadow;

using ILayerPtr = std::unique_ptr<ILayer>;
using RawBitmapData = fx::FwTypedBuf<uint8_t>;
using IKeyHandlerFunc = std::function<bool(const IKeyPress& key, bool isUp)>;
using IDisplayTickFunc = std::function<void()>;
using IUIAppearanceChangedFunc = std::function<void(EUIAppearance)>;
using IMidiFunc = std::function<void(const IMidiMsg&)>;
using IControlFunction = std::function<void(IControl* control)>;
using IFileDialogCompletionHandlerFunc = std::function<void(const FwString& fileName, const FwString& path)>;

class IGraphics
{
public:
  // Retains the process-wide bitmap and SVG caches for this object's lifetime.
  IGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 0, float scale = 1.f);
  virtual ~IGraphics();
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Frame (renderer extends; main thread, from the view's redraw timer) ----
  // Records the frame time while a frame-time display exists.
  virtual void BeginFrame();
  virtual void InitDrawContext();
  virtual void ReleaseDrawContext();
  virtual void EndFrame();

  // ---- Drawing (renderer supplies the pure ones) ----
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend) = 0;
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr);
  // Nothing for a null or empty string.
  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr);
  // Fills bounds with the text's extent and returns its width; 0 (bounds untouched) for an empty string.
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;
  // Renderers without multi-line layout show "Unsupported".
  virtual void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual IColor GetPointColor(int x, int y) = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIStr() = 0;
  virtual bool BitmapExtSupported(const char* ext) = 0;
  virtual void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                                  float roundness = 0.f, float blur = 10.f, const IBlend* blend = nullptr);
  virtual void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) = 0;
  virtual void ApplyShadowMask(ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) = 0;
  // Makes the top layer (or the main frame) the drawing target.
  virtual void UpdateLayer();

  // ---- Path interface (renderer) ----
  virtual void PathClear() = 0;
  virtual void PathClose() = 0;
  // Degrees, 0 up, clockwise.
  virtual void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding = kWindingCW) = 0;
  virtual void PathMoveTo(float x, float y) = 0;
  virtual void PathLineTo(float x, float y) = 0;
  virtual void PathSetWinding(bool clockwise);
  virtual void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) = 0;
  virtual void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) = 0;
  virtual void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                          const IBlend* blend = nullptr) = 0;
  virtual void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                        const IBlend* blend = nullptr) = 0;
  virtual void PathTransformSetMatrix(const IMatrix& matrix) = 0;
  // Called after each control's Draw.
  virtual void OnControlDrawn(IControl& control);
  // The renderer's scissor, in untransformed editor points.
  virtual void SetClipRegion(const IRECT& r) = 0;

  void PathCircle(float cx, float cy, float r);
  // The current transform becomes the identity (the saved transforms are dropped with clearStates).
  void PathTransformReset(bool clearStates = false);
  const IMatrix& GetTransform() const { return mTransform; }
  const IRECT& GetClipRECT() const { return mClipRECT; }

  // ---- Platform ----
  virtual void AttachPlatformView(const IRECT& r, void* view);
  virtual void RemovePlatformView(void* view);
  virtual void HidePlatformView(void* view, bool hide);
  virtual void GetMouseLocation(float& x, float& y) const = 0;
  // Hides or shows the pointer; `lock` keeps it in place while hidden.
  virtual void HideMouseCursor(bool hide = true, bool lock = true) = 0;
  virtual void MoveMouseCursor(float x, float y) = 0;
  // Stores and returns the previous cursor.
  virtual ECursor SetMouseCursor(ECursor cursorType = kArrowCursor);
  virtual void ForceEndUserEdit() = 0;
  // Creates the platform view inside the host's parent; null when it cannot.
  virtual void* OpenWindow(void* pParent) = 0;
  virtual void CloseWindow() = 0;
  virtual void* GetWindow() = 0;
  virtual bool WindowIsOpen();
  virtual bool GetTextFromClipboard(FwString& str) = 0;
  virtual bool SetTextInClipboard(const char* str) = 0;
  virtual bool SetFilePathInClipboard(const char* path);
  virtual bool InitiateExternalFileDragDrop(const char* path, const IRECT& iconBounds);
  virtual void UpdateTooltips() = 0;
  // Modal: blocks the main thread until the user answers.
  virtual EMsgBoxResult ShowMessageBox(const char* str, const char* caption, EMsgBoxType type,
                                       IMsgBoxCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual void PromptForFile(FwString& fileName, FwString& path, EFileAction action = kFileOpen,
                             const char* ext = "", IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual void PromptForDirectory(FwString& dir, IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
  virtual bool PromptForColor(IColor& color, const char* str = "", IColorPickerHandlerFunc func = nullptr) = 0;
  virtual bool OpenURL(const char* url, const char* msgWindowTitle = nullptr, const char* confirmMsg = nullptr,
                       const char* errMsgOnFailure = nullptr) = 0;
  virtual const char* GetPlatformAPIStr();
  virtual bool RevealPathInExplorerOrFinder(FwString& path, bool select = false);
  virtual void PlatformPreResourceHook();
  virtual void* GetPlatformResourceHandle() const;
  virtual void PlatformPostResourceHook();
  virtual std::unique_ptr<PlatformFont> LoadPlatformFont(const char* fontID, const char* fileNameOrResID) = 0;
  virtual std::unique_ptr<PlatformFont> LoadPlatformFont(const char* fontID, void* pData, int dataSize) = 0;
  virtual std::unique_ptr<PlatformFont> LoadPlatformFont(const char* fontID, const char* fontName, int style) = 0;
  virtual void CachePlatformFont(const char* fontID, const std::unique_ptr<PlatformFont>& font) = 0;
  virtual const char* GetBundleID() const;
  virtual const char* GetAppGroupID() const;
  virtual void ActivateContext();
  virtual void DeactivateContext();
  // The typed answer comes back through SetControlValueAfterTextEdit.
  virtual void CreatePlatformTextEntry(int paramIdx, const IText& text, const IRECT& bounds, int length,
                                       const char* str) = 0;
  // With isAsync left false the returned menu (null for none) is the answer; otherwise it comes later
  // through SetControlValueAfterPopupMenu.
  virtual IPopupMenu* CreatePlatformPopupMenu(IPopupMenu& menu, const IRECT& bounds, bool& isAsync) = 0;
  virtual bool PlatformSupportsMultiTouch() const;
  virtual float GetPlatformWindowScale() const;
  // Sets the view's frame to the editor size times the draw scale.
  virtual void PlatformResize(bool parentHasResized);
  // The renderer rebuilds its surfaces for the new total scale.
  virtual void DrawResize();
  virtual EUIAppearance GetUIAppearance() const;
  virtual void AttachGestureRecognizer(EGestureType type);
  virtual APIBitmap* LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                                   const char* ext) = 0;
  virtual APIBitmap* LoadAPIBitmap(const char* name, const void* pData, int dataSize, int scale) = 0;
  virtual APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable = false) = 0;
  virtual bool LoadAPIFont(const char* fontID, const std::unique_ptr<PlatformFont>& font) = 0;
  virtual bool RendererQueryHook();
  virtual int AlphaChannelComponent() const = 0;
  virtual bool FlippedBitmap() const = 0;
  virtual float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const = 0;
  virtual void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr) = 0;
  virtual float GetTotalScale() const;

  // ---- Attaching and removing controls ----
  // The graphics object owns the control from here on. A tag >= 0 already in use refuses the control:
  // nothing is attached and null is returned (the control stays with the caller).
  IControl* AttachControl(IControl* control, int tag = -1, const char* group = "");
  // Inserts an owned control at list index 0, under every other control (the backgrounds).
  IControl* AttachBackgroundControl(IControl* control);
  // Takes ownership; a second corner resizer is deleted and nothing changes.
  void AttachCornerResizer(IControl* control, EUIResizerMode sizeMode = kUIResizerScale, bool layoutOnResize = false);
  // Take ownership; a second one is deleted and nothing changes.
  void AttachPopupMenuControl(IPopupMenuControlBase* control);
  void AttachTextEntryControl(ITextEntryControlBase* control);
  void RemovePopupMenuControl();
  void RemoveTextEntryControl();
  // Appends an owned value bubble.
  void AttachBubbleControl(IControl* control);
  // Owns the frame-time display (null removes it); frame times are recorded while it exists.
  void SetPerfDisplay(IControl* control);
  void RemoveControlWithTag(int ctrlTag);
  void RemoveControl(int idx);
  void RemoveControl(IControl* control);
  void RemoveAllControls();

  // ---- Moving ----
  void SetControlPosition(IControl* control, float x, float y);
  void SetControlSize(IControl* control, float w, float h);
  void SetControlBounds(IControl* control, const IRECT& r);

  // ---- Finding and iterating ----
  IControl* GetControlWithTag(int ctrlTag) const;
  IControl* GetControl(int idx) const;
  int NControls() const { return static_cast<int>(mControls.size()); }
  int GetControlIdx(const IControl* control) const;
  IControl* GetControlWithParamIdx(int paramIdx) const;
  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  bool ControlIsCaptured(const IControl* control) const;
  int NCapturedControls() const { return static_cast<int>(mCapturedMap.size()); }
  // Each control of the list, in order.
  void ForStandardControlsFunc(const IControlFunction& func);
  // The list, then the frame-time display, corner resizer, text entry and popup menu, then the bubbles.
  void ForAllControlsFunc(const IControlFunction& func);
  void ForControlWithParam(int paramIdx, const IControlFunction& func);
  void ForControlWithParam(const std::vector<int>& params, const IControlFunction& func);
  void ForControlInGroup(const char* group, const IControlFunction& func);
  void HideControl(int paramIdx, bool hide);
  void DisableControl(int paramIdx, bool disable);
  void SetControlDirty(int paramIdx, bool triggerAction, int valIdx = -1);
  void SetParameterHighlight(int paramIdx, bool on, int colorIdx = 0);
  void SetAllControlsDirty();
  void SetAllControlsClean();
  void ForAllControlsOnGUIIdle();
  void AssignParamNameToolTips();
  // Moves every other control bound to the caller's parameter of entry valIdx to the caller's value.
  void UpdatePeers(IControl* caller, int valIdx);
  void SetLastClickedParam(float x, float y);
  int GetAndResetLastClickedParam();
  void StyleAllVectorControls(const IVStyle& style);

  // ---- Settings ----
  void EnableTooltips(bool enable);
  bool TooltipsEnabled() const { return mEnableTooltips; }
  void SetStrictDrawing(bool strict);
  void EnableMouseOver(bool enable) { mEnableMouseOver = enable; }
  bool MouseOverEnabled() const { return mEnableMouseOver; }
  void EnableMultiTouch(bool enable) { mEnableMultiTouch = enable; }
  bool MultiTouchEnabled() const { return mEnableMultiTouch; }
  void SetLayoutOnResize(bool layout) { mLayoutOnResize = layout; }
  void SetKeyHandlerFunc(IKeyHandlerFunc func) { mKeyHandlerFunc = std::move(func); }
  void SetDisplayTickFunc(IDisplayTickFunc func) { mDisplayTickFunc = std::move(func); }
  void SetAppearanceChangedFunc(IUIAppearanceChangedFunc func) { mAppearanceChangedFunc = std::move(func); }
  // Letter keys play notes (A W S E D F T G Y H U J K O L from the base note; Z and X change octave).
  void SetQwertyMidiKeyHandlerFunc(IMidiFunc func = nullptr);

  // ---- Draw loop ----
  // Runs the display tick and animations, then appends the padded rectangles of dirty controls.
  bool IsDirty(IRECTList& rects);
  // Draws the collected rectangles between BeginFrame and EndFrame; nothing for an empty list.
  void Draw(IRECTList& rects);
  // The frame times of the last 100 frames, in seconds, and the index of the newest.
  static constexpr int kNumFrameTimes = 100;
  float GetFrameTime(int idx) const { return mFrameTimes[idx]; }
  int GetFrameTimeIdx() const { return mFrameTimeIdx; }

  // ---- Scaling and resizing ----
  void SetScreenScale(float scale);
  void Resize(int w, int h, float scale, bool needsPlatformResize = true);
  void SetScaleConstraints(float lo, float hi);
  void SetSizeConstraints(int widthLo, int widthHi, int heightLo, int heightHi);
  void StartDragResize() { mResizingInProcess = true; }
  void OnDragResize(float x, float y);
  void EndDragResize();
  bool GetResizingInProcess() const { return mResizingInProcess; }
  EUIResizerMode GetResizerMode() const { return mGUISizeMode; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int WindowWidth() const;
  int WindowHeight() const;
  int FPS() const { return mFPS; }
  float GetScreenScale() const { return mScreenScale; }
  float GetDrawScale() const { return mDrawScale; }
  float GetMinScale() const { return mMinScale; }
  float GetMaxScale() const { return mMaxScale; }
  IRECT GetBounds() const { return IRECT(0.f, 0.f, static_cast<float>(mWidth), static_cast<float>(mHeight)); }

  // ---- Events (from the platform view) ----
  void OnMouseDown(const std::vector<IMouseInfo>& points);
  void OnMouseUp(const std::vector<IMouseInfo>& points);
  void OnMouseDrag(const std::vector<IMouseInfo>& points);
  void OnTouchCancelled(const std::vector<IMouseInfo>& points);
  bool OnMouseDblClick(float x, float y, const IMouseMod& mod);
  bool OnMouseOver(float x, float y, const IMouseMod& mod);
  void OnMouseOut();
  void OnMouseWheel(float x, float y, const IMouseMod& mod, float delta);
  bool OnKeyDown(float x, float y, const IKeyPress& key);
  bool OnKeyUp(float x, float y, const IKeyPress& key);
  void OnDrop(const char* str, float x, float y);
  void OnDropMultiple(const std::vector<const char*>& paths, float x, float y);
  void OnFocusLost();
  void OnAppearanceChanged(EUIAppearance appearance);
  void ReleaseMouseCapture();
  IControl* GetMouseControl(float x, float y, bool capture, bool mouseOver = false, uint64_t touchID = 0);
  int GetMouseControlIdx(float x, float y, bool mouseOver = false);
  void GetMouseDownPoint(float& x, float& y) const { x = mMouseDownX; y = mMouseDownY; }
  IControl* GetMouseOver() const { return mMouseOver; }
  int GetMouseOverIdx() const { return mMouseOverIdx; }

  // ---- Gestures ----
  void AttachGestureRecognizerToRegion(const IRECT& bounds, EGestureType type, IGestureFunction func);
  void ClearGestureRegions();
  bool RespondsToGesture(float x, float y);
  void OnGestureRecognized(const IGestureInfo& info);
  const std::vector<EGestureType>& GetRegisteredGestureRecognizers() const { return mRegisteredGestureRecognizers; }

  // ---- Value prompts ----
  void PromptUserInput(IControl& control, const IRECT& bounds, int valIdx = 0);
  void CreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx = 0);
  void CreateTextEntry(IControl& control, const IText& text, const IRECT& bounds, const char* str = "", int valIdx = 0);
  void SetControlValueAfterTextEdit(const char* str);
  void SetControlValueAfterPopupMenu(IPopupMenu* menu);
  void PopupContextMenuForControl(int controlIdx, float x, float y);
  IPopupMenu& GetPromptMenu() { return mPromptPopupMenu; }
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  void ClearInTextEntryControl() { mInTextEntry = nullptr; }
  IControl* GetControlInPopupMenu() const { return mInPopupMenu; }

  // ---- Special controls ----
  IPopupMenuControlBase* GetPopupMenuControl() const { return mPopupControl.get(); }
  ITextEntryControlBase* GetTextEntryControl() const { return mTextEntryControl.get(); }
  IControl* GetCornerResizer() const { return mCornerResizer.get(); }
  IControl* GetPerfDisplay() const { return mPerfDisplay.get(); }
  int NBubbleControls() const { return static_cast<int>(mBubbleControls.size()); }
  IControl* GetBubbleControl(int idx) const;

  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  ECursor GetCursorType() const { return static_cast<ECursor>(mCursorType); }
  bool CursorIsHidden() const { return mCursorHidden; }

protected:
  void SetCursorHidden(bool hidden) { mCursorHidden = hidden; }
  void DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext);

private:
  void ConnectControl(IControl& control);
  void InitControl(IControl& control);
  void ForgetControl(IControl* control);
  void EndEdits(std::vector<int>& params);
  void EndEditsOfTouch(uint64_t touchID);
  void Draw(const IRECT& bounds, float scale);
  void DrawControl(IControl* control, const IRECT& bounds, float scale);
  IRECT DirtyRectOf(IControl& control) const;
  void BeginInformHostOfBoundParams(IControl& control, uint64_t touchID);
  IControl* SpecialControlAt(float x, float y) const;
  void ResetPromptMenu();

  std::vector<std::unique_ptr<IControl>> mControls;
  std::unordered_map<int, IControl*> mCtrlTags;
  std::unique_ptr<IControl> mCornerResizer;
  std::vector<std::unique_ptr<IControl>> mBubbleControls;
  std::unique_ptr<IPopupMenuControlBase> mPopupControl;
  std::unique_ptr<IControl> mPerfDisplay;
  std::unique_ptr<ITextEntryControlBase> mTextEntryControl;
  IPopupMenu mPromptPopupMenu;
  int mCursorType = kArrowCursor;
  int mWidth;
  int mHeight;
  int mFPS;
  float mScreenScale = 1.f;
  float mDrawScale;
  std::vector<EGestureType> mRegisteredGestureRecognizers;
  IRECTList mGestureRegions;
  std::unordered_map<int, IGestureFunction> mGestureRegionFuncs;
  std::unordered_map<uint64_t, IControl*> mCapturedMap;
  // The parameters whose host edit a press opened, per touch, and those handed to a pending popup menu:
  // every begin-edit gets exactly one end-edit, whichever way the gesture ends.
  std::unordered_map<uint64_t, std::vector<int>> mOpenEdits;
  std::vector<int> mPopupEdits;
  IControl* mMouseOver = nullptr;
  IControl* mInTextEntry = nullptr;
  IControl* mInPopupMenu = nullptr;
  bool mIsContextMenu = false;
  int mTextEntryValIdx = -1;
  int mPopupMenuValIdx = -1;
  int mMouseOverIdx = -1;
  float mMouseDownX = -1.f;
  float mMouseDownY = -1.f;
  float mMinScale = 0.5f;
  float mMaxScale = 4.f;
  float mMinWidth = 0.f;
  float mMinHeight = 0.f;
  float mMaxWidth = 0.f;
  float mMaxHeight = 0.f;
  bool mSizeConstraintsSet = false;
  int mLastClickedParam = -1;
  bool mEnableMouseOver = false;
  bool mStrict = false;
  bool mEnableTooltips = false;
  bool mResizingInProcess = false;
  bool mLayoutOnResize = false;
  bool mEnableMultiTouch = false;
  EUIResizerMode mGUISizeMode = kUIResizerScale;
  double mPrevTimestamp = 0.0;
  float mFrameTimes[kNumFrameTimes] = {};
  int mFrameTimeIdx = 0;
  IKeyHandlerFunc mKeyHandlerFunc;
  IDisplayTickFunc mDisplayTickFunc;
  IUIAppearanceChangedFunc mAppearanceChangedFunc;
  IGEditorDelegate* mDelegate;
  bool mCursorHidden = false;
  IRECT mClipRECT;
  IMatrix mTransform;
  std::stack<IMatrix> mTransformStates;
};

} // namespace fx::gfx

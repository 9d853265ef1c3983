// The base of every editor control: a rectangle that draws itself through the graphics object, takes
// pointer, key, wheel, drop and gesture events from it, and holds normalized values (0..1), each
// optionally bound to a plug-in parameter. Every operation runs on the main thread and never blocks.
#pragma once

#include "framework/FwString.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/IRECT.h"

#include <initializer_list>
#include <unordered_map>
#include <vector>

namespace fx {
class IParam;
struct IMidiMsg;
struct IKeyPress;
}  // namespace fx

namespace fx::gfx {

class IGraphics;
class IGEditorDelegate;
class IPopupMenu;

class IControl {
 public:
  // One value entry: the bound parameter index (-1 for none) and the normalized value.
  struct ParamTuple {
    int idx = -1;
    double value = 0.0;
  };

  // A control built detached; IGraphics::AttachControl connects it.
  IControl(const IRECT& bounds, int paramIdx = -1, IActionFunction actionFunc = nullptr);
  // One entry per listed index; an empty list gives a control with no entries.
  IControl(const IRECT& bounds, std::initializer_list<int> params, IActionFunction actionFunc = nullptr);
  IControl(const IRECT& bounds, IActionFunction actionFunc);
  virtual ~IControl() = default;
  IControl(const IControl&) = delete;
  IControl& operator=(const IControl&) = delete;

  // Event hooks, called by the graphics object's dispatch.
  virtual void OnMouseDown(float x, float y, const IMouseMod& mod);
  virtual void OnMouseUp(float x, float y, const IMouseMod& mod);
  virtual void OnMouseDrag(float x, float y, float dX, float dY, const IMouseMod& mod);
  virtual void OnMouseDblClick(float x, float y, const IMouseMod& mod);
  virtual void OnMouseWheel(float x, float y, const IMouseMod& mod, float d);
  virtual bool OnKeyDown(float x, float y, const IKeyPress& key);
  virtual bool OnKeyUp(float x, float y, const IKeyPress& key);
  virtual void OnMouseOver(float x, float y, const IMouseMod& mod);
  virtual void OnMouseOut();
  virtual void OnTouchCancelled(float x, float y, const IMouseMod& mod);
  virtual void OnDrop(const char* str);
  virtual void OnDropMultiple(const std::vector<const char*>& paths);
  // Geometry and lifetime hooks.
  virtual void OnRescale();
  virtual void OnResize();
  virtual void OnInit();
  virtual void OnAttached();
  // From the plug-in side, through the editor delegate (called from the plug-in timer).
  virtual void OnMsgFromDelegate(int msgTag, int dataSize, const void* data);
  virtual void OnMidi(const IMidiMsg& msg);
  virtual bool OnGesture(const IGestureInfo& info);
  // Value prompts and menus.
  virtual void CreateContextMenu(IPopupMenu& menu);
  virtual void OnPopupMenuSelection(IPopupMenu* menu, int valIdx);
  virtual void OnTextEntryCompletion(const char* str, int valIdx);
  virtual void OnContextSelection(int itemSelected);
  // Drawing, called by the draw loop with the clip set to the control's region.
  virtual void Draw(IGraphics& g) = 0;
  virtual void DrawHighlight(IGraphics& g);
  // Values. A one-entry control treats every value index as 0 in SetDirty, SetValueToDefault and
  // GetValIdxForPos; a negative index means all entries where accepted.
  virtual void SetParamIdx(int paramIdx, int valIdx = 0);
  virtual int GetValIdxForPos(float x, float y) const;
  virtual void SetValueFromDelegate(double value, int valIdx = 0);
  virtual void SetValueFromUserInput(double value, int valIdx = 0);
  virtual void SetValueToDefault(int valIdx = -1);
  virtual void SetValue(double value, int valIdx = 0);
  virtual void SetText(const IText& text);
  virtual void SetPosition(float x, float y);
  virtual void SetSize(float w, float h);
  virtual void Hide(bool hide);
  virtual void SetDisabled(bool disable);
  virtual void SetIgnoreMouse(bool ignore);
  virtual bool IsHit(float x, float y) const;
  // Clamps the values, marks the control dirty and, with triggerAction, sends bound values to the host,
  // moves peer controls and runs the action function.
  virtual void SetDirty(bool triggerAction = true, int valIdx = -1);
  virtual void SetClean();
  virtual bool IsDirty();
  virtual void OnGUIIdle();
  virtual bool GetWantsGestures() const;
  virtual void SnapToMouse(float x, float y, EDirection direction, const IRECT& bounds, int valIdx = -1,
                           double minClip = 0.0, double maxClip = 1.0);
  virtual void OnEndAnimation();
  // The part of the rectangle that Draw covers completely with opaque paint composited over what is beneath; empty
  // (the default) when there is none. The draw loop leaves out the controls beneath that it hides.
  virtual IRECT OpaqueBounds() const;

  // Parameters and values.
  // The delegate's parameter bound to entry valIdx; null when the entry is unbound or names none.
  IParam* GetParam(int valIdx = 0) const;
  int GetParamIdx(int valIdx = 0) const;
  // The first entry bound to paramIdx; -1 when none is, and always for a negative paramIdx.
  int LinkedToParam(int paramIdx) const;
  int NVals() const { return static_cast<int>(mVals.size()); }
  double GetValue(int valIdx = 0) const;
  // Whether a valid entry index is bound to a parameter the delegate has.
  bool IsBound(int valIdx) const;

  // Animation. Times come from the graphics clock (GraphicsClockMs).
  void SetAnimation(IAnimationFunction func) { mAnimationFunc = std::move(func); }
  void SetAnimation(IAnimationFunction func, int durationMs);
  IAnimationFunction GetAnimationFunction() const { return mAnimationFunc; }
  void SetAnimationEndActionFunction(IActionFunction func) { mAnimationEndActionFunc = std::move(func); }
  IActionFunction GetAnimationEndActionFunc() const { return mAnimationEndActionFunc; }
  void StartAnimation(int durationMs);
  double GetAnimationProgress() const;
  void Animate();

  void SetHighlight(bool on, int colorIdx = 0);
  bool GetHighlight() const { return mHighlight; }
  const IColor& GetHighlightColor() const { return mHighlightColor; }
  // Opens a value prompt for an entry (menu for enumerations, text entry otherwise), when allowed.
  void PromptUserInput(int valIdx = 0);
  void PromptUserInput(const IRECT& bounds, int valIdx = 0);
  IControl* AttachGestureRecognizer(EGestureType type, IGestureFunction func);
  EGestureType GetLastGesture() const { return mLastGesture; }

  // Accessors without side effects.
  const IRECT& GetRECT() const { return mRECT; }
  void SetRECT(const IRECT& bounds) { mRECT = bounds; }
  const IRECT& GetTargetRECT() const { return mTargetRECT; }
  void SetTargetRECT(const IRECT& bounds) { mTargetRECT = bounds; }
  void SetTargetAndDrawRECTs(const IRECT& bounds) { mRECT = mTargetRECT = bounds; }
  const char* GetGroup() const { return mGroup.Get(); }
  void SetGroup(const char* group) { mGroup.Set(group); }
  const IText& GetText() const { return mText; }
  const IBlend& GetBlend() const { return mBlend; }
  void SetBlend(const IBlend& blend) { mBlend = blend; }
  int GetTextEntryLength() const { return mTextEntryLength; }
  void SetTextEntryLength(int len) { mTextEntryLength = len; }
  bool IsHidden() const { return mHide; }
  bool IsDisabled() const { return mDisabled; }
  bool GetIgnoreMouse() const { return mIgnoreMouse; }
  bool GetPromptDisabled() const { return mDisablePrompt; }
  void DisablePrompt(bool disable) { mDisablePrompt = disable; }
  bool GetDblAsSingleClick() const { return mDblAsSingleClick; }
  void SetDblAsSingleClick(bool single) { mDblAsSingleClick = single; }
  bool GetMouseOverWhenDisabled() const { return mMouseOverWhenDisabled; }
  void SetMouseOverWhenDisabled(bool allow) { mMouseOverWhenDisabled = allow; }
  bool GetMouseEventsWhenDisabled() const { return mMouseEventsWhenDisabled; }
  void SetMouseEventsWhenDisabled(bool allow) { mMouseEventsWhenDisabled = allow; }
  bool GetWantsMultiTouch() const { return mWantsMultiTouch; }
  void SetWantsMultiTouch(bool wants) { mWantsMultiTouch = wants; }
  bool GetPromptShowsParamLabel() const { return mPromptShowsParamLabel; }
  void SetPromptShowsParamLabel(bool show) { mPromptShowsParamLabel = show; }
  bool GetMouseIsOver() const { return mMouseIsOver; }
  void SetMouseIsOver(bool over) { mMouseIsOver = over; }
  const char* GetTooltip() const { return mTooltip.Get(); }
  void SetTooltip(const char* tooltip) { mTooltip.Set(tooltip); }
  IControl* GetParent() const { return mParent; }
  void SetParent(IControl* parent) { mParent = parent; }
  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  void SetDelegate(IGEditorDelegate* dlg) { mDelegate = dlg; }
  IGraphics* GetUI() const { return mGraphics; }
  void SetGraphics(IGraphics* graphics) { mGraphics = graphics; }
  IActionFunction GetActionFunction() const { return mActionFunc; }
  void SetActionFunction(IActionFunction func) { mActionFunc = std::move(func); }
  // Whether the control wants MIDI from the plug-in through OnMidi.
  bool GetWantsMidi() const { return mWantsMidi; }
  void SetWantsMidi(bool wants) { mWantsMidi = wants; }

  // The named colours of SetHighlight's index.
  enum EHighlightColor : int { kHighlightRed = 0, kHighlightBlue, kHighlightGreen, kHighlightYellow };

 protected:
  // The entry an index addresses: 0 for a one-entry control.
  int EffectiveValIdx(int valIdx) const { return NVals() == 1 ? 0 : valIdx; }
  bool ValidValIdx(int valIdx) const { return valIdx >= 0 && valIdx < NVals(); }

  IRECT mRECT;
  IRECT mTargetRECT;
  FwString mGroup;
  IText mText;
  IBlend mBlend;
  int mTextEntryLength = 7;
  bool mDirty = true;
  bool mHide = false;
  bool mDisabled = false;
  bool mDisablePrompt = true;
  bool mDblAsSingleClick = false;
  bool mMouseOverWhenDisabled = false;
  bool mMouseEventsWhenDisabled = false;
  bool mIgnoreMouse = false;
  bool mWantsMultiTouch = false;
  bool mPromptShowsParamLabel = false;
  bool mMouseIsOver = false;
  FwString mTooltip;
  IColor mHighlightColor = IColor(255, 255, 0, 0);
  bool mHighlight = false;
  IControl* mParent = nullptr;
  IGEditorDelegate* mDelegate = nullptr;
  IGraphics* mGraphics = nullptr;
  IActionFunction mActionFunc;
  IActionFunction mAnimationEndActionFunc;
  IAnimationFunction mAnimationFunc;
  double mAnimationStartTime = 0.0;
  // Starts defined so a progress read before StartAnimation is 0, not a division by an unset value.
  double mAnimationDuration = 0.0;
  std::vector<ParamTuple> mVals;
  std::unordered_map<int, IGestureFunction> mGestureFuncs;
  EGestureType mLastGesture = kGestureUnknown;
  // Whether the control wants MIDI from the plug-in (the editor delegate asks each control).
  bool mWantsMidi = false;
};

}  // namespace fx::gfx

// The value bubble: a rounded box with an arrow that shows a text beside the control that asked for it
// (IGraphics::ShowBubbleControl). It fades in over 200 ms, stays 1000 ms (longer while its caller is still
// pressed, tested again every 200 ms) and fades out over 200 ms, driven by the control's action, animation
// and animation-end functions on the graphics clock. Hidden and mouse-transparent at rest. Main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"

#include <cstdint>

namespace fx::gfx {

class IBubbleControl : public IControl {
 public:
  enum EArrowDir : int { kArrowUp = 0, kArrowRight = 1, kArrowDown = 2, kArrowLeft = 3 };
  enum EState : int { kHidden = 0, kFadingIn, kShown, kFadingOut };

  static constexpr int kFadeMs = 200;
  static constexpr int kHoldMs = 1000;

  explicit IBubbleControl(const IText& text = DEFAULT_TEXT, const IColor& fillColor = COLOR_WHITE,
                          const IColor& strokeColor = COLOR_BLACK, float roundness = 5.f);
  ~IBubbleControl() override = default;

  // Lays the bubble out beside the caller: direction kHorizontal puts it right of x (or left of the caller
  // when it would leave the editor), kVertical above y (or below the caller).
  void ShowBubble(IControl* caller, float x, float y, const char* str, EDirection dir, IRECT minimumContentBounds,
                  uint64_t touchID = 0);
  void Draw(IGraphics& g) override;

  virtual void DrawContent(IGraphics& g, const IRECT& r);
  virtual void DrawBubble(IGraphics& g, const IRECT& r);
  virtual void MeasureText(IRECT& r);

  void SetMaximumBounds(const IRECT& bounds) { mMaxBounds = bounds; }
  EState GetState() const { return mState; }
  int GetArrowDir() const { return mArrowDir; }
  uint64_t GetTouchID() const { return mTouchId; }
  const char* GetStr() const { return mStr.Get(); }
  IControl* GetCaller() const { return mCaller; }
  // The bubble's own blend, which it draws with: its weight is the opacity of the fade (the control's blend, which
  // disabling sets, is not used).
  const IBlend& GetBubbleBlend() const { return mBubbleBlend; }
  // Called by the graphics object before it deletes `control`: the bubble keeps no pointer to it.
  void ForgetCaller(const IControl* control) {
    if (mCaller == control) mCaller = nullptr;
  }

 private:
  void Animation();
  void OnAnimationEnd();
  void AddArrow(IGraphics& g, const IRECT& r, int side);

  uint64_t mTouchId = 0;
  EDirection mDirection = kHorizontal;
  IRECT mMaxBounds;
  IRECT mBubbleBounds;
  IControl* mCaller = nullptr;
  int mArrowDir = kArrowLeft;
  FwString mStr;
  IBlend mBubbleBlend{kBlendDefault, 0.f};
  float mRoundness;
  float mHorizontalPadding = 10.f;  // the first inset, between the bubble's bounds and its box
  float mVerticalPadding = 10.f;
  float mMaxOpacity = 0.95f;
  [[maybe_unused]] float mArrowSize = 2.f;  // kept at 2: the arrow is drawn mSize deep, nothing reads this one
  float mSize = 5.f;  // the arrow's depth and half-width, and extra room left and right of the text
  IColor mFillColor;
  IColor mStrokeColor;
  EState mState = kHidden;
};

}  // namespace fx::gfx

// The stock action and animation functions controls install: the click animation and the splash of
// vector controls. Each takes the control as its only argument. Main thread only.
#pragma once

namespace fx::gfx {

class IControl;

// Length of the click animations, milliseconds.
inline constexpr int kClickAnimationMs = 100;

// Ends the animation once its progress passes 1.
void DefaultAnimationFunc(IControl* control);
// Grows a vector control's splash with the progress; ends the animation once the progress passes 1.
void SplashAnimationFunc(IControl* control);
void EmptyClickActionFunc(IControl* control);
// Starts the default click animation.
void DefaultClickActionFunc(IControl* control);
// Starts a splash at the last mouse-down position.
void SplashClickActionFunc(IControl* control);
// Show the value of entry 0's parameter (display text and unit) in the graphics object's value bubble,
// to the right of the control or above it.
void ShowBubbleHorizontalActionFunc(IControl* control);
void ShowBubbleVerticalActionFunc(IControl* control);

}  // namespace fx::gfx

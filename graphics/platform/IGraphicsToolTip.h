// The tooltip the platform graphics show over the editor: one line of text in a pale box beside the pointer,
// kept inside the editor, drawn after every other control (IGraphics::SetToolTipControl) and taking no events.
// The window layer decides when it shows (the pointer rested in a control's tooltip rectangle) and when it goes.
// Moving or hiding the box repaints where it was: until the next frame is drawn, the control's rectangle covers
// both places.
// Main thread only.
#pragma once

#include <string>

#include "graphics/IControl.h"

namespace fx::gfx {

class IGraphicsToolTip final : public IControl {
 public:
  // Below and right of the pointer's hot spot, clear of an arrow cursor's picture.
  static constexpr float kOffsetX = 4.f;
  static constexpr float kOffsetY = 20.f;
  static constexpr float kPaddingX = 6.f;
  static constexpr float kPaddingY = 4.f;
  static constexpr float kTextSize = 12.f;

  IGraphicsToolTip();

  // Shows text with the box's top-left corner kOffsetX, kOffsetY from (x, y) (editor points); a box that would
  // leave the editor moves inside it (above the pointer at the bottom edge). Needs the graphics' drawing context to
  // measure the text.
  void ShowTip(const char* text, float x, float y);
  void HideTip();
  bool IsShowing() const { return !mBox.Empty(); }
  const std::string& GetTipText() const { return mTipText; }
  // Where the box is drawn (editor points); empty while hidden.
  const IRECT& GetBox() const { return mBox; }

  void Draw(IGraphics& g) override;
  // Nothing to repaint while hidden and repainted.
  bool IsDirty() override;
  // After the frame collected the old place, the rectangle is the box again.
  void SetClean() override;

 private:
  void Repaint();

  std::string mTipText;
  IRECT mBox;
  IRECT mLeft;  // where the box was, until the next frame repaints it
};

}  // namespace fx::gfx

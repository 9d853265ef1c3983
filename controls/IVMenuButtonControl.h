// A container with one child button that shows its parameter's value; a click on the button opens the
// graphics core's prompt for the parameter (a menu for enumerations) and the choice becomes the value and
// the button's text. Main thread only.
#pragma once

#include "controls/IVButtonControls.h"
#include "graphics/IPanelControl.h"

namespace fx::gfx {

class IVMenuButtonControl : public IContainerBase, public IVectorBase {
 public:
  IVMenuButtonControl(const IRECT& bounds, int paramIdx, const char* label = "", const IVStyle& style = DEFAULT_STYLE,
                      EVShape shape = EVShape::Rectangle);

  // The choice's text goes on the button at once; with a bound parameter the chosen entry's value (the
  // value of its display text, else its index, -1 without a choice) is then set, stepped and clamped.
  void OnPopupMenuSelection(IPopupMenu* menu, int valIdx) override;
  void SetValueFromDelegate(double value, int valIdx = 0) override;
  void SetValueFromUserInput(double value, int valIdx = 0) override;
  // Also restyles the button, its value text centred vertically.
  void SetStyle(const IVStyle& style) override;

  // Null until the container is attached, and again once the graphics has removed the button.
  IVButtonControl* GetMenuButton() const;

 private:
  void SetButtonText(const char* text);
  // The parameter's display text with its unit; nothing without a parameter or before the button exists.
  void UpdateButtonText();

  // Only valid while it is still a child: the graphics takes a child it removes out of the children.
  IVButtonControl* mMenuButton = nullptr;
};

}  // namespace fx::gfx

// A row or column of tabs, one per state, with a text each (IVTabSwitchControl), and its variant with a
// round button and the text beside it for each entry (IVRadioButtonControl). Main thread only.
#pragma once

#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "framework/FwTypedBuf.h"
#include "graphics/ISwitchControlBase.h"
#include "graphics/IVectorBase.h"

#include <vector>

namespace fx::gfx {

// Where a tab sits in the row: it decides which corners EndsRounded tabs round.
enum class ETabSegment : int { Start = 0, Mid, End };

class IVTabSwitchControl : public ISwitchControlBase, public IVectorBase {
 public:
  // One state per option; a bound parameter's range replaces the count at OnInit.
  IVTabSwitchControl(const IRECT& bounds, int paramIdx = -1, const std::vector<const char*>& options = {},
                     const char* label = "", const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Rectangle,
                     EDirection direction = kHorizontal);
  IVTabSwitchControl(const IRECT& bounds, IActionFunction actionFunc, const std::vector<const char*>& options,
                     const char* label = "", const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Rectangle,
                     EDirection direction = kHorizontal);
  // Deletes the tab texts.
  ~IVTabSwitchControl() override;
  IVTabSwitchControl(const IVTabSwitchControl&) = delete;
  IVTabSwitchControl& operator=(const IVTabSwitchControl&) = delete;

  void Draw(IGraphics& g) override;
  void DrawWidget(IGraphics& g) override;
  virtual void DrawButton(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, ETabSegment segment,
                          bool disabled);
  virtual void DrawButtonText(IGraphics& g, const IRECT& bounds, bool pressed, bool mouseOver, ETabSegment segment,
                              bool disabled, const char* text);
  // The first tab containing the point, or -1.
  virtual int GetButtonForPoint(float x, float y) const;

  void OnResize() override;
  bool IsHit(float x, float y) const override;
  // Without a parameter's texts of its own, takes the parameter's display texts for 0, 1, 2, ...
  void OnInit() override;
  // A click on tab i selects i of numStates - 1 (a single tab is 0); a click outside every tab still
  // makes the control dirty with its action.
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;

  // round((numStates - 1) x value); -1 (no tab) for a value whose product is NaN or past int's range, as SetValue
  // does not clamp.
  int GetSelectedIdx() const;
  // The selected tab's text, or "" when it has none.
  const char* GetSelectedLabelStr() const;
  int GetMouseOverTab() const { return mMouseOverButton; }
  int NTabs() const { return mButtons.GetSize(); }
  const IRECT& GetTabRect(int i) const { return mButtons.Get()[i]; }

 protected:
  bool HasText(int i) const { return mTabLabels.Get(i) != nullptr; }

  int mMouseOverButton = -1;
  FwTypedBuf<IRECT> mButtons;
  // Owned, one per tab that has a text.
  FwPtrList<FwString> mTabLabels;
  EDirection mDirection;

 private:
  void SetUp(const std::vector<const char*>& options, const char* label, const IVStyle& style, EVShape shape);
  void AddTabLabel(const char* text);
};

class IVRadioButtonControl : public IVTabSwitchControl {
 public:
  IVRadioButtonControl(const IRECT& bounds, int paramIdx = -1, const std::vector<const char*>& options = {},
                       const char* label = "", const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Ellipse,
                       EDirection direction = kVertical, float buttonSize = 10.f);
  IVRadioButtonControl(const IRECT& bounds, IActionFunction actionFunc, const std::vector<const char*>& options,
                       const char* label = "", const IVStyle& style = DEFAULT_STYLE, EVShape shape = EVShape::Ellipse,
                       EDirection direction = kVertical, float buttonSize = 10.f);

  void DrawWidget(IGraphics& g) override;
  int GetButtonForPoint(float x, float y) const override;
  // When set, only the button area at the start of each entry takes clicks.
  void SetOnlyButtonsRespondToMouse(bool only) { mOnlyButtonsRespondToMouse = only; }

 private:
  void UseNearAlignment();
  IRECT ButtonArea(const IRECT& entry) const;

  float mButtonSize;
  float mButtonAreaWidth;
  bool mOnlyButtonsRespondToMouse = false;
};

}  // namespace fx::gfx

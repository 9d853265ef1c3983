// Controls that show one string: ITextControl (a filled background with a text, ignoring the mouse) and
// the four built on it: IURLControl (a link that opens a web address), ITextToggleControl (one of two
// strings by its value), ICaptionControl (a parameter's display text, with a drop-down marker for
// enumerations) and PlaceHolder (a layout aid that prints its own position and size). Main thread only.
#pragma once

#include "framework/FwString.h"
#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"

namespace fx::gfx {

class ITextControl : public IControl {
 public:
  ITextControl(const IRECT& bounds, const char* str = "", const IText& text = DEFAULT_TEXT,
               const IColor& bgColor = COLOR_TRANSPARENT, bool setBoundsBasedOnStr = false);

  void OnInit() override;
  void Draw(IGraphics& g) override;

  // Nothing when equal to the current string; otherwise stores it and marks the control dirty.
  virtual void SetStr(const char* str);
  // printf-style (locale-independent), at most maxlen characters.
  virtual void SetStrFmt(int maxlen, const char* fmt, ...) __attribute__((format(printf, 3, 4)));
  virtual void ClearStr() { SetStr(""); }

  const char* GetStr() const { return mStr.Get(); }
  void SetBoxColor(const IColor& color) { mBGColor = color; }

 protected:
  ITextControl(const IRECT& bounds, int paramIdx, IActionFunction actionFunc, const char* str, const IText& text,
               const IColor& bgColor);
  // Resizes the rectangles to the measured string, keeping their centre.
  void SetBoundsBasedOnStr();

  FwString mStr;
  IColor mBGColor;
  bool mSetBoundsBasedOnStr = false;
};

class IURLControl : public ITextControl {
 public:
  IURLControl(const IRECT& bounds, const char* label, const char* url, const IText& text = DEFAULT_TEXT,
              const IColor& bgColor = COLOR_TRANSPARENT, const IColor& mouseOverColor = COLOR_WHITE,
              const IColor& clickedColor = COLOR_BLUE);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  void OnMouseOver(float x, float y, const IMouseMod& mod) override;
  void OnMouseOut() override;
  void SetText(const IText& text) override;
  bool GetClicked() const { return mClicked; }

 private:
  FwString mURLStr;
  IColor mOriginalColor;
  IColor mMOColor;
  IColor mCLColor;
  bool mClicked = false;
};

class ITextToggleControl : public ITextControl {
 public:
  ITextToggleControl(const IRECT& bounds, int paramIdx, const char* offText = "OFF", const char* onText = "ON",
                     const IText& text = DEFAULT_TEXT, const IColor& bgColor = COLOR_TRANSPARENT);
  ITextToggleControl(const IRECT& bounds, IActionFunction actionFunc, const char* offText = "OFF",
                     const char* onText = "ON", const IText& text = DEFAULT_TEXT,
                     const IColor& bgColor = COLOR_TRANSPARENT);

  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // Shows the on string above 0.5, else the off string.
  void SetDirty(bool triggerAction = true, int valIdx = -1) override;

 private:
  FwString mOffText;
  FwString mOnText;
};

class ICaptionControl : public ITextControl {
 public:
  ICaptionControl(const IRECT& bounds, int paramIdx, const IText& text = DEFAULT_TEXT,
                  const IColor& bgColor = COLOR_TRANSPARENT, bool showParamLabel = true);

  void Draw(IGraphics& g) override;
  void OnMouseDown(float x, float y, const IMouseMod& mod) override;
  // An enumerated parameter gets an 8 x 5 point marker centred in the rightmost fifth.
  void OnResize() override;
  const IRECT& GetTriangleRECT() const { return mTri; }

 private:
  bool mShowParamLabel;
  IColor mTriangleColor = COLOR_BLACK;
  IColor mTriangleMouseOverColor = COLOR_WHITE;
  IRECT mTri;
};

class PlaceHolder : public ITextControl {
 public:
  explicit PlaceHolder(const IRECT& bounds, const char* str = "Place Holder");

  void Draw(IGraphics& g) override;
  void OnMouseDblClick(float x, float y, const IMouseMod& mod) override;
  void OnTextEntryCompletion(const char* str, int valIdx) override;
  void OnResize() override;

  const char* GetTLHCStr() const { return mTLHCStr.Get(); }
  const char* GetWidthStr() const { return mWidthStr.Get(); }
  const char* GetHeightStr() const { return mHeightStr.Get(); }
  const IRECT& GetCentreLabelBounds() const { return mCentreLabelBounds; }

 private:
  void DrawLabel(IGraphics& g, const IText& style, const char* str, float x, float y, const IBlend& blend);

  IRECT mCentreLabelBounds;
  FwString mTLHCStr;
  FwString mWidthStr;
  FwString mHeightStr;
  IText mTLHCText = DEFAULT_TEXT;
  IText mWidthText = DEFAULT_TEXT;
  IText mHeightText = DEFAULT_TEXT;
};

}  // namespace fx::gfx

// Small records and enumerations shared by the graphics object, the controls, the renderer and the
// platform layer: colours, blends, text styles, pointer events, gestures and the callback types.
// Plain values: any thread; the callbacks are called on the main thread.
#pragma once

#include <cstdint>
#include <functional>

namespace fx::gfx {

class IControl;
class IPopupMenu;

// A colour as alpha, red, green, blue, each 0..255 (alpha 255 is opaque).
struct IColor {
  int A = 255;
  int R = 0;
  int G = 0;
  int B = 0;

  constexpr IColor() = default;
  constexpr IColor(int a, int r, int g, int b) : A(a), R(r), G(g), B(b) {}
  bool operator==(const IColor&) const = default;
};

enum EBlend : int {
  kBlendDefault = 0,  // source-over
  kBlendSourceIn,
  kBlendSourceOut,
  kBlendSourceAtop,
  kBlendDestOver,
  kBlendDestIn,
  kBlendDestOut,
  kBlendDestAtop,
  kBlendAdd,
  kBlendXOR
};

// How a drawing call is composited; a null blend pointer means source-over at weight 1.
struct IBlend {
  int method = kBlendDefault;
  float weight = 1.f;

  constexpr IBlend() = default;
  constexpr IBlend(int m, float w) : method(m), weight(w) {}
  bool operator==(const IBlend&) const = default;
};

enum EAlign : int { kAlignNear = 0, kAlignCenter = 1, kAlignFar = 2 };
enum EVAlign : int { kVAlignTop = 0, kVAlignMiddle = 1, kVAlignBottom = 2 };

// A text style. The font id names a font loaded through the graphics object (at most 63 characters).
struct IText {
  static constexpr int kFontIDLen = 64;

  char mFont[kFontIDLen] = "Roboto-Regular";
  float mSize = 14.f;
  IColor mFGColor = IColor(255, 0, 0, 0);
  IColor mTextEntryBGColor = IColor(255, 255, 255, 255);
  IColor mTextEntryFGColor = IColor(255, 0, 0, 0);
  float mAngle = 0.f;
  EAlign mAlign = kAlignCenter;
  EVAlign mVAlign = kVAlignMiddle;

  constexpr IText() = default;
  constexpr IText(float size, EVAlign valign) : mSize(size), mVAlign(valign) {}
  // Copies at most 63 characters of `font`; null keeps the current font.
  void SetFont(const char* font);
  bool operator==(const IText& other) const;
};

// Buttons and modifiers of a pointer event; a mouse has touch id 0.
struct IMouseMod {
  bool L = false;
  bool R = false;
  bool S = false;  // shift
  bool C = false;  // control
  bool A = false;  // alt / option
  uint64_t touchID = 0;
  float touchRadius = 0.f;

  // Fine adjustment: control or shift held.
  bool FineAdjust() const { return C || S; }
};

struct IMouseInfo {
  float x = 0.f;
  float y = 0.f;
  float dX = 0.f;
  float dY = 0.f;
  IMouseMod ms;
};

enum EDirection : int { kVertical = 0, kHorizontal = 1 };

// Pointer shapes; the platform maps each to its own cursor.
enum ECursor : int {
  kArrowCursor = 0,
  kIBeamCursor = 1,
  kWaitCursor = 2,
  kCrossCursor = 3,
  kUpArrowCursor = 4,
  kSizeNWSECursor = 5,
  kSizeNESWCursor = 6,
  kSizeWECursor = 7,
  kSizeNSCursor = 8,
  kSizeAllCursor = 9,
  kNoCursor = 10,
  kHandCursor = 11,
  kAppStartingCursor = 12,
  kHelpCursor = 13
};

// What a corner-resizer drag changes.
enum EUIResizerMode : int { kUIResizerScale = 0, kUIResizerSize = 1 };

enum EUIAppearance : int { kUIAppearanceLight = 0, kUIAppearanceDark = 1 };

enum EGestureType : int {
  kGestureUnknown = 0,
  kGestureTap,
  kGestureDoubleTap,
  kGestureTripleTap,
  kGestureLongPress1,
  kGestureLongPress2,
  kGesturePinch,
  kGestureRotate,
  kGestureSwipeLeft,
  kGestureSwipeRight,
  kGestureSwipeUp,
  kGestureSwipeDown
};

enum EGestureState : int { kGestureStateUnknown = 0, kGestureStateBegan, kGestureStateChanged, kGestureStateEnded };

// A recognised gesture at a point in editor points.
struct IGestureInfo {
  float x = 0.f;
  float y = 0.f;
  float scale = 0.f;     // pinch
  float velocity = 0.f;  // pinch and rotate
  float angle = 0.f;     // rotate, degrees
  EGestureState state = kGestureStateUnknown;
  EGestureType type = kGestureUnknown;
};

enum EMsgBoxType : int { kMB_OK = 0, kMB_OKCANCEL, kMB_ABORTRETRYIGNORE, kMB_YESNOCANCEL, kMB_YESNO, kMB_RETRYCANCEL };
enum EMsgBoxResult : int {
  kNoResult = 0,
  kOK = 1,
  kCANCEL = 2,
  kABORT = 3,
  kRETRY = 4,
  kIGNORE = 5,
  kYES = 6,
  kNO = 7
};
enum EFileAction : int { kFileOpen = 0, kFileSave = 1 };
// The style of an installed font asked for by family name.
enum ETextStyle : int { kTextStyleNormal = 0, kTextStyleBold = 1, kTextStyleItalic = 2 };
// kSharedImage: an image the renderer was handed and does not own (never deleted with its bitmap).
enum EResourceLocation : int { kNotFound = 0, kAbsolutePath = 1, kSharedImage = 3 };

using IActionFunction = std::function<void(IControl*)>;
using IAnimationFunction = std::function<void(IControl*)>;
using IPopupFunction = std::function<void(IPopupMenu*)>;
// A gesture handler; the control is null for a handler registered on a screen region.
using IGestureFunction = std::function<void(IControl*, const IGestureInfo&)>;
using IMsgBoxCompletionHandlerFunc = std::function<void(EMsgBoxResult)>;
using IColorPickerHandlerFunc = std::function<void(const IColor&)>;

}  // namespace fx::gfx

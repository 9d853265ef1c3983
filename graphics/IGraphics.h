// The platform-independent editor surface: owns the attached controls and the special controls, maps
// tags, dispatches pointer, key, wheel, drop and gesture events, collects dirty rectangles and draws
// them through the abstract path interface, and keeps the editor's size and scales.
//
// It is abstract: the vector renderer supplies the path, image and text operations and the platform layer
// the window, cursor, menu, text-entry and dialog operations (both marked "renderer" or "platform" below).
// It is the editor view an IGEditorDelegate owns (IGraphicsEditorView.cpp answers the delegate).
// Everything runs on the main thread; nothing here blocks except where a platform operation says so.
#pragma once

#include "graphics/IBitmap.h"
#include "graphics/IControl.h"
#include "graphics/IGraphicsConstants.h"
#include "graphics/IGraphicsTypes.h"
#include "graphics/ILayer.h"
#include "graphics/IMatrix.h"
#include "graphics/IPathOptions.h"
#include "graphics/IPattern.h"
#include "graphics/IPopupMenu.h"
#include "graphics/IRECTList.h"
#include "graphics/PlatformFont.h"

#include "framework/FwPtrList.h"
#include "framework/FwString.h"
#include "framework/FwTypedBuf.h"
#include "framework/IEditorView.h"

#include <cstdint>
#include <deque>
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
}  // namespace fx

namespace fx::gfx {

class IGEditorDelegate;
class IPopupMenuControlBase;
class IBubbleControl;
class ICornerResizerControl;
class IFPSDisplayControl;
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

class IGraphics : public IEditorView {
 public:
  // Held by every event, draw, idle tick, menu or prompt answer and queued block that calls into controls: a
  // control removed while one is held stays whole (out of every list) until the outermost has returned.
  class ControlUse {
   public:
    explicit ControlUse(IGraphics& graphics) : mGraphics(graphics) { ++graphics.mControlUseDepth; }
    ~ControlUse() {
      if (--mGraphics.mControlUseDepth == 0) mGraphics.DeleteRemovedControls();
    }
    ControlUse(const ControlUse&) = delete;
    ControlUse& operator=(const ControlUse&) = delete;

   private:
    IGraphics& mGraphics;
  };

  // Retains the process-wide bitmap and SVG caches for this object's lifetime.
  IGraphics(IGEditorDelegate& dlg, int w, int h, int fps = 0, float scale = 1.f);
  IGraphics(const IGraphics&) = delete;
  IGraphics& operator=(const IGraphics&) = delete;

  // ---- Virtual operations, in the order of their table (renderer and platform supply the pure ones) ----
  // Records the frame time while a frame-time display exists.
  virtual void BeginFrame();
  virtual void InitDrawContext();
  virtual void ReleaseDrawContext();
  virtual void EndFrame();
  // The drawing operations build paths on the path interface (renderers may override any). Every colour becomes a
  // solid pattern; angles are degrees, 0 up, clockwise.
  virtual void DrawSVG(const ISVG& svg, const IRECT& bounds, const IBlend* blend = nullptr,
                       const IColor* strokeColor = nullptr, const IColor* fillColor = nullptr);
  virtual void DrawRotatedSVG(const ISVG& svg, float destCentreX, float destCentreY, float width, float height,
                              double angle, const IBlend* blend = nullptr);
  // Renderers that override it hide the frame form below: they add `using IGraphics::DrawBitmap;`.
  virtual void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend) = 0;
  virtual void DrawFittedBitmap(const IBitmap& bitmap, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void DrawRotatedBitmap(const IBitmap& bitmap, float destCentreX, float destCentreY, double angle,
                                 const IBlend* blend = nullptr);
  virtual void DrawPoint(const IColor& color, float x, float y, const IBlend* blend = nullptr);
  virtual void DrawLine(const IPattern& pattern, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  virtual void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2,
                              const IBlend* blend = nullptr, float thickness = 1.f, float dashLen = 2.f);
  virtual void DrawTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBR, float cRBL,
                             const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawArc(const IPattern& pattern, float cx, float cy, float r, float a1, float a2,
                       const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                           float thickness = 1.f);
  virtual void DrawEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* blend = nullptr, float thickness = 1.f);
  // Nothing for fewer than one point.
  virtual void DrawConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                 const IBlend* blend = nullptr, float thickness = 1.f);
  virtual void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr,
                              float thickness = 1.f, float dashLen = 2.f);
  virtual void FillTriangle(const IColor& color, float x1, float y1, float x2, float y2, float x3, float y3,
                            const IBlend* blend = nullptr);
  virtual void FillRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void FillRoundRect(const IPattern& pattern, const IRECT& bounds, float cornerRadius = 5.f,
                             const IBlend* blend = nullptr);
  virtual void FillRoundRect(const IColor& color, const IRECT& bounds, float cRTL, float cRTR, float cRBR, float cRBL,
                             const IBlend* blend = nullptr);
  virtual void FillCircle(const IColor& color, float cx, float cy, float r, const IBlend* blend = nullptr);
  virtual void FillEllipse(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr);
  virtual void FillEllipse(const IColor& color, float x, float y, float r1, float r2, float angle = 0.f,
                           const IBlend* blend = nullptr);
  // A pie slice from the centre.
  virtual void FillArc(const IColor& color, float cx, float cy, float r, float a1, float a2,
                       const IBlend* blend = nullptr);
  virtual void FillConvexPolygon(const IColor& color, const float* x, const float* y, int nPoints,
                                 const IBlend* blend = nullptr);
  // Fills bounds with the text's extent and returns its width; 0 (bounds untouched) for an empty string.
  virtual float MeasureText(const IText& text, const char* str, IRECT& bounds) const;
  // Renderers without multi-line layout show "Unsupported".
  virtual void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds,
                                 const IBlend* blend = nullptr);
  virtual IColor GetPointColor(const IPattern& pattern, float x, float y) = 0;
  virtual void* GetDrawContext() = 0;
  virtual const char* GetDrawingAPIStr() = 0;
  // A copy drawn at the target scale through a layer, added to the cache; the empty IBitmap for no image, an image
  // of no draw scale above 0, or a target scale of 0 or below.
  virtual IBitmap ScaleBitmap(const IBitmap& inBitmap, const char* name, int targetScale);
  virtual void RetainBitmap(const IBitmap& bitmap, const char* cacheName);
  virtual void ReleaseBitmap(const IBitmap& bitmap);
  virtual bool BitmapExtSupported(const char* ext) = 0;
  virtual void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f,
                                  float roundness = 0.f, float blur = 10.f, const IBlend* blend = nullptr);
  // Inner lines only, every gridSize points; a size of 1 or less draws none in that direction.
  virtual void DrawGrid(const IColor& color, const IRECT& bounds, float gridSizeH, float gridSizeV,
                        const IBlend* blend = nullptr, float thickness = 1.f);
  // Y values 0 (bottom) .. 1 (top); x values the same across the width, or evenly spaced when null.
  virtual void DrawData(const IColor& color, const IRECT& bounds, const float* normYPoints, int nPoints,
                        const float* normXPoints = nullptr, const IBlend* blend = nullptr, float thickness = 1.f,
                        const IColor* fillColor = nullptr);
  virtual bool LoadFont(const char* fontID, const char* fileNameOrResID);
  virtual bool LoadFont(const char* fontID, void* data, int dataSize);
  virtual void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) = 0;
  virtual void ApplyShadowMask(ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) = 0;
  // Makes the top layer (or the main frame) the drawing target.
  virtual void UpdateLayer();
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
  virtual void OnControlDrawn(IControl& control);
  // The renderer's scissor, in untransformed editor points.
  virtual void SetClipRegion(const IRECT& r) = 0;
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
  void* OpenWindow(void* pParent) override = 0;
  void CloseWindow() override = 0;
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
  virtual void PromptForFile(FwString& fileName, FwString& path, EFileAction action = kFileOpen, const char* ext = "",
                             IFileDialogCompletionHandlerFunc completionHandler = nullptr) = 0;
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
  virtual std::unique_ptr<PlatformFont> LoadPlatformFont(const char* fontID, const char* fontName,
                                                         ETextStyle style) = 0;
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
  ~IGraphics() override;
  virtual bool PlatformSupportsMultiTouch() const;
  virtual float GetPlatformWindowScale() const;
  // Sets the view's frame to the editor size times the draw scale.
  virtual void PlatformResize(bool parentHasResized);
  // The renderer rebuilds its surfaces for the new total scale.
  virtual void DrawResize();
  virtual EUIAppearance GetUIAppearance() const;
  // The resource loads run on the main thread; they hold the cache's mutex for their whole length (bitmaps before
  // SVGs when both are held) and may block on it and on file I/O.
  // targetScale 0: the screen scale rounded up. The empty IBitmap when unsupported, not found or that scale is past
  // an int.
  virtual IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false, int targetScale = 0);
  virtual IBitmap LoadBitmap(const char* name, const void* data, int dataSize, int nStates = 1,
                             bool framesAreHorizontal = false, int targetScale = 0);
  // units "px" at 72 dpi is what the product uses. The empty ISVG when missing or unreadable.
  virtual ISVG LoadSVG(const char* fileName, const char* units = "px", float dpi = 72.f);
  // Reads at most dataSize bytes (up to a zero byte; dataSize <= 0: up to the zero byte).
  virtual ISVG LoadSVG(const char* name, const void* data, int dataSize, const char* units = "px", float dpi = 72.f);
  // The whole file found by name and type; empty when missing or unreadable. May block on file I/O.
  virtual FwTypedBuf<uint8_t> LoadResource(const char* fileNameOrResID, const char* fileType);
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
  // Operations of this system's own, after the table's: called before each control's Draw (OnControlDrawn after).
  virtual void OnControlDrawing(IControl& control);

  // ---- Drawing ----
  // Nothing for a null or empty string.
  void DrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr);
  void PathCircle(float cx, float cy, float r);
  // The current transform becomes the identity (the saved transforms are dropped with clearStates).
  void PathTransformReset(bool clearStates = false);
  const IMatrix& GetTransform() const { return mTransform; }
  const IRECT& GetClipRECT() const { return mClipRECT; }

  // Path builders: they neither clear nor stroke. A corner radius that is negative or not finite is 0; any other
  // is used as given, also past half the shorter side.
  void PathRect(const IRECT& bounds);
  void PathRoundRect(const IRECT& bounds, float cRTL, float cRTR, float cRBR, float cRBL);
  void PathRoundRect(const IRECT& bounds, float cornerRadius);
  void PathTriangle(float x1, float y1, float x2, float y2, float x3, float y3);
  // Nothing for fewer than one point.
  void PathConvexPolygon(const float* x, const float* y, int nPoints);
  void PathEllipse(const IRECT& bounds);
  void PathEllipse(float x, float y, float r1, float r2, float angle = 0.f);

  // ---- Text, bitmap frames and lines ----
  void DrawText(const IText& text, const char* str, float x, float y, const IBlend* blend = nullptr);
  // Frame 1..N of a strip (clamped); nothing for an empty bitmap or one without frames.
  void DrawBitmap(const IBitmap& bitmap, const IRECT& bounds, int frame = 1, const IBlend* blend = nullptr);
  // One frame per character (code - 31; frame 1 for codes below the blank, at most N).
  void DrawBitmapedText(const IBitmap& bitmap, const IRECT& bounds, const IText& text, const IBlend* blend,
                        const char* str, bool vCenter = true, bool multiline = false, int charWidth = 6,
                        int charHeight = 12, int charOffset = 0);
  void DrawLineAcross(const IColor& color, const IRECT& bounds, EDirection dir, float pos,
                      const IBlend* blend = nullptr, float thickness = 1.f);
  // y 0..1 from the bottom of bounds.
  void DrawHorizontalLine(const IColor& color, const IRECT& bounds, float y, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  // x 0..1 from the left of bounds, landing on a whole point.
  void DrawVerticalLine(const IColor& color, const IRECT& bounds, float x, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  void DrawVerticalLine(const IColor& color, float xi, float yLo, float yHi, const IBlend* blend = nullptr,
                        float thickness = 1.f);
  void DrawHorizontalLine(const IColor& color, float yi, float xLo, float xHi, const IBlend* blend = nullptr,
                          float thickness = 1.f);
  void DrawRadialLine(const IColor& color, float cx, float cy, float angle, float rMin, float rMax,
                      const IBlend* blend = nullptr, float thickness = 1.f);
  void PathRadialLine(float cx, float cy, float angle, float rMin, float rMax);

  // ---- SVG pictures ----
  // Draws every visible shape of the picture in the current transform.
  void RenderSVG(const ISVG& svg, const IBlend* blend = nullptr, const IColor* strokeColor = nullptr,
                 const IColor* fillColor = nullptr);
  // A paint of a parsed picture as a pattern; opacity 0..1 scales the paint's own alpha.
  static IPattern GetSVGPattern(const svg::SVGPaint& paint, float opacity);

  // ---- Transforms (each change is sent to the renderer at once) ----
  void PathTransformSave();
  // Nothing on an empty stack.
  void PathTransformRestore();
  void PathTransformTranslate(float x, float y);
  void PathTransformScale(float x, float y);
  void PathTransformScale(float scale);
  void PathTransformRotate(float degrees);
  void PathTransformSkew(float xAngle, float yAngle);
  // m acts on points first.
  void PathTransformMatrix(const IMatrix& m);

  // ---- Layers ----
  // Opens a pixel-aligned layer over r and makes it the drawing target.
  void StartLayer(IControl* control, const IRECT& r, bool cacheable = false);
  // Closes the top layer and hands it to the caller (null when none is open).
  ILayerPtr EndLayer();
  // Null is ignored. The owning form keeps the layer until it is popped (the popper then owns it) or this
  // object is destroyed; the borrowing form never frees it.
  void PushLayer(ILayer* layer);
  void PushLayer(ILayerPtr&& layer);
  ILayer* PopLayer();
  // Whether the layer can be drawn unchanged; a layer whose control moved stays invalid.
  bool CheckLayer(const ILayerPtr& layer);
  void DrawLayer(const ILayerPtr& layer, const IBlend* blend = nullptr);
  void DrawFittedLayer(const ILayerPtr& layer, const IRECT& bounds, const IBlend* blend = nullptr);
  void DrawRotatedLayer(const ILayerPtr& layer, double angle);
  // Clips to r within the active layer (or the draw loop's clip); the all-zero rectangle means all of it.
  void PathClipRegion(const IRECT& r = IRECT());
  void ApplyLayerDropShadow(ILayerPtr& layer, const IShadow& shadow);
  int NLayers() const { return static_cast<int>(mLayers.size()); }
  // The current drawing layer, null when drawing goes to the editor's main surface.
  ILayer* GetTopLayer() const { return mLayers.empty() ? nullptr : mLayers.top().layer; }
  // The rotated text's bounding box and the offset that aligns it with bounds.
  void CalculateTextRotation(const IText& text, const IRECT& bounds, IRECT& rect, double& tx, double& ty) const;
  void DoMeasureTextRotation(const IText& text, const IRECT& bounds, IRECT& rect) const;

  // ---- Resources (process-wide caches shared by every graphics object) ----
  // The same resource again at the screen scale rounded up; the empty IBitmap when that is past an int.
  IBitmap GetScaledBitmap(const IBitmap& inBitmap);
  EResourceLocation SearchImageResource(const char* name, const char* type, FwString& result, int targetScale,
                                        int& sourceScale);
  APIBitmap* SearchBitmapInCache(const char* name, int targetScale, int& sourceScale);
  bool LoadFont(const char* fontID, const char* fontName, int style);
  void SetSharedResourcesSubPath(const char* path) { mSharedResourcesSubPath.Set(path ? path : ""); }
  const char* GetSharedResourcesSubPath() const { return mSharedResourcesSubPath.Get(); }

  // ---- Attaching and removing controls ----
  // The graphics object owns the control from here on. A tag >= 0 already in use, or a list that cannot grow,
  // refuses the control: nothing is attached and null is returned (the control stays with the caller). A control
  // this object already holds is left where it is and returned.
  IControl* AttachControl(IControl* control, int tag = -1, const char* group = "");
  // Inserts an owned control at list index 0, under every other control (the backgrounds); deleted, and null
  // returned, when the list cannot grow.
  IControl* AttachBackgroundControl(IControl* control);
  // Takes ownership; a second corner resizer is deleted and nothing changes. Here and in the attach and set
  // operations below, a control this object already holds changes nothing.
  void AttachCornerResizer(ICornerResizerControl* control, EUIResizerMode sizeMode = kUIResizerScale,
                           bool layoutOnResize = false);
  // Take ownership; a second one is deleted and nothing changes.
  void AttachPopupMenuControl(IPopupMenuControlBase* control);
  void AttachTextEntryControl(ITextEntryControlBase* control);
  void RemovePopupMenuControl();
  void RemoveTextEntryControl();
  // Appends an owned value bubble (null is ignored).
  void AttachBubbleControl(IBubbleControl* control);
  // Owns the frame-time display (null removes it); frame times are recorded while it exists.
  void SetPerfDisplay(IFPSDisplayControl* control);
  // Owns the control that shows tooltips over the editor (null removes it): drawn after every other control, it
  // takes no events. The platform graphics attach one when they first show a tooltip.
  void SetToolTipControl(IControl* control);
  IControl* GetToolTipControl() const { return mToolTipControl.get(); }
  // The stock backgrounds, inserted at list index 0: a bitmap, an SVG picture, a filled panel.
  void AttachBackground(const char* fileName);
  void AttachSVGBackground(const char* fileName);
  void AttachPanelBackground(const IPattern& pattern);
  // Builds the stock corner resizer (a square of `size` points at the bottom-right corner).
  void AttachCornerResizer(EUIResizerMode sizeMode = kUIResizerScale, bool layoutOnResize = false,
                           const IColor& color = COLOR_TRANSLUCENT, const IColor& mouseOverColor = COLOR_BLACK,
                           const IColor& dragColor = COLOR_BLACK, float size = 20.f);
  // Appends a stock value bubble with this text style.
  void AttachBubbleControl(const IText& text = DEFAULT_TEXT);
  // Shows str in a bubble beside the caller; nothing when no bubble is attached.
  void ShowBubbleControl(IControl* caller, float x, float y, const char* str, EDirection dir = kHorizontal,
                         IRECT minimumContentBounds = IRECT());
  // Creates the frame-time display at (10, 10, 210, 60) or deletes it.
  void ShowFPSDisplay(bool enable);
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
  int NControls() const { return mControls.GetSize(); }
  int GetControlIdx(const IControl* control) const;
  IControl* GetControlWithParamIdx(int paramIdx) const;
  bool ControlIsCaptured() const { return !mCapturedMap.empty(); }
  bool ControlIsCaptured(const IControl* control) const;
  int NCapturedControls() const { return static_cast<int>(mCapturedMap.size()); }
  // Each control of the list, in order.
  void ForStandardControlsFunc(const IControlFunction& func);
  // The list, then the frame-time display, corner resizer, text entry and popup menu, then the bubbles, then the
  // tooltip control.
  void ForAllControlsFunc(const IControlFunction& func);
  // Calls the control operation `method` with `args` on every control, in ForAllControlsFunc's order.
  template <typename Method, typename... Args>
  void ForAllControls(Method method, Args... args) {
    ForAllControlsFunc([&](IControl* control) { (control->*method)(args...); });
  }
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

  // ---- The editor view, for the delegate (main thread, under the delegate's editor lock) ----
  Size GetEditorSize() const override;
  void RestoreEditorSize(const Size& size) override;
  // A window scale that is not a positive number counts as 1.
  void ResizeToParentWindow(int width, int height) override;
  void ChangeScreenScale(float scale) override;
  bool KeyDownAtPointer(const IKeyPress& key) override;
  bool KeyUpAtPointer(const IKeyPress& key) override;
  void SetControlValueFromDelegate(int ctrlTag, double normalizedValue) override;
  void SendControlMsgFromDelegate(int ctrlTag, int msgTag, int dataSize, const void* data) override;
  void SendMidiMsgToControls(const IMidiMsg& msg) override;
  void SetParameterValueInControls(int paramIdx, double normalizedValue) override;

  // ---- Draw loop ----
  // Runs the display tick and animations, then appends the padded rectangles of dirty controls.
  bool IsDirty(IRECTList& rects);
  // Draws the collected rectangles between BeginFrame and EndFrame; nothing for an empty list.
  void Draw(IRECTList& rects);
  // Draws every control that has a region in bounds (pixel-aligned at scale), in ForAllControlsFunc's order; a
  // control wholly hidden behind opaque ones in front of it is left out.
  void Draw(const IRECT& bounds, float scale);
  // Draws one control clipped to its region in bounds, when it has one there.
  void DrawControl(IControl* control, const IRECT& bounds, float scale);

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
  // What the next corner drag changes; a corner resizer sets it when a drag or double click begins.
  void SetResizerMode(EUIResizerMode mode) { mGUISizeMode = mode; }
  int Width() const { return mWidth; }
  int Height() const { return mHeight; }
  int WindowWidth() const;
  int WindowHeight() const;
  // A window length in whole pixels, truncated; 0 for one past an int (a scale limit of 1e30) or no number, a
  // window no platform makes.
  static int WholePixels(double length);
  int FPS() const { return mFPS; }
  float GetScreenScale() const { return mScreenScale; }
  float GetDrawScale() const { return mDrawScale; }
  // The offset at which the finished frame is shown in the view, in points (the platform sets it).
  void SetTranslation(float x, float y) {
    mXTranslation = x;
    mYTranslation = y;
  }
  float GetTranslationX() const { return mXTranslation; }
  float GetTranslationY() const { return mYTranslation; }
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
  // The control under the point, if any, gets the wheel.
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
  void GetMouseDownPoint(float& x, float& y) const {
    x = mMouseDownX;
    y = mMouseDownY;
  }
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
  // The number of the latest menu request (each popup request takes the next), and the menu of request `request`
  // while it waits for its answer: null once it is answered, another request has come, or the control that asked
  // (the owner of its menu) is removed.
  uint64_t PopupMenuRequest() const { return mMenuRequest; }
  IPopupMenu* PendingPopupMenu(uint64_t request) const { return request == mMenuRequest ? mPendingMenu : nullptr; }
  IControl* GetControlInTextEntry() const { return mInTextEntry; }
  void ClearInTextEntryControl() { mInTextEntry = nullptr; }
  IControl* GetControlInPopupMenu() const { return mInPopupMenu; }

  // ---- Special controls ----
  IPopupMenuControlBase* GetPopupMenuControl() const { return mPopupControl.get(); }
  ITextEntryControlBase* GetTextEntryControl() const { return mTextEntryControl.get(); }
  ICornerResizerControl* GetCornerResizer() const { return mCornerResizer.get(); }
  IFPSDisplayControl* GetPerfDisplay() const { return mPerfDisplay.get(); }
  int NBubbleControls() const { return mBubbleControls.GetSize(); }
  IBubbleControl* GetBubbleControl(int idx) const;

  IGEditorDelegate* GetDelegate() const { return mDelegate; }
  // What the platform view draws through (the renderer's drawing layer), from the view's attach to its close.
  void* GetPlatformContext() const { return mPlatformContext; }
  void SetPlatformContext(void* context) { mPlatformContext = context; }
  ECursor GetCursorType() const { return static_cast<ECursor>(mCursorType); }
  bool CursorIsHidden() const { return mCursorHidden; }
  // Whether the pointer's events come from a tablet pen (set by the platform view per event): the cursor is then
  // never moved or held.
  void SetTabletInput(bool tablet) { mTabletInput = tablet; }

 protected:
  void SetCursorHidden(bool hidden) { mCursorHidden = hidden; }
  // A hidden cursor is locked when it is held where it was hidden for the length of the drag.
  bool CursorIsLocked() const { return mCursorLock; }
  void SetCursorLock(bool lock) { mCursorLock = lock; }
  bool TabletInput() const { return mTabletInput; }
  // The cursor position last stored by the platform, in editor points.
  float CursorX() const { return mCursorX; }
  float CursorY() const { return mCursorY; }
  void SetCursorPosition(float x, float y) {
    mCursorX = x;
    mCursorY = y;
  }
  // Forgets the host edits that a press or a pending value menu opened, without ending them: for the destructors,
  // which may run inside the delegate's own destruction, where calling it is no longer possible. Closing the
  // editor (RemoveAllControls) ends them instead.
  void DropOpenEdits() {
    mOpenEdits.clear();
    mPopupEdits.clear();
  }
  void DoCreatePopupMenu(IControl& control, IPopupMenu& menu, const IRECT& bounds, int valIdx, bool isContext);

 private:
  // The end of both LoadBitmap forms, under the bitmap cache's lock: the image in hand (null: the empty
  // IBitmap) at the target scale, drawn at it when it has another; an image just loaded joins the cache.
  IBitmap FinishLoadBitmap(APIBitmap* inHand, std::unique_ptr<APIBitmap> loaded, const char* name, int nStates,
                           bool framesAreHorizontal, int targetScale);
  void RetainStaticStorage();
  void ReleaseStaticStorage();
  IRECT LayerOrClipArea() const;
  // owner is null for a borrowed layer, else the same layer as layer.
  void PushStackedLayer(ILayer* layer, ILayerPtr&& owner);
  void ConnectControl(IControl& control);
  void InitControl(IControl& control);
  void ForgetControl(IControl* control);
  // Deletes a control this object has let go of (null is ignored), or keeps it for DeleteRemovedControls while a
  // ControlUse is held.
  void DeleteControl(IControl* control);
  void DeleteRemovedControls();
  // Whether the control is attached here: in the list, as a special control or as a bubble.
  bool Holds(const IControl* control) const;
  void Reclaim(const IControl* control);
  void EndEdits(std::vector<int>& params);
  void EndEditsOfTouch(uint64_t touchID);
  // The pixel-aligned part of bounds the control draws in (its padded rectangle, within its ancestors'); false
  // when it draws nothing there (hidden, or outside).
  bool DrawRegionOf(IControl* control, const IRECT& bounds, float scale, IRECT& clip) const;
  // The whole device pixels inside r; empty when there are none.
  static IRECT InnerPixels(const IRECT& r, float scale);
  // Whether the opaque cover collected so far hides all of region; what it leaves is in mUncovered.
  bool IsCovered(const IRECT& region);
  void DrawControl(IControl* control, const IRECT& clip);
  IRECT DirtyRectOf(IControl& control) const;
  void BeginInformHostOfBoundParams(IControl& control, uint64_t touchID);
  IControl* SpecialControlAt(float x, float y) const;
  void ResetPromptMenu();
  // True when the in-editor menu shows or closes and the request was answered with no choice.
  bool AnswerWhileMenuBusy(IControl& control, int valIdx, bool isContext);

  // A control the draw loop is about to draw in a region, with the region (the control is null when it is left out)
  // and, when it is drawn piecewise instead, its pieces in its level's pieces.
  struct DrawEntry {
    IControl* control;
    IRECT clip;
    int firstPiece;
    int pieces;
  };
  static constexpr int kMaxDrawPieces = 8;
  static constexpr std::size_t kMaxCoverPieces = 64;

  // A pushed layer; owner holds it when it came through the owning push (or StartLayer), so a layer still
  // pushed when this object goes is freed, while a borrowed one stays with whoever pushed it.
  struct StackedLayer {
    ILayer* layer;
    ILayerPtr owner;
  };

  // Owned. The rule every path keeps: a removed control leaves every list and handle at once (ForgetControl: the
  // captures, the mouse-over, the menu and text-entry callers, the pending menu, bubble callers, container lists, the
  // draw lists; the menu and text entry showing for it close), and is deleted only when the outermost event, draw,
  // idle tick or queued block that could still hold it has returned (mRemovedControls, emptied when
  // mControlUseDepth is back to 0); whatever answers later finds its control through those handles. No handle takes
  // a control that is not held (Holds) any more: its menu request is answered with no choice at once, and it gets no
  // text entry, bubble or mouse-over.
  FwPtrList<IControl> mControls;
  std::unordered_map<int, IControl*> mCtrlTags;
  std::unique_ptr<ICornerResizerControl> mCornerResizer;
  FwPtrList<IBubbleControl> mBubbleControls;
  std::unique_ptr<IPopupMenuControlBase> mPopupControl;
  std::unique_ptr<IFPSDisplayControl> mPerfDisplay;
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
  IKeyHandlerFunc mKeyHandlerFunc;
  IDisplayTickFunc mDisplayTickFunc;
  IUIAppearanceChangedFunc mAppearanceChangedFunc;
  IGEditorDelegate* mDelegate;
  bool mCursorHidden = false;
  std::stack<StackedLayer> mLayers;
  IRECT mClipRECT;
  IMatrix mTransform;
  std::stack<IMatrix> mTransformStates;

  // This system's own state beside the fields above.
  // The platform's cursor state: a hidden cursor held in place, tablet input, the position last stored.
  bool mCursorLock = false;
  bool mTabletInput = false;
  float mCursorX = -1.f;
  float mCursorY = -1.f;
  // Scratch of the draw loop, kept to spare the allocations: per nesting level (a control's Draw may draw the
  // region again), the controls of a region and their pieces; the opaque rectangles in front of the one looked at,
  // and the pieces of its region they leave.
  struct DrawLevel {
    std::vector<DrawEntry> entries;
    std::vector<IRECT> pieces;
  };
  std::deque<DrawLevel> mDrawLevels;
  std::size_t mDrawDepth = 0;
  IRECTList mMergedPieces;
  std::vector<IRECT> mOpaqueCover;
  std::vector<IRECT> mUncovered;
  std::vector<IRECT> mPieces;
  // The ControlUse nesting depth, and the controls removed while it was above 0.
  int mControlUseDepth = 0;
  std::vector<std::unique_ptr<IControl>> mRemovedControls;
  // Removals so far: a walk over the list notices that its callback removed controls.
  uint64_t mRemovals = 0;
  // The latest popup request: its number, its menu while it waits for an answer, and the control that owns that
  // menu (null for the prompt menu, which this object owns).
  uint64_t mMenuRequest = 0;
  IPopupMenu* mPendingMenu = nullptr;
  IControl* mMenuOwner = nullptr;
  std::unique_ptr<IControl> mToolTipControl;
  float mXTranslation = 0.f;
  float mYTranslation = 0.f;
  // The parameters whose host edit a press opened, per touch, and those handed to a pending popup menu:
  // every begin-edit gets exactly one end-edit, whichever way the gesture ends.
  std::unordered_map<uint64_t, std::vector<int>> mOpenEdits;
  std::vector<int> mPopupEdits;
  // Whether the frame-time display has timed a frame since it was made (mPrevTimestamp is that frame's time).
  bool mFrameTimed = false;
  FwString mSharedResourcesSubPath;
  void* mPlatformContext = nullptr;
};

}  // namespace fx::gfx

// The editor's drawing back end: the graphics core's path interface, frames, bitmaps, layers and text on the vector
// renderer, whose GPU side is reached through the back end's framebuffer functions (GVRBackend.h). Every frame is
// drawn into an off-screen main framebuffer and then shown in the view as one textured rectangle. The class is
// abstract: the platform class derives from it and supplies the window, cursor, menus and dialogs.
//
// Everything runs on the main thread. Framebuffers released while a frame is open are deleted after its final flush.
// Locks, always in this order: the process-wide font-data cache, the bitmap cache, the framebuffer mutex.
#pragma once

#include <vector>

#include "framework/FwMutex.h"
#include "graphics/IFontFileData.h"
#include "graphics/IGraphics.h"
#include "graphics/StaticStorage.h"
#include "graphics/vector/GVRBackend.h"
#include "graphics/vector/PathExtent.h"

namespace fx::gfx {

// Font bytes registered with the renderer, shared by every editor in the process and keyed by font id at scale 1.
// Each IGraphicsVector retains it; the entries are deleted when the last one lets go. Under its own mutex.
StaticStorage<IFontFileData>& FontDataCache();

class IGraphicsVector : public IGraphics {
 public:
  // An image of the renderer: loaded from a file or encoded memory, made from RGBA pixels, or the image of an
  // off-screen framebuffer (a layer). Deleting it deletes the image unless it is shared; a framebuffer outlives a
  // frame that is open when its bitmap goes.
  class Bitmap : public APIBitmap {
   public:
    // A loaded image of the named resource; its size is asked of the renderer (0 x 0 for image 0). The name is
    // not kept: the core's bitmap and the cache key hold it.
    Bitmap(VRcontext* ctx, const char* name, int scale, int image, bool shared);
    Bitmap(VRcontext* ctx, int width, int height, const unsigned char* pixels, float scale, float drawScale);
    // A framebuffer cleared to transparent; image 0 when the back end could not make it. Leaves it bound.
    Bitmap(IGraphicsVector* graphics, VRcontext* ctx, int width, int height, float scale, float drawScale);
    ~Bitmap() override;

    GVRframebuffer* GetFramebuffer() const { return mFramebuffer; }

   private:
    IGraphicsVector* mGraphics = nullptr;
    VRcontext* mVG;
    GVRframebuffer* mFramebuffer = nullptr;
    bool mShared = false;
  };

  // Main thread, from the platform class's constructor and destructor; they retain and release the font-data cache.
  IGraphicsVector(IGEditorDelegate& dlg, int w, int h, int fps, float scale);
  ~IGraphicsVector() override;

  // ---- Context and frames (main thread) ----
  using IGraphics::InitDrawContext;
  // Creates the renderer on the platform's drawing layer (anti-aliased, three buffer sets). A failure leaves no
  // context, and then nothing is drawn.
  void InitDrawContext(void* layer);
  // Removes every control, then deletes the cached bitmaps, the main framebuffer and the context.
  void ReleaseDrawContext() override;
  // Binds the main framebuffer and begins a renderer frame at the screen scale. vrBeginFrame may block in the back
  // end until a buffer set is free.
  void BeginFrame() override;
  // Flushes into the main framebuffer, draws it into the view at the drawing translation, then deletes the
  // framebuffers released during the frame.
  void EndFrame() override;
  void* GetDrawContext() override { return mVG; }
  // Between the two, strokes of a solid colour that differ only in their paths are drawn as one (the renderer
  // draws each sub-path's strip as it would alone, in order): a control's many ticks or lines cost one draw.
  void OnControlDrawing(IControl& control) override;
  void OnControlDrawn(IControl& control) override;
  const char* GetDrawingAPIStr() override { return "vector | Vulkan"; }
  bool BitmapExtSupported(const char* ext) override;
  // Reading pixels back is not supported: opaque black.
  IColor GetPointColor(const IPattern& pattern, float x, float y) override;
  int AlphaChannelComponent() const override { return 3; }
  bool FlippedBitmap() const override { return false; }

  // ---- Path interface (main thread, inside a frame) ----
  void PathClear() override;
  void PathClose() override;
  void PathArc(float cx, float cy, float r, float a1, float a2, EWinding winding = kWindingCW) override;
  void PathMoveTo(float x, float y) override;
  void PathLineTo(float x, float y) override;
  void PathSetWinding(bool clockwise) override;
  void PathCubicBezierTo(float c1x, float c1y, float c2x, float c2y, float x2, float y2) override;
  void PathQuadraticBezierTo(float cx, float cy, float x2, float y2) override;
  // Dashes are not drawn: a dashed stroke is solid. A pattern that cannot be painted strokes nothing.
  void PathStroke(const IPattern& pattern, float thickness, const IStrokeOptions& options = IStrokeOptions(),
                  const IBlend* blend = nullptr) override;
  void PathFill(const IPattern& pattern, const IFillOptions& options = IFillOptions(),
                const IBlend* blend = nullptr) override;
  // The draw scale, then the offset of the current layer, then the matrix.
  void PathTransformSetMatrix(const IMatrix& matrix) override;
  void SetClipRegion(const IRECT& r) override;
  // A dash length that is not a positive number draws nothing.
  void DrawDottedLine(const IColor& color, float x1, float y1, float x2, float y2, const IBlend* blend = nullptr,
                      float thickness = 1.f, float dashLen = 2.f) override;
  void DrawDottedRect(const IColor& color, const IRECT& bounds, const IBlend* blend = nullptr, float thickness = 1.f,
                      float dashLen = 2.f) override;
  void DrawFastDropShadow(const IRECT& innerBounds, const IRECT& outerBounds, float xyDrop = 5.f, float roundness = 0.f,
                          float blur = 10.f, const IBlend* blend = nullptr) override;

  // ---- Bitmaps and layers (main thread) ----
  using IGraphics::DrawBitmap;
  // A bitmap whose image no longer exists draws nothing.
  void DrawBitmap(const IBitmap& bitmap, const IRECT& dest, int srcX, int srcY, const IBlend* blend) override;
  // Loads into this object's own cache under the scale the file was found at; holds the cache's mutex throughout and
  // may block on file I/O.
  IBitmap LoadBitmap(const char* name, int nStates = 1, bool framesAreHorizontal = false, int targetScale = 0) override;
  // An image from encoded memory at the target scale (0: the screen scale rounded up): made at scale 1 and, for
  // another target, drawn into a copy at it; what is returned stays in this object's cache under (name, its scale).
  // The empty IBitmap for an unsupported extension or no data, or when the copy cannot be made.
  IBitmap LoadBitmap(const char* name, const void* data, int dataSize, int nStates = 1,
                     bool framesAreHorizontal = false, int targetScale = 0) override;
  // Bitmaps live in this object's cache, not the core's process-wide one: these keep and free them there.
  void RetainBitmap(const IBitmap& bitmap, const char* cacheName) override;
  void ReleaseBitmap(const IBitmap& bitmap) override;
  APIBitmap* LoadAPIBitmap(const char* fileNameOrResID, int scale, EResourceLocation location,
                           const char* ext) override;
  APIBitmap* LoadAPIBitmap(const char* name, const void* data, int dataSize, int scale) override;
  // A framebuffer bitmap; inside a frame, drawing then goes on into the same target with the same state.
  APIBitmap* CreateAPIBitmap(int width, int height, float scale, double drawScale, bool cacheable = false) override;
  // Re-creates the main framebuffer at the editor's pixel size.
  void DrawResize() override;
  void UpdateLayer() override;
  // Reads the layer's pixels (RGBA, straight rows); may block until the GPU has drawn them.
  void GetLayerBitmapData(const ILayerPtr& layer, RawBitmapData& data) override;
  void ApplyShadowMask(ILayerPtr& layer, RawBitmapData& mask, const IShadow& shadow) override;

  // ---- Text (main thread) ----
  // Registers the font's bytes with the renderer, reading them from the platform font only the first time the id is
  // loaded in the process. Holds the font-data cache's mutex throughout.
  bool LoadAPIFont(const char* fontID, const PlatformFontPtr& font) override;
  float DoMeasureText(const IText& text, const char* str, IRECT& bounds) const override;
  void DoDrawText(const IText& text, const char* str, const IRECT& bounds, const IBlend* blend = nullptr) override;
  // Wraps the text into the width of bounds; the rows are aligned as one block.
  void DrawMultiLineText(const IText& text, const char* str, const IRECT& bounds,
                         const IBlend* blend = nullptr) override;

 private:
  // Starts a new path in the renderer and forgets the extent of the last one.
  void BeginPath();
  // After a fill or stroke, drawn or left out: clears the path, or keeps it as the renderer keeps a drawn one.
  void EndPathUse(bool preserve);
  void SeparateFromHeldStrokes();
  // Holds the stroke just set up instead of drawing it; draws the held ones first when this one differs.
  void HoldStroke();
  void DrawHeldStrokes();
  static bool SameStroke(const VRstate& a, const VRstate& b);
  // A point in the current user space in the renderer's frame units.
  void FramePoint(float x, float y, float& fx, float& fy) const;
  // Adds a point given in the current user space to the path's extent.
  void AddCorner(float x, float y, bool move);
  void AddCurvePoint(float x, float y);
  // The scissor's box with room for anti-aliasing and outset (frame units) around it; false when nothing can be
  // left out: no scissor, no path bounds, or a composite operation that changes pixels outside the scissor.
  bool ScissorRoom(float outset, IRECT& room) const;
  // Whether the path lies outside the scissor's room: drawing it would change no pixel, while costing every pixel
  // it covers (the renderer applies the scissor per pixel).
  bool PathHiddenByScissor(float outset) const;
  // False when the fill would change no pixel; a rectangle reaching out of the scissor's room is cut down to it.
  bool TrimFillToScissor(const IFillOptions& options);
  void SetFillWinding(const IFillOptions& options);
  // The editor's size in whole points at the draw scale.
  float WindowWidthPoints() const;
  float WindowHeightPoints() const;
  // Binds the top layer's framebuffer (or the main one) and begins a renderer frame of its size.
  void BindDrawTarget();
  // Deleted at once outside a frame, after the frame inside one.
  void QueueFramebufferDelete(GVRframebuffer* fb);
  // Deletes the framebuffers released during the frame, last released first.
  void ClearFramebufferStack();
  // The composite operation of the blend's method: 0 to 7 the Porter-Duff operations of the same number, 8 (add) one
  // plus one on premultiplied colour, 9 exclusive-or; a null blend is source-over; any other method changes nothing.
  static void SetBlendMode(VRcontext* ctx, const IBlend* blend);
  // A linear or radial gradient from the first to the last stop. Pattern space runs from 0 at the transform's origin
  // to 1 along y (linear) or out to the radius (radial, inner radius = the first stop's offset). A singular transform,
  // or one whose inverse overflows, gives a paint whose geometry is not finite (PaintIsFinite): nothing to draw with.
  static VRpaint MakePaint(VRcontext* ctx, const IPattern& pattern, const IBlend* blend);
  // Straight (not premultiplied) colour, each channel over 255, alpha times the blend weight.
  static VRcolor MakeColor(const IColor& color, const IBlend* blend);
  // Adds the rectangle to the renderer's path as a closed sub-path.
  static void AddRect(VRcontext* vg, const IRECT& r);
  // Sets the current paint of a fill or stroke; false when the pattern cannot be painted.
  bool SetPathPaint(const IPattern& pattern, const IBlend* blend, bool stroke);
  void PrepareText(const IText& text, const char* str, IRECT& r, double& x, double& y) const;

  bool mInDraw = false;
  FwMutex mFramebufferMutex;
  std::vector<GVRframebuffer*> mFramebufferDeletions;
  StaticStorage<APIBitmap> mBitmapCache;
  VRcontext* mVG = nullptr;
  GVRframebuffer* mMainFramebuffer = nullptr;
  PathExtent mPath;
  // The path's geometry was made by a fill or stroke that kept the path: the renderer would reuse it.
  bool mPathFlattened = false;
  // Strokes held back: their paths are the renderer's path commands before end, drawn with state.
  struct HeldStrokes {
    int count = 0;
    int end = 0;
    VRstate state{};
  };
  bool mHoldStrokes = false;
  HeldStrokes mHeld;
  std::vector<float> mPathTail;
};

}  // namespace fx::gfx

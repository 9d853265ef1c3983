// Fuzz target for the editor's graphics and its controls. The input is a script of operations on the product's
// editor, open on the headless window back end with the recording renderer back end and manual clocks: attach
// every kind of stock control, the graphics core's own controls, the in-editor menu and text entry and the
// product's controls; remove one, a container, its child or all, from outside and from inside the controls' own
// action, draw, event and animation hooks; attach an object twice or where another stands; open and answer menus,
// text entries, value and colour prompts; pointer, wheel, key and drag events anywhere; frames, nested draws,
// rescaling, resizing, idle ticks, closing and reopening. Every number comes from a table of extremes mixed with
// ordinary values. A crash, a sanitizer report or a broken promise (Check) is a finding.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "controls/IBitmapControls.h"
#include "controls/IPopupMenuControl.h"
#include "controls/ISVGControls.h"
#include "controls/ITextEntryControl.h"
#include "controls/IVButtonControls.h"
#include "controls/IVColorSwatchControl.h"
#include "controls/IVGroupControl.h"
#include "controls/IVKnobControl.h"
#include "controls/IVMenuButtonControl.h"
#include "controls/IVPlotControl.h"
#include "controls/IVSliderControl.h"
#include "controls/IVTabSwitchControl.h"
#include "controls/IVTrackControls.h"
#include "controls/IVXYPadControl.h"
#include "controls/InEditorControls.h"
#include "editor/EditorPlainControls.h"
#include "editor/IBSwitchControlLW.h"
#include "editor/IBUpdateControlLW.h"
#include "editor/ISBCornerResizerControlLW.h"
#include "editor/ISBInfoMenuLW.h"
#include "editor/IVKnobControlLW.h"
#include "editor/IVMeterControlLW.h"
#include "editor/IVModViewControlLW.h"
#include "editor/IVSliderControlLW.h"
#include "editor/KelvadruneLayout.h"
#include "framework/IKeyPress.h"
#include "framework/IMidiMsg.h"
#include "framework/IParam.h"
#include "graphics/IBitmapControl.h"
#include "graphics/IBubbleControl.h"
#include "graphics/ICornerResizerControl.h"
#include "graphics/IFPSDisplayControl.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/IPanelControl.h"
#include "graphics/ISVGControl.h"
#include "graphics/ITextControl.h"
#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "graphics/platform/IGraphicsLinux.h"
#include "graphics/platform/IGraphicsView.h"
#include "platform/runloop/Clock.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Window.h"
#include "plugin/Kelvadrune.h"
#include "tests/graphics/vector/RecordingBackend.h"
#include "tests/support/TempDataHome.h"

namespace {

using namespace fx::gfx;
namespace pw = platform::window;

// Faults already known and being mended: while a bit is set, the operations step around exactly that path, so
// fuzzing reaches past it. Each bit is cleared once its mend is in; the environment variable
// KD_FUZZ_AVOID_KNOWN (a number, 0 for none) overrides the set for a run.
enum KnownFault : unsigned {
  // A control removed while its in-editor menu or text entry shows, its native menu waits in the main queue, or
  // its value prompt is being answered.
  kRemoveWhilePrompting = 1u << 0,
  // A control's Draw that attaches controls or draws the editor again.
  kDrawAttachesOrRedraws = 1u << 1,
  // An attached control, corner resizer, popup menu control or frame-time display attached again.
  kAttachTwice = 1u << 2,
  // Removing controls from inside ForControlInGroup and ForControlWithParam.
  kRemoveInsideForEach = 1u << 3,
  // ScaleBitmap to scale 0.
  kScaleBitmapZero = 1u << 4,
  // A value that is not finite or huge reaching a tab switch's or bitmap control's frame.
  kWildFrameValue = 1u << 5,
  // Found by this target: the text entry control, tooltip control or a bubble attached again where it stands, or an
  // attached control attached again as a background.
  kAttachSpecialTwice = 1u << 6,
  // UpdatePeers with a null caller.
  kNullPeerCaller = 1u << 7,
  // A screen, draw or window scale far from ordinary (1e10, 1e-38) reaching an integer or the renderer's
  // tessellation.
  kWildScale = 1u << 8,
  // A control drawing through a layer whose rectangle is no number (a layer of no size).
  kLayerRectNoNumber = 1u << 9,
};
constexpr unsigned kKnownOpenFaults = 0;

unsigned Avoided() {
  static const unsigned avoided = [] {
    const char* text = std::getenv("KD_FUZZ_AVOID_KNOWN");
    return text ? static_cast<unsigned>(std::strtoul(text, nullptr, 0)) : kKnownOpenFaults;
  }();
  return avoided;
}
bool Avoid(KnownFault fault) {
  return (Avoided() & fault) != 0;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

// ---- The input, read as a script ----

// Floats at the edges of what the type allows (1e300 cut to float is infinity), then ordinary ones.
const float kExtremes[] = {0.f,
                           -0.f,
                           1.f,
                           -1.f,
                           std::numeric_limits<float>::quiet_NaN(),
                           std::numeric_limits<float>::infinity(),
                           -std::numeric_limits<float>::infinity(),
                           1e-38f,
                           -1e-38f,
                           1e10f,
                           -1e10f,
                           FLT_MAX,
                           -FLT_MAX,
                           std::numeric_limits<float>::denorm_min(),
                           0.5f,
                           2.f};
constexpr int kNumExtremes = static_cast<int>(sizeof(kExtremes) / sizeof(kExtremes[0]));

class Script {
 public:
  void Reset(const uint8_t* data, size_t size) {
    mData = data;
    mSize = size;
    mPos = 0;
  }
  bool Done() const { return mPos >= mSize; }
  uint8_t Byte() { return Done() ? 0 : mData[mPos++]; }
  bool Flag() { return (Byte() & 1) != 0; }
  // 0 .. n-1.
  int Below(int n) { return n <= 1 ? 0 : static_cast<int>(Byte()) % n; }
  // An extreme, or an ordinary number spread over lo .. hi.
  float Number(float lo, float hi) {
    const uint8_t b = Byte();
    if (b < kNumExtremes) return kExtremes[b];
    return lo + (hi - lo) * static_cast<float>(b - kNumExtremes) / static_cast<float>(255 - kNumExtremes);
  }
  // A position in the 640 x 480 point editor and a little beyond.
  float X() { return Number(-20.f, 660.f); }
  float Y() { return Number(-20.f, 500.f); }
  float Size() { return Number(0.f, 300.f); }
  // A control value: mostly 0..1 and a little outside.
  double Value() { return Number(-0.1f, 1.1f); }
  float Scale() { return Number(0.1f, 4.5f); }
  // A scale for the editor, kept ordinary while that fault is open.
  float EditorScale();
  IRECT Rect() {
    const float l = X();
    const float t = Y();
    return IRECT(l, t, l + Size(), t + Size());
  }
  // A short text: empty, plain, a number, long, or UTF-8.
  std::string Text() {
    static const char* const kTexts[] = {"",
                                         "a",
                                         "12.5",
                                         "-3",
                                         "nan",
                                         "inf",
                                         "1e300",
                                         "Init",
                                         "\xc3\xa9t\xc3\xa9",
                                         "\xf0\x9f\x8e\x9b",
                                         "a long text that goes on beyond any field's width",
                                         "0"};
    return kTexts[Below(static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0])))];
  }
  // A parameter index of the product, one past either end included.
  int Param() { return Below(kNumParams + 3) - 1; }

 private:
  const uint8_t* mData = nullptr;
  size_t mSize = 0;
  size_t mPos = 0;
};

Script gIn;

float Script::EditorScale() {
  const float scale = Scale();
  return Avoid(kWildScale) && !(scale >= 0.1f && scale <= 8.f) ? 1.f : scale;
}

// ---- The environment: one product, its editor on the headless back end, manual clocks ----

// A drawing layer whose renderer is the recording back end; every flush finishes a frame, whose recording is
// dropped so the process does not grow. The finished frames are at most 8 x 8 pixels: their contents are never
// looked at, and full-size ones would take most of the time.
class FuzzDrawingLayer final : public IGraphicsDrawingLayer {
 public:
  RecordingBackend backend;
  void* RendererLayer() override { return &backend; }
  void SetDrawableSize(double w, double h, double scale) override {
    mWidth = std::isfinite(w * scale) ? static_cast<int>(std::fmin(std::fmax(w * scale, 0.0), 4096.0)) : 0;
    mHeight = std::isfinite(h * scale) ? static_cast<int>(std::fmin(std::fmax(h * scale, 0.0), 4096.0)) : 0;
  }
  bool TakeFinishedFrame(std::vector<uint8_t>& bgra, int& w, int& h) override {
    backend.draws.clear();
    backend.updates.clear();
    backend.deletedTextures.clear();
    if (backend.flushCalls == mTaken || mWidth <= 0 || mHeight <= 0) return false;
    mTaken = backend.flushCalls;
    w = std::min(mWidth, 8);
    h = std::min(mHeight, 8);
    bgra.assign(static_cast<size_t>(w) * h * 4, 0x80);
    return true;
  }
  bool ReadyForFrame() override { return true; }

 private:
  int mWidth = 0;
  int mHeight = 0;
  int mTaken = 0;
};

platform::ManualClock gClock;
double GraphicsNow() {
  return gClock.NowSeconds() * 1000.0;
}

pw::HeadlessBackend& Backend() {
  return static_cast<pw::HeadlessBackend&>(pw::CurrentBackend());
}

// A 4 x 8 pixel PNG picture.
const uint8_t kPNG[] = {0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44,
                        0x52, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x08, 0x08, 0x06, 0x00, 0x00, 0x00, 0xde,
                        0x33, 0x5e, 0x05, 0x00, 0x00, 0x00, 0x4e, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x15, 0xca,
                        0x31, 0x01, 0x00, 0x20, 0x0c, 0x04, 0xb1, 0x57, 0x82, 0x92, 0x2a, 0x61, 0x46, 0x44, 0xc7,
                        0xaa, 0xa8, 0x92, 0x57, 0x82, 0x21, 0xb8, 0x4e, 0x59, 0x22, 0xa9, 0x5e, 0xa8, 0x4e, 0xa2,
                        0x51, 0x5a, 0x75, 0x62, 0xd5, 0x4b, 0x34, 0x4a, 0xc1, 0x08, 0x06, 0x3a, 0x66, 0x6c, 0xc6,
                        0x66, 0xa0, 0xf7, 0x8c, 0x64, 0x24, 0x03, 0x9d, 0x33, 0x9a, 0xd1, 0x0c, 0x74, 0xcf, 0x30,
                        0xc3, 0x0c, 0xb4, 0x67, 0x5c, 0xc6, 0x65, 0xa0, 0xf1, 0x03, 0x19, 0xa1, 0x3e, 0x91, 0xfd,
                        0xcd, 0x03, 0x02, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82};
const char kSVG[] =
    "<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'><rect width='24' height='12' fill='#c03020'/>"
    "<circle cx='12' cy='16' r='6' fill='none' stroke='#2040c0' stroke-width='2'/></svg>";

// Whether the editor opens with the product's own layout; otherwise it starts empty.
bool gProductLayout = true;

Kelvadrune& Plug() {
  static Kelvadrune* plug = [] {
    static presets_test::TempDataHome home;
    // Update checks (a click may ask for one) never reach the network: every transfer goes to a closed port.
    for (const char* proxy : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"})
      setenv(proxy, "http://127.0.0.1:9", 1);
    Check(pw::SelectBackend(pw::BackendKind::kHeadless));
    platform::RunLoop::Main().SetClock(&gClock);
    SetGraphicsClock(GraphicsNow);
    SetDrawingLayerMaker([] { return std::make_unique<FuzzDrawingLayer>(); });
    auto* made = new Kelvadrune(fx::InstanceInfo{});
    made->SetParameterValue(kAutoUpdateCheck, 0.0);
    InstallEditor(*made, [](IGEditorDelegate& dlg, int w, int h, int fps, float scale) -> IGraphics* {
      return new IGraphicsLinux(dlg, w, h, fps, scale);
    });
    made->SetLayoutFunc([made](IGraphics* g) {
      if (g && gProductLayout) LayoutControls(*made, *g);
    });
    return made;
  }();
  return *plug;
}

IGraphicsLinux* G() {
  return Plug().GetUI<IGraphicsLinux>();
}

// ---- Hooks that consult the script ----

// Where an operation runs: at the top of the script, or inside a control's hook.
enum class Where { kTop, kDraw, kEvent, kAction, kAnimation, kAnswer };

struct Context {
  Where where = Where::kTop;
  IControl* self = nullptr;  // the control whose hook runs; null once it may be gone
  int depth = 0;
};

int gDepth = 0;
// Prompts being answered (a synchronous answer may run a control's action).
int gPrompting = 0;

void RunOp(IGraphicsLinux& g, Context& ctx);

// Runs zero, one or two operations of the script from inside a control's hook.
void Hook(IControl* self, Where where) {
  IGraphicsLinux* g = G();
  if (!g || gDepth >= 3 || gIn.Done()) return;
  const uint8_t b = gIn.Byte();
  if (b < 96) return;
  Context ctx;
  ctx.where = where;
  ctx.self = self;
  ctx.depth = ++gDepth;
  const int count = b < 224 ? 1 : 2;
  for (int i = 0; i < count && G() == g; ++i) RunOp(*g, ctx);
  --gDepth;
}

void FuzzAction(IControl* control) {
  Hook(control, Where::kAction);
}
void FuzzAnimation(IControl* control) {
  Hook(control, Where::kAnimation);
}

// A control whose every hook may run operations: it draws a rectangle, owns a menu it can show, and keeps its value
// in the script's hands.
class FuzzControl : public IControl {
 public:
  FuzzControl(const IRECT& bounds, int paramIdx) : IControl(bounds, paramIdx, FuzzAction) {
    mMenu.AddItem("One");
    mMenu.AddItem("Two", IPopupMenu::kAppend, IPopupMenu::Item::kChecked);
    auto* sub = new IPopupMenu("Sub");
    sub->AddItem("Deep");
    mMenu.AddItem("More", sub);
  }
  IPopupMenu& Menu() { return mMenu; }

  void Draw(IGraphics& g) override {
    g.FillRect(IColor(255, 20, 200, 40), GetRECT());
    Hook(this, Where::kDraw);
  }
  void OnMouseDown(float, float, const IMouseMod&) override { Hook(this, Where::kEvent); }
  void OnMouseUp(float, float, const IMouseMod&) override { Hook(this, Where::kEvent); }
  void OnMouseDrag(float, float, float, float, const IMouseMod&) override { Hook(this, Where::kEvent); }
  void OnMouseDblClick(float, float, const IMouseMod&) override { Hook(this, Where::kEvent); }
  void OnMouseWheel(float, float, const IMouseMod&, float) override { Hook(this, Where::kEvent); }
  bool OnKeyDown(float, float, const fx::IKeyPress&) override {
    Hook(this, Where::kEvent);
    return true;
  }
  void OnMouseOver(float x, float y, const IMouseMod& mod) override {
    IControl::OnMouseOver(x, y, mod);
    Hook(this, Where::kEvent);
  }
  void OnDrop(const char*) override { Hook(this, Where::kEvent); }
  void OnMsgFromDelegate(int, int, const void*) override { Hook(this, Where::kEvent); }
  void OnGUIIdle() override { Hook(this, Where::kEvent); }
  void OnEndAnimation() override {
    IControl::OnEndAnimation();
    Hook(this, Where::kAnimation);
  }
  void CreateContextMenu(IPopupMenu& menu) override {
    menu.AddItem("Context");
    menu.AddItem("Other");
  }
  void OnPopupMenuSelection(IPopupMenu*, int) override { Hook(this, Where::kAnswer); }
  void OnTextEntryCompletion(const char*, int) override { Hook(this, Where::kAnswer); }
  void OnContextSelection(int) override { Hook(this, Where::kAnswer); }

 private:
  IPopupMenu mMenu;
};

// The left (0) or right (1) half of r.
IRECT Half(const IRECT& r, int i) {
  const float mid = r.L + (r.R - r.L) / 2.f;
  return i == 0 ? IRECT(r.L, r.T, mid, r.B) : IRECT(mid, r.T, r.R, r.B);
}

// A container whose attach function adds two children (a hook control and a knob) and whose resize function moves
// them.
IControl* MakeContainer(const IRECT& r, bool panel) {
  auto attach = [](IContainerBase* c, const IRECT& b) {
    c->AddChildControl(new FuzzControl(Half(b, 0), -1));
    c->AddChildControl(new IVKnobControl(Half(b, 1), FuzzAction, "k"));
  };
  auto resize = [](IContainerBase* c, const IRECT& b) {
    c->ForAllChildrenFunc([&](int i, IControl* child) { child->SetTargetAndDrawRECTs(Half(b, i % 2)); });
  };
  if (panel) return new IPanelControl(r, IPattern(IColor(255, 60, 60, 90)), true, attach, resize);
  return new IVGroupControl(r, "group", 10.f, DEFAULT_STYLE, attach, resize);
}

ISVG Picture(IGraphics& g) {
  return g.LoadSVG("fuzz.svg", static_cast<const void*>(kSVG), static_cast<int>(sizeof(kSVG)));
}
IBitmap Strip(IGraphics& g, int frames) {
  return g.LoadBitmap("fuzz.png", kPNG, static_cast<int>(sizeof(kPNG)), frames, gIn.Flag());
}

const InfoMenuEntry kInfoRows[] = {{"About", kCommand, true, kMsgAbout},
                                   {nullptr, kSeparator},
                                   {"Tooltips", kParamToggle, true, kToggleTooltips},
                                   {"Mode", kParamValueList, true, kProcessMode},
                                   {"Scale", kSubmenuStart, true, -1, nullptr, 0, 0},
                                   {"100%", kRadioItem, true, kMsgFixedGUIScale, nullptr, 100, 0},
                                   {"200%", kRadioItem, true, kMsgFixedGUIScale, nullptr, 200, 0},
                                   {"Site", kOpenURL, true, -1, "https://example.invalid/"},
                                   {"Odd", kNumInfoMenuEntryTypes, true, 99}};

constexpr int kNumKinds = 46;

// A new control of one of the kinds the library and the product have (some get the hook action function).
IControl* MakeControl(IGraphicsLinux& g, int kind) {
  const IRECT r = gIn.Rect();
  const int p = gIn.Param();
  const char* label = gIn.Flag() ? "label" : "";
  switch (kind) {
    case 0:
      return new FuzzControl(r, p);
    case 1:
      return new IVLabelControl(r, "label");
    case 2:
      return new IVButtonControl(r, FuzzAction, label);
    case 3:
      return new IVSwitchControl(r, p, label);
    case 4:
      return new IVToggleControl(r, FuzzAction, label);
    case 5:
      return new IVSlideSwitchControl(r, p, label);
    case 6:
      return new IVKnobControl(r, p, label);
    case 7:
      return new IVSliderControl(r, p, label, DEFAULT_STYLE, gIn.Flag(), gIn.Flag() ? kVertical : kHorizontal);
    case 8:
      return new IVRangeSliderControl(r, {p, gIn.Param()}, label);
    case 9:
      return new IVTabSwitchControl(r, p, {"A", "B", "C"}, label);
    case 10:
      return new IVRadioButtonControl(r, FuzzAction, {"x", "y"}, label);
    case 11:
      return new IVMenuButtonControl(r, p, label);
    case 12:
      return new IVXYPadControl(r, p, gIn.Param(), label);
    case 13:
      return new IVPlotControl(
          r, {{COLOR_RED, [](double x) { return x * x; }}, {COLOR_BLUE, [](double x) { return std::sin(x * 1e3); }}},
          gIn.Below(300) - 2, label);
    case 14:
      return MakeContainer(r, false);
    case 15:
      return new IVColorSwatchControl(
          r, label, [](int, IColor) { Hook(nullptr, Where::kAnswer); }, DEFAULT_STYLE,
          static_cast<IVColorSwatchControl::ECellLayout>(gIn.Below(3)));
    case 16:
      return new IBButtonControl(r, Strip(g, 2), FuzzAction);
    case 17:
      return new IBSwitchControl(r, Strip(g, 1 + gIn.Below(4)), p);
    case 18:
      return new IBSliderControl(r, Strip(g, 1), Strip(g, 1), p, gIn.Flag() ? kVertical : kHorizontal);
    case 19:
      return new IBKnobControl(r, Strip(g, 1 + gIn.Below(8)), p);
    case 20:
      return new IBTextControl(r, Strip(g, 4), DEFAULT_TEXT, "text");
    case 21:
      return new ISVGButtonControl(r, FuzzAction, Picture(g), Picture(g));
    case 22:
      return new ISVGToggleControl(r, p, Picture(g), Picture(g));
    case 23:
      return new ISVGKnobControl(r, Picture(g), p);
    case 24:
      return new ISVGSwitchControl(r, {Picture(g), Picture(g), Picture(g)}, p);
    case 25:
      return new ISVGSliderControl(r, Picture(g), Picture(g), p);
    case 26:
      return new ITextControl(r, label);
    case 27:
      return new IURLControl(r, "link", "https://example.invalid/");
    case 28:
      return new ITextToggleControl(r, FuzzAction, "off", "on");
    case 29:
      return new ICaptionControl(r, p < 0 ? 0 : p % kNumParams, DEFAULT_TEXT, COLOR_TRANSPARENT, gIn.Flag());
    case 30:
      return new PlaceHolder(r);
    case 31:
      return MakeContainer(r, true);
    case 32: {
      int frames = 1 + gIn.Below(16);
      if (gIn.Flag()) frames = 65536;
      return new IBitmapControl(r.L, r.T, Strip(g, frames), p);
    }
    case 33:
      return new ISVGControl(r, Picture(g), gIn.Flag() && !Avoid(kLayerRectNoNumber), p);
    case 34:
      return new IFPSDisplayControl(r, static_cast<IFPSDisplayControl::EDisplayKind>(gIn.Below(2)));
    case 35:
      return new IVPanelControlLW(r, COLOR_GRAY, gIn.Flag(), COLOR_BLACK, gIn.Number(0.f, 20.f), gIn.Size());
    case 36:
      return new ISVGControlLW(r, Picture(g));
    case 37:
      return new IVClickControlHiddenMenuLW(r, kMsgAbout, kMsgLogoMenu, kMsgCheckUpdate, kMsgResetMeter);
    case 38:
      return new IVParameterControlHiddenLW(p);
    case 39:
      return new IBSwitchControlLW(r, Picture(g), Picture(g), p, gIn.Flag(), gIn.Flag());
    case 40:
      return new IBUpdateControlLW(r, Picture(g), Picture(g), kMsgCheckUpdate, gIn.Flag());
    case 41:
      return new IVKnobControlLW(r, p, label);
    case 42:
      return new IVSliderControlLW(r, p, label);
    case 43:
      return new IVMeterControlLW<2>(r, p, kMsgResetMeter, label, DEFAULT_STYLE, gIn.Flag(), gIn.Flag());
    case 44:
      return new IVModViewControlLW<1, 1>(r, label, DEFAULT_STYLE, gIn.Flag(), gIn.Flag());
    default:
      return new ISBInfoMenuLW(Plug(), r, Picture(g), Picture(g), kInfoRows,
                               static_cast<int>(sizeof(kInfoRows) / sizeof(kInfoRows[0])), gIn.Flag());
  }
}

// ---- Picking a control ----

// A control of the editor by the script: one of the list, a special control, or the hook's own; null for none.
IControl* PickControl(IGraphicsLinux& g, const Context& ctx) {
  const int n = g.NControls();
  const int pick = gIn.Byte();
  if (ctx.self && pick < 64) return ctx.self;
  if (pick >= 240) {
    switch (pick % 6) {
      case 0:
        return g.GetPopupMenuControl();
      case 1:
        return g.GetTextEntryControl();
      case 2:
        return g.GetCornerResizer();
      case 3:
        return g.GetPerfDisplay();
      case 4:
        return g.GetBubbleControl(0);
      default:
        return g.GetToolTipControl();
    }
  }
  return n > 0 ? g.GetControl(pick % n) : nullptr;
}

// Whether removing a control may run into a known fault now.
bool RemovalAvoided(IGraphicsLinux& g) {
  if (!Avoid(kRemoveWhilePrompting)) return false;
  return g.GetControlInPopupMenu() || g.GetControlInTextEntry() || gPrompting > 0 ||
         platform::RunLoop::Main().NumPostedWork() > 0;
}
bool AttachAvoided(const Context& ctx) {
  return ctx.where == Where::kDraw && Avoid(kDrawAttachesOrRedraws);
}
// A removal from inside a hook: the hook's own control may be gone afterwards (but for a Draw's own control, which
// stays whole until its Draw has returned).
void Removed(Context& ctx) {
  if (ctx.where != Where::kDraw) ctx.self = nullptr;
}

// The value a control gets, kept away from the frames of the controls that cannot take it while that fault is open.
double ValueFor(IControl* control) {
  double v = gIn.Value();
  if (Avoid(kWildFrameValue) && (dynamic_cast<IVTabSwitchControl*>(control) || dynamic_cast<IBitmapBase*>(control)) &&
      !(std::fabs(v) <= 1e6))
    v = 0.5;
  return v;
}

IMouseMod Mod() {
  const uint8_t b = gIn.Byte();
  IMouseMod mod;
  mod.L = (b & 1) != 0;
  mod.R = (b & 2) != 0;
  mod.S = (b & 4) != 0;
  mod.C = (b & 8) != 0;
  mod.A = (b & 16) != 0;
  mod.touchID = (b >> 5) & 1;
  return mod;
}
IMouseInfo Point() {
  IMouseInfo p;
  p.x = gIn.X();
  p.y = gIn.Y();
  p.dX = gIn.Number(-50.f, 50.f);
  p.dY = gIn.Number(-50.f, 50.f);
  p.ms = Mod();
  return p;
}
fx::IKeyPress Key() {
  // Virtual key codes: backspace, tab, return, escape, space, page up and down, end, home, the arrows, delete,
  // digits, the keypad, letters.
  static const int kKeys[] = {8, 9, 13, 27, 32, 33, 34, 35, 36, 37, 38, 39, 40, 46, '0', '7', 96, 105, 'A', 'Z', 'X'};
  static const char* const kTyped[] = {"", "a", "1", ".", "-", "\xc3\xa9", " "};
  const int vk = kKeys[gIn.Below(static_cast<int>(sizeof(kKeys) / sizeof(kKeys[0])))];
  const char* typed = kTyped[gIn.Below(7)];
  const uint8_t m = gIn.Byte();
  return fx::IKeyPress(typed, vk, m & 1, m & 2, m & 4);
}

// One redraw-timer period of the editor: the view draws its dirty controls, the plug-in's timer ticks.
void Frame(double seconds) {
  gClock.Advance(seconds);
  platform::RunLoop::Main().RunDueTimers();
}

// Native input injected into the editor's window, at editor points.
void Inject(IGraphicsLinux& g, pw::NativeInput::Kind kind) {
  pw::Window* window = g.GetPlatformWindow();
  if (!window) return;
  pw::NativeInput input;
  input.kind = kind;
  const float scale = g.GetDrawScale();
  input.pixel = pw::Point{gIn.X() * scale, gIn.Y() * scale};
  // Mostly the three buttons and one more; now and then a number no pointer has.
  constexpr int kOddButtons[] = {-1, -2, 4, 5, 7, 8, 31, 32, 33, 63, 64, 250, 1 << 20, INT_MAX, INT_MIN, 3};
  const uint8_t b = gIn.Byte();
  input.button = b < 240 ? b % 4 : kOddButtons[b - 240];
  input.modifierFlags = gIn.Byte();
  input.wheelY = gIn.Number(-5.f, 5.f);
  input.wheelX = gIn.Number(-5.f, 5.f);
  input.timestamp = gClock.NowSeconds();
  if (kind == pw::NativeInput::Kind::kKeyPress || kind == pw::NativeInput::Kind::kKeyRelease) {
    input.keyCode = gIn.Byte();
    input.characters = gIn.Flag() ? U"a" : U"\r";
    input.charactersIgnoringModifiers = input.characters;
  }
  Backend().Inject(*window, input);
}

enum Op : int {
  kOpAttach,
  kOpAttachBackground,
  kOpAttachSpecial,
  kOpAttachAgain,
  kOpRemove,
  kOpRemoveSpecial,
  kOpPointer,
  kOpKey,
  kOpInject,
  kOpFrame,
  kOpDrawNested,
  kOpPrompt,
  kOpMenu,
  kOpAnswer,
  kOpTextEntry,
  kOpColor,
  kOpDialog,
  kOpResize,
  kOpIdle,
  kOpValue,
  kOpControl,
  kOpForEach,
  kOpDelegate,
  kOpAnimation,
  kOpBubble,
  kOpCloseReopen,
  kOpScaleBitmap,
  kOpSettings,
  kNumOps
};

void AttachOp(IGraphicsLinux& g, Context& ctx) {
  if (AttachAvoided(ctx)) return;
  IControl* control = MakeControl(g, gIn.Below(kNumKinds));
  if (gIn.Flag()) control->SetAnimation(FuzzAnimation, gIn.Below(3) * 100);
  static const char* const kGroups[] = {"", "a", "b"};
  const int tag = gIn.Below(6) - 1;
  if (!g.AttachControl(control, tag, kGroups[gIn.Below(3)])) delete control;
}

void AttachBackgroundOp(IGraphicsLinux& g, Context& ctx) {
  if (AttachAvoided(ctx)) return;
  switch (gIn.Below(4)) {
    case 0:
      g.AttachPanelBackground(IPattern(IColor(255, 30, 30, 30)));
      break;
    case 1:
      g.AttachSVGBackground("missing.svg");
      break;
    case 2:
      g.AttachBackground("missing.png");
      break;
    default:
      g.AttachBackgroundControl(MakeControl(g, gIn.Below(kNumKinds)));
      break;
  }
}

void AttachSpecialOp(IGraphicsLinux& g, Context& ctx) {
  if (AttachAvoided(ctx)) return;
  switch (gIn.Below(9)) {
    case 0:
      AttachPopupMenuControl(g, DEFAULT_TEXT, gIn.Flag() ? gIn.Rect() : IRECT());
      break;
    case 1:
      AttachTextEntryControl(g);
      break;
    case 2:
      g.AttachCornerResizer(static_cast<EUIResizerMode>(gIn.Below(2)), gIn.Flag(), COLOR_TRANSLUCENT, COLOR_BLACK,
                            COLOR_BLACK, gIn.Size());
      break;
    case 3:
      g.AttachCornerResizer(new ISBCornerResizerControlLW(gIn.Rect(), Picture(g), Picture(g), kMsgStoreUIScale,
                                                          kMsgResetGUIScale, kMsgSetMinGUIScale, kMsgFixedGUIScale,
                                                          gIn.Flag(), g.GetBounds(), gIn.X(), gIn.Y()),
                            static_cast<EUIResizerMode>(gIn.Below(2)), gIn.Flag());
      break;
    case 4:
      g.AttachBubbleControl();
      break;
    case 5:
      g.ShowFPSDisplay(gIn.Flag());
      break;
    case 6:
      g.SetPerfDisplay(new IFPSDisplayControl(gIn.Rect()));
      break;
    case 7:
      g.SetToolTipControl(new ITextControl(gIn.Rect(), "tip"));
      break;
    default:
      g.ShowToolTip("tip", gIn.X(), gIn.Y());
      break;
  }
}

// Attaches an object that already stands in the editor again, or over the one that stands in its place.
void AttachAgainOp(IGraphicsLinux& g, Context& ctx) {
  if (AttachAvoided(ctx)) return;
  const int which = gIn.Below(11);
  if (which < 4 && Avoid(kAttachTwice)) return;
  if (which >= 7 && Avoid(kAttachSpecialTwice)) return;
  switch (which) {
    case 0: {
      IControl* control = PickControl(g, ctx);
      if (control) g.AttachControl(control, gIn.Below(3) - 1);
      break;
    }
    case 1:
      g.AttachCornerResizer(g.GetCornerResizer());
      break;
    case 2:
      g.AttachPopupMenuControl(g.GetPopupMenuControl());
      break;
    case 3:
      g.SetPerfDisplay(g.GetPerfDisplay());
      break;
    case 4: {
      // A control refused for a tag in use stays with the caller.
      IControl* control = new FuzzControl(gIn.Rect(), -1);
      const int tag = gIn.Below(3);
      if (!g.AttachControl(control, tag)) delete control;
      if (!g.AttachControl(control = new FuzzControl(gIn.Rect(), -1), tag)) delete control;
      break;
    }
    case 5:
      g.AttachCornerResizer();
      break;
    case 6:
      AttachPopupMenuControl(g);
      break;
    case 7:
      g.AttachTextEntryControl(g.GetTextEntryControl());
      break;
    case 8:
      g.SetToolTipControl(g.GetToolTipControl());
      break;
    case 9:
      g.AttachBubbleControl(g.GetBubbleControl(0));
      break;
    default: {
      IControl* control = PickControl(g, ctx);
      if (control) g.AttachBackgroundControl(control);
      break;
    }
  }
}

void RemoveOp(IGraphicsLinux& g, Context& ctx) {
  if (RemovalAvoided(g)) return;
  switch (gIn.Below(6)) {
    case 0: {
      const int n = g.NControls();
      const int idx = gIn.Below(n);
      if (n > 0) g.RemoveControl(idx);
      break;
    }
    case 1: {
      IControl* control = PickControl(g, ctx);
      if (control && g.GetControlIdx(control) >= 0) g.RemoveControl(control);
      break;
    }
    case 2: {
      g.RemoveControlWithTag(gIn.Below(10) - 1);
      break;
    }
    case 3:
      g.RemoveAllControls();
      break;
    case 4: {
      // A container, or the child of one.
      for (int i = 0; i < g.NControls(); ++i) {
        auto* container = dynamic_cast<IContainerBase*>(g.GetControl(i));
        if (!container || container->NChildren() == 0) continue;
        IControl* child = container->GetChild(gIn.Below(container->NChildren()));
        if (gIn.Flag()) {
          g.RemoveControl(child);
        } else {
          g.RemoveControl(container);
        }
        break;
      }
      break;
    }
    default:
      if (ctx.self && g.GetControlIdx(ctx.self) >= 0) g.RemoveControl(ctx.self);
      break;
  }
  Removed(ctx);
}

void RemoveSpecialOp(IGraphicsLinux& g, Context& ctx) {
  if (RemovalAvoided(g)) return;
  switch (gIn.Below(5)) {
    case 0:
      g.RemovePopupMenuControl();
      break;
    case 1:
      g.RemoveTextEntryControl();
      break;
    case 2:
      g.SetPerfDisplay(nullptr);
      break;
    case 3:
      g.SetToolTipControl(nullptr);
      break;
    default:
      g.HideToolTip();
      break;
  }
  Removed(ctx);
}

void PointerOp(IGraphicsLinux& g) {
  switch (gIn.Below(10)) {
    case 0:
      g.OnMouseDown({Point()});
      break;
    case 1:
      g.OnMouseUp({Point()});
      break;
    case 2:
      g.OnMouseDrag({Point()});
      break;
    case 3:
      g.OnMouseDown({Point(), Point()});
      break;
    case 4: {
      const float x = gIn.X();
      const float y = gIn.Y();
      g.OnMouseDblClick(x, y, Mod());
      break;
    }
    case 5: {
      const float x = gIn.X();
      const float y = gIn.Y();
      g.OnMouseOver(x, y, Mod());
      break;
    }
    case 6:
      g.OnMouseOut();
      break;
    case 7: {
      const float x = gIn.X();
      const float y = gIn.Y();
      const IMouseMod mod = Mod();
      g.OnMouseWheel(x, y, mod, gIn.Number(-10.f, 10.f));
      break;
    }
    case 8:
      g.OnTouchCancelled({Point()});
      break;
    default: {
      IGestureInfo info;
      info.x = gIn.X();
      info.y = gIn.Y();
      info.scale = gIn.Scale();
      info.velocity = gIn.Number(-10.f, 10.f);
      info.angle = gIn.Number(-360.f, 360.f);
      info.state = static_cast<EGestureState>(gIn.Below(4));
      info.type = static_cast<EGestureType>(gIn.Below(8));
      g.OnGestureRecognized(info);
      break;
    }
  }
}

void KeyOp(IGraphicsLinux& g) {
  const float x = gIn.X();
  const float y = gIn.Y();
  switch (gIn.Below(6)) {
    case 0:
      g.OnKeyDown(x, y, Key());
      break;
    case 1:
      g.OnKeyUp(x, y, Key());
      break;
    case 2:
      g.KeyDownAtPointer(Key());
      break;
    case 3:
      g.OnDrop(gIn.Flag() ? "/nonexistent/file.lps" : "", x, y);
      break;
    case 4:
      g.OnDropMultiple({"/a", "/b"}, x, y);
      break;
    default:
      g.OnFocusLost();
      break;
  }
}

void InjectOp(IGraphicsLinux& g) {
  static const pw::NativeInput::Kind kKinds[] = {
      pw::NativeInput::Kind::kButtonPress, pw::NativeInput::Kind::kButtonRelease, pw::NativeInput::Kind::kMotion,
      pw::NativeInput::Kind::kWheel,       pw::NativeInput::Kind::kKeyPress,      pw::NativeInput::Kind::kKeyRelease,
      pw::NativeInput::Kind::kEnter,       pw::NativeInput::Kind::kLeave,         pw::NativeInput::Kind::kFocusOut,
      pw::NativeInput::Kind::kHidden,      pw::NativeInput::Kind::kShown};
  Inject(g, kKinds[gIn.Below(static_cast<int>(sizeof(kKinds) / sizeof(kKinds[0])))]);
}

// A draw from inside a control's Draw: another control, or the editor again.
void DrawNestedOp(IGraphicsLinux& g, Context& ctx) {
  if (ctx.where != Where::kDraw) {
    // Outside a frame: mark things dirty instead.
    if (gIn.Flag()) {
      g.SetAllControlsDirty();
    } else {
      g.SetControlDirty(gIn.Param(), gIn.Flag());
    }
    return;
  }
  const IRECT bounds = gIn.Flag() ? g.GetBounds() : gIn.Rect();
  const float scale = g.GetTotalScale();
  if (gIn.Flag()) {
    if (Avoid(kDrawAttachesOrRedraws)) return;
    g.Draw(bounds, scale);
    return;
  }
  IControl* control = PickControl(g, ctx);
  if (control) g.DrawControl(control, bounds, scale);
}

void PromptOp(IGraphicsLinux& g, Context& ctx) {
  IControl* control = PickControl(g, ctx);
  if (!control) return;
  ++gPrompting;
  if (gIn.Flag()) {
    control->DisablePrompt(false);
    control->PromptUserInput(gIn.Below(3) - 1);
  } else {
    g.PromptUserInput(*control, gIn.Flag() ? control->GetRECT() : gIn.Rect(), gIn.Below(3) - 1);
  }
  --gPrompting;
}

// A popup menu for a control: the hook control's own, a context menu, or the prompt menu.
void MenuOp(IGraphicsLinux& g, Context& ctx) {
  IControl* control = PickControl(g, ctx);
  if (!control) return;
  ++gPrompting;
  switch (gIn.Below(3)) {
    case 0:
      if (auto* fuzz = dynamic_cast<FuzzControl*>(control)) g.CreatePopupMenu(*fuzz, fuzz->Menu(), gIn.Rect());
      break;
    case 1: {
      const int idx = g.GetControlIdx(control);
      if (idx >= 0) g.PopupContextMenuForControl(idx, gIn.X(), gIn.Y());
      break;
    }
    default: {
      IPopupMenu& menu = g.GetPromptMenu();
      menu.Clear();
      menu.AddItem("p1");
      menu.AddItem("p2");
      g.CreatePopupMenu(*control, menu, gIn.Rect(), gIn.Below(2));
      break;
    }
  }
  --gPrompting;
  // Answered at once: the native menu's queued block runs now with a choice.
  if (gIn.Flag() && ctx.where == Where::kTop) {
    Backend().Script().menuChoices.push_back({gIn.Below(4) - 1});
    platform::RunLoop::Main().RunPostedWork();
  }
}

// Answers whatever waits: native menus in the main queue, sheets and text entries of the back end, or the
// graphics' own answer calls.
void AnswerOp(IGraphicsLinux& g, Context& ctx) {
  switch (gIn.Below(5)) {
    case 0:
      if (ctx.where != Where::kTop) return;
      if (gIn.Flag()) Backend().Script().menuChoices.push_back({gIn.Below(4) - 1, gIn.Below(2)});
      platform::RunLoop::Main().RunPostedWork();
      break;
    case 1:
      if (ctx.where != Where::kTop) return;
      Backend().Pump();
      break;
    case 2: {
      if (!g.GetControlInPopupMenu()) return;
      IPopupMenu& menu = g.GetPromptMenu();
      menu.SetChosenItemIdx(gIn.Below(4) - 1);
      g.SetControlValueAfterPopupMenu(gIn.Flag() ? &menu : nullptr);
      break;
    }
    case 3:
      if (g.GetControlInTextEntry()) g.SetControlValueAfterTextEdit(gIn.Text().c_str());
      break;
    default: {
      // A click and typing in the in-editor menu or text entry.
      IMouseInfo p = Point();
      p.ms.L = true;
      g.OnMouseDown({p});
      g.OnMouseUp({p});
      break;
    }
  }
}

void TextEntryOp(IGraphicsLinux& g, Context& ctx) {
  IControl* control = PickControl(g, ctx);
  if (!control) return;
  if (gIn.Flag()) {
    pw::TextEntryAnswer answer;
    answer.typed = {gIn.Text()};
    answer.replaceAll = gIn.Flag();
    answer.commit = gIn.Flag();
    Backend().Script().textEntries.push_back(answer);
  }
  ++gPrompting;
  g.CreateTextEntry(*control, DEFAULT_TEXT, gIn.Rect(), gIn.Text().c_str(), gIn.Below(2));
  --gPrompting;
}

void ColorOp(IGraphicsLinux& g) {
  if (gIn.Flag()) {
    std::vector<pw::Color> picks;
    for (int i = gIn.Below(3); i > 0; --i)
      picks.push_back(
          pw::Color{gIn.Number(0.f, 1.f), gIn.Number(0.f, 1.f), gIn.Number(0.f, 1.f), gIn.Number(0.f, 1.f)});
    Backend().Script().colorPicks.push_back(picks);
  }
  IColor color(255, 10, 20, 30);
  g.PromptForColor(color, "colour", [](const IColor&) { Hook(nullptr, Where::kAnswer); });
}

void DialogOp(IGraphicsLinux& g) {
  switch (gIn.Below(3)) {
    case 0:
      Backend().Script().alertButtons.push_back(gIn.Below(4) - 1);
      g.ShowMessageBox("text", "caption", static_cast<EMsgBoxType>(gIn.Below(6)),
                       [](EMsgBoxResult) { Hook(nullptr, Where::kAnswer); });
      break;
    case 1: {
      fx::FwString file;
      fx::FwString path;
      g.PromptForFile(file, path, static_cast<EFileAction>(gIn.Below(2)), "lps",
                      [](const fx::FwString&, const fx::FwString&) { Hook(nullptr, Where::kAnswer); });
      break;
    }
    default: {
      fx::FwString dir;
      g.PromptForDirectory(dir, [](const fx::FwString&, const fx::FwString&) { Hook(nullptr, Where::kAnswer); });
      break;
    }
  }
}

void ResizeOp(IGraphicsLinux& g) {
  switch (gIn.Below(8)) {
    case 0: {
      const int w = gIn.Below(5) * 200 - 100;
      const int h = gIn.Below(5) * 150 - 75;
      g.Resize(w, h, gIn.EditorScale(), gIn.Flag());
      break;
    }
    case 1:
      g.SetScreenScale(gIn.EditorScale());
      break;
    case 2:
      g.ChangeScreenScale(gIn.EditorScale());
      break;
    case 3:
      g.ResizeToParentWindow(gIn.Below(8) * 120 - 60, gIn.Below(8) * 90 - 45);
      break;
    case 4:
      Backend().SetBackingScaleFactor(gIn.EditorScale());
      break;
    case 5: {
      g.StartDragResize();
      const float x = gIn.X();
      g.OnDragResize(x, gIn.Y());
      if (gIn.Flag()) g.EndDragResize();
      break;
    }
    case 6: {
      const float lo = gIn.Scale();
      g.SetScaleConstraints(lo, gIn.Scale());
      break;
    }
    default:
      g.SetSizeConstraints(gIn.Below(800), gIn.Below(800) * 4, gIn.Below(600), gIn.Below(600) * 4);
      break;
  }
}

void IdleOp(IGraphicsLinux& g, Context& ctx) {
  switch (gIn.Below(3)) {
    case 0:
      if (ctx.where == Where::kTop) Frame(gIn.Below(40) / 1000.0);
      break;
    case 1:
      g.ForAllControlsOnGUIIdle();
      break;
    default:
      Plug().OnIdle();
      break;
  }
}

void ValueOp(IGraphicsLinux& g, Context& ctx) {
  IControl* control = PickControl(g, ctx);
  if (!control) return;
  const int valIdx = gIn.Below(3) - 1;
  switch (gIn.Below(5)) {
    case 0:
      control->SetValue(ValueFor(control), valIdx < 0 ? 0 : valIdx);
      break;
    case 1:
      control->SetValueFromDelegate(ValueFor(control), valIdx < 0 ? 0 : valIdx);
      break;
    case 2:
      control->SetValueFromUserInput(ValueFor(control), valIdx < 0 ? 0 : valIdx);
      break;
    case 3:
      control->SetValueToDefault(valIdx);
      break;
    default:
      control->SetDirty(gIn.Flag(), valIdx);
      break;
  }
}

void ControlOp(IGraphicsLinux& g, Context& ctx) {
  IControl* control = PickControl(g, ctx);
  if (!control) return;
  switch (gIn.Below(9)) {
    case 0:
      control->Hide(gIn.Flag());
      break;
    case 1:
      control->SetDisabled(gIn.Flag());
      break;
    case 2:
      g.SetControlBounds(control, gIn.Rect());
      break;
    case 3: {
      const float x = gIn.X();
      g.SetControlPosition(control, x, gIn.Y());
      break;
    }
    case 4: {
      const float w = gIn.Size();
      g.SetControlSize(control, w, gIn.Size());
      break;
    }
    case 5:
      control->SetHighlight(gIn.Flag(), gIn.Below(4));
      break;
    case 6:
      control->SetTooltip(gIn.Text().c_str());
      break;
    case 7:
      control->SetIgnoreMouse(gIn.Flag());
      break;
    default:
      control->SetActionFunction(FuzzAction);
      break;
  }
}

// Calls on every control of a group or parameter; the callback may remove what it is given.
void ForEachOp(IGraphicsLinux& g, Context& ctx) {
  const bool remove = gIn.Flag() && !RemovalAvoided(g) && !Avoid(kRemoveInsideForEach);
  auto func = [&](IControl* control) {
    if (remove) {
      g.RemoveControl(control);
    } else {
      control->SetDirty(false);
    }
  };
  if (gIn.Flag()) {
    static const char* const kGroups[] = {"", "a", "b"};
    const char* group = kGroups[gIn.Below(3)];
    g.ForControlInGroup(group, func);
    // Every control of the group went.
    if (remove && *group) g.ForControlInGroup(group, [](IControl*) { Check(false); });
  } else {
    const int param = gIn.Param();
    g.ForControlWithParam(param, func);
    if (remove && param >= 0) g.ForControlWithParam(param, [](IControl*) { Check(false); });
  }
  if (remove) Removed(ctx);
  switch (gIn.Below(4)) {
    case 0:
      g.HideControl(gIn.Param(), gIn.Flag());
      break;
    case 1:
      g.DisableControl(gIn.Param(), gIn.Flag());
      break;
    case 2:
      g.SetParameterHighlight(gIn.Param(), gIn.Flag(), gIn.Below(3));
      break;
    default: {
      IControl* caller = PickControl(g, ctx);
      if (caller || !Avoid(kNullPeerCaller)) g.UpdatePeers(caller, gIn.Below(2));
      break;
    }
  }
}

// What the plug-in hands the editor: values by tag and parameter, messages, MIDI.
void DelegateOp(IGraphicsLinux& g) {
  const int tag = gIn.Below(12) - 1;
  switch (gIn.Below(4)) {
    case 0:
      g.SetControlValueFromDelegate(tag, gIn.Value());
      break;
    case 1: {
      uint8_t data[64] = {};
      const int size = gIn.Below(4) * 16;
      for (int i = 0; i < size; ++i) data[i] = gIn.Byte();
      g.SendControlMsgFromDelegate(tag, gIn.Below(4) - 1, size, data);
      break;
    }
    case 2: {
      const fx::IMidiMsg msg(0, static_cast<uint8_t>(0x80 + gIn.Below(0x70)), gIn.Byte() & 0x7F, gIn.Byte() & 0x7F);
      g.SendMidiMsgToControls(msg);
      break;
    }
    default: {
      const int param = gIn.Param();
      g.SetParameterValueInControls(param, gIn.Value());
      break;
    }
  }
}

void AnimationOp(IGraphicsLinux& g, Context& ctx) {
  IControl* control = PickControl(g, ctx);
  if (control && gIn.Flag()) {
    control->SetAnimation(FuzzAnimation, gIn.Below(4) * 150);
    control->SetAnimationEndActionFunction(FuzzAction);
  }
  if (control && gIn.Flag()) control->StartAnimation(gIn.Below(4) * 100);
  if (ctx.where == Where::kTop) Frame(gIn.Below(8) * 0.05);
}

void BubbleOp(IGraphicsLinux& g, Context& ctx) {
  IControl* caller = PickControl(g, ctx);
  const float x = gIn.X();
  const float y = gIn.Y();
  g.ShowBubbleControl(caller, x, y, gIn.Text().c_str(), gIn.Flag() ? kVertical : kHorizontal,
                      gIn.Flag() ? gIn.Rect() : IRECT());
}

void CloseReopenOp(IGraphicsLinux& g, Context& ctx) {
  switch (gIn.Below(4)) {
    case 0:
      Plug().CloseWindow();
      break;
    case 1:
      g.DetachWindow();
      break;
    case 2:
      if (ctx.where == Where::kTop) {
        Plug().CloseWindow();
        Plug().OpenWindow(nullptr);
      }
      break;
    default:
      if (ctx.where == Where::kTop) g.OpenWindow(nullptr);
      break;
  }
}

void ScaleBitmapOp(IGraphicsLinux& g) {
  int scale = gIn.Below(5);
  if (scale == 0 && Avoid(kScaleBitmapZero)) scale = 1;
  const IBitmap bitmap = Strip(g, 1 + gIn.Below(4));
  if (bitmap.GetAPIBitmap()) g.ScaleBitmap(bitmap, "fuzz-scaled", scale);
}

void SettingsOp(IGraphicsLinux& g) {
  switch (gIn.Below(7)) {
    case 0:
      g.EnableTooltips(gIn.Flag());
      break;
    case 1:
      g.EnableMouseOver(gIn.Flag());
      break;
    case 2:
      g.SetStrictDrawing(gIn.Flag());
      break;
    case 3:
      g.SetQwertyMidiKeyHandlerFunc(gIn.Flag() ? [](const fx::IMidiMsg&) {} : fx::gfx::IMidiFunc());
      break;
    case 4: {
      IVStyle style = DEFAULT_STYLE;
      style.roundness = gIn.Number(0.f, 1.f);
      style.frameThickness = gIn.Number(0.f, 10.f);
      style.shadowOffset = gIn.Number(0.f, 10.f);
      g.StyleAllVectorControls(style);
      break;
    }
    case 5:
      g.EnableMultiTouch(gIn.Flag());
      break;
    default:
      g.OnAppearanceChanged(static_cast<EUIAppearance>(gIn.Below(2)));
      break;
  }
}

// With KD_FUZZ_TRACE set, each operation is written to stderr as it starts (for turning a finding into a test).
bool Tracing() {
  static const bool tracing = std::getenv("KD_FUZZ_TRACE") != nullptr;
  return tracing;
}

void RunOp(IGraphicsLinux& g, Context& ctx) {
  const int op = gIn.Below(kNumOps);
  if (Tracing()) std::fprintf(stderr, "op %d at depth %d in hook %d\n", op, ctx.depth, static_cast<int>(ctx.where));
  switch (op) {
    case kOpAttach:
      AttachOp(g, ctx);
      break;
    case kOpAttachBackground:
      AttachBackgroundOp(g, ctx);
      break;
    case kOpAttachSpecial:
      AttachSpecialOp(g, ctx);
      break;
    case kOpAttachAgain:
      AttachAgainOp(g, ctx);
      break;
    case kOpRemove:
      RemoveOp(g, ctx);
      break;
    case kOpRemoveSpecial:
      RemoveSpecialOp(g, ctx);
      break;
    case kOpPointer:
      PointerOp(g);
      break;
    case kOpKey:
      KeyOp(g);
      break;
    case kOpInject:
      if (ctx.where == Where::kTop) InjectOp(g);
      break;
    case kOpFrame:
      if (ctx.where == Where::kTop) Frame(1.0 / 60.0);
      break;
    case kOpDrawNested:
      DrawNestedOp(g, ctx);
      break;
    case kOpPrompt:
      PromptOp(g, ctx);
      break;
    case kOpMenu:
      MenuOp(g, ctx);
      break;
    case kOpAnswer:
      AnswerOp(g, ctx);
      break;
    case kOpTextEntry:
      TextEntryOp(g, ctx);
      break;
    case kOpColor:
      ColorOp(g);
      break;
    case kOpDialog:
      DialogOp(g);
      break;
    case kOpResize:
      ResizeOp(g);
      break;
    case kOpIdle:
      IdleOp(g, ctx);
      break;
    case kOpValue:
      ValueOp(g, ctx);
      break;
    case kOpControl:
      ControlOp(g, ctx);
      break;
    case kOpForEach:
      ForEachOp(g, ctx);
      break;
    case kOpDelegate:
      DelegateOp(g);
      break;
    case kOpAnimation:
      AnimationOp(g, ctx);
      break;
    case kOpBubble:
      BubbleOp(g, ctx);
      break;
    case kOpCloseReopen:
      CloseReopenOp(g, ctx);
      break;
    case kOpScaleBitmap:
      ScaleBitmapOp(g);
      break;
    default:
      SettingsOp(g);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  Kelvadrune& plug = Plug();
  gIn.Reset(data, size);
  // The first byte: the product's layout or an empty editor, and the draw scale it opens at.
  const uint8_t first = gIn.Byte();
  gProductLayout = (first & 1) != 0;
  for (int i = 0; i < plug.NParams(); ++i) plug.GetParam(i)->SetToDefault();
  plug.SetParameterValue(kAutoUpdateCheck, 0.0);
  plug.GetParam(kGUIScale)->Set((first & 2) ? 2.0 : 1.0);
  Backend().Script() = pw::HeadlessScript{};
  Backend().SetBackingScaleFactor(1.0);
  Check(plug.OpenWindow(nullptr) != nullptr);
  int ops = 0;
  while (!gIn.Done() && ops++ < 400) {
    if (!G()) {
      // Closed by the script: every operation but opening waits for the editor.
      if (gIn.Byte() & 1) plug.OpenWindow(nullptr);
      continue;
    }
    IGEditorDelegate::EditorEvent event(plug.EditorMutex());
    IGraphicsLinux* g = G();
    if (!g) continue;
    event.Enter(plug);
    Context ctx;
    RunOp(*g, ctx);
  }
  // Whatever still waits is answered with nothing, and the editor closes.
  Backend().Script() = pw::HeadlessScript{};
  platform::RunLoop::Main().RunPostedWork();
  Backend().Pump();
  Frame(0.1);
  plug.CloseWindow();
  platform::RunLoop::Main().RunPostedWork();
  Backend().Pump();
  return 0;
}

// The platform graphics on the headless window back end, the recording renderer back end and a manual clock: a
// 200 x 100 point editor opened through its delegate, whose layout attaches a background and one journal control over
// editor points (90, 40) to (110, 60) (bound to no parameter). Frames run when the test advances the clock and pumps
// the main run loop; popup menus when it runs the loop's posted work.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "graphics/IControl.h"
#include "graphics/platform/IGraphicsDrawingLayer.h"
#include "graphics/platform/IGraphicsLinux.h"
#include "graphics/platform/IGraphicsView.h"
#include "platform/runloop/RunLoop.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Window.h"
#include "tests/graphics/vector/RecordingBackend.h"
#include "tests/graphics/vector/RecordingFramebuffers.h"
#include "tests/support/FakeDelegate.h"

namespace fx::gfx::test {

namespace pw = platform::window;

// A drawing layer whose renderer is the recording back end; every flush finishes a frame of the drawable's size,
// all pixels blue = the flush count, green 0x40, red 0x80. It is ready for a frame while `ready` is.
class RecordingDrawingLayer final : public IGraphicsDrawingLayer {
 public:
  RecordingBackend backend;
  int width = 0;
  int height = 0;
  bool ready = true;

  void* RendererLayer() override { return &backend; }
  void SetDrawableSize(double w, double h, double scale) override {
    width = static_cast<int>(w * scale);
    height = static_cast<int>(h * scale);
  }
  bool TakeFinishedFrame(std::vector<uint8_t>& bgra, int& w, int& h) override {
    if (backend.flushCalls == mTaken || width <= 0 || height <= 0) return false;
    mTaken = backend.flushCalls;
    w = width;
    h = height;
    bgra.assign(static_cast<size_t>(w) * h * 4, 0);
    for (size_t i = 0; i < bgra.size(); i += 4) {
      bgra[i] = static_cast<uint8_t>(mTaken);
      bgra[i + 1] = 0x40;
      bgra[i + 2] = 0x80;
      bgra[i + 3] = 0xFF;
    }
    return true;
  }
  bool ReadyForFrame() override { return ready; }

 private:
  int mTaken = 0;
};

// Writes what reaches it to the journal: "down L R", "dbl", "up", "drag dX,dY", "out", "wheel", "drop PATH",
// "drops N", "menu INDEX" or "menu none", "text TYPED" (unbound only).
class JournalControl : public IControl {
 public:
  JournalControl(std::vector<std::string>& journal, const IRECT& bounds, int paramIdx)
      : IControl(bounds, paramIdx), mJournal(journal) {}
  void Draw(IGraphics& g) override { g.FillRect(IColor(255, 255, 0, 0), GetRECT()); }
  void OnMouseDown(float, float, const IMouseMod& mod) override {
    mJournal.push_back(std::string("down") + (mod.L ? " L" : "") + (mod.R ? " R" : ""));
  }
  void OnMouseUp(float, float, const IMouseMod&) override { mJournal.push_back("up"); }
  void OnMouseDblClick(float, float, const IMouseMod&) override { mJournal.push_back("dbl"); }
  void OnMouseDrag(float, float, float dX, float dY, const IMouseMod&) override {
    mJournal.push_back("drag " + std::to_string(static_cast<int>(dX)) + "," + std::to_string(static_cast<int>(dY)));
  }
  void OnMouseOut() override {
    mJournal.push_back("out");
    IControl::OnMouseOut();
  }
  void OnMouseWheel(float, float, const IMouseMod&, float) override { mJournal.push_back("wheel"); }
  void OnDrop(const char* path) override { mJournal.push_back(std::string("drop ") + path); }
  void OnDropMultiple(const std::vector<const char*>& paths) override {
    mJournal.push_back("drops " + std::to_string(paths.size()));
  }
  void OnTextEntryCompletion(const char* str, int) override { mJournal.push_back(std::string("text ") + str); }
  void OnPopupMenuSelection(IPopupMenu* menu, int) override {
    mJournal.push_back(menu ? "menu " + std::to_string(menu->GetChosenItemIdx()) : "menu none");
  }

 private:
  std::vector<std::string>& mJournal;
};

class EditorDelegate : public FakeDelegate {
 public:
  std::function<void(IGraphics*)> layout;
  int opens = 0;
  int closes = 0;
  void LayoutUI(IGraphics* graphics) override {
    FakeDelegate::LayoutUI(graphics);
    if (layout) layout(graphics);
  }
  void OnUIOpen() override { ++opens; }
  void OnUIClose() override { ++closes; }
};

class PlatformGraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pw::SelectBackend(pw::BackendKind::kHeadless));
    backend = static_cast<pw::HeadlessBackend*>(&pw::CurrentBackend());
    platform::RunLoop::Main().SetClock(&clock);
    SetDrawingLayerMaker([] { return std::make_unique<RecordingDrawingLayer>(); });
    ResetFramebuffers();
    dlg.SetMakeGraphicsFunc([this] { return new IGraphicsLinux(dlg, 200, 100, 60, drawScale); });
    dlg.layout = [this](IGraphics* g) {
      g->EnableMouseOver(true);
      g->AttachPanelBackground(IPattern(IColor(255, 128, 128, 128)));  // index 0 never takes mouse-over
      control = static_cast<JournalControl*>(
          g->AttachControl(new JournalControl(journal, IRECT(90.f, 40.f, 110.f, 60.f), -1)));
    };
  }
  void TearDown() override {
    dlg.CloseWindow();
    platform::RunLoop::Main().RunPostedWork();
    SetDrawingLayerMaker(nullptr);
    platform::RunLoop::Main().SetClock(nullptr);
  }

  void Open(float scale = 1.f) {
    drawScale = scale;
    ASSERT_NE(dlg.OpenWindow(nullptr), nullptr);
  }
  IGraphicsLinux& G() { return *dlg.GetUI<IGraphicsLinux>(); }
  pw::Window& W() { return *G().GetPlatformWindow(); }
  IGraphicsView& V() { return *G().GetView(); }
  RecordingDrawingLayer& Layer() { return *static_cast<RecordingDrawingLayer*>(V().Layer()); }

  // One redraw-timer period.
  void Frame() {
    clock.Advance(1.0 / 60.0);
    platform::RunLoop::Main().RunDueTimers();
  }
  // At editor point (x, y).
  void Inject(pw::NativeInput::Kind kind, float x, float y, double time = 0.0, int button = 0, unsigned mods = 0) {
    pw::NativeInput input;
    input.kind = kind;
    input.pixel = pw::Point{x * drawScale, y * drawScale};
    input.timestamp = time;
    input.button = button;
    input.modifierFlags = mods;
    backend->Inject(W(), input);
  }
  // Log lines of the window back end that start with prefix.
  std::vector<std::string> Log(const std::string& prefix) const {
    std::vector<std::string> lines;
    for (const std::string& line : backend->LogLines())
      if (line.rfind(prefix, 0) == 0) lines.push_back(line);
    return lines;
  }

  platform::ManualClock clock;
  pw::HeadlessBackend* backend = nullptr;
  EditorDelegate dlg;
  std::vector<std::string> journal;
  JournalControl* control = nullptr;
  float drawScale = 1.f;
};

}  // namespace fx::gfx::test

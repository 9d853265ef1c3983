// The editor end to end through the VST 2 dispatcher: its size and pictures (and where its graphics find
// them), clicks and drags on its controls and what the host sees of them, the plug-in menu's GUI scale, the
// in-editor text entry, presets through the preset bar's panels, meters moving with audio, and the editor's
// life cycle.
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "editor/KelvadruneTestInstance.h"
#include "framework/vst2/VST2EditorFrame.h"
#include "graphics/platform/IGraphicsLinux.h"
#include "graphics/vector/GVRBackend.h"
#include "platform/paths/Paths.h"
#include "tests/editor/EditorHostFixture.h"
#include "tools/pngfile/PngFile.h"
#include "tools/vst2host/HostEditor.h"

namespace kelvadrune_test {
namespace {

using Kind = pw::NativeInput::Kind;

constexpr Rgb kAccent{32, 226, 224};

bool Near(const Rgb& a, const Rgb& b, int tolerance = 6) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

struct Box {
  int l, t, r, b;
  int Area() const { return (r - l) * (b - t); }
};

std::string Text(const Rgb& c) {
  return std::to_string(c.r) + "," + std::to_string(c.g) + "," + std::to_string(c.b);
}

// The host calls with one of the opcodes, as "opcode:index" (and ":value" for automation, rounded to 1/100).
std::vector<std::string> EditCalls(const vsthost::TestHost& host) {
  std::vector<std::string> calls;
  for (const vsthost::HostCall& c : host.Calls()) {
    if (c.opcode == vst2::kHostBeginEdit) calls.push_back("begin:" + std::to_string(c.index));
    if (c.opcode == vst2::kHostEndEdit) calls.push_back("end:" + std::to_string(c.index));
    if (c.opcode == vst2::kHostAutomate)
      calls.push_back("automate:" + std::to_string(c.index) + ":" + std::to_string(std::lround(c.opt * 100)));
  }
  return calls;
}

TEST_F(EditorHostTest, OpensAt640x480WithItsPanelsAndThePowerSwitchOn) {
  vst2::EditorRect* rect = nullptr;
  ASSERT_EQ(host.Dispatch(vst2::kEffEditGetRect, 0, 0, &rect), 1);
  ASSERT_NE(rect, nullptr);
  EXPECT_EQ(rect->right - rect->left, 640);
  EXPECT_EQ(rect->bottom - rect->top, 480);
  OpenEditor();
  EXPECT_EQ(Presented().width, 640);
  EXPECT_EQ(Presented().height, 480);
  const struct {
    float x, y;
    Rgb colour;
    const char* what;
  } probes[] = {
      {430, 4, {40, 42, 44}, "top strip, upper band"}, {430, 36, {34, 36, 38}, "top strip, lower band"},
      {10, 50, {42, 44, 46}, "gradient panel, top"},   {10, 470, {20, 22, 24}, "gradient panel, bottom"},
      {250, 12, {0, 0, 0}, "preset name box"},         {70, 420, kAccent, "power switch, on picture"},
      {95, 250, kAccent, "master fader's fill"},
  };
  for (const auto& p : probes) EXPECT_TRUE(Near(Pixel(p.x, p.y), p.colour)) << p.what << ": " << Text(Pixel(p.x, p.y));
}

// The product's graphics find a picture beside the module first and then in the user's music folder under
// Kelvadrune/Resources: a picture only there loads, and one beside the module wins over its namesake there.
TEST(EditorResources, PictureInTheSharedFolderLoadsAndOneBesideTheModuleWins) {
  namespace fs = std::filesystem;
  const fs::path music = fs::path(testing::TempDir()) / ("kd_music_" + std::to_string(::getpid()));
  const fs::path shared = music / "Kelvadrune" / "Resources";
  const fs::path module = platform::paths::ModuleResourceFolder();
  fs::create_directories(shared);
  fs::create_directories(module);
  const auto picture = [](const fs::path& path, int width) {
    std::ofstream(path) << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << width << "\" height=\"5\"/>";
  };
  const std::string sharedOnly = "kd_shared_only_" + std::to_string(::getpid()) + ".svg";
  const std::string both = "kd_both_places_" + std::to_string(::getpid()) + ".svg";
  picture(shared / sharedOnly, 11);
  picture(shared / both, 22);
  picture(module / both, 33);
  const char* oldMusic = std::getenv("XDG_MUSIC_DIR");
  const std::string savedMusic = oldMusic ? oldMusic : "";
  ::setenv("XDG_MUSIC_DIR", music.c_str(), 1);
  {
    Kelvadrune plug(fx::InstanceInfo{});
    const std::unique_ptr<fx::gfx::IGraphicsLinux> g(MakeGraphics(plug, 640, 480, 60, 1.f));
    EXPECT_EQ(g->LoadSVG(sharedOnly.c_str()).W(), 11.f);
    EXPECT_EQ(g->LoadSVG(both.c_str()).W(), 33.f);
    EXPECT_FALSE(g->LoadSVG("kd_nowhere.svg").IsValid());
  }
  if (oldMusic)
    ::setenv("XDG_MUSIC_DIR", savedMusic.c_str(), 1);
  else
    ::unsetenv("XDG_MUSIC_DIR");
  fs::remove(module / both);
  fs::remove_all(music);
}

// The whole editor against a reviewed picture; a differing frame is written beside the test for review.
TEST_F(EditorHostTest, WholeEditorMatchesTheReviewedPicture) {
  OpenEditor();
  std::vector<uint8_t> golden;
  int w = 0, h = 0;
  ASSERT_TRUE(ReadPngRgba(KD_EDITOR_GOLDEN_DIR "/editor.png", golden, w, h));
  ASSERT_EQ(w, Presented().width);
  ASSERT_EQ(h, Presented().height);
  const std::vector<uint8_t> actual = Rgba();
  int differing = 0;
  for (size_t i = 0; i < actual.size(); i += 4) {
    for (int c = 0; c < 3; ++c)
      if (std::abs(actual[i + c] - golden[i + c]) > 24) {
        ++differing;
        break;
      }
  }
  // Text and curve edges may move by a pixel with the rasteriser's version; nothing larger may change.
  EXPECT_LT(differing, w * h / 200);
  if (differing >= w * h / 200)
    WritePngRgba(testing::TempDir() + "editor_actual_" + std::to_string(getpid()) + ".png", actual, w, h);
}

// The instance a user's module creates answers the editor-frame request as any unknown request (0, nothing
// written), also once its editor has drawn; the instance of a module built with the tests hands out the frame
// its window presented.
TEST_F(EditorHostTest, OnlyTheTestModulesInstanceHandsOutTheEditorsFrame) {
  OpenEditor();
  vst2::EditorFrame frame;
  EXPECT_EQ(host.Dispatch(vst2::kEffVendorSpecific, vst2::kVendorEditorFrame, 0, nullptr), 0);
  EXPECT_EQ(host.Dispatch(vst2::kEffVendorSpecific, vst2::kVendorEditorFrame, 0, &frame), 0);
  EXPECT_EQ(frame.bgra, nullptr);
  CloseEditor();
  std::string error;
  ASSERT_TRUE(host.InstantiateFrom(&CreateKelvadruneTestInstance, error)) << error;
  OpenEditor();
  EXPECT_EQ(host.Dispatch(vst2::kEffVendorSpecific, vst2::kVendorEditorFrame, 0, nullptr), 1);
  ASSERT_EQ(host.Dispatch(vst2::kEffVendorSpecific, vst2::kVendorEditorFrame, 0, &frame), 1);
  EXPECT_EQ(frame.width, Presented().width);
  EXPECT_EQ(frame.height, Presented().height);
  EXPECT_EQ(frame.bytesPerRow, Presented().width * 4);
  EXPECT_EQ(frame.presentedCount, Presented().count);
  EXPECT_EQ(frame.bgra, Presented().pixels.data());
}

// The test host's picture of a plug-in that does not answer the request fails at once with the reason.
TEST_F(EditorHostTest, TheTestHostsPictureNeedsAModuleBuiltWithTheTests) {
  vsthost::EditorPicture picture;
  std::string error;
  EXPECT_FALSE(vsthost::CaptureEditorFrame(host, picture, error, 0.0));
  EXPECT_NE(error.find("only a module built with the project's tests"), std::string::npos) << error;
  EXPECT_EQ(picture.width, 0);
  EXPECT_TRUE(pw::CurrentBackend().Windows().empty()) << "no editor was opened";
}

TEST_F(EditorHostTest, PowerClickIsOneGestureAndTheNextFrameShowsItOff) {
  OpenEditor();
  host.ClearCalls();
  Click(70, 420);
  Frame();
  EXPECT_EQ(EditCalls(host), (std::vector<std::string>{"begin:3", "automate:3:0", "end:3"}));
  EXPECT_EQ(host.GetParameter(kPower), 0.f);
  EXPECT_FALSE(Near(Pixel(70, 420), kAccent)) << "power switch still on: " << Text(Pixel(70, 420));
}

// Controls are dimmed through their blend by the host's bypass (power only fades the sound); what a control
// draws without its blend, the fader's filled part, keeps its colour.
TEST_F(EditorHostTest, HostBypassDimsWhatControlsDrawWithTheirBlend) {
  OpenEditor();
  const Rgb power = Pixel(70, 420), handle = Pixel(95, 180), fill = Pixel(95, 250);
  host.Dispatch(vst2::kEffSetBypass, 0, 1);
  Frame();
  EXPECT_LT(Pixel(70, 420).Brightness(), power.Brightness()) << Text(Pixel(70, 420));
  EXPECT_LT(Pixel(95, 180).Brightness(), handle.Brightness()) << Text(Pixel(95, 180));
  // The fader's filled part is drawn without the control's blend: it keeps its colour.
  EXPECT_TRUE(Near(Pixel(95, 250), fill)) << Text(Pixel(95, 250));
  host.Dispatch(vst2::kEffSetBypass, 0, 0);
  Frame();
  EXPECT_TRUE(Near(Pixel(95, 180), handle));
}

// The fader moves by the drag's distance over its gearing (4) times its travel: 184 points, its 240-point rectangle
// less the 24-point value row and the 16-point handle at each end. A steady hand up and back down again ends
// where it began.
TEST_F(EditorHostTest, DraggingAFaderMovesItByTheDragWithTheCursorHiddenMeanwhile) {
  constexpr double kGearing = 4.0;
  constexpr double kTravel = 184.0;
  OpenEditor();
  const float before = host.GetParameter(kGainMaster);
  ASSERT_FLOAT_EQ(before, 0.5f);
  const pw::CursorCounters cursor = backend->cursorCounters;
  host.ClearCalls();
  Inject(Kind::kMotion, 95, 180);
  Inject(Kind::kButtonPress, 95, 180);
  // The hidden pointer goes back to where it was pressed after every move, so a steady upward hand sends
  // the same position each time: three moves of 10 points.
  for (int step = 1; step <= 3; ++step) Inject(Kind::kMotion, 95, 170);
  EXPECT_EQ(backend->cursorCounters.lastWarp, backend->PointerPixels());
  EXPECT_EQ(backend->cursorCounters.hides, cursor.hides + 1);
  EXPECT_EQ(backend->cursorCounters.shows, cursor.shows);
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.5 + 30.0 / (kGearing * kTravel), 1e-6);
  for (int step = 1; step <= 3; ++step) Inject(Kind::kMotion, 95, 190);
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.5, 1e-6);
  Inject(Kind::kMotion, 95, 170);
  Inject(Kind::kButtonRelease, 95, 170);
  EXPECT_EQ(backend->cursorCounters.shows, cursor.shows + 1);
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.5 + 10.0 / (kGearing * kTravel), 1e-6);
  const std::vector<std::string> calls = EditCalls(host);
  ASSERT_GE(calls.size(), 3u);
  EXPECT_EQ(calls.front(), "begin:5");
  EXPECT_EQ(calls.back(), "end:5");
}

TEST_F(EditorHostTest, FixedGUIScaleFromThePluginMenuResizesTheHostWindow) {
  OpenEditor();
  host.ClearCalls();
  // The in-editor menu: "Fixed GUI scale" opens its submenu under the pointer, then "150%".
  Click(20, 20);
  Frames(2);
  Inject(Kind::kMotion, 85, 301);
  Frames(2);
  Inject(Kind::kMotion, 230, 329);
  Click(230, 329);
  Frames(30);
  const std::vector<vsthost::HostCall> sizes = host.CallsWith(vst2::kHostSizeWindow);
  ASSERT_EQ(sizes.size(), 1u) << testing::PrintToString(backend->LogLines());
  EXPECT_EQ(sizes[0].index, 960);
  EXPECT_EQ(sizes[0].value, 720);
  EXPECT_EQ(Presented().width, 960);
  EXPECT_EQ(Presented().height, 720);
  EXPECT_TRUE(Near(Pixel(70, 420, 1.5f), kAccent)) << Text(Pixel(70, 420, 1.5f));
}

TEST_F(EditorHostTest, AValueTypedIntoTheFadersTextEntrySetsIt) {
  OpenEditor();
  Click(95, 293);  // the master fader's value
  Frame();
  for (char c : std::string("-6")) Key(c == '-' ? 27 : pw::keycode::k6, static_cast<char32_t>(c));
  Key(pw::keycode::kReturn, U'\r');
  Frame();
  EXPECT_EQ(host.ParamText(vst2::kEffGetParamDisplay, kGainMaster), "-6.00");
}

TEST_F(EditorHostTest, APresetSavedAndLoadedThroughThePresetBar) {
  OpenEditor();
  const std::string path = std::string(std::getenv("HOME")) + "/Editor test.lps";
  const struct {
    float value;
    float menuY;  // "Save preset ..." or "Load preset ..." in the preset bar's menu
  } steps[] = {{0.25f, 117}, {0.75f, 71}};
  for (const auto& step : steps) {
    host.SetParameter(kGainMaster, step.value);
    backend->Script().panelAnswers.push_back(path);
    Click(250, 20);
    Frames(2);
    Click(290, step.menuY);
    Frames(30);  // the menu closes (300 ms) before the bar asks for the next one
  }
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.25f, 1e-4f) << testing::PrintToString(backend->LogLines());
}

// Files dragged from another program (the window's entry point, as the X11 back end's drop protocol uses it): any
// file is answered with a copy wherever it is; the preset bar loads a dropped preset file, any other file changes
// nothing.
TEST_F(EditorHostTest, APresetFileDroppedOnThePresetBarIsLoaded) {
  OpenEditor();
  const std::string preset = std::string(std::getenv("HOME")) + "/Dropped preset.lps";
  host.SetParameter(kGainMaster, 0.25f);
  backend->Script().panelAnswers.push_back(preset);
  Click(250, 20);
  Frames(2);
  Click(290, 117);  // "Save preset ..."
  Frames(4);
  host.SetParameter(kGainMaster, 0.75f);
  const pw::Point presetBar{280, 20};
  const std::string notes = std::string(std::getenv("HOME")) + "/notes.txt";
  std::ofstream(notes) << "not a preset\n";
  EXPECT_EQ(window->DragMoved({notes}, presetBar), pw::DragOperation::kCopy);
  EXPECT_TRUE(window->DragDropped({notes}, presetBar));
  Frames(2);
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.75f, 1e-4f);
  EXPECT_EQ(window->DragMoved({preset}, pw::Point{95, 180}), pw::DragOperation::kCopy);  // over a fader
  EXPECT_EQ(window->DragMoved({preset}, presetBar), pw::DragOperation::kCopy);
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.75f, 1e-4f);
  EXPECT_TRUE(window->DragDropped({preset}, presetBar));
  Frames(2);
  EXPECT_NEAR(host.GetParameter(kGainMaster), 0.25f, 1e-4f) << testing::PrintToString(backend->LogLines());
}

// After the pointer rested on the meter, its tooltip shows in a pale box beside the pointer; a leave, a click or a
// key takes it away, leaving the frame as it was, and it stays away while the pointer stays.
TEST_F(EditorHostTest, TooltipsShowAfterTheDelayBesideThePointerAndGoOnLeaveClickOrKey) {
  OpenEditor();
  const std::vector<uint8_t> still = Rgba();
  const Box whole{0, 0, 640, 480};
  const Box belowPointer{400, 215, 640, 245};
  const int delayFrames = static_cast<int>(std::lround(pw::ToolTipTracker::kDelaySeconds * 60.0));
  for (const char* dismiss : {"leave", "click", "key"}) {
    SCOPED_TRACE(dismiss);
    Inject(Kind::kMotion, 545, 200);
    Frame();
    const std::vector<uint8_t> hovered = Rgba();
    Frames(delayFrames - 3);
    EXPECT_EQ(window->ToolTipText(), "");
    EXPECT_EQ(ChangedPixels(hovered, whole), 0);
    Frames(4);
    EXPECT_EQ(window->ToolTipText(), "Left/Right peak meter. Click to reset.");
    EXPECT_GT(ChangedPixels(hovered, belowPointer), belowPointer.Area() / 4);
    EXPECT_GT(Pixel(530, 222).Brightness(), 600) << Text(Pixel(530, 222));
    EXPECT_EQ(ChangedPixels(hovered, Box{0, 0, 640, 215}), 0);
    const std::string how = dismiss;
    if (how == "leave") Inject(Kind::kLeave, 700, 200);
    if (how == "click") Click(545, 200);
    if (how == "key") Key(pw::keycode::kA, U'a');
    Frames(delayFrames * 2);
    EXPECT_EQ(window->ToolTipText(), "");
    EXPECT_EQ(ChangedPixels(how == "leave" ? still : hovered, whole), 0);
    Inject(Kind::kLeave, 700, 200);
    Frame();
  }
}

// Tooltips follow the "Toggle tooltips" parameter, whether the host or the plug-in menu's row sets it.
TEST_F(EditorHostTest, TheTooltipsParameterAndItsMenuRowSwitchTooltips) {
  OpenEditor();
  const auto hoverTheMeter = [&] {
    Inject(Kind::kLeave, 700, 200);
    Inject(Kind::kMotion, 545, 200);
    Frames(60);
    return window->ToolTipText();
  };
  const std::string meter = "Left/Right peak meter. Click to reset.";
  host.SetParameter(kToggleTooltips, 0.f);
  Frame();
  EXPECT_EQ(hoverTheMeter(), "");
  host.SetParameter(kToggleTooltips, 1.f);
  Frame();
  EXPECT_EQ(hoverTheMeter(), meter);
  // The plug-in menu's "Tooltips" row.
  Click(20, 20);
  Frames(2);
  Inject(Kind::kMotion, 85, 234);
  Frames(2);
  Click(85, 234);
  Frames(30);
  EXPECT_EQ(host.GetParameter(kToggleTooltips), 0.f);
  EXPECT_EQ(hoverTheMeter(), "");
}

TEST_F(EditorHostTest, MetersAndModulationViewsFollowTheAudioAndAClickResetsTheMeter) {
  OpenEditor();
  const std::vector<uint8_t> silent = Rgba();
  // The master fader moves between blocks, so that its modulation view has something to plot.
  for (int i = 0; i < 10; ++i) {
    host.SetParameter(kGainMaster, i % 2 ? 0.2f : 0.8f);
    ProcessSine(8, 0.9f);
    Frames(2);
  }
  const Box meter{480, 100, 610, 370}, modView{22, 312, 168, 378};
  EXPECT_GT(ChangedPixels(silent, meter), meter.Area() / 2);
  EXPECT_GT(ChangedPixels(silent, modView), modView.Area() / 10);
  Frames(30);  // the peak hold stays without audio
  EXPECT_GT(ChangedPixels(silent, meter), meter.Area() / 2);
  Click(545, 200);
  Frames(4);
  EXPECT_EQ(ChangedPixels(silent, meter), 0);
}

// A still editor draws nothing while audio runs, silent or steady: the meter and the modulation views redraw only
// what moves by a pixel. A falling level moves the meter on every frame; a change from the host is drawn once.
TEST_F(EditorHostTest, DrawsOnlyWhenSomethingIsDirty) {
  OpenEditor();
  // About 21 ms of audio before each frame, as a host's audio runs between its idle calls.
  const auto frames = [this](int n, float amplitude) {
    for (int i = 0; i < n; ++i) {
      ProcessSine(4, amplitude);
      Frame();
    }
  };
  for (const float amplitude : {0.f, 0.5f}) {
    frames(30, amplitude);  // the meter rises, the views fill with the steady gain
    const int before = Presented().count;
    frames(60, amplitude);
    EXPECT_EQ(Presented().count, before) << amplitude;
  }
  int before = Presented().count;
  frames(20, 0.f);
  EXPECT_GE(Presented().count, before + 15);
  before = Presented().count;
  host.SetParameter(kGainMaster, 0.75f);
  Frames(10);
  EXPECT_EQ(Presented().count, before + 1);
}

// A hidden (unmapped) editor draws no frame, whatever changes and however long audio runs; shown again, it
// draws one frame, which shows the editor as it is now.
TEST_F(EditorHostTest, HiddenDrawsNothingAndShownAgainDrawsOnce) {
  OpenEditor();
  struct Case {
    const char* name;
    float gainWhileHidden;  // -1: nothing changes
  };
  for (const Case& c : {Case{"unchanged", -1.f}, Case{"fader moved", 0.25f}}) {
    Frames(5);
    const std::vector<uint8_t> shown = Rgba();
    const int before = Presented().count;
    Inject(pw::NativeInput::Kind::kHidden, 0.f, 0.f);
    if (c.gainWhileHidden >= 0.f) host.SetParameter(kGainMaster, c.gainWhileHidden);
    for (int i = 0; i < 30; ++i) {
      ProcessSine(4, 0.5f);
      Frame();
    }
    EXPECT_EQ(Presented().count, before) << c.name;
    Inject(pw::NativeInput::Kind::kShown, 0.f, 0.f);
    Frames(3);
    EXPECT_EQ(Presented().count, before + 1) << c.name;
    const int changed = ChangedPixels(shown, Box{20, 60, 170, 300});  // the master fader column
    if (c.gainWhileHidden >= 0.f)
      EXPECT_GT(changed, 0) << c.name;
    else
      EXPECT_EQ(changed, 0) << c.name;
  }
}

// After changes in small parts of the editor, the window holds what a redraw of the whole editor shows, though each
// frame sent it only a rectangle around what changed; shown again after hiding, the editor is redrawn and sent whole.
TEST_F(EditorHostTest, FramesSentInPartsAddUpToAWholeRedraw) {
  OpenEditor();
  struct Case {
    const char* name;
    std::function<void()> change;
    Box within;  // in editor points at scale 1: every rectangle sent lies inside
  };
  const Case cases[] = {
      {"fader moved by the host",
       [this] {
         for (const float gain : {0.2f, 0.6f, 0.4f}) {
           host.SetParameter(kGainMaster, gain);
           Frames(2);
         }
       },
       Box{10, 50, 180, 310}},
      {"meters rising and falling",
       [this] {
         for (const float amplitude : {0.5f, 0.f}) {
           for (int i = 0; i < 40; ++i) {
             ProcessSine(4, amplitude);
             Frame();
           }
         }
       },
       Box{460, 50, 630, 390}},
  };
  const pw::PresentedFrame& frame = Presented();
  const size_t whole = static_cast<size_t>(frame.width) * frame.height * 4;
  for (const Case& c : cases) {
    int count = frame.count;
    size_t sent = frame.bytesSent;
    c.change();
    Frames(10);
    EXPECT_GT(frame.count, count) << c.name;
    EXPECT_LT(frame.bytesSent - sent, whole * static_cast<size_t>(frame.count - count)) << c.name;
    const pw::PixelRect& last = frame.updated;
    EXPECT_GE(last.x, c.within.l) << c.name;
    EXPECT_GE(last.y, c.within.t) << c.name;
    EXPECT_LE(last.x + last.width, c.within.r) << c.name;
    EXPECT_LE(last.y + last.height, c.within.b) << c.name;
    const std::vector<uint8_t> parted = Rgba();
    count = frame.count;
    sent = frame.bytesSent;
    Inject(pw::NativeInput::Kind::kHidden, 0.f, 0.f);
    Frames(2);
    Inject(pw::NativeInput::Kind::kShown, 0.f, 0.f);
    Frames(3);
    ASSERT_EQ(frame.count, count + 1) << c.name;
    EXPECT_EQ(frame.updated, (pw::PixelRect{0, 0, frame.width, frame.height})) << c.name;
    EXPECT_EQ(frame.bytesSent - sent, whole) << c.name;
    EXPECT_EQ(ChangedPixels(parted, Box{0, 0, frame.width, frame.height}), 0) << c.name;
  }
}

TEST_F(EditorHostTest, ClosesAndReopensThroughTheDispatcher) {
  OpenEditor();
  CloseEditor();
  EXPECT_TRUE(backend->Windows().empty());
  Frames(2);
  OpenEditor();
  EXPECT_TRUE(Near(Pixel(70, 420), kAccent));
}

// What the GPU device kept between editors holds once its frames are done (nullopt without a device).
std::optional<platform::gpu::GpuDeviceHoldings> KeptDeviceHoldings() {
  std::weak_ptr<platform::gpu::GpuDevice> kept;
  {
    const std::unique_ptr<fx::gfx::IGraphicsDrawingLayer> layer = fx::gfx::MakeDrawingLayer();
    if (auto* renderer = static_cast<VulkanLayer*>(layer->RendererLayer())) kept = renderer->device;
  }
  const std::shared_ptr<platform::gpu::GpuDevice> device = kept.lock();
  if (!device) return std::nullopt;
  device->WaitForFramesInFlight();
  return device->Holdings();
}

// Audio keeps running on its own thread while the host opens and closes the editor a hundred times; what the GPU
// device kept between editors holds after the last close is what it held after the first.
TEST_F(EditorHostTest, OpenAndClose100TimesWhileAudioRuns) {
  std::atomic<bool> stop{false};
  std::thread audio([&] {
    while (!stop.load()) ProcessSine(1, 0.5f);
  });
  std::optional<platform::gpu::GpuDeviceHoldings> first;
  for (int i = 0; i < 100 && !HasFatalFailure(); ++i) {
    OpenEditor();
    CloseEditor();
    if (i == 0) first = KeptDeviceHoldings();
  }
  stop.store(true);
  audio.join();
  EXPECT_TRUE(backend->Windows().empty());
  ASSERT_TRUE(first.has_value());
  const std::optional<platform::gpu::GpuDeviceHoldings> last = KeptDeviceHoldings();
  ASSERT_TRUE(last.has_value()) << "the device was not kept";
  EXPECT_EQ(last->frameSlots, first->frameSlots);
  EXPECT_EQ(last->descriptorPools, first->descriptorPools);
  EXPECT_EQ(last->descriptorSets, first->descriptorSets);
  EXPECT_EQ(last->buffers, first->buffers);
  EXPECT_EQ(last->textures, first->textures);
  EXPECT_EQ(last->samplers, first->samplers);
  EXPECT_EQ(last->pipelines, first->pipelines);
}

// CTest runs this case again with KD_VULKAN_LIBRARY naming a loader that does not exist: the editor cannot
// open, the host is told so, and the plug-in goes on processing audio.
TEST_F(EditorHostTest, WithoutVulkanTheEditorDoesNotOpenAndAudioGoesOn) {
  if (!std::getenv("KD_VULKAN_LIBRARY")) GTEST_SKIP() << "runs with the Vulkan loader made unavailable";
  EXPECT_EQ(host.Dispatch(vst2::kEffEditOpen), 0);
  EXPECT_TRUE(backend->Windows().empty());
  std::vector<float> in(kBlock, 0.5f), out(kBlock, 0.f);
  float* ins[2] = {in.data(), in.data()};
  float* outs[2] = {out.data(), out.data()};
  host.ProcessReplacing(ins, outs, kBlock);
  EXPECT_EQ(out[kBlock - 1], 0.5f);  // defaults pass the signal through
}

}  // namespace
}  // namespace kelvadrune_test

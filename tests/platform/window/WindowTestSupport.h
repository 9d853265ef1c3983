// A headless back end with one window and a view that records every event it gets, for the window tests.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/window/Backend.h"
#include "platform/window/HeadlessBackend.h"
#include "platform/window/Window.h"

namespace platform::window {

struct Seen {
  EventType type;
  Point point;  // in the receiving view
  int clickCount;
  unsigned modifiers;
  double deltaX;
  double deltaY;
  int keyCode;
  std::u32string characters;
  int button;  // the event's button number: 0 left, 1 right, 2 middle, then the extra buttons
};

class RecordingView : public View {
 public:
  explicit RecordingView(Rect frame, bool takesKeys = true) : View(frame), mTakesKeys(takesKeys) {
    RegisterForDraggedFiles();
  }
  bool AcceptsFirstResponder() const override { return true; }
  void MouseDown(const Event& e) override { Record(e); }
  void MouseUp(const Event& e) override { Record(e); }
  void RightMouseDown(const Event& e) override { Record(e); }
  void RightMouseUp(const Event& e) override { Record(e); }
  void OtherMouseDown(const Event& e) override { Record(e); }
  void OtherMouseUp(const Event& e) override { Record(e); }
  void MouseMoved(const Event& e) override { Record(e); }
  void MouseDragged(const Event& e) override { Record(e); }
  void MouseEntered(const Event& e) override { Record(e); }
  void MouseExited(const Event& e) override { Record(e); }
  void ScrollWheel(const Event& e) override { Record(e); }
  void KeyDown(const Event& e) override {
    if (mTakesKeys) {
      Record(e);
    } else {
      View::KeyDown(e);
    }
  }
  void UpdateTrackingAreas() override {
    if (mArea) RemoveTrackingArea(*mArea);
    mArea = &AddTrackingArea(Bounds(), tracking::kMouseEnteredAndExited | tracking::kActiveAlways);
  }
  // Tooltips: "show TEXT at X,Y" (view point, whole points) and "hide".
  void ShowToolTip(const std::string& text, Point point) override {
    tips.push_back("show " + text + " at " + At(point));
  }
  void HideToolTip() override { tips.push_back("hide"); }
  // Drags: "entered", "updated", "exited", "perform FILE|FILE at X,Y"; files named "*.lps" are taken.
  DragOperation DraggingEntered(const DraggingInfo& info) override { return Answer("entered", info); }
  DragOperation DraggingUpdated(const DraggingInfo& info) override { return Answer("updated", info); }
  void DraggingExited() override { drags.push_back("exited"); }
  bool PerformDragOperation(const DraggingInfo& info) override {
    std::string files;
    for (const std::string& file : info.filenames) files += (files.empty() ? "" : "|") + file;
    drags.push_back("perform " + files + " at " + At(ConvertPointFromView(info.draggingLocation, nullptr)));
    return true;
  }

  // "X,Y" in whole points.
  static std::string At(Point p) {
    return std::to_string(static_cast<int>(p.x)) + "," + std::to_string(static_cast<int>(p.y));
  }

  std::vector<Seen> seen;
  std::vector<std::string> tips;
  std::vector<std::string> drags;

 private:
  void Record(const Event& e) {
    seen.push_back({e.type, ConvertPointFromView(e.locationInWindow, nullptr), e.clickCount, e.modifierFlags, e.deltaX,
                    e.deltaY, e.keyCode, e.characters, e.buttonNumber});
  }
  DragOperation Answer(const char* what, const DraggingInfo& info) {
    drags.push_back(what);
    const bool takes = !info.filenames.empty() && info.filenames.front().ends_with(".lps");
    return takes ? DragOperation::kCopy : DragOperation::kNone;
  }
  bool mTakesKeys;
  const TrackingArea* mArea = nullptr;
};

class HeadlessWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SelectBackend(BackendKind::kHeadless));
    backend = static_cast<HeadlessBackend*>(&CurrentBackend());
    window = Window::Create(nullptr, Size{400, 300});
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { window.reset(); }

  void Inject(NativeInput::Kind kind, Point pixel, double time = 0.0, int button = 0, unsigned modifiers = 0) {
    NativeInput input;
    input.kind = kind;
    input.pixel = pixel;
    input.timestamp = time;
    input.button = button;
    input.modifierFlags = modifiers;
    backend->Inject(*window, input);
  }

  HeadlessBackend* backend = nullptr;
  std::unique_ptr<Window> window;
};

// Pumps the back end until done() holds, for at most five seconds: an X server answers asynchronously.
template <typename Done>
bool PumpUntil(Done done) {
  for (int i = 0; i < 500; ++i) {
    Pump();
    if (done()) return true;
    ::usleep(10000);
  }
  return false;
}

}  // namespace platform::window

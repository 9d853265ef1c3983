// A headless back end with one window and a view that records every event it gets, for the window tests.
#pragma once

#include <gtest/gtest.h>

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
  explicit RecordingView(Rect frame, bool takesKeys = true) : View(frame), mTakesKeys(takesKeys) {}
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

  std::vector<Seen> seen;

 private:
  void Record(const Event& e) {
    seen.push_back({e.type, ConvertPointFromView(e.locationInWindow, nullptr), e.clickCount, e.modifierFlags, e.deltaX,
                    e.deltaY, e.keyCode, e.characters, e.buttonNumber});
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

}  // namespace platform::window

// The editor model every graphics test starts from: a fake delegate with real parameters, a recording
// graphics object of 400 x 300 points, a journal of control hook calls, and pointer helpers.
#pragma once

#include "tests/graphics/TestControl.h"
#include "tests/support/FakeDelegate.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

namespace fx::gfx::test {

class GraphicsFixture : public ::testing::Test {
 protected:
  FakeDelegate dlg;
  RecordingGraphics g{dlg, 400, 300};
  std::vector<std::string> journal;

  TestControl* Attach(const std::string& name, const IRECT& r, int paramIdx = -1, int tag = -1,
                      const char* group = "") {
    return static_cast<TestControl*>(g.AttachControl(new TestControl(journal, name, r, paramIdx), tag, group));
  }

  static IMouseInfo Point(float x, float y, float dX = 0.f, float dY = 0.f, IMouseMod mod = IMouseMod()) {
    IMouseInfo p;
    p.x = x;
    p.y = y;
    p.dX = dX;
    p.dY = dY;
    p.ms = mod;
    return p;
  }
  static IMouseMod Right() {
    IMouseMod m;
    m.R = true;
    return m;
  }
  static IMouseMod Left() {
    IMouseMod m;
    m.L = true;
    return m;
  }
  static IMouseMod Shift() {
    IMouseMod m;
    m.L = true;
    m.S = true;
    return m;
  }

  void Press(float x, float y, IMouseMod mod = Left()) { g.OnMouseDown({Point(x, y, 0, 0, mod)}); }
  void Release(float x, float y, IMouseMod mod = Left()) { g.OnMouseUp({Point(x, y, 0, 0, mod)}); }
  void DragBy(float x, float y, float dX, float dY, IMouseMod mod = Left()) {
    g.OnMouseDrag({Point(x, y, dX, dY, mod)});
  }

  int Count(const std::string& entry) const {
    int n = 0;
    for (const std::string& e : journal) n += e == entry;
    return n;
  }
};

}  // namespace fx::gfx::test

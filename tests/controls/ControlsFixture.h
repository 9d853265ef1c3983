// The editor model the control-library tests start from: the graphics tests' fixture (fake delegate with
// real parameters, recording graphics with fixed text metrics) with the graphics clock under the test's
// control, and readers for the colours the recording double logs.
#pragma once

#include "framework/IParam.h"
#include "graphics/IGraphicsClock.h"
#include "graphics/IRECTList.h"
#include "tests/graphics/GraphicsFixture.h"

#include <string>
#include <vector>

namespace fx::gfx::test {

inline double gControlsNowMs = 0.0;
inline double ControlsClock() {
  return gControlsNowMs;
}

class ControlsFixture : public GraphicsFixture {
 protected:
  void SetUp() override {
    gControlsNowMs = 0.0;
    SetGraphicsClock(ControlsClock);
  }
  void TearDown() override { SetGraphicsClock(nullptr); }

  // Moves the clock and runs one animation step of every control, as the draw loop does.
  void At(double ms) {
    gControlsNowMs = ms;
    IRECTList rects;
    g.IsDirty(rects);
  }

  template <typename T>
  T* Add(T* control, int tag = -1) {
    return static_cast<T*>(g.AttachControl(control, tag));
  }

  // The fills and strokes logged since the last call, without the path-building entries.
  std::vector<std::string> Paints() {
    std::vector<std::string> out;
    for (const std::string& e : g.log)
      if (e.rfind("PathFill", 0) == 0 || e.rfind("PathStroke", 0) == 0) out.push_back(e);
    g.log.clear();
    return out;
  }

  // The rectangles ("L,T,R,B") filled in this colour ("A,R,G,B") since the log was last cleared, read
  // from the path each rectangle fill builds (move to the top left, lines round to the bottom right).
  std::vector<std::string> FilledRects(const std::string& colour) const {
    std::vector<std::string> out;
    const std::string fill = "PathFill " + colour;
    for (size_t i = 5; i < g.log.size(); ++i) {
      const bool match = g.log[i] == fill || g.log[i].rfind(fill + " ", 0) == 0;
      if (!match || g.log[i - 5].rfind("PathMoveTo ", 0) != 0) continue;
      out.push_back(g.log[i - 5].substr(11) + "," + g.log[i - 3].substr(11));
    }
    return out;
  }

  double Normalized(int paramIdx, double value) const { return dlg.GetParam(paramIdx)->ToNormalized(value); }
};

}  // namespace fx::gfx::test

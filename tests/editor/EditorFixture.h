// The editor model the product-control tests start from: the graphics tests' fake delegate, which here
// also keeps the editor commands it receives, a recording graphics object of the editor's 640 x 480
// points, and a reader that turns the recording's log back into drawn shapes and texts.
#pragma once

#include "graphics/IVStyle.h"
#include "tests/support/FakeDelegate.h"
#include "tests/support/RecordingGraphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace fx::gfx::test {

// A recording graphics that keeps the addresses the editor asks to open (with " +texts" when a window
// title, confirmation or error text comes with one) and the message boxes it shows ("caption|text").
class UrlGraphics : public RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  std::vector<std::string> opened;
  std::vector<std::string> boxes;
  bool OpenURL(const char* url, const char* title, const char* confirm, const char* error) override {
    opened.push_back(std::string(url) + (title || confirm || error ? " +texts" : ""));
    return true;
  }
  EMsgBoxResult ShowMessageBox(const char* text, const char* caption, EMsgBoxType,
                               IMsgBoxCompletionHandlerFunc) override {
    boxes.push_back(std::string(caption) + "|" + text);
    return kOK;
  }
};

class CommandDelegate : public FakeDelegate {
 public:
  // "index source offset" of every parameter change the editor sent.
  std::vector<std::string> changes;
  void OnParamChange(int paramIdx, EParamSource source, int sampleOffset) override {
    changes.push_back(Num(paramIdx) + " " + Num(source) + " " + Num(sampleOffset));
  }
};

// One filled or stroked path: its points and the paint entry ("PathFill a,r,g,b" or "PathStroke a,r,g,b tN").
struct Shape {
  std::vector<float> xs;
  std::vector<float> ys;
  std::string paint;
  bool IsHorizontalLine(float y, float x1, float x2, float tol = 1e-3f) const {
    return xs.size() == 2 && std::abs(ys[0] - y) < tol && std::abs(ys[1] - y) < tol && std::abs(xs[0] - x1) < tol &&
           std::abs(xs[1] - x2) < tol;
  }
};

class EditorFixture : public ::testing::Test {
 protected:
  CommandDelegate dlg;
  RecordingGraphics g{dlg, 640, 480};

  template <typename T>
  T* Add(T* control, int tag = -1) {
    return static_cast<T*>(g.AttachControl(control, tag));
  }

  // A 24 x 24 picture filled with one colour ("#rrggbb"), cached under name.
  ISVG Picture(const char* name, const char* fill) {
    const std::string text = std::string("<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'>") +
                             "<rect width='24' height='24' fill='" + fill + "'/></svg>";
    return g.LoadSVG(name, static_cast<const void*>(text.c_str()), static_cast<int>(text.size()));
  }

  static IMouseMod Left() {
    IMouseMod m;
    m.L = true;
    return m;
  }
  // A left-button pointer event at (x, y), for the graphics' dispatch.
  static IMouseInfo At(float x, float y) {
    IMouseInfo p;
    p.x = x;
    p.y = y;
    p.ms = Left();
    return p;
  }

  // The shapes painted since the last call (the log is emptied).
  std::vector<Shape> Shapes() {
    std::vector<Shape> out;
    Shape current;
    for (const std::string& e : g.log) {
      float x = 0.f;
      float y = 0.f;
      if (e == "PathClear") {
        current = Shape();
      } else if (std::sscanf(e.c_str(), "PathMoveTo %f,%f", &x, &y) == 2 ||
                 std::sscanf(e.c_str(), "PathLineTo %f,%f", &x, &y) == 2) {
        current.xs.push_back(x);
        current.ys.push_back(y);
      } else if (e.rfind("PathFill", 0) == 0 || e.rfind("PathStroke", 0) == 0) {
        current.paint = e;
        out.push_back(current);
      }
    }
    g.log.clear();
    return out;
  }

  // The shapes of Shapes() whose paint entry starts with paint.
  std::vector<Shape> Painted(const std::string& paint) { return Only(Shapes(), paint); }
  static std::vector<Shape> Only(const std::vector<Shape>& shapes, const std::string& paint) {
    std::vector<Shape> out;
    for (const Shape& s : shapes)
      if (s.paint.rfind(paint, 0) == 0) out.push_back(s);
    return out;
  }

  // The texts drawn since the last call, "text L,T,R,B" each (the log is emptied).
  std::vector<std::string> Texts() {
    std::vector<std::string> out;
    for (const std::string& e : g.Entries("DoDrawText ")) out.push_back(e.substr(11));
    g.log.clear();
    return out;
  }
};

inline IVStyle BareStyle() {
  IVStyle s;
  s.showLabel = false;
  s.showValue = false;
  s.drawShadows = false;
  return s;
}

}  // namespace fx::gfx::test

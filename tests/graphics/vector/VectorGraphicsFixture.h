// The editor's drawing back end on the recording renderer back end and recording framebuffers: a 200 x 100 point
// editor whose platform operations do nothing (fonts are loaded from files), created, given its context and main
// framebuffer, and released with the fixture.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tests/graphics/vector/RecordingBackend.h"
#include "tests/graphics/vector/RecordingFramebuffers.h"
#include "tests/graphics/vector/TestVectorGraphics.h"
#include "tests/support/FakeDelegate.h"

namespace fx::gfx::test {

struct VectorGraphicsTest : ::testing::Test {
  FakeDelegate dlg;
  RecordingBackend backend;
  std::unique_ptr<TestVectorGraphics> g;
  VRcontext* ctx = nullptr;

  VectorGraphicsTest() { Open(1.f); }
  // A new editor at this draw scale (the previous one is released first).
  void Open(float drawScale, float screenScale = 1.f) {
    g.reset();
    backend = RecordingBackend();
    ResetFramebuffers();
    g = std::make_unique<TestVectorGraphics>(dlg, 200, 100, 60, drawScale);
    g->InitDrawContext(&backend);
    ctx = static_cast<VRcontext*>(g->GetDrawContext());
    // Sizes the main framebuffer as well.
    g->SetScreenScale(screenScale);
  }
  const RecordedDraw& Last() const { return backend.draws.back(); }
  int Draws() const { return static_cast<int>(backend.draws.size()); }
};

}  // namespace fx::gfx::test

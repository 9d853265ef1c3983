// The control list when it cannot grow. This program is linked with the C library's malloc and realloc wrapped
// (see CMakeLists.txt), so the code it links, the framework's buffers under the list among it, can be made to
// find no memory for the length of one call; operator new is not affected.
#include "tests/graphics/GraphicsFixture.h"

#include <cstddef>

namespace {
bool sNoMemory = false;
}  // namespace

extern "C" {
void* __real_malloc(std::size_t size);
void* __real_realloc(void* block, std::size_t size);

void* __wrap_malloc(std::size_t size) {
  return sNoMemory ? nullptr : __real_malloc(size);
}

void* __wrap_realloc(void* block, std::size_t size) {
  return sNoMemory ? nullptr : __real_realloc(block, size);
}
}

namespace fx::gfx::test {
namespace {

using ControlListGrowth = GraphicsFixture;

// Runs f while the wrapped allocations fail.
template <class F>
auto WithoutMemory(F f) {
  sNoMemory = true;
  auto result = f();
  sNoMemory = false;
  return result;
}

// A control that tells when it is deleted.
class Watched : public TestControl {
 public:
  Watched(std::vector<std::string>& journal, const char* name, bool& deleted)
      : TestControl(journal, name, IRECT(0, 0, 400, 300)), mDeleted(deleted) {}
  ~Watched() override { mDeleted = true; }

 private:
  bool& mDeleted;
};

// A refused control is reported as null: the list and the tag map are as before, so the tag is free again. An
// ordinary control stays the caller's; a background, handed over for good, is deleted.
TEST_F(ControlListGrowth, ControlsTheListCannotTakeAreRefusedAndNotLost) {
  bool deleted = false;
  auto* control = new Watched(journal, "a", deleted);
  EXPECT_EQ(WithoutMemory([&] { return g.AttachControl(control, 7, "grp"); }), nullptr);
  EXPECT_EQ(g.NControls(), 0);
  EXPECT_EQ(g.GetControlWithTag(7), nullptr);
  EXPECT_FALSE(deleted);
  delete control;

  ASSERT_NE(Attach("b", IRECT(0, 0, 10, 10), -1, 7), nullptr);
  EXPECT_EQ(g.GetControlWithTag(7), g.GetControl(0));

  FakeDelegate d;
  RecordingGraphics empty(d, 400, 300);
  bool backgroundDeleted = false;
  auto* background = new Watched(journal, "bg", backgroundDeleted);
  EXPECT_EQ(WithoutMemory([&] { return empty.AttachBackgroundControl(background); }), nullptr);
  EXPECT_EQ(empty.NControls(), 0);
  EXPECT_TRUE(backgroundDeleted);
  EXPECT_NE(empty.AttachBackgroundControl(new TestControl(journal, "bg2", empty.GetBounds())), nullptr);
  EXPECT_EQ(empty.NControls(), 1);
}

}  // namespace
}  // namespace fx::gfx::test

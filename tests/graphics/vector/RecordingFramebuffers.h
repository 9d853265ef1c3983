// The GPU back end's framebuffer functions for tests: a context is made on the RecordingBackend handed over as the
// drawing layer (null fails), framebuffers are images of that back end, and every binding, clear, flush, read-back and
// deletion is logged in order with the image it concerns ("bind 3", "flush 3", "delete 3"; 0 is the view).
#pragma once

#include <string>
#include <vector>

#include "graphics/vector/GVRBackend.h"
#include "tests/graphics/vector/RecordingBackend.h"

struct RecordingFramebuffers {
  std::vector<std::string> log;
  GVRframebuffer* bound = nullptr;
  // The images of the framebuffers made, in order.
  std::vector<int> created;
  int createFlags = 0;
  // Each read-back writes byte i of the region as i % 251.
  int readCalls = 0;

  int Count(const std::string& prefix) const;
  // The index of the first entry equal to `entry` at or after `from`; -1 when none.
  int Find(const std::string& entry, int from = 0) const;
};

// The process's log, emptied by Reset; its one binding serves every thread.
RecordingFramebuffers& Framebuffers();
void ResetFramebuffers();

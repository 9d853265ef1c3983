// One call the plug-in made to the test host's callback, copied so that tests can inspect it afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vsthost {

// An event the plug-in handed to the host's process-events request, copied out of the plug-in's memory.
struct RecordedEvent {
  int32_t type = 0;
  int32_t byteSize = 0;
  int32_t deltaFrames = 0;
  uint8_t midi[3] = {0, 0, 0};
  std::vector<uint8_t> sysex;
};

struct HostCall {
  int32_t opcode = 0;
  int32_t index = 0;
  intptr_t value = 0;
  float opt = 0.0f;
  bool hasPtr = false;
  bool fromCreation = false;  // made while the entry point was still running
  std::vector<RecordedEvent> events;
};

}  // namespace vsthost

// kd_vsthost: the project's VST 2 test host on the command line.
#include <iostream>

#include "tools/vst2host/HostCommandLine.h"

int main(int argc, char** argv) {
  return vsthost::RunHostCommandLine(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}

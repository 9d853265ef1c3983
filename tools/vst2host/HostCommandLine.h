// The test host's command line: load a module, set it up, list or set parameters, process a generated
// signal or a WAV file into a WAV file, save and load the state chunk, print the effect record.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vsthost {

// Main thread; blocks on file I/O. args excludes the program name. Answers the process exit code: 0 on
// success, 1 when the host or the plug-in failed, 2 for a malformed command line (usage goes to err).
int RunHostCommandLine(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vsthost

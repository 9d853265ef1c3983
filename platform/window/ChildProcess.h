// A helper program run in the background (a dialog tool, an opener), its standard output collected.
// Start never blocks; Poll reads what is there and reaps the program once it has ended; Wait blocks until
// it ends. A ChildProcess destroyed while the program runs ends the program (SIGTERM) and reaps it.
// Every operation: the thread that started it.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace platform::window {

class ChildProcess {
 public:
  // argv[0] is looked up in $PATH; without captureOutput the output goes to /dev/null (an opener's
  // programs may keep it open long after the opener ended). Null (and the reason in error) when the
  // program cannot be started.
  static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv, bool captureOutput,
                                             std::string* error);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Never blocks. True once the program has ended and all its output is read.
  bool Poll();
  // Blocks until the program has ended.
  void Wait();
  // The exit status once ended: 0 to 255, or 128 + the signal that ended it.
  int ExitStatus() const { return mStatus; }
  const std::string& Output() const { return mOutput; }

 private:
  ChildProcess(pid_t pid, int outFd) : mPid(pid), mOutFd(outFd) {}
  void ReadAvailable();

  pid_t mPid;
  int mOutFd;
  bool mEnded = false;
  int mStatus = -1;
  std::string mOutput;
};

// Whether program is an executable file in one of the $PATH folders.
bool ProgramInPath(const std::string& program);

}  // namespace platform::window

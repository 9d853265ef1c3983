#include "platform/window/ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace platform::window {

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv, bool captureOutput,
                                                  std::string* error) {
  if (argv.empty()) {
    if (error) *error = "no program given";
    return nullptr;
  }
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) {
    if (error) *error = std::string("pipe: ") + std::strerror(errno);
    return nullptr;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (captureOutput) {
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  } else {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  }
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int result = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (result != 0) {
    ::close(fds[0]);
    if (error) *error = argv[0] + ": " + std::strerror(result);
    return nullptr;
  }
  ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) | O_NONBLOCK);
  return std::unique_ptr<ChildProcess>(new ChildProcess(pid, fds[0]));
}

ChildProcess::~ChildProcess() {
  if (!mEnded) {
    ::kill(mPid, SIGTERM);
    ::waitpid(mPid, nullptr, 0);
  }
  if (mOutFd >= 0) ::close(mOutFd);
}

void ChildProcess::ReadAvailable() {
  char buffer[4096];
  while (mOutFd >= 0) {
    const ssize_t n = ::read(mOutFd, buffer, sizeof buffer);
    if (n > 0) {
      mOutput.append(buffer, static_cast<size_t>(n));
    } else if (n == 0) {
      ::close(mOutFd);
      mOutFd = -1;
    } else if (errno != EINTR) {
      break;  // EAGAIN: nothing more for now
    }
  }
}

bool ChildProcess::Poll() {
  if (mEnded) return true;
  ReadAvailable();
  int status = 0;
  const pid_t reaped = ::waitpid(mPid, &status, WNOHANG);
  if (reaped == 0 || (reaped < 0 && errno == EINTR)) return false;
  ReadAvailable();
  mEnded = true;
  // A host that reaps every child itself (a SIGCHLD handler) leaves no status: the answer is unknown.
  mStatus = reaped < 0 ? 255 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return true;
}

void ChildProcess::Wait() {
  // Output and the program's end are watched together: a program may end while a grandchild still holds
  // its output open, or fill the pipe before it ends.
  while (!Poll()) {
    pollfd p{mOutFd, POLLIN, 0};
    ::poll(&p, mOutFd >= 0 ? 1 : 0, 50);
  }
}

bool ProgramInPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (!path || program.empty()) return false;
  std::string folders = path;
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0) return true;
    start = end + 1;
  }
  return false;
}

}  // namespace platform::window

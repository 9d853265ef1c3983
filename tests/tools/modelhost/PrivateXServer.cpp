#include "tests/tools/modelhost/PrivateXServer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

extern char** environ;

namespace modelhost_test {

PrivateXServer::~PrivateXServer() {
  Kill();
}

bool PrivateXServer::Start(std::string& error) {
  int ready[2];
  if (pipe(ready) != 0) {
    error = "no pipe for the X server's display number";
    return false;
  }
  // The server writes its display number to the pipe once it takes connections.
  fcntl(ready[0], F_SETFD, FD_CLOEXEC);
  const std::string readyFd = std::to_string(ready[1]);
  std::vector<std::string> args = {"Xvfb", "-displayfd", readyFd, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  const int spawned = posix_spawnp(&mPid, "Xvfb", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  std::string number;
  char c = 0;
  // Ends at the newline, or at the end of the pipe when the server could not start.
  while (spawned == 0 && read(ready[0], &c, 1) == 1 && c != '\n') number += c;
  close(ready[0]);
  if (spawned != 0 || number.empty()) {
    if (spawned != 0) mPid = 0;
    Kill();
    error = spawned != 0 ? "Xvfb does not start (is it installed?)" : "Xvfb named no display";
    return false;
  }
  mName = ":" + number;
  return true;
}

void PrivateXServer::Kill() {
  if (mPid <= 0) return;
  kill(mPid, SIGKILL);
  waitpid(mPid, nullptr, 0);
  mPid = 0;
}

}  // namespace modelhost_test

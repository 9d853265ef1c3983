// An X server (Xvfb) of a test's own, on a display number the server picks itself, so that a test can make it go
// away without touching the display other tests use.
#pragma once

#include <sys/types.h>

#include <string>

namespace modelhost_test {

class PrivateXServer {
 public:
  PrivateXServer() = default;
  // Kills the server if it still runs.
  ~PrivateXServer();
  PrivateXServer(const PrivateXServer&) = delete;
  PrivateXServer& operator=(const PrivateXServer&) = delete;

  // Starts the server and waits until it takes connections. False with a reason.
  bool Start(std::string& error);
  // The display name (":N") for DISPLAY.
  const std::string& Name() const { return mName; }
  // Kills the server at once, as a crash would end it, and waits until it has gone.
  void Kill();

 private:
  pid_t mPid = 0;
  std::string mName;
};

}  // namespace modelhost_test

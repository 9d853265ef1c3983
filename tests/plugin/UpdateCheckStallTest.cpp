// The update check when the network does not answer a name lookup: this program stands in for the C
// library's resolver (its getaddrinfo is found before the C library's), and a lookup of a name under
// kStalledDomain waits at a gate the test opens, as a resolver that takes seconds does. Cancelling or
// destroying checks must return while their workers are demonstrably stuck; the workers must finish on their
// own once the lookups return, and a module that carries the check must stay loaded until they have.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netdb.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "plugin/UpdateCheck.h"

namespace {

using namespace std::chrono_literals;

// A safety net against a hang, far beyond what any step here takes; no test waits this long.
constexpr auto kGiveUp = 20s;
constexpr std::string_view kStalledDomain = ".stall.test";
constexpr const char* kStalledURL = "http://update.stall.test/versioncheck?productname=Kelvadrune";
// A loopback port nothing listens on: the connection is refused at once.
constexpr const char* kRefusedURL = "http://127.0.0.1:1/versioncheck?productname=Kelvadrune";
// libcurl's code for a name that does not resolve.
constexpr int kCouldNotResolve = 6;

// Holds the stalled lookups while closed: each waits until the gate opens after it arrived (a later close
// holds only later lookups), or gives up after kGiveUp so that a failing test cannot leave threads behind
// for ever.
class ResolverGate {
 public:
  void Close() {
    const std::lock_guard<std::mutex> lock(mMutex);
    mClosed = true;
  }
  void Open() {
    {
      const std::lock_guard<std::mutex> lock(mMutex);
      mClosed = false;
      ++mOpenings;
    }
    mOpened.notify_all();
  }
  // Lookups waiting at the gate now.
  int Waiting() {
    const std::lock_guard<std::mutex> lock(mMutex);
    return mWaiting;
  }
  // The stand-in resolver's side.
  void Pass() {
    std::unique_lock<std::mutex> lock(mMutex);
    const int arrivedAfter = mOpenings;
    ++mWaiting;
    mOpened.wait_for(lock, kGiveUp, [&] { return !mClosed || mOpenings != arrivedAfter; });
    --mWaiting;
  }

 private:
  std::mutex mMutex;
  std::condition_variable mOpened;
  bool mClosed = false;
  int mOpenings = 0;
  int mWaiting = 0;
};

// Never destroyed: a worker of a failed test may still pass it while the program exits.
ResolverGate& Gate() {
  static ResolverGate& gate = *new ResolverGate;
  return gate;
}

// Polls done() until it holds; false when it never did.
template <class Done>
bool Eventually(Done done) {
  for (const auto giveUp = std::chrono::steady_clock::now() + kGiveUp; std::chrono::steady_clock::now() < giveUp;) {
    if (done()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

}  // namespace

// The resolver every library of this program reaches: names under kStalledDomain wait at the gate and then do
// not resolve; every other name goes on to the C library.
extern "C" __attribute__((visibility("default"))) int getaddrinfo(const char* node, const char* service,
                                                                  const addrinfo* hints, addrinfo** result) {
  if (node && std::string_view(node).ends_with(kStalledDomain)) {
    Gate().Pass();
    return EAI_NONAME;
  }
  using Lookup = int (*)(const char*, const char*, const addrinfo*, addrinfo**);
  static const auto next = reinterpret_cast<Lookup>(dlsym(RTLD_NEXT, "getaddrinfo"));
  return next ? next(node, service, hints, result) : EAI_SYSTEM;
}

namespace {

TEST(UpdateCheckStallTest, ChecksStuckInALookupLetGoAtOnceAndPastTheBoundAnswerWithoutAWorker) {
  Gate().Close();
  std::vector<std::unique_ptr<kd::UpdateCheck>> stuck;
  for (int i = 0; i < kd::kMaxLingeringChecks; ++i) {
    stuck.push_back(std::make_unique<kd::UpdateCheck>());
    ASSERT_TRUE(stuck.back()->Start(kStalledURL, "1.0.11", true));
  }
  ASSERT_TRUE(Eventually([] { return Gate().Waiting() == kd::kMaxLingeringChecks; }));
  stuck.front()->Cancel();
  EXPECT_FALSE(stuck.front()->IsRunning());
  EXPECT_FALSE(stuck.front()->Collect()) << "a cancelled check has no result";
  stuck.clear();
  EXPECT_EQ(Gate().Waiting(), kd::kMaxLingeringChecks) << "cancelled and destroyed while every lookup was held";

  kd::UpdateCheck beyond;
  ASSERT_TRUE(beyond.Start(kStalledURL, "1.0.11", true));
  EXPECT_TRUE(beyond.Collect()) << "ends at once";
  EXPECT_EQ(beyond.TakeManualResult(), kd::kUpdateCheckServiceUnavailable);
  EXPECT_EQ(beyond.GetLastCurlCode(), -1);
  EXPECT_EQ(Gate().Waiting(), kd::kMaxLingeringChecks);

  // Once the lookups return, the workers finish and count themselves out: a check runs a transfer again.
  Gate().Open();
  EXPECT_TRUE(Eventually([&] {
    if (!beyond.IsRunning()) beyond.Start(kStalledURL, "1.0.11", true);
    return beyond.Collect() && beyond.GetLastCurlCode() == kCouldNotResolve;
  }));
}

// The probe module's functions, looked up by name.
struct Probe {
  explicit Probe(void* module)
      : start(reinterpret_cast<void* (*)(const char*)>(dlsym(module, "kd_probe_start"))),
        cancel(reinterpret_cast<void (*)(void*)>(dlsym(module, "kd_probe_cancel"))),
        running(reinterpret_cast<bool (*)(void*)>(dlsym(module, "kd_probe_running"))),
        destroy(reinterpret_cast<void (*)(void*)>(dlsym(module, "kd_probe_delete"))) {}
  bool Complete() const { return start && cancel && running && destroy; }

  void* (*start)(const char*);
  void (*cancel)(void*);
  bool (*running)(void*);
  void (*destroy)(void*);
};

bool ProbeLoaded() {
  void* module = dlopen(KD_UPDATE_CHECK_PROBE_PATH, RTLD_NOW | RTLD_NOLOAD);
  if (module) dlclose(module);
  return module != nullptr;
}

TEST(UpdateCheckStallTest, AModuleUnloadedUnderStuckWorkersStaysMappedUntilTheyHaveFinished) {
  Gate().Close();
  void* module = dlopen(KD_UPDATE_CHECK_PROBE_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(module, nullptr) << dlerror();
  const Probe probe(module);
  ASSERT_TRUE(probe.Complete());
  void* cancelled = probe.start(kStalledURL);
  void* destroyed = probe.start(kStalledURL);
  ASSERT_TRUE(Eventually([] { return Gate().Waiting() == 2; }));

  probe.cancel(cancelled);
  EXPECT_FALSE(probe.running(cancelled));
  probe.destroy(cancelled);
  probe.destroy(destroyed);
  dlclose(module);
  EXPECT_EQ(Gate().Waiting(), 2) << "the host's calls returned while both lookups were held";
  EXPECT_TRUE(ProbeLoaded()) << "the stuck workers keep their code mapped";

  Gate().Open();
  EXPECT_TRUE(Eventually([] { return !ProbeLoaded(); })) << "the last worker to finish lets the module go";
}

// A host that quits right after closing its editors: the program exits while a worker has only just started
// (in libcurl's first steps) or while another is held in a lookup. It must end as any program does, with no
// crash and (under the sanitizers) no leak, however far the workers got.
TEST(UpdateCheckStallTest, AProgramExitingWhileWorkersRunEndsCleanly) {
  for (const bool lookupHeld : {false, true, false, true, false, true}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Gate().Close();
      kd::UpdateCheck starting, stuck;
      starting.Start(kRefusedURL, "1.0.11", true);
      stuck.Start(kStalledURL, "1.0.11", true);
      if (lookupHeld && !Eventually([] { return Gate().Waiting() == 1; })) std::_Exit(2);
      starting.Cancel();
      stuck.Cancel();
      std::exit(0);
    }
    int status = 0;
    if (!Eventually([&] { return waitpid(child, &status, WNOHANG) == child; })) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "lookup held " << lookupHeld << ", status " << status;
  }
}

}  // namespace

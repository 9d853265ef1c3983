// The update check: asks the maker's web service for the newest version of the product and compares it
// with the plug-in's own.
//
// Request: GET <service>/versioncheck?productname=<name>. Reply: a body that begins with "%d.%d.%d";
// versions weigh (major * 100 + minor) * 100 + patch. The result is one of EUpdateCheckResult; every failure
// ends in a result code, nothing is thrown, logged or shown here (the editor shows a manual check's message
// and the update button shows the process-wide update-available flag).
//
// Threads: the main thread starts a check and collects its result on the idle tick; the transfer runs on a
// detached worker (DetachedWorker.h) that shares ownership of everything it touches with the check. Nobody
// ever waits for it: cancelling (editor closed) or destroying the check only wakes the transfer and lets go,
// and a worker that libcurl still holds (a name lookup is not interrupted) finishes on its own later, its
// result dropped, while its module stays loaded. (libcurl's quick exit would end the worker sooner but leave
// libcurl's own resolver thread running inside libcurl, which may be unloaded with the module.) The transfer
// is bounded: 25 s to connect, 30 s in all, 64 KiB of reply; at most kMaxLingeringChecks workers of this
// module live at once, beyond that a check answers "Service not available" at once. libcurl's process-wide
// set-up is done once on the main thread and undone when the module goes (UpdateCheck.cpp); a process that
// exits gives workers still finishing at most 250 ms. Nothing here runs on the audio thread.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kd {

// Result codes of a check, in the order of the manual check's messages.
enum EUpdateCheckResult {
  kUpdateCheckNoHandle = -1,
  kUpdateCheckServiceUnavailable = 0,
  kUpdateCheckProductNotFound = 1,
  kUpdateCheckVersionError = 2,  // the own version is not "%d.%d.%d"
  kUpdateCheckUpToDate = 3,
  kUpdateCheckNewer = 4,
  kUpdateCheckOlder = 5,
};

// The manual check's message box caption.
inline constexpr const char* kUpdateCheckCaption = "Check for update";
// The environment variable that points the check at a test server, read only in a build with the project's
// tests; only "http://127.0.0.1:<port>" is taken. The module a user installs asks the maker's service only.
inline constexpr const char* kUpdateServiceVariable = "KD_UPDATE_SERVICE";
// The most workers of this module alive at once, counting those that still finish a cancelled transfer.
inline constexpr int kMaxLingeringChecks = 4;

// Any thread. The manual check's message for a result ("Unknown" for codes outside 0..5).
const char* UpdateCheckMessage(int result);

// Any thread. Compares the version the reply begins with against ownVersion, each read as "%d.%d.%d" (the
// numbers may carry a sign and leading blanks, the dots may not): kUpdateCheckUpToDate, kUpdateCheckNewer
// or kUpdateCheckOlder; kUpdateCheckProductNotFound when the reply does not begin with three dot-separated
// numbers that fit an int, kUpdateCheckVersionError when ownVersion does not.
int CompareVersionReply(std::string_view reply, const char* ownVersion);

// Any thread. The product name the check sends for name: this product sends its own name unchanged. Copied
// into out, cut to outSize - 1 characters and always terminated; nothing for outSize below 1.
void GetUpdateProductName(const char* name, char* out, int outSize);

// Any thread. The service's address (the maker's, or in a build with the tests a loopback test server named
// by kUpdateServiceVariable) with "/versioncheck?productname=" and the name sent for productName.
std::string UpdateCheckURL(const char* productName);

// The reply body and its bound, as the transfer's write callback fills it.
struct ReplyBuffer {
  std::string text;
  std::size_t limit = 0;
};

// libcurl write callback (the worker thread): appends size * count bytes to the ReplyBuffer body and
// answers size * count; answers 0, which ends the transfer as failed, once the body would pass its limit.
std::size_t CurlWriteToString(const char* data, std::size_t size, std::size_t count, void* body);

// Process-wide update-available flag, shared by every instance's update button; false at load. Any thread.
bool IsUpdateAvailable();

// What one check's worker shares with the main thread (UpdateCheck.cpp).
struct UpdateTransfer;

// One plug-in instance's checks: at most one running at a time.
class UpdateCheck {
 public:
  struct Limits {
    long connectTimeoutMs = 25000;
    long transferTimeoutMs = 30000;
    std::size_t maxReplyBytes = 64 * 1024;
  };

  UpdateCheck() = default;
  UpdateCheck(const UpdateCheck&) = delete;
  UpdateCheck& operator=(const UpdateCheck&) = delete;
  // Main thread; never blocks. Cancels a running check (Cancel).
  ~UpdateCheck();

  // Main thread; applies to the checks started after it (tests shorten the bounds).
  void SetLimits(const Limits& limits) { mLimits = limits; }

  // Main thread; never blocks. The automatic check: claims the process's one automatic check (at most one
  // per process, whatever the number of instances) and starts it; nothing when it was claimed before or
  // when this instance is running a check. True when a check was started.
  bool StartAutomatic(const char* productName, const char* ownVersion);
  // Main thread; never blocks. A manual check; false (nothing started) while a check runs.
  bool StartManual(const char* productName, const char* ownVersion);
  // Main thread; never blocks. A check of ownVersion against the reply of url; false while a check runs.
  bool Start(const std::string& url, const char* ownVersion, bool manual);

  // Main thread. True from a start until the finished check is collected or the check is cancelled.
  bool IsRunning() const { return mTransfer != nullptr; }
  // Main thread, each idle tick; never blocks. When the worker has finished: keeps its error text and
  // code, sets the update-available flag (true exactly for kUpdateCheckNewer) and keeps a manual check's
  // result for the editor. True when a result was collected.
  bool Collect();
  // Main thread; never blocks. Stops a running check (a finished one is collected instead): wakes its
  // transfer and leaves the worker to finish on its own, its result unread. A cancelled automatic check
  // gives its claim back so that a later tick can run it again.
  void Cancel();

  // Main thread. The result of the last collected manual check, once; nothing when none is waiting.
  std::optional<int> TakeManualResult();
  // Main thread. The last collected transfer's error description and libcurl code (-1 before a transfer).
  const std::string& GetLastErrorText() const { return mLastErrorText; }
  int GetLastCurlCode() const { return mLastCurlCode; }

 private:
  Limits mLimits;
  // The running check's transfer; null while idle.
  std::shared_ptr<UpdateTransfer> mTransfer;
  bool mManual = false;
  bool mAutomatic = false;
  std::string mLastErrorText;
  int mLastCurlCode = -1;
  std::optional<int> mManualResult;
};

}  // namespace kd

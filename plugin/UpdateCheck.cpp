#include "plugin/UpdateCheck.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "plugin/DetachedWorker.h"

namespace kd {

namespace {

constexpr const char* kUpdateServiceAddress = "https://update.lunderwick.com";
#ifdef KD_TEST_REQUESTS
constexpr const char* kLoopbackPrefix = "http://127.0.0.1:";
// A test server's address is a prefix, a port and at most a short path.
constexpr std::size_t kMaxServiceAddress = 64;
#endif
// The longest error description kept from a transfer.
constexpr std::size_t kMaxErrorText = 1024;
// The longest product name sent; the request's address stays within 1024 characters.
constexpr std::size_t kMaxProductNameLength = 255;
// The longest wait between two looks at the cancel flag when nothing wakes the transfer sooner.
constexpr int kMaxPollMs = 1000;

std::atomic<bool> gAutomaticCheckClaimed{false};
std::atomic<bool> gUpdateAvailable{false};
// Workers of this module still alive, finished or not; each is counted before it starts and counts itself
// out as its last step.
std::atomic<int> gLiveWorkers{0};
// How long a process that exits waits for workers still finishing a cancelled transfer.
constexpr auto kExitGrace = std::chrono::milliseconds(250);

// libcurl's process-wide set-up, once per module load, on the main thread at the first check: no worker ever
// runs the set-up of the TLS library under it. libcurl counts its initialisations, so the host's own use of
// libcurl keeps its own. Undone when the module goes. At unload no worker is left (each holds the module);
// at process exit, this runs before the TLS library's own exit handler (registered during the set-up), and
// workers still finishing get a short grace first, so that none is cut off inside libcurl while the library
// is torn down behind it; if one is still held by a name lookup after that, libcurl is left set up.
class CurlGlobal {
 public:
  CurlGlobal() : mOk(curl_global_init(CURL_GLOBAL_ALL) == CURLE_OK) {}
  ~CurlGlobal() {
    const auto giveUp = std::chrono::steady_clock::now() + kExitGrace;
    while (gLiveWorkers.load(std::memory_order_acquire) > 0 && std::chrono::steady_clock::now() < giveUp)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (mOk && gLiveWorkers.load(std::memory_order_acquire) == 0) curl_global_cleanup();
  }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
  bool Ok() const { return mOk; }

 private:
  const bool mOk;
};

bool EnsureCurlGlobalInit() {
  static const CurlGlobal global;
  return global.Ok();
}

// One "%d" as the C library reads it (leading blanks, an optional sign, digits) from text at pos; false when
// there is no number or it does not fit an int.
bool ReadNumber(std::string_view text, std::size_t& pos, int& value) {
  while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  // The digits are read apart from the sign (from_chars takes no '+'); a second sign is no number.
  if (pos >= text.size() || !std::isdigit(static_cast<unsigned char>(text[pos]))) return false;
  long long magnitude = 0;
  const char* begin = text.data() + pos;
  const auto [end, error] = std::from_chars(begin, text.data() + text.size(), magnitude);
  if (error != std::errc()) return false;
  const long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue < std::numeric_limits<int>::min() || signedValue > std::numeric_limits<int>::max()) return false;
  pos += static_cast<std::size_t>(end - begin);
  value = static_cast<int>(signedValue);
  return true;
}

// "%d.%d.%d" from the start of text, weighed (major * 100 + minor) * 100 + patch; 64-bit, as three ints
// weighed so can pass an int's range but stay far inside a long long's.
std::optional<long long> ReadVersion(std::string_view text) {
  int numbers[3] = {};
  std::size_t pos = 0;
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != '.') return std::nullopt;
      ++pos;
    }
    if (!ReadNumber(text, pos, numbers[i])) return std::nullopt;
  }
  return (static_cast<long long>(numbers[0]) * 100 + numbers[1]) * 100 + numbers[2];
}

// The maker's service; in a build with the project's tests, a loopback server named in the environment.
std::string UpdateServiceAddress() {
#ifdef KD_TEST_REQUESTS
  const char* asked = std::getenv(kUpdateServiceVariable);
  if (asked && std::strncmp(asked, kLoopbackPrefix, std::strlen(kLoopbackPrefix)) == 0 &&
      std::strlen(asked) <= kMaxServiceAddress) {
    return asked;
  }
#endif
  return kUpdateServiceAddress;
}

}  // namespace

const char* UpdateCheckMessage(int result) {
  switch (result) {
    case kUpdateCheckServiceUnavailable:
      return "Service not available";
    case kUpdateCheckProductNotFound:
      return "Product not found";
    case kUpdateCheckVersionError:
      return "Product version number error";
    case kUpdateCheckUpToDate:
      return "Plugin is up to date";
    case kUpdateCheckNewer:
      return "Plugin update is available";
    case kUpdateCheckOlder:
      return "Older plugin version available";
    default:
      return "Unknown";
  }
}

int CompareVersionReply(std::string_view reply, const char* ownVersion) {
  const std::optional<long long> server = ReadVersion(reply);
  if (!server) return kUpdateCheckProductNotFound;
  const std::optional<long long> own = ReadVersion(ownVersion ? ownVersion : "");
  if (!own) return kUpdateCheckVersionError;
  if (*server == *own) return kUpdateCheckUpToDate;
  return *server > *own ? kUpdateCheckNewer : kUpdateCheckOlder;
}

void GetUpdateProductName(const char* name, char* out, int outSize) {
  if (!out || outSize < 1) return;
  const std::size_t length = name ? std::strlen(name) : 0;
  const std::size_t copied = std::min(length, static_cast<std::size_t>(outSize - 1));
  if (copied > 0) std::memcpy(out, name, copied);
  out[copied] = '\0';
}

std::string UpdateCheckURL(const char* productName) {
  char sent[kMaxProductNameLength + 1];
  GetUpdateProductName(productName, sent, static_cast<int>(sizeof(sent)));
  return UpdateServiceAddress() + "/versioncheck?productname=" + sent;
}

std::size_t CurlWriteToString(const char* data, std::size_t size, std::size_t count, void* body) {
  auto& reply = *static_cast<ReplyBuffer*>(body);
  // size * count may not wrap, and the reply may not pass its bound: an endless or huge reply ends here.
  if (size != 0 && count > (reply.limit - reply.text.size()) / size) return 0;
  reply.text.append(data, size * count);
  return size * count;
}

bool IsUpdateAvailable() {
  return gUpdateAvailable.load(std::memory_order_acquire);
}

struct UpdateTransfer {
  UpdateTransfer(std::string url, std::string ownVersion, const UpdateCheck::Limits& limits)
      : url(std::move(url)), ownVersion(std::move(ownVersion)), limits(limits) {}

  const std::string url;
  const std::string ownVersion;
  const UpdateCheck::Limits limits;
  // Set by the main thread; the worker looks at it between waits.
  std::atomic<bool> cancelled{false};
  // The worker creates and cleans up the transfer's multi handle; the main thread only wakes it.
  std::mutex multiMutex;
  CURLM* multi = nullptr;
  // Written before finished is published; read by the main thread only after it.
  std::atomic<bool> finished{false};
  int result = kUpdateCheckNoHandle;
  int curlCode = -1;
  std::string errorText;
};

namespace {

// The transfer on the multi interface, so that Cancel can wake it at once (curl_multi_wakeup) instead of
// waiting for a time-out. The libcurl code; CURLE_ABORTED_BY_CALLBACK when cancelled.
int Perform(UpdateTransfer& transfer, CURLM* multi, CURL* easy) {
  if (curl_multi_add_handle(multi, easy) != CURLM_OK) return CURLE_FAILED_INIT;
  CURLcode result = CURLE_ABORTED_BY_CALLBACK;
  while (!transfer.cancelled.load(std::memory_order_acquire)) {
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
    if (running == 0) {
      int left = 0;
      result = CURLE_FAILED_INIT;
      while (CURLMsg* message = curl_multi_info_read(multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == easy) result = message->data.result;
      }
      break;
    }
    // Waits for the socket, libcurl's next time-out or a wake-up from Cancel, whichever comes first.
    if (curl_multi_poll(multi, nullptr, 0, kMaxPollMs, nullptr) != CURLM_OK) {
      result = CURLE_FAILED_INIT;
      break;
    }
  }
  // A name lookup still running is waited for here (libcurl cannot interrupt it): on this worker only.
  curl_multi_remove_handle(multi, easy);
  return result;
}

int CheckVersionOnline(UpdateTransfer& transfer, CURLM* multi) {
  CURL* easy = curl_easy_init();
  if (!easy) return kUpdateCheckNoHandle;
  ReplyBuffer body{{}, transfer.limits.maxReplyBytes};
  curl_easy_setopt(easy, CURLOPT_URL, transfer.url.c_str());
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, CurlWriteToString);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, transfer.limits.connectTimeoutMs);
  // A server that accepts and then never answers, or trickles, may not hold the check for ever.
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, transfer.limits.transferTimeoutMs);
  // Signals (the resolver's alarm, SIGPIPE) belong to the host process, not to a worker thread of a plug-in.
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  const int code = Perform(transfer, multi, easy);
  transfer.curlCode = code;
  transfer.errorText.assign(curl_easy_strerror(static_cast<CURLcode>(code)));
  if (transfer.errorText.size() > kMaxErrorText) transfer.errorText.resize(kMaxErrorText);
  curl_easy_cleanup(easy);
  if (code != CURLE_OK) return kUpdateCheckServiceUnavailable;
  return CompareVersionReply(body.text, transfer.ownVersion.c_str());
}

void PublishMulti(UpdateTransfer& transfer, CURLM* multi) {
  const std::lock_guard<std::mutex> lock(transfer.multiMutex);
  transfer.multi = multi;
}

// The worker: one transfer; then the result is published (read only when the check still waits for it) and
// the worker counts itself out.
void RunTransfer(UpdateTransfer& transfer) {
  if (CURLM* multi = curl_multi_init()) {
    PublishMulti(transfer, multi);
    transfer.result = CheckVersionOnline(transfer, multi);
    PublishMulti(transfer, nullptr);
    curl_multi_cleanup(multi);
  }
  transfer.finished.store(true, std::memory_order_release);
  gLiveWorkers.fetch_sub(1, std::memory_order_acq_rel);
}

}  // namespace

UpdateCheck::~UpdateCheck() {
  Cancel();
}

bool UpdateCheck::StartAutomatic(const char* productName, const char* ownVersion) {
  if (IsRunning() || gAutomaticCheckClaimed.exchange(true, std::memory_order_acq_rel)) return false;
  mAutomatic = true;
  return Start(UpdateCheckURL(productName), ownVersion, false);
}

bool UpdateCheck::StartManual(const char* productName, const char* ownVersion) {
  return Start(UpdateCheckURL(productName), ownVersion, true);
}

bool UpdateCheck::Start(const std::string& url, const char* ownVersion, bool manual) {
  if (IsRunning()) return false;
  mManual = manual;
  mLastErrorText.clear();
  mLastCurlCode = -1;
  auto transfer = std::make_shared<UpdateTransfer>(url, ownVersion ? ownVersion : "", mLimits);
  mTransfer = transfer;
  // Checks whose network does not answer must not pile up threads: past the bound, the check ends at once.
  const bool room = gLiveWorkers.fetch_add(1, std::memory_order_acq_rel) < kMaxLingeringChecks;
  bool started = false;
  if (!room) {
    transfer->result = kUpdateCheckServiceUnavailable;
    transfer->errorText = "Earlier update checks are still waiting for the network";
  } else if (EnsureCurlGlobalInit()) {
    started = StartDetachedWorker([transfer] { RunTransfer(*transfer); });
  }
  // Without a worker the check ends at once; no libcurl set-up or no thread counts as no handle.
  if (!started) {
    gLiveWorkers.fetch_sub(1, std::memory_order_acq_rel);
    transfer->finished.store(true, std::memory_order_release);
  }
  return true;
}

bool UpdateCheck::Collect() {
  if (!mTransfer || !mTransfer->finished.load(std::memory_order_acquire)) return false;
  const int result = mTransfer->result;
  mLastErrorText = mTransfer->errorText;
  mLastCurlCode = mTransfer->curlCode;
  mTransfer.reset();
  gUpdateAvailable.store(result == kUpdateCheckNewer, std::memory_order_release);
  if (mManual) mManualResult = result;
  mAutomatic = false;
  return true;
}

void UpdateCheck::Cancel() {
  if (Collect() || !mTransfer) return;
  mTransfer->cancelled.store(true, std::memory_order_release);
  {
    const std::lock_guard<std::mutex> lock(mTransfer->multiMutex);
    if (mTransfer->multi) curl_multi_wakeup(mTransfer->multi);
  }
  // The worker keeps its own share of the transfer and finishes on its own; its result goes with it.
  mTransfer.reset();
  if (mAutomatic) gAutomaticCheckClaimed.store(false, std::memory_order_release);
  mAutomatic = false;
}

std::optional<int> UpdateCheck::TakeManualResult() {
  std::optional<int> result = mManualResult;
  mManualResult.reset();
  return result;
}

}  // namespace kd

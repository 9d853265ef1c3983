// The update check against HTTP servers of the test's own on 127.0.0.1: versions newer, equal, older and
// malformed, a refused port, a server that closes or never answers, an endless reply; and the plug-in's
// idle tick, which starts checks and never waits for one.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "graphics/IControl.h"
#include "plugin/Kelvadrune.h"
#include "tests/support/RecordingGraphics.h"

namespace {

using namespace std::chrono_literals;

// A safety net against a hang, far beyond every bound the checks run with; no test waits this long.
constexpr auto kGiveUp = 20s;

// Serves one port on 127.0.0.1: answers every request with a canned body, closes after reading the
// request, holds the connection without a word, or refuses (bound but not listening).
class LoopbackServer {
 public:
  enum EMode { kAnswer, kClose, kSilent, kRefuse };

  LoopbackServer(EMode mode, const std::string& body) : mMode(mode) {
    mReply =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    mListen = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof(addr);
    if (bind(mListen, reinterpret_cast<sockaddr*>(&addr), size) != 0 ||
        getsockname(mListen, reinterpret_cast<sockaddr*>(&addr), &size) != 0) {
      ADD_FAILURE() << "no loopback port";
    }
    mPort = ntohs(addr.sin_port);
    if (mode != kRefuse && listen(mListen, 4) == 0) mThread = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    shutdown(mListen, SHUT_RDWR);  // ends the accept below
    if (mThread.joinable()) mThread.join();
    close(mListen);
  }
  std::string Address() const { return "http://127.0.0.1:" + std::to_string(mPort); }
  int Connections() const { return mConnections.load(); }

 private:
  void Serve() {
    std::vector<int> held;
    for (int client; (client = accept(mListen, nullptr, nullptr)) >= 0;) {
      ++mConnections;
      if (mMode == kSilent) {
        held.push_back(client);
        continue;
      }
      std::string request;
      char chunk[512];
      ssize_t got = 0;
      while (request.find("\r\n\r\n") == std::string::npos && (got = recv(client, chunk, sizeof(chunk), 0)) > 0) {
        request.append(chunk, static_cast<size_t>(got));
      }
      if (mMode == kAnswer) (void)!send(client, mReply.data(), mReply.size(), MSG_NOSIGNAL);
      close(client);
    }
    for (int fd : held) close(fd);
  }

  EMode mMode;
  std::string mReply;
  int mListen = -1;
  int mPort = 0;
  std::atomic<int> mConnections{0};
  std::thread mThread;
};

// Polls done() until it holds; false when it never did.
template <class Done>
bool Eventually(Done done) {
  for (const auto giveUp = std::chrono::steady_clock::now() + kGiveUp; std::chrono::steady_clock::now() < giveUp;) {
    if (done()) return true;
    std::this_thread::sleep_for(5ms);
  }
  return false;
}

TEST(UpdateCheckTest, RepliesCompareByWeightedVersion) {
  struct Row {
    const char* reply;
    const char* own;
    int result;
  } rows[] = {
      {"1.0.12", "1.0.11", kd::kUpdateCheckNewer},
      {"1.0.11\nchanges ...", "1.0.11", kd::kUpdateCheckUpToDate},
      {"1.0.9", "1.0.11", kd::kUpdateCheckOlder},
      {"0.99.0", "1.0.11", kd::kUpdateCheckOlder},
      {"1.1.0", "1.0.99", kd::kUpdateCheckNewer},      // 10100 against 10099
      {"1.0.100", "1.1.0", kd::kUpdateCheckUpToDate},  // both weigh 10100
      {" 1.+0.12-beta", "1.0.11", kd::kUpdateCheckNewer},
      {"1.0", "1.0.11", kd::kUpdateCheckProductNotFound},
      {"", "1.0.11", kd::kUpdateCheckProductNotFound},
      {"1 .0.12", "1.0.11", kd::kUpdateCheckProductNotFound},
      {"2147483648.0.0", "1.0.11", kd::kUpdateCheckProductNotFound},  // one past INT_MAX
      {"1.0.12", "1.0", kd::kUpdateCheckVersionError},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(kd::CompareVersionReply(row.reply, row.own), row.result) << row.reply << " against " << row.own;
  }
  EXPECT_STREQ(kd::UpdateCheckMessage(kd::kUpdateCheckNewer), "Plugin update is available");
  EXPECT_STREQ(kd::UpdateCheckMessage(6), "Unknown");
}

// The name sent is the product's own, cut to the caller's buffer.
TEST(UpdateCheckTest, ProductNameIsSentUnchanged) {
  struct Row {
    const char* name;
    int outSize;
    const char* sent;
  } rows[] = {
      {"Kelvadrune", 64, "Kelvadrune"},
      {"Kelvadrune", 11, "Kelvadrune"},
      {"Kelvadrune", 5, "Kelv"},
      {"Kelvadrune", 1, ""},
      {nullptr, 8, ""},
  };
  for (const Row& row : rows) {
    char out[64];
    std::fill(std::begin(out), std::end(out), 'x');
    kd::GetUpdateProductName(row.name, out, row.outSize);
    EXPECT_STREQ(out, row.sent) << row.outSize;
  }
  char untouched[2] = {'x', 'y'};
  kd::GetUpdateProductName("Kelvadrune", untouched, 0);
  EXPECT_EQ(untouched[0], 'x');
}

TEST(UpdateCheckTest, OnlyALoopbackServerReplacesTheService) {
  const std::pair<const char*, const char*> rows[] = {
      {"http://127.0.0.1:8080", "http://127.0.0.1:8080/versioncheck?productname=Kelvadrune"},
      {"http://example.org:8080", "https://update.lunderwick.com/versioncheck?productname=Kelvadrune"},
      {"", "https://update.lunderwick.com/versioncheck?productname=Kelvadrune"},
  };
  for (const auto& [service, url] : rows) {
    setenv(kd::kUpdateServiceVariable, service, 1);
    EXPECT_EQ(kd::UpdateCheckURL("Kelvadrune"), url) << service;
  }
}

TEST(UpdateCheckTest, ServersAnswerWithResultAndTransferCode) {
  struct Row {
    LoopbackServer::EMode mode;
    std::string body;
    int result;
    int curlCode;
  } rows[] = {
      {LoopbackServer::kAnswer, "1.0.12", kd::kUpdateCheckNewer, 0},
      {LoopbackServer::kAnswer, "1.0.11", kd::kUpdateCheckUpToDate, 0},
      {LoopbackServer::kAnswer, "1.0.9", kd::kUpdateCheckOlder, 0},
      {LoopbackServer::kAnswer, "Kelvadrune?", kd::kUpdateCheckProductNotFound, 0},
      {LoopbackServer::kAnswer, std::string(100000, '1'), kd::kUpdateCheckServiceUnavailable, 23},  // write error
      {LoopbackServer::kClose, "", kd::kUpdateCheckServiceUnavailable, 52},                         // empty reply
      {LoopbackServer::kRefuse, "", kd::kUpdateCheckServiceUnavailable, 7},                         // could not connect
      {LoopbackServer::kSilent, "", kd::kUpdateCheckServiceUnavailable, 28},                        // timed out
  };
  for (const Row& row : rows) {
    LoopbackServer server(row.mode, row.body);
    kd::UpdateCheck check;
    check.SetLimits({1000, 300, 64 * 1024});
    ASSERT_TRUE(check.Start(server.Address() + "/versioncheck?productname=Kelvadrune", "1.0.11", true));
    EXPECT_TRUE(check.IsRunning());
    EXPECT_FALSE(check.Start(server.Address(), "1.0.11", true)) << "one check at a time";
    ASSERT_TRUE(Eventually([&] { return check.Collect(); })) << row.mode;
    EXPECT_EQ(check.TakeManualResult(), row.result) << row.mode << " " << row.body.substr(0, 12);
    EXPECT_EQ(check.GetLastCurlCode(), row.curlCode) << row.mode;
    EXPECT_EQ(kd::IsUpdateAvailable(), row.result == kd::kUpdateCheckNewer);
    EXPECT_FALSE(check.TakeManualResult()) << "taken once";
  }
}

// The process's one automatic check, claimed by the instance that starts it: a manual check needs no claim and
// gives none back, a cancelled (or destroyed) automatic check gives it back so a later tick can start one, and a
// finished one keeps it for good. Skipped in a process where an earlier test finished an automatic check (ctest
// runs each test in a process of its own).
TEST(UpdateCheckTest, OneAutomaticCheckPerProcessAndACancelledOneGivesItsClaimBack) {
  LoopbackServer silent(LoopbackServer::kSilent, ""), answering(LoopbackServer::kAnswer, "1.0.11");
  setenv(kd::kUpdateServiceVariable, silent.Address().c_str(), 1);
  enum EStep { kAutomatic, kManual, kCancel, kFinish, kDestroy, kServiceAnswers };
  struct Row {
    int instance;
    EStep step;
    bool started;  // kAutomatic, kManual: the answer
  } rows[] = {
      {1, kAutomatic, false},                                                       // claimed by instance 0
      {0, kAutomatic, false},                                                       // already running
      {1, kManual, true},          {1, kCancel, false},    {2, kAutomatic, false},  // the manual check left it
      {0, kCancel, false},         {2, kAutomatic, true},  {0, kAutomatic, false},
      {2, kDestroy, false},        {1, kAutomatic, true},  {1, kCancel, false},
      {0, kServiceAnswers, false}, {0, kAutomatic, true},  {0, kFinish, false},  // collected: the claim stays
      {1, kAutomatic, false},      {0, kAutomatic, false}, {1, kManual, true},
      {1, kFinish, false},         {1, kAutomatic, false},
  };
  // At most four workers run at once, cancelled ones included: the rows start no more before the service answers.
  std::unique_ptr<kd::UpdateCheck> checks[3];
  for (auto& check : checks) check = std::make_unique<kd::UpdateCheck>();
  if (!checks[0]->StartAutomatic("Kelvadrune", "1.0.11")) GTEST_SKIP() << "an automatic check finished earlier";
  for (size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(testing::Message() << "row " << i);
    kd::UpdateCheck& check = *checks[row.instance];
    switch (row.step) {
      case kAutomatic:
        EXPECT_EQ(check.StartAutomatic("Kelvadrune", "1.0.11"), row.started);
        break;
      case kManual:
        EXPECT_EQ(check.StartManual("Kelvadrune", "1.0.11"), row.started);
        break;
      case kCancel:
        check.Cancel();
        EXPECT_FALSE(check.IsRunning());
        break;
      case kFinish:
        EXPECT_TRUE(Eventually([&] { return check.Collect(); }));
        break;
      case kDestroy:
        checks[row.instance] = std::make_unique<kd::UpdateCheck>();
        break;
      case kServiceAnswers:
        setenv(kd::kUpdateServiceVariable, answering.Address().c_str(), 1);
        break;
    }
  }
}

// Keeps the message boxes the plug-in shows, "caption|text" each.
class MessageBoxGraphics : public fx::gfx::test::RecordingGraphics {
 public:
  using RecordingGraphics::RecordingGraphics;
  fx::gfx::EMsgBoxResult ShowMessageBox(const char* str, const char* caption, fx::gfx::EMsgBoxType,
                                        fx::gfx::IMsgBoxCompletionHandlerFunc) override {
    boxes.push_back(std::string(caption) + "|" + str);
    return fx::gfx::kOK;
  }
  std::vector<std::string> boxes;
};

class ButtonStandIn : public fx::gfx::IControl {
 public:
  ButtonStandIn() : IControl(fx::gfx::IRECT(0, 0, 10, 10)) {}
  void Draw(fx::gfx::IGraphics&) override {}
};

// The product with an editor open on the recording test double, its checks pointed at a loopback server.
class KelvadruneUpdateCheckTest : public testing::Test {
 protected:
  void Open(const LoopbackServer& server) {
    setenv(kd::kUpdateServiceVariable, server.Address().c_str(), 1);
    mPlug = std::make_unique<Kelvadrune>(fx::InstanceInfo{});
    mPlug->SetMakeGraphicsFunc([this] {
      mGraphics = new MessageBoxGraphics(*mPlug, Kelvadrune::kEditorBaseWidth, Kelvadrune::kEditorBaseHeight);
      return mGraphics;
    });
    int parent = 0;
    ASSERT_NE(mPlug->OpenWindow(&parent), nullptr);
    // A plain control stands for the layout's update button.
    mButton = mGraphics->AttachControl(new ButtonStandIn, kCtrlTagUpdateButton);
    mPlug->OnUIOpen();
  }
  // Ticks until the manual check's message box shows; "" when none did.
  std::string ManualResultBox() {
    Eventually([&] {
      mPlug->OnIdle();
      return !mGraphics->boxes.empty();
    });
    return mGraphics->boxes.empty() ? "" : mGraphics->boxes.front();
  }

  std::unique_ptr<Kelvadrune> mPlug;
  MessageBoxGraphics* mGraphics = nullptr;
  fx::gfx::IControl* mButton = nullptr;
};

TEST_F(KelvadruneUpdateCheckTest, CommandRunsTheCheckOnLaterTicksShowsItsMessageAndSetsTheSharedFlag) {
  for (const auto& [body, result] :
       {std::pair{"1.0.12", kd::kUpdateCheckNewer}, {"1.0.11", kd::kUpdateCheckUpToDate}}) {
    LoopbackServer server(LoopbackServer::kAnswer, body);
    Open(server);
    mPlug->OnParamChange(kMsgCheckUpdate, fx::kUI, -1);
    EXPECT_EQ(ManualResultBox(), std::string("Check for update|") + kd::UpdateCheckMessage(result)) << body;
    EXPECT_EQ(kd::IsUpdateAvailable(), result == kd::kUpdateCheckNewer) << body;
    mPlug->OnIdle();
    EXPECT_EQ(mGraphics->boxes.size(), 1u) << "shown once";
    EXPECT_EQ(mButton->GetValue(), result == kd::kUpdateCheckNewer ? 1.0 : 0.0) << body;
    // The button is switched between its two values only, and redrawn only when switched; any other value
    // stays.
    const double shown = result == kd::kUpdateCheckNewer ? 1.0 : 0.0;
    for (const auto& [before, after] : {std::pair{0.0, shown}, {1.0, shown}, {0.5, 0.5}, {0.25, 0.25}}) {
      mButton->SetValue(before);
      mButton->SetClean();
      mPlug->OnIdle();
      EXPECT_EQ(mButton->GetValue(), after) << body << " from " << before;
      EXPECT_EQ(mButton->IsDirty(), before != after) << body << " from " << before;
    }
    mPlug->CloseWindow();
  }
}

TEST_F(KelvadruneUpdateCheckTest, ASilentServerNeverHoldsTheIdleTickAndClosingCancelsTheCheck) {
  LoopbackServer server(LoopbackServer::kSilent, "");
  Open(server);
  mPlug->OnParamChange(kMsgCheckUpdate, fx::kUI, -1);
  mPlug->OnIdle();
  // The tick is back while the server has not said a word: the check runs elsewhere.
  EXPECT_TRUE(mPlug->GetUpdateCheck().IsRunning());
  ASSERT_TRUE(Eventually([&] { return server.Connections() > 0; }));
  mPlug->CloseWindow();
  EXPECT_FALSE(mPlug->GetUpdateCheck().IsRunning());
  EXPECT_FALSE(mPlug->GetUpdateCheck().TakeManualResult()) << "a cancelled check has no result";
  // A check running when the plug-in goes is cancelled by its destructor and left to finish on its own.
  Open(server);
  mPlug->OnParamChange(kMsgCheckUpdate, fx::kUI, -1);
  mPlug->OnIdle();
  EXPECT_TRUE(mPlug->GetUpdateCheck().IsRunning());
  mPlug.reset();
}

}  // namespace

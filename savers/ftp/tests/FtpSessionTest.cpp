#include "savers/ftp/FtpSession.h"
#include "platform/Win32Error.h"
#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/testsupport/FtpTestServer.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <thread>
#include <utility>
#include <vector>

using namespace std::chrono_literals;
using namespace tarsel::ftp;
using tarsel::ftp::test::FtpTestServer;

namespace {

constexpr const char* kPassword = FtpTestServer::kPassword;

// Records the session's notifications posted to it.
class Recorder : public QObject {
public:
  bool event(QEvent* e) override {
    const CFtpSessionEvent* notification = CFtpSessionEvent::From(e, WM_FTP_SESSION_NOTIFY);
    if (!notification)
      return QObject::event(e);
    if (notification->wParam() != NotifyProgress)
      seen.emplace_back(notification->wParam(), notification->lParam());
    return true;
  }
  std::vector<std::pair<std::intptr_t, std::intptr_t>> seen;
};

// Delivers posted events until `done` holds or `limit` passes.
bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    QCoreApplication::sendPostedEvents();
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

std::string fileText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int threadCount() {
  return static_cast<int>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                        std::filesystem::directory_iterator()));
}

class FtpSessionTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    const char* home = std::getenv("HOME");
    server = new FtpTestServer(std::filesystem::path(home ? home : "/tmp") / "ftp-server");
  }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  // A session with a 1 s watchdog.
  static std::unique_ptr<CFtpSession> makeSession(bool synchronous = true, QObject* window = nullptr,
                                                  std::chrono::milliseconds idle = 60s) {
    CFtpSession::Timeouts timeouts;
    timeouts.watchdog = 1s;
    timeouts.idle = idle;
    return std::make_unique<CFtpSession>(synchronous, window, WM_FTP_SESSION_NOTIFY, timeouts);
  }

  static HRESULT connect(CFtpSession& session, const char* user, const char* password = kPassword) {
    return session.Connect(server->Address().c_str(), user, password);
  }

  static inline FtpTestServer* server = nullptr;
};

} // namespace

TEST_F(FtpSessionTest, RefusesRequestsTheStateDoesNotAllow) {
  auto session = makeSession();
  const char bytes[] = "x";
  EXPECT_EQ(session->Upload(bytes, 1, "a"), kNotConnected);
  EXPECT_EQ(session->ChangeDir("a"), kNotConnected);
  EXPECT_EQ(session->Quit(), kNotConnected);
  EXPECT_EQ(session->Abort(), kNoTransfer);
  ASSERT_EQ(connect(*session, "tarsel"), 0);
  EXPECT_TRUE(session->IsSameServerAndUser(server->Address().c_str(), "tarsel"));
  EXPECT_EQ(connect(*session, "tarsel"), kAlreadyConnected);
  EXPECT_EQ(session->Upload(bytes, 1, "a\r\nDELE b"), ERROR_INVALID_NAME);
  EXPECT_EQ(session->Quit(), 0);
  EXPECT_FALSE(session->IsConnected());

  // A posted log-in the server never answers keeps the session busy.
  session->SetNotify(false, nullptr);
  ASSERT_EQ(connect(*session, "silent"), 0);
  EXPECT_TRUE(session->IsBusy());
  EXPECT_EQ(connect(*session, "tarsel"), kBusy);
  EXPECT_EQ(session->Upload(bytes, 1, "a"), kBusy);
  EXPECT_EQ(session->ChangeDir("a"), kBusy);
}

TEST_F(FtpSessionTest, WatchdogEndsAHungLogInWithTimeoutAndTheNextRequestWorks) {
  auto session = makeSession();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(connect(*session, "silent"), kWaitTimeout);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_FALSE(session->IsConnected());
  EXPECT_FALSE(session->IsBusy());
  EXPECT_EQ(connect(*session, "tarsel"), 0);
}

TEST_F(FtpSessionTest, WatchdogEndsAStalledTransferWithOneNotification) {
  // A data connection the server never reads: one (4, 258) in posted mode.
  auto session = makeSession();
  Recorder dialog;
  ASSERT_EQ(connect(*session, "stall"), 0);
  session->SetNotify(false, &dialog);
  const std::vector<char> picture(32 << 20, 'p');
  ASSERT_EQ(session->Upload(picture.data(), picture.size(), "stalled.jpg"), 0);
  // A quit waiting behind the stalled upload finds its connection gone and
  // still leaves the session free.
  // (refused while the upload itself still waits for the worker).
  ASSERT_TRUE(pumpUntil([&] { return session->Quit() == 0; }));
  ASSERT_TRUE(pumpUntil([&] { return !session->IsBusy(); }));
  pumpUntil([] { return false; }, 300ms);
  EXPECT_FALSE(session->IsBusy());
  using Seen = std::vector<std::pair<std::intptr_t, std::intptr_t>>;
  EXPECT_EQ(dialog.seen, (Seen{{NotifyOtherError, kWaitTimeout}}));
  EXPECT_FALSE(session->IsConnected());
  session->SetNotify(true, nullptr);
  EXPECT_EQ(connect(*session, "tarsel"), 0);
}

TEST_F(FtpSessionTest, IdleLogOutIsSilentAndTheNextSaveConnectsAgain) {
  Recorder dialog;
  auto session = makeSession(false, &dialog, 300ms);
  ASSERT_EQ(connect(*session, "tarsel"), 0);
  ASSERT_TRUE(pumpUntil([&] { return server->CommandLog().find("QUIT") != std::string::npos; }));
  ASSERT_TRUE(pumpUntil([&] { return !session->IsConnected() && !session->IsBusy(); }));
  pumpUntil([] { return false; }, 100ms);
  using Seen = std::vector<std::pair<std::intptr_t, std::intptr_t>>;
  EXPECT_EQ(dialog.seen, (Seen{{NotifyState, NotifyConnected}}));
  session->SetNotify(true, nullptr);
  EXPECT_EQ(connect(*session, "tarsel"), 0);
}

TEST_F(FtpSessionTest, ASynchronousRequestDuringAPostedOneIsRefusedAndNeverReturnsEarly) {
  Recorder dialog;
  auto session = makeSession(false, &dialog);
  ASSERT_EQ(connect(*session, "silent"), 0);
  // The direct save, from another thread, while the dialog's log-in hangs.
  HRESULT during = 0;
  std::thread direct([&] {
    session->SetNotify(true, nullptr);
    during = connect(*session, "tarsel");
  });
  direct.join();
  EXPECT_EQ(during, kBusy);
  ASSERT_TRUE(pumpUntil([&] { return !dialog.seen.empty(); }));
  using Seen = std::vector<std::pair<std::intptr_t, std::intptr_t>>;
  EXPECT_EQ(dialog.seen, (Seen{{NotifyOtherError, kWaitTimeout}}));
  // The synchronous request returns once its own exchange has run.
  ASSERT_TRUE(pumpUntil([&] { return !session->IsBusy(); }));
  EXPECT_EQ(connect(*session, "tarsel"), 0);
  EXPECT_TRUE(session->IsConnected());
  EXPECT_EQ(dialog.seen.size(), 1u);
}

TEST_F(FtpSessionTest, AnAbortedUploadEndsWithItsNotificationAndTheSessionStaysInStep) {
  Recorder dialog;
  auto session = makeSession(false, &dialog);
  ASSERT_EQ(connect(*session, "tarsel"), 0);
  const std::vector<char> picture(64 << 20, 'p');
  ASSERT_EQ(session->Upload(picture.data(), picture.size(), "aborted.jpg"), 0);
  EXPECT_EQ(session->Abort(), 0);
  ASSERT_TRUE(pumpUntil([&] { return dialog.seen.size() == 2; }));
  using Seen = std::vector<std::pair<std::intptr_t, std::intptr_t>>;
  EXPECT_EQ(dialog.seen, (Seen{{NotifyState, NotifyConnected}, {NotifyState, NotifyUploadAborted}}));
  EXPECT_NE(server->CommandLog().find("STOR aborted.jpg\nABOR\n"), std::string::npos);
  session->SetNotify(true, nullptr);
  EXPECT_EQ(session->Upload("next", 4, "next.jpg"), 0);
  EXPECT_EQ(fileText(server->Home() / "next.jpg"), "next");
}

TEST_F(FtpSessionTest, DestroyingTheSessionDuringAHungExchangeReturnsPromptlyWithNoThreadLeft) {
  makeSession().reset(); // whatever a first session starts for good (a sanitizer's thread)
  const int before = threadCount();
  CFtpSession::Timeouts timeouts; // a 30 s watchdog: only the destructor ends the exchange
  auto session = std::make_unique<CFtpSession>(false, nullptr, WM_FTP_SESSION_NOTIFY, timeouts);
  ASSERT_EQ(connect(*session, "silent"), 0);
  std::this_thread::sleep_for(100ms);
  const auto start = std::chrono::steady_clock::now();
  session.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
  EXPECT_EQ(threadCount(), before);
}

TEST_F(FtpSessionTest, AnInterruptEndsAnUploadTheServerNeverConfirmsAndEveryRequestAfterIt) {
  // A 30 s watchdog: only the interrupt can end the wait for the 226.
  auto session = std::make_unique<CFtpSession>(true, nullptr, WM_FTP_SESSION_NOTIFY, CFtpSession::Timeouts());
  ASSERT_EQ(connect(*session, "mute"), 0);
  const std::string picture(200000, 'm');
  std::atomic<HRESULT> result{-1};
  std::thread saving([&] { result = session->Upload(picture.data(), picture.size(), "mute.jpg"); });
  const bool waiting = FtpTestServer::WaitForFileSize(server->Home() / "mute.jpg", picture.size());
  const auto start = std::chrono::steady_clock::now();
  session->Interrupt();
  saving.join();
  EXPECT_TRUE(waiting) << server->CommandLog();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_EQ(result.load(), kInterrupted);
  EXPECT_FALSE(session->IsBusy());
  EXPECT_FALSE(session->IsConnected());
  EXPECT_EQ(connect(*session, "tarsel"), kInterrupted);
  EXPECT_EQ(session->Upload(picture.data(), picture.size(), "later.jpg"), kInterrupted);
  const auto destroying = std::chrono::steady_clock::now();
  session.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - destroying, 1s);
}

TEST_F(FtpSessionTest, FilesLandInTheComposedDirectoriesAndTheTranscriptShowsHowTheyWereMade) {
  auto session = makeSession();
  ASSERT_EQ(connect(*session, "tarsel"), 0);
  ASSERT_EQ(session->ChangeDir("pics/cam1"), 0);
  ASSERT_EQ(session->Upload("one", 3, "a.jpg"), 0);
  // A sibling whose name starts with the current folder's name.
  ASSERT_EQ(session->ChangeDir("./pics//cam10"), 0);
  ASSERT_EQ(session->Upload("", 0, "empty.jpg"), 0);
  EXPECT_EQ(fileText(server->Home() / "pics/cam1/a.jpg"), "one");
  EXPECT_TRUE(std::filesystem::exists(server->Home() / "pics/cam10/empty.jpg"));
  EXPECT_FALSE(std::filesystem::exists(server->Home() / "pics/cam1/0"));
  EXPECT_EQ(server->CommandLog(), "USER tarsel\nPASS ******\nPWD\n"
                                  "CWD /pics/cam1\nCWD /pics\nMKD /pics\nCWD /pics\nCWD cam1\nMKD cam1\n"
                                  "CWD /pics/cam1\nTYPE I\nPASV\nSTOR a.jpg\n"
                                  "CWD /pics/cam10\nCWD /pics\nCWD cam10\nMKD cam10\nCWD /pics/cam10\n"
                                  "PASV\nSTOR empty.jpg\n");

  // A path that climbs is refused; a new log-in sets the binary mode again.
  EXPECT_EQ(session->ChangeDir("a/../b"), kBadPathSyntax);
  ASSERT_EQ(connect(*session, "tarsel"), 0);
  ASSERT_EQ(session->Upload("two", 3, "b.jpg"), 0);
  const std::string log = server->CommandLog();
  EXPECT_EQ(log.substr(log.rfind("USER")), "USER tarsel\nPASS ******\nPWD\nTYPE I\nPASV\nSTOR b.jpg\n");
  // A folder that cannot be made ends the log-in.
  EXPECT_EQ(session->ChangeDir("readonly/sub"), ReplyCode(550));
  EXPECT_FALSE(session->IsConnected());
  EXPECT_FALSE(std::filesystem::exists(server->Home() / "readonly/sub"));
}

TEST_F(FtpSessionTest, RefusedLogInAndBusyServerEndTheConnectionWithTheirReplyCodes) {
  auto session = makeSession();
  EXPECT_EQ(connect(*session, "tarsel", "wrong"), ReplyCode(530));
  EXPECT_FALSE(session->IsConnected());
  EXPECT_EQ(server->CommandLog(), "USER tarsel\nPASS ******\nQUIT\n");
  EXPECT_EQ(session->Connect(server->BusyAddress().c_str(), "tarsel", kPassword), ReplyCode(421));
  EXPECT_FALSE(session->IsConnected());
  EXPECT_EQ(connect(*session, "anonymous", "guest@"), 0);
}

TEST_F(FtpSessionTest, ABrokenReplyOrARefusedUploadLeavesAUsableSession) {
  auto session = makeSession();
  EXPECT_EQ(connect(*session, "endless"), WSAECONNABORTED);
  EXPECT_EQ(connect(*session, "full"), 0);
  EXPECT_EQ(session->Upload("abc", 3, "a.jpg"), ReplyCode(452));
  EXPECT_TRUE(session->IsConnected());
  EXPECT_EQ(session->Upload("abc", 3, "b.jpg"), ReplyCode(452));
  EXPECT_EQ(session->Quit(), 0);
}

TEST_F(FtpSessionTest, ThePassiveDataConnectionGoesToTheControlPeerWhateverAddressTheReplyNames) {
  // The server names 127.0.0.99 in its PASV reply, where a decoy listens on
  // the same port: every byte must reach the server itself.
  auto session = makeSession();
  ASSERT_EQ(connect(*session, "decoy"), 0);
  const std::vector<char> picture(1 << 20, 'd');
  ASSERT_EQ(session->Upload(picture.data(), picture.size(), "far.jpg"), 0);
  EXPECT_EQ(session->Quit(), 0);
  EXPECT_EQ(fileText(server->Home() / "far.jpg"), std::string(picture.begin(), picture.end()));
  EXPECT_EQ(server->CommandLog(), "USER decoy\nPASS ******\nPWD\nTYPE I\nPASV\nSTOR far.jpg\nQUIT\n");
}

TEST_F(FtpSessionTest, UploadsOverIpv6LoopbackThroughExtendedPassiveMode) {
  const char* home = std::getenv("HOME");
  FtpTestServer v6(std::filesystem::path(home ? home : "/tmp") / "ftp-server-v6", "::1");
  auto session = makeSession();
  ASSERT_EQ(session->Connect(v6.Address().c_str(), "tarsel", kPassword), 0);
  ASSERT_EQ(session->Upload("six", 3, "v6.jpg"), 0);
  EXPECT_EQ(fileText(v6.Home() / "v6.jpg"), "six");
  EXPECT_NE(v6.CommandLog().find("EPSV\nSTOR v6.jpg\n"), std::string::npos);
}

TEST_F(FtpSessionTest, ADialogAndADirectSaveInterleavingAtRandomGetOnlyStateCodesAndLeaveAWorkingSession) {
  Recorder dialog;
  auto session = makeSession();
  static const std::vector<char> picture(256 << 10, 'r');
  const std::set<HRESULT> allowed = {0,          kAlreadyConnected, kBusy, kNotConnected, kConnectionsDropped,
                                     kNoTransfer};
  auto caller = [&](unsigned seed, bool posted) {
    std::mt19937 random(seed);
    for (int i = 0; i < 40; ++i) {
      session->SetNotify(!posted, posted ? &dialog : nullptr);
      HRESULT rc = 0;
      switch (random() % 5) {
      case 0:
        rc = connect(*session, "tarsel");
        break;
      case 1:
        rc = session->Upload(picture.data(), picture.size(), posted ? "dialog.jpg" : "direct.jpg");
        break;
      case 2:
        rc = session->ChangeDir(posted ? "d" : "s");
        break;
      case 3:
        rc = session->Quit();
        break;
      default:
        rc = session->Abort();
      }
      EXPECT_TRUE(allowed.count(rc)) << std::hex << rc;
    }
  };
  std::thread direct(caller, 7u, false);
  caller(11u, true);
  direct.join();
  ASSERT_TRUE(pumpUntil([&] { return !session->IsBusy(); }));
  session->Detach(&dialog);
  session->SetNotify(true, nullptr);
  // An abort leaves the state at dropped connections, not busy, while the
  // last posted request may still wait its turn; a log-in is refused as
  // busy until it ran.
  HRESULT connected = kBusy;
  ASSERT_TRUE(pumpUntil([&] {
    session->Quit();
    connected = connect(*session, "tarsel");
    return connected != kBusy;
  }));
  ASSERT_EQ(connected, 0);
  ASSERT_EQ(session->Upload("last", 4, "last.jpg"), 0);
  EXPECT_EQ(fileText(server->Home() / "last.jpg"), "last");
}

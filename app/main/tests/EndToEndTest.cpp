// The built program as a user runs it without a display: it starts on the
// offscreen platform, takes a remote-control datagram from TarselRemote and
// ends cleanly on SIGTERM.
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A started process that is killed if the test leaves it running.
class Child {
public:
  explicit Child(const std::string& program) {
    char* argv[] = {const_cast<char*>(program.c_str()), nullptr};
    if (posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, argv, environ) != 0)
      m_pid = -1;
  }
  ~Child() {
    if (m_pid <= 0)
      return;
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }

  bool started() const { return m_pid > 0; }
  pid_t pid() const { return m_pid; }

  // The wait status once the process ended within `limit`; no value if it still runs.
  std::optional<int> waitFor(std::chrono::milliseconds limit) {
    const auto end = Clock::now() + limit;
    for (;;) {
      int status = 0;
      const pid_t done = waitpid(m_pid, &status, WNOHANG);
      if (done == m_pid) {
        m_pid = -1;
        return status;
      }
      if (done < 0 || Clock::now() >= end)
        return std::nullopt;
      std::this_thread::sleep_for(20ms);
    }
  }

private:
  pid_t m_pid = -1;
};

} // namespace

TEST(Program, RunsOffscreenTakesARemoteCaptureAndEndsCleanlyOnSigterm) {
  // A mailslot name and port of this test alone, so parallel runs never meet.
  const std::string tag = std::to_string(getpid());
  tarsel::test::ScopedEnv mailslot("TARSEL_REMOTE_MAILSLOT", "Tarsel-end-to-end-" + tag);
  tarsel::test::ScopedEnv port("TARSEL_REMOTE_PORT", std::to_string(20000 + getpid() % 30000));
  // An empty DISPLAY is no display either.
  tarsel::test::ScopedEnv noX("DISPLAY", std::string());
  tarsel::test::ScopedEnv noWayland("WAYLAND_DISPLAY", std::nullopt);
  tarsel::test::ScopedEnv platform("QT_QPA_PLATFORM", std::nullopt);
#if defined(__SANITIZE_THREAD__)
  // The Qt libraries are not built for the thread sanitizer, so the program
  // would report the hand-overs inside Qt's own painting thread pool. Our
  // threads are checked by the unit tests; here only the clean run is.
  tarsel::test::ScopedEnv quietSanitizer("TSAN_OPTIONS", std::string("report_bugs=0"));
#endif

  Child tarsel(tarsel::test::binDir() + "/Tarsel");
  ASSERT_TRUE(tarsel.started());

  // The receiver listens once the frame's start-up has run: until then the
  // sender finds nobody and fails.
  bool delivered = false;
  const auto end = Clock::now() + 20s;
  while (!delivered && Clock::now() < end) {
    const auto sent = tarsel::test::runProgram({tarsel::test::binDir() + "/TarselRemote", "/CAPTURE"});
    delivered = sent.exitCode == 0;
    if (!delivered) {
      ASSERT_FALSE(tarsel.waitFor(0ms).has_value()) << "Tarsel ended before it received anything";
      std::this_thread::sleep_for(100ms);
    }
  }
  ASSERT_TRUE(delivered) << "TarselRemote /CAPTURE found no receiver within 20 s";

  // Let the program handle the datagram (no camera: the take is dropped).
  std::this_thread::sleep_for(300ms);
  ASSERT_EQ(kill(tarsel.pid(), SIGTERM), 0);
  const std::optional<int> status = tarsel.waitFor(20s);
  ASSERT_TRUE(status.has_value()) << "Tarsel did not end within 20 s of SIGTERM";
  ASSERT_TRUE(WIFEXITED(*status)) << "Tarsel ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

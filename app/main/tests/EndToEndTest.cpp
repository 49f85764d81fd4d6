// The program as a user runs it without a display, with one test camera: it
// starts on the offscreen platform, takes a picture when TarselRemote sends
// /CAPTURE (the camera records the take in a file) and ends cleanly on
// SIGTERM.
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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

// The test program beside this test.
std::string testProgram() {
  return (std::filesystem::read_symlink("/proc/self/exe").parent_path() / "TarselWithTestCamera").string();
}

// Whether the condition holds within the limit.
template <class Condition> bool waitUntil(Condition condition, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  while (!condition()) {
    if (Clock::now() >= end)
      return false;
    std::this_thread::sleep_for(20ms);
  }
  return true;
}

TEST(Program, RunsOffscreenTakesAPictureOnARemoteCaptureAndEndsCleanlyOnSigterm) {
  // A mailslot name and port of this test alone, so parallel runs never meet.
  const std::string tag = std::to_string(getpid());
  tarsel::test::ScopedEnv mailslot("TARSEL_REMOTE_MAILSLOT", "Tarsel-end-to-end-" + tag);
  tarsel::test::ScopedEnv port("TARSEL_REMOTE_PORT", std::to_string(20000 + getpid() % 30000));
  const tarsel::test::TempDir folder;
  const std::string takes = folder.file("takes.txt");
  tarsel::test::ScopedEnv takeRecord("TARSEL_TEST_CAMERA_TAKES", takes);
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

  Child tarsel(testProgram());
  ASSERT_TRUE(tarsel.started());

  // The receiver listens once the frame's start-up has run: until then the
  // sender finds nobody and fails.
  const bool delivered = waitUntil(
      [&] {
        if (tarsel.waitFor(0ms).has_value())
          return true;
        return tarsel::test::runProgram({tarsel::test::binDir() + "/TarselRemote", "/CAPTURE"}).exitCode == 0;
      },
      20s);
  ASSERT_TRUE(delivered) << "TarselRemote /CAPTURE found no receiver within 20 s";
  ASSERT_TRUE(tarsel.started()) << "Tarsel ended before it received anything";

  // The camera records the take when it fires.
  ASSERT_TRUE(waitUntil([&] { return tarsel::test::readFile(takes) == "Test Camera 1 take 1\n"; }, 20s))
      << "no take recorded: \"" << tarsel::test::readFile(takes) << "\"";

  // The picture stays unsaved in its window (there is no saver), so the first
  // request may be answered by a question nobody sees; a second request
  // closes without asking.
  ASSERT_EQ(kill(tarsel.pid(), SIGTERM), 0);
  std::optional<int> status = tarsel.waitFor(3s);
  if (!status) {
    ASSERT_EQ(kill(tarsel.pid(), SIGTERM), 0);
    status = tarsel.waitFor(20s);
  }
  ASSERT_TRUE(status.has_value()) << "Tarsel did not end within 20 s of a second SIGTERM";
  ASSERT_TRUE(WIFEXITED(*status)) << "Tarsel ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
  EXPECT_EQ(tarsel::test::readFile(takes), "Test Camera 1 take 1\n");
}

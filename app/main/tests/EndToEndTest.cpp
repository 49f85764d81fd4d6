// The program as a user runs it without a display: it starts on the
// offscreen platform, takes a picture when TarselRemote sends /CAPTURE and
// ends cleanly on SIGTERM; once with one test camera (which records the take
// in a file), once as the product with two camera-link cameras of vesk-simd
// (which counts the pictures downloaded), and killed in the middle of a burst
// of takes that move their pictures to the file saver.
#include "app/testsupport/VeskSimulator.h"
#include "env/CamStorageDir.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

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

// The environment of a program run without a display, with a mailslot name
// and port of this test alone, so parallel runs never meet.
class OffscreenRun {
public:
  OffscreenRun()
      : m_mailslot("TARSEL_REMOTE_MAILSLOT", "Tarsel-end-to-end-" + std::to_string(getpid())),
        m_port("TARSEL_REMOTE_PORT", std::to_string(20000 + getpid() % 30000)),
        // An empty DISPLAY is no display either.
        m_noX("DISPLAY", std::string()), m_noWayland("WAYLAND_DISPLAY", std::nullopt),
        m_platform("QT_QPA_PLATFORM", std::nullopt)
#if defined(__SANITIZE_THREAD__)
        // The Qt libraries are not built for the thread sanitizer, so the program
        // would report the hand-overs inside Qt's own painting thread pool. Our
        // threads are checked by the unit tests; here only the clean run is.
        ,
        m_quietSanitizer("TSAN_OPTIONS", std::string("report_bugs=0"))
#endif
  {
  }

private:
  tarsel::test::ScopedEnv m_mailslot;
  tarsel::test::ScopedEnv m_port;
  tarsel::test::ScopedEnv m_noX;
  tarsel::test::ScopedEnv m_noWayland;
  tarsel::test::ScopedEnv m_platform;
#if defined(__SANITIZE_THREAD__)
  tarsel::test::ScopedEnv m_quietSanitizer;
#endif
};

// Sends TarselRemote /CAPTURE until a receiver takes it. The receiver listens
// once the frame's start-up has run: until then the sender finds nobody and
// fails.
void sendCapture(Child& tarsel) {
  const bool delivered = waitUntil(
      [&] {
        if (tarsel.waitFor(0ms).has_value())
          return true;
        return tarsel::test::runProgram({tarsel::test::binDir() + "/TarselRemote", "/CAPTURE"}).exitCode == 0;
      },
      20s);
  ASSERT_TRUE(delivered) << "TarselRemote /CAPTURE found no receiver within 20 s";
  ASSERT_TRUE(tarsel.started()) << "Tarsel ended before it received anything";
}

// Ends the program with SIGTERM and expects a clean exit. Its pictures stay
// unsaved in their windows (there is no saver), so the first request may be
// answered by a question nobody sees; a second request closes without asking.
void expectCleanEndOnSigterm(Child& tarsel) {
  ASSERT_EQ(kill(tarsel.pid(), SIGTERM), 0);
  std::optional<int> status = tarsel.waitFor(3s);
  if (!status) {
    ASSERT_EQ(kill(tarsel.pid(), SIGTERM), 0);
    status = tarsel.waitFor(20s);
  }
  ASSERT_TRUE(status.has_value()) << "Tarsel did not end within 20 s of a second SIGTERM";
  ASSERT_TRUE(WIFEXITED(*status)) << "Tarsel ended by signal " << WTERMSIG(*status);
  EXPECT_EQ(WEXITSTATUS(*status), 0);
}

TEST(Program, RunsOffscreenTakesAPictureOnARemoteCaptureAndEndsCleanlyOnSigterm) {
  const OffscreenRun offscreen;
  const tarsel::test::TempDir folder;
  const std::string takes = folder.file("takes.txt");
  tarsel::test::ScopedEnv takeRecord("TARSEL_TEST_CAMERA_TAKES", takes);

  Child tarsel(testProgram());
  ASSERT_TRUE(tarsel.started());
  sendCapture(tarsel);

  // The camera records the take when it fires.
  ASSERT_TRUE(waitUntil([&] { return tarsel::test::readFile(takes) == "Test Camera 1 take 1\n"; }, 20s))
      << "no take recorded: \"" << tarsel::test::readFile(takes) << "\"";
  expectCleanEndOnSigterm(tarsel);
  EXPECT_EQ(tarsel::test::readFile(takes), "Test Camera 1 take 1\n");
}

// The two simulated models enabled for the program and accepted by the
// library, and the further registry values (key, name, type, value) set
// with tarselreg as a user's Options would.
// The simulator's set-up of the two models, after its daemon lines.
std::string twoCameraLinkCameras(const std::string& daemon) {
  return daemon + "[camera]\nmodel = XC-701\npictures = 0\n[camera]\nmodel = XC-702\npictures = 0\n";
}

void enableCameraLinkModels(const std::vector<std::vector<std::string>>& values) {
  const CCamConfigDir dataFolder;
  tarsel::test::writeFile(std::string(dataFolder.GetPath()) + "/BRANTEL_SDK3.4",
                          "[ACTIVE CAMERAS]\r\nXC-701=1\r\nXC-702=1\r\n");
  std::vector<std::vector<std::string>> all = {
      {"Software\\Brantel\\Vesk\\SupportedCamera", "Type_S", "sz", "XC-701,XC-702"}};
  all.insert(all.end(), values.begin(), values.end());
  for (const std::vector<std::string>& value : all) {
    std::vector<std::string> command = {tarsel::test::binDir() + "/tarselreg", "set"};
    command.insert(command.end(), value.begin(), value.end());
    ASSERT_EQ(tarsel::test::runProgram(command).exitCode, 0) << value[1];
  }
}

TEST(Program, DownloadsAPictureFromEachCameraLinkCameraOnARemoteCapture) {
  const OffscreenRun offscreen;
  const std::string bin = tarsel::test::binDir();
  enableCameraLinkModels({});
  const tarsel::test::TempDir folder;
  // Busy times run 20 times as fast: a capture takes 75 ms.
  tarsel::test::VeskSimulator simulator(bin + "/vesk-simd", folder.path(),
                                        twoCameraLinkCameras("speed = 20\n"));
  ASSERT_TRUE(simulator.ready());
  tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", simulator.deviceFolder());

  Child tarsel(bin + "/Tarsel");
  ASSERT_TRUE(tarsel.started());
  sendCapture(tarsel);
  ASSERT_TRUE(
      waitUntil([&] { return simulator.picturesRead(0) >= 1 && simulator.picturesRead(1) >= 1; }, 20s))
      << "pictures downloaded: " << simulator.picturesRead(0) << " and " << simulator.picturesRead(1);
  expectCleanEndOnSigterm(tarsel);
  // One take: one picture each.
  EXPECT_EQ(simulator.picturesRead(0), 1);
  EXPECT_EQ(simulator.picturesRead(1), 1);
  EXPECT_EQ(simulator.control("violations 0"), "ok 0");
  EXPECT_EQ(simulator.control("violations 1"), "ok 0");
}

TEST(Program, KilledDuringABurstOfTakesEveryPictureIsSavedOrStillOnItsCard) {
  const OffscreenRun offscreen;
  const std::string bin = tarsel::test::binDir();
  const tarsel::test::TempDir folder;
  const std::string root = folder.file("saved");
  const std::string options = "SOFTWARE\\drevant\\Tarsel\\Options";
  // Every take saved by the file saver, the pictures moved off the cards.
  enableCameraLinkModels({{options, "AutoSaveAfterTaking", "dword", "1"},
                          {options, "LeavePictureInCamera", "dword", "0"},
                          {options, "LastMethodOfSaving", "sz", "File"},
                          {options + "\\Saver\\FILE", "RootDir", "sz", root}});
  // The simulator writes every picture the program erases from a card to `kept`.
  const std::string kept = folder.file("kept");
  std::filesystem::create_directories(kept);
  const auto erasedCount = [&] {
    return std::distance(std::filesystem::directory_iterator(kept), std::filesystem::directory_iterator());
  };
  tarsel::test::VeskSimulator simulator(bin + "/vesk-simd", folder.path(),
                                        twoCameraLinkCameras("kept = " + kept + "\nspeed = 100\n"));
  ASSERT_TRUE(simulator.ready());
  tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", simulator.deviceFolder());

  // A burst of remote captures; the program is killed while they run, once
  // some pictures have been saved and erased.
  Child tarsel(bin + "/Tarsel");
  ASSERT_TRUE(tarsel.started());
  sendCapture(tarsel);
  for (int capture = 1; capture < 40 && erasedCount() < 4; ++capture)
    tarsel::test::runProgram({bin + "/TarselRemote", "/CAPTURE"});
  // On a busy machine the burst can be sent before the first save ended:
  // the kill waits for one, while the rest of the burst is still queued.
  const bool someErased = waitUntil([&] { return erasedCount() >= 1; }, 20s);
  ASSERT_EQ(kill(tarsel.pid(), SIGKILL), 0);
  ASSERT_TRUE(tarsel.waitFor(20s).has_value());
  ASSERT_TRUE(someErased) << "nothing was saved during the burst";

  // Every picture erased from a card is among the saved files, byte for byte.
  std::multiset<std::string> saved;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      saved.insert(tarsel::test::readFile(entry.path().string()));
  for (const auto& entry : std::filesystem::directory_iterator(kept))
    EXPECT_TRUE(saved.count(tarsel::test::readFile(entry.path().string())))
        << entry.path().filename() << " left its card unsaved";
}

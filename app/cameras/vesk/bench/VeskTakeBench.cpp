// Measures how close together an all-cameras take releases its cameras: the
// spread between the first and the last capture command to arrive at the
// cameras, as the simulator stamps their arrival (CLOCK_MONOTONIC).
//
// Each run starts vesk-simd (beside this program) with N cameras in a
// temporary folder, with a registry of that folder naming the simulated
// model, loads the camera-link library beside this program at run time, makes
// one camera object and one camera host per camera and runs the takes through
// the program's own path: CSynchronizedTake queues a synchronized-take job on
// every host; each worker prepares its camera (PrepareCapture), waits at the
// take's barrier, fires (FirePreparedCapture) and transfers the picture, which
// leaves the card, so the cards never fill. After each take the simulator's
// "fires" answer gives every camera's newest stamp. Busy times run a thousand
// times as fast, and the cameras make their smallest pictures: what the
// simulator spends on a picture is no part of the release.
//
//   vesk-take-bench [--cameras N] [--takes T]
//
// Without --cameras it runs itself once with 8 and once with 16 cameras.
// Not a test: it prints numbers (min, median, max of the spread per take).
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/host/CameraStatusCodes.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/SynchronizedTake.h"
#include "app/host/TarselEvents.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "platform/testsupport/BenchSpread.h"
#include "vesklib/bench/BenchSetup.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using tarsel::vesk::bench::nameSimulatedCamera;
using tarsel::vesk::bench::programFolder;

using tarsel::host::CConnectedCameraHost;
using tarsel::host::CSynchronizedTake;

constexpr int kDefaultTakes = 50;
constexpr std::chrono::seconds kTakeLimit{30};
constexpr std::chrono::seconds kStartLimit{60};

struct Options {
  int cameras = 0; // 0: one run with 8, one with 16
  int takes = kDefaultTakes;
};

bool parseCount(const char* text, int limit, int& value) {
  const char* end = text + std::char_traits<char>::length(text);
  const auto [ptr, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && ptr == end && value > 0 && value <= limit;
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--cameras" && i + 1 < argc && parseCount(argv[i + 1], 64, options.cameras))
      ++i;
    else if (arg == "--takes" && i + 1 < argc && parseCount(argv[i + 1], 100000, options.takes))
      ++i;
    else
      return false;
  }
  return true;
}

int spawnAndWait(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (auto& a : argv)
    args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  if (::posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
    return -1;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// vesk-simd with `cameras` cameras in a temporary folder, stopped and the
// folder removed when this goes away.
class Simulator {
public:
  bool start(int cameras) {
    char pattern[] = "/tmp/vesk-take-bench-XXXXXX";
    if (!::mkdtemp(pattern))
      return false;
    m_dir = pattern;
    std::vector<std::string> argv = {programFolder() + "/vesk-simd",
                                     "--dir",
                                     m_dir + "/dev",
                                     "--cameras",
                                     std::to_string(cameras),
                                     "--pictures",
                                     "0",
                                     "--speed",
                                     "1000"};
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    // Its "ready" line would come between the results.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawn(&m_pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      m_pid = -1;
      return false;
    }
    const std::string last = m_dir + "/dev/BrantelVesk" + std::to_string(cameras - 1);
    const auto limit = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < limit) {
      if (std::filesystem::exists(last) && std::filesystem::exists(controlPath()))
        return true;
      if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  ~Simulator() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGTERM);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (!m_dir.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(m_dir, ec);
    }
  }

  const std::string& dir() const { return m_dir; }
  std::string deviceDir() const { return m_dir + "/dev"; }

  // One control command; the answer line, or nullopt when the socket failed.
  std::optional<std::string> control(const std::string& command) const {
    const std::string path = controlPath();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path)
      return std::nullopt;
    path.copy(address.sun_path, sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
      return std::nullopt;
    std::optional<std::string> answer;
    const std::string line = command + "\n";
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 &&
        ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
      std::string text;
      char buffer[4096];
      for (;;) {
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
          break;
        text.append(buffer, static_cast<std::size_t>(n));
        if (text.find('\n') != std::string::npos) {
          answer = text.substr(0, text.find('\n'));
          break;
        }
      }
    }
    ::close(fd);
    return answer;
  }

private:
  std::string controlPath() const { return m_dir + "/dev/vesk-simd.control"; }

  std::string m_dir;
  pid_t m_pid = -1;
};

// The newest capture stamp of every camera slot in a "fires" answer
// ("ok 0:T,T 1:T ..."); 0 for a camera that has none. Nullopt when the
// answer does not read so.
std::optional<std::vector<std::uint64_t>> newestStamps(const std::string& answer, int cameras) {
  std::istringstream words(answer);
  std::string word;
  if (!(words >> word) || word != "ok")
    return std::nullopt;
  std::vector<std::uint64_t> newest(static_cast<std::size_t>(cameras), 0);
  while (words >> word) {
    const auto colon = word.find(':');
    if (colon == std::string::npos)
      return std::nullopt;
    int slot = -1;
    const auto [end, ec] = std::from_chars(word.data(), word.data() + colon, slot);
    if (ec != std::errc() || end != word.data() + colon || slot < 0 || slot >= cameras)
      return std::nullopt;
    const auto comma = word.find_last_of(",:");
    std::uint64_t stamp = 0;
    if (comma + 1 < word.size())
      std::from_chars(word.data() + comma + 1, word.data() + word.size(), stamp);
    newest[static_cast<std::size_t>(slot)] = stamp;
  }
  return newest;
}

// Stands in for a camera window: settles the camera's ticket of the take as
// the window does, and keeps the first failure.
class CameraWindow : public QObject {
public:
  HRESULT failure = 0;

protected:
  bool event(QEvent* event) override {
    if (event->type() != WM_TARSEL_CAMERA_STATUS)
      return QObject::event(event);
    auto* status = static_cast<tarsel::host::CameraStatusEvent*>(event);
    if (status->code() == tarsel::host::StatusSynchronizedPicture) {
      status->ticket().Complete(0);
    } else if (status->code() == tarsel::host::StatusSynchronizedFailed) {
      if (failure == 0)
        failure = static_cast<HRESULT>(status->argument());
      status->ticket().Complete(static_cast<HRESULT>(status->argument()));
    }
    return true;
  }
};

// Receives the take's results; ends the wait at the final one.
class TakeWindow : public QObject {
public:
  bool finished = false;
  HRESULT failure = 0;
  QEventLoop* loop = nullptr;

protected:
  bool event(QEvent* event) override {
    if (event->type() != WM_TARSEL_SAVE_RESULT)
      return QObject::event(event);
    auto* result = static_cast<tarsel::host::SaveResultEvent*>(event);
    if (result->kind() != 0 && failure == 0)
      failure = result->code();
    if (result->kind() == 0) {
      finished = true;
      if (loop)
        loop->quit();
    }
    return true;
  }
};

double milliseconds(std::uint64_t ns) {
  return static_cast<double>(ns) / 1e6;
}

// One run: the simulator with `cameras` cameras and `takes` takes. 0 when
// every take fired every camera.
int run(int argc, char** argv, int cameras, int takes) {
  Simulator simulator;
  if (!simulator.start(cameras)) {
    std::fprintf(stderr, "vesk-take-bench: cannot start vesk-simd\n");
    return 1;
  }
  if (!nameSimulatedCamera(simulator.dir())) {
    std::fprintf(stderr, "vesk-take-bench: cannot write the run's registry\n");
    return 1;
  }
  ::setenv("VESK_DEVICE_DIR", simulator.deviceDir().c_str(), 1);
  for (int slot = 0; slot < cameras; ++slot) {
    // Resolution code 1: the smallest pictures.
    if (simulator.control("set " + std::to_string(slot) + " 1 1") != "ok") {
      std::fprintf(stderr, "vesk-take-bench: the simulator refuses its control commands\n");
      return 1;
    }
  }

  QCoreApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  LoadVeskDll(programFolder() + "/libVeskDLL.so");
  int status = 0;
  std::vector<std::uint64_t> spreads;
  try {
    GetVeskSdkWrapper(new CTarselSettings);
    if (VeskInitControl() != 0 || VeskGetPropCameraCount() != cameras) {
      std::fprintf(stderr, "vesk-take-bench: the library does not see %d cameras\n", cameras);
      status = 1;
    }
    std::vector<std::unique_ptr<CameraWindow>> windows;
    std::vector<std::unique_ptr<CConnectedCameraHost>> hosts;
    for (int slot = 0; slot < cameras && status == 0; ++slot) {
      windows.push_back(std::make_unique<CameraWindow>());
      hosts.push_back(std::make_unique<CConnectedCameraHost>(new CVeskDllWr(slot)));
      if (!hosts.back()->Start(windows.back().get(), nullptr)) {
        std::fprintf(stderr, "vesk-take-bench: camera %d does not initialise\n", slot);
        status = 1;
      }
    }
    std::vector<CConnectedCameraHost*> list;
    for (const auto& host : hosts)
      list.push_back(host.get());
    std::vector<std::uint64_t> before(static_cast<std::size_t>(cameras), 0);
    for (int take = 0; take < takes && status == 0; ++take) {
      QEventLoop loop;
      TakeWindow results;
      results.loop = &loop;
      CSynchronizedTake::Params params;
      params.resultReceiver = &results;
      if (!CSynchronizedTake::TakePictureAllCameras(list, nullptr, params)) {
        std::fprintf(stderr, "vesk-take-bench: the take was refused\n");
        status = 1;
        break;
      }
      QTimer::singleShot(kTakeLimit, &loop, &QEventLoop::quit);
      if (!results.finished)
        loop.exec();
      const auto newest = newestStamps(simulator.control("fires").value_or(""), cameras);
      if (!results.finished || results.failure != 0 || !newest) {
        HRESULT failure = results.failure;
        for (const auto& window : windows)
          failure = failure ? failure : window->failure;
        std::fprintf(stderr, "vesk-take-bench: take %d %s (0x%08X)\n", take + 1,
                     results.finished ? "failed" : "did not end in time", static_cast<unsigned>(failure));
        status = 1;
        break;
      }
      for (int slot = 0; slot < cameras; ++slot) {
        if ((*newest)[static_cast<std::size_t>(slot)] <= before[static_cast<std::size_t>(slot)]) {
          std::fprintf(stderr, "vesk-take-bench: take %d did not fire camera %d\n", take + 1, slot);
          status = 1;
        }
      }
      const auto [first, last] = std::minmax_element(newest->begin(), newest->end());
      spreads.push_back(*last - *first);
      before = *newest;
    }
    hosts.clear();
    ReleaseVeskSdkWrapper();
  } catch (const _brantel_take_error& error) {
    std::fprintf(stderr, "vesk-take-bench: error 0x%08X\n", static_cast<unsigned>(error.Error()));
    status = 1;
  }
  FreeVeskDll();
  if (status != 0)
    return status;
  std::vector<double> spreadMs;
  for (const auto& spread : spreads)
    spreadMs.push_back(milliseconds(spread));
  const tarsel::test::BenchSpread spread = tarsel::test::SpreadOf(spreadMs);
  std::printf("%2d cameras, %d takes: release spread min %.3f ms, median %.3f ms, max %.3f ms\n", cameras,
              takes, spread.min, spread.median, spread.max);
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: vesk-take-bench [--cameras N] [--takes T]\n");
    return 2;
  }
  ::signal(SIGPIPE, SIG_IGN);
  if (options.cameras > 0)
    return run(argc, argv, options.cameras, options.takes);
  // Each camera count in a process of its own: the library is loaded once per process.
  int status = 0;
  for (const int cameras : {8, 16}) {
    std::fflush(stdout);
    const int result = spawnAndWait({programFolder() + "/vesk-take-bench", "--cameras",
                                     std::to_string(cameras), "--takes", std::to_string(options.takes)});
    status = status ? status : result;
  }
  return status;
}

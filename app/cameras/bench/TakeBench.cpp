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
//   take-bench [--cameras N] [--takes T] [--families]
//
// Without --cameras it runs itself once with 8 and once with 16 cameras.
// --families adds a camera of each other family to the take (N defaults to
// 8): the ActiveX family's camera on the Vantic camera simulator's USB
// stand-in (the Lunet control of the build registered in the run's folder;
// its release is the arrival of its take-picture action, as the simulator
// logs it) and the Canon camera of the SDK stand-in (64 x 48 pictures),
// loaded through the SDK tap, which stamps each release as the family calls
// it. All stamps are
// CLOCK_MONOTONIC. It then prints the spread within the camera-link cameras,
// how long after the take's first release each other family's camera was
// released, and the spread across all cameras.
// Not a test: it prints numbers (min, median, max over the takes).
#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/canon/CanonSdkLibrary.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/ICameraHiLevel.h"
#include "app/host/CameraStatusCodes.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/SynchronizedTake.h"
#include "app/host/TarselEvents.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "platform/testsupport/BenchSpread.h"
#include "sim/vantic/testsupport/SimProcess.h"
#include "tools/cdsdk-tap/CdSdkTap.h"
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
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <dlfcn.h>
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
  int cameras = 0; // 0: one run with 8, one with 16 (with --families: 8)
  int takes = kDefaultTakes;
  bool families = false;
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
    else if (arg == "--families")
      options.families = true;
    else
      return false;
  }
  return true;
}

// `quiet`: its output goes to /dev/null.
int spawnAndWait(std::vector<std::string> argv, bool quiet = false) {
  std::vector<char*> args;
  for (auto& a : argv)
    args.push_back(a.data());
  args.push_back(nullptr);
  pid_t pid = -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet)
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0)
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
    char pattern[] = "/tmp/take-bench-XXXXXX";
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

// "min a ms, median b ms, max c ms" of a list of nanosecond figures.
std::string summary(const std::vector<std::uint64_t>& values) {
  if (values.empty())
    return "no figures";
  std::vector<double> ms;
  for (const std::uint64_t value : values)
    ms.push_back(milliseconds(value));
  const tarsel::test::BenchSpread spread = tarsel::test::SpreadOf(ms);
  char text[128];
  std::snprintf(text, sizeof text, "min %.3f ms, median %.3f ms, max %.3f ms", spread.min, spread.median,
                spread.max);
  return text;
}

// The camera of each other family: the ActiveX family's on the Vantic
// simulator and the Canon camera of the SDK stand-in through the tap.
class OtherFamilies {
public:
  // Before the settings and the families exist: the run's data folder, the
  // control registered there, the simulator started. False on failure.
  bool start(const std::string& dir) {
    const std::string data = dir + "/data";
    std::filesystem::create_directories(data + "/com");
    ::setenv("XDG_DATA_HOME", data.c_str(), 1);
    ::setenv("TARSEL_COM_PATH", (data + "/com").c_str(), 1);
    for (const char* port :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      ::setenv(port, (dir + "/no-serial-port").c_str(), 1);
    if (spawnAndWait({programFolder() + "/tarselregsvr", programFolder() + "/libLunet.so"}, true) != 0) {
      std::fprintf(stderr, "take-bench: the Lunet control cannot be registered\n");
      return false;
    }
    m_log = dir + "/vantic.log";
    std::ofstream(dir + "/vantic.json") << R"({"picture_count": 0, "picture_size": 20000})";
    m_vantic = std::make_unique<tarsel::vantic::test::SimProcess>(
        std::vector<std::string>{"--usb", dir + "/vantic.sock", "--time-scale", "0.001", "--config",
                                 dir + "/vantic.json", "--log", m_log});
    if (!m_vantic->ready()) {
      std::fprintf(stderr, "take-bench: the Vantic simulator does not start\n");
      return false;
    }
    ::setenv("TARSEL_VANTIC_USB", ("sim:" + m_vantic->endpoint()).c_str(), 1);
    // The stand-in makes its picture inside the release call, in this
    // process: its smallest pictures keep that work out of the other
    // cameras' releases, as the camera-link cameras make their smallest.
    const std::string canon = dir + "/canon.ini";
    std::ofstream(canon) << "[camera]\nresolutions = 0:64x48,1:64x48\n";
    ::setenv("CDSIM_CONFIG", canon.c_str(), 1);
    // The family loads the SDK once; the tap is loaded first, so it stays.
    const std::string tap = programFolder() + "/" + kCdSdkTapLibrary;
    tarsel::canon::LoadCanonSdk(tap);
    m_tap = dlopen(tap.c_str(), RTLD_NOW | RTLD_NOLOAD);
    m_releases =
        m_tap ? reinterpret_cast<decltype(&cdsdk_tap_releases)>(dlsym(m_tap, "cdsdk_tap_releases")) : nullptr;
    return m_releases != nullptr;
  }

  ~OtherFamilies() {
    if (m_tap)
      dlclose(m_tap);
  }

  // Each family's camera into the list; false when one is missing.
  bool enumerate(ITarselSettings* settings, CConnectedCameras& list) {
    IBaseSDK_Wr* lunet = GetLunetSdkWrapper(settings);
    lunet->SaveCameraSelection("on");
    // Discovery enumerates a family it finds enabled.
    if (!lunet->IsEnabled() || lunet->EnumerateCameras(nullptr, &list) != 1) {
      std::fprintf(stderr, "take-bench: the ActiveX family finds no camera\n");
      return false;
    }
    IBaseSDK_Wr* canon = GetCanonCDSdkWrapper(settings);
    if (!canon->IsEnabled() || canon->EnumerateCameras(nullptr, &list) != 1) {
      std::fprintf(stderr, "take-bench: the Canon family finds no camera\n");
      return false;
    }
    return true;
  }

  static void release() {
    ReleaseLunetSdkWrapper();
    ReleaseCanonCDSdkWrapper();
  }

  // The newest release stamps of the ActiveX and the Canon camera; 0 for a
  // camera not released since the last call.
  std::pair<std::uint64_t, std::uint64_t> newestReleases() {
    std::uint64_t vantic = 0;
    // The simulator logs a packet's arrival, then notes what it made of it:
    // the take-picture action (2) is released at its packet's arrival.
    std::ifstream log(m_log);
    log.seekg(m_logOffset);
    std::uint64_t lastArrival = 0;
    std::string line;
    while (std::getline(log, line) && !log.eof()) {
      m_logOffset += static_cast<std::streamoff>(line.size() + 1);
      std::istringstream words(line);
      std::uint64_t micros = 0;
      std::string kind;
      words >> micros >> kind;
      if (kind == "rx")
        lastArrival = micros * 1000;
      else if (kind == "--" && line.find("-- action 2 (") != std::string::npos)
        vantic = lastArrival;
    }
    std::uint64_t canon = 0;
    const std::size_t count = m_releases(nullptr, 0);
    if (count > m_canonReleases) {
      std::vector<std::uint64_t> stamps(count);
      m_releases(stamps.data(), count);
      canon = stamps.back();
      m_canonReleases = count;
    }
    return {vantic, canon};
  }

private:
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_vantic;
  std::string m_log;
  std::streamoff m_logOffset = 0;
  void* m_tap = nullptr;
  decltype(&cdsdk_tap_releases) m_releases = nullptr;
  std::size_t m_canonReleases = 0;
};

// One run: the simulator with `cameras` cameras (and with `families` the
// other families' cameras) and `takes` takes. 0 when every take fired every
// camera.
int run(int argc, char** argv, int cameras, int takes, bool families) {
  Simulator simulator;
  if (!simulator.start(cameras)) {
    std::fprintf(stderr, "take-bench: cannot start vesk-simd\n");
    return 1;
  }
  if (!nameSimulatedCamera(simulator.dir())) {
    std::fprintf(stderr, "take-bench: cannot write the run's registry\n");
    return 1;
  }
  ::setenv("VESK_DEVICE_DIR", simulator.deviceDir().c_str(), 1);
  for (int slot = 0; slot < cameras; ++slot) {
    // Resolution code 1: the smallest pictures.
    if (simulator.control("set " + std::to_string(slot) + " 1 1") != "ok") {
      std::fprintf(stderr, "take-bench: the simulator refuses its control commands\n");
      return 1;
    }
  }

  QCoreApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  LoadVeskDll(programFolder() + "/libVeskDLL.so");
  int status = 0;
  std::vector<std::uint64_t> spreads, veskSpreads, lunetDelays, canonDelays;
  std::unique_ptr<OtherFamilies> others;
  try {
    if (families) {
      others = std::make_unique<OtherFamilies>();
      if (!others->start(simulator.dir()))
        status = 1;
    }
    auto* settings = new CTarselSettings;
    GetVeskSdkWrapper(settings);
    if (status == 0 && (VeskInitControl() != 0 || VeskGetPropCameraCount() != cameras)) {
      std::fprintf(stderr, "take-bench: the library does not see %d cameras\n", cameras);
      status = 1;
    }
    CConnectedCameras otherCameras;
    if (status == 0 && others && !others->enumerate(settings, otherCameras))
      status = 1;
    std::vector<ICameraHiLevel*> objects;
    for (int slot = 0; slot < cameras && status == 0; ++slot)
      objects.push_back(new CVeskDllWr(slot));
    while (otherCameras.GetCount() > 0) {
      objects.push_back(otherCameras.GetAt(0));
      otherCameras.RemoveAt(0);
    }
    std::vector<std::unique_ptr<CameraWindow>> windows;
    std::vector<std::unique_ptr<CConnectedCameraHost>> hosts;
    for (std::size_t index = 0; index < objects.size(); ++index) {
      ICameraHiLevel* camera = objects[index];
      windows.push_back(std::make_unique<CameraWindow>());
      hosts.push_back(std::make_unique<CConnectedCameraHost>(camera));
      // The ActiveX camera hosts its control only with a window; no call
      // of the bench's cameras uses it as a widget.
      HWND window = index >= static_cast<std::size_t>(cameras) ? windows.back().get() : nullptr;
      if (status == 0 && !hosts.back()->Start(windows.back().get(), window)) {
        std::fprintf(stderr, "take-bench: camera %s does not initialise\n", camera->GetModelName());
        status = 1;
      }
    }
    std::vector<CConnectedCameraHost*> list;
    for (const auto& host : hosts)
      list.push_back(host.get());
    if (others)
      others->newestReleases();
    std::vector<std::uint64_t> before(static_cast<std::size_t>(cameras), 0);
    for (int take = 0; take < takes && status == 0; ++take) {
      QEventLoop loop;
      TakeWindow results;
      results.loop = &loop;
      CSynchronizedTake::Params params;
      params.resultReceiver = &results;
      if (!CSynchronizedTake::TakePictureAllCameras(list, nullptr, params)) {
        std::fprintf(stderr, "take-bench: the take was refused\n");
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
        std::fprintf(stderr, "take-bench: take %d %s (0x%08X)\n", take + 1,
                     results.finished ? "failed" : "did not end in time", static_cast<unsigned>(failure));
        status = 1;
        break;
      }
      for (int slot = 0; slot < cameras; ++slot) {
        if ((*newest)[static_cast<std::size_t>(slot)] <= before[static_cast<std::size_t>(slot)]) {
          std::fprintf(stderr, "take-bench: take %d did not fire camera %d\n", take + 1, slot);
          status = 1;
        }
      }
      const auto [first, last] = std::minmax_element(newest->begin(), newest->end());
      veskSpreads.push_back(*last - *first);
      before = *newest;
      std::vector<std::uint64_t> all = *newest;
      if (others) {
        const auto [lunet, canon] = others->newestReleases();
        if (lunet == 0 || canon == 0) {
          std::fprintf(stderr, "take-bench: take %d did not release the %s camera\n", take + 1,
                       lunet == 0 ? "ActiveX" : "Canon");
          status = 1;
          break;
        }
        all.push_back(lunet);
        all.push_back(canon);
        const std::uint64_t earliest = *std::min_element(all.begin(), all.end());
        lunetDelays.push_back(lunet - earliest);
        canonDelays.push_back(canon - earliest);
      }
      const auto [allFirst, allLast] = std::minmax_element(all.begin(), all.end());
      spreads.push_back(*allLast - *allFirst);
    }
    hosts.clear();
    ReleaseVeskSdkWrapper();
    if (others)
      OtherFamilies::release();
  } catch (const _brantel_take_error& error) {
    std::fprintf(stderr, "take-bench: error 0x%08X\n", static_cast<unsigned>(error.Error()));
    status = 1;
  }
  FreeVeskDll();
  others.reset();
  if (status != 0)
    return status;
  if (!families) {
    std::printf("%2d cameras, %d takes: release spread %s\n", cameras, takes, summary(spreads).c_str());
    return 0;
  }
  std::printf("%d camera-link cameras, the ActiveX and the Canon camera, %d takes:\n", cameras, takes);
  std::printf("  camera-link release spread            %s\n", summary(veskSpreads).c_str());
  std::printf("  ActiveX release after the take's first %s\n", summary(lunetDelays).c_str());
  std::printf("  Canon release after the take's first   %s\n", summary(canonDelays).c_str());
  std::printf("  release spread across all %2d cameras   %s\n", cameras + 2, summary(spreads).c_str());
  return 0;
}

} // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: take-bench [--cameras N] [--takes T] [--families]\n");
    return 2;
  }
  ::signal(SIGPIPE, SIG_IGN);
  if (options.families)
    return run(argc, argv, options.cameras > 0 ? options.cameras : 8, options.takes, true);
  if (options.cameras > 0)
    return run(argc, argv, options.cameras, options.takes, false);
  // Each camera count in a process of its own: the library is loaded once per process.
  int status = 0;
  for (const int cameras : {8, 16}) {
    std::fflush(stdout);
    const int result = spawnAndWait({programFolder() + "/take-bench", "--cameras", std::to_string(cameras),
                                     "--takes", std::to_string(options.takes)});
    status = status ? status : result;
  }
  return status;
}

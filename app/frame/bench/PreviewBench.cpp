// Measures how many live-preview frames the preview window shows of those a
// camera produces: frames go from a camera's preview thread through the
// window's preview call-back (decode, frame swap) to the window's paint,
// offscreen, for a while at 30 frames a second and then as fast as the
// source can.
//
//   preview-bench [--source vesk|fake] [--seconds N]
//
// The source is any ICameraHiLevel with a live preview:
// - "vesk" (the default): the camera-link family's camera over vesk-simd
//   (beside this program) with one XC-701, through libVeskDLL.so loaded at
//   run time from this program's folder. The family's preview thread
//   fetches frames back to back; the simulator spends a busy time on each,
//   none for "fastest", and for "30 fps" a frame time less what a frame
//   took at the fastest rate (fetch, transfer, call-back), so the fastest
//   rate runs first. The busy time used is printed.
// - "fake": the test camera family's camera with 640 x 480 frames, asked
//   for a pause of 33 ms between frames for "30 fps".
// Not a test: it prints, per rate, the frames produced (handed to the
// call-back), the frames shown (painted) and the share shown. The settings
// live in a registry folder of their own for the run, so the user's are
// never touched; the simulator's folder is removed after each rate.
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/PreviewWnd.h"
#include "app/host/TarselEvents.h"
#include "app/settings/TarselSettings.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/BrantelTakeError.h"
#include "vesklib/bench/BenchSetup.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr int kDefaultSeconds = 20;
constexpr int kFakeFrameWidth = 640;
constexpr int kFakeFrameHeight = 480;
// The rate of "30 fps"; 0 stands for as fast as the source can.
constexpr int kPacedRate = 30;

// The rate a source is made for. frameCost: how long one frame took end to
// end at the fastest rate (zero: not known); a source whose camera spends
// its own time on each frame can subtract it from the frame time.
struct Rate {
  int framesPerSecond = 0; // 0: as fast as the source can
  std::chrono::microseconds frameCost{0};
};

// A camera whose preview the bench runs, made for one rate. A source that
// cannot be made throws std::runtime_error.
class FrameSource {
public:
  virtual ~FrameSource() = default;
  virtual ICameraHiLevel* camera() = 0;
  // How the source paces its frames, when it says more than the rate.
  virtual std::string pacing() const { return {}; }
};

class FakeSource : public FrameSource {
public:
  explicit FakeSource(Rate rate) : m_family("BENCH_CAMERA") {
    m_camera = m_family.makeCamera(0);
    m_camera->setNames("Bench camera", "BENCH-1", "Bench model");
    m_camera->setPictureSize(kFakeFrameWidth, kFakeFrameHeight);
    m_camera->setPreviewInterval(rate.framesPerSecond ? std::chrono::milliseconds(1000 / rate.framesPerSecond)
                                                      : std::chrono::milliseconds(0));
  }
  ~FakeSource() override { m_camera.reset(); }
  ICameraHiLevel* camera() override { return m_camera.get(); }

private:
  tarsel::testcamera::FakeCameraFamily m_family;
  std::unique_ptr<tarsel::testcamera::FakeCamera> m_camera;
};

// vesk-simd with one XC-701 in a temporary folder, and camera 0 of the
// camera-link family over it: the library loaded from this program's folder,
// the family's SDK object holding the bench's settings. Going away ends the
// camera, the SDK object, the library, the daemon and the folder, in that
// order.
class VeskSource : public FrameSource {
public:
  VeskSource(Rate rate, ITarselSettings* settings)
      : m_rate(rate), m_previewMs(previewMs(rate)),
        m_simulator(tarsel::vesk::bench::programFolder() + "/vesk-simd", m_folder.path(), setup()),
        m_link(m_simulator, settings) {
    try {
      if (VeskInitControl() != 0 || VeskGetPropCameraCount() != 1)
        throw std::runtime_error("the camera-link library does not see the simulator's camera");
      m_camera = std::make_unique<CVeskDllWr>(0);
      if (m_camera->InitCameraObject(nullptr, nullptr) != 0)
        throw std::runtime_error("the simulator's camera does not initialise");
    } catch (const _brantel_take_error& error) {
      char text[64];
      std::snprintf(text, sizeof text, "camera-link error 0x%08X", static_cast<unsigned>(error.Error()));
      throw std::runtime_error(text);
    }
  }
  ~VeskSource() override { m_camera.reset(); }
  std::string pacing() const override {
    if (!m_rate.framesPerSecond)
      return {};
    char text[160];
    std::snprintf(
        text, sizeof text,
        "simulator busy %.1f ms per frame (a frame time less %.1f ms a frame took at the fastest rate)",
        static_cast<double>(m_previewMs) / m_rate.framesPerSecond,
        static_cast<double>(m_rate.frameCost.count()) / 1000.0);
    return text;
  }
  ICameraHiLevel* camera() override { return m_camera.get(); }

private:
  // A folder of its own, removed when the source goes away (after the daemon).
  class Folder {
  public:
    Folder() {
      std::string pattern = (std::filesystem::temp_directory_path() / "preview-bench-sim-XXXXXX").string();
      if (!mkdtemp(pattern.data()))
        throw std::runtime_error("no temporary folder for vesk-simd");
      m_path = pattern;
    }
    ~Folder() {
      std::error_code ignored;
      std::filesystem::remove_all(m_path, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::string& path() const { return m_path; }

  private:
    std::string m_path;
  };

  // The simulator's clock runs framesPerSecond times as fast, so 1000 of
  // its milliseconds are one frame time; the busy time of a preview frame is
  // that less what the rest of a frame costs (fetch, transfer, call-back),
  // so that frames follow each other at the rate.
  static std::uint32_t previewMs(Rate rate) {
    if (!rate.framesPerSecond)
      return 0;
    const double costMs = static_cast<double>(rate.frameCost.count()) * rate.framesPerSecond / 1000.0;
    return costMs >= 1000.0 ? 0 : static_cast<std::uint32_t>(1000.0 - costMs + 0.5);
  }
  std::string setup() const {
    const int speed = m_rate.framesPerSecond ? m_rate.framesPerSecond : 1;
    return "speed = " + std::to_string(speed) +
           "\n[camera]\nmodel = XC-701\npictures = 0\npreview-ms = " + std::to_string(m_previewMs) + "\n";
  }

  const Rate m_rate;
  const std::uint32_t m_previewMs;
  // The library bound over a ready daemon and the family's SDK object,
  // both let go again when this goes away.
  class Link {
  public:
    Link(const tarsel::test::VeskSimulator& simulator, ITarselSettings* settings) {
      if (!simulator.ready())
        throw std::runtime_error("vesk-simd does not start");
      setenv("VESK_DEVICE_DIR", simulator.deviceFolder().c_str(), 1);
      LoadVeskDll(tarsel::vesk::bench::programFolder() + "/libVeskDLL.so");
      try {
        GetVeskSdkWrapper(settings);
      } catch (...) {
        FreeVeskDll();
        throw;
      }
    }
    ~Link() {
      ReleaseVeskSdkWrapper();
      FreeVeskDll();
    }
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;
  };

  Folder m_folder;
  tarsel::test::VeskSimulator m_simulator;
  Link m_link;
  std::unique_ptr<CVeskDllWr> m_camera;
};

struct SourceKind {
  const char* name;
  const char* frames;
  std::function<std::unique_ptr<FrameSource>(Rate rate, ITarselSettings* settings)> make;
};

const SourceKind kSources[] = {
    {"vesk", "the simulator's 320 x 240 JPEG frames",
     [](Rate rate, ITarselSettings* settings) { return std::make_unique<VeskSource>(rate, settings); }},
    {"fake", "640 x 480 frames",
     [](Rate rate, ITarselSettings*) { return std::make_unique<FakeSource>(rate); }},
};

struct Options {
  const SourceKind* source = &kSources[0];
  int seconds = kDefaultSeconds;
};

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    if (i + 1 >= argc)
      return false;
    const char* value = argv[++i];
    if (argument == "--seconds") {
      const char* end = value + std::strlen(value);
      const auto [ptr, ec] = std::from_chars(value, end, options.seconds);
      if (ec != std::errc() || ptr != end || options.seconds < 1 || options.seconds > 3600)
        return false;
    } else if (argument == "--source") {
      options.source = nullptr;
      for (const SourceKind& kind : kSources)
        if (std::strcmp(kind.name, value) == 0)
          options.source = &kind;
      if (!options.source)
        return false;
    } else {
      return false;
    }
  }
  return true;
}

struct Result {
  std::uint64_t produced = 0;
  std::uint64_t shown = 0;
  std::string pacing;
};

Result run(const SourceKind& kind, Rate rate, int seconds, ITarselSettings* settings) {
  const std::unique_ptr<FrameSource> source = kind.make(rate, settings);
  QWidget mainWindow;
  QWidget owner(&mainWindow);
  owner.setGeometry(100, 100, 400, 300);
  mainWindow.setGeometry(0, 0, 800, 600);
  mainWindow.show();

  PreviewWndOptions options;
  options.settings = settings;
  options.cameraOf = [&source](QWidget*) { return source->camera(); };
  auto* preview = new CPreviewWnd(&owner, &mainWindow, options);
  preview->Create();
  QEventLoop loop;
  QTimer::singleShot(std::chrono::seconds(seconds), &loop, &QEventLoop::quit);
  loop.exec();
  preview->Close();
  const Result result{preview->FramesReceived(), preview->FramesPainted(), source->pacing()};
  delete preview;
  return result;
}

void print(const char* rate, const Result& result, int seconds) {
  const double share = result.produced
                           ? 100.0 * static_cast<double>(result.shown) / static_cast<double>(result.produced)
                           : 0.0;
  std::printf("%-8s produced %8llu (%7.1f/s)  shown %8llu (%7.1f/s)  share shown %5.1f%%\n", rate,
              static_cast<unsigned long long>(result.produced),
              static_cast<double>(result.produced) / seconds, static_cast<unsigned long long>(result.shown),
              static_cast<double>(result.shown) / seconds, share);
  if (!result.pacing.empty())
    std::printf("         %s\n", result.pacing.c_str());
  std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: preview-bench [--source vesk|fake] [--seconds N]\n");
    return 2;
  }
  std::string registryFolder = (std::filesystem::temp_directory_path() / "preview-bench-XXXXXX").string();
  if (!mkdtemp(registryFolder.data())) {
    std::perror("preview-bench: temporary folder");
    return 1;
  }
  // Both registry hives in the run's folder; the simulated model named as
  // a camera the camera-link library accepts.
  if (!tarsel::vesk::bench::nameSimulatedCamera(registryFolder)) {
    std::fprintf(stderr, "preview-bench: cannot write the run's registry\n");
    std::error_code ignored;
    std::filesystem::remove_all(registryFolder, ignored);
    return 1;
  }
  QApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  auto* settings = new CTarselSettings();
  settings->AddRef();

  std::printf("preview-bench: source %s, %s, %d s per rate\n", options.source->name, options.source->frames,
              options.seconds);
  std::fflush(stdout);
  int status = 0;
  try {
    // The fastest rate first: it tells what a frame costs besides the pace.
    const Result fastest = run(*options.source, Rate{}, options.seconds, settings);
    Rate paced{kPacedRate, {}};
    if (fastest.produced)
      paced.frameCost = std::chrono::microseconds(
          static_cast<std::int64_t>(1e6 * options.seconds / static_cast<double>(fastest.produced)));
    print("30 fps", run(*options.source, paced, options.seconds, settings), options.seconds);
    print("fastest", fastest, options.seconds);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "preview-bench: %s\n", error.what());
    status = 1;
  }
  settings->Release();
  std::error_code ignored;
  std::filesystem::remove_all(registryFolder, ignored);
  return status;
}

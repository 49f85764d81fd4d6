// Measures how many live-preview frames the preview window shows of those a
// camera produces: frames go from a camera's preview thread through the
// window's preview call-back (decode, frame swap) to the window's paint,
// offscreen, for a while at 30 frames a second and then as fast as the
// source can.
//
//   preview-bench [--source NAME] [--seconds N]
//
// The source is any ICameraHiLevel with a live preview; "fake" (the default)
// is the test camera family's camera with 640 x 480 frames. Not a test: it
// prints, per rate, the frames produced (handed to the call-back), the
// frames shown (painted) and the share shown. "30 fps" asks the source for a
// pause of 33 ms between frames. The settings live in a registry folder of
// their own for the run, so the user's are never touched.
#include "app/core/ICameraHiLevel.h"
#include "app/frame/PreviewWnd.h"
#include "app/host/TarselEvents.h"
#include "app/settings/TarselSettings.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"

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
#include <string>

namespace {

using namespace std::chrono_literals;

constexpr int kDefaultSeconds = 20;
constexpr int kFrameWidth = 640;
constexpr int kFrameHeight = 480;

// A camera whose preview the bench runs. interval: the pause between two
// frames the source is asked for (zero: as fast as it can); a source that
// cannot be paced ignores it.
class FrameSource {
public:
  virtual ~FrameSource() = default;
  virtual ICameraHiLevel* camera() = 0;
};

class FakeSource : public FrameSource {
public:
  explicit FakeSource(std::chrono::milliseconds interval) : m_family("BENCH_CAMERA") {
    m_camera = m_family.makeCamera(0);
    m_camera->setNames("Bench camera", "BENCH-1", "Bench model");
    m_camera->setPictureSize(kFrameWidth, kFrameHeight);
    m_camera->setPreviewInterval(interval);
  }
  ~FakeSource() override { m_camera.reset(); }
  ICameraHiLevel* camera() override { return m_camera.get(); }

private:
  tarsel::testcamera::FakeCameraFamily m_family;
  std::unique_ptr<tarsel::testcamera::FakeCamera> m_camera;
};

struct SourceKind {
  const char* name;
  std::function<std::unique_ptr<FrameSource>(std::chrono::milliseconds interval)> make;
};

const SourceKind kSources[] = {
    {"fake", [](std::chrono::milliseconds interval) { return std::make_unique<FakeSource>(interval); }},
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
};

Result run(const SourceKind& kind, std::chrono::milliseconds interval, int seconds,
           ITarselSettings* settings) {
  const std::unique_ptr<FrameSource> source = kind.make(interval);
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
  const Result result{preview->FramesReceived(), preview->FramesPainted()};
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
  std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: preview-bench [--source fake] [--seconds N]\n");
    return 2;
  }
  std::string registryFolder = (std::filesystem::temp_directory_path() / "preview-bench-XXXXXX").string();
  if (!mkdtemp(registryFolder.data())) {
    std::perror("preview-bench: temporary folder");
    return 1;
  }
  setenv("TARSEL_REGISTRY_DIR", registryFolder.c_str(), 1);
  QApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  auto* settings = new CTarselSettings();
  settings->AddRef();

  std::printf("preview-bench: source %s, %d x %d frames, %d s per rate\n", options.source->name, kFrameWidth,
              kFrameHeight, options.seconds);
  print("30 fps", run(*options.source, 33ms, options.seconds, settings), options.seconds);
  print("fastest", run(*options.source, 0ms, options.seconds, settings), options.seconds);
  settings->Release();
  std::error_code ignored;
  std::filesystem::remove_all(registryFolder, ignored);
  return 0;
}

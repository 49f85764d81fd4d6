// A long time-lapse run, to see that a series neither loses pictures, nor
// hangs, nor grows in memory: the time-lapse dialog takes N all-cameras
// pictures (default 10 000) at its shortest interval (1 s) with four
// camera-link cameras of vesk-simd (busy times 1000 times as fast), and
// every picture is saved through the file saver of this build.
//
//   timelapse-soak [--takes N] [--speed F] [--families]
//
// --families mixes the families: two camera-link cameras, the ActiveX
// family's camera on the Vantic camera simulator's USB stand-in (the Lunet
// control of the build registered in the run's folder) and the Canon camera
// of the SDK stand-in, loaded through the SDK tap, which keeps every picture
// the stand-in delivers. The Vantic simulator's log shows every picture it
// sent. The figures are also given per family.
//
// --speed F runs the series' clock F times as fast as the wall clock (the
// interval then passes in 1/F s; a take longer than that starts the next one
// at once). Not a test: it prints the pictures expected, taken (downloaded
// to the end by the program, as the simulator counts them), saved, saved
// byte for byte as the simulator's picture (each picture the program erases
// from a card is kept by the simulator as a file), the series' errors, the
// process's resident memory at the start of the series and at its end, and
// the time it took. Settings, the registry, the saved files and the
// simulator's folder live in a temporary folder, removed at the end.
#include "app/cameras/canon/CanonSdkLibrary.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/core/TimeLapseClock.h"
#include "app/frame/AutoTakePicturesDlg.h"
#include "app/frame/MainFrame.h"
#include "app/frame/SdkFamily.h"
#include "app/host/TarselEvents.h"
#include "app/saving/SaveDllList.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "env/CamStorageDir.h"
#include "env/ErrorReport.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"
#include "tools/cdsdk-tap/CdSdkTap.h"
#include "vesklib/bench/BenchSetup.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QEventLoop>
#include <QFile>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QThread>

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kCameras = 4;
constexpr int kDefaultTakes = 10000;
// No progress for this long is a hang.
constexpr auto kHangLimit = std::chrono::seconds(120);
namespace fs = std::filesystem;

// The series' clock: the wall clock's progress since the start, F times as fast.
class FastClock : public ITimeLapseClock {
public:
  explicit FastClock(double speed) : m_speed(speed) {}
  std::int64_t Now() const override {
    const auto elapsed = std::chrono::steady_clock::now() - m_startedAt;
    const double units =
        static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(elapsed).count()) / 100.0;
    return m_start + static_cast<std::int64_t>(units * m_speed);
  }

private:
  const double m_speed;
  const std::int64_t m_start = tarsel::core::SystemTimeLapseClock().Now();
  const std::chrono::steady_clock::time_point m_startedAt = std::chrono::steady_clock::now();
};

long residentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0)
      return std::strtol(line.c_str() + 6, nullptr, 10);
  return -1;
}

// The sha256 of a file's bytes (hex), as the simulators give their pictures'.
std::string fingerprint(const fs::path& path) {
  QFile file(QString::fromStdString(path.string()));
  QCryptographicHash hash(QCryptographicHash::Sha256);
  if (file.open(QIODevice::ReadOnly))
    hash.addData(&file);
  return hash.result().toHex().toStdString();
}

std::map<std::string, int> fingerprints(const fs::path& root, std::size_t& files) {
  std::map<std::string, int> prints;
  files = 0;
  std::error_code ec;
  if (!fs::exists(root, ec))
    return prints;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) {
      ++files;
      ++prints[fingerprint(entry.path())];
    }
  return prints;
}

std::size_t countFiles(const fs::path& root) {
  std::size_t files = 0;
  std::error_code ec;
  if (fs::exists(root, ec))
    for (const auto& entry : fs::recursive_directory_iterator(root))
      files += entry.is_regular_file() ? 1 : 0;
  return files;
}

void pump(std::chrono::milliseconds time) {
  QEventLoop loop;
  const auto until = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < until) {
    loop.processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
}

bool parseOptions(int argc, char** argv, int& takes, double& speed, bool& families) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--families") == 0) {
      families = true;
      continue;
    }
    if (i + 1 >= argc)
      return false;
    const char* value = argv[++i];
    const char* end = value + std::strlen(value);
    if (std::strcmp(argv[i - 1], "--takes") == 0) {
      const auto [ptr, ec] = std::from_chars(value, end, takes);
      if (ec != std::errc() || ptr != end || takes < 1 || takes > 32767)
        return false;
    } else if (std::strcmp(argv[i - 1], "--speed") == 0) {
      char* stop = nullptr;
      speed = std::strtod(value, &stop);
      if (stop != end || !(speed >= 1.0 && speed <= 1000.0))
        return false;
    } else {
      return false;
    }
  }
  return true;
}

// The sha256 of every picture object (register 14) a Vantic simulator's log
// shows sent whole: after the host's read command for it (lead 0x1B, op 4 or
// 6), the camera's data packets (lead 2, the last 3; "<lead> <sequence>
// <length u16 LE> <payload> <checksum u16>") by sequence, a resent one
// replacing the first. A read cut short by another command counts nothing.
std::vector<std::string> picturesSent(const std::string& log) {
  std::vector<std::string> prints;
  std::map<int, QByteArray> blocks;
  bool reading = false;
  std::ifstream in(log);
  for (std::string line; std::getline(in, line);) {
    std::istringstream words(line);
    std::string micros, direction, hex;
    words >> micros >> direction >> hex;
    const QByteArray packet = QByteArray::fromHex(QByteArray::fromStdString(hex));
    if (packet.size() < 6)
      continue;
    const auto byte = [&](int i) { return static_cast<unsigned char>(packet[i]); };
    const int length = byte(2) | byte(3) << 8;
    if (packet.size() != 6 + length)
      continue;
    if (direction == "rx" && byte(0) == 0x1B) {
      reading = length >= 2 && (byte(4) == 4 || byte(4) == 6) && byte(5) == 14;
      blocks.clear();
    } else if (direction == "tx" && reading && (byte(0) == 2 || byte(0) == 3)) {
      blocks[byte(1)] = packet.mid(4, length);
      if (byte(0) == 3) {
        QCryptographicHash hash(QCryptographicHash::Sha256);
        for (const auto& [sequence, payload] : blocks)
          hash.addData(payload);
        prints.push_back(hash.result().toHex().toStdString());
        reading = false;
        blocks.clear();
      }
    }
  }
  return prints;
}

// The pictures one family's cameras made, by sha256, and how many.
struct FamilyPictures {
  std::string name;
  std::map<std::string, int> prints;
  int taken = 0;
};

// The cameras of the other families beside two camera-link cameras: the
// ActiveX family's on the Vantic simulator, the Canon camera of the SDK
// stand-in through the tap. Without start() the Canon stand-in simulates no
// camera, so a run of camera-link cameras stays one.
class FamilyMix {
public:
  explicit FamilyMix(const std::string& folder) : m_folder(folder) {
    std::ofstream(folder + "/canon.ini") << "[sdk]\n";
    setenv("CDSIM_CONFIG", (folder + "/canon.ini").c_str(), 1);
  }

  // Before the frame: the control registered in the run's class folder, the
  // simulator started, the ActiveX family switched on, the Canon camera
  // loaded through the tap. False on failure.
  bool start(ITarselSettings* settings) {
    const std::string bin = tarsel::vesk::bench::programFolder();
    fs::create_directories(m_folder + "/com");
    setenv("TARSEL_COM_PATH", (m_folder + "/com").c_str(), 1);
    for (const char* port :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      setenv(port, (m_folder + "/no-serial-port").c_str(), 1);
    if (tarsel::test::runProgram({bin + "/tarselregsvr", bin + "/libLunet.so"}).exitCode != 0) {
      std::fprintf(stderr, "timelapse-soak: the Lunet control cannot be registered\n");
      return false;
    }
    std::ofstream(m_folder + "/vantic.json")
        << R"({"picture_count": 0, "picture_size": 30000, "texts": {"22": "Soak Vantic"}})";
    m_vantic = std::make_unique<tarsel::vantic::test::SimProcess>(
        std::vector<std::string>{"--usb", m_folder + "/vantic.sock", "--time-scale", "0.001", "--config",
                                 m_folder + "/vantic.json", "--log", m_folder + "/vantic.log"});
    if (!m_vantic->ready()) {
      std::fprintf(stderr, "timelapse-soak: the Vantic simulator does not start\n");
      return false;
    }
    setenv("TARSEL_VANTIC_USB", ("sim:" + m_vantic->endpoint()).c_str(), 1);
    GetLunetSdkWrapper(settings)->SaveCameraSelection("on");
    fs::create_directories(canonKept());
    // The stand-in counts its remaining shots down from 120 by default.
    std::ofstream(m_folder + "/canon.ini") << "[camera]\nremaining = 1000000\n";
    setenv("CDSDK_TAP_KEPT", canonKept().c_str(), 1);
    tarsel::canon::LoadCanonSdk(bin + "/" + kCdSdkTapLibrary);
    return true;
  }

  // The ActiveX and the Canon camera's pictures: every picture the Vantic
  // simulator sent whole (its log's data packets after each read of the
  // picture object), and every picture the Canon stand-in delivered.
  std::vector<FamilyPictures> pictures() const {
    FamilyPictures vantic{"ActiveX", {}, 0};
    for (const std::string& print : picturesSent(m_folder + "/vantic.log")) {
      ++vantic.prints[print];
      ++vantic.taken;
    }
    FamilyPictures canon{"Canon", {}, 0};
    std::size_t files = 0;
    canon.prints = fingerprints(canonKept(), files);
    canon.taken = static_cast<int>(files);
    return {vantic, canon};
  }

private:
  std::string canonKept() const { return m_folder + "/canon-kept"; }

  const std::string m_folder;
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_vantic;
};

void setUp(ITarselSettings* settings, const std::string& root) {
  ITarselConfigSettings* user = nullptr;
  if (settings->GetUserSettings(&user, false) == 0) {
    user->SetLastMethodOfSaving("File");
    user->SetCamNameUse(1);
    user->SetFilePrefix("tl");
    user->SetNumDigitsInCounter(5);
    user->SetAutoSaveAfterTaking(false);
    user->SetDoNotDisplayPicture(true);
    user->SetUseDeviceNotifications(false);
    user->Release();
  }
  ISaverSettings* key = nullptr;
  if (settings->GetSaverSettings("FILE", &key, false) == 0) {
    key->SetString("RootDir", root.c_str());
    key->Release();
  }
}

} // namespace

int main(int argc, char** argv) {
  int takes = kDefaultTakes;
  double speed = 1.0;
  bool families = false;
  if (!parseOptions(argc, argv, takes, speed, families)) {
    std::fprintf(stderr,
                 "usage: timelapse-soak [--takes N (1 to 32767)] [--speed F (1 to 1000)] [--families]\n");
    return 2;
  }
  if (!std::getenv("QT_QPA_PLATFORM"))
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string folder = (fs::temp_directory_path() / "timelapse-soak-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    std::perror("timelapse-soak: temporary folder");
    return 1;
  }
  // Nothing of the user's is read or written.
  for (const char* variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
    const std::string path = folder + "/home/" + variable;
    fs::create_directories(path);
    setenv(variable, path.c_str(), 1);
  }
  const std::string saved = folder + "/saved";
  const std::string kept = folder + "/kept";
  fs::create_directories(kept);
  int status = 0;
  if (!tarsel::vesk::bench::nameSimulatedCamera(folder)) {
    std::fprintf(stderr, "timelapse-soak: cannot write the run's registry\n");
    fs::remove_all(folder);
    return 1;
  }
  {
    const CCamConfigDir data;
    std::ofstream(std::string(data.GetPath()) + "/BRANTEL_SDK3.4") << "[ACTIVE CAMERAS]\r\nXC-701=1\r\n";
  }
  QApplication application(argc, argv);
  tarsel::host::ReserveTarselEventTypes();
  // Nobody answers: questions (the capability test offered at start-up) are
  // answered No, error boxes are printed.
  tarsel::ui::SetAskUserHook([](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
    std::printf("  question answered No: %s\n", text.toUtf8().constData());
    return 7;
  });
  SetMessageBoxHook([](HWND, const std::string& text, const std::string&, MessageBoxIcon) {
    std::printf("  error box: %s\n", text.c_str());
  });
  auto* settings = new CTarselSettings();
  settings->AddRef();
  setUp(settings, saved);
  {
    const int veskCameras = families ? 2 : kCameras;
    std::string setup = "kept = " + kept + "\nspeed = 1000\n";
    for (int camera = 0; camera < veskCameras; ++camera)
      setup += "[camera]\nmodel = XC-701\npictures = 0\n";
    FamilyMix mix(folder);
    tarsel::test::VeskSimulator simulator(tarsel::vesk::bench::programFolder() + "/vesk-simd", folder, setup);
    if (!simulator.ready()) {
      std::fprintf(stderr, "timelapse-soak: vesk-simd does not start\n");
      status = 1;
    } else if (families && !mix.start(settings)) {
      status = 1;
    } else {
      setenv("VESK_DEVICE_DIR", simulator.deviceFolder().c_str(), 1);
      LoadVeskDll(tarsel::vesk::bench::programFolder() + "/libVeskDLL.so");
      auto savers = std::make_unique<CSaveDllList>(0, tarsel::vesk::bench::programFolder());
      FastClock clock(speed);
      MainFrameOptions options;
      options.arguments = {"timelapse-soak"};
      options.remoteControl = false;
      options.savers = savers.get();
      options.timeLapse.clock = &clock;
      options.timeLapse.tick = std::chrono::milliseconds(std::max(1, static_cast<int>(100 / speed)));
      auto frame = std::make_unique<CMainFrame>(settings, options);
      frame->show();
      const auto started = std::chrono::steady_clock::now();
      while (frame->CameraWindows().size() < kCameras &&
             std::chrono::steady_clock::now() - started < kHangLimit)
        pump(std::chrono::milliseconds(50));
      std::printf("timelapse-soak: %d takes of %d cameras, interval 1 s, clock %.0f times as fast\n", takes,
                  static_cast<int>(frame->CameraWindows().size()), speed);
      std::fflush(stdout);
      const long rssStart = residentKiB();
      const auto seriesStart = std::chrono::steady_clock::now();
      // After the first takes: the libraries, the image and saver code have
      // made their buffers; growth from there is what a series adds.
      const int warmTakes = std::max(1, std::min(10, takes / 10));
      long rssWarm = -1;
      int taken = 0;
      std::size_t errors = 0;
      bool hung = false;
      {
        CAutoTakePicturesDlg dialog(frame.get(), *frame, options.timeLapse);
        const auto field = [&](int id) { return dialog.findChild<QSpinBox*>(tarsel::ui::ControlName(id)); };
        dialog.findChild<QTabBar*>(tarsel::ui::ControlName(CAutoTakePicturesDlg::IDC_TABS))
            ->setCurrentIndex(0);
        field(CAutoTakePicturesDlg::IDC_NUM_PICTURES)->setValue(takes);
        field(CAutoTakePicturesDlg::IDC_INTERVAL)->setValue(1);
        field(CAutoTakePicturesDlg::IDC_COUNTER)->setValue(1);
        dialog.show();
        dialog.findChild<QPushButton*>(tarsel::ui::ControlName(CAutoTakePicturesDlg::IDC_START))->click();
        auto progressAt = std::chrono::steady_clock::now();
        int lastTaken = 0;
        std::size_t lastErrors = 0;
        while (dialog.CurrentState() != CAutoTakePicturesDlg::State::Stopped) {
          pump(std::chrono::milliseconds(20));
          if (dialog.PicturesTaken() != lastTaken || dialog.Errors().size() != lastErrors) {
            lastTaken = dialog.PicturesTaken();
            lastErrors = dialog.Errors().size();
            if (rssWarm < 0 && lastTaken >= warmTakes)
              rssWarm = residentKiB();
            progressAt = std::chrono::steady_clock::now();
            if (lastTaken % std::max(1, takes / 10) == 0) {
              std::printf("  %d takes, RSS %ld KiB\n", lastTaken, residentKiB());
              std::fflush(stdout);
            }
          }
          if (std::chrono::steady_clock::now() - progressAt > kHangLimit) {
            hung = true;
            break;
          }
        }
        taken = dialog.PicturesTaken();
        errors = dialog.Errors().size();
        for (const CTimedTakeError& error : dialog.Errors())
          std::printf("  error 0x%08X\n", static_cast<unsigned>(error.Error()));
      }
      // The saves that are still queued, for as long as a save may take.
      const auto drainStart = std::chrono::steady_clock::now();
      auto quietSince = drainStart;
      std::size_t files = countFiles(saved);
      while (std::chrono::steady_clock::now() - quietSince < std::chrono::seconds(3)) {
        if (std::chrono::steady_clock::now() - drainStart > kHangLimit) {
          hung = true;
          break;
        }
        pump(std::chrono::milliseconds(200));
        const std::size_t now = countFiles(saved);
        if (now != files || frame->SaveQueueLength() != 0) {
          files = now;
          quietSince = std::chrono::steady_clock::now();
        }
      }
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - seriesStart).count();
      const long rssEnd = residentKiB();
      // What each family's cameras made: the camera-link pictures the
      // simulator kept when the program erased them, the others' as their
      // simulators delivered them.
      std::vector<FamilyPictures> made(1, FamilyPictures{"camera-link", {}, 0});
      std::size_t madeFiles = 0;
      made[0].prints = fingerprints(kept, madeFiles);
      for (int camera = 0; camera < veskCameras; ++camera)
        made[0].taken += std::max(0, simulator.picturesRead(camera));
      if (families)
        for (FamilyPictures& family : mix.pictures())
          made.push_back(std::move(family));
      std::size_t savedFiles = 0;
      std::map<std::string, int> savedPrints = fingerprints(saved, savedFiles);
      int read = 0;
      std::size_t identical = 0;
      std::size_t madeCount = 0;
      std::string perFamily;
      for (const FamilyPictures& family : made) {
        std::size_t same = 0;
        std::size_t count = 0;
        for (const auto& [print, times] : family.prints) {
          count += static_cast<std::size_t>(times);
          if (const auto found = savedPrints.find(print); found != savedPrints.end()) {
            const int matched = std::min(times, found->second);
            found->second -= matched;
            same += static_cast<std::size_t>(matched);
          }
        }
        read += family.taken;
        identical += same;
        madeCount += count;
        char line[160];
        std::snprintf(line, sizeof line, "  %-12s %d taken, %zu saved byte for byte as taken\n",
                      family.name.c_str(), family.taken, same);
        perFamily += line;
      }
      std::printf("pictures expected %d\n", takes * kCameras);
      std::printf("pictures taken    %d (%d takes complete)\n", read, taken);
      std::printf("pictures saved    %zu\n", savedFiles);
      std::printf("saved as taken    %zu (byte for byte the simulators', of %zu they made)\n", identical,
                  madeCount);
      if (families)
        std::printf("%s", perFamily.c_str());
      std::printf("errors            %zu%s\n", errors, hung ? " (the series hung)" : "");
      std::printf("RSS               %ld KiB at the start, %ld KiB at the end (%+.1f %%)\n", rssStart, rssEnd,
                  rssStart > 0
                      ? 100.0 * static_cast<double>(rssEnd - rssStart) / static_cast<double>(rssStart)
                      : 0.0);
      std::printf("RSS after %d takes %ld KiB, growth from there to the end %+.1f %%\n", warmTakes, rssWarm,
                  rssWarm > 0 ? 100.0 * static_cast<double>(rssEnd - rssWarm) / static_cast<double>(rssWarm)
                              : 0.0);
      std::printf("time              %.1f s\n", seconds);
      std::fflush(stdout);
      status = hung || identical != static_cast<std::size_t>(takes * kCameras) ? 1 : 0;
      frame->close();
      frame.reset();
      savers.reset();
      tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
      FreeVeskDll();
    }
  }
  settings->Release();
  std::error_code ignored;
  fs::remove_all(folder, ignored);
  return status;
}

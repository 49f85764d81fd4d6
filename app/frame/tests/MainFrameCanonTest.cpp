// The main frame with the product's families, the Canon camera of the SDK
// stand-in of the build (named by TARSEL_CDSDK, as a test program does not
// live beside it) and two camera-link cameras of vesk-simd: pictures taken by
// command and by the remote-control program and saved by the file saver, the
// live preview opened and closed in a row, a camera unplugged during a
// transfer and plugged in again, and capture profiles saved and loaded.
#include "MainFrameTestSupport.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/canon/CdSdkAbi.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/core/ICameraHiLevel.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/frame/CameraTypesDialog.h"
#include "app/frame/CommandIds.h"
#include "app/frame/PreviewWnd.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/saving/SaveDllList.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/CamStorageDir.h"
#include "env/FacilityRegistry.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/MailSlotAddress.h"
#include "sim/cdsdk/CdSimControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>

using namespace std::chrono_literals;
using tarsel::frame::test::chooseInFileDialog;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
using tarsel::test::readFile;
namespace cmd = tarsel::frame::cmd;
namespace cdsdk = tarsel::cdsdk;

namespace {

constexpr auto kPatience = 60s;
constexpr unsigned long kProgramFacility = 0x102;

// The stand-in's first camera as the SDK shows it to any caller: a source
// handle of the test's own, for reading and changing its values while the
// family is idle.
class StandInCamera {
public:
  explicit StandInCamera(void* library) {
    auto* functions = reinterpret_cast<cdsdk::FnGetFunctions*>(dlsym(library, cdsdk::kGetFunctionsExport));
    m_table.slot[0] = cdsdk::kTableVersion;
    if (!functions || functions(&m_table) != 0)
      return;
    cdsdk::u32 list = 0;
    CanonSourceRecord record{};
    if (call<cdsdk::kEntrySourceEnumOpen>(cdsdk::kSourceEnumOption, &list) != 0)
      return;
    const bool found = call<cdsdk::kEntrySourceEnumNext>(list, &record) == 0;
    call<cdsdk::kEntrySourceEnumRelease>(list);
    record.word0 = cdsdk::kSourceRecordOpenWord;
    if (found)
      call<cdsdk::kEntrySourceOpen>(&record, &m_source);
  }
  ~StandInCamera() {
    if (m_source)
      call<cdsdk::kEntrySourceClose>(m_source);
  }
  StandInCamera(const StandInCamera&) = delete;
  StandInCamera& operator=(const StandInCamera&) = delete;

  bool open() const { return m_source != 0; }

  // Every value a capture profile carries, as "name=value" words.
  std::string values() {
    if (!open()) {
      ADD_FAILURE() << "the stand-in's camera could not be opened";
      return {};
    }
    cdsdk::u32 program = 0, bias = 0, flash = 0, second = 0, zoom = 0,
               quality = cdsdk::kImageFormatQualityPreset, size = 0;
    cdsdk::u16 aperture = 0, time = 0, balance = 0, distance = 0, iso = 0;
    std::uint8_t metering = 0;
    call<cdsdk::kEntryProgramMode>(m_source, &program, 0u);
    call<cdsdk::kEntryAperture>(m_source, &aperture, 0u);
    call<cdsdk::kEntryExposureTime>(m_source, &time, 0u);
    call<cdsdk::kEntryExposureBias>(m_source, &bias, 0u);
    call<cdsdk::kEntryWhiteBalance>(m_source, &balance, 0u);
    call<cdsdk::kEntryAfDistance>(m_source, &distance, 0u);
    call<cdsdk::kEntryFlash>(m_source, &flash, &second, 0u);
    call<cdsdk::kEntryZoomPosition>(m_source, &zoom);
    call<cdsdk::kEntryImageFormat>(m_source, &quality, &size, 0u);
    readParameter(cdsdk::kParamIso, &iso, sizeof iso);
    readParameter(cdsdk::kParamMetering, &metering, sizeof metering);
    const auto word = [](const char* name, unsigned value) {
      return std::string(name) + "=" + std::to_string(value) + " ";
    };
    return word("program", program) + word("aperture", aperture) + word("time", time) + word("bias", bias) +
           word("balance", balance) + word("distance", distance) + word("flash", flash) + word("zoom", zoom) +
           word("quality", quality) + word("size", size) + word("iso", iso) + word("metering", metering);
  }

  template <cdsdk::u32 Entry, class... A> cdsdk::u32 call(A... arguments) {
    auto* function = cdsdk::entry<Entry>(m_table);
    return function ? function(arguments...) : 0xFFFFu;
  }
  cdsdk::u32 source() const { return m_source; }

private:
  void readParameter(cdsdk::u32 id, void* value, cdsdk::u32 size) {
    call<cdsdk::kEntryReleaseControlRead>(m_source, id, &size, value);
  }

  CanonSdkFunctionTable m_table{};
  cdsdk::u32 m_source = 0;
};

class QuietLog : public _ICapabilitiesCallback {
public:
  bool LogLine(const char*) override { return true; }
  bool LogIndentedLine(const char*) override { return true; }
};

class MainFrameCanon : public tarsel::frame::test::FrameTest {
protected:
  // The program's own texts are registered at its start, as the application does.
  void SetUp() override {
    FrameTest::SetUp();
    RegisterFacility(kProgramFacility, TarselEnvMessageTable());
  }
  void TearDown() override {
    FrameTest::TearDown();
    UnregisterFacility(kProgramFacility);
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    if (m_library) {
      EXPECT_EQ(m_sim.problemsText(), "") << m_sim.logText();
      dlclose(m_library);
    }
  }

  // Starts the frame over the product's families and waits for `windows` windows.
  CMainFrame& startWithWindows(MainFrameOptions options, std::size_t windows) {
    options.makeDeviceWatcher = {};
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == windows; }, kPatience));
    return frame;
  }

  // The Canon camera's window, once its status line came.
  CChildFrame* canonWindow() const {
    for (CChildFrame* each : m_frame->CameraWindows())
      if (each->windowTitle() == "Owner (Sim Camera A)") {
        EXPECT_TRUE(pumpUntil([&] { return each->PaneText(3).startsWith("AFD="); }, kPatience));
        return each;
      }
    return nullptr;
  }

  // "Take Picture" in the window; true when its picture count reached `count`.
  bool takeInWindow(CChildFrame* window, std::int32_t count) {
    window->ActivateInMdiClient();
    return m_frame->RunCommand(cmd::TakePicture) &&
           pumpUntil([&] { return window->GetHost()->GetPictureCount() == count && !window->IsBusy(); },
                     kPatience);
  }

  // The stand-in's bytes of its camera's last release.
  std::string lastPayload() const {
    std::string bytes(m_sim.payload(0, 0, nullptr, 0), '\0');
    m_sim.payload(0, 0, bytes.data(), bytes.size());
    return bytes;
  }

  static std::string bytesOf(IPictureFromCamera* picture) {
    return picture ? std::string(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize())
                   : std::string();
  }

  CdSimStats stats() const {
    CdSimStats counted{};
    m_sim.stats(&counted);
    return counted;
  }

  void* m_library = dlopen((binDir() + "/libCDSDK.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  const tarsel::cdsim::CdSimControls m_sim{m_library};
  tarsel::test::ScopedEnv m_sdk{"TARSEL_CDSDK", binDir() + "/libCDSDK.so"};
  const tarsel::test::TempDir m_folder;
  // Outlives the frame, which saves through it.
  std::unique_ptr<CSaveDllList> m_savers;
};

} // namespace

TEST_F(MainFrameCanon, TheCanonPictureIsTheStandInsAndAllThreeCamerasTakeByCommandAndRemotelyAndAreSaved) {
  ASSERT_TRUE(m_sim.ok) << dlerror();
  // The camera's clock stands at 2024-07-15 10:20:30.
  const std::int64_t clock = 1721038830;
  ASSERT_EQ(m_sim.reset(("[sdk]\nchunk = 0\n[camera]\nclock = " + std::to_string(clock) + "\n").c_str()), 0);
  tarsel::frame::test::useVeskModels({"XC-701", "XC-702"});
  tarsel::test::VeskSimulator vesk(binDir() + "/vesk-simd", m_folder.path(),
                                   "speed = 20\n[camera]\nmodel = XC-701\n[camera]\nmodel = XC-702\n");
  ASSERT_TRUE(vesk.ready());
  const tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", vesk.deviceFolder());
  // The takes of all cameras are saved by the file saver, one folder per camera.
  const std::string root = m_folder.file("saved");
  {
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetAutoSaveAfterTaking(true), 0);
    EXPECT_EQ(user->SetLastMethodOfSaving("File"), 0);
    EXPECT_EQ(user->SetCamNameUse(1), 0);
    user->Release();
    ISaverSettings* saver = nullptr;
    ASSERT_EQ(settings()->GetSaverSettings("FILE", &saver, false), 0);
    EXPECT_EQ(saver->SetString("RootDir", root.c_str()), 0);
    saver->Release();
  }
  m_savers = std::make_unique<CSaveDllList>(0, binDir());
  const std::string mailslot = "tarsel-canon-test-" + std::to_string(getpid());
  const tarsel::test::ScopedEnv name(tarsel::remote::kMailslotNameVariable, mailslot);
  MainFrameOptions options = optionsFor({});
  options.savers = m_savers.get();
  options.remoteControl = true;
  options.mailslot.socketName = mailslot;
  CMainFrame& frame = startWithWindows(options, 3);
  const QPointer<CChildFrame> window = canonWindow();
  ASSERT_TRUE(window);
  EXPECT_EQ(window->PaneText(3), "AFD=Auto Z=5.8 LCD=Off");
  ASSERT_TRUE(takeInWindow(window, 1));
  EXPECT_EQ(bytesOf(window->GetHost()->GetPicture(0)), lastPayload());

  // "All Cameras Take Picture", then the remote-control program's capture:
  // each replaces the saved picture before it in the window.
  std::vector<std::string> taken;
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }, kPatience));
  taken.push_back(bytesOf(window->GetHost()->GetPicture(-1)));
  EXPECT_EQ(taken.back(), lastPayload());
  ASSERT_EQ(tarsel::test::runProgram({binDir() + "/TarselRemote", "/CAPTURE"}).exitCode, 0);
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 2; }, kPatience));
  taken.push_back(bytesOf(window->GetHost()->GetPicture(-1)));
  EXPECT_EQ(taken.back(), lastPayload());
  EXPECT_NE(taken[0], taken[1]);
  EXPECT_EQ(vesk.picturesRead(0), 2);
  EXPECT_EQ(vesk.picturesRead(1), 2);
  EXPECT_EQ(stats().releases, 3u);

  // Both takes' Canon pictures are saved whole; their date, as exiftool
  // reads it, is the camera's clock at the take.
  const std::string folder = root + "/" + window->CameraName().toStdString();
  const auto saved = [&] {
    std::vector<std::string> paths;
    if (std::filesystem::is_directory(folder))
      for (const auto& entry : std::filesystem::directory_iterator(folder))
        paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    return paths;
  };
  ASSERT_TRUE(pumpUntil(
      [&] { return saved().size() == 2 && frame.SaveQueueLength() == 0 && frame.PaneText(3).isEmpty(); },
      kPatience))
      << testing::PrintToString(saved()) << testing::PrintToString(m_errors);
  for (int take = 1; take <= 2; ++take) {
    const std::string path = saved()[static_cast<std::size_t>(take - 1)];
    EXPECT_TRUE(readFile(path) == taken[static_cast<std::size_t>(take - 1)]) << path;
    const std::string date = tarsel::test::runProgram({"exiftool", "-s3", "-DateTimeOriginal", path}).out;
    std::tm read{};
    ASSERT_NE(strptime(date.c_str(), "%Y:%m:%d %H:%M:%S", &read), nullptr) << date;
    const std::int64_t seconds = timegm(&read);
    EXPECT_GE(seconds, clock) << date;
    EXPECT_LT(seconds, clock + 120) << date;
  }
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameCanon, TheCameraChosenAmongSeveralOpensAndOpensAgainWithoutAsking) {
  ASSERT_TRUE(m_sim.ok) << dlerror();
  ASSERT_EQ(m_sim.reset("[camera]\nname = Other\nflags = 0x1C\n[camera]\nname = A\n[camera]\nname = B\n"), 0);
  // No choice from an earlier run.
  ICamSdkSettings* canon = nullptr;
  ASSERT_EQ(settings()->GetSdkSettings("CANON_CD", &canon, false), 0);
  canon->SetBool("UseCameraOfUserChoice", false);
  canon->Release();
  // Answers the selection dialog: the second entry, used every time.
  int asked = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    auto* list = dialog ? dialog->findChild<QComboBox*>("control2104") : nullptr;
    if (!list)
      return;
    ++asked;
    list->setCurrentIndex(1);
    dialog->findChild<QCheckBox*>("control2105")->setChecked(true);
    dialog->findChild<QPushButton*>("control1")->click();
  });
  answer.start(5);
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  for (int run = 1; run <= 2; ++run) {
    CMainFrame& frame = start(options);
    ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, 60s));
    CChildFrame* window = frame.CameraWindows().front();
    EXPECT_EQ(window->CameraName(), "Owner (B)");
    EXPECT_EQ(asked, 1);
    // Its capture properties fill from the camera.
    window->ActivateInMdiClient();
    ASSERT_TRUE(frame.RunCommand(cmd::CaptureProperties));
    auto* properties = window->findChild<tarsel::dialogs::CCapturePropertiesDialog*>();
    ASSERT_TRUE(properties && pumpUntil([&] { return !properties->IsBusy(); }, 60s));
    EXPECT_GT(properties->findChild<QComboBox*>("control1021")->count(), 0);
    destroyFrame();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameCanon, TheLivePreviewOpensAndClosesTwentyTimesAtThirtyFramesASecond) {
  ASSERT_TRUE(m_sim.ok) << dlerror();
  ASSERT_EQ(m_sim.reset(nullptr), 0);
  m_sim.setFrameRate(30);
  CMainFrame& frame = startWithWindows(optionsFor({}), 1);
  const QPointer<CChildFrame> window = canonWindow();
  ASSERT_TRUE(window);
  window->ActivateInMdiClient();
  for (int round = 1; round <= 20; ++round) {
    ASSERT_TRUE(frame.RunCommand(cmd::ShowPreview));
    const QPointer<CPreviewWnd> preview = frame.PreviewWindow();
    ASSERT_TRUE(preview);
    ASSERT_TRUE(pumpUntil([&] { return preview && preview->FramesPainted() >= 2; }, kPatience)) << round;
    // Closed, the window goes and the viewfinder stops well within a second.
    const auto closing = std::chrono::steady_clock::now();
    ASSERT_TRUE(frame.RunCommand(cmd::ShowPreview));
    ASSERT_TRUE(pumpUntil([&] { return !frame.PreviewWindow() && stats().runningViewfinders == 0; }, 1s))
        << round;
    EXPECT_LT(std::chrono::steady_clock::now() - closing, 1s) << round;
  }
  const std::uint32_t frames = stats().framesDelivered;
  EXPECT_GE(frames, 40u);
  pumpFor(100ms); // time for a frame that should not come
  EXPECT_EQ(stats().framesDelivered, frames);
  EXPECT_EQ(stats().slowCallbacks, 0u);
  // The camera still takes a picture.
  ASSERT_TRUE(takeInWindow(window, 1));
  EXPECT_EQ(bytesOf(window->GetHost()->GetPicture(0)), lastPayload());
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameCanon, AnUnpluggedTransferIsToldOnceAndTheReplugedCameraTakesAgain) {
  ASSERT_TRUE(m_sim.ok) << dlerror();
  ASSERT_EQ(m_sim.reset("[sdk]\nchunk = 512\n[camera]\n"), 0);
  CMainFrame& frame = startWithWindows(optionsFor({}), 1);
  const QPointer<CChildFrame> window = canonWindow();
  ASSERT_TRUE(window);
  // The item's record comes; its data does not: the camera is gone.
  m_sim.failAfter(cdsdk::kEntryReleasedItem, 1, cdsdk::kErrDeviceNotFound, 1);
  window->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !m_errors.empty() && !window->IsBusy(); }, kPatience));
  // Refreshed without it, the frame finds no camera and offers the camera
  // types (cancelled); the window shows its camera gone.
  ASSERT_EQ(m_sim.unplug(0), 0);
  int offered = 0;
  QTimer cancel;
  QObject::connect(&cancel, &QTimer::timeout, [&] {
    if (auto* dialog = qobject_cast<tarsel::frame::CameraTypesDialog*>(QApplication::activeModalWidget())) {
      ++offered;
      dialog->reject();
    }
  });
  cancel.start(5);
  // The refresh waits until the window's worker has ended the failed job.
  frame.RefreshCameras();
  EXPECT_TRUE(pumpUntil([&] { return offered > 0; }, kPatience));
  cancel.stop();
  EXPECT_EQ(offered, 1);
  EXPECT_FALSE(window->IsCameraConnected());
  pumpFor(300ms); // time for reports that should not come
  const std::vector<std::string> told = {"Error: Device not found.(0x81070080)\n"};
  EXPECT_EQ(m_errors, told);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 0);
  // The error log has the family's entry for the lost transfer.
  const std::string log = readFile(std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt");
  EXPECT_NE(log.find("produced by CanonCD_Wr::TransferPicture"), std::string::npos) << log;

  // Plugged in again and refreshed, the same window takes a picture.
  ASSERT_EQ(m_sim.plug(0), 0);
  frame.RefreshCameras();
  ASSERT_TRUE(pumpUntil([&] { return window && window->IsCameraConnected(); }, kPatience));
  EXPECT_EQ(frame.CameraWindows(), std::vector<CChildFrame*>{window.data()});
  ASSERT_TRUE(takeInWindow(window, 1));
  EXPECT_EQ(bytesOf(window->GetHost()->GetPicture(0)), lastPayload());
  EXPECT_EQ(m_errors, told);
}

TEST_F(MainFrameCanon, PicturesWhoseSaveFailedStayInTheWindowUntilTheUserSavesThemAndTakingStopsAtTheBound) {
  ASSERT_TRUE(m_sim.ok) << dlerror();
  ASSERT_EQ(m_sim.reset("[sdk]\nchunk = 0\n[camera]\n"), 0);
  // Automatic saves after a take into a folder that cannot be made: the
  // camera keeps no copy, so the window is the only place of each picture.
  tarsel::test::writeFile(m_folder.file("plain"), "x");
  {
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetAutoSaveAfterTakingSingle(true), 0);
    EXPECT_EQ(user->SetLastMethodOfSaving("File"), 0);
    user->Release();
    ISaverSettings* saver = nullptr;
    ASSERT_EQ(settings()->GetSaverSettings("FILE", &saver, false), 0);
    EXPECT_EQ(saver->SetString("RootDir", (m_folder.file("plain") + "/saved").c_str()), 0);
    saver->Release();
  }
  m_savers = std::make_unique<CSaveDllList>(0, binDir());
  MainFrameOptions options = optionsFor({});
  options.savers = m_savers.get();
  options.child.heldPictureLimit = 2;
  CMainFrame& frame = startWithWindows(options, 1);
  const QPointer<CChildFrame> window = canonWindow();
  ASSERT_TRUE(window);
  std::vector<std::string> taken;
  for (std::int32_t count = 1; count <= 2; ++count) {
    ASSERT_TRUE(takeInWindow(window, count));
    taken.push_back(lastPayload());
    ASSERT_TRUE(pumpUntil([&] { return !m_errors.empty() && frame.SaveQueueLength() == 0; }, kPatience));
  }
  // Both saves failed: one box, both pictures held unsaved in the window.
  ASSERT_TRUE(pumpUntil([&] { return frame.PaneText(3).isEmpty(); }, kPatience));
  EXPECT_EQ(m_errors.size(), 1u) << testing::PrintToString(m_errors);
  EXPECT_EQ(window->GetHost()->GetHeldCount(), 2u);
  EXPECT_TRUE(window->HasUnsavedPictures());

  // At the bound the window takes no more and says so.
  const std::size_t questions = m_questions.size();
  frame.RunCommand(cmd::TakePicture);
  EXPECT_FALSE(window->IsBusy());
  pumpFor(100ms);
  EXPECT_EQ(stats().releases, 2u);
  ASSERT_EQ(m_questions.size(), questions + 1);
  EXPECT_NE(m_questions.back().indexOf("could not be saved"), -1) << m_questions.back().toStdString();

  // Closing the window asks first; "Cancel" keeps it.
  m_answer = 2;
  EXPECT_FALSE(window->close());
  ASSERT_EQ(m_questions.size(), questions + 2);

  // The user browses to each picture and saves it: byte for byte what the camera made.
  window->GetHost()->PreviousPicture();
  for (std::size_t picture = 0; picture < taken.size(); ++picture) {
    const std::string path = m_folder.file("mine" + std::to_string(picture) + ".JPG");
    QString started;
    chooseInFileDialog(path, &started);
    ASSERT_EQ(window->SaveCurrentPicture(), 0);
    EXPECT_TRUE(readFile(path) == taken[picture]) << path;
    window->GetHost()->NextPicture();
  }
  EXPECT_EQ(window->GetHost()->GetHeldCount(), 0u);
  EXPECT_FALSE(window->HasUnsavedPictures());
  EXPECT_EQ(m_errors.size(), 1u);
}

TEST_F(MainFrameCanon, ASavedProfileBringsTheCameraBackAndOneOfAnotherTypeAppliesNothing) {
  ASSERT_TRUE(m_sim.ok) << dlerror();
  ASSERT_EQ(m_sim.reset("[camera]\nprogram_mode = 4\naperture = 40\nexposure_time = 112\nwhite_balance = 2\n"
                        "af_distance = 3\nflash = 2\niso = 80\nmetering = 1\nzoom = 3\nimage_format = 2:1\n"),
            0);
  MainFrameOptions options = optionsFor({});
  CMainFrame& frame = startWithWindows(options, 1);
  const QPointer<CChildFrame> window = canonWindow();
  ASSERT_TRUE(window);
  // The camera's capabilities detected and stored, as the capability test
  // does, so that the profile carries its resolution too.
  auto* canon = dynamic_cast<CanonCD_Wr*>(window->GetCamera());
  ASSERT_TRUE(canon);
  QuietLog log;
  ASSERT_EQ(canon->ObtainCapabilitiesFromCamera(&log), 0);
  canon->SaveCapabilitiesToFile(nullptr);
  window->ActivateInMdiClient();
  const std::string profile = m_folder.file("canon.cpff");
  QString started;
  chooseInFileDialog(m_folder.file("canon"), &started);
  ASSERT_TRUE(frame.RunCommand(cmd::SaveCaptureSettings));
  ASSERT_TRUE(std::filesystem::exists(profile));

  // Every value changed on the camera behind the family's back.
  const auto change = [this](cdsdk::u32 flash) {
    StandInCamera camera(m_library);
    EXPECT_TRUE(camera.open());
    const cdsdk::u32 source = camera.source();
    const cdsdk::u16 iso = 72;
    const std::uint8_t metering = 4;
    EXPECT_EQ(camera.call<cdsdk::kEntrySetAperture>(source, cdsdk::u16{56}), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetExposureTime>(source, cdsdk::u16{96}), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetProgramMode>(source, 1u), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetWhiteBalance>(source, 5u), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetAfDistance>(source, 6u), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetFlash>(source, flash, cdsdk::kFlashSetOption), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetZoomPosition>(source, 7u), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntrySetImageFormat>(source, 3u, 0u, 0u), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntryReleaseControlWrite>(source, cdsdk::kParamIso, 2u, &iso), 0u);
    EXPECT_EQ(camera.call<cdsdk::kEntryReleaseControlWrite>(source, cdsdk::kParamMetering, 1u, &metering),
              0u);
    return camera.values();
  };
  const std::string saved = StandInCamera(m_library).values();
  EXPECT_NE(change(0), saved);

  // "Load Capture Settings" puts it back as it was saved.
  chooseInFileDialog(profile, &started);
  ASSERT_TRUE(frame.RunCommand(cmd::LoadCaptureSettings));
  EXPECT_EQ(StandInCamera(m_library).values(), saved);
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // The same profile saved by another type of camera, named on the command
  // line of a new start, is refused and changes nothing.
  std::string text = readFile(profile);
  const std::string type = "CamType=Sim Camera A";
  ASSERT_NE(text.find(type), std::string::npos) << text;
  text.replace(text.find(type), type.size(), "CamType=Sim Camera B");
  const std::string other = m_folder.file("other.cpff");
  tarsel::test::writeFile(other, text);
  const std::string changed = change(3);
  destroyFrame();
  options.arguments = {"Tarsel", QString::fromStdString("-CPFF=\"" + other + "\":\"Owner (Sim Camera A)\"")};
  startWithWindows(options, 1);
  ASSERT_TRUE(pumpUntil([&] { return !m_errors.empty(); }, kPatience));
  EXPECT_EQ(m_errors, std::vector<std::string>{
                          "Error: Capture Profile was saved for a different camera type.(0x81020007)\n"});
  EXPECT_EQ(StandInCamera(m_library).values(), changed);
}

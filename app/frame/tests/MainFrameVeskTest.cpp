// The main frame with the product's camera families against a vesk-simd
// daemon serving two camera-link cameras of different models: discovery, a
// take in one window and with all cameras, the downloaded bytes against the
// cards' files, and a camera unplugged and plugged in again, noticed through
// the device folder; and five all-cameras takes saved through the file
// saver plug-in, with its post-processing program run for every file, and
// uploaded through the FTP saver plug-in to a loopback FTP server; and a
// capture profile saved from one camera and loaded into another of the same
// model, by the windows' commands and from the command line at start-up;
// and the live preview following the active camera through a take, with the
// taken picture's shooting information against exiftool's reading.
#include "MainFrameTestSupport.h"

#include "app/cameras/vesk/VeskLibrary.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/AutoTakePicturesDlg.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/PreviewWnd.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/pictures/PicInfoDisplayBase.h"
#include "app/pictures/PictureInfoExif.h"
#include "app/pictures/TiffBuffer.h"
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/DialogControls.h"
#include "env/CamStorageDir.h"
#include "env/TarselFileTime.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"
#include "savers/ftp/testsupport/FtpTestServer.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>

#include <sys/mount.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// How long a step may take before the test gives up: generous, since the
// sanitizer builds run these many times slower; a passing step returns at once.
constexpr auto kPatience = 60s;
using tarsel::frame::test::chooseInFileDialog;
using tarsel::frame::test::FakeClock;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::moveClockToNextPicture;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::setUserOption;
using tarsel::test::binDir;
using tarsel::test::readFile;
using tarsel::test::TempDir;
namespace cmd = tarsel::frame::cmd;

namespace {

// Simulator slot of each model: the set-up file's order.
const std::map<std::string, int> kSlotOfModel = {{"XC-701", 0}, {"XC-702", 1}};

// The files of a card, by name, as the daemon dumps them.
std::map<std::string, std::string> cardFiles(tarsel::test::VeskSimulator& simulator, int slot,
                                             const std::string& folder) {
  EXPECT_EQ(simulator.control("dump " + std::to_string(slot) + " " + folder).rfind("ok", 0), 0u);
  std::map<std::string, std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    files[entry.path().filename().string()] = readFile(entry.path().string());
  return files;
}

// The paths of the files below `root`, sub-folders included.
std::set<std::string> filesBelow(const std::string& root) {
  std::set<std::string> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
    if (entry.is_regular_file())
      files.insert(entry.path().string());
  return files;
}

std::string bytesOf(IPictureFromCamera* picture) {
  if (!picture || !picture->GetData())
    return {};
  return std::string(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize());
}

class MainFrameVesk : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    tarsel::frame::test::useVeskModels({"XC-701", "XC-702"});
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    // Pictures stay on the card, so that the card's files can be compared.
    EXPECT_EQ(user->SetLeavePictureInCamera(true), 0);
    EXPECT_EQ(user->SetUseDeviceNotifications(true), 0);
    user->Release();
    setUserOption("DeviceNotificationDelay", 100);

    m_simulator = std::make_unique<tarsel::test::VeskSimulator>(binDir() + "/vesk-simd", m_folder.path(),
                                                                simulatorSetup());
    ASSERT_TRUE(m_simulator->ready());
    m_deviceFolder.emplace("VESK_DEVICE_DIR", m_simulator->deviceFolder());
  }

  // Busy times run 20 times as fast: a capture takes 75 ms.
  virtual std::string simulatorSetup() const {
    return "speed = 20\n[camera]\nmodel = XC-701\npictures = 1\n[camera]\nmodel = XC-702\npictures = 1\n";
  }

  void TearDown() override {
    FrameTest::TearDown();
    // After the frame: its save thread calls into the savers.
    m_savers.reset();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }

  // The window of a model's camera, or null.
  CChildFrame* windowOf(const std::string& model) const {
    for (CChildFrame* window : m_frame->CameraWindows())
      if (ICameraHiLevel* camera = window->GetCamera(); camera && model == camera->GetModelName())
        return window;
    return nullptr;
  }

  // Every picture of the window equals, in order, a file that the card did
  // not hold before.
  void expectPicturesAreTheNewCardFiles(CChildFrame* window, const std::string& model) {
    const int slot = kSlotOfModel.at(model);
    const std::string folder = m_folder.file("card-" + model + "-" + std::to_string(++m_dumps));
    const auto after = cardFiles(*m_simulator, slot, folder);
    std::vector<std::string> added;
    for (const auto& [name, bytes] : after)
      if (!m_cardBefore[model].count(name))
        added.push_back(bytes);
    tarsel::host::CConnectedCameraHost* host = window->GetHost();
    ASSERT_EQ(static_cast<std::size_t>(host->GetPictureCount()), added.size()) << model;
    for (std::int32_t i = 0; i < host->GetPictureCount(); ++i) {
      const std::string bytes = bytesOf(host->GetPicture(i));
      EXPECT_TRUE(bytes == added[static_cast<std::size_t>(i)])
          << model << " picture " << i << ": " << bytes.size() << " bytes downloaded, the card's file has "
          << added[static_cast<std::size_t>(i)].size();
    }
  }

  // Chooses the saver `name` for automatic saves after takes: one folder per
  // camera, "shot" and a three-digit counter.
  void chooseSaverForTakes(const char* name) {
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetAutoSaveAfterTaking(true), 0);
    EXPECT_EQ(user->SetLastMethodOfSaving(name), 0);
    EXPECT_EQ(user->SetCamNameUse(1), 0);
    EXPECT_EQ(user->SetFilePrefix("shot"), 0);
    EXPECT_EQ(user->SetNumDigitsInCounter(3), 0);
    user->Release();
  }

  // Automatic saves after takes through the file saver of the build, below `root`.
  void saveFilesUnder(const std::string& root) {
    chooseSaverForTakes("File");
    const CRefPtr<ISaverSettings> saverKey = fileSaverKey();
    ASSERT_TRUE(saverKey);
    EXPECT_EQ(saverKey->SetString("RootDir", root.c_str()), 0);
    m_savers = std::make_unique<CSaveDllList>(0, binDir());
  }

  // Automatic saves after takes through the FTP saver of the build, to
  // `server` as `user`, set up on its Options page as a user does.
  void uploadTakesTo(const tarsel::ftp::test::FtpTestServer& server, const char* user) {
    chooseSaverForTakes("FTP");
    m_savers = std::make_unique<CSaveDllList>(0, binDir());
    CSaveDllWrapper* ftp = m_savers->FindSaver(settings(), "FTP");
    ASSERT_TRUE(ftp);
    PROPSHEETPAGE* page = nullptr;
    ASSERT_EQ(ftp->PropPage(settings(), nullptr, &page), 0);
    std::unique_ptr<QWidget> options(page->page);
    const auto edit = [&](const char* name) { return options->findChild<QLineEdit*>(QLatin1String(name)); };
    options->findChild<QComboBox*>(QStringLiteral("server"))
        ->setEditText(QString::fromStdString(server.Address()));
    edit("rootFolder")->setText(QStringLiteral("pics"));
    edit("userName")->setText(QString::fromLatin1(user));
    edit("password")->setText(QString::fromLatin1(tarsel::ftp::test::FtpTestServer::kPassword));
    options->findChild<QCheckBox*>(QStringLiteral("savePassword"))->setChecked(true);
    bool applied = false;
    ASSERT_TRUE(QMetaObject::invokeMethod(options.get(), "Apply", Q_RETURN_ARG(bool, applied)));
    ASSERT_TRUE(applied);
  }

  // The file saver's settings key (null when it cannot be opened).
  CRefPtr<ISaverSettings> fileSaverKey() const {
    ISaverSettings* key = nullptr;
    EXPECT_EQ(settings()->GetSaverSettings("FILE", &key, false), 0);
    CRefPtr<ISaverSettings> saverKey;
    saverKey.Attach(key);
    return saverKey;
  }

  // Starts the frame (the device folder's watcher only) and waits for both
  // cameras' windows.
  CMainFrame& startWithBothWindows() {
    MainFrameOptions options = optionsFor({});
    options.makeDeviceWatcher = {};
    options.savers = m_savers.get();
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 2; }, kPatience));
    return frame;
  }

  // Starts the frame with the savers of m_savers, waits for both cameras'
  // windows and notes the cards' files, then takes with all cameras five
  // times in a row (the takes overlap; each picture keeps its take's counter).
  CMainFrame& startAndTakeFiveTimes() {
    CMainFrame& frame = startWithBothWindows();
    for (const auto& [model, slot] : kSlotOfModel)
      m_cardBefore[model] = cardFiles(*m_simulator, slot, m_folder.file("before-" + model));
    for (int take = 1; take <= 5; ++take)
      EXPECT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
    EXPECT_TRUE(pumpUntil([&] { return m_takesEnded == 5; }, kPatience)) << m_takesEnded << " takes ended";
    return frame;
  }

  // The paths below `root` where the five takes' pictures belong: each
  // camera's folder, "shot" and its take's counter; each file checked to be
  // byte for byte the card's file of that take.
  std::set<std::string> expectFiveTakesSavedUnder(const std::string& root, int firstCounter = 1) {
    std::set<std::string> expected;
    for (const auto& [model, slot] : kSlotOfModel) {
      CChildFrame* window = windowOf(model);
      if (!window) {
        ADD_FAILURE() << model << " has no window";
        continue;
      }
      EXPECT_FALSE(window->HasUnsavedPictures()) << model;
      std::vector<std::pair<std::string, std::string>> added;
      for (const auto& [name, bytes] : cardFiles(*m_simulator, slot, m_folder.file("after-" + model)))
        if (!m_cardBefore[model].count(name))
          added.emplace_back(name, bytes);
      EXPECT_EQ(added.size(), 5u) << model;
      for (std::size_t take = 0; take < added.size(); ++take) {
        const std::string extension = std::filesystem::path(added[take].first).extension().string();
        char counter[16];
        std::snprintf(counter, sizeof counter, "%03d", firstCounter + static_cast<int>(take));
        const std::string path =
            root + "/" + window->CameraName().toStdString() + "/shot" + counter + extension;
        expected.insert(path);
        EXPECT_TRUE(std::filesystem::exists(path)) << path;
        EXPECT_TRUE(readFile(path) == added[take].second)
            << path << " differs from the card's " << added[take].first;
      }
    }
    return expected;
  }

  TempDir m_folder;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::optional<tarsel::test::ScopedEnv> m_deviceFolder;
  std::map<std::string, std::map<std::string, std::string>> m_cardBefore;
  int m_dumps = 0;
  std::unique_ptr<CSaveDllList> m_savers;
};

} // namespace

TEST_F(MainFrameVesk, TwoCamerasTakeDownloadTheCardsBytesAndComeBackAfterAnUnplug) {
  CMainFrame& frame = startWithBothWindows();
  QPointer<CChildFrame> first = windowOf("XC-701");
  QPointer<CChildFrame> second = windowOf("XC-702");
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(first->IsCameraConnected() && second->IsCameraConnected());
  for (const auto& [model, slot] : kSlotOfModel)
    m_cardBefore[model] = cardFiles(*m_simulator, slot, m_folder.file("before-" + model));

  // "Take Picture" in the first window fills it alone.
  first->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return first->GetHost()->GetPictureCount() == 1 && !first->IsBusy(); }, kPatience))
      << first->PaneText(0).toStdString();
  EXPECT_EQ(second->GetHost()->GetPictureCount(), 0);

  // "All Cameras Take Picture" fills both.
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }, kPatience));
  EXPECT_EQ(first->GetHost()->GetPictureCount(), 2);
  EXPECT_EQ(second->GetHost()->GetPictureCount(), 1);
  EXPECT_EQ(m_simulator->picturesRead(0), 2);
  EXPECT_EQ(m_simulator->picturesRead(1), 1);
  expectPicturesAreTheNewCardFiles(first, "XC-701");
  expectPicturesAreTheNewCardFiles(second, "XC-702");
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // The unplugged camera's window is marked disconnected (or closes); the
  // other stays connected.
  ASSERT_EQ(m_simulator->control("unplug 1"), "ok");
  ASSERT_TRUE(pumpUntil([&] { return !second || !second->IsCameraConnected(); }, kPatience));
  EXPECT_TRUE(first && first->IsCameraConnected());

  // Plugged in again, it is found in its window again and takes pictures.
  ASSERT_EQ(m_simulator->control("plug 1"), "ok");
  ASSERT_TRUE(pumpUntil(
      [&] {
        const CChildFrame* window = windowOf("XC-702");
        return window && window->IsCameraConnected();
      },
      kPatience));
  EXPECT_EQ(frame.CameraWindows().size(), 2u);
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 2; }, kPatience));
  EXPECT_EQ(m_simulator->picturesRead(0), 3);
  EXPECT_EQ(m_simulator->picturesRead(1), 2);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameVesk, ASecondSessionSavesAfterTheFirstSessionsPicturesAndReplacesNone) {
  // Both sessions start counting at 1 in the same folders.
  const std::string root = m_folder.file("saved");
  saveFilesUnder(root);
  startAndTakeFiveTimes();
  ASSERT_TRUE(
      pumpUntil([&] { return filesBelow(root).size() >= 10 && m_frame->PaneText(3).isEmpty(); }, kPatience));
  std::map<std::string, std::string> first;
  for (const std::string& path : expectFiveTakesSavedUnder(root))
    first[path] = readFile(path);

  destroyFrame();
  m_takesEnded = 0;
  startAndTakeFiveTimes();
  ASSERT_TRUE(
      pumpUntil([&] { return filesBelow(root).size() >= 20 && m_frame->PaneText(3).isEmpty(); }, kPatience))
      << filesBelow(root).size() << " files; errors: " << testing::PrintToString(m_errors);
  std::set<std::string> all = expectFiveTakesSavedUnder(root, 6);
  for (const auto& [path, bytes] : first) {
    EXPECT_TRUE(readFile(path) == bytes) << path << " was replaced";
    all.insert(path);
  }
  EXPECT_EQ(filesBelow(root), all);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameVesk, AllCamerasTakesAreSavedByTheFileSaverWithTheCardsBytesAndCloseAsksWhileSaving) {
  // The file saver, chosen for automatic saves after all-cameras takes: one
  // folder per camera, "shot" and a three-digit counter, and a program that
  // records every call.
  const std::string root = m_folder.file("saved");
  const std::string log = m_folder.file("processed.log");
  const std::string script = m_folder.file("record.sh");
  tarsel::test::writeFile(script, "#!/bin/sh\nprintf '%s %s\\n' \"$#\" \"$1\" >> '" + log + "'\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  saveFilesUnder(root);
  {
    const CRefPtr<ISaverSettings> saverKey = fileSaverKey();
    ASSERT_TRUE(saverKey);
    EXPECT_EQ(saverKey->SetString("ExternalCommand", (script + " %s").c_str()), 0);
  }
  ASSERT_GT(m_savers->GetCount(), 0);
  CMainFrame& frame = startAndTakeFiveTimes();
  const auto lines = [&] {
    std::vector<std::string> read;
    std::istringstream text(std::filesystem::exists(log) ? readFile(log) : std::string());
    for (std::string line; std::getline(text, line);)
      read.push_back(line);
    return read;
  };
  ASSERT_TRUE(pumpUntil([&] { return lines().size() >= 10 && frame.PaneText(3).isEmpty(); }, kPatience))
      << lines().size() << " files processed; pane 3: " << frame.PaneText(3).toStdString()
      << "; errors: " << testing::PrintToString(m_errors);

  // Every picture is in its camera's folder under its counter, byte for byte
  // the card's file of that take, and was handed to the program once.
  const std::set<std::string> expected = expectFiveTakesSavedUnder(root);
  EXPECT_EQ(filesBelow(root), expected);
  std::multiset<std::string> processed;
  for (const std::string& line : lines())
    processed.insert(line);
  std::multiset<std::string> wanted;
  for (const std::string& path : expected)
    wanted.insert("1 " + path);
  EXPECT_EQ(processed, wanted);
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // While a save waits for its program and another picture is queued,
  // closing asks first; "Cancel" keeps the frame and the queued picture.
  const std::string go = m_folder.file("go");
  const std::string hold = m_folder.file("hold.sh");
  const std::string held = m_folder.file("held");
  tarsel::test::writeFile(hold, "#!/bin/sh\n: > '" + held + "'\nwhile [ ! -e '" + go +
                                    "' ]; do sleep 0.01; done\n");
  std::filesystem::permissions(hold, std::filesystem::perms::owner_all);
  {
    const CRefPtr<ISaverSettings> saverKey = fileSaverKey();
    ASSERT_TRUE(saverKey);
    EXPECT_EQ(saverKey->SetString("ExternalCommand", hold.c_str()), 0);
    EXPECT_EQ(saverKey->SetBool("WaitForProcessing", true), 0);
  }
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  // The first picture's save waits for its program, the second picture is queued.
  ASSERT_TRUE(
      pumpUntil([&] { return std::filesystem::exists(held) && frame.SaveQueueLength() == 1; }, kPatience));
  m_answer = 2;
  EXPECT_FALSE(frame.close());
  ASSERT_FALSE(m_questions.empty());
  EXPECT_EQ(m_questions.back().toStdString(),
            "Tarsel is still saving pictures. Are you sure you want to quit?");
  tarsel::test::writeFile(go, "");
  // The queue empties when the save thread takes the last picture, before
  // that picture is written: wait for the files themselves.
  const auto files = [&] {
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root))
      count += entry.is_regular_file() ? 1 : 0;
    return count;
  };
  ASSERT_TRUE(
      pumpUntil([&] { return files() == 12u && frame.SaveQueueLength() == 0 && frame.PaneText(3).isEmpty(); },
                kPatience))
      << files() << " files";
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameVesk, AllCamerasTakesAreUploadedByTheFtpSaverWithTheCardsBytesAndNoPlainPassword) {
  // A new user chooses the FTP saver and fills in its Options page: a loopback
  // server, a root folder, a user and a password kept on this computer.
  tarsel::ftp::test::FtpTestServer server(m_folder.file("ftp-server"));
  ASSERT_NO_FATAL_FAILURE(uploadTakesTo(server, "tarsel"));

  CMainFrame& frame = startAndTakeFiveTimes();
  const auto uploaded = [&] { return filesBelow(server.Home().string()); };
  ASSERT_TRUE(pumpUntil(
      [&] { return uploaded().size() >= 10 && frame.SaveQueueLength() == 0 && frame.PaneText(3).isEmpty(); },
      kPatience))
      << uploaded().size() << " files uploaded; pane 3: " << frame.PaneText(3).toStdString()
      << "; errors: " << testing::PrintToString(m_errors);

  // Every picture is in its camera's folder below the root under its take's
  // counter, byte for byte the card's file of that take.
  EXPECT_EQ(uploaded(), expectFiveTakesSavedUnder((server.Home() / "pics").string()));
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // The settings on disk hold the server and user, never the password.
  const std::string store = readFile(std::string(std::getenv("TARSEL_REGISTRY_DIR")) + "/user.reg");
  EXPECT_NE(store.find("tarsel"), std::string::npos);
  EXPECT_EQ(store.find(tarsel::ftp::test::FtpTestServer::kPassword), std::string::npos);
}

TEST_F(MainFrameVesk, ClosingWhileTheFtpServerNeverConfirmsAnUploadEndsAtOnce) {
  tarsel::ftp::test::FtpTestServer server(m_folder.file("ftp-server"));
  ASSERT_NO_FATAL_FAILURE(uploadTakesTo(server, "mute"));
  CMainFrame& frame = startWithBothWindows();
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  // The first picture is sent and never confirmed.
  ASSERT_TRUE(pumpUntil([&] { return server.CommandLog().find("STOR ") != std::string::npos; }, kPatience))
      << server.CommandLog();
  m_answer = 1; // "OK" to closing while saving; to any other question: close without saving
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(frame.close());
  destroyFrame();
  // The program then unloads its savers, the FTP saver's session with them.
  m_savers.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  // Nothing more was sent: the queued picture went with the close.
  const std::string sent = server.CommandLog();
  EXPECT_EQ(sent.find("STOR ", sent.find("STOR ") + 1), std::string::npos) << sent;
}

TEST_F(MainFrameVesk, ACameraUnpluggedDuringAnAllCamerasTakeCostsTheOtherCameraNothing) {
  const std::string root = m_folder.file("saved");
  saveFilesUnder(root);
  CMainFrame& frame = startWithBothWindows();
  m_cardBefore["XC-701"] = cardFiles(*m_simulator, 0, m_folder.file("before"));
  ASSERT_TRUE(windowOf("XC-701"));
  const std::string folder = root + "/" + windowOf("XC-701")->CameraName().toStdString();

  // The second camera goes while its picture comes over; the folder's
  // watcher asks for a refresh while the first camera still works.
  ASSERT_EQ(m_simulator->control("fault 1 unplug opcode=0xC2 kind=6 skip=3").rfind("ok", 0), 0u);
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  ASSERT_TRUE(pumpUntil([&] { return m_takesEnded == 1 && frame.SaveQueueLength() == 0; }, kPatience));
  std::vector<std::string> added;
  for (const auto& [name, bytes] : cardFiles(*m_simulator, 0, m_folder.file("after")))
    if (!m_cardBefore["XC-701"].count(name))
      added.push_back(bytes);
  ASSERT_EQ(added.size(), 1u);
  // Written under a temporary name, the file gets its own when it is whole.
  // A second error already tells that the first camera lost its picture.
  const std::string saved = folder + "/shot001.JPG";
  pumpUntil([&] { return std::filesystem::exists(saved) || m_errors.size() > 1; }, kPatience);
  ASSERT_TRUE(std::filesystem::exists(saved)) << testing::PrintToString(m_errors);
  EXPECT_EQ(filesBelow(folder), std::set<std::string>{saved});
  EXPECT_TRUE(readFile(saved) == added.front()) << saved << " is not the card's file";
  EXPECT_EQ(m_errors.size(), 1u) << testing::PrintToString(m_errors);
}

namespace {

// The two cameras, each picture they erase from their cards kept by the
// simulator as a file.
class MainFrameVeskKept : public MainFrameVesk {
protected:
  std::string simulatorSetup() const override {
    std::filesystem::create_directories(keptFolder());
    // Busy times 1000 times as fast: the series is the test, not the capture times.
    return "kept = " + keptFolder() +
           "\nspeed = 1000\n[camera]\nmodel = XC-701\npictures = 1\n[camera]\nmodel = XC-702\npictures = 1\n";
  }
  std::string keptFolder() const { return m_folder.file("kept"); }
};

// The local wall-clock text of a UTC count, as a schedule line holds it.
std::string scheduleLine(std::int64_t time) {
  SYSTEMTIME st{};
  TarselFileTime(time).GetSysTime(st, true);
  char line[48];
  std::snprintf(line, sizeof line, "%04u-%02u-%02u %02u:%02u:%02u\r\n", unsigned{st.wYear},
                unsigned{st.wMonth}, unsigned{st.wDay}, unsigned{st.wHour}, unsigned{st.wMinute},
                unsigned{st.wSecond});
  return line;
}

} // namespace

TEST_F(MainFrameVeskKept, ATimeLapseSavesEveryPictureUnderItsCounterAndAScheduleTakesAtItsTimes) {
  // The file saver, with automatic saving after takes off: the series saves all the same.
  const std::string root = m_folder.file("saved");
  saveFilesUnder(root);
  setUserOption("AutoSaveAfterTaking", 0);
  CMainFrame& frame = startWithBothWindows();
  FakeClock clock;
  clock.now = tarsel::frame::test::utcTime(2026, 6, 1, 12, 0, 0);
  tarsel::frame::TimeLapseOptions options;
  options.clock = &clock;
  options.tick = std::chrono::milliseconds(2);
  const auto run = [&](int tab, int pictures, int counter, const std::string& schedule,
                       const std::vector<std::int64_t>& times) {
    CAutoTakePicturesDlg dialog(&frame, frame, options);
    dialog.show();
    const auto field = [&](int id) { return dialog.findChild<QSpinBox*>(tarsel::ui::ControlName(id)); };
    dialog.findChild<QTabBar*>(tarsel::ui::ControlName(CAutoTakePicturesDlg::IDC_TABS))->setCurrentIndex(tab);
    field(CAutoTakePicturesDlg::IDC_NUM_PICTURES)->setValue(pictures);
    field(CAutoTakePicturesDlg::IDC_INTERVAL)->setValue(1);
    field(CAutoTakePicturesDlg::IDC_COUNTER)->setValue(counter);
    dialog.findChild<QLineEdit*>(tarsel::ui::ControlName(CAutoTakePicturesDlg::IDC_SCHEDULE_FILE))
        ->setText(QString::fromStdString(schedule));
    dialog.findChild<QPushButton*>(tarsel::ui::ControlName(CAutoTakePicturesDlg::IDC_START))->click();
    for (const std::int64_t due : times) {
      // Nothing before its time; the picture at its time.
      const int before = m_simulator->picturesRead(0);
      ASSERT_EQ(dialog.NextTime(), due);
      clock.now = due - 10'000'000;
      tarsel::frame::test::pumpFor(std::chrono::milliseconds(20));
      ASSERT_EQ(m_simulator->picturesRead(0), before);
      clock.now = due;
      ASSERT_TRUE(pumpUntil([&] { return m_simulator->picturesRead(0) == before + 1 && !dialog.IsTaking(); },
                            kPatience));
    }
    for (int picture = 0; picture < pictures; ++picture)
      ASSERT_TRUE(moveClockToNextPicture(dialog, clock, kPatience));
    ASSERT_TRUE(pumpUntil([&] { return !dialog.isVisible(); }, kPatience));
    EXPECT_EQ(dialog.result(), 1);
  };
  // Five pictures a second apart, counter from 1.
  run(0, 5, 1, {}, {});
  // Then a schedule of three times, counter from 6.
  const std::vector<std::int64_t> times = {clock.now + 100'000'000, clock.now + 200'000'000,
                                           clock.now + 350'000'000};
  const std::string schedule = m_folder.file("times.txt");
  tarsel::test::writeFile(schedule, scheduleLine(times[0]) + scheduleLine(times[1]) + scheduleLine(times[2]));
  run(1, 0, 6, schedule, times);

  // Every picture is saved in its camera's folder under its counter, byte
  // for byte the picture the simulator took (and erased from its card).
  // The queue empties before its last picture is written: wait for the
  // files under their own names, not the one still written under a temporary name.
  const auto files = [&] {
    std::size_t count = 0;
    if (std::filesystem::exists(root))
      for (const std::string& path : filesBelow(root))
        count += std::filesystem::path(path).filename().string().rfind('.', 0) != 0;
    return count;
  };
  // A picture leaves its card once it is saved: wait for the erases too.
  const auto erasedCount = [&] {
    return std::distance(std::filesystem::directory_iterator(keptFolder()),
                         std::filesystem::directory_iterator());
  };
  ASSERT_TRUE(pumpUntil([&] { return files() >= 16 && frame.SaveQueueLength() == 0 && erasedCount() == 16; },
                        kPatience))
      << files() << " files, " << erasedCount() << " erased";
  std::set<std::string> expected;
  for (const auto& [model, slot] : kSlotOfModel) {
    CChildFrame* window = windowOf(model);
    ASSERT_TRUE(window) << model;
    std::vector<std::filesystem::path> taken;
    for (const auto& entry : std::filesystem::directory_iterator(keptFolder()))
      if (entry.path().filename().string().rfind(std::to_string(slot) + "-", 0) == 0)
        taken.push_back(entry.path());
    std::sort(taken.begin(), taken.end());
    ASSERT_EQ(taken.size(), 8u) << model;
    for (std::size_t i = 0; i < taken.size(); ++i) {
      const std::string path = root + "/" + window->CameraName().toStdString() + "/shot00" +
                               std::to_string(i + 1) + taken[i].extension().string();
      expected.insert(path);
      EXPECT_TRUE(readFile(path) == readFile(taken[i].string())) << path << " is not " << taken[i];
    }
  }
  EXPECT_EQ(filesBelow(root), expected);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

namespace {

// MainFrameVeskKept's cameras moving their pictures ("Leave picture in
// camera" off) with automatic saves after every take: whatever the save
// does, every picture a camera made is saved or still on its card.
class MainFrameVeskMovedPictures : public MainFrameVeskKept {
protected:
  void SetUp() override {
    MainFrameVeskKept::SetUp();
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetLeavePictureInCamera(false), 0);
    user->Release();
  }
  void TearDown() override {
    MainFrameVeskKept::TearDown();
    for (const std::string& mount : m_mounts)
      ::umount2(mount.c_str(), MNT_DETACH);
  }

  // A fresh frame saving below `root`, the cards' files noted, nothing erased yet.
  CMainFrame& restartSavingUnder(const std::string& root) {
    destroyFrame();
    m_savers.reset();
    m_takesEnded = 0;
    m_errors.clear();
    std::filesystem::remove_all(keptFolder());
    std::filesystem::create_directories(keptFolder());
    saveFilesUnder(root);
    CMainFrame& frame = startWithBothWindows();
    for (const auto& [model, slot] : kSlotOfModel)
      m_cardBefore[model] =
          cardFiles(*m_simulator, slot, m_folder.file("before-" + std::to_string(++m_dumps)));
    m_logBefore = errorLog().size();
    return frame;
  }

  // The names of the pictures a camera made that are still on its card.
  std::vector<std::string> newOnCard(const std::string& model) {
    std::vector<std::string> names;
    const auto files =
        cardFiles(*m_simulator, kSlotOfModel.at(model), m_folder.file("now-" + std::to_string(++m_dumps)));
    for (const auto& [name, bytes] : files)
      if (!m_cardBefore[model].count(name))
        names.push_back(name);
    return names;
  }

  // The erased pictures in erase order: (kept file name, bytes).
  std::vector<std::pair<std::string, std::string>> erased() const {
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(keptFolder()))
      paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    std::vector<std::pair<std::string, std::string>> pictures;
    for (const auto& path : paths)
      pictures.emplace_back(path.filename().string(), readFile(path.string()));
    return pictures;
  }

  // The bytes of the pictures saved below root (temporary names left out).
  static std::multiset<std::string> savedBytes(const std::string& root) {
    std::multiset<std::string> saved;
    std::error_code error;
    for (auto entry = std::filesystem::recursive_directory_iterator(root, error);
         !error && entry != std::filesystem::recursive_directory_iterator(); entry.increment(error))
      if (entry->is_regular_file() && entry->path().filename().string().rfind('.', 0) != 0)
        saved.insert(readFile(entry->path().string()));
    return saved;
  }

  // What the error log got since the frame started.
  std::string errorLog() const {
    return tarsel::test::readFile(std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt");
  }
  std::string newLogEntries() const { return errorLog().substr(std::min(m_logBefore, errorLog().size())); }
  static std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
      ++count;
    return count;
  }

  // Every erased picture is among the saved files, byte for byte; the count
  // of pictures made (on the cards and erased).
  std::size_t expectEveryPictureSavedOrOnItsCard(const std::string& root) {
    const std::multiset<std::string> saved = savedBytes(root);
    for (const auto& [name, bytes] : erased())
      EXPECT_TRUE(saved.count(bytes)) << name << " left its card unsaved";
    std::size_t made = erased().size();
    for (const auto& [model, slot] : kSlotOfModel)
      made += newOnCard(model).size();
    return made;
  }

  // A file system of its own at `folder` (root only); false when it cannot be mounted.
  bool mountTmpfs(const std::string& folder, const char* options) {
    std::filesystem::create_directories(folder);
    if (::geteuid() != 0 || ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options) != 0)
      return false;
    m_mounts.push_back(folder);
    return true;
  }

  std::vector<std::string> m_mounts;
  std::size_t m_logBefore = 0;
};

} // namespace

TEST_F(MainFrameVeskMovedPictures, SavesFailingOnAnyTargetLeaveEveryPictureOnItsCardTellOnceAndLogEach) {
  struct Target {
    const char* what;
    // The root folder, or empty when this machine cannot make the target.
    std::function<std::string()> make;
    bool everySaveFails;
  };
  const std::vector<Target> targets = {
      {"a folder below a plain file",
       [&] {
         tarsel::test::writeFile(m_folder.file("plain"), "x");
         return m_folder.file("plain") + "/saved";
       },
       true},
      {"a read-only folder",
       [&] {
         const std::string folder = m_folder.file("read-only");
         // Permissions do not stop root: a read-only file system does.
         if (::geteuid() == 0)
           return mountTmpfs(folder, "ro,size=1m") ? folder : std::string();
         std::filesystem::create_directories(folder);
         std::filesystem::permissions(folder, std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_exec);
         return folder;
       },
       true},
      {"a full file system",
       [&] { return mountTmpfs(m_folder.file("full"), "size=64k") ? m_folder.file("full") : std::string(); },
       false},
  };
  for (const Target& target : targets) {
    SCOPED_TRACE(target.what);
    const std::string root = target.make();
    if (root.empty()) {
      std::cout << "[  SKIPPED ] " << target.what << ": cannot be made here\n";
      continue;
    }
    CMainFrame& frame = restartSavingUnder(root);
    for (int take = 0; take < 3; ++take)
      ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
    // Each of the six pictures is either saved and erased, or logged as not saved.
    ASSERT_TRUE(pumpUntil(
        [&] {
          return m_takesEnded == 3 && frame.SaveQueueLength() == 0 &&
                 countOf(newLogEntries(), "A picture could not be saved") + erased().size() == 6;
        },
        kPatience))
        << newLogEntries();
    EXPECT_EQ(expectEveryPictureSavedOrOnItsCard(root), 6u);
    const std::string log = newLogEntries();
    if (target.everySaveFails) {
      EXPECT_EQ(erased().size(), 0u);
      EXPECT_EQ(countOf(log, "A picture could not be saved"), 6u) << log;
      // One box for the run, naming the folder.
      ASSERT_EQ(m_errors.size(), 1u) << testing::PrintToString(m_errors);
      EXPECT_NE(m_errors.front().find(root), std::string::npos) << m_errors.front();
    } else {
      EXPECT_LE(m_errors.size(), countOf(log, "A picture could not be saved"));
    }
    for (const auto& [model, slot] : kSlotOfModel) {
      CChildFrame* window = windowOf(model);
      ASSERT_TRUE(window);
      // The pictures are on the cards: closing has nothing to ask about.
      EXPECT_FALSE(window->HasUnsavedPictures()) << model;
      if (!newOnCard(model).empty()) {
        EXPECT_NE(log.find("Camera: " + window->CameraName().toStdString()), std::string::npos) << model;
      }
    }
    if (target.everySaveFails) {
      for (const char* picture : {"Picture: shot001", "Picture: shot002", "Picture: shot003"})
        EXPECT_EQ(countOf(log, picture), 2u) << picture << " in " << log;
    }
    EXPECT_EQ(countOf(log, "Target: " + root), countOf(log, "A picture could not be saved")) << log;
  }
}

TEST_F(MainFrameVeskMovedPictures, ALaterTakeQueuedWhileTheSaveRunsIsNeverTheOneErased) {
  // Each save waits for its post-processing program, which waits for its own
  // "go" file: the test lets the saves end one at a time.
  const std::string root = m_folder.file("saved");
  const std::string gate = m_folder.file("gate.sh");
  tarsel::test::writeFile(gate, "#!/bin/sh\ncd '" + m_folder.path() +
                                    "'\nn=$(( $(cat count 2>/dev/null || echo 0) + 1 ))\necho $n > count\n"
                                    ": > held-$n\nwhile [ ! -e go-$n ]; do sleep 0.01; done\n");
  std::filesystem::permissions(gate, std::filesystem::perms::owner_all);
  CMainFrame& frame = restartSavingUnder(root);
  {
    const CRefPtr<ISaverSettings> saverKey = fileSaverKey();
    ASSERT_TRUE(saverKey);
    EXPECT_EQ(saverKey->SetString("ExternalCommand", gate.c_str()), 0);
    EXPECT_EQ(saverKey->SetBool("WaitForProcessing", true), 0);
  }
  setUserOption("AutoSaveAfterTakingSingle", 1);
  CChildFrame* window = windowOf("XC-701");
  ASSERT_TRUE(window);
  window->ActivateInMdiClient();
  const auto take = [&](int pictures) {
    ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
    ASSERT_TRUE(
        pumpUntil([&] { return m_simulator->picturesRead(0) == pictures && !window->IsBusy(); }, kPatience));
  };
  take(1);
  ASSERT_TRUE(pumpUntil([&] { return std::filesystem::exists(m_folder.file("held-1")); }, kPatience));
  const std::vector<std::string> first = newOnCard("XC-701");
  ASSERT_EQ(first.size(), 1u);
  // The second picture is taken and queued while the first one's save runs.
  take(2);
  std::vector<std::string> both = newOnCard("XC-701");
  ASSERT_EQ(both.size(), 2u);
  both.erase(std::find(both.begin(), both.end(), first.front()));
  const std::string later = both.front();
  EXPECT_TRUE(erased().empty());

  // The first save ends: its picture, and only it, leaves the card, while
  // the second save waits.
  tarsel::test::writeFile(m_folder.file("go-1"), "");
  ASSERT_TRUE(pumpUntil(
      [&] { return erased().size() == 1 && std::filesystem::exists(m_folder.file("held-2")); }, kPatience));
  EXPECT_NE(erased().front().first.find(first.front()), std::string::npos) << erased().front().first;
  EXPECT_EQ(newOnCard("XC-701"), std::vector<std::string>{later});

  tarsel::test::writeFile(m_folder.file("go-2"), "");
  ASSERT_TRUE(pumpUntil([&] { return erased().size() == 2; }, kPatience));
  EXPECT_NE(erased().back().first.find(later), std::string::npos) << erased().back().first;
  EXPECT_TRUE(newOnCard("XC-701").empty());
  EXPECT_EQ(expectEveryPictureSavedOrOnItsCard(root), 2u);
  EXPECT_EQ(savedBytes(root).size(), 2u);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

namespace {

// Two cameras of one model, so that a profile of one fits the other.
class MainFrameVeskTwins : public MainFrameVesk {
protected:
  std::string simulatorSetup() const override {
    return "speed = 1000\n[camera]\nmodel = XC-701\n[camera]\nmodel = XC-701\n";
  }

  // The capture settings as the simulated camera holds them: registers
  // (resolution, flash, white balance, focus mode, metering, ISO, focus
  // position) and data objects (exposure bias, optical zoom, exposure).
  std::string settingsOf(int slot) const {
    std::string dump;
    const std::string camera = std::to_string(slot) + " ";
    for (int reg : {1, 7, 20, 33, 70, 85, 103})
      dump += m_simulator->control("get " + camera + std::to_string(reg)) + "; ";
    for (int object : {69, 71, 102})
      dump += m_simulator->control("object " + camera + std::to_string(object)) + "; ";
    return dump;
  }

  CChildFrame* windowNamed(const QString& name) const {
    for (CChildFrame* window : m_frame->CameraWindows())
      if (window->CameraName() == name)
        return window;
    return nullptr;
  }
};

} // namespace

TEST_F(MainFrameVeskTwins, AProfileSavedFromOneCameraGivesTheOtherItsSettingsByCommandAndAtStartUp) {
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  CMainFrame& frame = start(options);
  ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 2; }, kPatience));
  CChildFrame* first = windowNamed("XC-701 camera 0");
  CChildFrame* second = windowNamed("XC-701 camera 1");
  ASSERT_TRUE(first && second);

  // The first camera's settings made unlike the defaults.
  const std::string settings = std::string("PROGRAMMODE=Manual") + '\0' + "APERTURE=5.6" + '\0' +
                               "EXPOSURETIME=1/250" + '\0' + "FLASH=Off" + '\0' + "WHITEBALANCE=Tungsten" +
                               '\0' + "METERING=Spot" + '\0' + "ISOSPEED=200" + '\0' + '\0';
  ASSERT_EQ(first->GetCamera()->ApplyKeywordSettings(settings.c_str()), 0);
  for (const char* command : {"set 0 1 5", "set 0 33 3", "set 0 103 57"})
    ASSERT_EQ(m_simulator->control(command), "ok");
  const std::string wanted = settingsOf(0);
  ASSERT_NE(settingsOf(1), wanted);

  // "Save Capture Settings..." in the first window, "Load Capture Settings..." in the second.
  // The open dialog starts in the folder of the file saved (no suffix given: ".cpff" is added).
  const std::string profile = m_folder.file("first.cpff");
  QString started;
  first->ActivateInMdiClient();
  chooseInFileDialog(m_folder.file("first"), &started);
  ASSERT_TRUE(frame.RunCommand(cmd::SaveCaptureSettings));
  ASSERT_TRUE(std::filesystem::exists(profile));
  second->ActivateInMdiClient();
  chooseInFileDialog(profile, &started);
  ASSERT_TRUE(frame.RunCommand(cmd::LoadCaptureSettings));
  EXPECT_EQ(started.toStdString(), m_folder.path());
  EXPECT_EQ(settingsOf(1), wanted);
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // The second camera changed again; a new start with the profile named for it on the command line.
  for (const char* command : {"set 1 7 0", "set 1 1 9", "set 1 33 2"})
    ASSERT_EQ(m_simulator->control(command), "ok");
  ASSERT_NE(settingsOf(1), wanted);
  destroyFrame();
  options.arguments = {"Tarsel", QString::fromStdString("-CPFF=\"" + profile + "\":\"XC-701 camera 1\"")};
  CMainFrame& again = start(options);
  ASSERT_TRUE(pumpUntil([&] { return again.CameraWindows().size() == 2; }, kPatience));
  EXPECT_EQ(settingsOf(1), wanted);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

namespace {

// The two cameras with the daemon's request log, so that the preview frames
// each camera took (action 5 on its device) can be counted.
class MainFrameVeskPreview : public MainFrameVesk {
protected:
  std::string simulatorSetup() const override {
    return "log = " + requestLog() + "\n" + MainFrameVesk::simulatorSetup();
  }

  std::string requestLog() const { return m_folder.file("requests.log"); }

  // Preview frames the camera of `slot` has taken so far.
  int previewFrames(int slot) const {
    const std::string device = " dev" + std::to_string(slot) + " ";
    std::istringstream log(readFile(requestLog()));
    int frames = 0;
    for (std::string line; std::getline(log, line);)
      frames += line.find(device) != std::string::npos && line.find(" kind=2 no=5 ") != std::string::npos;
    return frames;
  }

  // What exiftool prints for the tags, one line each.
  static std::vector<std::string> exifToolValues(const std::string& path,
                                                 const std::vector<std::string>& tags) {
    std::vector<std::string> argv = {"exiftool", "-f", "-s3"};
    argv.insert(argv.end(), tags.begin(), tags.end());
    argv.push_back(path);
    std::istringstream out(tarsel::test::runProgram(argv).out);
    std::vector<std::string> values;
    for (std::string line; std::getline(out, line);)
      values.push_back(line);
    return values;
  }
};

std::string trimmed(std::string text) {
  while (!text.empty() && text.back() == ' ')
    text.pop_back();
  return text;
}

} // namespace

TEST_F(MainFrameVeskPreview, ThePreviewFollowsTheActiveCameraPausesForATakeAndStopsWhenClosed) {
  CMainFrame& frame = startWithBothWindows();
  QPointer<CChildFrame> first = windowOf("XC-701");
  QPointer<CChildFrame> second = windowOf("XC-702");
  ASSERT_TRUE(first && second);
  m_cardBefore["XC-702"] = cardFiles(*m_simulator, 1, m_folder.file("before"));

  // The preview of the first camera shows its frames under its name.
  first->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::ShowPreview));
  QPointer<CPreviewWnd> preview = frame.PreviewWindow();
  ASSERT_TRUE(preview);
  ASSERT_TRUE(pumpUntil([&] { return preview->isVisible() && preview->FramesPainted() >= 2; }, kPatience));
  EXPECT_EQ(preview->windowTitle(), first->CameraName());
  EXPECT_EQ(preview->size(), QSize(320, 240));
  EXPECT_EQ(previewFrames(1), 0);

  // Switched to the second camera, the preview follows it and the first
  // camera takes no more preview frames.
  second->ActivateInMdiClient();
  ASSERT_TRUE(
      pumpUntil([&] { return preview && preview->Owner() == second && previewFrames(1) >= 2; }, kPatience));
  EXPECT_EQ(preview->windowTitle(), second->CameraName());
  const int firstFrames = previewFrames(0);
  const std::uint64_t painted = preview->FramesPainted();
  ASSERT_TRUE(pumpUntil([&] { return preview->FramesPainted() >= painted + 2; }, kPatience));
  EXPECT_EQ(previewFrames(0), firstFrames);

  // A take while the preview runs: the picture is the card's new file,
  // whole, and the preview goes on afterwards.
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return second->GetHost()->GetPictureCount() == 1 && !second->IsBusy(); }, kPatience));
  expectPicturesAreTheNewCardFiles(second, "XC-702");
  const std::uint64_t afterTake = preview->FramesPainted();
  ASSERT_TRUE(pumpUntil([&] { return preview && preview->FramesPainted() >= afterTake + 2; }, kPatience));
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // The picture shows its shooting information beside it, as exiftool
  // reads it from the card's file.
  CPicInfoDisplayBase* panel = second->View()->Overlay();
  ASSERT_TRUE(panel);
  EXPECT_GT(panel->GetWidth(), 0);
  EXPECT_GT(panel->GetHeight(), 0);
  std::string card;
  for (const auto& [name, bytes] : cardFiles(*m_simulator, 1, m_folder.file("after")))
    if (!m_cardBefore["XC-702"].count(name))
      card = m_folder.file("after/" + name);
  ASSERT_FALSE(card.empty());
  IPictureFromCamera* shown = second->GetHost()->GetPicture(-1);
  ASSERT_TRUE(shown);
  const BYTE* block = nullptr;
  DWORD size = 0;
  bool copied = false;
  ASSERT_TRUE(shown->GetExifBlock(&block, &size, &copied) && block && size > 0);
  std::optional<CPictureInfoExif> texts;
  {
    CTiffBuffer buffer(block, size);
    buffer.Parse();
    texts.emplace(&buffer);
  }
  if (copied)
    delete[] block;
  std::string exposure, aperture, metering, iso, dimensions, focal;
  texts->GetExposureTimeText(&exposure);
  texts->GetApertureText(&aperture);
  texts->GetMeteringModeText(&metering);
  texts->GetIsoText(&iso);
  texts->GetDimensionsText(&dimensions);
  texts->GetFocalLengthText(&focal);
  const auto tool = exifToolValues(card, {"-ExposureTime", "-FNumber", "-MeteringMode", "-ISO",
                                          "-ExifImageWidth", "-ExifImageHeight", "-FocalLength"});
  ASSERT_EQ(tool.size(), 7u);
  EXPECT_EQ(exposure, tool[0] + " sec");
  EXPECT_EQ(trimmed(aperture), tool[1]);
  EXPECT_EQ(metering, tool[2]);
  EXPECT_EQ(iso, tool[3]);
  EXPECT_EQ(dimensions, tool[4] + "x" + tool[5]);
  // The panel writes the number as "%-4.1f".
  std::string millimetres = tool[6].substr(0, tool[6].find(' '));
  millimetres.resize(std::max<std::size_t>(millimetres.size(), 4), ' ');
  EXPECT_EQ(focal, millimetres + " mm");

  // Closed, the preview window goes and the camera takes no more frames.
  ASSERT_TRUE(frame.RunCommand(cmd::ShowPreview));
  ASSERT_TRUE(pumpUntil([&] { return !frame.PreviewWindow(); }, kPatience));
  const int secondFrames = previewFrames(1);
  pumpUntil([] { return false; }, 200ms); // time for a frame that should not come
  EXPECT_EQ(previewFrames(1), secondFrames);
  EXPECT_EQ(previewFrames(0), firstFrames);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

// The main frame with cameras of all three families at once, as a studio
// runs them: two camera-link cameras of vesk-simd, the ActiveX family's
// camera on the camera simulator's USB stand-in (the control of the build
// registered in a class folder of the test's own) and the Canon camera of the
// SDK stand-in. "All Cameras Take Picture" fills every window and the file
// saver saves each camera's picture byte for byte as its simulator made it;
// a camera of any family unplugged during the take costs only its own
// picture, and one error box gives its failure.
#include "MainFrameTestSupport.h"

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/saving/SaveDllList.h"
#include "app/testsupport/VeskSimulator.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/cdsdk/CdSimControl.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QCryptographicHash>

#include <dlfcn.h>

#include <deque>
#include <filesystem>
#include <map>
#include <optional>
#include <thread>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
using tarsel::test::readFile;
namespace cmd = tarsel::frame::cmd;

namespace {

constexpr auto kPatience = 60s;
const char* const kVanticName = "Studio Vantic";
const char* const kCanonName = "Owner (Sim Camera A)";
// The camera-link cameras by name, with their simulator slots.
const std::map<std::string, int> kVeskSlots = {{"XC-701 camera 0", 0}, {"XC-702 camera 1", 1}};

enum class Family { CameraLink, ActiveX, Canon };

std::string sha256(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

class MainFrameAllFamilies : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    if (!tarsel::vantic::test::SimProcess::pythonAvailable())
      GTEST_SKIP() << "the camera simulator cannot run here";
    // Camera-link.
    tarsel::frame::test::useVeskModels({"XC-701", "XC-702"});
    m_vesk = std::make_unique<tarsel::test::VeskSimulator>(
        binDir() + "/vesk-simd", m_folder.path(),
        "speed = 20\n[camera]\nmodel = XC-701\npictures = 0\n[camera]\nmodel = XC-702\npictures = 0\n");
    ASSERT_TRUE(m_vesk->ready());
    m_env.emplace_back("VESK_DEVICE_DIR", m_vesk->deviceFolder());
    // ActiveX.
    tarsel::test::writeFile(m_folder.file("vantic.json"),
                            std::string(R"({"picture_count": 0, "picture_size": 30000, "texts": {"22": ")") +
                                kVanticName + R"(", "27": "VC320"}})");
    m_vantic = std::make_unique<tarsel::vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", m_folder.file("usb.sock"), "--time-scale", "0", "--config", m_folder.file("vantic.json")});
    ASSERT_TRUE(m_vantic->ready());
    m_env.emplace_back("TARSEL_VANTIC_USB", "sim:" + m_vantic->endpoint());
    for (const char* name :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      m_env.emplace_back(name, m_folder.file("no-tty"));
    std::filesystem::create_directories(m_folder.file("com"));
    m_env.emplace_back("TARSEL_COM_PATH", m_folder.file("com"));
    ASSERT_EQ(tarsel::test::runProgram({binDir() + "/tarselregsvr", binDir() + "/libLunet.so"}).exitCode, 0);
    GetLunetSdkWrapper(settings())->SaveCameraSelection("on");
    // Canon.
    const std::string library = binDir() + "/libCDSDK.so";
    m_canonLibrary = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_canonLibrary, nullptr) << dlerror();
    m_canon = std::make_unique<tarsel::cdsim::CdSimControls>(m_canonLibrary);
    ASSERT_TRUE(m_canon->ok);
    ASSERT_EQ(m_canon->reset("[camera]\n"), 0);
    m_env.emplace_back("TARSEL_CDSDK", library);
    // Every picture stays on its camera and is saved by the file saver after the take.
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetLeavePictureInCamera(true), 0);
    EXPECT_EQ(user->SetAutoSaveAfterTaking(true), 0);
    EXPECT_EQ(user->SetLastMethodOfSaving("File"), 0);
    EXPECT_EQ(user->SetCamNameUse(1), 0);
    user->Release();
    ISaverSettings* key = nullptr;
    ASSERT_EQ(settings()->GetSaverSettings("FILE", &key, false), 0);
    EXPECT_EQ(key->SetString("RootDir", root().c_str()), 0);
    key->Release();
    m_savers = std::make_unique<CSaveDllList>(0, binDir());
  }

  void TearDown() override {
    if (m_unplugger.joinable())
      m_unplugger.join();
    FrameTest::TearDown();
    m_savers.reset();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    if (m_canon) {
      EXPECT_EQ(m_canon->problemsText(), "") << m_canon->logText();
      m_canon.reset();
    }
    if (m_canonLibrary)
      dlclose(m_canonLibrary);
    m_vantic.reset();
  }

  std::string root() const { return m_folder.file("saved"); }

  // Starts the frame and waits for the four cameras' windows.
  CMainFrame& startWithEveryCamera() {
    MainFrameOptions options = optionsFor({});
    options.makeDeviceWatcher = {};
    options.savers = m_savers.get();
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 4; }, kPatience));
    for (const auto& [name, slot] : kVeskSlots)
      m_cardBefore[name] = cardFiles(slot, "before");
    return frame;
  }

  std::map<std::string, std::string> cardFiles(int slot, const std::string& when) {
    const std::string folder = m_folder.file("card" + std::to_string(slot) + "-" + when);
    EXPECT_EQ(m_vesk->control("dump " + std::to_string(slot) + " " + folder).rfind("ok", 0), 0u);
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = readFile(entry.path().string());
    return files;
  }

  // The sha256 of the picture each camera made in the take, by camera name.
  std::map<std::string, std::string> picturesTaken() {
    std::map<std::string, std::string> taken;
    for (const auto& [name, slot] : kVeskSlots)
      for (const auto& [file, bytes] : cardFiles(slot, "after"))
        if (!m_cardBefore[name].count(file))
          taken[name] = sha256(bytes);
    if (m_vantic && m_vantic->picture(1)["exists"].boolean)
      taken[kVanticName] = m_vantic->picture(1)["sha256"].text;
    std::string bytes(m_canon->payload(0, 0, nullptr, 0), '\0');
    m_canon->payload(0, 0, bytes.data(), bytes.size());
    if (!bytes.empty())
      taken[kCanonName] = sha256(bytes);
    return taken;
  }

  // The sha256 of the one file saved in each camera's folder, by camera
  // name; "several files" where a folder holds more.
  std::map<std::string, std::string> picturesSaved() const {
    std::map<std::string, std::string> saved;
    std::error_code ec;
    for (const auto& folder : std::filesystem::directory_iterator(root(), ec))
      for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
        std::string& entry = saved[folder.path().filename().string()];
        entry = entry.empty() ? sha256(readFile(file.path().string())) : "several files";
      }
    return saved;
  }

  // Every window but the named one holds one picture, the one its camera made.
  void expectEveryWindowButHoldsItsCamerasPicture(CMainFrame& frame, const std::string& lost,
                                                  const std::map<std::string, std::string>& taken) {
    for (CChildFrame* window : frame.CameraWindows()) {
      const std::string name = window->CameraName().toStdString();
      if (name == lost)
        continue;
      ASSERT_EQ(window->GetHost()->GetPictureCount(), 1) << name;
      IPictureFromCamera* picture = window->GetHost()->GetPicture(0);
      const std::string bytes(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize());
      EXPECT_EQ(sha256(bytes), taken.count(name) ? taken.at(name) : "no picture") << name;
    }
  }

  void takeWith(std::optional<Family> unplugged);

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::test::VeskSimulator> m_vesk;
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_vantic;
  void* m_canonLibrary = nullptr;
  std::unique_ptr<tarsel::cdsim::CdSimControls> m_canon;
  std::deque<tarsel::test::ScopedEnv> m_env;
  std::unique_ptr<CSaveDllList> m_savers;
  std::map<std::string, std::map<std::string, std::string>> m_cardBefore;
  std::thread m_unplugger;
};

} // namespace

// One all-cameras take, with the camera of `unplugged` pulled during it:
// every other camera's picture must be in its window and saved, and one
// error box must give the lost camera's failure; without one, all four and
// no box.
void MainFrameAllFamilies::takeWith(std::optional<Family> unplugged) {
  CMainFrame& frame = startWithEveryCamera();
  std::string lost;
  // What the lost camera's family reports (its error facility).
  std::string failure;
  switch (unplugged.value_or(Family::CameraLink)) {
  case Family::CameraLink:
    if (!unplugged)
      break;
    // The second camera goes while its picture comes over.
    lost = "XC-702 camera 1";
    failure = "(0x8104";
    ASSERT_EQ(m_vesk->control("fault 1 unplug opcode=0xC2 kind=6 skip=3").rfind("ok", 0), 0u);
    break;
  case Family::ActiveX:
    // The camera stops answering once its picture is asked for; the
    // simulator ends (the cable pulled) when the others' pictures are saved.
    lost = kVanticName;
    failure = "(0x8103";
    m_vantic->fault("silence@reg=14");
    break;
  case Family::Canon:
    // Pulled as soon as the shutter was released; one byte per write keeps
    // the transfer going long enough to be cut.
    lost = kCanonName;
    failure = "(0x8107";
    m_canon->setChunking(1);
    m_unplugger = std::thread([controls = m_canon.get()] {
      CdSimStats stats{};
      for (int i = 0; i < 600000 && stats.releases == 0; ++i) {
        controls->stats(&stats);
        std::this_thread::sleep_for(100us);
      }
      controls->unplug(0);
    });
    break;
  }
  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  if (unplugged == Family::ActiveX) {
    ASSERT_TRUE(pumpUntil([&] { return picturesSaved().size() == 3; }, kPatience));
    m_vantic.reset();
  }
  ASSERT_TRUE(pumpUntil([&] { return m_takesEnded == 1 && frame.SaveQueueLength() == 0; }, kPatience));
  auto taken = picturesTaken();
  taken.erase(lost);
  ASSERT_EQ(taken.size(), lost.empty() ? 4u : 3u) << testing::PrintToString(taken);
  expectEveryWindowButHoldsItsCamerasPicture(frame, lost, taken);
  ASSERT_TRUE(pumpUntil([&] { return picturesSaved() == taken; }, kPatience))
      << testing::PrintToString(picturesSaved());
  ASSERT_EQ(m_errors.size(), lost.empty() ? 0u : 1u) << testing::PrintToString(m_errors);
  EXPECT_TRUE(lost.empty() || m_errors.front().find(failure) != std::string::npos) << m_errors.front();
}

TEST_F(MainFrameAllFamilies, AllCamerasTakePictureFillsEveryWindowAndSavesEachCamerasOwnBytes) {
  takeWith(std::nullopt);
}

TEST_F(MainFrameAllFamilies, ACameraLinkCameraUnpluggedDuringTheTakeCostsOnlyItsOwnPicture) {
  takeWith(Family::CameraLink);
}

TEST_F(MainFrameAllFamilies, TheActiveXCameraUnpluggedDuringTheTakeCostsOnlyItsOwnPicture) {
  takeWith(Family::ActiveX);
}

TEST_F(MainFrameAllFamilies, TheCanonCameraUnpluggedDuringTheTakeCostsOnlyItsOwnPicture) {
  takeWith(Family::Canon);
}

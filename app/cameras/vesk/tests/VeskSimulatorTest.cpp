// The camera object over the real camera-link library, loaded at run time,
// and the vesk-simd daemon's cameras: takes, transfers, the card afterwards,
// bypassing the card, and a camera unplugged in the middle of a transfer.
#include "VeskTestSupport.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::test::LogHome;

namespace {

// The simulator daemon on a folder of its own, until destroyed.
class Daemon {
public:
  explicit Daemon(std::vector<std::string> options,
                  std::chrono::seconds startLimit = std::chrono::seconds(60)) {
    std::vector<std::string> argv = {program(), "--dir", m_dir.path(), "--speed", "1000"};
    argv.insert(argv.end(), options.begin(), options.end());
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    if (::posix_spawn(&m_pid, args[0], nullptr, nullptr, args.data(), environ) != 0)
      m_pid = -1;
    const auto limit = std::chrono::steady_clock::now() + startLimit;
    while (m_pid > 0 && !ready() && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~Daemon() {
    if (m_pid <= 0)
      return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
  }
  bool ready() const { return std::filesystem::exists(m_dir.file("BrantelVesk")); }
  const std::string& dir() const { return m_dir.path(); }

  // One control command; its answer after "ok ".
  std::string control(const std::vector<std::string>& command) {
    std::vector<std::string> argv = {program(), "ctl", "--dir", m_dir.path()};
    argv.insert(argv.end(), command.begin(), command.end());
    std::string out = tarsel::test::runProgram(argv).out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
      out.pop_back();
    EXPECT_EQ(out.rfind("ok", 0), 0u) << out;
    return out.size() > 3 ? out.substr(3) : std::string();
  }
  int pictures(int slot) { return std::stoi(control({"pictures", std::to_string(slot)})); }

private:
  static std::string program() { return tarsel::test::binDir() + "/vesk-simd"; }
  TempDir m_dir;
  pid_t m_pid = -1;
};

void setRegistryValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key, &disposition),
            0);
  ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
  RegCloseKey(key);
}

// The library over the daemon, with the program's settings; camera 0 initialised.
class SimulatedCamera : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(daemon.ready());
    const std::string types = "XC-701,XC-702,KT-300";
    setRegistryValue("Software\\Brantel\\Vesk\\SupportedCamera", "Type_S", REG_SZ, types.c_str(),
                     static_cast<DWORD>(types.size() + 1));
    const DWORD bypass = bypassMedia();
    setRegistryValue("SOFTWARE\\drevant\\Tarsel\\Options\\SDK\\BRANTEL_SDK3.4", "BypassMedia", REG_DWORD,
                     &bypass, sizeof bypass);
    // The library first: making the family's SDK object initialises it.
    LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
    GetVeskSdkWrapper(new CTarselSettings);
    ASSERT_EQ(VeskInitControl(), 0);
    ASSERT_EQ(VeskGetPropCameraCount(), 1);
    camera = std::make_unique<CVeskDllWr>(0);
    ASSERT_EQ(camera->InitCameraObject(nullptr, nullptr), 0);
  }
  void TearDown() override {
    camera.reset();
    ReleaseVeskSdkWrapper();
    FreeVeskDll();
  }
  virtual DWORD bypassMedia() const { return 0; }

  HRESULT transfer(CPictureFromCamera* picture, std::uint32_t flags) {
    try {
      return camera->TransferPicture(picture, flags);
    } catch (const _brantel_take_error& error) {
      return error.Error();
    }
  }

  LogHome home;
  Daemon daemon{{"--cameras", "1", "--pictures", "2"}};
  ScopedEnv deviceDir{"VESK_DEVICE_DIR", daemon.dir()};
  std::unique_ptr<CVeskDllWr> camera;
};

class BypassingCamera : public SimulatedCamera {
protected:
  DWORD bypassMedia() const override { return 1; }
};

std::string bytesOf(CPictureFromCamera& picture) {
  const auto data = picture.GetDataSnapshot();
  return data ? std::string(data->begin(), data->end()) : std::string();
}

} // namespace

TEST_F(SimulatedCamera, TakenPictureArrivesByteForByteThenIsKeptOrErased) {
  EXPECT_STREQ(camera->GetCameraId(), "XC-701");
  ASSERT_EQ(camera->Capture(0, false), 0);
  ASSERT_EQ(daemon.pictures(0), 3);
  TempDir card;
  daemon.control({"dump", "0", card.path()});

  CRefPtr<CPictureFromCamera> kept(new CPictureFromCamera);
  ASSERT_EQ(transfer(kept.get(), 1 | 2), 0);
  ASSERT_TRUE(std::filesystem::exists(card.file(kept->GetFileName()))) << kept->GetFileName();
  EXPECT_TRUE(bytesOf(*kept) == tarsel::test::readFile(card.file(kept->GetFileName())));
  EXPECT_EQ(daemon.pictures(0), 3);

  CRefPtr<CPictureFromCamera> erased(new CPictureFromCamera);
  ASSERT_EQ(transfer(erased.get(), 0), 0);
  EXPECT_TRUE(bytesOf(*erased) == bytesOf(*kept));
  EXPECT_EQ(daemon.pictures(0), 2);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(SimulatedCamera, UnpluggedDuringTheTransferLeavesThePictureOnTheCard) {
  ASSERT_EQ(camera->Capture(0, false), 0);
  ASSERT_EQ(daemon.pictures(0), 3);
  daemon.control({"fault", "0", "unplug", "opcode=0xC2", "kind=6", "number=14", "skip=1"});
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  EXPECT_EQ(transfer(picture.get(), 0), static_cast<HRESULT>(0x8104001Au));
  EXPECT_EQ(picture->GetDataSnapshot(), nullptr);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 1) << home.log();
  daemon.control({"plug", "0"});
  EXPECT_EQ(daemon.pictures(0), 3);
}

TEST_F(BypassingCamera, CaptureSkipsTheCardAndTheRecordIsRestored) {
  ASSERT_EQ(camera->Capture(0, false), 0);
  EXPECT_EQ(camera->GetCaptureRecord()[0], 2);
  EXPECT_EQ(daemon.pictures(0), 2);
  CRefPtr<CPictureFromCamera> picture(new CPictureFromCamera);
  ASSERT_EQ(transfer(picture.get(), 0), 0);
  const std::string bytes = bytesOf(*picture);
  ASSERT_GT(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(daemon.pictures(0), 2);
  EXPECT_EQ(camera->GetCaptureRecord()[0], 0);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
}

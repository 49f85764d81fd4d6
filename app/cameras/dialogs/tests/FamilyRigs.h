// The camera families that offer the shared dialogs, each as a rig for the
// dialogs' typed tests: it starts the family's simulator, makes the family's
// camera object over it and tells what a scenario needs to know of that
// camera as the simulator keeps it (its ID, its clock, its card).
//
// CameraLink: the camera-link library of the build against one vesk-simd
// XC-701 with three pictures (busy times 20 times as fast). ActiveX: the
// control of the build, registered in a class folder of the test's own,
// against the camera simulator's USB camera "Bench left" with three pictures.
#pragma once

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/CamStorageDir.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QByteArray>
#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <ctime>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace tarsel::dialogs::test {

// A picture on the camera's card: its camera file name and the SHA-256 of
// its bytes (hex).
struct CardFile {
  std::string name;
  std::string sha256;
  bool operator==(const CardFile&) const = default;
};

inline std::string sha256Hex(const std::string& bytes) {
  return QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
      .toHex()
      .toStdString();
}

class CameraLinkRig {
public:
  static constexpr const char* kName = "CameraLink";
  static constexpr const char* kModel = "XC-701";
  static constexpr const char* kFirstId = "XC-701 camera 0";
  // The camera keeps its clock as the local wall-clock time's seconds: the
  // clock at 1000000000 shows 01:46:40 in any zone (and runs fast).
  static constexpr const char* kTimeOfClock1000000000 = "01:4";
  static std::string defaultConfig() { return "pictures = 3\n"; }

  // Starts the simulator with `cameraLines` for its camera and makes camera 0.
  void start(tarsel::test::TempDir& folder, const std::string& cameraLines, ITarselSettings* settings) {
    m_simulator =
        std::make_unique<tarsel::test::VeskSimulator>(tarsel::test::binDir() + "/vesk-simd", folder.path(),
                                                      "speed = 20\n[camera]\nmodel = XC-701\n" + cameraLines);
    ASSERT_TRUE(m_simulator->ready());
    m_folder = &folder;
    m_devices.emplace_back("VESK_DEVICE_DIR", m_simulator->deviceFolder());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              0);
    RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(kModel), 7);
    RegCloseKey(key);
    // The library first: making the family's SDK object initialises it.
    LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
    m_loaded = true;
    GetVeskSdkWrapper(settings);
    ASSERT_EQ(VeskInitControl(), 0);
    ASSERT_EQ(VeskGetPropCameraCount(), 1);
  }
  std::unique_ptr<ICameraHiLevel> makeCamera() { return std::make_unique<CVeskDllWr>(0); }
  void stop() {
    if (!m_loaded)
      return;
    ReleaseVeskSdkWrapper();
    FreeVeskDll();
  }

  // One command of the simulator's control socket; its answer line.
  std::string ctl(const std::string& command) { return m_simulator->control(command); }

  std::string cameraId() { return textOfHex(ctl("object 0 22").substr(3)); }
  void setClock(long long seconds) { ASSERT_EQ(ctl("set 0 2 " + std::to_string(seconds)), "ok"); }
  long long clock() {
    const std::string answer = ctl("get 0 2");
    return answer.rfind("ok ", 0) == 0 ? std::stoll(answer.substr(3)) : -1;
  }
  // What the clock reads once set to the computer's time `now`.
  static long long clockSetAt(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    return now + local.tm_gmtoff;
  }

  // The card's files by the names the daemon gives them, with their bytes.
  std::map<std::string, std::string> cardBytes() {
    const std::string folder = m_folder->file("card" + std::to_string(++m_dumps));
    EXPECT_EQ(ctl("dump 0 " + folder).rfind("ok", 0), 0u);
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
      files[entry.path().filename().string()] = tarsel::test::readFile(entry.path().string());
    return files;
  }
  std::vector<CardFile> card() {
    std::vector<CardFile> files;
    for (const auto& [name, bytes] : cardBytes())
      files.push_back({name, sha256Hex(bytes)});
    return files;
  }

  // A data object's text, NUL padded, as the daemon shows it in hex.
  static std::string textOfHex(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
      const char c = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
      if (c == '\0')
        break;
      text += c;
    }
    return text;
  }

private:
  tarsel::test::TempDir* m_folder = nullptr;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::deque<tarsel::test::ScopedEnv> m_devices;
  bool m_loaded = false;
  int m_dumps = 0;
};

class ActiveXRig {
public:
  static constexpr const char* kName = "ActiveX";
  static constexpr const char* kModel = "VC320";
  static constexpr const char* kFirstId = "Bench left";
  // The control hands the camera's clock over as UTC: in India (UTC+5:30)
  // the clock at 1000000000 shows 07:16:40.
  static constexpr const char* kTimeOfClock1000000000 = "07:16:";
  static std::string defaultConfig() {
    return R"({"pictures": [{"size": 9000}, {"size": 9100}, {"size": 9200}],
               "texts": {"22": "Bench left", "27": "VC320"}})";
  }

  void start(tarsel::test::TempDir& folder, const std::string& config, ITarselSettings* settings) {
    if (!tarsel::vantic::test::SimProcess::pythonAvailable())
      GTEST_SKIP() << "the camera simulator cannot run here";
    tarsel::test::writeFile(folder.file("camera.json"), config);
    m_sim = std::make_unique<tarsel::vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", folder.file("usb.sock"), "--time-scale", "0", "--config", folder.file("camera.json")});
    ASSERT_TRUE(m_sim->ready());
    m_env.emplace_back("TARSEL_VANTIC_USB", "sim:" + m_sim->endpoint());
    for (const char* name :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      m_env.emplace_back(name, folder.file("no-tty"));
    std::filesystem::create_directories(folder.file("com"));
    m_env.emplace_back("TARSEL_COM_PATH", folder.file("com"));
    const std::string bin = tarsel::test::binDir();
    ASSERT_EQ(tarsel::test::runProgram({bin + "/tarselregsvr", bin + "/libLunet.so"}).exitCode, 0);
    GetLunetSdkWrapper(settings);
    m_made = true;
  }
  std::unique_ptr<ICameraHiLevel> makeCamera() { return std::make_unique<CLunetWr>(); }
  void stop() {
    if (m_made)
      ReleaseLunetSdkWrapper();
    m_sim.reset();
  }

  tarsel::vantic::test::SimProcess& sim() { return *m_sim; }

  std::string cameraId() { return m_sim->registers()["texts"]["22"].text; }
  void setClock(long long seconds) {
    m_sim->request(R"({"op":"set-register","reg":2,"value":)" + std::to_string(seconds) + "}");
  }
  long long clock() { return m_sim->registers()["registers"]["2"].integer(); }
  static long long clockSetAt(std::time_t now) { return now; }

  std::vector<CardFile> card() {
    std::vector<CardFile> files;
    // The answer must outlive the loop over its members.
    const tarsel::vantic::test::Json dump = m_sim->registers();
    int index = 0;
    for (const auto& picture : dump["pictures"].items)
      files.push_back({picture["name"].text, m_sim->picture(++index)["sha256"].text});
    return files;
  }

private:
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_sim;
  std::deque<tarsel::test::ScopedEnv> m_env;
  bool m_made = false;
};

} // namespace tarsel::dialogs::test

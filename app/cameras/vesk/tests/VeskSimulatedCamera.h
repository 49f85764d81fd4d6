// The camera-link family's tests over the real library and a vesk-simd
// daemon with one XC-701 camera: the fixture that initialises camera 0.
#pragma once

#include "VeskTestSupport.h"

#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarsel::vesk::test {

using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;

// The simulator daemon with one XC-701 camera holding two pictures, whose
// lens ignores moves under 0.3; its clock runs fast, so busy times do not
// slow the tests.
class Daemon {
public:
  // More lines for the daemon's section and for the camera's.
  explicit Daemon(const std::string& daemonLines = "", const std::string& cameraLines = "")
      : m_sim(tarsel::test::binDir() + "/vesk-simd", m_dir.path(),
              daemonLines + "speed = 1000\n[camera]\nmodel = XC-701\npictures = 2\nzoom-min-step = 3\n" +
                  cameraLines) {}
  bool ready() const { return m_sim.ready(); }
  const std::string& dir() const { return m_sim.deviceFolder(); }
  // One control command; its answer after "ok ".
  std::string control(const std::string& command) {
    const std::string out = m_sim.control(command);
    EXPECT_EQ(out.rfind("ok", 0), 0u) << out;
    return out.size() > 3 ? out.substr(3) : std::string();
  }
  int pictures(int slot) { return std::stoi(control("pictures " + std::to_string(slot))); }

private:
  TempDir m_dir;
  tarsel::test::VeskSimulator m_sim;
};

inline void setRegistryValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
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
  SimulatedCamera() = default;
  SimulatedCamera(const std::string& daemonLines, const std::string& cameraLines)
      : daemon(daemonLines, cameraLines) {}

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
  Daemon daemon;
  ScopedEnv deviceDir{"VESK_DEVICE_DIR", daemon.dir()};
  std::unique_ptr<CVeskDllWr> camera;
};

} // namespace tarsel::vesk::test

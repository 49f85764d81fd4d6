// The fixture of the camera-link dialog tests: the main frame with the
// product's families over one vesk-simd XC-701 camera (busy times 50 times
// as fast), its window, and the simulated camera's registers and data
// objects as the dialogs leave them.
#pragma once

#include "MainFrameTestSupport.h"

#include "app/cameras/vesk/VeskLibrary.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/SdkFamily.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/CamStorageDir.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <QApplication>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace tarsel::frame::test {

// Generous for the sanitizer builds; a passing step returns at once.
inline constexpr std::chrono::seconds kDialogPatience{60};

class VeskDialogTest : public FrameTest {
protected:
  void SetUp() override {
    // What an earlier run of this test left in its home is not this run's.
    for (const char* folder : {"TARSEL_REGISTRY_DIR", "XDG_DATA_HOME"})
      if (const char* path = std::getenv(folder))
        std::filesystem::remove_all(path);
    FrameTest::SetUp();
    LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
    m_dataFolder = CCamConfigDir().GetPath();
    tarsel::test::writeFile(m_dataFolder + "/BRANTEL_SDK3.4", "[ACTIVE CAMERAS]\r\nXC-701=1\r\n");
    HKEY types = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &types, nullptr),
              0);
    RegSetValueExA(types, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>("XC-701"), 7);
    RegCloseKey(types);
    m_simulator = std::make_unique<tarsel::test::VeskSimulator>(
        tarsel::test::binDir() + "/vesk-simd", m_folder.path(), "speed = 500\n[camera]\nmodel = XC-701\n");
    ASSERT_TRUE(m_simulator->ready());
    m_deviceFolder.emplace("VESK_DEVICE_DIR", m_simulator->deviceFolder());
  }

  void TearDown() override {
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }

  // Starts the frame and returns the camera's window, active.
  CChildFrame* startCameraWindow() {
    MainFrameOptions options = optionsFor({});
    options.makeDeviceWatcher = {};
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kDialogPatience));
    if (frame.CameraWindows().empty())
      return nullptr;
    CChildFrame* window = frame.CameraWindows().front();
    window->ActivateInMdiClient();
    return window;
  }

  // A register of the camera, or -1.
  long reg(int number) const {
    const std::string answer = m_simulator->control("get 0 " + std::to_string(number));
    return answer.rfind("ok ", 0) == 0 ? std::stol(answer.substr(3)) : -1;
  }
  // The registers and objects the dialogs change, as one text.
  std::string settingsDump() const {
    std::string dump;
    for (int number : {1, 7, 20, 33, 35, 70, 72, 85, 103})
      dump += m_simulator->control("get 0 " + std::to_string(number)) + "; ";
    for (int object : {69, 71, 102})
      dump += m_simulator->control("object 0 " + std::to_string(object)) + "; ";
    return dump;
  }

  tarsel::test::TempDir m_folder;
  std::string m_dataFolder;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::optional<tarsel::test::ScopedEnv> m_deviceFolder;
};

} // namespace tarsel::frame::test

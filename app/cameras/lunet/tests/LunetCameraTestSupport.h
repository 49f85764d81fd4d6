// What the family's tests share: the camera simulator on the USB stand-in,
// the control registered with the registration command in a class folder of
// the test's own, and a camera object hosted on it.
#pragma once

#include "app/cameras/lunet/LunetWr.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace tarsel::lunet::test {

class LunetCameraTest : public ::testing::Test {
protected:
  // Default: one stored picture of 9000 bytes, camera type "VC320", ID "SIMCAM".
  virtual std::string cameraConfig() const;
  // Runs before the camera is made and hosted (the family's settings are set).
  virtual void beforeInit() {}
  void SetUp() override;
  void TearDown() override;

  // A window for InitCameraObject (the control has no window of its own).
  HWND window() { return &m_windowStandIn; }
  // How many times the simulator ran `action` since it started.
  int actionsDone(int action);
  // How many USB connections the simulator has seen (one per control Connect).
  int usbConnections();
  // The connections open now, waiting a while for `expected`.
  int openConnections(int expected);
  std::string errorLogPath() const;
  std::string errorLog() const;

  tarsel::test::TempDir m_dir;
  std::optional<tarsel::test::ScopedEnv> m_usb;
  std::optional<tarsel::test::ScopedEnv> m_classes;
  std::unique_ptr<vantic::test::SimProcess> m_sim;
  CRefPtr<CTarselSettings> m_settings{new CTarselSettings};
  std::unique_ptr<CLunetWr> m_camera;

private:
  int m_windowStandIn = 0;
};

std::string sha256Hex(const void* bytes, std::size_t size);

} // namespace tarsel::lunet::test

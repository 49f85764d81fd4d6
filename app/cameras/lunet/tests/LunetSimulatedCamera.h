// A camera object of the family over the real control, registered as a user
// registers it, and the camera simulator on the control's USB stand-in, with
// the simulator's notes of what reached the camera.
#pragma once

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/settings/TarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::lunet::test {

class SimulatedLunetCamera : public ::testing::Test {
protected:
  // The simulator's configuration for the test.
  virtual std::string config() const { return "{}"; }

  void SetUp() override {
    if (!vantic::test::SimProcess::pythonAvailable())
      GTEST_SKIP() << "the camera simulator cannot run here";
    tarsel::test::writeFile(dir.file("camera.json"), config());
    sim = std::make_unique<vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", dir.file("camera.sock"), "--time-scale", "0", "--config", dir.file("camera.json")});
    ASSERT_TRUE(sim->ready());
    usb.emplace("TARSEL_VANTIC_USB", "sim:" + sim->endpoint());
    ASSERT_EQ(tarsel::test::runProgram(
                  {tarsel::test::binDir() + "/tarselregsvr", tarsel::test::binDir() + "/libLunet.so"})
                  .exitCode,
              0);
    GetLunetSdkWrapper(new CTarselSettings);
    camera = std::make_unique<CLunetWr>();
    ASSERT_EQ(camera->InitCameraObject(nullptr, &window), 0);
    sim->takeLog();
  }

  void TearDown() override {
    camera.reset();
    ReleaseLunetSdkWrapper();
  }

  // The simulator's notes since the last call that begin with `prefix`.
  std::vector<std::string> notes(const std::string& prefix) {
    std::vector<std::string> found;
    const vantic::test::Json log = sim->takeLog();
    for (const vantic::test::Json& note : log["notes"].items)
      if (note["text"].text.rfind(prefix, 0) == 0)
        found.push_back(note["text"].text);
    return found;
  }

  tarsel::test::TempDir dir;
  std::unique_ptr<vantic::test::SimProcess> sim;
  std::optional<tarsel::test::ScopedEnv> usb;
  int window = 0;
  std::unique_ptr<CLunetWr> camera;
};

} // namespace tarsel::lunet::test

// Tests against the in-process simulator: an engine with an XC-701 camera
// (slot 0), a disk (1), a node that fails every command (2) and an XC-702
// camera (3), "Type_S" naming both camera models, and the process's camera
// manager replaced by one over the engine (through a gate the test can
// close). Camera 0 of the library is slot 0, camera 1 is slot 3.
#pragma once

#include "EngineBackend.h"
#include "GateBackend.h"
#include "TypeListFixture.h"

#include "sim/vesk/VeskSimEngine.h"
#include "vesklib/LinkCameraManager.h"
#include "vesklib/ManagerInstance.h"
#include "vesklib/VeskDLL.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace tarsel::vesk::test {

class SimulatorFixture : public ::testing::Test {
protected:
  static constexpr int kSlot0 = 0;
  static constexpr int kSlot1 = 3;

  virtual tarsel::vesksim::CardSetup cardSetup() const { return {}; }

  void SetUp() override {
    setTypeList(HKEY_CURRENT_USER, std::string("XC-701,XC-702"));
    engine.addCamera(*tarsel::vesksim::builtinModel("XC-701"), cardSetup());
    engine.addDisk();
    engine.addFailingNode();
    engine.addCamera(*tarsel::vesksim::builtinModel("XC-702"), cardSetup());
    auto inner = std::make_unique<EngineBackend>(engine);
    engineBackend = inner.get();
    auto gated = std::make_unique<GateBackend>(std::move(inner));
    gate = gated.get();
    manager = makeManager(std::move(gated));
    ManagerInstance::replace(manager);
  }

  void TearDown() override {
    manager.reset();
    ManagerInstance::replace(nullptr);
    setTypeList(HKEY_CURRENT_USER, std::nullopt);
  }

  virtual std::shared_ptr<CLinkCameraManager> makeManager(std::unique_ptr<IDeviceBackend> backend) {
    return std::make_shared<CLinkCameraManager>(std::move(backend));
  }

  // Enumerates and connects both cameras.
  void connectBoth() {
    ASSERT_EQ(InitControl(), 0);
    ASSERT_EQ(GetPropCameraCount(), 2);
    ASSERT_EQ(Connect(0), 0);
    ASSERT_EQ(Connect(1), 0);
  }

  std::vector<std::uint8_t> object(int slot, std::uint8_t number) {
    const auto camera = engine.camera(slot);
    if (!camera)
      return {};
    return camera->readObject(number).value_or(std::vector<std::uint8_t>{});
  }

  tarsel::vesksim::VeskSimEngine engine;
  EngineBackend* engineBackend = nullptr;
  GateBackend* gate = nullptr;
  std::shared_ptr<CLinkCameraManager> manager;
};

// What an export threw: "name/kind/code", or "none".
inline std::string errorOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const CVeskNVError& error) {
    return std::string(error.name()) + "/" + std::to_string(error.kind()) + "/" +
           std::to_string(error.code());
  }
  return "none";
}

inline std::uint32_t wordAt(const std::vector<std::uint8_t>& bytes, std::size_t index) {
  const std::size_t at = index * 4;
  if (at + 4 > bytes.size())
    return 0;
  return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

} // namespace tarsel::vesk::test

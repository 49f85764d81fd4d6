// A back end that passes every call to another one, and can hold the next
// command with a given opcode until the test lets it go, so a test can look
// at the library while a command is in the middle of its run.
#pragma once

#include "vesklib/DeviceBackend.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace tarsel::vesk::test {

class GateBackend : public IDeviceBackend {
public:
  explicit GateBackend(std::unique_ptr<IDeviceBackend> inner) : m_inner(std::move(inner)) {}

  IDeviceBackend& inner() { return *m_inner; }

  // The next command with this opcode waits in passThrough until release().
  void holdNext(std::uint8_t opcode);
  // Waits until a command is held.
  void waitHeld();
  void release();

  int initControl(bool& driveNamesUsable) override { return m_inner->initControl(driveNamesUsable); }
  std::string controlDevicePath() override { return m_inner->controlDevicePath(); }
  std::string cameraDevicePath(std::uint32_t index) override { return m_inner->cameraDevicePath(index); }
  std::vector<std::string> driveDevicePaths() override { return m_inner->driveDevicePaths(); }
  DWORD open(const std::string& path, int& handle) override { return m_inner->open(path, handle); }
  void close(int handle) override { m_inner->close(handle); }
  ControlOutcome deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) override {
    return m_inner->deviceControl(handle, code, out);
  }
  ScsiOutcome passThrough(int handle, const ScsiCommand& command) override;

private:
  std::unique_ptr<IDeviceBackend> m_inner;
  std::mutex m_lock;
  std::condition_variable m_changed;
  std::optional<std::uint8_t> m_armed;
  bool m_held = false;
  bool m_released = false;
};

} // namespace tarsel::vesk::test

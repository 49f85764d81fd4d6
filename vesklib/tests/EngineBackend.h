// A device back end that hands every command to the in-process simulator
// engine, as the socket back end would hand it to the daemon: the control
// device is "ctl", camera device i is "dev<i>". Silence is ERROR_SEM_TIMEOUT
// at once (the engine's clock is virtual), a closed or broken connection
// ERROR_DEV_NOT_EXIST. Thread-safe; the engine must outlive it.
#pragma once

#include "sim/vesk/VeskSimEngine.h"
#include "vesklib/DeviceBackend.h"

#include <map>
#include <memory>
#include <mutex>

namespace tarsel::vesk::test {

class EngineBackend : public IDeviceBackend {
public:
  explicit EngineBackend(tarsel::vesksim::VeskSimEngine& engine) : m_engine(engine) {}

  int openHandles() const;

  int initControl(bool& driveNamesUsable) override;
  std::string controlDevicePath() override { return "ctl"; }
  std::string cameraDevicePath(std::uint32_t index) override { return "dev" + std::to_string(index); }
  std::vector<std::string> driveDevicePaths() override { return {}; }
  DWORD open(const std::string& path, int& handle) override;
  void close(int handle) override;
  ControlOutcome deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) override;
  ScsiOutcome passThrough(int handle, const ScsiCommand& command) override;

private:
  struct Open {
    std::unique_ptr<tarsel::vesksim::VeskSimConnection> connection;
    std::mutex lock;
    bool broken = false;
  };
  std::shared_ptr<Open> find(int handle);
  ScsiOutcome exchange(int handle, const tarsel::vesksim::Request& request, std::span<std::uint8_t> in);

  tarsel::vesksim::VeskSimEngine& m_engine;
  mutable std::mutex m_lock;
  std::map<int, std::shared_ptr<Open>> m_open;
  int m_next = 1;
};

} // namespace tarsel::vesk::test

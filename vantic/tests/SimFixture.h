// Test fixture over the camera simulator: starts it (serial or USB), points
// the library's ports at it, shortens the library's waits and leaves the
// library reset afterwards. Skips when python3 is missing.
#pragma once

#include "vantic/CameraLibrary.h"
#include "vantic/Vantic.h"

#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

// Runs a start call inside a test body and leaves the test when the simulator
// did not come up (the start call has already skipped or failed it).
#define START_OR_RETURN(call)                                                                                \
  call;                                                                                                      \
  if (!sim || !sim->ready())                                                                                 \
  return

namespace tarsel::vantic::test {

using Bytes = std::vector<std::uint8_t>;

class SimFixture : public ::testing::Test {
protected:
  void TearDown() override;

  // Starts the simulator on a pseudo-terminal (COM1) or on a socket (USB);
  // `config` is JSON text for --config, empty for the defaults.
  void startSerial(std::vector<std::string> arguments, const std::string& config = {});
  void startUsb(std::vector<std::string> arguments, const std::string& config = {});
  // Port, speed, session: 0 expected.
  void connect(int port, int speed);

  std::unique_ptr<SimProcess> sim;
  tarsel::test::TempDir dir;

private:
  void start(std::vector<std::string> arguments, const std::string& config, bool usb);

  std::vector<std::unique_ptr<tarsel::test::ScopedEnv>> m_env;
  std::optional<Timings> m_savedTimings;
};

Bytes bytesOfHex(const std::string& hex);
std::string sha256Hex(const std::uint8_t* data, std::size_t size);
// The bytes the simulator received, in order, from a log answer.
Bytes receivedBytes(const Json& log);
// The simulator's log once the last bytes the library wrote have reached it
// (the library does not wait for the camera to take its final ACK).
Json settledLog(SimProcess& sim);
// Waits (bounded) until Cam_ready reports 1.
bool waitReady(int limitMs = 20000);

} // namespace tarsel::vantic::test

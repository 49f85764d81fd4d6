#include "SimFixture.h"

#include <chrono>
#include <thread>

#include <openssl/evp.h>

namespace tarsel::vantic::test {

void SimFixture::start(std::vector<std::string> arguments, const std::string& config, bool usb) {
  if (!SimProcess::pythonAvailable())
    GTEST_SKIP() << "python3 is not available: the camera simulator cannot run";
  if (!config.empty()) {
    tarsel::test::writeFile(dir.file("config.json"), config);
    arguments.push_back("--config");
    arguments.push_back(dir.file("config.json"));
  }
  if (usb) {
    arguments.push_back("--usb");
    arguments.push_back(dir.file("camera.sock"));
  } else {
    arguments.push_back("--serial");
  }
  sim = std::make_unique<SimProcess>(arguments);
  ASSERT_TRUE(sim->ready()) << "the simulator did not start";
  using tarsel::test::ScopedEnv;
  m_env.push_back(
      std::make_unique<ScopedEnv>("TARSEL_VANTIC_COM1", usb ? dir.file("no-tty") : sim->endpoint()));
  for (const char* name : {"TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
    m_env.push_back(std::make_unique<ScopedEnv>(name, dir.file("no-tty")));
  m_env.push_back(std::make_unique<ScopedEnv>("TARSEL_VANTIC_USB",
                                              "sim:" + (usb ? sim->endpoint() : dir.file("no-usb.sock"))));

  Cam_reset_dll();
  Timings& timings = CameraLibrary::instance().timings();
  m_savedTimings = timings;
  // The pauses the camera needs between exchanges are the simulator's to
  // skip: short. Reply time-outs keep room for a busy machine (a download is
  // a thousand replies, none of which may come late); shorter than the
  // camera's 500 ms where faults make the library wait them out many times,
  // but USB blocks of 32 KiB keep the full time.
  timings.replyMs = usb ? 500 : 300;
  timings.delayAfterControlMs = 2;
  timings.pendingLookMs = 10;
  timings.settleMs = 2;
  timings.blockSlackUnits = 30;
  timings.openPauseMs = 10;
  timings.loadedDataPauseMs = 10;
}

void SimFixture::startSerial(std::vector<std::string> arguments, const std::string& config) {
  start(std::move(arguments), config, false);
}

void SimFixture::startUsb(std::vector<std::string> arguments, const std::string& config) {
  start(std::move(arguments), config, true);
}

void SimFixture::connect(int port, int speed) {
  ASSERT_EQ(Cam_set_port(port), port);
  if (speed > 0) {
    ASSERT_EQ(Cam_set_speed(speed), 0);
  }
  ASSERT_EQ(Cam_session_enabled(1), 0);
  ASSERT_EQ(Cam_get_state(), CAM_STATE_OPEN);
}

void SimFixture::TearDown() {
  VanticSetTimeLimit(0);
  Cam_reset_dll();
  Cam_setup_callback(nullptr, 0);
  if (m_savedTimings)
    CameraLibrary::instance().timings() = *m_savedTimings;
  sim.reset();
  m_env.clear();
}

Bytes bytesOfHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

std::string sha256Hex(const std::uint8_t* data, std::size_t size) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(data, size, digest, &length, EVP_sha256(), nullptr);
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out += digits[digest[i] >> 4];
    out += digits[digest[i] & 15];
  }
  return out;
}

Bytes receivedBytes(const Json& log) {
  Bytes out;
  for (const Json& entry : log["log"].items) {
    if (entry["dir"].text != "rx" || (entry.has("garbled") && entry["garbled"].boolean))
      continue;
    const Bytes bytes = bytesOfHex(entry["hex"].text);
    out.insert(out.end(), bytes.begin(), bytes.end());
  }
  return out;
}

Json settledLog(SimProcess& sim) {
  // The camera is idle again once it has taken the library's last byte (the
  // ACK that ends a reply, or a command it answered).
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (sim.registers()["state"]["mode"].text != "idle" && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return sim.takeLog();
}

bool waitReady(int limitMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Cam_ready() == 1)
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

} // namespace tarsel::vantic::test

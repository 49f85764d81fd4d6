// A scripted camera port for protocol tests: it keeps the port layer's
// one-port rule and handle checks, reassembles what the library writes into
// whole packets and single control bytes, hands each to the test's camera
// script and queues the script's answer for the library to read. Reads never
// wait: what is queued is returned at once, else nothing (a time-out).
// Pauses are recorded, not slept. One thread.
#pragma once

#include "vantic/ComPort.h"

#include <deque>
#include <functional>
#include <vector>

namespace tarsel::vantic::test {

using Bytes = std::vector<std::uint8_t>;

class ScriptedPort : public ComPort {
public:
  using Camera = std::function<Bytes(const Bytes& unit)>;

  int usbOpen(int handleValue, CamUsbDeviceRecord* record) override;
  int open(int port, int baud, int dataBits) override;
  int close(int handle) override;
  int readTimed(int handle, std::uint8_t* buffer, int count, int units) override;
  int readToQuiet(int handle, int units) override;
  int write(int handle, const std::uint8_t* bytes, int count) override;
  int setBaud(int handle, int baud) override;
  int setFlow(int handle, int kind) override;
  int sleepMs(int handle, int milliseconds) override;
  int openHandle() const override { return m_handle; }
  void shortPause(int handle) override;

  void queue(const Bytes& bytes) { m_input.insert(m_input.end(), bytes.begin(), bytes.end()); }
  // Bytes queued for the library and not read yet.
  std::size_t queuedBytes() const { return m_input.size(); }

  Camera camera;
  bool usbPresent = false;
  std::uint16_t usbVendor = 0x0474;
  std::uint16_t usbProduct = 0x0001;
  bool serialPresent = true;
  bool failWrites = false;
  std::vector<Bytes> units;  // every packet and control byte, as the camera took them
  std::vector<Bytes> writes; // every write call
  std::vector<int> sleeps;   // requested pauses in ms
  std::vector<int> bauds;    // every baud applied
  int readCalls = 0;
  int opens = 0;
  int closes = 0;
  int baud = 0;

private:
  void dispatch();

  int m_handle = -1;
  Bytes m_pending;
  std::deque<std::uint8_t> m_input;
};

// A camera answer: a register-read reply with its checksum.
Bytes registerReply(std::uint32_t value);

} // namespace tarsel::vantic::test

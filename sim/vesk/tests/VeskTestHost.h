// A host for the simulator's tests: issues the link operations (open, frame,
// status byte, reply length, read reply, close step) and the five camera
// transactions built from them, as the camera protocol describes them, over
// any transport (an engine connection or a socket). Errors come back as
// numbers: 0 success, the camera protocol's 13 (bad response), 14 (NAK),
// 15 (DC1), 16 (bad reply or checksum), 31 (cancelled by the camera), or the
// transport's Win32 number (121 no reply, 55 closed, 31 failed command ...).
#pragma once

#include "sim/vesk/VeskSimTypes.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace tarsel::vesksim::test {

using Bytes = std::vector<std::uint8_t>;

struct HostResult {
  int error = 0;
  std::uint32_t value = 0;             // register value or final status byte
  Bytes data;                          // data read
  std::vector<std::uint32_t> progress; // bytes received after each block
};

class VeskTestHost {
public:
  using Transport = std::function<Response(const Request&)>;
  explicit VeskTestHost(Transport transport, std::uint32_t timeoutMs = 45000);

  void setTimeout(std::uint32_t ms) { m_timeoutMs = ms; }
  void setStatusHeaderWord(std::uint16_t word) { m_statusWord = word; }

  // ---- SCSI requests ----
  static Request scsi(std::uint8_t opcode, Direction direction, std::uint32_t length, const Bytes& data = {},
                      std::uint32_t timeoutMs = 45000);
  static Request inquiryRequest();
  static Request countRequest();
  Response send(const Request& request) { return m_transport(request); }

  // ---- link operations: 0 or an error number ----
  int open();
  int sendFrame(const Bytes& frame);
  int sendStatus(std::uint8_t status);
  int replyLength(std::uint32_t& length);
  int readReply(std::uint32_t length, Bytes& reply);
  int closeStep();

  // ---- transactions ----
  HostResult readRegister(std::uint8_t reg);
  HostResult writeRegister(std::uint8_t reg, std::uint32_t value);
  HostResult runAction(std::uint8_t action, std::uint8_t param);
  HostResult readData(std::uint8_t object, std::size_t limit = 64u << 20);
  HostResult writeData(std::uint8_t object, const Bytes& data);

private:
  int transportError(const Response& r) const;
  // O, L, R, C: the next reply record.
  int fetchReply(Bytes& reply);
  static int statusError(std::uint8_t status);

  Transport m_transport;
  std::uint32_t m_timeoutMs;
  std::uint16_t m_statusWord = 0x09FF;
};

} // namespace tarsel::vesksim::test

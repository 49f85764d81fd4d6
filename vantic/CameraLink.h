// Single exchanges with the camera over the open port: sending a packet
// (with the pause after a control byte, the look for a pending byte and the
// split serial write), reading reply bytes, a register write, a register
// read, an action, the blocks of an object read and the packets of an
// object write, each with its retries inside the exchange. No session
// handling: the caller makes sure a session is open. Runs under the library
// lock. Failures are result codes; 0xFF from the camera moves the state to
// "ended" and gives 20; an exchange that outlives the caller's time limit
// (CallTimeLimit) ends with 12.
#pragma once

#include "vantic/ComPort.h"
#include "vantic/SessionState.h"
#include "vantic/Timings.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace tarsel::vantic {

// Receives an object's blocks. beforeBlock runs before each block is
// requested (progress; a code other than 0 stops); accept takes a block's
// payload and whether it was the last one (a code other than 0 stops).
struct BlockHandlers {
  std::function<int()> beforeBlock;
  std::function<int(std::span<const std::uint8_t> payload, bool last)> accept;
};

// Told after each packet of an object write how many bytes are still to go;
// a code other than 0 stops the write.
using WriteProgress = std::function<int(std::size_t remaining, std::size_t total)>;

class CameraLink {
public:
  // What sendPacket gives besides the codes 0, 20 and 21: the write failed on
  // a serial port (recorded, counted as a retry); the caller tries again.
  static constexpr int kWriteFailed = -100;
  // What readReplyByte gives when the USB pipe failed.
  static constexpr int kPipeFailed = -2;

  CameraLink(ComPort& port, SessionState& state, const Timings& timings);

  int sendPacket(std::span<const std::uint8_t> packet, bool blockRequest);
  // The byte, 17 when a serial read failed, -1 when none came, kPipeFailed.
  int readReplyByte(int tries);
  // Sends ACK, NAK or CAN; the next command waits first.
  void sendControl(std::uint8_t byte);

  int writeRegister(int reg, std::uint32_t value, std::uint8_t letter);
  int readRegister(int reg, std::uint32_t& value);
  int sendAction(int action, int argument);
  int readBlocks(int reg, const BlockHandlers& handlers);
  int writeObject(int reg, std::span<const std::uint8_t> data, const WriteProgress& progress);

  // Reads one byte within timeoutMs: the byte, -1 when none came, kPipeFailed.
  int readByteWithin(int timeoutMs);

private:
  enum class BlockResult { Good, Nothing, SessionEnd, Resend, Malformed, PipeFailed };
  BlockResult receiveBlock(std::vector<std::uint8_t>& block, std::size_t blockSize, bool verify);
  void drainInput();
  int replyUnits() const;
  // A read from the open port within the caller's time limit (nothing once
  // it ran out); any bytes that come restart that limit.
  int read(std::uint8_t* buffer, int count, int units);

  ComPort& m_port;
  SessionState& m_state;
  const Timings& m_timings;
};

} // namespace tarsel::vantic

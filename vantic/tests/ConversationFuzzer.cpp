// Fuzz target of a whole conversation with the camera: choosing the port,
// opening the session, a register read and write, an action, a download of
// several blocks, an object write, a structure read and closing, against a
// camera whose successive replies (one to each packet or control byte the
// library sends, then silence) are the input after its first byte, which
// picks the port (serial, or one of three USB cameras) and the speed. The
// waits are shortened to nothing and a busy deadline passes at once, so
// nothing sleeps. Checked: every operation ends with success or one of the
// library's codes; what a successful read hands up is exactly what a reply
// that framed and summed correctly carried; after any operation the session
// is either open on the port it holds or reported as not open (so the next
// operation opens it again); closing leaves it closed; and the library sends
// only a bounded number of units once the camera fell silent.
#include "platform/Bytes.h"
#include "vantic/CameraLibrary.h"
#include "vantic/PacketCodec.h"
#include "vantic/tests/ReplyPort.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>

using namespace tarsel::vantic;
using namespace tarsel::vantic::test;

namespace {

constexpr int kReadRegister = 10; // any value is in range
constexpr int kWriteRegister = 4;
constexpr int kObjectRegister = 14;
constexpr int kWrittenObjectRegister = 22;
constexpr int kStructureRegister = 20;
constexpr std::size_t kStructureSize = 64;
// Units one operation may send once the camera fell silent: the close of a
// failed session, the wake-up and the exchange, each with its tries.
constexpr int kSilentUnitsPerOperation = 16;

bool knownResult(int rc) {
  switch (rc) {
  case CAM_OK:
  case CAM_INVALID_PARAMETER:
  case CAM_OUT_OF_RANGE:
  case CAM_NO_PORT:
  case CAM_WRITE_FILE:
  case CAM_BAD_CLOSE:
  case CAM_BAD_WRITE:
  case CAM_BAD_READ:
  case CAM_BAD_OPEN:
  case CAM_NOT_RESPONDING:
  case CAM_BAD_RESPONSE:
  case CAM_NAK_RESPONSE:
  case CAM_DC1_RESPONSE:
  case CAM_MALFORMED_REPLY:
  case CAM_ZERO_SIZE:
  case CAM_USER_BREAK:
  case CAM_SESSION_CLOSED:
  case CAM_USB_FAILED:
  case CAM_OTHER:
    return true;
  default:
    return false;
  }
}

// An object of two small-block packets.
const Bytes& writtenObject() {
  static const Bytes object = [] {
    Bytes bytes(kSmallBlock + 100);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(i * 13);
    return bytes;
  }();
  return object;
}

class Conversation {
public:
  Conversation(ReplyPort& port, CameraLibrary& library) : m_port(port), m_library(library) {}

  // After an operation: a known result, and a session that is open (or busy)
  // on the port it holds, or in a state from which the next operation opens
  // it again.
  void settled(int rc, bool guarded = false) {
    require(knownResult(rc) || (guarded && rc == CameraOperations::kReopened));
    const State state = m_library.state().state();
    const SessionState& session = m_library.state();
    if (state == State::Open || state == State::Busy) {
      require(session.portHandle != -1 && m_port.openHandle() == session.portHandle);
      // A serial session is open only once the camera took its speed.
      require(session.isUsb() || m_port.baud == baudOfSpeed(session.speedIndex));
    }
    if (rc == CAM_OK)
      require(state == State::Open || state == State::Busy);
  }

  // Opening that failed never leaves the session reported open.
  void opened(int rc) {
    settled(rc);
    require(rc == CAM_OK || m_library.state().state() != State::Open);
  }

  // The payload of the reply the library read before its last write (the
  // ACK that took it).
  DataPacket lastReply(std::size_t maxPayload, bool verify) const {
    require(m_port.units.back() == Bytes{kAck});
    const auto reply = exactDataPacket(m_port.readBeforeWrite(), 0, maxPayload, verify);
    require(reply && reply->last);
    return *reply;
  }

  void readRegister() {
    std::uint32_t value = 0;
    const int rc = m_library.operations().readChecked(kReadRegister, false, value);
    settled(rc);
    if (rc != CAM_OK)
      return;
    const DataPacket reply = lastReply(4, m_library.state().verifyReplies());
    require(reply.payload.size() == 4 && value == tarsel::bytes::loadLe32(reply.payload, 0));
  }

  void download() {
    Bytes received;
    std::size_t request = 0;
    std::uint8_t sequence = 0;
    bool ended = false;
    const auto sink = [&](std::span<const std::uint8_t> bytes) {
      // Blocks count from the last object request the library sent.
      std::size_t at = m_port.units.size();
      while (at > 0 && m_port.units[at - 1][0] != kEsc)
        --at;
      require(at > 0);
      if (at != request) {
        request = at;
        sequence = 0;
        received.clear();
      }
      const auto block = exactDataPacket(m_port.readSinceWrite(), sequence++, blockSize(), verifyBlocks());
      require(block && std::equal(bytes.begin(), bytes.end(), block->payload.begin(), block->payload.end()));
      received.insert(received.end(), bytes.begin(), bytes.end());
      ended = block->last;
      return CAM_OK;
    };
    const int rc = m_library.operations().download(kObjectRegister, sink, 1, 0);
    settled(rc, true);
    if (rc == CAM_OK)
      require(ended);
  }

  void readStructure() {
    std::uint8_t out[kStructureSize];
    std::fill(std::begin(out), std::end(out), 0xA5);
    std::size_t got = 0;
    const int rc = m_library.operations().readStructure(kStructureRegister, out, true, &got);
    settled(rc, true);
    if (rc != CAM_OK)
      return;
    const DataPacket block = lastReply(blockSize(), verifyBlocks());
    require(!block.payload.empty() && got == std::min(block.payload.size(), kStructureSize));
    require(std::equal(out, out + got, block.payload.begin()));
    require(std::all_of(out + got, std::end(out), [](std::uint8_t byte) { return byte == 0; }));
  }

private:
  std::size_t blockSize() const { return m_library.state().largeBlocks() ? kLargeBlock : kSmallBlock; }
  bool verifyBlocks() const { return !m_library.state().largeBlocks() && m_library.state().verifyReplies(); }

  ReplyPort& m_port;
  CameraLibrary& m_library;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const int portKind = data[0] & 3;
  const int speed = 1 + (data[0] >> 2) % 6;
  ReplyPort port(splitReplies({data + 1, size - 1}));
  port.chooseCamera(portKind);
  Timings timings;
  timings.replyMs = 1;
  timings.delayAfterControlMs = 0;
  timings.pendingLookMs = 0;
  timings.openPauseMs = 0;
  timings.settleMs = 0;
  timings.blockSlackUnits = 1;
  timings.loadedDataPauseMs = 0;
  timings.rawProbeMs = 0;
  timings.busyPercent = 0; // a busy camera's deadline has passed at once
  CameraLibrary library(port, timings);
  CameraSession& session = library.session();
  CameraOperations& operations = library.operations();
  Conversation conversation(port, library);

  const int wanted = port.usb() ? CAM_PORT_USB : 1;
  require(session.setPort(wanted) == wanted);
  require(session.setSpeed(speed) == CAM_OK);
  const std::function<void()> steps[] = {
      [&] { conversation.opened(session.enable(1)); },
      [&] { conversation.readRegister(); },
      [&] { conversation.settled(operations.writeChecked(kWriteRegister, 0x12345678)); },
      [&] { conversation.settled(operations.runAction(2, 0, 1000)); },
      [&] { conversation.download(); },
      [&] { conversation.settled(operations.writeObject(kWrittenObjectRegister, writtenObject())); },
      [&] { conversation.readStructure(); },
  };
  int silentSteps = 0;
  for (const auto& step : steps) {
    // Once the camera fell silent, one operation shows how the library
    // fails against it; the others would only repeat that.
    if (port.drained() && silentSteps++ > 0)
      continue;
    step();
  }
  require(knownResult(session.enable(0)));
  require(library.state().state() == State::Closed && port.openHandle() == -1);

  for (const Bytes& unit : port.units)
    require(wellFramed(unit));
  const std::size_t leftoverBlocks = port.queuedAtSilence() / kPacketOverhead;
  // The steps and the closing call.
  const int operationCount = static_cast<int>(std::size(steps)) + 1;
  require(port.silentUnits() <=
          operationCount * kSilentUnitsPerOperation * static_cast<int>(1 + leftoverBlocks));
  return 0;
}

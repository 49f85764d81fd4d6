// Fuzz target of the camera's replies on the serial/USB link. The first byte
// picks the exchange (register read, object read, register write, action,
// object write), the port (serial, or a USB camera with small checked
// blocks, large blocks, or unchecked replies) and the register; the rest is
// the camera's successive replies, one to each packet or control byte the
// library sends, then silence. Checked: what the link hands up is exactly the
// payload of a reply it read whole that framed and summed correctly; what it
// sent is well framed (an object write carries the object); its retries stop
// soon after the replies ran out, and then it fails with the exchange's
// "no answer" code. Reads never wait, so each input runs in a moment.
#include "platform/Bytes.h"
#include "vantic/CameraLink.h"
#include "vantic/PacketCodec.h"
#include "vantic/SessionState.h"
#include "vantic/Timings.h"
#include "vantic/tests/ReplyPort.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>

using namespace tarsel::vantic;
using namespace tarsel::vantic::test;

namespace {

enum class Exchange { ReadRegister, ReadBlocks, WriteRegister, Action, WriteObject };

// Units a retry loop may still send once the camera fell silent, per block
// that leftover reply bytes could still hold.
constexpr int kSilentUnits = 12;

// The result an exchange must end with when the camera fell silent.
int silentResult(Exchange exchange) {
  switch (exchange) {
  case Exchange::ReadRegister:
  case Exchange::ReadBlocks:
    return CAM_BAD_READ;
  case Exchange::WriteRegister:
    return CAM_NOT_RESPONDING;
  case Exchange::Action:
  case Exchange::WriteObject:
    return CAM_BAD_WRITE;
  }
  return -1;
}

Bytes objectOf(std::size_t size, std::uint8_t seed) {
  Bytes object(size);
  for (std::size_t i = 0; i < size; ++i)
    object[i] = static_cast<std::uint8_t>(i * 7 + seed);
  return object;
}

// The object the host's packets carry: the command packet's data, then the
// data packets by sequence number (a resent packet must repeat itself).
void expectObjectSent(const std::vector<Bytes>& units, const Bytes& object) {
  require(!units.empty() && units[0].size() >= 8 && units[0][0] == kEsc);
  Bytes sent(units[0].begin() + 6, units[0].end() - 2);
  std::map<std::uint8_t, Bytes> packets;
  for (std::size_t i = 1; i < units.size(); ++i) {
    const Bytes& unit = units[i];
    if (unit.size() < 6 || unit[0] == kEsc)
      continue;
    Bytes payload(unit.begin() + 4, unit.end() - 2);
    const auto [it, fresh] = packets.emplace(unit[1], payload);
    require(fresh || it->second == payload);
  }
  std::uint8_t expected = 0;
  for (const auto& [sequence, payload] : packets) {
    require(sequence == expected++);
    sent.insert(sent.end(), payload.begin(), payload.end());
  }
  require(sent == object);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const auto exchange = static_cast<Exchange>(data[0] % 5);
  const int portKind = (data[0] / 5) % 4;
  const int reg = data[0] / 20;
  ReplyPort port(splitReplies({data + 1, size - 1}));
  SessionState state;
  port.chooseCamera(portKind);
  state.portHandle = port.usb() ? port.usbOpen(CAM_PORT_USB, &state.usb) : port.open(1, 19200, 8);
  require(state.portHandle >= 0);
  state.setState(State::Open);
  Timings timings;
  timings.replyMs = 1;
  timings.delayAfterControlMs = 0;
  timings.pendingLookMs = 0;
  timings.blockSlackUnits = 1;
  CameraLink link(port, state, timings);

  const bool large = state.largeBlocks();
  const std::size_t blockSize = large ? kLargeBlock : kSmallBlock;
  int rc = CAM_OTHER;
  switch (exchange) {
  case Exchange::ReadRegister: {
    std::uint32_t value = 0;
    rc = link.readRegister(reg, value);
    if (rc == CAM_OK) {
      const auto reply = exactDataPacket(port.readBeforeWrite(), 0, 4, state.verifyReplies());
      require(reply && reply->last && reply->payload.size() == 4);
      require(value == tarsel::bytes::loadLe32(reply->payload, 0));
    }
    break;
  }
  case Exchange::ReadBlocks: {
    const bool verify = !large && state.verifyReplies();
    std::uint8_t sequence = 0;
    bool ended = false;
    BlockHandlers handlers;
    handlers.beforeBlock = [&] { return ended ? CAM_OTHER : CAM_OK; };
    handlers.accept = [&](std::span<const std::uint8_t> payload, bool last) {
      const auto block = exactDataPacket(port.readSinceWrite(), sequence++, blockSize, verify);
      require(block && block->last == last &&
              std::equal(payload.begin(), payload.end(), block->payload.begin(), block->payload.end()));
      ended = last;
      return CAM_OK;
    };
    rc = link.readBlocks(reg, handlers);
    require(rc != CAM_OK || ended);
    break;
  }
  case Exchange::WriteRegister:
    rc = link.writeRegister(reg, 0x01020304u + static_cast<std::uint32_t>(reg), kLetterCommand);
    break;
  case Exchange::Action:
    rc = link.sendAction(reg, 1);
    break;
  case Exchange::WriteObject: {
    // Three packets of small blocks: the command's share, one whole, a little.
    const Bytes object = objectOf(2 * kSmallBlock + 10, data[0]);
    rc = link.writeObject(reg, object, nullptr);
    if (rc == CAM_OK)
      expectObjectSent(port.units, object);
    break;
  }
  }

  for (const Bytes& unit : port.units)
    require(wellFramed(unit) && unit.size() <= blockSize + kPacketOverhead);
  const bool reads = exchange == Exchange::ReadRegister || exchange == Exchange::ReadBlocks;
  if (rc == CAM_OK) {
    // A read ends with the ACK of its last reply; a write with the camera's ACK.
    if (reads)
      require(port.units.back() == Bytes{kAck});
    else
      require(port.readSinceWrite() == Bytes{kAck});
  }
  if (port.lastReadDry())
    require(rc == silentResult(exchange));
  const std::size_t leftoverBlocks = port.queuedAtSilence() / kPacketOverhead;
  require(port.silentUnits() <= kSilentUnits * static_cast<int>(1 + leftoverBlocks));
  return 0;
}

#include "vantic/CameraLink.h"

#include "platform/Bytes.h"
#include "vantic/CallTimeLimit.h"
#include "vantic/PacketCodec.h"

#include <algorithm>

namespace tarsel::vantic {

namespace {

constexpr int kTries = 4;
constexpr int kWriteReplyTries = 6;
constexpr int kObjectReplyTries = 5;
constexpr int kRegisterReplySize = 10;

int unitsOf(int ms) {
  return std::max((ms + 9) / 10, 1);
}

// What ends an exchange at once: the camera ended the session, the USB pipe
// failed, or the caller's time ran out.
bool ends(int sent) {
  return sent != CAM_OK && sent != CameraLink::kWriteFailed;
}

} // namespace

CameraLink::CameraLink(ComPort& port, SessionState& state, const Timings& timings)
    : m_port(port), m_state(state), m_timings(timings) {}

int CameraLink::replyUnits() const {
  return unitsOf(m_timings.replyMs);
}

int CameraLink::read(std::uint8_t* buffer, int count, int units) {
  if (CallTimeLimit::expired())
    return 0;
  const int n = m_port.readTimed(m_state.portHandle, buffer, count, CallTimeLimit::clampUnits(units));
  if (n > 0)
    CallTimeLimit::answered();
  return n;
}

void CameraLink::drainInput() {
  if (!m_state.isUsb())
    m_port.readToQuiet(m_state.portHandle, 1);
}

void CameraLink::sendControl(std::uint8_t byte) {
  m_port.write(m_state.portHandle, &byte, 1);
  m_state.delayPending = true;
}

int CameraLink::sendPacket(std::span<const std::uint8_t> packet, bool blockRequest) {
  if (CallTimeLimit::expired())
    return CAM_NOT_RESPONDING;
  const int handle = m_state.portHandle;
  if (m_state.isUsb()) {
    m_state.delayPending = false;
    if (m_port.write(handle, packet.data(), static_cast<int>(packet.size())) != 1)
      return CAM_USB_FAILED;
    return CAM_OK;
  }
  if (m_state.delayPending) {
    m_port.sleepMs(handle, m_timings.delayAfterControlMs);
    m_state.delayPending = false;
  }
  std::uint8_t pending = 0;
  if (read(&pending, 1, unitsOf(m_timings.pendingLookMs)) == 1) {
    if (pending == kSessionEnd) {
      m_state.setState(State::Ended);
      drainInput();
      return CAM_SESSION_CLOSED;
    }
    drainInput();
  }
  // The camera takes a long packet as its lead byte, the rest of the header
  // and the payload, each after a pause of just over a millisecond.
  bool written;
  const int size = static_cast<int>(packet.size());
  if (size > 4) {
    written = m_port.write(handle, packet.data(), 1) == 1;
    if (written) {
      m_port.shortPause(handle);
      written = m_port.write(handle, packet.data() + 1, 3) == 1;
    }
    if (written) {
      m_port.shortPause(handle);
      written = m_port.write(handle, packet.data() + 4, size - 4) == 1;
    }
  } else {
    written = m_port.write(handle, packet.data(), size) == 1;
  }
  if (!written) {
    m_state.recordFault(blockRequest ? CAM_BAD_READ : CAM_BAD_WRITE);
    return kWriteFailed;
  }
  return CAM_OK;
}

int CameraLink::readReplyByte(int tries) {
  for (int i = 0; i < tries; ++i) {
    std::uint8_t byte = 0;
    const int n = read(&byte, 1, replyUnits());
    m_state.delayPending = false;
    if (n == 1)
      return byte;
    if (n < 0)
      return m_state.isUsb() ? kPipeFailed : kDc1;
  }
  return -1;
}

int CameraLink::readByteWithin(int timeoutMs) {
  std::uint8_t byte = 0;
  const int n = read(&byte, 1, unitsOf(timeoutMs));
  m_state.delayPending = false;
  if (n == 1)
    return byte;
  return n < 0 && m_state.isUsb() ? kPipeFailed : -1;
}

int CameraLink::writeRegister(int reg, std::uint32_t value, std::uint8_t letter) {
  const auto packet = PacketCodec::writeRegister(reg, value, letter);
  int code = CAM_NOT_RESPONDING;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const int sent = sendPacket(packet, false);
    if (ends(sent))
      return sent;
    if (sent == kWriteFailed) {
      code = CAM_BAD_WRITE;
      continue;
    }
    const int reply = readReplyByte(kWriteReplyTries);
    switch (reply) {
    case kAck:
      return CAM_OK;
    case kPipeFailed:
      return CAM_USB_FAILED;
    case kSessionEnd:
      m_state.setState(State::Ended);
      return CAM_SESSION_CLOSED;
    case kDc1: // also a failed serial read
      code = CAM_DC1_RESPONSE;
      break;
    case -1:
      code = CAM_NOT_RESPONDING;
      break;
    case kNak:
      code = CAM_NAK_RESPONSE;
      break;
    default:
      code = CAM_BAD_RESPONSE;
      break;
    }
  }
  return code;
}

int CameraLink::readRegister(int reg, std::uint32_t& value) {
  const auto packet = PacketCodec::readRegister(reg);
  const bool usb = m_state.isUsb();
  const bool verify = m_state.verifyReplies();
  int code = CAM_BAD_READ;
  bool send = true;
  for (int attempt = 0; attempt < kTries; ++attempt) {
    if (send) {
      const int sent = sendPacket(packet, false);
      if (ends(sent))
        return sent;
      if (sent == kWriteFailed) {
        code = CAM_BAD_WRITE;
        continue;
      }
    }
    send = true;
    std::uint8_t reply[kRegisterReplySize] = {};
    const int n = read(reply, kRegisterReplySize, replyUnits());
    m_state.delayPending = false;
    if (n < 0 && usb)
      return CAM_USB_FAILED;
    if (n < kRegisterReplySize) {
      if (n > 0 && reply[0] == kSessionEnd) {
        m_state.setState(State::Ended);
        return CAM_SESSION_CLOSED;
      }
      if (n > 0 && usb)
        return CAM_USB_FAILED;
      code = m_state.recordFault(CAM_BAD_READ);
      continue;
    }
    const bool good =
        reply[0] == kLastPacket && PacketCodec::checkData(reply, 0, 4, verify) == ReplyCheck::Good;
    if (good) {
      sendControl(kAck);
      value = bytes::loadLe32(reply, 4);
      return CAM_OK;
    }
    if (usb)
      return CAM_USB_FAILED;
    if (reply[0] == kEsc)
      continue;
    if (reply[0] == kDc1 || reply[0] == kNak) {
      code = reply[0] == kDc1 ? CAM_DC1_RESPONSE : CAM_NAK_RESPONSE;
      continue;
    }
    // A garbled reply: ask for it again, and give up with CAN on the last try.
    // Giving up is a failed read, never a value.
    code = m_state.recordFault(CAM_BAD_READ);
    drainInput();
    if (attempt + 1 < kTries) {
      sendControl(kNak);
      send = false;
      continue;
    }
    sendControl(kCan);
    return CAM_BAD_READ;
  }
  return code;
}

int CameraLink::sendAction(int action, int argument) {
  const auto packet = PacketCodec::action(action, argument);
  for (int attempt = 0; attempt < kTries; ++attempt) {
    const int sent = sendPacket(packet, false);
    if (ends(sent))
      return sent;
    if (sent == kWriteFailed)
      continue;
    const int reply = readReplyByte(1);
    if (reply == kAck)
      return CAM_OK;
    if (reply == kPipeFailed)
      return CAM_USB_FAILED;
    if (reply == kSessionEnd) {
      m_state.setState(State::Ended);
      return CAM_SESSION_CLOSED;
    }
  }
  return CAM_BAD_WRITE;
}

CameraLink::BlockResult CameraLink::receiveBlock(std::vector<std::uint8_t>& block, std::size_t blockSize,
                                                 bool verify) {
  if (m_state.isUsb()) {
    block.resize(blockSize + kPacketOverhead);
    const int n = read(block.data(), static_cast<int>(block.size()), replyUnits());
    if (n < 0)
      return BlockResult::PipeFailed;
    if (n == 0)
      return BlockResult::Nothing;
    block.resize(static_cast<std::size_t>(n));
    if (block[0] == kSessionEnd)
      return BlockResult::SessionEnd;
    if (block[0] == kEsc)
      return BlockResult::Resend;
    return PacketCodec::checkData(block, m_state.inSequence, blockSize, verify) == ReplyCheck::Good
               ? BlockResult::Good
               : BlockResult::Malformed;
  }
  block.resize(4);
  const int n = read(block.data(), 4, replyUnits());
  if (n == 0)
    return BlockResult::Nothing;
  if (n < 0)
    return BlockResult::Malformed;
  if (block[0] == kSessionEnd)
    return BlockResult::SessionEnd;
  if (n < 4)
    return BlockResult::Malformed;
  if (block[0] == kEsc)
    return BlockResult::Resend;
  if (block[0] != kMorePackets && block[0] != kLastPacket)
    return BlockResult::Malformed;
  // The length is the camera's word: never more than one block, so header,
  // payload and checksum always fit the block buffer.
  const std::size_t length = bytes::loadLe16(block, 2);
  if (length > blockSize)
    return BlockResult::Malformed;
  const std::size_t rest = length + 2;
  const int baud = baudOfSpeed(m_state.speedIndex);
  const int units =
      static_cast<int>(rest / 10 * 9600 / static_cast<std::size_t>(baud)) + m_timings.blockSlackUnits;
  block.resize(4 + rest);
  const int m = read(block.data() + 4, static_cast<int>(rest), units);
  if (m != static_cast<int>(rest))
    return BlockResult::Malformed;
  return PacketCodec::checkData(block, m_state.inSequence, blockSize, verify) == ReplyCheck::Good
             ? BlockResult::Good
             : BlockResult::Malformed;
}

int CameraLink::readBlocks(int reg, const BlockHandlers& handlers) {
  const bool large = m_state.largeBlocks();
  const std::size_t blockSize = large ? kLargeBlock : kSmallBlock;
  const bool verify = !large && m_state.verifyReplies();
  const auto request = PacketCodec::readObject(reg, large);
  m_state.inSequence = 0;
  bool firstBlock = true;
  std::vector<std::uint8_t> block;
  for (;;) {
    if (handlers.beforeBlock) {
      if (const int stop = handlers.beforeBlock(); stop != CAM_OK) {
        if (!firstBlock)
          sendControl(kCan);
        return stop;
      }
    }
    int resends = 0;
    int malformed = 0;
    bool sendRequest = true;
    for (;;) {
      if (sendRequest) {
        if (firstBlock) {
          const int sent = sendPacket(request, true);
          if (ends(sent))
            return sent;
          if (sent == kWriteFailed) {
            if (++resends > kTries)
              return CAM_BAD_READ;
            continue;
          }
        } else {
          // The ACK of the previous block asks for the next one.
          sendControl(kAck);
        }
      }
      sendRequest = false;
      switch (receiveBlock(block, blockSize, verify)) {
      case BlockResult::SessionEnd:
        m_state.setState(State::Ended);
        drainInput();
        return CAM_SESSION_CLOSED;
      case BlockResult::PipeFailed:
        return CAM_USB_FAILED;
      case BlockResult::Nothing:
        if (CallTimeLimit::expired())
          return CAM_NOT_RESPONDING;
        [[fallthrough]];
      case BlockResult::Resend:
        drainInput();
        if (++resends > kTries)
          return CAM_BAD_READ;
        sendRequest = true;
        continue;
      case BlockResult::Malformed:
        if (m_state.isUsb())
          return CAM_USB_FAILED;
        drainInput();
        if (++malformed > kTries) {
          sendControl(kCan);
          return CAM_BAD_READ;
        }
        sendControl(kNak);
        continue;
      case BlockResult::Good:
        break;
      }
      break;
    }
    const bool last = block[0] == kLastPacket;
    const std::size_t length = bytes::loadLe16(block, 2);
    if (handlers.accept) {
      if (const int stop = handlers.accept(std::span<const std::uint8_t>(block.data() + 4, length), last);
          stop != CAM_OK) {
        sendControl(kCan);
        return stop;
      }
    }
    ++m_state.inSequence;
    firstBlock = false;
    if (last) {
      sendControl(kAck);
      return CAM_OK;
    }
  }
}

int CameraLink::writeObject(int reg, std::span<const std::uint8_t> data, const WriteProgress& progress) {
  const bool large = reg == 29 && m_state.largeBlocks();
  const std::size_t blockSize = large ? kLargeBlock : kSmallBlock;
  const auto operation =
      static_cast<std::uint8_t>(large ? Operation::WriteObjectLarge : Operation::WriteObject);

  // The command packet carries the operation, the register and as much data
  // as fits its block; data packets numbered from 0 carry the rest, and a
  // last packet (type 3, empty if nothing is left) ends the object.
  std::vector<std::vector<std::uint8_t>> packets;
  const std::size_t firstData = std::min(data.size(), blockSize - 2);
  {
    std::vector<std::uint8_t> payload(firstData + 2);
    payload[0] = operation;
    payload[1] = static_cast<std::uint8_t>(reg);
    std::copy_n(data.begin(), firstData, payload.begin() + 2);
    packets.push_back(PacketCodec::command(kLetterCommand, payload, large));
  }
  std::size_t offset = firstData;
  std::uint8_t sequence = 0;
  do {
    const std::size_t chunk = std::min(data.size() - offset, blockSize);
    const bool last = offset + chunk == data.size();
    packets.push_back(
        PacketCodec::data(last ? kLastPacket : kMorePackets, sequence++, data.subspan(offset, chunk), large));
    offset += chunk;
  } while (offset < data.size());

  m_state.outSequence = 0;
  std::size_t sent = 0;
  for (std::size_t i = 0; i < packets.size(); ++i) {
    bool accepted = false;
    for (int attempt = 0; attempt < kTries && !accepted; ++attempt) {
      const int rc = sendPacket(packets[i], false);
      if (ends(rc))
        return rc;
      if (rc == kWriteFailed)
        continue;
      const int reply = readReplyByte(kObjectReplyTries);
      if (reply == kAck)
        accepted = true;
      else if (reply == kPipeFailed)
        return CAM_USB_FAILED;
      else if (reply == kSessionEnd) {
        m_state.setState(State::Ended);
        return CAM_SESSION_CLOSED;
      }
    }
    if (!accepted)
      return CAM_BAD_WRITE;
    if (i > 0)
      ++m_state.outSequence;
    sent += packets[i].size() - kPacketOverhead - (i == 0 ? 2 : 0);
    if (progress) {
      if (const int stop = progress(data.size() - sent, data.size()); stop != CAM_OK) {
        sendControl(kCan);
        return stop;
      }
    }
  }
  return CAM_OK;
}

} // namespace tarsel::vantic

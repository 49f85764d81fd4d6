#include "VeskTestHost.h"

#include "sim/vesk/VeskSimFrames.h"
#include "sim/vesk/VeskSimTypes.h"

#include <algorithm>

namespace tarsel::vesksim::test {

VeskTestHost::VeskTestHost(Transport transport, std::uint32_t timeoutMs)
    : m_transport(std::move(transport)), m_timeoutMs(timeoutMs) {}

Request VeskTestHost::scsi(std::uint8_t opcode, Direction direction, std::uint32_t length, const Bytes& data,
                           std::uint32_t timeoutMs) {
  Request r;
  r.header.kind = RequestKind::ScsiPassThrough;
  r.header.cdbLength = 12;
  r.header.direction = direction;
  r.header.cdb[0] = opcode;
  // Lengths sit big-endian in CDB bytes 6-9.
  r.header.cdb[6] = static_cast<std::uint8_t>(length >> 24);
  r.header.cdb[7] = static_cast<std::uint8_t>(length >> 16);
  r.header.cdb[8] = static_cast<std::uint8_t>(length >> 8);
  r.header.cdb[9] = static_cast<std::uint8_t>(length);
  r.header.dataLength = length;
  r.header.timeoutMs = timeoutMs;
  r.data = data;
  return r;
}

Request VeskTestHost::inquiryRequest() {
  Request r;
  r.header.kind = RequestKind::ScsiPassThrough;
  r.header.cdbLength = 6;
  r.header.direction = Direction::DataIn;
  r.header.cdb[0] = 0x12;
  r.header.cdb[4] = 36;
  r.header.dataLength = 36;
  r.header.timeoutMs = 45000;
  return r;
}

Request VeskTestHost::countRequest() {
  Request r;
  r.header.kind = RequestKind::DeviceControl;
  r.header.controlCode = kCountQueryCode;
  r.header.direction = Direction::DataIn;
  r.header.dataLength = 8;
  r.header.timeoutMs = 45000;
  return r;
}

int VeskTestHost::transportError(const Response& r) const {
  switch (r.kind) {
  case Response::Kind::Silence:
    return 121;
  case Response::Kind::Close:
  case Response::Kind::TruncatedThenClose:
    return 55;
  case Response::Kind::Reply:
    break;
  }
  return static_cast<int>(r.reply.header.error);
}

int VeskTestHost::open() {
  Bytes block(16, 0);
  storeLe32(&block[0], 12);
  storeLe16(&block[4], 1);
  storeLe16(&block[6], 0x9FFF);
  return transportError(send(scsi(0xC0, Direction::DataOut, 16, block, m_timeoutMs)));
}

int VeskTestHost::sendFrame(const Bytes& frame) {
  return transportError(
      send(scsi(0xC1, Direction::DataOut, static_cast<std::uint32_t>(frame.size()), frame, m_timeoutMs)));
}

int VeskTestHost::sendStatus(std::uint8_t status) {
  return sendFrame(frames::statusFrame(status, m_statusWord));
}

int VeskTestHost::replyLength(std::uint32_t& length) {
  const Response r = send(scsi(0xC4, Direction::DataIn, 16, {}, m_timeoutMs));
  if (const int e = transportError(r))
    return e;
  if (r.reply.data.size() < 16)
    return 16; // a short answer is no answer
  length = loadLe32(&r.reply.data[12]);
  return 0;
}

int VeskTestHost::readReply(std::uint32_t length, Bytes& reply) {
  const Response r = send(scsi(0xC2, Direction::DataIn, length, {}, m_timeoutMs));
  if (const int e = transportError(r))
    return e;
  reply = r.reply.data;
  return 0;
}

int VeskTestHost::closeStep() {
  return transportError(send(scsi(0xC3, Direction::DataIn, 14, {}, m_timeoutMs)));
}

int VeskTestHost::fetchReply(Bytes& reply) {
  std::uint32_t length = 0;
  if (int e = open())
    return e;
  if (int e = replyLength(length))
    return e;
  if (length > 32896)
    return 16;
  if (int e = readReply(length, reply))
    return e;
  if (reply.size() != length)
    return 16;
  return closeStep();
}

int VeskTestHost::statusError(std::uint8_t status) {
  switch (status) {
  case 0x06:
  case 0x00:
  case 0x05:
    return 0;
  case 0x11:
    return 15;
  case 0x15:
    return 14;
  case 0x18:
    return 31;
  default:
    return 13;
  }
}

namespace {

bool validHeader(const Bytes& r) {
  return r.size() >= 65 && loadLe16(&r[4]) == 2 && loadLe16(&r[6]) == 0x9FFF;
}

} // namespace

HostResult VeskTestHost::readRegister(std::uint8_t reg) {
  HostResult out;
  const std::uint8_t none[1] = {0};
  if ((out.error = open()) ||
      (out.error = sendFrame(frames::commandFrame(frames::kRegisterRead, reg, std::span(none, 0)))) ||
      (out.error = closeStep()))
    return out;
  Bytes reply;
  if ((out.error = fetchReply(reply)))
    return out;
  if (!validHeader(reply) || reply.size() < 74 ||
      frames::checksum(std::span(reply).subspan(68, 4)) != loadLe16(&reply[72])) {
    out.error = 16;
    return out;
  }
  out.value = loadLe32(&reply[68]);
  if ((out.error = open()) || (out.error = sendStatus(0x06)) || (out.error = closeStep()))
    return out;
  return out;
}

HostResult VeskTestHost::writeRegister(std::uint8_t reg, std::uint32_t value) {
  HostResult out;
  std::uint8_t v[4];
  storeLe32(v, value);
  std::uint8_t status = 0xFF;
  for (int attempt = 0; attempt < 3; ++attempt) {
    Bytes reply;
    if ((out.error = open()) ||
        (out.error = sendFrame(frames::commandFrame(frames::kRegisterWrite, reg, v))) ||
        (out.error = closeStep()) || (out.error = fetchReply(reply)))
      return out;
    if (!validHeader(reply)) {
      out.error = 16;
      return out;
    }
    status = reply[64];
    if (status == 0x06 || status == 0x00)
      break;
  }
  out.value = status;
  out.error = status == 0x05 ? 13 : statusError(status);
  return out;
}

HostResult VeskTestHost::runAction(std::uint8_t action, std::uint8_t param) {
  HostResult out;
  const std::uint8_t p[1] = {param};
  if ((out.error = open()) || (out.error = sendFrame(frames::commandFrame(frames::kAction, action, p))) ||
      (out.error = closeStep()))
    return out;
  std::uint8_t status = 0xFF;
  for (int poll = 0; poll < 3; ++poll) {
    Bytes reply;
    if ((out.error = fetchReply(reply)))
      return out;
    if (!validHeader(reply)) {
      out.error = 16;
      return out;
    }
    status = reply[64];
    if (status == 0x06 || status == 0x00)
      break;
  }
  if (status != 0x06 && status != 0x00) {
    out.value = status;
    out.error = status == 0x05 ? 13 : statusError(status);
    return out;
  }
  Bytes reply;
  if ((out.error = fetchReply(reply)))
    return out;
  if (!validHeader(reply)) {
    out.error = 16;
    return out;
  }
  out.value = reply[64];
  if (out.value != 0x05 && out.value != 0x00)
    out.error = 13;
  return out;
}

HostResult VeskTestHost::readData(std::uint8_t object, std::size_t limit) {
  HostResult out;
  const std::uint8_t none[1] = {0};
  if ((out.error = open()) ||
      (out.error = sendFrame(frames::commandFrame(frames::kDataRead, object, std::span(none, 0)))) ||
      (out.error = closeStep()))
    return out;
  for (;;) {
    Bytes reply;
    if ((out.error = fetchReply(reply)))
      return out;
    if (!validHeader(reply) || reply.size() < 70) {
      out.error = 16;
      return out;
    }
    const std::uint16_t n = loadLe16(&reply[66]);
    if (std::size_t{n} + 70 > reply.size()) {
      out.error = 16;
      return out;
    }
    const auto payload = std::span(reply).subspan(68, n);
    const std::uint16_t sum = loadLe16(&reply[68 + n]);
    if (sum != 0xFFFF && sum != frames::checksum(payload)) {
      out.error = 16;
      return out;
    }
    if (out.data.size() + n > limit) {
      out.error = 122; // the object does not fit the caller's buffer
      return out;
    }
    out.data.insert(out.data.end(), payload.begin(), payload.end());
    out.progress.push_back(static_cast<std::uint32_t>(out.data.size()));
    const bool last = reply[64] == frames::kBlockLast;
    if ((out.error = open()) || (out.error = sendStatus(0x06)) || (out.error = closeStep()))
      return out;
    if (last)
      return out;
  }
}

HostResult VeskTestHost::writeData(std::uint8_t object, const Bytes& data) {
  HostResult out;
  constexpr std::size_t kBlock = 32767;
  const std::size_t blocks = data.size() / kBlock + 1;
  for (std::size_t i = 0; i < blocks; ++i) {
    const std::size_t offset = i * kBlock;
    const std::size_t n = std::min(kBlock, data.size() - offset);
    const auto chunk = std::span(data).subspan(offset, n);
    const Bytes frame =
        i == 0 ? frames::commandFrame(frames::kDataWrite, object, chunk)
               : frames::dataBlockFrame(i + 1 == blocks ? frames::kBlockLast : frames::kBlockMiddle,
                                        static_cast<std::uint8_t>(i - 1), chunk);
    Bytes reply;
    if ((out.error = open()) || (out.error = sendFrame(frame)) || (out.error = closeStep()) ||
        (out.error = fetchReply(reply)))
      return out;
    if (!validHeader(reply)) {
      out.error = 16;
      return out;
    }
    out.value = reply[64];
    if (out.value != 0x06 && out.value != 0x00) {
      out.error = statusError(static_cast<std::uint8_t>(out.value));
      if (out.error == 0)
        out.error = 13;
      return out;
    }
  }
  return out;
}

} // namespace tarsel::vesksim::test

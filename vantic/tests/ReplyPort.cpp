#include "ReplyPort.h"

#include <algorithm>

namespace tarsel::vantic::test {

namespace {

std::size_t le16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::size_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::size_t sumOf(std::span<const std::uint8_t> bytes) {
  std::size_t sum = 0;
  for (const std::uint8_t byte : bytes)
    sum += byte;
  return sum & 0xFFFF;
}

} // namespace

std::vector<Bytes> splitReplies(std::span<const std::uint8_t> bytes) {
  std::vector<Bytes> replies;
  std::size_t at = 0;
  while (at + 2 <= bytes.size()) {
    const std::size_t length = std::min(le16(bytes, at), bytes.size() - at - 2);
    at += 2;
    replies.emplace_back(bytes.begin() + static_cast<std::ptrdiff_t>(at),
                         bytes.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  return replies;
}

std::optional<DataPacket> exactDataPacket(std::span<const std::uint8_t> bytes, std::uint8_t sequence,
                                          std::size_t maxPayload, bool verify) {
  if (bytes.size() < 6 || (bytes[0] != 2 && bytes[0] != 3) || bytes[1] != sequence)
    return std::nullopt;
  const std::size_t length = le16(bytes, 2);
  if (length != bytes.size() - 6 || length > maxPayload)
    return std::nullopt;
  const auto payload = bytes.subspan(4, length);
  if (verify && le16(bytes, 4 + length) != sumOf(payload))
    return std::nullopt;
  return DataPacket{payload, bytes[0] == 3};
}

bool wellFramed(const Bytes& unit) {
  if (unit.size() == 1)
    return unit[0] == 0x00 || unit[0] == 0x06 || unit[0] == 0x15 || unit[0] == 0x18;
  if (unit.size() < 6 || (unit[0] != 0x1B && unit[0] != 2 && unit[0] != 3))
    return false;
  const std::size_t length = le16(unit, 2);
  if (length != unit.size() - 6)
    return false;
  const std::size_t sum = le16(unit, 4 + length);
  return sum == sumOf(std::span<const std::uint8_t>(unit).subspan(4, length)) || sum == 0xFFFF;
}

ReplyPort::ReplyPort(std::vector<Bytes> replies) : m_replies(std::move(replies)) {
  camera = [this](const Bytes& unit) { return answer(unit); };
}

void ReplyPort::chooseCamera(int kind) {
  struct UsbCamera {
    std::uint16_t vendor;
    std::uint16_t product;
  };
  static constexpr UsbCamera kUsbCameras[] = {{0x04B8, 0x0401}, {0x0474, 0x0001}, {0x04B0, 0x0102}};
  kind %= 4;
  usbPresent = kind > 0;
  if (usbPresent) {
    usbVendor = kUsbCameras[kind - 1].vendor;
    usbProduct = kUsbCameras[kind - 1].product;
  }
}

Bytes ReplyPort::answer(const Bytes&) {
  // Queued here rather than returned: one copy less per unit.
  if (m_next < m_replies.size())
    queue(m_replies[m_next++]);
  else if (m_silentUnits++ == 0)
    m_queuedAtSilence = queuedBytes();
  return {};
}

int ReplyPort::readTimed(int handle, std::uint8_t* buffer, int count, int timeoutUnits) {
  const int n = ScriptedPort::readTimed(handle, buffer, count, timeoutUnits);
  if (n > 0)
    m_readSinceWrite.insert(m_readSinceWrite.end(), buffer, buffer + n);
  m_lastReadDry = n == 0 && drained();
  return n;
}

int ReplyPort::write(int handle, const std::uint8_t* bytes, int count) {
  m_readBeforeWrite = std::move(m_readSinceWrite);
  m_readSinceWrite.clear();
  return ScriptedPort::write(handle, bytes, count);
}

} // namespace tarsel::vantic::test

#include "vesklib/ProtocolFrames.h"

#include <algorithm>

namespace tarsel::vesk {

namespace {

constexpr std::uint8_t kEscape = 0x1B;
constexpr std::uint8_t kCommandLetter = 'C';

void put16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}

std::uint16_t get16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

std::uint32_t get32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// A frame of `total` bytes with its header filled in.
std::vector<std::uint8_t> frameOf(std::size_t total, std::uint16_t mark = ProtocolFrames::kFrameMark) {
  std::vector<std::uint8_t> frame(total, 0);
  put32(frame.data(), static_cast<std::uint32_t>(total));
  put16(frame.data() + 4, ProtocolFrames::kHeaderWord);
  put16(frame.data() + 6, mark);
  return frame;
}

// An escape command frame: ESC 'C', u16 length of the body, the body, u16 sum of the body.
std::vector<std::uint8_t> commandFrame(std::span<const std::uint8_t> body) {
  auto frame = frameOf(ProtocolFrames::kHeaderSize + 4 + body.size() + 2);
  std::uint8_t* p = frame.data() + ProtocolFrames::kHeaderSize;
  p[0] = kEscape;
  p[1] = kCommandLetter;
  put16(p + 2, static_cast<std::uint16_t>(body.size()));
  std::copy(body.begin(), body.end(), p + 4);
  put16(p + 4 + body.size(), ProtocolFrames::checksum(body));
  return frame;
}

} // namespace

std::array<std::uint8_t, ProtocolFrames::kOpenBlockSize> ProtocolFrames::openBlock() {
  std::array<std::uint8_t, kOpenBlockSize> block{};
  put32(block.data(), 12);
  put16(block.data() + 4, 1);
  put16(block.data() + 6, kFrameMark);
  return block;
}

std::vector<std::uint8_t> ProtocolFrames::registerWrite(std::uint8_t reg, std::uint32_t value) {
  std::uint8_t body[6] = {kRegisterWrite, reg};
  put32(body + 2, value);
  return commandFrame(body);
}

std::vector<std::uint8_t> ProtocolFrames::registerRead(std::uint8_t reg) {
  const std::uint8_t body[2] = {kRegisterRead, reg};
  return commandFrame(body);
}

std::vector<std::uint8_t> ProtocolFrames::action(std::uint8_t actionNumber, std::uint8_t parameter) {
  const std::uint8_t body[3] = {kAction, actionNumber, parameter};
  return commandFrame(body);
}

std::vector<std::uint8_t> ProtocolFrames::dataReadRequest(std::uint8_t reg) {
  const std::uint8_t body[2] = {kDataRead, reg};
  return commandFrame(body);
}

std::vector<std::uint8_t> ProtocolFrames::dataWriteFirst(std::uint8_t reg, std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> body;
  body.reserve(2 + data.size());
  body.push_back(kDataWrite);
  body.push_back(reg);
  body.insert(body.end(), data.begin(), data.end());
  return commandFrame(body);
}

std::vector<std::uint8_t> ProtocolFrames::dataWriteFurther(std::uint8_t type, std::uint8_t sequence,
                                                           std::span<const std::uint8_t> data) {
  auto frame = frameOf(kHeaderSize + 4 + data.size() + 2);
  std::uint8_t* p = frame.data() + kHeaderSize;
  p[0] = type;
  p[1] = sequence;
  put16(p + 2, static_cast<std::uint16_t>(data.size()));
  std::copy(data.begin(), data.end(), p + 4);
  put16(p + 4 + data.size(), checksum(data));
  return frame;
}

std::array<std::uint8_t, ProtocolFrames::kStatusFrameSize> ProtocolFrames::statusFrame(std::uint8_t status) {
  std::array<std::uint8_t, kStatusFrameSize> frame{};
  put32(frame.data(), kStatusFrameSize);
  put16(frame.data() + 4, kHeaderWord);
  put16(frame.data() + 6, kStatusFrameMark);
  frame[kHeaderSize] = status;
  return frame;
}

std::uint16_t ProtocolFrames::checksum(std::span<const std::uint8_t> bytes) {
  std::uint32_t sum = 0;
  for (const std::uint8_t b : bytes)
    sum += b;
  return static_cast<std::uint16_t>(sum);
}

bool ProtocolFrames::hasValidHeader(std::span<const std::uint8_t> reply) {
  return reply.size() >= kHeaderSize && get16(reply.data() + 4) == kHeaderWord &&
         get16(reply.data() + 6) == kFrameMark;
}

bool ProtocolFrames::parseStatusReply(std::span<const std::uint8_t> reply, std::uint8_t& status) {
  if (reply.size() < kHeaderSize + 1 || !hasValidHeader(reply))
    return false;
  status = reply[kHeaderSize];
  return true;
}

bool ProtocolFrames::parseRegisterReply(std::span<const std::uint8_t> reply, std::uint32_t& value) {
  if (reply.size() < 74 || !hasValidHeader(reply))
    return false;
  const auto valueBytes = reply.subspan(68, 4);
  if (get16(reply.data() + 72) != checksum(valueBytes))
    return false;
  value = get32(valueBytes.data());
  return true;
}

bool ProtocolFrames::parseDataReply(std::span<const std::uint8_t> reply, DataBlock& block) {
  if (reply.size() < 70 || !hasValidHeader(reply))
    return false;
  const std::size_t n = get16(reply.data() + 66);
  if (68 + n + 2 > reply.size())
    return false;
  const auto payload = reply.subspan(68, n);
  const std::uint16_t sum = get16(reply.data() + 68 + n);
  if (sum != 0xFFFF && sum != checksum(payload))
    return false;
  block.type = reply[kHeaderSize];
  block.payload = payload;
  return true;
}

} // namespace tarsel::vesk

#include "vesklib/ProtocolFrames.h"

#include "platform/Bytes.h"

#include <algorithm>

namespace tarsel::vesk {

namespace {

constexpr std::uint8_t kEscape = 0x1B;
constexpr std::uint8_t kCommandLetter = 'C';

// The frame header: u32 total length, u16 2, u16 mark.
void putHeader(std::span<std::uint8_t> frame, std::uint16_t mark = ProtocolFrames::kFrameMark) {
  bytes::storeLe32(frame, 0, static_cast<std::uint32_t>(frame.size()));
  bytes::storeLe16(frame, 4, ProtocolFrames::kHeaderWord);
  bytes::storeLe16(frame, 6, mark);
}

// A frame whose body is two lead bytes, u16 length, the data and its u16 sum:
// the escape command frame (ESC 'C') and the further blocks of a data write.
std::vector<std::uint8_t> blockFrame(std::uint8_t first, std::uint8_t second,
                                     std::span<const std::uint8_t> data) {
  constexpr std::size_t at = ProtocolFrames::kHeaderSize;
  std::vector<std::uint8_t> frame(at + 4 + data.size() + 2, 0);
  putHeader(frame);
  frame[at] = first;
  frame[at + 1] = second;
  bytes::storeLe16(frame, at + 2, static_cast<std::uint16_t>(data.size()));
  std::copy(data.begin(), data.end(), frame.begin() + static_cast<std::ptrdiff_t>(at + 4));
  bytes::storeLe16(frame, at + 4 + data.size(), ProtocolFrames::checksum(data));
  return frame;
}

std::vector<std::uint8_t> commandFrame(std::span<const std::uint8_t> body) {
  return blockFrame(kEscape, kCommandLetter, body);
}

} // namespace

std::array<std::uint8_t, ProtocolFrames::kOpenBlockSize> ProtocolFrames::openBlock() {
  std::array<std::uint8_t, kOpenBlockSize> block{};
  bytes::storeLe32(block, 0, 12);
  bytes::storeLe16(block, 4, 1);
  bytes::storeLe16(block, 6, kFrameMark);
  return block;
}

std::vector<std::uint8_t> ProtocolFrames::registerWrite(std::uint8_t reg, std::uint32_t value) {
  std::array<std::uint8_t, 6> body = {kRegisterWrite, reg};
  bytes::storeLe32(body, 2, value);
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

std::vector<std::uint8_t> ProtocolFrames::dataWriteFirst(std::uint8_t reg,
                                                         std::span<const std::uint8_t> data) {
  std::vector<std::uint8_t> body;
  body.reserve(2 + data.size());
  body.push_back(kDataWrite);
  body.push_back(reg);
  body.insert(body.end(), data.begin(), data.end());
  return commandFrame(body);
}

std::vector<std::uint8_t> ProtocolFrames::dataWriteFurther(std::uint8_t type, std::uint8_t sequence,
                                                           std::span<const std::uint8_t> data) {
  return blockFrame(type, sequence, data);
}

std::array<std::uint8_t, ProtocolFrames::kStatusFrameSize> ProtocolFrames::statusFrame(std::uint8_t status) {
  std::array<std::uint8_t, kStatusFrameSize> frame{};
  putHeader(frame, kStatusFrameMark);
  frame[kHeaderSize] = status;
  return frame;
}

std::uint16_t ProtocolFrames::checksum(std::span<const std::uint8_t> bytes) {
  // Summed in chunks of a fixed size, which the compiler turns into vector
  // adds: every block of a picture is summed, several times faster this way.
  constexpr std::size_t kChunk = 64;
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + kChunk <= bytes.size(); i += kChunk) {
    std::uint32_t part = 0;
    for (std::size_t j = 0; j < kChunk; ++j)
      part += bytes[i + j];
    sum += part;
  }
  for (; i < bytes.size(); ++i)
    sum += bytes[i];
  return static_cast<std::uint16_t>(sum);
}

bool ProtocolFrames::hasValidHeader(std::span<const std::uint8_t> reply) {
  return reply.size() >= kHeaderSize && bytes::loadLe16(reply, 4) == kHeaderWord &&
         bytes::loadLe16(reply, 6) == kFrameMark;
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
  if (bytes::loadLe16(reply, 72) != checksum(valueBytes))
    return false;
  value = bytes::loadLe32(valueBytes);
  return true;
}

bool ProtocolFrames::parseDataReply(std::span<const std::uint8_t> reply, DataBlock& block) {
  if (reply.size() < 70 || !hasValidHeader(reply))
    return false;
  const std::size_t n = bytes::loadLe16(reply, 66);
  if (!bytes::inside(68, n + 2, reply.size()))
    return false;
  const auto payload = reply.subspan(68, n);
  const std::uint16_t sum = bytes::loadLe16(reply, 68 + n);
  if (sum != 0xFFFF && sum != checksum(payload))
    return false;
  block.type = reply[kHeaderSize];
  block.payload = payload;
  return true;
}

} // namespace tarsel::vesk

// The frames of the camera's command/reply protocol, carried in the data
// phase of the vendor SCSI commands: encoders for the open block, command
// frames, data-write blocks and status-byte frames, and checked decoders for
// the three kinds of reply (status, register value, data block). Every
// frame starts with a 64-byte header: u32 total length, u16 2, u16 0x9FFF.
// Pure functions, any thread. Decoders never read past the reply they are
// given and report a malformed reply as false.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tarsel::vesk {

class ProtocolFrames {
public:
  static constexpr std::size_t kHeaderSize = 64;
  static constexpr std::uint16_t kHeaderWord = 2;
  static constexpr std::uint16_t kFrameMark = 0x9FFF;
  // The status-byte frame carries this mark in its header.
  static constexpr std::uint16_t kStatusFrameMark = 0x09FF;
  static constexpr std::size_t kStatusFrameSize = 65;
  static constexpr std::size_t kOpenBlockSize = 16;
  // Largest block of a data write.
  static constexpr std::size_t kMaxWriteBlock = 32767;
  // Largest reply the camera may announce: the pass-through buffer of the
  // bulk commands less its 80-byte request part.
  static constexpr std::uint32_t kMaxReplyLength = 32896;

  // Command kinds.
  static constexpr std::uint8_t kRegisterWrite = 0;
  static constexpr std::uint8_t kRegisterRead = 1;
  static constexpr std::uint8_t kAction = 2;
  static constexpr std::uint8_t kDataWrite = 5;
  static constexpr std::uint8_t kDataRead = 6;

  // Block types of data frames and replies.
  static constexpr std::uint8_t kFirstBlock = 1;
  static constexpr std::uint8_t kMiddleBlock = 2;
  static constexpr std::uint8_t kLastBlock = 3;

  // The 16-byte block of the open command: u32 12, u16 1, u16 0x9FFF, 8 zeros.
  static std::array<std::uint8_t, kOpenBlockSize> openBlock();

  static std::vector<std::uint8_t> registerWrite(std::uint8_t reg, std::uint32_t value);
  static std::vector<std::uint8_t> registerRead(std::uint8_t reg);
  static std::vector<std::uint8_t> action(std::uint8_t action, std::uint8_t parameter);
  static std::vector<std::uint8_t> dataReadRequest(std::uint8_t reg);
  // First block of a data write (kind 5 with the register); data at most 65533 bytes.
  static std::vector<std::uint8_t> dataWriteFirst(std::uint8_t reg, std::span<const std::uint8_t> data);
  // A further block: type 2 or 3, its block number less 2; data at most 65535 bytes.
  static std::vector<std::uint8_t> dataWriteFurther(std::uint8_t type, std::uint8_t sequence,
                                                    std::span<const std::uint8_t> data);
  static std::array<std::uint8_t, kStatusFrameSize> statusFrame(std::uint8_t status);

  // The 16-bit byte sum.
  static std::uint16_t checksum(std::span<const std::uint8_t> bytes);

  // A reply's header: at least 64 bytes with u16 2 at 4 and 0x9FFF at 6.
  static bool hasValidHeader(std::span<const std::uint8_t> reply);
  // A status reply: a valid header and the status byte at 64.
  static bool parseStatusReply(std::span<const std::uint8_t> reply, std::uint8_t& status);
  // A register reply: u32 value at 68 and the sum of its four bytes at 72.
  static bool parseRegisterReply(std::span<const std::uint8_t> reply, std::uint32_t& value);

  struct DataBlock {
    std::uint8_t type = 0;
    std::span<const std::uint8_t> payload;
    bool isLast() const { return type == kLastBlock; }
  };
  // A data reply: type at 64, u16 n at 66, n bytes from 68, then their u16
  // sum (0xFFFF: not tested); n must lie inside the reply.
  static bool parseDataReply(std::span<const std::uint8_t> reply, DataBlock& block);
};

} // namespace tarsel::vesk

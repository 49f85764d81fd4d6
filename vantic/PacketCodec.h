// Building and checking the camera's packets. A packet is a lead byte, a
// second byte, a little-endian 16-bit payload length, the payload and a
// little-endian 16-bit checksum (the unsigned 16-bit sum of the payload bytes,
// or 0xFFFF for an unchecked packet). Command packets lead with ESC and carry a
// command letter; data packets lead with their type (2 = more follow, 3 = last)
// and carry a sequence number. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarsel::vantic {

// Single control bytes on the line.
inline constexpr std::uint8_t kWakeProbe = 0x00;
inline constexpr std::uint8_t kEnq = 0x05;
inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kDc1 = 0x11;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kCan = 0x18;
inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kSessionEnd = 0xFF;

// Data packet types.
inline constexpr std::uint8_t kMorePackets = 2;
inline constexpr std::uint8_t kLastPacket = 3;

// Command letters.
inline constexpr std::uint8_t kLetterCommand = 'C';
inline constexpr std::uint8_t kLetterSpeed = 'S';

inline constexpr std::uint16_t kUncheckedSum = 0xFFFF;
inline constexpr std::size_t kPacketOverhead = 6;
inline constexpr std::size_t kSmallBlock = 2048;
inline constexpr std::size_t kLargeBlock = 32768;

// The first payload byte of a command packet.
enum class Operation : std::uint8_t {
  WriteRegister = 0,
  ReadRegister = 1,
  Action = 2,
  WriteObject = 3,
  ReadObject = 4,
  WriteObjectLarge = 5,
  ReadObjectLarge = 6,
};

enum class ReplyCheck {
  Good,
  BadLead,     // not a data packet (2 or 3) or a resend request (ESC)
  BadLength,   // the length field disagrees with the bytes received or exceeds the block
  BadChecksum, // the sum does not match
  BadSequence, // a data packet with another sequence number than expected
};

class PacketCodec {
public:
  static std::uint16_t checksum(std::span<const std::uint8_t> payload);

  // A whole packet; the caller keeps the payload within 65535 bytes.
  static std::vector<std::uint8_t> packet(std::uint8_t lead, std::uint8_t second,
                                          std::span<const std::uint8_t> payload, bool unchecked = false);
  static std::vector<std::uint8_t> command(std::uint8_t letter, std::span<const std::uint8_t> payload,
                                           bool unchecked = false);
  static std::vector<std::uint8_t> data(std::uint8_t type, std::uint8_t sequence,
                                        std::span<const std::uint8_t> payload, bool unchecked = false);

  static std::vector<std::uint8_t> writeRegister(int reg, std::uint32_t value,
                                                 std::uint8_t letter = kLetterCommand);
  static std::vector<std::uint8_t> readRegister(int reg);
  static std::vector<std::uint8_t> action(int action, int argument);
  static std::vector<std::uint8_t> readObject(int reg, bool large);

  // Checks a complete received data packet: lead 2 or 3, a length field equal
  // to the bytes after the header less the checksum and not above maxPayload,
  // the expected sequence number and, when asked, the checksum (an unchecked
  // reply carries 0xFFFF and is not verified).
  static ReplyCheck checkData(std::span<const std::uint8_t> reply, std::uint8_t expectedSequence,
                              std::size_t maxPayload, bool verifyChecksum);
};

} // namespace tarsel::vantic

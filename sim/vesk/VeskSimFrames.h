// The camera protocol's frames as the camera sees them: the frames the host
// sends in the data phase of SCSI command 0xC1 (command frames, further
// data-write blocks, status-byte frames), and the reply records the camera
// hands out through 0xC4/0xC2 (status, register value, data block).
//
// Every frame starts with a 64-byte header: u32 total length, u16 2, u16
// 0x9FFF (status-byte frames 0x09FF; both are taken), 56 zero bytes. Command
// frames continue at byte 64 with ESC 'C', u16 n, n payload bytes (kind,
// number, parameters), u16 checksum = 16-bit sum of the payload. Further data
// blocks continue with type (2 middle, 3 last), sequence, u16 n, n bytes, u16
// checksum of those bytes. Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tarsel::vesksim::frames {

inline constexpr std::size_t kHeaderSize = 64;
inline constexpr std::uint16_t kSignature = 2;
inline constexpr std::uint16_t kHeaderWord = 0x9FFF;
inline constexpr std::uint16_t kStatusHeaderWord = 0x09FF;
inline constexpr std::size_t kStatusFrameSize = 65;

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kCommandLetter = 'C';

inline constexpr std::uint8_t kAck = 0x06;
inline constexpr std::uint8_t kOkZero = 0x00;
inline constexpr std::uint8_t kActionDone = 0x05;
inline constexpr std::uint8_t kDc1 = 0x11;
inline constexpr std::uint8_t kNak = 0x15;
inline constexpr std::uint8_t kCan = 0x18;

enum Kind : std::uint8_t {
  kRegisterWrite = 0,
  kRegisterRead = 1,
  kAction = 2,
  kDataWrite = 5,
  kDataRead = 6,
};

inline constexpr std::uint8_t kBlockMiddle = 2;
inline constexpr std::uint8_t kBlockLast = 3;

std::uint16_t checksum(std::span<const std::uint8_t> bytes);

// ---- host -> camera ----

struct HostFrame {
  enum class Type { Invalid, Status, Command, DataBlock };
  Type type = Type::Invalid;
  std::uint16_t headerWord = 0;
  bool checksumOk = true;
  std::string problem;            // why the frame is Invalid
  std::vector<std::string> notes; // tolerated oddities (non-zero padding ...)
  // Status
  std::uint8_t status = 0;
  // Command
  std::uint8_t kind = 0;
  std::uint8_t number = 0;
  std::vector<std::uint8_t> params; // payload after kind and number
  // DataBlock
  std::uint8_t blockType = 0;
  std::uint8_t sequence = 0;
  std::vector<std::uint8_t> data;
};

HostFrame parseHostFrame(std::span<const std::uint8_t> frame);

// ---- camera -> host ----

// Status record: header + the status byte at 64 (65 bytes).
std::vector<std::uint8_t> statusRecord(std::uint8_t status);
// Register record: type 3 at 64, 0 at 65, u16 4 at 66, u32 value at 68, u16
// checksum of the four value bytes at 72 (74 bytes).
std::vector<std::uint8_t> registerRecord(std::uint32_t value);
// Data record: type (2 more, 3 last) at 64, sequence at 65, u16 n at 66, n
// bytes at 68, u16 checksum (or 0xFFFF when unchecked) after them.
std::vector<std::uint8_t> dataRecord(std::uint8_t type, std::uint8_t sequence,
                                     std::span<const std::uint8_t> payload, bool unchecked);

// ---- host frames, as a host builds them (used by tests and tools) ----

std::vector<std::uint8_t> commandFrame(std::uint8_t kind, std::uint8_t number,
                                       std::span<const std::uint8_t> params);
std::vector<std::uint8_t> dataBlockFrame(std::uint8_t type, std::uint8_t sequence,
                                         std::span<const std::uint8_t> data);
std::vector<std::uint8_t> statusFrame(std::uint8_t status, std::uint16_t headerWord = kStatusHeaderWord);

} // namespace tarsel::vesksim::frames

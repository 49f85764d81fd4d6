// The five transactions of the camera's command/reply protocol, each a
// sequence of link operations on one camera: read a register, write a
// register (three attempts), run an action (three polls, then its second
// reply), read a data object block by block into the caller's buffer with
// progress reports, and write a data object in blocks of 32767 bytes.
//
// Runs on the thread that holds the camera's busy flag. Failures are thrown
// as VeskFault: 13, 14, 15 and 31 from the camera's status byte, 16 for a
// reply that is missing, short, malformed, fails its checksum or does not fit
// the destination; link failures pass unchanged. A failed transaction
// leaves the camera as it stands; the next one starts with a fresh open.
#pragma once

#include "vesklib/VeskDLL.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <vector>

namespace tarsel::vesk {

class CCameraRecord;
class CScsiLink;

class CameraProtocol {
public:
  static constexpr int kAttempts = 3;
  // Empty blocks in a row that a data read accepts before it gives up.
  static constexpr int kMaxEmptyBlocks = 64;

  static constexpr std::uint8_t kAck = 0x06;
  static constexpr std::uint8_t kAccepted = 0x00;
  static constexpr std::uint8_t kFinished = 0x05;
  static constexpr std::uint8_t kNotReady = 0x11;
  static constexpr std::uint8_t kNak = 0x15;
  static constexpr std::uint8_t kCancel = 0x18;

  using ProgressSink = std::function<void(const VESK_PROGRESS&)>;

  explicit CameraProtocol(CScsiLink& link) : m_link(link) {}

  std::uint32_t readRegister(CCameraRecord& camera, std::uint8_t reg);
  // The final status byte (a success).
  std::uint8_t writeRegister(CCameraRecord& camera, std::uint8_t reg, std::uint32_t value);
  void runAction(CCameraRecord& camera, std::uint8_t action, std::uint8_t parameter);
  // Reads the object into destination, never past its end; returns the
  // number of bytes received. With a progress sink, reports every block.
  std::size_t readData(CCameraRecord& camera, std::uint8_t reg, std::span<std::uint8_t> destination,
                       const ProgressSink* progress);
  // The final status byte (a success).
  std::uint8_t writeData(CCameraRecord& camera, std::uint8_t reg, std::span<const std::uint8_t> source);

  // The library error number of a status byte, 0 for a success. CAN is 31
  // only while data is being sent.
  static int errorForStatus(std::uint8_t status, bool sendingData);
  // The blocks of a data write: every block 32767 bytes but the last, which
  // may be empty; never more bytes than the source holds.
  static std::vector<std::size_t> writeBlockSizes(std::size_t length);

private:
  // Storage for the longest reply, left unfilled: each reply overwrites it.
  static std::unique_ptr<std::uint8_t[]> replyBuffer();
  std::span<std::uint8_t> fetchReply(int handle, std::span<std::uint8_t> buffer);
  std::uint8_t fetchStatus(int handle);
  // Sends one frame in its own transaction and fetches the camera's status.
  std::uint8_t sendForStatus(int handle, std::uint32_t extraSeconds, std::span<const std::uint8_t> frame);

  CScsiLink& m_link;
};

} // namespace tarsel::vesk

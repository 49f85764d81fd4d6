// The camera link: the six SCSI commands the camera understands (open a
// transaction 0xC0, send a frame or status byte 0xC1, read the pending reply
// 0xC2, close the step 0xC3, ask the reply's length 0xC4, INQUIRY 0x12),
// issued through the device back end with their buffers and time-outs, and
// discovery of the supported cameras.
//
// Failures are thrown as VeskFault: a device that is gone (ERROR_DEV_NOT_EXIST)
// is library error 26; a missing length answer or a reply length beyond the
// bulk buffer is 16; any other Win32 number passes as a Win32 fault. ERROR_GEN_FAILURE counts as done, as
// the camera needs; the reply checks of the protocol then catch a missing or
// short reply. A failed INQUIRY only means "not a camera".
//
// No lock of its own: the manager lets one command run per camera at a time,
// and commands for different cameras may run on different threads at once.
#pragma once

#include "vesklib/DeviceBackend.h"

#include <atomic>
#include <memory>

namespace tarsel::vesk {

class CScsiLink {
public:
  // The time-out of every command; the open command adds the camera's extra seconds.
  static constexpr std::uint32_t kDefaultTimeoutMs = 45000;
  static constexpr std::uint32_t kCountQueryCode = 0x222004;
  // More devices than this in a count answer are not probed.
  static constexpr std::uint32_t kMaxDevices = 256;

  explicit CScsiLink(std::unique_ptr<IDeviceBackend> backend, std::uint32_t timeoutMs = kDefaultTimeoutMs);

  IDeviceBackend& backend() { return *m_backend; }
  std::uint32_t timeoutMs() const { return m_timeoutMs; }

  // Prepares the transport: 0, or 29 when it cannot be used. Chooses drive
  // names only where drive devices can carry the camera commands.
  int initControl();
  void useDriveNames(bool flag) { m_driveNames = flag; }
  bool driveNames() const { return m_driveNames; }

  struct FoundCamera {
    std::string devicePath;
    std::string modelName;
  };
  // Probes every device of the control device's count (or every drive
  // device in drive-name mode) and returns the supported cameras in order.
  std::vector<FoundCamera> enumerate();

  // The link operations, each on an open device handle.
  void openTransaction(int handle, std::uint32_t extraSeconds);
  void sendFrame(int handle, std::span<const std::uint8_t> frame);
  void sendStatus(int handle, std::uint8_t status);
  std::uint32_t getReplyLength(int handle);
  // The reply as the device delivered it, at the start of `buffer`: as many
  // bytes as arrived, at most length. A transfer reuses one buffer from block
  // to block; a length beyond the buffer is refused.
  std::span<std::uint8_t> readReply(int handle, std::uint32_t length, std::span<std::uint8_t> buffer);
  void closeStep(int handle);
  // Fills 36 bytes; false when the command failed (out is then zero).
  bool inquiry(int handle, std::array<std::uint8_t, 36>& out);

private:
  ScsiOutcome issue(int handle, ScsiCommand& command);
  std::uint32_t timeoutWithExtra(std::uint32_t extraSeconds) const;
  void probe(const std::string& path, std::vector<FoundCamera>& found);

  std::unique_ptr<IDeviceBackend> m_backend;
  std::uint32_t m_timeoutMs;
  std::atomic<bool> m_driveNames{false};
};

} // namespace tarsel::vesk

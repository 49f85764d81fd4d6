// The device back end used when $VESK_DEVICE_DIR is set: every device is a
// Unix stream socket in that folder ("BrantelVesk" the control device,
// "BrantelVesk<N>" the cameras), and every command is one request frame
// answered by one reply frame (vesklib/VeskWire.h).
//
// A reply that does not come within the command's time-out is
// ERROR_SEM_TIMEOUT. Every request carries a sequence number of its own and
// the peer repeats it in the reply, so a late reply is recognised when it
// turns up and dropped, never taken for the answer to a later command. A
// closed connection, a socket that is gone, a reply that does not decode or
// names no request still waiting, and a time-out in the middle of a frame
// (the stream is then out of step; the connection is shut down) are
// ERROR_DEV_NOT_EXIST from then on. Reply data is never copied past the
// caller's buffer. Each handle is used by one thread at a time; different
// handles in parallel.
#pragma once

#include "vesklib/DeviceBackend.h"
#include "vesklib/VeskWire.h"

#include <atomic>
#include <mutex>
#include <unordered_map>

namespace tarsel::vesk {

class SocketDeviceBackend : public IDeviceBackend {
public:
  explicit SocketDeviceBackend(std::string folder, std::uint32_t controlTimeoutMs = 45000);

  const std::string& folder() const { return m_folder; }

  int initControl(bool& driveNamesUsable) override;
  std::string controlDevicePath() override;
  std::string cameraDevicePath(std::uint32_t index) override;
  std::vector<std::string> driveDevicePaths() override;
  DWORD open(const std::string& path, int& handle) override;
  void close(int handle) override;
  ControlOutcome deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) override;
  ScsiOutcome passThrough(int handle, const ScsiCommand& command) override;

private:
  struct Exchange {
    DWORD error = 0;
    std::uint8_t scsiStatus = 0;
    std::uint8_t senseLength = 0;
    std::array<std::uint8_t, 32> sense{};
    std::uint32_t transferred = 0;
  };

  Exchange exchange(int handle, wire::RequestHeader request, std::span<const std::uint8_t> payload,
                    std::span<std::uint8_t> in);
  std::uint32_t owedReplies(int handle);
  void setOwedReplies(int handle, std::uint32_t owed);

  std::string m_folder;
  std::uint32_t m_controlTimeoutMs;
  std::atomic<std::uint32_t> m_nextSequence{1};
  std::mutex m_lock;
  // Per handle: requests that timed out and whose replies may still come.
  std::unordered_map<int, std::uint32_t> m_owed;
};

} // namespace tarsel::vesk

// A device back end for tests that plays one camera from a script and
// records every command the library issued: opcode, CDB, direction, data
// length, time-out and the bytes sent. Replies to read (0xC2) are queued by
// the test; 0xC4 announces the length of the next one (or a forced length).
// Errors can be queued per opcode. INQUIRY answers with a product id per
// device path. Not thread-safe: one test thread.
#pragma once

#include "vesklib/DeviceBackend.h"

#include <deque>
#include <map>
#include <optional>

namespace tarsel::vesk::test {

struct RecordedCommand {
  std::uint8_t opcode = 0;
  std::vector<std::uint8_t> cdb;
  DataDirection direction = DataDirection::None;
  std::uint32_t length = 0;
  std::uint32_t timeoutMs = 0;
  std::vector<std::uint8_t> dataOut;
};

class ScriptedBackend : public IDeviceBackend {
public:
  // Replies for the camera.
  void queueReply(std::vector<std::uint8_t> reply) { m_replies.push_back(std::move(reply)); }
  void queueStatus(std::uint8_t status);
  void queueRegister(std::uint32_t value, bool goodChecksum = true);
  void queueDataBlock(std::uint8_t type, std::span<const std::uint8_t> payload,
                      std::optional<std::uint16_t> sum = {});
  // The next command with this opcode fails with this Win32 error.
  void failNext(std::uint8_t opcode, DWORD error) { m_failures[opcode].push_back(error); }
  // The next 0xC4 announces this length whatever is queued.
  void forceNextLength(std::uint32_t length) { m_forcedLength = length; }

  // Devices for discovery: a count answer and INQUIRY product ids by path.
  void setDeviceCount(std::uint32_t count) { m_count = count; }
  void setProduct(const std::string& path, const std::string& productId) { m_products[path] = productId; }
  void setOpenError(const std::string& path, DWORD error) { m_openErrors[path] = error; }

  const std::vector<RecordedCommand>& commands() const { return m_commands; }
  void clearCommands() { m_commands.clear(); }
  std::string opcodeTranscript() const;
  std::size_t pendingReplies() const { return m_replies.size(); }
  int openHandles() const { return m_openHandles; }

  int initControl(bool& driveNamesUsable) override;
  std::string controlDevicePath() override { return "ctl"; }
  std::string cameraDevicePath(std::uint32_t index) override { return "cam" + std::to_string(index); }
  std::vector<std::string> driveDevicePaths() override { return {}; }
  DWORD open(const std::string& path, int& handle) override;
  void close(int handle) override;
  ControlOutcome deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) override;
  ScsiOutcome passThrough(int handle, const ScsiCommand& command) override;

private:
  std::deque<std::vector<std::uint8_t>> m_replies;
  std::map<std::uint8_t, std::deque<DWORD>> m_failures;
  std::optional<std::uint32_t> m_forcedLength;
  std::uint32_t m_count = 1;
  std::map<std::string, std::string> m_products;
  std::map<std::string, DWORD> m_openErrors;
  std::map<int, std::string> m_handles;
  int m_nextHandle = 100;
  int m_openHandles = 0;
  std::vector<RecordedCommand> m_commands;
};

// Reply records as the camera builds them.
std::vector<std::uint8_t> replyHeader(std::size_t total);
std::vector<std::uint8_t> statusReply(std::uint8_t status);

} // namespace tarsel::vesk::test

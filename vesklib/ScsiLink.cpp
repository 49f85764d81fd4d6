#include "vesklib/ScsiLink.h"

#include "platform/Bytes.h"
#include "platform/Win32Error.h"
#include "vesklib/ProtocolFrames.h"
#include "vesklib/SupportedCameraList.h"
#include "vesklib/VeskErrors.h"
#include "vesklib/VeskFault.h"

#include <algorithm>
#include <limits>

namespace tarsel::vesk {

namespace {

constexpr std::uint8_t kOpen = 0xC0;
constexpr std::uint8_t kSend = 0xC1;
constexpr std::uint8_t kRead = 0xC2;
constexpr std::uint8_t kClose = 0xC3;
constexpr std::uint8_t kLength = 0xC4;
constexpr std::uint8_t kInquiry = 0x12;
constexpr std::uint32_t kCloseAnswerSize = 14;
constexpr std::uint32_t kLengthAnswerSize = 16;
constexpr std::uint32_t kInquirySize = 36;

ScsiCommand vendorCommand(std::uint8_t opcode, std::uint32_t cdbLength, std::uint32_t timeoutMs) {
  ScsiCommand command;
  command.cdb[0] = opcode;
  command.cdbLength = 12;
  // Lengths in the CDB are big-endian in bytes 6 to 9.
  bytes::storeBe32(command.cdb, 6, cdbLength);
  command.timeoutMs = timeoutMs;
  return command;
}

} // namespace

CScsiLink::CScsiLink(std::unique_ptr<IDeviceBackend> backend, std::uint32_t timeoutMs)
    : m_backend(std::move(backend)), m_timeoutMs(timeoutMs) {}

int CScsiLink::initControl() {
  bool usable = false;
  const int result = m_backend->initControl(usable);
  m_driveNames = result == 0 && usable;
  return result;
}

std::uint32_t CScsiLink::timeoutWithExtra(std::uint32_t extraSeconds) const {
  const std::uint64_t total = static_cast<std::uint64_t>(m_timeoutMs) + std::uint64_t{extraSeconds} * 1000u;
  return static_cast<std::uint32_t>(
      std::min<std::uint64_t>(total, std::numeric_limits<std::uint32_t>::max()));
}

ScsiOutcome CScsiLink::issue(int handle, ScsiCommand& command) {
  const ScsiOutcome outcome = m_backend->passThrough(handle, command);
  switch (outcome.error) {
  case ERROR_SUCCESS:
  case ERROR_GEN_FAILURE:
    return outcome;
  case ERROR_DEV_NOT_EXIST:
    throw VeskFault::library(VESK_NOT_CONNECTED);
  default:
    throw VeskFault::win32(outcome.error);
  }
}

void CScsiLink::openTransaction(int handle, std::uint32_t extraSeconds) {
  const auto block = ProtocolFrames::openBlock();
  ScsiCommand command = vendorCommand(kOpen, ProtocolFrames::kOpenBlockSize, timeoutWithExtra(extraSeconds));
  command.direction = DataDirection::Out;
  command.dataOut = block;
  issue(handle, command);
}

void CScsiLink::sendFrame(int handle, std::span<const std::uint8_t> frame) {
  ScsiCommand command = vendorCommand(kSend, static_cast<std::uint32_t>(frame.size()), m_timeoutMs);
  command.direction = DataDirection::Out;
  command.dataOut = frame;
  issue(handle, command);
}

void CScsiLink::sendStatus(int handle, std::uint8_t status) {
  const auto frame = ProtocolFrames::statusFrame(status);
  sendFrame(handle, frame);
}

std::uint32_t CScsiLink::getReplyLength(int handle) {
  std::array<std::uint8_t, kLengthAnswerSize> answer{};
  ScsiCommand command = vendorCommand(kLength, kLengthAnswerSize, m_timeoutMs);
  command.direction = DataDirection::In;
  command.dataIn = answer;
  const ScsiOutcome outcome = issue(handle, command);
  // No answer is no length: the camera did not say what it holds.
  if (outcome.transferred < kLengthAnswerSize)
    throw VeskFault::library(VESK_BAD_CHECKSUM);
  return bytes::loadLe32(answer, 12);
}

std::span<std::uint8_t> CScsiLink::readReply(int handle, std::uint32_t length,
                                             std::span<std::uint8_t> buffer) {
  // The length comes from the camera: never beyond the bulk buffer.
  if (length > ProtocolFrames::kMaxReplyLength || length > buffer.size())
    throw VeskFault::library(VESK_BAD_CHECKSUM);
  const std::span<std::uint8_t> reply = buffer.first(length);
  ScsiCommand command = vendorCommand(kRead, length, m_timeoutMs);
  command.direction = DataDirection::In;
  command.dataIn = reply;
  const ScsiOutcome outcome = issue(handle, command);
  return reply.first(std::min<std::size_t>(outcome.transferred, reply.size()));
}

void CScsiLink::closeStep(int handle) {
  std::array<std::uint8_t, kCloseAnswerSize> answer{};
  ScsiCommand command = vendorCommand(kClose, kCloseAnswerSize, m_timeoutMs);
  command.direction = DataDirection::In;
  command.dataIn = answer;
  issue(handle, command);
}

bool CScsiLink::inquiry(int handle, std::array<std::uint8_t, 36>& out) {
  out.fill(0);
  ScsiCommand command;
  command.cdb[0] = kInquiry;
  command.cdb[4] = kInquirySize;
  command.cdbLength = 6;
  command.direction = DataDirection::In;
  command.dataIn = out;
  command.timeoutMs = m_timeoutMs;
  const ScsiOutcome outcome = m_backend->passThrough(handle, command);
  // The product identification ends at byte 32; a device may leave out the rest.
  if (outcome.error != ERROR_SUCCESS || outcome.transferred < 32) {
    out.fill(0);
    return false;
  }
  return true;
}

void CScsiLink::probe(const std::string& path, std::vector<FoundCamera>& found) {
  int handle = -1;
  if (m_backend->open(path, handle) != ERROR_SUCCESS)
    return;
  std::array<std::uint8_t, 36> answer{};
  const bool answered = inquiry(handle, answer);
  m_backend->close(handle);
  if (!answered)
    return;
  const std::string_view productId(reinterpret_cast<const char*>(answer.data()) + 16, 16);
  if (!SupportedCameraList::isSupportedCamera(productId))
    return;
  found.push_back({path, SupportedCameraList::modelName(productId)});
}

std::vector<CScsiLink::FoundCamera> CScsiLink::enumerate() {
  std::vector<FoundCamera> found;
  if (m_driveNames) {
    for (const auto& path : m_backend->driveDevicePaths())
      probe(path, found);
    return found;
  }
  int control = -1;
  if (m_backend->open(m_backend->controlDevicePath(), control) != ERROR_SUCCESS)
    return found;
  std::array<std::uint8_t, 8> answer{};
  const ControlOutcome outcome = m_backend->deviceControl(control, kCountQueryCode, answer);
  m_backend->close(control);
  if (outcome.error != ERROR_SUCCESS || outcome.transferred < 4)
    return found;
  const std::uint32_t count = bytes::loadLe32(answer, 0);
  for (std::uint32_t index = 0; index < std::min(count, kMaxDevices); ++index)
    probe(m_backend->cameraDevicePath(index), found);
  return found;
}

} // namespace tarsel::vesk

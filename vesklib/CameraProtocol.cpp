#include "vesklib/CameraProtocol.h"

#include "vesklib/CameraRecord.h"
#include "vesklib/ProtocolFrames.h"
#include "vesklib/ScsiLink.h"
#include "vesklib/VeskErrors.h"
#include "vesklib/VeskFault.h"

#include <algorithm>
#include <cstring>

namespace tarsel::vesk {

namespace {

bool isAccepted(std::uint8_t status) {
  return status == CameraProtocol::kAck || status == CameraProtocol::kAccepted;
}

void throwIfFailed(std::uint8_t status, bool sendingData) {
  if (const int error = CameraProtocol::errorForStatus(status, sendingData))
    throw VeskFault::library(error);
}

} // namespace

int CameraProtocol::errorForStatus(std::uint8_t status, bool sendingData) {
  switch (status) {
  case kAck:
  case kAccepted:
  case kFinished:
    return 0;
  case kNotReady:
    return VESK_DC1_RESPONSE;
  case kNak:
    return VESK_NAK1_RESPONSE;
  case kCancel:
    return sendingData ? VESK_ERROR_CANCELLED : VESK_CAMERA_BAD_RESPONSE;
  default:
    return VESK_CAMERA_BAD_RESPONSE;
  }
}

std::vector<std::size_t> CameraProtocol::writeBlockSizes(std::size_t length) {
  // One block more than the whole blocks: a source that is an exact multiple
  // of the block size ends with an empty last block.
  const std::size_t count = length / ProtocolFrames::kMaxWriteBlock + 1;
  std::vector<std::size_t> sizes;
  sizes.reserve(count);
  std::size_t remaining = length;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t size = std::min(remaining, ProtocolFrames::kMaxWriteBlock);
    sizes.push_back(size);
    remaining -= size;
  }
  return sizes;
}

std::unique_ptr<std::uint8_t[]> CameraProtocol::replyBuffer() {
  return std::make_unique_for_overwrite<std::uint8_t[]>(ProtocolFrames::kMaxReplyLength);
}

std::span<std::uint8_t> CameraProtocol::fetchReply(int handle, std::span<std::uint8_t> buffer) {
  const std::uint32_t length = m_link.getReplyLength(handle);
  return m_link.readReply(handle, length, buffer);
}

// O, L, R, status, C: one status reply of the open transaction step.
std::uint8_t CameraProtocol::sendForStatus(int handle, std::uint32_t extraSeconds,
                                           std::span<const std::uint8_t> frame) {
  m_link.openTransaction(handle, extraSeconds);
  m_link.sendFrame(handle, frame);
  m_link.closeStep(handle);
  m_link.openTransaction(handle, extraSeconds);
  return fetchStatus(handle);
}

std::uint8_t CameraProtocol::fetchStatus(int handle) {
  const auto buffer = replyBuffer();
  const auto reply = fetchReply(handle, {buffer.get(), ProtocolFrames::kMaxReplyLength});
  std::uint8_t status = 0;
  // A missing or short reply is no status at all, never an accepted one.
  if (!ProtocolFrames::parseStatusReply(reply, status))
    throw VeskFault::library(VESK_BAD_CHECKSUM);
  m_link.closeStep(handle);
  return status;
}

std::uint32_t CameraProtocol::readRegister(CCameraRecord& camera, std::uint8_t reg) {
  const int h = camera.handle();
  const std::uint32_t extra = camera.extraSeconds();
  m_link.openTransaction(h, extra);
  m_link.sendFrame(h, ProtocolFrames::registerRead(reg));
  m_link.closeStep(h);

  m_link.openTransaction(h, extra);
  const auto buffer = replyBuffer();
  const auto reply = fetchReply(h, {buffer.get(), ProtocolFrames::kMaxReplyLength});
  std::uint32_t value = 0;
  if (!ProtocolFrames::parseRegisterReply(reply, value))
    throw VeskFault::library(VESK_BAD_CHECKSUM);
  m_link.closeStep(h);

  m_link.openTransaction(h, extra);
  m_link.sendStatus(h, kAck);
  m_link.closeStep(h);
  return value;
}

std::uint8_t CameraProtocol::writeRegister(CCameraRecord& camera, std::uint8_t reg, std::uint32_t value) {
  const int h = camera.handle();
  const std::uint32_t extra = camera.extraSeconds();
  const auto frame = ProtocolFrames::registerWrite(reg, value);
  std::uint8_t status = 0;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    status = sendForStatus(h, extra, frame);
    if (isAccepted(status))
      break;
  }
  throwIfFailed(status, false);
  return status;
}

void CameraProtocol::runAction(CCameraRecord& camera, std::uint8_t action, std::uint8_t parameter) {
  const int h = camera.handle();
  const std::uint32_t extra = camera.extraSeconds();
  m_link.openTransaction(h, extra);
  m_link.sendFrame(h, ProtocolFrames::action(action, parameter));
  m_link.closeStep(h);

  std::uint8_t status = 0;
  for (int poll = 0; poll < kAttempts; ++poll) {
    m_link.openTransaction(h, extra);
    status = fetchStatus(h);
    if (isAccepted(status))
      break;
  }
  throwIfFailed(status, false);

  m_link.openTransaction(h, extra);
  const std::uint8_t second = fetchStatus(h);
  if (second != kFinished && second != kAccepted)
    throw VeskFault::library(VESK_CAMERA_BAD_RESPONSE);
}

std::size_t CameraProtocol::readData(CCameraRecord& camera, std::uint8_t reg,
                                     std::span<std::uint8_t> destination, const ProgressSink* progress) {
  const int h = camera.handle();
  const std::uint32_t extra = camera.extraSeconds();
  VESK_PROGRESS& counters = camera.counters();
  // Counts belong to this transfer only, whatever an earlier one left.
  counters = {0, 0};

  m_link.openTransaction(h, extra);
  m_link.sendFrame(h, ProtocolFrames::dataReadRequest(reg));
  m_link.closeStep(h);

  m_link.openTransaction(h, extra);
  const auto buffer = replyBuffer();
  const std::span<std::uint8_t> storage(buffer.get(), ProtocolFrames::kMaxReplyLength);
  std::span<std::uint8_t> reply = fetchReply(h, storage);
  std::size_t received = 0;
  int emptyBlocks = 0;
  for (;;) {
    ProtocolFrames::DataBlock block;
    if (!ProtocolFrames::parseDataReply(reply, block))
      throw VeskFault::library(VESK_BAD_CHECKSUM);
    const std::size_t n = block.payload.size();
    // The camera's length is untrusted: never copy past the destination.
    if (n > destination.size() - received)
      throw VeskFault::library(VESK_BAD_CHECKSUM);
    if (n != 0)
      std::memcpy(destination.data() + received, block.payload.data(), n);
    received += n;
    const bool last = block.isLast();
    m_link.closeStep(h);

    m_link.openTransaction(h, extra);
    m_link.sendStatus(h, kAck);
    m_link.closeStep(h);

    if (progress && *progress) {
      counters.lastBlock = static_cast<std::uint32_t>(n);
      counters.received += static_cast<std::uint32_t>(n);
      (*progress)(counters);
    }
    if (last) {
      counters = {0, 0};
      return received;
    }
    // A camera that sends nothing but empty blocks would never finish.
    emptyBlocks = n == 0 ? emptyBlocks + 1 : 0;
    if (emptyBlocks > kMaxEmptyBlocks)
      throw VeskFault::library(VESK_BAD_CHECKSUM);

    m_link.openTransaction(h, extra);
    reply = fetchReply(h, storage);
  }
}

std::uint8_t CameraProtocol::writeData(CCameraRecord& camera, std::uint8_t reg,
                                       std::span<const std::uint8_t> source) {
  const int h = camera.handle();
  const std::uint32_t extra = camera.extraSeconds();
  const auto sizes = writeBlockSizes(source.size());
  std::size_t offset = 0;
  std::uint8_t status = 0;
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const auto chunk = source.subspan(offset, sizes[i]);
    offset += sizes[i];
    std::vector<std::uint8_t> frame;
    if (i == 0) {
      frame = ProtocolFrames::dataWriteFirst(reg, chunk);
    } else {
      const std::uint8_t type =
          i + 1 == sizes.size() ? ProtocolFrames::kLastBlock : ProtocolFrames::kMiddleBlock;
      // Further blocks carry their block number (from 1) less 2.
      frame = ProtocolFrames::dataWriteFurther(type, static_cast<std::uint8_t>(i - 1), chunk);
    }
    status = sendForStatus(h, extra, frame);
    if (isAccepted(status))
      continue;
    throwIfFailed(status, true);
    return status;
  }
  return status;
}

} // namespace tarsel::vesk

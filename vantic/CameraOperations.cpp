#include "vantic/CameraOperations.h"

#include "vantic/RegisterRanges.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace tarsel::vantic {

namespace {

constexpr int kRetryLimit = 4;
constexpr int kSpeedRegister = 17;

} // namespace

CameraOperations::CameraOperations(SessionState& state, CameraLink& link, CameraSession& session)
    : m_state(state), m_link(link), m_session(session) {}

bool CameraOperations::mayRetryAfterEnd(int& reopens) {
  // The library-wide counter bounds the re-opens; the wake-up of a serial
  // re-open sets it back, so each operation also counts its own.
  ++m_state.retryCounter;
  return m_state.retryCounter < kRetryLimit && ++reopens <= kRetryLimit;
}

int CameraOperations::callback(int percent) {
  if (!m_state.callback)
    return 1;
  return m_state.callback(m_state.userValue, 0, static_cast<short>(percent));
}

int CameraOperations::writeChecked(int reg, std::uint32_t value) {
  if (reg != kSpeedRegister && !registerAccepts(reg, value))
    return m_state.record(CAM_OUT_OF_RANGE);
  if (const int rc = m_session.ensure(); rc != CAM_OK)
    return m_state.record(rc);
  int rc = m_link.writeRegister(reg, value, kSpeedRegister == reg ? 'S' : 'C');
  int reopens = 0;
  while (rc == CAM_SESSION_CLOSED && mayRetryAfterEnd(reopens)) {
    if (const int opened = m_session.reopen(); opened != CAM_OK) {
      rc = opened;
      break;
    }
    rc = m_link.writeRegister(reg, value, kSpeedRegister == reg ? 'S' : 'C');
  }
  return m_state.record(rc);
}

int CameraOperations::readChecked(int reg, bool guard, std::uint32_t& value) {
  m_state.reopened = false;
  if (const int rc = m_session.ensure(); rc != CAM_OK)
    return m_state.record(rc);
  int reopens = 0;
  for (;;) {
    if (guard && m_state.reopened)
      return kReopened;
    std::uint32_t read = 0;
    int rc = m_link.readRegister(reg, read);
    if (rc == CAM_SESSION_CLOSED && mayRetryAfterEnd(reopens)) {
      rc = m_session.reopen();
      if (rc == CAM_OK)
        continue;
    }
    if (rc == CAM_OK && !registerAccepts(reg, read))
      rc = CAM_BAD_RESPONSE;
    if (rc == CAM_OK)
      value = read;
    return m_state.record(rc);
  }
}

int CameraOperations::runAction(int action, int argument, int busyMs) {
  if (const int rc = m_session.ensure(); rc != CAM_OK)
    return m_state.record(rc);
  int rc = m_link.sendAction(action, argument);
  int reopens = 0;
  while (rc == CAM_SESSION_CLOSED && mayRetryAfterEnd(reopens)) {
    if (const int opened = m_session.reopen(); opened != CAM_OK) {
      rc = opened;
      break;
    }
    rc = m_link.sendAction(action, argument);
  }
  m_state.record(rc);
  // Busy only after the result is recorded: recording success would
  // otherwise end the busy state at once.
  if (rc == CAM_OK)
    m_session.startBusy(busyMs);
  return rc;
}

int CameraOperations::writeObject(int reg, std::span<const std::uint8_t> data) {
  if (const int rc = m_session.ensure(); rc != CAM_OK)
    return m_state.record(rc);
  const WriteProgress progress = [this](std::size_t remaining, std::size_t total) {
    if (!m_state.callback || total == 0)
      return CAM_OK;
    const std::uint64_t done = 1600 - static_cast<std::uint64_t>(remaining) * 1600 / total;
    return callback(static_cast<int>(done / 16)) ? CAM_OK : CAM_USER_BREAK;
  };
  int rc = m_link.writeObject(reg, data, progress);
  int reopens = 0;
  while (rc == CAM_SESSION_CLOSED && mayRetryAfterEnd(reopens)) {
    if (const int opened = m_session.reopen(); opened != CAM_OK) {
      rc = opened;
      break;
    }
    rc = m_link.writeObject(reg, data, progress);
  }
  return m_state.record(rc);
}

int CameraOperations::readObject(int reg, const BlockHandlers& handlers, bool guard) {
  m_state.reopened = false;
  if (const int rc = m_session.ensure(); rc != CAM_OK)
    return m_state.record(rc);
  int reopens = 0;
  for (;;) {
    if (guard && m_state.reopened)
      return kReopened;
    int rc = m_link.readBlocks(reg, handlers);
    if (rc == CAM_SESSION_CLOSED && mayRetryAfterEnd(reopens)) {
      rc = m_session.reopen();
      if (rc == CAM_OK)
        continue;
    }
    return m_state.record(rc);
  }
}

int CameraOperations::readStructure(int reg, std::span<std::uint8_t> out, bool guard, std::size_t* received) {
  std::vector<std::uint8_t> block(out.size(), 0);
  std::size_t got = 0;
  BlockHandlers handlers;
  handlers.accept = [&](std::span<const std::uint8_t> payload, bool last) {
    if (!last)
      return CAM_OTHER; // a structure is one block
    if (payload.empty())
      return CAM_DC1_RESPONSE;
    std::fill(block.begin(), block.end(), 0);
    got = std::min(payload.size(), block.size());
    std::memcpy(block.data(), payload.data(), got);
    return CAM_OK;
  };
  const int rc = readObject(reg, handlers, guard);
  if (rc != CAM_OK)
    return rc;
  std::copy(block.begin(), block.end(), out.begin());
  if (received)
    *received = got;
  return CAM_OK;
}

int CameraOperations::download(int reg, const DataSink& sink, std::uint64_t progressTotal,
                               std::uint64_t progressStart, bool reportEnd) {
  std::uint64_t received = 0;
  BlockHandlers handlers;
  handlers.beforeBlock = [&] {
    if (!m_state.callback)
      return CAM_OK;
    const std::uint64_t total = std::max<std::uint64_t>(progressTotal, 1);
    const std::uint64_t progress = progressStart + std::min(received, total) * 25600 / total;
    return callback(static_cast<int>(std::min<std::uint64_t>(progress / 256, 100))) ? CAM_OK : CAM_USER_BREAK;
  };
  handlers.accept = [&](std::span<const std::uint8_t> payload, bool) {
    received += payload.size();
    return sink(payload);
  };
  const int rc = readObject(reg, handlers, true);
  if (rc == CAM_OK && reportEnd && m_state.callback)
    callback(100);
  return rc;
}

} // namespace tarsel::vantic

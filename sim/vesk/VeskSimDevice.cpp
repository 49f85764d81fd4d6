#include "sim/vesk/VeskSimDevice.h"

#include <algorithm>

namespace tarsel::vesksim {
namespace {

constexpr std::size_t kMaxViolations = 1000;
constexpr std::uint8_t kSenseHardwareError = 0x04;

} // namespace

VeskSimDevice::VeskSimDevice(DeviceKind kind, std::shared_ptr<VeskSimClock> clock)
    : m_clock(std::move(clock)), m_kind(kind) {}

VeskSimDevice::~VeskSimDevice() = default;

void VeskSimDevice::setPresent(bool present) {
  Lock lock(m_mutex);
  const bool was = m_present.exchange(present);
  if (present && !was) {
    ++m_generation;
    onPlugged(m_clock->nowUs());
  }
  lock.unlock();
  if (!present)
    m_clock->wakeAll();
}

void VeskSimDevice::shutdown() {
  m_shutdown = true;
  m_clock->wakeAll();
}

FaultId VeskSimDevice::addFault(const Fault& fault) {
  std::lock_guard lock(m_mutex);
  return m_faults.add(fault);
}

void VeskSimDevice::clearFaults() {
  std::lock_guard lock(m_mutex);
  m_faults.clear();
}

std::uint32_t VeskSimDevice::faultFired(FaultId id) const {
  std::lock_guard lock(m_mutex);
  return m_faults.fired(id);
}

Stats VeskSimDevice::stats() const {
  std::lock_guard lock(m_mutex);
  Stats s = m_stats;
  s.faultsFired = m_faults.totalFired();
  return s;
}

void VeskSimDevice::resetStats() {
  std::lock_guard lock(m_mutex);
  m_stats = Stats{};
}

FaultEvent VeskSimDevice::eventOf(const Request& request) const {
  FaultEvent e;
  if (request.header.kind == RequestKind::ScsiPassThrough)
    e.opcode = request.header.cdb[0];
  return e;
}

void VeskSimDevice::onPlugged(std::uint64_t) {}

bool VeskSimDevice::waitUntil(std::uint64_t deadlineUs, Lock& lock) {
  while (m_clock->nowUs() < deadlineUs) {
    if (gone())
      return false;
    lock.unlock();
    m_clock->waitUntil(deadlineUs);
    lock.lock();
  }
  return !gone();
}

void VeskSimDevice::violation(std::string text) {
  if (m_stats.violations.size() < kMaxViolations)
    m_stats.violations.push_back(std::move(text));
}

Response VeskSimDevice::good(std::vector<std::uint8_t> data) {
  Response r;
  r.reply.data = std::move(data);
  return r;
}

Response VeskSimDevice::win32Error(std::uint32_t error) {
  Response r;
  r.reply.header.error = error;
  return r;
}

Response VeskSimDevice::checkCondition(std::uint8_t senseKey, std::uint8_t asc, std::uint8_t ascq) {
  Response r;
  r.reply.header.error = kWireCommandFailed;
  r.reply.header.scsiStatus = kScsiStatusCheckCondition;
  r.reply.header.senseLength = 18;
  auto& s = r.reply.header.sense;
  s[0] = 0x70;
  s[2] = senseKey;
  s[7] = 10;
  s[12] = asc;
  s[13] = ascq;
  return r;
}

std::vector<std::uint8_t> VeskSimDevice::inquiryData(std::uint8_t peripheral, bool removable,
                                                     const std::string& vendor, const std::string& product,
                                                     const std::string& revision) {
  std::vector<std::uint8_t> out(36, ' ');
  out[0] = peripheral;
  out[1] = removable ? 0x80 : 0x00;
  out[2] = 0x02;
  out[3] = 0x02;
  out[4] = 31;
  out[5] = out[6] = out[7] = 0;
  const auto put = [&out](std::size_t at, std::size_t width, const std::string& text) {
    for (std::size_t i = 0; i < width && i < text.size(); ++i)
      out[at + i] = static_cast<std::uint8_t>(text[i]);
  };
  put(8, 8, vendor);
  put(16, 16, product);
  put(32, 4, revision);
  return out;
}

VeskSimDevice::Outcome VeskSimDevice::handle(const Request& request) {
  Lock lock(m_mutex);
  Outcome out;
  if (gone()) {
    out.response.kind = Response::Kind::Close;
    return out;
  }
  ++m_stats.requests;
  if (request.header.kind == RequestKind::ScsiPassThrough)
    ++m_stats.opcodes[request.header.cdb[0]];

  // A frame that does not hold together ends the connection, as on the wire.
  const bool dataOut = request.header.direction == Direction::DataOut;
  if (request.header.dataLength > kMaxDataLength ||
      (dataOut && request.data.size() != request.header.dataLength) || (!dataOut && !request.data.empty())) {
    violation("malformed request frame");
    out.response.kind = Response::Kind::Close;
    return out;
  }

  std::optional<Fault> after;
  if (auto fault = m_faults.take(FaultStage::Request, eventOf(request))) {
    switch (fault->action) {
    case FaultAction::Silence:
      out.response.kind = Response::Kind::Silence;
      return out;
    case FaultAction::CheckCondition:
      out.response = checkCondition(kSenseHardwareError, 0x44, 0x00);
      return out;
    case FaultAction::Win32Error:
      out.response = win32Error(fault->value);
      return out;
    case FaultAction::CloseConnection:
      out.response.kind = Response::Kind::Close;
      return out;
    case FaultAction::Unplug:
      m_present = false;
      lock.unlock();
      m_clock->wakeAll();
      out.response.kind = Response::Kind::Close;
      out.unplugged = true;
      return out;
    default:
      after = fault;
      break;
    }
  }

  out.response = run(request, lock);
  if (out.response.kind != Response::Kind::Reply)
    return out;

  // Never more data than was asked for, and none for a request that sends.
  Reply& reply = out.response.reply;
  const std::size_t allowed = request.header.direction == Direction::DataIn ? request.header.dataLength : 0;
  if (reply.data.size() > allowed)
    reply.data.resize(allowed);

  if (!after)
    return out;
  switch (after->action) {
  case FaultAction::Delay:
    if (!waitUntil(m_clock->nowUs() + std::uint64_t{after->value} * 1000u, lock))
      out.response = Response{Response::Kind::Close, {}, 0};
    break;
  case FaultAction::ShortReply:
    if (reply.data.size() > after->value)
      reply.data.resize(after->value);
    break;
  case FaultAction::TruncatedFrame:
    out.response.kind = Response::Kind::TruncatedThenClose;
    out.response.truncateAt = after->value;
    break;
  default:
    break;
  }
  return out;
}

} // namespace tarsel::vesksim

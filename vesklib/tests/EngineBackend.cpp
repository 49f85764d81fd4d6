#include "EngineBackend.h"

#include "platform/Win32Error.h"

#include <algorithm>
#include <charconv>

namespace tarsel::vesk::test {

namespace sim = tarsel::vesksim;

int EngineBackend::initControl(bool& driveNamesUsable) {
  driveNamesUsable = false;
  return 0;
}

int EngineBackend::openHandles() const {
  std::lock_guard guard(m_lock);
  return static_cast<int>(m_open.size());
}

DWORD EngineBackend::open(const std::string& path, int& handle) {
  std::unique_ptr<sim::VeskSimConnection> connection;
  if (path == controlDevicePath()) {
    connection = m_engine.connectControl();
  } else if (path.rfind("dev", 0) == 0) {
    int index = -1;
    const auto [end, ec] = std::from_chars(path.data() + 3, path.data() + path.size(), index);
    if (ec == std::errc() && end == path.data() + path.size())
      connection = m_engine.connect(index);
  }
  if (!connection)
    return ERROR_FILE_NOT_FOUND;
  auto open = std::make_shared<Open>();
  open->connection = std::move(connection);
  std::lock_guard guard(m_lock);
  handle = m_next++;
  m_open[handle] = std::move(open);
  return 0;
}

void EngineBackend::close(int handle) {
  std::lock_guard guard(m_lock);
  m_open.erase(handle);
}

std::shared_ptr<EngineBackend::Open> EngineBackend::find(int handle) {
  std::lock_guard guard(m_lock);
  const auto it = m_open.find(handle);
  return it == m_open.end() ? nullptr : it->second;
}

ScsiOutcome EngineBackend::exchange(int handle, const sim::Request& request, std::span<std::uint8_t> in) {
  ScsiOutcome outcome;
  const auto open = find(handle);
  if (!open) {
    outcome.error = ERROR_INVALID_HANDLE;
    return outcome;
  }
  std::lock_guard guard(open->lock);
  if (open->broken) {
    outcome.error = ERROR_DEV_NOT_EXIST;
    return outcome;
  }
  // The engine sees the request as the daemon would after decoding it.
  const auto bytes = sim::encodeRequest(request);
  sim::Request decoded;
  if (sim::decodeRequestHeader(bytes, decoded.header) != sim::DecodeStatus::Ok) {
    open->broken = true;
    outcome.error = ERROR_DEV_NOT_EXIST;
    return outcome;
  }
  decoded.data.assign(bytes.begin() + sim::kRequestHeaderSize, bytes.end());
  const sim::Response response = open->connection->handle(decoded);
  switch (response.kind) {
  case sim::Response::Kind::Silence:
    outcome.error = ERROR_SEM_TIMEOUT;
    return outcome;
  case sim::Response::Kind::Close:
  case sim::Response::Kind::TruncatedThenClose:
    open->broken = true;
    outcome.error = ERROR_DEV_NOT_EXIST;
    return outcome;
  case sim::Response::Kind::Reply:
    break;
  }
  const auto& reply = response.reply;
  outcome.error = reply.header.error;
  outcome.scsiStatus = reply.header.scsiStatus;
  outcome.senseLength = reply.header.senseLength;
  outcome.sense = reply.header.sense;
  const std::size_t n = std::min(reply.data.size(), in.size());
  std::copy_n(reply.data.begin(), n, in.begin());
  outcome.transferred = static_cast<std::uint32_t>(n);
  return outcome;
}

ControlOutcome EngineBackend::deviceControl(int handle, std::uint32_t code, std::span<std::uint8_t> out) {
  sim::Request request;
  request.header.kind = sim::RequestKind::DeviceControl;
  request.header.controlCode = code;
  request.header.direction = sim::Direction::DataIn;
  request.header.dataLength = static_cast<std::uint32_t>(out.size());
  request.header.timeoutMs = 45000;
  const ScsiOutcome outcome = exchange(handle, request, out);
  return {outcome.error, outcome.transferred};
}

ScsiOutcome EngineBackend::passThrough(int handle, const ScsiCommand& command) {
  sim::Request request;
  request.header.kind = sim::RequestKind::ScsiPassThrough;
  request.header.cdbLength = command.cdbLength;
  std::copy_n(command.cdb.begin(), command.cdbLength, request.header.cdb.begin());
  request.header.direction = static_cast<sim::Direction>(command.direction);
  request.header.dataLength = command.dataLength();
  request.header.timeoutMs = command.timeoutMs;
  if (command.direction == DataDirection::Out)
    request.data.assign(command.dataOut.begin(), command.dataOut.end());
  return exchange(handle, request,
                  command.direction == DataDirection::In ? command.dataIn : std::span<std::uint8_t>{});
}

} // namespace tarsel::vesk::test

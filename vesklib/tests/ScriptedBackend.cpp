#include "ScriptedBackend.h"

#include "platform/Win32Error.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace tarsel::vesk::test {

namespace {

void put16(std::vector<std::uint8_t>& v, std::size_t at, std::uint16_t x) {
  v[at] = static_cast<std::uint8_t>(x);
  v[at + 1] = static_cast<std::uint8_t>(x >> 8);
}

std::uint16_t sum16(std::span<const std::uint8_t> bytes) {
  unsigned sum = 0;
  for (auto b : bytes)
    sum += b;
  return static_cast<std::uint16_t>(sum);
}

} // namespace

std::vector<std::uint8_t> replyHeader(std::size_t total) {
  std::vector<std::uint8_t> reply(total, 0);
  reply[0] = static_cast<std::uint8_t>(total);
  reply[1] = static_cast<std::uint8_t>(total >> 8);
  put16(reply, 4, 2);
  put16(reply, 6, 0x9FFF);
  return reply;
}

std::vector<std::uint8_t> statusReply(std::uint8_t status) {
  auto reply = replyHeader(65);
  reply[64] = status;
  return reply;
}

void ScriptedBackend::queueStatus(std::uint8_t status) {
  queueReply(statusReply(status));
}

void ScriptedBackend::queueRegister(std::uint32_t value, bool goodChecksum) {
  auto reply = replyHeader(74);
  reply[64] = 3;
  put16(reply, 66, 4);
  for (int i = 0; i < 4; ++i)
    reply[68 + i] = static_cast<std::uint8_t>(value >> (8 * i));
  const std::uint16_t sum = sum16(std::span(reply).subspan(68, 4));
  put16(reply, 72, goodChecksum ? sum : static_cast<std::uint16_t>(sum + 1));
  queueReply(std::move(reply));
}

void ScriptedBackend::queueDataBlock(std::uint8_t type, std::span<const std::uint8_t> payload,
                                     std::optional<std::uint16_t> sum) {
  auto reply = replyHeader(70 + payload.size());
  reply[64] = type;
  put16(reply, 66, static_cast<std::uint16_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), reply.begin() + 68);
  put16(reply, 68 + payload.size(), sum ? *sum : sum16(payload));
  queueReply(std::move(reply));
}

std::string ScriptedBackend::opcodeTranscript() const {
  std::string text;
  for (const auto& command : m_commands) {
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", command.opcode);
    if (!text.empty())
      text += ',';
    text += hex;
  }
  return text;
}

int ScriptedBackend::initControl(bool& driveNamesUsable) {
  driveNamesUsable = false;
  return 0;
}

DWORD ScriptedBackend::open(const std::string& path, int& handle) {
  if (auto it = m_openErrors.find(path); it != m_openErrors.end())
    return it->second;
  if (path != controlDevicePath() && !m_products.count(path))
    return ERROR_FILE_NOT_FOUND;
  handle = m_nextHandle++;
  m_handles[handle] = path;
  ++m_openHandles;
  return 0;
}

void ScriptedBackend::close(int handle) {
  if (m_handles.erase(handle))
    --m_openHandles;
}

ControlOutcome ScriptedBackend::deviceControl(int, std::uint32_t code, std::span<std::uint8_t> out) {
  if (code != 0x222004 || out.size() < 4)
    return {ERROR_INVALID_FUNCTION, 0};
  std::fill(out.begin(), out.end(), std::uint8_t{0});
  for (int i = 0; i < 4; ++i)
    out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(m_count >> (8 * i));
  return {0, static_cast<std::uint32_t>(out.size())};
}

ScsiOutcome ScriptedBackend::passThrough(int handle, const ScsiCommand& command) {
  RecordedCommand record;
  record.opcode = command.cdb[0];
  record.cdb.assign(command.cdb.begin(), command.cdb.begin() + command.cdbLength);
  record.direction = command.direction;
  record.length = command.dataLength();
  record.timeoutMs = command.timeoutMs;
  record.dataOut.assign(command.dataOut.begin(), command.dataOut.end());
  const std::uint8_t opcode = record.opcode;
  const std::uint32_t commandLength = record.length;
  m_commands.push_back(std::move(record));

  ScsiOutcome outcome;
  auto& failures = m_failures[opcode];
  if (!failures.empty()) {
    outcome.error = failures.front();
    failures.pop_front();
    return outcome;
  }
  switch (opcode) {
  case 0x12: {
    const auto it = m_handles.find(handle);
    const std::string product = it != m_handles.end() ? m_products[it->second] : std::string();
    std::fill(command.dataIn.begin(), command.dataIn.end(), std::uint8_t{0});
    std::string padded = product;
    padded.resize(16, ' ');
    std::copy(padded.begin(), padded.end(), command.dataIn.begin() + 16);
    outcome.transferred = static_cast<std::uint32_t>(command.dataIn.size());
    break;
  }
  case 0xC4: {
    std::uint32_t length = m_forcedLength      ? *m_forcedLength
                           : m_replies.empty() ? 0
                                               : static_cast<std::uint32_t>(m_replies.front().size());
    m_forcedLength.reset();
    std::fill(command.dataIn.begin(), command.dataIn.end(), std::uint8_t{0});
    for (int i = 0; i < 4; ++i)
      command.dataIn[12 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    outcome.transferred = 16;
    break;
  }
  case 0xC2: {
    if (m_replies.empty())
      break;
    const auto reply = std::move(m_replies.front());
    m_replies.pop_front();
    const std::size_t n = std::min(reply.size(), command.dataIn.size());
    std::copy_n(reply.begin(), n, command.dataIn.begin());
    outcome.transferred = static_cast<std::uint32_t>(n);
    break;
  }
  case 0xC3:
    outcome.transferred = static_cast<std::uint32_t>(command.dataIn.size());
    break;
  default:
    outcome.transferred = commandLength;
    break;
  }
  return outcome;
}

} // namespace tarsel::vesk::test

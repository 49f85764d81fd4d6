#include "savers/ftp/FtpReplyText.h"

#include "platform/Win32Error.h"
#include "savers/ftp/SockError.h"

#include <charconv>

namespace tarsel::ftp {

void FtpLineBuffer::Append(const char* bytes, std::size_t count) {
  m_pending.append(bytes, count);
  if (m_pending.size() > kMaxLine && m_pending.find('\n') == std::string::npos)
    throw _sock_error(WSAECONNABORTED);
}

std::optional<std::string> FtpLineBuffer::TakeLine() {
  const std::size_t end = m_pending.find('\n');
  if (end == std::string::npos)
    return std::nullopt;
  if (end > kMaxLine)
    throw _sock_error(WSAECONNABORTED);
  std::string line = m_pending.substr(0, end);
  m_pending.erase(0, end + 1);
  if (!line.empty() && line.back() == '\r')
    line.pop_back();
  return line;
}

void FtpNameListing::Append(const char* bytes, std::size_t count) {
  if (count > kMaxReply - m_text.size())
    throw _sock_error(WSAECONNABORTED);
  m_text.append(bytes, count);
}

bool FtpNameListing::ListsSomething(unsigned closingReply) const {
  return closingReply / 100 == 2 && m_text.find_first_not_of("\r\n") != std::string::npos;
}

bool ParsePassiveReply(std::string_view line, std::array<unsigned, 6>& numbers) {
  if (line.size() < 5)
    return false;
  std::size_t at = 4;
  while (at < line.size() && (line[at] < '0' || line[at] > '9'))
    ++at;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    if (i > 0) {
      if (at >= line.size() || line[at] != ',')
        return false;
      ++at;
    }
    const auto [end, error] = std::from_chars(line.data() + at, line.data() + line.size(), numbers[i]);
    if (error != std::errc() || numbers[i] > 255)
      return false;
    at = static_cast<std::size_t>(end - line.data());
  }
  return true;
}

unsigned ParseExtendedPassiveReply(std::string_view line) {
  const std::size_t open = line.find('(');
  if (open == std::string_view::npos || open + 4 >= line.size())
    return 0;
  const char delimiter = line[open + 1];
  if (line[open + 2] != delimiter || line[open + 3] != delimiter)
    return 0;
  const char* first = line.data() + open + 4;
  unsigned port = 0;
  const auto [end, error] = std::from_chars(first, line.data() + line.size(), port);
  if (error != std::errc() || end == line.data() + line.size() || *end != delimiter || port > 65535)
    return 0;
  return port;
}

} // namespace tarsel::ftp

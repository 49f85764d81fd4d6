#include "savers/ftp/SocketFtpCommand.h"

#include "platform/Win32Error.h"
#include "savers/ftp/SockError.h"

#include <charconv>
#include <optional>

#include <netdb.h>
#include <netinet/in.h>

namespace {

// The port of the system's "ftp" service.
std::uint16_t ftpServicePort() {
  servent entry{};
  servent* found = nullptr;
  char buffer[1024];
  if (getservbyname_r("ftp", "tcp", &entry, buffer, sizeof buffer, &found) != 0 || !found)
    throw _sock_error(WSANO_DATA);
  return ntohs(static_cast<std::uint16_t>(found->s_port));
}

std::uint16_t parsePort(std::string_view text) {
  unsigned port = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  if (error != std::errc() || end != text.data() + text.size() || port == 0 || port > 65535)
    throw _sock_error(WSAHOST_NOT_FOUND);
  return static_cast<std::uint16_t>(port);
}

} // namespace

void CSocketFtpCommand::ConnectToServer(const std::string& server, std::chrono::milliseconds limit) {
  std::string host = server;
  std::optional<std::uint16_t> port;
  if (!server.empty() && server.front() == '[') {
    const std::size_t close = server.find(']');
    if (close == std::string::npos)
      throw _sock_error(WSAHOST_NOT_FOUND);
    host = server.substr(1, close - 1);
    if (close + 1 < server.size()) {
      if (server[close + 1] != ':')
        throw _sock_error(WSAHOST_NOT_FOUND);
      port = parsePort(std::string_view(server).substr(close + 2));
    }
  } else if (const std::size_t colon = server.find(':');
             colon != std::string::npos && server.find(':', colon + 1) == std::string::npos) {
    host = server.substr(0, colon);
    port = parsePort(std::string_view(server).substr(colon + 1));
  }
  m_pending.Clear();
  Connect(host, port ? *port : ftpServicePort(), limit);
}

void CSocketFtpCommand::SendText(const std::string& text) {
  Send(text.data(), text.size());
}

bool CSocketFtpCommand::WaitForLine(std::chrono::milliseconds limit) {
  return !m_pending.Empty() || WaitReadable(limit);
}

std::string CSocketFtpCommand::ReceiveLine() {
  for (;;) {
    if (std::optional<std::string> line = m_pending.TakeLine())
      return std::move(*line);
    char chunk[2048];
    const std::size_t got = Receive(chunk, sizeof chunk);
    if (got == 0)
      throw _sock_error(WSAECONNRESET);
    m_pending.Append(chunk, got);
  }
}

#include "savers/ftp/SocketFtpData.h"

#include "platform/Win32Error.h"
#include "savers/ftp/SockError.h"

#include <charconv>

void CSocketFtpData::ConnectTo(const std::string& host, const std::string& port,
                               std::chrono::milliseconds limit) {
  unsigned number = 0;
  const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), number);
  if (error != std::errc() || end != port.data() + port.size() || number == 0 || number > 65535)
    throw _sock_error(WSAEADDRNOTAVAIL);
  Connect(host, static_cast<std::uint16_t>(number), limit);
}

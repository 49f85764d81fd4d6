// A data connection of the FTP client (passive: the client connects to the
// address the server announced).
//
// Threads: as CSocket.
#pragma once

#include "savers/ftp/Socket.h"

#include <chrono>
#include <string>

class CSocketFtpData : public CSocket {
public:
  CSocketFtpData() = default;
  explicit CSocketFtpData(int handle) : CSocket(handle) {}

  // Connects to numeric `host` and decimal `port` text.
  void ConnectTo(const std::string& host, const std::string& port, std::chrono::milliseconds limit);
};

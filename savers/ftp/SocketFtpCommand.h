// The control connection: connects to a server's FTP port, sends command
// texts and reads reply lines through a bounded buffer that keeps the bytes
// of a following reply for the next read (servers send replies back to back).
//
// Threads: as CSocket.
#pragma once

#include "savers/ftp/FtpReplyText.h"
#include "savers/ftp/Socket.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

class CSocketFtpCommand : public CSocket {
public:
  // Connects to `server`: a host name, a dotted IPv4 address or an IPv6
  // address, optionally followed by ":port" ("[address]:port" for IPv6);
  // without a port, the system's "ftp" service port.
  void ConnectToServer(const std::string& server, std::chrono::milliseconds limit);
  void SendText(const std::string& text);
  // The next reply line without its line end (CR LF or LF). Throws
  // _sock_error: WSAECONNRESET when the server closed the connection,
  // WSAECONNABORTED for a line longer than FtpLineBuffer::kMaxLine.
  std::string ReceiveLine();
  // Whether a reply line has begun to arrive, waiting at most `limit`.
  bool WaitForLine(std::chrono::milliseconds limit);

private:
  tarsel::ftp::FtpLineBuffer m_pending;
};

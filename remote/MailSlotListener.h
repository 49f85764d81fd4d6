// The receiving end of the mailslot stand-in: binds the local abstract
// socket and, unless told not to, a UDP socket on the remote-control port,
// and runs one reader thread that hands every datagram, whole, to a handler
// on that thread (the bytes are valid during the call only). A datagram
// longer than kMaxDatagramSize is dropped unread; checking the rest is the
// handler's part (decodeDatagram).
// Stop wakes the reader through an eventfd; the reader also looks for the
// stop request between two datagrams, so a flood cannot hold it. Stop waits
// for the reader up to its deadline (10000 ms unless given); a reader still
// busy in its handler then is left to end on its own and keeps the sockets
// and handler it uses alive until it does. Nothing is ever killed.
// A second listener on the same local name fails with ERROR_ALREADY_EXISTS, as
// creating a mailslot that exists does. A UDP socket that cannot be bound is
// reported by UdpError and leaves the local socket working.
// Construct, Start and Stop on one thread; never Stop from the handler.
#pragma once

#include "hostapi/Win32Types.h"
#include "platform/UniqueFd.h"
#include "remote/MailSlotAddress.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <thread>

namespace tarsel::remote {

class MailSlotListener {
public:
  struct Options {
    std::string socketName = mailslotSocketName();
    bool listenUdp = true;
    // A numeric address to bind; empty: every interface, IPv6 and IPv4.
    std::string udpAddress;
    // 0: any free port (UdpPort tells which).
    std::uint16_t udpPort = remotePort();
  };
  using Handler = std::function<void(std::span<const std::uint8_t>)>;

  MailSlotListener();
  explicit MailSlotListener(Options options);
  ~MailSlotListener();
  MailSlotListener(const MailSlotListener&) = delete;
  MailSlotListener& operator=(const MailSlotListener&) = delete;

  // The local socket's error; 0 when bound. A listener with an error receives nothing.
  DWORD Error() const { return m_error; }
  // The UDP socket's error; 0 when bound or not asked for.
  DWORD UdpError() const { return m_udpError; }
  // The bound UDP port; 0 when there is no UDP socket.
  std::uint16_t UdpPort() const { return m_udpPort; }

  // Starts the reader: 0, or the error that prevents it. Running already: 0.
  DWORD Start(Handler handler);
  // Asks the reader to end and waits up to `deadline`: true when it ended in
  // time (or was not running).
  bool Stop(std::chrono::milliseconds deadline = std::chrono::milliseconds(10000));
  bool IsRunning() const { return m_run != nullptr; }

private:
  struct Sockets;
  struct Run;
  static void readLoop(const std::shared_ptr<Run>& run);
  void bindLocal(const std::string& name);
  void bindUdp(const std::string& address, std::uint16_t port);

  std::shared_ptr<Sockets> m_sockets;
  std::shared_ptr<Run> m_run;
  std::thread m_thread;
  DWORD m_error = 0;
  DWORD m_udpError = 0;
  std::uint16_t m_udpPort = 0;
};

} // namespace tarsel::remote

// A TCP socket of the FTP client. Created unconnected; Connect resolves the
// host (a numeric IPv4 or IPv6 address, else the first address the name
// gives) and connects within a time limit. Every failure is thrown as
// _sock_error with its Windows Sockets number. Sends never raise SIGPIPE.
//
// Threads: one thread (the session's worker) uses a socket; another thread
// may call Shutdown at any time to make a blocked call on it return (the
// handle stays open until its owner closes it, so its number is never
// reused under a blocked call).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

struct sockaddr_storage;

class CSocket {
public:
  CSocket();
  // Adopts an open handle (an accepted data connection).
  explicit CSocket(int handle);
  virtual ~CSocket();
  CSocket(const CSocket&) = delete;
  CSocket& operator=(const CSocket&) = delete;

  // Connects to `host` (name or numeric address) at `port`; fails with
  // WSAETIMEDOUT when the connection is not made within `limit`.
  void Connect(const std::string& host, std::uint16_t port, std::chrono::milliseconds limit);
  // Sends all `length` bytes (as many send calls as the system needs).
  void Send(const void* bytes, std::size_t length);
  // Sends what one send call takes, at most `length` bytes; returns the count.
  std::size_t SendSome(const void* bytes, std::size_t length);
  // One receive of at most `size` bytes; 0 when the peer closed.
  std::size_t Receive(void* buffer, std::size_t size);

  // Whether a receive would not block (data or the peer's close), waiting
  // at most `limit`.
  bool WaitReadable(std::chrono::milliseconds limit) const;

  // Binds to `address` (numeric; empty for any address of the family) and
  // `port`; listens with a backlog of 1; accepts one connection.
  void Bind(const std::string& address, std::uint16_t port);
  void Listen();
  int Accept();
  // The local address of the socket, and its port.
  std::string GetSockName(std::uint16_t* port = nullptr) const;
  // The peer's numeric address.
  std::string GetPeerName() const;
  bool IsIpv6() const;

  // The socket's SO_RCVBUF value.
  std::size_t GetBufferSize() const;

  // Shuts both directions down; a blocked call on the socket returns. Safe
  // from another thread; failures are ignored.
  void Shutdown() noexcept;
  bool IsOpen() const { return m_handle.load() >= 0; }

private:
  void connectTo(const sockaddr_storage& address, unsigned length, std::chrono::milliseconds limit);
  // Makes the handle; one that Shutdown already reached is shut down too.
  void open(int family);
  int handle() const { return m_handle.load(); }

  // Set by the using thread, read by Shutdown: atomic. Closed by the
  // destructor only.
  std::atomic<int> m_handle{-1};
  std::atomic<bool> m_shutDown{false};
};

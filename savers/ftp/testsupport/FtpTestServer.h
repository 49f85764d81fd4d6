// The loopback FTP server of the FTP tests (ftp_test_server.py, run by the
// system's python3 with pyftpdlib): started in a fresh folder, stopped and
// reaped when the object goes away. See the script for its users and the
// misbehaviour each of them scripts.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <sys/types.h>

namespace tarsel::ftp::test {

class FtpTestServer {
public:
  static constexpr const char* kPassword = "secret";

  // Serves the folder `root` (emptied first) on `host`; throws
  // std::runtime_error when the server does not start.
  explicit FtpTestServer(const std::filesystem::path& root, const std::string& host = "127.0.0.1");
  ~FtpTestServer();
  FtpTestServer(const FtpTestServer&) = delete;
  FtpTestServer& operator=(const FtpTestServer&) = delete;

  // "host:port" of the well-behaved port, and of the one that answers 421.
  std::string Address() const;
  std::string BusyAddress() const;
  // The home folder of the named users, and the anonymous user's.
  std::filesystem::path Home() const { return m_root / "home"; }
  std::filesystem::path AnonymousHome() const { return m_root / "anon"; }
  // Every command the server received so far, one a line.
  std::string CommandLog() const;
  // Whether the server's file `path` reaches `size` bytes within `limit`
  // (an upload the server took in full).
  static bool WaitForFileSize(const std::filesystem::path& path, std::uintmax_t size,
                              std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
  std::string address(std::uint16_t port) const;

  std::filesystem::path m_root;
  std::string m_host;
  pid_t m_pid = -1;
  std::uint16_t m_port = 0;
  std::uint16_t m_busyPort = 0;
};

} // namespace tarsel::ftp::test

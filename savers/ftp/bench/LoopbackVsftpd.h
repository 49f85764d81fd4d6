// A private vsftpd for the FTP benchmark: a child in the foreground on a
// free loopback port, with its own configuration and an anonymous user who
// may write into <folder>/anon/up; stopped with its connection children when
// the object goes away.
#pragma once

#include <filesystem>
#include <string>
#include <sys/types.h>

namespace tarsel::ftp::bench {

class LoopbackVsftpd {
public:
  // Throws std::runtime_error when vsftpd is missing or does not listen.
  explicit LoopbackVsftpd(const std::filesystem::path& folder);
  ~LoopbackVsftpd();
  LoopbackVsftpd(const LoopbackVsftpd&) = delete;
  LoopbackVsftpd& operator=(const LoopbackVsftpd&) = delete;

  std::string Address() const { return "127.0.0.1:" + std::to_string(m_port); }
  // The writable folder, "/up" on the server.
  std::filesystem::path UploadFolder() const { return m_folder / "anon" / "up"; }

private:
  void stop();

  std::filesystem::path m_folder;
  pid_t m_pid = -1;
  unsigned m_port = 0;
};

} // namespace tarsel::ftp::bench

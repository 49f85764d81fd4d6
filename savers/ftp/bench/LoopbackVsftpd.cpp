#include "savers/ftp/bench/LoopbackVsftpd.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <fstream>
#include <stdexcept>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarsel::ftp::bench {

namespace {

constexpr const char* kProgram = "/usr/sbin/vsftpd";

sockaddr_in loopback(unsigned port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A port no one listens on now (the kernel's choice).
unsigned freePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = loopback(0);
  socklen_t length = sizeof address;
  const bool ok = fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0;
  if (fd >= 0)
    ::close(fd);
  if (!ok)
    throw std::runtime_error("no free loopback port");
  return ntohs(address.sin_port);
}

bool listens(unsigned port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const sockaddr_in address = loopback(port);
  const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0)
    ::close(fd);
  return ok;
}

} // namespace

LoopbackVsftpd::LoopbackVsftpd(const std::filesystem::path& folder) : m_folder(folder) {
  namespace fs = std::filesystem;
  fs::remove_all(m_folder);
  fs::create_directories(UploadFolder());
  fs::create_directories(m_folder / "empty");
  // The anonymous root must not be writable; its "up" folder is.
  fs::permissions(UploadFolder(), fs::perms::all);
  fs::permissions(m_folder / "anon", fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                         fs::perms::group_exec | fs::perms::others_read |
                                         fs::perms::others_exec);
  m_port = freePort();
  const unsigned passive = freePort();
  const fs::path config = m_folder / "vsftpd.conf";
  std::ofstream(config) << "listen=YES\nlisten_ipv6=NO\nlisten_address=127.0.0.1\nlisten_port=" << m_port
                        << "\nbackground=NO\nanonymous_enable=YES\nno_anon_password=YES\nanon_root="
                        << (m_folder / "anon").string()
                        << "\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\nwrite_enable=YES\n"
                           "local_enable=NO\npasv_enable=YES\npasv_min_port="
                        << passive << "\npasv_max_port=" << std::min(passive + 200, 65535u)
                        << "\nseccomp_sandbox=NO\nrun_as_launching_user=YES\nsecure_chroot_dir="
                        << (m_folder / "empty").string() << "\nxferlog_enable=NO\n";

  const std::string configText = config.string();
  const std::string logText = (m_folder / "vsftpd.out").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, logText.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP); // its own group, with its children
  posix_spawnattr_setpgroup(&attributes, 0);
  const char* argv[] = {kProgram, configText.c_str(), nullptr};
  const int rc =
      posix_spawn(&m_pid, kProgram, &actions, &attributes, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (rc != 0)
    throw std::runtime_error(std::string("cannot start ") + kProgram);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!listens(m_port)) {
    if (std::chrono::steady_clock::now() > end || ::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
      stop();
      throw std::runtime_error("vsftpd did not listen: see " + logText);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

LoopbackVsftpd::~LoopbackVsftpd() {
  stop();
}

void LoopbackVsftpd::stop() {
  if (m_pid <= 0)
    return;
  ::kill(-m_pid, SIGTERM);
  while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  m_pid = -1;
}

} // namespace tarsel::ftp::bench

#include "savers/ftp/testsupport/FtpTestServer.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarsel::ftp::test {

FtpTestServer::FtpTestServer(const std::filesystem::path& root, const std::string& host)
    : m_root(root), m_host(host) {
  std::filesystem::remove_all(m_root);
  std::filesystem::create_directories(m_root);
  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe");
  const std::string rootText = m_root.string();
  const std::string logText = (m_root / "commands.log").string();
  const std::string errText = (m_root / "server.err").string();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, errText.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const char* argv[] = {
      "/usr/bin/python3", TARSEL_FTP_TEST_SERVER, "--root", rootText.c_str(), "--log", logText.c_str(),
      "--host",           m_host.c_str(),         nullptr};
  const int rc = posix_spawn(&m_pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (rc != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start the FTP test server");
  }
  std::string line;
  char c = 0;
  pollfd waiting{out[0], POLLIN, 0};
  while (line.find('\n') == std::string::npos && poll(&waiting, 1, 10000) > 0 && read(out[0], &c, 1) == 1)
    line += c;
  close(out[0]);
  unsigned port = 0;
  unsigned busy = 0;
  if (std::sscanf(line.c_str(), "PORTS %u %u", &port, &busy) != 2) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
    throw std::runtime_error("the FTP test server did not start: see " + errText);
  }
  m_port = static_cast<std::uint16_t>(port);
  m_busyPort = static_cast<std::uint16_t>(busy);
}

FtpTestServer::~FtpTestServer() {
  kill(m_pid, SIGTERM);
  while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

std::string FtpTestServer::address(std::uint16_t port) const {
  const bool v6 = m_host.find(':') != std::string::npos;
  return (v6 ? "[" + m_host + "]" : m_host) + ":" + std::to_string(port);
}

std::string FtpTestServer::Address() const {
  return address(m_port);
}

std::string FtpTestServer::BusyAddress() const {
  return address(m_busyPort);
}

std::string FtpTestServer::CommandLog() const {
  std::ifstream in(m_root / "commands.log");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool FtpTestServer::WaitForFileSize(const std::filesystem::path& path, std::uintmax_t size,
                                    std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  for (;;) {
    std::error_code error;
    if (std::filesystem::file_size(path, error) == size && !error)
      return true;
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

} // namespace tarsel::ftp::test

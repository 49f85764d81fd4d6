#include "app/testsupport/VeskSimulator.h"

#include <csignal>
#include <cstring>
#include <fstream>
#include <string_view>
#include <thread>
#include <vector>

#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace tarsel::test {
namespace {

using Clock = std::chrono::steady_clock;

// Whether the child ended within `limit` (reaped then).
bool reapedWithin(pid_t pid, std::chrono::milliseconds limit) {
  const auto end = Clock::now() + limit;
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid || done < 0)
      return true;
    if (Clock::now() >= end)
      return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

} // namespace

VeskSimulator::VeskSimulator(const std::string& program, const std::string& folder, const std::string& setup,
                             std::chrono::milliseconds readyLimit)
    : m_devices(folder + "/devices"), m_controlPath(m_devices + "/vesk-simd.control") {
  const std::string setupFile = folder + "/vesk-simd.ini";
  {
    std::ofstream out(setupFile, std::ios::binary | std::ios::trunc);
    out << "[daemon]\ndir = " << m_devices << "\n" << setup;
    if (!out)
      return;
  }
  std::vector<std::string> argv = {program, "--config", setupFile};
  std::vector<char*> args;
  for (std::string& arg : argv)
    args.push_back(arg.data());
  args.push_back(nullptr);
  if (posix_spawn(&m_pid, args[0], nullptr, nullptr, args.data(), environ) != 0) {
    m_pid = -1;
    return;
  }
  // The daemon makes its sockets before it serves commands, so an answer
  // means every node is there. The limit only stops a broken daemon from
  // hanging the test (a sanitizer build on a loaded machine starts slowly).
  const auto end = Clock::now() + readyLimit;
  while (!m_ready && Clock::now() < end) {
    m_ready = control("count").rfind("ok", 0) == 0;
    if (m_ready)
      break;
    int status = 0;
    if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
      m_pid = -1; // it ended (a bad set-up, say)
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

VeskSimulator::~VeskSimulator() {
  if (m_pid <= 0)
    return;
  kill(m_pid, SIGTERM);
  if (!reapedWithin(m_pid, std::chrono::seconds(10))) {
    kill(m_pid, SIGKILL);
    waitpid(m_pid, nullptr, 0);
  }
}

std::string VeskSimulator::control(const std::string& command) const {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (m_controlPath.size() >= sizeof address.sun_path)
    return {};
  std::memcpy(address.sun_path, m_controlPath.c_str(), m_controlPath.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return {};
  std::string answer;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
    const std::string line = command + "\n";
    if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
      char byte = 0;
      // One answer line; bounded, the daemon's answers are short but for object dumps.
      while (answer.size() < (64u << 20) && recv(fd, &byte, 1, 0) == 1 && byte != '\n')
        answer.push_back(byte);
    }
  }
  close(fd);
  return answer;
}

int VeskSimulator::picturesRead(int slot) const {
  const std::string answer = control("stats " + std::to_string(slot));
  constexpr std::string_view key = " pictures-read=";
  const std::size_t at = answer.find(key);
  if (answer.rfind("ok", 0) != 0 || at == std::string::npos)
    return -1;
  int count = 0;
  for (std::size_t i = at + key.size(); i < answer.size() && answer[i] >= '0' && answer[i] <= '9'; ++i)
    count = count * 10 + (answer[i] - '0');
  return count;
}

std::int64_t VeskSimulator::objectWord(int slot, int object, std::size_t index) const {
  const std::string answer = control("object " + std::to_string(slot) + " " + std::to_string(object));
  const std::size_t at = 3 + 8 * index;
  if (answer.rfind("ok ", 0) != 0 || answer.size() < at + 8)
    return -1;
  std::uint32_t word = 0;
  for (int byte = 3; byte >= 0; --byte)
    word = (word << 8) | static_cast<std::uint32_t>(std::stoul(
                             answer.substr(at + 2 * static_cast<std::size_t>(byte), 2), nullptr, 16));
  return static_cast<std::int32_t>(word);
}

} // namespace tarsel::test

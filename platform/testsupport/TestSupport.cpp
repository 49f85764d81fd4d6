#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarsel::test {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string templ = std::string(base && *base ? base : "/tmp") + "/tarsel-test-XXXXXX";
  if (!mkdtemp(templ.data()))
    throw std::runtime_error("mkdtemp failed");
  m_path = templ;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(m_path, ec);
}

ScopedEnv::ScopedEnv(std::string name, const std::optional<std::string>& value) : m_name(std::move(name)) {
  if (const char* old = std::getenv(m_name.c_str()))
    m_old = old;
  if (value)
    setenv(m_name.c_str(), value->c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

ScopedEnv::~ScopedEnv() {
  if (m_old)
    setenv(m_name.c_str(), m_old->c_str(), 1);
  else
    unsetenv(m_name.c_str());
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out)
    throw std::runtime_error("cannot write " + path);
}

ProcessResult runProgram(const std::vector<std::string>& argv, const std::string& input) {
  ProcessResult result;
  int inPipe[2];
  int outPipe[2];
  if (argv.empty() || pipe(inPipe) != 0)
    return result;
  if (pipe(outPipe) != 0) {
    close(inPipe[0]);
    close(inPipe[1]);
    return result;
  }
  pid_t pid = fork();
  if (pid == 0) {
    dup2(inPipe[0], 0);
    dup2(outPipe[1], 1);
    close(inPipe[0]);
    close(inPipe[1]);
    close(outPipe[0]);
    close(outPipe[1]);
    std::vector<char*> args;
    for (const auto& a : argv)
      args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(inPipe[0]);
  close(outPipe[1]);
  if (pid < 0) {
    close(inPipe[1]);
    close(outPipe[0]);
    return result;
  }
  // Feed the input and drain the output together, so neither side can fill
  // its pipe and stall the other.
  signal(SIGPIPE, SIG_IGN);
  size_t written = 0;
  if (input.empty()) {
    close(inPipe[1]);
    inPipe[1] = -1;
  }
  for (;;) {
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {inPipe[1], POLLOUT, 0}};
    int n = poll(fds, inPipe[1] >= 0 ? 2 : 1, -1);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      break;
    if (inPipe[1] >= 0 && (fds[1].revents & (POLLOUT | POLLERR | POLLHUP))) {
      ssize_t w = write(inPipe[1], input.data() + written, input.size() - written);
      if (w > 0)
        written += static_cast<size_t>(w);
      if (w < 0 || written == input.size()) {
        close(inPipe[1]);
        inPipe[1] = -1;
      }
    }
    if (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) {
      char buf[4096];
      ssize_t r = read(outPipe[0], buf, sizeof buf);
      if (r <= 0)
        break;
      result.out.append(buf, static_cast<size_t>(r));
    }
  }
  if (inPipe[1] >= 0)
    close(inPipe[1]);
  close(outPipe[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

static std::string envOr(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

std::string binDir() {
  return envOr("TARSEL_BIN_DIR", ".");
}
std::string testDataDir() {
  return envOr("TARSEL_TEST_DATA", ".");
}

} // namespace tarsel::test

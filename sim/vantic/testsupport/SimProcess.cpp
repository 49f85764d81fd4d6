#include "sim/vantic/testsupport/SimProcess.h"

#include "platform/testsupport/TestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarsel::vantic::test {

namespace {

// The interpreter behind "python3", asked once: a launcher in front of it
// would cost each start of the simulator its own start-up time. Under CTest
// the build names it in TARSEL_PYTHON.
const std::string& interpreter() {
  static const std::string path = [] {
    if (const char* known = std::getenv("TARSEL_PYTHON"); known != nullptr && *known != '\0')
      return std::string(known);
    const auto result = tarsel::test::runProgram({"python3", "-c", "import sys; print(sys.executable)"});
    std::string out = result.exitCode == 0 ? result.out : std::string();
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
      out.pop_back();
    return out;
  }();
  return path;
}

} // namespace

bool SimProcess::pythonAvailable() {
  return !interpreter().empty();
}

std::string SimProcess::simulatorPath() {
  return VANTIC_SIM_SCRIPT;
}

SimProcess::SimProcess(const std::vector<std::string>& arguments) {
  int toChild[2];
  int fromChild[2];
  if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  // The simulator needs the standard library only: without the site module
  // (-S) the interpreter starts in a fraction of the time.
  std::vector<std::string> argv{interpreter(), "-S", simulatorPath()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  m_pid = ::fork();
  if (m_pid == 0) {
    ::dup2(toChild[0], 0);
    ::dup2(fromChild[1], 1);
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    ::execv(args[0], args.data());
    ::_exit(127);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  m_in = toChild[1];
  m_out = fromChild[0];
  const std::string line = readLine(15000);
  const auto space = line.find(' ');
  if (space != std::string::npos && (line.rfind("SERIAL ", 0) == 0 || line.rfind("USB ", 0) == 0))
    m_endpoint = line.substr(space + 1);
}

SimProcess::~SimProcess() {
  if (m_in >= 0) {
    const std::string quit = "{\"op\":\"quit\"}\n";
    (void)!::write(m_in, quit.data(), quit.size());
    ::close(m_in);
  }
  if (m_pid > 0) {
    for (int i = 0; i < 300; ++i) {
      if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        break;
      }
      ::usleep(10000);
    }
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
  }
  if (m_out >= 0)
    ::close(m_out);
}

std::string SimProcess::readLine(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const auto newline = m_buffer.find('\n');
    if (newline != std::string::npos) {
      std::string line = m_buffer.substr(0, newline);
      m_buffer.erase(0, newline + 1);
      return line;
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (left <= 0)
      return {};
    pollfd pfd{m_out, POLLIN, 0};
    if (::poll(&pfd, 1, static_cast<int>(left)) <= 0)
      continue;
    char chunk[65536];
    const ssize_t n = ::read(m_out, chunk, sizeof(chunk));
    if (n <= 0)
      return {};
    m_buffer.append(chunk, static_cast<std::size_t>(n));
  }
}

Json SimProcess::request(const std::string& line) {
  const std::string out = line + "\n";
  if (::write(m_in, out.data(), out.size()) != static_cast<ssize_t>(out.size()))
    throw std::runtime_error("simulator gone");
  const std::string answer = readLine(30000);
  if (answer.empty())
    throw std::runtime_error("no answer to " + line);
  return Json::parse(answer);
}

void SimProcess::fault(const std::string& fault) {
  const Json answer = request("{\"op\":\"fault\",\"fault\":\"" + fault + "\"}");
  if (!answer["ok"].boolean)
    throw std::runtime_error("fault refused: " + fault);
}

void SimProcess::clearFaults() {
  request("{\"op\":\"clear-faults\"}");
}

Json SimProcess::takeLog() {
  return request("{\"op\":\"log\",\"clear\":true}");
}

Json SimProcess::registers() {
  return request("{\"op\":\"registers\"}");
}

Json SimProcess::picture(int index) {
  return request("{\"op\":\"picture\",\"index\":" + std::to_string(index) + "}");
}

} // namespace tarsel::vantic::test

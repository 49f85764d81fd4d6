// Download throughput of the camera library over a serial line, measured
// against the camera simulator with its real line pacing, next to the line's
// limit (baud / 10 bytes per second). Not a test: it prints its numbers.
// The whole call's rate includes the protocol's fixed waits before each
// command; the block transfer's rate is timed from the first progress report
// to the last, over the share of the picture reported between them.
//
//   vantic_bench [--size BYTES] [--speed INDEX] [--simulator PATH] [--python PATH]
#include "vantic/Vantic.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Simulator {
  pid_t pid = -1;
  int in = -1;
  int out = -1;
  std::string slave;
};

bool startSimulator(Simulator& sim, const std::string& python, const std::string& script,
                    const std::string& config) {
  int toChild[2];
  int fromChild[2];
  if (::pipe2(toChild, O_CLOEXEC) != 0 || ::pipe2(fromChild, O_CLOEXEC) != 0)
    return false;
  sim.pid = ::fork();
  if (sim.pid == 0) {
    ::dup2(toChild[0], 0);
    ::dup2(fromChild[1], 1);
    ::execlp(python.c_str(), python.c_str(), script.c_str(), "--serial", "--config", config.c_str(),
             static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(toChild[0]);
  ::close(fromChild[1]);
  sim.in = toChild[1];
  sim.out = fromChild[0];
  std::string line;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (line.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
    pollfd pfd{sim.out, POLLIN, 0};
    if (::poll(&pfd, 1, 200) <= 0)
      continue;
    char chunk[256];
    const ssize_t n = ::read(sim.out, chunk, sizeof(chunk));
    if (n <= 0)
      break;
    line.append(chunk, static_cast<std::size_t>(n));
  }
  const std::string prefix = "SERIAL ";
  if (line.rfind(prefix, 0) != 0)
    return false;
  sim.slave = line.substr(prefix.size(), line.find('\n') - prefix.size());
  return true;
}

void stopSimulator(Simulator& sim) {
  if (sim.in >= 0)
    ::close(sim.in);
  if (sim.pid > 0) {
    for (int i = 0; i < 200 && ::waitpid(sim.pid, nullptr, WNOHANG) == 0; ++i)
      ::usleep(10000);
    ::kill(sim.pid, SIGKILL);
    ::waitpid(sim.pid, nullptr, 0);
  }
  if (sim.out >= 0)
    ::close(sim.out);
}

constexpr const char* kUsage =
    "usage: vantic_bench [--size BYTES] [--speed 1..6] [--simulator PATH] [--python PATH]\n";

// Times of the first and the last progress report, with their percentages.
struct ProgressSpan {
  std::chrono::steady_clock::time_point first;
  std::chrono::steady_clock::time_point last;
  int firstPercent = -1;
  int lastPercent = -1;
};

int onProgress(intptr_t userValue, int, short percent) {
  auto& span = *reinterpret_cast<ProgressSpan*>(userValue);
  const auto now = std::chrono::steady_clock::now();
  if (span.firstPercent < 0) {
    span.first = now;
    span.firstPercent = percent;
  }
  span.last = now;
  span.lastPercent = percent;
  return 1;
}

} // namespace

int main(int argc, char** argv) {
  long size = 100000;
  int speed = 5;
  std::string script = VANTIC_SIM_SCRIPT;
  std::string python = "python3";
  bool known = true;
  for (int i = 1; i < argc && known; i += 2) {
    const std::string option = argv[i];
    known = i + 1 < argc;
    if (!known)
      break;
    if (option == "--size")
      size = std::strtol(argv[i + 1], nullptr, 10);
    else if (option == "--speed")
      speed = static_cast<int>(std::strtol(argv[i + 1], nullptr, 10));
    else if (option == "--simulator")
      script = argv[i + 1];
    else if (option == "--python")
      python = argv[i + 1];
    else
      known = false;
  }
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  static const int kBauds[] = {19200, 9600, 19200, 38400, 57600, 115200, 230400};
  if (!known || size <= 0 || speed < 1 || speed > 6) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  char config[] = "/tmp/vantic-bench-XXXXXX";
  const int fd = ::mkstemp(config);
  if (fd < 0)
    return 1;
  const std::string text = "{\"pictures\": [{\"size\": " + std::to_string(size) + "}]}";
  (void)!::write(fd, text.data(), text.size());
  ::close(fd);

  Simulator sim;
  if (!startSimulator(sim, python, script, config)) {
    std::fprintf(stderr, "vantic_bench: the camera simulator did not start (%s)\n", script.c_str());
    stopSimulator(sim);
    ::unlink(config);
    return 1;
  }
  ::setenv("TARSEL_VANTIC_COM1", sim.slave.c_str(), 1);
  int rc = 1;
  if (Cam_set_port(1) == 1 && Cam_set_speed(speed) == 0 && Cam_session_enabled(1) == 0) {
    std::vector<unsigned char> buffer(static_cast<std::size_t>(size));
    ProgressSpan span;
    Cam_setup_callback(onProgress, reinterpret_cast<intptr_t>(&span));
    const auto start = std::chrono::steady_clock::now();
    const int result = Cam_get_picture_buffer(buffer.data(), 1, static_cast<int>(size));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result == 0) {
      const double rate = static_cast<double>(size) / seconds;
      const double limit = kBauds[speed] / 10.0;
      std::printf(
          "download of %ld bytes at %d baud: %.2f s, %.0f bytes/s; line limit %.0f bytes/s (%.1f %%)\n", size,
          kBauds[speed], seconds, rate, limit, 100.0 * rate / limit);
      const double blockSeconds = std::chrono::duration<double>(span.last - span.first).count();
      if (span.lastPercent > span.firstPercent && blockSeconds > 0) {
        const double blockRate =
            static_cast<double>(size) * (span.lastPercent - span.firstPercent) / 100.0 / blockSeconds;
        std::printf("block transfer (%d %% to %d %% of the picture): %.0f bytes/s (%.1f %% of line rate); "
                    "whole call %.1f %%\n",
                    span.firstPercent, span.lastPercent, blockRate, 100.0 * blockRate / limit,
                    100.0 * rate / limit);
      } else {
        std::printf("block transfer: too few progress reports to time it\n");
      }
      rc = 0;
    } else {
      std::fprintf(stderr, "vantic_bench: download failed with %d\n", result);
    }
    Cam_session_enabled(0);
  } else {
    std::fprintf(stderr, "vantic_bench: no session (%d)\n", Cam_error());
  }
  Cam_reset_dll();
  stopSimulator(sim);
  ::unlink(config);
  return rc;
}

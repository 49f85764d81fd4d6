// Measures picture-transfer throughput over the simulator daemon: a whole
// picture read through the library's protocol (GetPicture), next to the raw
// throughput of the same device socket, where the same bytes travel as bare
// 0xC2 reads of one pending reply record, without the protocol's opens,
// closes, length queries and acknowledgements. Not a test: it prints numbers.
//
//   vesk-bench [--dir DIR] [--picture N] [--rounds R]
//
// Without --dir it starts vesk-simd (beside this program) in a temporary
// folder with one camera whose card holds a raw file, and stops it at the end;
// its camera is then named in a registry of that folder, so the user's own
// registry is neither needed nor touched. With --dir, the user's "Type_S"
// must name the daemon's camera model.
#include "platform/reg/Registry.h"
#include "vesklib/VeskWire.h"
#include "vesklib/ProtocolFrames.h"
#include "vesklib/SocketDeviceBackend.h"
#include "vesklib/VeskDLL.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using tarsel::vesk::DataDirection;
using tarsel::vesk::ProtocolFrames;
using tarsel::vesk::ScsiCommand;
using tarsel::vesk::SocketDeviceBackend;

struct Options {
  std::string dir;
  int picture = 4;
  int rounds = 5;
};

bool parseInt(const char* text, int& value) {
  const char* end = text + std::char_traits<char>::length(text);
  const auto [ptr, ec] = std::from_chars(text, end, value);
  return ec == std::errc() && ptr == end && value > 0;
}

bool parseOptions(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--dir" && i + 1 < argc)
      options.dir = argv[++i];
    else if (arg == "--picture" && i + 1 < argc && parseInt(argv[i + 1], options.picture))
      ++i;
    else if (arg == "--rounds" && i + 1 < argc && parseInt(argv[i + 1], options.rounds))
      ++i;
    else
      return false;
  }
  return true;
}

std::string programFolder() {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string(".") : self.parent_path().string();
}

// vesk-simd in a temporary folder, stopped when this goes away.
class Daemon {
public:
  bool start() {
    char pattern[] = "/tmp/vesk-bench-XXXXXX";
    if (!::mkdtemp(pattern))
      return false;
    m_dir = pattern;
    std::string program = programFolder() + "/vesk-simd";
    std::vector<std::string> argv = {program, "--dir", m_dir, "--cameras", "1", "--raw"};
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    if (::posix_spawn(&m_pid, program.c_str(), nullptr, nullptr, args.data(), environ) != 0)
      return false;
    for (int i = 0; i < 1000; ++i) {
      if (std::filesystem::exists(m_dir + "/BrantelVesk0"))
        return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  ~Daemon() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGTERM);
      int status = 0;
      ::waitpid(m_pid, &status, 0);
    }
    if (!m_dir.empty()) {
      std::error_code ec;
      std::filesystem::remove_all(m_dir, ec);
    }
  }
  const std::string& dir() const { return m_dir; }

private:
  std::string m_dir;
  pid_t m_pid = -1;
};

// Points this process's registry at the daemon's folder and names the
// simulated model there as a supported camera.
bool nameSimulatedCamera(const std::string& dir) {
  ::setenv("TARSEL_REGISTRY_DIR", (dir + "/registry").c_str(), 1);
  ::setenv("TARSEL_MACHINE_REGISTRY", (dir + "/registry/machine.reg").c_str(), 1);
  std::error_code ec;
  std::filesystem::create_directories(dir + "/registry", ec);
  HKEY key = nullptr;
  DWORD disposition = 0;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr,
                      REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, &key, &disposition) != 0)
    return false;
  static const char kModels[] = "XC-701";
  const LONG result =
      RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(kModels), sizeof kModels);
  RegCloseKey(key);
  return result == 0;
}

double megabytesPerSecond(std::uint64_t bytes, Clock::duration elapsed) {
  const double seconds = std::chrono::duration<double>(elapsed).count();
  return seconds > 0 ? static_cast<double>(bytes) / seconds / 1e6 : 0.0;
}

// The library's download of the picture, `rounds` times: bytes per second.
bool protocolThroughput(int picture, int rounds, std::uint64_t& bytes, Clock::duration& elapsed) {
  try {
    if (InitControl() != 0 || GetPropCameraCount() < 1 || Connect(0) != 0)
      return false;
    SetPropCurrentPicture(0, picture);
    const int size = GetPropPicSize(0);
    if (size <= 0)
      return false;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
      if (GetPicture(0, size, buffer.data(), nullptr, nullptr) != 1)
        return false;
    }
    elapsed = Clock::now() - start;
    bytes = static_cast<std::uint64_t>(size) * static_cast<std::uint64_t>(rounds);
    DisConnect(0);
    return true;
  } catch (const CVeskNVError& error) {
    std::fprintf(stderr, "vesk-bench: %s (%d)\n", error.what(), error.code());
    return false;
  }
}

// The same number of bytes as bare reads of one pending reply record on the
// same socket.
bool rawThroughput(const std::string& dir, std::uint64_t wanted, std::uint64_t& bytes, Clock::duration& elapsed) {
  SocketDeviceBackend backend(dir);
  int handle = -1;
  if (backend.open(backend.cameraDevicePath(0), handle) != 0)
    return false;
  const auto issue = [&](std::uint8_t opcode, DataDirection direction, std::span<const std::uint8_t> out,
                         std::span<std::uint8_t> in) {
    ScsiCommand command;
    command.cdb[0] = opcode;
    const auto length = static_cast<std::uint32_t>(direction == DataDirection::Out ? out.size() : in.size());
    command.cdb[6] = static_cast<std::uint8_t>(length >> 24);
    command.cdb[7] = static_cast<std::uint8_t>(length >> 16);
    command.cdb[8] = static_cast<std::uint8_t>(length >> 8);
    command.cdb[9] = static_cast<std::uint8_t>(length);
    command.direction = direction;
    command.dataOut = out;
    command.dataIn = in;
    command.timeoutMs = 45000;
    return backend.passThrough(handle, command);
  };
  const auto open = ProtocolFrames::openBlock();
  std::array<std::uint8_t, 16> lengthAnswer{};
  std::array<std::uint8_t, 14> closeAnswer{};
  issue(0xC0, DataDirection::Out, open, {});
  issue(0xC1, DataDirection::Out, ProtocolFrames::dataReadRequest(14), {});
  issue(0xC3, DataDirection::In, {}, closeAnswer);
  issue(0xC0, DataDirection::Out, open, {});
  issue(0xC4, DataDirection::In, {}, lengthAnswer);
  const std::uint32_t length = lengthAnswer[12] | (lengthAnswer[13] << 8) | (lengthAnswer[14] << 16) |
                               (static_cast<std::uint32_t>(lengthAnswer[15]) << 24);
  if (length <= 70 || length > ProtocolFrames::kMaxReplyLength) {
    backend.close(handle);
    return false;
  }
  std::vector<std::uint8_t> record(length);
  const std::uint64_t payload = length - 70;
  const std::uint64_t reads = (wanted + payload - 1) / payload;
  const auto start = Clock::now();
  for (std::uint64_t i = 0; i < reads; ++i) {
    if (issue(0xC2, DataDirection::In, {}, record).transferred != length) {
      backend.close(handle);
      return false;
    }
  }
  elapsed = Clock::now() - start;
  bytes = reads * payload;
  issue(0xC3, DataDirection::In, {}, closeAnswer);
  backend.close(handle);
  return true;
}

} // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: vesk-bench [--dir DIR] [--picture N] [--rounds R]\n");
    return 2;
  }
  Daemon daemon;
  if (options.dir.empty()) {
    if (!daemon.start()) {
      std::fprintf(stderr, "vesk-bench: cannot start vesk-simd\n");
      return 1;
    }
    options.dir = daemon.dir();
  }
  ::setenv("VESK_DEVICE_DIR", options.dir.c_str(), 1);
  if (!daemon.dir().empty() && !nameSimulatedCamera(daemon.dir())) {
    std::fprintf(stderr, "vesk-bench: cannot write the temporary registry\n");
    return 1;
  }
  std::uint64_t protocolBytes = 0;
  Clock::duration protocolTime{};
  if (!protocolThroughput(options.picture, options.rounds, protocolBytes, protocolTime)) {
    std::fprintf(stderr, "vesk-bench: no camera, or the download failed (is the model in Type_S?)\n");
    return 1;
  }
  std::uint64_t rawBytes = 0;
  Clock::duration rawTime{};
  if (!rawThroughput(options.dir, protocolBytes, rawBytes, rawTime)) {
    std::fprintf(stderr, "vesk-bench: raw reads on the socket failed\n");
    return 1;
  }
  const double protocol = megabytesPerSecond(protocolBytes, protocolTime);
  const double raw = megabytesPerSecond(rawBytes, rawTime);
  std::printf("picture transfer through the protocol: %10.1f MB/s (%llu bytes)\n", protocol,
              static_cast<unsigned long long>(protocolBytes));
  std::printf("raw reads on the same socket:          %10.1f MB/s (%llu bytes)\n", raw,
              static_cast<unsigned long long>(rawBytes));
  if (raw > 0)
    std::printf("protocol cost:                         %10.1f %%\n", (1.0 - protocol / raw) * 100.0);
  return 0;
}

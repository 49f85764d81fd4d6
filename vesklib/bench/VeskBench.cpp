// Measures the library's picture download against the protocol floor: the
// same exchanges done by a tight loop over the same kind of socket against
// the same trivial peer. The exchanges are recorded once from the simulator
// daemon; then the library (InitControl, Connect, GetPicture) and the floor
// loop (send each recorded request, read its reply) both run against a peer
// that only replays the recorded replies. The floor is what the protocol's
// exchanges cost by themselves; the library's time over it is its own cost.
// Not a test: it prints numbers.
//
//   vesk-bench [--dir DIR] [--picture N] [--rounds R] [--trials T]
//
// Without --dir it starts vesk-simd (beside this program) in a temporary
// folder with one camera whose card holds a raw file, and stops it at the end;
// its camera is then named in a registry of that folder, so the user's own
// registry is neither needed nor touched. With --dir, the user's "Type_S"
// must name the daemon's camera model. Each of T rounds (after one warm-up
// round) downloads the picture R times through the library and R times
// through the floor loop; the min, median and max over the rounds are
// reported, of each way's time and of their ratio.
#include "platform/testsupport/BenchSpread.h"
#include "vesklib/LinkCameraManager.h"
#include "vesklib/ManagerInstance.h"
#include "vesklib/SocketDeviceBackend.h"
#include "vesklib/VeskDLL.h"
#include "vesklib/VeskWire.h"
#include "vesklib/bench/BenchSetup.h"
#include "vesklib/bench/TranscriptPeer.h"

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
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using tarsel::vesk::bench::nameSimulatedCamera;
using tarsel::vesk::bench::programFolder;

using Clock = std::chrono::steady_clock;
using tarsel::vesk::CLinkCameraManager;
using tarsel::vesk::ManagerInstance;
using tarsel::vesk::SocketDeviceBackend;
using tarsel::vesk::bench::TranscriptPeer;
namespace wire = tarsel::vesk::wire;

struct Options {
  std::string dir;
  int picture = 4;
  int rounds = 5;
  int trials = 9;
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
    else if (arg == "--trials" && i + 1 < argc && parseInt(argv[i + 1], options.trials))
      ++i;
    else
      return false;
  }
  return true;
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

void printSpread(const char* label, const std::vector<double>& values) {
  const tarsel::test::BenchSpread spread = tarsel::test::SpreadOf(values);
  std::printf("%-32s %10.2f %10.2f %10.2f\n", label, spread.min, spread.median, spread.max);
}

double milliseconds(Clock::duration elapsed) {
  return std::chrono::duration<double, std::milli>(elapsed).count();
}

// The library over the sockets in `dir`: finds camera 0, connects it and
// selects the picture. Its size, or 0.
int prepareCamera(const std::string& dir, int picture) {
  ManagerInstance::replace(std::make_shared<CLinkCameraManager>(std::make_unique<SocketDeviceBackend>(dir)));
  if (InitControl() != 0 || GetPropCameraCount() < 1 || Connect(0) != 0)
    return 0;
  SetPropCurrentPicture(0, picture);
  return GetPropPicSize(0);
}

// `rounds` downloads of the picture through the library; false when one failed.
bool download(int size, int rounds, std::vector<std::uint8_t>& buffer, Clock::duration& elapsed) {
  buffer.assign(static_cast<std::size_t>(size), 0);
  const auto start = Clock::now();
  for (int i = 0; i < rounds; ++i) {
    if (GetPicture(0, size, buffer.data(), nullptr, nullptr) != 1)
      return false;
  }
  elapsed = Clock::now() - start;
  DisConnect(0);
  return true;
}

// What the recording run saw: every connection, and where in the camera's
// connection (the last one) the download's exchanges start.
struct Recording {
  std::vector<TranscriptPeer::Connection> connections;
  std::size_t downloadStart = 0;
  int size = 0;
};

bool record(TranscriptPeer& peer, const std::string& daemonDir, int picture, Recording& out) {
  peer.record(daemonDir);
  out.size = prepareCamera(peer.dir(), picture);
  if (out.size <= 0)
    return false;
  const auto before = peer.recorded();
  out.downloadStart = before.empty() ? 0 : before.back().transcript.size();
  std::vector<std::uint8_t> buffer;
  Clock::duration ignored{};
  if (!download(out.size, 1, buffer, ignored))
    return false;
  out.connections = peer.recorded();
  return !out.connections.empty() && out.connections.back().transcript.size() > out.downloadStart;
}

TranscriptPeer::Transcript downloadExchanges(const Recording& recording) {
  const auto& all = recording.connections.back().transcript;
  return {all.begin() + static_cast<std::ptrdiff_t>(recording.downloadStart), all.end()};
}

TranscriptPeer::Transcript repeated(TranscriptPeer::Transcript base, const TranscriptPeer::Transcript& more,
                                    int times) {
  for (int i = 0; i < times; ++i)
    base.insert(base.end(), more.begin(), more.end());
  return base;
}

// The scripts for the library's run: every recorded connection again, the
// camera's with the download `rounds` times.
std::map<std::string, std::deque<TranscriptPeer::Transcript>> libraryScripts(const Recording& recording,
                                                                             int rounds) {
  std::map<std::string, std::deque<TranscriptPeer::Transcript>> scripts;
  for (const auto& connection : recording.connections)
    scripts[connection.name].push_back(connection.transcript);
  auto& camera = scripts[recording.connections.back().name].back();
  camera = repeated(std::move(camera), downloadExchanges(recording), rounds - 1);
  return scripts;
}

// The floor: the download's requests as recorded, each sent whole and its
// reply read whole, over a fresh connection to the replaying peer.
bool floorLoop(TranscriptPeer& peer, const Recording& recording, int rounds, Clock::duration& elapsed) {
  const auto exchanges = downloadExchanges(recording);
  const std::string name = recording.connections.back().name;
  peer.replay({{name, {repeated({}, exchanges, rounds)}}});
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = peer.dir() + "/" + name;
  path.copy(address.sun_path, sizeof address.sun_path - 1);
  if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return false;
  std::vector<std::uint8_t> reply(wire::kReplyHeaderSize + wire::kMaxDataLength);
  bool ok = true;
  const auto start = Clock::now();
  for (int round = 0; round < rounds && ok; ++round) {
    for (const auto& exchange : exchanges) {
      if (::send(fd, exchange.request.data(), exchange.request.size(), MSG_NOSIGNAL) !=
          static_cast<ssize_t>(exchange.request.size())) {
        ok = false;
        break;
      }
      // Whatever has arrived, until the whole reply is in.
      for (std::size_t got = 0; got < exchange.reply.size() && ok;) {
        const ssize_t n = ::recv(fd, reply.data() + got, exchange.reply.size() - got, 0);
        ok = n > 0;
        got += ok ? static_cast<std::size_t>(n) : 0;
      }
    }
  }
  elapsed = Clock::now() - start;
  ::close(fd);
  return ok;
}

} // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parseOptions(argc, argv, options)) {
    std::fprintf(stderr, "usage: vesk-bench [--dir DIR] [--picture N] [--rounds R] [--trials T]\n");
    return 2;
  }
  ::signal(SIGPIPE, SIG_IGN);
  Daemon daemon;
  if (options.dir.empty()) {
    if (!daemon.start()) {
      std::fprintf(stderr, "vesk-bench: cannot start vesk-simd\n");
      return 1;
    }
    options.dir = daemon.dir();
  }
  if (!daemon.dir().empty() && !nameSimulatedCamera(daemon.dir())) {
    std::fprintf(stderr, "vesk-bench: cannot write the temporary registry\n");
    return 1;
  }
  char pattern[] = "/tmp/vesk-floor-XXXXXX";
  if (!::mkdtemp(pattern)) {
    std::fprintf(stderr, "vesk-bench: cannot make a folder for the trivial peer\n");
    return 1;
  }
  const std::string peerDir = pattern;
  int status = 0;
  try {
    TranscriptPeer peer(peerDir, {wire::kControlDeviceName, wire::cameraDeviceName(0)});
    Recording recording;
    if (!peer.start() || !record(peer, options.dir, options.picture, recording)) {
      std::fprintf(stderr, "vesk-bench: no camera, or the download failed (is the model in Type_S?)\n");
      status = 1;
    }
    // Side by side: each round times the library and the floor one after
    // the other (which goes first alternates), so a change in the machine's
    // load weighs on both; the first round only warms up.
    std::vector<double> ratios;
    std::vector<double> libraryMs;
    std::vector<double> floorMs;
    std::vector<std::uint8_t> buffer;
    for (int round = 0; round <= options.trials && status == 0; ++round) {
      Clock::duration library{};
      Clock::duration floor{};
      const auto runLibrary = [&] {
        peer.replay(libraryScripts(recording, options.rounds));
        return prepareCamera(peerDir, options.picture) == recording.size &&
               download(recording.size, options.rounds, buffer, library);
      };
      const auto runFloor = [&] { return floorLoop(peer, recording, options.rounds, floor); };
      const bool ok = round % 2 == 0 ? runLibrary() && runFloor() : runFloor() && runLibrary();
      if (!ok) {
        std::fprintf(stderr, "vesk-bench: a replayed run failed\n");
        status = 1;
      } else if (round > 0) {
        libraryMs.push_back(milliseconds(library));
        floorMs.push_back(milliseconds(floor));
        ratios.push_back(milliseconds(library) / milliseconds(floor));
      }
    }
    ManagerInstance::replace(nullptr);
    if (status == 0) {
      const auto bytes =
          static_cast<std::uint64_t>(recording.size) * static_cast<std::uint64_t>(options.rounds);
      std::printf("exchanges per download: %zu (%d bytes); %d downloads per run, %d rounds after a warm-up\n",
                  downloadExchanges(recording).size(), recording.size, options.rounds, options.trials);
      std::printf("%-32s %10s %10s %10s\n", "", "min", "median", "max");
      printSpread("library download (ms)", libraryMs);
      printSpread("protocol floor (ms)", floorMs);
      printSpread("library / floor", ratios);
      std::printf("library at its median:          %10.1f MB/s\n",
                  static_cast<double>(bytes) / (tarsel::test::SpreadOf(libraryMs).median / 1e3) / 1e6);
    }
  } catch (const CVeskNVError& error) {
    std::fprintf(stderr, "vesk-bench: %s (%d)\n", error.what(), error.code());
    status = 1;
  }
  std::error_code ec;
  std::filesystem::remove_all(peerDir, ec);
  return status;
}

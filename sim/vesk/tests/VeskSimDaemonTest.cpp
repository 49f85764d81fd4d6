// The vesk-simd daemon as a process: it serves the wire on real sockets in a
// temporary folder, obeys control commands (unplug removes the socket and
// closes its connections), applies faults given on its command line, and
// removes its sockets on SIGTERM.
#include "VeskTestHost.h"

#include "sim/vesk/VeskSimTypes.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace tarsel::vesksim;
using namespace tarsel::vesksim::test;
namespace fs = std::filesystem;

namespace {

// The daemon, started with a pipe on its standard output.
class Daemon {
public:
  explicit Daemon(const std::vector<std::string>& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
      return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    std::vector<std::string> all = {tarsel::test::binDir() + "/vesk-simd"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
      m_pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_out = fds[0];
  }

  ~Daemon() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGKILL);
      ::waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
      ::close(m_out);
  }

  // The first line of its output, read within the deadline.
  std::string firstLine(int timeoutMs = 30000) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd p{m_out, POLLIN, 0};
      if (::poll(&p, 1, 100) <= 0)
        continue;
      char c = 0;
      if (::read(m_out, &c, 1) != 1 || c == '\n')
        break;
      line.push_back(c);
    }
    return line;
  }

  // Sends the signal and waits for the exit: the exit code, or -1.
  int stop(int signal = SIGTERM) {
    if (m_pid <= 0)
      return -1;
    ::kill(m_pid, signal);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
    m_pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

private:
  pid_t m_pid = -1;
  int m_out = -1;
};

// The wire over a connected Unix socket; no reply within the request's
// time-out is silence, an end of stream is a close.
class SocketTransport {
public:
  explicit SocketTransport(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    m_fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
      ::close(m_fd);
      m_fd = -1;
    }
  }
  ~SocketTransport() {
    if (m_fd >= 0)
      ::close(m_fd);
  }
  bool connected() const { return m_fd >= 0; }
  int fd() const { return m_fd; }

  Response operator()(const Request& request) {
    Response closed{Response::Kind::Close, {}, 0};
    if (m_fd < 0)
      return closed;
    const Bytes frame = encodeRequest(request);
    if (::send(m_fd, frame.data(), frame.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(frame.size()))
      return closed;
    std::uint8_t header[kReplyHeaderSize];
    const int got = readExact(header, sizeof header, static_cast<int>(request.header.timeoutMs));
    if (got == 0)
      return Response{Response::Kind::Silence, {}, 0};
    if (got < 0)
      return closed;
    Response r;
    if (decodeReplyHeader(header, r.reply.header) != DecodeStatus::Ok)
      return closed;
    r.reply.data.resize(r.reply.header.dataLength);
    if (!r.reply.data.empty() && readExact(r.reply.data.data(), r.reply.data.size(), 10000) <= 0)
      return closed;
    return r;
  }

private:
  // 1: all bytes; 0: nothing arrived within the time; -1: closed or broken.
  int readExact(std::uint8_t* data, std::size_t n, int timeoutMs) {
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (done < n) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0)
        return done == 0 ? 0 : -1;
      pollfd p{m_fd, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(left.count())) <= 0)
        continue;
      const ssize_t got = ::recv(m_fd, data + done, n - done, 0);
      if (got <= 0)
        return -1;
      done += static_cast<std::size_t>(got);
    }
    return 1;
  }
  int m_fd = -1;
};

std::vector<std::string> socketsIn(const std::string& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.is_socket())
      names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool waitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 500; ++i) {
    if (condition())
      return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

std::string control(const std::string& dir, const std::string& command) {
  std::vector<std::string> argv = {tarsel::test::binDir() + "/vesk-simd", "ctl", "--dir", dir};
  std::istringstream words(command);
  for (std::string w; words >> w;)
    argv.push_back(w);
  std::string out = tarsel::test::runProgram(argv).out;
  while (!out.empty() && out.back() == '\n')
    out.pop_back();
  return out;
}

} // namespace

TEST(Daemon, ServesTheWireAndRemovesItsSocketsOnSigterm) {
  tarsel::test::TempDir tmp;
  const std::string dir = tmp.path() + "/dev";
  Daemon daemon({"--dir", dir, "--cameras", "2", "--pictures", "1", "--resolution", "3", "--disk", "--log",
                 tmp.file("requests.log")});
  ASSERT_EQ(daemon.firstLine(), "vesk-simd: ready, 3 devices in " + dir);
  EXPECT_EQ(socketsIn(dir), (std::vector<std::string>{"BrantelVesk", "BrantelVesk0", "BrantelVesk1",
                                                      "BrantelVesk2", "vesk-simd.control"}));

  SocketTransport controlDevice(dir + "/BrantelVesk");
  ASSERT_TRUE(controlDevice.connected());
  const Response count = controlDevice(VeskTestHost::countRequest());
  std::uint32_t n = 0;
  ASSERT_TRUE(decodeCountAnswer(count.reply.data, n));
  EXPECT_EQ(n, 3u);

  SocketTransport camera(dir + "/BrantelVesk1");
  VeskTestHost host(std::ref(camera));
  const Response inquiry = host.send(VeskTestHost::inquiryRequest());
  ASSERT_EQ(inquiry.reply.data.size(), 36u);
  EXPECT_EQ(std::string(inquiry.reply.data.begin() + 16, inquiry.reply.data.end() - 4), "XC-701 CAMERA   ");

  // A multi-megabyte picture over the socket equals the daemon's card file.
  ASSERT_EQ(host.writeRegister(4, 1).error, 0);
  const HostResult picture = host.readData(14);
  ASSERT_EQ(picture.error, 0);
  EXPECT_GT(picture.data.size(), 2'000'000u);
  ASSERT_EQ(control(dir, "dump 1 " + tmp.file("card")), "ok 1");
  const std::string file = tarsel::test::readFile(tmp.file("card/SIM_0001.JPG"));
  EXPECT_TRUE(Bytes(file.begin(), file.end()) == picture.data);

  // An independent client agrees on every byte of the frames.
  const auto python =
      tarsel::test::runProgram({"python3", tarsel::test::testDataDir() + "/vesk_wire_client.py", dir});
  EXPECT_EQ(python.exitCode, 0);
  EXPECT_EQ(python.out, "count=3\ninquiry0=0:XC-701 CAMERA   \ninquiry1=0:XC-701 CAMERA   \n"
                        "inquiry2=0:VIRTUAL DISK    \nreg35=4\nwrite35=06\nreg35=6\n");
  EXPECT_EQ(control(dir, "violations 0"), "ok 0");
  EXPECT_EQ(control(dir, "violations 1"), "ok 0");

  // A frame that does not decode makes the daemon close the connection.
  SocketTransport garbage(dir + "/BrantelVesk0");
  const Bytes junk(kRequestHeaderSize, 0x55);
  ASSERT_EQ(::send(garbage.fd(), junk.data(), junk.size(), MSG_NOSIGNAL), static_cast<ssize_t>(junk.size()));
  char byte = 0;
  EXPECT_EQ(::recv(garbage.fd(), &byte, 1, 0), 0);

  EXPECT_EQ(daemon.stop(SIGTERM), 0);
  EXPECT_EQ(socketsIn(dir), std::vector<std::string>{});
  EXPECT_NE(tarsel::test::readFile(tmp.file("requests.log")).find(" dev1 cdb=C2"), std::string::npos);
}

TEST(Daemon, UnplugByControlCommandRemovesTheSocketAndClosesItsConnections) {
  tarsel::test::TempDir tmp;
  const std::string dir = tmp.path();
  Daemon daemon({"--dir", dir, "--cameras", "2", "--pictures", "1", "--resolution", "1", "--control",
                 tmp.file("ctl.sock")});
  ASSERT_EQ(daemon.firstLine().rfind("vesk-simd: ready", 0), 0u);
  const auto ctl = [&](const std::string& command) {
    std::vector<std::string> argv = {tarsel::test::binDir() + "/vesk-simd", "ctl", "--control",
                                     tmp.file("ctl.sock")};
    std::istringstream words(command);
    for (std::string w; words >> w;)
      argv.push_back(w);
    const auto r = tarsel::test::runProgram(argv);
    return r.out.substr(0, r.out.find('\n'));
  };

  auto camera = std::make_unique<SocketTransport>(dir + "/BrantelVesk1");
  VeskTestHost host([&camera](const Request& r) { return (*camera)(r); });
  ASSERT_EQ(host.readRegister(7).error, 0);

  EXPECT_EQ(ctl("unplug 1"), "ok");
  EXPECT_TRUE(waitFor([&] { return !fs::exists(dir + "/BrantelVesk1"); }));
  EXPECT_EQ(host.readRegister(7).error, 55);
  EXPECT_EQ(ctl("count"), "ok 1");
  EXPECT_FALSE(SocketTransport(dir + "/BrantelVesk1").connected());

  EXPECT_EQ(ctl("plug 1"), "ok");
  EXPECT_TRUE(waitFor([&] { return SocketTransport(dir + "/BrantelVesk1").connected(); }));
  camera = std::make_unique<SocketTransport>(dir + "/BrantelVesk1");
  EXPECT_EQ(host.readRegister(7).error, 0);
  EXPECT_EQ(ctl("list"), "ok 0:camera:XC-701:present 1:camera:XC-701:present");
  EXPECT_EQ(ctl("quit"), "ok");
  EXPECT_EQ(daemon.stop(SIGTERM), 0);
  EXPECT_FALSE(fs::exists(tmp.file("ctl.sock")));
}

TEST(Daemon, FaultsGivenAtStartReachTheWire) {
  tarsel::test::TempDir tmp;
  const std::string dir = tmp.path();
  Daemon daemon({"--dir", dir, "--cameras", "1", "--pictures", "1", "--resolution", "4", "--fault",
                 "0 silence opcode=0xC4", "--fault", "0 unplug opcode=0xC2 kind=6 number=14 skip=3",
                 "--fault", "0 truncated-frame opcode=0x12 value=20", "--speed", "50"});
  ASSERT_EQ(daemon.firstLine().rfind("vesk-simd: ready", 0), 0u);

  auto camera = std::make_unique<SocketTransport>(dir + "/BrantelVesk0");
  VeskTestHost host([&camera](const Request& r) { return (*camera)(r); }, 300);
  EXPECT_EQ(host.readRegister(7).error, 121); // the length query stays unanswered
  EXPECT_EQ(host.readRegister(7).error, 0);   // the connection goes on

  const Response cut = host.send(VeskTestHost::inquiryRequest());
  EXPECT_EQ(cut.kind, Response::Kind::Close); // 20 bytes of a header, then the end
  camera = std::make_unique<SocketTransport>(dir + "/BrantelVesk0");
  host.setTimeout(45000);

  // A capture with its busy time at fifty times the speed, then the transfer that unplugs.
  EXPECT_EQ(host.runAction(2, 0).error, 0);
  ASSERT_EQ(host.writeRegister(4, 2).error, 0);
  const HostResult r = host.readData(14);
  EXPECT_EQ(r.error, 55);
  EXPECT_EQ(r.data.size(), 3u * 32768u);
  EXPECT_TRUE(waitFor([&] { return !fs::exists(dir + "/BrantelVesk0"); }));

  // A request whose data is over 1 MiB closes the connection at once.
  SocketTransport control(dir + "/BrantelVesk");
  RequestHeader big;
  big.kind = RequestKind::DeviceControl;
  big.direction = Direction::DataIn;
  big.dataLength = 8;
  auto header = encodeRequestHeader(big);
  storeLe32(&header[32], kMaxDataLength + 1);
  ASSERT_EQ(::send(control.fd(), header.data(), header.size(), MSG_NOSIGNAL),
            static_cast<ssize_t>(header.size()));
  char byte = 0;
  EXPECT_EQ(::recv(control.fd(), &byte, 1, 0), 0);

  EXPECT_EQ(daemon.stop(SIGINT), 0);
  EXPECT_EQ(socketsIn(dir), std::vector<std::string>{});
}

TEST(Daemon, HelpAndBadOptions) {
  const auto help = tarsel::test::runProgram({tarsel::test::binDir() + "/vesk-simd", "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("unplug N"), std::string::npos);
  const auto models = tarsel::test::runProgram({tarsel::test::binDir() + "/vesk-simd", "--list-models"});
  EXPECT_NE(models.out.find("XC-702"), std::string::npos);
  EXPECT_EQ(
      tarsel::test::runProgram({tarsel::test::binDir() + "/vesk-simd", "--dir", "/tmp", "--bogus"}).exitCode,
      2);
  tarsel::test::TempDir tmp;
  EXPECT_EQ(
      tarsel::test::runProgram({tarsel::test::binDir() + "/vesk-simd", "ctl", "--dir", tmp.path(), "list"})
          .exitCode,
      2);
}

// vesk-simd: serves the camera-link simulator on a folder of Unix sockets
// until SIGTERM or SIGINT; "vesk-simd ctl ..." sends one control command.
#include "sim/vesk/VeskSimCamera.h"
#include "sim/vesk/VeskSimConfig.h"
#include "sim/vesk/VeskSimEngine.h"
#include "sim/vesk/VeskSimRealClock.h"
#include "sim/vesk/VeskSimServer.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <mutex>
#include <string_view>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tarsel::vesksim;

namespace {

std::atomic<VeskSimServer*> g_server{nullptr};
std::atomic<bool> g_stopSignalled{false};

void onSignal(int) {
  g_stopSignalled.store(true);
  if (VeskSimServer* server = g_server.load())
    server->requestStop();
}

// The camera clock shows wall time where the daemon runs, without a zone.
std::int64_t localWallSeconds() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return static_cast<std::int64_t>(now) + parts.tm_gmtoff;
}

int sendControlCommand(const DaemonSetup& setup) {
  std::string line;
  for (const std::string& w : setup.controlCommand)
    line += (line.empty() ? "" : " ") + w;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (setup.controlPath.empty() || setup.controlPath.size() >= sizeof address.sun_path) {
    std::cerr << "vesk-simd: no usable control socket path (--control or --dir)\n";
    return 2;
  }
  std::memcpy(address.sun_path, setup.controlPath.c_str(), setup.controlPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    std::cerr << "vesk-simd: " << setup.controlPath << ": " << std::strerror(errno) << "\n";
    if (fd >= 0)
      ::close(fd);
    return 2;
  }
  line += "\n";
  std::string answer;
  if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size())) {
    // The answer is one line; an object's hex runs to megabytes.
    char chunk[65536];
    ssize_t got = 0;
    while ((got = ::recv(fd, chunk, sizeof chunk, 0)) > 0) {
      const std::string_view part(chunk, static_cast<std::size_t>(got));
      const std::size_t newline = part.find('\n');
      answer.append(part.substr(0, newline));
      if (newline != std::string_view::npos)
        break;
    }
  }
  ::close(fd);
  std::cout << answer << "\n";
  return answer.rfind("ok", 0) == 0 ? 0 : 1;
}

std::string hexByte(unsigned v) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X", v & 0xFFu);
  return text;
}

std::string logLine(const LogEntry& e) {
  char time[32];
  std::snprintf(time, sizeof time, "%.6f", static_cast<double>(e.timeUs) / 1e6);
  std::string line = time;
  line += e.device == kControlDevice ? " control" : " dev" + std::to_string(e.device);
  const RequestHeader& h = e.request->header;
  if (h.kind == RequestKind::DeviceControl) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%X", h.controlCode);
    line += std::string(" ioctl=") + code;
  } else {
    line += " cdb=";
    for (std::size_t i = 0; i < h.cdbLength && i < h.cdb.size(); ++i)
      line += hexByte(h.cdb[i]);
  }
  line += " len=" + std::to_string(h.dataLength) + " timeout=" + std::to_string(h.timeoutMs);
  if (h.kind == RequestKind::ScsiPassThrough && h.cdb[0] == 0xC1 && e.request->data.size() >= 70) {
    const auto& d = e.request->data;
    line += " frame=" + hexByte(d[64]) +
            (d[64] == 0x1B ? " kind=" + std::to_string(d[68]) + " no=" + std::to_string(d[69]) : "");
  } else if (h.kind == RequestKind::ScsiPassThrough && h.cdb[0] == 0xC1 && e.request->data.size() == 65) {
    line += " status=" + hexByte(e.request->data[64]);
  }
  const Response& r = *e.response;
  switch (r.kind) {
  case Response::Kind::Reply:
    line += " -> error=" + std::to_string(r.reply.header.error) +
            " scsi=" + std::to_string(r.reply.header.scsiStatus) +
            " data=" + std::to_string(r.reply.data.size());
    break;
  case Response::Kind::Silence:
    line += " -> silence";
    break;
  case Response::Kind::Close:
    line += " -> close";
    break;
  case Response::Kind::TruncatedThenClose:
    line += " -> truncated at " + std::to_string(r.truncateAt);
    break;
  }
  return line;
}

} // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  DaemonSetup setup;
  std::string error;
  if (!VeskSimConfig::parseArguments(args, setup, error)) {
    std::cerr << "vesk-simd: " << error << "\n(vesk-simd --help for the options)\n";
    return 2;
  }
  if (setup.help) {
    std::cout << VeskSimConfig::helpText();
    return 0;
  }
  if (setup.listModels) {
    for (const std::string& name : builtinModelNames())
      std::cout << name << "  \"" << builtinModel(name)->product << "\"\n";
    return 0;
  }
  if (!setup.controlCommand.empty())
    return sendControlCommand(setup);

  auto clock = std::make_shared<VeskSimRealClock>(setup.speed);
  VeskSimEngine engine(clock);
  engine.setCameraClockStart(localWallSeconds());
  for (const DeviceSetup& d : setup.devices) {
    int index = 0;
    switch (d.kind) {
    case DeviceKind::Camera:
      index = engine.addCamera(d.model, d.card);
      break;
    case DeviceKind::Disk:
      index = engine.addDisk(d.product);
      break;
    default:
      index = engine.addFailingNode(d.error);
      break;
    }
    if (d.unplugged)
      engine.unplug(index);
    // A picture the host erases is kept as a file first, to compare with what the host saved;
    // numbered in erase order, since a card's file names come round again after 9999.
    if (!setup.keptDir.empty() && d.kind == DeviceKind::Camera) {
      const std::string prefix = setup.keptDir + "/" + std::to_string(index) + "-";
      engine.camera(index)->setEraseHook([prefix, kept = 0u](const CardPicture& picture) mutable {
        char number[16];
        std::snprintf(number, sizeof number, "%06u-", ++kept);
        // A card's name is any text the control channel gave: it stays a name in the folder.
        std::string name = picture.fileName;
        std::replace(name.begin(), name.end(), '/', '_');
        std::ofstream out(prefix + number + name, std::ios::binary);
        if (!out)
          std::cerr << "vesk-simd: cannot keep " << prefix << number << name << '\n';
        else if (picture.bytes)
          out.write(reinterpret_cast<const char*>(picture.bytes->data()),
                    static_cast<std::streamsize>(picture.bytes->size()));
      });
    }
  }
  for (const FaultSetup& f : setup.faults) {
    if (!engine.injectFault(f.device, f.fault)) {
      std::cerr << "vesk-simd: fault for a device that does not exist: " << f.device << "\n";
      return 2;
    }
  }

  std::ofstream logFile;
  std::mutex logMutex;
  if (!setup.logPath.empty()) {
    logFile.open(setup.logPath, std::ios::app);
    if (!logFile) {
      std::cerr << "vesk-simd: " << setup.logPath << ": cannot be written\n";
      return 2;
    }
    engine.setRequestLog([&logFile, &logMutex](const LogEntry& e) {
      const std::string line = logLine(e);
      std::lock_guard lock(logMutex);
      logFile << line << '\n';
      logFile.flush();
    });
  }

  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);

  VeskSimServer server(engine, setup.dir, setup.controlPath);
  if (!server.start(error)) {
    std::cerr << "vesk-simd: " << error << "\n";
    return 1;
  }
  g_server = &server;
  if (g_stopSignalled.load()) // a signal that came before the server was known
    server.requestStop();

  std::cout << "vesk-simd: ready, " << engine.deviceCount() << " devices in " << setup.dir << std::endl;
  server.run();
  g_server = nullptr;
  engine.setRequestLog(nullptr);
  std::cout << "vesk-simd: stopped" << std::endl;
  return 0;
}

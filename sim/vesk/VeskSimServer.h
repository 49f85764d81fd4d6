// Serves a simulator engine on Unix stream sockets: "BrantelVesk" (control
// device), "BrantelVesk<i>" for every present device slot, and a control
// socket for text commands (VeskSimControl). Each accepted connection gets a
// thread that reads request frames, hands them to the engine and writes the
// replies; a frame that does not decode closes the connection. When a device
// is unplugged its socket file goes away and its connections are closed; when
// it is plugged in again the socket comes back.
//
// Threads: run() is the accept loop on the caller's thread; requestStop() is
// async-signal-safe and may be called from a signal handler or any thread.
// run() returns after every connection thread has ended and every socket file
// it made is removed. Start-up failures are reported by start() as text.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::vesksim {

class VeskSimControl;
class VeskSimEngine;

class VeskSimServer {
public:
  VeskSimServer(VeskSimEngine& engine, std::string dir, std::string controlPath);
  ~VeskSimServer();
  VeskSimServer(const VeskSimServer&) = delete;
  VeskSimServer& operator=(const VeskSimServer&) = delete;

  bool start(std::string& error);
  void run();
  void requestStop();

private:
  struct Connection {
    std::mutex mutex;
    int fd = -1;
    std::thread thread;
    std::atomic<bool> finished{false};
    int device = 0; // slot, or -1 control device, or -2 command socket
  };

  int listen(const std::string& path, std::string& error);
  void syncListeners();
  void accept(int listenFd, int device);
  void serveDevice(const std::shared_ptr<Connection>& c);
  void serveCommands(const std::shared_ptr<Connection>& c);
  void closeConnections(int device);
  void reap(bool all);
  void closeAll();
  void wake();
  std::string socketPath(int device) const;

  VeskSimEngine& m_engine;
  const std::string m_dir;
  const std::string m_controlPath;
  std::unique_ptr<VeskSimControl> m_control;
  int m_wakeRead = -1;
  int m_wakeWrite = -1;
  std::atomic<bool> m_stop{false};
  std::atomic<bool> m_quit{false};
  int m_controlDeviceFd = -1;
  int m_commandFd = -1;
  std::vector<int> m_deviceFds; // listener per slot, -1 while absent
  std::mutex m_connectionsMutex;
  std::list<std::shared_ptr<Connection>> m_connections;
};

} // namespace tarsel::vesksim

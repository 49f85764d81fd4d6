// A cable between the host and the camera simulator's USB stand-in: it
// listens at the host's socket path and relays every message, both ways, to
// a connection of its own to the simulator. Unplugged, it drops both
// connections and its socket path, so the host finds no device while the
// camera keeps its card; plugged in again, it listens at the path once more.
// It can also be pulled by itself once the camera has sent a number of large
// messages (blocks of a picture), so that a transfer breaks in its middle.
//
// Threads: one relay thread of its own; the operations from any thread
// return once the relay thread has done what they ask.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tarsel::frame::test {

class UsbCable {
public:
  UsbCable(std::string hostPath, std::string devicePath);
  ~UsbCable();
  UsbCable(const UsbCable&) = delete;
  UsbCable& operator=(const UsbCable&) = delete;

  void unplug();
  void plug();
  // Unplugs by itself instead of relaying the camera's `count`-th message
  // of at least `size` bytes from now on.
  void unplugAtCameraMessage(std::size_t size, int count);
  bool isPlugged();

private:
  // Runs `change` on the relay thread and waits until it ran.
  void onRelayThread(std::function<void()> change);
  void relay();
  void listen();
  void drop();
  void connectDevice();
  // Relays one message from `from`; closes both ends when a connection ended.
  void serve(int from);
  // Relays one message; false when the connection ended.
  bool pass(int from, int to, bool fromCamera);

  const std::string m_hostPath;
  const std::string m_devicePath;
  int m_wake[2] = {-1, -1};
  // Relay thread only.
  int m_listener = -1;
  int m_host = -1;
  int m_device = -1;
  std::size_t m_cutSize = 0;
  int m_cutCount = 0;

  std::mutex m_lock;
  std::condition_variable m_done;
  std::function<void()> m_change;
  bool m_plugged = false;
  bool m_stop = false;
  std::thread m_thread;
};

} // namespace tarsel::frame::test

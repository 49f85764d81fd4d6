// A scripted USB camera for tests: listens on a SOCK_SEQPACKET socket as the
// camera simulator does, answers the device-descriptor request with the given
// vendor and product ids, then answers each other received
// message with whatever the test's handler returns (nothing, one or more
// messages). Runs on its own thread; stop() or the destructor ends it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::vantic::test {

using Bytes = std::vector<std::uint8_t>;

class FakeUsbCamera {
public:
  using Handler = std::function<std::vector<Bytes>(const Bytes& received)>;

  FakeUsbCamera(std::string path, std::uint16_t vendorId, std::uint16_t productId, Handler handler);
  ~FakeUsbCamera();

  void stop();
  // Every message received so far.
  std::vector<Bytes> received() const;
  int connections() const { return m_connections; }

private:
  void run();

  std::string m_path;
  std::uint16_t m_vendor;
  std::uint16_t m_product;
  Handler m_handler;
  int m_listen = -1;
  int m_wake[2] = {-1, -1};
  std::atomic<int> m_connections{0};
  mutable std::mutex m_mutex;
  std::vector<Bytes> m_received;
  std::thread m_thread;
};

} // namespace tarsel::vantic::test

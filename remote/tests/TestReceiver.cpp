#include "TestReceiver.h"

#include <atomic>

#include <unistd.h>

namespace tarsel::remote::test {

namespace {

MailSlotListener::Options optionsFor(const std::string& name, const std::optional<std::string>& udpAddress) {
  MailSlotListener::Options options;
  options.socketName = name;
  options.listenUdp = udpAddress.has_value();
  options.udpAddress = udpAddress.value_or(std::string());
  options.udpPort = 0;
  return options;
}

} // namespace

std::string uniqueSocketName() {
  static std::atomic<int> counter{0};
  return "tarsel-remote-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

TestReceiver::TestReceiver(const std::optional<std::string>& udpAddress)
    : m_name(uniqueSocketName()), m_listener(optionsFor(m_name, udpAddress)) {
  m_listener.Start([this](std::span<const std::uint8_t> bytes) {
    {
      std::lock_guard lock(m_mutex);
      m_datagrams.emplace_back(bytes.begin(), bytes.end());
    }
    m_arrived.notify_all();
  });
}

TestReceiver::~TestReceiver() {
  m_listener.Stop();
}

std::vector<std::vector<std::uint8_t>> TestReceiver::waitFor(std::size_t count,
                                                             std::chrono::milliseconds limit) {
  std::unique_lock lock(m_mutex);
  m_arrived.wait_for(lock, limit, [&] { return m_datagrams.size() >= count; });
  return m_datagrams;
}

} // namespace tarsel::remote::test

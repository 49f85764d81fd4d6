// A mailslot listener under a name of its own (so tests run side by side and
// never meet a user's running program) that keeps every datagram it gets.
#pragma once

#include "remote/MailSlotListener.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace tarsel::remote::test {

// A socket name no other test uses.
std::string uniqueSocketName();

class TestReceiver {
public:
  // Local socket only, or also UDP on `udpAddress` (empty: every address)
  // at a free port.
  explicit TestReceiver(const std::optional<std::string>& udpAddress = std::nullopt);
  ~TestReceiver();

  MailSlotListener& listener() { return m_listener; }
  const std::string& socketName() const { return m_name; }

  // Waits (up to a generous safety limit) until `count` datagrams came;
  // all that came so far.
  std::vector<std::vector<std::uint8_t>> waitFor(std::size_t count,
                                                 std::chrono::milliseconds limit = std::chrono::seconds(20));

private:
  std::string m_name;
  MailSlotListener m_listener;
  std::mutex m_mutex;
  std::condition_variable m_arrived;
  std::vector<std::vector<std::uint8_t>> m_datagrams;
};

} // namespace tarsel::remote::test

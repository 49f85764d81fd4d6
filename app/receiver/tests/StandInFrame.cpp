#include "StandInFrame.h"

#include "app/host/TarselEvents.h"
#include "app/receiver/RemoteDatagramEvent.h"
#include "app/receiver/RemoteDatagramHandler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarsel::receiver::test {

namespace {

const QEvent::Type kCommandEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CommandEvent : public QEvent {
public:
  explicit CommandEvent(UINT id) : QEvent(kCommandEvent), m_id(id) {}
  UINT id() const { return m_id; }

private:
  UINT m_id;
};

} // namespace

void StandInFrame::PostFrameCommand(UINT id) {
  ++m_posted;
  QCoreApplication::postEvent(this, new CommandEvent(id));
}

bool StandInFrame::event(QEvent* event) {
  if (event->type() == kCommandEvent) {
    m_entries.push_back({true, static_cast<CommandEvent*>(event)->id(), {}, 0});
    return true;
  }
  if (event->type() == WM_TARSEL_REMOTE_DATAGRAM) {
    const QByteArray& bytes = static_cast<RemoteDatagramEvent*>(event)->bytes();
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    const std::span<const std::uint8_t> span(data, static_cast<std::size_t>(bytes.size()));
    m_posted = 0;
    EXPECT_EQ(OnRemoteDatagram(*this, span), 0);
    m_entries.push_back({false, 0, {span.begin(), span.end()}, m_posted});
    return true;
  }
  return QObject::event(event);
}

std::vector<UINT> StandInFrame::commands() const {
  std::vector<UINT> ids;
  for (const Entry& entry : m_entries)
    if (entry.command)
      ids.push_back(entry.id);
  return ids;
}

std::vector<std::vector<std::uint8_t>> StandInFrame::datagrams() const {
  std::vector<std::vector<std::uint8_t>> all;
  for (const Entry& entry : m_entries)
    if (!entry.command)
      all.push_back(entry.bytes);
  return all;
}

void StandInFrame::deliverQueued() {
  // Twice: the first pass may post commands of its own.
  QCoreApplication::sendPostedEvents(this);
  QCoreApplication::sendPostedEvents(this);
}

std::string uniqueSocketName() {
  static std::atomic<int> counter{0};
  return "tarsel-receiver-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

std::uint16_t freeUdpPort() {
  const int fd = socket(AF_INET6, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0)
    return 0;
  const int off = 0;
  setsockopt(fd, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
  sockaddr_in6 any{};
  any.sin6_family = AF_INET6;
  any.sin6_addr = in6addr_any;
  socklen_t length = sizeof any;
  std::uint16_t port = 0;
  if (bind(fd, reinterpret_cast<const sockaddr*>(&any), sizeof any) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&any), &length) == 0)
    port = ntohs(any.sin6_port);
  close(fd);
  return port;
}

} // namespace tarsel::receiver::test

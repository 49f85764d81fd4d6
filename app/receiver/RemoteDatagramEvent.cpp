#include "app/receiver/RemoteDatagramEvent.h"

#include "app/host/TarselEvents.h"

#include <utility>

RemoteDatagramEvent::RemoteDatagramEvent(QEvent::Type type, QByteArray bytes,
                                         std::shared_ptr<std::atomic<std::size_t>> pending)
    : QEvent(type), m_bytes(std::move(bytes)), m_pending(std::move(pending)) {}

// Also for an event deleted undelivered, on the user-interface thread.
RemoteDatagramEvent::~RemoteDatagramEvent() {
  tarsel::host::AcquireHandoff(this);
  if (m_pending)
    m_pending->fetch_sub(1);
}

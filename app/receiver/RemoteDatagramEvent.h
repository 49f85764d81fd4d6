// One accepted remote-control datagram on its way from the reader thread to
// the user-interface thread. The event carries its own copy of the bytes, so
// the reader hands it over with a post and never waits for it to be handled.
// It holds one slot of the server's pending count and gives it back when it
// is destroyed, delivered or not, on the user-interface thread.
#pragma once

#include "TarselReceiver_export.h"

#include <QByteArray>
#include <QEvent>

#include <atomic>
#include <cstddef>
#include <memory>

// The type is the server's `message`, WM_TARSEL_REMOTE_DATAGRAM
// (app/host/TarselEvents.h) unless the window asks for another.
class TARSELRECEIVER_EXPORT RemoteDatagramEvent : public QEvent {
public:
  // `pending` (may be null) was counted up for this event by the poster.
  RemoteDatagramEvent(QEvent::Type type, QByteArray bytes,
                      std::shared_ptr<std::atomic<std::size_t>> pending = nullptr);
  ~RemoteDatagramEvent() override;

  const QByteArray& bytes() const { return m_bytes; }

private:
  QByteArray m_bytes;
  std::shared_ptr<std::atomic<std::size_t>> m_pending;
};

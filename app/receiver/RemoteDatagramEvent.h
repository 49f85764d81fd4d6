// One remote-control datagram on its way from the reader thread to the
// user-interface thread. The event carries its own copy of the bytes, so the
// reader hands it over with a post and never waits for it to be handled.
#pragma once

#include "TarselReceiver_export.h"

#include <QByteArray>
#include <QEvent>

// The type is the server's `message`, WM_TARSEL_REMOTE_DATAGRAM
// (app/host/TarselEvents.h) unless the window asks for another.
class TARSELRECEIVER_EXPORT RemoteDatagramEvent : public QEvent {
public:
  RemoteDatagramEvent(QEvent::Type type, QByteArray bytes);
  ~RemoteDatagramEvent() override;

  const QByteArray& bytes() const { return m_bytes; }

private:
  QByteArray m_bytes;
};

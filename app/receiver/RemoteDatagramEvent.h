// One remote-control datagram on its way from the reader thread to the
// user-interface thread. The event carries its own copy of the bytes, so the
// reader hands it over with a post and never waits for it to be handled.
#pragma once

#include "TarselReceiver_export.h"

#include <QByteArray>
#include <QEvent>

class TARSELRECEIVER_EXPORT RemoteDatagramEvent : public QEvent {
public:
  // WM_TARSEL_REMOTE_DATAGRAM (WM_USER + 115) as a Qt event type.
  static constexpr QEvent::Type kDefaultType = static_cast<QEvent::Type>(QEvent::User + 115);

  RemoteDatagramEvent(QEvent::Type type, QByteArray bytes);
  ~RemoteDatagramEvent() override;

  const QByteArray& bytes() const { return m_bytes; }

private:
  QByteArray m_bytes;
};

// The main program's remote-control mailslot: it listens on the mailslot
// stand-in (the local abstract socket and the remote-control UDP port) with
// one reader thread, and posts every datagram, as a RemoteDatagramEvent
// carrying a copy of its bytes, to the window given at construction. The
// window deciphers and parses it on its own thread (RemoteDatagramHandler.h).
//
// Threads: construct, Start, Stop and destroy on the user-interface thread;
// the window must outlive Stop. The reader only receives and posts; it never
// waits for the window, so stopping it while the window is busy cannot
// deadlock, and a flood of datagrams is queued, not dropped.
//
// Failure: the constructor throws _brantel_take_error with the Win32 code
// when the mailslot cannot be created (183 when another program holds its
// name); a UDP port that cannot be bound is written to the error log and
// leaves the local mailslot working. Start throws the code of a reader that
// cannot be started. Stop waits up to its deadline (10000 ms unless given);
// a reader that misses it is logged and left to end on its own: it keeps
// what it still uses and posts nothing more.
#pragma once

#include "app/host/TarselEvents.h"
#include "app/receiver/RemoteDatagramEvent.h"
#include "platform/Win32Types.h"
#include "remote/MailSlotListener.h"
#include "TarselReceiver_export.h"

#include <QEvent>

#include <chrono>
#include <cstdint>
#include <memory>

class QObject;

class TARSELRECEIVER_EXPORT CMailslotServer {
public:
  static constexpr std::chrono::milliseconds kStopDeadline{10000};

  // `options` name the socket and the UDP port; by default the mailslot's
  // name and port (or their test overrides from the environment).
  CMailslotServer(QObject* window, QEvent::Type message = WM_TARSEL_REMOTE_DATAGRAM,
                  tarsel::remote::MailSlotListener::Options options = {},
                  std::chrono::milliseconds stopDeadline = kStopDeadline);
  virtual ~CMailslotServer();
  CMailslotServer(const CMailslotServer&) = delete;
  CMailslotServer& operator=(const CMailslotServer&) = delete;

  // Starts the reader; running already: nothing.
  void Start();
  // Stops the reader: true when it ended within the deadline (or was not
  // running).
  bool Stop();
  bool IsRunning() const { return m_listener.IsRunning(); }

  // The UDP socket's error (0 when bound) and its port (0 without one).
  DWORD UdpError() const { return m_listener.UdpError(); }
  std::uint16_t UdpPort() const { return m_listener.UdpPort(); }

private:
  struct Sink;

  tarsel::remote::MailSlotListener m_listener;
  QObject* m_window;
  QEvent::Type m_message;
  std::chrono::milliseconds m_stopDeadline;
  std::shared_ptr<Sink> m_sink;
};

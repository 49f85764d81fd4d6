// The main program's remote-control mailslot: it listens on the mailslot
// stand-in (the local abstract socket and the remote-control UDP port) with
// one reader thread. The reader deciphers and checks each datagram
// (IsAcceptedRemoteDatagram, pure) and posts only the accepted ones, as a
// RemoteDatagramEvent carrying a copy of the bytes, to the window given at
// construction, which runs the command on its own thread
// (RemoteDatagramHandler.h).
//
// Threads: construct, Start, Stop, destroy and the counters' getters on the
// user-interface thread; the window must outlive Stop. The reader owns the
// datagram it is checking; the pending and dropped counts are atomics shared
// by the reader, the posted events (which give their slot back when
// destroyed on the user-interface thread) and the server. The reader never
// waits for the window, so stopping it while the window is busy cannot
// deadlock. At most kMaxPending accepted datagrams wait for the window: past
// that the newest is dropped and counted, so a flood keeps memory flat and a
// command sent once the window catches up is handled at once; the error log
// gets one line per burst of such drops.
//
// Failure: the constructor throws _brantel_take_error with the Win32 code
// when the mailslot cannot be created (183 when another program holds its
// name); a UDP port that cannot be bound is written to the error log and
// leaves the local mailslot working. Start throws the code of a reader that
// cannot be started. Stop waits up to its deadline (10000 ms unless given);
// a reader that misses it is logged and left to end on its own: it keeps
// what it still uses and posts nothing more.
#pragma once

#include "TarselReceiver_export.h"
#include "app/host/TarselEvents.h"
#include "app/receiver/RemoteDatagramEvent.h"
#include "hostapi/Win32Types.h"
#include "remote/MailSlotListener.h"

#include <QEvent>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>

class QObject;

class TARSELRECEIVER_EXPORT CMailslotServer {
public:
  static constexpr std::chrono::milliseconds kStopDeadline{10000};
  static constexpr std::size_t kMaxPending = 16;

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

  // Accepted datagrams posted to the window and not yet destroyed there.
  std::size_t Pending() const { return m_pending->load(); }
  // Accepted datagrams dropped because kMaxPending were waiting.
  std::uint64_t Dropped() const { return m_dropped->load(); }

private:
  struct Sink;

  tarsel::remote::MailSlotListener m_listener;
  QObject* m_window;
  QEvent::Type m_message;
  std::chrono::milliseconds m_stopDeadline;
  std::shared_ptr<Sink> m_sink;
  std::shared_ptr<std::atomic<std::size_t>> m_pending = std::make_shared<std::atomic<std::size_t>>(0);
  std::shared_ptr<std::atomic<std::uint64_t>> m_dropped = std::make_shared<std::atomic<std::uint64_t>>(0);
};

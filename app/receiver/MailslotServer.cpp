#include "app/receiver/MailslotServer.h"

#include "app/host/TarselEvents.h"
#include "app/receiver/RemoteDatagramHandler.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"

#include <QObject>

#include <cstdio>
#include <memory>
#include <mutex>
#include <utility>

// Where the reader posts. Shared with the reader thread, so that one left to
// end on its own after Stop finds no window and posts nothing.
struct CMailslotServer::Sink {
  std::mutex mutex;
  QObject* window = nullptr;
  QEvent::Type message = QEvent::None;
};

namespace {

void LogDropBurst(std::uint64_t droppedSoFar) {
  char text[200];
  std::snprintf(text, sizeof text,
                "Remote control: %zu commands are waiting for the window; newer ones are dropped until it "
                "catches up (%llu dropped so far).",
                CMailslotServer::kMaxPending, static_cast<unsigned long long>(droppedSoFar));
  WriteErrorInfo(text);
}

} // namespace

CMailslotServer::CMailslotServer(QObject* window, QEvent::Type message,
                                 tarsel::remote::MailSlotListener::Options options,
                                 std::chrono::milliseconds stopDeadline)
    : m_listener(options), m_window(window), m_message(message), m_stopDeadline(stopDeadline) {
  tarsel::host::ReserveTarselEventTypes();
  if (m_listener.Error() != 0)
    ThrowError(static_cast<HRESULT>(m_listener.Error()));
  if (options.listenUdp && m_listener.UdpError() != 0) {
    char text[160];
    std::snprintf(text, sizeof text, "Remote control: UDP port %u cannot be bound (error %u); local only.",
                  static_cast<unsigned>(options.udpPort), static_cast<unsigned>(m_listener.UdpError()));
    WriteErrorInfo(text);
  }
}

CMailslotServer::~CMailslotServer() {
  Stop();
}

void CMailslotServer::Start() {
  if (m_listener.IsRunning())
    return;
  auto sink = std::make_shared<Sink>();
  sink->window = m_window;
  sink->message = m_message;
  // Reader thread only: whether the last accepted datagram was dropped.
  auto inBurst = std::make_shared<bool>(false);
  const DWORD error = m_listener.Start([sink, inBurst, pending = m_pending,
                                        dropped = m_dropped](std::span<const std::uint8_t> bytes) noexcept {
    try {
      if (!tarsel::receiver::IsAcceptedRemoteDatagram(bytes))
        return;
      if (pending->fetch_add(1) >= kMaxPending) {
        pending->fetch_sub(1);
        const std::uint64_t total = dropped->fetch_add(1) + 1;
        // One line per burst: a flood must not flood the log as well.
        if (!std::exchange(*inBurst, true))
          LogDropBurst(total);
        return;
      }
      *inBurst = false;
      std::unique_ptr<RemoteDatagramEvent> event;
      try {
        event = std::make_unique<RemoteDatagramEvent>(
            sink->message,
            QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())),
            pending);
      } catch (...) {
        pending->fetch_sub(1);
        throw;
      }
      // From here the event owns the slot: it gives it back when destroyed.
      std::lock_guard lock(sink->mutex);
      if (!sink->window)
        return;
      tarsel::host::PostToUserInterfaceThread(sink->window, event.release());
    } catch (...) {
      // Out of memory on the reader: the datagram is lost, the reader goes on.
      dropped->fetch_add(1);
    }
  });
  if (error != 0)
    ThrowError(static_cast<HRESULT>(error));
  m_sink = std::move(sink);
}

bool CMailslotServer::Stop() {
  if (!m_listener.IsRunning())
    return true;
  const bool ended = m_listener.Stop(m_stopDeadline);
  {
    std::lock_guard lock(m_sink->mutex);
    m_sink->window = nullptr;
  }
  m_sink.reset();
  if (!ended) {
    char text[160];
    std::snprintf(
        text, sizeof text,
        "Remote control: the mailslot reader did not end within %lld ms and was left to end on its own.",
        static_cast<long long>(m_stopDeadline.count()));
    WriteErrorInfo(text);
  }
  return ended;
}

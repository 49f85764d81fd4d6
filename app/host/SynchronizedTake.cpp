#include "app/host/SynchronizedTake.h"

#include "app/host/ConnectedCameraHost.h"
#include "app/host/EventSink.h"
#include "app/host/TarselEvents.h"
#include "platform/Win32Error.h"

namespace tarsel::host {

CSynchronizedTake::CSynchronizedTake(const Params& params)
    : m_count(params.cameraCount), m_barrier(params.barrier), m_pictureCounter(params.pictureCounter),
      m_saveFlag(params.saveFlag), m_results(EventSink::Create(params.resultReceiver)),
      m_arrived(static_cast<std::size_t>(params.cameraCount), false),
      m_completed(static_cast<std::size_t>(params.cameraCount), false),
      m_ticketGiven(static_cast<std::size_t>(params.cameraCount), false), m_pending(params.cameraCount) {}

CSynchronizedTake::~CSynchronizedTake() = default;

std::shared_ptr<CSynchronizedTake> CSynchronizedTake::Create(const Params& params) {
  if (params.cameraCount < 1)
    return nullptr;
  ReserveTarselEventTypes();
  return std::shared_ptr<CSynchronizedTake>(new CSynchronizedTake(params));
}

std::shared_ptr<CSynchronizedTake>
CSynchronizedTake::TakePictureAllCameras(std::span<CConnectedCameraHost* const> hosts,
                                         const ICamExtraCommand* command, const Params& params) {
  if (hosts.empty() || hosts.size() > 0x7FFFFFFFu)
    return nullptr;
  for (CConnectedCameraHost* host : hosts) {
    if (!host)
      return nullptr;
  }
  Params forTake = params;
  forTake.cameraCount = static_cast<int>(hosts.size());
  std::shared_ptr<CSynchronizedTake> take = Create(forTake);
  if (!take)
    return nullptr;
  int slot = 0;
  for (CConnectedCameraHost* host : hosts)
    host->QueueSynchronizedTake(take->TakeTicket(slot++), command);
  return take;
}

CSyncTakeTicket CSynchronizedTake::TakeTicket(int slot) {
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (slot < 0 || slot >= m_count || m_ticketGiven[static_cast<std::size_t>(slot)])
      return {};
    m_ticketGiven[static_cast<std::size_t>(slot)] = true;
  }
  return CSyncTakeTicket(shared_from_this(), slot);
}

int CSynchronizedTake::pending() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_pending;
}

bool CSynchronizedTake::expired() const {
  const std::lock_guard<std::mutex> guard(m_lock);
  return m_state == State::Expired;
}

void CSynchronizedTake::Arrive(int slot) {
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (slot < 0 || slot >= m_count || m_arrived[static_cast<std::size_t>(slot)])
      return;
    m_arrived[static_cast<std::size_t>(slot)] = true;
    ++m_arrivedCount;
    if (m_state != State::Gathering || m_arrivedCount < m_count)
      return;
    m_state = State::Released;
  }
  m_changed.notify_all();
}

CSyncTakeTicket::WaitResult CSynchronizedTake::WaitForAll(std::stop_token stop) {
  const auto deadline = std::chrono::steady_clock::now() + m_barrier;
  std::unique_lock<std::mutex> lock(m_lock);
  m_changed.wait_until(lock, stop, deadline, [this] { return m_state != State::Gathering; });
  if (m_state == State::Released)
    return CSyncTakeTicket::WaitResult::Released;
  if (m_state == State::Expired)
    return CSyncTakeTicket::WaitResult::TimedOut;
  if (stop.stop_requested())
    return CSyncTakeTicket::WaitResult::Interrupted;
  // This camera's time is up: nobody of this take fires any more.
  m_state = State::Expired;
  lock.unlock();
  m_changed.notify_all();
  return CSyncTakeTicket::WaitResult::TimedOut;
}

void CSynchronizedTake::Complete(int slot, HRESULT code) {
  bool last = false;
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    if (slot < 0 || slot >= m_count || m_completed[static_cast<std::size_t>(slot)])
      return;
    m_completed[static_cast<std::size_t>(slot)] = true;
    last = --m_pending == 0;
    // Posting under the lock keeps the camera reports of a take in front of
    // its final report, whichever threads complete.
    if (code != 0)
      m_results->Post(new SaveResultEvent(1, code));
    if (last)
      m_results->Post(new SaveResultEvent(0, 0));
  }
  if (last)
    m_results->Detach();
}

} // namespace tarsel::host

#include "app/host/SyncTakeTicket.h"

#include "app/host/SynchronizedTake.h"
#include "platform/Win32Error.h"

#include <utility>

namespace tarsel::host {

CSyncTakeTicket::CSyncTakeTicket(std::shared_ptr<CSynchronizedTake> take, int slot)
    : m_take(std::move(take)), m_slot(slot) {}

CSyncTakeTicket::CSyncTakeTicket(CSyncTakeTicket&& other) noexcept
    : m_take(std::move(other.m_take)), m_slot(std::exchange(other.m_slot, -1)),
      m_arrived(std::exchange(other.m_arrived, false)), m_outcome(other.m_outcome) {}

CSyncTakeTicket& CSyncTakeTicket::operator=(CSyncTakeTicket&& other) noexcept {
  if (this == &other)
    return *this;
  Settle();
  m_take = std::move(other.m_take);
  m_slot = std::exchange(other.m_slot, -1);
  m_arrived = std::exchange(other.m_arrived, false);
  m_outcome = other.m_outcome;
  return *this;
}

CSyncTakeTicket::~CSyncTakeTicket() {
  Settle();
}

void CSyncTakeTicket::Arrive() {
  if (!m_take || m_arrived)
    return;
  m_arrived = true;
  m_take->Arrive(m_slot);
}

CSyncTakeTicket::WaitResult CSyncTakeTicket::Wait(std::stop_token stop) {
  if (!m_take)
    return WaitResult::TimedOut;
  Arrive();
  return m_take->WaitForAll(stop);
}

void CSyncTakeTicket::Complete(HRESULT code) {
  if (!m_take)
    return;
  m_outcome = code;
  Settle();
}

void CSyncTakeTicket::Settle() noexcept {
  const std::shared_ptr<CSynchronizedTake> take = std::exchange(m_take, nullptr);
  if (!take)
    return;
  try {
    if (!m_arrived)
      take->Arrive(m_slot);
    take->Complete(m_slot, m_outcome);
  } catch (...) {
    // Settling runs in destructors; a failed post leaves the take short of
    // one report, never the program.
  }
  m_arrived = false;
  m_slot = -1;
}

} // namespace tarsel::host

// One camera's place in one all-cameras take. The ticket travels with the
// camera's synchronized-take job to the worker and with the job's result
// event back to the window; whoever holds it last settles the camera's
// outcome for the take, exactly once:
// - Arrive marks the camera at the release barrier (also when its
//   preparation failed, so that it never holds the others back);
// - Wait blocks the worker until every camera arrived, the barrier time
//   passed, or the worker was asked to stop;
// - Complete reports the outcome (0 or an error code): the window calls it
//   when it has handled the camera's result. A ticket destroyed before that
//   arrives when it never did and reports the error given with SetOutcome,
//   else 0x80004005. So a job dropped unrun, a worker stopped during the
//   wait and a result event that never reached its window all count as
//   done with an error.
//
// Move-only; used by one thread at a time (worker, then the user-interface
// thread). An empty ticket (default made) does nothing.
#pragma once

#include "hostapi/Win32Types.h"

#include <memory>
#include <stop_token>

namespace tarsel::host {

class CSynchronizedTake;

class CSyncTakeTicket {
public:
  enum class WaitResult { Released, TimedOut, Interrupted };

  CSyncTakeTicket() = default;
  CSyncTakeTicket(std::shared_ptr<CSynchronizedTake> take, int slot);
  CSyncTakeTicket(CSyncTakeTicket&& other) noexcept;
  CSyncTakeTicket& operator=(CSyncTakeTicket&& other) noexcept;
  CSyncTakeTicket(const CSyncTakeTicket&) = delete;
  CSyncTakeTicket& operator=(const CSyncTakeTicket&) = delete;
  ~CSyncTakeTicket();

  explicit operator bool() const { return static_cast<bool>(m_take); }
  int slot() const { return m_slot; }
  const std::shared_ptr<CSynchronizedTake>& take() const { return m_take; }

  void Arrive();
  WaitResult Wait(std::stop_token stop);
  // The error reported when the ticket is destroyed before Complete; 0 is
  // not an outcome a ticket can report that way.
  void SetOutcome(HRESULT code) {
    if (code != 0)
      m_outcome = code;
  }
  HRESULT outcome() const { return m_outcome; }
  // Reports the outcome and empties the ticket.
  void Complete(HRESULT code);

private:
  void Settle() noexcept;

  std::shared_ptr<CSynchronizedTake> m_take;
  int m_slot = -1;
  bool m_arrived = false;
  HRESULT m_outcome = static_cast<HRESULT>(0x80004005u); // failed unless told otherwise
};

} // namespace tarsel::host

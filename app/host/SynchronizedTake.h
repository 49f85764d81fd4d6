// One all-cameras take: the release barrier that the synchronized-take jobs
// of every camera in the take meet at, and the count of cameras that have
// not reported yet. Each take has a context of its own, shared by its
// tickets, so takes may overlap and a context lives as long as any camera
// still uses it.
//
// Barrier: a camera arrives when its preparation is done or failed. When the
// last one arrives every waiting camera is released at once. A camera whose
// wait passes the barrier time (10000 ms unless set) gives the take up: the
// take expires, every camera waiting or still to arrive gets TimedOut, and
// none fires. A worker asked to stop leaves its wait with Interrupted.
//
// Reports: every camera of the take completes once (see CSyncTakeTicket).
// For a camera that failed the take posts SaveResultEvent (1, code) to its
// result receiver; after the last camera it posts SaveResultEvent (0, 0).
// So the final result always comes after every camera's own.
//
// Made on the user-interface thread; Arrive, WaitForAll and Complete from
// any thread.
#pragma once

#include "app/host/SyncTakeTicket.h"
#include "hostapi/Win32Types.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <stop_token>
#include <vector>

class ICamExtraCommand;
class QObject;

namespace tarsel::host {

class CConnectedCameraHost;
class EventSink;

class CSynchronizedTake : public std::enable_shared_from_this<CSynchronizedTake> {
public:
  static constexpr std::chrono::milliseconds kDefaultBarrier{10000};

  struct Params {
    int cameraCount = 0;
    QObject* resultReceiver = nullptr;
    std::chrono::milliseconds barrier = kDefaultBarrier;
    // Carried for the window that saves the pictures of the take.
    std::int32_t pictureCounter = 0;
    bool saveFlag = false;
  };

  // A take for cameraCount cameras (at least 1); null for fewer. Call on the
  // user-interface thread (the receiver lives there).
  static std::shared_ptr<CSynchronizedTake> Create(const Params& params);

  // Queues one synchronized-take job on each host (slot = the host's place
  // in the list), every job with a copy of the command (may be null).
  // Null, and nothing queued, when the list is empty or holds a null host.
  static std::shared_ptr<CSynchronizedTake>
  TakePictureAllCameras(std::span<CConnectedCameraHost* const> hosts, const ICamExtraCommand* command,
                        const Params& params);

  ~CSynchronizedTake();
  CSynchronizedTake(const CSynchronizedTake&) = delete;
  CSynchronizedTake& operator=(const CSynchronizedTake&) = delete;

  // The ticket of one camera; an empty ticket for a slot out of range or
  // handed out before.
  CSyncTakeTicket TakeTicket(int slot);

  int cameraCount() const { return m_count; }
  std::int32_t pictureCounter() const { return m_pictureCounter; }
  bool saveFlag() const { return m_saveFlag; }
  // Cameras that have not completed yet.
  int pending() const;
  bool expired() const;

  // Used through the tickets.
  void Arrive(int slot);
  CSyncTakeTicket::WaitResult WaitForAll(std::stop_token stop);
  void Complete(int slot, HRESULT code);

private:
  enum class State { Gathering, Released, Expired };

  explicit CSynchronizedTake(const Params& params);

  const int m_count;
  const std::chrono::milliseconds m_barrier;
  const std::int32_t m_pictureCounter;
  const bool m_saveFlag;
  std::shared_ptr<EventSink> m_results;

  mutable std::mutex m_lock;
  std::condition_variable_any m_changed;
  State m_state = State::Gathering;
  std::vector<bool> m_arrived;
  std::vector<bool> m_completed;
  std::vector<bool> m_ticketGiven;
  int m_arrivedCount = 0;
  int m_pending = 0;
};

} // namespace tarsel::host

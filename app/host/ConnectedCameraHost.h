// The camera host of one camera window: owns the window's camera, one worker
// thread that runs the camera jobs (take, synchronized take, download by
// index, and the camera calls of the family's dialogs) one after another,
// the queue of those jobs and the window's series of pictures.
//
// Threads: made, started, stopped and destroyed on the user-interface
// thread, which alone queues jobs and uses the series. The worker reports
// only by posting CameraStatusEvent to the window given to Start; a new
// picture travels in the event of code 0, 1 or 6 and the window appends it
// with AddToSeries when it handles that event. The camera's status sink
// (OnStatus) may be called from any thread.
//
// Failure: a camera failure never leaves the worker; each job turns it into
// one status event (10000 or 10001) after disconnecting the camera and
// releasing its preview. Start throws _brantel_take_error when the thread
// cannot be made.
//
// Erase after save: a take queued with keepForSave transfers its picture
// with "keep on card" and posts, with the picture, where it stays on the card
// (CameraStatusEvent::cardPicture); the window queues QueueErase for it once
// the picture's saver reported it saved. The erase runs in turn with the
// other jobs, so a take queued before it cannot slip in between, and the
// family checks the camera's file name, so it never erases a later picture.
//
// Held pictures: a picture that exists nowhere else (its save failed or is
// still running, and no card keeps it) is held; replacing the series keeps
// it until it is released.
//
// Stop (the destructor): the window stops receiving, the worker is asked to
// stop (a request that stays, so a wait inside a job ends too), queued jobs
// are dropped unrun, and the thread is joined within the stop deadline
// (30000 ms unless set). A worker still busy then is left to finish on its
// own: it keeps the camera and everything else it uses alive and deletes
// them when it ends; the error log records it. No thread is ever killed.
#pragma once

#include "app/core/CardPicture.h"
#include "app/core/ISdkCallback.h"
#include "app/host/SyncTakeTicket.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

class ICameraHiLevel;
class ICamExtraCommand;
class QObject;

namespace tarsel::host {

struct HostCore;

// Work of a camera family's dialog on the camera, run by the worker with the
// camera and the worker's stop request (set when the host stops: the work
// should end soon then). It reports by itself; what it throws is dropped.
using CameraCall = std::function<void(ICameraHiLevel& camera, std::stop_token stop)>;

// Takes one picture the way the take job does (preview held, connected,
// captured without options, transferred) and hands it to the caller instead
// of the window's series; for camera calls. Throws the camera's failure.
CRefPtr<IPictureFromCamera> TakePictureForCall(ICameraHiLevel& camera);

class CConnectedCameraHost : public _ISdkCallback {
public:
  static constexpr std::chrono::milliseconds kDefaultStartWait{2000};
  static constexpr std::chrono::milliseconds kDefaultStopDeadline{30000};

  // Job types.
  enum : std::int32_t {
    JobTakePicture = 0,
    JobSynchronizedTake = 1,
    JobDownloadPicture = 2,
    JobCameraCall = 3,
    JobErasePicture = 4
  };

  // Takes the camera over (deleted with the host, or by an abandoned worker
  // when it ends).
  explicit CConnectedCameraHost(ICameraHiLevel* camera,
                                std::chrono::milliseconds stopDeadline = kDefaultStopDeadline,
                                std::chrono::milliseconds startWait = kDefaultStartWait);
  ~CConnectedCameraHost();
  CConnectedCameraHost(const CConnectedCameraHost&) = delete;
  CConnectedCameraHost& operator=(const CConnectedCameraHost&) = delete;

  // Initialises the camera with this host as its status sink and `window`,
  // makes `receiver` the target of the status events (none when null) and
  // starts the worker. True when the camera's InitCameraObject returned 0.
  bool Start(QObject* receiver, HWND window);

  ICameraHiLevel* GetCamera() const;

  // Each queues one job with a copy of the command (may be null). Nothing is
  // queued once the host was stopped.
  // keepForSave: the picture is transferred with "keep on card" and its
  // place on the card travels with it, for QueueErase after its save.
  void QueueTakePicture(const ICamExtraCommand* command, bool keepForSave = false);
  void QueueSynchronizedTake(CSyncTakeTicket ticket, const ICamExtraCommand* command,
                             bool keepForSave = false);
  void QueueDownload(std::int32_t index);
  // Erases the picture a take kept on the card (EraseKeptPicture); posts
  // nothing. A picture not found or a failure is logged and stays.
  void QueueErase(CardPicture picture);
  // Queues a call that a camera dialog runs on the worker, in turn with the
  // other jobs; it posts no status event and reports its own outcome (what
  // it throws is dropped). False, and nothing queued, once the host was
  // stopped or for an empty call.
  bool QueueCameraCall(CameraCall call);
  // The same with a reply: `work` runs on the worker, after the jobs queued
  // before it, without a connection or preview pause of its own (the
  // camera's operations connect as they need); then `done` runs on the
  // user-interface thread with 0 or the code of what `work` threw, unless
  // `receiver` (a QObject of that thread) is gone by then. `work` keeps to
  // the camera and to data it owns; `done` stays on the user-interface
  // thread. False (nothing queued) once the host was stopped.
  bool QueueCameraCall(std::function<void()> work, QObject* receiver, std::function<void(HRESULT)> done);
  // True while a job is queued or runs: the camera is in use by the worker.
  bool IsWorking() const;

  // The camera's status sink: posts (code, argument) to the window.
  void OnStatus(std::int32_t code, std::intptr_t argument) override;
  // TRUE when the event was posted; FALSE (last error 1400) without a window.
  BOOL PostStatus(std::int32_t code, std::intptr_t argument);

  // The series of pictures (user-interface thread). Index -1 is the current
  // picture. Pointers stay valid while the picture is in the series.
  IPictureFromCamera* GetPicture(std::int32_t index = -1) const;
  std::int32_t GetPictureCount() const;
  bool HasPictures() const;
  std::int32_t GetCurrentIndex() const { return m_current; }
  IPictureFromCamera* NextPicture();
  IPictureFromCamera* PreviousPicture();
  bool IsAtFirst() const;
  bool IsAtLast() const;
  bool DeletePicture(std::int32_t index = -1);
  void ClearPictures();
  // Appends with a reference of its own and makes it current; a series
  // marked for replacement is cleared first. Null is ignored.
  void AddToSeries(IPictureFromCamera* picture);
  void MarkSeriesForReplace();
  // Holds a picture through replacements of the series (appended again when
  // the series no longer has it) until ReleasePicture; deleting it from the
  // series or clearing the series ends the hold.
  void HoldPicture(IPictureFromCamera* picture);
  void ReleasePicture(IPictureFromCamera* picture);
  bool IsHeld(IPictureFromCamera* picture) const;
  bool HasHeldPictures() const { return !m_held.empty(); }
  std::size_t GetHeldCount() const { return m_held.size(); }
  // The encoded bytes of the held pictures.
  std::uint64_t GetHeldBytes() const;
  std::int32_t SetZoomDivisor(std::int32_t divisor);
  std::int32_t GetZoomDivisor() const { return m_zoomDivisor; }

  // Asks the worker to stop without waiting for it, and starts the stop
  // deadline now: a window closing with others asks all first, so hosts
  // that hang share one deadline instead of adding theirs up.
  void RequestStop();
  // Ends the worker as the destructor does; later calls do nothing.
  void Stop();
  // True when this host's worker missed its stop deadline.
  bool WasAbandoned() const { return m_abandoned; }
  // True when any host of the process left a worker running; the program
  // then ends without running static destructors.
  static bool AnyWorkerAbandoned();

private:
  bool Queue(std::int32_t type, const ICamExtraCommand* command, std::int32_t index, CSyncTakeTicket ticket,
             CameraCall call = {}, bool keepForSave = false, CardPicture erase = {});

  const std::chrono::milliseconds m_stopDeadline;
  const std::chrono::milliseconds m_startWait;
  std::shared_ptr<HostCore> m_core;
  std::jthread m_worker;
  bool m_stopped = false;
  bool m_abandoned = false;
  std::optional<std::chrono::steady_clock::time_point> m_stopBy;

  std::vector<CRefPtr<IPictureFromCamera>> m_series;
  std::vector<CRefPtr<IPictureFromCamera>> m_held;
  std::int32_t m_current = -1;
  std::int32_t m_zoomDivisor = 4;
  bool m_replaceSeries = false;
};

} // namespace tarsel::host

// The program's save queue and the one thread that saves its jobs, owned by
// the main frame: pictures saved without the user's help (after a take, the
// pictures of an all-cameras take) are queued here and saved one after
// another by each job's saver plug-in.
//
// Threads: made, used and stopped on the user-interface thread, which alone
// queues jobs; the save thread pops them. The save thread calls the savers
// (queued saves) and reports only by posting: to the receiver given at
// construction (the frame) a SaveOutcomeEvent (without picture) for every
// job that ended other than cancelled, and SaveQueueLengthEvent with the
// queue's length; to the window that queued a job, its SaveOutcomeEvent
// with the picture (SaveOutcomeNotice: "dropped" when the job is deleted
// unsaved). It never touches a window; the owner handle is only passed to
// the savers.
//
// Failure: after a failed save the saver's ProcessError decides: cancel
// (1223) deletes the whole queue unsaved, skip (0x81020002) goes on with the
// next job, anything else saves again; the same error answered "again"
// kMaxSameErrorAttempts times in a row skips the picture. A job without a
// saver fails with 0x81020003. Every picture that failed or was skipped gets
// an error-log entry with its camera, its name, the saver's location and the
// error. Nothing a saver throws leaves the thread.
//
// Stop (the destructor): nothing is posted any more, the thread is asked to
// stop, the queued jobs are deleted unsaved (the frame asked the user first),
// the save under way is aborted (its saver's SavAbort; it counts as not
// saved) and the thread is joined within the stop deadline (2000 ms unless set). A
// thread still inside a saver then is left to end on its own: it keeps the
// queue alive and saves nothing more; the error log records it. The savers
// and the settings object it was given must then stay loaded until the
// program ends (AnySaveThreadAbandoned). No thread is ever killed.
#pragma once

#include "app/host/EventSink.h"
#include "app/saving/SaveQueue.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/Win32Types.h"

#include <QEvent>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

class CSaveDllWrapper;
class ISaveInfo;
class ITarselSettings;
class QObject;

namespace tarsel::saving {

// The length of the save queue, posted to the frame for its status pane.
class SaveQueueLengthEvent : public QEvent {
public:
  explicit SaveQueueLengthEvent(std::size_t length);
  ~SaveQueueLengthEvent() override;
  std::size_t length() const { return m_length; }

private:
  std::size_t m_length;
};

// The counters of the running all-cameras take, kept by the frame.
struct AllCamerasTake {
  std::uint32_t counter = 0;
  // Cameras that have not reported yet.
  std::int32_t pending = 0;
  std::int32_t cameras = 0;
  // The take is to be saved whatever AutoSaveAfterTaking says.
  bool save = false;
};

// What the save queue needs of the frame (user-interface thread only).
class ISaveThreadSite {
public:
  virtual ~ISaveThreadSite() = default;
  // The saver for a new job ("LastMethodOfSaving"); null when none is loaded.
  virtual CSaveDllWrapper* ChooseSaver() = 0;
  // Shows the error in a box over the frame.
  virtual void ReportError(HRESULT code) = 0;
  // Sets the frame's status text back to "Ready".
  virtual void SetReadyStatus() = 0;
  // The user setting AutoSaveAfterTaking.
  virtual bool GetAutoSaveAfterTaking() = 0;
};

struct SaveCore;

class CSaveThread {
public:
  static constexpr std::chrono::milliseconds kDefaultStopDeadline{2000};
  static constexpr int kMaxSameErrorAttempts = 3;
  // The code of a job that has no saver.
  static constexpr HRESULT kNoSaver = static_cast<HRESULT>(0x81020003u);
  static constexpr HRESULT kQueueFull = static_cast<HRESULT>(0x81020004u);

  // Starts the thread; throws _brantel_take_error when it cannot. receiver
  // gets the posted events (none when null); owner is handed to the savers;
  // settings (not owned) is read for new jobs and handed to the savers.
  CSaveThread(QObject* receiver, HWND owner, ITarselSettings* settings, ISaveThreadSite& site,
              std::size_t limit = CSaveQueue::kFrameLimit,
              std::chrono::milliseconds stopDeadline = kDefaultStopDeadline);
  ~CSaveThread();
  CSaveThread(const CSaveThread&) = delete;
  CSaveThread& operator=(const CSaveThread&) = delete;

  // The automatic save of one camera's picture: false, doing nothing,
  // without picture or save info; a job from the camera name and the save
  // info's counter, else. A full queue: the box 0x81020004, false.
  // outcomeReceiver (may be null) gets the job's SaveOutcomeEvent.
  bool QueuePictureSave(IPictureFromCamera* picture, ISaveInfo* windowSaveInfo, const char* cameraName,
                        QObject* outcomeReceiver = nullptr);
  // One camera's result of an all-cameras take (picture null when it failed
  // with `code`). Counts the camera; a failure is posted as (1, code); the
  // picture is queued when the take is to be saved or AutoSaveAfterTaking is
  // on (a full queue is posted as (1, 0x81020004)). The last camera of the
  // take posts (0, 0) after its own results. True when a job was queued.
  bool QueueSynchronizedSave(AllCamerasTake& take, IPictureFromCamera* picture, const char* cameraName,
                             HRESULT code, QObject* outcomeReceiver = nullptr);

  std::size_t GetSaveQueueLength() const;
  void ClearSaveQueue();

  // Ends the thread as the destructor does; later calls do nothing.
  void Stop();
  bool WasAbandoned() const { return m_abandoned; }
  // True when any save thread of the process was left running.
  static bool AnySaveThreadAbandoned();

private:
  std::unique_ptr<CSaveInfoMultiPics> MakeJob(const char* cameraName, std::uint32_t counter,
                                              IPictureFromCamera* picture);

  ISaveThreadSite& m_site;
  const std::chrono::milliseconds m_stopDeadline;
  std::shared_ptr<SaveCore> m_core;
  std::jthread m_thread;
  bool m_stopped = false;
  bool m_abandoned = false;
};

} // namespace tarsel::saving

#include "app/saving/SaveThread.h"

#include "app/host/TarselEvents.h"
#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllWrapper.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <utility>

namespace tarsel::saving {

namespace {

std::atomic<bool> g_anyAbandoned{false};

} // namespace

SaveQueueLengthEvent::SaveQueueLengthEvent(std::size_t length)
    : QEvent(WM_TARSEL_SAVE_QUEUE_LENGTH), m_length(length) {}

SaveQueueLengthEvent::~SaveQueueLengthEvent() {
  host::AcquireHandoff(this);
}

// Everything the save thread touches, shared with it, so a thread left
// running past its deadline keeps it alive.
struct SaveCore {
  SaveCore(std::size_t limit, QObject* receiver, HWND ownerWindow, ITarselSettings* settingsObject)
      : queue(limit), sink(host::EventSink::Create(receiver)), owner(ownerWindow), settings(settingsObject) {}

  CSaveQueue queue;
  const std::shared_ptr<host::EventSink> sink;
  const HWND owner;
  ITarselSettings* const settings;

  std::mutex lock;
  std::condition_variable finishedChanged;
  bool finished = false;

  // The saver of the save under way, and whether the thread is being
  // stopped (under lock): a stop aborts the save it finds, and no save
  // starts after it.
  CSaveDllWrapper* saving = nullptr;
  bool aborting = false;

  bool BeginSave(CSaveDllWrapper& saver) {
    const std::lock_guard<std::mutex> guard(lock);
    saving = aborting ? nullptr : &saver;
    return !aborting;
  }
  void EndSave() {
    const std::lock_guard<std::mutex> guard(lock);
    saving = nullptr;
  }
  void AbortSave() {
    CSaveDllWrapper* running = nullptr;
    {
      const std::lock_guard<std::mutex> guard(lock);
      aborting = true;
      running = saving;
    }
    // The wrappers outlive the thread's stop; the call returns at once.
    if (running)
      running->Abort();
  }

  void PostResult(std::int32_t kind, HRESULT code) { sink->Post(new host::SaveResultEvent(kind, code)); }
  void PostOutcome(SaveOutcome outcome, HRESULT code, const std::string& target) {
    sink->Post(new SaveOutcomeEvent(outcome, code, {}, target));
  }
  void PostLength(std::size_t length) { sink->Post(new SaveQueueLengthEvent(length)); }
};

namespace {

HRESULT CallSave(SaveCore& core, CSaveDllWrapper& saver, CSaveInfoMultiPics& job) {
  if (!core.BeginSave(saver))
    return kSaverCancelled;
  HRESULT result = 0;
  try {
    result = saver.Save(core.owner, &job, job.GetPicture(), core.settings, TRUE);
  } catch (const _brantel_take_error& error) {
    result = error.Error() != 0 ? error.Error() : E_UNEXPECTED;
  } catch (...) {
    result = E_UNEXPECTED;
  }
  core.EndSave();
  return result;
}

HRESULT CallProcessError(SaveCore& core, CSaveDllWrapper& saver, CSaveInfoMultiPics& job, HRESULT result) {
  try {
    _brantel_take_error error(result);
    return saver.ProcessError(core.owner, &job, core.settings, &error);
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

struct JobEnd {
  SaveOutcome outcome = SaveOutcome::Saved;
  HRESULT code = 0;
  int attempts = 0;
};

// Saves one job until it is saved, skipped or the queue is cancelled.
JobEnd SaveJob(SaveCore& core, CSaveInfoMultiPics& job, const std::stop_token& stop) {
  CSaveDllWrapper* saver = job.GetSaver();
  if (!saver)
    return {SaveOutcome::Failed, CSaveThread::kNoSaver, 0};
  HRESULT previous = 0;
  int sameInRow = 0;
  for (int attempts = 1;; ++attempts) {
    const HRESULT result = CallSave(core, *saver, job);
    if (result == 0)
      return {SaveOutcome::Saved, 0, attempts};
    if (stop.stop_requested())
      return {SaveOutcome::Failed, result, attempts};
    sameInRow = result == previous ? sameInRow + 1 : 1;
    previous = result;
    const HRESULT decision = CallProcessError(core, *saver, job, result);
    if (decision == kSaverCancelled) {
      core.queue.ClearSaveQueue();
      return {SaveOutcome::Cancelled, result, attempts};
    }
    if (decision == kSaverSkipPicture)
      return {SaveOutcome::Skipped, result, attempts};
    if (stop.stop_requested())
      return {SaveOutcome::Failed, result, attempts};
    // A saver that answers "again" to an error that does not go away (one
    // without SavProcessError does) would retry for ever.
    if (sameInRow >= CSaveThread::kMaxSameErrorAttempts)
      return {SaveOutcome::Skipped, result, attempts};
  }
}

// Where the saver saves (its display information), for the log and the box.
std::string TargetOf(SaveCore& core, CSaveDllWrapper* saver) {
  if (!saver)
    return {};
  try {
    CSaveDllDisplayInfo display;
    if (saver->DisplayInfo(core.settings, &display) != 0)
      return {};
    return display.GetLocation();
  } catch (...) {
    return {};
  }
}

std::string PictureNameOf(CSaveInfoMultiPics& job) {
  IPictureFromCamera* picture = job.GetPicture();
  const char* own = picture ? picture->GetFileName() : nullptr;
  if (own && *own)
    return own;
  return job.MakeCounterFileName();
}

void LogFailedSave(CSaveInfoMultiPics& job, const JobEnd& end, const std::string& target) {
  const _brantel_take_error error(end.code);
  std::string text;
  FormatStdString(text,
                  "A picture could not be saved.\r\nCamera: %s\r\nPicture: %s\r\nTarget: %s\r\n"
                  "Error: %s(0x%02x)",
                  job.GetCameraId(), PictureNameOf(job).c_str(),
                  target.empty() ? "(unknown)" : target.c_str(), error.ErrorMessage(),
                  static_cast<unsigned>(end.code));
  if (end.attempts > 1)
    text += " after " + std::to_string(end.attempts) + " attempts";
  WriteErrorInfo(text.c_str());
}

// Saves the job and tells its window and the frame how it ended; a failed
// picture gets its entry in the error log.
void RunJob(SaveCore& core, CSaveInfoMultiPics& job, const std::stop_token& stop) {
  const JobEnd end = SaveJob(core, job, stop);
  const bool failed = end.outcome == SaveOutcome::Failed || end.outcome == SaveOutcome::Skipped;
  const std::string target =
      end.outcome == SaveOutcome::Cancelled ? std::string() : TargetOf(core, job.GetSaver());
  if (failed)
    LogFailedSave(job, end, target);
  job.Notice().Report(end.outcome, end.code, target);
  if (end.outcome != SaveOutcome::Cancelled)
    core.PostOutcome(end.outcome, end.code, target);
}

void SaveWorker(const std::stop_token& stop, SaveCore& core) {
  while (core.queue.WaitForJob(stop)) {
    for (;;) {
      if (stop.stop_requested())
        return;
      try {
        core.PostLength(core.queue.GetSaveQueueLength());
        std::unique_ptr<CSaveInfoMultiPics> job = core.queue.PopSaveJob();
        if (!job)
          break;
        RunJob(core, *job, stop);
      } catch (...) {
        // A failed post or allocation must not end the thread with terminate.
      }
    }
  }
}

} // namespace

CSaveThread::CSaveThread(QObject* receiver, HWND owner, ITarselSettings* settings, ISaveThreadSite& site,
                         std::size_t limit, std::chrono::milliseconds stopDeadline)
    : m_site(site), m_stopDeadline(stopDeadline) {
  host::ReserveTarselEventTypes();
  m_core = std::make_shared<SaveCore>(limit, receiver, owner, settings);
  try {
    m_thread = std::jthread([core = m_core](std::stop_token stop) {
      SaveWorker(stop, *core);
      const std::lock_guard<std::mutex> guard(core->lock);
      core->finished = true;
      core->finishedChanged.notify_all();
    });
  } catch (const std::system_error& error) {
    ThrowError(static_cast<HRESULT>(Win32FromErrno(error.code().value())), "Cannot start the save thread.");
  }
}

CSaveThread::~CSaveThread() {
  Stop();
}

std::unique_ptr<CSaveInfoMultiPics> CSaveThread::MakeJob(const char* cameraName, std::uint32_t counter,
                                                         IPictureFromCamera* picture) {
  try {
    return std::make_unique<CSaveInfoMultiPics>(cameraName, counter, picture, m_site.ChooseSaver(),
                                                m_core->settings);
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
}

bool CSaveThread::QueuePictureSave(IPictureFromCamera* picture, ISaveInfo* windowSaveInfo,
                                   const char* cameraName, QObject* outcomeReceiver) {
  if (!picture || !windowSaveInfo || m_stopped)
    return false;
  std::unique_ptr<CSaveInfoMultiPics> job = MakeJob(cameraName, windowSaveInfo->GetCounter(), picture);
  job->Notice().SetReceiver(outcomeReceiver, picture);
  if (m_core->queue.PushSaveJob(job))
    return true;
  job.reset();
  m_site.ReportError(kQueueFull);
  return false;
}

bool CSaveThread::QueueSynchronizedSave(AllCamerasTake& take, IPictureFromCamera* picture,
                                        const char* cameraName, HRESULT code, QObject* outcomeReceiver) {
  bool last = false;
  if (take.pending > 0 && --take.pending == 0) {
    last = true;
    m_site.SetReadyStatus();
  }
  const auto finishTake = [&] {
    if (last && !m_stopped)
      m_core->PostResult(0, 0);
  };
  bool queued = false;
  try {
    if (!picture) {
      if (code != 0 && !m_stopped)
        m_core->PostResult(1, code);
    } else if (!m_stopped && (take.save || m_site.GetAutoSaveAfterTaking())) {
      std::unique_ptr<CSaveInfoMultiPics> job = MakeJob(cameraName, take.counter, picture);
      job->Notice().SetReceiver(outcomeReceiver, picture);
      queued = m_core->queue.PushSaveJob(job);
      if (queued) {
        m_core->PostLength(m_core->queue.GetSaveQueueLength());
      } else {
        job.reset();
        m_core->PostResult(1, kQueueFull);
      }
    }
  } catch (...) {
    finishTake();
    throw;
  }
  finishTake();
  return queued;
}

std::size_t CSaveThread::GetSaveQueueLength() const {
  return m_stopped ? 0 : m_core->queue.GetSaveQueueLength();
}

void CSaveThread::ClearSaveQueue() {
  if (!m_stopped)
    m_core->queue.ClearSaveQueue();
}

bool CSaveThread::AnySaveThreadAbandoned() {
  return g_anyAbandoned.load();
}

void CSaveThread::Stop() {
  if (std::exchange(m_stopped, true))
    return;
  const auto stopBy = std::chrono::steady_clock::now() + m_stopDeadline;
  // The frame is closing: nothing reaches it from now on.
  m_core->sink->Detach();
  m_thread.request_stop();
  m_core->queue.ClearSaveQueue();
  // A save waiting on its peer would hold the stop up to the deadline.
  m_core->AbortSave();
  bool ended = false;
  {
    std::unique_lock<std::mutex> lock(m_core->lock);
    ended = m_core->finishedChanged.wait_until(lock, stopBy, [this] { return m_core->finished; });
  }
  if (ended) {
    m_thread.join();
    m_core.reset();
    return;
  }
  WriteErrorInfo(("The save thread did not stop within " + std::to_string(m_stopDeadline.count()) +
                  " ms; it was left to end on its own.")
                     .c_str());
  m_thread.detach();
  m_abandoned = true;
  g_anyAbandoned.store(true);
  m_core.reset();
}

} // namespace tarsel::saving

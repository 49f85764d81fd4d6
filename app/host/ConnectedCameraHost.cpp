#include "app/host/ConnectedCameraHost.h"

#include "app/core/ICameraHiLevel.h"
#include "app/core/StringIds.h"
#include "app/host/CameraStatusCodes.h"
#include "app/host/EventSink.h"
#include "app/host/SynchronizedTake.h"
#include "app/host/TarselEvents.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/pictures/PictureFromCamera.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"
#include "platform/Win32Error.h"

#include <QObject>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <utility>

namespace tarsel::host {

namespace {

using core::ids::IDS_DOWNLOADING_PICTURE;
using core::ids::IDS_TAKING_PICTURE;

std::atomic<bool> g_anyAbandoned{false};

struct CameraJob {
  std::int32_t type = 0;
  std::unique_ptr<CCamExtraCommand> command;
  std::int32_t index = -1;
  CSyncTakeTicket ticket;
  CameraCall call;
  bool keepForSave = false;
  CardPicture erase;
};

// The end of a camera call, posted by the worker to the call's relay.
class CameraCallDoneEvent : public QEvent {
public:
  static QEvent::Type Type() {
    static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
    return registered;
  }
  explicit CameraCallDoneEvent(HRESULT code) : QEvent(Type()), m_code(code) {}
  ~CameraCallDoneEvent() override { AcquireHandoff(this); }
  HRESULT code() const { return m_code; }

private:
  HRESULT m_code;
};

// Carries a call's `done` on the user-interface thread: a child of the
// call's receiver, so it goes with it; it runs `done` once and goes.
class CameraCallRelay : public QObject {
public:
  CameraCallRelay(QObject* receiver, std::function<void(HRESULT)> done)
      : QObject(receiver), m_done(std::move(done)) {}

protected:
  bool event(QEvent* event) override {
    if (event->type() != CameraCallDoneEvent::Type())
      return QObject::event(event);
    AcquireHandoff(event);
    const HRESULT code = static_cast<CameraCallDoneEvent*>(event)->code();
    const std::function<void(HRESULT)> done = std::move(m_done);
    deleteLater();
    if (done)
      done(code);
    return true;
  }

private:
  std::function<void(HRESULT)> m_done;
};

} // namespace

// Everything the worker touches. Shared by the host and its worker, so a
// worker left running past its deadline keeps it alive; the last owner
// deletes the camera.
struct HostCore : public _ISdkCallback {
  std::unique_ptr<ICameraHiLevel> camera;
  std::shared_ptr<EventSink> sink = EventSink::Create(nullptr);

  std::mutex lock;
  std::condition_variable_any work;
  std::condition_variable finishedChanged;
  std::deque<std::unique_ptr<CameraJob>> jobs;
  bool finished = false;
  // The take of the synchronized job that runs now; a stop that gives the
  // worker up reports this camera's part of it as failed.
  std::shared_ptr<CSynchronizedTake> runningTake;
  int runningSlot = -1;
  // A job taken from the queue has not ended yet.
  bool jobRunning = false;
  // The camera reported loading progress since the last job ended; any
  // thread the camera calls back on sets it.
  std::atomic<bool> loadingShown{false};

  ~HostCore() {
    try {
      camera.reset();
    } catch (...) {
      // The camera's destructor must not take the worker or the program down.
    }
  }

  void OnStatus(std::int32_t code, std::intptr_t argument) override { Post(code, argument); }

  std::shared_ptr<EventSink> currentSink() {
    const std::lock_guard<std::mutex> guard(lock);
    return sink;
  }

  BOOL Post(std::int32_t code, std::intptr_t argument, CRefPtr<IPictureFromCamera> picture = {},
            CSyncTakeTicket ticket = {}, CardPicture card = {}, bool leftInCamera = false) {
    if (code == StatusLoading)
      loadingShown = argument >= 0;
    const std::shared_ptr<EventSink> target = currentSink();
    auto* event = new CameraStatusEvent(code, argument, std::move(picture), std::move(ticket));
    event->setCard(std::move(card), leftInCamera);
    if (target->Post(event))
      return TRUE;
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }

  // Inside jobs a status that cannot be posted ends the job.
  void PostOrThrow(std::int32_t code, std::intptr_t argument) {
    if (!Post(code, argument))
      ThrowError(static_cast<HRESULT>(GetLastError()));
  }
};

namespace {

CRefPtr<IPictureFromCamera> NewPicture() {
  CRefPtr<IPictureFromCamera> picture;
  try {
    picture.Assign(new CPictureFromCamera);
  } catch (const std::bad_alloc&) {
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  }
  return picture;
}

HRESULT CodeOf(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// Undoes what a job did to the camera, whatever the camera throws.
class CameraState {
public:
  explicit CameraState(ICameraHiLevel& camera) : m_camera(camera) {}
  CameraState(const CameraState&) = delete;
  CameraState& operator=(const CameraState&) = delete;
  ~CameraState() {
    Disconnect();
    ResumePreview();
  }

  void PausePreview() {
    m_paused = true;
    m_camera.PausePreview(true);
  }
  void Connect() {
    // Counted even when Connect throws: the families' counted connection
    // may have gone up before the failure, and DisConnect never goes below 0.
    m_connected = true;
    m_camera.Connect();
  }
  void Disconnect() noexcept {
    if (!std::exchange(m_connected, false))
      return;
    try {
      m_camera.DisConnect();
    } catch (...) {
    }
  }
  void ResumePreview() noexcept {
    if (!std::exchange(m_paused, false))
      return;
    try {
      m_camera.PausePreview(false);
    } catch (...) {
    }
  }

private:
  ICameraHiLevel& m_camera;
  bool m_connected = false;
  bool m_paused = false;
};

// Runs one picture job on a fresh picture: the camera state is restored
// before anything is posted; a failure posts its code, success the picture
// with the place on the card that the work answers.
template <class Work>
void RunPictureJob(HostCore& core, std::int32_t doneStatus, bool leftInCamera, Work&& work) {
  CRefPtr<IPictureFromCamera> picture;
  CardPicture card;
  std::exception_ptr failure;
  {
    CameraState state(*core.camera);
    try {
      picture = NewPicture();
      card = work(state, *picture);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (failure) {
    core.Post(StatusJobFailed, CodeOf(failure));
    return;
  }
  core.Post(doneStatus, 0, std::move(picture), {}, std::move(card), leftInCamera);
}

// The user's "Leave picture in camera" in the job's option word.
bool LeavesInCamera(const CameraJob& job) {
  return job.command && (job.command->GetOption() & 1u) != 0;
}

// The transfer of a take: with keepForSave the picture stays on the card
// and the answer says where, else the flags decide as the user chose.
CardPicture TransferTaken(ICameraHiLevel& camera, IPictureFromCamera& picture, std::uint32_t flags,
                          bool keepForSave) {
  constexpr std::uint32_t kKeepOnCard = 1;
  ThrowIfFailed(camera.TransferPicture(&picture, keepForSave ? flags | kKeepOnCard : flags));
  return keepForSave ? camera.GetKeptPicture() : CardPicture{};
}

void TakePicture(HostCore& core, CameraJob& job) {
  ICameraHiLevel& camera = *core.camera;
  RunPictureJob(core, StatusPictureTaken, LeavesInCamera(job),
                [&](CameraState& state, IPictureFromCamera& picture) {
                  core.PostOrThrow(StatusMessage, IDS_TAKING_PICTURE);
                  state.PausePreview();
                  state.Connect();
                  std::uint32_t value = 0;
                  if (job.command) {
                    value = job.command->GetOption();
                    std::int32_t first = 0;
                    std::int32_t second = 0;
                    if (job.command->GetCommand(&first, &second))
                      picture.SetExtraCommand(job.command.get());
                  }
                  ThrowIfFailed(camera.Capture(value, false));
                  core.PostOrThrow(StatusMessage, IDS_DOWNLOADING_PICTURE);
                  return TransferTaken(camera, picture, value, job.keepForSave);
                });
}

void DownloadPicture(HostCore& core, CameraJob& job) {
  ICameraHiLevel& camera = *core.camera;
  RunPictureJob(core, StatusJobEnded, false, [&](CameraState& state, IPictureFromCamera& picture) {
    state.Connect();
    core.PostOrThrow(StatusMessage, IDS_DOWNLOADING_PICTURE);
    ThrowIfFailed(camera.DownloadPicture(&picture, job.index));
    return CardPicture{};
  });
}

std::string CameraNameOf(ICameraHiLevel& camera) {
  try {
    const char* name = camera.GetCameraName();
    return name ? name : "";
  } catch (...) {
    return {};
  }
}

// The erase after a save. Whatever happens, the picture is saved: a picture
// that is not found or not erased only stays on the card, which the log
// records.
void EraseSavedPicture(HostCore& core, CameraJob& job) {
  ICameraHiLevel& camera = *core.camera;
  HRESULT result = 0;
  {
    CameraState state(camera);
    try {
      state.Connect();
      result = camera.EraseKeptPicture(job.erase);
    } catch (...) {
      result = CodeOf(std::current_exception());
    }
  }
  if (result == 0)
    return;
  const std::string where =
      "The saved picture \"" + job.erase.fileName + "\" of camera \"" + CameraNameOf(camera) + "\"";
  if (result == 1) {
    WriteErrorInfo((where + " is no longer on the card; nothing was erased.").c_str());
    return;
  }
  const _brantel_take_error error(result);
  std::string text;
  FormatStdString(text, "%s could not be erased; it stays on the card. Error: %s(0x%02x)", where.c_str(),
                  error.ErrorMessage(), static_cast<unsigned>(result));
  WriteErrorInfo(text.c_str());
}

// Returns true when the worker was asked to stop during the wait; the job
// then posts nothing and its ticket reports the camera as failed.
bool SynchronizedTake(HostCore& core, CameraJob& job, std::stop_token stop) {
  ICameraHiLevel& camera = *core.camera;
  CSyncTakeTicket& ticket = job.ticket;
  CRefPtr<IPictureFromCamera> picture;
  CardPicture card;
  std::exception_ptr failure;
  {
    CameraState state(camera);
    try {
      try {
        picture = NewPicture();
        state.PausePreview();
        core.PostOrThrow(StatusMessage, IDS_TAKING_PICTURE);
        const std::uint32_t value = job.command ? job.command->GetOption() : 0;
        state.Connect();
        ThrowIfFailed(camera.PrepareCapture(value));
      } catch (...) {
        // A camera that failed is at the barrier too, so the others fire.
        ticket.Arrive();
        throw;
      }
      switch (ticket.Wait(stop)) {
      case CSyncTakeTicket::WaitResult::Interrupted:
        return true;
      case CSyncTakeTicket::WaitResult::TimedOut:
        ThrowError(E_FAIL);
      case CSyncTakeTicket::WaitResult::Released:
        break;
      }
      ThrowIfFailed(camera.FirePreparedCapture());
      core.PostOrThrow(StatusMessage, IDS_DOWNLOADING_PICTURE);
      const std::uint32_t value = job.command ? job.command->GetOption() : 0;
      card = TransferTaken(camera, *picture, value, job.keepForSave);
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (failure) {
    const HRESULT code = CodeOf(failure);
    ticket.SetOutcome(code);
    core.Post(StatusSynchronizedFailed, code, {}, std::move(ticket));
    return false;
  }
  core.Post(StatusSynchronizedPicture, 0, std::move(picture), std::move(ticket), std::move(card),
            LeavesInCamera(job));
  return false;
}

void WorkerLoop(std::stop_token stop, HostCore& core) {
  for (;;) {
    std::unique_ptr<CameraJob> job;
    {
      std::unique_lock<std::mutex> lock(core.lock);
      if (!core.work.wait(lock, stop, [&core] { return !core.jobs.empty(); }))
        return;
      if (stop.stop_requested())
        return;
      job = std::move(core.jobs.front());
      core.jobs.pop_front();
      core.jobRunning = true;
      if (job->type == CConnectedCameraHost::JobSynchronizedTake) {
        core.runningTake = job->ticket.take();
        core.runningSlot = job->ticket.slot();
      }
    }
    bool interrupted = false;
    try {
      switch (job->type) {
      case CConnectedCameraHost::JobTakePicture:
        TakePicture(core, *job);
        break;
      case CConnectedCameraHost::JobSynchronizedTake:
        interrupted = SynchronizedTake(core, *job, stop);
        break;
      case CConnectedCameraHost::JobDownloadPicture:
        DownloadPicture(core, *job);
        break;
      case CConnectedCameraHost::JobCameraCall:
        job->call(*core.camera, stop);
        break;
      case CConnectedCameraHost::JobErasePicture:
        EraseSavedPicture(core, *job);
        break;
      default:
        break;
      }
    } catch (...) {
      // The jobs catch what the camera throws; this keeps a failed post or
      // allocation in a handler from ending the thread with terminate.
    }
    // A camera call's last "Loading" percentage (a capability test's
    // pictures) must not outlive it: unlike a take's picture, nothing else
    // the call posts clears the window's loading pane.
    const bool call = job->type == CConnectedCameraHost::JobCameraCall;
    job.reset();
    if (core.loadingShown.exchange(false) && call)
      core.Post(StatusLoading, -1);
    {
      const std::lock_guard<std::mutex> guard(core.lock);
      core.runningTake.reset();
      core.runningSlot = -1;
      core.jobRunning = false;
    }
    if (interrupted || stop.stop_requested())
      return;
  }
}

} // namespace

CRefPtr<IPictureFromCamera> TakePictureForCall(ICameraHiLevel& camera) {
  CRefPtr<IPictureFromCamera> picture = NewPicture();
  CameraState state(camera);
  state.PausePreview();
  state.Connect();
  ThrowIfFailed(camera.Capture(0, false));
  ThrowIfFailed(camera.TransferPicture(picture.get(), 0));
  return picture;
}

CConnectedCameraHost::CConnectedCameraHost(ICameraHiLevel* camera, std::chrono::milliseconds stopDeadline,
                                           std::chrono::milliseconds startWait)
    : m_stopDeadline(stopDeadline), m_startWait(startWait), m_core(std::make_shared<HostCore>()) {
  m_core->camera.reset(camera);
  ReserveTarselEventTypes();
}

CConnectedCameraHost::~CConnectedCameraHost() {
  Stop();
}

ICameraHiLevel* CConnectedCameraHost::GetCamera() const {
  return m_core ? m_core->camera.get() : nullptr;
}

bool CConnectedCameraHost::Start(QObject* receiver, HWND window) {
  if (m_stopped || m_worker.joinable() || !m_core->camera)
    return false;
  // The camera reports to the core, which outlives this host when the
  // worker has to be left running.
  const bool initialised = m_core->camera->InitCameraObject(m_core.get(), window) == 0;
  {
    std::shared_ptr<EventSink> sink = EventSink::Create(receiver);
    const std::lock_guard<std::mutex> guard(m_core->lock);
    m_core->sink = std::move(sink);
  }
  auto started = std::make_shared<std::promise<void>>();
  std::future<void> startedFuture = started->get_future();
  try {
    m_worker = std::jthread([core = m_core, started](std::stop_token stop) {
      started->set_value();
      WorkerLoop(stop, *core);
      const std::lock_guard<std::mutex> guard(core->lock);
      core->finished = true;
      core->finishedChanged.notify_all();
    });
  } catch (const std::system_error& error) {
    ThrowError(static_cast<HRESULT>(Win32FromErrno(error.code().value())), "Cannot start the camera worker.");
  }
  startedFuture.wait_for(m_startWait);
  return initialised;
}

bool CConnectedCameraHost::Queue(std::int32_t type, const ICamExtraCommand* command, std::int32_t index,
                                 CSyncTakeTicket ticket, CameraCall call, bool keepForSave,
                                 CardPicture erase) {
  if (m_stopped)
    return false;
  auto job = std::make_unique<CameraJob>();
  job->type = type;
  if (command)
    job->command = std::make_unique<CCamExtraCommand>(*command);
  job->index = index;
  job->ticket = std::move(ticket);
  job->call = std::move(call);
  job->keepForSave = keepForSave;
  job->erase = std::move(erase);
  {
    const std::lock_guard<std::mutex> guard(m_core->lock);
    m_core->jobs.push_back(std::move(job));
  }
  m_core->work.notify_one();
  return true;
}

bool CConnectedCameraHost::IsWorking() const {
  if (!m_core)
    return false;
  const std::lock_guard<std::mutex> guard(m_core->lock);
  return m_core->jobRunning || !m_core->jobs.empty();
}

void CConnectedCameraHost::QueueTakePicture(const ICamExtraCommand* command, bool keepForSave) {
  Queue(JobTakePicture, command, -1, {}, {}, keepForSave);
}

void CConnectedCameraHost::QueueSynchronizedTake(CSyncTakeTicket ticket, const ICamExtraCommand* command,
                                                 bool keepForSave) {
  Queue(JobSynchronizedTake, command, -1, std::move(ticket), {}, keepForSave);
}

void CConnectedCameraHost::QueueErase(CardPicture picture) {
  if (picture.IsKnown())
    Queue(JobErasePicture, nullptr, -1, {}, {}, false, std::move(picture));
}

void CConnectedCameraHost::QueueDownload(std::int32_t index) {
  Queue(JobDownloadPicture, nullptr, index, {});
}

bool CConnectedCameraHost::QueueCameraCall(CameraCall call) {
  return call && Queue(JobCameraCall, nullptr, -1, {}, std::move(call));
}

bool CConnectedCameraHost::QueueCameraCall(std::function<void()> work, QObject* receiver,
                                           std::function<void(HRESULT)> done) {
  if (m_stopped || !receiver)
    return false;
  std::shared_ptr<EventSink> sink = EventSink::Create(new CameraCallRelay(receiver, std::move(done)));
  return QueueCameraCall([work = std::move(work), sink](ICameraHiLevel&, std::stop_token) {
    HRESULT code = 0;
    try {
      if (work)
        work();
    } catch (...) {
      code = CodeOf(std::current_exception());
    }
    sink->Post(new CameraCallDoneEvent(code));
  });
}

void CConnectedCameraHost::OnStatus(std::int32_t code, std::intptr_t argument) {
  PostStatus(code, argument);
}

BOOL CConnectedCameraHost::PostStatus(std::int32_t code, std::intptr_t argument) {
  if (!m_core) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return m_core->Post(code, argument);
}

IPictureFromCamera* CConnectedCameraHost::GetPicture(std::int32_t index) const {
  if (index == -1)
    index = m_current;
  if (index < 0 || static_cast<std::size_t>(index) >= m_series.size())
    return nullptr;
  return m_series[static_cast<std::size_t>(index)].get();
}

std::int32_t CConnectedCameraHost::GetPictureCount() const {
  return static_cast<std::int32_t>(m_series.size());
}

bool CConnectedCameraHost::HasPictures() const {
  return !m_series.empty();
}

IPictureFromCamera* CConnectedCameraHost::NextPicture() {
  if (m_current + 1 >= GetPictureCount())
    return nullptr;
  ++m_current;
  return GetPicture(m_current);
}

IPictureFromCamera* CConnectedCameraHost::PreviousPicture() {
  if (m_current <= 0)
    return nullptr;
  --m_current;
  return GetPicture(m_current);
}

bool CConnectedCameraHost::IsAtFirst() const {
  return m_series.size() < 2 || m_current == 0;
}

bool CConnectedCameraHost::IsAtLast() const {
  return m_series.size() < 2 || m_current == GetPictureCount() - 1;
}

bool CConnectedCameraHost::DeletePicture(std::int32_t index) {
  if (index == -1)
    index = m_current;
  if (index < 0 || index >= GetPictureCount())
    return false;
  ReleasePicture(m_series[static_cast<std::size_t>(index)].get());
  m_series.erase(m_series.begin() + index);
  if (index == m_current && m_current >= GetPictureCount())
    --m_current;
  else if (index < m_current)
    --m_current;
  return true;
}

void CConnectedCameraHost::ClearPictures() {
  m_series.clear();
  m_held.clear();
  m_current = -1;
}

void CConnectedCameraHost::AddToSeries(IPictureFromCamera* picture) {
  if (!picture)
    return;
  if (std::exchange(m_replaceSeries, false)) {
    // Held pictures exist nowhere else: they stay.
    std::erase_if(m_series,
                  [this](const CRefPtr<IPictureFromCamera>& entry) { return !IsHeld(entry.get()); });
  }
  m_series.emplace_back(picture);
  m_current = GetPictureCount() - 1;
}

void CConnectedCameraHost::HoldPicture(IPictureFromCamera* picture) {
  if (!picture || IsHeld(picture))
    return;
  m_held.emplace_back(picture);
  const bool inSeries =
      std::any_of(m_series.begin(), m_series.end(),
                  [picture](const CRefPtr<IPictureFromCamera>& entry) { return entry.get() == picture; });
  if (inSeries)
    return;
  m_series.emplace_back(picture);
  if (m_current < 0)
    m_current = 0;
}

void CConnectedCameraHost::ReleasePicture(IPictureFromCamera* picture) {
  std::erase_if(m_held,
                [picture](const CRefPtr<IPictureFromCamera>& entry) { return entry.get() == picture; });
}

bool CConnectedCameraHost::IsHeld(IPictureFromCamera* picture) const {
  return std::any_of(m_held.begin(), m_held.end(),
                     [picture](const CRefPtr<IPictureFromCamera>& entry) { return entry.get() == picture; });
}

std::uint64_t CConnectedCameraHost::GetHeldBytes() const {
  std::uint64_t bytes = 0;
  for (const CRefPtr<IPictureFromCamera>& picture : m_held)
    if (const auto data = picture->GetDataSnapshot())
      bytes += data->size();
  return bytes;
}

void CConnectedCameraHost::MarkSeriesForReplace() {
  m_replaceSeries = true;
}

std::int32_t CConnectedCameraHost::SetZoomDivisor(std::int32_t divisor) {
  return std::exchange(m_zoomDivisor, divisor);
}

bool CConnectedCameraHost::AnyWorkerAbandoned() {
  return g_anyAbandoned.load();
}

void CConnectedCameraHost::RequestStop() {
  if (m_stopped || m_stopBy)
    return;
  m_stopBy = std::chrono::steady_clock::now() + m_stopDeadline;
  if (m_worker.joinable())
    m_worker.request_stop();
}

void CConnectedCameraHost::Stop() {
  if (std::exchange(m_stopped, true))
    return;
  const auto stopBy = m_stopBy.value_or(std::chrono::steady_clock::now() + m_stopDeadline);
  ClearPictures();
  std::shared_ptr<EventSink> sink;
  std::deque<std::unique_ptr<CameraJob>> dropped;
  {
    const std::lock_guard<std::mutex> guard(m_core->lock);
    sink = m_core->sink;
    dropped.swap(m_core->jobs);
  }
  // The window is closing: nothing reaches it from now on.
  sink->Detach();
  // Jobs that never ran go unrun; their tickets report their cameras.
  dropped.clear();
  if (!m_worker.joinable()) {
    m_core.reset();
    return;
  }
  m_worker.request_stop();
  bool ended = false;
  {
    std::unique_lock<std::mutex> lock(m_core->lock);
    ended = m_core->finishedChanged.wait_until(lock, stopBy, [this] { return m_core->finished; });
  }
  if (ended) {
    m_worker.join();
    m_core.reset();
    return;
  }
  // The worker is stuck in a camera call. It keeps the core (and the
  // camera) and ends on its own; its synchronized take does not wait for it.
  std::shared_ptr<CSynchronizedTake> take;
  int slot = -1;
  {
    const std::lock_guard<std::mutex> guard(m_core->lock);
    take = m_core->runningTake;
    slot = m_core->runningSlot;
  }
  if (take) {
    take->Arrive(slot);
    take->Complete(slot, E_FAIL);
  }
  WriteErrorInfo(("A camera worker did not stop within " + std::to_string(m_stopDeadline.count()) +
                  " ms; it was left to end on its own.")
                     .c_str());
  m_worker.detach();
  m_abandoned = true;
  g_anyAbandoned.store(true);
  m_core.reset();
}

} // namespace tarsel::host

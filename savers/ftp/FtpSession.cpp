#include "savers/ftp/FtpSession.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"
#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/FtpReceiveError.h"
#include "savers/ftp/FtpSessionRequest.h"
#include "savers/ftp/SocketFtpCommand.h"
#include "savers/ftp/SocketFtpData.h"

#include <cstring>

using namespace tarsel::ftp;

namespace {

bool hasLineBreak(const char* text) {
  return std::strpbrk(text, "\r\n") != nullptr;
}

} // namespace

CFtpSession::CFtpSession(bool synchronous, QObject* window, QEvent::Type messageId, Timeouts timeouts)
    : m_timeouts(timeouts) {
  m_notify.mode = synchronous ? ModeSynchronous : ModePosted;
  m_notify.window = window;
  m_notify.messageId = messageId;
  m_worker = std::thread([this] { WorkerThreadProc(); });
  m_supervisor = std::thread([this] { SupervisorThreadProc(); });
}

CFtpSession::~CFtpSession() {
  // Log out when connected; an exchange still running is cut off instead.
  if (IsConnected()) {
    const Notifier quiet;
    request(CommandQuit, std::make_unique<Request>(), &quiet);
  }
  {
    std::lock_guard lock(m_workMutex);
    m_endWorker = true;
  }
  m_workCv.notify_all();
  shutDownConnections();
  {
    std::lock_guard lock(m_timerMutex);
    m_stopSupervisor = true;
  }
  m_timerCv.notify_all();
  m_supervisor.join();
  // The worker's socket calls return at once on shut-down connections; a new
  // connect is shut down as it is made, so the join is bounded.
  {
    std::unique_lock lock(m_workMutex);
    if (!m_doneCv.wait_for(lock, m_timeouts.join, [this] { return m_workerEnded; })) {
      lock.unlock();
      shutDownConnections();
    }
  }
  m_worker.join();
}

void CFtpSession::SetNotify(bool synchronous, QObject* window, QEvent::Type messageId) {
  std::lock_guard call(m_callLock);
  std::lock_guard lock(m_notifyMutex);
  m_notify.mode = synchronous ? ModeSynchronous : ModePosted;
  m_notify.window = window;
  m_notify.messageId = messageId;
}

void CFtpSession::Detach(QObject* window) {
  // The request waiting, the running one and the next ones: all under both
  // locks, which a request takes while it captures its window and the worker
  // while it starts the request.
  std::lock_guard work(m_workMutex);
  std::lock_guard lock(m_notifyMutex);
  for (Notifier* notifier : {&m_notify, &m_running, m_pending ? &m_pending->notifier : nullptr})
    if (notifier && notifier->window == window)
      notifier->window = nullptr;
}

HRESULT CFtpSession::Connect(const char* server, const char* user, const char* password) {
  if (!server || !user || !password || hasLineBreak(user) || hasLineBreak(password))
    return E_INVALIDARG;
  auto made = std::make_unique<Request>();
  made->server = server;
  made->user = user;
  made->SetPassword(password);
  return request(CommandConnect, std::move(made));
}

HRESULT CFtpSession::Upload(const void* data, std::size_t size, const char* remoteName) {
  if (!remoteName || (!data && size > 0))
    return E_INVALIDARG;
  if (hasLineBreak(remoteName))
    return ERROR_INVALID_NAME;
  auto made = std::make_unique<Request>();
  made->name = remoteName;
  made->data = data;
  made->size = size;
  return request(CommandUpload, std::move(made));
}

HRESULT CFtpSession::UploadToFreeName(const void* data, std::size_t size, const NameCandidates& names,
                                      unsigned tried, std::string& storedAs) {
  if (!data && size > 0)
    return E_INVALIDARG;
  auto made = std::make_unique<Request>();
  made->data = data;
  made->size = size;
  made->candidates = &names;
  made->tried = tried;
  made->storedAs = &storedAs;
  // The candidates and the name used live with the caller: it must wait.
  const Notifier waited; // synchronous
  return request(CommandUpload, std::move(made), &waited);
}

HRESULT CFtpSession::ChangeDir(const char* directory) {
  if (!directory)
    return E_INVALIDARG;
  auto made = std::make_unique<Request>();
  made->name = directory;
  return request(CommandChangeDir, std::move(made));
}

HRESULT CFtpSession::Quit() {
  return request(CommandQuit, std::make_unique<Request>());
}

HRESULT CFtpSession::Abort() {
  std::lock_guard call(m_callLock);
  m_lastError = 0;
  if (m_state.load() != StateBusy)
    return kNoTransfer;
  m_continue.exchange(0);
  return 0;
}

void CFtpSession::Interrupt() noexcept {
  m_interrupted.store(true);
  shutDownConnections();
}

// The state is read without the call lock, so that a window asking while a
// synchronous request runs on another thread does not wait for its end.
bool CFtpSession::IsBusy() const {
  return m_state.load() == StateBusy;
}

bool CFtpSession::IsConnected() const {
  return m_state.load() == StateConnected;
}

bool CFtpSession::IsSameServerAndUser(const char* server, const char* user) const {
  std::lock_guard lock(m_identityMutex);
  return server && user && m_connectedServer == server && m_connectedUser == user;
}

HRESULT CFtpSession::refusal(Command command) const {
  if (m_interrupted.load())
    return kInterrupted;
  const int state = m_state.load();
  if (command == CommandConnect) {
    if (state == StateConnected)
      return kAlreadyConnected;
    return state == StateBusy ? kBusy : 0;
  }
  if (state == StateIdle)
    return kNotConnected;
  if (state == StateClosing)
    return kConnectionsDropped;
  if (state == StateBusy && command != CommandQuit)
    return kBusy;
  return 0;
}

HRESULT CFtpSession::request(Command command, std::unique_ptr<Request> made, const Notifier* forced) {
  try {
    std::lock_guard call(m_callLock);
    m_lastError = 0;
    if (const HRESULT refused = refusal(command)) {
      m_lastError = refused;
      return refused;
    }
    made->command = command;
    bool synchronous = false;
    std::uint64_t id = 0;
    {
      std::lock_guard lock(m_workMutex);
      // One request waits at most (a quit behind a running exchange).
      if (m_pending || m_endWorker) {
        m_lastError = kBusy;
        return kBusy;
      }
      {
        std::lock_guard notifying(m_notifyMutex);
        made->notifier = forced ? *forced : m_notify;
      }
      synchronous = made->notifier.mode == ModeSynchronous;
      if (command == CommandUpload)
        m_continue.exchange(1);
      id = made->id = ++m_requestsMade;
      m_pending = std::move(made);
      setState(StateBusy);
    }
    m_workCv.notify_all();
    if (!synchronous)
      return 0;
    std::unique_lock lock(m_workMutex);
    m_doneCv.wait(lock, [&] { return m_requestsDone >= id; });
    m_lastError = m_doneResult;
    return m_doneResult;
  } catch (const _brantel_take_error& error) {
    return error.Error();
  } catch (...) {
    return E_UNEXPECTED;
  }
}

void CFtpSession::WorkerThreadProc() {
  for (;;) {
    std::unique_ptr<Request> next;
    {
      std::unique_lock lock(m_workMutex);
      m_workCv.wait(lock, [this] { return m_pending || m_endWorker; });
      if (m_endWorker)
        break;
      next = std::move(m_pending);
      std::lock_guard notifying(m_notifyMutex);
      m_running = next->notifier;
    }
    runRequest(*next);
    {
      std::lock_guard lock(m_workMutex);
      m_requestsDone = next->id;
      if (next->notifier.mode == ModeSynchronous)
        m_doneResult = m_result;
      if (m_pending)
        setState(StateBusy);
      else if (m_state.load() == StateBusy)
        // A request that found nothing to do (a quit behind an exchange that
        // lost its connection) leaves the state it found, never busy.
        setState(m_control ? StateConnected : StateIdle);
    }
    if (next->notifier.mode != ModePosted)
      m_lastError = m_result;
    m_doneCv.notify_all();
  }
  // A request left waiting is answered, so that no caller waits for good.
  {
    std::lock_guard lock(m_workMutex);
    if (m_pending) {
      m_requestsDone = m_pending->id;
      m_doneResult = kBusy;
      m_pending.reset();
    }
  }
  if (m_state.load() == StateConnected) {
    try {
      DoQuit(0);
    } catch (...) {
      closeConnections();
    }
  }
  closeConnections();
  notify(NotifyState, NotifyWorkerEnded);
  {
    std::lock_guard lock(m_workMutex);
    m_workerEnded = true;
  }
  m_doneCv.notify_all();
}

void CFtpSession::runRequest(Request& running) {
  m_result = 0;
  try {
    checkWatchdog();
    switch (running.command) {
    case CommandConnect:
      DoConnect(running);
      break;
    case CommandUpload:
      DoUpload(running);
      break;
    case CommandChangeDir:
      DoChangeDir(running.name);
      break;
    case CommandQuit:
      DoQuit(0);
      break;
    default:
      break;
    }
    checkWatchdog();
  } catch (...) {
    fail(running.command);
  }
}

// Handles the failure that is being thrown out of an exchange; throws nothing.
void CFtpSession::fail(Command command) {
  if (m_interrupted.load()) {
    // Whatever the cut-off connections made the exchange throw.
    m_watchdogFired.store(false);
    disarm();
    closeConnections();
    setState(StateIdle);
    reportError(NotifyOtherError, kInterrupted);
    return;
  }
  if (m_watchdogFired.exchange(false)) {
    disarm();
    closeConnections();
    setState(StateIdle);
    reportError(NotifyOtherError, kWaitTimeout);
    return;
  }
  try {
    throw;
  } catch (const _FtpReceiveError& reply) {
    if (command == CommandUpload) {
      // The control connection is sound after a refused upload step.
      closeData();
      if (reply == 550) {
        quitAfterFailure(0);
      } else {
        try {
          setIdle();
        } catch (...) {
          // The watchdog fired meanwhile: handled below.
        }
        setState(StateConnected);
      }
    } else if (command == CommandQuit) {
      dropConnections();
    } else {
      quitAfterFailure(reply.Reply());
    }
    reportError(NotifyReplyError, reply.Error());
  } catch (const _sock_error& error) {
    dropConnections();
    reportError(NotifyNetworkError, error.Error());
  } catch (const _brantel_take_error& error) {
    dropConnections();
    reportError(NotifyOtherError, error.Error());
  } catch (...) {
    dropConnections();
    reportError(NotifyOtherError, E_UNEXPECTED);
  }
  // A failure handled while the watchdog fired still ends as one 258.
  if (m_watchdogFired.exchange(false)) {
    disarm();
    closeConnections();
    setState(StateIdle);
  }
}

void CFtpSession::quitAfterFailure(unsigned reply) {
  try {
    DoQuit(reply);
  } catch (...) {
    dropConnections();
  }
}

void CFtpSession::SupervisorThreadProc() {
  std::unique_lock lock(m_timerMutex);
  while (!m_stopSupervisor) {
    if (m_timer == Timer::Disarmed) {
      m_timerCv.wait(lock);
      continue;
    }
    if (m_timerCv.wait_until(lock, m_deadline) != std::cv_status::timeout ||
        std::chrono::steady_clock::now() < m_deadline || m_timer == Timer::Disarmed)
      continue;
    if (m_timer == Timer::Armed) {
      // An exchange step hung: shut its connections down so that the
      // blocked call returns; the worker closes them and reports 258.
      m_timer = Timer::Disarmed;
      m_watchdogFired = true;
      std::lock_guard sockets(m_socketLock);
      for (CSocket* socket :
           {static_cast<CSocket*>(m_control.get()), m_listen.get(), static_cast<CSocket*>(m_data.get())})
        if (socket)
          socket->Shutdown();
      continue;
    }
    m_timer = Timer::Disarmed;
    lock.unlock();
    const bool done = idleQuit();
    lock.lock();
    if (!done && m_timer == Timer::Disarmed) {
      m_timer = Timer::Idle;
      m_deadline = std::chrono::steady_clock::now() + m_timeouts.idle;
    }
  }
}

// The idle log-out: a silent quit, skipped while a caller's request is under
// way (it will set the idle time again). False when skipped.
bool CFtpSession::idleQuit() {
  std::unique_lock call(m_callLock, std::try_to_lock);
  if (!call.owns_lock())
    return false;
  if (m_state.load() != StateConnected)
    return true;
  Notifier silent;
  silent.mode = ModeSilent;
  request(CommandQuit, std::make_unique<Request>(), &silent);
  return true;
}

void CFtpSession::armWatchdog() {
  checkWatchdog();
  {
    std::lock_guard lock(m_timerMutex);
    m_timer = Timer::Armed;
    m_deadline = std::chrono::steady_clock::now() + m_timeouts.watchdog;
  }
  m_timerCv.notify_all();
}

void CFtpSession::setIdle() {
  {
    std::lock_guard lock(m_timerMutex);
    checkWatchdog();
    m_timer = Timer::Idle;
    m_deadline = std::chrono::steady_clock::now() + m_timeouts.idle;
  }
  m_timerCv.notify_all();
}

void CFtpSession::disarm() {
  std::lock_guard lock(m_timerMutex);
  m_timer = Timer::Disarmed;
}

void CFtpSession::checkWatchdog() const {
  if (m_interrupted.load())
    throw _brantel_take_error(kInterrupted);
  if (m_watchdogFired.load())
    throw _brantel_take_error(kWaitTimeout);
}

template <class Socket> void CFtpSession::makeSocket(std::unique_ptr<Socket>& slot) {
  auto made = std::make_unique<Socket>();
  std::lock_guard lock(m_socketLock);
  if (m_cutOff)
    made->Shutdown();
  slot = std::move(made);
}

template void CFtpSession::makeSocket(std::unique_ptr<CSocketFtpCommand>&);
template void CFtpSession::makeSocket(std::unique_ptr<CSocketFtpData>&);

void CFtpSession::shutDownConnections() {
  std::lock_guard lock(m_socketLock);
  m_cutOff = true;
  for (CSocket* socket :
       {static_cast<CSocket*>(m_control.get()), m_listen.get(), static_cast<CSocket*>(m_data.get())})
    if (socket)
      socket->Shutdown();
}

void CFtpSession::closeData() {
  std::lock_guard lock(m_socketLock);
  m_data.reset();
}

void CFtpSession::closeConnections() {
  {
    std::lock_guard lock(m_socketLock);
    m_listen.reset();
    m_data.reset();
    m_control.reset();
  }
  std::lock_guard lock(m_identityMutex);
  m_connectedServer.clear();
  m_connectedUser.clear();
}

void CFtpSession::dropConnections() {
  disarm();
  setState(StateClosing);
  closeConnections();
}

void CFtpSession::setState(State state) {
  m_state.store(state);
}

void CFtpSession::notify(std::intptr_t wParam, std::intptr_t lParam) {
  std::lock_guard lock(m_notifyMutex);
  if (m_running.mode != ModePosted)
    return;
  if (QObject* window = m_running.window.data())
    CFtpSessionEvent::Post(window, new CFtpSessionEvent(m_running.messageId, wParam, lParam));
}

void CFtpSession::reportError(std::intptr_t kind, HRESULT code) {
  m_result = code;
  notify(kind, code);
}

// The FTP saver's session: one control connection to one server, every FTP
// exchange run on a worker thread of its own, and a supervisor thread that
// guards each exchange step with a watchdog and logs out after a time without
// exchanges.
//
// Modes, captured by each request when it is made:
// - synchronous: the request returns when its exchange has ended, with its
//   result (the direct save);
// - posted: the request returns at once; the worker posts progress, state
//   changes and failures to the window as CFtpSessionEvent (the dialogs);
// - silent: as posted, without events (the idle log-out).
//
// States: 0 idle (no connection), 1 connected, 2 busy (an exchange runs),
// 3 closing (connections dropped after a network failure; only Connect runs).
// Refusals: 1247 connected already, 170 busy, 0x80040007 not connected,
// 0x800401E1 connections dropped, 0x80040005 abort without a transfer,
// 1223 interrupted.
//
// Failures: every public operation returns a code and throws nothing. In
// synchronous and silent mode an exchange's failure is the request's result
// (LastError); in posted mode it is posted (2 network, 3 reply, 4 other). A
// refused upload step (a 4xx or 5xx reply other than 550) leaves the session
// connected. A watchdog time-out shuts the connections down, ends the
// exchange with 258 (reported once), and leaves the state idle; the next
// Connect works. The idle log-out is skipped while a request is under way.
// Interrupt shuts the connections down at once: the running and the waiting
// request end with 1223, the state is idle, and every later request is
// refused with 1223 (the session is being given up).
//
// Threads: any thread may call the public operations; requests from several
// threads are taken one at a time (the call lock), and one request at most
// waits behind a running exchange (a Quit). The data of a posted Upload must
// stay valid until the upload has ended (notification 1 with 2 or 6, or a
// failure). A window given to SetNotify is posted to only while it exists; a
// window that goes away calls Detach first. The destructor logs out when
// connected, stops both threads and joins them: an exchange still running is
// cut off by shutting its connections down, so the join is bounded by the
// watchdog time at most (a host name lookup is the one call it cannot cut).
#pragma once

#include "hostapi/Win32Types.h"
#include "savers/ftp/FtpSessionEvent.h"

#include <QPointer>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

class CSocket;
class CSocketFtpCommand;
class CSocketFtpData;
class _FtpReceiveError;
class QObject;

namespace tarsel::ftp {

// How long an exchange step may take, how long a connection may stay unused
// before the session logs out, and how long the destructor waits for each
// thread.
struct FtpSessionTimeouts {
  std::chrono::milliseconds watchdog{30000};
  std::chrono::milliseconds idle{240000};
  std::chrono::milliseconds join{5000};
};

} // namespace tarsel::ftp

class CFtpSession {
public:
  using Timeouts = tarsel::ftp::FtpSessionTimeouts;

  enum State : int { StateIdle = 0, StateConnected = 1, StateBusy = 2, StateClosing = 3 };
  enum Command : int {
    CommandNone = 0,
    CommandConnect = 1,
    CommandUpload = 2,
    CommandEnd = 3,
    CommandChangeDir = 4,
    CommandQuit = 5
  };
  enum Mode : int { ModeSilent = 0, ModeSynchronous = 1, ModePosted = 2 };

  // The connect parameters' buffer: 260 characters and the terminator.
  static constexpr std::size_t kParamSize = 261;

  CFtpSession(bool synchronous, QObject* window, QEvent::Type messageId = WM_FTP_SESSION_NOTIFY,
              Timeouts timeouts = Timeouts());
  ~CFtpSession();
  CFtpSession(const CFtpSession&) = delete;
  CFtpSession& operator=(const CFtpSession&) = delete;

  // Mode and window of the requests made from now on (posted without a
  // window: no events).
  void SetNotify(bool synchronous, QObject* window, QEvent::Type messageId = WM_FTP_SESSION_NOTIFY);
  // Stops every event to `window`, that of an exchange already running too.
  void Detach(QObject* window);

  HRESULT Connect(const char* server, const char* user, const char* password);
  HRESULT Upload(const void* data, std::size_t size, const char* remoteName);
  // A synchronous upload that replaces no server file: after TYPE I, SIZE asks
  // for names(0), names(1) ... (at most `tried` of them) until the server
  // answers one is free (213 taken, 550 free); a server that does not know
  // SIZE (500, 502) is asked for an NLST of the name. A server that cannot
  // tell either way gets the name in hand. "" from `names`, or every name
  // taken, ends the upload with 183 and the session stays connected.
  // `storedAs` receives the name uploaded to.
  using NameCandidates = std::function<std::string(unsigned index)>;
  HRESULT UploadToFreeName(const void* data, std::size_t size, const NameCandidates& names, unsigned tried,
                           std::string& storedAs);
  HRESULT ChangeDir(const char* directory);
  HRESULT Quit();
  HRESULT Abort();
  // Ends the exchange under way without waiting for the server, and every
  // request from now on; takes no lock a waiting caller holds. Any thread.
  void Interrupt() noexcept;

  bool IsBusy() const;
  bool IsConnected() const;
  bool IsSameServerAndUser(const char* server, const char* user) const;

  // The result of the last synchronous request.
  HRESULT LastError() const { return m_lastError.load(); }

private:
  struct Notifier {
    Mode mode = ModeSynchronous;
    QPointer<QObject> window;
    QEvent::Type messageId = WM_FTP_SESSION_NOTIFY;
  };
  struct Request;

  HRESULT request(Command command, std::unique_ptr<Request> made, const Notifier* forced = nullptr);
  HRESULT refusal(Command command) const;
  bool idleQuit();
  void WorkerThreadProc();
  void SupervisorThreadProc();
  void runRequest(Request& request);
  void fail(Command command);

  // Exchanges, run by the worker.
  void DoConnect(const Request& request);
  void DoPwd();
  void DoUpload(const Request& request);
  // The first free name of an upload's candidates; "" when there is none.
  std::string FindFreeName(const Request& request);
  // Whether NLST of `name` lists anything: for a server that does not know SIZE.
  bool IsListed(const std::string& name);
  void DoChangeDir(const std::string& requested);
  void DoCwdOrCreate(const std::string& component);
  void DoQuit(unsigned reply);
  // Reads one reply. With `check`: `accepted` lists the reply numbers wanted
  // ("230,331"); empty, the reply must not be one of 500, 501, 502, 421, 530,
  // 550. A reply that fails the check is thrown. `firstLine` receives the
  // reply's first line.
  _FtpReceiveError ReadReply(std::string_view accepted, bool check, std::string* firstLine = nullptr);
  // One step: arm the watchdog, send `command`, read its reply, set idle.
  _FtpReceiveError exchange(const std::string& command, std::string_view accepted, bool check = true,
                            std::string* firstLine = nullptr);
  void openPassiveData();
  void closeData();
  void closeConnections();
  void dropConnections();
  void quitAfterFailure(unsigned reply);

  // Re-timing the supervisor; each throws when the watchdog has fired or
  // the session was interrupted.
  void armWatchdog();
  void setIdle();
  void disarm();
  void checkWatchdog() const;

  // Makes a socket under the socket lock (shut down at once once the
  // session is being destroyed).
  template <class Socket> void makeSocket(std::unique_ptr<Socket>& slot);
  void shutDownConnections();

  void setState(State state);
  void notify(std::intptr_t wParam, std::intptr_t lParam);
  void reportError(std::intptr_t kind, HRESULT code);

  const Timeouts m_timeouts;

  // Callers: one request at a time.
  std::recursive_mutex m_callLock;
  std::atomic<int> m_state{StateIdle};
  std::atomic<HRESULT> m_lastError{0};
  std::atomic<int> m_continue{1};

  // Mode and window of new requests, and the running request's (under
  // m_notifyMutex, which posting holds). Lock order: call lock, work mutex,
  // notify mutex; timer mutex, socket lock.
  std::mutex m_notifyMutex;
  Notifier m_notify;
  Notifier m_running;

  // Hand-over between callers and the worker.
  std::mutex m_workMutex;
  std::condition_variable m_workCv;
  std::condition_variable m_doneCv;
  std::unique_ptr<Request> m_pending;
  std::uint64_t m_requestsMade = 0;
  std::uint64_t m_requestsDone = 0;
  HRESULT m_doneResult = 0;
  bool m_endWorker = false;
  bool m_workerEnded = false;

  // The supervisor's timer.
  enum class Timer { Disarmed, Armed, Idle };
  std::mutex m_timerMutex;
  std::condition_variable m_timerCv;
  Timer m_timer = Timer::Disarmed;
  std::chrono::steady_clock::time_point m_deadline;
  bool m_stopSupervisor = false;
  std::atomic<bool> m_watchdogFired{false};
  std::atomic<bool> m_interrupted{false};

  // Connections: made and deleted by the worker under m_socketLock, shut
  // down by the supervisor and the destructor under it.
  std::mutex m_socketLock;
  bool m_cutOff = false;
  std::unique_ptr<CSocketFtpCommand> m_control;
  std::unique_ptr<CSocket> m_listen;
  std::unique_ptr<CSocketFtpData> m_data;

  // Worker-only data.
  std::string m_homeDir;
  std::string m_currentDir;
  HRESULT m_result = 0;
  // TYPE I was confirmed on the open control connection.
  bool m_binary = false;

  // Server and user of the open connection.
  mutable std::mutex m_identityMutex;
  std::string m_connectedServer;
  std::string m_connectedUser;

  std::thread m_worker;
  std::thread m_supervisor;
};

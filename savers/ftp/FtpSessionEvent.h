// The notification a session posts to its window in posted mode: the
// dialogs' message WM_FTP_SESSION_NOTIFY (1125, WM_USER + 101) as a Qt event
// type, with the message's two parameters.
//
//   wParam 0, lParam percent 0..100      upload progress after each chunk
//   wParam 1, lParam NotifyConnected..   a state change (FtpNotify below)
//   wParam 2, lParam code                network failure
//   wParam 3, lParam code                unwanted FTP reply
//   wParam 4, lParam code                other failure (258: the watchdog fired)
#pragma once

#include "hostapi/Win32Types.h"

#include <QEvent>

#include <cstdint>

inline constexpr QEvent::Type WM_FTP_SESSION_NOTIFY = static_cast<QEvent::Type>(QEvent::User + 101);

namespace tarsel::ftp {

enum FtpNotifyKind : std::intptr_t {
  NotifyProgress = 0,
  NotifyState = 1,
  NotifyNetworkError = 2,
  NotifyReplyError = 3,
  NotifyOtherError = 4,
};

enum FtpNotifyState : std::intptr_t {
  NotifyConnected = 1,
  NotifyUploadEnded = 2,
  NotifyWorkerEnded = 3,
  NotifyDirectoryChanged = 4,
  NotifyDisconnected = 5,
  NotifyUploadAborted = 6,
};

} // namespace tarsel::ftp

class CFtpSessionEvent : public QEvent {
public:
  CFtpSessionEvent(QEvent::Type type, std::intptr_t wParam, std::intptr_t lParam)
      : QEvent(type), m_wParam(wParam), m_lParam(lParam) {}

  // The session's notification when `event` is one of type `type`, else
  // null. Receivers take the event through this, which makes the hand-over
  // from the worker visible to the thread sanitizer.
  static const CFtpSessionEvent* From(QEvent* event, QEvent::Type type);
  // Posts `event` to `receiver` (the worker's side of the hand-over).
  static void Post(QObject* receiver, CFtpSessionEvent* event);

  std::intptr_t wParam() const { return m_wParam; }
  std::intptr_t lParam() const { return m_lParam; }

private:
  std::intptr_t m_wParam;
  std::intptr_t m_lParam;
};

#include "savers/ftp/FtpSession.h"

#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/SocketFtpCommand.h"
#include "savers/ftp/SocketFtpData.h"

struct CFtpSession::Notifier {};
struct CFtpSession::Request {};

CFtpSession::CFtpSession(bool synchronous, QObject* window, QEvent::Type messageId, Timeouts timeouts)
    : m_timeouts(timeouts), m_mode(synchronous ? ModeSynchronous : ModePosted), m_messageId(messageId),
      m_window(window) {}

CFtpSession::~CFtpSession() = default;

void CFtpSession::SetNotify(bool synchronous, QObject* window, QEvent::Type messageId) {
  std::lock_guard lock(m_callLock);
  m_mode = synchronous ? ModeSynchronous : ModePosted;
  m_window = window;
  m_messageId = messageId;
}

void CFtpSession::Detach(QObject*) {}

HRESULT CFtpSession::Connect(const char*, const char*, const char*) {
  return static_cast<HRESULT>(0x80004001u);
}

HRESULT CFtpSession::Upload(const void*, std::size_t, const char*) {
  return static_cast<HRESULT>(0x80004001u);
}

HRESULT CFtpSession::ChangeDir(const char*) {
  return static_cast<HRESULT>(0x80004001u);
}

HRESULT CFtpSession::Quit() {
  return tarsel::ftp::kNotConnected;
}

HRESULT CFtpSession::Abort() {
  return tarsel::ftp::kNoTransfer;
}

bool CFtpSession::IsBusy() const {
  return m_state.load() == StateBusy;
}

bool CFtpSession::IsConnected() const {
  return m_state.load() == StateConnected;
}

bool CFtpSession::IsSameServerAndUser(const char*, const char*) const {
  return false;
}

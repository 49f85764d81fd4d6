#include "savers/ftp/SharedSession.h"

#include "savers/ftp/FtpSession.h"

namespace tarsel::ftpsaver {

namespace {

std::recursive_mutex& sessionLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::unique_ptr<CFtpSession>& session() {
  static std::unique_ptr<CFtpSession> instance;
  return instance;
}

} // namespace

SharedSession::SharedSession() : m_lock(sessionLock()) {}

CFtpSession& SharedSession::Use(bool synchronous, QObject* window) {
  std::unique_ptr<CFtpSession>& current = session();
  if (current)
    current->SetNotify(synchronous, window);
  else
    current = std::make_unique<CFtpSession>(synchronous, window);
  return *current;
}

CFtpSession* SharedSession::Existing() {
  return session().get();
}

void SharedSession::Destroy() noexcept {
  try {
    std::unique_ptr<CFtpSession> ending;
    {
      const std::lock_guard<std::recursive_mutex> lock(sessionLock());
      ending = std::move(session());
    }
    ending.reset();
  } catch (...) {
    // The plug-in is being unloaded: nothing is left to tell.
  }
}

} // namespace tarsel::ftpsaver

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

// Guards the session pointer and the interrupted flag for Interrupt, which
// must not wait for a save holding the session lock. Taken after that lock.
std::mutex& pointerLock() {
  static std::mutex lock;
  return lock;
}

bool interrupted = false;

} // namespace

SharedSession::SharedSession() : m_lock(sessionLock()) {}

CFtpSession& SharedSession::Use(bool synchronous, QObject* window) {
  std::unique_ptr<CFtpSession>& current = session();
  if (current) {
    current->SetNotify(synchronous, window);
    return *current;
  }
  auto made = std::make_unique<CFtpSession>(synchronous, window);
  const std::lock_guard<std::mutex> lock(pointerLock());
  if (interrupted)
    made->Interrupt();
  current = std::move(made);
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
      const std::lock_guard<std::mutex> pointer(pointerLock());
      ending = std::move(session());
      interrupted = false;
    }
    ending.reset();
  } catch (...) {
    // The plug-in is being unloaded: nothing is left to tell.
  }
}

void SharedSession::Interrupt() noexcept {
  const std::lock_guard<std::mutex> lock(pointerLock());
  interrupted = true;
  if (CFtpSession* current = session().get())
    current->Interrupt();
}

} // namespace tarsel::ftpsaver

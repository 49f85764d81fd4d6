// The FTP saver's one session for the whole process: created by the first
// direct save or dialog that needs it, deleted by SavTerm (which logs out
// and joins the session's threads before the plug-in is unloaded).
//
// A SharedSession object holds the module's session lock while it lives:
// a direct save holds it for its whole log-in, directory change and upload,
// so that a dialog cannot switch the session's mode or server in between;
// a dialog holds it only while it makes one (posted) request. Any thread.
//
// Interrupt, for a program that stops saving, does not wait for that lock:
// the session's exchange under way ends at once with 1223, and so does every
// request of this session or of one made later, until Destroy.
#pragma once

#include <memory>
#include <mutex>

class CFtpSession;
class QObject;

namespace tarsel::ftpsaver {

class SharedSession {
public:
  SharedSession();
  SharedSession(const SharedSession&) = delete;
  SharedSession& operator=(const SharedSession&) = delete;

  // The session, made now when there is none, with the mode for the requests
  // that follow: synchronous, or posted to `window`.
  CFtpSession& Use(bool synchronous, QObject* window);
  // The session when it exists; null otherwise.
  CFtpSession* Existing();

  // Deletes the session; failures while it logs out are ignored.
  static void Destroy() noexcept;
  static void Interrupt() noexcept;

private:
  std::unique_lock<std::recursive_mutex> m_lock;
};

} // namespace tarsel::ftpsaver

// The one way into the Lunet control for a camera: take the camera's lock
// (CLunetLock), open the camera's nested connection around the call
// (CLunetConnection), and when the control raises, drop the connection
// (count 0, whatever the nesting), write one trace naming the call and throw
// _brantel_take_error 0x81030000 | the control's code, with no text.
//
// Threads: any; the camera's lock is re-entrant, so calls nest inside each
// other and inside the camera's own operations.
#pragma once

#include "app/cameras/common/ResultGuard.h"
#include "app/cameras/lunet/LunetWr.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <mutex>
#include <utility>

namespace tarsel::lunet {

// Throws _brantel_take_error 0x81030000 | code with the text (none when null).
[[noreturn]] void ThrowLunetError(WORD code, const char* text = nullptr);

// The camera's lock for the guard's scope.
class CLunetLock {
public:
  explicit CLunetLock(CLunetWr* camera) : m_guard(camera->Lock()) {}

private:
  std::lock_guard<std::recursive_mutex> m_guard;
};

// The camera's connection for the guard's scope: Connect when made,
// DisConnect when it goes (its failure is only traced).
class CLunetConnection {
public:
  explicit CLunetConnection(CLunetWr* camera) : m_camera(camera) { m_camera->Connect(); }
  ~CLunetConnection() {
    try {
      m_camera->DisConnect();
    } catch (...) {
      // Closing never fails the call it closes.
    }
  }
  CLunetConnection(const CLunetConnection&) = delete;
  CLunetConnection& operator=(const CLunetConnection&) = delete;

private:
  CLunetWr* m_camera;
};

// `call` receives the proxy; `callText` names the call in the trace.
template <class Call> decltype(auto) LunetCall(CLunetWr* camera, const char* callText, Call&& call) {
  const CLunetLock lock(camera);
  const CLunetConnection connection(camera);
  try {
    return std::forward<Call>(call)(camera->Proxy());
  } catch (const CLunetDispatchError& error) {
    camera->DropConnection();
    const HRESULT code =
        static_cast<HRESULT>(static_cast<std::uint32_t>(CLunetWr::kLunetFacilityBase) | error.Code());
    CLunetWr::ReportError(code, callText, camera);
    ThrowLunetError(error.Code());
  }
}

// The answer of an interface operation: 0, the code of a thrown
// _brantel_take_error, or `otherError` for anything else.
template <class Body> HRESULT LunetResult(Body&& body, HRESULT otherError = E_UNEXPECTED) noexcept {
  return tarsel::cameras::GuardResult(std::forward<Body>(body), otherError);
}

} // namespace tarsel::lunet

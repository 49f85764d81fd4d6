// The one way into the camera-link library: take the camera's lock, make
// sure the export is bound, open the camera's counted connection around the
// call, and turn what the library throws into a logged _brantel_take_error.
//
// Three forms: CallThrowing throws (0x81041000 for a missing export, the
// translated library error, 0x810400FF for anything foreign); CallReturning
// gives that code instead (0 on success); CallAsking answers false on any
// failure. Without a camera (library-wide calls) there is no lock and no
// connection, and the log names no camera.
//
// Threads: any; the camera's re-entrant lock serialises its calls, so the
// forms nest inside each other and inside the camera's own operations.
#pragma once

#include "app/cameras/common/ResultGuard.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "env/BrantelTakeError.h"

#include <mutex>
#include <utility>

namespace tarsel::vesk {

// The camera's connection for one call: opened on construction, closed on
// every way out but a failure of the library, after which the camera gives
// its connection up altogether, so that the next call opens it anew.
class CallConnection {
public:
  explicit CallConnection(CVeskDllWr* camera) : m_camera(camera) {
    if (m_camera)
      m_camera->Connect();
  }
  ~CallConnection() {
    if (!m_camera)
      return;
    try {
      m_camera->DisConnect();
    } catch (...) {
      // Closing never fails the call it closes.
    }
  }
  CallConnection(const CallConnection&) = delete;
  CallConnection& operator=(const CallConnection&) = delete;

  // The camera gives the connection up itself (AbandonConnection).
  void Release() noexcept { m_camera = nullptr; }

private:
  CVeskDllWr* m_camera;
};

// `call` receives the bound export and returns what the operation needs.
// `connect` false: the call needs no open connection (texts of the list).
template <Export E, class Call>
decltype(auto) CallThrowing(CVeskDllWr* camera, Call&& call, bool connect = true) {
  std::unique_lock<std::recursive_mutex> lock;
  if (camera)
    lock = std::unique_lock<std::recursive_mutex>(camera->Mutex());
  const auto function = BoundExport<E>();
  if (!function)
    throw _brantel_take_error(kDllFunctionMissing);
  CallConnection connection(connect ? camera : nullptr);
  try {
    return std::forward<Call>(call)(function);
  } catch (const CVeskNVError& error) {
    connection.Release();
    if (camera)
      camera->AbandonConnection();
    CheckVeskResult(error, ExportName(E), camera);
    ThrowVeskError(error, nullptr);
  } catch (const _brantel_take_error&) {
    throw;
  } catch (...) {
    connection.Release();
    if (camera)
      camera->AbandonConnection();
    FormatVeskError(kOtherError, ExportName(E), camera);
    throw _brantel_take_error(kOtherError);
  }
}

template <Export E, class Call> HRESULT CallReturning(CVeskDllWr* camera, Call&& call, bool connect = true) {
  return tarsel::cameras::GuardResult([&] { CallThrowing<E>(camera, std::forward<Call>(call), connect); },
                                      kOtherError);
}

template <Export E, class Call> bool CallAsking(CVeskDllWr* camera, Call&& call, bool connect = true) {
  try {
    return CallThrowing<E>(camera, std::forward<Call>(call), connect);
  } catch (...) {
    return false;
  }
}

// The two shapes most camera properties have: a reading of the camera's
// value, and a setting of it (the camera's status answer is not wanted).
template <Export E> std::int32_t ReadProperty(CVeskDllWr* camera) {
  return CallThrowing<E>(camera, [&](auto read) { return read(camera->GetCameraNumber()); });
}

template <Export E> void WriteProperty(CVeskDllWr* camera, std::int32_t value) {
  CallThrowing<E>(camera, [&](auto write) { write(camera->GetCameraNumber(), value); });
}

} // namespace tarsel::vesk

// The operations of an ActiveX camera that its capture-settings texts and
// its bracketing series use: the nested connection, the camera's lock, the
// exposure block, the settings the control reads back and the four it
// cannot (answered from what the camera object remembers), zoom, focus, the
// monitor mode and the external-flash setting. The camera object answers
// them through the control; tests answer them with a fake.
//
// Threads: as the camera object's (every call takes the camera's lock).
// Failure: camera errors are thrown as _brantel_take_error.
#pragma once

#include "app/core/CapabilitySet.h"

#include <cstdint>
#include <mutex>
#include <string>

namespace tarsel::lunet {

class ILunetCaptureCamera {
public:
  virtual ~ILunetCaptureCamera() = default;

  // The camera's re-entrant lock.
  virtual std::recursive_mutex& Mutex() = 0;
  // The nested connection: only the first level reaches the camera.
  virtual std::int32_t Connect() = 0;
  virtual std::int32_t DisConnect() = 0;

  // The camera type text the control reports.
  virtual std::string GetCameraType() = 0;
  // The monitor mode last sent (1 off, 2 on); SendLcdMode sends one and keeps it.
  virtual std::int32_t GetLcdMode() = 0;
  virtual void SendLcdMode(std::int32_t mode) = 0;

  // Program mode (1 manual, 2 auto, 3 aperture priority, 4 shutter
  // priority), aperture (tenths of an f-number), exposure time (us).
  virtual void GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime) = 0;
  virtual void SetExposureProp3(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime) = 0;
  virtual std::int32_t GetPropExpoBias() = 0;
  virtual void SetPropExpoBias(std::int32_t value) = 0;
  virtual std::int32_t GetPropIsoSpeed() = 0;
  virtual void SetPropIsoSpeed(std::int32_t value) = 0;
  virtual std::int32_t GetPropFlash() = 0;
  virtual void SetPropFlash(std::int32_t value) = 0;
  virtual std::int32_t GetPropWhiteBalance() = 0;
  virtual void SetPropWhiteBalance(std::int32_t value) = 0;
  virtual std::int32_t GetPropMetering() = 0;
  virtual void SetPropMetering(std::int32_t value) = 0;
  virtual std::int32_t GetPropResolution() = 0;
  virtual void SetPropResolution(std::int32_t value) = 0;
  // Lens positions in tenths of the zoom factor.
  virtual std::int32_t GetPropOpticalZoom(double* factor) = 0;
  virtual std::int32_t SetPropOpticalZoom(std::int32_t position, double* factor) = 0;
  // The family's focus modes (1 auto, 2 manual, 4 at a position).
  virtual std::int32_t GetPropFocusMode() = 0;
  virtual void SetPropFocusMode(std::int32_t mode) = 0;
  virtual std::int32_t GetPropFocusPosition() = 0;
  virtual void SetPropFocusPosition(std::int32_t position) = 0;
  virtual std::int32_t GetExternalFlash() = 0;
  virtual std::int32_t SetExternalFlash(std::int32_t value) = 0;

  // The value table of the named capability set; null when there is none.
  virtual const tarsel::core::CapabilityValue* GetCapabilityTable(const char* name) = 0;
};

// Holds one connection level of the camera for a scope.
class CLunetCaptureConnection {
public:
  explicit CLunetCaptureConnection(ILunetCaptureCamera& camera) : m_camera(camera) { m_camera.Connect(); }
  ~CLunetCaptureConnection() {
    try {
      m_camera.DisConnect();
    } catch (...) {
      // Closing reports its own failures; the scope's error is the one to pass on.
    }
  }
  CLunetCaptureConnection(const CLunetCaptureConnection&) = delete;
  CLunetCaptureConnection& operator=(const CLunetCaptureConnection&) = delete;

private:
  ILunetCaptureCamera& m_camera;
};

} // namespace tarsel::lunet

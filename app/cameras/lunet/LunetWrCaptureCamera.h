// The ActiveX camera object seen through the operations its capture-settings
// texts and its bracketing series use (ILunetCaptureCamera): each is the
// camera object's own operation of the same name.
//
// Threads and failure: the camera object's.
#pragma once

#include "app/cameras/lunet/LunetCaptureCamera.h"

class CLunetWr;

namespace tarsel::lunet {

class CLunetWrCaptureCamera : public ILunetCaptureCamera {
public:
  explicit CLunetWrCaptureCamera(CLunetWr& camera) : m_camera(camera) {}

  std::recursive_mutex& Mutex() override;
  std::int32_t Connect() override;
  std::int32_t DisConnect() override;
  std::string GetCameraType() override;
  std::int32_t GetLcdMode() override;
  void SendLcdMode(std::int32_t mode) override;
  void GetExposureProp3(std::int32_t* mode, std::int32_t* aperture, std::int32_t* exposureTime) override;
  void SetExposureProp3(std::int32_t mode, std::int32_t aperture, std::int32_t exposureTime) override;
  std::int32_t GetPropExpoBias() override;
  void SetPropExpoBias(std::int32_t value) override;
  std::int32_t GetPropIsoSpeed() override;
  void SetPropIsoSpeed(std::int32_t value) override;
  std::int32_t GetPropFlash() override;
  void SetPropFlash(std::int32_t value) override;
  std::int32_t GetPropWhiteBalance() override;
  void SetPropWhiteBalance(std::int32_t value) override;
  std::int32_t GetPropMetering() override;
  void SetPropMetering(std::int32_t value) override;
  std::int32_t GetPropResolution() override;
  void SetPropResolution(std::int32_t value) override;
  std::int32_t GetPropOpticalZoom(double* factor) override;
  std::int32_t SetPropOpticalZoom(std::int32_t position, double* factor) override;
  std::int32_t GetPropFocusMode() override;
  void SetPropFocusMode(std::int32_t mode) override;
  std::int32_t GetPropFocusPosition() override;
  void SetPropFocusPosition(std::int32_t position) override;
  std::int32_t GetExternalFlash() override;
  std::int32_t SetExternalFlash(std::int32_t value) override;
  const tarsel::core::CapabilityValue* GetCapabilityTable(const char* name) override;

private:
  CLunetWr& m_camera;
};

} // namespace tarsel::lunet

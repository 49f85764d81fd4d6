#include "vesklib/CameraRecord.h"

#include "vesklib/DeviceBackend.h"
#include "vesklib/VeskErrors.h"

namespace tarsel::vesk {

CCameraRecord::CCameraRecord(IDeviceBackend& backend, std::string devicePath, std::string modelName)
    : m_backend(backend), m_devicePath(std::move(devicePath)), m_modelName(std::move(modelName)) {}

CCameraRecord::~CCameraRecord() {
  const int handle = m_handle.exchange(-1);
  if (handle >= 0)
    m_backend.close(handle);
}

DWORD CCameraRecord::connect() {
  if (!tryAcquire())
    return 0;
  DWORD result = 0;
  if (m_handle.load() < 0) {
    int handle = -1;
    result = m_backend.open(m_devicePath, handle);
    if (result == 0)
      m_handle.store(handle);
  }
  release();
  return result;
}

int CCameraRecord::close() {
  if (m_handle.load() < 0)
    return 0;
  if (!tryAcquire())
    return VESK_CAMERA_BUSY;
  const int handle = m_handle.exchange(-1);
  if (handle >= 0)
    m_backend.close(handle);
  release();
  return 0;
}

} // namespace tarsel::vesk

#include "drvconfig/VeskInstCalls.h"

#include "platform/Win32Error.h"
#include "veskinst/BrantelVeskInst.h"

namespace tarsel::drvconfig {

CVeskInstCalls::CVeskInstCalls(std::string folder) : m_folder(std::move(folder)) {}

template <class F> F CVeskInstCalls::Entry(const char* name) {
  if (!m_library.isLoaded() && !m_library.load(m_folder + veskinst::kLibraryName))
    return nullptr;
  return m_library.function<F>(name);
}

int CVeskInstCalls::Failure() const {
  return static_cast<int>(HRESULT_FROM_WIN32(GetLastError()));
}

int CVeskInstCalls::UpdateCameras() {
  const auto update = Entry<veskinst::UpdateCamerasFunction>("UpdateCameras");
  return update ? update() : Failure();
}

int CVeskInstCalls::RegisterBrantelVesk(int reason) {
  const auto registerAccess = Entry<veskinst::RegisterFunction>("RegisterBrantelVesk");
  return registerAccess ? registerAccess(reason) : Failure();
}

int CVeskInstCalls::UnregisterBrantelVesk(int reason) {
  const auto unregister = Entry<veskinst::UnregisterFunction>("UnregisterBrantelVesk");
  return unregister ? unregister(reason) : Failure();
}

int CVeskInstCalls::RefreshCameras(bool& reconnectNeeded) {
  reconnectNeeded = false;
  int result = UpdateCameras();
  if (result == 1) {
    result = RegisterBrantelVesk(0);
    reconnectNeeded = result == 0;
  }
  return result;
}

} // namespace tarsel::drvconfig

#include "drvconfig/VeskInstCalls.h"

#include "platform/Win32Error.h"
#include "veskinst/BrantelVeskInst.h"

#include <algorithm>

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

std::string CVeskInstCalls::RefusedModels() {
  const auto refused = Entry<veskinst::RefusedModelsFunction>("BrantelVeskRefusedModels");
  if (!refused)
    return {};
  const int length = refused(nullptr, 0);
  if (length <= 0)
    return {};
  std::string names(static_cast<std::size_t>(length) + 1, '\0');
  const int written = refused(names.data(), static_cast<int>(names.size()));
  names.resize(static_cast<std::size_t>(std::clamp(written, 0, length)));
  return names;
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

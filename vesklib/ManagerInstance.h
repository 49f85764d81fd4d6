// The process's one camera manager. It is created on the first call into the
// library: over the socket back end when $VESK_DEVICE_DIR is set, else over
// the SCSI generic back end. When creation fails there is no manager and the
// exports report error 29. The manager lives until the library is unloaded;
// then a command still running after 2 s is left to end on its own thread.
// Tests install a manager of their own with replace(). Any thread.
#pragma once

#include "vesklib/LinkCameraManager.h"

#include <memory>

namespace tarsel::vesk {

class ManagerInstance {
public:
  // The manager; null when it could not be created.
  static std::shared_ptr<CLinkCameraManager> get();
  // Puts `manager` (may be null) in place of the current one.
  static void replace(std::shared_ptr<CLinkCameraManager> manager);
  // The back end the environment asks for.
  static std::unique_ptr<IDeviceBackend> defaultBackend();
};

} // namespace tarsel::vesk

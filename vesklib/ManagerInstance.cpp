#include "vesklib/ManagerInstance.h"

#include "sim/vesk/VeskSimWire.h"
#include "vesklib/SgDeviceBackend.h"
#include "vesklib/SocketDeviceBackend.h"

#include <cstdlib>
#include <mutex>
#include <utility>

namespace tarsel::vesk {

namespace {

struct Holder {
  std::mutex lock;
  bool created = false;
  std::shared_ptr<CLinkCameraManager> manager;
};

Holder& holder() {
  static Holder instance;
  return instance;
}

} // namespace

std::unique_ptr<IDeviceBackend> ManagerInstance::defaultBackend() {
  const char* folder = std::getenv(tarsel::vesksim::kDeviceDirVariable);
  if (folder && *folder)
    return std::make_unique<SocketDeviceBackend>(folder);
  return std::make_unique<SgDeviceBackend>();
}

std::shared_ptr<CLinkCameraManager> ManagerInstance::get() {
  Holder& h = holder();
  std::lock_guard guard(h.lock);
  if (!h.created) {
    h.created = true;
    try {
      h.manager = std::make_shared<CLinkCameraManager>(defaultBackend());
    } catch (...) {
      h.manager.reset();
    }
  }
  return h.manager;
}

void ManagerInstance::replace(std::shared_ptr<CLinkCameraManager> manager) {
  std::shared_ptr<CLinkCameraManager> old;
  {
    Holder& h = holder();
    std::lock_guard guard(h.lock);
    h.created = true;
    old = std::exchange(h.manager, std::move(manager));
  }
  // The old manager waits for its command threads here, outside the lock.
}

} // namespace tarsel::vesk

#include "vesklib/ManagerInstance.h"

#include "vesklib/SgDeviceBackend.h"
#include "vesklib/SocketDeviceBackend.h"
#include "vesklib/VeskWire.h"

#include <chrono>
#include <cstdlib>
#include <mutex>
#include <utility>

namespace tarsel::vesk {

namespace {

// How long the end of the process waits for a command still running.
constexpr std::chrono::milliseconds kExitWait{2000};

// A manager whose command did not end by the process's end: kept alive, never
// destroyed, so its thread can run out without touching freed memory.
std::shared_ptr<CLinkCameraManager>* g_abandoned = nullptr;

struct Holder {
  std::mutex lock;
  bool created = false;
  std::shared_ptr<CLinkCameraManager> manager;

  // Destroying a manager joins its command threads, and a command to a camera
  // that does not answer runs until its 45 s time-out: past a short wait the
  // manager is left to its thread instead.
  ~Holder() {
    if (manager && !manager->waitForCommands(kExitWait))
      g_abandoned = new std::shared_ptr<CLinkCameraManager>(std::move(manager));
  }
};

Holder& holder() {
  static Holder instance;
  return instance;
}

} // namespace

std::unique_ptr<IDeviceBackend> ManagerInstance::defaultBackend() {
  const char* folder = std::getenv(tarsel::vesk::wire::kDeviceDirVariable);
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

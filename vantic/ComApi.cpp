// The exported port functions: thin calls into the process's port layer.
#include "vantic/Vantic.h"

#include "vantic/LibraryLock.h"
#include "vantic/PortLayer.h"

using tarsel::vantic::LibraryGuard;
using tarsel::vantic::libraryLock;
using tarsel::vantic::PortLayer;

extern "C" {

int ComUsbOpen(const char*, int handle, CamUsbDeviceRecord* record) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().usbOpen(handle, record);
}

int ComOpen(const char*, int port, int baud, int dataBits, int, int, int, int) {
  // The queue sizes have no counterpart on this system: the driver's own
  // buffers serve.
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().open(port, baud, dataBits);
}

int ComClose(int handle) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().close(handle);
}

int ComReadTimed(int handle, void* buffer, int count, int units) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().readTimed(handle, static_cast<std::uint8_t*>(buffer), count, units);
}

int ComReadBufToQuiet(int handle, void* buffer, int count, int units) {
  LibraryGuard guard(libraryLock());
  PortLayer& port = PortLayer::instance();
  if (handle == CAM_PORT_USB && port.openHandle() == CAM_PORT_USB)
    return port.readTimed(handle, static_cast<std::uint8_t*>(buffer), count, units);
  return port.readToQuiet(handle, units);
}

int ComWrite(int handle, const void* buffer, int count) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().write(handle, static_cast<const std::uint8_t*>(buffer), count);
}

int ComPutc(int handle, int byte) {
  const std::uint8_t value = static_cast<std::uint8_t>(byte);
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().write(handle, &value, 1);
}

int ComSetBaud(int handle, int baud) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().setBaud(handle, baud);
}

int ComSetFlow(int handle, int kind) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().setFlow(handle, kind);
}

int ComSleepMS(int handle, int milliseconds) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().sleepMs(handle, milliseconds);
}

int ComGetHandle(int) {
  LibraryGuard guard(libraryLock());
  return PortLayer::instance().serialFd();
}

} // extern "C"

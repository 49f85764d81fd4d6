// The exported port functions: thin calls into the process's port layer.
#include "vantic/Vantic.h"

#include "vantic/ExportCall.h"
#include "vantic/PortLayer.h"

using tarsel::vantic::exportCall;
using tarsel::vantic::PortLayer;

extern "C" {

int ComUsbOpen(const char*, int handle, CamUsbDeviceRecord* record) {
  return exportCall([&] { return PortLayer::instance().usbOpen(handle, record); }, -1);
}

int ComOpen(const char*, int port, int baud, int dataBits, int, int, int, int) {
  // The queue sizes have no counterpart on this system: the driver's own
  // buffers serve.
  return exportCall([&] { return PortLayer::instance().open(port, baud, dataBits); }, -1);
}

int ComClose(int handle) {
  return exportCall([&] { return PortLayer::instance().close(handle); }, -1);
}

int ComReadTimed(int handle, void* buffer, int count, int units) {
  return exportCall(
      [&] {
        return PortLayer::instance().readTimed(handle, static_cast<std::uint8_t*>(buffer), count, units);
      },
      -1);
}

int ComReadBufToQuiet(int handle, void* buffer, int count, int units) {
  return exportCall(
      [&] {
        PortLayer& port = PortLayer::instance();
        if (handle == CAM_PORT_USB && port.openHandle() == CAM_PORT_USB)
          return port.readTimed(handle, static_cast<std::uint8_t*>(buffer), count, units);
        return port.readToQuiet(handle, units);
      },
      -1);
}

int ComWrite(int handle, const void* buffer, int count) {
  return exportCall(
      [&] { return PortLayer::instance().write(handle, static_cast<const std::uint8_t*>(buffer), count); },
      -1);
}

int ComPutc(int handle, int byte) {
  const std::uint8_t value = static_cast<std::uint8_t>(byte);
  return exportCall([&] { return PortLayer::instance().write(handle, &value, 1); }, -1);
}

int ComSetBaud(int handle, int baud) {
  return exportCall([&] { return PortLayer::instance().setBaud(handle, baud); }, -1);
}

int ComSetFlow(int handle, int kind) {
  return exportCall([&] { return PortLayer::instance().setFlow(handle, kind); }, -1);
}

int ComSleepMS(int handle, int milliseconds) {
  return exportCall([&] { return PortLayer::instance().sleepMs(handle, milliseconds); }, -1);
}

int ComGetHandle(int) {
  return exportCall([&] { return PortLayer::instance().serialFd(); }, -1);
}

} // extern "C"

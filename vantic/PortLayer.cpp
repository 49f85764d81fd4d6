#include "vantic/PortLayer.h"

#include "platform/Win32Error.h"
#include "vantic/Tick.h"
#include "vantic/UsbModes.h"

#include <algorithm>

namespace tarsel::vantic {

namespace {

constexpr int kQuietByteTimeoutMs = 10;

int timeoutOfUnits(int units) {
  return units > 0 ? units * 10 : 2;
}

} // namespace

PortLayer::PortLayer() : m_usbFactory([] { return UsbTransport::create(); }) {}

PortLayer::~PortLayer() {
  if (m_usb)
    m_usb->close();
  m_serial.close();
}

PortLayer& PortLayer::instance() {
  static PortLayer layer;
  return layer;
}

void PortLayer::setUsbFactory(UsbFactory factory) {
  m_usbFactory = factory ? std::move(factory) : UsbFactory([] { return UsbTransport::create(); });
}

int PortLayer::usbOpen(int handleValue, CamUsbDeviceRecord* record) {
  if (m_handle != -1 || handleValue == -1)
    return -1;
  std::unique_ptr<UsbTransport> usb = m_usbFactory();
  std::uint16_t vendor = 0;
  std::uint16_t product = 0;
  if (!usb || !usb->open(vendor, product))
    return -1;
  if (record) {
    const UsbMode mode = usbModeFor(vendor, product);
    record->vendorId = vendor;
    record->productId = product;
    record->preReadRequest = mode.preReadRequest ? 1 : 0;
    record->largeBlocks = mode.largeBlocks ? 1 : 0;
  }
  m_usb = std::move(usb);
  m_record = record;
  m_handle = handleValue;
  return handleValue;
}

int PortLayer::open(int port, int baud, int dataBits) {
  // Only COM1..COM9 have a name; anything else is refused, never made into one.
  if (port < 1 || port > 9 || port == CAM_PORT_USB || m_handle != -1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  if (!m_serial.open(SerialPort::devicePath(port), baud, dataBits))
    return -1;
  m_handle = port;
  return port;
}

int PortLayer::close(int handle) {
  if (handle == -1 || handle != m_handle)
    return -1;
  m_handle = -1;
  if (m_usb) {
    m_usb->close();
    m_usb.reset();
    m_record = nullptr;
    return 1;
  }
  return m_serial.close() ? 1 : -1;
}

int PortLayer::usbRead(std::uint8_t* buffer, int count, int timeoutMs) {
  if (m_record && m_record->preReadRequest == 1) {
    ++m_preReads;
    if (!m_usb->preRead())
      return -2;
  }
  const int n = m_usb->read(buffer, static_cast<std::size_t>(count), timeoutMs);
  return n < 0 ? -2 : n;
}

int PortLayer::readTimed(int handle, std::uint8_t* buffer, int count, int units) {
  if (count < 0 || (!buffer && count > 0))
    return -1;
  if (m_usb && handle == m_handle)
    return usbRead(buffer, count, timeoutOfUnits(units));
  if (!isSerialOpen(handle))
    return handle == CAM_PORT_USB ? -2 : -1;
  return m_serial.read(buffer, static_cast<std::size_t>(count), timeoutOfUnits(units));
}

int PortLayer::readToQuiet(int handle, int units) {
  if (m_usb && handle == m_handle) {
    std::uint8_t scratch[kLargeScratch];
    return usbRead(scratch, sizeof(scratch), timeoutOfUnits(units));
  }
  if (!isSerialOpen(handle) || units <= 0)
    return -1;
  // Bounded: a line that never falls quiet must not hold the caller forever.
  const std::int64_t limit = Tick::nowMs() + m_quietLimitMs;
  int discarded = 0;
  std::uint8_t byte = 0;
  while (Tick::nowMs() < limit && m_serial.read(&byte, 1, kQuietByteTimeoutMs) == 1)
    ++discarded;
  return discarded;
}

int PortLayer::write(int handle, const std::uint8_t* bytes, int count) {
  if (count < 0 || (!bytes && count > 0))
    return -1;
  if (m_usb && handle == m_handle)
    return m_usb->write(bytes, static_cast<std::size_t>(count)) ? 1 : -2;
  if (!isSerialOpen(handle))
    return handle == CAM_PORT_USB ? -2 : -1;
  return m_serial.write(bytes, static_cast<std::size_t>(count)) ? 1 : -1;
}

int PortLayer::setBaud(int handle, int baud) {
  if (handle == CAM_PORT_USB || (m_usb && handle == m_handle))
    return 1;
  if (!isSerialOpen(handle))
    return -1;
  return m_serial.setBaud(baud) ? 1 : -1;
}

int PortLayer::setFlow(int handle, int kind) {
  if (handle == CAM_PORT_USB || (m_usb && handle == m_handle))
    return 1;
  if (!isSerialOpen(handle))
    return -1;
  return m_serial.setFlow(kind) ? 1 : -1;
}

int PortLayer::sleepMs(int handle, int milliseconds) {
  if (handle == CAM_PORT_USB || (m_usb && handle == m_handle))
    return 1;
  Tick::sleepMs(milliseconds);
  return 1;
}

void PortLayer::shortPause(int handle) {
  if (handle == CAM_PORT_USB || (m_usb && handle == m_handle))
    return;
  Tick::sleepUs(1100);
}

} // namespace tarsel::vantic

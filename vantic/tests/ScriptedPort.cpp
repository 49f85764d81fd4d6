#include "ScriptedPort.h"

#include "platform/Bytes.h"
#include "vantic/PacketCodec.h"
#include "vantic/UsbModes.h"

namespace tarsel::vantic::test {

int ScriptedPort::usbOpen(int handleValue, CamUsbDeviceRecord* record) {
  if (m_handle != -1 || !usbPresent)
    return -1;
  const UsbMode mode = usbModeFor(usbVendor, usbProduct);
  *record = {usbVendor, usbProduct, mode.preReadRequest ? 1 : 0, mode.largeBlocks ? 1 : 0};
  m_handle = handleValue;
  ++opens;
  return handleValue;
}

int ScriptedPort::open(int port, int baudRate, int) {
  if (m_handle != -1 || !serialPresent)
    return -1;
  m_handle = port;
  baud = baudRate;
  bauds.push_back(baudRate);
  ++opens;
  return port;
}

int ScriptedPort::close(int handle) {
  if (handle != m_handle || handle == -1)
    return -1;
  m_handle = -1;
  m_pending.clear();
  m_input.clear();
  ++closes;
  return 1;
}

int ScriptedPort::readTimed(int handle, std::uint8_t* buffer, int count, int) {
  ++readCalls;
  if (handle != m_handle || handle == -1)
    return handle == CAM_PORT_USB ? -2 : -1;
  int n = 0;
  while (n < count && !m_input.empty()) {
    buffer[n++] = m_input.front();
    m_input.pop_front();
  }
  return n;
}

int ScriptedPort::readToQuiet(int handle, int) {
  if (handle != m_handle || handle == -1)
    return -1;
  const int n = static_cast<int>(m_input.size());
  m_input.clear();
  return n;
}

int ScriptedPort::write(int handle, const std::uint8_t* bytes, int count) {
  if (handle != m_handle || handle == -1 || failWrites)
    return handle == CAM_PORT_USB ? -2 : -1;
  writes.emplace_back(bytes, bytes + count);
  if (handle == CAM_PORT_USB) {
    units.push_back(writes.back());
    if (camera)
      queue(camera(writes.back()));
    return 1;
  }
  m_pending.insert(m_pending.end(), bytes, bytes + count);
  dispatch();
  return 1;
}

void ScriptedPort::dispatch() {
  while (!m_pending.empty()) {
    const std::uint8_t lead = m_pending[0];
    std::size_t size = 1;
    if (lead == kEsc || lead == kMorePackets || lead == kLastPacket) {
      if (m_pending.size() < 4)
        return;
      size = 6 + tarsel::bytes::loadLe16(m_pending, 2);
      if (m_pending.size() < size)
        return;
    }
    Bytes unit(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(size));
    m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(size));
    units.push_back(std::move(unit));
    if (camera)
      queue(camera(units.back()));
  }
}

int ScriptedPort::setBaud(int handle, int baudRate) {
  if (handle == CAM_PORT_USB)
    return 1;
  if (handle != m_handle)
    return -1;
  baud = baudRate;
  bauds.push_back(baudRate);
  return 1;
}

int ScriptedPort::setFlow(int handle, int) {
  return handle == CAM_PORT_USB || handle == m_handle ? 1 : -1;
}

int ScriptedPort::sleepMs(int handle, int milliseconds) {
  if (handle != CAM_PORT_USB)
    sleeps.push_back(milliseconds);
  return 1;
}

void ScriptedPort::shortPause(int) {
  sleeps.push_back(-1);
}

Bytes registerReply(std::uint32_t value) {
  std::uint8_t payload[4];
  tarsel::bytes::storeLe32(payload, 0, value);
  return PacketCodec::data(kLastPacket, 0, payload);
}

} // namespace tarsel::vantic::test

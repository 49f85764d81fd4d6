// The process's one camera port: the USB camera (handle 160) or a serial
// port COM1..COM9 (handle n). It keeps the handle it opened and refuses a
// second open while one is open. Serial reads have a total time-out of 10 ms
// per unit (2 ms for 0); USB reads are bounded by the same time-out. Callers
// serialise (the camera functions hold the library lock). Failures are the
// -1/-2 results, never exceptions.
#pragma once

#include "vantic/ComPort.h"
#include "vantic/SerialPort.h"
#include "vantic/UsbTransport.h"

#include <functional>
#include <memory>

namespace tarsel::vantic {

class PortLayer : public ComPort {
public:
  using UsbFactory = std::function<std::unique_ptr<UsbTransport>()>;

  PortLayer();
  ~PortLayer() override;

  static PortLayer& instance();

  int usbOpen(int handleValue, CamUsbDeviceRecord* record) override;
  int open(int port, int baud, int dataBits) override;
  int close(int handle) override;
  int readTimed(int handle, std::uint8_t* buffer, int count, int units) override;
  int readToQuiet(int handle, int units) override;
  int write(int handle, const std::uint8_t* bytes, int count) override;
  int setBaud(int handle, int baud) override;
  int setFlow(int handle, int kind) override;
  int sleepMs(int handle, int milliseconds) override;
  int openHandle() const override { return m_handle; }
  void shortPause(int handle) override;

  // The serial port's file descriptor, -1 when none is open.
  int serialFd() const { return m_serial.fd(); }

  // For tests: where USB transports come from, how often the pre-read
  // request went out, and the longest a quiet-drain may take.
  void setUsbFactory(UsbFactory factory);
  int preReadCount() const { return m_preReads; }
  void setQuietLimitMs(int ms) { m_quietLimitMs = ms; }

private:
  bool isUsbOpen(int handle) const { return handle == CAM_PORT_USB && m_handle == CAM_PORT_USB && m_usb; }
  bool isSerialOpen(int handle) const { return handle != CAM_PORT_USB && handle >= 0 && handle == m_handle; }
  int usbRead(std::uint8_t* buffer, int count, int timeoutMs);

  int m_handle = -1;
  SerialPort m_serial;
  std::unique_ptr<UsbTransport> m_usb;
  CamUsbDeviceRecord* m_record = nullptr;
  UsbFactory m_usbFactory;
  int m_preReads = 0;
  int m_quietLimitMs = 5000;
  static constexpr int kLargeScratch = 32768 + 6;
};

} // namespace tarsel::vantic

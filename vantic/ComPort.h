// The port operations the camera protocol drives, with the port layer's
// handle convention (160 the USB camera, 1..9 COMn, -1 none) and results (1
// or a byte count, -1 failure, -2 a failed USB pipe operation). The port
// layer implements it; tests put a scripted port in its place.
#pragma once

#include "vantic/Vantic.h"

#include <cstdint>

namespace tarsel::vantic {

class ComPort {
public:
  virtual ~ComPort() = default;

  virtual int usbOpen(int handleValue, CamUsbDeviceRecord* record) = 0;
  virtual int open(int port, int baud, int dataBits) = 0;
  virtual int close(int handle) = 0;
  // Time-out units of 10 ms (2 ms for 0).
  virtual int readTimed(int handle, std::uint8_t* buffer, int count, int units) = 0;
  virtual int readToQuiet(int handle, int units) = 0;
  virtual int write(int handle, const std::uint8_t* bytes, int count) = 0;
  virtual int setBaud(int handle, int baud) = 0;
  virtual int setFlow(int handle, int kind) = 0;
  virtual int sleepMs(int handle, int milliseconds) = 0;
  // The handle of the open port, -1 for none.
  virtual int openHandle() const = 0;
  // A pause of just over one millisecond between the parts of a packet.
  virtual void shortPause(int handle) = 0;
};

} // namespace tarsel::vantic

// The library's one session record: port, state, speed, last result, retry
// counter, sequence numbers, flags, busy times, progress call-back and the
// USB device record, with the rule by which a recorded result moves the
// state. Plain data of the camera library; the library lock guards it.
#pragma once

#include "vantic/Vantic.h"

#include <cstdint>

namespace tarsel::vantic {

class SessionState {
public:
  // Records a result and moves the state by it: 0 opens; 1, 2, 3, 5, 6, 13
  // and 19 leave it; 20 means the camera ended the session; anything else
  // fails it. Only the open, failed and busy states move (busy not on 12).
  int record(int code);
  // Records a transmission fault and counts it as a retry.
  int recordFault(int code);

  void clear();

  bool isUsb() const { return portHandle == CAM_PORT_USB; }
  bool largeBlocks() const { return isUsb() && usb.largeBlocks == 1; }
  // Replies are checked except from the USB camera whose vendor is 0x04B0.
  bool verifyReplies() const { return !(isUsb() && usb.vendorId == 0x04B0); }

  int portHandle = -1;
  int state = CAM_STATE_CLOSED;
  int speedIndex = 0;  // the line's speed index; 0 = not chosen
  int storedSpeed = 0; // the speed chosen by the caller, kept for re-opens
  int lastResult = 0;
  int retryCounter = 0;
  std::uint8_t outSequence = 0;
  std::uint8_t inSequence = 0;
  bool delayPending = false;
  bool reopened = false;
  bool speedConfirmed = false;
  std::int64_t busyDeadline = 0;
  std::int64_t lastKeepAlive = 0;
  CamProgressCallback callback = nullptr;
  std::intptr_t userValue = 0;
  CamUsbDeviceRecord usb{};
};

// Baud of a speed index 0..6 (19200 for anything else).
int baudOfSpeed(int speedIndex);

} // namespace tarsel::vantic

// The library's one session record: port, state, speed, last result, retry
// counter, sequence numbers, flags, busy times, progress call-back and the
// USB device record, with the rule by which a recorded result moves the
// state. The state changes only through setState, which can trace each
// change as "[from] -> [to]". Plain data of the camera library; the library
// lock guards it.
#pragma once

#include "vantic/Vantic.h"

#include <cstdint>
#include <functional>
#include <string>

namespace tarsel::vantic {

// The session's states; their values are the codes Cam_get_state reports.
enum class State {
  Closed = CAM_STATE_CLOSED,
  Open = CAM_STATE_OPEN,
  Ended = CAM_STATE_ENDED, // the camera ended the session
  Failed = CAM_STATE_FAILED,
  Busy = CAM_STATE_BUSY, // the camera runs an action
};

const char* stateName(State state);

class SessionState {
public:
  // Told "[from] -> [to]" on every change of state.
  using Trace = std::function<void(const std::string& line)>;

  State state() const { return m_state; }
  int stateCode() const { return static_cast<int>(m_state); }
  // The one place the state changes.
  void setState(State next);
  void setTrace(Trace trace) { m_trace = std::move(trace); }

  // Records a result and moves the state by it: 0 opens; 1, 2, 3, 5, 6, 13
  // and 19 leave it; 20 means the camera ended the session; anything else
  // fails it. Only the open, failed and busy states move (busy not on 12).
  int record(int code);
  // Records a transmission fault and counts it as a retry.
  int recordFault(int code);
  // Records a result that says nothing about the session (a call refused
  // before it touched the camera): the state stays.
  int note(int code);

  // Back to the record of a library just loaded (the trace stays).
  void clear();

  bool isUsb() const { return portHandle == CAM_PORT_USB; }
  bool largeBlocks() const { return isUsb() && usb.largeBlocks == 1; }
  // Replies are checked except from the USB camera whose vendor is 0x04B0.
  bool verifyReplies() const { return !(isUsb() && usb.vendorId == 0x04B0); }

  int portHandle = -1;
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

private:
  State m_state = State::Closed;
  Trace m_trace;
};

// Baud of a speed index 0..6 (19200 for anything else).
int baudOfSpeed(int speedIndex);

} // namespace tarsel::vantic

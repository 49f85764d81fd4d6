#include "vantic/SessionState.h"

namespace tarsel::vantic {

int SessionState::record(int code) {
  lastResult = code;
  int implied;
  switch (code) {
  case CAM_OK:
    implied = CAM_STATE_OPEN;
    break;
  case 1:
  case 2:
  case 3:
  case 5:
  case 6:
  case 13:
  case 19:
    implied = state;
    break;
  case CAM_SESSION_CLOSED:
    implied = CAM_STATE_ENDED;
    break;
  default:
    implied = CAM_STATE_FAILED;
    break;
  }
  if (state == CAM_STATE_OPEN || state == CAM_STATE_FAILED ||
      (state == CAM_STATE_BUSY && code != CAM_NOT_RESPONDING))
    state = implied;
  return code;
}

int SessionState::recordFault(int code) {
  ++retryCounter;
  return record(code);
}

void SessionState::clear() { *this = SessionState(); }

int baudOfSpeed(int speedIndex) {
  static constexpr int kBauds[] = {19200, 9600, 19200, 38400, 57600, 115200, 230400};
  if (speedIndex < 0 || speedIndex > 6)
    return 19200;
  return kBauds[speedIndex];
}

} // namespace tarsel::vantic

#include "vantic/SessionState.h"

namespace tarsel::vantic {

namespace {

// The state a recorded result implies, from the state it is recorded in.
State impliedBy(int code, State current) {
  switch (code) {
  case CAM_OK:
    return State::Open;
  case CAM_INVALID_PARAMETER:
  case CAM_OUT_OF_RANGE:
  case CAM_NO_PORT:
  case CAM_WRITE_FILE:
  case 6:
  case CAM_BAD_RESPONSE:
  case CAM_USER_BREAK:
    return current;
  case CAM_SESSION_CLOSED:
    return State::Ended;
  default:
    return State::Failed;
  }
}

} // namespace

const char* stateName(State state) {
  switch (state) {
  case State::Closed:
    return "closed";
  case State::Open:
    return "open";
  case State::Ended:
    return "ended";
  case State::Failed:
    return "failed";
  case State::Busy:
    return "busy";
  }
  return "?";
}

void SessionState::setState(State next) {
  if (next == m_state)
    return;
  const State previous = m_state;
  m_state = next;
  if (!m_trace)
    return;
  // A trace that fails loses its line, never the change.
  try {
    m_trace(std::string("[") + stateName(previous) + "] -> [" + stateName(next) + "]");
  } catch (...) {
  }
}

int SessionState::record(int code) {
  lastResult = code;
  const bool moves = m_state == State::Open || m_state == State::Failed ||
                     (m_state == State::Busy && code != CAM_NOT_RESPONDING);
  if (moves)
    setState(impliedBy(code, m_state));
  return code;
}

int SessionState::recordFault(int code) {
  ++retryCounter;
  return record(code);
}

int SessionState::note(int code) {
  lastResult = code;
  return code;
}

void SessionState::clear() {
  setState(State::Closed);
  Trace trace = std::move(m_trace);
  *this = SessionState();
  m_trace = std::move(trace);
}

int baudOfSpeed(int speedIndex) {
  static constexpr int kBauds[] = {19200, 9600, 19200, 38400, 57600, 115200, 230400};
  if (speedIndex < 0 || speedIndex > 6)
    return 19200;
  return kBauds[speedIndex];
}

} // namespace tarsel::vantic

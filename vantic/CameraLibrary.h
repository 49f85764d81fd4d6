// The process's one camera: session record, time-outs, exchanges, session
// control and operations over one port. The exported functions use
// instance() (over the port layer) under the library lock; tests build their
// own over a scripted port.
#pragma once

#include "vantic/CameraOperations.h"

namespace tarsel::vantic {

class CameraLibrary {
public:
  explicit CameraLibrary(ComPort& port, const Timings& timings = Timings());

  static CameraLibrary& instance();

  SessionState& state() { return m_state; }
  CameraLink& link() { return m_link; }
  CameraSession& session() { return m_session; }
  CameraOperations& operations() { return m_operations; }
  ComPort& port() { return m_port; }
  Timings& timings() { return m_timings; }

private:
  ComPort& m_port;
  Timings m_timings;
  SessionState m_state;
  CameraLink m_link;
  CameraSession m_session;
  CameraOperations m_operations;
};

} // namespace tarsel::vantic

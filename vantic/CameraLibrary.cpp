#include "vantic/CameraLibrary.h"

#include "vantic/PortLayer.h"

namespace tarsel::vantic {

CameraLibrary::CameraLibrary(ComPort& port, const Timings& timings)
    : m_port(port), m_timings(timings), m_link(m_port, m_state, m_timings),
      m_session(m_port, m_state, m_link, m_timings), m_operations(m_state, m_link, m_session) {}

CameraLibrary& CameraLibrary::instance() {
  static CameraLibrary library(PortLayer::instance());
  return library;
}

} // namespace tarsel::vantic

#include "GateBackend.h"

namespace tarsel::vesk::test {

void GateBackend::holdNext(std::uint8_t opcode) {
  std::lock_guard guard(m_lock);
  m_armed = opcode;
  m_held = false;
  m_released = false;
}

void GateBackend::waitHeld() {
  std::unique_lock guard(m_lock);
  m_changed.wait(guard, [this] { return m_held; });
}

void GateBackend::release() {
  std::lock_guard guard(m_lock);
  m_released = true;
  m_changed.notify_all();
}

ScsiOutcome GateBackend::passThrough(int handle, const ScsiCommand& command) {
  {
    std::unique_lock guard(m_lock);
    if (m_armed && *m_armed == command.cdb[0]) {
      m_armed.reset();
      m_held = true;
      m_changed.notify_all();
      m_changed.wait(guard, [this] { return m_released; });
    }
  }
  return m_inner->passThrough(handle, command);
}

} // namespace tarsel::vesk::test

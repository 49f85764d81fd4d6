// One open device node of the simulator, like a connected socket: once the
// node is unplugged (or a fault closes the connection) it stays closed, even
// after the node is plugged in again. Used by one thread at a time (handing it
// to another thread needs the usual hand-over synchronisation); the
// engine that made it must outlive it.
#pragma once

#include "sim/vesk/VeskSimTypes.h"

#include <atomic>
#include <cstdint>
#include <memory>

namespace tarsel::vesksim {

class VeskSimDevice;
class VeskSimEngine;

class VeskSimConnection {
public:
  Response handle(const Request& request);
  int deviceIndex() const { return m_index; }
  bool isClosed() const { return m_closed.load(); }

private:
  friend class VeskSimEngine;
  VeskSimConnection(VeskSimEngine& engine, int index, std::shared_ptr<VeskSimDevice> device);

  VeskSimEngine& m_engine;
  const int m_index;
  const std::shared_ptr<VeskSimDevice> m_device;
  const std::uint64_t m_generation;
  std::atomic<bool> m_closed{false};
};

} // namespace tarsel::vesksim

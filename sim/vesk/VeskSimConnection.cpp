#include "sim/vesk/VeskSimConnection.h"

#include "sim/vesk/VeskSimDevice.h"
#include "sim/vesk/VeskSimEngine.h"

namespace tarsel::vesksim {

VeskSimConnection::VeskSimConnection(VeskSimEngine& engine, int index, std::shared_ptr<VeskSimDevice> device)
    : m_engine(engine), m_index(index), m_device(std::move(device)), m_generation(m_device->generation()) {}

Response VeskSimConnection::handle(const Request& request) {
  Response closed{Response::Kind::Close, {}, 0};
  if (m_closed)
    return closed;
  if (!m_device->present() || m_device->generation() != m_generation) {
    m_closed = true;
    m_engine.log(m_index, request, closed);
    return closed;
  }
  Response response = m_engine.handleOn(m_index, *m_device, request);
  if (response.kind == Response::Kind::Close || response.kind == Response::Kind::TruncatedThenClose)
    m_closed = true;
  return response;
}

} // namespace tarsel::vesksim

#include "MiniCamera.h"

#include "platform/Bytes.h"
#include "vantic/PacketCodec.h"

#include <algorithm>

namespace tarsel::vantic::test {

MiniCamera::MiniCamera() {
  registers[18] = 1;
}

Bytes MiniCamera::currentBlock() const {
  const Bytes& object = objects.at(m_reading);
  const std::size_t chunk = std::min(blockSize, object.size() - m_offset);
  const bool last = m_offset + chunk == object.size();
  return PacketCodec::data(last ? kLastPacket : kMorePackets, m_sequence,
                           std::span<const std::uint8_t>(object.data() + m_offset, chunk), unchecked);
}

Bytes MiniCamera::operator()(const Bytes& unit) {
  if (fault) {
    if (auto answer = fault(unit))
      return *answer;
  }
  if (unit.size() == 1) {
    switch (unit[0]) {
    case kWakeProbe:
      return {kNak};
    case kAck:
      if (m_reading < 0)
        return {};
      {
        const Bytes& object = objects.at(m_reading);
        const std::size_t chunk = std::min(blockSize, object.size() - m_offset);
        if (m_offset + chunk >= object.size()) {
          m_reading = -1;
          return {};
        }
        m_offset += chunk;
        ++m_sequence;
        return currentBlock();
      }
    case kNak:
      return m_reading >= 0 ? currentBlock() : Bytes{};
    case kCan:
      m_reading = -1;
      return {};
    default:
      return {};
    }
  }
  if (unit[0] == kEsc && unit.size() >= 6) {
    const std::uint8_t op = unit[4];
    const int reg = unit.size() > 5 ? unit[5] : -1;
    switch (op) {
    case 0:
      registers[reg] = tarsel::bytes::loadLe32(unit, 6);
      return {kAck};
    case 1:
      return registerReply(registers[reg]);
    case 2:
      actions.push_back(unit[5]);
      return enqAfterAction ? Bytes{kAck, kEnq} : Bytes{kAck};
    case 3:
    case 5:
      m_writing = reg;
      written[reg].assign(unit.begin() + 6, unit.end() - 2);
      return {kAck};
    case 4:
    case 6:
      if (!objects.count(reg))
        objects[reg] = {};
      m_reading = reg;
      m_offset = 0;
      m_sequence = 0;
      return currentBlock();
    default:
      return {kNak};
    }
  }
  if ((unit[0] == kMorePackets || unit[0] == kLastPacket) && m_writing >= 0) {
    written[m_writing].insert(written[m_writing].end(), unit.begin() + 4, unit.end() - 2);
    if (unit[0] == kLastPacket)
      m_writing = -1;
    return {kAck};
  }
  return {kNak};
}

} // namespace tarsel::vantic::test

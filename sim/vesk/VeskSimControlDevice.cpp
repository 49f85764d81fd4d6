#include "sim/vesk/VeskSimControlDevice.h"

namespace tarsel::vesksim {

namespace {
constexpr std::uint32_t kErrorInvalidFunction = 1;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
} // namespace

VeskSimControlDevice::VeskSimControlDevice(std::shared_ptr<VeskSimClock> clock,
                                           std::function<std::uint32_t()> count)
    : VeskSimDevice(DeviceKind::Control, std::move(clock)), m_count(std::move(count)) {}

FaultEvent VeskSimControlDevice::eventOf(const Request&) const {
  return {};
}

Response VeskSimControlDevice::run(const Request& request, Lock&) {
  const RequestHeader& h = request.header;
  if (h.kind != RequestKind::DeviceControl || h.controlCode != kCountQueryCode)
    return win32Error(kErrorInvalidFunction);
  if (h.direction != Direction::DataIn || h.dataLength < kCountAnswerSize)
    return win32Error(kErrorInsufficientBuffer);
  const auto answer = encodeCountAnswer(m_count());
  return good(std::vector<std::uint8_t>(answer.begin(), answer.end()));
}

} // namespace tarsel::vesksim

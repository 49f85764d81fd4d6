#include "sim/vesk/VeskSimPlainDevice.h"

namespace tarsel::vesksim {

std::shared_ptr<VeskSimPlainDevice> VeskSimPlainDevice::disk(std::shared_ptr<VeskSimClock> clock,
                                                             std::string product) {
  return std::make_shared<VeskSimPlainDevice>(DeviceKind::Disk, std::move(clock), std::move(product), 0);
}

std::shared_ptr<VeskSimPlainDevice> VeskSimPlainDevice::failing(std::shared_ptr<VeskSimClock> clock,
                                                                std::uint32_t error) {
  return std::make_shared<VeskSimPlainDevice>(DeviceKind::FailingNode, std::move(clock), std::string(),
                                              error);
}

VeskSimPlainDevice::VeskSimPlainDevice(DeviceKind kind, std::shared_ptr<VeskSimClock> clock,
                                       std::string product, std::uint32_t error)
    : VeskSimDevice(kind, std::move(clock)), m_product(std::move(product)), m_error(error) {}

Response VeskSimPlainDevice::run(const Request& request, Lock&) {
  const RequestHeader& h = request.header;
  if (h.kind != RequestKind::ScsiPassThrough)
    return win32Error(1);
  if (kind() == DeviceKind::FailingNode) {
    if (m_error == kWireCommandFailed)
      return checkCondition(0x04, 0x44, 0x00);
    return win32Error(m_error ? m_error : kWireCommandFailed);
  }
  const std::uint8_t op = h.cdb[0];
  if (op == 0x00)
    return good();
  if (op == 0x12 && h.direction == Direction::DataIn) {
    std::vector<std::uint8_t> data = inquiryData(0x00, false, "SIMDISK", m_product, "0001");
    const std::size_t allocation = (std::size_t{h.cdb[3]} << 8) | h.cdb[4];
    if (data.size() > allocation)
      data.resize(allocation);
    return good(std::move(data));
  }
  return checkCondition(0x05, 0x20, 0x00);
}

} // namespace tarsel::vesksim

// A device node that is not a camera: a disk that answers INQUIRY with its own
// identification (and refuses the camera's vendor commands), or a node that
// fails every command, INQUIRY included. Both let discovery be tested with
// mixed nodes. Thread-safe through the device lock.
#pragma once

#include "sim/vesk/VeskSimDevice.h"

#include <string>

namespace tarsel::vesksim {

class VeskSimPlainDevice final : public VeskSimDevice {
public:
  // A disk with this product identification.
  static std::shared_ptr<VeskSimPlainDevice> disk(std::shared_ptr<VeskSimClock> clock, std::string product);
  // A node whose every command fails with this Win32 error (31: CHECK CONDITION too).
  static std::shared_ptr<VeskSimPlainDevice> failing(std::shared_ptr<VeskSimClock> clock,
                                                     std::uint32_t error);

  VeskSimPlainDevice(DeviceKind kind, std::shared_ptr<VeskSimClock> clock, std::string product,
                     std::uint32_t error);

protected:
  Response run(const Request& request, Lock& lock) override;

private:
  const std::string m_product;
  const std::uint32_t m_error;
};

} // namespace tarsel::vesksim

// The driver's control device: it answers one device control, the count
// query 0x222004, with 8 bytes whose first u32 is the number of camera-link
// device nodes. Anything else is ERROR_INVALID_FUNCTION (1); an answer buffer
// under 8 bytes is ERROR_INSUFFICIENT_BUFFER (122). Faults apply as on any
// device. Thread-safe through the device lock; the count comes from a
// function that must not call back into this device.
#pragma once

#include "sim/vesk/VeskSimDevice.h"

#include <functional>

namespace tarsel::vesksim {

class VeskSimControlDevice final : public VeskSimDevice {
public:
  VeskSimControlDevice(std::shared_ptr<VeskSimClock> clock, std::function<std::uint32_t()> count);

protected:
  Response run(const Request& request, Lock& lock) override;
  FaultEvent eventOf(const Request& request) const override;

private:
  const std::function<std::uint32_t()> m_count;
};

} // namespace tarsel::vesksim

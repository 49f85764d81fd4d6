#include "vantic/UsbTransport.h"

#include "vantic/LibusbTransport.h"
#include "vantic/SimUsbTransport.h"

#include <cstdlib>
#include <string_view>

namespace tarsel::vantic {

std::unique_ptr<UsbTransport> UsbTransport::create() {
  const char* value = std::getenv("TARSEL_VANTIC_USB");
  const std::string_view setting = value ? value : "";
  constexpr std::string_view kSim = "sim:";
  if (setting.starts_with(kSim))
    return std::make_unique<SimUsbTransport>(std::string(setting.substr(kSim.size())));
  return std::make_unique<LibusbTransport>();
}

} // namespace tarsel::vantic

// Fuzz target of the "Type_S" list: any text, up to its first NUL, as the
// list, the rest as a device's product identification. The names are the
// list's comma-separated items, trimmed and never empty; written back as a
// list they read the same, and a device matches exactly when one of them
// occurs in its identification.
#include "vesklib/SupportedCameraList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

using tarsel::vesk::SupportedCameraList;

namespace {

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t nul = input.find('\0');
  const std::string_view list = input.substr(0, nul);
  const std::string_view productId =
      nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);

  const std::vector<std::string> names = SupportedCameraList::parseNames(list);
  std::string joined;
  bool anyInProduct = false;
  for (const std::string& name : names) {
    if (name.empty() || name.find(',') != std::string::npos || isBlank(name.front()) ||
        isBlank(name.back()) || list.find(name) == std::string_view::npos)
      std::abort();
    anyInProduct = anyInProduct || productId.find(name) != std::string_view::npos;
    joined += (joined.empty() ? "" : ", ") + name;
  }
  if (SupportedCameraList::parseNames(joined) != names)
    std::abort();
  if (SupportedCameraList::matches(list, productId) != anyInProduct)
    std::abort();
  // The model name is the identification up to its first blank.
  const std::string model = SupportedCameraList::modelName(productId);
  if (productId.substr(0, model.size()) != model || model.find(' ') != std::string::npos)
    std::abort();
  return 0;
}

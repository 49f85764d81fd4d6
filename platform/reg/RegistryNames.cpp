#include "platform/reg/RegistryNames.h"

#include "platform/Win32Error.h"

namespace tarsel::reg {

LONG splitKeyPath(std::string_view path, std::size_t maxDepth, std::vector<std::string>& components) {
  components.clear();
  if (path.empty())
    return ERROR_SUCCESS;
  // "Parent\" names the same key as "Parent", as callers that append a
  // separator before an empty name expect.
  if (path.size() > 1 && path.back() == '\\')
    path.remove_suffix(1);
  for (;;) {
    const std::size_t sep = path.find('\\');
    const std::string_view part = path.substr(0, sep);
    if (part.empty() || part.size() > kMaxKeyNameLength || components.size() >= maxDepth) {
      components.clear();
      return ERROR_INVALID_PARAMETER;
    }
    components.emplace_back(part);
    if (sep == std::string_view::npos)
      return ERROR_SUCCESS;
    path.remove_prefix(sep + 1);
  }
}

} // namespace tarsel::reg

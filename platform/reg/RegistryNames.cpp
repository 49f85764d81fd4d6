#include "platform/reg/RegistryNames.h"

#include "platform/Win32Error.h"

namespace tarsel::reg {

static char foldChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string foldName(std::string_view name) {
  std::string folded(name);
  for (char& c : folded)
    c = foldChar(c);
  return folded;
}

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (foldChar(a[i]) != foldChar(b[i]))
      return false;
  }
  return true;
}

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

#include "platform/EnvironmentStrings.h"

#include "platform/Win32Error.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

bool isNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The value of a variable, or null when it is not set. Names that getenv
// would misread (empty, with "=" or a NUL inside) are never set.
const char* lookUp(std::string_view name) {
  if (name.empty() || name.find('=') != std::string_view::npos || name.find('\0') != std::string_view::npos)
    return nullptr;
  return std::getenv(std::string(name).c_str());
}

} // namespace

std::string ExpandEnvironmentStrings(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '%') {
      const std::size_t close = text.find('%', i + 1);
      if (close == std::string_view::npos) {
        out.append(text.substr(i));
        break;
      }
      const std::string_view whole = text.substr(i, close - i + 1);
      const char* value = lookUp(text.substr(i + 1, close - i - 1));
      out.append(value ? std::string_view(value) : whole);
      i = close + 1;
      continue;
    }
    if (c == '$' && i + 1 < text.size() && text[i + 1] == '{') {
      std::size_t end = i + 2;
      while (end < text.size() && isNameChar(text[end]))
        ++end;
      if (end == i + 2 || end >= text.size() || text[end] != '}') {
        // Not a reference: keep "${" and read on, so a reference behind it still counts.
        out.append("${");
        i += 2;
        continue;
      }
      const std::string_view whole = text.substr(i, end - i + 1);
      const char* value = lookUp(text.substr(i + 2, end - i - 2));
      out.append(value ? std::string_view(value) : whole);
      i = end + 1;
      continue;
    }
    if (c == '$') {
      std::size_t end = i + 1;
      while (end < text.size() && isNameChar(text[end]))
        ++end;
      const std::string_view whole = text.substr(i, end - i);
      const char* value = end > i + 1 ? lookUp(text.substr(i + 1, end - i - 1)) : nullptr;
      out.append(value ? std::string_view(value) : whole);
      i = end;
      continue;
    }
    out.push_back(c);
    ++i;
  }
  return out;
}

DWORD ExpandEnvironmentStringsA(const char* src, char* dst, DWORD size) {
  if (!src) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const std::string expanded = ExpandEnvironmentStrings(src);
  if (expanded.size() >= std::numeric_limits<DWORD>::max()) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  const DWORD needed = static_cast<DWORD>(expanded.size() + 1);
  if (dst && needed <= size)
    std::memcpy(dst, expanded.c_str(), needed);
  return needed;
}

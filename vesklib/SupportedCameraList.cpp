#include "vesklib/SupportedCameraList.h"

#include "platform/reg/Registry.h"

#include <algorithm>
#include <optional>

namespace tarsel::vesk {

namespace {

constexpr const char* kKey = "Software\\Brantel\\Vesk\\SupportedCamera";
constexpr const char* kValue = "Type_S";
constexpr DWORD kMaxListBytes = 64 * 1024;

bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::optional<std::string> readList(HKEY root) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kKey, 0, KEY_READ, &key) != 0)
    return std::nullopt;
  DWORD type = 0;
  DWORD size = 0;
  std::optional<std::string> text;
  if (RegQueryValueExA(key, kValue, nullptr, &type, nullptr, &size) == 0 && size <= kMaxListBytes) {
    std::string bytes(size, '\0');
    DWORD got = size;
    if (RegQueryValueExA(key, kValue, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &got) == 0 &&
        got <= size) {
      bytes.resize(got);
      // The stored text ends at its first NUL.
      if (const auto nul = bytes.find('\0'); nul != std::string::npos)
        bytes.resize(nul);
      text = std::move(bytes);
    }
  }
  RegCloseKey(key);
  return text;
}

} // namespace

std::vector<std::string> SupportedCameraList::parseNames(std::string_view typeList) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= typeList.size()) {
    std::size_t end = typeList.find(',', start);
    if (end == std::string_view::npos)
      end = typeList.size();
    std::string_view item = typeList.substr(start, end - start);
    while (!item.empty() && isBlank(item.front()))
      item.remove_prefix(1);
    while (!item.empty() && isBlank(item.back()))
      item.remove_suffix(1);
    if (!item.empty())
      names.emplace_back(item);
    start = end + 1;
  }
  return names;
}

bool SupportedCameraList::matches(std::string_view typeList, std::string_view productId) {
  for (const auto& name : parseNames(typeList)) {
    if (productId.find(name) != std::string_view::npos)
      return true;
  }
  return false;
}

bool SupportedCameraList::isSupportedCamera(std::string_view productId) {
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const auto list = readList(root);
    if (list && matches(*list, productId))
      return true;
  }
  return false;
}

std::vector<std::string> SupportedCameraList::supportedNames() {
  std::vector<std::string> names;
  for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
    const auto list = readList(root);
    if (!list)
      continue;
    for (auto& name : parseNames(*list)) {
      if (std::find(names.begin(), names.end(), name) == names.end())
        names.push_back(std::move(name));
    }
  }
  return names;
}

std::string SupportedCameraList::modelName(std::string_view productId) {
  const std::size_t end = productId.find_first_of(std::string_view(" \0", 2));
  return std::string(productId.substr(0, end));
}

} // namespace tarsel::vesk

#include "app/cameras/vesk/VeskSupportedCameraTypes.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace tarsel::vesk {

namespace {

// Read and write access to the key, as the merge needs it.
constexpr REGSAM kMergeAccess = 0x2001F;

// The value's text; empty when it is missing or unreadable.
std::string ReadTypeList(HKEY key) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, kSupportedCameraValue, nullptr, &type, nullptr, &size) != 0 || size == 0)
    return {};
  std::string text(size, '\0');
  if (RegQueryValueExA(key, kSupportedCameraValue, nullptr, &type, reinterpret_cast<BYTE*>(text.data()),
                       &size) != 0)
    return {};
  text.resize(std::min<std::size_t>(size, text.size()));
  // The stored text ends at its first NUL.
  text.resize(std::strlen(text.c_str()));
  return text;
}

} // namespace

void AddSupportedCameraTypes(HKEY key, const std::vector<std::string>& identifications) {
  std::string text = ReadTypeList(key);
  std::set<std::string> added;
  for (const std::string& identification : identifications) {
    if (text.find(identification) == std::string::npos)
      added.insert(identification);
  }
  if (added.empty())
    return;
  if (!text.empty() && text.back() == ',')
    text.pop_back();
  for (const std::string& identification : added) {
    if (!text.empty())
      text += ',';
    text += identification;
  }
  RegSetValueExA(key, kSupportedCameraValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>(text.size() + 1));
}

void AddSupportedCameraTypesOfUser(const std::vector<std::string>& identifications) {
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kSupportedCameraKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      kMergeAccess, nullptr, &key, nullptr) != 0)
    return;
  try {
    AddSupportedCameraTypes(key, identifications);
  } catch (...) {
    RegCloseKey(key);
    throw;
  }
  RegCloseKey(key);
}

} // namespace tarsel::vesk

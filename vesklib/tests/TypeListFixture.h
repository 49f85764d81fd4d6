// Writes the supported-camera list "Type_S" into the test's own registry
// hives (the current user's and the machine's), or removes it.
#pragma once

#include "platform/reg/Registry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tarsel::vesk::test {

inline void setTypeList(HKEY root, const std::optional<std::string>& text) {
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(root, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, &disposition),
            0);
  if (text)
    ASSERT_EQ(RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                             static_cast<DWORD>(text->size() + 1)),
              0);
  else
    RegDeleteValueA(key, "Type_S");
  RegCloseKey(key);
}

} // namespace tarsel::vesk::test

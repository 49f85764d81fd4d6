// Shared pieces of the registry tests: a fixture that points both hives at a
// fresh folder, and short forms of the calls the tests repeat.
#pragma once

#include "platform/reg/Registry.h"
#include "platform/reg/RegistryHive.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace tarsel::reg::test {

class RegistryFixture : public ::testing::Test {
protected:
  void SetUp() override { RegistryHive::resetForTests(); }
  void TearDown() override { RegistryHive::resetForTests(); }

  std::string userFolder() const { return m_dir.path() + "/user"; }
  std::string userFile() const { return userFolder() + "/user.reg"; }
  std::string machineFile() const { return m_dir.path() + "/machine/machine.reg"; }

  tarsel::test::TempDir m_dir;
  tarsel::test::ScopedEnv m_userEnv{"TARSEL_REGISTRY_DIR", m_dir.path() + "/user"};
  tarsel::test::ScopedEnv m_machineEnv{"TARSEL_MACHINE_REGISTRY", m_dir.path() + "/machine/machine.reg"};
};

inline HKEY createKey(HKEY root, const std::string& path, REGSAM sam = KEY_ALL_ACCESS) {
  HKEY key = nullptr;
  const LONG rc =
      RegCreateKeyExA(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, sam, nullptr, &key, nullptr);
  EXPECT_EQ(rc, 0) << path;
  return key;
}

inline LONG setBytes(HKEY key, const std::string& name, DWORD type, const std::string& bytes) {
  return RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                        static_cast<DWORD>(bytes.size()));
}

// Type and bytes of a value, read with a size probe first.
inline std::optional<std::pair<DWORD, std::string>> queryBytes(HKEY key, const std::string& name) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) != 0)
    return std::nullopt;
  std::string data(size, '\0');
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) != 0)
    return std::nullopt;
  data.resize(size);
  return std::make_pair(type, data);
}

// Runs `body` in a forked child and gives its exit code (-1 when it did not
// exit normally). The child forgets the parent's hives first.
int runInChild(const std::function<int()>& body);

// The registry below `key` through the public calls, one line per key
// ("K <hex of the path>") followed by its values ("V <hex name> <type> <hex
// data>"), keys in pre-order with sub-keys in enumeration order.
std::string dumpThroughApi(HKEY key);

} // namespace tarsel::reg::test

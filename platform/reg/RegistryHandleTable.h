// The open registry handles of the process. An HKEY is a number handed out
// by this table (never reused while the process runs), so a closed or
// made-up handle is refused with 6 instead of being followed. The two
// predefined handles stand for the root of their hive with every right.
// Any thread may call; a handle being closed on one thread while another
// uses it stays alive until that use ends.
#pragma once

#include "platform/reg/Registry.h"
#include "platform/reg/RegistryHive.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarsel::reg {

struct RegistryKeyHandle {
  std::shared_ptr<RegistryHive> hive;
  std::vector<std::string> path; // components from the hive's root
  REGSAM access = 0;
};

class RegistryHandleTable {
public:
  static RegistryHandleTable& instance();

  // The handle behind `key`, or null when it is not open.
  std::shared_ptr<const RegistryKeyHandle> find(HKEY key);
  HKEY add(RegistryKeyHandle handle);
  bool remove(HKEY key);
  static bool isPredefined(HKEY key);

private:
  RegistryHandleTable() = default;

  std::mutex m_mutex;
  std::uintptr_t m_next = 0x100;
  std::unordered_map<std::uintptr_t, std::shared_ptr<const RegistryKeyHandle>> m_handles;
};

} // namespace tarsel::reg

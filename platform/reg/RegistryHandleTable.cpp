#include "platform/reg/RegistryHandleTable.h"

namespace tarsel::reg {

namespace {
constexpr std::uintptr_t kCurrentUser = 0x80000001u;
constexpr std::uintptr_t kLocalMachine = 0x80000002u;
constexpr std::uintptr_t kPredefinedFirst = 0x80000000u;
constexpr std::uintptr_t kPredefinedLast = 0x800000FFu;
} // namespace

RegistryHandleTable& RegistryHandleTable::instance() {
  // Never destroyed: other threads may still close handles while the process exits.
  static RegistryHandleTable* table = new RegistryHandleTable;
  return *table;
}

bool RegistryHandleTable::isPredefined(HKEY key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  return value == kCurrentUser || value == kLocalMachine;
}

std::shared_ptr<const RegistryKeyHandle> RegistryHandleTable::find(HKEY key) {
  const auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value == kCurrentUser || value == kLocalMachine) {
    auto handle = std::make_shared<RegistryKeyHandle>();
    handle->hive = RegistryHive::get(value == kCurrentUser ? RegistryHive::Kind::CurrentUser
                                                           : RegistryHive::Kind::LocalMachine);
    handle->access = KEY_ALL_ACCESS;
    return handle;
  }
  std::lock_guard guard(m_mutex);
  const auto it = m_handles.find(value);
  return it == m_handles.end() ? nullptr : it->second;
}

HKEY RegistryHandleTable::add(RegistryKeyHandle handle) {
  std::lock_guard guard(m_mutex);
  std::uintptr_t value = m_next;
  m_next += 4;
  // Keep clear of the predefined handles' numbers and of null.
  if (m_next >= kPredefinedFirst && m_next <= kPredefinedLast)
    m_next = kPredefinedLast + 1;
  if (m_next == 0)
    m_next = 0x100;
  m_handles.emplace(value, std::make_shared<const RegistryKeyHandle>(std::move(handle)));
  return reinterpret_cast<HKEY>(value);
}

bool RegistryHandleTable::remove(HKEY key) {
  std::lock_guard guard(m_mutex);
  return m_handles.erase(reinterpret_cast<std::uintptr_t>(key)) != 0;
}

} // namespace tarsel::reg

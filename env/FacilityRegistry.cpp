#include "env/FacilityRegistry.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace tarsel::env {
namespace {

// One registered message table, copied from the registrant's rows and sorted
// by message id (the first of duplicate ids wins).
class CopiedTable {
public:
  explicit CopiedTable(const MessageTable& table) {
    if (table.rows) {
      m_rows.reserve(table.count);
      for (std::size_t i = 0; i < table.count; ++i)
        m_rows.emplace_back(table.rows[i].id, table.rows[i].text ? table.rows[i].text : "");
    }
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row& a, const Row& b) { return a.first < b.first; });
  }

  const std::string* find(std::uint32_t id) const {
    auto it = std::lower_bound(m_rows.begin(), m_rows.end(), id,
                               [](const Row& row, std::uint32_t key) { return row.first < key; });
    if (it == m_rows.end() || it->first != id)
      return nullptr;
    return &it->second;
  }

private:
  using Row = std::pair<std::uint32_t, std::string>;
  std::vector<Row> m_rows;
};

// The process-wide map facility -> message table. Any thread may call it; the
// lock is held only for an insert, an erase or a lookup, never while a text
// is formatted (a looked-up table stays alive through its shared owner even
// when it is unregistered meanwhile).
class CFacilityRegistry {
public:
  static CFacilityRegistry& instance() {
    static CFacilityRegistry registry;
    return registry;
  }

  void add(unsigned long facility, std::shared_ptr<const CopiedTable> table) {
    std::lock_guard lock(m_lock);
    m_tables.emplace(facility, std::move(table));
  }

  void remove(unsigned long facility) {
    std::lock_guard lock(m_lock);
    m_tables.erase(facility);
  }

  std::shared_ptr<const CopiedTable> find(unsigned long facility) const {
    std::lock_guard lock(m_lock);
    auto it = m_tables.find(facility);
    return it == m_tables.end() ? nullptr : it->second;
  }

private:
  CFacilityRegistry() = default;

  mutable std::mutex m_lock;
  std::map<unsigned long, std::shared_ptr<const CopiedTable>> m_tables;
};

// What the system's message formatter makes of a table text when no inserts
// are given: "%0" ends the text without a line end, "%n" is a line break,
// "%r" too (the system's bare carriage return, which breaks no line in our
// boxes), "%%", "%." and "%!" stand for the character itself; anything else,
// inserts included, stays as it is.
std::string formatMessageText(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '%' || i + 1 == text.size()) {
      out += c;
      continue;
    }
    const char next = text[i + 1];
    switch (next) {
    case '0':
      return out;
    case 'n':
    case 'r':
      out += "\r\n";
      ++i;
      break;
    case '%':
    case '.':
    case '!':
      out += next;
      ++i;
      break;
    default:
      out += c;
      break;
    }
  }
  return out;
}

// TarselEnv answers for its own facility from the moment it is loaded until
// it is unloaded.
constexpr unsigned long kEnvFacility = 0x101;

struct EnvFacilityRegistration {
  EnvFacilityRegistration() { RegisterFacility(kEnvFacility, TarselEnvMessageTable()); }
  ~EnvFacilityRegistration() { UnregisterFacility(kEnvFacility); }
};

const EnvFacilityRegistration envFacilityRegistration;

} // namespace
} // namespace tarsel::env

using tarsel::env::CFacilityRegistry;

void RegisterFacility(unsigned long facility, const MessageTable& module) {
  // Copied before the lock is taken; wasted when the facility is taken already.
  CFacilityRegistry::instance().add(facility, std::make_shared<const tarsel::env::CopiedTable>(module));
}

void UnregisterFacility(unsigned long facility) {
  CFacilityRegistry::instance().remove(facility);
}

std::optional<std::string> FormatFacilityMessage(unsigned long facility, unsigned long id) {
  const auto table = CFacilityRegistry::instance().find(facility);
  if (!table || id > UINT32_MAX)
    return std::nullopt;
  const std::string* text = table->find(static_cast<std::uint32_t>(id));
  if (!text)
    return std::nullopt;
  return tarsel::env::formatMessageText(*text);
}

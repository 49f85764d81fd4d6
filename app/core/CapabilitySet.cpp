#include "app/core/CapabilitySet.h"

#include "app/core/RangeItem.h"
#include "platform/AsciiCase.h"
#include "platform/ProfileSection.h"
#include "platform/Win32Error.h"

#include <charconv>
#include <cstring>
#include <optional>

namespace tarsel::core {

const char* FindCapabilityLabel(const CapabilityValue* table, std::int32_t id) {
  for (const CapabilityValue* row = table; row && row->label; ++row)
    if (row->id == id)
      return row->label;
  return nullptr;
}

bool FindCapabilityId(const CapabilityValue* table, const char* label, std::int32_t* id) {
  for (const CapabilityValue* row = table; row && row->label && label; ++row) {
    if (std::strcmp(row->label, label) == 0) {
      if (id)
        *id = row->id;
      return true;
    }
  }
  return false;
}

std::size_t CapabilityCount(const CapabilityValue* table) {
  std::size_t count = 0;
  for (const CapabilityValue* row = table; row && row->label; ++row)
    ++count;
  return count;
}

} // namespace tarsel::core

namespace {

constexpr const char* kUnsupported = "UNSUPPORTED";

// The id of a line "<id>=<label>" (or "<id>" alone): a whole decimal number
// in the int range, blanks around it aside; nothing for any other text.
std::optional<std::int32_t> LineId(std::string_view key) {
  while (!key.empty() && (key.front() == ' ' || key.front() == '\t'))
    key.remove_prefix(1);
  while (!key.empty() && (key.back() == ' ' || key.back() == '\t'))
    key.remove_suffix(1);
  std::int32_t id = 0;
  const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), id);
  if (key.empty() || error != std::errc() || end != key.data() + key.size())
    return std::nullopt;
  return id;
}

} // namespace

CCapabilitySet::CCapabilitySet(const char* name, const Value* defaultTable)
    : m_defaultTable(defaultTable), m_name(name ? name : ""), m_range(-1, -1) {}

CCapabilitySet::CCapabilitySet(const char* file, const char* name, const CRange& defaultRange,
                               const Value* defaultTable)
    : m_defaultTable(defaultTable), m_name(name ? name : ""),
      m_range(defaultRange.GetMin(), defaultRange.GetMax()) {
  LoadFromIni(file);
}

CCapabilitySet::~CCapabilitySet() = default;

void CCapabilitySet::AddValue(std::int32_t id, const char* label) {
  m_entries.push_back({id, label ? label : ""});
  // A table built before misses the new value: GetValues builds it again.
  m_tableStale = !m_table.empty();
}

std::string CCapabilitySet::AddValueFromTable(std::int32_t id) {
  const char* label = tarsel::core::FindCapabilityLabel(m_defaultTable, id);
  if (!label)
    return {};
  AddValue(id, label);
  return std::to_string(id) + ":\t" + label;
}

void CCapabilitySet::BuildTable() {
  m_table.clear();
  m_tableStale = false;
  if (m_entries.empty())
    return;
  m_table.reserve(m_entries.size() + 1);
  for (const CCapabilityEntry& entry : m_entries)
    m_table.push_back({entry.id, entry.label.c_str()});
  m_table.push_back({0, nullptr});
}

void CCapabilitySet::Clear() {
  m_table.clear();
  m_tableStale = false;
  m_entries.clear();
}

bool CCapabilitySet::IsEmpty() const {
  return !m_unsupported && m_table.empty();
}

const CCapabilitySet::Value* CCapabilitySet::GetValues() {
  if (m_unsupported)
    return nullptr;
  if (m_table.empty() || m_tableStale)
    BuildTable();
  return m_table.empty() ? m_defaultTable : m_table.data();
}

void CCapabilitySet::AssignTable(const Value* table) {
  Clear();
  if (!table)
    return;
  // Values found (by the capability test, say) replace an "unsupported"
  // mark: otherwise they would be neither offered nor saved.
  m_unsupported = false;
  for (const Value* row = table; row->label; ++row)
    m_entries.push_back({row->id, row->label});
  BuildTable();
}

void CCapabilitySet::SaveToIni(const char* file) {
  std::string lines;
  if (m_unsupported) {
    lines = kUnsupported;
    lines += '\0';
  } else {
    const Value* table = GetValues();
    if (!table)
      return;
    for (const Value* row = table; row->label; ++row) {
      lines += std::to_string(row->id) + "=" + row->label;
      lines += '\0';
    }
  }
  lines += '\0';
  CRangeItem::SaveSet(file, m_name.c_str(), lines, m_range);
}

bool CCapabilitySet::LoadFromIni(const char* file) {
  if (!file || !*file)
    return false;
  const std::vector<std::string> lines = tarsel::platform::ReadProfileSection(m_name, file);
  if (!lines.empty()) {
    Clear();
    m_unsupported = tarsel::platform::asciiUpperCased(lines.front()) == kUnsupported;
    if (!m_unsupported) {
      for (const std::string& line : lines) {
        // A line without "=" is an id without a label; one whose id is not
        // a number is skipped.
        const std::size_t equals = line.find('=');
        if (const std::optional<std::int32_t> id = LineId(std::string_view(line).substr(0, equals)))
          m_entries.push_back({*id, equals == std::string::npos ? std::string() : line.substr(equals + 1)});
      }
      BuildTable();
    }
  }
  const CRangeItem range(file, m_name.c_str(), m_range);
  m_range = CRange(range.Min, range.Max);
  return !m_entries.empty();
}

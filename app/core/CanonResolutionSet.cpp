#include "app/core/CanonResolutionSet.h"

#include "app/core/RangeItem.h"
#include "platform/ProfileSection.h"

#include <optional>
#include <string_view>

namespace {

bool IsLabelCharacter(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ' ';
}

// An unsigned decimal number after optional blanks, followed by a comma.
std::optional<std::uint32_t> TakeField(std::string_view& text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  std::uint64_t value = 0;
  std::size_t digits = 0;
  for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits) {
    value = value * 10 + static_cast<std::uint64_t>(text[digits] - '0');
    if (value > UINT32_MAX)
      return std::nullopt;
  }
  if (digits == 0 || digits >= text.size() || text[digits] != ',')
    return std::nullopt;
  text.remove_prefix(digits + 1);
  return static_cast<std::uint32_t>(value);
}

// "<size code>,<quality>,<width>,<height>,<label>" after the "=".
std::optional<CCanonResolutionEntry> ParseLine(const std::string& line) {
  const std::size_t equals = line.find('=');
  std::string_view text(line);
  text.remove_prefix(equals == std::string::npos ? 0 : equals + 1);
  std::uint32_t fields[4] = {};
  for (std::uint32_t& field : fields) {
    const std::optional<std::uint32_t> value = TakeField(text);
    if (!value)
      return std::nullopt;
    field = *value;
  }
  std::size_t length = 0;
  while (length < text.size() && length < CCanonResolutionSet::kMaxLabel && IsLabelCharacter(text[length]))
    ++length;
  // Blanks that end the label would not survive the file: the reader trims
  // its lines.
  while (length > 0 && text[length - 1] == ' ')
    --length;
  if (length == 0)
    return std::nullopt;
  return CCanonResolutionEntry{fields[0], fields[1], fields[2], fields[3],
                               std::string(text.substr(0, length))};
}

} // namespace

CCanonResolutionSet::CCanonResolutionSet(const char* file, const char* name, const Value* defaultTable)
    : m_defaultTable(defaultTable), m_name(name ? name : ""), m_range(-1, -1) {
  LoadFromIni(file);
}

CCanonResolutionSet::~CCanonResolutionSet() = default;

void CCanonResolutionSet::BuildTable() {
  m_table.clear();
  m_tableStale = false;
  if (m_entries.empty())
    return;
  m_table.reserve(m_entries.size() + 1);
  std::int32_t position = 0;
  for (const CCanonResolutionEntry& entry : m_entries)
    m_table.push_back({position++, entry.label.c_str()});
  m_table.push_back({0, nullptr});
}

void CCanonResolutionSet::Clear() {
  m_table.clear();
  m_tableStale = false;
  m_entries.clear();
}

std::string CCanonResolutionSet::AddResolution(const SizeRecord& size, const Value* qualities,
                                               std::uint32_t quality) {
  const char* qualityLabel = tarsel::core::FindCapabilityLabel(qualities, static_cast<std::int32_t>(quality));
  // Without a quality label no blank follows the size: the file would lose it.
  std::string label = std::to_string(size.width) + "x" + std::to_string(size.height);
  if (qualityLabel && *qualityLabel)
    label += std::string(" ") + qualityLabel;
  m_entries.push_back({size.sizeCode, quality, size.width, size.height, label});
  m_tableStale = !m_table.empty();
  return label;
}

const CCanonResolutionSet::Value* CCanonResolutionSet::GetValues() {
  if (m_table.empty() || m_tableStale)
    BuildTable();
  return m_table.empty() ? m_defaultTable : m_table.data();
}

const CCanonResolutionEntry* CCanonResolutionSet::GetEntry(std::size_t position) const {
  return position < m_entries.size() ? &m_entries[position] : nullptr;
}

bool CCanonResolutionSet::LoadFromIni(const char* file) {
  if (!file || !*file)
    return false;
  const std::vector<std::string> lines = tarsel::platform::ReadProfileSection(m_name, file);
  if (!lines.empty()) {
    Clear();
    for (const std::string& line : lines)
      if (std::optional<CCanonResolutionEntry> entry = ParseLine(line))
        m_entries.push_back(std::move(*entry));
    BuildTable();
  }
  const CRangeItem range(file, m_name.c_str(), m_range);
  m_range = CRange(range.Min, range.Max);
  return !m_entries.empty();
}

void CCanonResolutionSet::SaveToIni(const char* file) {
  std::string lines;
  std::size_t position = 0;
  for (const CCanonResolutionEntry& entry : m_entries) {
    lines += std::to_string(position++) + "=" + std::to_string(entry.sizeCode) + "," +
             std::to_string(entry.quality) + "," + std::to_string(entry.width) + "," +
             std::to_string(entry.height) + "," + entry.label;
    lines += '\0';
  }
  lines += '\0';
  CRangeItem::SaveSet(file, m_name.c_str(), lines, m_range);
}

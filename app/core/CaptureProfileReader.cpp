#include "app/core/CaptureProfileReader.h"

#include "env/BrantelTakeError.h"
#include "platform/LeadingInteger.h"

#include <algorithm>
#include <cstring>

namespace tarsel::core {

namespace {

constexpr std::size_t kMaxLine = 255;

bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

CaptureProfileReader::CaptureProfileReader(const ICaptureProfileStorage& storage) {
  std::uint32_t length = 0;
  const void* data = storage.GetData(length);
  if (data && length)
    m_text.assign(static_cast<const char*>(data), length);
  // The text ends at its first zero, as a C string would.
  m_text.resize(std::strlen(m_text.c_str()));

  const std::string_view header = NextLine();
  if (header.substr(0, 4) != "CPFF")
    throw _brantel_take_error(kNotAProfile);
  if (header.substr(4, 2) != "v0")
    throw _brantel_take_error(kUnsupportedVersion);
}

std::string_view CaptureProfileReader::NextLine() {
  while (m_position < m_text.size() && isLineEnd(m_text[m_position]))
    ++m_position;
  const std::size_t start = m_position;
  while (m_position < m_text.size() && !isLineEnd(m_text[m_position]))
    ++m_position;
  return std::string_view(m_text).substr(start, m_position - start);
}

bool CaptureProfileReader::Next(std::string& key, std::string& value) {
  for (std::string_view line = NextLine(); !line.empty(); line = NextLine()) {
    line = line.substr(0, kMaxLine);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos || equals + 1 == line.size())
      continue;
    key.assign(line.substr(0, equals));
    value.assign(line.substr(equals + 1));
    return true;
  }
  return false;
}

std::int32_t CaptureProfileReader::Number(std::string_view value) {
  std::size_t start = 0;
  while (start < value.size() && (value[start] == ' ' || (value[start] >= '\t' && value[start] <= '\r')))
    ++start;
  return tarsel::platform::LeadingInteger(value.substr(start));
}

bool CaptureProfileReader::SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == lower(y); });
}

} // namespace tarsel::core

#include "app/pictures/FractionValue.h"

#include <charconv>
#include <string_view>
#include <vector>

double ParseLeadingNumber(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || (text[start] >= '\t' && text[start] <= '\r')))
    ++start;
  bool negative = false;
  if (start < text.size() && (text[start] == '+' || text[start] == '-')) {
    negative = text[start] == '-';
    ++start;
  }
  // from_chars takes neither "+" nor a second sign.
  if (start < text.size() && (text[start] == '+' || text[start] == '-'))
    return 0.0;
  double value = 0.0;
  const char* first = text.data() + start;
  const auto result = std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument)
    return 0.0;
  return negative ? -value : value;
}

double ParseFractionValue(const char* text, double fallback) {
  if (!text)
    return fallback;
  const std::string_view whole(text);
  if (whole.find('/') == std::string_view::npos)
    return ParseLeadingNumber(whole);

  // Split at "/" as strtok does: empty parts are skipped.
  std::vector<std::string_view> parts;
  std::size_t position = 0;
  while (position <= whole.size() && parts.size() < 2) {
    const std::size_t slash = whole.find('/', position);
    const std::size_t end = slash == std::string_view::npos ? whole.size() : slash;
    if (end > position)
      parts.push_back(whole.substr(position, end - position));
    if (slash == std::string_view::npos)
      break;
    position = slash + 1;
  }
  if (parts.size() < 2)
    return fallback;
  const double divisor = ParseLeadingNumber(parts[1]);
  if (divisor == 0.0)
    return fallback;
  return ParseLeadingNumber(parts[0]) / divisor;
}

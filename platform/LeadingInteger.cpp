#include "platform/LeadingInteger.h"

#include <algorithm>
#include <climits>

namespace tarsel::platform {

int LeadingInteger(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  long long magnitude = 0;
  const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
  return static_cast<int>(negative ? -magnitude : magnitude);
}

} // namespace tarsel::platform

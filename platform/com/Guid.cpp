#include "platform/com/Guid.h"

#include <cstdio>

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  return -1;
}

// `digits` hexadecimal digits at `at`; no value when one is not a digit.
std::optional<std::uint32_t> hexField(std::string_view text, std::size_t at, int digits) {
  std::uint32_t value = 0;
  for (int i = 0; i < digits; ++i) {
    const int d = hexDigit(text[at + static_cast<std::size_t>(i)]);
    if (d < 0)
      return std::nullopt;
    value = value << 4 | static_cast<std::uint32_t>(d);
  }
  return value;
}

} // namespace

std::string StringFromGUID(const GUID& guid) {
  char text[39];
  std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1,
                guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3],
                guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  return text;
}

std::optional<GUID> GUIDFromString(std::string_view text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-')
    return std::nullopt;
  GUID guid;
  const auto data1 = hexField(text, 1, 8);
  const auto data2 = hexField(text, 10, 4);
  const auto data3 = hexField(text, 15, 4);
  if (!data1 || !data2 || !data3)
    return std::nullopt;
  guid.Data1 = *data1;
  guid.Data2 = static_cast<WORD>(*data2);
  guid.Data3 = static_cast<WORD>(*data3);
  static constexpr std::size_t byteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    const auto byte = hexField(text, byteAt[i], 2);
    if (!byte)
      return std::nullopt;
    guid.Data4[i] = static_cast<BYTE>(*byte);
  }
  return guid;
}

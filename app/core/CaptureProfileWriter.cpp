#include "app/core/CaptureProfileWriter.h"

#include <charconv>

namespace tarsel::core {

CaptureProfileWriter::CaptureProfileWriter() : m_text("CPFFv001\r\n") {}

void CaptureProfileWriter::AddText(std::string_view key, std::string_view value) {
  m_text.append(key).append("=").append(value).append("\r\n");
}

void CaptureProfileWriter::AddNumber(std::string_view key, std::int32_t value) {
  char digits[16];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  AddText(key, std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
}

void CaptureProfileWriter::HandTo(ICaptureProfileStorage& storage) const {
  storage.SetData(m_text.data(), static_cast<std::uint32_t>(m_text.size()));
}

} // namespace tarsel::core

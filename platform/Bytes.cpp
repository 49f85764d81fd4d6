#include "platform/Bytes.h"

#include <string>

namespace tarsel::bytes {

BytesError::BytesError(std::uint32_t code)
    : std::runtime_error("malformed or short data (code " + std::to_string(code) + ")"), m_code(code) {}

void fail(std::uint32_t code) {
  throw BytesError(code);
}

std::uint8_t ByteReader::u8() {
  return take(1)[0];
}

std::span<const std::uint8_t> ByteReader::take(std::size_t n) {
  enforce(inside(m_pos, n, m_bytes.size()), m_code);
  const std::span<const std::uint8_t> out = m_bytes.subspan(m_pos, n);
  m_pos += n;
  return out;
}

void ByteReader::seek(std::size_t position) {
  enforce(position <= m_bytes.size(), m_code);
  m_pos = position;
}

} // namespace tarsel::bytes

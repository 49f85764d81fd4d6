#include "app/pictures/TiffEntry.h"

#include <algorithm>

std::uint32_t CTiffEntry::TypeSize(std::uint16_t type) {
  switch (type) {
  case 1:
  case 2:
  case 6:
  case 7:
    return 1;
  case 3:
  case 8:
    return 2;
  case 4:
  case 9:
  case 11:
  case 13:
    return 4;
  case 5:
  case 10:
  case 12:
    return 8;
  default:
    return 0;
  }
}

bool CTiffEntry::IsAbsent() const {
  return IsNull() || (Tag() == 0 && Type() == 0);
}

std::uint16_t CTiffEntry::Tag() const {
  return Field<std::uint16_t>(0);
}

std::uint16_t CTiffEntry::Type() const {
  return Field<std::uint16_t>(2);
}

std::uint32_t CTiffEntry::Count() const {
  return Field<std::uint32_t>(4);
}

std::uint32_t CTiffEntry::RawValue() const {
  return Field<std::uint32_t>(8);
}

std::uint64_t CTiffEntry::DataSize() const {
  return std::uint64_t{Count()} * TypeSize(Type());
}

std::size_t CTiffEntry::DataOffset() const {
  if (IsNull())
    ThrowTiffError(kTiffBadParameter);
  if (!IsOutOfLine())
    return m_offset + 8;
  const std::uint32_t offset = RawValue();
  if (!tarsel::bytes::inside(offset, DataSize(), m_bytes.size()))
    ThrowTiffError(kTiffOutOfBounds);
  return offset;
}

std::uint32_t CTiffEntry::Value() const {
  if (IsNull())
    return 0;
  const std::size_t at = DataOffset();
  switch (TypeSize(Type())) {
  case 1:
    return TiffLoad<std::uint8_t>(m_bytes, at, m_little);
  case 2:
    return TiffLoad<std::uint16_t>(m_bytes, at, m_little);
  default:
    return TiffLoad<std::uint32_t>(m_bytes, at, m_little);
  }
}

std::size_t CTiffEntry::ElementAt(std::uint32_t index, std::size_t width) const {
  if (IsNull() || index >= Count())
    ThrowTiffError(kTiffOutOfBounds);
  const std::uint64_t position = std::uint64_t{index} * width;
  std::uint64_t start = m_offset + 8;
  std::uint64_t limit = m_offset + 12;
  if (IsOutOfLine()) {
    start = RawValue();
    limit = m_bytes.size();
  }
  if (!tarsel::bytes::inside(start + position, width, limit))
    ThrowTiffError(kTiffOutOfBounds);
  return start + position;
}

std::uint32_t CTiffEntry::Element32(std::uint32_t index) const {
  return TiffLoad<std::uint32_t>(m_bytes, ElementAt(index, 4), m_little);
}

std::uint16_t CTiffEntry::Element16(std::uint32_t index) const {
  return TiffLoad<std::uint16_t>(m_bytes, ElementAt(index, 2), m_little);
}

std::uint32_t CTiffEntry::ShortOrLong(std::uint32_t index) const {
  switch (Type()) {
  case TypeShort:
    return Element16(index);
  case TypeLong:
    return Element32(index);
  default:
    ThrowTiffError(kTiffBadParameter);
  }
}

std::string CTiffEntry::Text() const {
  if (IsNull() || Type() != TypeAscii)
    ThrowTiffError(kTiffBadParameter);
  const std::span<const BYTE> text = m_bytes.subspan(DataOffset(), Count());
  const auto nul = std::find(text.begin(), text.end(), BYTE{0});
  return std::string(text.begin(), nul);
}

TiffRational CTiffEntry::Rational() const {
  if (IsNull())
    return {};
  const std::uint32_t offset = RawValue();
  return {TiffLoad<std::uint32_t>(m_bytes, offset, m_little),
          TiffLoad<std::uint32_t>(m_bytes, std::size_t{offset} + 4, m_little)};
}

// A view of one 12-byte TIFF directory entry (tag, field type, count, value
// or offset) inside a byte buffer whose first byte is the TIFF header. A null
// entry, or one whose tag and type are both 0, stands for an absent tag.
//
// Every access to the entry's data is checked against the buffer: data
// outside it throw 0x81050003, an element index past the count 0x81050003,
// a text read from a non-ASCII entry 0x81050004. Owns nothing; the buffer
// must outlive the view.
#pragma once

#include "TarselPictures_export.h"
#include "app/pictures/TiffReader.h"
#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

struct TiffRational {
  std::uint32_t numerator = 0;
  std::uint32_t denominator = 0;
};

class TARSELPICTURES_EXPORT CTiffEntry {
public:
  enum : std::uint16_t {
    TypeByte = 1,
    TypeAscii = 2,
    TypeShort = 3,
    TypeLong = 4,
    TypeRational = 5,
    TypeUndefined = 7,
    TypeSLong = 9,
    TypeIfd = 13
  };

  CTiffEntry() = default;
  // The entry at `entryOffset`; the caller has checked that its 12 bytes
  // lie inside the buffer.
  CTiffEntry(const BYTE* data, std::size_t size, std::size_t entryOffset, bool little)
      : m_bytes(data, data ? size : 0), m_offset(entryOffset), m_little(little) {}

  // 1 for BYTE, ASCII, SBYTE, UNDEFINED; 2 for SHORT, SSHORT; 4 for LONG,
  // SLONG, FLOAT and IFD; 8 for RATIONAL, SRATIONAL, DOUBLE; 0 otherwise.
  static std::uint32_t TypeSize(std::uint16_t type);

  bool IsAbsent() const;
  std::size_t EntryOffset() const { return m_offset; }
  std::uint16_t Tag() const;
  std::uint16_t Type() const;
  std::uint32_t Count() const;
  std::uint32_t RawValue() const;
  // count x type size, without overflow.
  std::uint64_t DataSize() const;
  bool IsOutOfLine() const { return DataSize() > 4; }
  // Where the data start: the value field itself, or the offset it holds
  // (checked to lie, with all its data, inside the buffer).
  std::size_t DataOffset() const;

  // The first element read by the type's size: a byte, a 16-bit word or a
  // 32-bit word, from the value field, or from the data it points at when
  // they do not fit there (checked like DataOffset). Never the offset
  // itself: a rewrite moves the data, and the value must not change with it.
  std::uint32_t Value() const;
  std::uint32_t Element32(std::uint32_t index) const;
  std::uint16_t Element16(std::uint32_t index) const;
  // Element `index` of a SHORT or LONG entry; other types throw 0x81050004.
  std::uint32_t ShortOrLong(std::uint32_t index) const;
  // At most `count` characters, ending at the first NUL.
  std::string Text() const;
  TiffRational Rational() const;

private:
  // Where element `index` of `width` bytes starts, checked to lie inside the data.
  std::size_t ElementAt(std::uint32_t index, std::size_t width) const;
  bool IsNull() const { return m_bytes.empty(); }
  // A field of the 12 bytes; 0 for a null entry.
  template <class T> T Field(std::size_t at) const {
    return IsNull() ? T{0} : TiffLoad<T>(m_bytes, m_offset + at, m_little);
  }

  // Empty for a null entry: a real one lies inside its buffer.
  std::span<const BYTE> m_bytes;
  std::size_t m_offset = 0;
  bool m_little = true;
};

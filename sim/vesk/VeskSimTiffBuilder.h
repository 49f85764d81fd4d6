// Writes little-endian TIFF structures: the EXIF block of a JPEG picture and
// the baseline RGB TIFF pictures of the simulated card. Entries are collected
// per directory (IFD) and laid out with their out-of-line values after each
// directory; offsets count from the TIFF header, as the format wants.
// Single-threaded value type; nothing here fails except allocation.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tarsel::vesksim {

class VeskSimTiffBuilder {
public:
  enum Type : std::uint16_t {
    Byte = 1,
    Ascii = 2,
    Short = 3,
    Long = 4,
    Rational = 5,
    Undefined = 7,
    SRational = 10
  };

  struct Entry {
    std::uint16_t tag = 0;
    std::uint16_t type = Byte;
    std::uint32_t count = 0;
    std::vector<std::uint8_t> value; // count * size of type bytes
  };
  using Directory = std::vector<Entry>;

  static Entry ascii(std::uint16_t tag, const std::string& text);
  static Entry shorts(std::uint16_t tag, std::vector<std::uint16_t> values);
  static Entry longs(std::uint16_t tag, std::vector<std::uint32_t> values);
  static Entry rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator);
  static Entry srational(std::uint16_t tag, std::int32_t numerator, std::int32_t denominator);
  static Entry undefined(std::uint16_t tag, const std::string& bytes);

  // Bytes a directory takes with its out-of-line values.
  static std::uint32_t directorySize(const Directory& dir);

  // "II*\0" and the first directory's offset 8.
  static void appendHeader(std::vector<std::uint8_t>& out);

  // Appends the directory at out.size() (which must be even, relative to the
  // TIFF header at `base`); entries are written sorted by tag.
  static void appendDirectory(std::vector<std::uint8_t>& out, std::size_t base, Directory dir,
                              std::uint32_t nextDirectory);
};

} // namespace tarsel::vesksim

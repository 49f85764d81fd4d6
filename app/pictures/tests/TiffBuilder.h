// Builds small TIFF files byte by byte for the codec tests: the header, data
// blocks at even offsets and directories whose out-of-line data are placed
// before them, in either byte order.
#pragma once

#include "hostapi/Win32Types.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class TiffBuilder {
public:
  struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::vector<BYTE> data; // in the file's byte order
  };

  explicit TiffBuilder(bool little = true) : m_little(little) {
    m_bytes = {BYTE(little ? 'I' : 'M'), BYTE(little ? 'I' : 'M'), 0, 0, 0, 0, 0, 0};
    put16(2, 42);
  }

  bool little() const { return m_little; }
  std::vector<BYTE>& bytes() { return m_bytes; }

  std::vector<BYTE> encode16(const std::vector<std::uint16_t>& values) const {
    std::vector<BYTE> out;
    for (std::uint16_t v : values) {
      const BYTE b[2] = {BYTE(v & 0xFF), BYTE(v >> 8)};
      out.push_back(m_little ? b[0] : b[1]);
      out.push_back(m_little ? b[1] : b[0]);
    }
    return out;
  }
  std::vector<BYTE> encode32(const std::vector<std::uint32_t>& values) const {
    std::vector<BYTE> out;
    for (std::uint32_t v : values)
      for (int i = 0; i < 4; ++i)
        out.push_back(BYTE((v >> (8 * (m_little ? i : 3 - i))) & 0xFF));
    return out;
  }

  Entry shorts(std::uint16_t tag, const std::vector<std::uint16_t>& values) const {
    return {tag, 3, std::uint32_t(values.size()), encode16(values)};
  }
  Entry longs(std::uint16_t tag, const std::vector<std::uint32_t>& values) const {
    return {tag, 4, std::uint32_t(values.size()), encode32(values)};
  }
  Entry ascii(std::uint16_t tag, const std::string& text, bool withNul = true) const {
    std::vector<BYTE> data(text.begin(), text.end());
    if (withNul)
      data.push_back(0);
    return {tag, 2, std::uint32_t(data.size()), data};
  }
  Entry rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) const {
    return {tag, 5, 1, encode32({numerator, denominator})};
  }
  Entry undefined(std::uint16_t tag, const std::vector<BYTE>& data) const {
    return {tag, 7, std::uint32_t(data.size()), data};
  }

  // Appends bytes at the next even offset; returns that offset.
  std::uint32_t append(const std::vector<BYTE>& data) {
    if (m_bytes.size() % 2)
      m_bytes.push_back(0xEE);
    const std::uint32_t at = std::uint32_t(m_bytes.size());
    m_bytes.insert(m_bytes.end(), data.begin(), data.end());
    return at;
  }

  // Writes the out-of-line data, then the directory; returns its offset.
  std::uint32_t directory(const std::vector<Entry>& entries, std::uint32_t next = 0) {
    std::vector<std::uint32_t> values;
    for (const Entry& e : entries) {
      if (e.data.size() > 4)
        values.push_back(append(e.data));
      else
        values.push_back(0);
    }
    std::vector<BYTE> ifd = encode16({std::uint16_t(entries.size())});
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const Entry& e = entries[i];
      const auto head = encode16({e.tag, e.type});
      ifd.insert(ifd.end(), head.begin(), head.end());
      const auto count = encode32({e.count});
      ifd.insert(ifd.end(), count.begin(), count.end());
      std::vector<BYTE> field = e.data.size() > 4 ? encode32({values[i]}) : e.data;
      field.resize(4, 0);
      ifd.insert(ifd.end(), field.begin(), field.end());
    }
    const auto link = encode32({next});
    ifd.insert(ifd.end(), link.begin(), link.end());
    return append(ifd);
  }

  void setFirst(std::uint32_t offset) { put32(4, offset); }
  void put16(std::size_t at, std::uint16_t v) {
    const auto b = encode16({v});
    std::copy(b.begin(), b.end(), m_bytes.begin() + std::ptrdiff_t(at));
  }
  void put32(std::size_t at, std::uint32_t v) {
    const auto b = encode32({v});
    std::copy(b.begin(), b.end(), m_bytes.begin() + std::ptrdiff_t(at));
  }

  // An uncompressed RGB picture: the strips' pixels, then IFD0 with the
  // usual tags plus `extra` (tags must keep ascending order in the caller's
  // interest only; the codec does not need it). `bitsPerSample` is tag 258
  // as written: {8, 8, 8} by default, or its single-value form {8}, or a
  // layout to refuse.
  std::uint32_t rgbPicture(std::uint32_t width, std::uint32_t height, std::uint32_t rowsPerStrip,
                           const std::vector<BYTE>& pixels, std::vector<Entry> extra = {},
                           std::optional<Entry> bitsPerSample = std::nullopt) {
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> counts;
    const std::uint32_t rowBytes = width * 3;
    for (std::uint32_t row = 0; row < height; row += rowsPerStrip) {
      const std::uint32_t rows = std::min(rowsPerStrip, height - row);
      const auto first = pixels.begin() + std::ptrdiff_t(row * rowBytes);
      offsets.push_back(append(std::vector<BYTE>(first, first + std::ptrdiff_t(rows * rowBytes))));
      counts.push_back(rows * rowBytes);
    }
    std::vector<Entry> entries = {
        longs(256, {width}), longs(257, {height}),       bitsPerSample.value_or(shorts(258, {8, 8, 8})),
        shorts(259, {1}),    shorts(262, {2}),           longs(273, offsets),
        shorts(277, {3}),    longs(278, {rowsPerStrip}), longs(279, counts),
        shorts(284, {1})};
    entries.insert(entries.end(), extra.begin(), extra.end());
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
    const std::uint32_t at = directory(entries);
    setFirst(at);
    return at;
  }

private:
  bool m_little;
  std::vector<BYTE> m_bytes;
};

#include "sim/vesk/VeskSimTiffBuilder.h"

#include <algorithm>

namespace tarsel::vesksim {
namespace {

void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint32_t outOfLineSize(const VeskSimTiffBuilder::Entry& e) {
  const auto size = static_cast<std::uint32_t>(e.value.size());
  return size <= 4 ? 0 : size + (size & 1u);
}

} // namespace

VeskSimTiffBuilder::Entry VeskSimTiffBuilder::ascii(std::uint16_t tag, const std::string& text) {
  Entry e{tag, Ascii, static_cast<std::uint32_t>(text.size() + 1), {}};
  e.value.assign(text.begin(), text.end());
  e.value.push_back(0);
  return e;
}

VeskSimTiffBuilder::Entry VeskSimTiffBuilder::shorts(std::uint16_t tag, std::vector<std::uint16_t> values) {
  Entry e{tag, Short, static_cast<std::uint32_t>(values.size()), {}};
  for (std::uint16_t v : values)
    put16(e.value, v);
  return e;
}

VeskSimTiffBuilder::Entry VeskSimTiffBuilder::longs(std::uint16_t tag, std::vector<std::uint32_t> values) {
  Entry e{tag, Long, static_cast<std::uint32_t>(values.size()), {}};
  for (std::uint32_t v : values)
    put32(e.value, v);
  return e;
}

VeskSimTiffBuilder::Entry VeskSimTiffBuilder::rational(std::uint16_t tag, std::uint32_t numerator,
                                                       std::uint32_t denominator) {
  Entry e{tag, Rational, 1, {}};
  put32(e.value, numerator);
  put32(e.value, denominator);
  return e;
}

VeskSimTiffBuilder::Entry VeskSimTiffBuilder::srational(std::uint16_t tag, std::int32_t numerator,
                                                        std::int32_t denominator) {
  Entry e{tag, SRational, 1, {}};
  put32(e.value, static_cast<std::uint32_t>(numerator));
  put32(e.value, static_cast<std::uint32_t>(denominator));
  return e;
}

VeskSimTiffBuilder::Entry VeskSimTiffBuilder::undefined(std::uint16_t tag, const std::string& bytes) {
  Entry e{tag, Undefined, static_cast<std::uint32_t>(bytes.size()), {}};
  e.value.assign(bytes.begin(), bytes.end());
  return e;
}

std::uint32_t VeskSimTiffBuilder::directorySize(const Directory& dir) {
  std::uint32_t size = 2 + 12 * static_cast<std::uint32_t>(dir.size()) + 4;
  for (const Entry& e : dir)
    size += outOfLineSize(e);
  return size;
}

void VeskSimTiffBuilder::appendHeader(std::vector<std::uint8_t>& out) {
  out.push_back('I');
  out.push_back('I');
  put16(out, 42);
  put32(out, 8);
}

void VeskSimTiffBuilder::appendDirectory(std::vector<std::uint8_t>& out, std::size_t base, Directory dir,
                                         std::uint32_t nextDirectory) {
  std::sort(dir.begin(), dir.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
  const std::size_t start = out.size();
  std::uint32_t dataOffset =
      static_cast<std::uint32_t>(start - base) + 2 + 12 * static_cast<std::uint32_t>(dir.size()) + 4;
  std::vector<std::uint8_t> data;
  put16(out, static_cast<std::uint16_t>(dir.size()));
  for (const Entry& e : dir) {
    put16(out, e.tag);
    put16(out, e.type);
    put32(out, e.count);
    if (e.value.size() <= 4) {
      std::uint8_t inlineValue[4] = {0, 0, 0, 0};
      std::copy(e.value.begin(), e.value.end(), inlineValue);
      out.insert(out.end(), inlineValue, inlineValue + 4);
      continue;
    }
    put32(out, dataOffset + static_cast<std::uint32_t>(data.size()));
    data.insert(data.end(), e.value.begin(), e.value.end());
    if (data.size() & 1u)
      data.push_back(0);
  }
  put32(out, nextDirectory);
  out.insert(out.end(), data.begin(), data.end());
}

} // namespace tarsel::vesksim

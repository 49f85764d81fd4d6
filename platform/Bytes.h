// Bytes read from a file, a camera, a socket or a datagram: little- and
// big-endian loads and stores over spans, a bounded reading cursor, checked
// addition and multiplication and a one-line enforce. Every access is checked
// against the span; a failed check throws BytesError carrying the error code
// the caller chose, which the caller turns into its own error at its edge.
// Pure functions and a cursor over caller-owned bytes: no shared state.
#pragma once

#include "tarselplatform_export.h"

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <stdexcept>

namespace tarsel::bytes {

// ERROR_INVALID_DATA: the default code of a failed check.
inline constexpr std::uint32_t kDefaultCode = 13;

class TARSELPLATFORM_EXPORT BytesError : public std::runtime_error {
public:
  explicit BytesError(std::uint32_t code);
  std::uint32_t Code() const noexcept { return m_code; }

private:
  std::uint32_t m_code;
};

[[noreturn]] TARSELPLATFORM_EXPORT void fail(std::uint32_t code = kDefaultCode);

inline void enforce(bool ok, std::uint32_t code = kDefaultCode) {
  if (!ok)
    fail(code);
}

template <std::unsigned_integral T> std::optional<T> checkedAdd(T a, T b) {
  T out{};
  if (__builtin_add_overflow(a, b, &out))
    return std::nullopt;
  return out;
}

template <std::unsigned_integral T> std::optional<T> checkedMul(T a, T b) {
  T out{};
  if (__builtin_mul_overflow(a, b, &out))
    return std::nullopt;
  return out;
}

template <std::unsigned_integral T> T addOrFail(T a, T b, std::uint32_t code = kDefaultCode) {
  const std::optional<T> sum = checkedAdd(a, b);
  enforce(sum.has_value(), code);
  return *sum;
}

template <std::unsigned_integral T> T mulOrFail(T a, T b, std::uint32_t code = kDefaultCode) {
  const std::optional<T> product = checkedMul(a, b);
  enforce(product.has_value(), code);
  return *product;
}

// True when [offset, offset + length) lies inside `size` bytes.
constexpr bool inside(std::size_t offset, std::size_t length, std::size_t size) noexcept {
  return offset <= size && length <= size - offset;
}

namespace detail {
template <std::unsigned_integral T>
T load(std::span<const std::uint8_t> s, std::size_t at, bool little, std::uint32_t code) {
  enforce(inside(at, sizeof(T), s.size()), code);
  T v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    const std::size_t shift = little ? 8 * i : 8 * (sizeof(T) - 1 - i);
    v = static_cast<T>(v | static_cast<T>(static_cast<T>(s[at + i]) << shift));
  }
  return v;
}

template <std::unsigned_integral T>
void store(std::span<std::uint8_t> s, std::size_t at, T v, bool little, std::uint32_t code) {
  enforce(inside(at, sizeof(T), s.size()), code);
  for (std::size_t i = 0; i < sizeof(T); ++i) {
    const std::size_t shift = little ? 8 * i : 8 * (sizeof(T) - 1 - i);
    s[at + i] = static_cast<std::uint8_t>(v >> shift);
  }
}
} // namespace detail

// Loads of `sizeof(T)` bytes at `at`, in the given byte order.
template <std::unsigned_integral T>
T load(std::span<const std::uint8_t> s, std::size_t at, bool littleEndian,
       std::uint32_t code = kDefaultCode) {
  return detail::load<T>(s, at, littleEndian, code);
}

template <std::unsigned_integral T>
void store(std::span<std::uint8_t> s, std::size_t at, T v, bool littleEndian,
           std::uint32_t code = kDefaultCode) {
  detail::store<T>(s, at, v, littleEndian, code);
}

inline std::uint16_t loadLe16(std::span<const std::uint8_t> s, std::size_t at = 0,
                              std::uint32_t code = kDefaultCode) {
  return detail::load<std::uint16_t>(s, at, true, code);
}
inline std::uint32_t loadLe32(std::span<const std::uint8_t> s, std::size_t at = 0,
                              std::uint32_t code = kDefaultCode) {
  return detail::load<std::uint32_t>(s, at, true, code);
}
inline std::uint64_t loadLe64(std::span<const std::uint8_t> s, std::size_t at = 0,
                              std::uint32_t code = kDefaultCode) {
  return detail::load<std::uint64_t>(s, at, true, code);
}
inline std::uint16_t loadBe16(std::span<const std::uint8_t> s, std::size_t at = 0,
                              std::uint32_t code = kDefaultCode) {
  return detail::load<std::uint16_t>(s, at, false, code);
}
inline std::uint32_t loadBe32(std::span<const std::uint8_t> s, std::size_t at = 0,
                              std::uint32_t code = kDefaultCode) {
  return detail::load<std::uint32_t>(s, at, false, code);
}
inline void storeLe16(std::span<std::uint8_t> s, std::size_t at, std::uint16_t v,
                      std::uint32_t code = kDefaultCode) {
  detail::store(s, at, v, true, code);
}
inline void storeLe32(std::span<std::uint8_t> s, std::size_t at, std::uint32_t v,
                      std::uint32_t code = kDefaultCode) {
  detail::store(s, at, v, true, code);
}
inline void storeLe64(std::span<std::uint8_t> s, std::size_t at, std::uint64_t v,
                      std::uint32_t code = kDefaultCode) {
  detail::store(s, at, v, true, code);
}
inline void storeBe16(std::span<std::uint8_t> s, std::size_t at, std::uint16_t v,
                      std::uint32_t code = kDefaultCode) {
  detail::store(s, at, v, false, code);
}
inline void storeBe32(std::span<std::uint8_t> s, std::size_t at, std::uint32_t v,
                      std::uint32_t code = kDefaultCode) {
  detail::store(s, at, v, false, code);
}

// Reads forward through caller-owned bytes in one byte order; any read or
// seek past the end throws BytesError with the cursor's code and leaves the
// position where it was.
class TARSELPLATFORM_EXPORT ByteReader {
public:
  explicit ByteReader(std::span<const std::uint8_t> bytes, bool littleEndian = true,
                      std::uint32_t shortReadCode = kDefaultCode) noexcept
      : m_bytes(bytes), m_little(littleEndian), m_code(shortReadCode) {}

  std::uint8_t u8();
  std::uint16_t u16() { return next<std::uint16_t>(); }
  std::uint32_t u32() { return next<std::uint32_t>(); }
  std::uint64_t u64() { return next<std::uint64_t>(); }
  // The next `n` bytes, as a view into the same buffer.
  std::span<const std::uint8_t> take(std::size_t n);
  void skip(std::size_t n) { take(n); }
  void seek(std::size_t position);

  std::size_t position() const noexcept { return m_pos; }
  std::size_t remaining() const noexcept { return m_bytes.size() - m_pos; }
  bool littleEndian() const noexcept { return m_little; }
  std::span<const std::uint8_t> bytes() const noexcept { return m_bytes; }

private:
  template <std::unsigned_integral T> T next() {
    const T v = detail::load<T>(m_bytes, m_pos, m_little, m_code);
    m_pos += sizeof(T);
    return v;
  }

  std::span<const std::uint8_t> m_bytes;
  bool m_little;
  std::uint32_t m_code;
  std::size_t m_pos = 0;
};

} // namespace tarsel::bytes

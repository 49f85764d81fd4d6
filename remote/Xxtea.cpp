#include "remote/Xxtea.h"

#include <cstddef>

namespace tarsel::remote {

namespace {

constexpr std::uint32_t kDelta = 0x9E3779B9u;

std::uint32_t mix(std::uint32_t y, std::uint32_t z, std::uint32_t sum, std::size_t p, std::uint32_t e,
                  const XxteaKey& key) {
  return (((z >> 5) ^ (y << 2)) + ((y >> 3) ^ (z << 4))) ^ ((sum ^ y) + (key[(p & 3) ^ e] ^ z));
}

std::uint32_t cycles(std::size_t n) {
  return static_cast<std::uint32_t>(6 + 52 / n);
}

} // namespace

bool xxteaEncipher(std::span<std::uint32_t> v, const XxteaKey& key) {
  const std::size_t n = v.size();
  if (n < 2)
    return false;
  std::uint32_t sum = 0;
  std::uint32_t z = v[n - 1];
  for (std::uint32_t round = cycles(n); round > 0; --round) {
    sum += kDelta;
    const std::uint32_t e = (sum >> 2) & 3;
    std::size_t p = 0;
    for (; p < n - 1; ++p) {
      const std::uint32_t y = v[p + 1];
      z = v[p] += mix(y, z, sum, p, e, key);
    }
    const std::uint32_t y = v[0];
    z = v[n - 1] += mix(y, z, sum, p, e, key);
  }
  return true;
}

bool xxteaDecipher(std::span<std::uint32_t> v, const XxteaKey& key) {
  const std::size_t n = v.size();
  if (n < 2)
    return false;
  const std::uint32_t rounds = cycles(n);
  std::uint32_t sum = rounds * kDelta;
  std::uint32_t y = v[0];
  for (std::uint32_t round = rounds; round > 0; --round) {
    const std::uint32_t e = (sum >> 2) & 3;
    std::size_t p = n - 1;
    for (; p > 0; --p) {
      const std::uint32_t z = v[p - 1];
      y = v[p] -= mix(y, z, sum, p, e, key);
    }
    const std::uint32_t z = v[n - 1];
    y = v[0] -= mix(y, z, sum, p, e, key);
    sum -= kDelta;
  }
  return true;
}

} // namespace tarsel::remote

// XXTEA (the corrected block TEA) over 32-bit words, in place: delta
// 0x9E3779B9, 6 + 52 / n cycles, the standard mixing function and key word
// (index mod 4) XOR ((sum >> 2) mod 4). Blocks of fewer than two words are
// refused and left unchanged. Pure functions, safe from any thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace tarsel::remote {

using XxteaKey = std::array<std::uint32_t, 4>;

// Both return false, changing nothing, when the block has fewer than 2 words.
bool xxteaEncipher(std::span<std::uint32_t> words, const XxteaKey& key);
bool xxteaDecipher(std::span<std::uint32_t> words, const XxteaKey& key);

} // namespace tarsel::remote

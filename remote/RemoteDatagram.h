// The remote-control datagram, both ways. Layout before enciphering:
//   offset 0   4 bytes  nonce, little-endian (not examined by the receiver)
//   offset 4   L bytes  the message text, "MSL?" + items, not terminated
//   offset 4+L 1..4     zero bytes, 4 - (L mod 4), so the size is a multiple of 4
// The whole datagram is then enciphered with XXTEA as little-endian words.
// The nonce is the low 32 bits of the current UTC file time (100-ns units
// since 1601) plus the process id, modulo 2^32.
// Decoding distrusts every byte: a datagram shorter than 8 bytes, not a
// multiple of 4 bytes or longer than kMaxDatagramSize is dropped before
// anything is deciphered, and nothing past its end is ever read.
// Pure functions, safe from any thread.
#pragma once

#include "remote/Xxtea.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::remote {

// The largest datagram either end handles: the largest multiple of 4 that a
// UDP datagram over IPv4 can carry.
inline constexpr std::size_t kMaxDatagramSize = 65504;
// The longest message text that fits (4 bytes of nonce, 1 of padding).
inline constexpr std::size_t kMaxTextSize = kMaxDatagramSize - 5;

std::uint32_t nonceFrom(std::uint64_t utcFileTime, std::uint32_t processId);
// From the system clock and this process's id.
std::uint32_t currentNonce();

// The enciphered datagram; none when the text is longer than kMaxTextSize.
std::optional<std::vector<std::uint8_t>> encodeDatagram(std::uint32_t nonce, std::string_view text,
                                                        const XxteaKey& key);

// The deciphered bytes of a datagram whose length passes the checks above;
// none when it does not.
std::optional<std::vector<std::uint8_t>> decipherDatagram(std::span<const std::uint8_t> bytes,
                                                          const XxteaKey& key);

// Deciphers and checks for "MSL" at offset 4; the command text from offset 7
// up to the first zero byte (or the end). None when the datagram is dropped.
std::optional<std::string> decodeDatagram(std::span<const std::uint8_t> bytes, const XxteaKey& key);

} // namespace tarsel::remote

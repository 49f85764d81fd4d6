#include "remote/RemoteDatagram.h"

#include "platform/Bytes.h"

#include <algorithm>
#include <ctime>

#include <unistd.h>

namespace tarsel::remote {

namespace {

// Seconds from 1 January 1601 to 1 January 1970.
constexpr std::uint64_t kEpochDifference = 11644473600ull;

std::vector<std::uint32_t> wordsOf(std::span<const std::uint8_t> data) {
  std::vector<std::uint32_t> words(data.size() / 4);
  for (std::size_t i = 0; i < words.size(); ++i)
    words[i] = bytes::loadLe32(data, 4 * i);
  return words;
}

std::vector<std::uint8_t> bytesOf(std::span<const std::uint32_t> words) {
  std::vector<std::uint8_t> out(words.size() * 4);
  for (std::size_t i = 0; i < words.size(); ++i)
    bytes::storeLe32(out, 4 * i, words[i]);
  return out;
}

} // namespace

std::uint32_t nonceFrom(std::uint64_t utcFileTime, std::uint32_t processId) {
  return static_cast<std::uint32_t>(utcFileTime) + processId;
}

std::uint32_t currentNonce() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  const std::uint64_t fileTime = (static_cast<std::uint64_t>(now.tv_sec) + kEpochDifference) * 10000000ull +
                                 static_cast<std::uint64_t>(now.tv_nsec) / 100;
  return nonceFrom(fileTime, static_cast<std::uint32_t>(getpid()));
}

std::optional<std::vector<std::uint8_t>> encodeDatagram(std::uint32_t nonce, std::string_view text,
                                                        const XxteaKey& key) {
  if (text.size() > kMaxTextSize)
    return std::nullopt;
  const std::size_t padding = 4 - text.size() % 4;
  std::vector<std::uint8_t> plain(4 + text.size() + padding, 0);
  bytes::storeLe32(plain, 0, nonce);
  std::copy(text.begin(), text.end(), plain.begin() + 4);
  std::vector<std::uint32_t> words = wordsOf(plain);
  xxteaEncipher(words, key);
  return bytesOf(words);
}

std::optional<std::vector<std::uint8_t>> decipherDatagram(std::span<const std::uint8_t> bytes,
                                                          const XxteaKey& key) {
  // Nonce plus "MSL?" is the least a sender writes; a single word would not
  // even be a valid block.
  if (bytes.size() < 8 || bytes.size() % 4 != 0 || bytes.size() > kMaxDatagramSize)
    return std::nullopt;
  std::vector<std::uint32_t> words = wordsOf(bytes);
  if (!xxteaDecipher(words, key))
    return std::nullopt;
  return bytesOf(words);
}

std::optional<std::string> decodeDatagram(std::span<const std::uint8_t> bytes, const XxteaKey& key) {
  const auto plain = decipherDatagram(bytes, key);
  if (!plain)
    return std::nullopt;
  if ((*plain)[4] != 'M' || (*plain)[5] != 'S' || (*plain)[6] != 'L')
    return std::nullopt;
  const auto begin = plain->begin() + 7;
  const auto end = std::find(begin, plain->end(), std::uint8_t{0});
  return std::string(begin, end);
}

} // namespace tarsel::remote

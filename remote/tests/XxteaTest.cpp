#include "remote/Xxtea.h"

#include "OracleSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

using namespace tarsel::remote;

namespace {

constexpr XxteaKey kZeroKey = {0, 0, 0, 0};
constexpr XxteaKey kCountingKey = {0x00112233u, 0x44556677u, 0x8899AABBu, 0xCCDDEEFFu};

struct Vector {
  const XxteaKey* key;
  std::vector<std::uint32_t> plain;
  std::vector<std::uint32_t> cipher;
};

// The published known-answer vectors for two to four words.
const std::vector<Vector> kVectors = {
    {&kZeroKey, {0, 0}, {0x053704AB, 0x575D8C80}},
    {&kZeroKey, {0x01020304, 0x05060708}, {0xE6911910, 0x0C35DCDA}},
    {&kCountingKey, {0x01020304, 0x05060708}, {0x961D49FC, 0x61FF12D6}},
    {&kCountingKey, {0x01234567, 0x89ABCDEF}, {0x34354989, 0xDD7D1A7A}},
    {&kZeroKey, {0, 0, 0}, {0x5E3CD3F0, 0xE109E3CE, 0x79D7C945}},
    {&kZeroKey, {0x00010203, 0x04050607, 0x08090A0B}, {0x5A545AAC, 0x684EB2CB, 0x3E1B8AA0}},
    {&kCountingKey, {0x00010203, 0x04050607, 0x08090A0B}, {0x2E77CCEC, 0x674F5149, 0xA0E56496}},
    {&kCountingKey, {0x01234567, 0x89ABCDEF, 0x01234567}, {0xEBC5DD46, 0xBE0FEE71, 0xC6BF7193}},
    {&kZeroKey, {0, 0, 0, 0}, {0xE6C8D5FF, 0x070FB6E4, 0x98A534F7, 0xAC03E399}},
    {&kZeroKey,
     {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F},
     {0xAF5CFB0E, 0xAE73552B, 0x1D968A9F, 0x5CB94509}},
    {&kCountingKey,
     {0x00010203, 0x04050607, 0x08090A0B, 0x0C0D0E0F},
     {0x3EA0E16C, 0x9969535A, 0xE4796D50, 0xF217EEEA}},
    {&kCountingKey,
     {0x01234567, 0x89ABCDEF, 0x01234567, 0x89ABCDEF},
     {0x2B4AB1A4, 0x0E487B6D, 0x9A3AACC7, 0xE4132216}},
};

std::string keyHex(const XxteaKey& key) {
  std::string out;
  for (std::uint32_t word : key) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08x", word);
    out += buffer;
  }
  return out;
}

std::string wordsHex(const std::vector<std::uint32_t>& words) {
  std::string out;
  for (std::uint32_t word : words) {
    char buffer[9];
    std::snprintf(buffer, sizeof buffer, "%08x", word);
    out += (out.empty() ? "" : " ") + std::string(buffer);
  }
  return out;
}

} // namespace

TEST(Xxtea, EnciphersAndDeciphersThePublishedVectors) {
  for (const Vector& row : kVectors) {
    SCOPED_TRACE(wordsHex(row.plain));
    std::vector<std::uint32_t> words = row.plain;
    ASSERT_TRUE(xxteaEncipher(words, *row.key));
    EXPECT_EQ(words, row.cipher);
    ASSERT_TRUE(xxteaDecipher(words, *row.key));
    EXPECT_EQ(words, row.plain);
  }
}

TEST(Xxtea, TheOracleReproducesThePublishedVectorsToo) {
  // The python model the datagram tests compare against must itself be right.
  std::vector<std::vector<std::string>> commands;
  for (const Vector& row : kVectors) {
    std::vector<std::string> enc = {"xxtea", "enc", keyHex(*row.key)};
    for (std::uint32_t w : row.plain)
      enc.push_back(wordsHex({w}));
    commands.push_back(enc);
    std::vector<std::string> dec = {"xxtea", "dec", keyHex(*row.key)};
    for (std::uint32_t w : row.cipher)
      dec.push_back(wordsHex({w}));
    commands.push_back(dec);
  }
  const auto answers = tarsel::remote::test::runOracleBatch(commands);
  for (std::size_t i = 0; i < kVectors.size(); ++i) {
    EXPECT_EQ(answers[2 * i], wordsHex(kVectors[i].cipher));
    EXPECT_EQ(answers[2 * i + 1], wordsHex(kVectors[i].plain));
  }
}

TEST(Xxtea, RefusesBlocksOfFewerThanTwoWordsAndLeavesThemAlone) {
  std::vector<std::uint32_t> none;
  EXPECT_FALSE(xxteaEncipher(none, kCountingKey));
  EXPECT_FALSE(xxteaDecipher(none, kCountingKey));
  std::vector<std::uint32_t> one = {0x12345678};
  EXPECT_FALSE(xxteaEncipher(one, kCountingKey));
  EXPECT_FALSE(xxteaDecipher(one, kCountingKey));
  EXPECT_EQ(one[0], 0x12345678u);
}

TEST(Xxtea, DecipherUndoesEncipherForEveryBlockLengthUpTo130Words) {
  std::uint32_t seed = 12345;
  const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
  for (std::size_t n = 2; n <= 130; ++n) {
    std::vector<std::uint32_t> plain(n);
    for (auto& w : plain)
      w = next();
    const XxteaKey key = {next(), next(), next(), next()};
    std::vector<std::uint32_t> words = plain;
    xxteaEncipher(words, key);
    EXPECT_NE(words, plain) << n;
    xxteaDecipher(words, key);
    EXPECT_EQ(words, plain) << n;
  }
}

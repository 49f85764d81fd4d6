#include "remote/RemoteDatagram.h"

#include "OracleSupport.h"
#include "remote/RemoteCommand.h"
#include "remote/RemoteKey.h"

#include <gtest/gtest.h>

#include <memory>

using namespace tarsel::remote;
using tarsel::remote::test::decipherCommand;
using tarsel::remote::test::oracleText;
using tarsel::remote::test::readDecipherAnswer;
using tarsel::remote::test::runOracleBatch;
using tarsel::remote::test::toHex;

namespace {

constexpr XxteaKey kCountingKey = {0x00112233u, 0x44556677u, 0x8899AABBu, 0xCCDDEEFFu};

XxteaKey keyWith(const char* userKey) {
  XxteaKey key = builtInRemoteKey();
  if (userKey)
    mixUserKey(key, userKey);
  return key;
}

// Decodes from a buffer of exactly the datagram's size, so that a read past
// the end shows under the address sanitizer.
std::optional<std::string> decodeExact(const std::vector<std::uint8_t>& bytes, const XxteaKey& key) {
  const std::unique_ptr<std::uint8_t[]> exact(new std::uint8_t[bytes.size() ? bytes.size() : 1]);
  std::copy(bytes.begin(), bytes.end(), exact.get());
  return decodeDatagram(std::span<const std::uint8_t>(exact.get(), bytes.size()), key);
}

} // namespace

TEST(RemoteDatagram, MatchesTheReferenceVectors) {
  struct Row {
    const char* text;
    const char* userKey;
    const char* datagram;
  };
  const Row rows[] = {
      {"MSL?", nullptr, "3d4c43fa7569e58fde494678"},
      {"MSL?CAPTURE", nullptr, "69a31beb85de50ccb803d47e1c1747fe"},
      {"MSL?CAPTURE&CAM=Cam1", nullptr, "7eb7a83263e8a97370c0f99639d14262cdff4420d748407814c9cb46"},
      {"MSL?RI&CPFF=v", nullptr, "3a9370d948dc6cfdeecb905669c27ab2be24a928"},
      {"MSL?CAPTURE", "", "b7b1bc72e698d5415c406b3d7e295923"},
  };
  for (const Row& row : rows) {
    XxteaKey key = kCountingKey;
    if (row.userKey) {
      ASSERT_EQ(mixUserKey(key, row.userKey), S_OK);
    }
    const auto datagram = encodeDatagram(0x12345678u, row.text, key);
    ASSERT_TRUE(datagram.has_value());
    EXPECT_EQ(toHex(*datagram), row.datagram) << row.text;
  }
}

TEST(RemoteDatagram, MatchesTheIndependentModelByteForByte) {
  struct Row {
    std::uint32_t nonce;
    bool capture;
    const char* camera;
    const char* ri;
    const char* cpff;
    bool rc;
    const char* userKey;
  };
  const Row rows[] = {
      {0x00000000u, false, nullptr, nullptr, nullptr, false, nullptr},
      {0x12345678u, true, "Cam1", nullptr, nullptr, false, nullptr},
      {0xFFFFFFFFu, false, nullptr, "", "v", false, nullptr},
      {0x01D9A3C4u, true, "", "remote-1", "", true, nullptr},
      {0x80000001u, true, "Front camera", "x", "/home/user/profiles/night.cpff", true, ""},
      {0x0BADF00Du, false, nullptr, nullptr, "a&CAPTURE", false, "secret key"},
      {0x13579BDFu, true, "Caméra", nullptr, nullptr, true, "ünïcode"},
  };
  std::vector<std::vector<std::uint8_t>> datagrams;
  std::vector<std::vector<std::string>> commands;
  for (const Row& row : rows) {
    const std::string text = libraryMessageText(row.capture, row.camera, row.ri, row.cpff, row.rc);
    const auto datagram = encodeDatagram(row.nonce, text, keyWith(row.userKey));
    ASSERT_TRUE(datagram.has_value()) << text;
    datagrams.push_back(*datagram);
    commands.push_back({"build", std::to_string(row.nonce), row.capture ? "1" : "0", row.rc ? "1" : "0",
                        oracleText(row.camera), oracleText(row.ri), oracleText(row.cpff),
                        oracleText(row.userKey)});
    commands.push_back(decipherCommand(*datagram, row.userKey));
  }
  const auto answers = runOracleBatch(commands);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const Row& row = rows[i];
    const std::string text = libraryMessageText(row.capture, row.camera, row.ri, row.cpff, row.rc);
    SCOPED_TRACE(text);
    EXPECT_EQ(toHex(datagrams[i]), answers[2 * i]);
    const auto reading = readDecipherAnswer(answers[2 * i + 1]);
    ASSERT_TRUE(reading.has_value());
    EXPECT_EQ(reading->nonce, row.nonce);
    EXPECT_EQ(reading->text, text);
    EXPECT_EQ(reading->padding, static_cast<int>(4 - text.size() % 4));
  }
}

TEST(RemoteDatagram, PadsEveryTextWithOneToFourZeroBytes) {
  struct Row {
    std::string text;
    std::size_t padding;
  };
  const Row rows[] = {
      {"MSL?CAPTURE&", 4}, // 12 characters
      {"MSL?CAPTURE&C", 3}, {"MSL?CAPTURE&CA", 2}, {"MSL?CAPTURE&CAM", 1}, {"MSL?", 4},
  };
  const XxteaKey key = builtInRemoteKey();
  for (const Row& row : rows) {
    const auto datagram = encodeDatagram(7, row.text, key);
    ASSERT_TRUE(datagram.has_value());
    ASSERT_EQ(datagram->size(), 4 + row.text.size() + row.padding) << row.text;
    const auto plain = decipherDatagram(*datagram, key);
    ASSERT_TRUE(plain.has_value());
    EXPECT_EQ(std::string(plain->begin() + 4, plain->begin() + 4 + row.text.size()), row.text);
    for (std::size_t i = 4 + row.text.size(); i < plain->size(); ++i)
      EXPECT_EQ((*plain)[i], 0) << row.text << " byte " << i;
    EXPECT_EQ(decodeDatagram(*datagram, key), row.text.substr(3));
  }
}

TEST(RemoteDatagram, RefusesATextTooLongForOneDatagram) {
  const XxteaKey key = builtInRemoteKey();
  const auto largest = encodeDatagram(1, std::string(kMaxTextSize, 'a'), key);
  ASSERT_TRUE(largest.has_value());
  EXPECT_EQ(largest->size(), kMaxDatagramSize);
  EXPECT_FALSE(encodeDatagram(1, std::string(kMaxTextSize + 1, 'a'), key).has_value());
}

TEST(RemoteDatagram, DropsShortOddAndOversizedDatagramsWithoutReadingPastThem) {
  const XxteaKey key = builtInRemoteKey();
  const auto good = *encodeDatagram(99, "MSL?CAPTURE", key);
  ASSERT_EQ(good.size(), 16u);
  for (std::size_t size : {0, 1, 3, 4, 5, 7, 9, 10, 11, 13, 14, 15}) {
    // Cut from a good datagram, so only the length is wrong.
    std::vector<std::uint8_t> cut(good.begin(),
                                  good.begin() + static_cast<std::ptrdiff_t>(std::min(size, good.size())));
    cut.resize(size, 0);
    EXPECT_FALSE(decodeExact(cut, key).has_value()) << size;
    EXPECT_FALSE(decipherDatagram(cut, key).has_value()) << size;
  }
  std::vector<std::uint8_t> oversized(kMaxDatagramSize + 4, 0x41);
  EXPECT_FALSE(decodeExact(oversized, key).has_value());

  // The shortest acceptable datagram holds the nonce and "MSL?" and no
  // terminator: the text ends with the datagram.
  std::vector<std::uint32_t> words = {5, 'M' | 'S' << 8 | 'L' << 16 | '?' << 24};
  xxteaEncipher(words, key);
  std::vector<std::uint8_t> eight;
  for (std::uint32_t w : words)
    for (int shift = 0; shift < 32; shift += 8)
      eight.push_back(static_cast<std::uint8_t>(w >> shift));
  EXPECT_EQ(decodeExact(eight, key), "?");
}

TEST(RemoteDatagram, UserKeyDatagramDoesNotDecodeUnderTheBuiltInKey) {
  for (const char* userKey : {"", "abc", "a much longer user key with blanks"}) {
    const auto datagram = encodeDatagram(42, "MSL?CAPTURE", keyWith(userKey));
    ASSERT_TRUE(datagram.has_value());
    EXPECT_FALSE(decodeDatagram(*datagram, builtInRemoteKey()).has_value()) << userKey;
    EXPECT_EQ(decodeDatagram(*datagram, keyWith(userKey)), "?CAPTURE") << userKey;
  }
}

TEST(RemoteDatagram, GarbageNeverDecodes) {
  const XxteaKey key = builtInRemoteKey();
  std::uint32_t seed = 777;
  const auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int i = 0; i < 10000; ++i) {
    std::vector<std::uint8_t> bytes(next() % 600);
    for (auto& b : bytes)
      b = static_cast<std::uint8_t>(next() >> 16);
    EXPECT_FALSE(decodeExact(bytes, key).has_value()) << i;
  }
}

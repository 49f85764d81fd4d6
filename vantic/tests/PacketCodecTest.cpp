#include "vantic/PacketCodec.h"
#include "vantic/RegisterRanges.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using namespace tarsel::vantic;

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (const std::uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> bytes(n);
  for (auto& b : bytes)
    b = static_cast<std::uint8_t>(random());
  return bytes;
}

struct Case {
  std::string description;
  std::vector<std::uint8_t> packet;
};

std::vector<std::string> oracle(const std::vector<Case>& cases) {
  std::vector<std::string> argv{"python3", tarsel::test::testDataDir() + "/packet_oracle.py"};
  for (const Case& c : cases)
    argv.push_back(c.description);
  const auto result = tarsel::test::runProgram(argv);
  EXPECT_EQ(result.exitCode, 0);
  std::vector<std::string> lines;
  std::istringstream in(result.out);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

} // namespace

TEST(PacketCodec, PacketsMatchTheIndependentEncoderByteForByte) {
  const auto full = pattern(2048, 1);
  const auto ones = std::vector<std::uint8_t>(300, 0xFF); // sum wraps past 65535
  const auto odd = pattern(777, 2);
  const std::vector<Case> cases = {
      {"write:0:4", PacketCodec::writeRegister(0, 4)},
      {"write:17:6:S", PacketCodec::writeRegister(17, 6, kLetterSpeed)},
      {"write:4:0xFFFFFFFF", PacketCodec::writeRegister(4, 0xFFFFFFFFu)},
      {"write:109:0x12345678", PacketCodec::writeRegister(109, 0x12345678u)},
      {"read:18", PacketCodec::readRegister(18)},
      {"read:0", PacketCodec::readRegister(0)},
      {"action:2:0", PacketCodec::action(2, 0)},
      {"action:9:1", PacketCodec::action(9, 1)},
      {"object:14:0", PacketCodec::readObject(14, false)},
      {"object:14:1", PacketCodec::readObject(14, true)},
      {"data:2:0:" + hex(full), PacketCodec::data(kMorePackets, 0, full)},
      {"data:3:255:" + hex(ones), PacketCodec::data(kLastPacket, 255, ones)},
      {"data:3:7:" + hex(odd) + ":u", PacketCodec::data(kLastPacket, 7, odd, true)},
      {"data:3:1:", PacketCodec::data(kLastPacket, 1, {})},
      {"cmd:C:031d" + hex(odd),
       [&] {
         std::vector<std::uint8_t> payload(odd.size() + 2);
         payload[0] = 3;
         payload[1] = 29;
         std::copy(odd.begin(), odd.end(), payload.begin() + 2);
         return PacketCodec::command(kLetterCommand, payload);
       }()},
      {"cmd:C:051d00ff:u",
       PacketCodec::command(kLetterCommand, std::vector<std::uint8_t>{5, 29, 0, 0xFF}, true)},
  };
  const auto expected = oracle(cases);
  ASSERT_EQ(expected.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(hex(cases[i].packet), expected[i]) << cases[i].description;
}

TEST(PacketCodec, RegisterWriteHasTheFixedLayout) {
  const auto packet = PacketCodec::writeRegister(70, 0x01020304u);
  const std::vector<std::uint8_t> expected{0x1B, 'C', 6, 0, 0, 70, 4, 3, 2, 1, 80, 0};
  EXPECT_EQ(packet, expected);
}

TEST(PacketCodec, DataCheckRefusesEveryMalformedReply) {
  const auto payload = pattern(100, 3);
  const auto good = PacketCodec::data(kMorePackets, 4, payload);
  EXPECT_EQ(PacketCodec::checkData(good, 4, kSmallBlock, true), ReplyCheck::Good);
  EXPECT_EQ(PacketCodec::checkData(good, 5, kSmallBlock, true), ReplyCheck::BadSequence);
  EXPECT_EQ(PacketCodec::checkData(good, 4, 99, true), ReplyCheck::BadLength);

  auto badSum = good;
  badSum.back() ^= 0x01;
  EXPECT_EQ(PacketCodec::checkData(badSum, 4, kSmallBlock, true), ReplyCheck::BadChecksum);
  EXPECT_EQ(PacketCodec::checkData(badSum, 4, kSmallBlock, false), ReplyCheck::Good);

  auto badLead = good;
  badLead[0] = 0x04;
  EXPECT_EQ(PacketCodec::checkData(badLead, 4, kSmallBlock, true), ReplyCheck::BadLead);

  auto badLength = good;
  badLength[2] = 101;
  EXPECT_EQ(PacketCodec::checkData(badLength, 4, kSmallBlock, true), ReplyCheck::BadLength);

  const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + 5);
  EXPECT_EQ(PacketCodec::checkData(truncated, 4, kSmallBlock, true), ReplyCheck::BadLength);

  const auto unchecked = PacketCodec::data(kLastPacket, 0, payload, true);
  EXPECT_EQ(PacketCodec::checkData(unchecked, 0, kLargeBlock, false), ReplyCheck::Good);
}

TEST(RegisterRanges, RangesFollowTheTable) {
  struct Row {
    int reg;
    std::uint32_t value;
    bool accepted;
  };
  const Row rows[] = {
      {70, 1, false},          {70, 2, true},    {70, 5, true},         {70, 6, false},
      {18, 1, true},           {18, 2, false},   {82, 5, false},        {82, 6, true},
      {82, 120, true},         {82, 121, false}, {3, 0x23C34600, true}, {3, 0x23C34601, false},
      {4, 0xFFFFFFFF, true},   {76, 0, true},    {76, 1, false},        {109, 0, true},
      {109, 1, false},         {14, 0, true},    {14, 1, false},        {28, 0x21C00000, true},
      {28, 0x21C00001, false}, {-1, 0, true},    {110, 0, true},        {110, 1, false},
  };
  for (const Row& row : rows)
    EXPECT_EQ(registerAccepts(row.reg, row.value), row.accepted) << row.reg << " = " << row.value;
}

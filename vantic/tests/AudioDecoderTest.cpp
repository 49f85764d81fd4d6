#include "vantic/AudioDecoder.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

using tarsel::vantic::AudioDecoder;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::string hex(const Bytes& bytes, std::size_t from = 0) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (std::size_t i = from; i < bytes.size(); ++i) {
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

// A buffer as the camera sends it: a header, then the codes.
Bytes stored(const Bytes& codes) {
  Bytes buffer(44 + codes.size(), 0x11);
  std::copy(codes.begin(), codes.end(), buffer.begin() + 44);
  return buffer;
}

} // namespace

TEST(AudioDecoder, ExpandsLikeTheIndependentDecoder) {
  std::mt19937 random(7);
  std::vector<Bytes> inputs;
  inputs.push_back({0x00});
  inputs.push_back(Bytes(64, 0x77)); // large positive steps: clamps at 511 and step 48
  inputs.push_back(Bytes(64, 0x88)); // large negative steps: clamps at -512
  inputs.push_back({0x19, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x7F, 0x80, 0x91});
  for (int n : {1, 17, 500}) {
    Bytes codes(static_cast<std::size_t>(n));
    for (auto& b : codes)
      b = static_cast<std::uint8_t>(random());
    inputs.push_back(codes);
  }
  std::vector<std::string> argv{"python3", tarsel::test::testDataDir() + "/audio_oracle.py"};
  for (const Bytes& codes : inputs)
    argv.push_back(hex(codes));
  const auto result = tarsel::test::runProgram(argv);
  ASSERT_EQ(result.exitCode, 0);
  std::istringstream lines(result.out);
  for (const Bytes& codes : inputs) {
    std::string expected;
    std::getline(lines, expected);
    Bytes buffer = stored(codes);
    const std::uint32_t decoded = static_cast<std::uint32_t>(44 + 2 * codes.size());
    buffer.resize(decoded, 0xEE);
    ASSERT_TRUE(AudioDecoder::decodeInPlace(buffer.data(), buffer.size(), decoded, 44 + codes.size()));
    EXPECT_EQ(hex(buffer, 44), expected) << "codes " << hex(codes).substr(0, 40);
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 44), Bytes(44, 0x11)); // header kept
  }
}

TEST(AudioDecoder, AFirstZeroByteGivesTwoMiddleSamples) {
  Bytes buffer = stored({0x00});
  buffer.resize(46);
  ASSERT_TRUE(AudioDecoder::decodeInPlace(buffer.data(), buffer.size(), 46, 45));
  EXPECT_EQ(buffer[44], 128);
  EXPECT_EQ(buffer[45], 128);
}

TEST(AudioDecoder, RefusesSizesTheBufferOrTheDataCannotHold) {
  Bytes buffer = stored(Bytes(10, 0x35));
  buffer.resize(64, 0xEE);
  const Bytes before = buffer;
  struct Row {
    std::uint32_t decoded;
    std::size_t capacity;
    std::size_t received;
  };
  const Row rows[] = {
      {43, 64, 54}, // below the header
      {0, 64, 54},  // nothing at all
      {66, 64, 54}, // more than the buffer
      {64, 64, 53}, // ten codes needed, nine came
      {64, 64, 65}, // more received than the buffer holds
      {0xFFFFFFFF, 64, 54},
  };
  for (const Row& row : rows) {
    EXPECT_FALSE(AudioDecoder::decodeInPlace(buffer.data(), row.capacity, row.decoded, row.received))
        << row.decoded;
    EXPECT_EQ(buffer, before);
  }
  EXPECT_FALSE(AudioDecoder::decodeInPlace(nullptr, 64, 64, 54));
  EXPECT_TRUE(AudioDecoder::decodeInPlace(buffer.data(), 64, 64, 54));
  EXPECT_TRUE(AudioDecoder::decodeInPlace(buffer.data(), 64, 45, 54)); // an odd size decodes what fits
}

#include "app/cameras/canon/CanonMemoryStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <vector>

namespace {

using S = CanonMemoryStream;

// Writes `count` bytes 0, 1, 2 ... through the record's own call-backs.
void writeBytes(S& stream, std::uint32_t count) {
  auto* record = stream.Record();
  std::vector<std::uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), std::uint8_t{0});
  std::uint32_t size = count;
  std::uint32_t error = 99;
  record->write(record->context, bytes.data(), &size, &error);
  ASSERT_EQ(error, 0u);
  ASSERT_EQ(size, count);
}

std::uint32_t seek(S& stream, std::int32_t offset, std::uint16_t origin) {
  std::uint32_t error = 99;
  stream.Record()->seek(stream.Record(), offset, origin, &error);
  return error;
}

std::uint32_t open(S& stream, std::uint16_t mode) {
  std::uint32_t error = 99;
  stream.Record()->open(stream.Record(), mode, &error);
  return error;
}

} // namespace

TEST(CanonMemoryStream, ReadingPastTheDataGivesWhatIsLeftAndIncomplete) {
  S stream(16);
  ASSERT_EQ(open(stream, S::kModeRead | S::kModeWrite), 0u);
  writeBytes(stream, 100);
  EXPECT_GE(stream.Capacity(), 100);
  ASSERT_EQ(seek(stream, 40, S::kFromStart), 0u);

  std::vector<std::uint8_t> into(100, 0xEE);
  std::uint32_t size = 100;
  std::uint32_t error = 0;
  S::Read(stream.Record(), into.data(), &size, &error);
  EXPECT_EQ(error, S::kIncomplete);
  EXPECT_EQ(size, 60u);
  EXPECT_EQ(into[0], 40);
  EXPECT_EQ(into[59], 99);
  EXPECT_EQ(into[60], 0xEE);
  EXPECT_EQ(stream.Position(), 100);
}

TEST(CanonMemoryStream, SeekingPastTheDataThenReadingCopiesNothing) {
  S stream;
  ASSERT_EQ(open(stream, S::kModeRead | S::kModeWrite), 0u);
  writeBytes(stream, 10);
  // Beyond the capacity: the buffer grows and keeps the old bytes.
  ASSERT_EQ(seek(stream, 5000, S::kFromStart), 0u);
  EXPECT_EQ(stream.Capacity(), 5000);
  EXPECT_EQ(stream.Size(), 10);
  EXPECT_EQ(stream.Data()[9], 9);

  std::uint8_t into[8] = {};
  std::uint32_t size = sizeof into;
  std::uint32_t error = 0;
  S::Read(stream.Record(), into, &size, &error);
  EXPECT_EQ(error, S::kIncomplete);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(stream.Position(), 5000);

  // A write there fills the gap with zeros.
  writeBytes(stream, 3);
  EXPECT_EQ(stream.Size(), 5003);
  EXPECT_EQ(stream.Data()[4999], 0);
  EXPECT_EQ(stream.Data()[5002], 2);
}

TEST(CanonMemoryStream, RefusesWhatTheModeOrTheArgumentsDoNotAllow) {
  S stream(8);
  std::uint8_t byte = 0;
  std::uint32_t size = 1;
  std::uint32_t error = 0;
  S::Read(stream.Record(), &byte, &size, &error);
  EXPECT_EQ(error, S::kNotOpen);
  EXPECT_EQ(seek(stream, 0, S::kFromStart), S::kNotOpen);

  ASSERT_EQ(open(stream, S::kModeWrite), 0u);
  EXPECT_EQ(open(stream, S::kModeRead), S::kAlreadyOpen);
  S::Read(stream.Record(), &byte, &size, &error);
  EXPECT_EQ(error, S::kModeNotAllowed);
  EXPECT_EQ(seek(stream, -1, S::kFromStart), S::kNegativePosition);
  EXPECT_EQ(seek(stream, 1, 4), S::kUnknownOrigin);
  EXPECT_EQ(seek(stream, 2, S::kFromCapacity), 0u);
  EXPECT_EQ(stream.Position(), 6);
  // An offset that would overflow the position is refused, not wrapped.
  EXPECT_EQ(seek(stream, 0x7FFFFFFF, S::kFromPosition), S::kIncomplete);
  EXPECT_EQ(stream.Position(), 6);

  S::Write(nullptr, &byte, &size, &error);
  EXPECT_EQ(error, S::kNoStream);
  EXPECT_EQ(S::Tell(nullptr, &error), -1);
  EXPECT_EQ(error, S::kNoStream);
  EXPECT_EQ(S::Tell(stream.Record(), &error), 6);
  EXPECT_EQ(error, 0u);

  S::Close(stream.Record(), &error);
  EXPECT_EQ(stream.Mode(), 0);
  S::Write(stream.Record(), &byte, &size, &error);
  EXPECT_EQ(error, S::kNotOpen);
}

TEST(CanonMemoryStream, GrowthPastTheThirtyTwoBitLimitIsRefused) {
  S stream;
  ASSERT_EQ(open(stream, S::kModeWrite), 0u);
  writeBytes(stream, 4);
  std::uint8_t byte = 7;
  // A size the 32-bit fields cannot count: nothing is copied.
  std::uint32_t size = 0xFFFFFFF0u;
  std::uint32_t error = 0;
  S::Write(stream.Record(), &byte, &size, &error);
  EXPECT_EQ(error, S::kIncomplete);
  EXPECT_EQ(size, 0u);
  EXPECT_EQ(stream.Size(), 4);
  EXPECT_EQ(stream.Position(), 4);
}

#include "platform/Bytes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

using namespace tarsel::bytes;

TEST(Bytes, LoadsAndStoresBothByteOrdersAndRefusesEveryAccessPastTheEnd) {
  std::array<std::uint8_t, 8> buf{};
  storeLe32(buf, 0, 0x11223344u);
  storeBe32(buf, 4, 0x11223344u);
  EXPECT_EQ((std::array<std::uint8_t, 8>{0x44, 0x33, 0x22, 0x11, 0x11, 0x22, 0x33, 0x44}), buf);
  EXPECT_EQ(0x3344u, loadLe16(buf, 0));
  EXPECT_EQ(0x1122u, loadBe16(buf, 4));
  EXPECT_EQ(0x1122334411223344ull, (static_cast<std::uint64_t>(loadBe32(buf, 4)) << 32) | loadLe32(buf, 0));
  try {
    (void)loadLe32(buf, 5, 0x81050003u);
    FAIL() << "a load past the end must fail";
  } catch (const BytesError& e) {
    EXPECT_EQ(0x81050003u, e.Code());
  }
  EXPECT_THROW(storeLe16(buf, SIZE_MAX, 1), BytesError);
  EXPECT_THROW((void)loadLe16(buf, SIZE_MAX - 1), BytesError);
}

TEST(Bytes, ReaderTreatsAShortReadAsAnErrorAndKeepsItsPlace) {
  const std::array<std::uint8_t, 7> buf{1, 0x02, 0x01, 0xAA, 0xBB, 0xCC, 0xDD};
  ByteReader r(buf, false, 24);
  EXPECT_EQ(1, r.u8());
  EXPECT_EQ(0x0201, r.u16());
  EXPECT_EQ(2u, r.take(2).size());
  EXPECT_THROW(r.u32(), BytesError);
  EXPECT_EQ(5u, r.position());
  EXPECT_EQ(0xCCDD, r.u16());
  EXPECT_THROW(r.seek(8), BytesError);
  r.seek(7);
  EXPECT_EQ(0u, r.remaining());
}

TEST(Bytes, CheckedArithmeticCatchesOverflow) {
  EXPECT_EQ(std::optional<std::uint32_t>(7u), checkedAdd<std::uint32_t>(3, 4));
  EXPECT_FALSE(checkedAdd<std::uint32_t>(0xFFFFFFFFu, 1));
  EXPECT_FALSE(checkedMul<std::uint64_t>(1ull << 40, 1ull << 30));
  EXPECT_THROW(mulOrFail<std::uint32_t>(65536, 65536, 8), BytesError);
  EXPECT_NO_THROW(enforce(true, 8));
  EXPECT_FALSE(inside(4, 5, 8));
  EXPECT_TRUE(inside(8, 0, 8));
}

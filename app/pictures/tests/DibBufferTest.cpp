#include "app/pictures/DibBuffer.h"

#include "TestImage.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string hexOf(const BYTE* bytes, DWORD size) {
  std::string hex;
  char pair[3];
  for (DWORD i = 0; i < size; ++i) {
    std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
    hex += pair;
  }
  return hex;
}

HRESULT codeOfCreate(std::int32_t width, std::int32_t height) {
  CDibBuffer bitmap;
  try {
    bitmap.Create(width, height);
  } catch (const _brantel_take_error& error) {
    EXPECT_TRUE(bitmap.IsEmpty());
    return error.Error();
  }
  return 0;
}

} // namespace

TEST(DibBuffer, SmallBitmapsMatchThePackedLayoutByteForByte) {
  std::vector<std::string> arguments = {"python3", tarsel::test::testDataDir() + "/dib_oracle.py"};
  for (std::int32_t width = 1; width <= 5; ++width) {
    for (const std::int32_t height : {1, 3}) {
      arguments.push_back(std::to_string(width));
      arguments.push_back(std::to_string(height));
    }
  }
  const tarsel::test::ProcessResult oracle = tarsel::test::runProgram(arguments);
  ASSERT_EQ(oracle.exitCode, 0);
  std::istringstream expected(oracle.out);

  for (std::size_t i = 2; i + 1 < arguments.size(); i += 2) {
    const std::int32_t width = std::stoi(arguments[i]);
    const std::int32_t height = std::stoi(arguments[i + 1]);
    SCOPED_TRACE("width " + arguments[i] + " height " + arguments[i + 1]);
    CDibBuffer bitmap;
    bitmap.Create(width, height);
    const DWORD stride = (DWORD(width) * 3 + 3) / 4 * 4;
    EXPECT_EQ(bitmap.Stride(), stride);
    EXPECT_EQ(bitmap.RowBytes(), DWORD(width) * 3);
    EXPECT_EQ(bitmap.BlockSize(), stride * DWORD(height) + 44);
    EXPECT_EQ(bitmap.Rows(), bitmap.Block() + 40);

    for (std::int32_t y = 0; y < height; ++y)
      bitmap.SetRow(y, CTestImage::patternRow(width, y).data());
    std::string line;
    ASSERT_TRUE(std::getline(expected, line));
    EXPECT_EQ(hexOf(bitmap.Block(), bitmap.BlockSize()), line);
  }
}

TEST(DibBuffer, AWidthOfOneTakesFourBytesARow) {
  CDibBuffer bitmap;
  bitmap.Create(1, 7);
  EXPECT_EQ(bitmap.Stride(), 4u);
  EXPECT_EQ(bitmap.BlockSize(), 4u * 7 + 44);
}

TEST(DibBuffer, DimensionsThatWouldOverflowTheSizeAreRefused) {
  struct Row {
    std::int32_t width;
    std::int32_t height;
  };
  // Each of these wraps a 32-bit size computation or asks for far more
  // than any picture needs.
  for (const Row row : {Row{65500, 65500}, Row{INT_MAX, 1}, Row{1, INT_MAX}, Row{0x55555556, 1},
                        Row{INT_MAX, INT_MAX}, Row{20000, 20000}}) {
    SCOPED_TRACE(std::to_string(row.width) + " x " + std::to_string(row.height));
    EXPECT_EQ(codeOfCreate(row.width, row.height), HRESULT(ERROR_NOT_ENOUGH_MEMORY));
  }
  for (const Row row : {Row{0, 10}, Row{10, 0}, Row{-1, 10}, Row{10, -5}})
    EXPECT_EQ(codeOfCreate(row.width, row.height), HRESULT(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_EQ(codeOfCreate(4000, 3000), 0);
}

TEST(DibBuffer, RowsOutsideTheBitmapAreRefused) {
  CDibBuffer bitmap;
  bitmap.Create(2, 2);
  const std::vector<BYTE> row = CTestImage::patternRow(2, 0);
  for (const std::int32_t index : {-1, 2, INT_MAX}) {
    try {
      bitmap.SetRow(index, row.data());
      ADD_FAILURE() << "row " << index << " was accepted";
    } catch (const _brantel_take_error& error) {
      EXPECT_EQ(error.Error(), HRESULT(ERROR_INVALID_PARAMETER));
    }
  }
  EXPECT_THROW(CDibBuffer().SetRow(0, row.data()), _brantel_take_error);
}

TEST(DibBuffer, CopiesAreDeepAndReleaseEmptiesEverything) {
  CDibBuffer bitmap;
  bitmap.Create(3, 2);
  bitmap.SetRow(0, CTestImage::patternRow(3, 0).data());
  CDibBuffer copy(bitmap);
  ASSERT_EQ(copy.BlockSize(), bitmap.BlockSize());
  EXPECT_NE(copy.Block(), bitmap.Block());
  EXPECT_EQ(hexOf(copy.Block(), copy.BlockSize()), hexOf(bitmap.Block(), bitmap.BlockSize()));
  EXPECT_EQ(copy.Rows(), copy.Block() + 40);

  bitmap.Release();
  EXPECT_TRUE(bitmap.IsEmpty());
  EXPECT_EQ(bitmap.BlockSize(), 0u);
  EXPECT_EQ(bitmap.Rows(), nullptr);
  EXPECT_EQ(bitmap.Stride(), 0u);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_EQ(copy.Width(), 3);

  copy = bitmap;
  EXPECT_TRUE(copy.IsEmpty());
}

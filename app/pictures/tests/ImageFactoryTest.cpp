#include "app/pictures/ImageFactory.h"

#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

TEST(ImageFactory, FirstBytesChooseTheImageType) {
  struct Row {
    const char* name;
    std::vector<BYTE> bytes;
    std::int32_t type;
  };
  const std::vector<Row> rows = {
      {"TIFF little-endian", {0x49, 0x49, 0x2A, 0x00, 0x08}, 2},
      {"TIFF big-endian as a file begins", {0x4D, 0x4D, 0x00, 0x2A, 0x00, 0x00, 0x00, 0x08}, 2},
      {"TIFF big-endian, short form", {0x4D, 0x4D, 0x2A}, 2},
      {"three bytes of a big-endian TIFF", {0x4D, 0x4D, 0x00}, 3},
      {"TIFF mixed byte order", {0x49, 0x4D, 0x2A}, 3},
      {"TIFF signature with other third byte", {0x49, 0x49, 0x2B}, 3},
      {"JPEG", {0xFF, 0xD8, 0xFF, 0xE0}, 1},
      {"JPEG start without marker", {0xFF, 0xD8, 0x00}, 3},
      {"raw", {0x00, 0x01, 0x02, 0x03}, 3},
      {"garbage", {0x12, 0x34, 0x56, 0x78, 0x9A}, 3},
      {"three bytes of JPEG", {0xFF, 0xD8, 0xFF}, 1},
      {"two bytes", {0xFF, 0xD8}, 3},
      {"one byte", {0x49}, 3},
      {"empty", {}, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // A copy on the heap of exactly the row's size, so that a read past it
    // shows under the address checker.
    std::unique_ptr<BYTE[]> exact(new BYTE[row.bytes.size() + (row.bytes.empty() ? 1 : 0)]);
    if (!row.bytes.empty())
      std::memcpy(exact.get(), row.bytes.data(), row.bytes.size());
    const DWORD size = static_cast<DWORD>(row.bytes.size());
    EXPECT_EQ(ImageTypeFromBytes(exact.get(), size), row.type);
    const std::unique_ptr<CImageBase> image = CreateImageFromBuffer(exact.get(), size, ".BRF");
    ASSERT_TRUE(image);
    EXPECT_EQ(image->GetImageType(), row.type);
  }
  EXPECT_EQ(ImageTypeFromBytes(nullptr, 100), 3);
}

TEST(ImageFactory, EachTypeHasItsNameAndExtension) {
  struct Row {
    std::int32_t type;
    const char* name;
    const char* extension;
  };
  for (const Row& row : {Row{1, "JPEG", ".JPG"}, Row{2, "TIFF", ".TIF"}, Row{3, "RAW", ".CRW"}}) {
    const std::unique_ptr<CImageBase> image = CreateImage(row.type, ".CRW");
    EXPECT_EQ(image->GetImageType(), row.type);
    EXPECT_STREQ(image->GetTypeName(), row.name);
    EXPECT_STREQ(image->GetExtension(), row.extension);
  }
  EXPECT_STREQ(CreateImage(3, nullptr)->GetExtension(), "");
}

TEST(ImageFactory, AnUnknownTypeIsRefusedWithItsNumber) {
  for (const std::int32_t type : {0, 4, -1, 0x1234}) {
    try {
      CreateImage(type, ".BRF");
      ADD_FAILURE() << "type " << type << " was accepted";
    } catch (const _brantel_take_error& error) {
      EXPECT_EQ(error.Error(), 0x70C);
      char expected[64];
      std::snprintf(expected, sizeof expected, "Unknown Image Type: 0x%X", static_cast<unsigned>(type));
      EXPECT_STREQ(error.Explanation(), expected);
    }
  }
}

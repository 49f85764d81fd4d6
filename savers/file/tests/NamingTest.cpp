#include "savers/common/SaverNaming.h"
#include "savers/file/tests/FileSaverTestSupport.h"

namespace tarsel::filesaver::test {
namespace {

using namespace tarsel::savers;

TEST(FileSaverNaming, TheChosenNameGivesPrefixAndNextCounter) {
  struct Row {
    const char* name;
    std::int32_t digits;
    const char* prefix;
    std::uint32_t counter;
  };
  for (const Row& row :
       {Row{"IMG0012.JPG", 4, "IMG", 13}, Row{"A12345.jpg", 4, "A", 12346}, Row{"4711.tif", 4, "", 4712},
        Row{"photo.jpg", 4, "photo", 1}, Row{"IMG12.JPG", 0, "IMG1", 3},
        Row{"/tmp/x.y/P9999999999999.JPG", 20, "P", 0xFFFFFFFEu}}) {
    FakeSaveInfo info;
    info.digits = row.digits;
    SetNamingFromFileName(info, row.name);
    EXPECT_EQ(row.prefix, info.prefix) << row.name;
    EXPECT_EQ(row.counter, info.counter) << row.name;
    EXPECT_EQ(row.name, info.aux);
  }
}

TEST(FileSaverNaming, SeriesNumbersWidenFromNinePictures) {
  const auto numbers = [](std::size_t count) {
    std::vector<std::string> all;
    for (std::size_t i = 0; i < count; ++i)
      all.push_back(SeriesNumber(i, count));
    return all;
  };
  EXPECT_EQ((std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}), numbers(8));
  EXPECT_EQ((std::vector<std::string>{"01", "02", "03", "04", "05", "06", "07", "08", "09"}), numbers(9));
  const std::vector<std::string> many = numbers(120);
  EXPECT_EQ("01", many[0]);
  EXPECT_EQ("99", many[98]);
  EXPECT_EQ("100", many[99]);
  EXPECT_EQ("120", many[119]);
  EXPECT_EQ("IMG0007_", SeriesBase("IMG", 7, 4));
}

} // namespace
} // namespace tarsel::filesaver::test

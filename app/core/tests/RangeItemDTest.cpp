#include "app/core/RangeItemD.h"

#include "platform/PrivateProfile.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string scratchFile(const char* name) {
  const std::filesystem::path folder = std::filesystem::path(std::getenv("HOME")) / "rangeitemd";
  std::filesystem::create_directories(folder);
  const std::filesystem::path file = folder / name;
  std::filesystem::remove(file);
  return file.string();
}

std::string contents(const std::string& file) {
  std::stringstream text;
  text << std::ifstream(file).rdbuf();
  return text.str();
}

void writeText(const std::string& file, const char* text) {
  std::ofstream(file) << text;
}

// A German locale made when the build was configured; false when there is none.
bool useCommaLocale() {
  if (std::string(CORE_LOCALE_DIR).empty())
    return false;
  setenv("LOCPATH", CORE_LOCALE_DIR, 1);
  return std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
}

} // namespace

TEST(RangeItemD, SavedBoundsReadBackWithTheirPointUnderACommaLocale) {
  const std::string file = scratchFile("zoom.camd");
  // Numbers in the file never follow the user's locale.
  const bool commaLocale = useCommaLocale();
  CRangeItemD("OpticalZoom", CRangeD(0, 10, 5.8, 17.4)).SaveToIni(file.c_str());
  const std::string text = contents(file);
  EXPECT_NE(text.find("[OpticalZoomRange]"), std::string::npos);
  EXPECT_NE(text.find("Min=0,5.800000"), std::string::npos) << text;
  EXPECT_NE(text.find("Max=10,17.400000"), std::string::npos) << text;

  const CRangeItemD read(file.c_str(), "OpticalZoom");
  EXPECT_FALSE(read.IsMissing());
  EXPECT_EQ(read.GetMin(), 0);
  EXPECT_EQ(read.GetMax(), 10);
  EXPECT_DOUBLE_EQ(read.GetMinValue(), 5.8);
  EXPECT_DOUBLE_EQ(read.GetMaxValue(), 17.4);
  std::setlocale(LC_ALL, "C");
  if (!commaLocale)
    GTEST_SKIP() << "no comma locale here; the C-locale round trip passed";
}

TEST(RangeItemD, ASectionWithoutBothValidBoundsLeavesTheRangeMissing) {
  const std::string file = scratchFile("half.camd");
  writeText(file, "[OpticalZoomRange]\r\nMin=0,5.8\r\n");
  const CRangeItemD onlyMin(file.c_str(), "OpticalZoom");
  EXPECT_TRUE(onlyMin.IsMissing());
  EXPECT_EQ(onlyMin.GetMin(), -1);
  EXPECT_EQ(onlyMin.GetMinValue(), 0.0);

  writeText(file, "[OpticalZoomRange]\r\nMin=0,5.8\r\nMax=12\r\n");
  EXPECT_TRUE(CRangeItemD(file.c_str(), "OpticalZoom").IsMissing());

  // scanf's reading: blanks and a '+' before the numbers, anything after them.
  const auto bound = CRangeItemD::ParseBound(" +2, 6.5mm");
  ASSERT_TRUE(bound);
  EXPECT_EQ(bound->position, 2);
  EXPECT_DOUBLE_EQ(bound->value, 6.5);
  EXPECT_FALSE(CRangeItemD::ParseBound("99999999999,1.0"));
  EXPECT_FALSE(CRangeItemD::ParseBound("1;2.0"));
}

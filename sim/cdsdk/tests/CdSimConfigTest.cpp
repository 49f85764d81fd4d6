#include "sim/cdsdk/CdSimConfig.h"

#include <gtest/gtest.h>

using namespace tarsel::cdsim;

TEST(CdSimConfig, ReadsCamerasInOrderAndRefusesMalformedLinesWithTheirNumber) {
  const auto parsed = parseConfig("[sdk]\nchunk = 0  # odd sizes\n"
                                  "[camera]\nname = First\nflags = 0x4\nvolumes =\n"
                                  "[camera]\nname = Second\nresolutions = 7:32x16\nimage_format = 3:7\n"
                                  "failing_lists = aperture, iso\nisos = 72,88\n");
  ASSERT_TRUE(parsed.config) << parsed.error;
  const SdkConfig& sdk = *parsed.config;
  EXPECT_EQ(sdk.chunk, 0u);
  ASSERT_EQ(sdk.cameras.size(), 2u);
  EXPECT_EQ(sdk.cameras[0].name, "First");
  EXPECT_EQ(sdk.cameras[0].flags, 4u);
  EXPECT_TRUE(sdk.cameras[0].volumes.empty());
  EXPECT_EQ(sdk.cameras[1].resolutions.at(0).width, 32u);
  EXPECT_EQ(sdk.cameras[1].failingLists,
            (1u << static_cast<int>(ValueList::Aperture)) | (1u << static_cast<int>(ValueList::Iso)));
  EXPECT_EQ(sdk.cameras[1].lists[static_cast<int>(ValueList::Iso)], (std::vector<std::uint16_t>{72, 88}));

  const struct {
    const char* text;
    const char* error;
  } bad[] = {{"[camera]\nname = A\nbogus = 1\n", "line 3: unknown key \"bogus\" in [camera]"},
             {"name = A\n", "line 1: a key before any section"},
             {"[camera]\nbattery = 12x\n", "line 2: not a number in range: \"12x\""},
             {"[camera]\nresolutions = 1:0x10\n", "line 2: empty picture size: \"0x10\""},
             {"[camera]\nvolumes = 10:20:1\n", "line 2: a volume's free space exceeds its capacity"},
             {"[camera]\nowner = 0123456789012345678901234567890123\n", "line 2: text longer than 31 bytes"}};
  for (const auto& row : bad) {
    const auto result = parseConfig(row.text);
    EXPECT_FALSE(result.config) << row.text;
    EXPECT_EQ(result.error, row.error);
  }
}

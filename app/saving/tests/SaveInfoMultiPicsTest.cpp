// The save job's numbered file names and sub-folders under each way of using
// the camera's name, read from the user's options as the program stores
// them; the counter's range; names that cannot leave the target folder.
#include "SaveQueueTestSupport.h"

#include "app/settings/TarselSettings.h"
#include "hostapi/ITarselConfigSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tarsel::saving::test {
namespace {

struct Names {
  std::string file;
  std::string subFolder;
};

Names NamesOf(CSaveInfoMultiPics& job, std::int32_t size = 260) {
  char file[260];
  char folder[260];
  return {job.GetFileName(file, size), job.GetSubFolder(folder, size)};
}

TEST(SaveInfoMultiPics, NumberedNamesForEachUseOfTheCameraName) {
  // Each case has its own hives (ctest gives them); start from no options.
  const char* hives = std::getenv("TARSEL_REGISTRY_DIR");
  if (!hives)
    GTEST_SKIP() << "writes options: run it through ctest, which gives it its own registry";
  std::filesystem::remove_all(hives);
  CTarselSettings settings;
  ITarselConfigSettings* options = nullptr;
  ASSERT_EQ(settings.GetUserSettings(&options, false), 0);
  CRefPtr<ITarselConfigSettings> held;
  held.Attach(options);
  CRefPtr<IPictureFromCamera> picture(new CountedPicture);
  const auto job = [&](const char* camera, std::uint32_t counter) {
    return std::make_unique<CSaveInfoMultiPics>(camera, counter, picture.get(), nullptr, &settings);
  };

  // Camera name as file prefix (the default), 4 digits by default.
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "Cam10007.JPG");
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).subFolder, "");
  EXPECT_EQ(NamesOf(*job("Cam1", 12345)).file, "Cam112345.JPG");
  // Printed unsigned, and the counter rolls over from its largest value.
  auto last = job("Cam1", 0xFFFFFFFEu);
  last->SetCounter(0xFFFFFFFFu);
  EXPECT_EQ(NamesOf(*last).file, "Cam14294967295.JPG");
  last->SetCounter(0xFFFFFFFFu);
  EXPECT_EQ(NamesOf(*last).file, "Cam10000.JPG");
  // Cut to the buffer, terminated.
  EXPECT_EQ(NamesOf(*job("Cam1", 7), 6).file, "Cam10");

  // Camera name as folder: without a stored prefix the name is both.
  ASSERT_EQ(options->SetCamNameUse(1), 0);
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "Cam10007.JPG");
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).subFolder, "Cam1");
  ASSERT_EQ(options->SetFilePrefix(""), 0);
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "0007.JPG");
  ASSERT_EQ(options->SetFilePrefix("Shot"), 0);
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "Shot0007.JPG");
  // Camera names from the device never leave the target folder.
  EXPECT_EQ(NamesOf(*job("..", 7)).subFolder, "__");
  EXPECT_EQ(NamesOf(*job("EOS/../x\n", 7)).subFolder, "EOS_.._x_");
  ASSERT_EQ(options->SetCamNameUse(0), 0);
  EXPECT_EQ(NamesOf(*job("../A/B", 7)).file, ".._A_B0007.JPG");

  // No counter with 0 digits; a negative count is 0, a huge one 10.
  ASSERT_EQ(options->SetNumDigitsInCounter(0), 0);
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "Cam1.JPG");
  ASSERT_EQ(options->SetNumDigitsInCounter(static_cast<DWORD>(-3)), 0);
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "Cam1.JPG");
  ASSERT_EQ(options->SetNumDigitsInCounter(40), 0);
  EXPECT_EQ(NamesOf(*job("Cam1", 7)).file, "Cam10000000007.JPG");
}

TEST(SaveInfoMultiPics, TargetFolderLosesItsQuotesAndExpandsVariables) {
  ASSERT_EQ(setenv("TARSEL_SAVE_TEST_DIR", "/srv/pictures", 1), 0);
  CSaveInfoMultiPics job("Cam1", 0, nullptr, nullptr, nullptr);
  job.SetTargetFolder("\"%TARSEL_SAVE_TEST_DIR%/day\"");
  EXPECT_STREQ(job.GetTargetFolder(), "/srv/pictures/day");
  job.SetTargetFolder("\"abc");
  EXPECT_STREQ(job.GetTargetFolder(), "abc");
  EXPECT_TRUE(job.TakeOverwriteOnce() == false && job.GetAuxText() == nullptr);
}

} // namespace
} // namespace tarsel::saving::test

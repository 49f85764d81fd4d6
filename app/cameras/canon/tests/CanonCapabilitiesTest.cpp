#include "app/cameras/canon/CanonCapabilities.h"
#include "app/cameras/canon/CanonCDBracketing.h"
#include "app/cameras/canon/CanonCDPictureInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

namespace {

using namespace tarsel::canon;

std::string folder() {
  const std::filesystem::path path = std::filesystem::path(std::getenv("HOME")) / "camd";
  std::filesystem::create_directories(path);
  return path.string() + "/";
}

// Every section a complete description holds; `zoomMax` may be left out.
void writeProfile(const std::string& file, bool zoomMax) {
  std::ofstream out(file);
  for (const auto& defaults : CanonCapabilityDefaults())
    out << "[" << defaults.section << "]\r\n"
        << defaults.table[0].id << "=" << defaults.table[0].label << "\r\n";
  out << "[Resolution]\r\n0=2,3,1600,1200,1600x1200 Fine\r\n";
  out << "[OpticalZoomRange]\r\nMin=0,5.8\r\n";
  if (zoomMax)
    out << "Max=10,17.4\r\n";
}

class FakeCamera : public ICanonExposureCamera {
public:
  std::recursive_mutex& CallMutex() override { return m_mutex; }
  void GetExposure(std::int32_t*, std::int32_t*, std::int32_t*) override {}
  void SetExposure(std::int32_t, std::int32_t, std::int32_t) override {}
  std::int32_t GetExposureBias() override { return 0; }
  void SetExposureBias(std::int32_t) override {}
  const tarsel::core::CapabilityValue* GetValueTable(const char*) override { return nullptr; }
  bool OffersCapability(int capability) override { return capability != kExposureBias || offersBias; }
  bool offersBias = true;

private:
  std::recursive_mutex m_mutex;
};

struct BracketingProbe : CCanonCD_Bracketing {
  using CCanonCD_Bracketing::CCanonCD_Bracketing, CCanonCD_Bracketing::IsManualMode;
};

} // namespace

TEST(CanonCapabilities, LoadsTheModelsDescriptionAndTellsWhetherItIsComplete) {
  const std::string file = CCanonCapabilities::ProfilePath(folder(), "Sim/Cam A");
  EXPECT_EQ(file, folder() + "Sim_Cam A.camd");
  std::filesystem::remove(file);

  CCanonCapabilities cache;
  cache.Load(file);
  // No file: every set exists and is empty; nothing is complete.
  ASSERT_NE(cache.Find("ProgamMode"), nullptr);
  EXPECT_TRUE(cache.Find("ProgamMode")->IsEmpty());
  EXPECT_EQ(cache.Find("ProgramMode"), nullptr);
  EXPECT_FALSE(cache.IsComplete());

  writeProfile(file, true);
  cache.Load(file);
  EXPECT_TRUE(cache.IsComplete());
  // The program-mode section is spelled in full in the file.
  const auto* modes = cache.Find("ProgamMode")->GetValues();
  ASSERT_NE(modes, nullptr);
  EXPECT_STREQ(modes[0].label, "Auto");
  EXPECT_EQ(cache.Set(kAfDistance)->GetName(), "AF Distance");
  ASSERT_EQ(cache.Resolutions()->GetCount(), 1u);
  EXPECT_EQ(cache.Resolutions()->GetEntry(0)->sizeCode, 2u);
  EXPECT_EQ(cache.Resolutions()->GetEntry(0)->quality, 3u);
  EXPECT_EQ(cache.OpticalZoom()->GetMax(), 10);
  EXPECT_DOUBLE_EQ(cache.OpticalZoom()->GetMaxValue(), 17.4);

  writeProfile(file, false);
  cache.Load(file);
  EXPECT_TRUE(cache.OpticalZoom()->IsMissing());
  EXPECT_FALSE(cache.IsComplete());
}

TEST(CanonCapabilities, AnSdkSizeRecordKeepsSizeAndQualityApart) {
  CCanonResolutionSet set(nullptr, "Resolution", nullptr);
  tarsel::cdsdk::ResolutionRecord record{};
  record.sizeCode = 2;
  record.width = 1600;
  record.height = 1200;
  AddSdkResolution(set, record, 4);
  ASSERT_EQ(set.GetCount(), 1u);
  EXPECT_EQ(set.GetEntry(0)->sizeCode, 2u);
  EXPECT_EQ(set.GetEntry(0)->quality, 4u);
  // Quality 4 has two rows; the first wins.
  EXPECT_EQ(set.GetEntry(0)->label, "1600x1200 Lossless");
}

TEST(CanonCapabilities, PictureInformationCarriesLabelsAndOutlivesItsSource) {
  auto info = std::make_unique<CCanonCDPictureInfo>(CCanonCDPictureInfo::FromIds(1234567, 13, 104, 3));
  std::string text = "stale";
  // White balance 13 is not in the table: an empty text, not a crash.
  info->GetWhiteBalanceText(&text);
  EXPECT_EQ(text, "");
  info->GetIsoText(&text);
  EXPECT_EQ(text, "1600");
  std::unique_ptr<IPictureInfo> copy(info->Clone());
  info.reset();
  copy->GetFlashText(&text);
  EXPECT_EQ(text, "Red Eye Reduction");
  copy->GetSizeText(&text, "%d bytes");
  EXPECT_EQ(text, "1234567 bytes");
}

TEST(CanonCapabilities, BracketingStepsTheBiasUnlessManualOrWithoutBiases) {
  FakeCamera camera;
  BracketingProbe bracketing(&camera);
  EXPECT_FALSE(bracketing.IsManualMode(1));
  EXPECT_FALSE(bracketing.IsManualMode(3));
  EXPECT_TRUE(bracketing.IsManualMode(4));
  camera.offersBias = false;
  EXPECT_TRUE(bracketing.IsManualMode(1));
}

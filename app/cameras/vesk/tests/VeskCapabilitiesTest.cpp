// The camera-link family's capabilities: model file names, the older
// [parameters] ranges moved on load, and, over the real library and the
// simulator's XC-701 and XC-702 cameras, the built-in defaults of a model
// without a file, the model file saved and loaded back (and read by python's
// configparser), its path for a buffer too small, deleting it, and that the
// simulated models accept the values the defaults offer them; a replacement
// of the model file that fails half-way leaves the old file.
#include "VeskFamilyTestSupport.h"
#include "VeskTestSupport.h"

#include "app/cameras/vesk/VeskCapabilityDefaults.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/cameras/vesk/VeskModelFile.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/VeskSimulator.h"
#include "env/BrantelTakeError.h"
#include "platform/PrivateProfile.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

using tarsel::core::CapabilityValue;
using tarsel::test::readFile;
using tarsel::test::TempDir;
using tarsel::test::writeFile;
using tarsel::vesk::BoundExport;
using tarsel::vesk::Export;

namespace {

using Rows = std::vector<std::pair<std::int32_t, std::string>>;

Rows rowsOf(const CapabilityValue* table) {
  Rows rows;
  for (const CapabilityValue* row = table; row && row->label; ++row)
    rows.emplace_back(row->id, row->label);
  return rows;
}

std::pair<std::int32_t, std::int32_t> bounds(const CRange& range) {
  return {range.GetMin(), range.GetMax()};
}

const char* const kSetNames[] = {"ProgamMode",   "ISOSpeed",     "FlashMode",    "ExternalFlash",
                                 "WhiteBalance", "MeteringMode", "ExposureTime", "Aperture",
                                 "ExposureBias", "Resolution",   "DigitalZoom"};
const char* const kRangeNames[] = {"Focus", "OpticalZoom", "LcdBrightness"};

// Every table and range the camera offers, to compare two loads.
std::map<std::string, std::pair<Rows, std::pair<std::int32_t, std::int32_t>>> profileOf(CVeskDllWr& camera) {
  std::map<std::string, std::pair<Rows, std::pair<std::int32_t, std::int32_t>>> profile;
  for (const char* name : kSetNames) {
    CCapabilitySet* set = camera.GetCapabilitySet(name);
    profile[name] = {rowsOf(set ? set->GetValues() : nullptr), bounds(camera.GetCapabilityRange(name))};
  }
  for (const char* name : kRangeNames)
    profile[name] = {{}, bounds(camera.GetRangeByName(name))};
  return profile;
}

// The real library over a daemon with an XC-701 (camera 0) and an XC-702
// (camera 1), both initialised, in a home of the test's own.
class ModelCameras : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(sim.ready());
    tarsel::vesk::test::setTypeList("XC-701,XC-702");
    LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
    GetVeskSdkWrapper(new CTarselSettings);
    ASSERT_EQ(VeskInitControl(), 0);
    ASSERT_EQ(VeskGetPropCameraCount(), 2);
    for (int number : {0, 1}) {
      cameras.push_back(std::make_unique<CVeskDllWr>(number));
      ASSERT_EQ(cameras.back()->InitCameraObject(nullptr, nullptr), 0);
    }
    ASSERT_STREQ(xc701().GetCameraId(), "XC-701");
    ASSERT_STREQ(xc702().GetCameraId(), "XC-702");
  }
  void TearDown() override {
    cameras.clear();
    ReleaseVeskSdkWrapper();
    FreeVeskDll();
  }
  CVeskDllWr& xc701() { return *cameras[0]; }
  CVeskDllWr& xc702() { return *cameras[1]; }
  std::string modelFile(CVeskDllWr& camera) {
    char path[260] = {};
    int size = sizeof path;
    EXPECT_EQ(camera.GetCapabilityFileName(path, &size), 0);
    return path;
  }

  tarsel::vesk::test::LogHome home;
  TempDir dir;
  tarsel::test::VeskSimulator sim{tarsel::test::binDir() + "/vesk-simd", dir.path(),
                                  "speed = 1000\n[camera]\nmodel = XC-701\n[camera]\nmodel = XC-702\n"};
  tarsel::test::ScopedEnv deviceDir{"VESK_DEVICE_DIR", sim.deviceFolder()};
  std::vector<std::unique_ptr<CVeskDllWr>> cameras;
};

} // namespace

TEST(VeskModelFile, NamesReplaceSlashesAndOldRangesMoveOnce) {
  EXPECT_EQ(tarsel::vesk::ModelFileName("XC/701/B"), "XC_701_B.camd");

  TempDir dir;
  const std::string file = dir.file("old.camd");
  writeFile(file, "[parameters]\nMinZoom=30\nOther=1\n");
  tarsel::vesk::MoveOldRanges(file);
  EXPECT_EQ(readFile(file), "[parameters]\r\nOther=1\r\n[OpticalZoomRange]\r\nMin=30\r\nMax=-1\r\n");
  tarsel::vesk::MoveOldRanges(file);
  EXPECT_EQ(readFile(file), "[parameters]\r\nOther=1\r\n[OpticalZoomRange]\r\nMin=30\r\nMax=-1\r\n");
  // The file was rewritten whole: no writer's lock file stays beside it.
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"old.camd"});
}

TEST(VeskModelFile, AReplacementThatFailsLeavesTheOldFileAndNoScratch) {
  TempDir dir;
  const std::string file = dir.file("XC-500.camd");
  writeFile(file, "[Aperture]\r\n28= 2.8\r\n");
  const auto writeApertures = [](const std::string& scratch) {
    ASSERT_TRUE(WritePrivateProfileSectionA("Aperture", "40= 4.0\0\0", scratch.c_str()));
  };
  EXPECT_THROW(tarsel::vesk::ReplaceModelFile(file,
                                              [&](const std::string& scratch) {
                                                writeApertures(scratch);
                                                throw _brantel_take_error(5);
                                              }),
               _brantel_take_error);
  EXPECT_EQ(readFile(file), "[Aperture]\r\n28= 2.8\r\n");
  tarsel::vesk::ReplaceModelFile(file, writeApertures);
  EXPECT_EQ(readFile(file), "[Aperture]\r\n40= 4.0\r\n");
  std::vector<std::string> left;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    left.push_back(entry.path().filename().string());
  EXPECT_EQ(left, std::vector<std::string>{"XC-500.camd"});
}

TEST_F(ModelCameras, WithoutAFileEachModelGetsItsDefaultsAndIsIncomplete) {
  EXPECT_FALSE(xc701().GetCapabilities(false));
  EXPECT_FALSE(std::filesystem::exists(modelFile(xc701())));
  const Rows iso701 = rowsOf(xc701().GetCapabilitySet("ISOSpeed")->GetValues());
  ASSERT_EQ(iso701.size(), 10u);
  EXPECT_EQ(iso701[9], (std::pair<std::int32_t, std::string>{9, "400"}));
  EXPECT_EQ(bounds(xc701().GetCapabilityRange("ISOSpeed")), std::make_pair(0, 9));
  EXPECT_EQ(rowsOf(xc701().GetCapabilitySet("DigitalZoom")->GetValues()).size(), 4u);
  // The family's zoom table gives the model's lens range.
  EXPECT_EQ(bounds(xc701().GetRangeByName("OpticalZoom")), std::make_pair(73, 210));
  EXPECT_EQ(bounds(xc701().GetRangeByName("Focus")), std::make_pair(1, 240));

  const Rows iso702 = rowsOf(xc702().GetCapabilitySet("ISOSpeed")->GetValues());
  ASSERT_EQ(iso702.size(), 8u);
  EXPECT_EQ(iso702[1], (std::pair<std::int32_t, std::string>{5, "50"}));
  EXPECT_EQ(iso702[3], (std::pair<std::int32_t, std::string>{5, "80"}));
  EXPECT_EQ(bounds(xc702().GetCapabilityRange("ISOSpeed")), std::make_pair(0, 5));
  const Rows zoom702 = rowsOf(xc702().GetCapabilitySet("DigitalZoom")->GetValues());
  ASSERT_EQ(zoom702.size(), 10u);
  EXPECT_EQ(zoom702[2], (std::pair<std::int32_t, std::string>{776, "x1.26"}));
  EXPECT_EQ(bounds(xc702().GetRangeByName("OpticalZoom")), std::make_pair(66, 191));

  EXPECT_EQ(xc701().GetCapabilitySet("ProgramMode"), nullptr);
  EXPECT_EQ(bounds(xc701().GetCapabilityRange("ProgramMode")), std::make_pair(0, 0));
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(ModelCameras, SavedModelFileLoadsBackEqualReadsAsPlainIniAndCanBeDeleted) {
  const CapabilityValue apertures[] = {{28, " 2.8"}, {40, " 4.0"}, {110, "11.0"}, {0, nullptr}};
  EXPECT_EQ(xc701().SetCapabilityValues("Aperture", apertures, false), 0);
  EXPECT_EQ(xc701().SetCapabilityValues("ProgramMode", apertures, false), 0);
  EXPECT_EQ(xc701().SetRangeByName("Focus", CRange(5, 200), false), 0);
  const auto before = profileOf(xc701());
  xc701().SaveCapabilities(nullptr);

  const std::string file = modelFile(xc701());
  EXPECT_EQ(std::filesystem::path(file).filename(), "XC-701.camd");
  int size = static_cast<int>(file.size());
  char small[8] = "unset";
  EXPECT_EQ(xc701().GetCapabilityFileName(small, &size), 122);
  EXPECT_EQ(size, static_cast<int>(file.size()));
  EXPECT_STREQ(small, "unset");

  EXPECT_TRUE(xc701().GetCapabilities(true));
  EXPECT_EQ(profileOf(xc701()), before);
  EXPECT_EQ(rowsOf(xc701().GetCapabilitySet("Aperture")->GetValues()), rowsOf(apertures));
  EXPECT_EQ(rowsOf(xc701().GetCapabilitySet("ProgamMode")->GetValues()).size(), 4u);

  // An independent reader sees every section; labels keep their blanks in the file.
  const std::string parsed = tarsel::vesk::test::readWithConfigParser(file);
  for (const char* section :
       {"[FocusRange]", "[OpticalZoomRange]", "[LcdBrightnessRange]", "[ProgramMode]", "[ISOSpeed]",
        "[ISOSpeedRange]", "[ExposureTime]", "[Aperture]", "[DigitalZoom]"})
    EXPECT_NE(parsed.find(section), std::string::npos) << section << "\n" << parsed;
  EXPECT_NE(parsed.find("[Aperture]\n28=2.8\n40=4.0\n110=11.0\n"), std::string::npos) << parsed;
  EXPECT_NE(readFile(file).find("\r\n28= 2.8\r\n40= 4.0\r\n"), std::string::npos);
  EXPECT_NE(parsed.find("[FocusRange]\nMin=5\nMax=200\n"), std::string::npos) << parsed;

  xc701().DeleteCapabilityFile(nullptr);
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_FALSE(xc701().GetCapabilities(false));
  EXPECT_EQ(rowsOf(xc701().GetCapabilitySet("Aperture")->GetValues()).size(), 17u);
}

TEST_F(ModelCameras, OldRangesMoveOnLoadAndAllUnsupportedIsComplete) {
  std::string text = "[parameters]\r\nMinZoom=30\r\n";
  for (const char* section :
       {"ProgramMode", "ISOSpeed", "FlashMode", "ExternalFlash", "WhiteBalance", "MeteringMode",
        "ExposureTime", "Aperture", "ExposureBias", "Resolution", "DigitalZoom"})
    text += std::string("[") + section + "]\r\nUnsupported\r\n";
  writeFile(modelFile(xc702()), text);
  EXPECT_TRUE(xc702().GetCapabilities(true));
  EXPECT_EQ(xc702().GetCapabilitySet("ISOSpeed")->GetValues(), nullptr);
  // "Max" -1 keeps the model's maximum.
  EXPECT_EQ(bounds(xc702().GetRangeByName("OpticalZoom")), std::make_pair(30, 191));
  const std::string moved = readFile(modelFile(xc702()));
  EXPECT_EQ(moved.find("MinZoom"), std::string::npos);
  EXPECT_NE(moved.find("[OpticalZoomRange]\r\nMin=30\r\nMax=-1\r\n"), std::string::npos);
}

// The simulator's models accept every value the family's defaults offer them.
TEST_F(ModelCameras, SimulatedModelsAcceptTheirDefaultValues) {
  const auto acceptsAll = [](CVeskDllWr& camera, const char* name, auto set, auto get) {
    std::vector<std::int32_t> refused;
    camera.Connect();
    for (const auto& [id, label] : rowsOf(camera.GetCapabilitySet(name)->GetValues())) {
      set(camera.GetCameraNumber(), id);
      if (get(camera.GetCameraNumber()) != id)
        refused.push_back(id);
    }
    camera.DisConnect();
    return refused;
  };
  EXPECT_EQ(acceptsAll(xc701(), "ISOSpeed", BoundExport<Export::SetPropIsoSpeed>(),
                       BoundExport<Export::GetPropIsoSpeed>()),
            std::vector<std::int32_t>{});
  EXPECT_EQ(acceptsAll(xc702(), "Resolution", BoundExport<Export::SetPropResolution>(),
                       BoundExport<Export::GetPropResolution>()),
            std::vector<std::int32_t>{});
  EXPECT_EQ(acceptsAll(xc702(), "DigitalZoom", BoundExport<Export::SetPropElectricZoom>(),
                       BoundExport<Export::GetPropElectricZoom>()),
            std::vector<std::int32_t>{});
  EXPECT_EQ(home.entries(), 0) << home.log();
}

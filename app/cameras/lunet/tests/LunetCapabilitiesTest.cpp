// The ActiveX camera's capability store over real model files (read back
// by python's configparser as an independent reader), its name look-ups,
// and the picture information's texts.
#include "app/cameras/lunet/LunetCapabilities.h"
#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/lunet/LunetModelTable.h"
#include "app/cameras/lunet/LunetPictureInfo.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>

using tarsel::lunet::CLunetCapabilities;
using tarsel::test::readFile;
using tarsel::test::writeFile;

namespace {

// What configparser makes of the file: "[section]" and "key=value" lines.
std::string parsed(const std::string& file) {
  const char* script = "import configparser, sys\n"
                       "p = configparser.RawConfigParser(strict=False, delimiters=('=',))\n"
                       "p.optionxform = str\n"
                       "p.read(sys.argv[1])\n"
                       "for s in p.sections():\n"
                       "    print('[' + s + ']', *[k + '=' + v for k, v in p.items(s)])\n";
  const tarsel::test::ProcessResult result = tarsel::test::runProgram({"python3", "-c", script, file});
  EXPECT_EQ(result.exitCode, 0);
  return result.out;
}

std::string rangeText(const CRange& range) {
  return std::to_string(range.GetMin()) + ".." + std::to_string(range.GetMax());
}

} // namespace

TEST(LunetCapabilities, OldRangesAreMovedOnceAndTheFileOverridesTheDefaults) {
  const tarsel::test::TempDir folder;
  const std::string file = folder.file("VC320.camd");
  writeFile(file,
            "[parameters]\r\nMinFocus=5\r\nMaxFocus=90\r\nLens=wide\r\n[ISOSpeed]\r\n1=100\r\n3=400\r\n");
  CLunetCapabilities store;
  store.Load(file, tarsel::lunet::LunetModelZoomRange("vc320"));
  EXPECT_EQ(parsed(file), "[parameters] Lens=wide\n[ISOSpeed] 1=100 3=400\n[FocusRange] Min=5 Max=90\n");
  const std::string migrated = readFile(file);
  store.Load(file, CRange(10, 30));
  EXPECT_EQ(readFile(file), migrated);
  EXPECT_EQ(rangeText(store.GetRange("Focus")), "5..90");
  EXPECT_EQ(rangeText(store.GetRange("OpticalZoom")), "10..30");
  EXPECT_EQ(rangeText(store.GetRange("LcdBrightness")), "1..7");
  EXPECT_EQ(rangeText(store.GetRange("focus")), "-1..-1");
  // Only the ISO speeds are known: the capability test is still to run.
  EXPECT_EQ(store.Known(), 0);
  const auto* iso = store.GetCapabilityTable("ISOSpeed");
  ASSERT_NE(iso, nullptr);
  EXPECT_STREQ(iso[1].label, "400");
  EXPECT_EQ(iso[2].label, nullptr);

  // The dialogs' key lacks an "r"; the set's own name is not a key.
  EXPECT_EQ(store.GetSet("ProgramMode"), nullptr);
  ASSERT_NE(store.GetSet("ProgamMode"), nullptr);
  EXPECT_EQ(store.GetSet("ProgamMode")->GetName(), "ProgramMode");
  EXPECT_EQ(store.GetSet("ExternalFlash"), nullptr);
  EXPECT_EQ(rangeText(store.GetCapabilityRange("Resolution")), "1..37");
  EXPECT_EQ(rangeText(store.GetCapabilityRange("Zoom")), "0..0");

  // Saved whole and read again: every set is known, labels as they stand.
  store.SetRange("OpticalZoom", CRange(10, 28), false, {});
  store.Save(file);
  CLunetCapabilities reloaded;
  reloaded.Load(file, CRange(-1, -1));
  EXPECT_EQ(reloaded.Known(), 1);
  EXPECT_EQ(rangeText(reloaded.GetRange("OpticalZoom")), "10..28");
  const CRangeD zoom = reloaded.GetOpticalZoomRange();
  EXPECT_DOUBLE_EQ(zoom.GetMaxValue(), 2.8);
  EXPECT_STREQ(reloaded.GetCapabilityTable("ExposureBias")[0].label, "- 2.0");
  EXPECT_STREQ(reloaded.GetCapabilityTable("ISOSpeed")[1].label, "400");
}

TEST(LunetCapabilities, TheModelFileIsNamedSafelyAndNeverForAnEmptyType) {
  CTarselSettings settings;
  const std::string folder = tarsel::cameras::FamilyDataFolder(&settings);
  EXPECT_EQ(tarsel::lunet::LunetModelFile(&settings, "VC/320"), folder + "VC_320.camd");
  EXPECT_EQ(tarsel::lunet::LunetModelFile(&settings, ".."), folder + "__.camd");
  try {
    tarsel::lunet::LunetModelFile(&settings, "");
    ADD_FAILURE() << "an empty type named a file";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), 123);
  }
  // Without a file the defaults alone apply, and no set is known.
  CLunetCapabilities store;
  store.Load({}, CRange(-1, -1));
  EXPECT_EQ(store.Known(), 0);
  EXPECT_STREQ(store.GetCapabilityTable("DigitalZoom")[1].label, "x1.6");
  EXPECT_EQ(rangeText(store.GetRange("Focus")), "1..120");
  EXPECT_EQ(store.GetOpticalZoomRange().GetMin(), -1);
}

TEST(LunetPictureInfo, ValuesWithoutARowReadAsNumbers) {
  CLunetPictureInfo::TagRecord tags{};
  tags[64] = 2;
  CLunetPictureInfo unknown(tags, 1234, 7, 9);
  std::string text;
  unknown.GetWhiteBalanceText(&text);
  EXPECT_EQ(text, "#7");
  unknown.GetFlashText(&text);
  EXPECT_EQ(text, "#2");
  unknown.GetIsoText(&text);
  EXPECT_EQ(text, "#9");
  tags[64] = 1;
  const std::unique_ptr<IPictureInfo> copy(CLunetPictureInfo(tags, 1234, 225, 3).Clone());
  copy->GetWhiteBalanceText(&text);
  EXPECT_EQ(text, "Preset");
  copy->GetFlashText(&text);
  EXPECT_EQ(text, "Yes");
  copy->GetIsoText(&text);
  EXPECT_EQ(text, "400");
  copy->GetSizeText(&text, "%d bytes");
  EXPECT_EQ(text, "1234 bytes");
}

// Capability sets and range items: their INI sections written and read
// back exactly, the unsupported mark, tables that stay valid while values
// are appended, long sections, lookups among duplicate ids, and the range
// section's rules.
#include "app/core/CapabilitySet.h"
#include "app/core/CanonResolutionSet.h"
#include "app/core/RangeItem.h"
#include "env/BrantelTakeError.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using tarsel::core::CapabilityValue;
using tarsel::test::TempDir;

namespace {

using Rows = std::vector<std::pair<std::int32_t, std::string>>;

Rows rowsOf(const CapabilityValue* table) {
  Rows rows;
  for (const CapabilityValue* row = table; row && row->label; ++row)
    rows.emplace_back(row->id, row->label);
  return rows;
}

// Labels that must survive as they stand, ids negative and repeated.
const CapabilityValue kAwkward[] = {
    {18, " 1.8"}, {-3, "-0.3"},       {3, "+0.3"}, {5, "50"},    {5, "64"},
    {5, "80"},    {16000000, "16\""}, {0, "a=b"},  {0, nullptr},
};

} // namespace

TEST(CapabilitySet, SavedSectionLoadsBackEqualAndTheFileKeepsItsRange) {
  TempDir dir;
  const std::string file = dir.file("model.camd");
  tarsel::test::writeFile(file, "[ISORange]\r\nMin=3\r\n");
  CCapabilitySet saved("ISO", kAwkward);
  EXPECT_TRUE(saved.IsEmpty());
  saved.SaveToIni(file.c_str());
  EXPECT_EQ(tarsel::test::readFile(file), "[ISORange]\r\nMin=3\r\nMax=-1\r\n"
                                          "[ISO]\r\n18= 1.8\r\n-3=-0.3\r\n3=+0.3\r\n5=50\r\n5=64\r\n5=80\r\n"
                                          "16000000=16\"\r\n0=a=b\r\n");

  CCapabilitySet loaded(file.c_str(), "ISO", CRange(0, 9), nullptr);
  EXPECT_FALSE(loaded.IsEmpty());
  EXPECT_EQ(rowsOf(loaded.GetValues()), rowsOf(kAwkward));
  EXPECT_EQ(loaded.GetRange().GetMin(), 3);
  EXPECT_EQ(loaded.GetRange().GetMax(), 9);

  // A 0..0 range leaves the range section alone; a null table writes nothing.
  CCapabilitySet zero(file.c_str(), "Zero", CRange(0, 0), kAwkward);
  zero.SaveToIni(file.c_str());
  CCapabilitySet none("None", nullptr);
  none.SaveToIni(file.c_str());
  const std::string text = tarsel::test::readFile(file);
  EXPECT_NE(text.find("[Zero]"), std::string::npos);
  EXPECT_EQ(text.find("ZeroRange"), std::string::npos);
  EXPECT_EQ(text.find("None"), std::string::npos);
}

TEST(CapabilitySet, UnsupportedInAnyCaseOffersNothingUntilValuesAreAssigned) {
  TempDir dir;
  const std::string file = dir.file("model.camd");
  tarsel::test::writeFile(file, "[Flash]\nunSupported\n");
  CCapabilitySet set(file.c_str(), "Flash", CRange(-1, -1), kAwkward);
  EXPECT_TRUE(set.IsUnsupported());
  EXPECT_FALSE(set.IsEmpty());
  EXPECT_EQ(set.GetValues(), nullptr);
  set.SaveToIni(file.c_str());
  EXPECT_NE(tarsel::test::readFile(file).find("[Flash]\r\nUNSUPPORTED\r\n"), std::string::npos);

  // Values found later are offered and saved, not lost behind the mark.
  const CapabilityValue found[] = {{1, "On"}, {2, "Off"}, {0, nullptr}};
  set.AssignTable(found);
  EXPECT_EQ(rowsOf(set.GetValues()), rowsOf(found));
  set.SaveToIni(file.c_str());
  CCapabilitySet reloaded(file.c_str(), "Flash", CRange(-1, -1), nullptr);
  EXPECT_EQ(rowsOf(reloaded.GetValues()), rowsOf(found));

  set.AssignTable(nullptr);
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_EQ(set.GetValues(), kAwkward);
}

TEST(CapabilitySet, ValuesAppendedAfterTheTableWasBuiltAreOfferedToo) {
  CCapabilitySet set("Times", kAwkward);
  EXPECT_EQ(set.GetValues(), kAwkward);
  set.AddValue(1, "first");
  set.BuildTable();
  const CapabilityValue* before = set.GetValues();
  ASSERT_NE(before, kAwkward);
  for (int i = 2; i <= 100; ++i)
    set.AddValue(i, std::to_string(i).c_str());
  const Rows rows = rowsOf(set.GetValues());
  ASSERT_EQ(rows.size(), 100u);
  EXPECT_EQ(rows.front().second, "first");
  EXPECT_EQ(rows.back(), (std::pair<std::int32_t, std::string>{100, "100"}));
}

TEST(CapabilitySet, ASectionLongerThanTheFirstBufferIsReadWhole) {
  TempDir dir;
  const std::string file = dir.file("long.camd");
  std::string text = "[Long]\n";
  for (int i = 0; i < 300; ++i)
    text += std::to_string(i) + "=label number " + std::to_string(i) + "\n";
  text += "noequals\n12abc=x\n=y\n99999999999=z\n 7 \n -3 = x\n";
  tarsel::test::writeFile(file, text);
  CCapabilitySet set("Long", nullptr);
  EXPECT_TRUE(set.LoadFromIni(file.c_str()));
  const Rows rows = rowsOf(set.GetValues());
  // Ids with anything but blanks around the number are skipped.
  ASSERT_EQ(rows.size(), 302u);
  EXPECT_EQ(rows[299].second, "label number 299");
  EXPECT_EQ(rows[300], (std::pair<std::int32_t, std::string>{7, ""}));
  EXPECT_EQ(rows[301], (std::pair<std::int32_t, std::string>{-3, " x"}));
  EXPECT_FALSE(set.LoadFromIni(""));
}

TEST(CapabilitySet, LookupsTakeTheFirstRowOfARepeatedId) {
  std::int32_t id = -1;
  EXPECT_STREQ(tarsel::core::FindCapabilityLabel(kAwkward, 5), "50");
  EXPECT_EQ(tarsel::core::FindCapabilityLabel(kAwkward, 7), nullptr);
  EXPECT_EQ(tarsel::core::FindCapabilityLabel(nullptr, 5), nullptr);
  EXPECT_TRUE(tarsel::core::FindCapabilityId(kAwkward, "80", &id));
  EXPECT_EQ(id, 5);
  EXPECT_FALSE(tarsel::core::FindCapabilityId(kAwkward, "1.8", &id));
  EXPECT_EQ(tarsel::core::CapabilityCount(kAwkward), 8u);

  CCapabilitySet set("ISO", kAwkward);
  EXPECT_EQ(set.AddValueFromTable(7), "");
  EXPECT_TRUE(set.IsEmpty());
  EXPECT_EQ(set.AddValueFromTable(5), "5:\t50");
  set.BuildTable();
  EXPECT_EQ(rowsOf(set.GetValues()), (Rows{{5, "50"}}));
}

TEST(RangeItem, FileValuesWinAndValidNeedsBothKeys) {
  TempDir dir;
  const std::string file = dir.file("model.camd");
  tarsel::test::writeFile(file, "[FocusRange]\nMin=5\n[ZoomRange]\nMin=30\nMax=190\n");
  const CRangeItem focus(file.c_str(), "Focus", 1, 240);
  EXPECT_EQ(focus.Min, 5);
  EXPECT_EQ(focus.Max, 240);
  EXPECT_FALSE(focus.IsValid());
  CRangeItem zoom(file.c_str(), "Zoom", CRange(1, 2));
  EXPECT_EQ(zoom.GetRange().GetMin(), 30);
  EXPECT_EQ(zoom.GetRange().GetMax(), 190);
  EXPECT_TRUE(zoom.IsValid());
  zoom = CRange(40, 50);
  EXPECT_FALSE(zoom.IsValid());
  zoom.SaveToIni(file.c_str());
  EXPECT_EQ(CRangeItem(file.c_str(), "Zoom", 0, 0).GetRange().GetMax(), 50);

  try {
    zoom.SaveToIni(dir.file("missing/model.camd").c_str());
    FAIL() << "saved into a missing folder";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), 3);
    EXPECT_STREQ(error.Explanation(), "Cannot save camera parameters to file");
  }
}

TEST(CanonResolutionSet, EntriesRoundTripAndTheReaderSkipsOrCutsWhatItCannotTake) {
  TempDir dir;
  const std::string file = dir.file("canon.camd");
  const CapabilityValue qualities[] = {{1, "Fine"}, {2, "Normal"}, {0, nullptr}};
  CCanonResolutionSet saved(nullptr, "Resolution", qualities);
  EXPECT_EQ(saved.AddResolution({3, 1600, 1200}, qualities, 1), "1600x1200 Fine");
  EXPECT_EQ(saved.AddResolution({7, 640, 480}, qualities, 9), "640x480");
  EXPECT_EQ(rowsOf(saved.GetValues()), (Rows{{0, "1600x1200 Fine"}, {1, "640x480"}}));
  saved.SaveToIni(file.c_str());
  const std::string text = tarsel::test::readFile(file);
  EXPECT_NE(text.find("[Resolution]\r\n0=3,1,1600,1200,1600x1200 Fine\r\n1=7,9,640,480,640x480\r\n"),
            std::string::npos)
      << text;

  const std::string longLabel(300, 'L');
  tarsel::test::writeFile(
      file, text + "[Other]\n9=1,2,3,4,5x6 RAW-Large\n0=1,2,3\n1=1,2,3,4,\n2=1,2,3,99999999999,X\n" +
                "3=4,5,6,7," + longLabel + "\n4=1,2,3,4,a ,b\n");
  CCanonResolutionSet loaded(file.c_str(), "Resolution", nullptr);
  ASSERT_EQ(loaded.GetCount(), 2u);
  EXPECT_EQ(loaded.GetEntry(1)->sizeCode, 7u);
  EXPECT_EQ(loaded.GetEntry(1)->label, "640x480");
  EXPECT_EQ(loaded.GetEntry(2), nullptr);
  EXPECT_EQ(loaded.GetRange().GetMin(), -1);

  CCanonResolutionSet other(file.c_str(), "Other", nullptr);
  // A label cut before a blank keeps no blank at its end, which the file would lose.
  ASSERT_EQ(other.GetCount(), 3u);
  EXPECT_EQ(other.GetEntry(2)->label, "a");
  EXPECT_EQ(other.GetEntry(0)->label, "5x6 RAW");
  EXPECT_EQ(other.GetEntry(0)->height, 4u);
  EXPECT_EQ(other.GetEntry(1)->label, longLabel.substr(0, CCanonResolutionSet::kMaxLabel));
}

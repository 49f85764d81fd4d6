// What the settings leave in the hive file, read back by an independent
// reader of the file's text: value names, types and bytes.
#include "app/settings/tests/SettingsTestSupport.h"
#include "platform/testsupport/TestSupport.h"

#include <cstdlib>
#include <string>

namespace tarsel::settings::test {
namespace {

std::string storedValues(const char* keyPath) {
  const char* folder = std::getenv("TARSEL_REGISTRY_DIR");
  EXPECT_NE(nullptr, folder);
  const auto result = tarsel::test::runProgram({"python3", tarsel::test::testDataDir() + "/stored_values.py",
                                                std::string(folder) + "/user.reg", keyPath});
  EXPECT_EQ(0, result.exitCode);
  return result.out;
}

} // namespace

using StoredVocabulary = SettingsTest;

TEST_F(StoredVocabulary, EveryOptionIsStoredUnderItsOwnNameAndType) {
  auto o = user(false);
  ASSERT_EQ(0, o->SetUseDeviceNotifications(false));
  ASSERT_EQ(0, o->SetLeavePictureInCamera(true));
  ASSERT_EQ(0, o->SetLcdOrPreview(true));
  ASSERT_EQ(0, o->SetBackgroundColor(0x00C0FFEE));
  ASSERT_EQ(0, o->SetBracketingParam(2));
  ASSERT_EQ(0, o->SetBracketingNumPics(3));
  ASSERT_EQ(0, o->SetDoNotDisplayPicture(true));
  ASSERT_EQ(0, o->SetRotation(3));
  ASSERT_EQ(0, o->SetLastMethodOfSaving("FTP"));
  ASSERT_EQ(0, o->SetNumDigitsInCounter(6));
  ASSERT_EQ(0, o->SetAutoSaveAfterTakingSingle(true));
  ASSERT_EQ(0, o->SetAutoSaveAfterTaking(true));
  ASSERT_EQ(0, o->SetCamNameUse(1));
  ASSERT_EQ(0, o->SetFilePrefix("IMG_"));
  ASSERT_EQ(0, o->SetTabNum(1));
  ASSERT_EQ(0, o->SetCustIntervalsFileName("/s.txt"));
  ASSERT_EQ(0, o->SetNumPicsToTake(100));
  ASSERT_EQ(0, o->SetTimeInterval(30));
  ASSERT_EQ(0, o->SetInitialCounter(7));
  ASSERT_EQ(0, o->SetDoNotIncrementCounter(true));
  ASSERT_EQ(0, o->SetSaveInitialCounter(true));
  ASSERT_EQ(0, o->SetSaveCounter(1));
  ASSERT_EQ(0, o->SetTimeLapseStartTime(0x01D0000000000001ull));
  ASSERT_EQ(0, o->SetTimeLapseEndTime(2));
  ASSERT_EQ(0, o->SetDontShowBatteryStatus(true));
  EXPECT_EQ("UseDeviceNotifications\t4\t00000000\n"
            "LeavePictureInCamera\t4\t01000000\n"
            "LcdOrPreview\t4\t01000000\n"
            "BackgroundColor\t4\teeffc000\n"
            "BraketingParam\t4\t02000000\n"
            "BraketingNumPics\t4\t03000000\n"
            "DoNotDisplayPicture\t4\t01000000\n"
            "Rotation\t4\t03000000\n"
            "LastMethodOfSaving\t1\t46545000\n"
            "NumDigitsInCounter\t4\t06000000\n"
            "AutoSaveAfterTakingSingle\t4\t01000000\n"
            "AutoSaveAfterTaking\t4\t01000000\n"
            "CamNameUse\t4\t01000000\n"
            "FilePrefix\t1\t494d475f00\n"
            "TabNum\t4\t01000000\n"
            "CustIntervalsFileName\t1\t2f732e74787400\n"
            "NumPicsToTake\t4\t64000000\n"
            "TimeInterval\t4\t1e000000\n"
            "InitialCounter\t4\t07000000\n"
            "DoNotIncrementCounter\t4\t01000000\n"
            "SaveInitialCounter\t4\t01000000\n"
            "SaveCounter\t4\t01000000\n"
            "TimeLapseStartTime\t3\t010000000000d001\n"
            "TimeLapseEndTime\t3\t0200000000000000\n"
            "DontShowBatteryStatus\t4\t01000000\n",
            storedValues("SOFTWARE\\drevant\\Tarsel\\Options"));
}

TEST_F(StoredVocabulary, ProgramStateIsStoredUnderItsOwnNamesAndTypes) {
  auto p = params(false);
  const BYTE place[3] = {0xAA, 0xBB, 0xCC};
  ASSERT_EQ(0, p->SetLastUsedCaptureSettingsProfilePath("/p"));
  ASSERT_EQ(0, p->SetLastDownloadDir("/d"));
  ASSERT_EQ(0, p->SetLastFocusingImagesDir("/f"));
  ASSERT_EQ(0, p->SetLastWinPlace(place, 1));
  ASSERT_EQ(0, p->SetLastCaptureDlgPlace(place, 2));
  ASSERT_EQ(0, p->SetLastPreviewWndPlace(place, 3));
  ASSERT_EQ(0, p->SetCaptureDlgShown(true));
  EXPECT_EQ("LastUsedCapruteSettingsProfilePath\t1\t2f7000\n"
            "LastDownloadDir\t1\t2f6400\n"
            "LastFocusingImagesDir\t1\t2f6600\n"
            "LastWinPlace\t3\taa\n"
            "LastCaptureDlgPlace\t3\taabb\n"
            "LastPreviewWndPlace\t3\taabbcc\n"
            "CaptureDlgShown\t4\t01000000\n",
            storedValues("software\\DREVANT\\tarsel"));
}

} // namespace tarsel::settings::test

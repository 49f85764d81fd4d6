#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"
#include "savers/ftp/FtpSaver.h"
#include "savers/testsupport/BytesPicture.h"
#include "savers/testsupport/FakeSaveInfo.h"

#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace tarsel::ftpsaver::test {
namespace {

using savers::test::FakeSaveInfo;

// The saver's key "FTP" with "Server" set to `value`, and the sub-key `server`.
CRefPtr<ISaverSettings> serverKey(CTarselSettings& settings, const char* value, const char* server) {
  ISaverSettings* ftp = nullptr;
  EXPECT_EQ(settings.GetSaverSettings("FTP", &ftp, false), 0);
  CRefPtr<ISaverSettings> ftpKey;
  ftpKey.Attach(ftp);
  ftpKey->SetString("Server", value);
  ISaverSettings* sub = nullptr;
  EXPECT_EQ(ftpKey->OpenSubKey(server, false, &sub), 0);
  CRefPtr<ISaverSettings> key;
  key.Attach(sub);
  return key;
}

TEST(FtpSaverExports, AnswerTheProgramsSaverListAsTheContractSays) {
  // The test's own hive may hold what an earlier run of the same case stored.
  const LONG wiped = RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\drevant");
  ASSERT_TRUE(wiped == 0 || wiped == 2) << wiped;
  CTarselSettings settings;
  settings.AddRef(); // the program's own reference: what the page holds never deletes it
  auto savers = std::make_unique<CSaveDllList>(0, tarsel::test::binDir());
  CSaveDllWrapper* ftp = savers->FindSaver(&settings, "FTP");
  ASSERT_TRUE(ftp);

  CSaveDllDisplayInfo display;
  EXPECT_EQ(ftp->DisplayInfo(&settings, &display), 0);
  EXPECT_STREQ(display.GetName(), "FTP");
  EXPECT_STREQ(display.GetLocation(), "");
  // "Server" loses its quotes and has its variables expanded.
  tarsel::test::ScopedEnv host("FTP_TEST_HOST", "127.0.0.1");
  serverKey(settings, "\"$FTP_TEST_HOST\"", "127.0.0.1")->SetString("RootDir", "pics");
  EXPECT_EQ(ftp->DisplayInfo(&settings, &display), 0);
  EXPECT_STREQ(display.GetLocation(), "ftp://127.0.0.1/pics");
  serverKey(settings, "127.0.0.1", "127.0.0.1")->SetString("RootDir", "/srv/pics");
  EXPECT_EQ(ftp->DisplayInfo(&settings, &display), 0);
  EXPECT_STREQ(display.GetLocation(), "ftp://127.0.0.1/srv/pics");

  // Saves: nothing for no picture; no user or password is a failure the queue hears of.
  FakeSaveInfo info;
  BytesPicture picture("bytes");
  EXPECT_EQ(ftp->Save(nullptr, &info, nullptr, &settings, TRUE), 0);
  EXPECT_EQ(ftp->Save(nullptr, &info, &picture, &settings, TRUE), static_cast<HRESULT>(0x820207D1u));
  EXPECT_EQ(ftp->SaveBunchUI(nullptr, &info, nullptr, &settings, 1), static_cast<HRESULT>(0x80070057u));
  IPictureFromCamera* gap[] = {&picture, nullptr};
  EXPECT_EQ(ftp->SaveBunchUI(nullptr, &info, gap, &settings, 2), static_cast<HRESULT>(0x80070057u));

  // The page joins the sheet with a Help button; the sheet deletes it.
  PROPSHEETPAGE* page = nullptr;
  ASSERT_EQ(ftp->PropPage(&settings, nullptr, &page), 0);
  ASSERT_TRUE(page && page->page);
  EXPECT_STREQ(page->pszTitle, "FTP Options");
  EXPECT_EQ(page->dwFlags & PSP_HASHELP, PSP_HASHELP);
  delete page->page;

  // After a failed queued save, without a user to ask: a server that keeps
  // answering 421 is retried a bounded number of times, then skipped; a
  // refused log-in stops the queue; missing values and anything else skip.
  const auto decide = [&](HRESULT code) {
    _brantel_take_error error(code);
    return ftp->ProcessError(nullptr, &info, &settings, &error);
  };
  EXPECT_EQ(decide(0), 0);
  for (int retry = 0; retry < kMaxServiceUnavailableRetries; ++retry)
    EXPECT_EQ(decide(static_cast<HRESULT>(0x820201A5u)), 0) << retry;
  EXPECT_EQ(decide(static_cast<HRESULT>(0x820201A5u)), static_cast<HRESULT>(0x81020002u));
  EXPECT_EQ(decide(static_cast<HRESULT>(0x820201A5u)), 0) << "the count starts again";
  EXPECT_EQ(decide(static_cast<HRESULT>(0x82020212u)), 1223);
  EXPECT_EQ(decide(static_cast<HRESULT>(0x81020003u)), 1223);
  EXPECT_EQ(decide(static_cast<HRESULT>(0x820207D1u)), static_cast<HRESULT>(0x81020002u));
  EXPECT_EQ(decide(10061), static_cast<HRESULT>(0x81020002u));
  savers.reset();
}

TEST(FtpSaverExports, TheDirectSaveFolderJoinsRootAndSubFolderWithOneSlash) {
  EXPECT_EQ(ComposeDirectory("pics/", "cam1"), "pics/cam1");
  EXPECT_EQ(ComposeDirectory("pics/", ""), "pics");
  EXPECT_EQ(ComposeDirectory("", "cam1"), "cam1");
  EXPECT_EQ(ComposeDirectory("", ""), "");
  EXPECT_EQ(ComposeDirectory("/", ""), "/");
  EXPECT_EQ(ComposeDirectory("/srv", "cam 2"), "/srv/cam 2");
}

} // namespace
} // namespace tarsel::ftpsaver::test

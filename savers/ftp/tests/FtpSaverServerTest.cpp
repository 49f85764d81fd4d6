// The FTP saver against the loopback server: direct saves of the save
// thread and the dialogs, as the program's saver list drives the plug-in.
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/saving/SaveInfoMultiPics.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "hostapi/RefPtr.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"
#include "savers/ftp/FtpSaver.h"
#include "savers/ftp/FtpSettings.h"
#include "savers/ftp/SecretBuffer.h"
#include "savers/ftp/testsupport/FtpTestServer.h"
#include "savers/testsupport/AnswerDialog.h"
#include "savers/testsupport/BytesPicture.h"
#include "savers/testsupport/FakeSaveInfo.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QProgressBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace tarsel::ftpsaver::test {
namespace {

namespace fs = std::filesystem;
using ftp::test::FtpTestServer;
using savers::test::AnswerDialog;
using savers::test::FakeSaveInfo;

int count(const std::string& text, const std::string& what) {
  int found = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
    ++found;
  return found;
}

class FtpSaverServer : public ::testing::Test {
protected:
  void SetUp() override {
    const LONG wiped = RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\drevant");
    ASSERT_TRUE(wiped == 0 || wiped == 2) << wiped;
    m_server = std::make_unique<FtpTestServer>(fs::path(std::getenv("HOME")) / "ftp-server");
    settings.AddRef(); // the program's own reference
    m_savers = std::make_unique<CSaveDllList>(0, tarsel::test::binDir());
    ftp = m_savers->FindSaver(&settings, "FTP");
    ASSERT_TRUE(ftp);
  }
  void TearDown() override {
    // Unloading logs out: the server sees the QUIT before it stops.
    m_savers.reset();
    SetMessageBoxHook({});
  }

  // "Server" and its values, as the Options page stores them.
  void configure(const std::string& server, const std::string& rootDir, const char* user = "tarsel") {
    CFtpSettings writable(&settings, false);
    writable.SetServer(server);
    CFtpServerSettings key = writable.OpenServerKey(server);
    key.SetRootDir(rootDir);
    key.SetUserName(user);
    key.StorePassword(FtpTestServer::kPassword, true);
  }

  CTarselSettings settings;
  std::unique_ptr<FtpTestServer> m_server;
  std::unique_ptr<CSaveDllList> m_savers;
  CSaveDllWrapper* ftp = nullptr;
};

TEST_F(FtpSaverServer, DirectSavesLandInTheComposedFoldersOverOneLogIn) {
  configure(m_server->Address(), "pics/");
  FakeSaveInfo info;
  info.subFolder = "cam1";
  const std::string bytes = std::string("\xFF\xD8\0\r\n", 5) + std::string(300000, 'j');
  BytesPicture picture(bytes);
  ASSERT_EQ(ftp->Save(nullptr, &info, &picture, &settings, TRUE), 0);
  info.subFolder = "";
  info.fileName = "../DSC 0002.JPG";
  ASSERT_EQ(ftp->Save(nullptr, &info, &picture, &settings, TRUE), 0);
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/cam1/IMG0007.JPG").string()), bytes);
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/___DSC 0002.JPG").string()), bytes);
  // The program's names of cameras called "../x" and ".hidden": visible files.
  const CRefPtr<IPictureFromCamera> held(new BytesPicture(bytes));
  for (const char* camera : {"../x", ".hidden"}) {
    CSaveInfoMultiPics named(camera, 1, held.get(), nullptr, nullptr);
    ASSERT_EQ(ftp->Save(nullptr, &named, held.get(), &settings, TRUE), 0);
  }
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/___x0001.JPG").string()), bytes);
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/_hidden0001.JPG").string()), bytes);
  EXPECT_EQ(count(m_server->CommandLog(), "USER "), 1) << m_server->CommandLog();

  // A server that keeps answering 421: the code the queue hears of, retried
  // a bounded number of times (without a user to ask), then skipped.
  configure(m_server->BusyAddress(), "");
  _brantel_take_error failure(ftp->Save(nullptr, &info, &picture, &settings, TRUE));
  ASSERT_EQ(failure.Error(), static_cast<HRESULT>(0x820201A5u));
  int retries = 0;
  while (ftp->ProcessError(nullptr, &info, &settings, &failure) == 0 && retries < 10) {
    ++retries;
    ASSERT_EQ(ftp->Save(nullptr, &info, &picture, &settings, TRUE), failure.Error());
  }
  EXPECT_EQ(retries, kMaxServiceUnavailableRetries);
  EXPECT_EQ(ftp->ProcessError(nullptr, &info, &settings, &failure), 0) << "the next picture may retry again";
}

TEST_F(FtpSaverServer, AnAbortEndsADirectSaveTheServerNeverConfirmsAsAFailureAndTheSavesAfterIt) {
  configure(m_server->Address(), "pics", "mute");
  FakeSaveInfo info;
  const std::string bytes(150000, 'u');
  BytesPicture picture(bytes);
  std::atomic<HRESULT> result{-1};
  std::thread saving([&] { result = ftp->Save(nullptr, &info, &picture, &settings, TRUE); });
  const fs::path landed = m_server->Home() / "pics/IMG0007.JPG";
  const bool waiting = FtpTestServer::WaitForFileSize(landed, bytes.size());
  const auto start = std::chrono::steady_clock::now();
  ftp->Abort();
  saving.join();
  EXPECT_TRUE(waiting) << m_server->CommandLog();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_EQ(result.load(), kSaverCancelled);
  // Nothing more is sent until the plug-in is unloaded, which is prompt.
  configure(m_server->Address(), "pics");
  EXPECT_EQ(ftp->Save(nullptr, &info, &picture, &settings, TRUE), kSaverCancelled);
  const auto unloading = std::chrono::steady_clock::now();
  m_savers.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - unloading, std::chrono::seconds(1));
  EXPECT_EQ(count(m_server->CommandLog(), "STOR "), 1) << m_server->CommandLog();
}

TEST_F(FtpSaverServer, ATakenNumberOnTheServerMovesOnToTheNextFreeOneAndAFixedNameIsReplaced) {
  configure(m_server->Address(), "pics");
  const fs::path folder = m_server->Home() / "pics";
  fs::create_directories(folder);
  for (const char* name : {"IMG0007.JPG", "IMG0008.JPG", "IMG4294967293.JPG", "IMG4294967294.JPG"})
    std::ofstream(folder / name) << "old";
  const auto read = [&](const char* name) { return tarsel::test::readFile((folder / name).string()); };
  FakeSaveInfo info;
  BytesPicture picture("new");
  const auto save = [&] { return ftp->Save(nullptr, &info, &picture, &settings, TRUE); };
  ASSERT_EQ(save(), 0);
  EXPECT_EQ(read("IMG0009.JPG") + read("IMG0007.JPG"), "newold");
  EXPECT_EQ(info.counter, 9u) << "the counter follows the number used";
  const std::string log = m_server->CommandLog();
  EXPECT_NE(
      log.find("TYPE I\nSIZE IMG0007.JPG\nSIZE IMG0008.JPG\nSIZE IMG0009.JPG\nPASV\nSTOR IMG0009.JPG\n"),
      std::string::npos)
      << log;

  // The camera's own name is replaced, unasked.
  info.fileName = "IMG0007.JPG";
  ASSERT_EQ(save(), 0);
  EXPECT_EQ(read("IMG0007.JPG"), "new");

  // Near the counter's end the search stops instead of wrapping round; the session stays usable.
  info.fileName.clear();
  info.counter = 0xFFFFFFFDu;
  info.digits = 10;
  EXPECT_EQ(save(), 183);
  EXPECT_EQ(info.counter, 0xFFFFFFFDu);
  info.counter = 8;
  info.digits = 4;
  ASSERT_EQ(save(), 0);
  EXPECT_EQ(read("IMG0010.JPG"), "new");

  // A server that does not know SIZE is asked for a listing of the name.
  configure(m_server->Address(), "pics", "nosize");
  ASSERT_EQ(save(), 0);
  EXPECT_EQ(read("IMG0011.JPG") + read("IMG0008.JPG"), "newold");
  EXPECT_EQ(count(m_server->CommandLog(), "NLST "), 2) << m_server->CommandLog();
}

TEST_F(FtpSaverServer, TheSaveDialogUploadsWithTheTypedValuesAndStoresThemOnlyAfterwards) {
  std::vector<std::string> boxes;
  SetMessageBoxHook(
      [&](HWND, const std::string& text, const std::string&, MessageBoxIcon) { boxes.push_back(text); });
  _brantel_take_error::DoReporting(true);
  FakeSaveInfo info;
  BytesPicture picture("one picture", ".TIF");

  // Cancel without a connection closes quietly and stores nothing.
  AnswerDialog<QDialog>([](QDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(ftp->Save(nullptr, &info, &picture, &settings, FALSE), 1223);
  EXPECT_EQ(CFtpSettings(&settings, true).GetServer(), "");

  // A wrong password: the refusal is shown, the dialog stays for another try
  // with the values entered, and the right one uploads under the typed name.
  int progressMaximum = 0;
  AnswerDialog<QDialog>([&](QDialog& dialog) {
    const auto edit = [&dialog](const char* name) {
      return dialog.findChild<QLineEdit*>(QLatin1String(name));
    };
    EXPECT_EQ(edit("fileName")->text(), QStringLiteral("IMG0007.TIF"));
    dialog.findChild<QComboBox*>(QStringLiteral("server"))
        ->setEditText(QString::fromStdString(m_server->Address()));
    edit("userName")->setText(QStringLiteral("tarsel"));
    edit("password")->setText(QStringLiteral("wrong"));
    edit("fileName")->setText(QStringLiteral("trip0041.TIF"));
    progressMaximum = dialog.findChild<QProgressBar*>()->maximum();
    dialog.accept();
    auto* retry = new QTimer(&dialog);
    QObject::connect(retry, &QTimer::timeout, [&dialog, &boxes, retry, edit] {
      if (boxes.empty())
        return;
      retry->stop();
      EXPECT_EQ(edit("userName")->text(), QStringLiteral("tarsel"));
      edit("password")->setText(QString::fromLatin1(FtpTestServer::kPassword));
      dialog.accept();
    });
    retry->start(5);
  });
  ASSERT_EQ(ftp->Save(nullptr, &info, &picture, &settings, FALSE), 0);
  EXPECT_EQ(progressMaximum, 113);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("0x82020212"), std::string::npos) << boxes[0];
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "trip0041.TIF").string()), "one picture");
  EXPECT_EQ(info.prefix, "trip");
  EXPECT_EQ(info.counter, 42u);
  const CFtpSettings stored(&settings, true);
  EXPECT_EQ(stored.GetServer(), m_server->Address());
  EXPECT_EQ(stored.OpenServerKey(m_server->Address()).GetUserName(), "tarsel");
}

TEST_F(FtpSaverServer, TheSeriesDialogEntersTheRootOnceAndUploadsEveryPictureUnderItsNumber) {
  configure(m_server->Address(), "pics");
  FakeSaveInfo info;
  BytesPicture first("first"), second("second", ".TIF"), third("third");
  IPictureFromCamera* series[] = {&first, &second, &third};
  int highest = 0;
  AnswerDialog<QDialog>([&](QDialog& dialog) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("FTP Whole Series"));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("nameBase"))->text(), QStringLiteral("IMG0007_"));
    auto* bar = dialog.findChild<QProgressBar*>();
    QObject::connect(bar, &QProgressBar::valueChanged,
                     [&highest](int value) { highest = std::max(highest, value); });
    dialog.accept();
  });
  ASSERT_EQ(ftp->SaveBunchUI(nullptr, &info, series, &settings, 3), 0);
  EXPECT_EQ(highest, 313);
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/IMG0007_1.JPG").string()), "first");
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/IMG0007_2.TIF").string()), "second");
  EXPECT_EQ(tarsel::test::readFile((m_server->Home() / "pics/IMG0007_3.JPG").string()), "third");
  // The root folder (made on the way) is entered before the first upload only.
  const std::string log = m_server->CommandLog();
  EXPECT_EQ(count(log, "STOR "), 3) << log;
  EXPECT_EQ(count(log, "MKD "), 1) << log;
  EXPECT_EQ(log.find("CWD ", log.find("STOR ")), std::string::npos) << log;
  EXPECT_EQ(info.prefix, "IMG");
  EXPECT_EQ(info.counter, 8u);
}

TEST(FtpSaverQuestions, ARefusedLogInOrMissingValuesOpenTheParametersWhenTheUserMayBeAsked) {
  CTarselSettings settings;
  settings.AddRef(); // the program's own reference
  CSaveDllList savers(0, tarsel::test::binDir());
  CSaveDllWrapper* ftp = savers.FindSaver(&settings, "FTP");
  ASSERT_TRUE(ftp);
  FakeSaveInfo info;
  info.uiAllowed = true;
  const auto decide = [&](HRESULT code) {
    _brantel_take_error error(code);
    return ftp->ProcessError(nullptr, &info, &settings, &error);
  };

  {
    CFtpSettings writable(&settings, false);
    writable.SetServer("ftp.example.org");
    writable.OpenServerKey("ftp.example.org").StorePassword("old", true);
  }
  // Refused: the stored password is selected for retyping; OK stores the new
  // one and the save is tried again.
  QString selected;
  AnswerDialog<QDialog>([&](QDialog& dialog) {
    auto* password = dialog.findChild<QLineEdit*>(QStringLiteral("password"));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("FTP Options"));
    selected = dialog.focusWidget() == password ? password->selectedText() : QStringLiteral("no focus");
    password->setText(QStringLiteral("new"));
    dialog.accept();
  });
  EXPECT_EQ(decide(static_cast<HRESULT>(0x82020212u)), 0);
  EXPECT_EQ(selected, QStringLiteral("old"));
  SecretBuffer stored;
  DWORD size = SecretBuffer::kSize;
  CFtpSettings(&settings, true).OpenServerKey("ftp.example.org").GetPassword(stored.data(), &size);
  EXPECT_STREQ(stored.c_str(), "new");

  // Missing values: the same dialog; Cancel stops the queue.
  AnswerDialog<QDialog>([](QDialog& dialog) { dialog.reject(); });
  EXPECT_EQ(decide(static_cast<HRESULT>(0x820207D1u)), 1223);
}

} // namespace
} // namespace tarsel::ftpsaver::test

// The camera information and download-all-pictures dialogs of every family
// that offers them, opened through the family's camera object on a camera
// window over its simulator and driven through their controls. Written once
// for the families: the rename and the clock as the simulated camera keeps
// them (in a zone off UTC); every answer to a file that exists and a stop in
// the middle of a download. Of one family only: the camera-link camera
// without a card and Cancel; its card copied byte for byte with the times the
// pictures were taken, erased only once written, a camera file name that
// would lead out of the folder; the ActiveX camera's protected pictures and
// an empty picture.
#include "FamilyDialogTest.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <deque>
#include <filesystem>
#include <functional>
#include <iomanip>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include <sys/stat.h>

using namespace std::chrono_literals;
using tarsel::dialogs::CCameraInfoDlg;
using tarsel::dialogs::CDownloadAllPicturesDlg;
using namespace tarsel::dialogs::test;
using tarsel::test::readFile;
namespace fs = std::filesystem;

namespace {

// The time a JPEG file says it was taken (its EXIF date text, local time),
// as seconds since 1970 UTC; -1 without one.
std::time_t takenTime(const std::string& bytes) {
  std::smatch found;
  if (!std::regex_search(bytes, found, std::regex("(\\d{4}):(\\d\\d):(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d)")))
    return -1;
  std::tm fields{};
  std::istringstream(found.str()) >> std::get_time(&fields, "%Y:%m:%d %H:%M:%S");
  fields.tm_isdst = -1;
  return std::mktime(&fields);
}

template <class Rig> class CameraInfoDialog : public FamilyDialogs<Rig> {};
TYPED_TEST_SUITE(CameraInfoDialog, Families, RigName);

template <class Rig> class DownloadAllDialog : public FamilyDialogs<Rig> {};
TYPED_TEST_SUITE(DownloadAllDialog, Families, RigName);

using CameraLinkDialogs = FamilyDialogs<CameraLinkRig>;

// Pictures the ActiveX camera's download must handle.
class ActiveXDownloadAll : public FamilyDialogs<ActiveXRig> {
protected:
  // A first picture whose camera name leads out of the folder, pictures 2
  // and 3 protected, picture 4 empty.
  std::string cameraConfig() const override {
    return R"({"pictures": [{"size": 9000, "name": "../x.JPG"}, {"size": 9100, "protect": 1},
               {"size": 9200, "protect": 1},
               {"size": 0}, {"size": 9300}], "texts": {"22": "Bench left", "27": "VC320"}})";
  }
};

} // namespace

TYPED_TEST(CameraInfoDialog, ShowsTheCameraRenamesItAndSetsItsClockToTheLocalWallClockOnOk) {
  // A zone off UTC tells a clock kept as the wall clock from one kept in UTC.
  const tarsel::test::ScopedEnv zone("TZ", "Asia/Kolkata");
  tzset();
  this->m_rig.setClock(1000000000);
  std::map<int, QString> shown;
  qsizetype typed = 0;
  this->cameraInfo([&](CCameraInfoDlg& dialog) {
    if (control<QLineEdit>(&dialog, CCameraInfoDlg::IDC_CAMERA_DATE)->text().isEmpty())
      return false;
    for (const int id :
         {CCameraInfoDlg::IDC_CAMERA_TYPE, CCameraInfoDlg::IDC_CAMERA_ID, CCameraInfoDlg::IDC_CAMERA_DATE,
          CCameraInfoDlg::IDC_CAMERA_TIME, CCameraInfoDlg::IDC_STORED_PICS, CCameraInfoDlg::IDC_FREE_MEMORY})
      shown[id] = control<QLineEdit>(&dialog, id)->text();
    auto* id = control<QLineEdit>(&dialog, CCameraInfoDlg::IDC_CAMERA_ID);
    id->clear();
    id->insert(QString(40, QLatin1Char('x')));
    typed = id->text().size();
    id->setText("Studio left");
    control<QCheckBox>(&dialog, CCameraInfoDlg::IDC_SET_CURRENT_TIME)->setChecked(true);
    click(&dialog, 1);
    return true;
  });
  const std::time_t now = std::time(nullptr);
  const long long clock = this->m_rig.clock();
  // The camera keeps IDs of 31 characters.
  EXPECT_EQ(typed, 31);
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_CAMERA_TYPE], TypeParam::kModel);
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_CAMERA_ID], TypeParam::kFirstId);
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_CAMERA_DATE], "September 09, 2001");
  EXPECT_TRUE(shown[CCameraInfoDlg::IDC_CAMERA_TIME].startsWith(TypeParam::kTimeOfClock1000000000))
      << shown[CCameraInfoDlg::IDC_CAMERA_TIME].toStdString();
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_STORED_PICS], "3");
  EXPECT_GT(shown[CCameraInfoDlg::IDC_FREE_MEMORY].toLongLong(), 0);

  // The camera keeps the new ID, the window takes it as its name, and the
  // camera's clock reads the computer's local wall-clock time.
  EXPECT_EQ(this->m_rig.cameraId(), "Studio left");
  EXPECT_EQ(this->m_window->windowTitle(), "Studio left");
  EXPECT_LE(std::llabs(clock - TypeParam::clockSetAt(now)), 5) << clock << " at " << now;
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
}

TEST_F(CameraLinkDialogs, CameraInfoWithoutACardShowsNoMediaAndCancelSendsNothing) {
  ASSERT_EQ(m_rig.ctl("set 0 2 1000000000"), "ok");
  const std::string idBefore = m_rig.ctl("object 0 22");
  ASSERT_EQ(m_rig.ctl("card 0 none"), "ok");
  QString noCard;
  cameraInfo([&](CCameraInfoDlg& dialog) {
    if (control<QLineEdit>(&dialog, CCameraInfoDlg::IDC_CAMERA_DATE)->text().isEmpty())
      return false;
    for (const int id : {CCameraInfoDlg::IDC_FREE_MEMORY, CCameraInfoDlg::IDC_STORED_PICS})
      noCard += control<QLineEdit>(&dialog, id)->text() + " ";
    control<QLineEdit>(&dialog, CCameraInfoDlg::IDC_CAMERA_ID)->setText("Never sent");
    control<QCheckBox>(&dialog, CCameraInfoDlg::IDC_SET_CURRENT_TIME)->setChecked(true);
    click(&dialog, 2);
    return true;
  });
  EXPECT_EQ(noCard, "No Media 0 ");
  EXPECT_EQ(m_rig.ctl("object 0 22"), idBefore);
  ASSERT_EQ(m_rig.ctl("card 0 present"), "ok");
  EXPECT_EQ(m_rig.ctl("get 0 2").substr(0, 8), "ok 10000");
  EXPECT_EQ(m_window->windowTitle(), CameraLinkRig::kFirstId);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TYPED_TEST(DownloadAllDialog, AnswersEachExistingFileAsAskedAndStopsAfterThePictureInHand) {
  const auto card = this->m_rig.card();
  ASSERT_EQ(card.size(), 3u);
  const std::string target = this->m_folder.file("photos");
  fs::create_directories(target);
  for (const auto& picture : card)
    tarsel::test::writeFile(target + "/" + picture.name, "old");
  const auto file = [&](std::size_t index) { return readFile(target + "/" + card[index].name); };
  const auto name = [&](std::size_t index) { return QString::fromStdString(card[index].name); };
  // The answers in turn: an id of SavePicsFileExis, with "apply to all".
  std::deque<std::pair<int, bool>> answers;
  std::vector<QString> asked;
  SavePicsFileExis::SetHook([&](SavePicsFileExis& question) {
    asked.push_back(question.FileName());
    if (answers.empty())
      return;
    const auto [answer, applyToAll] = answers.front();
    answers.pop_front();
    static_cast<QCheckBox*>(question.GetDlgItem(SavePicsFileExis::IDC_APPLY_TO_ALL))->setChecked(applyToAll);
    static_cast<QAbstractButton*>(question.GetDlgItem(answer))->click();
  });
  const auto startIn = [&](const std::string& folder) {
    return [folder](CDownloadAllPicturesDlg& dialog) {
      if (!control<QWidget>(&dialog, 1)->isEnabled())
        return false;
      control<QLineEdit>(&dialog, CDownloadAllPicturesDlg::IDC_FOLDER)
          ->setText(QString::fromStdString(folder));
      click(&dialog, 1);
      return true;
    };
  };

  // Overwrite once; skip for all the rest, asked no more.
  answers = {{SavePicsFileExis::IDC_OVERWRITE, false}, {SavePicsFileExis::IDC_SKIP, true}};
  this->downloadAll(startIn(target));
  EXPECT_EQ(asked, (std::vector<QString>{name(0), name(1)}));
  EXPECT_EQ(sha256Hex(file(0)), card[0].sha256);
  EXPECT_EQ(file(1), "old");
  EXPECT_EQ(file(2), "old");

  // "Save As" for all still asks for the next file; Cancel there ends the run.
  asked.clear();
  tarsel::test::writeFile(target + "/" + card[0].name, "old");
  answers = {{SavePicsFileExis::IDC_SAVE_AS, true}, {tarsel::ui::IDCANCEL, false}};
  this->template drive<QFileDialog>([&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString(target + "/renamed.jpg"));
    static_cast<QDialog&>(dialog).accept();
    return true;
  });
  // Starts a run; once it has ended, notes the status and closes the dialog.
  QString status;
  const auto runAndClose = [&](const std::string& folder) {
    auto started = std::make_shared<bool>(false);
    this->downloadAll([&, folder, started](CDownloadAllPicturesDlg& dialog) {
      if (!*started)
        return *started = startIn(folder)(dialog), false;
      if (dialog.IsRunning())
        return false;
      status = control<QLabel>(&dialog, CDownloadAllPicturesDlg::IDC_STATUS)->text();
      click(&dialog, 2);
      return true;
    });
  };
  runAndClose(target);
  EXPECT_EQ(asked, (std::vector<QString>{name(0), name(1)}));
  EXPECT_EQ(sha256Hex(readFile(target + "/renamed.jpg")), card[0].sha256);
  EXPECT_EQ(file(0), "old");
  EXPECT_EQ(status, "1 of 3 pictures copied.");

  // Cancel while the second picture is in hand: it is copied, the third not.
  const std::string fresh = this->m_folder.file("fresh");
  fs::create_directories(fresh);
  tarsel::test::writeFile(fresh + "/" + card[1].name, "old");
  asked.clear();
  SavePicsFileExis::SetHook([&](SavePicsFileExis& question) {
    asked.push_back(question.FileName());
    click(question.parentWidget(), 2);
    static_cast<QAbstractButton*>(question.GetDlgItem(SavePicsFileExis::IDC_OVERWRITE))->click();
  });
  runAndClose(fresh);
  EXPECT_EQ(status, "2 of 3 pictures copied.");
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(fresh))
    names.insert(entry.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{card[0].name, card[1].name}));
  EXPECT_EQ(sha256Hex(readFile(fresh + "/" + card[1].name)), card[1].sha256);
  EXPECT_EQ(this->m_rig.card(), card);
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
}

TEST_F(CameraLinkDialogs, DownloadAllCopiesTheCardWithItsTimesErasesOnlyWrittenFilesAndKeepsOddNamesInside) {
  // A fourth picture whose camera name leads to the parent folder.
  const std::string odd = m_folder.file("odd.jpg");
  tarsel::test::writeFile(odd, m_rig.cardBytes().at("SIM_0001.JPG"));
  ASSERT_EQ(m_rig.ctl("add 0 " + odd + " ../EVIL.JPG"), "ok");
  const std::map<std::string, std::string> before = m_rig.cardBytes();
  ASSERT_EQ(before.size(), 4u);
  const std::string target = m_folder.file("photos");
  // A folder where the second picture's file belongs: its writing fails.
  fs::create_directories(target + "/SIM_0002.JPG");
  // The third is protected; the question whether to erase it anyway is answered No.
  ASSERT_EQ(m_rig.ctl("protect 0 3 1"), "ok");
  m_answer = tarsel::ui::IDNO;

  std::string cardAfterFailure;
  QString statusAfterFailure;
  int step = 0;
  downloadAll([&](CDownloadAllPicturesDlg& dialog) {
    if (step == 0 && control<QWidget>(&dialog, 1)->isEnabled()) {
      control<QLineEdit>(&dialog, CDownloadAllPicturesDlg::IDC_FOLDER)
          ->setText(QString::fromStdString(target + "/"));
      control<QCheckBox>(&dialog, CDownloadAllPicturesDlg::IDC_DELETE)->setChecked(true);
      click(&dialog, 1);
      step = 1;
    } else if (step == 1 && !dialog.IsRunning()) {
      cardAfterFailure = m_rig.ctl("pictures 0");
      statusAfterFailure = control<QLabel>(&dialog, CDownloadAllPicturesDlg::IDC_STATUS)->text();
      fs::remove(target + "/SIM_0002.JPG");
      click(&dialog, 1);
      return true;
    }
    return false;
  });

  // The first run wrote and erased the first picture, stopped at the second
  // with the file's name in the error, and left it on the card.
  EXPECT_EQ(cardAfterFailure.substr(0, 4), "ok 3") << cardAfterFailure;
  EXPECT_NE(cardAfterFailure.find("SIM_0002.JPG"), std::string::npos);
  EXPECT_EQ(statusAfterFailure, "1 of 4 pictures copied.");
  ASSERT_EQ(m_errors.size(), 1u);
  EXPECT_NE(m_errors[0].find(target + "/SIM_0002.JPG"), std::string::npos) << m_errors[0];
  // The second run copied the rest and erased all but the protected one,
  // asking about it once; the window took no pictures meanwhile.
  const std::string left = m_rig.ctl("pictures 0");
  EXPECT_EQ(left.substr(0, 18), "ok 1 SIM_0003.JPG:") << left;
  EXPECT_NE(left.find(":protected"), std::string::npos) << left;
  EXPECT_EQ(std::count_if(m_questions.begin(), m_questions.end(),
                          [](const QString& text) { return text.startsWith("Found protected pictures"); }),
            1);
  EXPECT_EQ(m_window->downloadStates, (std::vector<bool>{true, false, true, false}));
  std::map<std::string, std::string> written;
  for (const auto& entry : fs::directory_iterator(target)) {
    const std::string bytes = readFile(entry.path().string());
    written[entry.path().filename().string()] = bytes;
    struct stat info {};
    ASSERT_EQ(stat(entry.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, takenTime(bytes)) << entry.path();
  }
  EXPECT_TRUE(written == before);
  EXPECT_TRUE(written.count(".._EVIL.JPG"));
  EXPECT_FALSE(fs::exists(m_folder.file("EVIL.JPG")));
}

TEST_F(ActiveXDownloadAll, ProtectedPicturesAnsweredNoStayAndAnEmptyPictureIsNeitherWrittenNorErased) {
  std::vector<std::string> sums;
  for (int i = 1; i <= 3; ++i)
    sums.push_back(m_rig.sim().picture(i)["sha256"].text);
  const std::string target = m_folder.file("photos");
  m_answer = tarsel::ui::IDNO;
  int step = 0;
  QString status;
  downloadAll([&](CDownloadAllPicturesDlg& dialog) {
    if (step == 0 && control<QWidget>(&dialog, 1)->isEnabled()) {
      fs::create_directories(target);
      control<QLineEdit>(&dialog, CDownloadAllPicturesDlg::IDC_FOLDER)
          ->setText(QString::fromStdString(target));
      control<QCheckBox>(&dialog, CDownloadAllPicturesDlg::IDC_DELETE)->setChecked(true);
      click(&dialog, 1);
      step = 1;
    } else if (step == 1 && !dialog.IsRunning()) {
      status = control<QLabel>(&dialog, CDownloadAllPicturesDlg::IDC_STATUS)->text();
      dialog.reject();
      return true;
    }
    return false;
  });

  // The first picture was written and erased, the protected ones written
  // and kept (asked once), the empty one ended the run before the last.
  EXPECT_EQ(status, "3 of 5 pictures copied.");
  ASSERT_EQ(m_errors.size(), 1u);
  EXPECT_EQ(std::count_if(m_questions.begin(), m_questions.end(),
                          [](const QString& text) { return text.startsWith("Found protected pictures"); }),
            1);
  std::vector<std::string> names;
  for (const auto& picture : m_rig.card())
    names.push_back(picture.name);
  EXPECT_EQ(names,
            (std::vector<std::string>{"PICT0002.JPG", "PICT0003.JPG", "PICT0004.JPG", "PICT0005.JPG"}));
  names.clear();
  for (const auto& entry : fs::directory_iterator(target))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names, (std::vector<std::string>{".._x.JPG", "PICT0002.JPG", "PICT0003.JPG"}));
  EXPECT_FALSE(fs::exists(m_folder.file("x.JPG")));
  for (std::size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(sha256Hex(readFile(target + "/" + names[i])), sums[i]) << names[i];
}

// The camera information and download-all-pictures dialogs of a camera-link
// camera, opened by their commands in the camera window of a vesk-simd
// camera and driven through their controls: the rename and the clock as the
// simulator's camera keeps them; the card's pictures copied byte for byte
// with the times they were taken, erased only once written, every answer to
// a file that exists, a stop in the middle, and a camera file name that
// would lead out of the folder.
#include "MainFrameTestSupport.h"

#include "app/cameras/dialogs/CameraInfoDlg.h"
#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"
#include "app/cameras/vesk/VeskLibrary.h"
#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/SavePicsFileExis.h"
#include "env/CamStorageDir.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <ctime>
#include <deque>
#include <filesystem>
#include <iomanip>
#include <map>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include <sys/stat.h>

using namespace std::chrono_literals;
using tarsel::dialogs::CCameraInfoDlg;
using tarsel::dialogs::CDownloadAllPicturesDlg;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
using tarsel::test::readFile;
namespace fs = std::filesystem;
namespace cmd = tarsel::frame::cmd;

namespace {

constexpr auto kPatience = 60s;

template <class Control> Control* control(QWidget* dialog, int id) {
  return dialog->findChild<Control*>(tarsel::ui::ControlName(id));
}

void click(QWidget* dialog, int id) {
  control<QAbstractButton>(dialog, id)->click();
}

// The drivers' timers: they go with the test that made them, so none
// reaches into a later test's dialog with this test's locals.
std::unique_ptr<QObject>& drivers() {
  static std::unique_ptr<QObject> owner;
  if (!owner)
    owner = std::make_unique<QObject>();
  return owner;
}

// Runs `step` on the modal dialog of type D every few milliseconds while
// the command's dialog runs, until it answers true; a step that never does
// fails the test and closes the dialog.
template <class D> void drive(std::function<bool(D&)> step) {
  auto* timer = new QTimer(drivers().get());
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  QObject::connect(timer, &QTimer::timeout, [timer, step, deadline] {
    auto* dialog = dynamic_cast<D*>(QApplication::activeModalWidget());
    if (dialog && step(*dialog)) {
      timer->stop();
      timer->deleteLater();
    } else if (std::chrono::steady_clock::now() > deadline) {
      ADD_FAILURE() << "a dialog step never came true";
      timer->stop();
      timer->deleteLater();
      if (QWidget* modal = QApplication::activeModalWidget())
        modal->close();
    }
  });
  timer->start(5);
}

// The camera's clock register: seconds of its wall-clock time.
constexpr int kClockRegister = 2;
// The camera ID object: the text, NUL padded.
constexpr int kCameraIdObject = 22;

std::string textOfHex(const std::string& hex) {
  std::string text;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    const char c = static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    if (c == '\0')
      break;
    text += c;
  }
  return text;
}

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

class VeskDialogs : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    tarsel::frame::test::useVeskModels({"XC-701"});
    m_simulator = std::make_unique<tarsel::test::VeskSimulator>(
        binDir() + "/vesk-simd", m_folder.path(), "speed = 20\n[camera]\nmodel = XC-701\npictures = 3\n");
    ASSERT_TRUE(m_simulator->ready());
    m_devices.emplace("VESK_DEVICE_DIR", m_simulator->deviceFolder());
    MainFrameOptions options = optionsFor({});
    options.makeDeviceWatcher = {};
    start(options);
    ASSERT_TRUE(pumpUntil([&] { return m_frame->CameraWindows().size() == 1; }, kPatience));
    m_window = m_frame->CameraWindows().front();
  }

  void TearDown() override {
    drivers().reset();
    SavePicsFileExis::SetHook({});
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }

  std::string ctl(const std::string& command) { return m_simulator->control(command); }

  // The card's files by the names the daemon gives them.
  std::map<std::string, std::string> card() {
    const std::string folder = m_folder.file("card" + std::to_string(++m_dumps));
    EXPECT_EQ(ctl("dump 0 " + folder).rfind("ok", 0), 0u);
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
      files[entry.path().filename().string()] = readFile(entry.path().string());
    return files;
  }

  // Runs the download command; `step` drives the dialog.
  void downloadAll(std::function<bool(CDownloadAllPicturesDlg&)> step) {
    drive<CDownloadAllPicturesDlg>(std::move(step));
    ASSERT_TRUE(m_frame->RunCommand(cmd::DownloadAllPictures));
  }

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::optional<tarsel::test::ScopedEnv> m_devices;
  CChildFrame* m_window = nullptr;
  int m_dumps = 0;
};

} // namespace

TEST_F(VeskDialogs, CameraInfoShowsTheCameraRenamesItAndSetsItsClockOnlyOnOk) {
  // 1000000000 s: September 9, 2001, 01:46:40 on the camera's clock.
  ASSERT_EQ(ctl("set 0 " + std::to_string(kClockRegister) + " 1000000000"), "ok");
  const std::string idBefore = ctl("object 0 " + std::to_string(kCameraIdObject));
  // Without a card; Cancel after a change sends nothing.
  ASSERT_EQ(ctl("card 0 none"), "ok");
  QString noCard;
  drive<CCameraInfoDlg>([&](CCameraInfoDlg& dialog) {
    if (control<QLineEdit>(&dialog, CCameraInfoDlg::IDC_CAMERA_DATE)->text().isEmpty())
      return false;
    for (const int id : {CCameraInfoDlg::IDC_FREE_MEMORY, CCameraInfoDlg::IDC_STORED_PICS})
      noCard += control<QLineEdit>(&dialog, id)->text() + " ";
    control<QLineEdit>(&dialog, CCameraInfoDlg::IDC_CAMERA_ID)->setText("Never sent");
    control<QCheckBox>(&dialog, CCameraInfoDlg::IDC_SET_CURRENT_TIME)->setChecked(true);
    click(&dialog, 2);
    return true;
  });
  ASSERT_TRUE(m_frame->RunCommand(cmd::CameraInfo));
  EXPECT_EQ(noCard, "No Media 0 ");
  EXPECT_EQ(ctl("object 0 " + std::to_string(kCameraIdObject)), idBefore);
  ASSERT_EQ(ctl("card 0 present"), "ok");
  EXPECT_EQ(ctl("get 0 " + std::to_string(kClockRegister)).substr(0, 8), "ok 10000");

  std::map<int, QString> shown;
  qsizetype typed = 0;
  drive<CCameraInfoDlg>([&](CCameraInfoDlg& dialog) {
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
  ASSERT_TRUE(m_frame->RunCommand(cmd::CameraInfo));
  // The camera keeps IDs of 31 characters.
  EXPECT_EQ(typed, 31);
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_CAMERA_TYPE], "XC-701");
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_CAMERA_ID], "XC-701 camera 0");
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_CAMERA_DATE], "September 09, 2001");
  EXPECT_TRUE(shown[CCameraInfoDlg::IDC_CAMERA_TIME].startsWith("01:4"))
      << shown[CCameraInfoDlg::IDC_CAMERA_TIME].toStdString();
  EXPECT_EQ(shown[CCameraInfoDlg::IDC_STORED_PICS], "3");
  EXPECT_GT(shown[CCameraInfoDlg::IDC_FREE_MEMORY].toLongLong(), 0);

  // The camera keeps the new ID and the computer's wall-clock time.
  EXPECT_EQ(textOfHex(ctl("object 0 " + std::to_string(kCameraIdObject)).substr(3)), "Studio left");
  std::tm local{};
  const std::time_t now = std::time(nullptr);
  localtime_r(&now, &local);
  const long long clock = std::stoll(ctl("get 0 " + std::to_string(kClockRegister)).substr(3));
  EXPECT_LE(std::llabs(clock - (now + local.tm_gmtoff)), 5) << clock;
  EXPECT_EQ(m_window->windowTitle(), "Studio left");
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(VeskDialogs, DownloadAllCopiesTheCardWithItsTimesErasesOnlyWrittenFilesAndKeepsOddNamesInside) {
  // A fourth picture whose camera name leads to the parent folder.
  const std::string odd = m_folder.file("odd.jpg");
  tarsel::test::writeFile(odd, card().at("SIM_0001.JPG"));
  ASSERT_EQ(ctl("add 0 " + odd + " ../EVIL.JPG"), "ok");
  const std::map<std::string, std::string> before = card();
  ASSERT_EQ(before.size(), 4u);
  const std::string target = m_folder.file("photos");
  // A folder where the second picture's file belongs: its writing fails.
  fs::create_directories(target + "/SIM_0002.JPG");
  // The third is protected; the question whether to erase it anyway is answered No.
  ASSERT_EQ(ctl("protect 0 3 1"), "ok");
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
      cardAfterFailure = ctl("pictures 0");
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
  // asking about it once.
  const std::string left = ctl("pictures 0");
  EXPECT_EQ(left.substr(0, 18), "ok 1 SIM_0003.JPG:") << left;
  EXPECT_NE(left.find(":protected"), std::string::npos) << left;
  EXPECT_EQ(std::count_if(m_questions.begin(), m_questions.end(),
                          [](const QString& text) { return text.startsWith("Found protected pictures"); }),
            1);
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

TEST_F(VeskDialogs, DownloadAllAnswersEachExistingFileAsAskedAndStopsAfterThePictureInHand) {
  const std::map<std::string, std::string> cardFiles = card();
  const std::string target = m_folder.file("photos");
  fs::create_directories(target);
  for (const char* name : {"SIM_0001.JPG", "SIM_0002.JPG", "SIM_0003.JPG"})
    tarsel::test::writeFile(target + "/" + name, "old");
  const auto file = [&](const char* name) { return readFile(target + "/" + name); };
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
  downloadAll(startIn(target));
  EXPECT_EQ(asked, (std::vector<QString>{"SIM_0001.JPG", "SIM_0002.JPG"}));
  EXPECT_TRUE(file("SIM_0001.JPG") == cardFiles.at("SIM_0001.JPG"));
  EXPECT_EQ(file("SIM_0002.JPG"), "old");
  EXPECT_EQ(file("SIM_0003.JPG"), "old");

  // "Save As" for all still asks for the next file; Cancel there ends the run.
  asked.clear();
  tarsel::test::writeFile(target + "/SIM_0001.JPG", "old");
  answers = {{SavePicsFileExis::IDC_SAVE_AS, true}, {tarsel::ui::IDCANCEL, false}};
  drive<QFileDialog>([&](QFileDialog& dialog) {
    dialog.selectFile(QString::fromStdString(target + "/renamed.jpg"));
    static_cast<QDialog&>(dialog).accept();
    return true;
  });
  // Starts a run; once it has ended, notes the status and closes the dialog.
  QString status;
  const auto runAndClose = [&](const std::string& folder) {
    auto started = std::make_shared<bool>(false);
    downloadAll([&, folder, started](CDownloadAllPicturesDlg& dialog) {
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
  EXPECT_EQ(asked, (std::vector<QString>{"SIM_0001.JPG", "SIM_0002.JPG"}));
  EXPECT_TRUE(readFile(target + "/renamed.jpg") == cardFiles.at("SIM_0001.JPG"));
  EXPECT_EQ(file("SIM_0001.JPG"), "old");
  EXPECT_EQ(status, "1 of 3 pictures copied.");

  // Cancel while the second picture is in hand: it is copied, the third not.
  const std::string fresh = m_folder.file("fresh");
  fs::create_directories(fresh);
  tarsel::test::writeFile(fresh + "/SIM_0002.JPG", "old");
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
  EXPECT_EQ(names, (std::set<std::string>{"SIM_0001.JPG", "SIM_0002.JPG"}));
  EXPECT_TRUE(readFile(fresh + "/SIM_0002.JPG") == cardFiles.at("SIM_0002.JPG"));
  EXPECT_EQ(ctl("pictures 0").substr(0, 4), "ok 3");
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

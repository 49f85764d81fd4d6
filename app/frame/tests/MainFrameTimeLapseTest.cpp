// The time-lapse dialog over the test camera family, its clock faked: an
// equal-interval series that ends by closing the dialog, a series with a
// failed camera and a save error that arrives during the next take, a series
// without cameras, a schedule across a daylight-saving change, schedules
// that give no due time (no file, a missing or too large one, only past
// times), and the
// frame's command and /AUTOSTART opening the dialog.
#include "MainFrameTestSupport.h"

#include "app/frame/AutoTakePicturesDlg.h"
#include "app/frame/CommandIds.h"
#include "app/frame/DisplayErrorsDlg.h"
#include "app/host/TarselEvents.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "platform/testsupport/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTimer>
#include <QTreeWidget>

#include <unistd.h>

#include <utility>

using namespace std::chrono_literals;
using tarsel::frame::test::FakeClock;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::Gate;
using tarsel::frame::test::moveClockToNextPicture;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::TimedCamera;
using tarsel::frame::test::TimedFamily;
using tarsel::frame::test::utcTime;
using tarsel::testcamera::CameraOp;
using State = CAutoTakePicturesDlg::State;
namespace cmd = tarsel::frame::cmd;

namespace {

constexpr std::int64_t kSecond = 10'000'000;
constexpr auto kPatience = 30s;

template <class Control> Control* control(QWidget* dialog, int id) {
  return dialog->findChild<Control*>(tarsel::ui::ControlName(id));
}

TimedCamera& cameraOf(CChildFrame* window) {
  return *static_cast<TimedCamera*>(window->GetCamera());
}

class MainFrameTimeLapse : public FrameTest {
protected:
  // A frame over `cameras` test cameras, and its time-lapse dialog, shown.
  CAutoTakePicturesDlg& open(int cameras) {
    TimedFamily& family = addFamily();
    family.setCameraCount(cameras);
    CMainFrame& frame = start(optionsFor({&family}));
    EXPECT_TRUE(pumpUntil([&] { return static_cast<int>(frame.CameraWindows().size()) == cameras; }));
    tarsel::frame::TimeLapseOptions options;
    options.clock = &m_clock;
    options.tick = 2ms;
    m_dialog = std::make_unique<CAutoTakePicturesDlg>(&frame, frame, options);
    m_dialog->show();
    return *m_dialog;
  }

  // Fills the equal-interval controls and starts.
  void startEqual(int pictures, int interval, int counter, bool saveCounter) {
    control<QTabBar>(m_dialog.get(), CAutoTakePicturesDlg::IDC_TABS)->setCurrentIndex(0);
    control<QSpinBox>(m_dialog.get(), CAutoTakePicturesDlg::IDC_NUM_PICTURES)->setValue(pictures);
    control<QSpinBox>(m_dialog.get(), CAutoTakePicturesDlg::IDC_INTERVAL)->setValue(interval);
    control<QSpinBox>(m_dialog.get(), CAutoTakePicturesDlg::IDC_COUNTER)->setValue(counter);
    control<QAbstractButton>(m_dialog.get(), CAutoTakePicturesDlg::IDC_SAVE_COUNTER)->setChecked(saveCounter);
    click(CAutoTakePicturesDlg::IDC_START);
  }

  void click(int id) { control<QPushButton>(m_dialog.get(), id)->click(); }
  QString text(int id) { return control<QLabel>(m_dialog.get(), id)->text(); }

  int picturesOfCamera(int index) {
    return cameraOf(m_frame->CameraWindows()[static_cast<std::size_t>(index)]).picturesTaken();
  }

  void TearDown() override {
    m_dialog.reset();
    FrameTest::TearDown();
  }

  FakeClock m_clock;
  std::unique_ptr<CAutoTakePicturesDlg> m_dialog;
};

} // namespace

TEST_F(MainFrameTimeLapse, ThreePicturesAtEqualIntervalsCloseTheDialogAndSaveTheCounter) {
  CAutoTakePicturesDlg& dialog = open(2);
  const std::int64_t start = utcTime(2026, 6, 1, 12, 0, 0);
  m_clock.now = start;
  startEqual(3, 10, 5, true);
  // The first picture at once, each next one when its interval has passed.
  for (int picture = 1; picture <= 3; ++picture) {
    ASSERT_TRUE(pumpUntil([&] { return picturesOfCamera(0) == picture && picturesOfCamera(1) == picture; },
                          kPatience))
        << picture;
    if (picture < 3) {
      ASSERT_TRUE(moveClockToNextPicture(dialog, m_clock, kPatience));
      EXPECT_EQ(m_clock.now, start + picture * 10 * kSecond);
      EXPECT_EQ(dialog.CurrentState(), State::Running);
    }
  }
  // Error-free, the end of the series closes the dialog with 1.
  ASSERT_TRUE(pumpUntil([&] { return !dialog.isVisible(); }, kPatience));
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_EQ(dialog.PicturesTaken(), 3);
  EXPECT_EQ(dialog.CurrentCounter(), 8);
  const auto user = tarsel::settings::OpenUserSettings(settings(), true);
  EXPECT_EQ(user->GetInitialCounter(), 8u);
  EXPECT_EQ(user->GetNumPicsToTake(), 3u);
  EXPECT_EQ(user->GetTimeInterval(), 10u);
  EXPECT_EQ(picturesOfCamera(0), 3);
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameTimeLapse, ErrorsAreListedAndASaveErrorDuringATakeNeitherEndsItNorRestartsAStoppedSeries) {
  CAutoTakePicturesDlg& dialog = open(2);
  m_clock.now = utcTime(2026, 6, 1, 12, 0, 0);
  // One picture, one camera failing: "Done." and one row.
  cameraOf(m_frame->CameraWindows()[0])
      .script()
      .failNext(CameraOp::PrepareCapture, static_cast<HRESULT>(0x81040010u));
  startEqual(1, 10, 1, false);
  ASSERT_TRUE(pumpUntil([&] { return dialog.CurrentState() == State::Stopped; }, kPatience));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(text(CAutoTakePicturesDlg::IDC_STATUS), "Done.");
  EXPECT_EQ(text(CAutoTakePicturesDlg::IDC_ERROR_COUNT), "Number of Errors: 1");
  ASSERT_TRUE(control<QPushButton>(&dialog, CAutoTakePicturesDlg::IDC_DISPLAY)->isVisible());
  std::vector<QString> rows;
  QTimer::singleShot(0, [&] {
    if (auto* list = dialog.ErrorList()) {
      auto* tree = static_cast<CDisplayErrorsDlg*>(list)->List();
      for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.push_back(tree->topLevelItem(i)->text(3));
      list->accept();
    } else if (QWidget* modal = QApplication::activeModalWidget()) {
      ADD_FAILURE() << "the error list is not the dialog's";
      modal->close();
    }
  });
  click(CAutoTakePicturesDlg::IDC_DISPLAY);
  EXPECT_EQ(rows, std::vector<QString>{"0x81040010"});

  // A series of three: the second take is held in the cameras while a save
  // error of the first picture arrives and Stop is pressed.
  auto gate = std::make_shared<Gate>();
  for (CChildFrame* window : m_frame->CameraWindows())
    cameraOf(window).setPrepareGate(gate);
  startEqual(3, 10, 1, false);
  EXPECT_TRUE(dialog.Errors().empty());
  ASSERT_TRUE(pumpUntil([&] { return picturesOfCamera(0) == 1; }, kPatience));
  gate->close();
  ASSERT_TRUE(moveClockToNextPicture(dialog, m_clock, kPatience));
  ASSERT_TRUE(pumpUntil([&] { return dialog.IsTaking(); }, kPatience));
  QCoreApplication::postEvent(&dialog,
                              new tarsel::host::SaveResultEvent(1, static_cast<HRESULT>(0x81020002u)));
  pumpFor(20ms);
  EXPECT_TRUE(dialog.IsTaking());
  click(CAutoTakePicturesDlg::IDC_START);
  EXPECT_EQ(dialog.CurrentState(), State::Running);
  EXPECT_FALSE(control<QPushButton>(&dialog, CAutoTakePicturesDlg::IDC_START)->isEnabled());
  gate->open();
  ASSERT_TRUE(pumpUntil([&] { return dialog.CurrentState() == State::Stopped; }, kPatience));
  EXPECT_EQ(picturesOfCamera(0), 2);
  // A late error still counts, but nothing starts again.
  QCoreApplication::postEvent(&dialog,
                              new tarsel::host::SaveResultEvent(1, static_cast<HRESULT>(0x81020002u)));
  m_clock.now += 100 * kSecond;
  pumpFor(50ms);
  EXPECT_EQ(dialog.CurrentState(), State::Stopped);
  EXPECT_EQ(picturesOfCamera(0), 2);
  EXPECT_EQ(dialog.Errors().size(), 2u);
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameTimeLapse, WithoutCamerasEveryIntervalAddsNoCamerasError) {
  CAutoTakePicturesDlg& dialog = open(0);
  m_clock.now = utcTime(2026, 6, 1, 12, 0, 0);
  startEqual(2, 5, 1, false);
  for (std::size_t interval = 1; interval <= 3; ++interval) {
    ASSERT_TRUE(pumpUntil([&] { return dialog.Errors().size() == interval; }, kPatience));
    EXPECT_EQ(dialog.Errors().back().Error(), static_cast<HRESULT>(0x81020012u));
    ASSERT_TRUE(moveClockToNextPicture(dialog, m_clock, kPatience));
  }
  EXPECT_EQ(dialog.CurrentState(), State::Running);
  click(CAutoTakePicturesDlg::IDC_START);
  EXPECT_EQ(dialog.CurrentState(), State::Stopped);
  EXPECT_EQ(dialog.PicturesTaken(), 0);
}

TEST_F(MainFrameTimeLapse, AScheduleAcrossADaylightSavingChangeTakesAtItsWallClockTimes) {
  // The conversions read the zone's rules afresh each time.
  const tarsel::test::ScopedEnv zone("TZ", "Europe/Berlin");
  tarsel::test::TempDir folder;
  const std::string schedule = folder.file("times.txt");
  // Summer time began at 02:00 CET on 29 March 2026: 03:30 is 01:30 UTC, and
  // noon of the day (the local date of the clock) 10:00 UTC.
  tarsel::test::writeFile(
      schedule, "; before and after the change\r\n2026-03-29 01:30:00\r\n2026-03-29 03:30:00\n12:00:00");
  CAutoTakePicturesDlg& dialog = open(1);
  m_clock.now = utcTime(2026, 3, 29, 0, 0, 0);
  control<QTabBar>(&dialog, CAutoTakePicturesDlg::IDC_TABS)->setCurrentIndex(1);
  control<QLineEdit>(&dialog, CAutoTakePicturesDlg::IDC_SCHEDULE_FILE)
      ->setText(QString::fromStdString(schedule));
  click(CAutoTakePicturesDlg::IDC_START);
  ASSERT_EQ(dialog.CurrentState(), State::Running);
  for (const std::int64_t due :
       {utcTime(2026, 3, 29, 0, 30, 0), utcTime(2026, 3, 29, 1, 30, 0), utcTime(2026, 3, 29, 10, 0, 0)}) {
    const int before = picturesOfCamera(0);
    EXPECT_EQ(dialog.NextTime(), due);
    m_clock.now = due - kSecond;
    pumpFor(30ms);
    EXPECT_EQ(picturesOfCamera(0), before);
    m_clock.now = due;
    ASSERT_TRUE(
        pumpUntil([&] { return picturesOfCamera(0) == before + 1 && !dialog.IsTaking(); }, kPatience));
  }
  // The schedule's end ends the series, error-free.
  ASSERT_TRUE(pumpUntil([&] { return !dialog.isVisible(); }, kPatience));
  EXPECT_EQ(dialog.result(), 1);
  EXPECT_EQ(tarsel::settings::OpenUserSettings(settings(), true)->GetTabNum(), 1u);
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameTimeLapse, AScheduleWithoutADueTimeTakesNothingSaysWhyOnceAndLeavesTheDialogUsable) {
  CAutoTakePicturesDlg& dialog = open(1);
  m_clock.now = utcTime(2026, 6, 1, 12, 0, 0);
  // A message box runs the event loop while it is shown.
  tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
    m_questions.push_back(text);
    pumpFor(30ms);
    return 1;
  });
  tarsel::test::TempDir folder;
  const std::string gone = folder.file("gone.txt");
  const std::string past = folder.file("past.txt");
  const std::string large = folder.file("large.txt");
  tarsel::test::writeFile(past, "2026-06-01 11:00:00\r\n+10\n+0\n10:00:00\n");
  tarsel::test::writeFile(large, "+1\n");
  ASSERT_EQ(::truncate(large.c_str(), CTimeLapseSchedule::kMaxFileSize + 1), 0);
  control<QTabBar>(&dialog, CAutoTakePicturesDlg::IDC_TABS)->setCurrentIndex(1);
  auto* file = control<QLineEdit>(&dialog, CAutoTakePicturesDlg::IDC_SCHEDULE_FILE);
  const std::pair<std::string, QString> cases[] = {
      {"", "No file with times was chosen."},
      {gone,
       QString::fromStdString("Cannot open file " + gone + ".\n\nError: No such file or directory(0x2)")},
      {large, QString::fromStdString("The file " + large + " is larger than 4194304 bytes")},
      {past, "Either the specified file does not exist or does not contain times in the right format or all "
             "times are in the past."},
  };
  for (const auto& [path, message] : cases) {
    SCOPED_TRACE(path);
    m_questions.clear();
    file->setText(QString::fromStdString(path));
    click(CAutoTakePicturesDlg::IDC_START);
    pumpFor(30ms);
    ASSERT_EQ(m_questions.size(), 1u);
    EXPECT_TRUE(m_questions[0].startsWith(message)) << m_questions[0].toStdString();
    EXPECT_EQ(dialog.CurrentState(), State::Stopped);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(picturesOfCamera(0), 0);
    EXPECT_TRUE(file->isEnabled());
  }
  // The same dialog then runs a schedule that has a time.
  tarsel::test::writeFile(gone, "+1\n");
  file->setText(QString::fromStdString(gone));
  click(CAutoTakePicturesDlg::IDC_START);
  ASSERT_EQ(dialog.CurrentState(), State::Running);
  m_clock.now += kSecond;
  ASSERT_TRUE(pumpUntil([&] { return picturesOfCamera(0) == 1; }, kPatience));
  ASSERT_TRUE(pumpUntil([&] { return !dialog.isVisible(); }, kPatience));
  EXPECT_EQ(m_questions.size(), 1u);
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameTimeLapse, TheCommandAndAutostartOpenTheDialog) {
  TimedFamily& family = addFamily();
  family.setCameraCount(1);
  MainFrameOptions options = optionsFor({&family});
  options.arguments = {"Tarsel", "/AUTOSTART"};
  int opened = 0;
  tarsel::frame::test::closeTimeLapseDialogWhenShown(opened);
  CMainFrame& frame = start(options);
  ASSERT_TRUE(pumpUntil([&] { return opened == 1; }, kPatience));
  ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }));
  ASSERT_TRUE(frame.CommandState(cmd::TimeLapse).enabled);
  tarsel::frame::test::closeTimeLapseDialogWhenShown(opened);
  EXPECT_TRUE(frame.RunCommand(cmd::TimeLapse));
  EXPECT_EQ(opened, 2);
}

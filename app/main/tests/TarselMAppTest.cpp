#include "app/main/TarselMApp.h"

#include "app/frame/CommandIds.h"
#include "app/frame/DeviceWatcher.h"
#include "app/frame/MainFrame.h"
#include "app/main/AboutDlg.h"
#include "app/saving/SaveDllList.h"
#include "app/settings/TarselSettings.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FacilityRegistry.h"
#include "platform/testsupport/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QStringList>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using tarsel::testcamera::FakeCameraFamily;

// One code of each facility the program registers, with its catalogue text.
bool facilityKnown(unsigned long facility, unsigned long code) {
  return FormatFacilityMessage(facility, code).has_value();
}
bool allFacilitiesRegistered() {
  return facilityKnown(0x102, 0x81020002) && facilityKnown(0x105, 0x81050001) &&
         facilityKnown(0x106, 0x81060004);
}
bool anyFacilityRegistered() {
  return facilityKnown(0x102, 0x81020002) || facilityKnown(0x105, 0x81050001) ||
         facilityKnown(0x106, 0x81060004);
}

class JournalSettings : public CTarselSettings {
public:
  explicit JournalSettings(std::function<void()> onDelete) : m_onDelete(std::move(onDelete)) {}
  ~JournalSettings() override { m_onDelete(); }

private:
  std::function<void()> m_onDelete;
};

// Records the shut-down as it happens, with what still exists at each step,
// and answers the frame's questions and notices (the test folder holds no
// saver, so the frame's discovery says that nothing can be saved).
struct Journal {
  Journal() {
    previousHook =
        tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
          boxes.push_back(text.toStdString());
          return tarsel::ui::IDOK;
        });
  }
  ~Journal() { tarsel::ui::SetAskUserHook(std::move(previousHook)); }
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  tarsel::ui::AskUserHook previousHook;
  std::vector<std::string> boxes;
  std::vector<std::string> lines;
  QPointer<CMainFrame> frame;
  bool settingsAlive = false;

  std::string state() const {
    return std::string(frame ? " frame=open" : " frame=gone") +
           (settingsAlive ? " settings=alive" : " settings=gone") +
           (anyFacilityRegistered() ? " facilities=on" : " facilities=off");
  }
};

// Three disabled test families named like the product's, in list order.
std::vector<tarsel::frame::SdkFamily> journalFamilies(Journal& journal) {
  std::vector<tarsel::frame::SdkFamily> families;
  for (const char* name : {"camera-link", "ActiveX", "Canon"}) {
    auto family = std::make_shared<std::unique_ptr<FakeCameraFamily>>();
    families.push_back({name,
                        [family, name](ITarselSettings*) -> IBaseSDK_Wr* {
                          if (!*family) {
                            *family = std::make_unique<FakeCameraFamily>(name);
                            (*family)->setEnabled(false);
                          }
                          return family->get();
                        },
                        [family, name, &journal] {
                          journal.lines.push_back(std::string("release ") + name + journal.state());
                          family->reset();
                        }});
  }
  return families;
}

CTarselMApp::Options quietOptions(Journal& journal) {
  CTarselMApp::Options options;
  options.frame.remoteControl = false;
  options.frame.makeDeviceWatcher = [] { return std::unique_ptr<tarsel::frame::IDeviceWatcher>(); };
  options.frame.arguments = QStringList{QStringLiteral("Tarsel")};
  options.frame.families = journalFamilies(journal);
  options.showFrame = false;
  options.makeSettings = [&journal]() -> ITarselSettings* {
    journal.settingsAlive = true;
    return new JournalSettings([&journal] {
      journal.settingsAlive = false;
      journal.lines.push_back("settings deleted" + journal.state());
    });
  };
  return options;
}

// Answers every error box in place of the user and keeps its text.
class BoxRecorder {
public:
  BoxRecorder() {
    m_previous = SetMessageBoxHook(
        [this](HWND, const std::string& text, const std::string&, MessageBoxIcon) { texts.push_back(text); });
  }
  ~BoxRecorder() { SetMessageBoxHook(std::move(m_previous)); }
  std::vector<std::string> texts;

private:
  MessageBoxHook m_previous;
};

} // namespace

TEST(TarselMApp, StartsUpThenShutsDownInOrderOnceTheFrameIsGone) {
  ASSERT_FALSE(anyFacilityRegistered());
  Journal journal;
  {
    CTarselMApp app(quietOptions(journal));
    EXPECT_EQ(CTarselMApp::Instance(), &app);
    ASSERT_TRUE(app.InitInstance());

    EXPECT_TRUE(allFacilitiesRegistered());
    EXPECT_EQ(app.EnvModule(), &TarselEnvMessageTable());
    ASSERT_NE(app.MainFrame(), nullptr);
    EXPECT_TRUE(journal.settingsAlive);
    EXPECT_NE(app.Settings(), nullptr);
    EXPECT_TRUE(app.HasCommonControls6());
    journal.frame = app.MainFrame();
    EXPECT_TRUE(journal.lines.empty());

    EXPECT_EQ(app.ExitInstance(), 0);
    const std::vector<std::string> expected = {
        "settings deleted frame=gone settings=gone facilities=on",
        "release ActiveX frame=gone settings=gone facilities=on",
        "release camera-link frame=gone settings=gone facilities=on",
        "release Canon frame=gone settings=gone facilities=on",
    };
    EXPECT_EQ(journal.lines, expected);
    EXPECT_FALSE(anyFacilityRegistered());
    EXPECT_EQ(app.EnvModule(), nullptr);
    EXPECT_EQ(app.Settings(), nullptr);
    EXPECT_EQ(app.MainFrame(), nullptr);

    // A second shut-down (the destructor's) has nothing left to do.
    EXPECT_EQ(app.ExitInstance(), 0);
    EXPECT_EQ(journal.lines.size(), expected.size());
  }
  EXPECT_EQ(CTarselMApp::Instance(), nullptr);
}

TEST(TarselMApp, FailedStartUpIsReportedAndShutDownStillRunsEveryStep) {
  Journal journal;
  BoxRecorder boxes;
  CTarselMApp::Options options = quietOptions(journal);
  options.makeSettings = []() -> ITarselSettings* { return nullptr; };
  CTarselMApp app(std::move(options));

  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(app.MainFrame(), nullptr);
  ASSERT_EQ(boxes.texts.size(), 1u);
  EXPECT_NE(boxes.texts[0].find("(0x08)"), std::string::npos) << boxes.texts[0];
  // Reporting is left as it was found: off until a frame switches it on.
  EXPECT_TRUE(_brantel_take_error::IsSilent());

  app.ExitInstance();
  const std::vector<std::string> expected = {
      "release ActiveX frame=gone settings=gone facilities=on",
      "release camera-link frame=gone settings=gone facilities=on",
      "release Canon frame=gone settings=gone facilities=on",
  };
  EXPECT_EQ(journal.lines, expected);
  EXPECT_FALSE(anyFacilityRegistered());
}

TEST(TarselMApp, NewFileCommandOpensAnEmptyCameraWindowInTheFrame) {
  Journal journal;
  CTarselMApp app(quietOptions(journal));
  EXPECT_EQ(app.OnFileNew(), nullptr);
  ASSERT_TRUE(app.InitInstance());

  CChildFrame* first = app.OnFileNew();
  CChildFrame* second = app.OnFileNew();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  const std::vector<CChildFrame*> expected = {first, second};
  EXPECT_EQ(app.MainFrame()->CameraWindows(), expected);
  EXPECT_EQ(first->GetCamera(), nullptr);
  app.ExitInstance();
}

TEST(TarselMApp, FrameAboutCommandShowsTheAboutBoxModallyOverTheFrame) {
  Journal journal;
  CTarselMApp app(quietOptions(journal));
  ASSERT_TRUE(app.InitInstance());

  bool aboutShown = false;
  QWidget* parent = nullptr;
  QTimer::singleShot(0, [&] {
    QWidget* shown = QApplication::activeModalWidget();
    if (!shown)
      return;
    aboutShown = qobject_cast<CAboutDlg*>(shown) != nullptr;
    parent = shown->parentWidget();
    shown->close();
  });
  EXPECT_TRUE(app.MainFrame()->RunCommand(tarsel::frame::cmd::AppAbout));
  EXPECT_TRUE(aboutShown);
  EXPECT_EQ(parent, app.MainFrame());
  app.ExitInstance();
}

TEST(TarselMApp, ProductStartsWithItsOwnFamiliesAndSaysNoCameraUntilOneLands) {
  Journal journal;
  CTarselMApp::Options options = quietOptions(journal);
  options.frame.families.clear();
  CTarselMApp app(std::move(options));
  ASSERT_TRUE(app.InitInstance());

  // The frame's start-up runs from the event loop; it must not stop there
  // for a dialog, as no family has a page to offer yet.
  const QString noCamera = QStringLiteral("No Camera");
  QDeadlineTimer deadline(10000);
  while (app.MainFrame()->PaneText(0) != noCamera && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  EXPECT_EQ(app.MainFrame()->PaneText(0), noCamera);
  EXPECT_TRUE(app.MainFrame()->CameraWindows().empty());
  EXPECT_EQ(app.ExitInstance(), 0);
}

TEST(TarselMApp, WithoutAnySaverItStartsSaysSavingIsImpossibleAndShutsDownInFull) {
  Journal journal;
  tarsel::test::TempDir noSavers;
  CTarselMApp::Options options = quietOptions(journal);
  options.saverFolder = noSavers.path();
  CTarselMApp app(std::move(options));
  ASSERT_TRUE(app.InitInstance());
  ASSERT_NE(app.SaverList(), nullptr);
  EXPECT_EQ(app.SaverList()->GetCount(), 0);

  QDeadlineTimer deadline(10000);
  while (journal.boxes.empty() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
  ASSERT_EQ(journal.boxes.size(), 1u);
  EXPECT_EQ(journal.boxes[0].rfind("No Tarsel File saving utilities are found", 0), 0u) << journal.boxes[0];
  EXPECT_FALSE(app.MainFrame()->HasSavers());

  EXPECT_EQ(app.ExitInstance(), 0);
  EXPECT_EQ(app.SaverList(), nullptr);
  EXPECT_EQ(journal.lines.size(), 4u);
  EXPECT_FALSE(anyFacilityRegistered());
}

// The camera-link driver set-up: the driver test, the refresh through the
// installation library, the page's apply for each branch, "Advanced", and a
// new model followed from the page to the camera-link library accepting
// the simulated camera. The program folder holds the real installation
// library and configuration program (or stand-ins); pkexec and udevadm are
// scripts that write down how they were called.
#include "VeskFamilyTestSupport.h"

#include "app/cameras/vesk/UnknownCamera.h"
#include "app/cameras/vesk/VeskCameraListFile.h"
#include "app/cameras/vesk/VeskDriverSetup.h"
#include "app/cameras/vesk/VeskSdkPageSelCameras.h"
#include "app/cameras/vesk/VeskVistaCamRefreshNoteDlg.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/MessageQuestion.h"
#include "env/BrantelTakeError.h"
#include "hostapi/ICamSdkSettings.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include <deque>

#include <sys/stat.h>

using tarsel::test::readFile;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::test::writeFile;
using tarsel::vesk::test::TestVeskSdk;

namespace {

const char* const kRuleFile = "70-tarsel-vesk.rules";

void writeScript(const std::string& path, const std::string& body) {
  writeFile(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

// Answers the modal dialogs that open, in order, each with its action;
// one more is a failure, and is rejected.
class ModalAnswers {
public:
  explicit ModalAnswers(std::deque<std::function<void(QWidget&)>> actions) : m_actions(std::move(actions)) {
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
      QWidget* dialog = QApplication::activeModalWidget();
      if (!dialog || dialog->property("answered").toBool())
        return;
      dialog->setProperty("answered", true);
      if (m_actions.empty()) {
        ADD_FAILURE() << "an unexpected dialog: " << dialog->windowTitle().toStdString();
        if (auto* unexpected = qobject_cast<QDialog*>(dialog))
          unexpected->reject();
        return;
      }
      auto action = std::move(m_actions.front());
      m_actions.pop_front();
      action(*dialog);
    });
    m_timer.start(1);
  }
  std::size_t left() const { return m_actions.size(); }

private:
  std::deque<std::function<void(QWidget&)>> m_actions;
  QTimer m_timer;
};

template <class W> W* control(QWidget& dialog, int id) {
  return dialog.findChild<W*>(QStringLiteral("control%1").arg(id));
}

class DriverSetup : public ::testing::Test {
protected:
  DriverSetup() {
    tarsel::vesk::test::forgetFamilyState();
    ResetDriverRegisteredState();
    std::filesystem::create_directories(m_dir.file("program"));
    std::filesystem::create_directories(m_dir.file("rules"));
    std::filesystem::create_directories(m_dir.file("sys/class/scsi_generic"));
    writeScript(m_dir.file("pkexec"), "echo \"$@\" >> \"$0.log\"\nexec \"$@\"\n");
    writeScript(m_dir.file("udevadm"), "echo \"$@\" >> \"$0.log\"\n");
    tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
      m_boxes.push_back(text.toStdString());
      return tarsel::ui::IDOK;
    });
  }
  ~DriverSetup() override {
    tarsel::ui::SetAskUserHook({});
    ResetDriverRegisteredState();
  }

  // The program folder with the configuration program (a stand-in that does
  // nothing), the installation library (`library`, or none) and the
  // camera-link library (an empty stand-in).
  void populate(const std::string& library, bool configProgram = true, bool cameraLink = true) {
    std::filesystem::remove_all(m_dir.file("program"));
    std::filesystem::create_directories(m_dir.file("program"));
    if (configProgram)
      writeScript(m_dir.file("program/BrantelVeskConfig"), "exit 0\n");
    if (!library.empty())
      std::filesystem::create_symlink(library, m_dir.file("program/libBrantelVeskInst.so"));
    if (cameraLink)
      writeFile(m_dir.file("program/libVeskDLL.so"), "");
  }
  void installRule() { writeFile(m_dir.file("rules/") + kRuleFile, "# old\n"); }
  static std::string realLibrary() { return tarsel::test::binDir() + "/libBrantelVeskInst.so"; }

  tarsel::vesk::DriverSetupContext context() {
    tarsel::vesk::DriverSetupContext context;
    context.programFolder = m_dir.file("program/");
    context.pkexec = m_dir.file("pkexec");
    context.isAdministrator = [this] { return m_administrator; };
    return context;
  }
  std::string pkexecCalls() const {
    return std::filesystem::exists(m_dir.file("pkexec.log")) ? readFile(m_dir.file("pkexec.log")) : "";
  }
  bool dontAsk(TestVeskSdk& sdk, std::optional<bool> set = std::nullopt) {
    ICamSdkSettings* settings = nullptr;
    EXPECT_EQ(sdk.GetSettings()->GetSdkSettings(sdk.GetSdkName(), &settings, false), 0);
    if (set)
      settings->SetBool(tarsel::vesk::kDontAskForRefreshValue, *set);
    const bool value = settings->GetBool(tarsel::vesk::kDontAskForRefreshValue, false);
    settings->Release();
    return value;
  }
  static void select(CVeskSdkPageSelCameras& page, const QString& model) {
    auto* list = page.findChild<QListWidget*>(QStringLiteral("control1000"));
    const auto items = list->findItems(model, Qt::MatchExactly);
    ASSERT_EQ(items.size(), 1) << model.toStdString();
    items.front()->setSelected(true);
  }

  TempDir m_dir;
  ScopedEnv m_rules{"TARSEL_UDEV_RULES_DIR", m_dir.file("rules")};
  ScopedEnv m_sysfs{"TARSEL_SYSFS_ROOT", m_dir.file("sys")};
  ScopedEnv m_udevadm{"TARSEL_UDEVADM", m_dir.file("udevadm")};
  std::vector<std::string> m_boxes;
  bool m_administrator = true;
};

} // namespace

TEST_F(DriverSetup, TheDriverTestNeedsEveryFileAndTheRuleAndTestsOncePerProcess) {
  const auto check = [this] {
    ResetDriverRegisteredState();
    return CheckDriverRegistered(context());
  };
  populate(realLibrary());
  EXPECT_FALSE(check()) << "no rule installed";
  installRule();
  EXPECT_TRUE(check());
  std::filesystem::remove(m_dir.file("rules/") + kRuleFile);
  EXPECT_TRUE(CheckDriverRegistered(context())) << "not tested again";
  installRule();

  populate(realLibrary(), false);
  EXPECT_FALSE(check()) << "without the configuration program";
  populate("");
  EXPECT_FALSE(check()) << "without the installation library";
  populate(STUB_INST_PATH);
  EXPECT_FALSE(check()) << "a library without the entry";
  populate(realLibrary(), true, false);
  EXPECT_FALSE(check()) << "without the camera-link library";
}

TEST_F(DriverSetup, UpdateShowsAFailureAndReturnsItAndAMissingLibraryThrows) {
  tarsel::vesk::test::setTypeList("XC-701");
  populate(realLibrary());
  EXPECT_EQ(UpdateCamerasInDriver(nullptr, context()), 1) << "nothing installed to update";
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_EQ(m_boxes[0].rfind("Failed refreshing cameras for BrantelVesk.sys driver.\nError: ", 0), 0u);
  EXPECT_NE(m_boxes[0].find("(0x1)"), std::string::npos) << m_boxes[0];

  installRule();
  EXPECT_EQ(UpdateCamerasInDriver(nullptr, context()), 0);
  EXPECT_EQ(m_boxes.size(), 1u);
  EXPECT_NE(readFile(m_dir.file("rules/") + kRuleFile).find("\"XC-701\""), std::string::npos);

  for (const auto& [library, code] :
       {std::pair{std::string(STUB_INST_PATH), 127}, std::pair{std::string(), 126}}) {
    populate(library);
    try {
      UpdateCamerasInDriver(nullptr, context());
      ADD_FAILURE() << "no error for " << library;
    } catch (const _brantel_take_error& error) {
      EXPECT_EQ(error.Error(), code);
      EXPECT_EQ(std::string(error.Explanation()).rfind("Brantel BrantelVesk.sys driver configuration", 0),
                0u);
    }
  }
}

TEST_F(DriverSetup, ApplyRefreshesOnceThroughPkexecOnlyWhenAModelIsNew) {
  populate(realLibrary());
  installRule();
  TestVeskSdk sdk;
  sdk.SaveCameraSelection("XC-701\0\0");
  CVeskSdkPageSelCameras page(&sdk, context());
  auto* list = page.findChild<QListWidget*>(QStringLiteral("control1000"));
  ASSERT_EQ(list->selectedItems().size(), 1);
  EXPECT_EQ(list->selectedItems().front()->text(), "XC-701");

  EXPECT_TRUE(page.Apply());
  EXPECT_EQ(pkexecCalls(), "") << "nothing new";

  select(page, "XC-702");
  select(page, "XC-500");
  dontAsk(sdk, false);
  ModalAnswers answers({[](QWidget& note) {
    ASSERT_NE(qobject_cast<CVeskVistaCamRefreshNoteDlg*>(&note), nullptr);
    control<QCheckBox>(note, 2107)->setChecked(true);
    qobject_cast<QDialog*>(&note)->accept();
  }});
  EXPECT_TRUE(page.Apply());
  EXPECT_EQ(answers.left(), 0u) << "the note was shown";
  EXPECT_EQ(pkexecCalls(), m_dir.file("program/BrantelVeskConfig") + " /R\n") << "one refresh for two models";
  EXPECT_TRUE(dontAsk(sdk));
  EXPECT_EQ(sdk.IsEnabled(), std::string("XC-500"));
  EXPECT_EQ(tarsel::vesk::test::typeList(), "XC-701,XC-500,XC-702");

  EXPECT_TRUE(page.Apply());
  EXPECT_EQ(pkexecCalls(), m_dir.file("program/BrantelVeskConfig") + " /R\n")
      << "applied twice, refreshed once";
  EXPECT_TRUE(m_boxes.empty());

  // The elevation command cannot be started: the failure is shown, the page goes on.
  CVeskSdkPageSelCameras again(&sdk, [this] {
    auto broken = context();
    broken.pkexec = m_dir.file("no-pkexec");
    return broken;
  }());
  select(again, "XC-510");
  EXPECT_TRUE(again.Apply());
  ASSERT_EQ(m_boxes.size(), 1u);
  EXPECT_NE(m_boxes[0].find("Error: The system cannot find the file specified.(0x2)"), std::string::npos)
      << m_boxes[0];
}

TEST_F(DriverSetup, WithoutTheConfigurationOnlyANonAdministratorIsTold) {
  populate(realLibrary());
  TestVeskSdk sdk;
  for (const bool administrator : {true, false}) {
    ResetDriverRegisteredState();
    m_administrator = administrator;
    CVeskSdkPageSelCameras page(&sdk, context());
    page.findChild<QListWidget*>(QStringLiteral("control1000"))->clearSelection();
    select(page, administrator ? "XC-600" : "XC-550");
    EXPECT_TRUE(page.Apply());
  }
  EXPECT_EQ(m_boxes,
            std::vector<std::string>{"Brantel BrantelVesk.sys driver configuration is not installed.\n\n"
                                     "You MUST run Tarsel from an administrator account to be able to "
                                     "use Brantel \"Vesk\" SDK cameras."});
  EXPECT_EQ(pkexecCalls(), "");
  EXPECT_EQ(std::string(sdk.IsEnabled()), "XC-550") << "the selection is stored either way";
}

TEST_F(DriverSetup, AdvancedOffersUnknownDevicesAndRecordsTheAnswers) {
  const auto addDevice = [this](const std::string& name, const std::string& product) {
    const std::string folder = m_dir.file("sys/bus/usb/devices/") + name;
    std::filesystem::create_directories(folder);
    writeFile(folder + "/idVendor", "f0e5\n");
    writeFile(folder + "/idProduct", "0a01\n");
    writeFile(folder + "/product", product + "\n");
  };
  addDevice("1-1", "NEW-1");
  addDevice("1-2", "QQ-5");
  addDevice("1-3", "XC-701");
  addDevice("1-4", "ZZ-9");
  TestVeskSdk sdk;
  CVeskSdkPageSelCameras page(&sdk, context());
  int changes = 0;
  QObject::connect(&page, &CVeskSdkPageSelCameras::changed, [&changes] { ++changes; });
  std::vector<QString> offered;
  const auto answer = [&offered](const QString& description, int button, bool neverRemind) {
    return [&offered, description, button, neverRemind](QWidget& dialog) {
      offered.push_back(control<QLineEdit>(dialog, 1005)->text());
      control<QLineEdit>(dialog, 1006)->setText(description);
      control<QCheckBox>(dialog, 1007)->setChecked(neverRemind);
      EXPECT_EQ(control<QPushButton>(dialog, 1)->isEnabled(), !neverRemind);
      control<QPushButton>(dialog, button)->click();
    };
  };
  ModalAnswers answers({answer("My New", 1, false), answer("", 1008, true), answer("", 2, true)});
  page.OnAdvanced();
  EXPECT_EQ(offered, (std::vector<QString>{"NEW-1", "QQ-5", "ZZ-9"}));
  auto* list = page.findChild<QListWidget*>(QStringLiteral("control1000"));
  ASSERT_EQ(list->selectedItems().size(), 1);
  EXPECT_EQ(list->selectedItems().front()->text(), "My New");
  EXPECT_GE(changes, 1);
  const std::string folder = sdk.dataFolder();
  const auto used = tarsel::vesk::ReadCameraListSection(folder, tarsel::vesk::kUsedCamerasSection);
  const auto ignored = tarsel::vesk::ReadCameraListSection(folder, tarsel::vesk::kIgnoredCamerasSection);
  ASSERT_EQ(used.size(), 1u);
  EXPECT_EQ(used[0].first + "=" + used[0].second, "NEW-1=My New");
  ASSERT_EQ(ignored.size(), 1u) << "cancelled: no record";
  EXPECT_EQ(ignored[0].first + "=" + ignored[0].second, "QQ-5=QQ-5");

  std::filesystem::remove_all(m_dir.file("sys/bus/usb/devices/1-1"));
  std::filesystem::remove_all(m_dir.file("sys/bus/usb/devices/1-4"));
  page.OnAdvanced();
  EXPECT_EQ(m_boxes,
            std::vector<std::string>{"Advanced Camera Selection has not found any camera models not yet "
                                     "known to Tarsel that have been connected to this computer."});
}

TEST_F(DriverSetup, ANewModelTickedOnThePageIsServedAfterTheRefresh) {
  tarsel::test::TempDir simFolder;
  tarsel::test::VeskSimulator sim(tarsel::test::binDir() + "/vesk-simd", simFolder.path(),
                                  "[camera]\nmodel = XC-702\npictures = 0\n");
  ASSERT_TRUE(sim.ready());
  ScopedEnv deviceDir("VESK_DEVICE_DIR", sim.deviceFolder());
  ScopedEnv messages("TARSEL_TEST_MESSAGE_LOG", m_dir.file("messages"));
  const auto probe = [] {
    return tarsel::test::runProgram({VESK_TYPE_PROBE, tarsel::test::binDir() + "/libVeskDLL.so"}).out;
  };
  installRule();
  TestVeskSdk sdk;
  sdk.SaveCameraSelection("XC-701\0\0");
  EXPECT_EQ(probe(), "count 0\n");
  dontAsk(sdk, true);

  auto setup = context();
  setup.programFolder = tarsel::test::binDir() + "/";
  CVeskSdkPageSelCameras page(&sdk, setup);
  select(page, "XC-702");
  EXPECT_TRUE(page.Apply());
  EXPECT_EQ(pkexecCalls(), tarsel::test::binDir() + "/BrantelVeskConfig /R\n");
  EXPECT_EQ(readFile(m_dir.file("messages")), "Cameras refreshed successfully.\n");
  const std::string rules = readFile(m_dir.file("rules/") + kRuleFile);
  EXPECT_NE(rules.find("ATTRS{model}==\"XC-702\""), std::string::npos) << rules;
  EXPECT_EQ(readFile(m_dir.file("udevadm.log")),
            "control --reload-rules\ntrigger --action=change --subsystem-match=scsi_generic\n");
  EXPECT_EQ(probe(), "count 1\nXC-702\n");
}

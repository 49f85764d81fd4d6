// The driver configuration program: the quiet refresh and the dialog's
// buttons over the real installation library, the boxes answered by a hook
// that writes down their texts.
#include "app/testsupport/EventPump.h"
#include "app/ui/MessageQuestion.h"
#include "drvconfig/BrantelVeskConfigDlg.h"
#include "drvconfig/InvokingUser.h"
#include "drvconfig/QuietRefresh.h"
#include "drvconfig/VeskInstCalls.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <QPushButton>

#include <gtest/gtest.h>

#include <filesystem>

#include <pwd.h>
#include <unistd.h>

using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;

namespace {

const char* const kRefreshed = "Cameras refreshed successfully.";
const char* const kReconnect = "To complete installation of BrantelVesk.sys, disconnect the cameras that are "
                               "connected now and connect them again.";

// A rules folder (with or without the rule file), a fake sysfs, no udevadm,
// and every box's text written down.
class DriverConfig : public ::testing::Test {
protected:
  DriverConfig() {
    std::filesystem::create_directories(m_dir.file("rules"));
    std::filesystem::create_directories(m_dir.file("sys/class/scsi_generic"));
    tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
      m_boxes.push_back(text.toStdString());
      return tarsel::ui::IDOK;
    });
  }
  ~DriverConfig() override { tarsel::ui::SetAskUserHook({}); }
  void installRuleFile() { tarsel::test::writeFile(m_dir.file("rules/70-tarsel-vesk.rules"), "# old\n"); }
  static std::string libraryFolder() { return tarsel::test::binDir() + "/"; }

  TempDir m_dir;
  ScopedEnv m_rules{"TARSEL_UDEV_RULES_DIR", m_dir.file("rules")};
  ScopedEnv m_sysfs{"TARSEL_SYSFS_ROOT", m_dir.file("sys")};
  ScopedEnv m_udevadm{"TARSEL_UDEVADM", m_dir.file("no-udevadm")};
  std::vector<std::string> m_boxes;
};

} // namespace

TEST_F(DriverConfig, QuietRefreshIsSilentOnFailureAndOtherwiseSaysSo) {
  tarsel::drvconfig::CVeskInstCalls missing(m_dir.path() + "/");
  tarsel::drvconfig::RunQuietRefresh(missing);
  EXPECT_TRUE(m_boxes.empty()) << "without the library";

  {
    // Not installed, and the rules folder cannot take the file: registering fails.
    ScopedEnv nowhere("TARSEL_UDEV_RULES_DIR", m_dir.file("none"));
    tarsel::drvconfig::CVeskInstCalls calls(libraryFolder());
    tarsel::drvconfig::RunQuietRefresh(calls);
    EXPECT_TRUE(m_boxes.empty()) << "a negative answer";
  }

  tarsel::drvconfig::CVeskInstCalls calls(libraryFolder());
  tarsel::drvconfig::RunQuietRefresh(calls);
  EXPECT_EQ(m_boxes, (std::vector<std::string>{kRefreshed, kReconnect})) << "registered anew, udev not asked";

  m_boxes.clear();
  tarsel::drvconfig::RunQuietRefresh(calls);
  EXPECT_EQ(m_boxes, std::vector<std::string>{kRefreshed}) << "a plain update";
}

TEST_F(DriverConfig, TheProgramWithSlashRShowsOnlyItsOneMessage) {
  installRuleFile();
  ScopedEnv log("TARSEL_TEST_MESSAGE_LOG", m_dir.file("boxes"));
  const auto result = tarsel::test::runProgram({tarsel::test::binDir() + "/BrantelVeskConfig", "/R"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(tarsel::test::readFile(m_dir.file("boxes")), std::string(kRefreshed) + "\n");
}

TEST_F(DriverConfig, ModelsTheRuleCannotHoldAreNamedByTheQuietRefreshAndTheDialog) {
  installRuleFile();
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  const std::string list = "XC-702,A,K*";
  RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                 static_cast<DWORD>(list.size() + 1));
  RegCloseKey(key);
  const std::string leftOut =
      "These camera models were left out: A, K*\n\nA model name must be 3 to 16 "
      "characters long, without quotes, commas, backslashes or the characters * ? [ ] |. "
      "The other models were refreshed.";
  tarsel::drvconfig::CVeskInstCalls calls(libraryFolder());
  tarsel::drvconfig::RunQuietRefresh(calls);
  tarsel::drvconfig::CBrantelVeskConfigDlg dialog(libraryFolder(), [] { return true; });
  dialog.OnRefresh();
  EXPECT_EQ(m_boxes, (std::vector<std::string>{leftOut, leftOut}));
  EXPECT_NE(tarsel::test::readFile(m_dir.file("rules/70-tarsel-vesk.rules")).find("ATTRS{model}==\"XC-702\""),
            std::string::npos)
      << "the other model is served";
}

TEST_F(DriverConfig, DialogButtonsReportTheLibrarysAnswers) {
  tarsel::drvconfig::CBrantelVeskConfigDlg dialog(libraryFolder(), [] { return true; });
  // Without a desktop icon theme the program's own icon shows.
  EXPECT_FALSE(dialog.windowIcon().pixmap(32).isNull());
  dialog.OnRegister();
  dialog.OnRefresh();
  dialog.OnUnregister();
  EXPECT_EQ(m_boxes, (std::vector<std::string>{"BrantelVesk.sys registered on the system successfully.",
                                               kReconnect, kRefreshed,
                                               "BrantelVesk.sys unregistered on the system successfully."}));
  m_boxes.clear();
  {
    ScopedEnv nowhere("TARSEL_UDEV_RULES_DIR", m_dir.file("none"));
    dialog.OnRegister();
    dialog.OnRefresh();
  }
  tarsel::drvconfig::CBrantelVeskConfigDlg withoutLibrary(m_dir.path() + "/", [] { return true; });
  withoutLibrary.OnUnregister();
  EXPECT_EQ(
      m_boxes,
      (std::vector<std::string>{
          "Cannot register BrantelVesk.sys.\n\nError: The system cannot find the file specified. "
          "(0x80070002)",
          "Cannot update cameras for BrantelVesk.sys.\n\nError: The system cannot find the file specified. "
          "(0x80070002)",
          "Cannot unregister BrantelVesk.sys.\n\nError: The specified module could not be found. "
          "(0x8007007E)"}));
}

TEST_F(DriverConfig, ANonAdministratorIsToldOnceAndTheDialogCloses) {
  tarsel::drvconfig::CBrantelVeskConfigDlg dialog(libraryFolder(), [] { return false; });
  dialog.show();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.isVisible(); }, std::chrono::seconds(5)));
  dialog.repaint();
  tarsel::test::pumpFor(std::chrono::milliseconds(20));
  EXPECT_EQ(dialog.result(), 2);
  EXPECT_EQ(m_boxes, std::vector<std::string>{"You must run this program from an administrative account."});
}

TEST(InvokingUser, PointsTheUserHiveAtTheCallersFolderOnlyWhenElevated) {
  ScopedEnv folder("TARSEL_REGISTRY_DIR", std::nullopt);
  ScopedEnv uid("PKEXEC_UID", std::to_string(getuid()));
  const passwd* user = getpwuid(getuid());
  ASSERT_NE(user, nullptr);
  if (geteuid() == 0) {
    EXPECT_TRUE(tarsel::drvconfig::UseInvokingUsersRegistry());
    EXPECT_EQ(std::string(getenv("TARSEL_REGISTRY_DIR")), std::string(user->pw_dir) + "/.config/drevant");
  } else {
    EXPECT_FALSE(tarsel::drvconfig::UseInvokingUsersRegistry());
  }
  ScopedEnv chosen("TARSEL_REGISTRY_DIR", "/chosen");
  EXPECT_FALSE(tarsel::drvconfig::UseInvokingUsersRegistry()) << "a chosen folder is kept";
  ScopedEnv badUid("PKEXEC_UID", "0x");
  ScopedEnv unset("TARSEL_REGISTRY_DIR", std::nullopt);
  EXPECT_FALSE(tarsel::drvconfig::UseInvokingUsersRegistry());
}

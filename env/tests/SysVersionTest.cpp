#include "env/SysVersion.h"

#include "env/BrantelTakeError.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarsel::test;

TEST(SysVersion, LinuxCountsAsAModernNtLineSystem) {
  const CSysVersion v;
  EXPECT_TRUE(v.IsNT());
  EXPECT_TRUE(v.IsNT5());
  EXPECT_TRUE(v.IsLinux());
  EXPECT_TRUE(IsNT());
  EXPECT_TRUE(IsNT5());
  EXPECT_FALSE(v.IsNT4());
  EXPECT_FALSE(v.Is2000());
  EXPECT_FALSE(v.IsXP());
  EXPECT_FALSE(v.IsSv2003());
  EXPECT_FALSE(v.IsVista());
  EXPECT_FALSE(v.Is95());
  EXPECT_FALSE(v.Is98());
  EXPECT_FALSE(v.IsMe());
}

TEST(SysVersion, ServicePackIsTheKernelReleaseAndSystemNameTheDistribution) {
  utsname names{};
  ASSERT_EQ(uname(&names), 0);
  const CSysVersion v;
  EXPECT_STREQ(v.ServicePack(), names.release);

  const ProcessResult pretty =
      runProgram({"python3", "-c",
                  "import platform\n"
                  "try:\n"
                  "    print(platform.freedesktop_os_release().get('PRETTY_NAME', ''), end='')\n"
                  "except OSError:\n"
                  "    pass\n"});
  ASSERT_EQ(pretty.exitCode, 0);
  if (pretty.out.empty())
    EXPECT_EQ(std::string(v.SystemName()), std::string(names.sysname) + " " + names.release);
  else
    EXPECT_EQ(std::string(v.SystemName()), pretty.out);
}

TEST(SysVersion, IsAdminRefusesAForeignTokenWithInvalidParameter) {
  int token = 0;
  try {
    IsAdmin(&token);
    FAIL() << "no error thrown";
  } catch (const _brantel_take_error& e) {
    EXPECT_EQ(e.Error(), 87);
  }
}

TEST(SysVersion, IsAdminIsTrueForRootAndFalseForAnUnprivilegedUser) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to compare with an unprivileged child";
  EXPECT_TRUE(IsAdmin());
  EXPECT_TRUE(IsAdmin(nullptr));

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
      _exit(3);
    _exit(IsAdmin() ? 1 : 0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: reported as administrator, 3: could not drop rights";
}

TEST(SysVersion, MembershipOfAnAdministratorGroupCountsAsAdministrator) {
  if (geteuid() != 0)
    GTEST_SKIP() << "needs root to change the groups of a child";
  const group* sudo = getgrnam("sudo");
  if (!sudo)
    sudo = getgrnam("wheel");
  if (!sudo)
    sudo = getgrnam("admin");
  if (!sudo)
    GTEST_SKIP() << "no administrator group on this system";
  const gid_t admins = sudo->gr_gid;

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(1, &admins) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
      _exit(3);
    _exit(IsAdmin() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: membership not seen, 3: could not change rights";
}

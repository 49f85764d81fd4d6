// The installation library's exports against a temporary rules folder, a
// fake sysfs and a stand-in udevadm that writes down how it was called.
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"
#include "veskinst/BrantelVeskInst.h"
#include "veskinst/UdevRuleFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include <fnmatch.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using tarsel::test::readFile;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::test::writeFile;

namespace {

constexpr int kAccessDenied = static_cast<int>(0x80070005u);
constexpr int kInvalidData = static_cast<int>(0x8007000Du);

void setTypeList(HKEY root, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(root, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            0);
  EXPECT_EQ(RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            0);
  RegCloseKey(key);
}

std::string ruleLine(const std::string& name) {
  return "SUBSYSTEM==\"scsi_generic\", ATTRS{model}==\"" + name +
         "\", MODE=\"0660\", GROUP=\"plugdev\", TAG+=\"uaccess\"\n";
}

// The rule file's lines that are rules.
std::string rules(const std::string& text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start + 1);
    if (line.rfind("#", 0) != 0)
      out += line;
    start = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

class InstallLibrary : public ::testing::Test {
protected:
  InstallLibrary() {
    std::filesystem::create_directories(m_dir.file("rules"));
    std::filesystem::create_directories(m_dir.file("sys/class/scsi_generic"));
    writeFile(m_dir.file("udevadm"), "#!/bin/sh\necho \"$@\" >> \"$0.log\"\n");
    chmod(m_dir.file("udevadm").c_str(), 0755);
  }
  std::string ruleFile() const { return m_dir.file("rules/70-tarsel-vesk.rules"); }
  std::string udevCalls() const { return readFile(m_dir.file("udevadm.log")); }

  TempDir m_dir;
  ScopedEnv m_rules{"TARSEL_UDEV_RULES_DIR", m_dir.file("rules")};
  ScopedEnv m_sysfs{"TARSEL_SYSFS_ROOT", m_dir.file("sys")};
  ScopedEnv m_udevadm{"TARSEL_UDEVADM", m_dir.file("udevadm")};
};

} // namespace

TEST_F(InstallLibrary, RegistersUpdatesAndUnregistersTheRuleFile) {
  setTypeList(HKEY_CURRENT_USER, "XC-701, KT-300,");
  setTypeList(HKEY_LOCAL_MACHINE, "KT-300,Vesk D50");
  EXPECT_EQ(IsBrantelVeskRegisterd(), 0);
  EXPECT_EQ(UpdateCameras(), 1) << "nothing to update before registering";
  EXPECT_FALSE(std::filesystem::exists(ruleFile()));

  EXPECT_EQ(RegisterBrantelVesk(1), 1);
  EXPECT_EQ(rules(readFile(ruleFile())), ruleLine("XC-701") + ruleLine("KT-300") + ruleLine("Vesk D50"));
  EXPECT_EQ(udevCalls(), "control --reload-rules\ntrigger --action=change --subsystem-match=scsi_generic\n");
  EXPECT_EQ(IsBrantelVeskRegisterd(), 1);
  std::filesystem::remove(m_dir.file("sys/class/scsi_generic"));
  EXPECT_EQ(IsBrantelVeskRegisterd(), 0) << "without the SCSI generic driver";
  std::filesystem::create_directories(m_dir.file("sys/class/scsi_generic"));

  setTypeList(HKEY_CURRENT_USER, "XC-702");
  EXPECT_EQ(UpdateCameras(), 0);
  EXPECT_EQ(rules(readFile(ruleFile())), ruleLine("XC-702") + ruleLine("KT-300") + ruleLine("Vesk D50"));
  EXPECT_EQ(std::filesystem::status(ruleFile()).permissions(), std::filesystem::perms(0644));

  {
    // Without udevadm the rule is in place, but the cameras must be connected again.
    ScopedEnv noUdevadm("TARSEL_UDEVADM", m_dir.file("missing"));
    EXPECT_EQ(RegisterBrantelVesk(0), 0);
    EXPECT_EQ(UpdateCameras(), 0);
  }
  EXPECT_EQ(UnregisterBrantelVesk(1), 0);
  EXPECT_FALSE(std::filesystem::exists(ruleFile()));
  EXPECT_EQ(IsBrantelVeskRegisterd(), 0);
  EXPECT_EQ(UnregisterBrantelVesk(1), 0) << "removing what is not there";
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.file("rules")), {}), 0)
      << "no temporary file is left";
}

TEST_F(InstallLibrary, RefusesNamesThatWouldBreakARule) {
  std::vector<std::string> refused;
  const std::string text = tarsel::veskinst::UdevRuleFile::text(
      {"XC-701", "AB\"B", "CC,D", "EE\nSUBSYSTEM", "FF\\", "GG*", "HH|I", "", "XC-701", "JJ\xC3\xA9", "A",
       "KT", "SEVENTEEN-LETTERS", " XC-701"},
      &refused);
  EXPECT_EQ(rules(text), ruleLine("XC-701"));
  EXPECT_EQ(refused.size(), 12u);

  setTypeList(HKEY_CURRENT_USER, "XC-701,Bad\"Name");
  EXPECT_EQ(RegisterBrantelVesk(1), kInvalidData) << "a refused name is a failure";
  EXPECT_EQ(rules(readFile(ruleFile())), ruleLine("XC-701")) << "the others are still served";
}

TEST_F(InstallLibrary, AReadOnlyRulesFolderIsAccessDeniedAndKeepsTheFile) {
  setTypeList(HKEY_CURRENT_USER, "XC-701");
  ASSERT_EQ(RegisterBrantelVesk(1), 1);
  const std::string before = readFile(ruleFile());
  setTypeList(HKEY_CURRENT_USER, "KT-300");
  ASSERT_EQ(chmod(m_dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(m_dir.file("rules").c_str(), 0555), 0);
  // Root may write anywhere: the calls run as nobody in a child.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
      _exit(90);
    int step = 0;
    if (UpdateCameras() != kAccessDenied)
      step = 1;
    else if (RegisterBrantelVesk(1) != kAccessDenied)
      step = 2;
    else if (UnregisterBrantelVesk(1) != kAccessDenied)
      step = 3;
    else if (IsBrantelVeskRegisterd() != 1)
      step = 4;
    _exit(step);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  chmod(m_dir.file("rules").c_str(), 0755);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the step that failed";
  EXPECT_EQ(readFile(ruleFile()), before);
}

TEST_F(InstallLibrary, ARuleOpensTheCameraOfItsModelAndNoDiskWhoseModelContainsTheName) {
  // A fake sysfs as the kernel shows it: the 16-byte model fields keep their
  // padding blanks.
  const struct {
    const char* node;
    const char* vendor;
    const char* model;
    bool camera;
  } devices[] = {{"sg0", "BRANTEL ", "XC-702          ", true},
                 {"sg1", "ATA     ", "XC-702 SSD 1TB  ", false},
                 {"sg2", "WDC     ", "WD10XC-702A     ", false},
                 {"sg3", "ATA     ", "Samsung SSD 870 ", false}};
  for (const auto& device : devices) {
    const std::string folder = m_dir.file("sys/class/scsi_generic/") + device.node + "/device";
    std::filesystem::create_directories(folder);
    writeFile(folder + "/vendor", std::string(device.vendor) + "\n");
    writeFile(folder + "/model", std::string(device.model) + "\n");
  }
  setTypeList(HKEY_CURRENT_USER, "XC-702,SSD,A");
  EXPECT_EQ(RegisterBrantelVesk(1), kInvalidData) << "\"A\" is too short to name a model";
  char names[64] = {};
  EXPECT_EQ(BrantelVeskRefusedModels(names, sizeof names), 1);
  EXPECT_STREQ(names, "A");

  // udev's match: the value's trailing blanks are ignored unless the pattern
  // ends in one, then the pattern is a shell glob over the whole value.
  const std::regex modelMatch(R"re(SUBSYSTEM=="scsi_generic", ATTRS\{model\}=="([^"]*)")re");
  std::vector<std::string> patterns;
  const std::string text = readFile(ruleFile());
  for (std::sregex_iterator it(text.begin(), text.end(), modelMatch), end; it != end; ++it)
    patterns.push_back((*it)[1]);
  ASSERT_EQ(patterns.size(), 2u);
  for (const auto& device : devices) {
    std::string value = readFile(m_dir.file("sys/class/scsi_generic/") + device.node + "/device/model");
    bool opened = false;
    for (const std::string& pattern : patterns) {
      std::string compared = value;
      if (pattern.empty() || pattern.back() != ' ')
        compared.erase(compared.find_last_not_of(" \n") + 1);
      opened = opened || fnmatch(pattern.c_str(), compared.c_str(), 0) == 0;
    }
    EXPECT_EQ(opened, device.camera) << device.node << " \"" << device.model << "\"";
  }
}

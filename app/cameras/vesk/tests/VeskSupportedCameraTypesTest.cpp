// The merge into "Type_S", and what it is for: the camera-link library, in
// a process of its own, accepts a simulated camera of a model once the
// model was chosen.
#include "VeskFamilyTestSupport.h"

#include "app/cameras/vesk/VeskSupportedCameraTypes.h"

#include <chrono>
#include <filesystem>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using tarsel::test::runProgram;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::AddSupportedCameraTypesOfUser;
using tarsel::vesk::test::setTypeList;
using tarsel::vesk::test::typeList;

namespace {

// The simulator daemon with one camera of `model`, until destroyed.
class Daemon {
public:
  explicit Daemon(const std::string& model) {
    std::vector<std::string> argv = {
        tarsel::test::binDir() + "/vesk-simd", "--dir", m_dir.path(), "--model", model, "--pictures", "0"};
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    EXPECT_EQ(::posix_spawn(&m_pid, args[0], nullptr, nullptr, args.data(), environ), 0);
    // The limit only keeps a broken daemon from hanging the test; a
    // sanitizer build may take seconds to start it.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!ready() && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ~Daemon() {
    if (m_pid <= 0)
      return;
    ::kill(m_pid, SIGTERM);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
  }
  bool ready() const { return std::filesystem::exists(m_dir.file("BrantelVesk")); }
  const std::string& dir() const { return m_dir.path(); }

private:
  TempDir m_dir;
  pid_t m_pid = -1;
};

// What the library, loaded in a process of its own, accepts.
std::string probeLibrary() {
  const auto result = runProgram({VESK_TYPE_PROBE, tarsel::test::binDir() + "/libVeskDLL.so"});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  return result.out;
}

} // namespace

TEST(VeskSupportedCameraTypes, AddsOnlyUncontainedIdentificationsSortedAfterOneTrailingComma) {
  tarsel::vesk::test::forgetFamilyState();
  AddSupportedCameraTypesOfUser({"KT-300", "KT-100,KT-110"});
  EXPECT_EQ(typeList(), "KT-100,KT-110,KT-300");

  setTypeList("XC-701 CAMERA,KT-200N,,");
  // Contained texts are skipped even inside longer entries; duplicates merge.
  AddSupportedCameraTypesOfUser({"ZZ-9", "KT-200", "XC-701", "AB-1", "AB-1"});
  EXPECT_EQ(typeList(), "XC-701 CAMERA,KT-200N,,AB-1,ZZ-9");
  AddSupportedCameraTypesOfUser({"AB-1", "200N,,AB"});
  EXPECT_EQ(typeList(), "XC-701 CAMERA,KT-200N,,AB-1,ZZ-9");
}

TEST(VeskSupportedCameraTypes, LibraryInAnotherProcessAcceptsTheCameraOfAChosenModel) {
  tarsel::vesk::test::forgetFamilyState();
  Daemon daemon("KT-300");
  ASSERT_TRUE(daemon.ready());
  ScopedEnv deviceDir("VESK_DEVICE_DIR", daemon.dir());
  setTypeList("XC-701,");
  EXPECT_EQ(probeLibrary(), "count 0\n");

  tarsel::vesk::test::TestVeskSdk sdk;
  sdk.SaveCameraSelection("KT-300\0\0");
  EXPECT_EQ(typeList(), "XC-701,KT-300");
  EXPECT_EQ(probeLibrary(), "count 1\nKT-300\n");
}

// The merge into "Type_S", and what it is for: the camera-link library, in
// a process of its own, accepts a simulated camera of a model once the
// model was chosen.
#include "VeskFamilyTestSupport.h"

#include "app/cameras/vesk/VeskSupportedCameraTypes.h"
#include "platform/reg/Registry.h"

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using tarsel::test::runProgram;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::AddSupportedCameraTypes;

namespace {

class TypeKey {
public:
  TypeKey() {
    EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, tarsel::vesk::kSupportedCameraKey, 0, nullptr,
                              REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &m_key, nullptr),
              0);
  }
  ~TypeKey() { RegCloseKey(m_key); }
  HKEY get() const { return m_key; }

  void set(const std::optional<std::string>& text) {
    if (!text) {
      RegDeleteValueA(m_key, "Type_S");
      return;
    }
    ASSERT_EQ(RegSetValueExA(m_key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(text->c_str()),
                             static_cast<DWORD>(text->size() + 1)),
              0);
  }
  std::string text() const {
    char buffer[256] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegQueryValueExA(m_key, "Type_S", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != 0)
      return "<none>";
    return buffer;
  }

private:
  HKEY m_key = nullptr;
};

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
  TypeKey key;
  key.set(std::string("XC-701 CAMERA,KT-200N,,"));
  // Contained texts are skipped even inside longer entries; duplicates merge.
  AddSupportedCameraTypes(key.get(), {"ZZ-9", "KT-200", "XC-701", "AB-1", "AB-1"});
  EXPECT_EQ(key.text(), "XC-701 CAMERA,KT-200N,,AB-1,ZZ-9");

  AddSupportedCameraTypes(key.get(), {"AB-1", "200N,,AB"});
  EXPECT_EQ(key.text(), "XC-701 CAMERA,KT-200N,,AB-1,ZZ-9");

  key.set(std::nullopt);
  AddSupportedCameraTypes(key.get(), {"KT-300", "KT-100,KT-110"});
  EXPECT_EQ(key.text(), "KT-100,KT-110,KT-300");

  key.set(std::string("XC-500,"));
  AddSupportedCameraTypes(key.get(), {"KT-300"});
  EXPECT_EQ(key.text(), "XC-500,KT-300");
}

TEST(VeskSupportedCameraTypes, LibraryInAnotherProcessAcceptsTheCameraOfAChosenModel) {
  tarsel::vesk::test::forgetFamilyState();
  Daemon daemon("KT-300");
  ASSERT_TRUE(daemon.ready());
  ScopedEnv deviceDir("VESK_DEVICE_DIR", daemon.dir());
  TypeKey key;
  key.set(std::string("XC-701,"));
  EXPECT_EQ(probeLibrary(), "count 0\n");

  tarsel::vesk::test::TestVeskSdk sdk;
  sdk.SaveCameraSelection("KT-300\0\0");
  EXPECT_EQ(key.text(), "XC-701,KT-300");
  EXPECT_EQ(probeLibrary(), "count 1\nKT-300\n");
}

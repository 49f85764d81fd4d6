// The built libVeskDLL.so as the main program uses it: loaded at run time
// with its own symbols kept local, every export bound by name, errors caught
// by type across the library boundary, talking to the vesk-simd daemon over
// its Unix sockets. This program does not link the library.
#include "TypeListFixture.h"

#include "platform/testsupport/TestSupport.h"
#include "vesklib/VeskDLL.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <set>
#include <sstream>
#include <thread>

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using tarsel::test::runProgram;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::test::setTypeList;

namespace {

const std::vector<std::string> kExportNames = {
    "CameraReady",
    "Capture",
    "Connect",
    "DisConnect",
    "EraseAll",
    "EraseLast",
    "ErasePicture",
    "GetCameraProp",
    "GetCameraProp3",
    "GetCaptureProp",
    "GetCaptureProp3",
    "GetCustomValue",
    "GetCustomValue3",
    "GetExposureProp",
    "GetExposureProp3",
    "GetFirmwareVersion",
    "GetFolderProp",
    "GetFolderProp3",
    "GetIndex",
    "GetMemoryProp",
    "GetMemoryProp3",
    "GetPicTagProp",
    "GetPicTagProp3",
    "GetPicture",
    "GetPictureProp",
    "GetPictureProp3",
    "GetPreview",
    "GetPropCameraCount",
    "GetPropCameraID",
    "GetPropCameraTime",
    "GetPropConnectCamera",
    "GetPropElectricZoom",
    "GetPropExpoBias",
    "GetPropFileName",
    "GetPropFlash",
    "GetPropFocusMode",
    "GetPropFocusPosition",
    "GetPropFolderCount",
    "GetPropFolderName",
    "GetPropIndexSize",
    "GetPropIsoSpeed",
    "GetPropLCDBrightness",
    "GetPropMetering",
    "GetPropOpticalZoom",
    "GetPropPicCount",
    "GetPropPicSize",
    "GetPropPowerSaveCamera",
    "GetPropPowerSaveHost",
    "GetPropPowerSaveLCD",
    "GetPropProtect",
    "GetPropResolution",
    "GetPropWhiteBalance",
    "GetRemainCount",
    "InitControl",
    "Preview",
    "SetCaptureProp",
    "SetCaptureProp3",
    "SetCustomValue",
    "SetCustomValue3",
    "SetExposureProp",
    "SetExposureProp3",
    "SetLcdMode",
    "SetPropCameraID",
    "SetPropCameraTime",
    "SetPropCurrentPicture",
    "SetPropElectricZoom",
    "SetPropExpoBias",
    "SetPropFlash",
    "SetPropFocusMode",
    "SetPropFocusPosition",
    "SetPropFolderName",
    "SetPropFolderNo",
    "SetPropIsoSpeed",
    "SetPropLCDBrightness",
    "SetPropLed",
    "SetPropMetering",
    "SetPropOpticalZoom",
    "SetPropPowerSaveCamera",
    "SetPropPowerSaveHost",
    "SetPropPowerSaveLCD",
    "SetPropProtect",
    "SetPropResolution",
    "SetPropWhiteBalance",
    "UseDriveNames",
};

std::string libraryPath() {
  return tarsel::test::binDir() + "/libVeskDLL.so";
}

std::string daemonPath() {
  return tarsel::test::binDir() + "/vesk-simd";
}

// The simulator daemon serving a temporary device folder until destroyed.
class Daemon {
public:
  explicit Daemon(std::vector<std::string> options) {
    std::vector<std::string> argv = {daemonPath(), "--dir", m_dir.path()};
    argv.insert(argv.end(), options.begin(), options.end());
    std::vector<char*> args;
    for (auto& a : argv)
      args.push_back(a.data());
    args.push_back(nullptr);
    EXPECT_EQ(::posix_spawn(&m_pid, args[0], nullptr, nullptr, args.data(), environ), 0);
    // Ready once the control device is there; the limit only stops a broken daemon from hanging the test.
    // A sanitizer build on a loaded machine can take many seconds to start it.
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!std::filesystem::exists(m_dir.file("BrantelVesk")) && std::chrono::steady_clock::now() < limit)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  bool ready() const { return std::filesystem::exists(m_dir.file("BrantelVesk")); }
  ~Daemon() {
    if (m_pid > 0) {
      ::kill(m_pid, SIGTERM);
      int status = 0;
      ::waitpid(m_pid, &status, 0);
    }
  }
  const std::string& dir() const { return m_dir.path(); }

  // One control command; the answer without its "ok ".
  std::string control(const std::vector<std::string>& command) {
    std::vector<std::string> argv = {daemonPath(), "ctl", "--dir", m_dir.path()};
    argv.insert(argv.end(), command.begin(), command.end());
    auto result = runProgram(argv);
    EXPECT_EQ(result.exitCode, 0);
    std::string out = result.out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
      out.pop_back();
    EXPECT_EQ(out.rfind("ok", 0), 0u) << out;
    return out.size() > 3 ? out.substr(3) : std::string();
  }

  std::vector<std::uint8_t> object(int slot, int number) {
    const std::string hex = control({"object", std::to_string(slot), std::to_string(number)});
    std::vector<std::uint8_t> bytes(hex.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); ++i)
      bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
    return bytes;
  }

private:
  TempDir m_dir;
  pid_t m_pid = -1;
};

// The library loaded the way the main program loads it.
class Library {
public:
  Library() { m_handle = ::dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL); }
  ~Library() {
    if (m_handle)
      ::dlclose(m_handle);
  }
  bool loaded() const { return m_handle != nullptr; }
  void* symbol(const char* name) const { return ::dlsym(m_handle, name); }
  template <class F> F* get(const char* name) const { return reinterpret_cast<F*>(symbol(name)); }

private:
  void* m_handle = nullptr;
};

#define BIND(lib, name)                                                                                      \
  auto* name##_ = (lib).get<decltype(::name)>(#name);                                                        \
  ASSERT_NE(name##_, nullptr)

std::size_t openDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

struct Completion {
  std::mutex lock;
  std::condition_variable changed;
  int calls = 0;
  std::thread::id thread;
};

void onComplete(int, const VESK_PROGRESS*, void* context) {
  auto* c = static_cast<Completion*>(context);
  std::lock_guard guard(c->lock);
  ++c->calls;
  c->thread = std::this_thread::get_id();
  c->changed.notify_all();
}

} // namespace

TEST(LoadedLibrary, ExportsExactlyTheEightyFourFunctionsAndTheErrorClass) {
  const auto result = runProgram({"nm", "-D", "--defined-only", libraryPath()});
  ASSERT_EQ(result.exitCode, 0);
  std::vector<std::string> functions;
  std::vector<std::string> others;
  std::istringstream lines(result.out);
  std::string address, type, name;
  while (lines >> address >> type >> name) {
    if (type == "T")
      functions.push_back(name);
    else
      others.push_back(name);
  }
  std::sort(functions.begin(), functions.end());
  EXPECT_EQ(functions, kExportNames);
  for (const auto& other : others)
    EXPECT_NE(other.find("CVeskNVError"), std::string::npos) << other;

  Library library;
  ASSERT_TRUE(library.loaded()) << ::dlerror();
  for (const auto& exportName : kExportNames)
    EXPECT_NE(library.symbol(exportName.c_str()), nullptr) << exportName;
}

TEST(LoadedLibrary, DrivesTheDaemonsCamerasAndThrowsErrorsTheProgramCatchesByType) {
  // The busy times run a hundred times as fast: the test is about the library, not the waits.
  Daemon daemon({"--cameras", "2", "--raw", "--disk", "--failing-node", "--speed", "100"});
  ASSERT_TRUE(daemon.ready());
  ScopedEnv deviceDir("VESK_DEVICE_DIR", daemon.dir());
  setTypeList(HKEY_CURRENT_USER, std::string("XC-701"));
  Library library;
  ASSERT_TRUE(library.loaded()) << ::dlerror();
  BIND(library, InitControl);
  BIND(library, GetPropCameraCount);
  BIND(library, GetPropConnectCamera);
  BIND(library, Connect);
  BIND(library, DisConnect);
  BIND(library, GetPropFlash);
  BIND(library, SetPropCurrentPicture);
  BIND(library, GetPropPicSize);
  BIND(library, GetPicture);
  BIND(library, Capture);
  BIND(library, GetPropPicCount);
  BIND(library, CameraReady);

  EXPECT_EQ(InitControl_(), 0);
  EXPECT_EQ(GetPropCameraCount_(), 2);
  EXPECT_STREQ(GetPropConnectCamera_(1), "XC-701");
  try {
    GetPropFlash_(5);
    ADD_FAILURE() << "no error";
  } catch (const CVeskNVError& error) {
    EXPECT_STREQ(error.what(), "VESK_BAD_CAM_NO");
    EXPECT_EQ(error.kind(), 0);
    EXPECT_EQ(error.code(), 24);
  }
  try {
    GetPropFlash_(0);
    ADD_FAILURE() << "no error";
  } catch (const std::runtime_error& error) {
    // Also caught as the standard base class.
    EXPECT_STREQ(error.what(), "VESK_NOT_CONNECTED");
  }
  ASSERT_EQ(Connect_(0), 0);
  EXPECT_EQ(GetPropFlash_(0), std::stoi(daemon.control({"get", "0", "7"})));

  // A picture arrives byte for byte as the card holds it.
  ASSERT_EQ(SetPropCurrentPicture_(0, 1), 0x06);
  const int jpegSize = GetPropPicSize_(0);
  const auto card = daemon.object(0, 14);
  ASSERT_EQ(card.size(), static_cast<std::size_t>(jpegSize));
  std::vector<std::uint8_t> jpeg(static_cast<std::size_t>(jpegSize));
  EXPECT_EQ(GetPicture_(0, jpegSize, jpeg.data(), nullptr, nullptr), 1);
  EXPECT_TRUE(jpeg == card);

  // Unplugged in the middle of a download of the multi-megabyte raw file:
  // error 26, then back after re-enumeration.
  ASSERT_EQ(SetPropCurrentPicture_(0, 4), 0x06);
  const int size = GetPropPicSize_(0);
  ASSERT_GT(size, 4 * 1000 * 1000);
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(size));
  daemon.control({"fault", "0", "unplug", "opcode=0xC2", "kind=6", "number=14", "skip=5"});
  try {
    GetPicture_(0, size, buffer.data(), nullptr, nullptr);
    ADD_FAILURE() << "no error";
  } catch (const CVeskNVError& error) {
    EXPECT_STREQ(error.what(), "VESK_NOT_CONNECTED");
    EXPECT_EQ(error.code(), 26);
  }
  EXPECT_EQ(DisConnect_(0), 0);
  daemon.control({"plug", "0"});
  EXPECT_EQ(GetPropCameraCount_(), 2);
  ASSERT_EQ(Connect_(0), 0);
  ASSERT_EQ(SetPropCurrentPicture_(0, 4), 0x06);
  EXPECT_EQ(GetPicture_(0, size, buffer.data(), nullptr, nullptr), 1);
  EXPECT_EQ(buffer[0], 'B');
  ASSERT_EQ(SetPropCurrentPicture_(0, 1), 0x06);
  EXPECT_EQ(GetPicture_(0, jpegSize, jpeg.data(), nullptr, nullptr), 1);
  EXPECT_TRUE(jpeg == card);

  // An asynchronous capture completes once, on its own thread.
  const int count = GetPropPicCount_(0);
  Completion completion;
  EXPECT_NE(Capture_(0, true, onComplete, &completion), 0);
  {
    std::unique_lock guard(completion.lock);
    ASSERT_TRUE(
        completion.changed.wait_for(guard, std::chrono::seconds(60), [&] { return completion.calls > 0; }));
    EXPECT_NE(completion.thread, std::this_thread::get_id());
  }
  EXPECT_EQ(CameraReady_(0), 1);
  EXPECT_EQ(GetPropPicCount_(0), count + 1);
  EXPECT_EQ(DisConnect_(0), 0);
  EXPECT_EQ(completion.calls, 1);

  // Connecting twice and enumerating again leaves no descriptor open.
  const std::size_t before = openDescriptors();
  ASSERT_EQ(Connect_(0), 0);
  ASSERT_EQ(Connect_(0), 0);
  ASSERT_EQ(Connect_(1), 0);
  EXPECT_EQ(openDescriptors(), before + 2);
  EXPECT_EQ(GetPropCameraCount_(), 2);
  EXPECT_EQ(openDescriptors(), before);
  setTypeList(HKEY_CURRENT_USER, std::nullopt);
}

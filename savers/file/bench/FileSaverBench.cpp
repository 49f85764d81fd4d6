// Saves N pictures of M MiB through the file saver's direct save (the
// plug-in loaded from its file as the program loads it) and copies the same
// bytes N times with cp into a sibling folder on the same file system, in
// turns (one save, one copy), then prints both throughputs.
//
// Both sides end each file the same way: the saver flushes the file and its
// folder itself (write to a temporary name, fsync, rename, fsync of the
// folder); after each cp the bench flushes the copy and the folder with
// fsync, and that time is counted for cp. The cp side also pays for
// starting a process per file, as a script calling cp would.
//
// Usage: file_saver_bench [folder] [count] [MiB]; default ./file-saver-bench 200 8.
#include "hostapi/ISaverSettings.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Module.h"
#include "savers/testsupport/BytesPicture.h"

#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

namespace fs = std::filesystem;

class BenchSaveInfo : public ISaveInfo {
public:
  const char* GetCameraId() override { return "Bench"; }
  const char* GetFilePrefix() override { return "BENCH"; }
  void SetFilePrefix(const char*) override {}
  const char* GetAuxText() override { return ""; }
  void SetAuxText(const char*) override {}
  const char* GetTargetFolder() override { return ""; }
  void SetTargetFolder(const char*) override {}
  std::uint32_t GetCounter() override { return counter; }
  void SetCounter(std::uint32_t value) override { counter = value; }
  char* GetSubFolder(char* buffer, std::int32_t) override {
    buffer[0] = '\0';
    return buffer;
  }
  char* GetFileName(char* buffer, std::int32_t size) override {
    std::snprintf(buffer, static_cast<std::size_t>(size), "BENCH%04u.JPG", counter);
    return buffer;
  }
  void SetNumDigits(std::int32_t) override {}
  std::int32_t GetNumDigits() override { return 4; }
  void SetNamingMode(std::int32_t) override {}
  std::int32_t GetNamingMode() override { return 0; }
  bool TakeOverwriteOnce() override { return false; }
  void SetOverwriteOnce() override {}
  bool GetUiAllowed() override { return false; }
  void SetUiAllowed(bool) override {}

  std::uint32_t counter = 0;
};

// The saver's key in memory: strings and flags only, which is all it reads.
class BenchSaverSettings : public ISaverSettings {
public:
  explicit BenchSaverSettings(std::map<std::string, std::string> strings) : m_strings(std::move(strings)) {}
  LONG OpenSubKey(const char*, bool, ISaverSettings**) override { return 2; }
  LONG EnumSubKeys(char** list) override {
    *list = nullptr;
    return 2;
  }
  DWORD GetDWord(const char*, DWORD defaultValue) override { return defaultValue; }
  LONG SetDWord(const char*, DWORD) override { return 5; }
  bool GetBool(const char*, bool defaultValue) override { return defaultValue; }
  LONG SetBool(const char*, bool) override { return 5; }
  LONG GetString(const char* name, char* buffer, DWORD* size) override {
    const auto found = m_strings.find(name);
    if (found == m_strings.end())
      return 2;
    const DWORD need = static_cast<DWORD>(found->second.size() + 1);
    if (!buffer || *size < need) {
      *size = need;
      return buffer ? 234 : 0;
    }
    std::memcpy(buffer, found->second.c_str(), need);
    *size = need;
    return 0;
  }
  LONG SetString(const char*, const char*) override { return 5; }
  LONG GetBinary(const char*, BYTE** data, DWORD* size) override {
    *data = nullptr;
    *size = 0;
    return 2;
  }
  LONG SetBinary(const char*, const BYTE*, DWORD) override { return 5; }
  LONG DeleteValue(const char*) override { return 5; }
  LONG FreeKeyList(char*) override { return 0; }
  LONG FreeBinary(BYTE*) override { return 0; }

private:
  std::map<std::string, std::string> m_strings;
};

class BenchSettings : public ITarselSettings {
public:
  explicit BenchSettings(std::string rootDir) : m_rootDir(std::move(rootDir)) {}
  LONG GetPersistentParams(ITarselPersistentParams**, bool) override { return 2; }
  LONG GetUserSettings(ITarselConfigSettings**, bool) override { return 2; }
  LONG GetSdkSettings(const char*, ICamSdkSettings**, bool) override { return 2; }
  LONG GetSaverSettings(const char*, ISaverSettings** settings, bool) override {
    *settings = new BenchSaverSettings({{"RootDir", m_rootDir}});
    (*settings)->AddRef();
    return 0;
  }

private:
  std::string m_rootDir;
};

double seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

bool syncPath(const fs::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC);
  if (fd < 0)
    return false;
  const bool ok = ::fsync(fd) == 0;
  ::close(fd);
  return ok;
}

bool runCp(const fs::path& from, const fs::path& to) {
  std::string source = from.string(), target = to.string();
  char cp[] = "cp";
  char* argv[] = {cp, source.data(), target.data(), nullptr};
  pid_t pid = 0;
  if (::posix_spawnp(&pid, "cp", nullptr, nullptr, argv, environ) != 0)
    return false;
  int status = 0;
  return ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

int main(int argc, char** argv) {
  const fs::path folder = fs::absolute(argc > 1 ? argv[1] : "file-saver-bench");
  const int count = argc > 2 ? std::stoi(argv[2]) : 200;
  const std::size_t mib = argc > 3 ? std::stoul(argv[3]) : 8;
  const fs::path plugin = fs::canonical("/proc/self/exe").parent_path() / "TarselSFile.so";

  tarsel::platform::Module module;
  if (!module.load(plugin)) {
    std::fprintf(stderr, "%s\n", module.errorText().c_str());
    return 1;
  }
  const auto init = module.function<SavInitFunction>("SavInit");
  const auto save = module.function<SavSaveFunction>("SavSave");
  const auto term = module.function<SavTermFunction>("SavTerm");
  if (!init || !save || !term || init(0) != 0)
    return 1;

  const fs::path saverFolder = folder / "saver";
  const fs::path cpFolder = folder / "cp";
  fs::remove_all(folder);
  fs::create_directories(saverFolder);
  fs::create_directories(cpFolder);

  auto bytes = std::make_shared<IPictureFromCamera::Bytes>(mib << 20);
  std::uint32_t seed = 12345;
  for (BYTE& b : *bytes) {
    seed = seed * 1103515245u + 12345u;
    b = static_cast<BYTE>(seed >> 24);
  }
  const fs::path source = folder / "source.jpg";
  {
    const int fd = ::open(source.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, bytes->data(), bytes->size()) != static_cast<ssize_t>(bytes->size()) ||
        ::fsync(fd) != 0)
      return 1;
    ::close(fd);
  }

  BenchSettings settings(saverFolder.string());
  BytesPicture picture(bytes);
  BenchSaveInfo info;
  // Turns, one picture each, so that both see the same state of the disk.
  std::chrono::steady_clock::duration saverTotal{}, cpTotal{};
  for (int i = 0; i < count; ++i) {
    info.counter = static_cast<std::uint32_t>(i);
    const auto saverStart = std::chrono::steady_clock::now();
    if (const int result = save(nullptr, &info, &picture, &settings, TRUE); result != 0) {
      std::fprintf(stderr, "SavSave failed: %d\n", result);
      return 1;
    }
    const auto cpStart = std::chrono::steady_clock::now();
    saverTotal += cpStart - saverStart;

    char name[32];
    std::snprintf(name, sizeof name, "BENCH%04d.JPG", i);
    if (!runCp(source, cpFolder / name) || !syncPath(cpFolder / name, O_RDONLY) ||
        !syncPath(cpFolder, O_RDONLY | O_DIRECTORY)) {
      std::fprintf(stderr, "cp failed\n");
      return 1;
    }
    cpTotal += std::chrono::steady_clock::now() - cpStart;
  }
  const double saverTime = seconds(saverTotal);
  const double cpTime = seconds(cpTotal);
  fs::remove_all(folder);
  term();

  const double total = static_cast<double>(count) * static_cast<double>(mib);
  const double saverRate = total / saverTime;
  const double cpRate = total / cpTime;
  std::printf("%d pictures of %zu MiB in %s\n", count, mib, folder.c_str());
  std::printf("saver: %.1f MiB/s (%.2f s)\n", saverRate, saverTime);
  std::printf("cp:    %.1f MiB/s (%.2f s)\n", cpRate, cpTime);
  std::printf("ratio saver/cp: %.2f\n", saverRate / cpRate);
  return 0;
}

// Saves N pictures of M MiB through the file saver's direct save (the
// plug-in loaded from its file as the program loads it) and copies the same
// bytes N times with cp into a sibling folder on the same file system, side
// by side in rounds: each round runs both, the one that goes first
// alternating, after a warm-up round that is not counted. Before each side
// the disks are flushed (sync, not timed), so neither side pays for the
// other's writeback; after it every file is compared with the bytes saved,
// then removed. Prints each round's throughputs and the least, median and
// greatest ratio saver/cp.
//
// Both sides end each file the same way: the saver flushes the file and its
// folder itself (write to a temporary name, fsync, rename, fsync of the
// folder); after each cp the bench flushes the copy and the folder with
// fsync, and that time is counted for cp. The cp side also pays for
// starting a process per file, as a script calling cp would.
//
// Usage: file_saver_bench [folder] [count] [MiB] [rounds];
// default ./file-saver-bench 20 8 5.
#include "hostapi/ISaverSettings.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Module.h"
#include "platform/testsupport/BenchSpread.h"
#include "savers/testsupport/BytesPicture.h"

#include <QImage>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

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

// The name the bench's save information gives picture i, for both sides.
fs::path fileName(int i) {
  char name[32];
  std::snprintf(name, sizeof name, "BENCH%04d.JPG", i);
  return name;
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

// The side's files, all `count` of them holding the bytes saved; removed.
bool checkAndEmpty(const fs::path& folder, int count, const IPictureFromCamera::Bytes& bytes) {
  bool ok = true;
  for (int i = 0; i < count; ++i) {
    std::ifstream in(folder / fileName(i), std::ios::binary);
    const std::vector<char> got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (got.size() != bytes.size() || std::memcmp(got.data(), bytes.data(), got.size()) != 0) {
      std::fprintf(stderr, "%s differs from the bytes saved\n", (folder / fileName(i)).c_str());
      ok = false;
    }
  }
  for (const auto& entry : fs::directory_iterator(folder))
    fs::remove_all(entry.path());
  return ok;
}

struct Saver {
  SavSaveFunction save;
  BenchSettings& settings;
  BytesPicture& picture;
  BenchSaveInfo& info;
};

// Seconds for `count` saves through the plug-in; negative when one failed.
double saverSeconds(const Saver& saver, int count) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    saver.info.counter = static_cast<std::uint32_t>(i);
    if (const int result = saver.save(nullptr, &saver.info, &saver.picture, &saver.settings, TRUE);
        result != 0) {
      std::fprintf(stderr, "SavSave failed: %d\n", result);
      return -1;
    }
  }
  return seconds(std::chrono::steady_clock::now() - start);
}

// Seconds for `count` copies with cp, each flushed with its folder;
// negative when one failed.
double cpSeconds(const fs::path& source, const fs::path& folder, int count) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < count; ++i) {
    const fs::path target = folder / fileName(i);
    if (!runCp(source, target) || !syncPath(target, O_RDONLY) || !syncPath(folder, O_RDONLY | O_DIRECTORY)) {
      std::fprintf(stderr, "cp failed\n");
      return -1;
    }
  }
  return seconds(std::chrono::steady_clock::now() - start);
}

} // namespace

int main(int argc, char** argv) {
  if (argc > 1 && argv[1][0] == '-') {
    std::fprintf(stderr, "usage: file_saver_bench [folder] [count] [MiB] [rounds]\n");
    return 2;
  }
  const fs::path folder = fs::absolute(argc > 1 ? argv[1] : "file-saver-bench");
  const int count = argc > 2 ? std::atoi(argv[2]) : 20;
  const int mib = argc > 3 ? std::atoi(argv[3]) : 8;
  const int rounds = argc > 4 ? std::atoi(argv[4]) : 5;
  if (count < 1 || mib < 1 || rounds < 1) {
    std::fprintf(stderr, "count, MiB and rounds must be positive\n");
    return 2;
  }
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

  auto bytes = std::make_shared<IPictureFromCamera::Bytes>(static_cast<std::size_t>(mib) << 20);
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
  const Saver saver{save, settings, picture, info};
  std::printf("%d pictures of %d MiB a side in %s, %d rounds after a warm-up\n", count, mib, folder.c_str(),
              rounds);
  const double total = static_cast<double>(count) * mib;
  std::vector<double> ratios;
  int status = 0;
  for (int round = 0; round <= rounds && status == 0; ++round) {
    const bool saverFirst = round % 2 == 0;
    double saverTime = -1, cpTime = -1;
    for (int side = 0; side < 2; ++side) {
      ::sync();
      if ((side == 0) == saverFirst) {
        saverTime = saverSeconds(saver, count);
        if (saverTime < 0 || !checkAndEmpty(saverFolder, count, *bytes))
          status = 1;
      } else {
        cpTime = cpSeconds(source, cpFolder, count);
        if (cpTime < 0 || !checkAndEmpty(cpFolder, count, *bytes))
          status = 1;
      }
    }
    if (status != 0 || round == 0)
      continue;
    const double saverRate = total / saverTime;
    const double cpRate = total / cpTime;
    ratios.push_back(saverRate / cpRate);
    std::printf("  round %d (%s first): saver %7.1f MiB/s, cp %7.1f MiB/s, ratio %.2f\n", round,
                saverFirst ? "saver" : "cp", saverRate, cpRate, saverRate / cpRate);
  }
  fs::remove_all(folder);
  term();
  if (status != 0)
    return status;
  tarsel::test::PrintSpread("  ratio saver/cp", ratios);
  return 0;
}

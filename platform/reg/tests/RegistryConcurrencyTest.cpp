#include "RegistryTestHelpers.h"

#include "platform/reg/RegistryTextFormat.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace tarsel::reg;
using namespace tarsel::reg::test;

namespace {

using RegistryConcurrency = RegistryFixture;

std::string valueName(int writer, int index) {
  return "w" + std::to_string(writer) + "v" + std::to_string(index);
}
std::string valueData(int writer, int index) {
  return "data of " + valueName(writer, index) + std::string(1, '\0');
}

// Every value of every writer is there with its data, through a hive read
// afresh from the file.
void expectAllValues(int writers, int perWriter) {
  RegistryHive::resetForTests();
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_READ, &key), 0);
  DWORD values = 0;
  ASSERT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(values, static_cast<DWORD>(writers * perWriter));
  for (int w = 0; w < writers; ++w) {
    for (int i = 0; i < perWriter; ++i)
      EXPECT_EQ(queryBytes(key, valueName(w, i)), std::make_pair(static_cast<DWORD>(REG_SZ), valueData(w, i)))
          << valueName(w, i);
  }
  RegCloseKey(key);
}

TEST_F(RegistryConcurrency, ThreadsWritingDistinctValuesLoseNone) {
  constexpr int kWriters = 6;
  constexpr int kPerWriter = 15;
  RegCloseKey(createKey(HKEY_CURRENT_USER, "Shared"));
  std::atomic<bool> done{false};
  std::atomic<int> readerFailures{0};
  std::thread reader([&] {
    while (!done) {
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_READ, &key) != 0) {
        ++readerFailures;
        continue;
      }
      DWORD values = 0;
      if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, nullptr,
                           nullptr, nullptr, nullptr) != 0)
        ++readerFailures;
      RegCloseKey(key);
    }
  });
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([w] {
      HKEY key = createKey(HKEY_CURRENT_USER, "Shared", KEY_SET_VALUE);
      for (int i = 0; i < kPerWriter; ++i)
        EXPECT_EQ(setBytes(key, valueName(w, i), REG_SZ, valueData(w, i)), 0);
      RegCloseKey(key);
    });
  }
  for (auto& t : writers)
    t.join();
  done = true;
  reader.join();
  EXPECT_EQ(readerFailures.load(), 0);
  expectAllValues(kWriters, kPerWriter);
}

TEST_F(RegistryConcurrency, TwoHiveObjectsOnOneFileExcludeEachOtherThroughTheFileLock) {
  // As two copies of the library in one process would: separate mutexes,
  // only the file lock between them.
  const std::string file = userFile();
  RegistryHive first(RegistryHive::Kind::CurrentUser, file);
  RegistryHive second(RegistryHive::Kind::CurrentUser, file);
  constexpr int kPerWriter = 25;
  const auto writeAll = [&](RegistryHive& hive, int writer) {
    for (int i = 0; i < kPerWriter; ++i) {
      const LONG rc = hive.modify([&](RegistryKeyNode& root, bool& changed) -> LONG {
        root.ensureSubKey("Shared").setValue(valueName(writer, i), REG_SZ, valueData(writer, i));
        changed = true;
        return 0;
      });
      EXPECT_EQ(rc, 0);
    }
  };
  std::thread a([&] { writeAll(first, 0); });
  std::thread b([&] { writeAll(second, 1); });
  a.join();
  b.join();
  expectAllValues(2, kPerWriter);
}

TEST_F(RegistryConcurrency, ProcessesWritingDistinctValuesLoseNoneAndTheFileAlwaysParses) {
  constexpr int kWriters = 5;
  constexpr int kPerWriter = 15;
  RegCloseKey(createKey(HKEY_CURRENT_USER, "Shared"));
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      RegistryHive::resetForTests();
      HKEY key = nullptr;
      if (RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_SET_VALUE, &key) != 0)
        _exit(10);
      for (int i = 0; i < kPerWriter; ++i) {
        if (setBytes(key, valueName(w, i), REG_SZ, valueData(w, i)) != 0)
          _exit(11);
      }
      _exit(0);
    }
    ASSERT_GT(pid, 0);
    children.push_back(pid);
  }

  // While they write, every version of the file that a reader can see is whole.
  int reads = 0;
  int running = kWriters;
  int failures = 0;
  while (running > 0) {
    const std::string text = tarsel::test::readFile(userFile());
    std::vector<RegistryParseIssue> issues;
    RegistryTextFormat::parse(text, &issues);
    EXPECT_TRUE(issues.empty() && text.starts_with("TARSELREG 1\n")) << text;
    ++reads;
    int status = 0;
    const pid_t ended = waitpid(-1, &status, WNOHANG);
    if (ended > 0) {
      --running;
      if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        ++failures;
    }
  }
  EXPECT_EQ(failures, 0);
  EXPECT_GT(reads, 0);
  expectAllValues(kWriters, kPerWriter);
}

} // namespace

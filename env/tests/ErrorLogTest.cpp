#include "env/ErrorReport.h"

#include "env/CamStorageDir.h"
#include "env/SysVersion.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;
using tarsel::test::readFile;
using tarsel::test::runProgram;
using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;

namespace {

// A home folder of its own for one test; child processes inherit it.
struct LogHome {
  TempDir dir;
  ScopedEnv home{"HOME", dir.path()};
  ScopedEnv config{"XDG_CONFIG_HOME", dir.path() + "/.config"};
  ScopedEnv data{"XDG_DATA_HOME", dir.path() + "/.local/share"};
  ScopedEnv documents{"XDG_DOCUMENTS_DIR", std::nullopt};

  std::string folder() const { return CCamDataDir().GetPath(); }
  std::string logPath() const { return folder() + "/ErrorLog.txt"; }
};

struct Entry {
  std::string stamp;
  std::vector<std::string> header; // empty when the entry has none
  std::string text;
};

// Splits the log into entries; `error` tells the first thing out of shape.
struct ParsedLog {
  std::vector<Entry> entries;
  std::string error;
};

ParsedLog parseLog(const std::string& content) {
  ParsedLog log;
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < content.size()) {
    const std::size_t end = content.find("\r\n", at);
    if (end == std::string::npos) {
      log.error = "text after the last CR LF";
      return log;
    }
    lines.push_back(content.substr(at, end - at));
    at = end + 2;
  }
  for (const std::string& line : lines) {
    if (line.find_first_of("\r\n") != std::string::npos) {
      log.error = "a lone CR or LF";
      return log;
    }
  }
  const std::string frame = "*********** ";
  const std::string frameEnd = " ***********";
  std::size_t i = 0;
  while (i < lines.size()) {
    const std::string& first = lines[i];
    if (first.size() < frame.size() + frameEnd.size() || first.compare(0, frame.size(), frame) != 0 ||
        first.compare(first.size() - frameEnd.size(), frameEnd.size(), frameEnd) != 0) {
      log.error = "line " + std::to_string(i) + " is no entry frame: " + first.substr(0, 80);
      return log;
    }
    Entry entry;
    entry.stamp = first.substr(frame.size(), first.size() - frame.size() - frameEnd.size());
    ++i;
    if (i < lines.size() && lines[i].rfind("Tarsel Version ", 0) == 0) {
      while (i < lines.size() && !lines[i].empty())
        entry.header.push_back(lines[i++]);
      if (i == lines.size()) {
        log.error = "header without its empty line";
        return log;
      }
      entry.header.push_back(lines[i++]);
    }
    if (i == lines.size()) {
      log.error = "entry without text";
      return log;
    }
    entry.text = lines[i++];
    log.entries.push_back(std::move(entry));
  }
  return log;
}

std::string selfPath() {
  return fs::read_symlink("/proc/self/exe").string();
}

// The text of entry `index` of writer `thread` of process `tag`: long and of
// varying length, so that a torn or mixed write shows.
std::string entryText(const std::string& tag, int thread, int index) {
  const std::size_t length = 50 + static_cast<std::size_t>((thread * 131 + index * 37) % 3000);
  return "entry " + tag + " " + std::to_string(thread) + " " + std::to_string(index) + " " +
         std::string(length, static_cast<char>('a' + thread % 26));
}

struct EntryKey {
  std::string tag;
  int thread = -1;
  int index = -1;
  bool operator<(const EntryKey& o) const {
    return std::tie(tag, thread, index) < std::tie(o.tag, o.thread, o.index);
  }
};

std::optional<EntryKey> parseEntryText(const std::string& text) {
  std::istringstream in(text);
  std::string word;
  EntryKey key;
  std::string payload;
  if (!(in >> word >> key.tag >> key.thread >> key.index >> payload) || word != "entry")
    return std::nullopt;
  if (entryText(key.tag, key.thread, key.index) != text)
    return std::nullopt;
  return key;
}

void waitForFile(const char* path) {
  if (!path)
    return;
  // Bounded: a missing go signal must not hang the test run.
  for (int i = 0; i < 2000 && access(path, F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
}

void writeEntries(const std::string& tag, int threads, int count, const char* goFile) {
  std::vector<std::thread> writers;
  for (int t = 0; t < threads; ++t)
    writers.emplace_back([&, t] {
      waitForFile(goFile);
      for (int i = 0; i < count; ++i)
        WriteErrorInfo(entryText(tag, t, i).c_str());
    });
  for (auto& writer : writers)
    writer.join();
}

pid_t spawnChild(const std::string& request) {
  ScopedEnv childRequest("TARSEL_ERRORLOG_CHILD", request);
  const std::string exe = selfPath();
  std::string filter = "--gtest_filter=ErrorLogChild.*";
  char* argv[] = {const_cast<char*>(exe.c_str()), filter.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = -1;
  if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ) != 0)
    pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

int waitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR)
      return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runChild(const std::string& request) {
  ScopedEnv childRequest("TARSEL_ERRORLOG_CHILD", request);
  return runProgram({selfPath(), "--gtest_filter=ErrorLogChild.*"}).exitCode;
}

std::string expectedHeader() {
  const CSysVersion version;
  std::string header = "Tarsel Version 4.1.2.43\r\nOS: ";
  header += version.SystemName();
  header += " - ";
  header += version.ServicePack();
  header += "\r\n";
  header += IsAdmin(nullptr) ? "User IS Administrator\r\n" : "User is NOT Administrator\r\n";
  header += "\r\n";
  return header;
}

} // namespace

// Runs only as a child of the tests below, which set TARSEL_ERRORLOG_CHILD to
// "<tag> <threads> <entries per thread> <lose the first entry: 0|1>".
TEST(ErrorLogChild, WritesTheRequestedEntries) {
  const char* request = std::getenv("TARSEL_ERRORLOG_CHILD");
  if (!request)
    GTEST_SKIP() << "runs only as a child process";
  std::istringstream in(request);
  std::string tag;
  int threads = 0;
  int count = 0;
  int loseFirst = 0;
  ASSERT_TRUE(in >> tag >> threads >> count >> loseFirst);
  if (loseFirst) {
    const std::string path = CCamDataDir().GetPath() + std::string("/ErrorLog.txt");
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    WriteErrorInfo("lost");
    ASSERT_EQ(rmdir(path.c_str()), 0);
  }
  writeEntries(tag, threads, count, std::getenv("TARSEL_ERRORLOG_GO"));
}

TEST(ErrorLog, HeaderGoesWithTheFirstEntryOfEachProcess) {
  const LogHome home;
  ASSERT_EQ(runChild("a 1 2 0"), 0);
  ASSERT_EQ(runChild("b 1 1 0"), 0);

  const std::string content = readFile(home.logPath());
  const ParsedLog log = parseLog(content);
  ASSERT_EQ(log.error, "");
  ASSERT_EQ(log.entries.size(), 3u);

  // The first entry, byte for byte.
  const Entry& first = log.entries[0];
  EXPECT_NE(first.stamp.find("   "), std::string::npos)
      << "date and time are three blanks apart: " << first.stamp;
  const std::string firstEntry =
      "*********** " + first.stamp + " ***********\r\n" + expectedHeader() + entryText("a", 0, 0) + "\r\n";
  EXPECT_EQ(content.substr(0, firstEntry.size()), firstEntry);

  EXPECT_TRUE(log.entries[1].header.empty());
  EXPECT_EQ(log.entries[1].text, entryText("a", 0, 1));
  EXPECT_EQ(log.entries[2].header.size(), 4u);
  EXPECT_EQ(log.entries[2].text, entryText("b", 0, 0));
}

TEST(ErrorLog, HeaderWaitsForAnEntryThatReachesTheFile) {
  const LogHome home;
  ASSERT_EQ(runChild("c 1 2 1"), 0);
  const ParsedLog log = parseLog(readFile(home.logPath()));
  ASSERT_EQ(log.error, "");
  ASSERT_EQ(log.entries.size(), 2u);
  EXPECT_EQ(log.entries[0].header.size(), 4u);
  EXPECT_EQ(log.entries[0].text, entryText("c", 0, 0));
  EXPECT_TRUE(log.entries[1].header.empty());
}

TEST(ErrorLog, ThreadsAndProcessesWritingAtOnceLoseAndMixNoEntry) {
  const LogHome home;
  const std::string goFile = home.dir.file("go");
  const ScopedEnv go("TARSEL_ERRORLOG_GO", goFile);
  const pid_t first = spawnChild("p 1 50 0");
  const pid_t second = spawnChild("q 1 50 0");
  ASSERT_GT(first, 0);
  ASSERT_GT(second, 0);
  std::thread releaser([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    tarsel::test::writeFile(goFile, "go");
  });
  writeEntries("main", 8, 50, goFile.c_str());
  releaser.join();
  EXPECT_EQ(waitChild(first), 0);
  EXPECT_EQ(waitChild(second), 0);

  const std::string content = readFile(home.logPath());
  EXPECT_EQ(std::count(content.begin(), content.end(), '\n'),
            std::count(content.begin(), content.end(), '\r'));
  const ParsedLog log = parseLog(content);
  ASSERT_EQ(log.error, "");
  ASSERT_EQ(log.entries.size(), 500u);

  std::map<EntryKey, int> seen;
  std::map<std::string, int> headers;
  std::map<std::string, int> entriesSoFar;
  for (const Entry& entry : log.entries) {
    const auto key = parseEntryText(entry.text);
    ASSERT_TRUE(key.has_value()) << "torn entry: " << entry.text.substr(0, 80);
    ++seen[*key];
    if (!entry.header.empty()) {
      EXPECT_EQ(entry.header.size(), 4u);
      ++headers[key->tag];
      EXPECT_EQ(entriesSoFar[key->tag], 0) << "header not in the first entry of " << key->tag;
    }
    ++entriesSoFar[key->tag];
  }
  EXPECT_EQ(seen.size(), 500u);
  for (const auto& [key, times] : seen)
    EXPECT_EQ(times, 1) << key.tag << " " << key.thread << " " << key.index;
  EXPECT_EQ(entriesSoFar["main"], 400);
  EXPECT_EQ(entriesSoFar["p"], 50);
  EXPECT_EQ(entriesSoFar["q"], 50);
  EXPECT_EQ(headers["p"], 1);
  EXPECT_EQ(headers["q"], 1);
  // This process may have logged before this test.
  EXPECT_LE(headers["main"], 1);
}

TEST(ErrorLog, MissingFolderIsCreated) {
  const LogHome home;
  const std::string folder = home.folder();
  fs::remove_all(folder);
  ASSERT_FALSE(fs::exists(folder));
  WriteErrorInfo("into a new folder");
  const std::string content = readFile(folder + "/ErrorLog.txt");
  const std::string tail = "into a new folder\r\n";
  ASSERT_GE(content.size(), tail.size());
  EXPECT_EQ(content.substr(content.size() - tail.size()), tail);
}

TEST(ErrorLog, EntryThatCannotBeWrittenIsLostWithoutAnError) {
  const LogHome home;
  const std::string folder = home.folder();
  const std::string log = folder + "/ErrorLog.txt";

  // The log file's name taken by a folder.
  ASSERT_TRUE(fs::create_directory(log));
  SetLastError(1223);
  EXPECT_NO_THROW(WriteErrorInfo("lost"));
  EXPECT_EQ(GetLastError(), 1223u);
  EXPECT_TRUE(fs::is_directory(log));
  EXPECT_TRUE(fs::is_empty(log));
  fs::remove(log);

  // The data folder's name taken by a file.
  fs::remove_all(folder);
  tarsel::test::writeFile(folder, "not a folder");
  EXPECT_NO_THROW(WriteErrorInfo("lost too"));
  EXPECT_EQ(readFile(folder), "not a folder");
  fs::remove(folder);

  // A folder without write permission (meaningless for the superuser).
  if (geteuid() != 0) {
    fs::create_directories(folder);
    ASSERT_EQ(chmod(folder.c_str(), 0500), 0);
    EXPECT_NO_THROW(WriteErrorInfo("lost as well"));
    EXPECT_FALSE(fs::exists(log));
    chmod(folder.c_str(), 0700);
  }
}

TEST(ErrorLog, NullTextWritesAnEmptyTextLine) {
  const LogHome home;
  WriteErrorInfo(nullptr);
  const ParsedLog log = parseLog(readFile(home.logPath()));
  ASSERT_EQ(log.error, "");
  ASSERT_EQ(log.entries.size(), 1u);
  EXPECT_EQ(log.entries[0].text, "");
}

TEST(ErrorLog, EveryLineOfAnEntryEndsInCarriageReturnLineFeed) {
  const LogHome home;
  WriteErrorInfo("first line\nsecond line\r\nthird line\rlast");
  const std::string text = readFile(home.logPath());
  EXPECT_NE(text.find("first line\r\nsecond line\r\nthird line\r\nlast\r\n"), std::string::npos) << text;
  for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
    EXPECT_TRUE(at > 0 && text[at - 1] == '\r') << "a bare line feed at " << at;
}

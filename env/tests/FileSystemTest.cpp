#include "env/FileSystem.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tarsel::test;
namespace fs = std::filesystem;

namespace {

// Runs `body` in a child process that dropped root rights; its result is the child's exit code.
int runUnprivileged(bool (*body)(const std::string&), const std::string& arg) {
  const pid_t child = fork();
  if (child < 0)
    return -1;
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
      _exit(3);
    _exit(body(arg) ? 0 : 1);
  }
  int status = 0;
  if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
    return -1;
  return WEXITSTATUS(status);
}

} // namespace

TEST(FileSystem, MultiCreateDirCreatesEveryMissingLevel) {
  TempDir dir;
  const std::string nested = dir.file("a/b/c/d");
  EXPECT_TRUE(MultiCreateDir(nested.c_str()));
  EXPECT_TRUE(fs::is_directory(nested));

  // Existing, doubled and trailing separators.
  EXPECT_TRUE(MultiCreateDir(nested.c_str()));
  const std::string messy = dir.path() + "//a///b/e//f/";
  EXPECT_TRUE(MultiCreateDir(messy.c_str()));
  EXPECT_TRUE(fs::is_directory(dir.file("a/b/e/f")));
  EXPECT_TRUE(MultiCreateDir(nullptr));
  EXPECT_TRUE(MultiCreateDir(""));
}

TEST(FileSystem, MultiCreateDirCreatesTheFirstLevelOfARelativePath) {
  TempDir dir;
  const fs::path previous = fs::current_path();
  fs::current_path(dir.path());
  const bool created = MultiCreateDir("rel/x/y");
  fs::current_path(previous);
  EXPECT_TRUE(created);
  EXPECT_TRUE(fs::is_directory(dir.file("rel/x/y")));
}

TEST(FileSystem, MultiCreateDirFailsWhereAFileStandsInThePath) {
  TempDir dir;
  writeFile(dir.file("plain"), "x");
  SetLastError(0);
  EXPECT_FALSE(MultiCreateDir(dir.file("plain/sub/deeper").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  SetLastError(0);
  EXPECT_FALSE(MultiCreateDir(dir.file("plain").c_str()));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_FALSE(fs::exists(dir.file("plain/sub")));
}

TEST(FileSystem, MultiCreateDirFailsBelowAReadOnlyFolder) {
  TempDir dir;
  const std::string locked = dir.file("locked");
  ASSERT_EQ(mkdir(locked.c_str(), 0555), 0);
  ASSERT_EQ(chmod(dir.path().c_str(), 0755), 0);
  ASSERT_EQ(chmod(locked.c_str(), 0555), 0);
  const std::string target = locked + "/a/b";

  auto attempt = [](const std::string& path) {
    SetLastError(0);
    return !MultiCreateDir(path.c_str()) && GetLastError() == ERROR_ACCESS_DENIED;
  };
  if (geteuid() == 0)
    EXPECT_EQ(runUnprivileged(+attempt, target), 0) << "1: created or wrong error, 3: could not drop rights";
  else
    EXPECT_TRUE(attempt(target));
  EXPECT_FALSE(fs::exists(locked + "/a"));
}

TEST(FileSystem, FileAndFolderTestsTellEntriesApart) {
  TempDir dir;
  writeFile(dir.file("file.txt"), "x");
  writeFile(dir.file("star*"), "x");
  fs::create_directory(dir.file("folder"));
  fs::create_directory_symlink(dir.file("folder"), dir.file("link-to-folder"));
  fs::create_symlink(dir.file("file.txt"), dir.file("link-to-file"));

  struct Row {
    const char* name;
    bool isFile;
    bool isDir;
  };
  const Row rows[] = {
      {"file.txt", true, false},     {"folder", false, true},
      {"missing", false, false},     {"link-to-folder", false, true},
      {"link-to-file", true, false}, {"star*", true, false},
      {"*", false, false},           {"fi*", false, false},
      {"file.txt/", false, false},
  };
  for (const auto& row : rows) {
    const std::string path = dir.file(row.name);
    EXPECT_EQ(IsFileExist(path.c_str()), row.isFile) << row.name;
    EXPECT_EQ(IsDirExist(path.c_str()), row.isDir) << row.name;
  }
  EXPECT_FALSE(IsFileExist(nullptr));
  EXPECT_FALSE(IsDirExist(""));
}

TEST(FileSystem, AddTrailingBackslashAppendsTheSeparatorOnce) {
  const std::pair<std::string, std::string> rows[] = {
      {"", ""}, {"/", "/"}, {"/a", "/a/"}, {"/a/", "/a/"}, {"rel", "rel/"}};
  for (const auto& [in, out] : rows) {
    std::string path = in;
    EXPECT_EQ(&AddTrailingBackslash(path), &path);
    EXPECT_EQ(path, out) << in;
  }
}

TEST(FileSystem, ExpandQuotedPathRemovesOnePairOfQuotesAndExpandsVariables) {
  ScopedEnv home("HOME", std::string("/home/someone"));
  const std::pair<std::string, std::string> rows[] = {
      {"\"%HOME%/x.cpff\"", "/home/someone/x.cpff"},
      {"%HOME%/x.cpff", "/home/someone/x.cpff"},
      {"\"\"/a\"\"", "\"/a\""},
      {"\"", "\""},
      {"\"/a", "\"/a"},
      {"", ""},
  };
  for (const auto& [in, out] : rows)
    EXPECT_EQ(ExpandQuotedPath(in), out) << in;
}

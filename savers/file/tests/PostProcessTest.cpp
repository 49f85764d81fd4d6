#include "env/BrantelTakeError.h"
#include "savers/file/PostProcessCommand.h"
#include "savers/file/tests/FileSaverTestSupport.h"

#include <chrono>
#include <csignal>
#include <thread>

namespace tarsel::filesaver::test {
namespace {

namespace fs = std::filesystem;

// Writes its arguments, one "<...>" line each, and its process id beside itself.
fs::path recorderScript(const fs::path& folder) {
  const fs::path script = folder / "record args.sh";
  std::ofstream(script) << "#!/bin/sh\n"
                           "dir=$(dirname \"$0\")\n"
                           "echo $$ > \"$dir/pid\"\n"
                           "for a in \"$@\"; do printf '<%s>\\n' \"$a\"; done > \"$dir/argv\"\n";
  fs::permissions(script, fs::perms::owner_all);
  return script;
}

// The process is gone from the process table: someone reaped it.
bool reaped(pid_t pid) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (fs::exists("/proc/" + std::to_string(pid))) {
    if (std::chrono::steady_clock::now() > deadline)
      return false;
    std::this_thread::yield();
  }
  return true;
}

TEST_F(FileSaverTest, ThePostProcessingProgramGetsThePathAsOneArgumentAndNothingElseRuns) {
  const fs::path tools = folder / "tools";
  fs::create_directories(tools);
  const fs::path script = recorderScript(tools);
  fs::current_path(folder);
  const fs::path root = folder / "a b;c";
  saverKey()->SetString("RootDir", root.c_str());
  saverKey()->SetBool("WaitForProcessing", true);
  saverKey()->SetString("ExternalCommand", ("\"" + script.string() + "\" --in=%s -q").c_str());
  FakeSaveInfo info;
  info.subFolder = "x; touch pwned1 $(touch pwned2) `touch pwned3` \"q\" 'r'";
  info.fileName = "n $(touch pwned4) & touch pwned5 ;.JPG";
  BytesPicture picture("bytes");
  ASSERT_EQ(0, saveDirect(info, picture));
  const std::string path = (root / info.subFolder / info.fileName).string();
  EXPECT_EQ("bytes", ReadFile(path));
  EXPECT_EQ("<--in=" + path + ">\n<-q>\n", ReadFile(tools / "argv"));

  // Without "%s" the path comes last.
  saverKey()->SetString("ExternalCommand", ("\"" + script.string() + "\"").c_str());
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ("<" + path + ">\n", ReadFile(tools / "argv"));
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    EXPECT_FALSE(entry.path().filename().string().starts_with("pwned")) << entry.path();

  // A command that breaks the "%" rule is refused with the saver's own code and text.
  for (const char* bad : {"conv %d", "conv %s %s", "conv %"}) {
    saverKey()->SetString("ExternalCommand", bad);
    const int result = saveDirect(info, picture);
    ASSERT_EQ(static_cast<int>(0x82010001u), result) << bad;
    EXPECT_STREQ("Bad command line used for post-processing pictures.",
                 std::string(_brantel_take_error(result).ErrorMessage()).substr(0, 51).c_str());
  }
  // A program that cannot be started is a failure of the save.
  saverKey()->SetString("ExternalCommand", "/nonexistent/convert %s");
  EXPECT_EQ(2, saveDirect(info, picture));
}

TEST_F(FileSaverTest, APostProcessingProgramNobodyWaitsForIsReaped) {
  const fs::path script = recorderScript(folder);
  saverKey()->SetString("RootDir", folder.c_str());
  saverKey()->SetString("ExternalCommand", ("\"" + script.string() + "\"").c_str());
  FakeSaveInfo info;
  BytesPicture picture("bytes");
  ASSERT_EQ(0, saveDirect(info, picture));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (ReadFile(folder / "pid").empty() && std::chrono::steady_clock::now() < deadline)
    std::this_thread::yield();
  const pid_t pid = std::stoi(ReadFile(folder / "pid"));
  EXPECT_TRUE(reaped(pid));

  // A program that outlives the wait keeps running and is reaped when it ends.
  const auto start = std::chrono::steady_clock::now();
  const pid_t sleeper = RunPostProcessCommand("sleep", "30", true, std::chrono::milliseconds(100));
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
  ASSERT_GT(sleeper, 0);
  EXPECT_TRUE(fs::exists("/proc/" + std::to_string(sleeper)));
  kill(sleeper, SIGKILL);
  EXPECT_TRUE(reaped(sleeper));
  StopChildReaper();
}

} // namespace
} // namespace tarsel::filesaver::test

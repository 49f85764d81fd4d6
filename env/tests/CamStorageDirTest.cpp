#include "env/CamStorageDir.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <pwd.h>
#include <unistd.h>

using namespace tarsel::test;
namespace fs = std::filesystem;

namespace {

// Home, configuration and data folders of a fresh user below a temporary folder.
struct FreshUser {
  TempDir dir;
  ScopedEnv home{"HOME", dir.path()};
  ScopedEnv config{"XDG_CONFIG_HOME", std::nullopt};
  ScopedEnv data{"XDG_DATA_HOME", std::nullopt};
};

// Reaches MakePath without creating anything.
class PathOnly : public CCamStorageDirBase {
public:
  explicit PathOnly(int csidl) { MakePath(csidl); }
};

} // namespace

TEST(CamStorageDir, DataDirDefaultsToDocumentsBelowHomeAndIsCreatedWithItsParents) {
  FreshUser user;
  const CCamDataDir dataDir;
  EXPECT_EQ(std::string(dataDir.GetPath()), user.dir.file("Documents/Tarsel"));
  EXPECT_TRUE(fs::is_directory(dataDir.GetPath()));

  const CCamDataDir again;
  EXPECT_STREQ(again.GetPath(), dataDir.GetPath());
  const CCamDataDir copy = dataDir;
  EXPECT_STREQ(copy.GetPath(), dataDir.GetPath());
}

TEST(CamStorageDir, DataDirFollowsTheUserDirsFile) {
  FreshUser user;
  const std::string absolute = user.dir.file("elsewhere/docs");
  struct Row {
    std::string line;
    std::string expected;
  };
  const Row rows[] = {
      {"XDG_DOCUMENTS_DIR=\"$HOME/Papers\"", user.dir.file("Papers/Tarsel")},
      {"  XDG_DOCUMENTS_DIR=\"" + absolute + "\"", absolute + "/Tarsel"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/My\\\"Docs\"", user.dir.file("My\"Docs/Tarsel")},
      {"XDG_DOCUMENTS_DIR=\"relative/docs\"", user.dir.file("Documents/Tarsel")},
      {"XDG_DOCUMENTS_DIR=\"$HOME/unterminated", user.dir.file("Documents/Tarsel")},
      {"# XDG_DOCUMENTS_DIR=\"$HOME/Commented\"", user.dir.file("Documents/Tarsel")},
      {"XDG_DOCUMENTS_DIR=\"$HOME/First\"\nXDG_DOCUMENTS_DIR=\"$HOME/Last\"", user.dir.file("Last/Tarsel")},
  };
  fs::create_directories(user.dir.file(".config"));
  for (const auto& row : rows) {
    writeFile(user.dir.file(".config/user-dirs.dirs"),
              "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n" + row.line + "\nXDG_MUSIC_DIR=\"$HOME/Music\"\n");
    const CCamDataDir dataDir;
    EXPECT_EQ(std::string(dataDir.GetPath()), row.expected) << row.line;
    EXPECT_TRUE(fs::is_directory(row.expected)) << row.line;
  }

  // XDG_CONFIG_HOME moves the file.
  const std::string config = user.dir.file("cfg");
  fs::create_directories(config);
  writeFile(config + "/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/FromConfigHome\"\n");
  ScopedEnv configHome("XDG_CONFIG_HOME", config);
  EXPECT_EQ(std::string(CCamDataDir().GetPath()), user.dir.file("FromConfigHome/Tarsel"));
}

TEST(CamStorageDir, ConfigDirLiesBelowTheDataHome) {
  FreshUser user;
  EXPECT_EQ(std::string(CCamConfigDir().GetPath()), user.dir.file(".local/share/Tarsel"));
  EXPECT_TRUE(fs::is_directory(user.dir.file(".local/share/Tarsel")));

  ScopedEnv dataHome("XDG_DATA_HOME", user.dir.file("data"));
  EXPECT_EQ(std::string(CCamConfigDir().GetPath()), user.dir.file("data/Tarsel"));
  EXPECT_TRUE(fs::is_directory(user.dir.file("data/Tarsel")));

  // A relative value does not count.
  ScopedEnv relative("XDG_DATA_HOME", std::string("data"));
  EXPECT_EQ(std::string(CCamConfigDir().GetPath()), user.dir.file(".local/share/Tarsel"));
}

TEST(CamStorageDir, WithoutHomeThePasswordDatabaseGivesTheHomeFolder) {
  ScopedEnv home("HOME", std::nullopt);
  ScopedEnv data("XDG_DATA_HOME", std::nullopt);
  const passwd* me = getpwuid(getuid());
  ASSERT_NE(me, nullptr);
  EXPECT_EQ(std::string(PathOnly(CCamStorageDirBase::CSIDL_APPDATA).GetPath()),
            std::string(me->pw_dir) + "/.local/share/Tarsel");
}

TEST(CamStorageDir, LongPathsAreKeptWholeAndAFolderThatCannotBeMadeIsNoError) {
  FreshUser user;
  std::string deep = user.dir.path();
  for (int i = 0; i < 4; ++i)
    deep += "/" + std::string(100, static_cast<char>('a' + i));
  ScopedEnv dataHome("XDG_DATA_HOME", deep);
  const CCamConfigDir config;
  EXPECT_EQ(std::string(config.GetPath()), deep + "/Tarsel");
  EXPECT_GT(std::string(config.GetPath()).size(), 260u);
  EXPECT_TRUE(fs::is_directory(deep + "/Tarsel"));

  writeFile(user.dir.file("blocked"), "a file where the folder should be");
  ScopedEnv blocked("XDG_DATA_HOME", user.dir.file("blocked"));
  EXPECT_EQ(std::string(CCamConfigDir().GetPath()), user.dir.file("blocked/Tarsel"));
}

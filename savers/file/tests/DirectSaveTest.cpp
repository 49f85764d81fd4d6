#include "env/BrantelTakeError.h"
#include "env/CamStorageDir.h"
#include "savers/file/tests/FileSaverTestSupport.h"

#include <csignal>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tarsel::filesaver::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> namesIn(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(folder))
    names.push_back(fs::relative(entry.path(), folder).string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(FileSaverTest, DirectSaveWritesTheExactBytesUnderTheNumberedNameInTheCameraFolder) {
  saverKey()->SetString("RootDir", folder.c_str());
  FakeSaveInfo info;
  info.subFolder = "Cam 1";
  const std::string bytes = std::string("\xFF\xD8\0\x01", 4) + std::string(100000, 'x');
  BytesPicture picture(bytes);
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ(bytes, ReadFile(folder / "Cam 1" / "IMG0007.JPG"));
  EXPECT_EQ(folder.string() + "/", info.target);

  // A name the host built from the camera's own file name is used as it is.
  info.fileName = "DSC_0042.JPG";
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ(bytes, ReadFile(folder / "Cam 1" / "DSC_0042.JPG"));

  // Camera-supplied names cannot climb out of the folder; the counter prints unsigned.
  info.subFolder = "..";
  info.fileName = "../../escape\n.JPG";
  ASSERT_EQ(0, saveDirect(info, picture));
  info.subFolder = "";
  info.fileName = "";
  info.counter = 0xFFFFFFFEu;
  info.digits = 99;
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ((std::vector<std::string>{"Cam 1", "Cam 1/DSC_0042.JPG", "Cam 1/IMG0007.JPG", "IMG4294967294.JPG",
                                      "__", "__/___.._escape_.JPG"}),
            namesIn(folder));
  EXPECT_FALSE(fs::exists(folder.parent_path() / "escape\n.JPG"));
}

TEST_F(FileSaverTest, NamesFromCamerasCalledDotDotSlashOrDotSomethingAreVisibleAndStayInTheFolder) {
  // What the program makes of cameras named "../x" and ".hidden": prefix,
  // file name and camera folder.
  saverKey()->SetString("RootDir", folder.c_str());
  BytesPicture picture("pic");
  for (const char* camera : {".._x", ".hidden"}) {
    FakeSaveInfo info;
    info.prefix = camera;
    ASSERT_EQ(0, saveDirect(info, picture));
    info.fileName = std::string(camera) + "0001.JPG";
    info.subFolder = camera;
    ASSERT_EQ(0, saveDirect(info, picture));
  }
  EXPECT_EQ((std::vector<std::string>{"___x", "___x/___x0001.JPG", "___x0007.JPG", "_hidden",
                                      "_hidden/_hidden0001.JPG", "_hidden0007.JPG"}),
            namesIn(folder));
}

TEST_F(FileSaverTest, ASaveRemovesOnlyTheTemporaryFilesOfWritersThatAreGone) {
  // A writer that is gone: a child that has exited and been reaped.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0)
    _exit(0);
  ASSERT_EQ(child, waitpid(child, nullptr, 0));
  const std::string dead = std::to_string(child);
  const std::string live = std::to_string(getpid());
  saverKey()->SetString("RootDir", folder.c_str());
  const std::vector<std::string> kept = {
      ".IMG0002.JPG.tarsel-" + live + "-3-0.tmp",     // this process is still writing it
      ".IMG0003.JPG.tarsel-" + dead + "-0-0.tmp.old", // not the pattern
      "IMG0004.JPG.tarsel-" + dead + "-0-0.tmp",      // a visible name
      ".IMG0005.JPG.tarsel-" + dead + "x-0-0.tmp",    // a writer that does not parse
      ".IMG0006.JPG.tarsel--" + dead + "-0-0.tmp",
      ".IMG0008.JPG.tarsel-1-0-0.tmp", // init: alive, never ours to judge
  };
  for (const std::string& name : kept)
    std::ofstream(folder / name) << "keep";
  const std::string stale = ".IMG0001.JPG.tarsel-" + dead + "-12-1.tmp";
  std::ofstream(folder / stale) << "half a picture";
  fs::create_directory(folder / (".IMG0009.JPG.tarsel-" + dead + "-0-0.tmp")); // not a file

  FakeSaveInfo info;
  BytesPicture picture("whole");
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_FALSE(fs::exists(folder / stale));
  for (const std::string& name : kept)
    EXPECT_EQ("keep", ReadFile(folder / name)) << name;
  EXPECT_TRUE(fs::is_directory(folder / (".IMG0009.JPG.tarsel-" + dead + "-0-0.tmp")));
  EXPECT_EQ("whole", ReadFile(folder / "IMG0007.JPG"));
  EXPECT_EQ(kept.size() + 2, namesIn(folder).size());
}

TEST_F(FileSaverTest, ATakenNumberMovesOnToTheNextFreeOneAndAFixedNameIsReplacedOnlyWhenAllowed) {
  saverKey()->SetString("RootDir", folder.c_str());
  std::ofstream(folder / "IMG0007.JPG") << "old 7";
  std::ofstream(folder / "IMG0008.JPG") << "old 8";
  FakeSaveInfo info;
  BytesPicture picture("new picture");
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ("new picture", ReadFile(folder / "IMG0009.JPG"));
  EXPECT_EQ(9u, info.counter) << "the counter follows the number used";
  saverKey()->SetBool("DoNotOverwrite", true);
  info.counter = 7;
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ("new picture", ReadFile(folder / "IMG0010.JPG"));
  EXPECT_EQ("old 7", ReadFile(folder / "IMG0007.JPG"));
  EXPECT_EQ("old 8", ReadFile(folder / "IMG0008.JPG"));

  // A name that does not change with the counter is refused under "DoNotOverwrite".
  info.fileName = "IMG0007.JPG";
  const int refused = saveDirect(info, picture);
  ASSERT_EQ(183, refused);
  EXPECT_EQ("old 7", ReadFile(folder / "IMG0007.JPG"));

  // Without a user to ask, the queue skips the picture; a code of 0 means nothing failed.
  _brantel_take_error error(refused, (folder / "IMG0007.JPG").c_str());
  EXPECT_EQ(static_cast<int>(0x81020002u), processError(nullptr, &info, &settings, &error));
  _brantel_take_error none(0);
  EXPECT_EQ(0, processError(nullptr, &info, &settings, &none));

  // The user's "Yes" grants one overwrite: the retry replaces the file, the next save is refused again.
  info.SetOverwriteOnce();
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ("new picture", ReadFile(folder / "IMG0007.JPG"));
  BytesPicture another("another picture");
  EXPECT_EQ(183, saveDirect(info, another));
  EXPECT_EQ("new picture", ReadFile(folder / "IMG0007.JPG"));
  EXPECT_EQ(4u, namesIn(folder).size()) << "no temporary file is left";

  // Near the counter's end the search stops instead of wrapping round to low numbers.
  info.fileName.clear();
  info.counter = 0xFFFFFFFDu;
  info.digits = 10;
  std::ofstream(folder / "IMG4294967293.JPG") << "old";
  std::ofstream(folder / "IMG4294967294.JPG") << "old";
  EXPECT_EQ(183, saveDirect(info, another));
  EXPECT_EQ(0xFFFFFFFDu, info.counter) << "the counter is put back";
  EXPECT_EQ(6u, namesIn(folder).size());
}

TEST_F(FileSaverTest, AFullDiskFailsTheSaveAndLeavesNoPartialPicture) {
  saverKey()->SetString("RootDir", folder.c_str());
  std::ofstream(folder / "IMG0007.JPG") << "the earlier picture";
  const std::string bytes(1 << 20, 'p');

  // The child may write 64 KiB per file, as a disk that fills up while the picture is written.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{64 * 1024, 64 * 1024};
    setrlimit(RLIMIT_FSIZE, &limit);
    FakeSaveInfo info;
    BytesPicture picture(bytes);
    const int result = saveDirect(info, picture);
    _exit(result == 112 && info.target.empty() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status)) << "the save must fail with 112 and report no folder";
  EXPECT_EQ("the earlier picture", ReadFile(folder / "IMG0007.JPG"));
  EXPECT_EQ(std::vector<std::string>{"IMG0007.JPG"}, namesIn(folder));
}

TEST_F(FileSaverTest, LocationIsTheRootFolderMadeAbsoluteOrTheDataFolder) {
  struct Display : ISaveDllDisplayInfo {
    const char* GetName() override { return name.c_str(); }
    void SetName(const char* text) override { name = text; }
    const char* GetLocation() override { return location.c_str(); }
    void SetLocation(const char* text) override { location = text; }
    const char* GetExtraText() override { return ""; }
    void SetExtraText(const char*) override {}
    std::string name, location;
  } display;
  displayInfo(&settings, &display);
  EXPECT_EQ("File", display.name);
  EXPECT_EQ(CCamDataDir().GetPath(), display.location);

  // A relative root lies below the current folder, for the location and for saves alike.
  fs::current_path(folder);
  saverKey()->SetString("RootDir", "pics");
  displayInfo(&settings, &display);
  EXPECT_EQ((folder / "pics").string(), display.location);
  FakeSaveInfo info;
  BytesPicture picture("bytes");
  ASSERT_EQ(0, saveDirect(info, picture));
  EXPECT_EQ("bytes", ReadFile(folder / "pics" / "IMG0007.JPG"));
}

} // namespace
} // namespace tarsel::filesaver::test

#include "platform/FileIo.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using tarsel::platform::FileContents;
using tarsel::platform::ReadOptions;
using tarsel::platform::ReadStatus;
using tarsel::platform::ReplaceOptions;
using tarsel::platform::ReplaceResult;
using tarsel::platform::UniqueFd;
using tarsel::test::readFile;
using tarsel::test::TempDir;
using tarsel::test::writeFile;

namespace {

// Bytes that are not all alike, so a chunk read twice or skipped shows.
std::string pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
  return bytes;
}

ReadOptions limit(std::size_t maxBytes) {
  ReadOptions options;
  options.maxBytes = maxBytes;
  return options;
}

std::size_t entriesIn(const std::string& folder) {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
    ++count;
  return count;
}

ReplaceOptions namedTemporary(const std::string& temporary) {
  ReplaceOptions options;
  options.temporaryPath = [temporary](int) { return temporary; };
  return options;
}

} // namespace

TEST(FileIo, WholeRegularFilesAreReadExactlyUpToTheCallersLimit) {
  TempDir dir;
  struct Row {
    std::size_t size;
    std::size_t maxBytes;
    ReadStatus status;
  };
  const Row rows[] = {
      {0, 0, ReadStatus::Ok},
      {1, 1, ReadStatus::Ok},
      {65536, 65536, ReadStatus::Ok},         // exactly one read chunk
      {200001, 200001, ReadStatus::Ok},       // several chunks, the last one short
      {200001, 200000, ReadStatus::TooLarge}, // one byte over
      {1, 0, ReadStatus::TooLarge},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    const std::string path = dir.file("data.bin");
    const std::string bytes = pattern(row.size);
    writeFile(path, bytes);
    const FileContents contents = tarsel::platform::readWholeFile(path, limit(row.maxBytes));
    EXPECT_EQ(contents.status, row.status);
    EXPECT_EQ(contents.bytes, row.status == ReadStatus::Ok ? bytes : std::string());
    EXPECT_FALSE(contents.file.valid());
  }
}

TEST(FileIo, ReadFailuresSayWhatWasWrong) {
  TempDir dir;
  const FileContents missing = tarsel::platform::readWholeFile(dir.file("missing"), limit(100));
  EXPECT_EQ(missing.status, ReadStatus::Missing);
  EXPECT_EQ(tarsel::platform::win32ReadError(missing), DWORD{ERROR_SUCCESS});

  const FileContents folder = tarsel::platform::readWholeFile(dir.path(), limit(100));
  EXPECT_EQ(folder.status, ReadStatus::NotRegular);
  EXPECT_EQ(tarsel::platform::win32ReadError(folder), DWORD{ERROR_ACCESS_DENIED});

  // Non-blocking: a FIFO without a writer must not hang the reader.
  const std::string fifo = dir.file("fifo");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ReadOptions options = limit(100);
  options.nonBlocking = true;
  const FileContents pipe = tarsel::platform::readWholeFile(fifo, options);
  EXPECT_EQ(pipe.status, ReadStatus::NotRegular);
  EXPECT_EQ(tarsel::platform::win32ReadError(pipe), DWORD{ERROR_INVALID_PARAMETER});

  const FileContents notFolder = tarsel::platform::readWholeFile(dir.file("missing") + "/x", limit(100));
  EXPECT_EQ(notFolder.status, ReadStatus::Missing);
  writeFile(dir.file("plain"), "x");
  const FileContents underFile = tarsel::platform::readWholeFile(dir.file("plain") + "/x", limit(100));
  EXPECT_EQ(underFile.status, ReadStatus::Failed);
  EXPECT_EQ(underFile.error, ENOTDIR);

  writeFile(dir.file("big"), pattern(10));
  const FileContents big = tarsel::platform::readWholeFile(dir.file("big"), limit(9));
  EXPECT_EQ(tarsel::platform::win32ReadError(big), DWORD{ERROR_NOT_ENOUGH_MEMORY});
}

TEST(FileIo, AKeptDescriptorIsTheFileThatWasRead) {
  TempDir dir;
  const std::string path = dir.file("kept");
  writeFile(path, "first");
  ReadOptions options = limit(100);
  options.keepOpen = true;
  const FileContents contents = tarsel::platform::readWholeFile(path, options);
  ASSERT_TRUE(contents.ok());
  ASSERT_TRUE(contents.file.valid());
  struct stat st {};
  ASSERT_EQ(fstat(contents.file.get(), &st), 0);
  EXPECT_EQ(st.st_ino, contents.info.st_ino);
  EXPECT_EQ(contents.info.st_size, 5);
}

TEST(FileIo, WriteAllDeliversEveryByteThroughPartialWrites) {
  // A pipe takes far less than this at once, so the writer sees partial writes.
  const std::string bytes = pattern(1 << 20);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  UniqueFd readEnd(fds[0]);
  UniqueFd writeEnd(fds[1]);
  std::string received;
  std::thread reader([&] {
    char buffer[4096];
    ssize_t n = 0;
    while ((n = read(readEnd.get(), buffer, sizeof buffer)) > 0)
      received.append(buffer, static_cast<std::size_t>(n));
  });
  EXPECT_TRUE(tarsel::platform::writeAll(writeEnd.get(), bytes));
  writeEnd.reset();
  reader.join();
  EXPECT_EQ(received, bytes);

  TempDir dir;
  writeFile(dir.file("read-only"), "x");
  const UniqueFd readOnly = tarsel::platform::openFile(dir.file("read-only"), O_RDONLY);
  ASSERT_TRUE(readOnly.valid());
  errno = 0;
  EXPECT_FALSE(tarsel::platform::writeAll(readOnly.get(), "y"));
  EXPECT_EQ(errno, EBADF);
}

TEST(FileIo, ReplacedFilesHoldTheNewBytesAndLeaveNoTemporary) {
  TempDir dir;
  const std::string target = dir.file("settings");
  writeFile(target, "old contents");
  ReplaceOptions options = namedTemporary(dir.file(".settings.tmp"));
  options.mode = 0640;
  options.keepOpen = true;
  const ReplaceResult result = tarsel::platform::replaceFile(target, "new", options);
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(entriesIn(dir.path()), 1u);
  struct stat onDisk {};
  struct stat kept {};
  ASSERT_EQ(stat(target.c_str(), &onDisk), 0);
  ASSERT_EQ(fstat(result.file.get(), &kept), 0);
  EXPECT_EQ(onDisk.st_mode & 07777, 0640u);
  EXPECT_EQ(kept.st_ino, onDisk.st_ino);

  // Without keepOpen the descriptor is closed; a missing target is created.
  const std::string fresh = dir.file("fresh");
  const ReplaceResult created = tarsel::platform::replaceFile(fresh, "", namedTemporary(dir.file("t")));
  ASSERT_TRUE(created.ok());
  EXPECT_FALSE(created.file.valid());
  EXPECT_EQ(readFile(fresh), "");

  // Bytes many write pieces long arrive whole and in order.
  const std::string large = pattern((3 << 20) + 17);
  ASSERT_TRUE(tarsel::platform::replaceFile(fresh, large, namedTemporary(dir.file("t"))).ok());
  EXPECT_EQ(readFile(fresh), large);
}

TEST(FileIo, TemporaryNamesThatExistAreSkippedOrClearedAsAsked) {
  TempDir dir;
  const std::string target = dir.file("hive");
  const std::string leftover = dir.file("hive.tmp");
  writeFile(leftover, "left by a dead writer");

  // One name, not to be removed: the replace fails before touching anything.
  ReplaceResult result = tarsel::platform::replaceFile(target, "a", namedTemporary(leftover));
  EXPECT_EQ(result.error, EEXIST);
  EXPECT_FALSE(result.created);
  EXPECT_EQ(readFile(leftover), "left by a dead writer");

  // The next name is free.
  ReplaceOptions options;
  options.temporaryPath = [&](int attempt) { return attempt == 0 ? leftover : dir.file("hive.tmp2"); };
  options.attempts = 2;
  result = tarsel::platform::replaceFile(target, "b", options);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(readFile(target), "b");
  EXPECT_EQ(readFile(leftover), "left by a dead writer");

  // The same name, cleared and used again.
  options = namedTemporary(leftover);
  options.attempts = 2;
  options.removeLeftover = true;
  result = tarsel::platform::replaceFile(target, "c", options);
  ASSERT_TRUE(result.ok());
  EXPECT_EQ(readFile(target), "c");
  EXPECT_FALSE(std::filesystem::exists(leftover));
}

TEST(FileIo, FailedReplacesLeaveTheTargetAsItWas) {
  TempDir dir;
  const ReplaceResult noFolder =
      tarsel::platform::replaceFile(dir.file("none/file"), "x", namedTemporary(dir.file("none/t")));
  EXPECT_EQ(noFolder.error, ENOENT);
  EXPECT_FALSE(noFolder.created);

  // The rename fails: a folder with contents stands where the file should go.
  const std::string target = dir.file("busy");
  std::filesystem::create_directory(target);
  writeFile(target + "/inside", "kept");
  const ReplaceResult renameFailed =
      tarsel::platform::replaceFile(target, "x", namedTemporary(dir.file("busy.tmp")));
  EXPECT_NE(renameFailed.error, 0);
  EXPECT_TRUE(renameFailed.created);
  EXPECT_EQ(readFile(target + "/inside"), "kept");
  EXPECT_FALSE(std::filesystem::exists(dir.file("busy.tmp")));
}

TEST(FileIo, UniqueFdClosesExactlyOnce) {
  TempDir dir;
  writeFile(dir.file("f"), "x");
  int raw = -1;
  {
    UniqueFd first = tarsel::platform::openFile(dir.file("f"), O_RDONLY);
    ASSERT_TRUE(first.valid());
    raw = first.get();
    UniqueFd second(std::move(first));
    EXPECT_FALSE(first.valid()); // a moved-from holder owns nothing
    EXPECT_EQ(second.get(), raw);
    EXPECT_NE(fcntl(raw, F_GETFD), -1);
  }
  EXPECT_EQ(fcntl(raw, F_GETFD), -1);
  EXPECT_EQ(errno, EBADF);

  UniqueFd released = tarsel::platform::openFile(dir.file("f"), O_RDONLY);
  const int kept = released.release();
  EXPECT_FALSE(released.valid());
  EXPECT_EQ(released.close(), 0);
  EXPECT_NE(fcntl(kept, F_GETFD), -1);
  EXPECT_EQ(fcntl(kept, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
  EXPECT_EQ(UniqueFd(kept).close(), 0);
}

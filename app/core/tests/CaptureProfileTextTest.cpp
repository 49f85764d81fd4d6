#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileStorage.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using tarsel::core::CaptureProfileReader;
using tarsel::test::readFile;
using tarsel::test::TempDir;
using tarsel::test::writeFile;

namespace {

void fill(CCaptureProfileStorage& storage, const std::string& text) {
  storage.SetData(text.data(), static_cast<std::uint32_t>(text.size()));
}

std::vector<std::pair<std::string, std::string>> lines(const std::string& text) {
  CCaptureProfileStorage storage;
  fill(storage, text);
  CaptureProfileReader reader(storage);
  std::vector<std::pair<std::string, std::string>> read;
  std::string key;
  std::string value;
  while (reader.Next(key, value))
    read.emplace_back(key, value);
  return read;
}

} // namespace

TEST(CaptureProfileText, LinesAreSplitAtLineEndRunsAndIncompleteLinesAreSkipped) {
  const std::string longValue(300, '7');
  const auto read = lines("CPFFv001\r\n\r\nFlash=2\n\rNoEquals\r\nEmpty=\r\n=5\r\nA=b=c\rLong=" + longValue +
                          std::string("\r\nTail=1\0Hidden=2", 17));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Flash", "2"}, {"", "5"}, {"A", "b=c"}, {"Long", longValue.substr(0, 250)}, {"Tail", "1"}};
  EXPECT_EQ(read, expected);
  EXPECT_EQ(CaptureProfileReader::Number("  -12abc"), -12);
  EXPECT_EQ(CaptureProfileReader::Number("1,5"), 1);
}

TEST(CaptureProfileStorageFile, WriteReplacesWholeFilesAndFailuresKeepWhatWasThere) {
  TempDir dir;
  const std::string path = dir.file("p.cpff");
  writeFile(path, "older, longer profile text");
  CCaptureProfileStorage storage;
  fill(storage, std::string("CPFFv001\r\n\0x", 12));
  storage.WriteFile(path.c_str());
  EXPECT_EQ(readFile(path), std::string("CPFFv001\r\n\0x", 12));

  CCaptureProfileStorage empty;
  empty.WriteFile(path.c_str());
  EXPECT_EQ(readFile(path), "");

  // A folder that does not exist: an error naming the path, and nothing made.
  const std::string missing = dir.file("no/p.cpff");
  try {
    storage.WriteFile(missing.c_str());
    ADD_FAILURE() << "no error";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(error.Explanation()), missing);
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

  // Reading a folder fails cleanly and keeps the bytes held.
  try {
    storage.ReadFileAt(dir.path());
    ADD_FAILURE() << "no error";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), ERROR_ACCESS_DENIED);
  }
  std::uint32_t length = 0;
  storage.GetData(length);
  EXPECT_EQ(length, 12u);
}

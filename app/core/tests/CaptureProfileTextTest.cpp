#include "app/core/CaptureProfileReader.h"
#include "app/core/CaptureProfileStorage.h"
#include "app/core/CaptureProfileWriter.h"
#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

using tarsel::core::CaptureProfileReader;
using tarsel::core::CaptureProfileWriter;
using tarsel::test::readFile;
using tarsel::test::TempDir;
using tarsel::test::writeFile;

namespace {

void fill(CCaptureProfileStorage& storage, const std::string& text) {
  storage.SetData(text.data(), static_cast<std::uint32_t>(text.size()));
}

HRESULT headerError(const std::string& text) {
  CCaptureProfileStorage storage;
  fill(storage, text);
  try {
    CaptureProfileReader reader(storage);
    return 0;
  } catch (const _brantel_take_error& error) {
    return error.Error();
  }
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

TEST(CaptureProfileText, HeaderVersionsAndMalformedTexts) {
  EXPECT_EQ(headerError("CPFFv001\r\nCamType=X\r\n"), 0);
  EXPECT_EQ(headerError("\r\n\nCPFFv002"), 0);
  EXPECT_EQ(headerError("CPFFx001\r\n"), CaptureProfileReader::kUnsupportedVersion);
  EXPECT_EQ(headerError("CPFFv1\r\n"), CaptureProfileReader::kUnsupportedVersion);
  EXPECT_EQ(headerError("CPF\r\nCamType=X"), CaptureProfileReader::kNotAProfile);
  EXPECT_EQ(headerError(""), CaptureProfileReader::kNotAProfile);
  EXPECT_EQ(headerError(std::string("\0CPFFv001", 9)), CaptureProfileReader::kNotAProfile);
}

TEST(CaptureProfileText, LinesAreSplitAtLineEndRunsAndIncompleteLinesAreSkipped) {
  const std::string longValue(300, '7');
  const auto read = lines("CPFFv001\r\n\r\nFlash=2\n\rNoEquals\r\nEmpty=\r\n=5\r\nA=b=c\rLong=" + longValue +
                          std::string("\r\nTail=1\0Hidden=2", 17));
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Flash", "2"}, {"", "5"}, {"A", "b=c"}, {"Long", longValue.substr(0, 250)}, {"Tail", "1"}};
  EXPECT_EQ(read, expected);
}

TEST(CaptureProfileText, NumbersAreReadLikeAtoiAndWrittenWithoutLocale) {
  EXPECT_EQ(CaptureProfileReader::Number("  -12abc"), -12);
  EXPECT_EQ(CaptureProfileReader::Number("+7"), 7);
  EXPECT_EQ(CaptureProfileReader::Number("x1"), 0);
  EXPECT_EQ(CaptureProfileReader::Number("1,5"), 1);
  EXPECT_EQ(CaptureProfileReader::Number("99999999999"), 2147483647);
  EXPECT_EQ(CaptureProfileReader::Number("-99999999999"), -2147483647 - 1);
  EXPECT_TRUE(CaptureProfileReader::SameText("camtype", "CamType"));
  EXPECT_FALSE(CaptureProfileReader::SameText("CamType", "CamTyp"));

  CaptureProfileWriter writer;
  writer.AddText("CamType", "XC-701");
  writer.AddNumber("ExpoBias", -1234567);
  CCaptureProfileStorage storage;
  writer.HandTo(storage);
  std::uint32_t length = 0;
  const void* data = storage.GetData(length);
  EXPECT_EQ(std::string(static_cast<const char*>(data), length),
            "CPFFv001\r\nCamType=XC-701\r\nExpoBias=-1234567\r\n");
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

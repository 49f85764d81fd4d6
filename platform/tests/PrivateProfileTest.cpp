#include "platform/PrivateProfile.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace std::string_literals;
using tarsel::test::readFile;
using tarsel::test::TempDir;
using tarsel::test::writeFile;

namespace {

// A hand-written file with the usual irregularities; "\n" is turned into
// CR LF for the second run of the read tests.
const std::string kHandWritten = "Orphan=before any section\n"
                                 "; leading comment\n"
                                 "[Camera]\n"
                                 "Name = Vesk 100 \n"
                                 "  model=  'quoted single'  \n"
                                 "Quoted=\"  spaced  \"\n"
                                 "Mismatch=\"abc'\n"
                                 "Lone=\"\n"
                                 "\n"
                                 "Dup=first\n"
                                 "dup=second\n"
                                 "; Comment=not a key\n"
                                 "NoEquals\n"
                                 "Empty=\n"
                                 "Inner = a = b\n"
                                 "Nul=ab\0cd\n"s
                                 "[camera]\n"
                                 "Extra=in a second copy of the section\n"
                                 "[ Spaced Section ]\n"
                                 "Key=v\n"
                                 "[Range]\n"
                                 "Min=-5\n"
                                 "Max=+12\n"
                                 "Big=99999999999\n"
                                 "Neg=-99999999999\n"
                                 "Junk=abc\n"
                                 "Mixed=12abc\n"
                                 "QuotedNum=\"7\"\n"
                                 "Blank=\n"
                                 "Space=- 3\n"
                                 "Last=no line end";

std::string withCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n')
      out += '\r';
    out += c;
  }
  return out;
}

std::string getString(const char* app, const char* key, const char* def, const std::string& file,
                      DWORD size = 4096) {
  std::vector<char> buffer(size + 1, '#');
  const DWORD n = GetPrivateProfileStringA(app, key, def, buffer.data(), size, file.c_str());
  EXPECT_LT(n, size);
  EXPECT_EQ(buffer[n], '\0');
  return std::string(buffer.data(), n);
}

// The bytes of a list as returned: items, their NULs and the final NUL.
std::string getList(const char* app, const char* key, const std::string& file) {
  std::vector<char> buffer(4096, '#');
  const DWORD n = GetPrivateProfileStringA(app, key, "unused", buffer.data(), 4096, file.c_str());
  return std::string(buffer.data(), n + 1);
}

std::string getSection(const char* app, const std::string& file) {
  std::vector<char> buffer(4096, '#');
  const DWORD n = GetPrivateProfileSectionA(app, buffer.data(), 4096, file.c_str());
  return std::string(buffer.data(), n + 1);
}

bool noTemporaryFilesLeft(const TempDir& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().filename().string().front() == '.')
      return false;
  }
  return true;
}

} // namespace

TEST(PrivateProfile, ValuesReadFromAHandWrittenFileWithLfOrCrLf) {
  struct Row {
    const char* app;
    const char* key;
    const char* expected;
  };
  const Row rows[] = {
      {"Camera", "Name", "Vesk 100"},
      {"CAMERA", "NAME", "Vesk 100"},
      {" Camera ", " Name ", "Vesk 100"},
      {"camera", "MODEL", "quoted single"},
      {"Camera", "Quoted", "  spaced  "},
      {"Camera", "Mismatch", "\"abc'"},
      {"Camera", "Lone", "\""},
      {"Camera", "Dup", "first"},
      {"Camera", "DUP", "first"},
      {"Camera", "; Comment", "default"},
      {"Camera", "Comment", "default"},
      {"Camera", "NoEquals", "default"},
      {"Camera", "Empty", ""},
      {"Camera", "Inner", "a = b"},
      {"Camera", "Nul", "ab"},
      {"Camera", "Extra", "default"},
      {"Camera", "Orphan", "default"},
      {"Spaced Section", "key", "v"},
      {"Range", "Last", "no line end"},
      {"Range", "Name", "default"},
      {"Missing", "Name", "default"},
  };
  TempDir dir;
  for (const std::string& text : {kHandWritten, withCrLf(kHandWritten)}) {
    const std::string file = dir.file("hand.ini");
    writeFile(file, text);
    for (const Row& row : rows)
      EXPECT_EQ(getString(row.app, row.key, "default", file), row.expected) << row.app << "/" << row.key;

    EXPECT_EQ(getString("Missing", "Name", "padded  \t ", file), "padded");
    EXPECT_EQ(getString("Missing", "Name", nullptr, file), "");
    EXPECT_EQ(getString("Camera", "Name", "default", dir.file("absent.ini")), "default");
  }
}

TEST(PrivateProfile, IntegersReadAsSignAndLeadingDigits) {
  struct Row {
    const char* key;
    int expected;
  };
  const Row rows[] = {
      {"Min", -5},   {"Max", 12},      {"Big", INT_MAX}, {"Neg", INT_MIN}, {"Junk", 0},
      {"Mixed", 12}, {"QuotedNum", 7}, {"Blank", -1},    {"Space", 0},     {"Missing", -1},
  };
  TempDir dir;
  const std::string file = dir.file("hand.ini");
  writeFile(file, withCrLf(kHandWritten));
  for (const Row& row : rows)
    EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("range", row.key, -1, file.c_str())), row.expected)
        << row.key;
  EXPECT_EQ(GetPrivateProfileIntA("Nowhere", "Min", 77, file.c_str()), 77u);
}

TEST(PrivateProfile, NullSectionOrKeyListsNamesOnceInFileOrder) {
  TempDir dir;
  for (const std::string& text : {kHandWritten, withCrLf(kHandWritten)}) {
    const std::string file = dir.file("hand.ini");
    writeFile(file, text);
    EXPECT_EQ(getList(nullptr, nullptr, file), "Camera\0Spaced Section\0Range\0\0"s);
    EXPECT_EQ(getList("camera", nullptr, file),
              "Name\0model\0Quoted\0Mismatch\0Lone\0Dup\0Empty\0Inner\0Nul\0\0"s);
    EXPECT_EQ(getList("Missing", nullptr, file), "\0"s);

    std::vector<char> names(64, '#');
    EXPECT_EQ(GetPrivateProfileSectionNamesA(names.data(), 64, file.c_str()), 28u);
    EXPECT_EQ(std::string(names.data(), 29), "Camera\0Spaced Section\0Range\0\0"s);
  }
}

TEST(PrivateProfile, SectionGivesItsNonBlankLinesAsWritten) {
  TempDir dir;
  const std::string file = dir.file("hand.ini");
  writeFile(file, withCrLf(kHandWritten));
  EXPECT_EQ(getSection("CAMERA", file), "Name = Vesk 100\0"
                                        "model=  'quoted single'\0"
                                        "Quoted=\"  spaced  \"\0"
                                        "Mismatch=\"abc'\0"
                                        "Lone=\"\0"
                                        "Dup=first\0"
                                        "dup=second\0"
                                        "; Comment=not a key\0"
                                        "NoEquals\0"
                                        "Empty=\0"
                                        "Inner = a = b\0"
                                        "Nul=ab\0\0"s);
  EXPECT_EQ(getSection("Missing", file), "\0"s);
  EXPECT_EQ(getSection("Camera", dir.file("absent.ini")), "\0"s);

  // The callers' loop: double the buffer while the result is size - 2.
  DWORD size = 8;
  std::vector<char> buffer;
  DWORD n = 0;
  do {
    size *= 2;
    buffer.assign(size, '#');
    n = GetPrivateProfileSectionA("Range", buffer.data(), size, file.c_str());
  } while (n == size - 2);
  EXPECT_EQ(std::string(buffer.data(), n + 1),
            "Min=-5\0Max=+12\0Big=99999999999\0Neg=-99999999999\0Junk=abc\0"
            "Mixed=12abc\0QuotedNum=\"7\"\0Blank=\0Space=- 3\0"
            "Last=no line end\0\0"s);
}

TEST(PrivateProfile, ResultsThatDoNotFitAreCutWithinTheBuffer) {
  TempDir dir;
  const std::string file = dir.file("small.ini");
  writeFile(file, "[Camera]\r\nName=Vesk 100\r\n[Range]\r\n");

  struct Row {
    const char* app; // null: section names
    const char* key; // null with an app: the section's keys
    DWORD size;
    DWORD expectedResult;
    std::string expectedBytes; // what lands in the buffer
  };
  const Row rows[] = {
      {"Camera", "Name", 0, 0, ""},
      {"Camera", "Name", 1, 0, "\0"s},
      {"Camera", "Name", 2, 1, "V\0"s},
      {"Camera", "Name", 8, 7, "Vesk 10\0"s},
      {"Camera", "Name", 9, 8, "Vesk 100\0"s},
      {"Camera", "Missing", 4, 3, "def\0"s},
      {"Camera", "Missing", 3, 2, "de\0"s},
      {nullptr, nullptr, 0, 0, ""},
      {nullptr, nullptr, 1, 0, "\0"s},
      {nullptr, nullptr, 2, 0, "\0\0"s},
      {nullptr, nullptr, 3, 1, "C\0\0"s},
      {nullptr, nullptr, 8, 6, "Camera\0\0"s},
      {nullptr, nullptr, 9, 7, "Camera\0\0\0"s},
      {nullptr, nullptr, 13, 11, "Camera\0Rang\0\0"s},
      {nullptr, nullptr, 14, 13, "Camera\0Range\0\0"s},
      {nullptr, nullptr, 20, 13, "Camera\0Range\0\0"s},
      {"Camera", nullptr, 5, 3, "Nam\0\0"s},
      {"Camera", nullptr, 6, 5, "Name\0\0"s},
  };
  for (const Row& row : rows) {
    char buffer[32];
    std::string(sizeof buffer, '#').copy(buffer, sizeof buffer);
    EXPECT_EQ(GetPrivateProfileStringA(row.app, row.key, "def", buffer, row.size, file.c_str()),
              row.expectedResult)
        << (row.app ? row.app : "(names)") << " size " << row.size;
    const std::string expected =
        row.expectedBytes + std::string(sizeof buffer - row.expectedBytes.size(), '#');
    EXPECT_EQ(std::string(buffer, sizeof buffer), expected)
        << (row.app ? row.app : "(names)") << " size " << row.size;
  }

  // Section lines follow the list rule.
  struct SectionRow {
    DWORD size;
    DWORD expectedResult;
    std::string expectedBytes;
  };
  const SectionRow sectionRows[] = {
      {0, 0, ""},
      {1, 0, "\0"s},
      {2, 0, "\0\0"s},
      {7, 5, "Name=\0\0"s},
      {15, 14, "Name=Vesk 100\0\0"s},
      {16, 14, "Name=Vesk 100\0\0"s},
  };
  for (const SectionRow& row : sectionRows) {
    char buffer[32];
    std::string(sizeof buffer, '#').copy(buffer, sizeof buffer);
    EXPECT_EQ(GetPrivateProfileSectionA("Camera", buffer, row.size, file.c_str()), row.expectedResult)
        << row.size;
    const std::string expected =
        row.expectedBytes + std::string(sizeof buffer - row.expectedBytes.size(), '#');
    EXPECT_EQ(std::string(buffer, sizeof buffer), expected) << row.size;
  }
  EXPECT_EQ(GetPrivateProfileStringA("Camera", "Name", "def", nullptr, 10, file.c_str()), 0u);
}

TEST(PrivateProfile, WritesChangeOnlyWhatTheyNameAndWriteCrLf) {
  TempDir dir;
  const std::string file = dir.file("ExtraCams.cams");
  writeFile(file, "; settings\n"
                  "[Used Cameras]\n"
                  "Alpha = 1\n"
                  "; keep me\n"
                  "\n"
                  "[Other]\n"
                  "x=1\n"
                  "odd line\n"
                  "y=2");

  struct Step {
    const char* app;
    const char* key;
    const char* value;
    std::string expected;
  };
  const Step steps[] = {
      {"used cameras", "ALPHA", "2",
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\n\r\n[Other]\r\nx=1\r\nodd line\r\ny=2\r\n"},
      {"Used Cameras", " Beta ", " spaced ",
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Other]\r\nx=1\r\nodd "
       "line\r\ny=2\r\n"},
      {"Ignored Cameras", "USB Cam", "A camera",
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Other]\r\nx=1\r\nodd "
       "line\r\ny=2\r\n[Ignored Cameras]\r\nUSB Cam=A camera\r\n"},
      {"Other", "X", nullptr,
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Other]\r\nodd "
       "line\r\ny=2\r\n[Ignored Cameras]\r\nUSB Cam=A camera\r\n"},
      {"OTHER", nullptr, nullptr,
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Ignored "
       "Cameras]\r\nUSB "
       "Cam=A camera\r\n"},
      {"Ignored Cameras", "Empty", "",
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Ignored "
       "Cameras]\r\nUSB "
       "Cam=A camera\r\nEmpty=\r\n"},
      // Deleting what is not there changes nothing.
      {"Nowhere", "Key", nullptr,
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Ignored "
       "Cameras]\r\nUSB "
       "Cam=A camera\r\nEmpty=\r\n"},
      {"Nowhere", nullptr, nullptr,
       "; settings\r\n[Used Cameras]\r\nAlpha=2\r\n; keep me\r\nBeta= spaced \r\n\r\n[Ignored "
       "Cameras]\r\nUSB "
       "Cam=A camera\r\nEmpty=\r\n"},
  };
  for (const Step& step : steps) {
    EXPECT_EQ(WritePrivateProfileStringA(step.app, step.key, step.value, file.c_str()), TRUE)
        << step.app << "/" << (step.key ? step.key : "(null)");
    EXPECT_EQ(readFile(file), step.expected) << step.app << "/" << (step.key ? step.key : "(null)");
  }
  EXPECT_EQ(getString("Used Cameras", "beta", "", file), "spaced");
  EXPECT_TRUE(noTemporaryFilesLeft(dir));

  // A deleted key does not come back from a second copy of it.
  writeFile(file, "[S]\r\nk=1\r\nK=2\r\n");
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", nullptr, file.c_str()), TRUE);
  EXPECT_EQ(readFile(file), "[S]\r\n");
  EXPECT_EQ(getString("S", "k", "gone", file), "gone");
}

TEST(PrivateProfile, SectionWritesReplaceTheWholeSection) {
  TempDir dir;
  const std::string file = dir.file("BRANTEL_SDK3.4");
  writeFile(file, "[ACTIVE CAMERAS]\nOld=1\n; old comment\nOlder=1\n\n[Next]\nk=v\n");

  struct Step {
    const char* app;
    std::string lines; // "-" stands for a null pointer
    std::string expected;
  };
  const Step steps[] = {
      {"active cameras", "A100=1\0B200=1\0\0"s,
       "[ACTIVE CAMERAS]\r\nA100=1\r\nB200=1\r\n\r\n[Next]\r\nk=v\r\n"},
      {"ACTIVE CAMERAS", "\0"s, "[ACTIVE CAMERAS]\r\n\r\n[Next]\r\nk=v\r\n"},
      {"Sizes", "0=1,2,640,480,Small\0UNSUPPORTED\0\0"s,
       "[ACTIVE CAMERAS]\r\n\r\n[Next]\r\nk=v\r\n[Sizes]\r\n0=1,2,640,480,Small\r\nUNSUPPORTED\r\n"},
      {"Next", "-", "[ACTIVE CAMERAS]\r\n\r\n[Sizes]\r\n0=1,2,640,480,Small\r\nUNSUPPORTED\r\n"},
  };
  for (const Step& step : steps) {
    const char* lines = step.lines == "-" ? nullptr : step.lines.c_str();
    EXPECT_EQ(WritePrivateProfileSectionA(step.app, lines, file.c_str()), TRUE) << step.app;
    EXPECT_EQ(readFile(file), step.expected) << step.app;
  }
  EXPECT_EQ(getSection("sizes", file), "0=1,2,640,480,Small\0UNSUPPORTED\0\0"s);
}

TEST(PrivateProfile, MissingFilesAreCreatedOnlyWhenSomethingIsWritten) {
  TempDir dir;
  const std::string file = dir.file("new.camd");
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", nullptr, file.c_str()), TRUE);
  EXPECT_EQ(WritePrivateProfileStringA("S", nullptr, nullptr, file.c_str()), TRUE);
  EXPECT_EQ(WritePrivateProfileSectionA("S", nullptr, file.c_str()), TRUE);
  EXPECT_FALSE(std::filesystem::exists(file));

  EXPECT_EQ(WritePrivateProfileStringA("FocusRange", "Min", "-1", file.c_str()), TRUE);
  EXPECT_EQ(readFile(file), "[FocusRange]\r\nMin=-1\r\n");

  const std::string other = dir.file("empty-section.camd");
  EXPECT_EQ(WritePrivateProfileSectionA("Iso", "\0", other.c_str()), TRUE);
  EXPECT_EQ(readFile(other), "[Iso]\r\n");

  // A relative path is taken from the current folder.
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "9", "relative.ini"), TRUE);
  EXPECT_EQ(GetPrivateProfileIntA("S", "k", 5, "relative.ini"), 9u);
  std::filesystem::current_path(previous);
  EXPECT_EQ(readFile(dir.file("relative.ini")), "[S]\r\nk=9\r\n");
}

TEST(PrivateProfile, WritesThatWouldBreakTheFileAreRefused) {
  TempDir dir;
  const std::string file = dir.file("guard.ini");
  const std::string original = "[S]\r\nk=v\r\n";
  writeFile(file, original);

  struct Row {
    const char* app;
    const char* key;
    const char* value;
  };
  const Row rows[] = {
      {"S", "k", "two\r\nlines"}, {"S", "k", "line\nbreak"},
      {"S", "a=b", "v"},          {"S", "[T]", "v"},
      {"S", ";c", "v"},           {"S", "", "v"},
      {"S", "  ", "v"},           {"S]", "k", "v"},
      {"S\n", "k", "v"},          {"", "k", "v"},
      {nullptr, "k", "v"},
  };
  for (const Row& row : rows) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WritePrivateProfileStringA(row.app, row.key, row.value, file.c_str()), FALSE)
        << (row.app ? row.app : "(null)") << "/" << row.key;
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << (row.app ? row.app : "(null)") << "/" << row.key;
  }
  const std::string badSections[] = {"a=1\0[T]\0\0"s, "a=1\0  [T]\0\0"s, "a=1\nb=2\0\0"s};
  for (const std::string& lines : badSections) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WritePrivateProfileSectionA("S", lines.c_str(), file.c_str()), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  }
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", nullptr), FALSE);
  EXPECT_EQ(readFile(file), original);
}

TEST(PrivateProfile, FailedWritesReportWhyAndLeaveTheFileAlone) {
  TempDir dir;
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", dir.file("no/such/folder.ini").c_str()), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", dir.path().c_str()), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

  // A file that cannot be read is not replaced by one that lost its contents.
  if (geteuid() != 0) {
    const std::string locked = dir.file("locked.ini");
    writeFile(locked, "[Keep]\r\nall=of this\r\n");
    ASSERT_EQ(chmod(locked.c_str(), 0200), 0);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", locked.c_str()), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_EQ(getString("Keep", "all", "unreadable", locked), "unreadable");
    ASSERT_EQ(chmod(locked.c_str(), 0600), 0);
    EXPECT_EQ(readFile(locked), "[Keep]\r\nall=of this\r\n");

    // A folder that cannot be written to.
    const std::string folder = dir.file("readonly");
    std::filesystem::create_directory(folder);
    writeFile(folder + "/f.ini", "[S]\r\nk=1\r\n");
    ASSERT_EQ(chmod(folder.c_str(), 0500), 0);
    SetLastError(ERROR_SUCCESS);
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "2", (folder + "/f.ini").c_str()), FALSE);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    ASSERT_EQ(chmod(folder.c_str(), 0700), 0);
    EXPECT_EQ(readFile(folder + "/f.ini"), "[S]\r\nk=1\r\n");
  }
  EXPECT_TRUE(noTemporaryFilesLeft(dir));
}

TEST(PrivateProfile, RewrittenFilesKeepTheirPermissionsAndLinks) {
  TempDir dir;
  const std::string file = dir.file("perm.ini");
  writeFile(file, "[S]\r\nk=1\r\n");
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "2", file.c_str()), TRUE);
  struct stat st {};
  ASSERT_EQ(stat(file.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);

  const std::string link = dir.file("link.ini");
  std::filesystem::create_symlink(file, link);
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "3", link.c_str()), TRUE);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(readFile(file), "[S]\r\nk=3\r\n");
}

TEST(PrivateProfile, LongLinesHugeFilesAndStrayBytesStayBounded) {
  TempDir dir;
  const std::string file = dir.file("long.ini");
  const std::string longValue(3 * 1024 * 1024, 'x');
  writeFile(file, "[S]\nlong=" + longValue + "\nafter=1\n[T]\nstray\r\r\nnul\0key=1\n\0\n=novalue\nk=\0v\n"s);

  std::vector<char> big(longValue.size() + 1);
  EXPECT_EQ(
      GetPrivateProfileStringA("S", "long", "", big.data(), static_cast<DWORD>(big.size()), file.c_str()),
      longValue.size());
  EXPECT_EQ(std::string(big.data()), longValue);
  EXPECT_EQ(getString("S", "long", "", file, 10), "xxxxxxxxx");
  EXPECT_EQ(GetPrivateProfileIntA("S", "after", 0, file.c_str()), 1u);
  EXPECT_EQ(getList("T", nullptr, file), "k\0\0"s);
  EXPECT_EQ(getSection("T", file), "stray\0nul\0=novalue\0k=\0\0"s);
  EXPECT_EQ(getString("T", "k", "def", file), "");

  // Above the size bound a file reads as empty and is never rewritten.
  const std::string huge = dir.file("huge.ini");
  writeFile(huge, "[S]\r\nk=1\r\n");
  std::filesystem::resize_file(huge, tarsel::platform::kMaxProfileFileBytes + 1);
  EXPECT_EQ(getString("S", "k", "def", huge), "def");
  EXPECT_EQ(getList(nullptr, nullptr, huge), "\0"s);
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(WritePrivateProfileStringA("S", "k", "2", huge.c_str()), FALSE);
  EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
  EXPECT_EQ(std::filesystem::file_size(huge), tarsel::platform::kMaxProfileFileBytes + 1);
}

TEST(PrivateProfile, ReadersNeverSeeAHalfWrittenFile) {
  TempDir dir;
  const std::string file = dir.file("atomic.ini");
  const std::string shortValue(10, 'a');
  const std::string longValue(20000, 'b');
  const std::string shortText = "[Head]\r\nfirst=1\r\n[S]\r\nk=" + shortValue + "\r\n[Tail]\r\nend=1\r\n";
  const std::string longText = "[Head]\r\nfirst=1\r\n[S]\r\nk=" + longValue + "\r\n[Tail]\r\nend=1\r\n";
  writeFile(file, shortText);

  std::atomic<bool> done{false};
  std::atomic<int> torn{0};
  std::atomic<int> reads{0};
  std::thread reader([&] {
    std::vector<char> buffer(longValue.size() + 16);
    while (!done.load()) {
      const std::string text = readFile(file);
      if (text != shortText && text != longText)
        ++torn;
      const DWORD n = GetPrivateProfileStringA("S", "k", "", buffer.data(), static_cast<DWORD>(buffer.size()),
                                               file.c_str());
      if (n != shortValue.size() && n != longValue.size())
        ++torn;
      if (GetPrivateProfileIntA("Tail", "end", 0, file.c_str()) != 1)
        ++torn;
      ++reads;
    }
  });
  for (int i = 0; i < 150; ++i) {
    const std::string& value = i % 2 == 0 ? longValue : shortValue;
    ASSERT_EQ(WritePrivateProfileStringA("S", "k", value.c_str(), file.c_str()), TRUE);
  }
  while (reads.load() < 3)
    std::this_thread::yield();
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
  EXPECT_EQ(readFile(file), shortText);
  EXPECT_TRUE(noTemporaryFilesLeft(dir));
}

TEST(PrivateProfile, ConcurrentWritersLoseNoKey) {
  TempDir dir;
  const std::string file = dir.file("shared.ini");
  constexpr int kThreads = 4;
  constexpr int kKeys = 25;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([&, t] {
      for (int k = 0; k < kKeys; ++k) {
        const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
        WritePrivateProfileStringA("S", key.c_str(), std::to_string(k).c_str(), file.c_str());
      }
    });
  }
  for (auto& writer : writers)
    writer.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = "t" + std::to_string(t) + "k" + std::to_string(k);
      EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("S", key.c_str(), -1, file.c_str())), k) << key;
    }
  }
}

TEST(PrivateProfile, WritersInTwoProcessesLoseNoKeyAndReadersSeeOnlyWholeFiles) {
  TempDir dir;
  const std::string file = dir.file("processes.ini");
  constexpr int kKeys = 150;
  const auto key = [](int writer, int k) { return "w" + std::to_string(writer) + "k" + std::to_string(k); };
  std::vector<pid_t> writers;
  for (int w = 0; w < 2; ++w) {
    const pid_t pid = fork();
    if (pid == 0) {
      for (int k = 0; k < kKeys; ++k) {
        if (!WritePrivateProfileStringA("S", key(w, k).c_str(), std::to_string(k).c_str(), file.c_str()))
          _exit(1);
      }
      _exit(0);
    }
    ASSERT_GT(pid, 0);
    writers.push_back(pid);
  }

  // Every file a reader meets is whole, and no write takes back a key.
  std::ptrdiff_t seenKeys = 0;
  while (!writers.empty()) {
    const std::string text = readFile(file);
    EXPECT_TRUE(text.empty() || (text.starts_with("[S]\r\n") && text.ends_with("\r\n"))) << text;
    const std::ptrdiff_t keys = std::count(text.begin(), text.end(), '=');
    EXPECT_GE(keys, seenKeys);
    seenKeys = keys;
    std::erase_if(writers, [](pid_t pid) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) != pid)
        return false;
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
      return true;
    });
  }
  for (int w = 0; w < 2; ++w) {
    for (int k = 0; k < kKeys; ++k)
      EXPECT_EQ(static_cast<int>(GetPrivateProfileIntA("S", key(w, k).c_str(), -1, file.c_str())), k)
          << key(w, k);
  }
}

TEST(PrivateProfile, AnIndependentReaderSeesWhatWasWritten) {
  if (tarsel::test::runProgram({"python3", "-c", "pass"}).exitCode != 0)
    GTEST_SKIP() << "python3 is not available";
  TempDir dir;
  const std::string file = dir.file("oracle.camd");
  writeFile(file, "; written by hand\n[Kept]\nold = value\n");
  ASSERT_EQ(WritePrivateProfileStringA("Kept", "OLD", "new value", file.c_str()), TRUE);
  ASSERT_EQ(WritePrivateProfileStringA("Exposure Range", "Min", "-3", file.c_str()), TRUE);
  ASSERT_EQ(WritePrivateProfileStringA("Exposure Range", "Max", "12", file.c_str()), TRUE);
  ASSERT_EQ(
      WritePrivateProfileSectionA("Exposure", "1=1/1000 s\0002=1/500 s\0003=50% off: 'x'\0\0", file.c_str()),
      TRUE);
  ASSERT_EQ(WritePrivateProfileStringA("Used Cameras", "USB Camera 5", "Vesk 5", file.c_str()), TRUE);

  const char* script = "import configparser, sys\n"
                       "p = configparser.ConfigParser(strict=False, interpolation=None, delimiters=('=',))\n"
                       "p.optionxform = str\n"
                       "with open(sys.argv[1], encoding='latin-1', newline=None) as f:\n"
                       "    p.read_file(f)\n"
                       "for s in p.sections():\n"
                       "    for k, v in p.items(s, raw=True):\n"
                       "        print(s + '|' + k + '|' + v)\n";
  const auto result = tarsel::test::runProgram({"python3", "-c", script, file});
  ASSERT_EQ(result.exitCode, 0) << result.out;
  EXPECT_EQ(result.out, "Kept|old|new value\n"
                        "Exposure Range|Min|-3\n"
                        "Exposure Range|Max|12\n"
                        "Exposure|1|1/1000 s\n"
                        "Exposure|2|1/500 s\n"
                        "Exposure|3|50% off: 'x'\n"
                        "Used Cameras|USB Camera 5|Vesk 5\n");
}

TEST(PrivateProfile, SnapshotGivesTheValuesOfTheFileAsItWasRead) {
  TempDir dir;
  const std::string file = dir.file("snapshot.ini");
  writeFile(file, "[A]\r\nkey = \"quoted\" \r\nKEY=second\r\nempty=\r\n[b]\r\nx='one'\r\nn=-5x\r\n");
  const tarsel::platform::ProfileSnapshot snapshot(file.c_str());
  writeFile(file, "[A]\r\nkey=replaced\r\n");
  EXPECT_EQ(snapshot.value("A", "key"), "quoted");
  EXPECT_EQ(snapshot.value(" a ", "Key"), "quoted");
  EXPECT_EQ(snapshot.value("A", "empty", "def"), "");
  EXPECT_EQ(snapshot.value("A", "missing", "def  "), "def");
  EXPECT_EQ(snapshot.value("B", "x"), "one");
  EXPECT_EQ(snapshot.value(nullptr, "x"), "");
  EXPECT_EQ(static_cast<int>(snapshot.number("B", "n", 7)), -5);
  EXPECT_EQ(static_cast<int>(snapshot.number("B", "empty", 7)), 7);
  // The calls read the file as it is now, with the same rules.
  char value[32];
  GetPrivateProfileStringA(" a ", "Key", "", value, sizeof value, file.c_str());
  EXPECT_STREQ(value, "replaced");
  EXPECT_EQ(tarsel::platform::ProfileSnapshot(file.c_str()).value(" a ", "Key"), "replaced");
}

TEST(PrivateProfile, SeveralWritesAreOneChangeOfTheFileAllOrNone) {
  TempDir dir;
  const std::string file = dir.file("batch.ini");
  writeFile(file, "[Keep]\r\nx=1\r\ny=2\r\n[Set]\r\nold=1\r\n");
  struct stat before {};
  ASSERT_EQ(stat(file.c_str(), &before), 0);

  tarsel::platform::ProfileWrites writes;
  ASSERT_TRUE(writes.replaceSection("Set", "a=1\0b=2\0"));
  ASSERT_TRUE(writes.setString("SetRange", "Min", "3"));
  ASSERT_TRUE(writes.setString("SetRange", "Max", "4"));
  ASSERT_TRUE(writes.setString("Keep", "x", nullptr));
  const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, dir.path().c_str(), IN_MOVED_TO), 0);
  ASSERT_TRUE(writes.apply(file.c_str()));
  EXPECT_EQ(readFile(file), "[Keep]\r\ny=2\r\n[Set]\r\na=1\r\nb=2\r\n[SetRange]\r\nMin=3\r\nMax=4\r\n");
  // One replacement, no temporary file left beside it.
  alignas(inotify_event) char events[4096];
  const ssize_t got = read(watch, events, sizeof events);
  close(watch);
  int renames = 0;
  for (ssize_t at = 0; at < got;
       at +=
       static_cast<ssize_t>(sizeof(inotify_event) + reinterpret_cast<const inotify_event*>(events + at)->len))
    ++renames;
  EXPECT_EQ(renames, 1);
  struct stat after {};
  ASSERT_EQ(stat(file.c_str(), &after), 0);
  EXPECT_NE(after.st_ino, before.st_ino);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2); // the file and its lock

  // Writes that change nothing leave the file as it is.
  ASSERT_TRUE(writes.apply(file.c_str()));
  struct stat again {};
  ASSERT_EQ(stat(file.c_str(), &again), 0);
  EXPECT_EQ(again.st_ino, after.st_ino);

  // One refused write, and none is made.
  const std::string written = readFile(file);
  tarsel::platform::ProfileWrites refused;
  ASSERT_TRUE(refused.setString("Keep", "y", "5"));
  SetLastError(0);
  EXPECT_FALSE(refused.setString("Keep", "z", "two\nlines"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(refused.replaceSection("Bad]", "a=1\0"));
  EXPECT_FALSE(refused.apply(file.c_str()));
  EXPECT_EQ(readFile(file), written);
}

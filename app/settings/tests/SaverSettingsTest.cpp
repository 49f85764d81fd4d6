// The plug-ins' settings key: the string protocol, sub-keys and their
// enumeration, binary values, and two processes sharing the store.
#include "app/settings/tests/SettingsTestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace tarsel::settings::test {
namespace {

constexpr const char* kFtp = "SOFTWARE\\drevant\\Tarsel\\Options\\Saver\\FTP";

// Splits a list from EnumSubKeys, checking its layout; `bytes` is how far
// the walk read, so an overrun shows as a failure, not as garbage.
std::vector<std::string> splitList(const char* list, std::size_t& bytes) {
  std::vector<std::string> names;
  bytes = 0;
  for (;;) {
    const std::string name(list + bytes);
    bytes += name.size() + 1;
    if (name.empty())
      return names;
    names.push_back(name);
  }
}

// What a plug-in does to read a text: ask for the size with no buffer, then
// read when the answer is 0 or 122 with a size above 0.
std::string twoStepRead(ISaverSettings& s, const char* name) {
  DWORD size = 0;
  const LONG probe = s.GetString(name, nullptr, &size);
  if ((probe != 0 && probe != 122) || size == 0)
    return {};
  std::string buffer(size, '#');
  if (s.GetString(name, buffer.data(), &size) != 0)
    return {};
  return std::string(buffer.c_str());
}

} // namespace

using SaverSettings = SettingsTest;

TEST_F(SaverSettings, GetStringAnswersProbesShortBuffersAndMissingValues) {
  putRaw(kFtp, "Server", REG_SZ, std::string("abc\0", 4));
  putRaw(kFtp, "Expand", REG_EXPAND_SZ, std::string("$HOME\0", 6));
  putRaw(kFtp, "Empty", REG_SZ, std::string());
  putRaw(kFtp, "NoNul", REG_SZ, std::string("abc", 3));
  putRaw(kFtp, "Number", REG_DWORD, std::string("\1\0\0\0", 4));
  auto ftp = saver("FTP", true);

  struct Row {
    const char* name;
    bool nullBuffer;
    DWORD size;
    LONG result;
    DWORD sizeAfter;
    const char* text; // buffer content afterwards, or null when not looked at
  };
  const Row rows[] = {
      {"Server", true, 0, 0, 4, nullptr},     // probe: the size needed
      {"Server", true, 100, 0, 4, nullptr},   // probe whatever size is passed
      {"Server", false, 4, 0, 4, "abc"},      // exact fit
      {"Server", false, 50, 0, 4, "abc"},     // room to spare
      {"Server", false, 3, 234, 4, ""},       // too small: the need, empty text
      {"Server", false, 0, 234, 4, nullptr},  // no room at all
      {"Expand", false, 6, 0, 6, "$HOME"},    // expandable strings are strings
      {"Empty", false, 8, 0, 1, ""},          // a zero-length value is the empty text
      {"Empty", true, 0, 0, 1, nullptr},      //
      {"Missing", false, 8, 2, 1, ""},        // missing: the default and the error
      {"Missing", false, 0, 122, 1, nullptr}, // missing, no room for the default
      {"Missing", true, 0, 122, 1, nullptr},  // missing, probed
      {"NoNul", false, 8, 13, 1, ""},         // not terminated: the default
      {"NoNul", true, 0, 122, 1, nullptr},    //
      {"Number", false, 8, 13, 1, ""},        // not a string: the default
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.name) + (row.nullBuffer ? " null" : " ") + std::to_string(row.size));
    char buffer[64];
    std::memset(buffer, '#', sizeof buffer);
    DWORD size = row.size;
    EXPECT_EQ(row.result, ftp->GetString(row.name, row.nullBuffer ? nullptr : buffer, &size));
    EXPECT_EQ(row.sizeAfter, size);
    if (row.text) {
      EXPECT_STREQ(row.text, buffer);
    }
    // Nothing is written past the size the caller gave.
    if (!row.nullBuffer) {
      EXPECT_EQ('#', buffer[row.size]);
    }
  }
  DWORD size = 8;
  EXPECT_EQ(87, ftp->GetString("Server", nullptr, nullptr));
  EXPECT_EQ(0, ftp->GetString("Server", nullptr, &size));

  EXPECT_EQ("abc", twoStepRead(*ftp, "Server"));
  EXPECT_EQ("", twoStepRead(*ftp, "Missing"));
  EXPECT_EQ("", twoStepRead(*ftp, "Number"));
}

TEST_F(SaverSettings, AWritableSubKeyOpenedOnALaterRunIsReadableToo) {
  {
    auto ftp = saver("FTP", false);
    auto server = subKey(*ftp, "ftp.example.org", false);
    ASSERT_EQ(0, server->SetString("UserName", "anna"));
  }
  // A later run: the sub-key exists now and is opened rather than created.
  CTarselSettings laterRun;
  ISaverSettings* raw = nullptr;
  ASSERT_EQ(0, laterRun.GetSaverSettings("FTP", &raw, false));
  CRefPtr<ISaverSettings> ftp;
  ftp.Attach(raw);
  auto server = subKey(*ftp, "FTP.EXAMPLE.ORG", false);
  EXPECT_EQ("anna", twoStepRead(*server, "UserName"));
  ASSERT_EQ(0, server->SetBool("SavePassword", true));
  EXPECT_TRUE(server->GetBool("SavePassword", false));

  auto readOnly = subKey(*ftp, "ftp.example.org", true);
  EXPECT_EQ("anna", twoStepRead(*readOnly, "UserName"));
  EXPECT_EQ(5, readOnly->SetString("UserName", "bob"));

  ISaverSettings* untouched = reinterpret_cast<ISaverSettings*>(0x1);
  EXPECT_EQ(87, ftp->OpenSubKey(nullptr, true, &untouched));
  EXPECT_EQ(reinterpret_cast<ISaverSettings*>(0x1), untouched);
}

TEST_F(SaverSettings, EnumSubKeysListsEveryNameWhole) {
  auto ftp = saver("FTP", false);
  char* list = nullptr;
  ASSERT_EQ(0, ftp->EnumSubKeys(&list));
  ASSERT_NE(nullptr, list);
  EXPECT_EQ('\0', list[0]);
  ftp->FreeKeyList(list);

  const std::vector<std::string> names = {"a", std::string(255, 'L'), "ftp.example.org",
                                          std::string(254, 'm'), "B"};
  for (const std::string& name : names)
    subKey(*ftp, name.c_str(), false);
  ASSERT_EQ(0, ftp->EnumSubKeys(&list));
  std::size_t bytes = 0;
  std::vector<std::string> listed = splitList(list, bytes);
  ftp->FreeKeyList(list);
  std::vector<std::string> expected = names;
  const auto byUpperCase = [](const std::string& a, const std::string& b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
      return std::toupper(static_cast<unsigned char>(x)) < std::toupper(static_cast<unsigned char>(y));
    });
  };
  std::sort(expected.begin(), expected.end(), byUpperCase);
  EXPECT_EQ(expected, listed);

  char* unset = reinterpret_cast<char*>(0x1);
  EXPECT_EQ(87, ftp->EnumSubKeys(nullptr));
  // A read-only object may enumerate too.
  ASSERT_EQ(0, saver("FTP", true)->EnumSubKeys(&unset));
  saver("FTP", true)->FreeKeyList(unset);
}

TEST_F(SaverSettings, EnumSubKeysStaysInsideItsListWhileLongerNamesAppear) {
  auto ftp = saver("FTP", false);
  subKey(*ftp, "x", false);
  std::atomic<bool> stop{false};
  // Another writer keeps adding and removing sub-keys with longer names than
  // the key held when a walk started.
  std::thread writer([&] {
    CTarselSettings other;
    ISaverSettings* raw = nullptr;
    ASSERT_EQ(0, other.GetSaverSettings("FTP", &raw, false));
    CRefPtr<ISaverSettings> key;
    key.Attach(raw);
    HKEY direct = nullptr;
    ASSERT_EQ(0, RegOpenKeyExA(HKEY_CURRENT_USER, kFtp, 0, KEY_ALL_ACCESS, &direct));
    for (int round = 0; !stop.load(); ++round) {
      const std::string name = std::string(1 + (round * 37) % 255, static_cast<char>('a' + round % 26));
      subKey(*key, name.c_str(), false);
      if (round % 3 == 0)
        RegDeleteKeyA(direct, name.c_str());
    }
    RegCloseKey(direct);
  });
  for (int walk = 0; walk < 300; ++walk) {
    char* list = nullptr;
    ASSERT_EQ(0, ftp->EnumSubKeys(&list));
    std::size_t bytes = 0;
    const std::vector<std::string> names = splitList(list, bytes);
    for (const std::string& name : names) {
      ASSERT_LE(name.size(), 255u);
      // Every name is whole: one letter repeated, or "x".
      ASSERT_EQ(std::string::npos, name.find_first_not_of(name[0]));
    }
    ftp->FreeKeyList(list);
  }
  stop = true;
  writer.join();
}

TEST_F(SaverSettings, BinaryValuesRoundTripAndAWrongTypeHandsOutNothing) {
  auto ftp = saver("FTP", false);
  const std::string blob("\0\1\2\xFFpassword", 12);
  ASSERT_EQ(0, ftp->SetBinary("Password", reinterpret_cast<const BYTE*>(blob.data()),
                              static_cast<DWORD>(blob.size())));
  BYTE* data = nullptr;
  DWORD size = 0;
  ASSERT_EQ(0, ftp->GetBinary("Password", &data, &size));
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(blob, std::string(reinterpret_cast<char*>(data), size));
  ftp->FreeBinary(data);

  ASSERT_EQ(0, ftp->SetBinary("Empty", nullptr, 0));
  ASSERT_EQ(0, ftp->GetBinary("Empty", &data, &size));
  EXPECT_EQ(0u, size);
  ftp->FreeBinary(data);

  // A plain-text password of an older version is a string, not a blob: the
  // read fails cleanly (the leak check of the sanitizer build watches this).
  ASSERT_EQ(0, ftp->SetString("Password", "secret"));
  data = reinterpret_cast<BYTE*>(0x1);
  size = 99;
  EXPECT_EQ(13, ftp->GetBinary("Password", &data, &size));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(0u, size);
  EXPECT_EQ(2, ftp->GetBinary("Missing", &data, &size));
  EXPECT_EQ(nullptr, data);
  EXPECT_EQ(87, ftp->GetBinary("Password", nullptr, &size));
  EXPECT_EQ(87, ftp->SetBinary("Password", nullptr, 3));

  ASSERT_EQ(0, ftp->DeleteValue("Password"));
  EXPECT_EQ(2, ftp->DeleteValue("Password"));
  EXPECT_EQ(2, ftp->GetBinary("Password", &data, &size));
}

TEST_F(SaverSettings, TwoProcessesSeeEachOthersWrites) {
  auto mine = saver("FILE", false);
  ASSERT_EQ(0, mine->SetString("RootDir", "/first"));
  int toChild[2];
  int toParent[2];
  ASSERT_EQ(0, pipe(toChild));
  ASSERT_EQ(0, pipe(toParent));
  const pid_t child = fork();
  ASSERT_NE(-1, child);
  if (child == 0) {
    // The child: a settings object of its own, opened after the parent wrote.
    CTarselSettings factory;
    ISaverSettings* raw = nullptr;
    int code = factory.GetSaverSettings("FILE", &raw, false) == 0 ? 0 : 10;
    char go = 0;
    if (code == 0 && twoStepRead(*raw, "RootDir") != "/first")
      code = 11;
    if (code == 0 && raw->SetDWord("DoNotOverwrite", 1) != 0)
      code = 12;
    if (code == 0 && (write(toParent[1], "w", 1) != 1 || read(toChild[0], &go, 1) != 1))
      code = 13;
    // The parent's object, opened before, wrote after this one was opened.
    if (code == 0 && twoStepRead(*raw, "RootDir") != "/second")
      code = 14;
    if (raw)
      raw->Release();
    _exit(code);
  }
  char done = 0;
  ASSERT_EQ(1, read(toParent[0], &done, 1));
  EXPECT_TRUE(mine->GetBool("DoNotOverwrite", false));
  ASSERT_EQ(0, mine->SetString("RootDir", "/second"));
  ASSERT_EQ(1, write(toChild[1], "g", 1));
  int status = 0;
  ASSERT_EQ(child, waitpid(child, &status, 0));
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(0, WEXITSTATUS(status));
  for (int fd : {toChild[0], toChild[1], toParent[0], toParent[1]})
    close(fd);
}

} // namespace tarsel::settings::test

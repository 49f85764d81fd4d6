#include "RegistryTestHelpers.h"

#include "platform/reg/RegistryHive.h"
#include "platform/reg/RegistryTextFormat.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

using namespace tarsel::reg;
using namespace tarsel::reg::test;
using tarsel::test::readFile;
using tarsel::test::writeFile;

namespace {

using Registry = RegistryFixture;

std::string dword(DWORD v) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &v, 4);
  return bytes;
}

TEST_F(Registry, SizeProbeWithNullBufferGivesNeededSizeAndSmallBufferGivesMoreData) {
  HKEY key = createKey(HKEY_CURRENT_USER, "Software\\Probe");
  const std::string text("C:/pictures\0", 12);
  ASSERT_EQ(setBytes(key, "LastDownloadDir", REG_SZ, text), 0);

  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "LastDownloadDir", nullptr, &type, nullptr, &size), 0);
  EXPECT_EQ(size, 12u);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));

  BYTE small[11];
  std::memset(small, 0xAA, sizeof small);
  size = sizeof small;
  EXPECT_EQ(RegQueryValueExA(key, "LastDownloadDir", nullptr, &type, small, &size), 234);
  EXPECT_EQ(size, 12u);
  for (const BYTE b : small)
    EXPECT_EQ(b, 0xAA) << "a too-small buffer stays untouched";

  BYTE exact[12];
  size = sizeof exact;
  EXPECT_EQ(RegQueryValueExA(key, "LastDownloadDir", nullptr, nullptr, exact, &size), 0);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(exact), size), text);

  size = 77;
  EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size), 2);
  EXPECT_EQ(size, 77u);

  // A null and an empty name both mean the key's default value.
  ASSERT_EQ(RegSetValueExA(key, nullptr, 0, REG_DWORD, reinterpret_cast<const BYTE*>(dword(5).data()), 4), 0);
  EXPECT_EQ(queryBytes(key, ""), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(5)));
  RegCloseKey(key);
}

TEST_F(Registry, EveryTypeRoundTripsByteExactThroughTheFile) {
  struct Row {
    std::string name;
    DWORD type;
    std::string data;
  };
  const std::vector<Row> rows = {
      {"WithNul", REG_SZ, std::string("Cam\0", 4)},
      {"WithoutNul", REG_SZ, "AB"},
      {"Empty", REG_SZ, ""},
      {"InnerNul", REG_SZ, std::string("a\0b\0", 4)},
      {"Expand", REG_EXPAND_SZ, std::string("%HOME%/x\0", 9)},
      {"Binary", REG_BINARY, std::string("\x00\xff\"\\\n\x7f\x80", 7)},
      {"EmptyBinary", REG_BINARY, ""},
      {"Dword", REG_DWORD, dword(0xE6FFD7)},
      {"ShortDword", REG_DWORD, std::string("\x01\x02\x03", 3)},
      {"Multi", REG_MULTI_SZ, std::string("one\0two\0\0", 9)},
      {"Qword", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\xff", 8)},
      {"None", REG_NONE, std::string("\x00", 1)},
      {"OddType", 0x12345678, "xyz"},
      {"Quote\"and\\back\\slash", REG_SZ, std::string("q\"\\\0", 4)},
      {"Tab\tNewline\n\xff", REG_BINARY, std::string("\xff\x00", 2)},
      {"Semicolon;=[x]", REG_SZ, std::string("; not a comment\0", 16)},
  };
  HKEY key = createKey(HKEY_CURRENT_USER, "Software\\Types\\Odd%Name]\xc3\xa9");
  for (const Row& row : rows)
    ASSERT_EQ(setBytes(key, row.name, row.type, row.data), 0) << row.name;
  RegCloseKey(key);

  // A fresh hive object reads everything back from the file.
  RegistryHive::resetForTests();
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Types\\Odd%Name]\xc3\xa9", 0, KEY_READ, &key), 0);
  for (const Row& row : rows)
    EXPECT_EQ(queryBytes(key, row.name), std::make_pair(row.type, row.data)) << row.name;
  std::vector<RegistryParseIssue> issues;
  RegistryTextFormat::parse(readFile(userFile()), &issues);
  EXPECT_TRUE(issues.empty());
  RegCloseKey(key);
}

TEST_F(Registry, NamesCompareCaseInsensitivelyAndKeepTheirCase) {
  HKEY key = createKey(HKEY_CURRENT_USER, "SOFTWARE\\Brantel\\Vesk\\SupportedCamera");
  ASSERT_EQ(setBytes(key, "CamModel", REG_DWORD, dword(1)), 0);
  RegCloseKey(key);

  ASSERT_EQ(
      RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\brantel\\VESK\\SupportedCamera", 0, KEY_ALL_ACCESS, &key),
      0);
  EXPECT_EQ(queryBytes(key, "CAMMODEL"), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(1)));
  ASSERT_EQ(setBytes(key, "cammodel", REG_DWORD, dword(2)), 0);
  char name[32];
  DWORD cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_STREQ(name, "CamModel");
  cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), 259);
  EXPECT_EQ(queryBytes(key, "CamModel"), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(2)));
  RegCloseKey(key);

  DWORD disposition = 0;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "software\\BRANTEL", 0, nullptr, 0, KEY_READ, nullptr, &key,
                            &disposition),
            0);
  EXPECT_EQ(disposition, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
  cch = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_STREQ(name, "Vesk");
  RegCloseKey(key);
  EXPECT_NE(readFile(userFile()).find("[SOFTWARE\\Brantel\\Vesk\\SupportedCamera]"), std::string::npos);
}

TEST_F(Registry, BadPathsGiveInvalidParameter) {
  const std::string longest(255, 'k');
  std::string deep;
  for (int i = 0; i < 513; ++i)
    deep += i ? "\\d" : "d";
  struct Row {
    std::string path;
    LONG expected;
  };
  const std::vector<Row> rows = {
      {"A\\\\B", 87}, {"\\A", 87}, {"\\", 87},   {longest + "x", 87},
      {deep, 87},     {"A\\", 0},  {longest, 0}, {"A\\B", 0},
  };
  for (const Row& row : rows) {
    HKEY key = nullptr;
    EXPECT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, row.path.c_str(), 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr),
        row.expected)
        << row.path.substr(0, 40);
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, row.path.c_str(), 0, KEY_READ, &key), row.expected)
        << row.path.substr(0, 40);
    if (key)
      RegCloseKey(key);
  }
  HKEY key = nullptr;
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A", 0, KEY_READ, nullptr), 87);
  EXPECT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, nullptr, 0, nullptr, 0, KEY_READ, nullptr, &key, nullptr), 87);
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Missing", 0, KEY_READ, &key), 2);
  EXPECT_EQ(key, nullptr);
  EXPECT_EQ(RegQueryValueExA(reinterpret_cast<HKEY>(0x1234560), "x", nullptr, nullptr, nullptr, nullptr), 6);
  EXPECT_EQ(RegCloseKey(nullptr), 6);
}

TEST_F(Registry, HandlesWithoutTheRightAreDenied) {
  HKEY full = createKey(HKEY_CURRENT_USER, "Software\\Rights\\Child");
  ASSERT_EQ(setBytes(full, "v", REG_DWORD, dword(1)), 0);
  RegCloseKey(full);

  HKEY readOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Rights", 0, KEY_READ, &readOnly), 0);
  HKEY sub = nullptr;
  EXPECT_EQ(setBytes(readOnly, "v", REG_DWORD, dword(2)), 5);
  EXPECT_EQ(RegDeleteValueA(readOnly, "v"), 5);
  EXPECT_EQ(RegCreateKeyExA(readOnly, "New", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), 5);
  EXPECT_EQ(RegDeleteKeyA(readOnly, "Child"), 5);
  EXPECT_EQ(RegDeleteTreeA(readOnly, nullptr), 5);
  // Opening an existing sub-key through it is still a create that creates nothing.
  EXPECT_EQ(RegCreateKeyExA(readOnly, "Child", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), 0);
  RegCloseKey(sub);
  DWORD count = 0;
  EXPECT_EQ(RegQueryInfoKeyA(readOnly, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr, nullptr,
                             nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(count, 1u);
  RegCloseKey(readOnly);

  // KEY_WRITE alone can set but neither query nor enumerate.
  HKEY writeOnly = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Rights\\Child", 0, KEY_WRITE, &writeOnly), 0);
  EXPECT_EQ(setBytes(writeOnly, "v", REG_DWORD, dword(3)), 0);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(writeOnly, "v", nullptr, nullptr, nullptr, &size), 5);
  char name[16];
  DWORD cch = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(writeOnly, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 5);
  EXPECT_EQ(RegEnumValueA(writeOnly, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 5);
  RegCloseKey(writeOnly);
}

TEST_F(Registry, UnwritableMachineHiveRefusesWritesAndAMissingOneIsEmpty) {
  HKEY key = createKey(HKEY_LOCAL_MACHINE, "A");
  ASSERT_EQ(setBytes(key, "v", REG_DWORD, dword(7)), 0);
  RegCloseKey(key);
  struct stat st {};
  ASSERT_EQ(stat(machineFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u) << "every user reads the machine's hive";

  const bool root = geteuid() == 0;
  const std::string machineFolder = m_dir.path() + "/machine";
  if (root) {
    ASSERT_EQ(chmod(m_dir.path().c_str(), 0755), 0);
  } else {
    ASSERT_EQ(chmod(machineFile().c_str(), 0444), 0);
    ASSERT_EQ(chmod(machineFolder.c_str(), 0555), 0);
  }
  const std::string before = readFile(machineFile());
  const int failedStep = runInChild([root]() -> int {
    if (root && (setgid(65534) != 0 || setuid(65534) != 0))
      return 90;
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &k) != 0)
      return 1;
    if (queryBytes(k, "v") != std::make_pair(static_cast<DWORD>(REG_DWORD), dword(7)))
      return 2;
    HKEY w = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_WRITE, &w) != 5 || w)
      return 3;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_SET_VALUE, &w) != 5)
      return 4;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_CREATE_SUB_KEY, &w) != 5)
      return 5;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "A", 0, nullptr, 0, KEY_READ, nullptr, &w, nullptr) != 5)
      return 6;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "New", 0, nullptr, 0, KEY_READ, nullptr, &w, nullptr) != 5)
      return 7;
    if (setBytes(HKEY_LOCAL_MACHINE, "x", REG_DWORD, dword(1)) != 5)
      return 8;
    if (RegDeleteTreeA(HKEY_LOCAL_MACHINE, "A") != 5)
      return 9;
    RegCloseKey(k);
    return 0;
  });
  if (!root) {
    chmod(machineFolder.c_str(), 0755);
    chmod(machineFile().c_str(), 0644);
  }
  EXPECT_EQ(failedStep, 0) << "the child's failing step";
  EXPECT_EQ(readFile(machineFile()), before);

  tarsel::test::ScopedEnv missing("TARSEL_MACHINE_REGISTRY", m_dir.path() + "/none/machine.reg");
  RegistryHive::resetForTests();
  ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "", 0, KEY_READ, &key), 0);
  DWORD subKeys = 9, values = 9;
  EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(subKeys, 0u);
  EXPECT_EQ(values, 0u);
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "A", 0, KEY_READ, &key), 2);
  EXPECT_NE(access((m_dir.path() + "/none").c_str(), F_OK), 0) << "reading creates nothing";
}

TEST_F(Registry, EnumerationGivesSortedKeysInsertionOrderedValuesAndItsCodes) {
  HKEY key = createKey(HKEY_CURRENT_USER, "Enum");
  for (const char* sub : {"gamma", "_under", "Beta", "alpha"})
    RegCloseKey(createKey(key, sub));
  ASSERT_EQ(setBytes(key, "zeta", REG_SZ, std::string("long value\0", 11)), 0);
  ASSERT_EQ(setBytes(key, "Alpha", REG_DWORD, dword(1)), 0);

  std::vector<std::string> names;
  char name[16];
  DWORD cch = 0;
  for (DWORD i = 0;; ++i) {
    cch = sizeof name;
    const LONG rc = RegEnumKeyExA(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr);
    if (rc == 259)
      break;
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(cch, std::strlen(name));
    names.push_back(name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"alpha", "Beta", "gamma", "_under"}));

  cch = 5; // "alpha" needs 6 with its NUL
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 234);
  cch = 6;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(cch, 5u);

  DWORD type = 0;
  BYTE data[16];
  DWORD cbData = 4;
  cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, &type, data, &cbData), 234);
  EXPECT_EQ(cbData, 11u);
  cbData = sizeof data;
  cch = 4;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, &type, data, &cbData), 234);
  cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, &type, data, &cbData), 0);
  EXPECT_STREQ(name, "zeta");
  EXPECT_EQ(cch, 4u);
  EXPECT_EQ(cbData, 11u);
  cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 1, name, &cch, nullptr, &type, nullptr, nullptr), 0);
  EXPECT_STREQ(name, "Alpha");
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 2, name, &cch, nullptr, &type, nullptr, nullptr), 259);

  DWORD subKeys = 0, maxSub = 0, values = 0, maxName = 0, maxData = 0;
  EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxName,
                             &maxData, nullptr, nullptr),
            0);
  EXPECT_EQ(subKeys, 4u);
  EXPECT_EQ(maxSub, 6u);
  EXPECT_EQ(values, 2u);
  EXPECT_EQ(maxName, 5u);
  EXPECT_EQ(maxData, 11u);
  RegCloseKey(key);
}

TEST_F(Registry, HandleToAKeyDeletedElsewhereGivesKeyDeleted) {
  HKEY key = createKey(HKEY_CURRENT_USER, "Gone\\Here");
  ASSERT_EQ(setBytes(key, "v", REG_DWORD, dword(1)), 0);
  ASSERT_EQ(RegDeleteTreeA(HKEY_CURRENT_USER, "gone"), 0);
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), 1018);
  EXPECT_EQ(setBytes(key, "v", REG_DWORD, dword(2)), 1018);
  HKEY sub = nullptr;
  EXPECT_EQ(RegCreateKeyExA(key, "Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, nullptr), 1018);
  char name[8];
  DWORD cch = sizeof name;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 1018);
  EXPECT_EQ(RegCloseKey(key), 0);
  EXPECT_EQ(RegCloseKey(key), 6) << "a closed handle is no handle";

  // The same when another process deletes it.
  key = createKey(HKEY_CURRENT_USER, "Other\\Key");
  ASSERT_EQ(setBytes(key, "v", REG_DWORD, dword(1)), 0);
  EXPECT_EQ(queryBytes(key, "v"), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(1)));
  EXPECT_EQ(runInChild([] { return static_cast<int>(RegDeleteTreeA(HKEY_CURRENT_USER, "Other\\Key")); }), 0);
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), 1018);
  RegCloseKey(key);
}

TEST_F(Registry, DeleteKeyTakesLeavesOnlyAndDeleteTreeTakesEverything) {
  HKEY key = createKey(HKEY_CURRENT_USER, "Del\\Parent\\Leaf");
  RegCloseKey(key);
  key = createKey(HKEY_CURRENT_USER, "Del");
  ASSERT_EQ(setBytes(key, "v", REG_DWORD, dword(1)), 0);
  EXPECT_EQ(RegDeleteKeyA(key, "Parent"), 5);
  EXPECT_EQ(RegDeleteKeyA(key, "Parent\\Missing"), 2);
  EXPECT_EQ(RegDeleteKeyA(key, "PARENT\\leaf"), 0);
  EXPECT_EQ(RegDeleteKeyA(key, "Parent"), 0);
  EXPECT_EQ(RegDeleteKeyA(key, "Parent"), 2);
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), 5) << "the hive's root stays";

  RegCloseKey(createKey(key, "A\\B"));
  EXPECT_EQ(RegDeleteTreeA(key, nullptr), 0);
  DWORD subKeys = 9, values = 9;
  EXPECT_EQ(RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, nullptr,
                             nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(subKeys + values, 0u);
  EXPECT_EQ(RegDeleteTreeA(key, "A"), 2);
  EXPECT_EQ(RegDeleteValueA(key, "v"), 2);
  RegCloseKey(key);
}

TEST_F(Registry, FileHasTheDocumentedLayoutAndPrivateModes) {
  ASSERT_EQ(setBytes(HKEY_CURRENT_USER, "", REG_SZ, std::string("r\0", 2)), 0);
  RegCloseKey(createKey(HKEY_CURRENT_USER, "Software\\Zeta"));
  RegCloseKey(createKey(HKEY_CURRENT_USER, "Software\\alpha\\Inner"));
  RegCloseKey(createKey(HKEY_CURRENT_USER, "SOFTWARE\\beta"));
  HKEY key = createKey(HKEY_CURRENT_USER, "software\\ALPHA");
  ASSERT_EQ(setBytes(key, "Name", REG_SZ, std::string("Cam\0", 4)), 0);
  ASSERT_EQ(setBytes(key, "Odd", REG_SZ, "AB"), 0);
  ASSERT_EQ(setBytes(key, "Flag", REG_DWORD, dword(1)), 0);
  ASSERT_EQ(setBytes(key, "Blob", REG_BINARY, std::string("\x00\xff", 2)), 0);
  ASSERT_EQ(setBytes(key, "Q", REG_QWORD, std::string("\x01\0\0\0\0\0\0\0", 8)), 0);
  ASSERT_EQ(setBytes(key, "Quote\"Back\\", REG_SZ, std::string("x\ny\0", 4)), 0);
  RegCloseKey(key);

  EXPECT_EQ(readFile(userFile()), "TARSELREG 1\n"
                                  "\n[]\n\"\"=\"r\"\n"
                                  "\n[Software]\n"
                                  "\n[Software\\alpha]\n"
                                  "\"Name\"=\"Cam\"\n"
                                  "\"Odd\"=hex(1):41,42\n"
                                  "\"Flag\"=dword:00000001\n"
                                  "\"Blob\"=hex:00,ff\n"
                                  "\"Q\"=hex(b):01,00,00,00,00,00,00,00\n"
                                  "\"Quote\\\"Back\\\\\"=\"x\\x0ay\"\n"
                                  "\n[Software\\alpha\\Inner]\n"
                                  "\n[Software\\beta]\n"
                                  "\n[Software\\Zeta]\n");
  struct stat st {};
  ASSERT_EQ(stat(userFolder().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_EQ(stat(userFile().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(Registry, CorruptLinesAreReportedAndKeptAndTheRestLoads) {
  ASSERT_EQ(mkdir(userFolder().c_str(), 0700), 0);
  writeFile(userFile(), "TARSELREG 1\n"
                        "[Good]\n"
                        "\"a\"=dword:00000001\n"
                        "\"b\"=\"unterminated\n"     // 4
                        "\"c\"=dword:123\n"          // 5
                        "\"d\"=hex:0g\n"             // 6
                        "\"e\"=\"bad \\q escape\"\n" // 7
                        "garbage line\n"             // 8
                        "\"f\"=hex(zz):00\n"         // 9
                        "\"g\"=hex:00,ff ; a comment\r\n"
                        "[Bad\\\\Empty]\n" // 11
                        "\"lost\"=dword:00000002\n"
                        "[Good\\Sub]\n"
                        "\"h\"=hex(7):61,00,00\n"
                        "  ; a comment line\n"
                        "\"i\"=\"x\" trailing\n" // 16
                        "[Unclosed\n"            // 17
                        "\"j\"=dword:00000003\n"
                        "[good]\n"
                        "\"A\"=dword:00000009\n"
                        "\"k\"=hex:\n");
  std::string hooked;
  setRegistryReportHook([&hooked](const std::string& text) { hooked += text; });
  testing::internal::CaptureStderr();
  HKEY key = nullptr;
  const LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, "Good", 0, KEY_ALL_ACCESS, &key);
  const std::string log = testing::internal::GetCapturedStderr();
  setRegistryReportHook(nullptr);
  ASSERT_EQ(rc, 0);
  EXPECT_EQ(hooked, log) << "the program's error log gets what stderr gets";
  for (const int line : {4, 5, 6, 7, 8, 9, 11, 16, 17})
    EXPECT_NE(log.find("user.reg:" + std::to_string(line) + ":"), std::string::npos) << line << "\n" << log;
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 9) << log;

  EXPECT_EQ(queryBytes(key, "a"), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(9)));
  EXPECT_EQ(queryBytes(key, "g"), std::make_pair(static_cast<DWORD>(REG_BINARY), std::string("\x00\xff", 2)));
  EXPECT_EQ(queryBytes(key, "k"), std::make_pair(static_cast<DWORD>(REG_BINARY), std::string()));
  for (const char* name : {"b", "c", "d", "e", "f", "j", "lost"})
    EXPECT_FALSE(queryBytes(key, name)) << name;
  char name[8];
  DWORD cch = sizeof name;
  EXPECT_EQ(RegEnumValueA(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_STREQ(name, "a") << "a value named twice keeps its first place";
  HKEY sub = nullptr;
  ASSERT_EQ(RegOpenKeyExA(key, "Sub", 0, KEY_READ, &sub), 0);
  EXPECT_EQ(queryBytes(sub, "h"), std::make_pair(static_cast<DWORD>(REG_MULTI_SZ), std::string("a\0\0", 3)));
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Bad", 0, KEY_READ, &sub), 2);

  // The write of an unrelated value keeps every comment and corrupt line, in
  // order; lines already reported are not reported again at each write.
  const std::string before = readFile(userFile());
  testing::internal::CaptureStderr();
  ASSERT_EQ(setBytes(key, "new", REG_DWORD, dword(4)), 0);
  ASSERT_EQ(setBytes(key, "new", REG_DWORD, dword(5)), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  const std::string after = readFile(userFile());
  std::size_t at = 0;
  for (const int line : {4, 5, 6, 7, 8, 9, 11, 12, 15, 16, 17, 18}) {
    std::size_t start = 0;
    for (int i = 1; i < line; ++i)
      start = before.find('\n', start) + 1;
    const std::string text = before.substr(start, before.find('\n', start) - start);
    at = after.find("\n" + text + "\n", at);
    ASSERT_NE(at, std::string::npos) << line << ": " << text << "\n" << after;
  }
  std::vector<RegistryParseIssue> issues;
  RegistryTextFormat::parse(after, &issues);
  EXPECT_EQ(issues.size(), 9u);
  EXPECT_EQ(queryBytes(key, "g"), std::make_pair(static_cast<DWORD>(REG_BINARY), std::string("\x00\xff", 2)));
  RegCloseKey(key);

  // Binary junk loads as whatever lines survive, without a crash.
  std::string junk;
  for (int i = 0; i < 4096; ++i)
    junk += static_cast<char>((i * 7919 + 13) & 0xFF);
  writeFile(userFile(), junk);
  testing::internal::CaptureStderr();
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "", 0, KEY_READ, &key), 0);
  testing::internal::GetCapturedStderr();
  RegCloseKey(key);
}

TEST_F(Registry, ChangesByAnotherProcessAreSeenByACachedReader) {
  HKEY key = createKey(HKEY_CURRENT_USER, "Shared");
  ASSERT_EQ(setBytes(key, "v", REG_DWORD, dword(1)), 0);
  EXPECT_EQ(queryBytes(key, "v"), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(1)));
  for (DWORD round = 2; round < 6; ++round) {
    ASSERT_EQ(runInChild([round] {
                return static_cast<int>(setBytes(HKEY_CURRENT_USER, "", REG_DWORD, dword(round)));
              }),
              0);
    ASSERT_EQ(runInChild([round] {
                HKEY k = nullptr;
                if (RegOpenKeyExA(HKEY_CURRENT_USER, "Shared", 0, KEY_SET_VALUE, &k) != 0)
                  return 1;
                return static_cast<int>(setBytes(k, "v", REG_DWORD, dword(round)));
              }),
              0);
    EXPECT_EQ(queryBytes(key, "v"), std::make_pair(static_cast<DWORD>(REG_DWORD), dword(round)));
  }
  RegCloseKey(key);
}

} // namespace

#include "RegistryTestHelpers.h"

#include <unistd.h>

using namespace tarsel::reg;
using namespace tarsel::reg::test;
using tarsel::test::ProcessResult;
using tarsel::test::runProgram;

namespace {

class RegistryCommand : public RegistryFixture {
protected:
  void SetUp() override {
    RegistryFixture::SetUp();
    m_program = tarsel::test::binDir() + "/tarselreg";
    if (access(m_program.c_str(), X_OK) != 0)
      GTEST_SKIP() << "tarselreg not built beside the tests (run through ctest)";
  }

  ProcessResult run(std::vector<std::string> args) {
    args.insert(args.begin(), m_program);
    return runProgram(args);
  }

  std::string m_program;
};

TEST_F(RegistryCommand, SetGetListExportAndDeleteRoundTrip) {
  const std::string key = "Software\\drevant\\Tarsel\\Options";
  struct Row {
    std::string name, type, value, shown;
  };
  const std::vector<Row> rows = {
      {"FilePrefix", "sz", "Cam \"1\"", "Cam \"1\"\n"},
      {"Path", "expand_sz", "%HOME%/x", "%HOME%/x\n"},
      {"BackgroundColor", "dword", "0xE6FFD7", "15138775\n"},
      {"NumDigitsInCounter", "dword", "4294967295", "4294967295\n"},
      {"Big", "qword", "18446744073709551615", "18446744073709551615\n"},
      {"Blob", "binary", "00,ff 7f:10", "00,ff,7f,10\n"},
      {"", "sz", "default", "default\n"},
  };
  for (const Row& row : rows)
    ASSERT_EQ(run({"set", key, row.name, row.type, row.value}).exitCode, 0) << row.name;
  ASSERT_EQ(run({"set", key + "\\SDK\\BRANTEL_SDK3.4", "List", "multi_sz", "one", "two"}).exitCode, 0);

  for (const Row& row : rows) {
    const ProcessResult got = run({"get", "software\\DREVANT\\tarsel\\options", row.name});
    EXPECT_EQ(got.exitCode, 0) << row.name;
    EXPECT_EQ(got.out, row.shown) << row.name;
  }
  EXPECT_EQ(run({"get", key + "\\sdk\\brantel_sdk3.4", "list"}).out, "one\ntwo\n");

  // The library reads what the program wrote.
  RegistryHive::resetForTests();
  HKEY handle = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle), 0);
  EXPECT_EQ(queryBytes(handle, "BackgroundColor"),
            std::make_pair(static_cast<DWORD>(REG_DWORD), std::string("\xd7\xff\xe6\x00", 4)));
  EXPECT_EQ(queryBytes(handle, "FilePrefix"),
            std::make_pair(static_cast<DWORD>(REG_SZ), std::string("Cam \"1\"\0", 8)));
  RegCloseKey(handle);

  ProcessResult listed = run({"list", key});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, "SDK\\\n"
                        "\"FilePrefix\"=\"Cam \\\"1\\\"\"\n"
                        "\"Path\"=hex(2):25,48,4f,4d,45,25,2f,78,00\n"
                        "\"BackgroundColor\"=dword:00e6ffd7\n"
                        "\"NumDigitsInCounter\"=dword:ffffffff\n"
                        "\"Big\"=hex(b):ff,ff,ff,ff,ff,ff,ff,ff\n"
                        "\"Blob\"=hex:00,ff,7f,10\n"
                        "\"\"=\"default\"\n");
  const ProcessResult exported = run({"export", key + "\\SDK"});
  EXPECT_EQ(exported.exitCode, 0);
  EXPECT_EQ(exported.out, "TARSELREG 1\n"
                          "\n[Software\\drevant\\Tarsel\\Options\\SDK]\n"
                          "\n[Software\\drevant\\Tarsel\\Options\\SDK\\BRANTEL_SDK3.4]\n"
                          "\"List\"=hex(7):6f,6e,65,00,74,77,6f,00,00\n");
  EXPECT_EQ(run({"export"}).out, tarsel::test::readFile(userFile()));

  EXPECT_EQ(run({"delete", key, "Blob"}).exitCode, 0);
  EXPECT_EQ(run({"get", key, "Blob"}).exitCode, 1);
  EXPECT_EQ(run({"delete", "Software\\drevant"}).exitCode, 0);
  EXPECT_EQ(run({"list", key}).exitCode, 1);
  EXPECT_EQ(run({"list", "Software"}).out, "");

  ASSERT_EQ(run({"--machine", "set", "Machine\\Key", "v", "dword", "7"}).exitCode, 0);
  EXPECT_EQ(run({"--machine", "get", "machine\\key", "v"}).out, "7\n");
  EXPECT_NE(tarsel::test::readFile(machineFile()).find("\"v\"=dword:00000007"), std::string::npos);
  EXPECT_EQ(run({"get", "Machine\\Key", "v"}).exitCode, 1) << "the user's hive is another file";
}

TEST_F(RegistryCommand, BadArgumentsGiveTheUsageAndExitCodeTwo) {
  const std::vector<std::vector<std::string>> rows = {
      {},
      {"--machine"},
      {"frobnicate", "K"},
      {"get"},
      {"get", "K", "n", "extra"},
      {"set", "K", "n", "dword"},
      {"set", "K", "n", "dword", "12x"},
      {"set", "K", "n", "dword", "-1"},
      {"set", "K", "n", "dword", "4294967296"},
      {"set", "K", "n", "qword", "0x"},
      {"set", "K", "n", "binary", "0"},
      {"set", "K", "n", "binary", "zz"},
      {"set", "K", "n", "text", "x"},
      {"set", "K", "n", "sz", "a", "b"},
      {"set", "K", "n", "multi_sz", "a", ""},
      {"delete"},
      {"delete", ""},
      {"list"},
      {"export", "a", "b"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(run(row).exitCode, 2) << (row.empty() ? std::string("(none)") : row[0]);
  EXPECT_EQ(access(userFile().c_str(), F_OK), -1) << "nothing was written";
  EXPECT_EQ(run({"set", "A\\\\B", "n", "dword", "1"}).exitCode, 1) << "87 from the registry";
}

} // namespace

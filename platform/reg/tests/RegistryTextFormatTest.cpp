#include "RegistryTestHelpers.h"

#include "platform/reg/RegistryTextFormat.h"

#include <optional>
#include <random>
#include <vector>

#include <unistd.h>

using namespace tarsel::reg;
using namespace tarsel::reg::test;

namespace {

struct DataRow {
  std::string line;
  std::optional<std::pair<DWORD, std::string>> expected; // none: the line is skipped
};

TEST(RegistryTextFormat, ParsesEveryDataFormAndSkipsBrokenLines) {
  const auto v = [](DWORD type, std::string data) {
    return std::make_optional(std::make_pair(type, std::move(data)));
  };
  const std::vector<DataRow> rows = {
      {"\"n\"=\"text\"", v(1, std::string("text\0", 5))},
      {"\"n\"=\"\"", v(1, std::string("\0", 1))},
      {"\"n\"=\"a\\\\b\\\"c\\x00\\xFF\"", v(1, std::string("a\\b\"c\0\xff\0", 8))},
      {"\"n\"=\"raw \xc3\xa9\"", v(1, std::string("raw \xc3\xa9\0", 7))},
      {"\"n\"=dword:0000002A", v(4, std::string("\x2a\0\0\0", 4))},
      {"\"n\"=dword:ffffffff", v(4, std::string("\xff\xff\xff\xff", 4))},
      {"\"n\"=hex:", v(3, "")},
      {"\"n\"=hex:00,Ff,7e", v(3, std::string("\x00\xff\x7e", 3))},
      {"\"n\"=hex(0):", v(0, "")},
      {"\"n\"=hex(b):01,02", v(11, "\x01\x02")},
      {"\"n\"=hex(FFFFFFFF):00", v(0xFFFFFFFF, std::string("\0", 1))},
      {"\"n\"=dword:00000001 ; note", v(4, std::string("\x01\0\0\0", 4))},
      {"\t \"n\"=hex:01\t \r", v(3, "\x01")},
      {"\"n\"=dword:1", std::nullopt},
      {"\"n\"=dword:000000001", std::nullopt},
      {"\"n\"=dword:0000000g", std::nullopt},
      {"\"n\"=hex:0", std::nullopt},
      {"\"n\"=hex:00,", std::nullopt},
      {"\"n\"=hex:00 01", std::nullopt},
      {"\"n\"=hex(123456789):00", std::nullopt},
      {"\"n\"=hex():00", std::nullopt},
      {"\"n\"=hex(1)00", std::nullopt},
      {"\"n\"=hex(1", std::nullopt},
      {"\"n\"=\"open", std::nullopt},
      {"\"n\"=\"bad \\x4\"", std::nullopt},
      {"\"n\"=\"tab\tinside\"", std::nullopt},
      {"\"n\"=\"x\" y", std::nullopt},
      {"\"n\"=", std::nullopt},
      {"\"n\" =dword:00000001", std::nullopt},
      {"\"n\"=word:00000001", std::nullopt},
      {"n=dword:00000001", std::nullopt},
      {"\"n", std::nullopt},
  };
  for (const DataRow& row : rows) {
    std::vector<RegistryParseIssue> issues;
    const RegistryKeyNode root = RegistryTextFormat::parse("TARSELREG 1\n[K]\n" + row.line + "\n", &issues);
    const RegistryKeyNode* key = root.findSubKey("k");
    ASSERT_NE(key, nullptr) << row.line;
    const RegistryValue* value = key->findValue("N");
    if (!row.expected) {
      EXPECT_EQ(value, nullptr) << row.line;
      ASSERT_EQ(issues.size(), 1u) << row.line;
      EXPECT_EQ(issues[0].line, 3u);
      continue;
    }
    EXPECT_TRUE(issues.empty()) << row.line;
    ASSERT_NE(value, nullptr) << row.line;
    EXPECT_EQ(value->type, row.expected->first) << row.line;
    EXPECT_EQ(value->data, row.expected->second) << row.line;
  }
}

TEST(RegistryTextFormat, KeyLinesDecodeEscapesAndRespectLimits) {
  std::vector<RegistryParseIssue> issues;
  const std::string tooLong(256, 'x');
  std::string tooDeep = "[a";
  for (int i = 0; i < 512; ++i)
    tooDeep += "\\a";
  std::string text = "TARSELREG 1\n"
                     "[A%25B\\C%5Dd\\%c3%A9]\n"
                     "[Only]ending]\n";
  text += "[" + tooLong + "]\n";
  text += tooDeep + "]\n";
  text += "[bad%zz]\n"
          "[A\\\\B]\n"
          "[\x01]\n"
          "[A%5CB]\n";
  const RegistryKeyNode root = RegistryTextFormat::parse(text, &issues);
  EXPECT_EQ(issues.size(), 6u);
  const RegistryKeyNode* deep = root.resolve({"a%b", "C]D", "\xc3\xa9"});
  ASSERT_NE(deep, nullptr);
  EXPECT_EQ(root.findSubKey("A%B")->subKeyAt(0).name(), "C]d");
  EXPECT_NE(root.findSubKey("Only]ending"), nullptr);
  EXPECT_EQ(root.subKeyCount(), 2u);
}

RegistryKeyNode randomTree(std::mt19937& random) {
  RegistryKeyNode root;
  const auto randomBytes = [&](std::size_t maxLength, bool allowEmpty) {
    std::string s;
    const std::size_t length = random() % (maxLength + 1);
    for (std::size_t i = 0; i < length; ++i) {
      // Mostly letters, now and then anything but a backslash.
      const auto r = static_cast<unsigned>(random() % 4 ? 'a' + random() % 26 : random() % 256);
      s += static_cast<char>(r == '\\' ? '/' : r);
    }
    if (s.empty() && !allowEmpty)
      s = "k";
    return s;
  };
  for (int k = 0; k < 40; ++k) {
    RegistryKeyNode* node = &root;
    const int depth = 1 + static_cast<int>(random() % 4);
    for (int d = 0; d < depth; ++d)
      node = &node->ensureSubKey(d == 0 ? std::string(1, static_cast<char>('a' + random() % 3))
                                        : randomBytes(6, false));
    const int values = static_cast<int>(random() % 4);
    for (int i = 0; i < values; ++i) {
      const DWORD types[] = {0, 1, 1, 2, 3, 4, 4, 7, 11, 0xABCDEF};
      const DWORD type = types[random() % 10];
      std::string data = randomBytes(12, true);
      if (type == 1 && random() % 2)
        data += '\0';
      if (type == 4 && random() % 3)
        data = std::string("\x01\x02\x03\x04", 4);
      node->setValue(randomBytes(8, true), type, data);
    }
  }
  return root;
}

TEST(RegistryTextFormat, WrittenTreesReadBackUnchanged) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 50; ++round) {
    const RegistryKeyNode tree = randomTree(random);
    const std::string text = RegistryTextFormat::write(tree);
    std::vector<RegistryParseIssue> issues;
    const RegistryKeyNode back = RegistryTextFormat::parse(text, &issues);
    ASSERT_TRUE(issues.empty()) << text;
    ASSERT_EQ(RegistryTextFormat::write(back), text);
    // Spot-check one value byte by byte, beyond the text comparison.
    const RegistryKeyNode* a = back.findSubKey("a");
    const RegistryKeyNode* original = tree.findSubKey("a");
    ASSERT_EQ(a == nullptr, original == nullptr);
    if (a && !original->values().empty()) {
      EXPECT_EQ(a->values()[0].data, original->values()[0].data);
      EXPECT_EQ(a->values()[0].type, original->values()[0].type);
    }
  }
}

TEST(RegistryTextFormat, AValueLineBeforeAnyKeyStaysOutsideTheRootAcrossRewrites) {
  const RegistryKeyNode first = RegistryTextFormat::parse("\"v\"=\"kept\"\n[]\n\"v\"=\"live\"\n");
  const std::string written = RegistryTextFormat::write(first);
  const RegistryKeyNode again = RegistryTextFormat::parse(written);
  ASSERT_EQ(1u, again.values().size());
  EXPECT_EQ(std::string("live\0", 5), again.values()[0].data);
  EXPECT_NE(std::string::npos, written.find("\"v\"=\"kept\""));
  EXPECT_EQ(written, RegistryTextFormat::write(again));
}

TEST(RegistryTextFormat, TruncatedOrMutatedInputNeverBreaksTheReader) {
  std::mt19937 random(7);
  const std::string text = RegistryTextFormat::write(randomTree(random));
  for (std::size_t cut = 0; cut <= text.size(); ++cut)
    RegistryTextFormat::parse(std::string_view(text).substr(0, cut));
  for (int round = 0; round < 2000; ++round) {
    std::string mutated = text;
    for (int flips = 0; flips < 3; ++flips)
      mutated[random() % mutated.size()] = static_cast<char>(random() % 256);
    std::vector<RegistryParseIssue> issues;
    const RegistryKeyNode tree = RegistryTextFormat::parse(mutated, &issues);
    // Whatever loaded, kept lines included, writes out as a file that reads
    // back to the same text: a rewrite loses nothing.
    const std::string written = RegistryTextFormat::write(tree);
    ASSERT_EQ(RegistryTextFormat::write(RegistryTextFormat::parse(written)), written);
  }
}

using RegistryTextOracle = RegistryFixture;

TEST_F(RegistryTextOracle, IndependentPythonReaderAgreesWithTheLibrary) {
  const std::string script = tarsel::test::testDataDir() + "/registry_text_oracle.py";
  if (access(script.c_str(), R_OK) != 0)
    GTEST_SKIP() << "oracle script not found (run through ctest)";
  if (tarsel::test::runProgram({"python3", "-c", "pass"}).exitCode != 0)
    GTEST_SKIP() << "python3 is not available";

  HKEY key = createKey(HKEY_CURRENT_USER, "Software\\drevant\\Tarsel\\Options");
  ASSERT_EQ(setBytes(key, "UseDeviceNotifications", REG_DWORD, std::string("\x01\0\0\0", 4)), 0);
  ASSERT_EQ(setBytes(key, "FilePrefix", REG_SZ, std::string("Cam \"1\" \\ \xc3\xa9\0", 13)), 0);
  ASSERT_EQ(setBytes(key, "TimeLapseStartTime", REG_BINARY, std::string(8, '\0')), 0);
  ASSERT_EQ(setBytes(key, "OddString", REG_SZ, "AB"), 0);
  ASSERT_EQ(setBytes(key, "", REG_EXPAND_SZ, std::string("%x%\0", 4)), 0);
  ASSERT_EQ(setBytes(key, "quote\"back\\nl\n%", 0x7F, std::string("\0\xff\n", 3)), 0);
  RegCloseKey(key);
  RegCloseKey(createKey(HKEY_CURRENT_USER, "Software\\drevant\\Tarsel\\Options\\Saver\\FTP [x]%;\xc3\xa9"));
  RegCloseKey(createKey(HKEY_CURRENT_USER, "Software\\drevant\\Tarsel\\Options\\SDK\\BRANTEL_SDK3.4"));
  RegCloseKey(createKey(HKEY_CURRENT_USER, "software\\Drevant\\a_b\\Z"));
  RegCloseKey(createKey(HKEY_CURRENT_USER, "SOFTWARE\\drevant\\A-B"));
  ASSERT_EQ(
      setBytes(HKEY_CURRENT_USER, "rootValue", REG_QWORD, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8)),
      0);

  const tarsel::test::ProcessResult oracle = tarsel::test::runProgram({"python3", script, userFile()});
  ASSERT_EQ(oracle.exitCode, 0) << "the oracle rejected the file:\n" << tarsel::test::readFile(userFile());
  EXPECT_EQ(oracle.out, dumpThroughApi(HKEY_CURRENT_USER));
}

} // namespace

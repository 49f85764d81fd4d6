#include "env/CommandLineCPFF.h"

#include "env/BrantelTakeError.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <type_traits>

using namespace tarsel::test;

// One reader owns its parse result; a copy would free it twice.
static_assert(!std::is_copy_constructible_v<CCommandLineCPFF>);
static_assert(!std::is_copy_assignable_v<CCommandLineCPFF>);

namespace {

class RecordingStorage : public ICaptureProfileStorage {
public:
  void SetData(const void* data, std::uint32_t length) override {
    ++calls;
    bytes.assign(static_cast<const char*>(data), length);
  }
  const void* GetData(std::uint32_t& length) const override {
    length = static_cast<std::uint32_t>(bytes.size());
    return bytes.data();
  }
  int calls = 0;
  std::string bytes;
};

class RefusingStorage : public ICaptureProfileStorage {
public:
  void SetData(const void*, std::uint32_t) override { throw _brantel_take_error(8); }
  const void* GetData(std::uint32_t& length) const override {
    length = 0;
    return nullptr;
  }
};

using Cameras = std::map<std::string, std::string>;

} // namespace

TEST(CommandLineCPFF, ParsesItemsAsTheArgumentSyntaxDescribes) {
  struct Row {
    const char* what;
    const char* text;
    std::string defaultFile;
    Cameras cameras;
  };
  const Row rows[] = {
      {"default, quoted absolute path, quoted expansion",
       R"(-CPFF=day.cpff/"/srv/profiles/night.cpff":"Cam B"/"%HOME%/x.cpff":"Cam A")",
       "day.cpff",
       {{"Cam B", "/srv/profiles/night.cpff"}, {"Cam A", "%HOME%/x.cpff"}}},
      {"slash switch", "/CPFF=a.cpff:X", "", {{"X", "a.cpff"}}},
      {"no switch character", "CPFF=a.cpff", "a.cpff", {}},
      {"first item for a camera wins",
       "-CPFF=a.cpff:X/b.cpff:X/c.cpff:Y",
       "",
       {{"X", "a.cpff"}, {"Y", "c.cpff"}}},
      {"first default wins", "-CPFF=a.cpff/b.cpff", "a.cpff", {}},
      {"doubled quote in a file", R"(-CPFF="a""b.cpff":X)", "", {{"X", "a\"b.cpff"}}},
      {"doubled quote in a camera", R"(-CPFF=a.cpff:"Cam ""Q""")", "", {{"Cam \"Q\"", "a.cpff"}}},
      {"quote in the middle of a part", R"(-CPFF=pro"file one".cpff)", "profile one.cpff", {}},
      {"unterminated quote runs to the end", R"(-CPFF="a b.cpff:X/y)", "a b.cpff:X/y", {}},
      {"blank ends the list", "-CPFF=a.cpff:X b.cpff:Y", "", {{"X", "a.cpff"}}},
      {"blank after a separator", "-CPFF=a.cpff:X/ b.cpff", "", {{"X", "a.cpff"}}},
      {"tab ends the list", "-CPFF=a.cpff\tb.cpff:Y", "a.cpff", {}},
      {"blank ends a camera name", "-CPFF=a.cpff:Cam B", "", {{"Cam", "a.cpff"}}},
      {"empty file part dropped", "-CPFF=:X/b.cpff", "b.cpff", {}},
      {"empty items dropped", "-CPFF=//a.cpff//", "a.cpff", {}},
      {"quoted empty file dropped", R"(-CPFF="":X/"")", "", {}},
      {"colon without a camera", "-CPFF=a.cpff:", "a.cpff", {}},
      {"lower-case switch", "-cpff=a.cpff", "", {}},
      {"two switch characters", "--CPFF=a.cpff", "", {}},
      {"nothing after the switch", "-CPFF=", "", {}},
      {"other switch", "-CPF=a.cpff", "", {}},
      {"later colons belong to the camera", "-CPFF=a.cpff:Cam:1:2", "", {{"Cam:1:2", "a.cpff"}}},
      {"slash and colon inside quotes",
       R"(-CPFF="/home/u/p:1.cpff":"A/B")",
       "",
       {{"A/B", "/home/u/p:1.cpff"}}},
      {"unquoted absolute path splits at every slash", "-CPFF=/home/u/p.cpff:X", "home", {{"X", "p.cpff"}}},
  };
  for (const auto& row : rows) {
    const CCommandLineCPFF reader(row.text);
    EXPECT_EQ(reader.DefaultFile(), row.defaultFile) << row.what;
    EXPECT_EQ(reader.Cameras(), row.cameras) << row.what;
  }
  const CCommandLineCPFF none(nullptr);
  EXPECT_TRUE(none.DefaultFile().empty());
  EXPECT_TRUE(none.Cameras().empty());
}

// The README's example, as the shell hands it over, maps the cameras it names.
TEST(CommandLineCPFF, ParsesTheReadmeExampleAsItReads) {
  std::ifstream readme(testDataDir() + "/../../README.md");
  ASSERT_TRUE(readme) << "README.md not found";
  std::string line, argument;
  while (std::getline(readme, line)) {
    const auto start = line.find("Tarsel '-CPFF=");
    if (start == std::string::npos)
      continue;
    const auto end = line.rfind('\'');
    argument = line.substr(start + 8, end - start - 8);
  }
  ASSERT_FALSE(argument.empty()) << "no -CPFF= example in README.md";
  const CCommandLineCPFF reader(argument.c_str());
  EXPECT_EQ(reader.DefaultFile(), "/home/ann/day.cpff");
  EXPECT_EQ(reader.Cameras(), (Cameras{{"Cam B", "/srv/profiles/night.cpff"}, {"Cam A", "%HOME%/x.cpff"}}));
}

TEST(CommandLineCPFF, DeliversTheExactBytesOfTheCamerasFileOrTheDefault) {
  TempDir dir;
  ScopedEnv home("HOME", dir.path());
  const std::string profile("CPFFv001\0\x01\xFF\r\nbinary\0", 20);
  writeFile(dir.file("x.cpff"), profile);
  writeFile(dir.file("day.cpff"), "default profile");
  std::filesystem::create_directory(dir.file("night.cpff"));

  const std::string text = R"(-CPFF="%HOME%/day.cpff"/"%HOME%/x.cpff":"Cam A"/"$HOME/night.cpff":"Cam B")";
  const CCommandLineCPFF reader(text.c_str());

  RecordingStorage a;
  EXPECT_TRUE(reader.GetCPFFBuffer(a, "Cam A"));
  EXPECT_EQ(a.calls, 1);
  EXPECT_EQ(a.bytes, profile);

  RecordingStorage other;
  EXPECT_TRUE(reader.GetCPFFBuffer(other, "Cam C"));
  EXPECT_EQ(other.bytes, "default profile");
  RecordingStorage noName;
  EXPECT_TRUE(reader.GetCPFFBuffer(noName, nullptr));
  EXPECT_EQ(noName.bytes, "default profile");

  // A folder is not a profile file.
  RecordingStorage folder;
  EXPECT_FALSE(reader.GetCPFFBuffer(folder, "Cam B"));
  EXPECT_EQ(folder.calls, 0);
}

TEST(CommandLineCPFF, ReportsEveryDeliveryFailureAsFalse) {
  TempDir dir;
  writeFile(dir.file("empty.cpff"), "");
  writeFile(dir.file("full.cpff"), "data");

  const std::string emptyText =
      "-CPFF=\"" + dir.file("empty.cpff") + "\":E/\"" + dir.file("missing.cpff") + "\":M";
  const CCommandLineCPFF reader(emptyText.c_str());

  RecordingStorage empty;
  EXPECT_TRUE(reader.GetCPFFBuffer(empty, "E"));
  EXPECT_EQ(empty.calls, 1);
  EXPECT_EQ(empty.bytes.size(), 0u);

  RecordingStorage missing;
  EXPECT_FALSE(reader.GetCPFFBuffer(missing, "M"));
  EXPECT_EQ(missing.calls, 0);

  // No item for the camera and no default.
  RecordingStorage absent;
  EXPECT_FALSE(reader.GetCPFFBuffer(absent, "Z"));
  EXPECT_EQ(absent.calls, 0);

  // A sparse 5 MiB file is refused by its size, never handed over.
  writeFile(dir.file("huge.cpff"), "");
  std::filesystem::resize_file(dir.file("huge.cpff"), 5u << 20);
  RecordingStorage huge;
  EXPECT_FALSE(
      CCommandLineCPFF(("-CPFF=\"" + dir.file("huge.cpff") + "\"").c_str()).GetCPFFBuffer(huge, "any"));
  EXPECT_EQ(huge.calls, 0);

  // A storage that cannot take the bytes.
  const std::string fullText = "-CPFF=\"" + dir.file("full.cpff") + "\"";
  RefusingStorage refusing;
  EXPECT_FALSE(CCommandLineCPFF(fullText.c_str()).GetCPFFBuffer(refusing, "any"));
}

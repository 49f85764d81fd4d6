#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using tarsel::test::readFile;
using tarsel::test::testDataDir;

namespace {

std::string cutLineEnds(std::string text) {
  while (text.size() > 1 && (text.back() == '\r' || text.back() == '\n'))
    text.pop_back();
  return text;
}

// catalogue.tsv: one row per catalogue row, "0xIIIIIIII<TAB>text", texts
// without their line ends.
std::map<std::uint32_t, std::string> readReference() {
  std::map<std::uint32_t, std::string> rows;
  std::istringstream in(readFile(testDataDir() + "/catalogue.tsv"));
  std::string line;
  while (std::getline(in, line)) {
    const auto tab = line.find('\t');
    if (tab == std::string::npos || line.compare(0, 2, "0x") != 0) {
      ADD_FAILURE() << "bad reference line: " << line;
      continue;
    }
    std::uint32_t id = 0;
    const auto [end, ec] = std::from_chars(line.data() + 2, line.data() + tab, id, 16);
    if (ec != std::errc() || end != line.data() + tab) {
      ADD_FAILURE() << "bad reference id: " << line;
      continue;
    }
    EXPECT_TRUE(rows.emplace(id, line.substr(tab + 1)).second) << "duplicate reference id " << line;
  }
  return rows;
}

// Registers a facility for the length of a scope.
class ScopedFacility {
public:
  ScopedFacility(unsigned long facility, const MessageTable& table) : m_facility(facility) {
    RegisterFacility(facility, table);
  }
  ~ScopedFacility() { UnregisterFacility(m_facility); }

private:
  unsigned long m_facility;
};

std::string facilityName(HRESULT code, unsigned long size = 64) {
  std::vector<char> buffer(size);
  unsigned long length = size;
  const unsigned long result = _brantel_take_error(code).FacilityMessage(buffer.data(), length);
  EXPECT_EQ(result, length);
  return std::string(buffer.data());
}

} // namespace

TEST(Catalogue, HoldsEveryReferenceRowAndNothingElse) {
  const auto reference = readReference();
  ASSERT_EQ(reference.size(), 168u);
  const MessageTable& table = TarselEnvMessageTable();
  ASSERT_EQ(table.count, 168u);

  std::set<std::uint32_t> seen;
  for (std::size_t i = 0; i < table.count; ++i) {
    const MessageTableRow& row = table.rows[i];
    SCOPED_TRACE(testing::Message() << std::hex << "0x" << row.id);
    EXPECT_TRUE(seen.insert(row.id).second) << "duplicate id";
    const auto expected = reference.find(row.id);
    ASSERT_NE(expected, reference.end()) << "id not in the reference";
    // Facility 0x101 is TarselEnv's own and carries the whole catalogue.
    const auto formatted = FormatFacilityMessage(0x101, row.id);
    ASSERT_TRUE(formatted.has_value());
    EXPECT_EQ(cutLineEnds(*formatted), expected->second);
  }
  for (const auto& [id, text] : reference)
    EXPECT_TRUE(seen.count(id)) << std::hex << "0x" << id << " missing: " << text;
}

TEST(Catalogue, TextsEndAsTheMessageCompilerKeepsThem) {
  const MessageTable& table = TarselEnvMessageTable();
  int names = 0;
  for (std::size_t i = 0; i < table.count; ++i) {
    const std::string text = table.rows[i].text;
    const std::uint32_t id = table.rows[i].id;
    SCOPED_TRACE(testing::Message() << std::hex << "0x" << id);
    const bool isName = (id & 0xFFFFu) == 0 && (id >> 16) >= 0x101 && (id >> 16) <= 0x107;
    const std::string body = text.substr(0, text.size() - 2);
    EXPECT_EQ(body.find_first_of("\r\n"), std::string::npos);
    if (isName) {
      ++names;
      if (id == 0x01050000)
        EXPECT_EQ(text, "TIFF\r\n");
      else
        EXPECT_EQ(text.substr(text.size() - 2), "%0");
      // "%0" gives the name without a line end.
      const auto formatted = FormatFacilityMessage(0x101, id);
      ASSERT_TRUE(formatted.has_value());
      EXPECT_EQ(*formatted, id == 0x01050000 ? "TIFF\r\n" : body);
    } else {
      EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
  }
  EXPECT_EQ(names, 7);

  EXPECT_STREQ(EnvString(1), "Unknown Error");
  EXPECT_STREQ(EnvString(2), "Unknown Facility");
  EXPECT_STREQ(EnvString(3), "Windows");
}

TEST(FacilityLookup, CodesReadTheTextOfTheirFacilityOrTheFallbacks) {
  const ScopedFacility tiff(0x105, TarselEnvMessageTable());
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81050001)).ErrorMessage(),
               "This is not TIFF format.");
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x81050001)), "TIFF");

  // An id the registered table lacks, and facilities nobody registered.
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81050099)).ErrorMessage(), "Unknown Error");
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x83000001)).ErrorMessage(), "Unknown Error");
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81060004)).ErrorMessage(), "Unknown Error");
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x83000001)), "Unknown Facility");
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x80120001)), "Windows");

  // A raw Win32 number reads the system's text.
  const auto system = SystemMessageText(5);
  ASSERT_TRUE(system.has_value());
  const _brantel_take_error denied(5);
  EXPECT_EQ(std::string(denied.ErrorMessage()), cutLineEnds(*system));
  EXPECT_STRNE(denied.ErrorMessage(), "Unknown Error");
  EXPECT_EQ(facilityName(5), "Windows");

  // TarselEnv answers for its own facility from load on.
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x81010001)), "Tarsel");
}

TEST(FacilityLookup, MessageIsCachedAndCopiesKeepItAfterUnregistering) {
  std::unique_ptr<_brantel_take_error> copy;
  {
    const ScopedFacility jpeg(0x106, TarselEnvMessageTable());
    const _brantel_take_error error(static_cast<HRESULT>(0x81060004), "x.jpg");
    EXPECT_STREQ(error.ErrorMessage(), "The parameter in JPEG file is incorrect. Image possibly corrupted.");
    copy = std::make_unique<_brantel_take_error>(error);
  }
  EXPECT_STREQ(copy->ErrorMessage(), "The parameter in JPEG file is incorrect. Image possibly corrupted.");
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81060004)).ErrorMessage(), "Unknown Error");

  // A cache filled before the facility went away stays filled.
  const _brantel_take_error early(static_cast<HRESULT>(0x81030013));
  {
    const ScopedFacility older(0x103, TarselEnvMessageTable());
    EXPECT_STREQ(early.ErrorMessage(), "User break.");
  }
  EXPECT_STREQ(early.ErrorMessage(), "User break.");
}

TEST(FacilityLookup, SecondRegistrationKeepsTheFirstTable) {
  const MessageTableRow first[] = {{0x81F10001, "first\r\n"}, {0x01F10000, "First%0"}};
  const MessageTableRow second[] = {{0x81F10001, "second\r\n"}, {0x01F10000, "Second%0"}};
  RegisterFacility(0x1F1, MessageTable{first, 2});
  RegisterFacility(0x1F1, MessageTable{second, 2});
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81F10001)).ErrorMessage(), "first");
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x81F10001)), "First");
  UnregisterFacility(0x1F1);
  UnregisterFacility(0x1F1);
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x81F10001)), "Unknown Facility");

  RegisterFacility(0x1F1, MessageTable{second, 2});
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81F10001)).ErrorMessage(), "second");
  UnregisterFacility(0x1F1);
}

TEST(FacilityLookup, RegistryKeepsItsOwnCopyOfTheTable) {
  // The registrant's table lives on the heap and is overwritten and freed
  // after registering, as a plug-in's would be when it is unloaded.
  auto texts = std::make_unique<std::vector<std::string>>(
      std::vector<std::string>{"Plug-in failed.\r\n", "Plug-in%0"});
  auto rows = std::make_unique<std::vector<MessageTableRow>>(
      std::vector<MessageTableRow>{{0x81F20007, (*texts)[0].c_str()}, {0x01F20000, (*texts)[1].c_str()}});
  RegisterFacility(0x1F2, MessageTable{rows->data(), rows->size()});
  for (auto& text : *texts)
    std::memset(text.data(), 'X', text.size());
  for (auto& row : *rows)
    row = MessageTableRow{0, nullptr};
  rows.reset();
  texts.reset();

  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81F20007)).ErrorMessage(), "Plug-in failed.");
  EXPECT_EQ(facilityName(static_cast<HRESULT>(0x81F20007)), "Plug-in");
  UnregisterFacility(0x1F2);
}

TEST(FacilityLookup, FormatterTreatsEscapesAsTheSystemFormatterDoes) {
  struct Row {
    std::uint32_t id;
    const char* text;
    const char* expected;
  };
  const Row rows[] = {
      {0x81F30001, "plain\r\n", "plain\r\n"},
      {0x81F30002, "name%0", "name"},
      {0x81F30003, "cut%0 here\r\n", "cut"},
      {0x81F30004, "100%% sure%.%!\r\n", "100% sure.!\r\n"},
      {0x81F30005, "line%nnext%0", "line\r\nnext"},
      {0x81F30006, "insert %1 and %2!d! stay\r\n", "insert %1 and %2!d! stay\r\n"},
      {0x81F30007, "unknown %q stays", "unknown %q stays"},
      {0x81F30008, "trailing %", "trailing %"},
      {0x81F30009, "", ""},
      {0x81F3000C, "first%r%rthird\r\n", "first\r\n\r\nthird\r\n"},
  };
  std::vector<MessageTableRow> table;
  for (const Row& row : rows)
    table.push_back({row.id, row.text});
  table.push_back({0x81F3000A, nullptr});
  const ScopedFacility scoped(0x1F3, MessageTable{table.data(), table.size()});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    const auto formatted = FormatFacilityMessage(0x1F3, row.id);
    ASSERT_TRUE(formatted.has_value());
    EXPECT_EQ(*formatted, row.expected);
  }
  EXPECT_EQ(FormatFacilityMessage(0x1F3, 0x81F3000A), std::optional<std::string>(""));
  EXPECT_FALSE(FormatFacilityMessage(0x1F3, 0x81F3000B).has_value());
  EXPECT_FALSE(FormatFacilityMessage(0x1F4, 0x81F40001).has_value());
}

TEST(FacilityLookup, LongTextsAreCutToTheFieldAndLineEndsRemoved) {
  const std::string longText = std::string(400, 'L') + "\r\n";
  const MessageTableRow rows[] = {
      {0x81F50001, longText.c_str()},
      {0x81F50002, "\r\n"},
      {0x81F50003, "two line ends\r\n\r\n\n"},
  };
  const ScopedFacility scoped(0x1F5, MessageTable{rows, 3});
  EXPECT_EQ(std::string(_brantel_take_error(static_cast<HRESULT>(0x81F50001)).ErrorMessage()),
            std::string(300, 'L'));
  // The first character is never cut.
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81F50002)).ErrorMessage(), "\r");
  EXPECT_STREQ(_brantel_take_error(static_cast<HRESULT>(0x81F50003)).ErrorMessage(), "two line ends");
}

TEST(FacilityLookup, FacilityNameFitsBuffersOfEveryLength) {
  const ScopedFacility tiff(0x105, TarselEnvMessageTable());
  struct Row {
    HRESULT code;
    unsigned long size;
    const char* expected;
  };
  // A table name may take size - 2 characters, a fallback name size - 1.
  const Row rows[] = {
      {static_cast<HRESULT>(0x81050001), 1, ""},
      {static_cast<HRESULT>(0x81050001), 2, ""},
      {static_cast<HRESULT>(0x81050001), 3, "T"},
      {static_cast<HRESULT>(0x81050001), 6, "TIFF"},
      {static_cast<HRESULT>(0x81050001), 7, "TIFF"},
      {static_cast<HRESULT>(0x80120001), 1, ""},
      {static_cast<HRESULT>(0x80120001), 2, "W"},
      {static_cast<HRESULT>(0x80120001), 8, "Windows"},
      {static_cast<HRESULT>(0x83000001), 8, "Unknown"},
      {static_cast<HRESULT>(0x83000001), 17, "Unknown Facility"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << std::hex << row.code << std::dec << " size " << row.size);
    // Exactly the given size on the heap, so an overrun shows under the address sanitizer.
    std::unique_ptr<char[]> buffer(new char[row.size]);
    std::memset(buffer.get(), '#', row.size);
    unsigned long length = row.size;
    const unsigned long result = _brantel_take_error(row.code).FacilityMessage(buffer.get(), length);
    EXPECT_EQ(std::string(buffer.get()), row.expected);
    EXPECT_EQ(length, std::strlen(row.expected));
    EXPECT_EQ(result, length);
  }

  // Length 0 writes nothing at all.
  char untouched[4] = {'#', '#', '#', '\0'};
  unsigned long length = 0;
  EXPECT_EQ(_brantel_take_error(static_cast<HRESULT>(0x81050001)).FacilityMessage(untouched, length), 0u);
  EXPECT_EQ(length, 0u);
  EXPECT_STREQ(untouched, "###");
}

TEST(FacilityLookup, RegisteringAndLookingUpFromManyThreadsIsSafe) {
  const MessageTableRow rows[] = {{0x81F60001, "Shared text.\r\n"}, {0x01F60000, "Shared%0"}};
  std::atomic<bool> stop{false};
  std::atomic<int> bad{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&] {
      while (!stop.load()) {
        RegisterFacility(0x1F6, MessageTable{rows, 2});
        UnregisterFacility(0x1F6);
      }
    });
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        const std::string text = _brantel_take_error(static_cast<HRESULT>(0x81F60001)).ErrorMessage();
        if (text != "Shared text." && text != "Unknown Error")
          ++bad;
      }
    });
  for (std::size_t t = 2; t < threads.size(); ++t)
    threads[t].join();
  stop = true;
  threads[0].join();
  threads[1].join();
  EXPECT_EQ(bad.load(), 0);
  UnregisterFacility(0x1F6);
}

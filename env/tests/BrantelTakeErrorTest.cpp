#include "env/BrantelTakeError.h"

#include "env/FacilityRegistry.h"
#include "env/FormatStdString.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// An error whose message is fixed, to order errors of one code by message.
class FixedMessageError : public _brantel_take_error {
public:
  FixedMessageError(HRESULT code, const char* message, const char* text)
      : _brantel_take_error(code, text), m_fixed(message) {}
  const char* ErrorMessage() const override { return m_fixed; }

private:
  const char* m_fixed;
};

} // namespace

TEST(BrantelTakeError, ExplanationIsCopiedAndCutAtThreeHundredCharacters) {
  struct Row {
    const char* name;
    std::string text;
    bool null;
    std::string expected;
  };
  const std::vector<Row> rows = {
      {"null", "", true, ""},
      {"empty", "", false, ""},
      {"short", "while saving", false, "while saving"},
      {"exactly 300", std::string(300, 'a'), false, std::string(300, 'a')},
      {"301", std::string(300, 'b') + "c", false, std::string(300, 'b')},
      {"very long", std::string(5000, 'd'), false, std::string(300, 'd')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const _brantel_take_error error(0x81020003, row.null ? nullptr : row.text.c_str());
    EXPECT_EQ(error.Error(), static_cast<HRESULT>(0x81020003));
    EXPECT_EQ(std::string(error.Explanation()), row.expected);
  }
}

TEST(BrantelTakeError, CopyAndAssignmentCarryCodeMessageAndExplanation) {
  RegisterFacility(0x102, TarselEnvMessageTable());
  const _brantel_take_error original(0x81020004, "queue of 20");
  const _brantel_take_error copied(original);
  UnregisterFacility(0x102);

  EXPECT_EQ(copied.Error(), static_cast<HRESULT>(0x81020004));
  EXPECT_STREQ(copied.ErrorMessage(), "Save queue is full. Some pictures will not be saved.");
  EXPECT_STREQ(copied.Explanation(), "queue of 20");

  _brantel_take_error assigned(5, "other");
  assigned = copied;
  EXPECT_EQ(assigned.Error(), static_cast<HRESULT>(0x81020004));
  EXPECT_STREQ(assigned.ErrorMessage(), "Save queue is full. Some pictures will not be saved.");
  EXPECT_STREQ(assigned.Explanation(), "queue of 20");

  _brantel_take_error& self = assigned;
  assigned = self;
  EXPECT_STREQ(assigned.Explanation(), "queue of 20");

  // A copy takes the message through the virtual call of the source.
  const FixedMessageError derived(0x81020005, "derived text", "why");
  const _brantel_take_error sliced(derived);
  EXPECT_STREQ(sliced.ErrorMessage(), "derived text");
  EXPECT_STREQ(sliced.Explanation(), "why");
}

TEST(BrantelTakeError, OrderingComparesCodeThenMessageThenExplanation) {
  struct Row {
    const char* name;
    FixedMessageError a;
    FixedMessageError b;
    bool aLess;
    bool bLess;
  };
  const std::vector<Row> rows = {
      {"codes compare signed", {static_cast<HRESULT>(0x81050001), "m", ""}, {5, "m", ""}, true, false},
      {"smaller code first", {2, "z", "z"}, {3, "a", "a"}, true, false},
      {"same code, message decides", {5, "abc", "z"}, {5, "abd", "a"}, true, false},
      {"same message, explanation decides", {5, "m", "a"}, {5, "m", "b"}, true, false},
      {"explanation bytes compare unsigned", {5, "m", "a"}, {5, "m", "\xC3\xA9"}, true, false},
      {"prefix is less", {5, "m", "ab"}, {5, "m", "abc"}, true, false},
      {"equal errors are not less", {5, "m", "x"}, {5, "m", "x"}, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.a < row.b, row.aLess);
    EXPECT_EQ(row.b < row.a, row.bLess);
  }
}

TEST(BrantelTakeError, ReportingSwitchNestsAndNeverGoesBelowZero) {
  const long before = _brantel_take_error::sm_N.load();
  while (_brantel_take_error::sm_N.load() > 0)
    _brantel_take_error::DoReporting(false);

  EXPECT_TRUE(_brantel_take_error::IsSilent());
  _brantel_take_error::DoReporting(false);
  EXPECT_EQ(_brantel_take_error::sm_N.load(), 0);
  _brantel_take_error::DoReporting(true);
  _brantel_take_error::DoReporting(true);
  _brantel_take_error::DoReporting(false);
  EXPECT_FALSE(_brantel_take_error::IsSilent());
  _brantel_take_error::DoReporting(false);
  EXPECT_TRUE(_brantel_take_error::IsSilent());

  // More "off" calls than "on" calls from many threads at once end at 0.
  for (int i = 0; i < 1000; ++i)
    _brantel_take_error::DoReporting(true);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([] {
      for (int i = 0; i < 250; ++i)
        _brantel_take_error::DoReporting(false);
    });
  for (auto& thread : threads)
    thread.join();
  EXPECT_EQ(_brantel_take_error::sm_N.load(), 0);

  for (long i = 0; i < before; ++i)
    _brantel_take_error::DoReporting(true);
}

TEST(BrantelTakeError, ThrowHelpersThrowTheValueTheyWereGiven) {
  try {
    ThrowError(static_cast<HRESULT>(0x81041001), "camera 2");
    ADD_FAILURE() << "ThrowError returned";
  } catch (const _brantel_take_error& e) {
    EXPECT_EQ(e.Error(), static_cast<HRESULT>(0x81041001));
    EXPECT_STREQ(e.Explanation(), "camera 2");
  }

  EXPECT_NO_THROW(ThrowIfFailed(0, "ok"));
  // Every nonzero value fails; positive Win32 numbers are thrown unchanged.
  for (const HRESULT value :
       {1, 5, 1223, 0xFFFF, 0x10005, static_cast<HRESULT>(0x80070005), static_cast<HRESULT>(0x81020002)}) {
    SCOPED_TRACE(value);
    try {
      ThrowIfFailed(value, "step");
      ADD_FAILURE() << "no throw";
    } catch (const _brantel_take_error& e) {
      EXPECT_EQ(e.Error(), value);
      EXPECT_STREQ(e.Explanation(), "step");
    }
  }

  SetLastError(183);
  EXPECT_NO_THROW(ThrowLastErrorIf(1, "fine"));
  try {
    ThrowLastErrorIf(0, "create folder");
    ADD_FAILURE() << "no throw";
  } catch (const _brantel_take_error& e) {
    EXPECT_EQ(e.Error(), 183);
    EXPECT_STREQ(e.Explanation(), "create folder");
  }
}

TEST(FormatStdString, FormatsIntoTheTextAndCutsAt3999Characters) {
  std::string out = "old contents";
  FormatStdString(out, "%s-%d-0x%08x", "cam", 42, 0x81020002u);
  EXPECT_EQ(out, "cam-42-0x81020002");

  out = "old contents";
  FormatStdString(out, nullptr);
  EXPECT_EQ(out, "");
  out = "old contents";
  FormatStdString(out, "%s", "");
  EXPECT_EQ(out, "");
  out = "old contents";
  // An empty format, with the warning about it silenced for this one call.
  const char* empty = "";
  FormatStdString(out, empty, 0);
  EXPECT_EQ(out, "");

  const std::string longText(5000, 'x');
  FormatStdString(out, "<%s>", longText.c_str());
  ASSERT_EQ(out.size(), 3999u);
  EXPECT_EQ(out[0], '<');
  EXPECT_EQ(out.back(), 'x');

  out = "abc";
  FormatStdString(out, "%s%s", out.c_str(), out.c_str());
  EXPECT_EQ(out, "abcabc");
}

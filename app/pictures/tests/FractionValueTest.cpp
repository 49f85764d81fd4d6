#include "app/pictures/FractionValue.h"
#include "app/pictures/TimedTakeError.h"

#include "CommaLocale.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

void expectRows() {
  const struct {
    const char* text;
    double expected;
  } rows[] = {
      {"1/250", 0.004}, {"2.8", 2.8},   {"1/0", -1.0},   {"/250", -1.0}, {"1/", -1.0},   {"abc", 0.0},
      {"", 0.0},        {"x", 0.0},     {"1/2.5", 0.4},  {"1\"", 1.0},   {"-0.3", -0.3}, {"+0.7", 0.7},
      {" 5.6", 5.6},    {"1//4", 0.25}, {"3/4/5", 0.75}, {"x/2", 0.0},   {"1/x", -1.0},  {nullptr, -1.0},
  };
  for (const auto& row : rows)
    EXPECT_DOUBLE_EQ(ParseFractionValue(row.text, -1.0), row.expected) << (row.text ? row.text : "(null)");
}

} // namespace

TEST(FractionValue, ParsesFractionsAndDecimalsWithFallback) {
  expectRows();
}

TEST(FractionValue, DecimalPointHoldsUnderACommaLocale) {
  const CommaLocale comma;
  if (!comma.active())
    GTEST_SKIP() << "no German locale here";
  // The C library now reads "2,8" and stops at "2.8"'s point.
  EXPECT_DOUBLE_EQ(std::strtod("2.8", nullptr), 2.0);
  expectRows();
}

TEST(TimedTakeError, CopiesKeepTheOriginalTimeAndTheTextsReadAsListed) {
  CTimedTakeError first(0x81050003);
  const std::int64_t stamped = first.Time();
  EXPECT_GT(stamped, 0);
  CTimedTakeError copy(first);
  EXPECT_EQ(std::int64_t(copy.Time()), stamped);
  EXPECT_EQ(copy.Error(), first.Error());

  CTimedTakeError later(5);
  later = first;
  EXPECT_EQ(std::int64_t(later.Time()), stamped);
  EXPECT_EQ(later.Error(), first.Error());
  CTimedTakeError& self = later;
  later = self;
  EXPECT_EQ(std::int64_t(later.Time()), stamped);

  std::string text;
  GetErrorCodeText(first, text);
  EXPECT_EQ(text, "0x81050003");
  GetExceptionText(first, text);
  EXPECT_EQ(text, first.ErrorMessage());
  GetErrorSourceText(first, text);
  char name[261] = {};
  unsigned long length = 260;
  first.FacilityMessage(name, length);
  EXPECT_EQ(text, name);
  first.GetTimeText(text);
  EXPECT_FALSE(text.empty());
}

#include "env/TarselFileTime.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <ctime>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace tarsel::test;

namespace {

constexpr std::int64_t kSecond = 10'000'000;
constexpr std::int64_t kHour = 3600 * kSecond;

// Asks the python oracle one question per line and returns its answers.
std::vector<std::string> askOracle(const std::vector<std::string>& questions) {
  std::string input;
  for (const auto& q : questions)
    input += q + "\n";
  const ProcessResult result = runProgram({"python3", testDataDir() + "/filetime_oracle.py"}, input);
  EXPECT_EQ(result.exitCode, 0) << result.out;
  std::vector<std::string> answers;
  std::istringstream lines(result.out);
  for (std::string line; std::getline(lines, line);)
    answers.push_back(line);
  EXPECT_EQ(answers.size(), questions.size()) << result.out;
  answers.resize(questions.size());
  return answers;
}

std::int64_t countOf(const TarselFileTime& t) {
  return static_cast<std::int64_t>(t);
}

std::string fieldsText(const SYSTEMTIME& st) {
  std::ostringstream s;
  s << st.wYear << ' ' << st.wMonth << ' ' << st.wDay << ' ' << st.wDayOfWeek << ' ' << st.wHour << ' '
    << st.wMinute << ' ' << st.wSecond << ' ' << st.wMilliseconds;
  return s.str();
}

SYSTEMTIME makeTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  SYSTEMTIME st;
  st.wYear = static_cast<WORD>(y);
  st.wMonth = static_cast<WORD>(mo);
  st.wDay = static_cast<WORD>(d);
  st.wHour = static_cast<WORD>(h);
  st.wMinute = static_cast<WORD>(mi);
  st.wSecond = static_cast<WORD>(s);
  st.wMilliseconds = static_cast<WORD>(ms);
  return st;
}

// Sets TZ for one scope and makes the C library read it, before and after.
class ScopedTimeZone {
public:
  explicit ScopedTimeZone(const std::optional<std::string>& zone) : m_env(std::in_place, "TZ", zone) {
    tzset();
  }
  ~ScopedTimeZone() {
    m_env.reset();
    tzset();
  }

private:
  std::optional<ScopedEnv> m_env;
};

} // namespace

TEST(FileTime, CalendarFieldsAndCountsAgreeWithAnIndependentCalendar) {
  const std::vector<SYSTEMTIME> rows = {
      makeTime(1601, 1, 1),
      makeTime(1970, 1, 1),
      makeTime(2038, 1, 19, 3, 14, 7, 999),
      makeTime(2000, 2, 29, 12, 0, 0, 1),
      makeTime(1900, 3, 1, 23, 59, 59, 500),
      makeTime(9999, 12, 31, 23, 59, 59, 999),
  };
  std::vector<std::string> questions;
  for (const auto& st : rows) {
    questions.push_back("count " + std::to_string(st.wYear) + " " + std::to_string(st.wMonth) + " " +
                        std::to_string(st.wDay) + " " + std::to_string(st.wHour) + " " +
                        std::to_string(st.wMinute) + " " + std::to_string(st.wSecond) + " " +
                        std::to_string(st.wMilliseconds));
  }
  const auto counts = askOracle(questions);

  std::vector<std::string> fieldQuestions;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const TarselFileTime t(rows[i]);
    EXPECT_EQ(std::to_string(countOf(t)), counts[i]) << "row " << i;
    fieldQuestions.push_back("fields " + counts[i]);
  }
  const auto fields = askOracle(fieldQuestions);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SYSTEMTIME back;
    TarselFileTime(rows[i]).GetSysTime(back, false);
    EXPECT_EQ(fieldsText(back), fields[i]) << "row " << i;
  }
  EXPECT_EQ(countOf(TarselFileTime(makeTime(1601, 1, 1))), 0);
  EXPECT_EQ(countOf(TarselFileTime(makeTime(1970, 1, 1))), 116444736000000000);
}

TEST(FileTime, OutOfRangeCalendarFieldsGiveZeroWithoutNormalising) {
  struct Row {
    const char* what;
    SYSTEMTIME st;
  };
  const Row rows[] = {
      {"month 13", makeTime(2024, 13, 1)},
      {"month 0", makeTime(2024, 0, 1)},
      {"day 32", makeTime(2024, 1, 32)},
      {"day 0", makeTime(2024, 1, 0)},
      {"31 April", makeTime(2024, 4, 31)},
      {"hour 24", makeTime(2024, 1, 1, 24)},
      {"minute 60", makeTime(2024, 1, 1, 0, 60)},
      {"second 60", makeTime(2024, 1, 1, 0, 0, 60)},
      {"millisecond 1000", makeTime(2024, 1, 1, 0, 0, 0, 1000)},
      {"29 Feb of 2023", makeTime(2023, 2, 29)},
      {"29 Feb of 1900", makeTime(1900, 2, 29)},
      {"year 1600", makeTime(1600, 12, 31, 23, 59, 59)},
      {"year 30828", makeTime(30828, 1, 1)},
  };
  for (const auto& row : rows) {
    const TarselFileTime t(row.st);
    EXPECT_EQ(countOf(t), 0) << row.what;
    EXPECT_FALSE(t.IsValid()) << row.what;
  }
  EXPECT_NE(countOf(TarselFileTime(makeTime(2024, 2, 29))), 0);
  EXPECT_NE(countOf(TarselFileTime(makeTime(2000, 2, 29))), 0);
  EXPECT_GT(countOf(TarselFileTime(makeTime(30827, 12, 31, 23, 59, 59, 999))), 0);
}

TEST(FileTime, CountsBeyondTheCalendarRangeGiveEmptyFields) {
  SYSTEMTIME st;
  TarselFileTime(std::int64_t{0x7FFFFFFFFFFFFFFF}).GetSysTime(st, false);
  EXPECT_EQ(fieldsText(st), "30828 9 14 4 2 48 5 477");
  TarselFileTime(std::int64_t{-1}).GetSysTime(st, false);
  EXPECT_EQ(fieldsText(st), "0 0 0 0 0 0 0 0");
}

TEST(FileTime, ArithmeticIsSixtyFourBitWithCarryAndUnsignedComparison) {
  FILETIME ft;
  ft.dwLowDateTime = 0xFFFFFFF0u;
  ft.dwHighDateTime = 7;
  const std::int64_t base = (std::int64_t{7} << 32) + 0xFFFFFFF0;

  EXPECT_EQ(countOf(TarselFileTime(ft, 1500)), base + 15000000);
  EXPECT_EQ(countOf(TarselFileTime(ft, -1)), base - 10000);

  TarselFileTime t(ft, 0);
  t += 0x10;
  EXPECT_EQ(t.fileTime().dwHighDateTime, 8u);
  EXPECT_EQ(t.fileTime().dwLowDateTime, 0u);
  t -= 1;
  EXPECT_EQ(countOf(t), base + 0xF);
  FILETIME step;
  step.dwHighDateTime = 1;
  t += step;
  EXPECT_EQ(countOf(t), base + 0xF + (std::int64_t{1} << 32));
  t -= step;
  EXPECT_EQ(countOf(t), base + 0xF);

  t = std::int64_t{42};
  EXPECT_EQ(countOf(t), 42);
  t = ft;
  EXPECT_EQ(countOf(t), base);
  TarselFileTime copy(std::int64_t{5});
  copy = copy;
  EXPECT_EQ(countOf(copy), 5);
  EXPECT_EQ(&t, &t.fileTime());

  // Counts are unsigned: the top bit makes a value larger, not negative.
  const TarselFileTime high(std::int64_t{-1});
  const TarselFileTime one(std::int64_t{1});
  EXPECT_TRUE(high > one.fileTime());
  EXPECT_TRUE(one < high.fileTime());
  EXPECT_TRUE(one <= one.fileTime());
  EXPECT_TRUE(one >= one.fileTime());
  EXPECT_TRUE(one == one.fileTime());
  EXPECT_TRUE(one != high.fileTime());
  EXPECT_FALSE(one > one.fileTime());
  EXPECT_EQ(CompareFileTime(high.fileTime(), one.fileTime()), 1);
  EXPECT_EQ(CompareFileTime(one.fileTime(), high.fileTime()), -1);
  EXPECT_EQ(CompareFileTime(one.fileTime(), one.fileTime()), 0);
}

TEST(FileTime, IsValidRejectsZeroAndAllBitsSet) {
  EXPECT_FALSE(TarselFileTime(std::int64_t{0}).IsValid());
  EXPECT_FALSE(TarselFileTime(std::int64_t{-1}).IsValid());
  EXPECT_TRUE(TarselFileTime(std::int64_t{1}).IsValid());
}

TEST(FileTime, CurrentTimeComesFromTheClockAndShiftsByTheLocalOffset) {
  ScopedTimeZone zone(std::string("UTC-3"));
  timespec before{};
  clock_gettime(CLOCK_REALTIME, &before);
  const TarselFileTime utc(false);
  const TarselFileTime local(true);
  timespec after{};
  clock_gettime(CLOCK_REALTIME, &after);

  const std::int64_t epoch = 116444736000000000;
  const std::int64_t low = epoch + before.tv_sec * kSecond + before.tv_nsec / 100;
  const std::int64_t high = epoch + after.tv_sec * kSecond + after.tv_nsec / 100;
  EXPECT_GE(countOf(utc), low);
  EXPECT_LE(countOf(utc), high);
  EXPECT_GE(countOf(local), low + 3 * kHour);
  EXPECT_LE(countOf(local), high + 3 * kHour);
}

TEST(FileTime, LocalAndUniversalConversionsFollowTheRulesInForceAtThatDate) {
  ScopedTimeZone zone(std::string("Europe/Berlin"));
  const std::int64_t march = countOf(TarselFileTime(makeTime(2024, 3, 31, 1, 0, 0)));
  const std::int64_t october = countOf(TarselFileTime(makeTime(2024, 10, 27, 1, 0, 0)));
  // UTC instants on both sides of both changes, and other eras.
  const std::vector<std::int64_t> instants = {
      march - kHour,
      march - 1,
      march,
      march + kHour + 1234567,
      october - 2 * kHour,
      october - 1,
      october,
      october + 3 * kHour,
      countOf(TarselFileTime(makeTime(1970, 1, 1))),
      countOf(TarselFileTime(makeTime(2038, 1, 19, 3, 14, 8))),
      countOf(TarselFileTime(makeTime(1601, 1, 2))),
      countOf(TarselFileTime(makeTime(9999, 12, 30))),
  };
  std::vector<std::string> questions;
  for (const auto c : instants)
    questions.push_back("tolocal Europe/Berlin " + std::to_string(c));
  const auto locals = askOracle(questions);

  std::vector<std::string> back;
  for (std::size_t i = 0; i < instants.size(); ++i) {
    FILETIME local;
    TarselFileTime(instants[i]).GetLocalTime(local);
    std::int64_t got =
        static_cast<std::int64_t>((std::uint64_t{local.dwHighDateTime} << 32) | local.dwLowDateTime);
    EXPECT_EQ(std::to_string(got), locals[i]) << "instant " << i;
    back.push_back("toutc Europe/Berlin " + locals[i]);
  }
  const auto utcs = askOracle(back);
  for (std::size_t i = 0; i < instants.size(); ++i) {
    FILETIME utc;
    TarselFileTime(static_cast<std::int64_t>(std::stoll(locals[i]))).GetUniversalTime(utc);
    const auto got = static_cast<std::int64_t>((std::uint64_t{utc.dwHighDateTime} << 32) | utc.dwLowDateTime);
    // A local time inside the autumn overlap names its first occurrence,
    // whichever side the oracle chooses.
    if (instants[i] == october) {
      EXPECT_EQ(got, october - kHour);
      continue;
    }
    if (instants[i] != october - 1) {
      EXPECT_EQ(std::to_string(got), utcs[i]) << "instant " << i;
    }
    EXPECT_EQ(got, instants[i]) << "instant " << i;
  }

  // 02:30 on the autumn change occurs twice; it names the first occurrence
  // (00:30 UTC) whether a winter or a summer time was converted just before.
  // 02:30 on the spring change does not occur; it names the change (01:00 UTC).
  const auto toUtc = [](const SYSTEMTIME& local) {
    FILETIME utc;
    TarselFileTime(countOf(TarselFileTime(local))).GetUniversalTime(utc);
    return static_cast<std::int64_t>((std::uint64_t{utc.dwHighDateTime} << 32) | utc.dwLowDateTime);
  };
  for (const SYSTEMTIME& before : {makeTime(2024, 12, 1, 12, 0, 0), makeTime(2024, 7, 1, 12, 0, 0)}) {
    toUtc(before);
    EXPECT_EQ(toUtc(makeTime(2024, 10, 27, 2, 30, 0)),
              countOf(TarselFileTime(makeTime(2024, 10, 27, 0, 30, 0))));
    EXPECT_EQ(toUtc(makeTime(2024, 3, 31, 2, 30, 0)), march);
  }

  // Summer and winter dates use their own offsets, not today's.
  SYSTEMTIME st;
  TarselFileTime(countOf(TarselFileTime(makeTime(2024, 7, 1, 12, 0, 0)))).GetSysTime(st, true);
  EXPECT_EQ(st.wHour, 14);
  TarselFileTime(countOf(TarselFileTime(makeTime(2024, 1, 1, 12, 0, 0)))).GetSysTime(st, true);
  EXPECT_EQ(st.wHour, 13);
}

TEST(FileTime, GetStringReportsTheNeededSizeThenWritesTheText) {
  ScopedTimeZone zone(std::string("UTC"));
  ScopedEnv lcAll("LC_ALL", std::string("C.UTF-8"));
  const TarselFileTime t(makeTime(2024, 3, 5, 7, 8, 9, 999));

  char small[5] = {'x', 'x', 'x', 'x', 'x'};
  unsigned long length = sizeof small;
  EXPECT_EQ(t.GetString(small, length, false), 122u);
  EXPECT_EQ(length, 22u);
  EXPECT_EQ(std::string(small, 5), "xxxxx");

  std::vector<char> buffer(length, 'x');
  EXPECT_EQ(t.GetString(buffer.data(), length, false), 0u);
  EXPECT_EQ(length, 22u);
  EXPECT_EQ(std::string(buffer.data()), "03/05/2024   07:08:09");

  unsigned long probe = 100;
  EXPECT_EQ(t.GetString(nullptr, probe, false), 122u);
  EXPECT_EQ(probe, 22u);
}

TEST(FileTime, GetStringUsesFourDigitYearsInTheCLocalesAndConvertsToLocalTime) {
  ScopedTimeZone zone(std::string("Europe/Berlin"));
  const TarselFileTime t(makeTime(1999, 12, 31, 23, 30, 0));
  for (const char* name : {"C", "POSIX", "C.UTF-8"}) {
    ScopedEnv lcAll("LC_ALL", std::string(name));
    char buffer[64];
    unsigned long length = sizeof buffer;
    ASSERT_EQ(t.GetString(buffer, length, false), 0u) << name;
    EXPECT_EQ(std::string(buffer), "12/31/1999   23:30:00") << name;
    length = sizeof buffer;
    ASSERT_EQ(t.GetString(buffer, length, true), 0u) << name;
    EXPECT_EQ(std::string(buffer), "01/01/2000   00:30:00") << name;
  }
}

// Camera workers stamp log entries and error records at the same time: the
// local-time conversions must not race on the C library's time-zone state.
TEST(FileTime, LocalConversionsFromSeveralThreadsAtOnceAgree) {
  const TarselFileTime utc(static_cast<std::int64_t>(133000000000000000LL));
  FILETIME expected{};
  utc.GetLocalTime(expected);
  std::vector<std::thread> threads;
  std::vector<int> mismatches(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        FILETIME local{};
        utc.GetLocalTime(local);
        FILETIME back{};
        TarselFileTime(local, 0).GetUniversalTime(back);
        const TarselFileTime now(true);
        if (local.dwLowDateTime != expected.dwLowDateTime ||
            local.dwHighDateTime != expected.dwHighDateTime || !now.IsValid())
          ++mismatches[t];
      }
    });
  }
  for (auto& thread : threads)
    thread.join();
  for (int count : mismatches)
    EXPECT_EQ(count, 0);
}

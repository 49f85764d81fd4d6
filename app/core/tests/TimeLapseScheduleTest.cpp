// The time-lapse schedule reader over byte sources: line ends, comments,
// "+N" steps, absolute and today's times, lines that are too long, hold no
// time or junk after it (reported by number and skipped, the number of such
// lines bounded), a wall time a daylight-saving change skips or repeats, a
// file too large to be read, and a source that is never asked again once it has ended.
#include "app/core/TimeLapseSchedule.h"

#include "env/TarselFileTime.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

namespace {

constexpr std::int64_t kSecond = 10'000'000;

// The UTC count of the fields.
std::int64_t utc(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::int64_t>(
      TarselFileTime(tarsel::core::CalendarTime(year, month, day, hour, minute, second)));
}

// A source that hands out the text `chunk` bytes at a time and counts the
// calls made after it said it had ended.
struct TextSource {
  std::string text;
  std::size_t chunk = 4096;
  std::size_t pos = 0;
  int afterEnd = 0;
  bool ended = false;

  CTimeLapseSchedule::Source source() {
    return [this](char* buffer, std::size_t size) -> std::size_t {
      if (ended)
        ++afterEnd;
      const std::size_t n = std::min({chunk, size, text.size() - pos});
      std::memcpy(buffer, text.data() + pos, n);
      pos += n;
      ended = ended || n == 0;
      return n;
    };
  }
};

} // namespace

TEST(TimeLapseSchedule, ReadsEveryLineFormSkipsBadLinesByNumberAndStopsAtTheEnd) {
  // Local time is UTC; the zone's rules are the frame's schedule test.
  const tarsel::test::ScopedEnv zone("TZ", "UTC");
  const std::int64_t now = utc(2026, 6, 1, 12, 0, 0);
  const std::string text = std::string("; comment\r\n") + "\r\n" + std::string(300, '7') + "\r\n" +
                           "11:00:00\r\n"         // today, but passed: skipped silently
                           "hello\n"              // line 5: no time
                           "25:00:00\n"           // line 6: out of range
                           "+\r\n"                // line 7: no number
                           "13:30:00\n"           // today, due
                           "+10\r\n"              // 10 s after it
                           "+0\n"                 // due at once
                           "2026-06-02 08:15:30"; // the last line, without its end
  for (std::size_t chunk : {std::size_t{4096}, std::size_t{1}, std::size_t{7}}) {
    SCOPED_TRACE(chunk);
    TextSource input{text, chunk};
    CTimeLapseSchedule schedule(input.source(), "times.txt");
    std::vector<CTimeLapseSchedule::Problem> problems;
    std::int64_t next = 0;
    ASSERT_TRUE(schedule.NextDue(next, now, problems));
    EXPECT_EQ(next, utc(2026, 6, 1, 13, 30, 0));
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].line, 3u);
    EXPECT_EQ(problems[0].text, "Line 3 of times.txt is longer than 259 characters.");
    EXPECT_EQ(problems[1].line, 5u);
    EXPECT_NE(problems[1].text.find("\"hello\""), std::string::npos) << problems[1].text;
    EXPECT_EQ(problems[2].line, 6u);
    EXPECT_EQ(problems[3].line, 7u);
    problems.clear();
    ASSERT_TRUE(schedule.NextDue(next, now, problems));
    EXPECT_EQ(next, utc(2026, 6, 1, 13, 30, 10));
    ASSERT_TRUE(schedule.NextDue(next, next, problems));
    EXPECT_EQ(next, utc(2026, 6, 1, 13, 30, 10));
    ASSERT_TRUE(schedule.NextDue(next, now, problems));
    EXPECT_EQ(next, utc(2026, 6, 2, 8, 15, 30));
    EXPECT_FALSE(schedule.NextDue(next, now, problems));
    EXPECT_FALSE(schedule.NextDue(next, now, problems));
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(input.afterEnd, 0);
  }

  // "+N" lines add up from the previous time; those already passed are
  // skipped with their seconds kept; a line of exactly 259 characters is no problem.
  TextSource steps{"+5\n+5\n;" + std::string(258, 'x') + "\r\n+5\n"};
  CTimeLapseSchedule schedule(steps.source(), "steps.txt");
  std::vector<CTimeLapseSchedule::Problem> problems;
  std::int64_t next = now;
  ASSERT_TRUE(schedule.NextDue(next, now + 7 * kSecond, problems));
  EXPECT_EQ(next, now + 10 * kSecond);
  ASSERT_TRUE(schedule.NextDue(next, now + 10 * kSecond, problems));
  EXPECT_EQ(next, now + 15 * kSecond);
  EXPECT_TRUE(problems.empty());
}

TEST(TimeLapseSchedule, RefusesJunkAfterATimeKeepsTheLineAfterASkippedWallTimeAndBoundsItsProblems) {
  const tarsel::test::ScopedEnv zone("TZ", "Europe/Berlin");
  // Summer time begins at 02:00 CET on 29 March 2026 (01:00 UTC).
  const std::int64_t now = utc(2026, 3, 29, 0, 0, 0);
  TextSource input{"12:00:00xyz\n+0+\n+5 s\n2026-03-29 02:30:00x\n" // lines 1-4: junk after them
                   "2026-03-29 02:30:00 \n2026-03-29 03:15:00\n"    // a skipped wall time, then 03:15
                   "2026-03-29 00:30:00\n+0\n+1\n+0\n"};            // a past time and steps after it
  CTimeLapseSchedule schedule(input.source(), "times.txt");
  std::vector<CTimeLapseSchedule::Problem> problems;
  std::int64_t next = 0;
  ASSERT_TRUE(schedule.NextDue(next, now, problems));
  EXPECT_EQ(next, utc(2026, 3, 29, 1, 0, 0)); // the moment of the change
  ASSERT_EQ(problems.size(), 4u);
  EXPECT_EQ(problems[3].line, 4u);
  // Read after that picture was taken: 03:15 summer time is still ahead.
  ASSERT_TRUE(schedule.NextDue(next, next + kSecond, problems));
  EXPECT_EQ(next, utc(2026, 3, 29, 1, 15, 0));
  // 00:30 local has passed, so has the second after it, and "+0" repeats no
  // skipped time; the schedule ends.
  EXPECT_FALSE(schedule.NextDue(next, next + kSecond, problems));
  EXPECT_EQ(problems.size(), 4u);

  // Bad lines beyond the first hundred are counted in one last row.
  std::string bad;
  for (int i = 0; i < 250; ++i)
    bad += "x\n";
  TextSource many{bad + "+1\n" + bad};
  CTimeLapseSchedule long_(many.source(), "bad.txt");
  problems.clear();
  next = 0;
  ASSERT_TRUE(long_.NextDue(next, now, problems));
  EXPECT_EQ(problems.size(), CTimeLapseSchedule::kMaxProblems);
  EXPECT_FALSE(long_.NextDue(next, now, problems));
  ASSERT_EQ(problems.size(), CTimeLapseSchedule::kMaxProblems + 1);
  EXPECT_EQ(problems.back().line, 501u);
  EXPECT_EQ(problems.back().text, "400 more lines of bad.txt were skipped, the last one line 501.");

  // A file above the limit is refused when opened.
  tarsel::test::TempDir folder;
  const std::string path = folder.file("large.txt");
  tarsel::test::writeFile(path, "+1\n");
  ASSERT_EQ(::truncate(path.c_str(), CTimeLapseSchedule::kMaxFileSize + 1), 0);
  int error = 0;
  EXPECT_EQ(CTimeLapseSchedule::OpenFile(path, error), nullptr);
  EXPECT_EQ(error, EFBIG);
  ASSERT_EQ(::truncate(path.c_str(), CTimeLapseSchedule::kMaxFileSize), 0);
  EXPECT_NE(CTimeLapseSchedule::OpenFile(path, error), nullptr);
}

TEST(TimeLapseSchedule, TakesAWallTimeThatOccursTwiceAsItsFirstOccurrenceWhateverCameBefore) {
  const tarsel::test::ScopedEnv zone("TZ", "Europe/Berlin");
  // Summer time ends at 03:00 CEST on 25 October 2026 (01:00 UTC): 02:30
  // local is 00:30 UTC and again 01:30 UTC.
  const std::int64_t now = utc(2026, 6, 1, 0, 0, 0);
  const std::int64_t first = utc(2026, 10, 25, 0, 30, 0);
  for (const char* before : {"", "2026-12-01 12:00:00\n", "2026-07-01 12:00:00\n", "2026-10-25 02:30:00\n"}) {
    SCOPED_TRACE(before);
    TextSource input{std::string(before) + "2026-10-25 02:30:00\n+60\n"};
    CTimeLapseSchedule schedule(input.source(), "autumn.txt");
    std::vector<CTimeLapseSchedule::Problem> problems;
    std::int64_t next = 0;
    if (*before) {
      ASSERT_TRUE(schedule.NextDue(next, now, problems));
    }
    ASSERT_TRUE(schedule.NextDue(next, now, problems));
    EXPECT_EQ(next, first);
    ASSERT_TRUE(schedule.NextDue(next, now, problems));
    EXPECT_EQ(next, first + 60 * kSecond);
    EXPECT_TRUE(problems.empty());
  }
}

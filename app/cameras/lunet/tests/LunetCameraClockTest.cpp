// The camera clock's conversion between the control's local date and the
// family's UTC file time, under a zone with daylight saving, against
// python's datetime with the system's zone rules.
#include "app/cameras/lunet/LunetCameraClock.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <sstream>

namespace {

constexpr std::int64_t kFileEpochSeconds = 11644473600;

FILETIME fileTimeOf(std::int64_t unixSeconds) {
  const auto units = static_cast<std::uint64_t>(unixSeconds + kFileEpochSeconds) * 10000000u;
  return FILETIME{static_cast<DWORD>(units & 0xFFFFFFFFu), static_cast<DWORD>(units >> 32)};
}

std::int64_t unixSecondsOf(const FILETIME& time) {
  const std::uint64_t units = (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return static_cast<std::int64_t>(units / 10000000u) - kFileEpochSeconds;
}

} // namespace

TEST(LunetCameraClock, LocalDatesFollowTheZoneRulesOfTheirOwnDay) {
  const tarsel::test::ScopedEnv zone("TZ", "Europe/Berlin");
  tzset();
  // Around the spring and autumn changes of 2026, and a winter and summer day.
  const std::int64_t times[] = {1774744200, 1774747800, 1792886399, 1792897200, 1767225600, 1783000000};
  std::string argv = "import sys, datetime, zoneinfo\n"
                     "z = zoneinfo.ZoneInfo('Europe/Berlin'); base = datetime.datetime(1899, 12, 30)\n"
                     "for t in sys.argv[1:]:\n"
                     "    local = datetime.datetime.fromtimestamp(int(t), z).replace(tzinfo=None)\n"
                     "    print(repr((local - base) / datetime.timedelta(days=1)))\n";
  std::vector<std::string> command{"python3", "-c", argv};
  for (const std::int64_t t : times)
    command.push_back(std::to_string(t));
  const tarsel::test::ProcessResult oracle = tarsel::test::runProgram(command);
  ASSERT_EQ(oracle.exitCode, 0);
  std::istringstream lines(oracle.out);
  for (const std::int64_t t : times) {
    double expected = 0;
    lines >> expected;
    double date = 0;
    ASSERT_TRUE(tarsel::lunet::FileTimeToCameraDate(fileTimeOf(t), &date)) << t;
    EXPECT_NEAR(date, expected, 0.5 / 86400) << t;
    FILETIME back{};
    ASSERT_TRUE(tarsel::lunet::CameraDateToFileTime(expected, &back)) << t;
    EXPECT_EQ(unixSecondsOf(back), t);
  }
  // Dates with no file time, and a date before the automation epoch.
  FILETIME none{1, 1};
  EXPECT_FALSE(tarsel::lunet::CameraDateToFileTime(std::nan(""), &none));
  EXPECT_FALSE(tarsel::lunet::CameraDateToFileTime(-200000.0, &none));
  double date = 0;
  EXPECT_TRUE(tarsel::lunet::FileTimeToCameraDate(fileTimeOf(-2209230000), &date));
  EXPECT_NEAR(date, -1.25, 1e-9);
}

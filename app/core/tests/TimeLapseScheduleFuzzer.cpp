// Fuzz target of the time-lapse schedule reader: any bytes as a schedule,
// handed out in pieces of every size, read to the end, in a zone with
// daylight-saving changes.
#include "app/core/TimeLapseSchedule.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool zoned = ::setenv("TZ", "Europe/Berlin", 1) == 0;
  if (size == 0 || !zoned)
    return 0;
  // The first byte chooses the size of the pieces the source hands out.
  const std::size_t piece = data[0] % 64 + 1;
  std::size_t pos = 1;
  bool ended = false;
  CTimeLapseSchedule schedule(
      [&](char* buffer, std::size_t room) -> std::size_t {
        // Never asked again once it has said it ended.
        if (ended)
          std::abort();
        const std::size_t n = std::min({piece, room, size - pos});
        std::memcpy(buffer, data + pos, n);
        pos += n;
        ended = n == 0;
        return n;
      },
      "fuzz.txt");
  std::vector<CTimeLapseSchedule::Problem> problems;
  std::int64_t next = 0;
  const std::int64_t now = 134'000'000'000'000'000;
  unsigned lastLine = 0;
  for (std::size_t reads = 0; schedule.NextDue(next, now, problems); ++reads) {
    // A due time lies after now, or is now for a "+0" that repeats a due
    // time or starts at now; a "+0" after a past time is not due. Each line
    // is read once.
    if (next < now || reads > size)
      std::abort();
  }
  // The problems listed one by one, and one row for those beyond.
  if (problems.size() > CTimeLapseSchedule::kMaxProblems + 1)
    std::abort();
  for (const CTimeLapseSchedule::Problem& problem : problems) {
    if (problem.line <= lastLine || problem.text.size() > 300)
      std::abort();
    lastLine = problem.line;
  }
  return 0;
}

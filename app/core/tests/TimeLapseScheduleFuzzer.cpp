// Fuzz target of the time-lapse schedule reader: any bytes as a schedule, in
// a zone with daylight-saving changes, read twice: handed out whole, and in
// pieces whose sizes the input's first bytes choose. Both reads must give the
// same due times and the same problems: where the source cuts the bytes
// never changes what the schedule says. Besides, a due
// time is never before now, each line gives at most one due time or one
// problem, problems come in line order and name lines the input has, and the
// source is never asked again once it has said it ended.
#include "app/core/TimeLapseSchedule.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr std::int64_t kNow = 134'000'000'000'000'000;

struct Read {
  std::vector<std::int64_t> due;
  std::vector<CTimeLapseSchedule::Problem> problems;
};

// Reads the schedule to its end; `piece(pos)` says how many bytes the
// source hands out from `pos` on (at most what it is asked for).
template <typename Piece> Read ReadSchedule(std::string_view text, Piece piece) {
  std::size_t pos = 0;
  bool ended = false;
  CTimeLapseSchedule schedule(
      [&](char* buffer, std::size_t room) -> std::size_t {
        if (ended || room == 0)
          std::abort();
        const std::size_t n = std::min({piece(pos), room, text.size() - pos});
        std::memcpy(buffer, text.data() + pos, n);
        pos += n;
        ended = n == 0;
        return n;
      },
      "fuzz.txt");
  Read read;
  std::int64_t next = 0;
  while (schedule.NextDue(next, kNow, read.problems)) {
    if (next < kNow || read.due.size() > text.size())
      std::abort();
    read.due.push_back(next);
  }
  // Once ended, it stays ended and says nothing more.
  const std::size_t problems = read.problems.size();
  if (schedule.NextDue(next, kNow, read.problems) || read.problems.size() != problems)
    std::abort();
  return read;
}

bool Same(const Read& a, const Read& b) {
  return a.due == b.due &&
         std::equal(a.problems.begin(), a.problems.end(), b.problems.begin(), b.problems.end(),
                    [](const CTimeLapseSchedule::Problem& x, const CTimeLapseSchedule::Problem& y) {
                      return x.line == y.line && x.text == y.text;
                    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool zoned = ::setenv("TZ", "Europe/Berlin", 1) == 0;
  constexpr std::size_t kSizes = 4;
  if (size < kSizes || !zoned)
    return 0;
  // The first bytes choose the sizes of the pieces, used in turn.
  std::array<std::size_t, kSizes> sizes{};
  for (std::size_t i = 0; i < kSizes; ++i)
    sizes[i] = data[i] % 64 + 1;
  const std::string_view text(reinterpret_cast<const char*>(data) + kSizes, size - kSizes);

  const Read whole = ReadSchedule(text, [&](std::size_t) { return text.size(); });
  std::size_t turn = 0;
  const Read pieces = ReadSchedule(text, [&](std::size_t) { return sizes[turn++ % kSizes]; });
  if (!Same(pieces, whole))
    std::abort();

  const auto lineCount = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) +
                         (text.empty() || text.back() == '\n' ? 0 : 1);
  // The problems listed one by one, and one row for those beyond.
  if (whole.problems.size() > CTimeLapseSchedule::kMaxProblems + 1 ||
      whole.due.size() + std::min<std::size_t>(whole.problems.size(), CTimeLapseSchedule::kMaxProblems) >
          lineCount)
    std::abort();
  unsigned lastLine = 0;
  for (const CTimeLapseSchedule::Problem& problem : whole.problems) {
    if (problem.line <= lastLine || problem.line > lineCount || problem.text.size() > 300)
      std::abort();
    lastLine = problem.line;
  }
  return 0;
}

// The schedule of a time-lapse series: a text file that says when pictures
// are due, read one line at a time as the series goes on. A line is empty, a
// comment (';' first), "+N" (N seconds after the previous time, or after now
// for the first), "YYYY-MM-DD hh:mm:ss" or "hh:mm:ss" (today) in the local
// wall-clock time, which is turned into UTC by the time zone's rules in force
// on that date. Blanks may follow a time or a number; anything else after it
// makes the line a bad one. Lines end in CR LF or LF; the last one may end at
// the end of the file. All times are UTC counts of 100 ns (FILETIME values).
//
// Daylight-saving changes: a wall-clock time that the change skips (02:30 on
// a day the clocks go from 02:00 to 03:00) means the moment the clocks jump,
// the first that exists after it (03:00 of the new time), so the lines after
// it keep their order. A time that occurs twice (02:30 on a day the clocks
// go back from 03:00 to 02:00) means its first occurrence (02:30 of the
// summer time), whatever was read before it.
//
// Due times: an absolute time or a "+N" is due when it lies after now; one
// that does not is skipped, and a "+N" after it counts from it all the same
// (so it may be past as well). "+0" repeats the running time: it is due when
// that time was due (a picture right after the previous one) or, as the first
// time, now; after a skipped time it is skipped too.
//
// Outside input: the bytes come from a source that answers at most what was
// asked; a line longer than kMaxLine characters is skipped to its end, and
// such a line or one that holds no valid time is reported by its number and
// skipped. The first kMaxProblems such lines are reported one by one; at the
// end of the input one more problem says how many were skipped beyond them.
// Nothing is read after the source said it has ended. A file larger than
// kMaxFileSize bytes is refused when opened, so that reading past times never
// holds the caller for long.
//
// Threads: one thread at a time.
#pragma once

#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarsel::core {

// The calendar fields as a SYSTEMTIME (no range check; the day of the week is 0).
SYSTEMTIME CalendarTime(int year, int month, int day, int hour, int minute, int second);

} // namespace tarsel::core

class CTimeLapseSchedule {
public:
  static constexpr std::size_t kMaxLine = 259;
  // Many thousands of times at the longest lines.
  static constexpr std::int64_t kMaxFileSize = 4 * 1024 * 1024;
  static constexpr unsigned kMaxProblems = 100;

  // Fills the buffer with up to `size` bytes; 0 at the end of the input.
  using Source = std::function<std::size_t(char* buffer, std::size_t size)>;

  // A line that was skipped, and why (a text that names the line).
  struct Problem {
    unsigned line = 0;
    std::string text;
  };

  // `name` is how problems name the input (a file's name).
  CTimeLapseSchedule(Source source, std::string name);
  ~CTimeLapseSchedule();
  CTimeLapseSchedule(const CTimeLapseSchedule&) = delete;
  CTimeLapseSchedule& operator=(const CTimeLapseSchedule&) = delete;

  // The schedule of a file, opened for reading (shared with writers). Null
  // when it cannot be opened; `error` is the errno then (EFBIG: larger than
  // kMaxFileSize).
  static std::unique_ptr<CTimeLapseSchedule> OpenFile(const std::string& path, int& error);

  // Reads on until a line gives a due time. `next` is the running time the
  // "+N" lines add to (0: none yet); an absolute time replaces it. True:
  // `next` is due (see above; a "+0" may give a time before `now`).
  // False: the input has ended (further calls give false at once).
  bool NextDue(std::int64_t& next, std::int64_t now, std::vector<Problem>& problems);

private:
  // The next line without its line end; false when no bytes are left.
  // `tooLong` when the line had more than kMaxLine characters (`line` then
  // holds its start only).
  bool ReadLine(std::string& line, bool& tooLong);
  bool Fill();
  void AddProblem(std::vector<Problem>& problems, const std::string& why);

  Source m_source;
  std::string m_name;
  std::vector<char> m_buffer;
  std::size_t m_pos = 0;
  std::size_t m_buffered = 0;
  bool m_ended = false;
  unsigned m_lineNumber = 0;
  // The running time was due (a "+0" after it is due as well).
  bool m_runningDue = false;
  // Bad lines beyond kMaxProblems, not reported one by one, and the last of them.
  unsigned m_unlisted = 0;
  unsigned m_lastUnlisted = 0;
  unsigned m_listed = 0;
};

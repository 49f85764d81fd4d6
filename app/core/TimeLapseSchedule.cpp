#include "app/core/TimeLapseSchedule.h"

#include "env/FormatStdString.h"
#include "env/TarselFileTime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>

namespace {

constexpr std::int64_t kUnitsPerSecond = 10'000'000;
constexpr std::size_t kChunk = 4096;
// How much of a bad line a problem quotes.
constexpr std::size_t kQuoted = 40;

// Only blanks from `text` to `end`.
bool OnlyBlanks(const char* text, const char* end) {
  return std::all_of(text, end, [](char c) { return c == ' ' || c == '\t'; });
}

// The local wall-clock time of a UTC count.
std::int64_t UtcToLocal(std::int64_t utc) {
  FILETIME local;
  TarselFileTime(utc).GetLocalTime(local);
  return static_cast<std::int64_t>(TarselFileTime(local, 0));
}

// The first UTC count whose local time is `wall`, `utc` being one: a time
// that occurs twice as the clocks go back is its earlier occurrence, however
// the C library resolved it (which depends on what it converted before).
// The candidates are `wall` less the zone's offset a window before and after.
std::int64_t FirstOccurrence(std::int64_t wall, std::int64_t utc, std::int64_t window) {
  std::int64_t first = utc;
  for (const std::int64_t probe : {utc - window, utc + window}) {
    const std::int64_t candidate = wall - (UtcToLocal(probe) - probe);
    if (candidate > 0 && candidate < first && UtcToLocal(candidate) == wall)
      first = candidate;
  }
  return first;
}

// The local wall-clock time of the fields as UTC; 0 when a field is out of
// range. A time that a daylight-saving change skips gives the moment of the
// change: the first second whose local time is not before it.
std::int64_t LocalToUtc(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1601 || year > 30827 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
      hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
    return 0;
  const TarselFileTime local(tarsel::core::CalendarTime(year, month, day, hour, minute, second));
  if (!local.IsValid())
    return 0;
  FILETIME utc;
  local.GetUniversalTime(utc);
  const TarselFileTime result(utc, 0);
  if (!result.IsValid())
    return 0;
  const auto wall = static_cast<std::int64_t>(local);
  // No zone is more than 26 hours off UTC.
  constexpr std::int64_t kWindow = 26 * 3600;
  if (UtcToLocal(static_cast<std::int64_t>(result)) == wall)
    return FirstOccurrence(wall, static_cast<std::int64_t>(result), kWindow * kUnitsPerSecond);
  // In a gap. Within a window around a gap the local time only grows, so the
  // change is found by halving.
  std::int64_t before = wall / kUnitsPerSecond - kWindow;
  std::int64_t after = wall / kUnitsPerSecond + kWindow;
  if (before <= 0)
    return 0;
  while (after - before > 1) {
    const std::int64_t middle = before + (after - before) / 2;
    (UtcToLocal(middle * kUnitsPerSecond) < wall ? before : after) = middle;
  }
  return after * kUnitsPerSecond;
}

// "+N": the seconds after the plus sign (blanks allowed around them); false
// when no digits follow or anything but blanks comes after them. Large
// numbers saturate.
bool ParseSeconds(const char* text, const char* end, std::int64_t& seconds) {
  while (text != end && (*text == ' ' || *text == '\t'))
    ++text;
  if (text == end || *text < '0' || *text > '9')
    return false;
  seconds = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  for (; text != end && *text >= '0' && *text <= '9'; ++text)
    seconds = std::min(kMax, seconds * 10 + (*text - '0'));
  return OnlyBlanks(text, end);
}

// An absolute or today's time of the line, as UTC; 0 when the line holds
// neither (or more than blanks after it).
std::int64_t ParseTime(const std::string& line, std::int64_t now) {
  const char* text = line.c_str();
  const char* end = text + line.size();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  int used = -1;
  if (std::sscanf(text, "%04d-%02d-%02d %02d:%02d:%02d%n", &year, &month, &day, &hour, &minute, &second,
                  &used) == 6) {
    return used >= 0 && OnlyBlanks(text + used, end) ? LocalToUtc(year, month, day, hour, minute, second) : 0;
  }
  used = -1;
  if (std::sscanf(text, "%02d:%02d:%02d%n", &hour, &minute, &second, &used) != 3 || used < 0 ||
      !OnlyBlanks(text + used, end))
    return 0;
  SYSTEMTIME today{};
  TarselFileTime(now).GetSysTime(today, true);
  return LocalToUtc(today.wYear, today.wMonth, today.wDay, hour, minute, second);
}

} // namespace

namespace tarsel::core {

SYSTEMTIME CalendarTime(int year, int month, int day, int hour, int minute, int second) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  st.wSecond = static_cast<WORD>(second);
  return st;
}

} // namespace tarsel::core

CTimeLapseSchedule::CTimeLapseSchedule(Source source, std::string name)
    : m_source(std::move(source)), m_name(std::move(name)), m_buffer(kChunk) {}

CTimeLapseSchedule::~CTimeLapseSchedule() = default;

std::unique_ptr<CTimeLapseSchedule> CTimeLapseSchedule::OpenFile(const std::string& path, int& error) {
  // Not blocking: a pipe or device chosen by mistake is refused below
  // instead of holding the user interface.
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    error = errno;
    return nullptr;
  }
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    ::close(fd);
    return nullptr;
  }
  if (st.st_size > kMaxFileSize) {
    error = EFBIG;
    ::close(fd);
    return nullptr;
  }
  // The descriptor lives as long as the reader's source.
  const auto file = std::shared_ptr<int>(new int(fd), [](int* held) {
    ::close(*held);
    delete held;
  });
  const std::size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return std::make_unique<CTimeLapseSchedule>(
      [file](char* buffer, std::size_t size) -> std::size_t {
        for (;;) {
          const ssize_t got = ::read(*file, buffer, size);
          if (got >= 0)
            return static_cast<std::size_t>(got);
          // A failed read ends the schedule as its end would.
          if (errno != EINTR)
            return 0;
        }
      },
      std::move(name));
}

bool CTimeLapseSchedule::Fill() {
  if (m_ended)
    return false;
  const std::size_t got = m_source(m_buffer.data(), m_buffer.size());
  // The source's word is checked: never more than the buffer holds.
  if (got == 0 || got > m_buffer.size()) {
    m_ended = true;
    m_pos = m_buffered = 0;
    return false;
  }
  m_pos = 0;
  m_buffered = got;
  return true;
}

bool CTimeLapseSchedule::ReadLine(std::string& line, bool& tooLong) {
  line.clear();
  tooLong = false;
  bool any = false;
  for (;;) {
    if (m_pos == m_buffered && !Fill())
      break;
    any = true;
    const char* start = m_buffer.data() + m_pos;
    const std::size_t available = m_buffered - m_pos;
    const void* found = std::memchr(start, '\n', available);
    const std::size_t length =
        found ? static_cast<std::size_t>(static_cast<const char*>(found) - start) : available;
    // Keep one character more than a line may hold, for its CR.
    const std::size_t room = kMaxLine + 1 - std::min(line.size(), kMaxLine + 1);
    line.append(start, std::min(length, room));
    if (length > room)
      tooLong = true;
    m_pos += found ? length + 1 : length;
    if (found)
      break;
  }
  if (!any)
    return false;
  if (!line.empty() && line.back() == '\r' && !tooLong)
    line.pop_back();
  if (line.size() > kMaxLine)
    tooLong = true;
  ++m_lineNumber;
  return true;
}

void CTimeLapseSchedule::AddProblem(std::vector<Problem>& problems, const std::string& why) {
  if (m_listed == kMaxProblems) {
    ++m_unlisted;
    m_lastUnlisted = m_lineNumber;
    return;
  }
  ++m_listed;
  std::string text;
  FormatStdString(text, "Line %u of %s %s", m_lineNumber, m_name.c_str(), why.c_str());
  problems.push_back({m_lineNumber, text});
}

bool CTimeLapseSchedule::NextDue(std::int64_t& next, std::int64_t now, std::vector<Problem>& problems) {
  std::string line;
  bool tooLong = false;
  const auto problem = [&](const std::string& why) { AddProblem(problems, why); };
  const auto quoted = [&] { return "\"" + line.substr(0, kQuoted) + "\"."; };
  while (ReadLine(line, tooLong)) {
    if (tooLong) {
      problem("is longer than " + std::to_string(kMaxLine) + " characters.");
      continue;
    }
    if (line.empty() || line.front() == ';')
      continue;
    if (line.front() == '+') {
      std::int64_t seconds = 0;
      if (!ParseSeconds(line.data() + 1, line.data() + line.size(), seconds)) {
        problem("holds no number of seconds: " + quoted());
        continue;
      }
      if (next == 0) {
        next = now;
        m_runningDue = true;
      }
      const std::int64_t step = seconds * kUnitsPerSecond;
      if (next > std::numeric_limits<std::int64_t>::max() - step) {
        problem("goes beyond the last time there is.");
        continue;
      }
      next += step;
      m_runningDue = next > now || (seconds == 0 && m_runningDue);
      if (m_runningDue)
        return true;
      continue;
    }
    const std::int64_t time = ParseTime(line, now);
    if (time == 0) {
      problem("is not a time (YYYY-MM-DD hh:mm:ss, hh:mm:ss or +seconds): " + quoted());
      continue;
    }
    next = time;
    m_runningDue = next > now;
    if (m_runningDue)
      return true;
  }
  if (m_unlisted != 0) {
    std::string text;
    FormatStdString(text, "%u more lines of %s were skipped, the last one line %u.", m_unlisted,
                    m_name.c_str(), m_lastUnlisted);
    problems.push_back({m_lastUnlisted, text});
    m_unlisted = 0;
  }
  return false;
}

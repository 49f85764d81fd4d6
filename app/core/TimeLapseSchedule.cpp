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

// The local wall-clock time of the fields as UTC; 0 when a field is out of range.
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
  return result.IsValid() ? static_cast<std::int64_t>(result) : 0;
}

// "+N": the seconds after the plus sign (blanks allowed before them); false
// when no digits follow. Large numbers saturate.
bool ParseSeconds(const char* text, std::int64_t& seconds) {
  while (*text == ' ' || *text == '\t')
    ++text;
  if (*text < '0' || *text > '9')
    return false;
  seconds = 0;
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  for (; *text >= '0' && *text <= '9'; ++text)
    seconds = std::min(kMax, seconds * 10 + (*text - '0'));
  return true;
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

bool CTimeLapseSchedule::NextDue(std::int64_t& next, std::int64_t now, std::vector<Problem>& problems) {
  std::string line;
  bool tooLong = false;
  const auto problem = [&](const std::string& why) {
    std::string text;
    FormatStdString(text, "Line %u of %s %s", m_lineNumber, m_name.c_str(), why.c_str());
    problems.push_back({m_lineNumber, text});
  };
  while (ReadLine(line, tooLong)) {
    if (tooLong) {
      problem("is longer than " + std::to_string(kMaxLine) + " characters.");
      continue;
    }
    // A NUL ends what the scanners see; the rest of such a line is ignored.
    const char* text = line.c_str();
    if (*text == '\0' || *text == ';')
      continue;
    if (*text == '+') {
      std::int64_t seconds = 0;
      if (!ParseSeconds(text + 1, seconds)) {
        problem("holds no number of seconds: \"" + line.substr(0, kQuoted) + "\".");
        continue;
      }
      if (next == 0)
        next = now;
      const std::int64_t step = seconds * kUnitsPerSecond;
      if (next > std::numeric_limits<std::int64_t>::max() - step) {
        problem("goes beyond the last time there is.");
        continue;
      }
      next += step;
      if (next > now || seconds == 0)
        return true;
      continue;
    }
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    std::int64_t time = 0;
    if (std::sscanf(text, "%04d-%02d-%02d %02d:%02d:%02d", &year, &month, &day, &hour, &minute, &second) ==
        6) {
      time = LocalToUtc(year, month, day, hour, minute, second);
    } else if (std::sscanf(text, "%02d:%02d:%02d", &hour, &minute, &second) == 3) {
      SYSTEMTIME today{};
      TarselFileTime(now).GetSysTime(today, true);
      time = LocalToUtc(today.wYear, today.wMonth, today.wDay, hour, minute, second);
    }
    if (time == 0) {
      problem("is not a time (YYYY-MM-DD hh:mm:ss, hh:mm:ss or +seconds): \"" + line.substr(0, kQuoted) +
              "\".");
      continue;
    }
    next = time;
    if (next > now)
      return true;
  }
  return false;
}

#include "app/cameras/dialogs/DownloadedPictureFile.h"

#include "app/core/SanitizedName.h"
#include "app/pictures/PictureExif.h"
#include "env/BrantelTakeError.h"
#include "env/TarselFileTime.h"
#include "platform/FileIo.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarsel::dialogs {

namespace {

// 100-ns units between 1601 and 1970.
constexpr std::int64_t kUnixEpoch = 116444736000000000LL;

timespec UnixTimeOf(const FILETIME& time) {
  const std::int64_t units = static_cast<std::int64_t>(TarselFileTime(time, 0)) - kUnixEpoch;
  std::int64_t seconds = units / 10000000;
  std::int64_t rest = units % 10000000;
  if (rest < 0) {
    rest += 10000000;
    --seconds;
  }
  timespec out{};
  out.tv_sec = static_cast<time_t>(seconds);
  out.tv_nsec = static_cast<long>(rest * 100);
  return out;
}

[[noreturn]] void ThrowFileError(int error, const std::string& path) {
  ThrowError(static_cast<HRESULT>(Win32FromErrno(error)), path.c_str());
}

} // namespace

std::string SafePictureFileName(const std::string& cameraName) {
  // A backslash is a separator to the cameras' own file systems.
  std::string name = tarsel::core::SanitizedPathComponent(cameraName);
  std::replace(name.begin(), name.end(), '\\', '_');
  return name.empty() ? std::string("_") : name;
}

std::optional<FILETIME> PictureTakenTime(IPictureFromCamera& picture) {
  const std::unique_ptr<CTiffBuffer> tiff = ExifBlockOf(picture);
  if (!tiff)
    return std::nullopt;
  std::string text;
  try {
    tiff->Parse();
    text = tiff->GetDateTimeOriginal();
  } catch (const _brantel_take_error&) {
    return std::nullopt;
  }
  unsigned short year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
  if (std::sscanf(text.c_str(), "%hu:%hu:%hu %hu:%hu:%hu", &year, &month, &day, &hour, &minute, &second) != 6)
    return std::nullopt;
  // Cameras whose clock was never set write zeros.
  if (year <= 1990 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
      second > 59)
    return std::nullopt;
  SYSTEMTIME fields{};
  fields.wYear = year;
  fields.wMonth = month;
  fields.wDay = day;
  fields.wHour = hour;
  fields.wMinute = minute;
  fields.wSecond = second;
  const TarselFileTime local(fields);
  if (!local.IsValid())
    return std::nullopt;
  FILETIME universal{};
  local.GetUniversalTime(universal);
  return universal;
}

void WritePictureFile(const std::string& path, const BYTE* data, std::size_t size,
                      const std::optional<FILETIME>& time) {
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  tarsel::platform::ReplaceOptions options;
  // Short enough for the file system whatever the camera's name, and apart
  // from what an earlier run that crashed may have left.
  options.temporaryPath = [&](int attempt) {
    return folder + "/." + name.substr(0, 64) + "." + std::to_string(::getpid()) + "-" +
           std::to_string(attempt) + ".part";
  };
  options.attempts = 16;
  options.createMode = 0644;
  // The descriptor comes back so that the times are set on this file.
  options.keepOpen = true;
  const std::string_view bytes(reinterpret_cast<const char*>(data), data ? size : 0);
  tarsel::platform::ReplaceResult result = tarsel::platform::replaceFile(path, bytes, options);
  if (!result.ok())
    ThrowFileError(result.error, path);
  if (time) {
    const timespec taken = UnixTimeOf(*time);
    const timespec times[2] = {taken, taken};
    if (::futimens(result.file.get(), times) != 0)
      ThrowFileError(errno, path);
  }
  if (const int error = result.file.close(); error != 0)
    ThrowFileError(error, path);
}

} // namespace tarsel::dialogs

#include "savers/common/SaverNaming.h"

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"

#include <algorithm>
#include <cstdio>

namespace tarsel::savers {

namespace {

constexpr int kMaxDigits = 10;
// The longest name a 260-byte buffer of the original layout held.
constexpr std::size_t kMaxName = 259;
// SetCounter reads 0xFFFFFFFF as "one more".
constexpr std::uint32_t kMaxCounter = 0xFFFFFFFEu;

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string paddedCounter(std::uint32_t counter, std::int32_t digits) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*u", BoundedDigits(digits), static_cast<unsigned>(counter));
  return text;
}

std::string_view textOf(const char* text) {
  return text ? std::string_view(text) : std::string_view();
}

} // namespace

int BoundedDigits(std::int32_t digits) {
  return std::clamp(digits, 0, kMaxDigits);
}

std::string NumberedName(std::string_view prefix, std::uint32_t counter, std::int32_t digits,
                         std::string_view extension) {
  std::string name(prefix);
  name += paddedCounter(counter, digits);
  name += extension;
  return name;
}

std::string ProposedName(ISaveInfo& info, IPictureFromCamera& picture) {
  const std::string_view own = textOf(picture.GetFileName());
  if (!own.empty())
    return SafeNameComponent(own.substr(0, kMaxName));
  return SafeNameComponent(NumberedName(textOf(info.GetFilePrefix()), info.GetCounter(), info.GetNumDigits(),
                                        textOf(picture.GetExtension())));
}

std::string DirectSaveName(ISaveInfo& info, IPictureFromCamera& picture) {
  char buffer[kMaxName + 1] = {};
  info.GetFileName(buffer, sizeof buffer);
  buffer[kMaxName] = '\0';
  if (buffer[0])
    return SafeNameComponent(buffer);
  return SafeNameComponent(NumberedName(textOf(info.GetFilePrefix()), info.GetCounter(), info.GetNumDigits(),
                                        textOf(picture.GetExtension())));
}

bool IsNumberedDirectSave(ISaveInfo& info, IPictureFromCamera& picture) {
  const std::uint32_t counter = info.GetCounter();
  const std::string name = DirectSaveName(info, picture);
  const std::string next = DirectSaveNameAfter(info, picture, counter, 1);
  const bool numbered = !next.empty() && next != name;
  info.SetCounter(counter);
  return numbered;
}

std::string DirectSaveNameAfter(ISaveInfo& info, IPictureFromCamera& picture, std::uint32_t counter,
                                unsigned index) {
  // SetCounter reads 0xFFFFFFFF as "one more"; in 64 bits the sum cannot wrap.
  constexpr std::uint32_t kLastCounter = 0xFFFFFFFEu;
  const std::uint64_t number = std::uint64_t{counter} + index;
  if (number > kLastCounter)
    return {};
  info.SetCounter(static_cast<std::uint32_t>(number));
  return DirectSaveName(info, picture);
}

std::string SubFolderName(ISaveInfo& info) {
  char buffer[kMaxName + 1] = {};
  info.GetSubFolder(buffer, sizeof buffer);
  buffer[kMaxName] = '\0';
  return SafeNameComponent(buffer);
}

std::string SeriesBase(std::string_view prefix, std::uint32_t counter, std::int32_t digits) {
  std::string base(prefix);
  base += paddedCounter(counter, digits);
  base += '_';
  return base;
}

std::string SeriesNumber(std::size_t index, std::size_t count) {
  char text[32];
  std::snprintf(text, sizeof text, count < 9 ? "%zu" : "%02zu", index + 1);
  return text;
}

void SetNamingFromFileName(ISaveInfo& info, std::string_view name) {
  std::string_view stem = name;
  if (const std::size_t slash = stem.rfind('/'); slash != std::string_view::npos)
    stem.remove_prefix(slash + 1);
  if (const std::size_t dot = stem.rfind('.'); dot != std::string_view::npos)
    stem = stem.substr(0, dot);
  stem = stem.substr(0, kMaxName);

  info.SetAuxText(std::string(name).c_str());

  std::size_t start = stem.size();
  if (!stem.empty()) {
    std::size_t pos = stem.size() - 1;
    for (std::int32_t n = info.GetNumDigits(); n > 0 && pos > 0 && isDigit(stem[pos]); --n)
      --pos;
    start = isDigit(stem[pos]) ? pos : pos + 1;
  }

  // Saturate: a long run of digits must not wrap to a small counter.
  std::uint64_t value = 0;
  for (std::size_t i = start; i < stem.size() && isDigit(stem[i]); ++i)
    value = std::min<std::uint64_t>(value * 10 + static_cast<unsigned>(stem[i] - '0'), kMaxCounter);
  info.SetCounter(static_cast<std::uint32_t>(std::min<std::uint64_t>(value + 1, kMaxCounter)));
  info.SetFilePrefix(std::string(stem.substr(0, start)).c_str());
}

std::string SafeNameComponent(std::string_view text) {
  std::string name(text);
  for (char& c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F)
      c = '_';
  }
  // Leading dots would hide the file (and "." or ".." name a folder level).
  const std::size_t dots = std::min(name.find_first_not_of('.'), name.size());
  name.replace(0, dots, dots, '_');
  return name;
}

} // namespace tarsel::savers

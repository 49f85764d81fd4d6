#include "remote/RemoteCommandLine.h"

#include "remote/RemoteCommand.h"

#include <string_view>
#include <vector>

namespace tarsel::remote {

namespace {

enum class Switch { Ri, Rc, Cpff, Uk, Capture, Cam, None };

struct Keyword {
  std::string_view name;
  Switch which;
};

constexpr Keyword kKeywords[] = {{"RI", Switch::Ri}, {"RC", Switch::Rc},           {"CPFF", Switch::Cpff},
                                 {"UK", Switch::Uk}, {"CAPTURE", Switch::Capture}, {"CAM", Switch::Cam}};

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size())
    return false;
  for (std::size_t i = 0; i < keyword.size(); ++i)
    if (upper(text[i]) != keyword[i])
      return false;
  return true;
}

// At most kMaxValue bytes, never ending inside a multi-byte character.
std::string capped(std::string_view value) {
  if (value.size() <= RemoteCommandLine::kMaxValue)
    return std::string(value);
  std::size_t cut = RemoteCommandLine::kMaxValue;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80)
    --cut;
  return std::string(value.substr(0, cut));
}

} // namespace

RemoteCommandLine RemoteCommandLine::parse(std::span<const std::string> args) {
  RemoteCommandLine line;
  for (const std::string& arg : args) {
    if (arg.empty() || arg.front() != '/') {
      line.computer = arg;
      continue;
    }
    line.computer.clear();
    const std::string_view word = std::string_view(arg).substr(1);
    Switch which = Switch::None;
    std::size_t keywordLength = 0;
    for (const Keyword& k : kKeywords) {
      if (startsWithNoCase(word, k.name)) {
        which = k.which;
        keywordLength = k.name.size();
        break;
      }
    }
    const std::string_view after = word.substr(keywordLength);
    const bool hasValue = !after.empty() && after.front() == '=';
    const std::string value = hasValue ? capped(after.substr(1)) : std::string();

    switch (which) {
    case Switch::Ri:
      if (!line.ri || hasValue)
        line.ri = value;
      break;
    case Switch::Rc:
      line.rc = true;
      break;
    case Switch::Cpff:
      if (!line.cpff || hasValue)
        line.cpff = value;
      break;
    case Switch::Uk:
      if (!line.userKey || hasValue)
        line.userKey = value;
      break;
    case Switch::Capture:
      line.capture = true;
      break;
    case Switch::Cam:
      if (hasValue)
        line.camera = value;
      break;
    case Switch::None:
      break;
    }
  }
  return line;
}

std::string RemoteCommandLine::messageText() const {
  std::vector<std::string> items;
  if (ri)
    items.push_back(keywordItem("RI", *ri));
  if (rc)
    items.emplace_back("RC");
  if (cpff)
    items.push_back(keywordItem("CPFF", *cpff));
  if (!camera.empty())
    items.push_back("CAM=" + camera);
  // A camera named first means "take with this camera"; nothing at all means
  // "take".
  const bool cameraFirst = !camera.empty() && !ri && !rc && !cpff;
  if (capture || cameraFirst || items.empty())
    items.emplace_back("CAPTURE");
  return remote::messageText(items);
}

} // namespace tarsel::remote

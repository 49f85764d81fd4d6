#include "remote/RemoteCommand.h"

#include <cstddef>

namespace tarsel::remote {

namespace {

char upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (upper(text[i]) != prefix[i])
      return false;
  return true;
}

RemoteItemKind kindOf(std::string_view item) {
  // Order matters: "RCAPTURE" is an RC item.
  if (startsWithNoCase(item, "RI"))
    return RemoteItemKind::Ri;
  if (startsWithNoCase(item, "RC"))
    return RemoteItemKind::Rc;
  if (startsWithNoCase(item, "CPFF"))
    return RemoteItemKind::Cpff;
  if (startsWithNoCase(item, "CAPTURE"))
    return RemoteItemKind::Capture;
  return RemoteItemKind::Other;
}

} // namespace

std::string messageText(const std::vector<std::string>& items) {
  std::string text = "MSL?";
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0)
      text += '&';
    text += items[i];
  }
  return text;
}

std::string keywordItem(std::string_view keyword, std::string_view value) {
  std::string item(keyword);
  if (!value.empty()) {
    item += '=';
    item += value;
  }
  return item;
}

std::string libraryMessageText(bool capture, const char* camera, const char* ri, const char* cpff, bool rc) {
  std::vector<std::string> items;
  if (ri)
    items.push_back(keywordItem("RI", ri));
  if (rc)
    items.emplace_back("RC");
  if (cpff)
    items.push_back(keywordItem("CPFF", cpff));
  if (capture)
    items.emplace_back("CAPTURE");
  if (camera && *camera)
    items.push_back(std::string("CAM=") + camera);
  return messageText(items);
}

std::optional<RemoteCommand> parseCommandText(std::string_view text) {
  if (text.empty() || text.front() != '?')
    return std::nullopt;
  RemoteCommand command;
  std::string_view rest = text.substr(1);
  for (;;) {
    const std::size_t amp = rest.find('&');
    const std::string_view item = rest.substr(0, amp);
    if (!item.empty()) {
      const RemoteItemKind kind = kindOf(item);
      if (kind == RemoteItemKind::Capture)
        command.capture = true;
      command.items.push_back({kind, std::string(item)});
    }
    if (amp == std::string_view::npos)
      break;
    rest.remove_prefix(amp + 1);
  }
  return command;
}

} // namespace tarsel::remote

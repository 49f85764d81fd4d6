// The message text of a remote-control datagram: "MSL?" followed by items
// joined by "&". Senders build it from their arguments; the receiver parses
// the command text after "MSL" ("?" + items) and recognises its items by
// prefix, without regard to case, in the order RI, RC, CPFF, CAPTURE. Only
// CAPTURE has an effect, once however often it occurs. Values are not
// escaped: a value holding "&" adds items at the receiver.
// Pure functions, safe from any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::remote {

enum class RemoteItemKind { Ri, Rc, Cpff, Capture, Other };

struct RemoteItem {
  RemoteItemKind kind = RemoteItemKind::Other;
  std::string text;
  bool operator==(const RemoteItem&) const = default;
};

struct RemoteCommand {
  std::vector<RemoteItem> items; // every non-empty item, in the order received
  bool capture = false;          // at least one CAPTURE item
};

// "MSL?" + the items joined by "&".
std::string messageText(const std::vector<std::string>& items);

// An item with an optional value: the keyword alone when the value is
// empty, else keyword "=" value.
std::string keywordItem(std::string_view keyword, std::string_view value);

// The sender library's text, items in the order RI, RC, CPFF, CAPTURE, CAM.
// A null text means the item is absent; an empty RI or CPFF value gives the
// bare keyword; an empty camera name gives no camera item.
std::string libraryMessageText(bool capture, const char* camera, const char* ri, const char* cpff, bool rc);

// The receiver's reading of a command text; none when it does not begin
// with "?".
std::optional<RemoteCommand> parseCommandText(std::string_view text);

} // namespace tarsel::remote

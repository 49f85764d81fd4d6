#include "env/HtmlHelp.h"

#include "platform/GuardedHook.h"

#include <cstdlib>
#include <utility>
#include <vector>

#include <unistd.h>

namespace tarsel::env {
namespace {

tarsel::platform::GuardedHook<HelpDisplayHook>& displayHook() {
  static tarsel::platform::GuardedHook<HelpDisplayHook> hook;
  return hook;
}

std::string programPath() {
  std::vector<char> buffer(256);
  for (;;) {
    const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (n < 0)
      return {};
    if (static_cast<std::size_t>(n) < buffer.size())
      return std::string(buffer.data(), static_cast<std::size_t>(n));
    // The link may have been cut at the buffer's end: try again with more room.
    if (buffer.size() >= (1u << 16))
      return {};
    buffer.resize(buffer.size() * 2);
  }
}

bool isUnreserved(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == '~' || c == '/';
}

std::string fileUrl(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (const char ch : path) {
    const auto c = static_cast<unsigned char>(ch);
    if (isUnreserved(c)) {
      url += ch;
      continue;
    }
    url += '%';
    url += kHex[c >> 4];
    url += kHex[c & 0x0F];
  }
  return url;
}

} // namespace
} // namespace tarsel::env

using namespace tarsel::env;

void CHtmlHelp::DisplayHelp(HWND parent, const char* topic) {
  const HelpDisplayHook hook = displayHook().get();
  if (!hook)
    return;
  const std::string folder = HelpFolder();
  if (folder.empty())
    return;
  const std::string page = topic && *topic ? std::string(topic) : std::string("index.html");
  // The hook runs without the lock, so it may itself install another hook.
  hook(parent, fileUrl(folder + "/" + page));
}

HelpDisplayHook CHtmlHelp::SetDisplayHook(HelpDisplayHook hook) {
  return displayHook().exchange(std::move(hook));
}

std::string CHtmlHelp::HelpFolder() {
  if (const char* folder = std::getenv("TARSEL_HELP_DIR"); folder && *folder)
    return folder;
  const std::string program = programPath();
  const std::size_t slash = program.rfind('/');
  if (slash == std::string::npos)
    return {};
  return program.substr(0, slash) + "/help";
}

#include "savers/ftp/FtpPath.h"

#include "savers/ftp/FtpMessages.h"

#include <vector>

namespace tarsel::ftp {

namespace {

// The non-empty components of a "/"-separated path.
std::vector<std::string_view> components(std::string_view path) {
  std::vector<std::string_view> parts;
  while (!path.empty()) {
    const std::size_t slash = path.find('/');
    const std::string_view part = path.substr(0, slash);
    if (!part.empty())
      parts.push_back(part);
    if (slash == std::string_view::npos)
      break;
    path.remove_prefix(slash + 1);
  }
  return parts;
}

} // namespace

HRESULT ResolveFtpPath(std::string_view home, std::string_view requested, std::string& path) {
  if (requested.find("..") != std::string_view::npos ||
      requested.find_first_of("\r\n") != std::string_view::npos ||
      requested.find('\0') != std::string_view::npos)
    return kBadPathSyntax;
  if (home.empty())
    home = "/";
  if (requested.empty()) {
    path = home;
    return 0;
  }
  path = requested.front() == '/' ? std::string() : std::string(home);
  for (const std::string_view part : components(requested)) {
    if (part == ".")
      continue;
    if (path.empty() || path.back() != '/')
      path += '/';
    path += part;
  }
  if (path.empty())
    path = "/";
  return 0;
}

void SplitExistingFtpPath(std::string_view current, std::string_view target, std::string& existing,
                          std::string& rest) {
  existing.clear();
  rest.clear();
  if (current.empty()) {
    rest = target;
    return;
  }
  const std::vector<std::string_view> have = components(current);
  const std::vector<std::string_view> want = components(target);
  std::size_t common = 0;
  while (common < have.size() && common < want.size() && have[common] == want[common])
    ++common;
  for (std::size_t i = 0; i < common; ++i)
    existing.append("/").append(have[i]);
  if (existing.empty())
    existing = "/";
  for (std::size_t i = common; i < want.size(); ++i) {
    if (!rest.empty())
      rest += '/';
    rest += want[i];
  }
}

std::string ExtractQuotedPath(std::string_view reply) {
  std::string path;
  std::size_t i = reply.find('"');
  if (i == std::string_view::npos)
    return path;
  for (++i; i < reply.size(); ++i) {
    if (reply[i] != '"') {
      path += reply[i];
      continue;
    }
    if (i + 1 < reply.size() && reply[i + 1] == '"') {
      path += '"';
      ++i;
      continue;
    }
    break;
  }
  return path;
}

} // namespace tarsel::ftp

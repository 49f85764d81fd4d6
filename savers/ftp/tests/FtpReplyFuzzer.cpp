// Fuzz target of the server text the FTP client reads: the bytes framed into
// reply lines in pieces of every size the first byte picks (the framing must
// not depend on how the bytes arrive, and no line may pass its bound), and
// each line read as a reply, a data-connection address, a quoted path and a
// requested directory.
#include "savers/ftp/FtpPath.h"
#include "savers/ftp/FtpReceiveError.h"
#include "savers/ftp/FtpReplyText.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

using namespace tarsel::ftp;

namespace {

// The lines of `text` fed in pieces of `piece` bytes; stops at a refused line.
std::vector<std::string> frame(const std::string& text, std::size_t piece) {
  std::vector<std::string> lines;
  FtpLineBuffer buffer;
  try {
    for (std::size_t at = 0; at < text.size(); at += piece) {
      buffer.Append(text.data() + at, std::min(piece, text.size() - at));
      while (std::optional<std::string> line = buffer.TakeLine()) {
        if (line->size() > FtpLineBuffer::kMaxLine)
          std::abort();
        lines.push_back(std::move(*line));
      }
    }
  } catch (const _sock_error&) {
    lines.push_back("refused");
  }
  return lines;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0)
    return 0;
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const std::vector<std::string> lines = frame(text, 1 + data[0] % 64);
  // Pieces larger than the bound may refuse a line later than small ones,
  // but every line both gave must be the same.
  const std::vector<std::string> whole = frame(text, 1 + data[0] % 64 == 1 ? 2 : 1);
  for (std::size_t i = 0; i + 1 < std::min(lines.size(), whole.size()); ++i)
    if (lines[i] != whole[i])
      std::abort();
  for (const std::string& line : lines) {
    const _FtpReceiveError reply(line);
    if (reply.Reply() > 999)
      std::abort();
    std::array<unsigned, 6> numbers{};
    if (ParsePassiveReply(line, numbers))
      for (unsigned number : numbers)
        if (number > 255)
          std::abort();
    if (ParseExtendedPassiveReply(line) > 65535)
      std::abort();
    if (ExtractQuotedPath(line).size() > line.size())
      std::abort();
    std::string path;
    if (ResolveFtpPath("/home", line, path) == 0 && path.find("..") != std::string::npos)
      std::abort();
  }
  return 0;
}

// Fuzz target of a name listing: the bytes an NLST's data connection
// delivers, in the pieces it delivers them, then the reply that closes the
// listing. The listing keeps every byte until it would pass 64 KiB, then
// refuses the piece whole and keeps what it had; a listing that was taken
// whole lists something exactly when it holds a character other than CR and
// LF and the closing reply is a 2xx one, as a check of its own decides.
//
// Input: the closing reply line up to its LF, then pieces, each a byte: bit 7
// clear, a piece of that many input bytes (0: the server closed the data
// connection); bit 7 set, 1 + its low bits pieces of one repeated byte, the
// next two bytes giving their size (1..4096, as one receive delivers).
#include "platform/Win32Error.h"
#include "savers/ftp/FtpReceiveError.h"
#include "savers/ftp/FtpReplyText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

using namespace tarsel::ftp;

namespace {

constexpr std::size_t kListingBound = 65536;
constexpr std::size_t kLargestReceive = 4096;

void check(bool condition) {
  if (!condition)
    std::abort();
}

bool isLineEnd(char c) {
  return c == '\r' || c == '\n';
}

// Whether the reply line is a 2xx one: three digits, the first a 2.
bool confirms(std::string_view line) {
  if (line.size() < 3 || line[0] != '2')
    return false;
  return line[1] >= '0' && line[1] <= '9' && line[2] >= '0' && line[2] <= '9';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const std::size_t lineEnd = input.find('\n');
  if (lineEnd == std::string_view::npos)
    return 0;
  // The closing reply as the control connection frames it.
  FtpLineBuffer control;
  std::optional<std::string> closing;
  try {
    control.Append(input.data(), lineEnd + 1);
    closing = control.TakeLine();
  } catch (const _sock_error&) {
    return 0;
  }
  check(closing.has_value());
  const unsigned reply = _FtpReceiveError(*closing).Reply();

  FtpNameListing listing;
  std::string expected;
  bool names = false;
  std::size_t at = lineEnd + 1;
  const auto byte = [&]() -> std::uint8_t {
    return at < input.size() ? static_cast<std::uint8_t>(input[at++]) : 0;
  };
  while (at < input.size()) {
    const std::uint8_t op = byte();
    std::string piece;
    std::size_t repeats = 1;
    if (op & 0x80) {
      repeats += op & 0x7F;
      const std::size_t low = byte();
      const std::size_t length = 1 + (low | std::size_t{byte()} << 8) % kLargestReceive;
      piece.assign(length, static_cast<char>(byte()));
    } else {
      piece.assign(input.substr(at, op));
      at += piece.size();
    }
    // A receive of nothing is the end of the listing.
    if (piece.empty())
      break;
    bool refused = false;
    for (std::size_t r = 0; r < repeats; ++r) {
      const bool fits = expected.size() + piece.size() <= kListingBound;
      try {
        listing.Append(piece.data(), piece.size());
      } catch (const _sock_error& error) {
        check(error.Error() == static_cast<HRESULT>(WSAECONNABORTED));
        refused = true;
      }
      check(refused != fits);
      if (refused)
        break;
      expected += piece;
      // One repeated byte, or a short literal piece: cheap to look at again.
      for (std::size_t i = 0; i < piece.size() && !names; i += (op & 0x80) ? piece.size() : 1)
        names = !isLineEnd(piece[i]);
    }
    check(listing.Text().size() <= kListingBound);
    // A refused piece leaves the listing as it was: the exchange ends there.
    if (refused) {
      check(listing.Text() == expected);
      return 0;
    }
  }
  check(listing.Text() == expected);
  check(listing.ListsSomething(reply) == (names && confirms(*closing)));
  return 0;
}

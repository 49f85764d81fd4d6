// The pieces of server text the FTP client reads: reply lines framed out of
// the received bytes (bounded, so that a line without an end cannot grow
// memory), the data-connection addresses of 227 and 229 replies, and name
// listings read from the data connection (bounded the same way).
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarsel::ftp {

// The most bytes one reply may hold, its lines together; a name listing is
// bounded the same.
inline constexpr std::size_t kMaxReply = 64 * 1024;

class FtpLineBuffer {
public:
  // The longest reply line kept; a longer one ends the connection.
  static constexpr std::size_t kMaxLine = 4096;

  // Adds received bytes; throws _sock_error WSAECONNABORTED once more than
  // kMaxLine bytes wait without a line end.
  void Append(const char* bytes, std::size_t count);
  // The next whole line without its line end (CR LF or LF), if one is in.
  std::optional<std::string> TakeLine();
  bool Empty() const { return m_pending.empty(); }
  void Clear() { m_pending.clear(); }

private:
  std::string m_pending;
};

// The names an NLST lists, as the data connection delivers them.
class FtpNameListing {
public:
  // Adds received bytes; throws _sock_error WSAECONNABORTED, adding none of
  // them, when the listing would pass kMaxReply bytes.
  void Append(const char* bytes, std::size_t count);
  // Whether the listing names anything, given the number of the reply that
  // closed it: only a 2xx reply confirms it, and a listing of nothing but
  // line ends names nothing (some servers answer a listing of a missing name
  // with an empty one).
  bool ListsSomething(unsigned closingReply) const;
  const std::string& Text() const { return m_text; }

private:
  std::string m_text;
};

// The six numbers (h1,h2,h3,h4,p1,p2, each 0..255) of a 227 reply, read from
// the first digit after the reply number; false when they are not all there.
bool ParsePassiveReply(std::string_view line, std::array<unsigned, 6>& numbers);

// The port of a 229 reply ("(|||port|)" with any delimiter); 0 when absent.
unsigned ParseExtendedPassiveReply(std::string_view line);

} // namespace tarsel::ftp

// Fuzz target of the receiver's decoding: the bytes as a datagram off the
// wire (decipher, check, parse), and as the text inside one: encoded and
// decoded, a text that starts with the "MSL" mark comes back as what follows
// the mark up to the first NUL, any other text is refused.
#include "remote/RemoteCommand.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

using namespace tarsel::remote;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const XxteaKey key = builtInRemoteKey();
  const std::span<const std::uint8_t> bytes(data, size);
  if (const auto text = decodeDatagram(bytes, key))
    parseCommandText(*text);

  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto datagram = encodeDatagram(0x12345678u, text, key)) {
    const auto back = decodeDatagram(*datagram, key);
    const bool marked = text.substr(0, 3) == "MSL";
    if (back.has_value() != marked || (back && *back != text.substr(3, text.find('\0') - 3)))
      std::abort();
  }
  parseCommandText(text);
  return 0;
}

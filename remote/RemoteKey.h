// The 128-bit key of remote-control datagrams. The sender library, the
// command-line program and the main program's receiver all build it here, so
// they agree. The four built-in words, chosen once and never to change (a
// change would make senders and receivers of different builds disagree):
//   0x90AE8C7C 0xB9AC8730 0x19064D8B 0x0D0605E9
// A sender may mix a user key into it: word i XOR little-endian word i of the
// MD5 digest of the user key's bytes. The receiver knows only the built-in
// key, so such datagrams do not decode there.
// Pure functions, safe from any thread; a failing digest gives E_FAIL.
#pragma once

#include "platform/Win32Error.h"
#include "remote/Xxtea.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace tarsel::remote {

XxteaKey builtInRemoteKey();

// The MD5 digest of `bytes`; none when the digest cannot be computed.
std::optional<std::array<std::uint8_t, 16>> md5Digest(std::string_view bytes);

// XORs the MD5 words of `userKey` into `key`: 0, or E_FAIL (key unchanged)
// when the digest fails. An empty user key still changes the key.
HRESULT mixUserKey(XxteaKey& key, std::string_view userKey);

} // namespace tarsel::remote

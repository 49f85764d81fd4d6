#include "remote/RemoteKey.h"

#include "platform/Bytes.h"

#include <openssl/evp.h>

namespace tarsel::remote {

XxteaKey builtInRemoteKey() {
  return {0x90AE8C7Cu, 0xB9AC8730u, 0x19064D8Bu, 0x0D0605E9u};
}

std::optional<std::array<std::uint8_t, 16>> md5Digest(std::string_view bytes) {
  std::array<std::uint8_t, EVP_MAX_MD_SIZE> digest{};
  unsigned int length = 0;
  if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_md5(), nullptr) != 1)
    return std::nullopt;
  if (length != 16)
    return std::nullopt;
  std::array<std::uint8_t, 16> out{};
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = digest[i];
  return out;
}

HRESULT mixUserKey(XxteaKey& key, std::string_view userKey) {
  const auto digest = md5Digest(userKey);
  if (!digest)
    return E_FAIL;
  for (std::size_t i = 0; i < key.size(); ++i)
    key[i] ^= bytes::loadLe32(*digest, 4 * i);
  return S_OK;
}

} // namespace tarsel::remote

#include "platform/DataProtection.h"

#include "platform/FileIo.h"
#include "platform/UserFolders.h"
#include "platform/Win32Error.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using tarsel::platform::UniqueFd;

constexpr std::size_t kKeySize = 32;
constexpr std::size_t kNonceSize = 12;
constexpr std::size_t kTagSize = 16;
constexpr char kMagic[4] = {'T', 'P', 'W', '1'};
// magic | description length (2 bytes, little-endian, in bytes) | description
// (UTF-16LE) | nonce | ciphertext | tag
constexpr std::size_t kHeaderSize = sizeof kMagic + 2;
// Descriptions are short labels; a longer one is refused rather than cut.
constexpr std::size_t kMaxDescriptionUnits = 1024;
// A secret is a password or a small key, never a file.
constexpr std::size_t kMaxSecret = 1u << 20;

// The key, wiped when it goes out of scope.
struct Key {
  std::array<unsigned char, kKeySize> bytes{};
  ~Key() { OPENSSL_cleanse(bytes.data(), bytes.size()); }
};

// Blocks handed to callers carry their size in front, so LocalFree can wipe them.
constexpr std::size_t kBlockHeader = alignof(std::max_align_t);

BYTE* allocateBlock(std::size_t size) {
  auto* raw = static_cast<unsigned char*>(std::malloc(kBlockHeader + size + 1));
  if (!raw)
    return nullptr;
  std::memcpy(raw, &size, sizeof size);
  raw[kBlockHeader + size] = 0;
  return raw + kBlockHeader;
}

BOOL fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// A folder and its missing parents, the new ones private to the user.
bool createFolders(const std::string& folder) {
  for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
    const std::string part = folder.substr(0, slash);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      return false;
    if (slash == std::string::npos)
      return true;
  }
}

// Checks an open key file the way ssh checks a private key: a plain file of
// this user that nobody else may read or change, of exactly the key's size.
DWORD checkKeyFile(int fd) {
  struct stat info {};
  if (::fstat(fd, &info) != 0)
    return Win32FromErrno(errno);
  if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || (info.st_mode & 077) != 0)
    return ERROR_ACCESS_DENIED;
  if (info.st_size != static_cast<off_t>(kKeySize))
    return ERROR_INVALID_DATA;
  return ERROR_SUCCESS;
}

DWORD readKey(Key& key) {
  const std::string path = tarsel::platform::DataProtectionKeyPath();
  const UniqueFd file = tarsel::platform::openFile(path, O_RDONLY | O_NOFOLLOW);
  if (!file.valid())
    return errno == ELOOP ? ERROR_ACCESS_DENIED : Win32FromErrno(errno);
  if (const DWORD refused = checkKeyFile(file.get()))
    return refused;
  std::size_t done = 0;
  while (done < kKeySize) {
    const ssize_t got = ::read(file.get(), key.bytes.data() + done, kKeySize - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return got == 0 ? ERROR_INVALID_DATA : Win32FromErrno(errno);
    done += static_cast<std::size_t>(got);
  }
  return ERROR_SUCCESS;
}

// The existing key, or a new one when there is none yet. Two processes that
// create it at once agree: O_EXCL lets one win, the other reads its key.
DWORD readOrCreateKey(Key& key) {
  const DWORD read = readKey(key);
  if (read != ERROR_FILE_NOT_FOUND && read != ERROR_PATH_NOT_FOUND)
    return read;
  const std::string path = tarsel::platform::DataProtectionKeyPath();
  if (!createFolders(path.substr(0, path.rfind('/'))))
    return Win32FromErrno(errno);
  if (RAND_bytes(key.bytes.data(), static_cast<int>(key.bytes.size())) != 1)
    return ERROR_GEN_FAILURE;
  // A key file that does not reach the disk whole is removed: a short key
  // would refuse every blob sealed with the key still in memory.
  UniqueFd file = tarsel::platform::openFile(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  if (!file.valid())
    return errno == EEXIST ? readKey(key) : Win32FromErrno(errno);
  const std::string_view bytes(reinterpret_cast<const char*>(key.bytes.data()), key.bytes.size());
  if (!tarsel::platform::writeAll(file.get(), bytes) || ::fsync(file.get()) != 0 || file.close() != 0) {
    const int error = errno;
    ::unlink(path.c_str());
    return Win32FromErrno(error);
  }
  return ERROR_SUCCESS;
}

std::vector<unsigned char> descriptionBytes(const char16_t* description) {
  std::vector<unsigned char> bytes;
  for (std::size_t i = 0; description && description[i] && i <= kMaxDescriptionUnits; ++i) {
    bytes.push_back(static_cast<unsigned char>(description[i] & 0xFF));
    bytes.push_back(static_cast<unsigned char>(description[i] >> 8));
  }
  return bytes;
}

struct CipherContext {
  CipherContext() : ctx(EVP_CIPHER_CTX_new()) {}
  ~CipherContext() { EVP_CIPHER_CTX_free(ctx); }
  CipherContext(const CipherContext&) = delete;
  CipherContext& operator=(const CipherContext&) = delete;
  EVP_CIPHER_CTX* ctx;
};

// Header and entropy are authenticated with the secret, so neither can be
// swapped without the blob failing to open.
bool addAuthenticatedData(EVP_CIPHER_CTX* ctx, const unsigned char* header, std::size_t headerSize,
                          const DATA_BLOB* entropy) {
  int unused = 0;
  if (EVP_CipherUpdate(ctx, nullptr, &unused, header, static_cast<int>(headerSize)) != 1)
    return false;
  if (entropy && entropy->cbData > 0)
    return EVP_CipherUpdate(ctx, nullptr, &unused, entropy->pbData, static_cast<int>(entropy->cbData)) == 1;
  return true;
}

bool validBlob(const DATA_BLOB* blob) {
  return blob && (blob->cbData == 0 || blob->pbData);
}

bool validEntropy(const DATA_BLOB* entropy) {
  return !entropy || (validBlob(entropy) && entropy->cbData <= kMaxSecret);
}

} // namespace

BOOL CryptProtectData(const DATA_BLOB* dataIn, const char16_t* description, const DATA_BLOB* optionalEntropy,
                      void* /*reserved*/, void* /*promptStruct*/, DWORD /*flags*/, DATA_BLOB* dataOut) {
  if (!validBlob(dataIn) || !dataOut || !validEntropy(optionalEntropy) || dataIn->cbData > kMaxSecret)
    return fail(ERROR_INVALID_PARAMETER);
  const std::vector<unsigned char> label = descriptionBytes(description);
  if (label.size() > kMaxDescriptionUnits * 2)
    return fail(ERROR_INVALID_PARAMETER);
  Key key;
  if (const DWORD error = readOrCreateKey(key))
    return fail(error);

  const std::size_t headerSize = kHeaderSize + label.size();
  const std::size_t total = headerSize + kNonceSize + dataIn->cbData + kTagSize;
  BYTE* blob = allocateBlock(total);
  if (!blob)
    return fail(ERROR_NOT_ENOUGH_MEMORY);
  std::memcpy(blob, kMagic, sizeof kMagic);
  blob[4] = static_cast<BYTE>(label.size() & 0xFF);
  blob[5] = static_cast<BYTE>(label.size() >> 8);
  std::copy(label.begin(), label.end(), blob + kHeaderSize);
  BYTE* nonce = blob + headerSize;
  BYTE* sealed = nonce + kNonceSize;
  BYTE* tag = sealed + dataIn->cbData;

  CipherContext cipher;
  int written = 0;
  int finalWritten = 0;
  const bool ok = cipher.ctx && RAND_bytes(nonce, kNonceSize) == 1 &&
                  EVP_EncryptInit_ex(cipher.ctx, EVP_aes_256_gcm(), nullptr, key.bytes.data(), nonce) == 1 &&
                  addAuthenticatedData(cipher.ctx, blob, headerSize, optionalEntropy) &&
                  EVP_EncryptUpdate(cipher.ctx, sealed, &written, dataIn->pbData,
                                    static_cast<int>(dataIn->cbData)) == 1 &&
                  EVP_EncryptFinal_ex(cipher.ctx, sealed + written, &finalWritten) == 1 &&
                  EVP_CIPHER_CTX_ctrl(cipher.ctx, EVP_CTRL_GCM_GET_TAG, kTagSize, tag) == 1;
  if (!ok) {
    LocalFree(blob);
    return fail(ERROR_GEN_FAILURE);
  }
  dataOut->pbData = blob;
  dataOut->cbData = static_cast<DWORD>(total);
  return TRUE;
}

BOOL CryptUnprotectData(const DATA_BLOB* dataIn, char16_t** description, const DATA_BLOB* optionalEntropy,
                        void* /*reserved*/, void* /*promptStruct*/, DWORD /*flags*/, DATA_BLOB* dataOut) {
  if (!validBlob(dataIn) || !dataOut || !validEntropy(optionalEntropy))
    return fail(ERROR_INVALID_PARAMETER);
  // The blob is outside input: every length is checked before it is used.
  const BYTE* blob = dataIn->pbData;
  const std::size_t size = dataIn->cbData;
  if (size < kHeaderSize + kNonceSize + kTagSize || std::memcmp(blob, kMagic, sizeof kMagic) != 0)
    return fail(ERROR_INVALID_DATA);
  const std::size_t labelSize = blob[4] | (static_cast<std::size_t>(blob[5]) << 8);
  if (labelSize % 2 != 0 || size - kHeaderSize - kNonceSize - kTagSize < labelSize)
    return fail(ERROR_INVALID_DATA);
  const std::size_t headerSize = kHeaderSize + labelSize;
  const BYTE* nonce = blob + headerSize;
  const BYTE* sealed = nonce + kNonceSize;
  const std::size_t secretSize = size - headerSize - kNonceSize - kTagSize;
  if (secretSize > kMaxSecret)
    return fail(ERROR_INVALID_DATA);
  Key key;
  if (const DWORD error = readKey(key))
    return fail(error);

  BYTE* plain = allocateBlock(secretSize);
  if (!plain)
    return fail(ERROR_NOT_ENOUGH_MEMORY);
  std::array<unsigned char, kTagSize> tag{};
  std::memcpy(tag.data(), sealed + secretSize, kTagSize);
  CipherContext cipher;
  int written = 0;
  int finalWritten = 0;
  const bool ok = cipher.ctx &&
                  EVP_DecryptInit_ex(cipher.ctx, EVP_aes_256_gcm(), nullptr, key.bytes.data(), nonce) == 1 &&
                  addAuthenticatedData(cipher.ctx, blob, headerSize, optionalEntropy) &&
                  EVP_DecryptUpdate(cipher.ctx, plain, &written, sealed, static_cast<int>(secretSize)) == 1 &&
                  EVP_CIPHER_CTX_ctrl(cipher.ctx, EVP_CTRL_GCM_SET_TAG, kTagSize, tag.data()) == 1 &&
                  EVP_DecryptFinal_ex(cipher.ctx, plain + written, &finalWritten) == 1;
  if (!ok) {
    LocalFree(plain);
    return fail(ERROR_INVALID_DATA);
  }
  if (description) {
    auto* text = reinterpret_cast<char16_t*>(allocateBlock(labelSize + sizeof(char16_t)));
    if (!text) {
      LocalFree(plain);
      return fail(ERROR_NOT_ENOUGH_MEMORY);
    }
    for (std::size_t i = 0; i < labelSize / 2; ++i)
      text[i] = static_cast<char16_t>(blob[kHeaderSize + 2 * i] | (blob[kHeaderSize + 2 * i + 1] << 8));
    text[labelSize / 2] = u'\0';
    *description = text;
  }
  dataOut->pbData = plain;
  dataOut->cbData = static_cast<DWORD>(secretSize);
  return TRUE;
}

void* LocalFree(void* block) {
  if (!block)
    return nullptr;
  auto* raw = static_cast<unsigned char*>(block) - kBlockHeader;
  std::size_t size = 0;
  std::memcpy(&size, raw, sizeof size);
  OPENSSL_cleanse(block, size);
  std::free(raw);
  return nullptr;
}

namespace tarsel::platform {

std::string DataProtectionKeyPath() {
  return xdgBaseFolder("XDG_DATA_HOME", ".local/share") + "/Tarsel/dataprotect.key";
}

} // namespace tarsel::platform

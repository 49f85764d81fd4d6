#include "savers/ftp/FtpServerSettings.h"

#include "env/BrantelTakeError.h"
#include "hostapi/ISaverSettings.h"
#include "platform/DataProtection.h"
#include "platform/Win32Error.h"
#include "savers/common/SettingsString.h"

#include <cstring>
#include <memory>

#include <string.h>

namespace tarsel::ftpsaver {

namespace {

constexpr const char* kRootDir = "RootDir";
constexpr const char* kUserName = "UserName";
constexpr const char* kPassword = "Password";
constexpr const char* kSavePassword = "SavePassword";
constexpr const char16_t* kDescription = u"FTP PWD";
// Bound to every sealed password: a blob sealed for another purpose of the
// same user does not open as a password.
constexpr BYTE kEntropy[16] = {0x3b, 0x7d, 0x19, 0xe4, 0xc2, 0xa6, 0x5f, 0x08,
                               0xd1, 0xe7, 0x70, 0x4b, 0x96, 0xac, 0x2f, 0x5d};

DATA_BLOB entropy() {
  return DATA_BLOB{sizeof kEntropy, const_cast<BYTE*>(kEntropy)};
}

// A value block of the settings, given back through FreeBinary on every path.
struct BinaryValue {
  ISaverSettings& key;
  BYTE* data = nullptr;
  DWORD size = 0;
  ~BinaryValue() {
    if (data)
      key.FreeBinary(data);
  }
};

// An opened secret, wiped and freed on every path.
struct OpenedSecret {
  DATA_BLOB blob;
  ~OpenedSecret() { LocalFree(blob.pbData); }
};

} // namespace

CFtpServerSettings::CFtpServerSettings(CRefPtr<ISaverSettings> key) : m_key(std::move(key)) {
  if (!m_key)
    ThrowError(E_POINTER);
}

std::string CFtpServerSettings::GetRootDir() {
  return savers::ReadString(*m_key, kRootDir);
}

std::string CFtpServerSettings::GetUserName() {
  return savers::ReadString(*m_key, kUserName);
}

bool CFtpServerSettings::GetSavePassword() {
  return m_key->GetBool(kSavePassword, false);
}

LONG CFtpServerSettings::GetPassword(char* buffer, DWORD* size) {
  if (!buffer || !size || *size == 0)
    return ERROR_INVALID_PARAMETER;
  explicit_bzero(buffer, *size);
  BinaryValue value{*m_key};
  const LONG read = m_key->GetBinary(kPassword, &value.data, &value.size);
  if (read != 0 || value.size == 0) {
    DWORD length = *size;
    const LONG plain = m_key->GetString(kPassword, buffer, &length);
    buffer[*size - 1] = '\0';
    return plain;
  }

  DATA_BLOB sealed{value.size, value.data};
  DATA_BLOB extra = entropy();
  OpenedSecret secret{};
  // A value that cannot be opened (another user's or machine's key, a
  // damaged value) reads as no password.
  if (!CryptUnprotectData(&sealed, nullptr, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                          &secret.blob))
    return 0;
  const auto* text = reinterpret_cast<const char*>(secret.blob.pbData);
  const std::size_t length = strnlen(text, secret.blob.cbData);
  if (length + 1 > *size) {
    *size = static_cast<DWORD>(length + 1);
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memcpy(buffer, text, length);
  buffer[length] = '\0';
  return 0;
}

void CFtpServerSettings::SetRootDir(const std::string& rootDir) {
  ThrowIfFailed(m_key->SetString(kRootDir, rootDir.c_str()), kRootDir);
}

void CFtpServerSettings::SetUserName(const std::string& userName) {
  ThrowIfFailed(m_key->SetString(kUserName, userName.c_str()), kUserName);
}

void CFtpServerSettings::StorePassword(const char* password, bool save) {
  bool stored = false;
  if (save) {
    const char* text = password ? password : "";
    DATA_BLOB plain{static_cast<DWORD>(std::strlen(text) + 1),
                    reinterpret_cast<BYTE*>(const_cast<char*>(text))};
    DATA_BLOB extra = entropy();
    OpenedSecret sealed{};
    if (CryptProtectData(&plain, kDescription, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN,
                         &sealed.blob)) {
      ThrowIfFailed(m_key->SetBinary(kPassword, sealed.blob.pbData, sealed.blob.cbData), kPassword);
      stored = true;
    }
  }
  if (!stored) {
    const LONG deleted = m_key->DeleteValue(kPassword);
    if (deleted != 0 && deleted != ERROR_FILE_NOT_FOUND)
      ThrowError(deleted, kPassword);
  }
  ThrowIfFailed(m_key->SetBool(kSavePassword, save), kSavePassword);
}

} // namespace tarsel::ftpsaver

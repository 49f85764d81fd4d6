#include "platform/DataProtection.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

std::vector<BYTE> bytesOf(const std::string& text) {
  return std::vector<BYTE>(text.begin(), text.end());
}

struct Sealed {
  BOOL ok = FALSE;
  DWORD error = 0;
  std::vector<BYTE> bytes;
};

Sealed protect(const std::string& secret, const std::string& entropy) {
  std::vector<BYTE> in = bytesOf(secret), salt = bytesOf(entropy);
  DATA_BLOB input{static_cast<DWORD>(in.size()), in.data()};
  DATA_BLOB extra{static_cast<DWORD>(salt.size()), salt.data()};
  DATA_BLOB out;
  Sealed result;
  result.ok = CryptProtectData(&input, u"FTP PWD", &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out);
  result.error = result.ok ? 0 : GetLastError();
  if (result.ok)
    result.bytes.assign(out.pbData, out.pbData + out.cbData);
  LocalFree(out.pbData);
  return result;
}

// The secret, or the error number after a '!'.
std::string unprotect(std::vector<BYTE> blob, const std::string& entropy,
                      std::u16string* description = nullptr) {
  std::vector<BYTE> salt = bytesOf(entropy);
  DATA_BLOB input{static_cast<DWORD>(blob.size()), blob.data()};
  DATA_BLOB extra{static_cast<DWORD>(salt.size()), salt.data()};
  DATA_BLOB out;
  char16_t* label = nullptr;
  if (!CryptUnprotectData(&input, &label, &extra, nullptr, nullptr, CRYPTPROTECT_UI_FORBIDDEN, &out))
    return "!" + std::to_string(GetLastError());
  if (description)
    *description = label;
  std::string secret(reinterpret_cast<const char*>(out.pbData), out.cbData);
  LocalFree(out.pbData);
  LocalFree(label);
  return secret;
}

TEST(DataProtection, ASealedSecretOpensOnlyWhole_WithItsEntropy_AndUnderThisUsersKey) {
  const std::string key = tarsel::platform::DataProtectionKeyPath();
  std::filesystem::remove(key);
  const Sealed sealed = protect(std::string("s3cret\0", 7), "entropy");
  ASSERT_TRUE(sealed.ok) << sealed.error;
  struct stat info {};
  ASSERT_EQ(0, ::stat(key.c_str(), &info));
  EXPECT_EQ(0600u, info.st_mode & 0777);
  EXPECT_EQ(std::string::npos, std::string(sealed.bytes.begin(), sealed.bytes.end()).find("s3cret"));

  std::u16string description;
  EXPECT_EQ(std::string("s3cret\0", 7), unprotect(sealed.bytes, "entropy", &description));
  EXPECT_EQ(u"FTP PWD", description);
  // Two seals of one secret differ (a fresh nonce each time) and both open.
  const Sealed again = protect(std::string("s3cret\0", 7), "entropy");
  EXPECT_NE(sealed.bytes, again.bytes);
  EXPECT_EQ(std::string("s3cret\0", 7), unprotect(again.bytes, "entropy"));

  EXPECT_EQ("!13", unprotect(sealed.bytes, "other entropy"));
  for (std::size_t i = 0; i < sealed.bytes.size(); ++i) {
    std::vector<BYTE> flipped = sealed.bytes;
    flipped[i] ^= 0x01;
    EXPECT_EQ("!13", unprotect(flipped, "entropy")) << "byte " << i;
  }
  for (std::size_t size = 0; size < sealed.bytes.size(); ++size)
    EXPECT_EQ("!13",
              unprotect(std::vector<BYTE>(sealed.bytes.begin(), sealed.bytes.begin() + size), "entropy"));
  // A blob of the Windows calls, carried over in an exported registry file.
  EXPECT_EQ("!13",
            unprotect({0x01, 0x00, 0x00, 0x00, 0xd0, 0x8c, 0x9d, 0xdf, 0x01, 0x15, 0xd1, 0x11}, "entropy"));

  // A key that others may read is no secret: refused both ways.
  ASSERT_EQ(0, ::chmod(key.c_str(), 0644));
  EXPECT_EQ("!5", unprotect(sealed.bytes, "entropy"));
  EXPECT_EQ(5u, protect("x", "entropy").error);
  ASSERT_EQ(0, ::chmod(key.c_str(), 0600));
  EXPECT_EQ(std::string("s3cret\0", 7), unprotect(sealed.bytes, "entropy"));

  // Without the key nothing opens, and opening makes none; another key (a
  // home copied from elsewhere) opens nothing sealed under this one.
  std::filesystem::remove(key);
  EXPECT_EQ("!2", unprotect(sealed.bytes, "entropy"));
  EXPECT_FALSE(std::filesystem::exists(key));
  ASSERT_TRUE(protect("new", "entropy").ok);
  EXPECT_EQ("!13", unprotect(sealed.bytes, "entropy"));
}

} // namespace

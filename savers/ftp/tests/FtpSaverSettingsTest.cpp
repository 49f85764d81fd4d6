#include "app/settings/TarselSettings.h"
#include "hostapi/ISaverSettings.h"
#include "platform/DataProtection.h"
#include "platform/testsupport/TestSupport.h"
#include "savers/ftp/FtpSettings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include <sys/stat.h>

namespace tarsel::ftpsaver::test {
namespace {

std::string passwordOf(CFtpServerSettings& server, DWORD size, LONG* result = nullptr,
                       DWORD* needed = nullptr) {
  std::string buffer(size, 'x');
  DWORD length = size;
  const LONG read = server.GetPassword(buffer.data(), &length);
  if (result)
    *result = read;
  if (needed)
    *needed = length;
  return buffer.c_str();
}

TEST(FtpSaverPassword, IsKeptSealedAndEveryDamagedOrForeignValueReadsAsNoPassword) {
  CTarselSettings settings;
  {
    CFtpSettings writable(&settings, false);
    writable.SetServer("ftp.example.org");
    CFtpServerSettings server = writable.OpenServerKey("ftp.example.org");
    server.SetUserName("camera");
    server.StorePassword("Tr0ub4dor&3-plaintext", true);
  }
  CFtpSettings ftp(&settings, true);
  EXPECT_EQ(ftp.GetServer(), "ftp.example.org");
  CFtpServerSettings server = ftp.OpenServerKey("ftp.example.org");
  EXPECT_TRUE(server.GetSavePassword());
  LONG result = -1;
  DWORD needed = 0;
  EXPECT_EQ(passwordOf(server, 261, &result), "Tr0ub4dor&3-plaintext");
  EXPECT_EQ(result, 0);
  // The settings file on disk never holds the text.
  const std::string store =
      tarsel::test::readFile(std::string(std::getenv("TARSEL_REGISTRY_DIR")) + "/user.reg");
  EXPECT_NE(store.find("ftp.example.org"), std::string::npos);
  EXPECT_EQ(store.find("Tr0ub4dor"), std::string::npos);
  EXPECT_EQ(store.find("plaintext"), std::string::npos);

  // Too small a buffer: 122, the size it needs, and nothing of the text.
  EXPECT_EQ(passwordOf(server, 10, &result, &needed), "");
  EXPECT_EQ(result, 122);
  EXPECT_EQ(needed, 22u);

  // A key file that others may read is refused: no password rather than a leaked one.
  const std::string key = platform::DataProtectionKeyPath();
  ASSERT_EQ(::chmod(key.c_str(), 0640), 0);
  EXPECT_EQ(passwordOf(server, 261, &result), "");
  EXPECT_EQ(result, 0);
  ASSERT_EQ(::chmod(key.c_str(), 0600), 0);

  // A damaged sealed value reads as no password.
  ISaverSettings* raw = nullptr;
  ASSERT_EQ(settings.GetSaverSettings("FTP", &raw, false), 0);
  CRefPtr<ISaverSettings> ftpKey;
  ftpKey.Attach(raw);
  ISaverSettings* rawServer = nullptr;
  ASSERT_EQ(ftpKey->OpenSubKey("ftp.example.org", false, &rawServer), 0);
  CRefPtr<ISaverSettings> serverKey;
  serverKey.Attach(rawServer);
  BYTE* sealed = nullptr;
  DWORD sealedSize = 0;
  ASSERT_EQ(serverKey->GetBinary("Password", &sealed, &sealedSize), 0);
  sealed[sealedSize - 1] ^= 0x40;
  ASSERT_EQ(serverKey->SetBinary("Password", sealed, sealedSize), 0);
  serverKey->FreeBinary(sealed);
  EXPECT_EQ(passwordOf(server, 261, &result), "");
  EXPECT_EQ(result, 0);

  // A password stored as plain text by an older version is still read.
  ASSERT_EQ(serverKey->SetString("Password", "older"), 0);
  EXPECT_EQ(passwordOf(server, 261), "older");

  // Not kept: the value is deleted and the choice stored.
  CFtpSettings(&settings, false).OpenServerKey("ftp.example.org").StorePassword("new", false);
  EXPECT_EQ(passwordOf(server, 261, &result), "");
  EXPECT_EQ(result, 2);
  EXPECT_FALSE(server.GetSavePassword());
}

} // namespace
} // namespace tarsel::ftpsaver::test

// Round trips of every kind of value, read-only objects, the factory's
// results, key paths and the per-user data folder.
#include "app/settings/tests/SettingsTestSupport.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace tarsel::settings::test {
namespace {

constexpr const char* kOptions = "SOFTWARE\\drevant\\Tarsel\\Options";
constexpr LONG kFail = static_cast<LONG>(0x80004005u);

std::string readString(ICamSdkSettings& s, const char* name) {
  DWORD size = 0;
  if (s.GetString(name, nullptr, &size) != 0)
    return "<missing>";
  std::string text(size, '\0');
  EXPECT_EQ(0, s.GetString(name, text.data(), &size));
  text.resize(size ? size - 1 : 0);
  return text;
}

} // namespace

using SettingsValues = SettingsTest;

TEST_F(SettingsValues, DwordsBoolsAndStringsOfACameraFamilyRoundTrip) {
  auto family = sdk("BRANTEL_SDK3.4", false);
  for (DWORD value : {0u, 1u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
    ASSERT_EQ(0, family->SetDWord("BypassMedia", value));
    EXPECT_EQ(value, sdk("BRANTEL_SDK3.4", true)->GetDWord("BypassMedia", 99));
  }
  EXPECT_EQ(99u, family->GetDWord("Missing", 99));

  EXPECT_TRUE(family->GetBool("Flag", true));
  EXPECT_FALSE(family->GetBool("Flag", false));
  ASSERT_EQ(0, family->SetBool("Flag", true));
  EXPECT_TRUE(family->GetBool("Flag", false));
  ASSERT_EQ(0, family->SetBool("Flag", false));
  EXPECT_FALSE(family->GetBool("Flag", true));
  // Any non-zero DWORD is true.
  ASSERT_EQ(0, family->SetDWord("Flag", 2));
  EXPECT_TRUE(family->GetBool("Flag", false));

  const std::string texts[] = {"", "Camera \xE4\xF6 name", std::string(5000, 'x')};
  for (const std::string& text : texts) {
    ASSERT_EQ(0, family->SetString("CameraOfUserChoiceName", text.c_str()));
    EXPECT_EQ(text, readString(*sdk("BRANTEL_SDK3.4", true), "CameraOfUserChoiceName"));
  }
}

TEST_F(SettingsValues, TimeLapseTimesAreEightLittleEndianBinaryBytes) {
  auto options = user(false);
  const ULONGLONG when = 0x0123456789ABCDEFull;
  ASSERT_EQ(0, options->SetTimeLapseStartTime(when));
  ASSERT_EQ(0, options->SetTimeLapseEndTime(when + 1));
  EXPECT_EQ(when, user(true)->GetTimeLapseStartTime());
  EXPECT_EQ(when + 1, user(true)->GetTimeLapseEndTime());
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(getRaw(kOptions, "TimeLapseStartTime", type, bytes));
  EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
  EXPECT_EQ(std::string("\xEF\xCD\xAB\x89\x67\x45\x23\x01", 8), bytes);

  putRaw(kOptions, "TimeLapseStartTime", REG_BINARY, std::string(7, '\1'));
  EXPECT_EQ(0u, user(true)->GetTimeLapseStartTime());
  putRaw(kOptions, "TimeLapseStartTime", REG_SZ, std::string("1234567\0", 8));
  EXPECT_EQ(0u, user(true)->GetTimeLapseStartTime());
}

TEST_F(SettingsValues, LcdOrPreviewTellsNotDecidedFromAStoredChoice) {
  auto options = user(false);
  bool choice = true;
  EXPECT_EQ(2, options->GetLcdOrPreview(&choice));
  ASSERT_EQ(0, options->SetLcdOrPreview(false));
  EXPECT_EQ(0, options->GetLcdOrPreview(&choice));
  EXPECT_FALSE(choice);
  ASSERT_EQ(0, options->SetLcdOrPreview(true));
  EXPECT_EQ(0, options->GetLcdOrPreview(&choice));
  EXPECT_TRUE(choice);
  putRaw(kOptions, "LcdOrPreview", REG_SZ, std::string("1\0", 2));
  EXPECT_EQ(13, options->GetLcdOrPreview(&choice));
  ASSERT_EQ(0, options->ClearLcdOrPreview());
  EXPECT_EQ(2, options->GetLcdOrPreview(&choice));
}

TEST_F(SettingsValues, ReadOnlyObjectsRefuseEveryWriteAndChangeNothing) {
  // The first requests are read-only, so they also create their keys: the
  // objects must refuse writes on that run as on every later one.
  auto p = params(true);
  auto u = user(true);
  auto f = sdk("CANON_CD", true);
  auto s = saver("FTP", true);
  const BYTE bytes[4] = {1, 2, 3, 4};
  EXPECT_EQ(5, p->SetLastDownloadDir("/tmp"));
  EXPECT_EQ(5, p->SetLastWinPlace(bytes, sizeof bytes));
  EXPECT_EQ(5, p->SetCaptureDlgShown(true));
  EXPECT_EQ(5, u->SetRotation(3));
  EXPECT_EQ(5, u->SetUseDeviceNotifications(false));
  EXPECT_EQ(5, u->SetFilePrefix("IMG"));
  EXPECT_EQ(5, u->SetTimeLapseEndTime(5));
  EXPECT_EQ(5, u->SetLcdOrPreview(true));
  EXPECT_EQ(5, f->SetDWord("UseCameraOfUserChoice", 1));
  EXPECT_EQ(5, f->SetString("CameraOfUserChoiceName", "x"));
  EXPECT_EQ(5, s->SetString("Server", "ftp.example.org"));
  EXPECT_EQ(5, s->SetBinary("Password", bytes, sizeof bytes));
  EXPECT_EQ(5, s->SetBool("SavePassword", true));

  // A stored value cannot be deleted through a read-only object either.
  ASSERT_EQ(0, user(false)->SetLcdOrPreview(true));
  ASSERT_EQ(0, saver("FTP", false)->SetString("Server", "a"));
  EXPECT_EQ(5, user(true)->ClearLcdOrPreview());
  EXPECT_EQ(5, saver("FTP", true)->DeleteValue("Server"));

  EXPECT_EQ(0u, user(true)->GetRotation());
  EXPECT_TRUE(user(true)->GetUseDeviceNotifications());
  bool choice = false;
  EXPECT_EQ(0, user(true)->GetLcdOrPreview(&choice));
  EXPECT_TRUE(choice);
  DWORD type = 0;
  std::string raw;
  EXPECT_TRUE(getRaw("SOFTWARE\\drevant\\Tarsel\\Options\\Saver\\FTP", "Server", type, raw));
  EXPECT_FALSE(getRaw("SOFTWARE\\drevant\\Tarsel\\Options\\Saver\\FTP", "Password", type, raw));
}

TEST_F(SettingsValues, ANullTextIsRefusedWithEFail) {
  EXPECT_EQ(kFail, params(false)->SetLastDownloadDir(nullptr));
  EXPECT_EQ(kFail, params(false)->SetLastUsedCaptureSettingsProfilePath(nullptr));
  EXPECT_EQ(kFail, user(false)->SetFilePrefix(nullptr));
  EXPECT_EQ(kFail, sdk("CANON_CD", false)->SetString("CameraOfUserChoiceName", nullptr));
  EXPECT_EQ(kFail, saver("FILE", false)->SetString("RootDir", nullptr));
}

TEST_F(SettingsValues, TheFactoryHandsOutObjectsWithOneReference) {
  ITarselConfigSettings* options = nullptr;
  ASSERT_EQ(0, m_factory.GetUserSettings(&options, true));
  EXPECT_EQ(2, options->AddRef());
  EXPECT_EQ(1, options->Release());
  EXPECT_EQ(0, options->Release());

  EXPECT_EQ(87, m_factory.GetUserSettings(nullptr, true));
  ISaverSettings* unset = reinterpret_cast<ISaverSettings*>(0x1);
  EXPECT_EQ(87, m_factory.GetSaverSettings(nullptr, &unset, true));
  EXPECT_EQ(reinterpret_cast<ISaverSettings*>(0x1), unset);
  EXPECT_EQ(static_cast<HRESULT>(0x80004001u), user(true)->NotImplemented1(nullptr, nullptr));
  EXPECT_EQ(static_cast<HRESULT>(0x80004001u), user(true)->NotImplemented2(nullptr, nullptr));
}

TEST_F(SettingsValues, KeyNamesAreOneKeyWhateverTheirCase) {
  ASSERT_EQ(0, sdk("Brantel_Sdk3.4", false)->SetDWord("BypassMedia", 7));
  EXPECT_EQ(7u, sdk("BRANTEL_SDK3.4", true)->GetDWord("bypassmedia", 0));
  DWORD type = 0;
  std::string raw;
  ASSERT_TRUE(getRaw("software\\DREVANT\\tarsel\\OPTIONS\\sdk\\brantel_sdk3.4", "BYPASSMEDIA", type, raw));
  EXPECT_EQ(std::string("\7\0\0\0", 4), raw);
}

TEST_F(SettingsValues, ANameWithBackslashesOpensADeeperKey) {
  ASSERT_EQ(0, saver("A\\B", false)->SetDWord("Depth", 2));
  EXPECT_TRUE(keyExists("SOFTWARE\\drevant\\Tarsel\\Options\\Saver\\A\\B"));
  EXPECT_EQ(0u, saver("A", true)->GetDWord("Depth", 0));
  EXPECT_EQ(2u, subKey(*saver("A", true), "B", true)->GetDWord("Depth", 0));
}

TEST_F(SettingsValues, AnObjectWhoseKeyCannotBeOpenedGivesDefaultsAndTheError) {
  // An empty path component is no key name.
  auto broken = saver("A\\\\B", false);
  ASSERT_TRUE(broken);
  EXPECT_EQ(42u, broken->GetDWord("x", 42));
  EXPECT_TRUE(broken->GetBool("x", true));
  EXPECT_EQ(87, broken->SetDWord("x", 1));
  char buffer[8] = "zzz";
  DWORD size = sizeof buffer;
  EXPECT_EQ(87, broken->GetString("x", buffer, &size));
  EXPECT_STREQ("", buffer);
  char* list = reinterpret_cast<char*>(0x1);
  EXPECT_EQ(87, broken->EnumSubKeys(&list));
  EXPECT_EQ(nullptr, list);
}

TEST_F(SettingsValues, TheDataFolderIsTarselBelowTheApplicationDataFolder) {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  ASSERT_NE(nullptr, dataHome);
  const std::string expected = std::string(dataHome) + "/Tarsel/";
  auto options = user(true);

  DWORD size = 0;
  EXPECT_EQ(122, options->GetDataFolder(nullptr, &size));
  EXPECT_EQ(expected.size() + 1, size);
  std::string buffer(expected.size(), '#');
  size = static_cast<DWORD>(buffer.size());
  EXPECT_EQ(122, options->GetDataFolder(buffer.data(), &size));
  EXPECT_EQ(expected.size() + 1, size);

  buffer.assign(expected.size() + 1, '#');
  size = static_cast<DWORD>(buffer.size());
  ASSERT_EQ(0, options->GetDataFolder(buffer.data(), &size));
  EXPECT_EQ(expected.size() + 1, size);
  EXPECT_EQ(expected, std::string(buffer.c_str()));
  struct stat info {};
  ASSERT_EQ(0, ::stat(expected.c_str(), &info));
  EXPECT_TRUE(S_ISDIR(info.st_mode));
}

} // namespace tarsel::settings::test

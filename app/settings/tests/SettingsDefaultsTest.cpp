// Every value of the program and option keys read from an empty store, and
// what each setter leaves in the registry (name, type, bytes).
#include "app/settings/tests/SettingsTestSupport.h"

#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace tarsel::settings::test {
namespace {

constexpr const char* kProgram = "SOFTWARE\\drevant\\Tarsel";
constexpr const char* kOptions = "SOFTWARE\\drevant\\Tarsel\\Options";

std::string dwordBytes(DWORD v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                     static_cast<char>((v >> 16) & 0xFF), static_cast<char>((v >> 24) & 0xFF)};
}

using Config = ITarselConfigSettings;

struct DWordRow {
  const char* name;
  DWORD expectedDefault;
  bool isBool;
  std::function<DWORD(Config&)> get;
  std::function<LONG(Config&, DWORD)> set;
};

// bool options read as 0/1 here.
std::vector<DWordRow> optionRows() {
  auto b = [](bool (Config::*get)(), LONG (Config::*set)(bool)) {
    return std::tuple<bool, std::function<DWORD(Config&)>, std::function<LONG(Config&, DWORD)>>{
        true, [get](Config& c) { return (c.*get)() ? 1u : 0u; },
        [set](Config& c, DWORD v) { return (c.*set)(v != 0); }};
  };
  auto d = [](DWORD (Config::*get)(), LONG (Config::*set)(DWORD)) {
    return std::tuple<bool, std::function<DWORD(Config&)>, std::function<LONG(Config&, DWORD)>>{
        false, [get](Config& c) { return (c.*get)(); }, [set](Config& c, DWORD v) { return (c.*set)(v); }};
  };
  std::vector<DWordRow> rows;
  auto add = [&](const char* name, DWORD def, auto accessors) {
    rows.push_back({name, def, std::get<0>(accessors), std::get<1>(accessors), std::get<2>(accessors)});
  };
  add("UseDeviceNotifications", 1, b(&Config::GetUseDeviceNotifications, &Config::SetUseDeviceNotifications));
  add("LeavePictureInCamera", 0, b(&Config::GetLeavePictureInCamera, &Config::SetLeavePictureInCamera));
  add("BackgroundColor", 0xE6FFD7, d(&Config::GetBackgroundColor, &Config::SetBackgroundColor));
  add("BraketingParam", 1, d(&Config::GetBracketingParam, &Config::SetBracketingParam));
  add("BraketingNumPics", 0, d(&Config::GetBracketingNumPics, &Config::SetBracketingNumPics));
  add("DoNotDisplayPicture", 0, b(&Config::GetDoNotDisplayPicture, &Config::SetDoNotDisplayPicture));
  add("Rotation", 0, d(&Config::GetRotation, &Config::SetRotation));
  add("NumDigitsInCounter", 4, d(&Config::GetNumDigitsInCounter, &Config::SetNumDigitsInCounter));
  add("AutoSaveAfterTakingSingle", 0,
      b(&Config::GetAutoSaveAfterTakingSingle, &Config::SetAutoSaveAfterTakingSingle));
  add("AutoSaveAfterTaking", 0, b(&Config::GetAutoSaveAfterTaking, &Config::SetAutoSaveAfterTaking));
  add("CamNameUse", 0, d(&Config::GetCamNameUse, &Config::SetCamNameUse));
  add("TabNum", 0, d(&Config::GetTabNum, &Config::SetTabNum));
  add("NumPicsToTake", 0, d(&Config::GetNumPicsToTake, &Config::SetNumPicsToTake));
  add("TimeInterval", 10, d(&Config::GetTimeInterval, &Config::SetTimeInterval));
  add("InitialCounter", 0, d(&Config::GetInitialCounter, &Config::SetInitialCounter));
  add("DoNotIncrementCounter", 0, b(&Config::GetDoNotIncrementCounter, &Config::SetDoNotIncrementCounter));
  add("SaveInitialCounter", 0, b(&Config::GetSaveInitialCounter, &Config::SetSaveInitialCounter));
  add("SaveCounter", 0, d(&Config::GetSaveCounter, &Config::SetSaveCounter));
  add("DontShowBatteryStatus", 0, b(&Config::GetDontShowBatteryStatus, &Config::SetDontShowBatteryStatus));
  return rows;
}

struct StringRow {
  const char* key;
  const char* name;
  std::function<LONG(SettingsTest&, char*, DWORD*)> get;
  std::function<LONG(SettingsTest&, const char*)> set;
};

} // namespace

class SettingsDefaults : public SettingsTest {
protected:
  std::vector<StringRow> stringRows() {
    using P = ITarselPersistentParams;
    auto p = [](LONG (P::*get)(char*, DWORD*), LONG (P::*set)(const char*)) {
      return std::pair<std::function<LONG(SettingsTest&, char*, DWORD*)>,
                       std::function<LONG(SettingsTest&, const char*)>>{
          [get](SettingsTest& t, char* b, DWORD* s) {
            return (static_cast<SettingsDefaults&>(t).params(true).get()->*get)(b, s);
          },
          [set](SettingsTest& t, const char* text) {
            return (static_cast<SettingsDefaults&>(t).params(false).get()->*set)(text);
          }};
    };
    auto c = [](LONG (Config::*get)(char*, DWORD*), LONG (Config::*set)(const char*)) {
      return std::pair<std::function<LONG(SettingsTest&, char*, DWORD*)>,
                       std::function<LONG(SettingsTest&, const char*)>>{
          [get](SettingsTest& t, char* b, DWORD* s) {
            return (static_cast<SettingsDefaults&>(t).user(true).get()->*get)(b, s);
          },
          [set](SettingsTest& t, const char* text) {
            return (static_cast<SettingsDefaults&>(t).user(false).get()->*set)(text);
          }};
    };
    std::vector<StringRow> rows;
    auto add = [&](const char* key, const char* name, auto accessors) {
      rows.push_back({key, name, accessors.first, accessors.second});
    };
    add(kProgram, "LastUsedCapruteSettingsProfilePath",
        p(&P::GetLastUsedCaptureSettingsProfilePath, &P::SetLastUsedCaptureSettingsProfilePath));
    add(kProgram, "LastDownloadDir", p(&P::GetLastDownloadDir, &P::SetLastDownloadDir));
    add(kProgram, "LastFocusingImagesDir", p(&P::GetLastFocusingImagesDir, &P::SetLastFocusingImagesDir));
    add(kOptions, "LastMethodOfSaving", c(&Config::GetLastMethodOfSaving, &Config::SetLastMethodOfSaving));
    add(kOptions, "FilePrefix", c(&Config::GetFilePrefix, &Config::SetFilePrefix));
    add(kOptions, "CustIntervalsFileName",
        c(&Config::GetCustIntervalsFileName, &Config::SetCustIntervalsFileName));
    return rows;
  }
};

TEST_F(SettingsDefaults, EveryOptionReadsItsDefaultFromAnEmptyStoreAndIsStoredAsADword) {
  for (const DWordRow& row : optionRows()) {
    SCOPED_TRACE(row.name);
    wipe();
    EXPECT_EQ(row.expectedDefault, row.get(*user(true)));
    const DWORD stored = row.isBool ? (row.expectedDefault ? 0 : 1) : 0x12345678;
    ASSERT_EQ(0, row.set(*user(false), stored));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(getRaw(kOptions, row.name, type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(dwordBytes(stored), bytes);
    EXPECT_EQ(stored, row.get(*user(true)));
  }
}

TEST_F(SettingsDefaults, AValueOfTheWrongTypeOrSizeReadsAsTheDefault) {
  for (const DWordRow& row : optionRows()) {
    SCOPED_TRACE(row.name);
    putRaw(kOptions, row.name, REG_SZ, std::string("5\0", 2));
    EXPECT_EQ(row.expectedDefault, row.get(*user(true)));
    putRaw(kOptions, row.name, REG_DWORD, std::string("\5\0", 2));
    EXPECT_EQ(row.expectedDefault, row.get(*user(true)));
    putRaw(kOptions, row.name, REG_BINARY, dwordBytes(5));
    EXPECT_EQ(row.expectedDefault, row.get(*user(true)));
  }
}

TEST_F(SettingsDefaults, ReadOnlyAndDelayValuesKeepTheirDefaults) {
  EXPECT_EQ(1000u, user(true)->GetDeviceNotificationDelay());
  putRaw(kOptions, "DeviceNotificationDelay", REG_DWORD, dwordBytes(250));
  EXPECT_EQ(250u, user(true)->GetDeviceNotificationDelay());
  EXPECT_FALSE(params(true)->GetCaptureDlgShown());
  EXPECT_EQ(0u, user(true)->GetTimeLapseStartTime());
  EXPECT_EQ(0u, user(true)->GetTimeLapseEndTime());
  bool choice = true;
  EXPECT_EQ(2, user(true)->GetLcdOrPreview(&choice));
}

TEST_F(SettingsDefaults, EveryStringReadsEmptyFromAnEmptyStoreAndIsStoredWithItsTerminator) {
  for (const StringRow& row : stringRows()) {
    SCOPED_TRACE(row.name);
    wipe();
    char buffer[16];
    std::memset(buffer, 'x', sizeof buffer);
    DWORD size = sizeof buffer;
    EXPECT_EQ(2, row.get(*this, buffer, &size));
    EXPECT_STREQ("", buffer);
    EXPECT_EQ(1u, size);
    ASSERT_EQ(0, row.set(*this, "C:/x"));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(getRaw(row.key, row.name, type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(std::string("C:/x\0", 5), bytes);
    size = sizeof buffer;
    EXPECT_EQ(0, row.get(*this, buffer, &size));
    EXPECT_STREQ("C:/x", buffer);
    EXPECT_EQ(5u, size);
  }
}

TEST_F(SettingsDefaults, PlacementsAreMissingUntilStoredAndAreStoredAsBinary) {
  using P = ITarselPersistentParams;
  struct Row {
    const char* name;
    LONG (P::*get)(BYTE*, DWORD*);
    LONG (P::*set)(const BYTE*, DWORD);
  };
  const Row rows[] = {{"LastWinPlace", &P::GetLastWinPlace, &P::SetLastWinPlace},
                      {"LastCaptureDlgPlace", &P::GetLastCaptureDlgPlace, &P::SetLastCaptureDlgPlace},
                      {"LastPreviewWndPlace", &P::GetLastPreviewWndPlace, &P::SetLastPreviewWndPlace}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    BYTE buffer[8] = {};
    DWORD size = sizeof buffer;
    EXPECT_EQ(2, (params(true).get()->*row.get)(buffer, &size));
    const BYTE record[5] = {1, 2, 3, 4, 5};
    ASSERT_EQ(0, (params(false).get()->*row.set)(record, sizeof record));
    DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(getRaw(kProgram, row.name, type, bytes));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
    EXPECT_EQ(std::string("\1\2\3\4\5", 5), bytes);

    size = 0;
    EXPECT_EQ(0, (params(true).get()->*row.get)(nullptr, &size));
    EXPECT_EQ(5u, size);
    size = 4;
    EXPECT_EQ(234, (params(true).get()->*row.get)(buffer, &size));
    EXPECT_EQ(5u, size);
    size = sizeof buffer;
    EXPECT_EQ(0, (params(true).get()->*row.get)(buffer, &size));
    EXPECT_EQ(5u, size);
    EXPECT_EQ(0, std::memcmp(buffer, record, 5));

    // A value of another type is no placement.
    putRaw(kProgram, row.name, REG_SZ, std::string("\1\2\3\4\0", 5));
    size = sizeof buffer;
    EXPECT_EQ(13, (params(true).get()->*row.get)(buffer, &size));
  }
}

TEST_F(SettingsDefaults, EvenAReadOnlyFirstRequestCreatesItsKey) {
  ASSERT_FALSE(keyExists(kProgram));
  params(true);
  EXPECT_TRUE(keyExists(kProgram));
  user(true);
  EXPECT_TRUE(keyExists(kOptions));
  sdk("BRANTEL_SDK3.4", true);
  EXPECT_TRUE(keyExists("SOFTWARE\\drevant\\Tarsel\\Options\\SDK\\BRANTEL_SDK3.4"));
  saver("FILE", true);
  EXPECT_TRUE(keyExists("SOFTWARE\\drevant\\Tarsel\\Options\\Saver\\FILE"));
}

} // namespace tarsel::settings::test

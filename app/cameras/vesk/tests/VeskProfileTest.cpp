// Capture profiles and keyword settings of a camera-link camera over the
// real library and a simulated XC-701: the text written per program mode,
// read back into the camera's registers, malformed texts, and the keyword
// form under a comma-decimal locale.
#include "VeskSimulatedCamera.h"

#include "app/cameras/vesk/VeskKeywordSettings.h"
#include "app/core/CaptureProfileStorage.h"

#include <clocale>
#include <initializer_list>
#include <optional>
#include <string>

using tarsel::test::ScopedEnv;
using tarsel::vesk::FamilyKeywordTables;
using tarsel::vesk::VeskKeywordSettings;
using tarsel::vesk::test::SimulatedCamera;

namespace {

// The keyword form: each item followed by a zero, then an empty item.
std::string keywords(std::initializer_list<std::string> items) {
  std::string text;
  for (const std::string& item : items)
    text += item + '\0';
  return text + '\0';
}

// A German locale made when the build was configured, as a desktop session
// has one; the C locale again at the end.
class CommaLocale {
public:
  CommaLocale() {
    if (std::string(VESK_LOCALE_DIR).empty())
      return;
    m_path.emplace("LOCPATH", VESK_LOCALE_DIR);
    m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  bool active() const { return m_active; }

private:
  std::optional<ScopedEnv> m_path;
  bool m_active = false;
};

class CameraProfile : public SimulatedCamera {
protected:
  std::string text() {
    CCaptureProfileStorage storage;
    EXPECT_EQ(camera->GetCaptureSettingsText(&storage), 0);
    std::uint32_t length = 0;
    const void* data = storage.GetData(length);
    return data ? std::string(static_cast<const char*>(data), length) : std::string();
  }
  // The result, or the code of the error thrown.
  HRESULT apply(const std::string& profile) {
    CCaptureProfileStorage storage;
    storage.SetData(profile.data(), static_cast<std::uint32_t>(profile.size()));
    try {
      return camera->ApplyCaptureSettingsText(&storage);
    } catch (const _brantel_take_error& error) {
      return error.Error();
    }
  }
  std::string exposure() {
    std::int32_t mode = 0;
    std::int32_t aperture = 0;
    std::int32_t time = 0;
    camera->GetExposureProp3(&mode, &aperture, &time);
    return std::to_string(mode) + " " + std::to_string(aperture) + " " + std::to_string(time);
  }
};

} // namespace

TEST_F(CameraProfile, WrittenPerProgramModeAndReadBackIntoTheRegisters) {
  camera->SetPropIsoSpeed(3);
  camera->SetPropFlash(2);
  camera->SetPropWhiteBalance(255);
  camera->SetPropMetering(4);
  camera->SetPropResolution(5);
  camera->SetPropOpticalZoom(100, nullptr);
  camera->SetPropFocusMode(1);
  camera->SetPropExpoBias(-7);
  camera->SetExternalFlash(2);
  const std::string head = "CPFFv001\r\nCamType=XC-701\r\nLcdMode=1\r\n";
  const std::string tail = "IsoSpeed=3\r\nFlash=2\r\nWhiteBalance=255\r\nMetering=4\r\nResolution=5\r\n"
                           "OpticalZoom=100\r\nFocusMode=1\r\nExternalFlash=2\r\n";
  camera->SetExposureProp3(1, 40, 8000);
  const std::string manual = text();
  EXPECT_EQ(manual, head + "Aperture=40\r\nExposureTime=8000\r\nProgramMode=1\r\n" + tail);
  camera->SetExposureProp3(2, 40, 8000);
  EXPECT_EQ(text(), head + "ProgramMode=2\r\nExpoBias=-7\r\n" + tail);
  camera->SetExposureProp3(3, 40, 8000);
  EXPECT_EQ(text(), head + "Aperture=40\r\nProgramMode=3\r\nExpoBias=-7\r\n" + tail);
  camera->SetExposureProp3(4, 40, 8000);
  camera->SetPropFocusMode(4);
  camera->SetPropFocusPosition(57);
  ASSERT_EQ(camera->LcdOn(0), 0);
  const std::string shutter = text();
  EXPECT_EQ(shutter,
            "CPFFv001\r\nCamType=XC-701\r\nLcdMode=2\r\nExposureTime=8000\r\nProgramMode=4\r\nExpoBias=-7\r\n"
            "IsoSpeed=3\r\nFlash=2\r\nWhiteBalance=255\r\nMetering=4\r\nResolution=5\r\nOpticalZoom=100\r\n"
            "FocusMode=4\r\nFocusPosition=57\r\nExternalFlash=2\r\n");

  // Everything changed, then the manual profile read back: the camera is as it was.
  camera->SetExposureProp3(2, 28, 16666);
  camera->SetPropIsoSpeed(0);
  camera->SetPropFlash(0);
  camera->SetPropWhiteBalance(1);
  camera->SetPropMetering(2);
  camera->SetPropResolution(9);
  camera->SetPropOpticalZoom(150, nullptr);
  camera->SetExternalFlash(0);
  EXPECT_EQ(apply(manual), 0);
  EXPECT_EQ(text(), manual);
  EXPECT_EQ(apply(shutter), 0);
  EXPECT_EQ(text(), shutter);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(CameraProfile, MalformedTextsAndAnotherCameraTypeAreRefused) {
  camera->SetPropFlash(2);
  EXPECT_EQ(apply("CPFFx001\r\nFlash=0\r\n"), static_cast<HRESULT>(0x81020006u));
  EXPECT_EQ(apply("CPF\r\nFlash=0\r\n"), static_cast<HRESULT>(0x81020005u));
  EXPECT_EQ(apply(""), static_cast<HRESULT>(0x81020005u));
  EXPECT_EQ(camera->GetPropFlash(), 2);
  // Lines before the camera type stay applied; none after it is.
  EXPECT_EQ(apply("CPFFv002\r\nFlash=1\r\nCamType=XC-702\r\nFlash=0\r\n"), static_cast<HRESULT>(0x81020007u));
  EXPECT_EQ(camera->GetPropFlash(), 1);
  // Only the camera type, in other letter cases, and unknown keys: nothing applied.
  EXPECT_EQ(apply("CPFFv001\r\ncamtype=xc-701\r\nAF Distance=3\r\nFlash=\r\n"), 1);
  EXPECT_EQ(camera->GetPropFlash(), 1);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
}

TEST_F(CameraProfile, KeywordsMatchTheTablesWhateverTheLocale) {
  // Under a comma-decimal locale when one could be made: "2.84" must still read as 2.84.
  const CommaLocale locale;
  EXPECT_TRUE(locale.active() || std::string(VESK_LOCALE_DIR).empty());
  const auto parse = [](const std::string& items) {
    return VeskKeywordSettings(items.c_str(), FamilyKeywordTables());
  };

  const auto all =
      parse(keywords({"aperture=2.84", "EXPOSURETIME=1/45", "ExpoBias=+0.7", "WHITEBALANCE=cloudy",
                      "FLASH=red eye reduction", "METERING=Spot", "ISOSPEED=200",
                      "PROGRAMMODE=aperture priority", "UNKNOWN=1", "noequals"}));
  EXPECT_EQ(all.aperture, 28);
  EXPECT_EQ(all.exposureTime, 20000);
  EXPECT_EQ(all.expoBias, 7);
  EXPECT_EQ(all.whiteBalance, 255);
  EXPECT_EQ(all.flash, 3);
  EXPECT_EQ(all.metering, 3);
  EXPECT_EQ(all.isoSpeed, 2);
  EXPECT_EQ(all.programMode, 3);
  EXPECT_EQ(all.Warning(), 0);

  EXPECT_EQ(parse(keywords({"EXPOSURETIME=1/40\""})).exposureTime, 25000);
  EXPECT_EQ(parse(keywords({"EXPOSURETIME=2"})).exposureTime, 2000000);
  for (const char* unreadable : {"EXPOSURETIME=1/0", "EXPOSURETIME=0/0", "EXPOSURETIME=1/"}) {
    const auto none = parse(keywords({unreadable}));
    EXPECT_FALSE(none.exposureTime) << unreadable;
    EXPECT_EQ(none.Warning(), static_cast<HRESULT>(0x41020015u)) << unreadable;
  }
  const auto unmatched =
      parse(keywords({"WHITEBALANCE=purple", "FLASH=" + std::string(300, 'x'), "METERING=x"}));
  EXPECT_FALSE(unmatched.AnyMatched());
  EXPECT_EQ(unmatched.Warning(), static_cast<HRESULT>(0x41020021u));

  // On the camera: the values that matched are sent, the last miss is the result.
  EXPECT_EQ(camera->ApplyKeywordSettings(keywords({"PROGRAMMODE=Manual", "APERTURE=4.0", "EXPOSURETIME=1/125",
                                                   "APERTURE=12", "FLASH=Off"})
                                             .c_str()),
            static_cast<HRESULT>(0x41020014u));
  EXPECT_EQ(exposure(), "1 40 8000");
  EXPECT_EQ(camera->GetPropFlash(), 2);
  // Shutter priority without a time sends no exposure record.
  EXPECT_EQ(camera->ApplyKeywordSettings(keywords({"PROGRAMMODE=Shutter priority", "METERING=ESP"}).c_str()),
            0);
  EXPECT_EQ(exposure(), "1 40 8000");
  EXPECT_EQ(camera->GetPropMetering(), 4);
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
}

// The ActiveX camera's capture-profile texts and keyword settings over a
// fake camera: the bytes written per program mode, what reading a text
// sends (and what it must not), and the keyword look-ups.
#include "FakeCaptureCamera.h"

#include "app/cameras/lunet/LunetCaptureSettings.h"
#include "app/core/CaptureProfileStorage.h"

#include <gtest/gtest.h>

#include <initializer_list>

using tarsel::lunet::CLunetCaptureSettings;
using tarsel::lunet::test::FakeCaptureCamera;
using Log = std::vector<std::string>;

namespace {

class CaptureSettings : public ::testing::Test {
protected:
  std::string text() {
    CCaptureProfileStorage storage;
    EXPECT_EQ(settings.GetCaptureSettingsText(&storage), 0);
    std::uint32_t length = 0;
    const void* data = storage.GetData(length);
    return data ? std::string(static_cast<const char*>(data), length) : std::string();
  }
  HRESULT apply(const std::string& profile) {
    CCaptureProfileStorage storage;
    storage.SetData(profile.data(), static_cast<std::uint32_t>(profile.size()));
    return settings.ApplyCaptureSettingsText(&storage);
  }
  HRESULT keywords(std::initializer_list<std::string> items) {
    std::string list;
    for (const std::string& item : items)
      list += item + '\0';
    return settings.ApplyKeywordSettings((list + '\0').c_str());
  }

  FakeCaptureCamera camera;
  CLunetCaptureSettings settings{camera};
};

} // namespace

TEST_F(CaptureSettings, WrittenInTheKeyOrderAndUnderTheConditionsOfTheProgramMode) {
  camera.lcd = 2;
  camera.mode = 1;
  camera.aperture = 40;
  camera.time = 8000;
  camera.bias = -7;
  camera.iso = 3;
  camera.flash = 2;
  camera.whiteBalance = 255;
  camera.metering = 5;
  camera.resolution = 7;
  camera.zoom = 30;
  camera.focusMode = 4;
  camera.focusPosition = 57;
  camera.externalFlash = 1;
  const std::string manual = text();
  EXPECT_EQ(manual,
            "CPFFv001\r\nCamType=VC320\r\nLcdMode=2\r\nAperture=40\r\nExposureTime=8000\r\nProgramMode=1\r\n"
            "IsoSpeed=3\r\nFlash=2\r\nWhiteBalance=255\r\nMetering=5\r\nResolution=7\r\nOpticalZoom=30\r\n"
            "FocusMode=4\r\nFocusPosition=57\r\nExternalFlash=1\r\n");
  camera.mode = 4;
  camera.focusMode = 1;
  EXPECT_EQ(text(),
            "CPFFv001\r\nCamType=VC320\r\nLcdMode=2\r\nExposureTime=8000\r\nProgramMode=4\r\nExpoBias=-7\r\n"
            "IsoSpeed=3\r\nFlash=2\r\nWhiteBalance=255\r\nMetering=5\r\nResolution=7\r\nOpticalZoom=30\r\n"
            "FocusMode=1\r\nExternalFlash=1\r\n");
  // An exposure block the camera cannot tell: the presets (automatic mode) are written.
  camera.refused = {"exposure?"};
  EXPECT_EQ(text().substr(0, 62), "CPFFv001\r\nCamType=VC320\r\nLcdMode=2\r\nProgramMode=2\r\nExpoBias=-7");
  EXPECT_TRUE(camera.log.empty());

  // Read back into a camera that holds other values: the same text comes out.
  FakeCaptureCamera other;
  CLunetCaptureSettings otherSettings(other);
  CCaptureProfileStorage storage;
  storage.SetData(manual.data(), static_cast<std::uint32_t>(manual.size()));
  EXPECT_EQ(otherSettings.ApplyCaptureSettingsText(&storage), 0);
  EXPECT_EQ(other.log, (Log{"lcd=2", "exposure=1,40,8000", "iso=3", "flash=2", "wb=255", "metering=5",
                            "resolution=7", "zoom=30", "focus=4", "position=57"}));
  EXPECT_EQ(otherSettings.GetCaptureSettingsText(&storage), 0);
  std::uint32_t length = 0;
  const auto* written = static_cast<const char*>(storage.GetData(length));
  EXPECT_EQ(std::string(written, length), manual);
  EXPECT_EQ(camera.connections + other.connections, 0u);
}

TEST_F(CaptureSettings, ReadingChecksTheTextAndSendsOnlyWhatChanges) {
  EXPECT_EQ(apply("CPFX001\r\nFlash=1\r\n"), static_cast<HRESULT>(0x81020005u));
  EXPECT_EQ(apply("CPFFx001\r\nFlash=1\r\n"), static_cast<HRESULT>(0x81020006u));
  EXPECT_EQ(apply(""), static_cast<HRESULT>(0x81020005u));
  EXPECT_TRUE(camera.log.empty());
  EXPECT_EQ(apply("CPFFv002\n\nFlash=1\r\n"), 0);
  // Lines before another camera type stay applied; none after it is.
  EXPECT_EQ(apply("CPFFv001\r\nFlash=3\r\nCamType=VC400\r\nFlash=4\r\nIsoSpeed=2\r\n"),
            static_cast<HRESULT>(0x81020007u));
  EXPECT_EQ(camera.log, (Log{"flash=1", "flash=3"}));
  camera.log.clear();
  // The exposure block takes the values read before it; a time behind it is not used.
  EXPECT_EQ(apply("CPFFv001\r\ncamtype=vc320\r\nAperture=40\r\nProgramMode=3\r\nExposureTime=8000\r\n"), 0);
  // Unchanged zoom and focus send nothing yet count as applied; keys and
  // values without "=" or a value are skipped.
  EXPECT_EQ(apply("CPFFv001\r\nOpticalZoom=10\r\nFocusMode=1\r\n"), 0);
  EXPECT_EQ(apply("CPFFv001\r\nCamType=VC320\r\nAperture=50\r\nWhiteBalance=\r\nNoValue\r\nAF=1\r\n"), 1);
  EXPECT_EQ(camera.log, (Log{"exposure=3,40,0"}));
  camera.log.clear();
  // A refused exposure block is passed over; a refused flash ends the text with its code.
  camera.refused = {"exposure", "flash"};
  EXPECT_EQ(apply("CPFFv001\r\nProgramMode=1\r\nIsoSpeed=1\r\nFlash=2\r\nMetering=3\r\n"),
            FakeCaptureCamera::kRefused);
  EXPECT_EQ(camera.log, (Log{"iso=1"}));
  EXPECT_EQ(camera.connections, 0u);
}

TEST_F(CaptureSettings, KeywordsMatchTheFamilysTablesAndWords) {
  EXPECT_EQ(keywords({"PROGRAMMODE=shutter priority", "EXPOSURETIME=1/60", "EXPOBIAS=+0.3",
                      "WHITEBALANCE=Flash", "METERING=averaging", "ISOSPEED=400", "FLASH=slow sync."}),
            0);
  EXPECT_EQ(camera.log, (Log{"exposure=4,0,16666", "bias=3", "flash=4", "iso=3", "wb=0", "metering=5"}));
  camera.log.clear();
  // The bias labels carry a blank behind the sign: "0" is 0.0, not -2.0.
  EXPECT_EQ(keywords({"EXPOBIAS=0"}), 0);
  EXPECT_EQ(keywords({"EXPOBIAS=- 1.7", "EXPOSURETIME=1/640", "APERTURE=3.6"}), 0);
  EXPECT_EQ(camera.log, (Log{"bias=0", "bias=-17"}));
  camera.log.clear();
  // Shutter priority without a time and a mode unknown to the table send no
  // exposure block; the last value not understood is the result.
  EXPECT_EQ(keywords({"PROGRAMMODE=Shutter priority", "FLASH=", "APERTURE=12", "ISOSPEED=800"}),
            static_cast<HRESULT>(0x41020018u));
  EXPECT_EQ(keywords({"PROGRAMMODE=Manual", "APERTURE=4.0", "WHITEBALANCE=purple"}),
            static_cast<HRESULT>(0x41020020u));
  EXPECT_TRUE(camera.log.empty());
  EXPECT_EQ(keywords({"PROGRAMMODE=auto"}), 0);
  EXPECT_EQ(camera.log, (Log{"exposure=2,0,0"}));
  camera.refused = {"bias"};
  EXPECT_EQ(keywords({"EXPOBIAS=+2.0"}), FakeCaptureCamera::kRefused);
  EXPECT_EQ(camera.connections, 0u);
}

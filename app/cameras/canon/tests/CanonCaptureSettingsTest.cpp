#include "app/cameras/canon/CanonCaptureSettings.h"
#include "app/core/CaptureProfileStorage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace tarsel::canon;

struct CameraState {
  std::uint32_t program = 1, aperture = 0, exposureTime = 0, bias = 24, iso = 72, flash = 0, whiteBalance = 0,
                metering = 0, afDistance = 1;
  std::int32_t resolution = 0, zoom = 0;
  bool lcd = false;
  bool operator==(const CameraState&) const = default;
};

// A camera with every capability, the program-mode rules of the family and
// a log of the settings it was given.
class FakeCamera : public ICanonSettingsCamera {
public:
  CameraState state;
  std::string model = "Sim Camera A";
  std::vector<std::string> calls;
  HRESULT failIso = 0;

  std::recursive_mutex& CallMutex() override { return m_mutex; }
  const char* GetModelName() override { return model.c_str(); }
  std::int32_t Connect() override { return 1; }
  std::int32_t DisConnect() override { return 0; }
  bool IsLcdOn() override { return state.lcd; }
  HRESULT LcdOn(std::int32_t) override { return log("LcdOn"), state.lcd = true, 0; }
  HRESULT LcdOff() override { return log("LcdOff"), state.lcd = false, 0; }
  HRESULT GetExposure(std::uint32_t* p, std::uint32_t* a, std::uint32_t* t) override {
    return *p = state.program, *a = state.aperture, *t = state.exposureTime, 0;
  }
  HRESULT SetExposure(std::uint32_t p, std::uint32_t a, std::uint32_t t) override {
    log("Exposure " + std::to_string(p) + " " + std::to_string(a) + " " + std::to_string(t));
    state.program = p;
    if (IsApertureSettable(p))
      state.aperture = a;
    if (IsExposureTimeSettable(p))
      state.exposureTime = t;
    return 0;
  }
  bool IsApertureSettable(std::uint32_t p) override { return p == 3 || p == 4; }
  bool IsExposureTimeSettable(std::uint32_t p) override { return p == 2 || p == 4; }
  bool IsExpoBiasSettable(std::uint32_t p) override { return p != 4; }
  HRESULT GetPropExpoBias(std::uint32_t* v) override { return *v = state.bias, 0; }
  HRESULT SetPropExpoBias(std::uint32_t v) override { return set("Bias", state.bias, v); }
  HRESULT GetPropIsoSpeed(std::uint32_t* v) override { return *v = state.iso, 0; }
  HRESULT SetPropIsoSpeed(std::uint32_t v) override { return failIso ? failIso : set("Iso", state.iso, v); }
  HRESULT GetPropFlash(std::uint32_t* v) override { return *v = state.flash, 0; }
  HRESULT SetPropFlash(std::uint32_t v) override { return set("Flash", state.flash, v); }
  HRESULT GetPropWhiteBalance(std::uint32_t* v) override { return *v = state.whiteBalance, 0; }
  HRESULT SetPropWhiteBalance(std::uint32_t v) override { return set("WhiteBalance", state.whiteBalance, v); }
  HRESULT GetPropMetering(std::uint32_t* v) override { return *v = state.metering, 0; }
  HRESULT SetPropMetering(std::uint32_t v) override { return set("Metering", state.metering, v); }
  HRESULT GetPropResolution(std::int32_t* v) override { return *v = state.resolution, 0; }
  HRESULT SetPropResolution(std::int32_t v) override { return set("Resolution", state.resolution, v); }
  HRESULT GetPropOpticalZoom(std::int32_t* p, double*) override { return *p = state.zoom, 0; }
  HRESULT SetPropOpticalZoom(std::int32_t p, std::int32_t*, double*) override {
    return set("Zoom", state.zoom, p);
  }
  HRESULT GetPropAFDistance(std::uint32_t* v) override { return *v = state.afDistance, 0; }
  HRESULT SetPropAFDistance(std::uint32_t v) override { return set("AfDistance", state.afDistance, v); }

private:
  void log(const std::string& call) { calls.push_back(call); }
  template <class T> HRESULT set(const char* name, T& field, T value) {
    log(name + (" " + std::to_string(value)));
    field = value;
    return 0;
  }
  std::recursive_mutex m_mutex;
};

std::string textOf(FakeCamera& camera) {
  CCaptureProfileStorage storage;
  EXPECT_EQ(WriteCaptureSettingsText(camera, &storage), 0);
  std::uint32_t length = 0;
  const auto* data = static_cast<const char*>(storage.GetData(length));
  return std::string(data, length);
}

HRESULT applyText(FakeCamera& camera, const std::string& text) {
  CCaptureProfileStorage storage;
  storage.SetData(text.data(), static_cast<std::uint32_t>(text.size()));
  return ApplyCaptureSettingsText(camera, &storage);
}

} // namespace

TEST(CanonCaptureSettings, TextCarriesWhatTheModeUsesAndPutsAnotherCameraInTheSameState) {
  FakeCamera a;
  a.state = {3, 32, 120, 16, 88, 2, 4, 1, 9, 2, 7, true};
  EXPECT_EQ(textOf(a), "CPFFv001\r\nCamType=Sim Camera A\r\nLcdMode=1\r\nAperture=32\r\nProgramMode=3\r\n"
                       "ExpoBias=16\r\nIsoSpeed=88\r\nFlash=2\r\nWhiteBalance=4\r\nMetering=1\r\n"
                       "Resolution=2\r\nOpticalZoom=7\r\nAF Distance=9\r\n");
  FakeCamera b;
  b.model = "sim CAMERA a";
  EXPECT_EQ(applyText(b, textOf(a)), 0);
  a.state.exposureTime = b.state.exposureTime; // mode 3 neither writes nor sets it
  EXPECT_EQ(b.state, a.state);

  // Manual: both values, no bias.
  a.state.program = 4;
  a.state.exposureTime = 120;
  const std::string manual = textOf(a);
  EXPECT_NE(manual.find("Aperture=32\r\nExposureTime=120\r\nProgramMode=4\r\nIsoSpeed="), std::string::npos);
  EXPECT_EQ(manual.find("ExpoBias"), std::string::npos);
}

TEST(CanonCaptureSettings, ReaderChecksTheHeaderTheCameraTypeAndStopsAtAFailedSetting) {
  FakeCamera camera;
  EXPECT_EQ(applyText(camera, "CPFF"), static_cast<HRESULT>(0x81020006u));
  EXPECT_EQ(applyText(camera, "CPFFv1\r\nFlash=2\r\n"), static_cast<HRESULT>(0x81020006u));
  EXPECT_EQ(applyText(camera, "cpffv001\r\nFlash=2\r\n"), static_cast<HRESULT>(0x81020005u));
  EXPECT_EQ(applyText(camera, ""), static_cast<HRESULT>(0x81020005u));
  EXPECT_EQ(applyText(camera, "CPFFv001\r\nCamType=Sim Camera A\r\n"), kNothingApplied);
  EXPECT_TRUE(camera.calls.empty());

  EXPECT_EQ(applyText(camera, "CPFFv0zz\nFlash=2\r\nCamType=Other\r\nIsoSpeed=88\r\n"),
            static_cast<HRESULT>(0x81020007u));
  EXPECT_EQ(camera.calls, std::vector<std::string>{"Flash 2"});

  // A program mode before its aperture sends aperture 0.
  camera.calls.clear();
  EXPECT_EQ(applyText(camera, "CPFFv001\r\nProgramMode=3\r\nAperture=32\r\n"), 0);
  EXPECT_EQ(camera.calls, std::vector<std::string>{"Exposure 3 0 0"});

  // A refused setting ends the reading; the settings before it stay.
  camera.calls.clear();
  camera.failIso = static_cast<HRESULT>(0x8107A005u);
  EXPECT_EQ(applyText(camera, "CPFFv001\r\nFlash=1\r\nIsoSpeed=88\r\nMetering=2\r\n"), camera.failIso);
  EXPECT_EQ(camera.calls, std::vector<std::string>{"Flash 1"});
}

TEST(CanonCaptureSettings, KeywordsMatchTheFamilysTablesAndWarnAboutWhatMatchesNothing) {
  FakeCamera camera;
  const auto keywords = [&](std::string items) {
    items.push_back('\0');
    return ApplyKeywordSettings(camera, items.c_str());
  };
  EXPECT_EQ(keywords(std::string("PROGRAMMODE=manual") + '\0' + "exposuretime=1/250" + '\0' + "APERTURE=2.8"),
            0);
  EXPECT_EQ(camera.calls, std::vector<std::string>{"Exposure 4 32 120"});

  // The nearest time when no label matches.
  camera.calls.clear();
  EXPECT_EQ(keywords(std::string("PROGRAMMODE=Tv") + '\0' + "EXPOSURETIME=1/300" + '\0' + "FLASH=slow sync"),
            0);
  EXPECT_EQ(camera.calls, (std::vector<std::string>{"Exposure 2 0 123", "Flash 4"}));

  // "Program" is a row of the table but a mode that is not applied.
  camera.calls.clear();
  EXPECT_EQ(keywords(std::string("PROGRAMMODE=Program") + '\0' + "EXPOBIAS=-0.3"), 0);
  EXPECT_EQ(camera.calls, std::vector<std::string>{"Bias 27"});

  // Only unmatched values: the camera is not touched, the last warning is the result.
  camera.calls.clear();
  EXPECT_EQ(keywords(std::string("ISOSPEED=7") + '\0' + "METERING=Matrix" + '\0' + "FLASH=" + '\0' + "NOISE"),
            static_cast<HRESULT>(0x41020021u));
  EXPECT_TRUE(camera.calls.empty());
}

TEST(CanonCaptureSettings, KeywordsReadASpacedSignAndWarnAboutATimeThatCannotBeRead) {
  FakeCamera camera;
  const auto keywords = [&](std::string items) {
    items.push_back('\0');
    return ApplyKeywordSettings(camera, items.c_str());
  };
  // "- 1.00" is -1, not 0.
  EXPECT_EQ(keywords("EXPOBIAS=- 1.00"), 0);
  EXPECT_EQ(camera.calls, std::vector<std::string>{"Bias 32"});
  // A zero denominator is no time: a warning, not the shortest time.
  camera.calls.clear();
  EXPECT_EQ(keywords(std::string("PROGRAMMODE=Tv") + '\0' + "EXPOSURETIME=1/0"),
            static_cast<HRESULT>(0x41020015u));
  EXPECT_TRUE(camera.calls.empty());
}
